// A converter that plays another process writing into the same folder: when
// it is asked to convert, it first puts something at the JPEG path (as many
// times as it was told to), then hands the work to the real converter. The
// export calls it once the name has been chosen, so whatever it puts there
// appeared after that.

#include "Bmp2Jpeg.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace {

// What appears at the name; see RaceBeforeConversions.
enum Appearance { AFile = 0, ALinkLeadingNowhere = 1, AFolder = 2 };

int racesLeft = 0;
int appearance = AFile;

void appear(const char* path)
{
    if (appearance == ALinkLeadingNowhere) {
        const std::string target = std::string(path) + ".nowhere";
        ::symlink(target.c_str(), path);
    } else if (appearance == AFolder) {
        ::mkdir(path, 0700);
    } else {
        const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            static constexpr char kContent[] = "appeared late";
            if (::write(fd, kContent, std::strlen(kContent)) < 0) {
                // The test sees a wrong content.
            }
            ::close(fd);
        }
    }
}

BmpToJpegFromDibFunction realConverter()
{
    static const BmpToJpegFromDibFunction real = [] {
        void* library = ::dlopen(REAL_CONVERTER, RTLD_NOW | RTLD_LOCAL);
        return library ? reinterpret_cast<BmpToJpegFromDibFunction>(::dlsym(library, "BmpToJpegFromDib")) : nullptr;
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
