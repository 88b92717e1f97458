// Metafiles that each exercise one record kind on a known picture: raster operations, clip
// regions and compressed bitmaps, in both formats. The tests assert what they must show; the
// renderer comparison (scripts/compare-metafile-renderers) plays them with both players.
//
// Every case draws on a 100 x 100 unit picture (a placeable WMF at 100 units per inch, an EMF
// whose frame covers 100 device pixels), so that rendered at 100 x 100 one unit is one pixel.
#ifndef ZV_SAMPLES_METAFILE_CASES_H
#define ZV_SAMPLES_METAFILE_CASES_H

#include "metafile/metafile_writer.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zv::samples {

enum class MetafileFormat { Wmf, Emf };

// The colours the cases combine, as 0x00RRGGBB so that bitwise results read directly.
constexpr uint32_t kCaseDestination = 0x3399CC;
constexpr uint32_t kCasePattern = 0xF0550F;
constexpr uint32_t kCaseSourceLeft = 0xA0C0E0;
constexpr uint32_t kCaseSourceRight = 0x0F3C78;

// The destination fills the picture; then, with binary raster operation `mode` (1..16), a
// rectangle (20,20)-(80,50) is filled with the pattern colour and a 10-unit line from (20,70)
// to (80,70) is drawn in it.
std::vector<uint8_t> Rop2Case(MetafileFormat format, int mode);

// The shapes of the shape cases: a rectangle, an ellipse in a box, a rounded rectangle with
// 16-unit corners and a triangle.
constexpr IntRect kShapeRectangle{10, 10, 50, 50};
constexpr IntRect kShapeEllipse{55, 10, 95, 50};
constexpr IntRect kShapeRoundRect{10, 55, 50, 95};
constexpr int kShapeCorner = 16;
inline const std::vector<IntPoint> kShapeTriangle = {{55, 55}, {95, 55}, {55, 95}};

// The destination fills the picture; then, with binary raster operation `mode`, the shapes
// above are filled with the pattern colour's brush while the null pen is selected.
std::vector<uint8_t> NullPenShapesCase(MetafileFormat format, int mode);

// The same, outlined with a one-unit pen of kCaseSourceRight.
std::vector<uint8_t> ThinOutlineShapesCase(MetafileFormat format, int mode);

// Over the destination, the pattern colour's brush fills a chord of the ellipse in
// (10,10)-(50,50) and a pie of the one in (55,10)-(95,50), with the null pen or outlined with a
// one-unit pen of kCaseSourceRight.
std::vector<uint8_t> ChordPieCase(MetafileFormat format, bool outlined);

// One-unit pen lines of the pattern colour over the destination with binary raster operation
// `mode`, each from a move to a line-to: across, back across, down, two diagonals (one more
// across than down, one more down than across); then a polyline with two corners.
inline const std::vector<std::pair<IntPoint, IntPoint>> kThinLines = {
    {{10, 20}, {60, 20}}, {{60, 30}, {10, 30}}, {{80, 10}, {80, 60}},
    {{10, 40}, {60, 65}}, {{20, 70}, {35, 95}}};
inline const std::vector<IntPoint> kThinPolyline = {{50, 75}, {90, 75}, {90, 95}, {60, 95}};
std::vector<uint8_t> ThinLinesCase(MetafileFormat format, int mode);

// The destination fills the picture; then the pattern colour's brush is selected and a blit
// with raster operation `rop` covers (20,20)-(80,80). A source, when the operation uses one,
// is a bitmap whose left half is kCaseSourceLeft and right half kCaseSourceRight.
std::vector<uint8_t> RopBlitCase(MetafileFormat format, uint32_t rop);

// PATINVERT with a diagonal-cross hatched brush of the pattern colour over the destination:
// where the hatch's lines and gaps fall.
std::vector<uint8_t> HatchedPatternCase(MetafileFormat format);

// The transparent-blit idiom over the destination, with a null brush selected: a mask (black
// square (40,40)-(60,60) on white) blitted with SRCAND, then an image (the pattern colour on
// black) with SRCPAINT.
std::vector<uint8_t> TransparentBlitCase(MetafileFormat format);

// Region clips: region A is (10,10)-(60,60), region B (40,40)-(90,90); the clip becomes A,
// then is combined with B by `mode` (1 and, 2 or, 3 xor, 4 diff, 5 copy), then the whole
// picture is filled with the pattern colour.
std::vector<uint8_t> RegionCombineCase(MetafileFormat format, int mode);

// A region of the shape's scanline rectangles (0 ellipse, 1 rounded rectangle, 2 triangle)
// inside (20,20)-(80,80) selected as the clip, then the picture filled.
std::vector<uint8_t> RegionShapeCase(MetafileFormat format, int shape);

// Region painting over the destination with the ellipse's scanlines (shape 0 below): kind 0
// fills with a brush object of the pattern colour, 1 paints with that brush selected, 2
// inverts.
std::vector<uint8_t> RegionPaintCase(MetafileFormat format, int kind);

// A region of `rects` framed over the destination with a brush object of colour `rgb`:
// `width` units thick on the left and right edges, `height` on the top and bottom.
std::vector<uint8_t> RegionFrameCase(MetafileFormat format, const std::vector<IntRect>& rects, int width,
                                     int height, uint32_t rgb = kCasePattern);

// Region A selected as the clip, moved by (30,30), then the picture filled.
std::vector<uint8_t> OffsetClipCase(MetafileFormat format);

// Clip A; SaveDC; the clip combined with B by or; RestoreDC; then the picture filled: only A.
std::vector<uint8_t> RestoreClipCase(MetafileFormat format);

// A 4 x 4 bitmap (left half kCaseSourceLeft, right half kCaseSourceRight) stored with
// `compression`, stretched over (20,20)-(80,80).
std::vector<uint8_t> CompressedBitmapCase(MetafileFormat format, DibCompression compression);

// A packed bitmap stretched over (20,20)-(80,80) from its 4 x 4 pixels.
std::vector<uint8_t> StretchedDibCase(MetafileFormat format, const std::vector<uint8_t>& dib);

// The scanline rectangles of one of the region shapes above.
std::vector<IntRect> RegionShapeRects(int shape);

struct MetafileCase {
    std::string name;  // file name with extension
    std::vector<uint8_t> bytes;
};

// Every case above, in both formats.
std::vector<MetafileCase> MetafileCases();

} // namespace zv::samples

#endif
