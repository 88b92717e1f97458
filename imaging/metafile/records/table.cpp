// The record table of both formats: type -> reader -> player call.
#include "imaging/metafile/records/table.h"

#include "imaging/metafile/records/calls.h"
#include "imaging/metafile/records/formats/readers.h"
#include "imaging/metafile/records/formats/types.h"

namespace zv::imaging::metafile {
namespace {

template <typename Description, bool (*Read)(RecordReader&, Description*),
          void (*Call)(Player&, const Description&)>
constexpr PlayRecordFn kPlay = &ReadThenCall<Description, Read, Call>;

// Records both formats have: WMF function, EMF type, reader, call.
constexpr SharedEntry kShared[] = {
    {wmf::kSetBkMode, emf::kSetBkMode, kPlay<ValueRecord, shared::Value, calls::BkMode>},
    {wmf::kSetMapMode, emf::kSetMapMode, kPlay<ValueRecord, shared::Value, calls::MapMode>},
    {wmf::kSetRop2, emf::kSetRop2, kPlay<ValueRecord, shared::Value, calls::Rop2>},
    {wmf::kSetPolyFillMode, emf::kSetPolyFillMode, kPlay<ValueRecord, shared::Value, calls::PolyFillMode>},
    {wmf::kSetTextAlign, emf::kSetTextAlign, kPlay<ValueRecord, shared::Value, calls::TextAlign>},
    {wmf::kSetBkColor, emf::kSetBkColor, kPlay<ColourRecord, shared::Colour, calls::BkColor>},
    {wmf::kSetTextColor, emf::kSetTextColor, kPlay<ColourRecord, shared::Colour, calls::TextColor>},
    {wmf::kSetWindowOrg, emf::kSetWindowOrgEx, kPlay<PointRecord, shared::ArgPoint, calls::WindowOrg>},
    {wmf::kSetWindowExt, emf::kSetWindowExtEx, kPlay<PointRecord, shared::ArgPoint, calls::WindowExt>},
    {wmf::kSetViewportOrg, emf::kSetViewportOrgEx, kPlay<PointRecord, shared::ArgPoint, calls::ViewportOrg>},
    {wmf::kSetViewportExt, emf::kSetViewportExtEx, kPlay<PointRecord, shared::ArgPoint, calls::ViewportExt>},
    {wmf::kOffsetWindowOrg, emf::kNone, kPlay<PointRecord, shared::ArgPoint, calls::OffsetWindowOrg>},
    {wmf::kOffsetViewportOrg, emf::kNone, kPlay<PointRecord, shared::ArgPoint, calls::OffsetViewportOrg>},
    {wmf::kScaleWindowExt, emf::kScaleWindowExtEx, kPlay<ScaleRecord, shared::Scale, calls::ScaleWindowExt>},
    {wmf::kScaleViewportExt, emf::kScaleViewportExtEx,
     kPlay<ScaleRecord, shared::Scale, calls::ScaleViewportExt>},
    {wmf::kSaveDc, emf::kSaveDc, kPlay<NoParameters, shared::Nothing, calls::SaveDc>},
    {wmf::kRestoreDc, emf::kRestoreDc, kPlay<ValueRecord, shared::SignedValue, calls::RestoreDc>},
    {wmf::kOffsetClipRgn, emf::kOffsetClipRgn, kPlay<PointRecord, shared::ArgPoint, calls::OffsetClip>},
    {wmf::kIntersectClipRect, emf::kIntersectClipRect,
     kPlay<RectRecord, shared::ArgRect, calls::IntersectClipRect>},
    {wmf::kExcludeClipRect, emf::kExcludeClipRect,
     kPlay<RectRecord, shared::ArgRect, calls::ExcludeClipRect>},
    {wmf::kMoveTo, emf::kMoveToEx, kPlay<PointRecord, shared::ArgPoint, calls::MoveTo>},
    {wmf::kLineTo, emf::kLineTo, kPlay<PointRecord, shared::ArgPoint, calls::LineTo>},
    {wmf::kRectangle, emf::kRectangle, kPlay<ShapeRecord, shared::Box, calls::Rectangle>},
    {wmf::kEllipse, emf::kEllipse, kPlay<ShapeRecord, shared::Box, calls::Ellipse>},
    {wmf::kRoundRect, emf::kRoundRect, kPlay<ShapeRecord, shared::RoundRect, calls::RoundRect>},
    {wmf::kArc, emf::kArc, kPlay<ShapeRecord, shared::ArcLike, calls::Arc>},
    {wmf::kPie, emf::kPie, kPlay<ShapeRecord, shared::ArcLike, calls::Pie>},
    {wmf::kChord, emf::kChord, kPlay<ShapeRecord, shared::ArcLike, calls::Chord>},
    {wmf::kSetPixel, emf::kSetPixelV, kPlay<PixelRecord, shared::Pixel, calls::SetPixel>},
    {wmf::kPolygon, emf::kPolygon, kPlay<PolyRecord, shared::Poly, calls::Polygon>},
    {wmf::kPolyline, emf::kPolyline, kPlay<PolyRecord, shared::Poly, calls::Polyline>},
    {wmf::kPolyPolygon, emf::kPolyPolygon, kPlay<PolyPolyRecord, shared::PolyPoly, calls::PolyPolygon>},
    {wmf::kCreatePenIndirect, emf::kCreatePen, kPlay<PenRecord, shared::PenObject, calls::CreatePen>},
    {wmf::kCreateBrushIndirect, emf::kCreateBrushIndirect,
     kPlay<BrushRecord, shared::BrushObject, calls::CreateBrush>},
    {wmf::kCreateFontIndirect, emf::kExtCreateFontIndirectW,
     kPlay<FontRecord, shared::FontObject, calls::CreateFont>},
    {wmf::kCreatePalette, emf::kCreatePalette,
     kPlay<OtherObjectRecord, shared::OtherObject, calls::CreateOther>},
    {wmf::kSelectObject, emf::kSelectObject, kPlay<ValueRecord, shared::Value, calls::SelectObject>},
    {wmf::kSelectClipRegion, emf::kNone, kPlay<ValueRecord, shared::Value, calls::SelectObject>},
    {wmf::kDeleteObject, emf::kDeleteObject, kPlay<ValueRecord, shared::Value, calls::DeleteObject>},
};

// Records only WMF has.
constexpr RecordEntry kWmfOnly[] = {
    {wmf::kDibCreatePatternBrush, kPlay<BrushRecord, wmf::PatternBrush, calls::CreateBrush>},
    {wmf::kCreatePatternBrush, kPlay<BrushRecord, wmf::OldPatternBrush, calls::CreateBrush>},
    {wmf::kCreateRegion, kPlay<RegionRecord, wmf::RegionObject, calls::CreateRegion>},
    {wmf::kFillRegion, kPlay<RegionPaintRecord, wmf::FillRegion, calls::PaintRegion>},
    {wmf::kFrameRegion, kPlay<RegionPaintRecord, wmf::FrameRegion, calls::PaintRegion>},
    {wmf::kPaintRegion, kPlay<RegionPaintRecord, wmf::PaintRegion, calls::PaintRegion>},
    {wmf::kInvertRegion, kPlay<RegionPaintRecord, wmf::InvertRegion, calls::PaintRegion>},
    {wmf::kTextOut, kPlay<TextRecord, wmf::TextOut, calls::Text>},
    {wmf::kExtTextOut, kPlay<TextRecord, wmf::ExtTextOut, calls::Text>},
    {wmf::kPatBlt, kPlay<BlitRecord, wmf::Blit, calls::Blit>},
    {wmf::kBitBlt, kPlay<BlitRecord, wmf::Blit, calls::Blit>},
    {wmf::kStretchBlt, kPlay<BlitRecord, wmf::Blit, calls::Blit>},
    {wmf::kDibBitBlt, kPlay<BlitRecord, wmf::Blit, calls::Blit>},
    {wmf::kDibStretchBlt, kPlay<BlitRecord, wmf::Blit, calls::Blit>},
    {wmf::kStretchDib, kPlay<BlitRecord, wmf::Blit, calls::Blit>},
    {wmf::kSetDibToDev, kPlay<BlitRecord, wmf::Blit, calls::Blit>},
};

// Records only EMF has.
constexpr RecordEntry kEmfOnly[] = {
    {emf::kPolyBezier, kPlay<PolyRecord, shared::Poly, calls::PolyBezier>},
    {emf::kPolyBezierTo, kPlay<PolyRecord, shared::Poly, calls::PolyBezierTo>},
    {emf::kPolylineTo, kPlay<PolyRecord, shared::Poly, calls::PolylineTo>},
    {emf::kPolyPolyline, kPlay<PolyPolyRecord, shared::PolyPoly, calls::PolyPolyline>},
    {emf::kPolyBezier16, kPlay<PolyRecord, shared::Poly16, calls::PolyBezier>},
    {emf::kPolygon16, kPlay<PolyRecord, shared::Poly16, calls::Polygon>},
    {emf::kPolyline16, kPlay<PolyRecord, shared::Poly16, calls::Polyline>},
    {emf::kPolyBezierTo16, kPlay<PolyRecord, shared::Poly16, calls::PolyBezierTo>},
    {emf::kPolylineTo16, kPlay<PolyRecord, shared::Poly16, calls::PolylineTo>},
    {emf::kPolyPolyline16, kPlay<PolyPolyRecord, shared::PolyPoly16, calls::PolyPolyline>},
    {emf::kPolyPolygon16, kPlay<PolyPolyRecord, shared::PolyPoly16, calls::PolyPolygon>},
    {emf::kSetWorldTransform, kPlay<TransformRecord, emf::SetTransform, calls::SetWorldTransform>},
    {emf::kModifyWorldTransform, kPlay<TransformRecord, emf::ModifyTransform, calls::ModifyWorldTransform>},
    {emf::kSetArcDirection, kPlay<ValueRecord, shared::Value, calls::ArcDirection>},
    {emf::kSetMiterLimit, kPlay<ValueRecord, shared::Value, calls::MiterLimit>},
    {emf::kAngleArc, kPlay<AngleArcRecord, emf::AngleArc, calls::AngleArc>},
    {emf::kArcTo, kPlay<ShapeRecord, shared::ArcLike, calls::ArcTo>},
    {emf::kBeginPath, kPlay<NoParameters, shared::Nothing, calls::BeginPath>},
    {emf::kEndPath, kPlay<NoParameters, shared::Nothing, calls::EndPath>},
    {emf::kCloseFigure, kPlay<NoParameters, shared::Nothing, calls::CloseFigure>},
    {emf::kFillPath, kPlay<NoParameters, shared::Nothing, calls::FillPath>},
    {emf::kStrokeAndFillPath, kPlay<NoParameters, shared::Nothing, calls::StrokeAndFillPath>},
    {emf::kStrokePath, kPlay<NoParameters, shared::Nothing, calls::StrokePath>},
    {emf::kSelectClipPath, kPlay<ValueRecord, shared::Value, calls::SelectClipPath>},
    {emf::kAbortPath, kPlay<NoParameters, shared::Nothing, calls::AbortPath>},
    {emf::kFillRgn, kPlay<RegionPaintRecord, emf::FillRegion, calls::PaintRegion>},
    {emf::kFrameRgn, kPlay<RegionPaintRecord, emf::FrameRegion, calls::PaintRegion>},
    {emf::kInvertRgn, kPlay<RegionPaintRecord, emf::InvertRegion, calls::PaintRegion>},
    {emf::kPaintRgn, kPlay<RegionPaintRecord, emf::PaintRegion, calls::PaintRegion>},
    {emf::kExtSelectClipRgn, kPlay<ClipRegionRecord, emf::ClipRegion, calls::ClipRegion>},
    {emf::kBitBlt, kPlay<BlitRecord, emf::Blit, calls::Blit>},
    {emf::kStretchBlt, kPlay<BlitRecord, emf::Blit, calls::Blit>},
    {emf::kSetDiBitsToDevice, kPlay<BlitRecord, emf::Blit, calls::Blit>},
    {emf::kStretchDiBits, kPlay<BlitRecord, emf::Blit, calls::Blit>},
    {emf::kExtTextOutA, kPlay<TextRecord, emf::Text, calls::Text>},
    {emf::kExtTextOutW, kPlay<TextRecord, emf::Text, calls::Text>},
    {emf::kCreateMonoBrush, kPlay<BrushRecord, emf::PatternBrush, calls::CreateBrush>},
    {emf::kCreateDibPatternBrushPt, kPlay<BrushRecord, emf::PatternBrush, calls::CreateBrush>},
    {emf::kExtCreatePen, kPlay<PenRecord, emf::ExtPen, calls::CreatePen>},
};

} // namespace

RecordTable::RecordTable(Layout layout, std::span<const SharedEntry> shared, std::span<const RecordEntry> own)
    : layout_(layout)
{
    for (const SharedEntry& entry : shared) {
        const uint32_t type = layout == Layout::Wmf ? entry.wmfType : entry.emfType;
        if (type != 0) {
            entries_.emplace(type, entry.play);
        }
    }
    for (const RecordEntry& entry : own) {
        entries_.emplace(entry.type, entry.play);
    }
}

bool RecordTable::Play(const Record& record, Player& player) const
{
    const auto found = entries_.find(record.type);
    if (found == entries_.end()) {
        return true;  // records that change nothing drawn here, and unknown ones
    }
    RecordReader reader(layout_, record);
    return found->second(reader, player);
}

const RecordTable& WmfTable()
{
    static const RecordTable table(Layout::Wmf, kShared, kWmfOnly);
    return table;
}

const RecordTable& EmfTable()
{
    static const RecordTable table(Layout::Emf, kShared, kEmfOnly);
    return table;
}

bool PlayTable(const RecordTable& table, RecordWalker walker, Player& player)
{
    return PlayRecords(walker, [&](const Record& record) { return table.Play(record, player); },
                       [&] { return player.Stopped(); });
}

} // namespace zv::imaging::metafile
