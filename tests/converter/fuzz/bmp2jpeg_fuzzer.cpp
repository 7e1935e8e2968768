// libFuzzer target: BmpToJpeg on any bytes as a bitmap file.
//
// Each input is handed over as a file in memory (memfd, opened by the
// converter through /proc/self/fd). Besides the sanitizers' own findings, a
// run aborts when the converter breaks its promises: a result outside
// Bmp2JpegResult, a failure that leaves a file behind, or a success whose
// JPEG does not have the size the bitmap's header gives.

#include "Bmp2Jpeg.h"

#include <turbojpeg.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Where the JPEG files go: FUZZ_OUTPUT_DIR, else memory-backed /dev/shm (the
// converter syncs every file it writes), else /tmp.
const std::string& outputFolder()
{
    static const std::string folder = [] {
        std::string base = "/tmp";
        if (const char* chosen = std::getenv("FUZZ_OUTPUT_DIR"))
            base = chosen;
        else if (::access("/dev/shm", W_OK) == 0)
            base = "/dev/shm";
        std::string pattern = base + "/bmp2jpeg-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("bmp2jpeg_fuzzer: no output folder");
            std::abort();
        }
        return pattern;
    }();
    return folder;
}

void removeOutputFolder()
{
    ::rmdir(outputFolder().c_str());
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

    const int result = BmpToJpeg(bitmapPath.c_str(), jpegPath.c_str(), 100);
    ::close(bitmap);

    struct stat info {};
    const bool written = ::lstat(jpegPath.c_str(), &info) == 0;
    if (result < BMP2JPEG_OK || result > BMP2JPEG_TARGET_EXISTS)
        broken("a result outside Bmp2JpegResult");
    if (strayEntries() != 0)
        broken("a temporary file was left behind");
    if (result != BMP2JPEG_OK) {
        if (written)
            broken("a failed conversion left a file");
        return 0;
    }
    constexpr std::size_t kWidthAt = 18;
    constexpr std::size_t kHeightAt = 22;
    int width = 0;
    int height = 0;
    if (!written || size < kHeightAt + 4 || !jpegSize(jpegPath, width, height))
        broken("a conversion reported success without a readable JPEG");
    if (width != le32At(data + kWidthAt) || height != le32At(data + kHeightAt))
        broken("the JPEG's size differs from the bitmap's header");
    ::unlink(jpegPath.c_str());
    return 0;
}
