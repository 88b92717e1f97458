// What a record asks for, read out of either format into one typed description: 16-bit WMF
// and 32-bit EMF values land in the same fields. Record readers (records/formats/) fill these;
// the calls (calls.h) hand them to the player. Nothing here points into a file except the
// bytes of an ANSI string, which live as long as the record being played.
#ifndef ZV_IMAGING_METAFILE_DESCRIPTIONS_H
#define ZV_IMAGING_METAFILE_DESCRIPTIONS_H

#include "imaging/metafile/drawing/dc.h"
#include "imaging/metafile/drawing/dib.h"
#include "imaging/metafile/drawing/geometry.h"
#include "imaging/metafile/player/player.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zv::imaging::metafile {

// A record without parameters (SaveDC, BeginPath, ...).
struct NoParameters {};

// A mode, an alignment, a level, an object slot.
struct ValueRecord {
    uint32_t value = 0;
};

struct ColourRecord {
    Color colour;
};

// An origin, an extent, a position or a distance, in logical units.
struct PointRecord {
    Point point;
};

struct RectRecord {
    Rect rect;
};

// ScaleWindowExt and ScaleViewportExt: x numerator, x denominator, y numerator, y denominator.
struct ScaleRecord {
    std::array<double, 4> factors{};
};

// SetWorldTransform (mode 4, replace) and ModifyWorldTransform.
struct TransformRecord {
    Affine transform;
    uint32_t mode = 4;
};

// Object creation: the slot (-1: the lowest free one, as WMF objects take) and the object.
struct PenRecord {
    int64_t index = -1;
    Pen pen;
};

struct BrushRecord {
    int64_t index = -1;
    Brush brush;
};

struct FontRecord {
    int64_t index = -1;
    Font font;
};

// An object that takes a slot but draws nothing (palettes).
struct OtherObjectRecord {
    int64_t index = -1;
};

// Rectangle, ellipse, rounded rectangle and the arc family: the box, the rounded corner's
// width and height, and the rays the arc starts and ends on.
struct ShapeRecord {
    Rect box;
    Point corner;
    Point start;
    Point end;
};

struct PixelRecord {
    Point at;
    Color colour;
};

struct AngleArcRecord {
    Point centre;
    double radius = 0;
    double startDegrees = 0;
    double sweepDegrees = 0;
};

struct PolyRecord {
    std::vector<Point> points;
};

struct PolyPolyRecord {
    std::vector<std::vector<Point>> figures;
};

// Text: decoded already (UTF-16), or ANSI bytes decoded when played, in the code page of the
// font selected then.
struct TextRecord {
    TextOutput output;
    const uint8_t* ansi = nullptr;
    size_t ansiCount = 0;
};

// A blit with its bitmap (or without one: the brush or a constant colour). `skip` marks a
// bitmap of a kind not drawn here: the record draws nothing and the picture goes on.
struct BlitRecord {
    BitmapBlit blit;
    Bitmap bitmap;
    bool hasBitmap = false;
    bool skip = false;
};

// A region object made of rectangles in logical units (WMF).
struct RegionRecord {
    std::vector<Rect> logicalRects;
};

// A region selected into the clip: rectangles in device units, combined by `mode`.
struct ClipRegionRecord {
    std::vector<Rect> deviceRects;
    uint32_t mode = 0;
};

// Region painting. The region is an object (WMF, `regionObject` >= 0) or rectangles in
// device units (EMF); the brush an object (Fill, Frame) or the selected one (Paint). Frames
// are `frameWidth` device units thick on the left and right edges, `frameHeight` on the top
// and bottom.
enum class RegionPaint { Fill, Frame, Paint, Invert };

struct RegionPaintRecord {
    RegionPaint kind = RegionPaint::Paint;
    int64_t regionObject = -1;
    std::vector<Rect> deviceRects;
    int64_t brushObject = -1;
    double frameWidth = 0;
    double frameHeight = 0;
};

} // namespace zv::imaging::metafile

#endif
