#include "Bmp2Jpeg.h"

#include <turbojpeg.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include <fcntl.h>
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

// Repeats io (::read or ::write) until length bytes have moved; false on an
// error or at the end of the file.
template <typename Void, typename Byte>
bool transferFully(ssize_t (*io)(int, Void*, std::size_t), int fd, Byte* buffer, std::size_t length)
{
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = io(fd, buffer + done, length - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

struct BitmapLayout {
    int width = 0;
    int height = 0;
};

// Checks everything the decoder relies on before it is handed the file, so
// that it only ever sees bitmaps it reads correctly and never allocates more
// than the file's own pixel data calls for.
int checkBitmap(const char* path, BitmapLayout& layout)
{
    // Non-blocking, so that a named pipe cannot stall the open.
    FileDescriptor file(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.isOpen())
        return BMP2JPEG_CANNOT_READ;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return BMP2JPEG_CANNOT_READ;
    const auto fileSize = static_cast<std::uint64_t>(info.st_size);

    unsigned char header[kHeadersSize] = {};
    if (fileSize < kFileHeaderSize + 4)
        return BMP2JPEG_MALFORMED;
    const std::size_t available = fileSize < kHeadersSize ? static_cast<std::size_t>(fileSize) : kHeadersSize;
    if (!transferFully(::read, file.get(), header, available))
        return BMP2JPEG_CANNOT_READ;

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
    if (pixelOffset < kHeadersSize || pixelOffset + rowBytes * static_cast<std::uint64_t>(height) > fileSize)
        return BMP2JPEG_MALFORMED;

    layout.width = width;
    layout.height = height;
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

// A file written under a hidden, unique name in the target's folder and moved
// over the target in one step, so that the target is never seen half written.
// Removed again unless committed.
class PendingFile {
public:
    explicit PendingFile(const std::string& target)
        : m_target(target)
    {}
    ~PendingFile()
    {
        m_file.close();
        if (!m_path.empty() && !m_committed)
            ::unlink(m_path.c_str());
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool create()
    {
        static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
        static constexpr std::size_t kAlphabetSize = sizeof(kAlphabet) - 1;
        static constexpr int kAttempts = 64;
        const std::string folder = folderOf(m_target);
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            unsigned char noise[10];
            if (::getrandom(noise, sizeof noise, 0) != static_cast<ssize_t>(sizeof noise))
                return false;
            std::string name = folder + "/.bmp2jpeg-";
            for (unsigned char byte : noise)
                name += kAlphabet[byte % kAlphabetSize];
            name += ".part";
            // 0666 so that the finished file gets the permissions the user's
            // umask gives any new file.
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
            if (fd >= 0) {
                m_path = name;
                m_file.adopt(fd);
                return true;
            }
            if (errno != EEXIST)
                return false;
        }
        return false;
    }

    bool write(const unsigned char* data, std::size_t length)
    {
        return m_file.isOpen() && transferFully(::write, m_file.get(), data, length);
    }

    bool commit()
    {
        if (!m_file.isOpen() || ::fsync(m_file.get()) != 0 || !m_file.close())
            return false;
        if (::rename(m_path.c_str(), m_target.c_str()) != 0)
            return false;
        m_committed = true;
        syncFolder();
        return true;
    }

private:
    // Makes the rename itself durable; a failure here leaves a complete file.
    void syncFolder() const
    {
        FileDescriptor folder(::open(folderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder.isOpen())
            ::fsync(folder.get());
    }

    std::string m_target;
    std::string m_path;
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

int convert(const char* bitmapPath, const char* jpegPath, int quality)
{
    if (bitmapPath == nullptr || jpegPath == nullptr || !hasFileName(bitmapPath) || !hasFileName(jpegPath))
        return BMP2JPEG_BAD_ARGUMENTS;
    if (quality < 1 || quality > 100)
        return BMP2JPEG_BAD_ARGUMENTS;
    if (sameFile(bitmapPath, jpegPath))
        return BMP2JPEG_BAD_ARGUMENTS;

    BitmapLayout layout;
    if (const int checked = checkBitmap(bitmapPath, layout); checked != BMP2JPEG_OK)
        return checked;

    int width = 0;
    int height = 0;
    int pixelFormat = TJPF_UNKNOWN;
    // Rows come back top first (no TJFLAG_BOTTOMUP), unpadded.
    const TurboBuffer pixels(tjLoadImage(bitmapPath, &width, 1, &height, &pixelFormat, 0));
    if (!pixels)
        return BMP2JPEG_MALFORMED;
    // The file changed between the check and the load.
    if (width != layout.width || height != layout.height || pixelFormat == TJPF_UNKNOWN)
        return BMP2JPEG_MALFORMED;

    const TurboHandle compressor(tjInitCompress());
    if (!compressor)
        return BMP2JPEG_ENCODER_FAILED;
    unsigned char* jpegData = nullptr;
    unsigned long jpegSize = 0;
    // Full-resolution colour keeps the thin coloured text of a window capture sharp.
    const int compressed = tjCompress2(compressor.get(), pixels.get(), width, 0, height, pixelFormat, &jpegData,
                                       &jpegSize, TJSAMP_444, quality, TJFLAG_ACCURATEDCT);
    const TurboBuffer jpeg(jpegData);
    if (compressed != 0 || !jpeg || jpegSize == 0)
        return BMP2JPEG_ENCODER_FAILED;

    PendingFile output(jpegPath);
    if (!output.create() || !output.write(jpeg.get(), jpegSize) || !output.commit())
        return BMP2JPEG_CANNOT_WRITE;
    return BMP2JPEG_OK;
}

}  // namespace

extern "C" BMP2JPEG_API int BmpToJpeg(const char* bitmapPath, const char* jpegPath, int quality)
{
    try {
        return convert(bitmapPath, jpegPath, quality);
    } catch (...) {
        // Out of memory for a path string: nothing was written.
        return BMP2JPEG_CANNOT_WRITE;
    }
}
