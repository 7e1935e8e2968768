#pragma once

// The Windows bitmap files the converter reads: a BITMAPFILEHEADER (14
// bytes), then a BITMAPINFOHEADER (40 bytes), every field little-endian, at
// these byte offsets from the start of the file. C++ only, for the converter
// and for the program that writes its bitmaps.

#include <cstddef>
#include <cstdint>

namespace bitmapfile {

inline constexpr std::size_t kFileHeaderSize = 14;
inline constexpr std::uint32_t kInfoHeaderSize = 40;
inline constexpr std::size_t kHeadersSize = kFileHeaderSize + kInfoHeaderSize;

inline constexpr std::size_t kOffMagic = 0;  // "BM"
inline constexpr std::size_t kOffFileSize = 2;
inline constexpr std::size_t kOffPixelData = 10;
inline constexpr std::size_t kOffInfoSize = 14;
inline constexpr std::size_t kOffWidth = 18;
inline constexpr std::size_t kOffHeight = 22;  // negative: rows top down
inline constexpr std::size_t kOffPlanes = 26;
inline constexpr std::size_t kOffBitCount = 28;
inline constexpr std::size_t kOffCompression = 30;
inline constexpr std::size_t kOffImageSize = 34;
inline constexpr std::size_t kOffXPelsPerMeter = 38;
inline constexpr std::size_t kOffYPelsPerMeter = 42;

inline constexpr std::uint32_t kCompressionNone = 0;  // BI_RGB

}  // namespace bitmapfile
