// The drawing operations that metafile records ask for, independent of how a record stores
// them: lines, shapes, path brackets, text, bitmaps and clipping, in logical units. The player
// maps them through the device context into output pixels, applies the selected pen, brush and
// font, and hands the result to a canvas.
#ifndef ZV_IMAGING_METAFILE_PLAYER_H
#define ZV_IMAGING_METAFILE_PLAYER_H

#include "imaging/metafile/drawing/canvas.h"
#include "imaging/metafile/drawing/dc.h"
#include "imaging/metafile/drawing/dib.h"
#include "imaging/metafile/drawing/geometry.h"
#include "imaging/metafile/drawing/pixel_rules.h"
#include "imaging/metafile/drawing/text.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zv::imaging::metafile {

// Text alignment bits.
inline constexpr uint32_t kAlignUpdateCurrentPosition = 1;
inline constexpr uint32_t kAlignRight = 2;
inline constexpr uint32_t kAlignCentre = 6;
inline constexpr uint32_t kAlignBottom = 8;
inline constexpr uint32_t kAlignBaseline = 24;
// Text output options.
inline constexpr uint32_t kTextOpaque = 2;
inline constexpr uint32_t kTextClipped = 4;
// Clip combination modes.
inline constexpr uint32_t kRegionAnd = 1;
inline constexpr uint32_t kRegionOr = 2;
inline constexpr uint32_t kRegionXor = 3;
inline constexpr uint32_t kRegionDiff = 4;
inline constexpr uint32_t kRegionCopy = 5;

struct TextOutput {
    Point reference;            // logical
    std::u32string text;
    std::vector<double> dx;     // logical advance of each character; ignored unless one per character
    uint32_t options = 0;
    std::optional<Rect> rect;   // logical; for the opaque and clipped options
};

struct BitmapBlit {
    Rect dest;                  // logical; reversed edges mirror the bitmap
    double srcX = 0;            // bitmap pixels, measured from the top row
    double srcY = 0;
    double srcWidth = 0;
    double srcHeight = 0;
    const Bitmap* bitmap = nullptr;  // null: the operation uses the brush or a constant colour
    uint32_t rasterOp = 0x00CC0020;  // SRCCOPY
};

class Player {
public:
    Player(DeviceContext& dc, Canvas& canvas, FontResolver& fonts);

    DeviceContext& Dc() { return dc_; }
    // True once the canvas stopped accepting work; playing further records is pointless.
    bool Stopped() const { return canvas_.Exhausted(); }

    void MoveTo(Point p);
    void LineTo(Point p);
    void Polyline(const std::vector<Point>& points);
    void PolylineTo(const std::vector<Point>& points);
    void PolyBezier(const std::vector<Point>& points);
    void PolyBezierTo(const std::vector<Point>& points);
    void Polygon(const std::vector<Point>& points);
    void PolyPolygon(const std::vector<std::vector<Point>>& polygons);
    void PolyPolyline(const std::vector<std::vector<Point>>& polylines);
    void Rectangle(const Rect& rect);
    void RoundRect(const Rect& rect, double cornerWidth, double cornerHeight);
    void Ellipse(const Rect& box);
    void Arc(const Rect& box, Point start, Point end, ArcKind kind);
    void ArcTo(const Rect& box, Point start, Point end);
    void AngleArc(Point centre, double radius, double startDegrees, double sweepDegrees);
    void SetPixel(Point p, Color color);
    void Text(const TextOutput& text);
    void Blit(const BitmapBlit& blit);

    void BeginPath();
    void EndPath();
    void AbortPath();
    void CloseFigure();
    void FillPath();
    void StrokePath();
    void StrokeAndFillPath();
    void SelectClipPath(uint32_t mode);

    void IntersectClipRect(const Rect& rect);
    void ExcludeClipRect(const Rect& rect);
    // Region objects: rectangles in the metafile's device units, or (old-style region objects)
    // in logical units through the current page map, made into output pixels.
    Region DeviceRegion(const std::vector<Rect>& deviceRects) const;
    Region LogicalRegion(const std::vector<Rect>& logicalRects) const;
    // Combines the clip with a region's area (null: empty, which kRegionCopy makes no clip).
    void SelectClipArea(const std::shared_ptr<const Path>& area, uint32_t mode);
    // Region painting: fills a region's area with a brush (under the binary raster operation,
    // like any fill), or inverts what lies under it.
    void PaintArea(const std::shared_ptr<const Path>& area, const Brush& brush);
    void InvertArea(const std::shared_ptr<const Path>& area);
    // Paints the border of a region with a brush as a fill: `width` device units thick on its
    // left and right edges, `height` on its top and bottom, inside the region.
    void FrameRegion(const Region& region, const Brush& brush, double width, double height);
    // Moves the clip by a distance in logical units.
    void OffsetClip(Point logicalDelta);

private:
    // Fills and/or strokes a figure given in logical units, or adds it to an open path.
    void Draw(const Path& logical, bool fill, bool stroke);
    // Draws a shape that `build` makes in a logical box where the system's drawing puts its
    // pixels (drawing/pixel_rules.h).
    void DrawBoxShape(BoxShape shape, const Rect& box, const std::function<void(Path*, const Rect&)>& build);
    void FillOutput(const Path& output, const FillStyle& style);
    FillStyle CurrentFill() const;
    std::optional<StrokeStyle> CurrentStroke() const;
    bool IncreasingArcAngle() const;
    void CombineClip(const std::shared_ptr<const Path>& output, bool evenOdd, uint32_t mode);
    double FontSizePx(const Affine& toOutput, const FontRequest& request);

    DeviceContext& dc_;
    Canvas& canvas_;
    FontResolver& fonts_;
    bool inPath_ = false;
    Path openPath_;       // being recorded, output pixels
    Path closedPath_;     // finished by EndPath, waiting to be used
    uint64_t frameWork_ = 0;  // spent on framing regions
};

} // namespace zv::imaging::metafile

#endif
