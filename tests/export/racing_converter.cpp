// A converter that plays another process writing into the same folder: when
// it is asked to convert, it first puts something at the JPEG path (as many
// times as it was told to), then hands the work to the real converter. The
// export calls it once the name has been chosen, so whatever it puts there
// appeared after that.

#include "Bmp2Jpeg.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#if defined(_WIN32)
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <windows.h>
#else
#  include <dlfcn.h>
#endif

namespace {

// What appears at the name; see RaceBeforeConversions.
enum Appearance { AFile = 0, ALinkLeadingNowhere = 1, AFolder = 2 };

int racesLeft = 0;
int appearance = AFile;

// The converter's paths are UTF-8 on every system.
std::filesystem::path fromUtf8(const char* path)
{
    const std::string_view bytes(path);
    return std::filesystem::path(std::u8string(bytes.begin(), bytes.end()));
}

void appear(const char* jpegPath)
{
    const std::filesystem::path path = fromUtf8(jpegPath);
    std::error_code failed;
    if (appearance == ALinkLeadingNowhere) {
        std::filesystem::create_symlink(fromUtf8((std::string(jpegPath) + ".nowhere").c_str()), path, failed);
    } else if (appearance == AFolder) {
        std::filesystem::create_directory(path, failed);
    } else if (!std::filesystem::exists(path, failed)) {
        // The test sees a wrong content if this fails.
        std::ofstream(path, std::ios::binary) << "appeared late";
    }
}

BmpToJpegFromDibFunction realConverter()
{
    static const BmpToJpegFromDibFunction real = [] {
#if defined(_WIN32)
        // Beside the program, whose folder Windows searches first.
        const HMODULE library = ::LoadLibraryA(REAL_CONVERTER);
        return library ? reinterpret_cast<BmpToJpegFromDibFunction>(
                   reinterpret_cast<void*>(::GetProcAddress(library, "BmpToJpegFromDib")))
                       : nullptr;
#else
        void* library = ::dlopen(REAL_CONVERTER, RTLD_NOW | RTLD_LOCAL);
        return library ? reinterpret_cast<BmpToJpegFromDibFunction>(::dlsym(library, "BmpToJpegFromDib")) : nullptr;
#endif
    }();
    return real;
}

}  // namespace

// The next count conversions each find what (0 a file holding "appeared
// late", 1 a link leading nowhere, 2 a folder) at their JPEG path.
extern "C" BMP2JPEG_API void RaceBeforeConversions(int count, int what)
{
    racesLeft = count;
    appearance = what;
}

extern "C" BMP2JPEG_API int BmpToJpegFromDib(const void* info, const void* bits, size_t bitsSize, const char* jpegPath,
                                             int quality, int flags)
{
    if (racesLeft > 0) {
        --racesLeft;
        appear(jpegPath);
    }
    const BmpToJpegFromDibFunction real = realConverter();
    return real ? real(info, bits, bitsSize, jpegPath, quality, flags) : BMP2JPEG_ENCODER_FAILED;
}
