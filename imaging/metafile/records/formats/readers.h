// The record readers: each fills one description (descriptions.h) from a record's parameters
// and says false when they are malformed (too short, counts beyond the data, offsets outside
// the record). Readers of records both formats have read either through the format's value
// width; the others are the format's own.
#ifndef ZV_IMAGING_METAFILE_READERS_H
#define ZV_IMAGING_METAFILE_READERS_H

#include "imaging/metafile/records/descriptions.h"
#include "imaging/metafile/records/reader.h"

namespace zv::imaging::metafile {

namespace shared {
bool Nothing(RecordReader& reader, NoParameters* out);
bool Value(RecordReader& reader, ValueRecord* out);
bool SignedValue(RecordReader& reader, ValueRecord* out);
bool Colour(RecordReader& reader, ColourRecord* out);
bool ArgPoint(RecordReader& reader, PointRecord* out);
bool ArgRect(RecordReader& reader, RectRecord* out);
bool Scale(RecordReader& reader, ScaleRecord* out);
bool Box(RecordReader& reader, ShapeRecord* out);
bool RoundRect(RecordReader& reader, ShapeRecord* out);
bool ArcLike(RecordReader& reader, ShapeRecord* out);
bool Pixel(RecordReader& reader, PixelRecord* out);
// Points in the format's width (EMF's "...16" records: 16-bit points with 32-bit counts).
bool Poly(RecordReader& reader, PolyRecord* out);
bool Poly16(RecordReader& reader, PolyRecord* out);
bool PolyPoly(RecordReader& reader, PolyPolyRecord* out);
bool PolyPoly16(RecordReader& reader, PolyPolyRecord* out);
bool PenObject(RecordReader& reader, PenRecord* out);
bool BrushObject(RecordReader& reader, BrushRecord* out);
bool FontObject(RecordReader& reader, FontRecord* out);
bool OtherObject(RecordReader& reader, OtherObjectRecord* out);
// The brush of a pattern bitmap as read (grey when the bitmap is not drawn here); false for
// a corrupt bitmap.
bool PatternBrush(BitmapRead read, std::shared_ptr<Bitmap> bitmap, BrushRecord* out);
// Where a blit goes and what part of the bitmap it takes: x, y, width, height each.
void BlitAreas(const std::array<double, 4>& dest, const std::array<double, 4>& source,
               BlitRecord* out);
// Attaches the bitmap as read; false for a corrupt one. With `bottomUpOrigin` the source's y
// counts from the bottom row of a bottom-up bitmap.
bool AttachBitmap(BitmapRead read, bool bottomUpOrigin, bool bottomUp, BlitRecord* out);
} // namespace shared

namespace wmf {
bool PatternBrush(RecordReader& reader, BrushRecord* out);
bool OldPatternBrush(RecordReader& reader, BrushRecord* out);
bool RegionObject(RecordReader& reader, RegionRecord* out);
bool FillRegion(RecordReader& reader, RegionPaintRecord* out);
bool FrameRegion(RecordReader& reader, RegionPaintRecord* out);
bool PaintRegion(RecordReader& reader, RegionPaintRecord* out);
bool InvertRegion(RecordReader& reader, RegionPaintRecord* out);
bool TextOut(RecordReader& reader, TextRecord* out);
bool ExtTextOut(RecordReader& reader, TextRecord* out);
bool Blit(RecordReader& reader, BlitRecord* out);
} // namespace wmf

namespace emf {
bool ExtPen(RecordReader& reader, PenRecord* out);
bool PatternBrush(RecordReader& reader, BrushRecord* out);
bool SetTransform(RecordReader& reader, TransformRecord* out);
bool ModifyTransform(RecordReader& reader, TransformRecord* out);
bool AngleArc(RecordReader& reader, AngleArcRecord* out);
bool ClipRegion(RecordReader& reader, ClipRegionRecord* out);
bool FillRegion(RecordReader& reader, RegionPaintRecord* out);
bool FrameRegion(RecordReader& reader, RegionPaintRecord* out);
bool PaintRegion(RecordReader& reader, RegionPaintRecord* out);
bool InvertRegion(RecordReader& reader, RegionPaintRecord* out);
bool Text(RecordReader& reader, TextRecord* out);
bool Blit(RecordReader& reader, BlitRecord* out);
} // namespace emf

} // namespace zv::imaging::metafile

#endif
