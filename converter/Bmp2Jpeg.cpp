#include "Bmp2Jpeg.h"
#include "BitmapFile.h"
#include "FileLayer.h"

#include <turbojpeg.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace {

namespace files = zorvane::files;

using namespace bitmapfile;

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

// The density a JFIF header can carry (1 to 65535 dots per inch) from the
// bitmap's pixels per metre; 0 for none.
int dotsPerInch(std::int32_t pixelsPerMeter)
{
    // An inch is 254 ten-thousandths of a metre; rounded to the nearest dot.
    const std::int64_t dots = (static_cast<std::int64_t>(pixelsPerMeter) * 254 + 5000) / 10000;
    return dots >= 1 && dots <= 0xffff ? static_cast<int>(dots) : 0;
}

struct PixelBuffer {
    std::unique_ptr<unsigned char[]> data;
    int width = 0;
    int height = 0;
    int pitch = 0;  // bytes per stored row, padding included
    int pixelFormat = TJPF_UNKNOWN;
    int rowOrder = 0;      // TJFLAG_BOTTOMUP, or 0 for rows top down
    int xDotsPerInch = 0;  // 0: unknown
    int yDotsPerInch = 0;
};

// Checks everything the encoder relies on and reads the pixel rows through
// the file opened once, so that a file put at the path after the check is
// never read. Reads no more than the file's own pixel data. error receives
// the system's reason with BMP2JPEG_CANNOT_READ.
int readBitmap(const files::InputFile& file, PixelBuffer& pixels, int& error)
{
    // A file cut short since it was opened is no longer a whole bitmap.
    const auto failedRead = [&error](int reason) {
        error = reason;
        return reason == ENODATA ? BMP2JPEG_MALFORMED : BMP2JPEG_CANNOT_READ;
    };
    const std::uint64_t fileSize = file.size();
    unsigned char header[kHeadersSize] = {};
    if (fileSize < kFileHeaderSize + 4)
        return BMP2JPEG_MALFORMED;
    const std::size_t available = fileSize < kHeadersSize ? static_cast<std::size_t>(fileSize) : kHeadersSize;
    if (const int read = file.readAt(header, available, 0); read != 0)
        return failedRead(read);

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
    const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    if (width > BMP2JPEG_MAX_SIDE || rows > BMP2JPEG_MAX_SIDE || width * rows > BMP2JPEG_MAX_PIXELS)
        return BMP2JPEG_TOO_LARGE;

    // Each row holds whole 32-bit words.
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
    const std::uint64_t pixelOffset = readLe32(header + kOffPixelData);
    const std::uint64_t pixelBytes = rowBytes * static_cast<std::uint64_t>(rows);
    if (pixelOffset < kHeadersSize || pixelOffset + pixelBytes > fileSize)
        return BMP2JPEG_MALFORMED;

    pixels.data.reset(new (std::nothrow) unsigned char[static_cast<std::size_t>(pixelBytes)]);
    if (!pixels.data) {
        error = ENOMEM;
        return BMP2JPEG_CANNOT_READ;
    }
    if (const int read = file.readAt(pixels.data.get(), static_cast<std::size_t>(pixelBytes), pixelOffset); read != 0)
        return failedRead(read);
    pixels.width = width;
    pixels.height = static_cast<int>(rows);
    pixels.rowOrder = height < 0 ? 0 : TJFLAG_BOTTOMUP;
    pixels.pitch = static_cast<int>(rowBytes);
    pixels.pixelFormat = bitCount == 24 ? TJPF_BGR : TJPF_BGRX;
    pixels.xDotsPerInch = dotsPerInch(readLe32Signed(header + kOffXPelsPerMeter));
    pixels.yDotsPerInch = dotsPerInch(readLe32Signed(header + kOffYPelsPerMeter));
    return BMP2JPEG_OK;
}

