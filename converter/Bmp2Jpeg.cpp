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
    // The rows: in `owned` when read from a file, else in the caller's memory.
    std::unique_ptr<unsigned char[]> owned;
    const unsigned char* data = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0;  // bytes per stored row, padding included
    int pixelFormat = TJPF_UNKNOWN;
    int rowOrder = 0;      // TJFLAG_BOTTOMUP, or 0 for rows top down
    int xDotsPerInch = 0;  // 0: unknown
    int yDotsPerInch = 0;
};

// Reads what a BITMAPINFOHEADER (the 40 bytes at info) says of the pixel
// rows into pixels, all but where they lie, and checks it against the
// limits; pixelBytes receives the size of the rows.
int readInfoHeader(const unsigned char* info, PixelBuffer& pixels, std::uint64_t& pixelBytes)
{
    // The offsets count from the start of a file, where the info header
    // follows the file header.
    const auto field = [info](std::size_t offsetInFile) { return info + offsetInFile - kFileHeaderSize; };
    const std::int32_t width = readLe32Signed(field(kOffWidth));
    const std::int32_t height = readLe32Signed(field(kOffHeight));
    const std::uint16_t planes = readLe16(field(kOffPlanes));
    const std::uint16_t bitCount = readLe16(field(kOffBitCount));
    const std::uint32_t compression = readLe32(field(kOffCompression));

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
    pixelBytes = rowBytes * static_cast<std::uint64_t>(rows);
    pixels.width = width;
    pixels.height = static_cast<int>(rows);
    pixels.rowOrder = height < 0 ? 0 : TJFLAG_BOTTOMUP;
    pixels.pitch = static_cast<int>(rowBytes);
    pixels.pixelFormat = bitCount == 24 ? TJPF_BGR : TJPF_BGRX;
    pixels.xDotsPerInch = dotsPerInch(readLe32Signed(field(kOffXPelsPerMeter)));
    pixels.yDotsPerInch = dotsPerInch(readLe32Signed(field(kOffYPelsPerMeter)));
    return BMP2JPEG_OK;
}

// The result for an info header of infoSize bytes that is not the 40-byte
// one read here; BMP2JPEG_OK for that one.
int infoHeaderKind(std::uint32_t infoSize)
{
    if (infoSize == kInfoHeaderSize)
        return BMP2JPEG_OK;
    return isOtherKnownHeaderSize(infoSize) ? BMP2JPEG_UNSUPPORTED : BMP2JPEG_MALFORMED;
}

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
    if (const int kind = infoHeaderKind(infoSize); kind == BMP2JPEG_MALFORMED)
        return kind;
    if (fileSize < kFileHeaderSize + infoSize)
        return BMP2JPEG_MALFORMED;
    if (const int kind = infoHeaderKind(infoSize); kind != BMP2JPEG_OK)
        return kind;

    std::uint64_t pixelBytes = 0;
    if (const int read = readInfoHeader(header + kFileHeaderSize, pixels, pixelBytes); read != BMP2JPEG_OK)
        return read;
    const std::uint64_t pixelOffset = readLe32(header + kOffPixelData);
    if (pixelOffset < kHeadersSize || pixelOffset + pixelBytes > fileSize)
        return BMP2JPEG_MALFORMED;

    pixels.owned.reset(new (std::nothrow) unsigned char[static_cast<std::size_t>(pixelBytes)]);
    if (!pixels.owned) {
        error = ENOMEM;
        return BMP2JPEG_CANNOT_READ;
    }
    pixels.data = pixels.owned.get();
    if (const int read = file.readAt(pixels.owned.get(), static_cast<std::size_t>(pixelBytes), pixelOffset); read != 0)
        return failedRead(read);
    return BMP2JPEG_OK;
}

