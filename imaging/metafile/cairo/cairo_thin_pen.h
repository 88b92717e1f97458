// One-pixel pens as the system draws them: no anti-aliasing, each line stepped from pixel to
// pixel between its end points rounded to whole pixels, its last pixel left out so that the
// lines of a figure meet without a pixel set twice (which an inverting raster operation would
// undo). A point (x, y) of the path names pixel (round(x), round(y)). A curve sets, for every
// whole coordinate along the axis it runs more along, the pixel nearest to it, halves towards
// the inside of its bend; a line meeting a curve ends on the curve's own end pixel.
#ifndef ZV_IMAGING_METAFILE_CAIRO_THIN_PEN_H
#define ZV_IMAGING_METAFILE_CAIRO_THIN_PEN_H

#include "imaging/metafile/cairo/cairo_pixels.h"
#include "imaging/metafile/drawing/geometry.h"

#include <cstdint>
#include <vector>

namespace zv::imaging::metafile {

// Whether a pen of this width in output pixels is drawn as a one-pixel pen.
bool IsThinPen(double width);

// The pixels within `box` that a one-pixel pen sets along `path` (curves flattened), as a
// coverage of 0 or 255 per pixel: the box's rows, `stride` bytes apart. `dashes` (lengths in
// pixels, on then off; empty: solid) count the pixels stepped along the whole path.
std::vector<uint8_t> ThinPenCoverage(const Path& path, const std::vector<double>& dashes, const PixelBox& box,
                                     int stride);

} // namespace zv::imaging::metafile

#endif
