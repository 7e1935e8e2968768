#include "Bmp2Jpeg.h"

#include <turbojpeg.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// BITMAPFILEHEADER (14 bytes) followed by BITMAPINFOHEADER (40 bytes), all
// fields little-endian.
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::size_t kHeadersSize = kFileHeaderSize + kInfoHeaderSize;

// Byte offsets from the start of the file.
constexpr std::size_t kOffMagic = 0;
constexpr std::size_t kOffPixelData = 10;
constexpr std::size_t kOffInfoSize = 14;
constexpr std::size_t kOffWidth = 18;
constexpr std::size_t kOffHeight = 22;
constexpr std::size_t kOffPlanes = 26;
constexpr std::size_t kOffBitCount = 28;
constexpr std::size_t kOffCompression = 30;

constexpr std::uint32_t kCompressionNone = 0;  // BI_RGB

std::uint16_t readLe16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t readLe32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
           | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::int32_t readLe32Signed(const unsigned char* p)
{
    return static_cast<std::int32_t>(readLe32(p));
}

// Header sizes of the other bitmap header kinds (OS/2 1.x and 2.x, the
// Adobe variants, V4, V5): well-formed, but not read here.
bool isOtherKnownHeaderSize(std::uint32_t size)
{
    for (std::uint32_t known : {12u, 16u, 52u, 56u, 64u, 108u, 124u}) {
        if (size == known)
            return true;
    }
    return false;
}

