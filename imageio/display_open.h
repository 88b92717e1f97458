// Opening an image as it is meant to be seen: turned upright by its EXIF orientation and
// converted from its embedded profile to sRGB.
#ifndef ZV_IMAGEIO_DISPLAY_OPEN_H
#define ZV_IMAGEIO_DISPLAY_OPEN_H

#include <cstdint>

namespace zv::imageio {

inline constexpr uint32_t kOpenUpright = 1;  // ZV_OPEN_UPRIGHT
inline constexpr uint32_t kOpenSrgb = 2;     // ZV_OPEN_SRGB

// OpenImageFileForSize, then the turn and the conversion `options` ask for. With kOpenUpright
// the box is for the displayed picture: a picture stored on its side opens for the box turned
// with it. Results and buffer ownership as OpenImageFileForSize.
int32_t OpenImageFileForDisplay(const char* path, uint8_t** rgbOut, int32_t* width, int32_t* height,
                                int32_t maxWidth, int32_t maxHeight, uint32_t options);

} // namespace zv::imageio

#endif
