// The imaging library's error codes and the one table that maps what went wrong, per format,
// to the code a host reads with IS40_GetLastError.
#ifndef ZV_IMAGING_ERRORS_H
#define ZV_IMAGING_ERRORS_H

#include <cstdint>

namespace zv::imaging {

enum ErrorCode : uint32_t {
    kErrNone = 0,
    kErrOutOfMemory = 1,
    kErrFileOpen = 2,
    kErrFileRead = 3,
    kErrBadParameter = 5,
    kErrBadBMP = 6,
    kErrRLEUnsupported = 7,
    kErrBadJPG = 9,
    kErrBadGIF = 12,
    kErrInvalidPNG = 15,
    kErrPNGInternal = 16,
    kErrUnexpected = 17,
    kErrTIFFInternal = 19,
    kErrInvalidTIFF = 20,
    kErrInvalidPCX = 22,
    kErrInvalidMetafile = 27,
    kErrWrongBitDepth = 28,
    kErrInvalidTGA = 32,
    kErrNotSupported = 45,
    kErrInvalidPSD = 46,
    kErrPSDUnsupported = 47,
    kErrInvalidPhotoCD = 63,
    kErrZlib = 70,
};

enum class Format { Jpeg, Png, Tiff, Gif, Bmp, Tga, Pcx, Psd, Pcd, Metafile, Raw, Pixels };

enum class Problem {
    CannotOpen,   // the file is missing or unreadable
    Truncated,    // the data ends before the image does
    Corrupt,      // the data is not a valid file of the format
    Unsupported,  // a valid file of a variant this library does not decode
    TooLarge,     // the image needs more memory than the allocation limit allows
    OutOfMemory,  // an allocation failed
    BadArgument,  // the caller passed something unusable
};

// The code that a problem with a format reports.
ErrorCode CodeFor(Format format, Problem problem);

// Sets the calling thread's last error.
void SetLastError(uint32_t code);
// Sets the last error to CodeFor(format, problem). Returns null so readers can `return Fail(...)`.
std::nullptr_t Fail(Format format, Problem problem);

} // namespace zv::imaging

#endif
