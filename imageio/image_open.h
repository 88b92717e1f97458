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

// As OpenImageFile, for a host that will fit the image into maxWidth x maxHeight: a JPEG may
// come out smaller than its full size, never smaller than that fit needs; a metafile renders
// at maxWidth x maxHeight; anything else opens at full size. A side of 0 or less opens every
// file at full size.
int32_t OpenImageFileForSize(const char* path, uint8_t** rgbOut, int32_t* width, int32_t* height,
                             int32_t maxWidth, int32_t maxHeight);

} // namespace zv::imageio

#endif
