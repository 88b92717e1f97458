// Turning RGB pixels to their display orientation: the eight values of the EXIF Orientation tag.
#ifndef ZV_IMAGING_ORIENT_H
#define ZV_IMAGING_ORIENT_H

#include <cstdint>

namespace zv::imaging {

// Writes width x height RGB pixels (rows of width*3 bytes, no padding) into `target` turned as
// `orientation` 1..8 says; 5 to 8 give height x width pixels. Orientations 1 to 4 may work in
// place (target == source); otherwise the buffers must not overlap. Returns false with error 5
// for a null buffer, a zero side, an orientation outside 1..8, a size no buffer can have, or
// buffers that overlap where they may not.
bool OrientPixels(const uint8_t* source, uint32_t width, uint32_t height, int orientation, uint8_t* target);

// The same with a chosen square tile side (in pixels) for the transposing orientations 5 to 8,
// so that tile sizes can be measured against each other. `tile` is 8, 16, 32 or 64; any other
// value uses the default (64).
bool OrientPixelsWithTile(const uint8_t* source, uint32_t width, uint32_t height, int orientation,
                          uint8_t* target, uint32_t tile);

} // namespace zv::imaging

#endif
