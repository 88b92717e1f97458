// Opening an image file into a new RGB buffer that the host owns.
#ifndef ZV_IMAGEIO_IMAGE_OPEN_H
#define ZV_IMAGEIO_IMAGE_OPEN_H

#include <cstdint>

namespace zv::imageio {

// Decodes `path` with the reader its extension key (imagetype::ExtensionKey) selects. On success (1) *rgbOut receives
// a width*height*3 buffer from new[] and *width, *height the size; on failure (0) nothing is
// written. A failed buffer allocation shows the out-of-memory message box.
int32_t OpenImageFile(const char* path, uint8_t** rgbOut, int32_t* width, int32_t* height,
                      double pngGamma, int32_t metaWidth, int32_t metaHeight);

} // namespace zv::imageio

#endif