// Bit depths a bitmap may have besides the 24 and 32 bits read here.
bool isOtherKnownBitCount(std::uint16_t bits)
{
    for (std::uint16_t known : {0, 1, 2, 4, 8, 16, 64}) {
        if (bits == known)
            return true;
    }
    return false;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1)
        : m_fd(fd)
    {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    // Takes charge of fd, closing the one held before.
    void adopt(int fd)
    {
        close();
        m_fd = fd;
    }
    // Closes now and reports whether the kernel accepted the last writes.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Writes all length bytes; false with errno set on an error.
bool writeFully(int fd, const unsigned char* buffer, std::size_t length)
{
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(fd, buffer + done, length - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads length bytes at offset; false on an error, with errno set, or at the
// file's end before length bytes, with errno 0.
bool readFullyAt(int fd, unsigned char* buffer, std::size_t length, std::uint64_t offset)
{
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, buffer + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = 0;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The system's reason for the last failure, never 0.
int lastError()
{
    return errno != 0 ? errno : EIO;
}

struct PixelBuffer {
    std::unique_ptr<unsigned char[]> data;
    int width = 0;
    int height = 0;
    int pitch = 0;  // bytes per stored row, padding included
    int pixelFormat = TJPF_UNKNOWN;
};

// Opens the bitmap once, checks everything the encoder relies on, and reads
// its pixel rows through that same descriptor, so that a file put at the path
// after the check is never read. Reads no more than the file's own pixel data.
int readBitmap(const char* path, PixelBuffer& pixels, int& error)
{
    // Non-blocking, so that a named pipe cannot stall the open.
    FileDescriptor file(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat info {};
    if (!file.isOpen() || ::fstat(file.get(), &info) != 0) {
        error = lastError();
        return BMP2JPEG_CANNOT_READ;
    }
    if (!S_ISREG(info.st_mode)) {
        error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return BMP2JPEG_CANNOT_READ;
    }
    const auto fileSize = static_cast<std::uint64_t>(info.st_size);

    unsigned char header[kHeadersSize] = {};
    if (fileSize < kFileHeaderSize + 4)
        return BMP2JPEG_MALFORMED;
    const std::size_t available = fileSize < kHeadersSize ? static_cast<std::size_t>(fileSize) : kHeadersSize;
    if (!readFullyAt(file.get(), header, available, 0)) {
        // Cut short since it was opened: no longer a whole bitmap.
        if (errno == 0)
            return BMP2JPEG_MALFORMED;
        error = lastError();
        return BMP2JPEG_CANNOT_READ;
    }

    if (header[kOffMagic] != 'B' || header[kOffMagic + 1] != 'M')
        return BMP2JPEG_MALFORMED;

    const std::uint32_t infoSize = readLe32(header + kOffInfoSize);
    if (infoSize != kInfoHeaderSize && !isOtherKnownHeaderSize(infoSize))
        return BMP2JPEG_MALFORMED;
    if (fileSize < kFileHeaderSize + infoSize)
        return BMP2JPEG_MALFORMED;
    if (infoSize != kInfoHeaderSize)
        return BMP2JPEG_UNSUPPORTED;

    const std::int32_t width = readLe32Signed(header + kOffWidth);
    const std::int32_t height = readLe32Signed(header + kOffHeight);
    const std::uint16_t planes = readLe16(header + kOffPlanes);
    const std::uint16_t bitCount = readLe16(header + kOffBitCount);
    const std::uint32_t compression = readLe32(header + kOffCompression);

    if (planes != 1)
        return BMP2JPEG_MALFORMED;
    if (bitCount != 24 && bitCount != 32)
        return isOtherKnownBitCount(bitCount) ? BMP2JPEG_UNSUPPORTED : BMP2JPEG_MALFORMED;
    if (compression != kCompressionNone)
        return BMP2JPEG_UNSUPPORTED;
    if (width <= 0 || height == 0)
        return BMP2JPEG_MALFORMED;
    // A negative height marks rows stored top down.
    if (height < 0)
        return BMP2JPEG_UNSUPPORTED;
    if (width > BMP2JPEG_MAX_SIDE || height > BMP2JPEG_MAX_SIDE
        || static_cast<std::int64_t>(width) * height > BMP2JPEG_MAX_PIXELS)
        return BMP2JPEG_TOO_LARGE;

    // Each row holds whole 32-bit words.
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
    const std::uint64_t pixelOffset = readLe32(header + kOffPixelData);
    const std::uint64_t pixelBytes = rowBytes * static_cast<std::uint64_t>(height);
    if (pixelOffset < kHeadersSize || pixelOffset + pixelBytes > fileSize)
        return BMP2JPEG_MALFORMED;

    pixels.data.reset(new (std::nothrow) unsigned char[static_cast<std::size_t>(pixelBytes)]);
    if (!pixels.data) {
        error = ENOMEM;
        return BMP2JPEG_CANNOT_READ;
    }
    if (!readFullyAt(file.get(), pixels.data.get(), static_cast<std::size_t>(pixelBytes), pixelOffset)) {
        if (errno == 0)
            return BMP2JPEG_MALFORMED;
        error = lastError();
        return BMP2JPEG_CANNOT_READ;
    }
    pixels.width = width;
    pixels.height = height;
    pixels.pitch = static_cast<int>(rowBytes);
    pixels.pixelFormat = bitCount == 24 ? TJPF_BGR : TJPF_BGRX;
    return BMP2JPEG_OK;
}

bool sameFile(const char* first, const char* second)
{
    struct stat a {};
    struct stat b {};
    return ::stat(first, &a) == 0 && ::stat(second, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// rename that fails with EEXIST when anything stands at to; ENOSYS where
// the system has no such rename.
int renameWithoutReplacing(const char* from, const char* to)
{
#ifdef RENAME_NOREPLACE
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
#else
    (void)from;
    (void)to;
    errno = ENOSYS;
    return -1;
#endif
}

// Hidden names of pictures being written, in the JPEG's folder.
constexpr char kPartPrefix[] = ".bmp2jpeg-";
constexpr char kPartSuffix[] = ".part";

bool isPartName(const char* name)
{
    const std::size_t length = std::strlen(name);
    const std::size_t prefix = sizeof kPartPrefix - 1;
    const std::size_t suffix = sizeof kPartSuffix - 1;
    return length > prefix + suffix && std::strncmp(name, kPartPrefix, prefix) == 0
           && std::strcmp(name + length - suffix, kPartSuffix) == 0;
}

// A random hidden part name in folder; empty when the system has no random
// numbers to give.
std::string randomPartName(const std::string& folder)
{
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    static constexpr std::size_t kAlphabetSize = sizeof(kAlphabet) - 1;
    unsigned char noise[10];
    if (::getrandom(noise, sizeof noise, 0) != static_cast<ssize_t>(sizeof noise))
        return {};
    std::string name = folder + "/" + kPartPrefix;
    for (unsigned char byte : noise)
        name += kAlphabet[byte % kAlphabetSize];
    return name + kPartSuffix;
}

// Removes the parts in folder that a killed conversion left behind: each
// writer holds a lock on its part, so a part that can be locked has none.
// Only regular files of this user are touched.
void removeAbandonedParts(const std::string& folder)
{
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.c_str()), ::closedir);
    if (!listing)
        return;
    const int folderFd = ::dirfd(listing.get());
    while (const dirent* entry = ::readdir(listing.get())) {
        if (!isPartName(entry->d_name))
            continue;
        FileDescriptor part(::openat(folderFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info {};
        if (part.isOpen() && ::fstat(part.get(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()
            && ::flock(part.get(), LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(folderFd, entry->d_name, 0);
    }
}

// The JPEG file while it is being written. Where the file system allows it,
// the file has no name until it is committed, so that a process killed
// half-way leaves nothing behind; elsewhere it has a hidden unique name in
// the target's folder, and the next conversion into the folder removes it if
// a killed process left it. The file is locked from its creation until it
// has the target's name, hidden names it takes on the way included, so that
// no other conversion takes it for abandoned. Committing gives it the
// target's name in one step, so that the target is never seen half written.
// Removed again unless committed.
class PendingFile {
public:
    explicit PendingFile(const std::string& target)
        : m_target(target)
        , m_folder(folderOf(target))
    {}
    ~PendingFile()
    {
        const int saved = errno;
        // Unlinked while still locked, so that no other conversion's
        // clean-up meets it half-way.
        if (!m_path.empty() && !m_committed)
            ::unlink(m_path.c_str());
        m_file.close();
        errno = saved;
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool create()
    {
        removeAbandonedParts(m_folder);
        // 0666 so that the finished file gets the permissions the user's
        // umask gives any new file.
#ifdef O_TMPFILE
        m_file.adopt(::open(m_folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
        if (m_file.isOpen()) {
            m_unnamedPath = "/proc/self/fd/" + std::to_string(m_file.get());
            // Without /proc the unnamed file could not be given a name. Until
            // it has one nobody else can open it: the lock cannot wait.
            if (::access(m_unnamedPath.c_str(), F_OK) == 0 && ::flock(m_file.get(), LOCK_EX | LOCK_NB) == 0)
                return true;
            m_file.close();
            m_unnamedPath.clear();
        } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            return false;
        }
#endif
        return createNamed();
    }

    bool write(const unsigned char* data, std::size_t length)
    {
        return m_file.isOpen() && writeFully(m_file.get(), data, length);
    }

    // BMP2JPEG_OK, BMP2JPEG_TARGET_EXISTS (only when not replacing) or
    // BMP2JPEG_CANNOT_WRITE with errno set.
    int commit(bool replace)
    {
        if (replace)
            keepModeOfTarget();
        if (!m_file.isOpen() || ::fsync(m_file.get()) != 0)
            return cannotWrite();
        // The descriptor, and with it the lock, stays open until the file
        // has the target's name; fsync has reported any write the kernel
        // refused.
        if (m_unnamedPath.empty()) {
            const int placed = replace ? renameOver(m_path) : renameNew(m_path);
            if (placed == BMP2JPEG_OK)
                m_committed = true;
            return placed;
        }
        return replace ? nameAndRenameOver() : nameNew();
    }

private:
    static int cannotWrite()
    {
        errno = lastError();
        return BMP2JPEG_CANNOT_WRITE;
    }

    bool createNamed()
    {
        static constexpr int kAttempts = 64;
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            const std::string name = randomPartName(m_folder);
            if (name.empty())
                return false;
            m_file.adopt(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666));
            if (!m_file.isOpen()) {
                if (errno == EEXIST)
                    continue;
                return false;
            }
            m_path = name;
            // Another conversion's clean-up may have taken the part between
            // its creation and the lock: then it is no longer at its name.
            struct stat opened {};
            struct stat named {};
            if (::flock(m_file.get(), LOCK_EX) == 0 && ::fstat(m_file.get(), &opened) == 0
                && ::lstat(name.c_str(), &named) == 0 && opened.st_ino == named.st_ino && opened.st_dev == named.st_dev)
                return true;
            m_file.close();
            m_path.clear();
        }
        errno = EEXIST;
        return false;
    }

    // A file replacing another keeps the other's permission bits.
    void keepModeOfTarget()
    {
        struct stat old {};
        if (m_file.isOpen() && ::lstat(m_target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
            ::fchmod(m_file.get(), old.st_mode & 0777);
    }

    int renameOver(const std::string& from) const
    {
        if (::rename(from.c_str(), m_target.c_str()) != 0)
            return cannotWrite();
        syncFolder();
        return BMP2JPEG_OK;
    }

    // Moves from to the target only while nothing stands there.
    int renameNew(const std::string& from) const
    {
        if (renameWithoutReplacing(from.c_str(), m_target.c_str()) == 0) {
            syncFolder();
            return BMP2JPEG_OK;
        }
        if (errno == EEXIST)
            return BMP2JPEG_TARGET_EXISTS;
        // Systems and file systems without an exclusive rename: a new link
        // fails just the same when the name is taken.
        if (errno != EINVAL && errno != ENOSYS)
            return cannotWrite();
        if (::link(from.c_str(), m_target.c_str()) != 0)
            return errno == EEXIST ? BMP2JPEG_TARGET_EXISTS : cannotWrite();
        ::unlink(from.c_str());
        syncFolder();
        return BMP2JPEG_OK;
    }

    // Gives the unnamed file the target's name, which must be free.
    int nameNew()
    {
        if (::linkat(AT_FDCWD, m_unnamedPath.c_str(), AT_FDCWD, m_target.c_str(), AT_SYMLINK_FOLLOW) != 0)
            return errno == EEXIST ? BMP2JPEG_TARGET_EXISTS : cannotWrite();
        m_committed = true;
        syncFolder();
        return BMP2JPEG_OK;
    }

    // Gives the unnamed file a hidden name for the moment of the rename.
    int nameAndRenameOver()
    {
        static constexpr int kAttempts = 64;
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            const std::string name = randomPartName(m_folder);
            if (name.empty())
                return cannotWrite();
            if (::linkat(AT_FDCWD, m_unnamedPath.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
                if (errno == EEXIST)
                    continue;
                return cannotWrite();
            }
            m_path = name;
            const int placed = renameOver(name);
            if (placed == BMP2JPEG_OK)
                m_committed = true;
            return placed;
        }
        errno = EEXIST;
        return BMP2JPEG_CANNOT_WRITE;
    }

    // Makes the new name itself durable; a failure here leaves a complete file.
    void syncFolder() const
    {
        const int saved = errno;
        FileDescriptor folder(::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder.isOpen())
            ::fsync(folder.get());
        errno = saved;
    }

    std::string m_target;
    std::string m_folder;
    std::string m_path;         // the hidden name, when the file has one
    std::string m_unnamedPath;  // the unnamed file, through /proc
    FileDescriptor m_file;
    bool m_committed = false;
};

struct TurboBufferDeleter {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};
using TurboBuffer = std::unique_ptr<unsigned char, TurboBufferDeleter>;

struct TurboHandleDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TurboHandle = std::unique_ptr<void, TurboHandleDeleter>;

bool hasFileName(const char* path)
{
    const std::size_t length = std::strlen(path);
    return length > 0 && path[length - 1] != '/';
}

// error receives the system's reason with BMP2JPEG_CANNOT_READ and
// BMP2JPEG_CANNOT_WRITE.
int convert(const char* bitmapPath, const char* jpegPath, int quality, int flags, int& error)
{
    if (bitmapPath == nullptr || jpegPath == nullptr || !hasFileName(bitmapPath) || !hasFileName(jpegPath))
        return BMP2JPEG_BAD_ARGUMENTS;
    if (quality < 1 || quality > 100 || (flags & ~BMP2JPEG_NO_REPLACE) != 0)
        return BMP2JPEG_BAD_ARGUMENTS;
    if (sameFile(bitmapPath, jpegPath))
        return BMP2JPEG_BAD_ARGUMENTS;

    PixelBuffer pixels;
    if (const int read = readBitmap(bitmapPath, pixels, error); read != BMP2JPEG_OK)
        return read;

    const TurboHandle compressor(tjInitCompress());
    if (!compressor)
        return BMP2JPEG_ENCODER_FAILED;
    unsigned char* jpegData = nullptr;
    unsigned long jpegSize = 0;
    // Full-resolution colour keeps the thin coloured text of a window capture sharp.
    const int compressed =
        tjCompress2(compressor.get(), pixels.data.get(), pixels.width, pixels.pitch, pixels.height, pixels.pixelFormat,
                    &jpegData, &jpegSize, TJSAMP_444, quality, TJFLAG_BOTTOMUP | TJFLAG_ACCURATEDCT);
    const TurboBuffer jpeg(jpegData);
    if (compressed != 0 || !jpeg || jpegSize == 0)
        return BMP2JPEG_ENCODER_FAILED;
    pixels.data.reset();

    // Whether the name is free is settled by the commit alone: a name taken
    // while the picture is written counts as much as one taken before.
    const bool replace = (flags & BMP2JPEG_NO_REPLACE) == 0;
    PendingFile output(jpegPath);
    if (!output.create() || !output.write(jpeg.get(), jpegSize)) {
        error = lastError();
        return BMP2JPEG_CANNOT_WRITE;
    }
    const int committed = output.commit(replace);
    if (committed == BMP2JPEG_CANNOT_WRITE)
        error = lastError();
    return committed;
}

int convertReportingErrno(const char* bitmapPath, const char* jpegPath, int quality, int flags)
{
    int error = 0;
    int result = BMP2JPEG_CANNOT_WRITE;
    try {
        result = convert(bitmapPath, jpegPath, quality, flags, error);
    } catch (...) {
        // Out of memory for a path string: nothing was written.
        error = ENOMEM;
    }
    errno = result == BMP2JPEG_CANNOT_READ || result == BMP2JPEG_CANNOT_WRITE ? error : 0;
    return result;
}

}  // namespace

extern "C" BMP2JPEG_API int BmpToJpeg(const char* bitmapPath, const char* jpegPath, int quality)
{
    return convertReportingErrno(bitmapPath, jpegPath, quality, 0);
}

extern "C" BMP2JPEG_API int BmpToJpegEx(const char* bitmapPath, const char* jpegPath, int quality, int flags)
{
    return convertReportingErrno(bitmapPath, jpegPath, quality, flags);
}
