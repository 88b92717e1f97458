#include "imaging/metafile/wmf.h"

#include "imaging/metafile/dib.h"
#include "imaging/metafile/text.h"
#include "imaging/core/source.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zv::imaging::metafile {
namespace {

enum WmfFunction : uint32_t {
    kSaveDc = 0x001E,
    kRealizePalette = 0x0035,
    kSetBkMode = 0x0102,
    kSetMapMode = 0x0103,
    kSetRop2 = 0x0104,
    kSetPolyFillMode = 0x0106,
    kRestoreDc = 0x0127,
    kSelectClipRegion = 0x012C,
    kSelectObject = 0x012D,
    kSetTextAlign = 0x012E,
    kDibCreatePatternBrush = 0x0142,
    kDeleteObject = 0x01F0,
    kCreatePatternBrush = 0x01F9,
    kSetBkColor = 0x0201,
    kSetTextColor = 0x0209,
    kSetWindowOrg = 0x020B,
    kSetWindowExt = 0x020C,
    kSetViewportOrg = 0x020D,
    kSetViewportExt = 0x020E,
    kOffsetWindowOrg = 0x020F,
    kOffsetViewportOrg = 0x0211,
    kOffsetClipRgn = 0x0220,
    kInvertRegion = 0x012A,
    kPaintRegion = 0x012B,
    kFillRegion = 0x0228,
    kLineTo = 0x0213,
    kMoveTo = 0x0214,
    kCreatePalette = 0x00F7,
    kCreatePenIndirect = 0x02FA,
    kCreateFontIndirect = 0x02FB,
    kCreateBrushIndirect = 0x02FC,
    kPolygon = 0x0324,
    kPolyline = 0x0325,
    kScaleWindowExt = 0x0410,
    kScaleViewportExt = 0x0412,
    kExcludeClipRect = 0x0415,
    kIntersectClipRect = 0x0416,
    kEllipse = 0x0418,
    kRectangle = 0x041B,
    kSetPixel = 0x041F,
    kTextOut = 0x0521,
    kPolyPolygon = 0x0538,
    kRoundRect = 0x061C,
    kPatBlt = 0x061D,
    kCreateRegion = 0x06FF,
    kArc = 0x0817,
    kPie = 0x081A,
    kChord = 0x0830,
    kBitBlt = 0x0922,
    kDibBitBlt = 0x0940,
    kExtTextOut = 0x0A32,
    kStretchBlt = 0x0B23,
    kDibStretchBlt = 0x0B41,
    kSetDibToDev = 0x0D33,
    kStretchDib = 0x0F43,
};

constexpr uint16_t kBrushSolid = 0;
constexpr uint16_t kBrushNull = 1;
constexpr uint16_t kBrushHatched = 2;
constexpr uint16_t kColourUsageRgb = 0;
constexpr size_t kFaceNameBytes = 32;

// The parameters of one record, read with bounds checks; values are 16-bit and signed unless
// a reader says otherwise.
class Params {
public:
    explicit Params(const Record& record)
        : reader_(record.data + record.headerSize, record.size - record.headerSize)
    {
    }

