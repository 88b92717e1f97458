// Enhanced metafiles (EMF): the readers of the records only this format has, and the walk.
#include "imaging/metafile/records/formats/emf.h"

#include "imaging/metafile/records/formats/readers.h"
#include "imaging/metafile/records/formats/types.h"
#include "imaging/metafile/records/table.h"

#include <array>
#include <memory>
#include <vector>

namespace zv::imaging::metafile {
namespace emf {
namespace {

constexpr uint32_t kBrushNull = 1;
constexpr uint32_t kColourUsageRgb = 0;
constexpr uint32_t kTextGlyphIndex = 0x10;
constexpr uint32_t kTextPdy = 0x2000;
constexpr uint32_t kMaxUserDashes = 16;

// Offsets and sizes of a bitmap's header and rows inside the record.
struct BitmapPlace {
    uint32_t usage = 0;
    uint32_t infoOffset = 0;
    uint32_t infoSize = 0;
    uint32_t bitsOffset = 0;
    uint32_t bitsSize = 0;
};

bool ReadPlace(RecordReader& reader, BitmapPlace* place)
{
    return reader.U32(&place->infoOffset) && reader.U32(&place->infoSize) &&
           reader.U32(&place->bitsOffset) && reader.U32(&place->bitsSize);
}

bool ReadCorners(RecordReader& reader, std::array<double, 2>* values)
{
    return reader.S32(&(*values)[0]) && reader.S32(&(*values)[1]);
}

// Region records: bounds, the region data's size, what `fields` reads, then the data.
template <typename Fields>
bool ReadRegionPaint(RecordReader& reader, RegionPaint kind, RegionPaintRecord* out, Fields fields)
{
    uint32_t dataSize = 0;
    out->kind = kind;
    return reader.Bounds() && reader.U32(&dataSize) && fields() &&
           ReadRegionData(reader, dataSize, &out->deviceRects);
}

bool ReadBrushIndex(RecordReader& reader, RegionPaintRecord* out)
{
    uint32_t index = 0;
    if (!reader.U32(&index)) {
        return false;
    }
    out->brushObject = index;
    return true;
}

} // namespace

bool ExtPen(RecordReader& reader, PenRecord* out)
{
    uint32_t index = 0;
    uint32_t style = 0;
    uint32_t width = 0;
    uint32_t brushStyle = 0;
    uint32_t hatch = 0;
    uint32_t entries = 0;
    if (!reader.U32(&index) || !reader.Skip(16) || !reader.U32(&style) || !reader.U32(&width) ||
        !reader.U32(&brushStyle) || !reader.Colour(&out->pen.color) || !reader.U32(&hatch) ||
        !reader.U32(&entries)) {
        return false;
    }
    out->index = index;
    Pen& pen = out->pen;
    pen.style = style;
    // Cosmetic pens are one pixel wide whatever their width says.
    pen.width = (style & kPenGeometric) == 0 ? 0 : static_cast<double>(width);
    if (brushStyle == kBrushNull) {
        pen.style = (style & ~kPenStyleMask) | kPenNull;
    }
    if ((style & kPenStyleMask) == kPenUserStyle) {
        for (uint32_t i = 0; i < entries && i < kMaxUserDashes; ++i) {
            uint32_t length = 0;
            if (!reader.U32(&length)) {
                return false;
            }
            pen.userDashes.push_back(length);
        }
    }
    return true;
}

bool PatternBrush(RecordReader& reader, BrushRecord* out)
{
    uint32_t index = 0;
    BitmapPlace place;
    const uint8_t* bytes = nullptr;
    if (!reader.U32(&index) || !reader.U32(&place.usage) || !ReadPlace(reader, &place) ||
        !reader.Range(place.infoOffset, place.infoSize, &bytes) ||
        !reader.Range(place.bitsOffset, place.bitsSize, &bytes)) {
        return false;
    }
    out->index = index;
    auto bitmap = std::make_shared<Bitmap>();
    bool bottomUp = false;
    const BitmapRead read =
        place.usage == kColourUsageRgb
            ? reader.PlacedBitmap(place.infoOffset, place.infoSize, place.bitsOffset, place.bitsSize,
                                  bitmap.get(), &bottomUp)
            : BitmapRead::Skipped;
    return shared::PatternBrush(read, std::move(bitmap), out);
}

bool SetTransform(RecordReader& reader, TransformRecord* out)
{
    return reader.Xform(&out->transform);
}

bool ModifyTransform(RecordReader& reader, TransformRecord* out)
{
    return reader.Xform(&out->transform) && reader.U32(&out->mode);
}

bool AngleArc(RecordReader& reader, AngleArcRecord* out)
{
    uint32_t radius = 0;
    if (!reader.ArgPoint(&out->centre) || !reader.U32(&radius) || !reader.Float(&out->startDegrees) ||
        !reader.Float(&out->sweepDegrees)) {
        return false;
    }
    out->radius = radius;
    return true;
}

bool ClipRegion(RecordReader& reader, ClipRegionRecord* out)
{
    uint32_t dataSize = 0;
    return reader.U32(&dataSize) && reader.U32(&out->mode) &&
           ReadRegionData(reader, dataSize, &out->deviceRects);
}

bool FillRegion(RecordReader& reader, RegionPaintRecord* out)
{
    return ReadRegionPaint(reader, RegionPaint::Fill, out, [&] { return ReadBrushIndex(reader, out); });
}

bool FrameRegion(RecordReader& reader, RegionPaintRecord* out)
{
    // The brush, then the frame's width and height (a SIZEL).
    return ReadRegionPaint(reader, RegionPaint::Frame, out, [&] {
        return ReadBrushIndex(reader, out) && reader.S32(&out->frameWidth) && reader.S32(&out->frameHeight);
    });
}

bool PaintRegion(RecordReader& reader, RegionPaintRecord* out)
{
    return ReadRegionPaint(reader, RegionPaint::Paint, out, [] { return true; });
}

bool InvertRegion(RecordReader& reader, RegionPaintRecord* out)
{
    return ReadRegionPaint(reader, RegionPaint::Invert, out, [] { return true; });
}

bool Text(RecordReader& reader, TextRecord* out)
{
    TextOutput& text = out->output;
    uint32_t graphicsMode = 0;
    double xScale = 0;
    double yScale = 0;
    uint32_t count = 0;
    uint32_t stringOffset = 0;
    Rect rect;
    uint32_t dxOffset = 0;
    if (!reader.Bounds() || !reader.U32(&graphicsMode) || !reader.Float(&xScale) ||
        !reader.Float(&yScale) || !reader.ArgPoint(&text.reference) || !reader.U32(&count) ||
        !reader.U32(&stringOffset) || !reader.U32(&text.options) || !reader.Rectl(&rect) ||
        !reader.U32(&dxOffset)) {
        return false;
    }
    const bool wide = reader.Type() == kExtTextOutW;
    const uint8_t* string = nullptr;
    if (!reader.Range(stringOffset, static_cast<uint64_t>(count) * (wide ? 2 : 1), &string)) {
        return false;
    }
    text.rect = rect;
    if ((text.options & kTextGlyphIndex) != 0) {
        count = 0;  // glyph numbers of a font we do not have; only the background is drawn
    }
    if (wide) {
        reader.Utf16At(stringOffset, count, &text.text);
    } else {
        out->ansi = string;
        out->ansiCount = count;
    }
    const uint8_t* advances = nullptr;
    const uint64_t step = (text.options & kTextPdy) != 0 ? 8 : 4;
    if (dxOffset != 0 && count > 0 && reader.Range(dxOffset, count * step, &advances)) {
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* value = advances + i * step;
            text.dx.push_back(static_cast<int32_t>(value[0] | (value[1] << 8) | (value[2] << 16) |
                                                   (static_cast<uint32_t>(value[3]) << 24)));
        }
    }
    return true;
}

bool Blit(RecordReader& reader, BlitRecord* out)
{
    const uint32_t type = reader.Type();
    std::array<double, 4> dest{};    // x, y, width, height
    std::array<double, 4> source{};  // x, y, width, height
    std::array<double, 2> origin{};
    std::array<double, 2> size{};
    uint32_t rop = 0x00CC0020;
    BitmapPlace place;
    const bool fromDc = type == kBitBlt || type == kStretchBlt;
    if (!reader.Bounds()) {
        return false;
    }
    if (fromDc) {
        // Destination, operation, source origin, the source's transform and background
        // colour, then the bitmap; StretchBlt adds the source's size.
        if (!reader.S32(&dest[0]) || !reader.S32(&dest[1]) || !ReadCorners(reader, &size) ||
            !reader.U32(&rop) || !ReadCorners(reader, &origin) || !reader.Skip(24 + 4) ||
            !reader.U32(&place.usage) || !ReadPlace(reader, &place)) {
            return false;
        }
        dest[2] = size[0];
        dest[3] = size[1];
        source = {origin[0], origin[1], size[0], size[1]};
        if (type == kStretchBlt && !ReadCorners(reader, &size)) {
            return false;
        }
        source[2] = size[0];
        source[3] = size[1];
    } else {
        // Destination origin, source rectangle, the bitmap, usage; StretchDIBits adds the
        // operation and the destination's size.
        if (!ReadCorners(reader, &origin) || !reader.S32(&source[0]) || !reader.S32(&source[1]) ||
            !reader.S32(&source[2]) || !reader.S32(&source[3]) || !ReadPlace(reader, &place) ||
            !reader.U32(&place.usage)) {
            return false;
        }
        dest = {origin[0], origin[1], source[2], source[3]};
        if (type == kStretchDiBits) {
            if (!reader.U32(&rop) || !ReadCorners(reader, &size)) {
                return false;
            }
            dest[2] = size[0];
            dest[3] = size[1];
        }
    }
    out->blit.rasterOp = rop;
    shared::BlitAreas(dest, source, out);
    if (place.infoSize == 0) {
        return true;
    }
    const uint8_t* bytes = nullptr;
    if (!reader.Range(place.infoOffset, place.infoSize, &bytes) ||
        !reader.Range(place.bitsOffset, place.bitsSize, &bytes)) {
        return false;
    }
    bool bottomUp = false;
    const BitmapRead read = place.usage == kColourUsageRgb
                                ? reader.PlacedBitmap(place.infoOffset, place.infoSize, place.bitsOffset,
                                                      place.bitsSize, &out->bitmap, &bottomUp)
                                : BitmapRead::Skipped;  // colours given as palette indices
    return shared::AttachBitmap(read, !fromDc, bottomUp, out);
}

} // namespace emf

bool PlayEmf(const uint8_t* data, size_t size, const EmfInfo& info, Player& player)
{
    return PlayTable(EmfTable(), RecordWalker(RecordWalker::Style::Emf, data, size, info.firstRecord),
                     player);
}

} // namespace zv::imaging::metafile
