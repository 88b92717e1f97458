// Raster operations computed on pixels: where a shape's coverage (a mask of 0..255 per pixel)
// meets the image, the brush, an optional source bitmap and the pixel under it combine by a
// ternary code, blended by the coverage. The cairo canvas uses it for everything cairo has no
// operator for, and for one-pixel pens.
#ifndef ZV_IMAGING_METAFILE_CAIRO_PIXELS_H
#define ZV_IMAGING_METAFILE_CAIRO_PIXELS_H

#include "imaging/metafile/drawing/canvas.h"

#include <cstdint>
#include <optional>

namespace zv::imaging::metafile {

inline constexpr int kHatchSize = 8;

// How a raster operation combines: its code, the brush as pattern, and an optional source
// bitmap with the map from output pixels into it.
struct Combination {
    uint8_t rop = kRop3SourceCopy;
    const FillStyle& pattern;
    const Bitmap* source = nullptr;
    Affine outputToSource;
};

// Whole pixels [left, right) x [top, bottom).
struct PixelBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
};

// The pixels that output-space `bounds` touches, within a width x height image.
PixelBox BoxWithin(const Rect& bounds, int width, int height);

// A colour as a cairo RGB24 pixel.
uint32_t PackColor(Color color);
// Whether hatch style `hatch` sets pixel (x, y) of its 8 x 8 tile.
bool HatchCovers(uint32_t hatch, int x, int y);
// The brush's colour at an output pixel, anchored at the output's origin like the painted
// brushes; none where a hatch leaves its gaps transparent or the brush is null.
std::optional<uint32_t> PatternAt(const FillStyle& style, int x, int y);

// Combines the RGB24 `pixels` (rows of `stride` bytes, the whole image) within `box` by `how`
// wherever `coverage` (the box's rows of `coverageStride` bytes) is not zero.
void CombinePixels(const PixelBox& box, const unsigned char* coverage, int coverageStride,
                   unsigned char* pixels, int stride, const Combination& how);

} // namespace zv::imaging::metafile

#endif