    bool Short(double* out)
    {
        uint16_t value = 0;
        if (!reader_.U16LE(&value)) {
            return false;
        }
        *out = static_cast<int16_t>(value);
        return true;
    }
    template <size_t N>
    bool Shorts(std::array<double, N>* out)
    {
        for (double& value : *out) {
            if (!Short(&value)) {
                return false;
            }
        }
        return true;
    }
    bool U16(uint16_t* out) { return reader_.U16LE(out); }
    bool U32(uint32_t* out) { return reader_.U32LE(out); }
    bool Skip(size_t count) { return reader_.Skip(count); }
    bool Has(size_t count) const { return reader_.Has(count); }
    bool Points(size_t count, std::vector<Point>* out)
    {
        if (!reader_.Has(count * 4)) {
            return false;
        }
        out->resize(count);
        for (Point& p : *out) {
            Short(&p.x);
            Short(&p.y);
        }
        return true;
    }
    // Bytes followed by padding to an even count.
    bool PaddedBytes(size_t count, const uint8_t** out)
    {
        if (!reader_.Has(count)) {
            return false;
        }
        *out = reader_.current();
        reader_.Skip(count);
        return count % 2 == 0 || reader_.Skip(1) || reader_.remaining() == 0;
    }
    const uint8_t* Current() const { return reader_.current(); }
    size_t Remaining() const { return reader_.remaining(); }

private:
    ByteReader reader_;
};

// Y then X, as most records store a point.
bool ReadPointYX(Params& params, Point* p)
{
    std::array<double, 2> values{};
    if (!params.Shorts(&values)) {
        return false;
    }
    *p = {values[1], values[0]};
    return true;
}

// Bottom, right, top, left.
bool ReadRectBRTL(Params& params, Rect* rect)
{
    std::array<double, 4> values{};
    if (!params.Shorts(&values)) {
        return false;
    }
    *rect = {values[3], values[2], values[1], values[0]};
    return true;
}

std::string TrimmedFaceName(const uint8_t* bytes, size_t count)
{
    std::string name;
    for (size_t i = 0; i < count && bytes[i] != 0; ++i) {
        name.push_back(static_cast<char>(bytes[i]));
    }
    // Face names are stored in the font's code page; families are matched by their UTF-8 name.
    std::string utf8;
    for (char32_t c : DecodeAnsi(reinterpret_cast<const uint8_t*>(name.data()), name.size(), 0)) {
        utf8 += EncodeUtf8(c);
    }
    return utf8;
}

class WmfPlayer {
public:
    explicit WmfPlayer(Player& player) : player_(player) {}
    bool Play(const Record& record);

private:
    DeviceContext& Dc() { return player_.Dc(); }
    bool State(uint32_t type, Params& params);
    bool Objects(uint32_t type, Params& params, bool* handled);
    bool Shapes(uint32_t type, Params& params, bool* handled);
    bool Text(uint32_t type, Params& params);
    bool Bitmaps(const Record& record, Params& params);
    bool CreatePen(Params& params);
    bool CreateBrush(Params& params);
    bool CreateFont(Params& params);
    bool CreatePatternBrush(Params& params);
    bool CreateRegion(Params& params);
    bool PaintRegion(uint32_t type, Params& params);