// Sets the density of the JFIF header that TurboJPEG writes first (units,
// then horizontal and vertical density, big-endian), in dots per inch; a
// picture without a density keeps TurboJPEG's "no units, square pixels".
void setDensity(unsigned char* jpeg, unsigned long size, int xDotsPerInch, int yDotsPerInch)
{
    static constexpr unsigned char kJfifStart[] = {0xff, 0xd8, 0xff, 0xe0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00};
    constexpr std::size_t kOffUnits = 13;
    constexpr unsigned char kUnitsDotsPerInch = 1;
    if (xDotsPerInch == 0 || yDotsPerInch == 0 || size < kOffUnits + 5
        || std::memcmp(jpeg, kJfifStart, sizeof kJfifStart) != 0)
        return;
    unsigned char* units = jpeg + kOffUnits;
    units[0] = kUnitsDotsPerInch;
    units[1] = static_cast<unsigned char>(xDotsPerInch >> 8);
    units[2] = static_cast<unsigned char>(xDotsPerInch & 0xff);
    units[3] = static_cast<unsigned char>(yDotsPerInch >> 8);
    units[4] = static_cast<unsigned char>(yDotsPerInch & 0xff);
}

struct TurboBufferDeleter {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};
using TurboBuffer = std::unique_ptr<unsigned char, TurboBufferDeleter>;

struct TurboHandleDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TurboHandle = std::unique_ptr<void, TurboHandleDeleter>;

// error receives the system's reason with BMP2JPEG_CANNOT_READ and
// BMP2JPEG_CANNOT_WRITE.
int convert(const char* bitmapPath, const char* jpegPath, int quality, int flags, int& error)
{
    if (bitmapPath == nullptr || jpegPath == nullptr || quality < 1 || quality > 100
        || (flags & ~BMP2JPEG_NO_REPLACE) != 0)
        return BMP2JPEG_BAD_ARGUMENTS;
    const files::PathParts target = files::splitPath(jpegPath);
    if (files::splitPath(bitmapPath).name.empty() || target.name.empty())
        return BMP2JPEG_BAD_ARGUMENTS;

    files::InputFile bitmap;
    if ((error = bitmap.open(bitmapPath)) != 0)
        return BMP2JPEG_CANNOT_READ;
    PixelBuffer pixels;
    if (const int read = readBitmap(bitmap, pixels, error); read != BMP2JPEG_OK)
        return read;
    files::Folder folder;
    if ((error = folder.open(target.folder)) != 0)
        return BMP2JPEG_CANNOT_WRITE;
    if (folder.holds(target.name, bitmap.identity()))
        return BMP2JPEG_BAD_ARGUMENTS;

    const TurboHandle compressor(tjInitCompress());
    if (!compressor)
        return BMP2JPEG_ENCODER_FAILED;
    unsigned char* jpegData = nullptr;
    unsigned long jpegSize = 0;
    // Full-resolution colour keeps the thin coloured text of a window capture sharp.
    const int compressed =
        tjCompress2(compressor.get(), pixels.data.get(), pixels.width, pixels.pitch, pixels.height, pixels.pixelFormat,
                    &jpegData, &jpegSize, TJSAMP_444, quality, pixels.rowOrder | TJFLAG_ACCURATEDCT);
    const TurboBuffer jpeg(jpegData);
    if (compressed != 0 || !jpeg || jpegSize == 0)
        return BMP2JPEG_ENCODER_FAILED;
    pixels.data.reset();
    setDensity(jpeg.get(), jpegSize, pixels.xDotsPerInch, pixels.yDotsPerInch);

    // Whether the name is free is settled by the commit alone: a name taken
    // while the picture is written counts as much as one taken before.
    const bool replace = (flags & BMP2JPEG_NO_REPLACE) == 0;
    files::NewFile output;
    if ((error = output.create(folder)) != 0 || (error = output.write(jpeg.get(), jpegSize)) != 0)
        return BMP2JPEG_CANNOT_WRITE;
    error = output.commit(target.name, replace ? files::Commit::Replace : files::Commit::NewOnly);
    if (error == EEXIST && !replace) {
        error = 0;
        return BMP2JPEG_TARGET_EXISTS;
    }
    return error != 0 ? BMP2JPEG_CANNOT_WRITE : BMP2JPEG_OK;
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
