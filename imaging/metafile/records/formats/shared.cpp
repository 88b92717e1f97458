// Readers of the records both formats have: one reading for both, through the format's
// value width and argument order.
#include "imaging/metafile/drawing/text.h"
#include "imaging/metafile/records/formats/readers.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace zv::imaging::metafile::shared {
namespace {

constexpr uint32_t kBrushSolid = 0;
constexpr uint32_t kBrushNull = 1;
constexpr uint32_t kBrushHatched = 2;
constexpr size_t kFaceNameLength = 32;  // bytes in WMF, UTF-16 units in EMF
const Color kPatternGrey{128, 128, 128};

// WMF face names: bytes up to the first zero, read as Windows-1252 (families are matched by
// their UTF-8 name).
std::string AnsiFaceName(RecordReader& reader)
{
    const uint8_t* bytes = reader.Current();
    const size_t count = std::min(reader.Remaining(), kFaceNameLength);
    size_t length = 0;
    while (length < count && bytes[length] != 0) {
        ++length;
    }
    std::string utf8;
    for (char32_t c : DecodeAnsi(bytes, length, 0)) {
        utf8 += EncodeUtf8(c);
    }
    return utf8;
}

// EMF face names: UTF-16 units up to the first zero or the record's end.
std::string WideFaceName(RecordReader& reader)
{
    std::vector<uint8_t> units;
    uint16_t unit = 0;
    for (size_t i = 0; i < kFaceNameLength && reader.U16(&unit) && unit != 0; ++i) {
        units.push_back(static_cast<uint8_t>(unit & 0xFF));
        units.push_back(static_cast<uint8_t>(unit >> 8));
    }
    std::string utf8;
    for (char32_t c : DecodeUtf16(units.data(), units.size() / 2)) {
        utf8 += EncodeUtf8(c);
    }
    return utf8;
}

bool ReadFigures(RecordReader& reader, bool widePoints, PolyPolyRecord* out)
{
    uint32_t figureCount = 0;
    uint32_t pointCount = 0;
    if (!reader.Bounds() || !reader.Uint(&figureCount) || (reader.IsEmf() && !reader.U32(&pointCount))) {
        return false;
    }
    std::vector<uint32_t> counts;
    uint64_t total = 0;
    for (uint32_t i = 0; i < figureCount; ++i) {
        uint32_t count = 0;
        if (!reader.Uint(&count)) {
            return false;
        }
        counts.push_back(count);
        total += count;
    }
    if (reader.IsEmf() && total > pointCount) {
        return false;  // the figures claim more points than the record says it holds
    }
    out->figures.resize(counts.size());
    for (size_t i = 0; i < counts.size(); ++i) {
        if (!reader.Points(counts[i], widePoints, &out->figures[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

bool Nothing(RecordReader&, NoParameters*)
{
    return true;
}

bool Value(RecordReader& reader, ValueRecord* out)
{
    return reader.Uint(&out->value);
}

bool SignedValue(RecordReader& reader, ValueRecord* out)
{
    double value = 0;
    if (!reader.Coord(&value)) {
        return false;
    }
    out->value = static_cast<uint32_t>(static_cast<int32_t>(value));
    return true;
}

bool Colour(RecordReader& reader, ColourRecord* out)
{
    return reader.Colour(&out->colour);
}

bool ArgPoint(RecordReader& reader, PointRecord* out)
{
    return reader.ArgPoint(&out->point);
}

bool ArgRect(RecordReader& reader, RectRecord* out)
{
    return reader.ArgRect(&out->rect);
}

bool Scale(RecordReader& reader, ScaleRecord* out)
{
    return reader.Args(&out->factors);
}

bool Box(RecordReader& reader, ShapeRecord* out)
{
    return reader.ArgRect(&out->box);
}

bool RoundRect(RecordReader& reader, ShapeRecord* out)
{
    std::array<double, 6> args{};  // the box, then the corner's width and height
    if (!reader.Args(&args)) {
        return false;
    }
    out->box = {args[0], args[1], args[2], args[3]};
    out->corner = {args[4], args[5]};
    return true;
}

bool ArcLike(RecordReader& reader, ShapeRecord* out)
{
    std::array<double, 8> args{};  // the box, then the start and end points
    if (!reader.Args(&args)) {
        return false;
    }
    out->box = {args[0], args[1], args[2], args[3]};
    out->start = {args[4], args[5]};
    out->end = {args[6], args[7]};
    return true;
}

bool Pixel(RecordReader& reader, PixelRecord* out)
{
    // The colour is the last argument: stored first in WMF.
    if (reader.IsEmf()) {
        return reader.ArgPoint(&out->at) && reader.Colour(&out->colour);
    }
    return reader.Colour(&out->colour) && reader.ArgPoint(&out->at);
}

bool Poly(RecordReader& reader, PolyRecord* out)
{
    uint32_t count = 0;
    return reader.Bounds() && reader.Uint(&count) && reader.Points(count, reader.IsEmf(), &out->points);
}

bool Poly16(RecordReader& reader, PolyRecord* out)
{
    uint32_t count = 0;
    return reader.Bounds() && reader.U32(&count) && reader.Points(count, false, &out->points);
}

bool PolyPoly(RecordReader& reader, PolyPolyRecord* out)
{
    return ReadFigures(reader, reader.IsEmf(), out);
}

bool PolyPoly16(RecordReader& reader, PolyPolyRecord* out)
{
    return ReadFigures(reader, false, out);
}

bool PenObject(RecordReader& reader, PenRecord* out)
{
    uint32_t style = 0;
    double ignored = 0;
    if (!reader.CreatedIndex(&out->index) || !reader.Uint(&style) || !reader.Coord(&out->pen.width) ||
        !reader.Coord(&ignored) || !reader.Colour(&out->pen.color)) {
        return false;
    }
    out->pen.style = style;
    return true;
}

bool BrushObject(RecordReader& reader, BrushRecord* out)
{
    uint32_t style = 0;
    Color colour;
    uint32_t hatch = 0;
    if (!reader.CreatedIndex(&out->index) || !reader.Uint(&style) || !reader.Colour(&colour) ||
        !reader.Uint(&hatch)) {
        return false;
    }
    metafile::Brush& brush = out->brush;
    brush.color = colour;
    brush.hatch = hatch;
    brush.kind = style == kBrushNull      ? BrushKind::Null
                 : style == kBrushHatched ? BrushKind::Hatched
                                          : BrushKind::Solid;
    if (style != kBrushSolid && style != kBrushNull && style != kBrushHatched) {
        brush.color = kPatternGrey;  // a pattern brush without its bitmap
    }
    return true;
}

bool FontObject(RecordReader& reader, FontRecord* out)
{
    std::array<double, 5> values{};  // height, width, escapement, orientation, weight
    if (!reader.CreatedIndex(&out->index)) {
        return false;
    }
    for (double& value : values) {
        if (!reader.Coord(&value)) {
            return false;
        }
    }
    // Then italic, underline, strike-out and character set bytes, four precision and pitch
    // bytes, and the face name.
    uint32_t flags = 0;
    if (!reader.U32(&flags) || !reader.Skip(4)) {
        return false;
    }
    metafile::Font& font = out->font;
    font.height = values[0];
    font.width = values[1];
    font.escapement = static_cast<int>(reader.IsEmf() ? std::fmod(values[2], 3600.0) : values[2]);
    font.weight = static_cast<int>(values[4]);
    font.italic = (flags & 0xFF) != 0;
    font.underline = ((flags >> 8) & 0xFF) != 0;
    font.strikeOut = ((flags >> 16) & 0xFF) != 0;
    font.charset = static_cast<uint8_t>(flags >> 24);
    font.faceName = reader.IsEmf() ? WideFaceName(reader) : AnsiFaceName(reader);
    return true;
}

bool OtherObject(RecordReader& reader, OtherObjectRecord* out)
{
    return reader.CreatedIndex(&out->index);
}

bool PatternBrush(BitmapRead read, std::shared_ptr<Bitmap> bitmap, BrushRecord* out)
{
    out->brush = Brush{BrushKind::Solid, kPatternGrey, 0, nullptr};
    if (read == BitmapRead::Drawn) {
        out->brush = Brush{BrushKind::Pattern, {}, 0, std::move(bitmap)};
    }
    return read != BitmapRead::Corrupt;
}

void BlitAreas(const std::array<double, 4>& dest, const std::array<double, 4>& source, BlitRecord* out)
{
    BitmapBlit& blit = out->blit;
    blit.dest = {dest[0], dest[1], dest[0] + dest[2], dest[1] + dest[3]};
    blit.srcX = source[0];
    blit.srcY = source[1];
    blit.srcWidth = source[2];
    blit.srcHeight = source[3];
}

bool AttachBitmap(BitmapRead read, bool bottomUpOrigin, bool bottomUp, BlitRecord* out)
{
    if (read != BitmapRead::Drawn) {
        out->skip = true;  // a bitmap kind not drawn here; the rest of the picture still is
        return read != BitmapRead::Corrupt;
    }
    out->hasBitmap = true;
    if (bottomUpOrigin && bottomUp) {
        out->blit.srcY = out->bitmap.height - out->blit.srcY - out->blit.srcHeight;
    }
    return true;
}

} // namespace zv::imaging::metafile::shared