    Player& player_;
};

bool WmfPlayer::Play(const Record& record)
{
    Params params(record);
    bool handled = false;
    if (!Objects(record.type, params, &handled)) {
        return false;
    }
    if (handled) {
        return true;
    }
    if (!Shapes(record.type, params, &handled)) {
        return false;
    }
    if (handled) {
        return true;
    }
    switch (record.type) {
    case kTextOut:
    case kExtTextOut:
        return Text(record.type, params);
    case kPatBlt:
    case kBitBlt:
    case kStretchBlt:
    case kDibBitBlt:
    case kDibStretchBlt:
    case kStretchDib:
    case kSetDibToDev:
        return Bitmaps(record, params);
    default:
        return State(record.type, params);
    }
}

bool WmfPlayer::State(uint32_t type, Params& params)
{
    DeviceContext& dc = Dc();
    DcState& state = dc.MutableState();
    uint16_t value = 0;
    uint32_t colour = 0;
    Point p;
    Rect rect;
    std::array<double, 4> scale{};
    switch (type) {
    case kSetBkMode:
        if (!params.U16(&value)) {
            return false;
        }
        state.opaqueBackground = value == 2;
        return true;
    case kSetMapMode:
        if (!params.U16(&value)) {
            return false;
        }
        dc.SetMapMode(value);
        return true;
    case kSetPolyFillMode:
        if (!params.U16(&value)) {
            return false;
        }
        state.windingFill = value == 2;
        return true;
    case kSetRop2:
        if (!params.U16(&value)) {
            return false;
        }
        state.rop2 = SanitizedRop2(value);
        return true;
    case kSetTextAlign:
        if (!params.U16(&value)) {
            return false;
        }
        state.textAlign = value;
        return true;
    case kSetBkColor:
    case kSetTextColor:
        if (!params.U32(&colour)) {
            return false;
        }
        (type == kSetBkColor ? state.backgroundColor : state.textColor) = Color::FromColorRef(colour);
        return true;
    case kSetWindowOrg:
    case kSetWindowExt:
    case kSetViewportOrg:
    case kSetViewportExt:
    case kOffsetWindowOrg:
    case kOffsetViewportOrg:
        if (!ReadPointYX(params, &p)) {
            return false;
        }
        if (type == kSetWindowOrg) {
            dc.SetWindowOrg(p);
        } else if (type == kSetWindowExt) {
            dc.SetWindowExt(p);
        } else if (type == kSetViewportOrg) {
            dc.SetViewportOrg(p);
        } else if (type == kSetViewportExt) {
            dc.SetViewportExt(p);
        } else if (type == kOffsetWindowOrg) {
            dc.OffsetWindowOrg(p);
        } else {
            dc.OffsetViewportOrg(p);
        }
        return true;
    case kScaleWindowExt:
    case kScaleViewportExt:
        // yDenom, yNum, xDenom, xNum
        if (!params.Shorts(&scale)) {
            return false;
        }
        if (type == kScaleWindowExt) {
            dc.ScaleWindowExt(scale[3], scale[2], scale[1], scale[0]);
        } else {
            dc.ScaleViewportExt(scale[3], scale[2], scale[1], scale[0]);
        }
        return true;
    case kSaveDc:
        dc.Save();
        return true;
    case kRestoreDc: {
        double level = 0;
        if (!params.Short(&level)) {
            return false;
        }
        dc.Restore(static_cast<int>(level));
        return true;
    }
    case kOffsetClipRgn:
        if (!ReadPointYX(params, &p)) {
            return false;
        }
        player_.OffsetClip(p);
        return true;
    case kIntersectClipRect:
    case kExcludeClipRect:
        if (!ReadRectBRTL(params, &rect)) {
            return false;
        }
        if (type == kIntersectClipRect) {
            player_.IntersectClipRect(rect);
        } else {
            player_.ExcludeClipRect(rect);
        }
        return true;
    default:
        return true;  // records that change nothing drawn here, and unknown ones
    }
}

bool WmfPlayer::Objects(uint32_t type, Params& params, bool* handled)
{
    *handled = true;
    uint16_t index = 0;
    switch (type) {
    case kCreatePenIndirect:
        return CreatePen(params);
    case kCreateBrushIndirect:
        return CreateBrush(params);
    case kCreateFontIndirect:
        return CreateFont(params);
    case kDibCreatePatternBrush:
        return CreatePatternBrush(params);
    case kCreatePatternBrush:
        // An old device-dependent bitmap pattern: drawn as a mid-grey brush.
        Dc().CreateObject(-1, Brush{BrushKind::Solid, Color{128, 128, 128}, 0, nullptr});
        return true;
    case kCreatePalette:
        Dc().CreateObject(-1, OtherObject{});
        return true;
    case kCreateRegion:
        return CreateRegion(params);
    case kInvertRegion:
    case kPaintRegion:
    case kFillRegion:
        return PaintRegion(type, params);
    case kSelectClipRegion:
    case kSelectObject:
    case kDeleteObject:
        if (!params.U16(&index)) {
            return false;
        }
        if (const Region* region = Dc().FindRegion(index); region != nullptr && type != kDeleteObject) {
            player_.SelectClipArea(region->area, kRegionCopy);  // selecting a region sets the clip
        } else if (type == kSelectObject) {
            Dc().SelectObject(index);
        } else if (type == kDeleteObject) {
            Dc().DeleteObject(index);
        }
        return true;
    default:
        *handled = false;
        return true;
    }
}

bool WmfPlayer::CreatePen(Params& params)
{
    uint16_t style = 0;
    double width = 0;
    double ignored = 0;
    uint32_t colour = 0;
    if (!params.U16(&style) || !params.Short(&width) || !params.Short(&ignored) ||
        !params.U32(&colour)) {
        return false;
    }
    Dc().CreateObject(-1, Pen{style, width, Color::FromColorRef(colour), {}});
    return true;
}

bool WmfPlayer::CreateBrush(Params& params)
{
    uint16_t style = 0;
    uint32_t colour = 0;
    uint16_t hatch = 0;
    if (!params.U16(&style) || !params.U32(&colour) || !params.U16(&hatch)) {
        return false;
    }
    Brush brush;
    brush.color = Color::FromColorRef(colour);
    brush.hatch = hatch;
    brush.kind = style == kBrushNull      ? BrushKind::Null
                 : style == kBrushHatched ? BrushKind::Hatched
                                          : BrushKind::Solid;
    if (style != kBrushSolid && style != kBrushNull && style != kBrushHatched) {
        brush.color = Color{128, 128, 128};  // a pattern without its bitmap
    }
    Dc().CreateObject(-1, brush);
    return true;
}

bool WmfPlayer::CreateFont(Params& params)
{
    std::array<double, 5> values{};  // height, width, escapement, orientation, weight
    if (!params.Shorts(&values)) {
        return false;
    }
    // Then italic, underline, strike-out, character set, four precision and pitch bytes, and
    // the face name.
    const uint8_t* rest = params.Current();
    const size_t restSize = params.Remaining();
    if (restSize < 8) {
        return false;
    }
    Font font;
    font.height = values[0];
    font.width = values[1];
    font.escapement = static_cast<int>(values[2]);
    font.weight = static_cast<int>(values[4]);
    font.italic = rest[0] != 0;
    font.underline = rest[1] != 0;
    font.strikeOut = rest[2] != 0;
    font.charset = rest[3];
    font.faceName = TrimmedFaceName(rest + 8, std::min(restSize - 8, kFaceNameBytes));
    Dc().CreateObject(-1, font);
    return true;
}

// A region object: a header, then scans of equal top and bottom, each a list of left/right
// pairs framed by its coordinate count.
bool WmfPlayer::CreateRegion(Params& params)
{
    uint16_t scanCount = 0;
    if (!params.Skip(2 + 2 + 4 + 2) || !params.U16(&scanCount) || !params.Skip(2 + 8)) {
        return false;
    }
    std::vector<Rect> rects;
    for (uint16_t scan = 0; scan < scanCount; ++scan) {
        uint16_t count = 0;
        std::array<double, 2> topBottom{};
        if (!params.U16(&count) || !params.Shorts(&topBottom) || !params.Has(static_cast<size_t>(count) * 2 + 2)) {
            return false;
        }
        for (uint16_t i = 0; i + 1 < count; i += 2) {
            std::array<double, 2> leftRight{};
            params.Shorts(&leftRight);
            rects.push_back({leftRight[0], topBottom[0], leftRight[1], topBottom[1]});
        }
        params.Skip((count % 2) * 2 + 2);  // an odd coordinate, then the closing count
    }
    // Scans are in logical units; the area is fixed where the page map stands now.
    Dc().CreateObject(-1, Region{player_.LogicalRegionArea(rects)});
    return true;
}

// FillRegion (region and brush objects), PaintRegion (the selected brush), InvertRegion.
bool WmfPlayer::PaintRegion(uint32_t type, Params& params)
{
    // FillRegion stores the brush first, as the system's player reads it.
    uint16_t regionIndex = 0;
    uint16_t brushIndex = 0;
    if ((type == kFillRegion && !params.U16(&brushIndex)) || !params.U16(&regionIndex)) {
        return false;
    }
    const Region* region = Dc().FindRegion(regionIndex);
    if (region == nullptr) {
        return true;
    }
    if (type == kInvertRegion) {
        player_.InvertArea(region->area);
    } else if (type == kPaintRegion) {
        player_.PaintArea(region->area, Dc().State().brush);
    } else if (const Brush* brush = Dc().FindBrush(brushIndex)) {
        player_.PaintArea(region->area, *brush);
    }
    return true;
}

bool WmfPlayer::CreatePatternBrush(Params& params)
{
    uint16_t style = 0;
    uint16_t usage = 0;
    if (!params.U16(&style) || !params.U16(&usage)) {
        return false;
    }
    Brush brush{BrushKind::Solid, Color{128, 128, 128}, 0, nullptr};
    auto bitmap = std::make_shared<Bitmap>();
    if (usage == kColourUsageRgb) {
        const DibResult result = DecodePackedDib(params.Current(), params.Remaining(), bitmap.get());
        if (result == DibResult::Corrupt) {
            return false;
        }
        if (result == DibResult::Ok) {
            brush = Brush{BrushKind::Pattern, {}, 0, std::move(bitmap)};
        }
    }
    Dc().CreateObject(-1, brush);
    return true;
}

bool WmfPlayer::Shapes(uint32_t type, Params& params, bool* handled)
{
    *handled = true;
    Point p;
    Rect rect;
    std::vector<Point> points;
    switch (type) {
    case kMoveTo:
    case kLineTo:
        if (!ReadPointYX(params, &p)) {
            return false;
        }
        if (type == kMoveTo) {
            player_.MoveTo(p);
        } else {
            player_.LineTo(p);
        }
        return true;
    case kRectangle:
    case kEllipse:
        if (!ReadRectBRTL(params, &rect)) {
            return false;
        }
        if (type == kRectangle) {
            player_.Rectangle(rect);
        } else {
            player_.Ellipse(rect);
        }
        return true;
    case kRoundRect: {
        std::array<double, 2> corner{};  // height, width
        if (!params.Shorts(&corner) || !ReadRectBRTL(params, &rect)) {
            return false;
        }
        player_.RoundRect(rect, corner[1], corner[0]);
        return true;
    }
    case kArc:
    case kPie:
    case kChord: {
        Point end;
        Point start;
        if (!ReadPointYX(params, &end) || !ReadPointYX(params, &start) ||
            !ReadRectBRTL(params, &rect)) {
            return false;
        }
        const ArcKind kind = type == kArc ? ArcKind::Open : type == kPie ? ArcKind::Pie : ArcKind::Chord;
        player_.Arc(rect, start, end, kind);
        return true;
    }
    case kPolygon:
    case kPolyline: {
        uint16_t count = 0;
        if (!params.U16(&count) || !params.Points(count, &points)) {
            return false;
        }
        if (type == kPolygon) {
            player_.Polygon(points);
        } else {
            player_.Polyline(points);
        }
        return true;
    }
    case kPolyPolygon: {
        uint16_t polygonCount = 0;
        if (!params.U16(&polygonCount)) {
            return false;
        }
        std::vector<uint16_t> counts(polygonCount);
        for (uint16_t& count : counts) {
            if (!params.U16(&count)) {
                return false;
            }
        }
        std::vector<std::vector<Point>> polygons(polygonCount);
        for (size_t i = 0; i < counts.size(); ++i) {
            if (!params.Points(counts[i], &polygons[i])) {
                return false;
            }
        }
        player_.PolyPolygon(polygons);
        return true;
    }
    case kSetPixel: {
        uint32_t colour = 0;
        if (!params.U32(&colour) || !ReadPointYX(params, &p)) {
            return false;
        }
        player_.SetPixel(p, Color::FromColorRef(colour));
        return true;
    }
    default:
        *handled = false;
        return true;
    }
}

bool WmfPlayer::Text(uint32_t type, Params& params)
{
    TextOutput text;
    const uint8_t* bytes = nullptr;
    size_t count = 0;
    if (type == kTextOut) {
        uint16_t length = 0;
        if (!params.U16(&length) || !params.PaddedBytes(length, &bytes) ||
            !ReadPointYX(params, &text.reference)) {
            return false;
        }
        count = length;
    } else {
        uint16_t length = 0;
        uint16_t options = 0;
        if (!ReadPointYX(params, &text.reference) || !params.U16(&length) || !params.U16(&options)) {
            return false;
        }
        text.options = options;
        if ((options & (kTextOpaque | kTextClipped)) != 0) {
            std::array<double, 4> edges{};  // left, top, right, bottom
            if (!params.Shorts(&edges)) {
                return false;
            }
            text.rect = Rect{edges[0], edges[1], edges[2], edges[3]};
        }
        if (!params.PaddedBytes(length, &bytes)) {
            return false;
        }
        count = length;
        // Advances are optional: one 16-bit value per byte of the string when present.
        if (params.Remaining() >= count * 2) {
            for (size_t i = 0; i < count; ++i) {
                double advance = 0;
                params.Short(&advance);
                text.dx.push_back(advance);
            }
        }
    }
    text.text = DecodeAnsi(bytes, count, Dc().State().font.charset);
    if (text.dx.size() != text.text.size()) {
        text.dx.clear();  // multi-byte characters: the per-byte advances do not line up
    }
    player_.Text(text);
    return true;
}

// A bitmap record: where it goes, what part of the bitmap, and the bitmap itself if any.
struct BlitFields {
    uint32_t rop = 0;
    std::array<double, 4> source{};       // x, y, width, height
    std::array<double, 4> destination{};  // x, y, width, height
    bool hasBitmap = false;
    bool bottomUpOrigin = false;          // y of the source counts from the bottom row
};

bool ReadBlitFields(const Record& record, Params& params, BlitFields* fields)
{
    // Whether a blit record carries a bitmap shows in its size.
    const size_t words = record.size / 2;
    const bool withBitmap = words != (record.type >> 8) + 3;
    std::array<double, 2> wh{};
    std::array<double, 2> yx{};
    switch (record.type) {
    case kPatBlt: {
        std::array<double, 4> values{};  // height, width, y, x
        if (!params.U32(&fields->rop) || !params.Shorts(&values)) {
            return false;
        }
        fields->destination = {values[3], values[2], values[1], values[0]};
        return true;
    }
    case kBitBlt:
    case kDibBitBlt: {
        if (!params.U32(&fields->rop) || !params.Shorts(&yx) || (!withBitmap && !params.Skip(2))) {
            return false;
        }
        std::array<double, 4> dest{};  // height, width, y, x
        if (!params.Shorts(&dest)) {
            return false;
        }
        fields->source = {yx[1], yx[0], dest[1], dest[0]};
        fields->destination = {dest[3], dest[2], dest[1], dest[0]};
        fields->hasBitmap = withBitmap && record.type == kDibBitBlt;
        return true;
    }
    case kStretchBlt:
    case kDibStretchBlt: {
        if (!params.U32(&fields->rop) || !params.Shorts(&wh) || !params.Shorts(&yx) ||
            (!withBitmap && !params.Skip(2))) {
            return false;
        }
        std::array<double, 4> dest{};
        if (!params.Shorts(&dest)) {
            return false;
        }
        fields->source = {yx[1], yx[0], wh[1], wh[0]};
        fields->destination = {dest[3], dest[2], dest[1], dest[0]};
        fields->hasBitmap = withBitmap && record.type == kDibStretchBlt;
        return true;
    }
    case kStretchDib: {
        uint16_t usage = 0;
        std::array<double, 4> dest{};
        if (!params.U32(&fields->rop) || !params.U16(&usage) || !params.Shorts(&wh) ||
            !params.Shorts(&yx) || !params.Shorts(&dest)) {
            return false;
        }
        fields->source = {yx[1], yx[0], wh[1], wh[0]};
        fields->destination = {dest[3], dest[2], dest[1], dest[0]};
        fields->hasBitmap = usage == kColourUsageRgb;
        fields->bottomUpOrigin = true;
        return true;
    }
    default: {  // SetDIBitsToDevice: usage, scan count, start scan, y, x, height, width, y, x
        uint16_t usage = 0;
        std::array<double, 2> scans{};
        std::array<double, 4> source{};
        if (!params.U16(&usage) || !params.Shorts(&scans) || !params.Shorts(&source) ||
            !params.Shorts(&yx)) {
            return false;
        }
        fields->rop = 0x00CC0020;
        fields->source = {source[1], source[0], source[3], source[2]};
        fields->destination = {yx[1], yx[0], source[3], source[2]};
        fields->hasBitmap = usage == kColourUsageRgb;
        fields->bottomUpOrigin = true;
        return true;
    }
    }
}

bool WmfPlayer::Bitmaps(const Record& record, Params& params)
{
    BlitFields fields;
    if (!ReadBlitFields(record, params, &fields)) {
        return false;
    }
    BitmapBlit blit;
    blit.rasterOp = fields.rop;
    const auto& d = fields.destination;
    blit.dest = {d[0], d[1], d[0] + d[2], d[1] + d[3]};
    blit.srcX = fields.source[0];
    blit.srcY = fields.source[1];
    blit.srcWidth = fields.source[2];
    blit.srcHeight = fields.source[3];
    Bitmap bitmap;
    if (fields.hasBitmap) {
        const DibResult result = DecodePackedDib(params.Current(), params.Remaining(), &bitmap);
        if (result == DibResult::Corrupt) {
            return false;
        }
        if (result != DibResult::Ok) {
            return true;  // a bitmap kind not drawn here; the rest of the picture still is
        }
        blit.bitmap = &bitmap;
        if (fields.bottomUpOrigin && DibIsBottomUp(params.Current(), params.Remaining())) {
            blit.srcY = bitmap.height - blit.srcY - blit.srcHeight;
        }
    }
    player_.Blit(blit);
    return true;
}

} // namespace

bool PlayWmf(const uint8_t* data, size_t size, const WmfInfo& info, Player& player)
{
    WmfPlayer wmf(player);
    return PlayRecords(RecordWalker(RecordWalker::Style::Wmf, data, size, info.firstRecord),
                       [&](const Record& record) { return wmf.Play(record); },
                       [&] { return player.Stopped(); });
}

bool FindWmfWindow(const uint8_t* data, size_t size, const WmfInfo& info, Rect* window)
{
    RecordWalker walker(RecordWalker::Style::Wmf, data, size, info.firstRecord);
    Record record;
    std::optional<Point> origin;
    while (walker.Next(&record) == Step::Record) {
        if (record.type != kSetWindowOrg && record.type != kSetWindowExt) {
            continue;
        }
        Params params(record);
        Point p;
        if (!ReadPointYX(params, &p)) {
            return false;
        }
        if (record.type == kSetWindowOrg) {
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
