// libFuzzer target: BmpToJpeg on any bytes as a bitmap file, and
// BmpToJpegFromDib on the same bytes as a bitmap in memory.
//
// Each input is handed over as a file in memory (memfd, opened by the
// converter through /proc/self/fd). Besides the sanitizers' own findings, a
// run aborts when the converter breaks its promises: a result BmpToJpeg never
// gives, a failure that leaves a file behind, or a success whose JPEG does
// not have the size the bitmap's header gives.

#include "Bmp2Jpeg.h"

#include <turbojpeg.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <cerrno>
#include <csignal>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kFolderPrefix[] = "bmp2jpeg-fuzz-";

// Removes the folder with the files in it (the converter makes no folders).
void removeFolder(const std::string& folder)
{
    if (DIR* listing = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(listing)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                ::unlinkat(::dirfd(listing), entry->d_name, 0);
        }
        ::closedir(listing);
    }
    ::rmdir(folder.c_str());
}

// The output folders that ended runs left in base: each is named after its
// process, and that process has gone.
void removeAbandonedFolders(const std::string& base)
{
    DIR* listing = ::opendir(base.c_str());
    if (listing == nullptr)
        return;
    const std::size_t prefix = sizeof kFolderPrefix - 1;
    while (const dirent* entry = ::readdir(listing)) {
        if (std::strncmp(entry->d_name, kFolderPrefix, prefix) != 0)
            continue;
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name + prefix, &end, 10);
        struct stat info {};
        if (pid > 0 && *end == '-' && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH
            && ::fstatat(::dirfd(listing), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode)
            && info.st_uid == ::geteuid())
            removeFolder(base + "/" + entry->d_name);
    }
    ::closedir(listing);
}

// Where the JPEG files go: FUZZ_OUTPUT_DIR, else memory-backed /dev/shm (the
// converter syncs every file it writes), else /tmp; a folder of this
// process's own, bmp2jpeg-fuzz-<pid>-XXXXXX.
const std::string& outputFolder()
{
    static const std::string folder = [] {
        std::string base = "/tmp";
        if (const char* chosen = std::getenv("FUZZ_OUTPUT_DIR"))
            base = chosen;
        else if (::access("/dev/shm", W_OK) == 0)
            base = "/dev/shm";
        removeAbandonedFolders(base);
        std::string pattern = base + "/" + kFolderPrefix + std::to_string(::getpid()) + "-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("bmp2jpeg_fuzzer: no output folder");
            std::abort();
        }
        return pattern;
    }();
    return folder;
}

// At the normal end, and before a broken promise ends the run. A finding of
// the sanitizers, a timeout or the memory limit ends the process without it
// (libFuzzer saves the input and leaves at once): the next run removes the
// folder.
void removeOutputFolder()
{
    removeFolder(outputFolder());
}

// Entries of the output folder besides out.jpg: temporary files left behind.
int strayEntries()
{
    DIR* folder = ::opendir(outputFolder().c_str());
    if (folder == nullptr)
        return 0;
    int stray = 0;
    while (const dirent* entry = ::readdir(folder)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0
            && std::strcmp(entry->d_name, "out.jpg") != 0)
            ++stray;
    }
    ::closedir(folder);
    return stray;
}

[[noreturn]] void broken(const char* promise)
{
    std::fprintf(stderr, "bmp2jpeg_fuzzer: %s\n", promise);
    removeOutputFolder();
    std::abort();
}

std::int32_t le32At(const std::uint8_t* data)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8)
                                     | (static_cast<std::uint32_t>(data[2]) << 16)
                                     | (static_cast<std::uint32_t>(data[3]) << 24));
}

// The JPEG's width and height, or false when it is not a readable JPEG.
bool jpegSize(const std::string& path, int& width, int& height)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    std::vector<unsigned char> bytes;
    unsigned char chunk[65536];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(file);
    tjhandle decompressor = tjInitDecompress();
    int subsampling = 0;
    int colorspace = 0;
    const bool read =
        decompressor != nullptr
        && tjDecompressHeader3(decompressor, bytes.data(), bytes.size(), &width, &height, &subsampling, &colorspace)
               == 0;
    if (decompressor != nullptr)
        tjDestroy(decompressor);
    return read;
}

// Aborts when a conversion of the bitmap data broke a promise of the
// converter's, and removes the JPEG it wrote.
void checkOutcome(int result, const std::string& jpegPath, const std::uint8_t* data, std::size_t size)
{
    struct stat info {};
    const bool written = ::lstat(jpegPath.c_str(), &info) == 0;
    // BMP2JPEG_TARGET_EXISTS belongs to BMP2JPEG_NO_REPLACE alone: without it
    // whatever stands at the JPEG path is replaced.
    if (result < BMP2JPEG_OK || result > BMP2JPEG_CANNOT_WRITE)
        broken("a result the converter never gives");
    if (strayEntries() != 0)
        broken("a temporary file was left behind");
    if (result != BMP2JPEG_OK) {
        if (written)
            broken("a failed conversion left a file");
        return;
    }
    constexpr std::size_t kWidthAt = 18;
    constexpr std::size_t kHeightAt = 22;
    int width = 0;
    int height = 0;
    if (!written || size < kHeightAt + 4 || !jpegSize(jpegPath, width, height))
        broken("a conversion reported success without a readable JPEG");
    // A negative height gives the rows top down.
    if (width != le32At(data + kWidthAt) || height != std::llabs(le32At(data + kHeightAt)))
        broken("the JPEG's size differs from the bitmap's header");
    ::unlink(jpegPath.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    outputFolder();
    std::atexit(removeOutputFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int bitmap = ::memfd_create("bitmap", MFD_CLOEXEC);
    if (bitmap < 0)
        broken("memfd_create failed");
    for (std::size_t written = 0; written < size;) {
        const ssize_t n = ::write(bitmap, data + written, size - written);
        if (n <= 0)
            broken("the bitmap could not be written to memory");
        written += static_cast<std::size_t>(n);
    }
    const std::string bitmapPath = "/proc/self/fd/" + std::to_string(bitmap);
    const std::string jpegPath = outputFolder() + "/out.jpg";

    checkOutcome(BmpToJpeg(bitmapPath.c_str(), jpegPath.c_str(), 100), jpegPath, data, size);
    ::close(bitmap);
    // The same bytes as a bitmap in memory: the info header after the file
    // header, the rows after both.
    constexpr std::size_t kInfoAt = 14;
    constexpr std::size_t kRowsAt = 54;
    if (size >= kRowsAt)
        checkOutcome(BmpToJpegFromDib(data + kInfoAt, data + kRowsAt, size - kRowsAt, jpegPath.c_str(), 100, 0),
                     jpegPath, data, size);
    return 0;
}
