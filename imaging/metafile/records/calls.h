// The player calls of the record table: each hands one description (descriptions.h) to the
// player or its device context. Both formats' records end here; none of these reads a byte.
#ifndef ZV_IMAGING_METAFILE_CALLS_H
#define ZV_IMAGING_METAFILE_CALLS_H

#include "imaging/metafile/player/player.h"
#include "imaging/metafile/records/descriptions.h"

namespace zv::imaging::metafile::calls {

// Modes and colours.
void BkMode(Player& player, const ValueRecord& record);
void MapMode(Player& player, const ValueRecord& record);
void Rop2(Player& player, const ValueRecord& record);
void PolyFillMode(Player& player, const ValueRecord& record);
void TextAlign(Player& player, const ValueRecord& record);
void ArcDirection(Player& player, const ValueRecord& record);
void MiterLimit(Player& player, const ValueRecord& record);
void BkColor(Player& player, const ColourRecord& record);
void TextColor(Player& player, const ColourRecord& record);

// Coordinate maps and the state stack.
void WindowOrg(Player& player, const PointRecord& record);
void WindowExt(Player& player, const PointRecord& record);
void ViewportOrg(Player& player, const PointRecord& record);
void ViewportExt(Player& player, const PointRecord& record);
void OffsetWindowOrg(Player& player, const PointRecord& record);
void OffsetViewportOrg(Player& player, const PointRecord& record);
void ScaleWindowExt(Player& player, const ScaleRecord& record);
void ScaleViewportExt(Player& player, const ScaleRecord& record);
void SetWorldTransform(Player& player, const TransformRecord& record);
void ModifyWorldTransform(Player& player, const TransformRecord& record);
void SaveDc(Player& player, const NoParameters& record);
void RestoreDc(Player& player, const ValueRecord& record);

// Objects.
void CreatePen(Player& player, const PenRecord& record);
void CreateBrush(Player& player, const BrushRecord& record);
void CreateFont(Player& player, const FontRecord& record);
void CreateOther(Player& player, const OtherObjectRecord& record);
void CreateRegion(Player& player, const RegionRecord& record);
// Selecting a stock object (EMF's high bit), a region (which sets the clip) or any other.
void SelectObject(Player& player, const ValueRecord& record);
void DeleteObject(Player& player, const ValueRecord& record);

// Drawing.
void MoveTo(Player& player, const PointRecord& record);
void LineTo(Player& player, const PointRecord& record);
void Rectangle(Player& player, const ShapeRecord& record);
void Ellipse(Player& player, const ShapeRecord& record);
void RoundRect(Player& player, const ShapeRecord& record);
void Arc(Player& player, const ShapeRecord& record);
void Chord(Player& player, const ShapeRecord& record);
void Pie(Player& player, const ShapeRecord& record);
void ArcTo(Player& player, const ShapeRecord& record);
void AngleArc(Player& player, const AngleArcRecord& record);
void SetPixel(Player& player, const PixelRecord& record);
void Polygon(Player& player, const PolyRecord& record);
void Polyline(Player& player, const PolyRecord& record);
void PolyBezier(Player& player, const PolyRecord& record);
void PolyBezierTo(Player& player, const PolyRecord& record);
void PolylineTo(Player& player, const PolyRecord& record);
void PolyPolygon(Player& player, const PolyPolyRecord& record);
void PolyPolyline(Player& player, const PolyPolyRecord& record);
void Text(Player& player, const TextRecord& record);
void Blit(Player& player, const BlitRecord& record);

// Paths.
void BeginPath(Player& player, const NoParameters& record);
void EndPath(Player& player, const NoParameters& record);
void CloseFigure(Player& player, const NoParameters& record);
void AbortPath(Player& player, const NoParameters& record);
void FillPath(Player& player, const NoParameters& record);
void StrokePath(Player& player, const NoParameters& record);
void StrokeAndFillPath(Player& player, const NoParameters& record);
void SelectClipPath(Player& player, const ValueRecord& record);

// Clipping and regions.
void IntersectClipRect(Player& player, const RectRecord& record);
void ExcludeClipRect(Player& player, const RectRecord& record);
void OffsetClip(Player& player, const PointRecord& record);
void ClipRegion(Player& player, const ClipRegionRecord& record);
void PaintRegion(Player& player, const RegionPaintRecord& record);

} // namespace zv::imaging::metafile::calls

#endif