// The same checks of a bitmap in memory: its info header at info, its rows,
// used where they lie, at bits.
int readDib(const unsigned char* info, const unsigned char* bits, std::size_t bitsSize, PixelBuffer& pixels)
{
    if (const int kind = infoHeaderKind(readLe32(info)); kind != BMP2JPEG_OK)
        return kind;
    std::uint64_t pixelBytes = 0;
    if (const int read = readInfoHeader(info, pixels, pixelBytes); read != BMP2JPEG_OK)
        return read;
    if (pixelBytes > bitsSize)
        return BMP2JPEG_MALFORMED;
    pixels.data = bits;
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

bool argumentsValid(const char* jpegPath, int quality, int flags)
{
    return jpegPath != nullptr && quality >= 1 && quality <= 100 && (flags & ~BMP2JPEG_NO_REPLACE) == 0
           && !files::splitPath(jpegPath).name.empty();
}

// Encodes the pixels and writes them as the JPEG at jpegPath; bitmap, when
// the pixels came from a file, must not be that JPEG. error receives the
// system's reason with BMP2JPEG_CANNOT_WRITE.
int writeJpeg(PixelBuffer& pixels, const char* jpegPath, int quality, int flags, const files::InputFile* bitmap,
              int& error)
{
    const files::PathParts target = files::splitPath(jpegPath);
    files::Folder folder;
    if ((error = folder.open(target.folder)) != 0)
        return BMP2JPEG_CANNOT_WRITE;
    if (bitmap && folder.holds(target.name, bitmap->identity()))
        return BMP2JPEG_BAD_ARGUMENTS;

    // Full-resolution colour keeps the thin coloured text of a window capture sharp.
    constexpr int subsampling = TJSAMP_444;
    const TurboHandle compressor(tjInitCompress());
    // The largest JPEG the picture can give, so that the encoder never has to
    // grow its buffer (and copy what it wrote) on the way.
    unsigned long jpegSize = tjBufSize(pixels.width, pixels.height, subsampling);
    const TurboBuffer jpeg(jpegSize != static_cast<unsigned long>(-1) ? tjAlloc(static_cast<int>(jpegSize)) : nullptr);
    if (!compressor || !jpeg)
        return BMP2JPEG_ENCODER_FAILED;
    unsigned char* jpegData = jpeg.get();
    const int compressed = tjCompress2(compressor.get(), pixels.data, pixels.width, pixels.pitch, pixels.height,
                                       pixels.pixelFormat, &jpegData, &jpegSize, subsampling, quality,
                                       pixels.rowOrder | TJFLAG_ACCURATEDCT | TJFLAG_NOREALLOC);
    if (compressed != 0 || jpegSize == 0)
        return BMP2JPEG_ENCODER_FAILED;
    pixels.owned.reset();
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

// error receives the system's reason with BMP2JPEG_CANNOT_READ and
// BMP2JPEG_CANNOT_WRITE.
int convertFile(const char* bitmapPath, const char* jpegPath, int quality, int flags, int& error)
{
    if (bitmapPath == nullptr || files::splitPath(bitmapPath).name.empty() || !argumentsValid(jpegPath, quality, flags))
        return BMP2JPEG_BAD_ARGUMENTS;
    files::InputFile bitmap;
    if ((error = bitmap.open(bitmapPath)) != 0)
        return BMP2JPEG_CANNOT_READ;
    PixelBuffer pixels;
    if (const int read = readBitmap(bitmap, pixels, error); read != BMP2JPEG_OK)
        return read;
    return writeJpeg(pixels, jpegPath, quality, flags, &bitmap, error);
}

int convertDib(const void* info, const void* bits, std::size_t bitsSize, const char* jpegPath, int quality, int flags,
               int& error)
{
    if (info == nullptr || bits == nullptr || !argumentsValid(jpegPath, quality, flags))
        return BMP2JPEG_BAD_ARGUMENTS;
    PixelBuffer pixels;
    if (const int read =
            readDib(static_cast<const unsigned char*>(info), static_cast<const unsigned char*>(bits), bitsSize, pixels);
        read != BMP2JPEG_OK)
        return read;
    return writeJpeg(pixels, jpegPath, quality, flags, nullptr, error);
}

// Runs a conversion, leaving its reason in errno as the header promises.
template <typename Conversion>
int reportingErrno(Conversion conversion)
{
    int error = 0;
    int result = BMP2JPEG_CANNOT_WRITE;
    try {
        result = conversion(error);
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
    return reportingErrno([&](int& error) { return convertFile(bitmapPath, jpegPath, quality, 0, error); });
}

extern "C" BMP2JPEG_API int BmpToJpegEx(const char* bitmapPath, const char* jpegPath, int quality, int flags)
{
    return reportingErrno([&](int& error) { return convertFile(bitmapPath, jpegPath, quality, flags, error); });
}

extern "C" BMP2JPEG_API int BmpToJpegFromDib(const void* info, const void* bits, size_t bitsSize, const char* jpegPath,
                                             int quality, int flags)
{
    return reportingErrno(
        [&](int& error) { return convertDib(info, bits, bitsSize, jpegPath, quality, flags, error); });
}
