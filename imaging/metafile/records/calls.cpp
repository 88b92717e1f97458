#include "imaging/metafile/records/calls.h"

#include "imaging/metafile/drawing/text.h"

#include <bit>
#include <cmath>

namespace zv::imaging::metafile::calls {
namespace {

constexpr uint32_t kStockObject = 0x80000000u;

DcState& State(Player& player)
{
    return player.Dc().MutableState();
}

} // namespace

void BkMode(Player& player, const ValueRecord& record)
{
    State(player).opaqueBackground = record.value == 2;
}

void MapMode(Player& player, const ValueRecord& record)
{
    player.Dc().SetMapMode(static_cast<int>(record.value));
}

void Rop2(Player& player, const ValueRecord& record)
{
    State(player).rop2 = SanitizedRop2(record.value);
}

void PolyFillMode(Player& player, const ValueRecord& record)
{
    State(player).windingFill = record.value == 2;
}

void TextAlign(Player& player, const ValueRecord& record)
{
    State(player).textAlign = record.value;
}

void ArcDirection(Player& player, const ValueRecord& record)
{
    State(player).clockwiseArcs = record.value == 2;
}

void MiterLimit(Player& player, const ValueRecord& record)
{
    // Written as an integer by most programs and as a float by some.
    const uint32_t value = record.value;
    const double asFloat = std::bit_cast<float>(value);
    State(player).miterLimit = value <= 1000 ? value : (std::isfinite(asFloat) ? asFloat : 10.0);
}

void BkColor(Player& player, const ColourRecord& record)
{
    State(player).backgroundColor = record.colour;
}

void TextColor(Player& player, const ColourRecord& record)
{
    State(player).textColor = record.colour;
}

void WindowOrg(Player& player, const PointRecord& record)
{
    player.Dc().SetWindowOrg(record.point);
}

void WindowExt(Player& player, const PointRecord& record)
{
    player.Dc().SetWindowExt(record.point);
}

void ViewportOrg(Player& player, const PointRecord& record)
{
    player.Dc().SetViewportOrg(record.point);
}

void ViewportExt(Player& player, const PointRecord& record)
{
    player.Dc().SetViewportExt(record.point);
}

void OffsetWindowOrg(Player& player, const PointRecord& record)
{
    player.Dc().OffsetWindowOrg(record.point);
}

void OffsetViewportOrg(Player& player, const PointRecord& record)
{
    player.Dc().OffsetViewportOrg(record.point);
}

void ScaleWindowExt(Player& player, const ScaleRecord& record)
{
    const auto& f = record.factors;
    player.Dc().ScaleWindowExt(f[0], f[1], f[2], f[3]);
}

void ScaleViewportExt(Player& player, const ScaleRecord& record)
{
    const auto& f = record.factors;
    player.Dc().ScaleViewportExt(f[0], f[1], f[2], f[3]);
}

void SetWorldTransform(Player& player, const TransformRecord& record)
{
    player.Dc().SetWorldTransform(record.transform);
}

void ModifyWorldTransform(Player& player, const TransformRecord& record)
{
    player.Dc().ModifyWorldTransform(record.transform, record.mode);
}

void SaveDc(Player& player, const NoParameters&)
{
    player.Dc().Save();
}

void RestoreDc(Player& player, const ValueRecord& record)
{
    player.Dc().Restore(static_cast<int32_t>(record.value));
}

void CreatePen(Player& player, const PenRecord& record)
{
    player.Dc().CreateObject(record.index, record.pen);
}

void CreateBrush(Player& player, const BrushRecord& record)
{
    player.Dc().CreateObject(record.index, record.brush);
}

void CreateFont(Player& player, const FontRecord& record)
{
    player.Dc().CreateObject(record.index, record.font);
}

void CreateOther(Player& player, const OtherObjectRecord& record)
{
    player.Dc().CreateObject(record.index, OtherObject{});
}

void CreateRegion(Player& player, const RegionRecord& record)
{
    // Scans are in logical units; the area is fixed where the page map stands now.
    player.Dc().CreateObject(-1, player.LogicalRegion(record.logicalRects));
}

void SelectObject(Player& player, const ValueRecord& record)
{
    DeviceContext& dc = player.Dc();
    if ((record.value & kStockObject) != 0) {
        dc.SelectStockObject(record.value & ~kStockObject);
    } else if (const Region* region = dc.FindRegion(record.value)) {
        player.SelectClipArea(region->area, kRegionCopy);  // selecting a region sets the clip
    } else {
        dc.SelectObject(record.value);
    }
}

void DeleteObject(Player& player, const ValueRecord& record)
{
    player.Dc().DeleteObject(record.value);
}

void MoveTo(Player& player, const PointRecord& record)
{
    player.MoveTo(record.point);
}

void LineTo(Player& player, const PointRecord& record)
{
    player.LineTo(record.point);
}

void Rectangle(Player& player, const ShapeRecord& record)
{
    player.Rectangle(record.box);
}

void Ellipse(Player& player, const ShapeRecord& record)
{
    player.Ellipse(record.box);
}

void RoundRect(Player& player, const ShapeRecord& record)
{
    player.RoundRect(record.box, record.corner.x, record.corner.y);
}

void Arc(Player& player, const ShapeRecord& record)
{
    player.Arc(record.box, record.start, record.end, ArcKind::Open);
}

void Chord(Player& player, const ShapeRecord& record)
{
    player.Arc(record.box, record.start, record.end, ArcKind::Chord);
}

void Pie(Player& player, const ShapeRecord& record)
{
    player.Arc(record.box, record.start, record.end, ArcKind::Pie);
}

void ArcTo(Player& player, const ShapeRecord& record)
{
    player.ArcTo(record.box, record.start, record.end);
}

void AngleArc(Player& player, const AngleArcRecord& record)
{
    player.AngleArc(record.centre, record.radius, record.startDegrees, record.sweepDegrees);
}

void SetPixel(Player& player, const PixelRecord& record)
{
    player.SetPixel(record.at, record.colour);
}

void Polygon(Player& player, const PolyRecord& record)
{
    player.Polygon(record.points);
}

void Polyline(Player& player, const PolyRecord& record)
{
    player.Polyline(record.points);
}

void PolyBezier(Player& player, const PolyRecord& record)
{
    player.PolyBezier(record.points);
}

void PolyBezierTo(Player& player, const PolyRecord& record)
{
    player.PolyBezierTo(record.points);
}

void PolylineTo(Player& player, const PolyRecord& record)
{
    player.PolylineTo(record.points);
}

void PolyPolygon(Player& player, const PolyPolyRecord& record)
{
    player.PolyPolygon(record.figures);
}

void PolyPolyline(Player& player, const PolyPolyRecord& record)
{
    player.PolyPolyline(record.figures);
}

void Text(Player& player, const TextRecord& record)
{
    TextOutput text = record.output;
    if (record.ansi != nullptr) {
        text.text = DecodeAnsi(record.ansi, record.ansiCount, player.Dc().State().font.charset);
    }
    if (text.dx.size() != text.text.size()) {
        text.dx.clear();  // surrogate pairs or multi-byte characters: advances do not line up
    }
    player.Text(text);
}

void Blit(Player& player, const BlitRecord& record)
{
    if (record.skip) {
        return;
    }
    BitmapBlit blit = record.blit;
    blit.bitmap = record.hasBitmap ? &record.bitmap : nullptr;
    player.Blit(blit);
}

void BeginPath(Player& player, const NoParameters&)
{
    player.BeginPath();
}

void EndPath(Player& player, const NoParameters&)
{
    player.EndPath();
}

void CloseFigure(Player& player, const NoParameters&)
{
    player.CloseFigure();
}

void AbortPath(Player& player, const NoParameters&)
{
    player.AbortPath();
}

void FillPath(Player& player, const NoParameters&)
{
    player.FillPath();
}

void StrokePath(Player& player, const NoParameters&)
{
    player.StrokePath();
}

void StrokeAndFillPath(Player& player, const NoParameters&)
{
    player.StrokeAndFillPath();
}

void SelectClipPath(Player& player, const ValueRecord& record)
{
    player.SelectClipPath(record.value);
}

void IntersectClipRect(Player& player, const RectRecord& record)
{
    player.IntersectClipRect(record.rect);
}

void ExcludeClipRect(Player& player, const RectRecord& record)
{
    player.ExcludeClipRect(record.rect);
}

void OffsetClip(Player& player, const PointRecord& record)
{
    player.OffsetClip(record.point);
}

void ClipRegion(Player& player, const ClipRegionRecord& record)
{
    player.SelectClipArea(player.DeviceRegion(record.deviceRects).area, record.mode);
}

void PaintRegion(Player& player, const RegionPaintRecord& record)
{
    DeviceContext& dc = player.Dc();
    Region device;
    const Region* region = &device;
    if (record.regionObject >= 0) {
        region = dc.FindRegion(record.regionObject);
        if (region == nullptr) {
            return;  // no region in that slot: nothing to paint
        }
    } else {
        device = player.DeviceRegion(record.deviceRects);
    }
    const Brush* brush = record.kind == RegionPaint::Paint ? &dc.State().brush
                                                           : dc.FindBrush(record.brushObject);
    if (record.kind == RegionPaint::Invert) {
        player.InvertArea(region->area);
    } else if (brush == nullptr) {
        return;  // no brush in that slot
    } else if (record.kind == RegionPaint::Frame) {
        player.FrameRegion(*region, *brush, record.frameWidth, record.frameHeight);
    } else {
        player.PaintArea(region->area, *brush);
    }
}

} // namespace zv::imaging::metafile::calls
