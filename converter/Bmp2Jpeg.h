#ifndef BMP2JPEG_H
#define BMP2JPEG_H

/*
 * Bmp2Jpeg: turns a Windows bitmap file into a JPEG file.
 *
 * The program loads this library at run time from its own folder and resolves
 * "BmpToJpegFromDib", which it calls with its picture as a bitmap in memory
 * and BMP2JPEG_NO_REPLACE; tests may also link it directly.
 *
 * Bitmaps read: BITMAPINFOHEADER (40 bytes), one plane, 24 or 32 bits per
 * pixel, uncompressed (BI_RGB), a positive width, a positive height (rows
 * stored bottom up) or a negative one (top down), rows padded to 4 bytes. The
 * fourth byte of a 32-bit pixel is ignored.
 * Other header kinds (12, 16, 52, 56, 64, 108 and 124 bytes) are recognised
 * and refused as unsupported.
 */

#include <stddef.h>

#if defined(_WIN32) && defined(BMP2JPEG_BUILDING)
#  define BMP2JPEG_API __declspec(dllexport)
#elif defined(_WIN32)
#  define BMP2JPEG_API __declspec(dllimport)
#else
#  define BMP2JPEG_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Largest width or height accepted, in pixels. */
#define BMP2JPEG_MAX_SIDE 32768
/* Largest width times height accepted, in pixels (512 MiB of 32-bit pixels). */
#define BMP2JPEG_MAX_PIXELS (1L << 27)

enum Bmp2JpegResult {
    BMP2JPEG_OK = 0,
    /* A null or empty path, a path ending in '/', quality outside 1..100,
       or the JPEG path naming the bitmap file itself. */
    BMP2JPEG_BAD_ARGUMENTS = 1,
    /* The bitmap file is missing, unreadable or not a regular file. */
    BMP2JPEG_CANNOT_READ = 2,
    /* The file is not a consistent bitmap: wrong magic, short headers,
       zero or negative width, zero height, pixel data beyond the file's end. */
    BMP2JPEG_MALFORMED = 3,
    /* A well-formed bitmap in a layout not read here: other bit depths,
       compressed or bit-field encodings, other header kinds. */
    BMP2JPEG_UNSUPPORTED = 4,
    /* Width, height or pixel count above the limits above. */
    BMP2JPEG_TOO_LARGE = 5,
    /* The JPEG encoder failed. */
    BMP2JPEG_ENCODER_FAILED = 6,
    /* The JPEG file could not be written; an existing file stays as it was. */
    BMP2JPEG_CANNOT_WRITE = 7,
    /* With BMP2JPEG_NO_REPLACE: something (a file, a folder, a link) stands
       at the JPEG path, or appeared there while the picture was written; it
       was left as it was and nothing else was written. */
    BMP2JPEG_TARGET_EXISTS = 8
};

/* Flags of BmpToJpegEx. */
enum Bmp2JpegFlags {
    /* Write only a new file: never replace anything at the JPEG path. */
    BMP2JPEG_NO_REPLACE = 1
};

/*
 * Reads the bitmap at bitmapPath and writes it as a JPEG file at jpegPath,
 * replacing any file there only once the whole picture has been written; a
 * replaced file's permission bits carry over to the new one. Paths are UTF-8
 * (on Windows too, where they are opened with the wide-character calls);
 * quality is 1 (smallest) to 100 (best). Returns one of Bmp2JpegResult.
 * The JPEG carries the bitmap's density (biXPelsPerMeter, biYPelsPerMeter)
 * in dots per inch; a bitmap without one gives a JPEG without units.
 *
 * The bitmap is opened once and read through that one handle; it is never
 * changed. The JPEG's folder is reached without following a symbolic link
 * that another user could have placed (EACCES; see zorvane::files::Folder),
 * and a link at the JPEG path itself is never written through. The picture
 * is written under a hidden name (".zorvane-*.part") in the JPEG's folder and
 * takes the JPEG's name only once it is on the disk; on any failure no new
 * file is left behind, and a part that a killed conversion left there is
 * removed by a later conversion into that folder.
 *
 * On BMP2JPEG_CANNOT_READ and BMP2JPEG_CANNOT_WRITE, errno holds the
 * system's reason (ENOSPC for a full disk, EFBIG beyond the file size limit,
 * ELOOP for a link at the JPEG path when replacing; on Windows the errno value
 * of the same meaning, EIO where there is none); on every other result it is 0.
 */
BMP2JPEG_API int BmpToJpeg(const char* bitmapPath, const char* jpegPath, int quality);

/*
 * BmpToJpeg with flags, a combination of Bmp2JpegFlags; unknown flags are
 * BMP2JPEG_BAD_ARGUMENTS. BmpToJpeg(b, j, q) is BmpToJpegEx(b, j, q, 0).
 */
BMP2JPEG_API int BmpToJpegEx(const char* bitmapPath, const char* jpegPath, int quality, int flags);

/*
 * BmpToJpegEx on a bitmap held in memory as a device-independent bitmap: its
 * BITMAPINFOHEADER (the 40 bytes at info; other header kinds as in a file)
 * and its pixel rows (at least bitsSize bytes at bits, laid out as the header
 * says). Both are read where they lie and never changed; no file is read and
 * no temporary file is written. BMP2JPEG_MALFORMED where a file with these
 * headers would be, or when bitsSize is short of the rows;
 * BMP2JPEG_BAD_ARGUMENTS for a null info or bits.
 */
BMP2JPEG_API int BmpToJpegFromDib(const void* info, const void* bits, size_t bitsSize, const char* jpegPath,
                                  int quality, int flags);

typedef int (*BmpToJpegFunction)(const char* bitmapPath, const char* jpegPath, int quality);
typedef int (*BmpToJpegExFunction)(const char* bitmapPath, const char* jpegPath, int quality, int flags);
typedef int (*BmpToJpegFromDibFunction)(const void* info, const void* bits, size_t bitsSize, const char* jpegPath,
                                        int quality, int flags);

#ifdef __cplusplus
}
#endif

#endif /* BMP2JPEG_H */
