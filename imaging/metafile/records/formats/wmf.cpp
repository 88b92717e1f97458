// Old-style metafiles (WMF): the readers of the records only this format has, and the walk.
#include "imaging/metafile/records/formats/wmf.h"

#include "imaging/metafile/records/formats/readers.h"
#include "imaging/metafile/records/formats/types.h"
#include "imaging/metafile/records/table.h"

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace zv::imaging::metafile {
namespace wmf {
namespace {

constexpr uint16_t kColourUsageRgb = 0;
constexpr uint32_t kSourceCopy = 0x00CC0020;

// Where a blit record's fields put it: destination and source as x, y, width, height.
struct BlitFields {
    uint32_t rop = 0;
    std::array<double, 4> source{};
    std::array<double, 4> destination{};
    bool hasBitmap = false;
    bool bottomUpOrigin = false;  // y of the source counts from the bottom row
};

// The blits without a packed bitmap's header in their name store a spare word instead of
// the bitmap when there is none; whether there is shows in the record's size.
bool ReadBlitFields(RecordReader& reader, BlitFields* fields)
{
    const uint32_t type = reader.Type();
    const bool withBitmap = reader.RecordSize() / 2 != (type >> 8) + 3;
    std::array<double, 2> wh{};
    std::array<double, 2> yx{};
    std::array<double, 4> dest{};  // height, width, y, x
    uint16_t usage = 0;
    switch (type) {
    case kPatBlt:
        if (!reader.U32(&fields->rop) || !reader.Args(&dest)) {
            return false;
        }
        fields->destination = dest;
        return true;
    case kBitBlt:
    case kDibBitBlt:
    case kStretchBlt:
    case kDibStretchBlt: {
        const bool stretch = type == kStretchBlt || type == kDibStretchBlt;
        if (!reader.U32(&fields->rop) || (stretch && !reader.Args(&wh)) || !reader.Args(&yx) ||
            (!withBitmap && !reader.Skip(2)) || !reader.Args(&dest)) {
            return false;
        }
        fields->destination = dest;
        fields->source = {yx[0], yx[1], stretch ? wh[0] : dest[2], stretch ? wh[1] : dest[3]};
        fields->hasBitmap = withBitmap && (type == kDibBitBlt || type == kDibStretchBlt);
        return true;
    }
    case kStretchDib:
        if (!reader.U32(&fields->rop) || !reader.U16(&usage) || !reader.Args(&wh) ||
            !reader.Args(&yx) || !reader.Args(&dest)) {
            return false;
        }
        fields->destination = dest;
        fields->source = {yx[0], yx[1], wh[0], wh[1]};
        fields->hasBitmap = usage == kColourUsageRgb;
        fields->bottomUpOrigin = true;
        return true;
    default: {  // SetDIBitsToDevice: usage, scan count, start scan, source, size, destination
        std::array<double, 2> scans{};
        std::array<double, 4> size{};  // width, height, then the source's x and y
        if (!reader.U16(&usage) || !reader.Args(&scans) || !reader.Args(&size) || !reader.Args(&yx)) {
            return false;
        }
        fields->rop = kSourceCopy;
        fields->source = {size[2], size[3], size[0], size[1]};
        fields->destination = {yx[0], yx[1], size[0], size[1]};
        fields->hasBitmap = usage == kColourUsageRgb;
        fields->bottomUpOrigin = true;
        return true;
    }
    }
}

bool ReadRegionIndex(RecordReader& reader, int64_t* index)
{
    uint16_t value = 0;
    if (!reader.U16(&value)) {
        return false;
    }
    *index = value;
    return true;
}

} // namespace

bool PatternBrush(RecordReader& reader, BrushRecord* out)
{
    uint16_t style = 0;
    uint16_t usage = 0;
    if (!reader.U16(&style) || !reader.U16(&usage)) {
        return false;
    }
    auto bitmap = std::make_shared<Bitmap>();
    bool bottomUp = false;
    const BitmapRead read = usage == kColourUsageRgb ? reader.PackedBitmap(bitmap.get(), &bottomUp)
                                                     : BitmapRead::Skipped;
    return shared::PatternBrush(read, std::move(bitmap), out);
}

bool OldPatternBrush(RecordReader&, BrushRecord* out)
{
    // An old device-dependent bitmap pattern: drawn as a mid-grey brush.
    return shared::PatternBrush(BitmapRead::Skipped, nullptr, out);
}

// A region object: a header, then scans of equal top and bottom, each a list of left/right
// pairs framed by its coordinate count.
bool RegionObject(RecordReader& reader, RegionRecord* out)
{
    uint16_t scanCount = 0;
    if (!reader.Skip(2 + 2 + 4 + 2) || !reader.U16(&scanCount) || !reader.Skip(2 + 8)) {
        return false;
    }
    for (uint16_t scan = 0; scan < scanCount; ++scan) {
        uint16_t count = 0;
        double top = 0;
        double bottom = 0;
        if (!reader.U16(&count) || !reader.S16(&top) || !reader.S16(&bottom) ||
            !reader.Has(static_cast<size_t>(count) * 2 + 2)) {
            return false;
        }
        for (uint16_t i = 0; i + 1 < count; i += 2) {
            double left = 0;
            double right = 0;
            reader.S16(&left);
            reader.S16(&right);
            out->logicalRects.push_back({left, top, right, bottom});
        }
        reader.Skip((count % 2) * 2 + 2);  // an odd coordinate, then the closing count
    }
    return true;
}

bool FillRegion(RecordReader& reader, RegionPaintRecord* out)
{
    // The brush comes first, as the system's player reads it.
    out->kind = RegionPaint::Fill;
    return ReadRegionIndex(reader, &out->brushObject) && ReadRegionIndex(reader, &out->regionObject);
}

bool FrameRegion(RecordReader& reader, RegionPaintRecord* out)
{
    // The frame's height and width, the brush, then the region: the call's arguments last to
    // first, like every record's, and how the system's player and writer take them.
    out->kind = RegionPaint::Frame;
    return reader.S16(&out->frameHeight) && reader.S16(&out->frameWidth) &&
           ReadRegionIndex(reader, &out->brushObject) && ReadRegionIndex(reader, &out->regionObject);
}

bool PaintRegion(RecordReader& reader, RegionPaintRecord* out)
{
    out->kind = RegionPaint::Paint;
    return ReadRegionIndex(reader, &out->regionObject);
}

bool InvertRegion(RecordReader& reader, RegionPaintRecord* out)
{
    out->kind = RegionPaint::Invert;
    return ReadRegionIndex(reader, &out->regionObject);
}

bool TextOut(RecordReader& reader, TextRecord* out)
{
    uint16_t length = 0;
    if (!reader.U16(&length) || !reader.PaddedBytes(length, &out->ansi) ||
        !reader.ArgPoint(&out->output.reference)) {
        return false;
    }
    out->ansiCount = length;
    return true;
}

bool ExtTextOut(RecordReader& reader, TextRecord* out)
{
    TextOutput& text = out->output;
    uint16_t length = 0;
    uint16_t options = 0;
    if (!reader.ArgPoint(&text.reference) || !reader.U16(&length) || !reader.U16(&options)) {
        return false;
    }
    text.options = options;
    if ((options & (kTextOpaque | kTextClipped)) != 0) {
        std::array<double, 4> edges{};  // left, top, right, bottom
        for (double& edge : edges) {
            if (!reader.S16(&edge)) {
                return false;
            }
        }
        text.rect = Rect{edges[0], edges[1], edges[2], edges[3]};
    }
    if (!reader.PaddedBytes(length, &out->ansi)) {
        return false;
    }
    out->ansiCount = length;
    // Advances are optional: one 16-bit value per byte of the string when present.
    if (reader.Remaining() >= out->ansiCount * 2) {
        text.dx.resize(out->ansiCount);
        for (double& advance : text.dx) {
            reader.S16(&advance);
        }
    }
    return true;
}

bool Blit(RecordReader& reader, BlitRecord* out)
{
    BlitFields fields;
    if (!ReadBlitFields(reader, &fields)) {
        return false;
    }
    out->blit.rasterOp = fields.rop;
    shared::BlitAreas(fields.destination, fields.source, out);
    if (!fields.hasBitmap) {
        return true;
    }
    bool bottomUp = false;
    const BitmapRead read = reader.PackedBitmap(&out->bitmap, &bottomUp);
    return shared::AttachBitmap(read, fields.bottomUpOrigin, bottomUp, out);
}

} // namespace wmf

bool PlayWmf(const uint8_t* data, size_t size, const WmfInfo& info, Player& player)
{
    return PlayTable(WmfTable(), RecordWalker(RecordWalker::Style::Wmf, data, size, info.firstRecord),
                     player);
}

bool FindWmfWindow(const uint8_t* data, size_t size, const WmfInfo& info, Rect* window)
{
    RecordWalker walker(RecordWalker::Style::Wmf, data, size, info.firstRecord);
    Record record;
    std::optional<Point> origin;
    while (walker.Next(&record) == Step::Record) {
        if (record.type != wmf::kSetWindowOrg && record.type != wmf::kSetWindowExt) {
            continue;
        }
        RecordReader reader(Layout::Wmf, record);
        Point p;
        if (!reader.ArgPoint(&p)) {
            return false;
        }
        if (record.type == wmf::kSetWindowOrg) {
            if (!origin) {
                origin = p;
            }
            continue;
        }
        if (p.x == 0 || p.y == 0) {
            continue;
        }
        const Point o = origin.value_or(Point{0, 0});
        *window = {o.x, o.y, o.x + p.x, o.y + p.y};
        return true;
    }
    return false;
}

} // namespace zv::imaging::metafile
