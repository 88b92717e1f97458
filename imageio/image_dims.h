// Measuring image files without handing out pixels, and passing camera data of RAW files
// through to the host.
#ifndef ZV_IMAGEIO_IMAGE_DIMS_H
#define ZV_IMAGEIO_IMAGE_DIMS_H

#include <cstdint>

namespace zv::imageio {

// Width, height, bits per pixel and the 20-byte info block of `path`, chosen by its
// extension key. The out-values are written whenever the file could be opened; the result
// is the measuring step's own (non-zero on success), 0 when none ran.
int32_t GetImageDims(const char* path, int32_t* width, int32_t* height, int32_t* bitsPerPixel,
                     void* info);

// The camera-RAW measurement of `path`, its nine out-arguments passed through unchanged.
// 0 when the file can't be opened or is not named as a RAW file.
int32_t GetRawInfo(const char* path, int32_t* width, int32_t* height, char* rawBufferA,
                   char* rawBufferB, double* rawValue1, double* rawValue2, double* rawValue3,
                   double* rawValue4, int32_t rawOption);

} // namespace zv::imageio

#endif
