#include "imaging/metafile/emf.h"

#include "imaging/metafile/dib.h"
#include "imaging/metafile/text.h"
#include "imaging/core/source.h"

#include <array>
#include <bit>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace zv::imaging::metafile {
namespace {

enum EmfType : uint32_t {
    kPolyBezier = 2,
    kPolygon = 3,
    kPolyline = 4,
    kPolyBezierTo = 5,
    kPolylineTo = 6,
    kPolyPolyline = 7,
    kPolyPolygon = 8,
    kSetWindowExtEx = 9,
    kSetWindowOrgEx = 10,
    kSetViewportExtEx = 11,
    kSetViewportOrgEx = 12,
    kSetPixelV = 15,
    kSetMapMode = 17,
    kSetBkMode = 18,
    kSetPolyFillMode = 19,
    kSetRop2 = 20,
    kSetTextAlign = 22,
    kSetTextColor = 24,
    kSetBkColor = 25,
    kOffsetClipRgn = 26,
    kMoveToEx = 27,
    kExcludeClipRect = 29,
    kIntersectClipRect = 30,
    kScaleViewportExtEx = 31,
    kScaleWindowExtEx = 32,
    kSaveDc = 33,
    kRestoreDc = 34,
    kSetWorldTransform = 35,
    kModifyWorldTransform = 36,
    kSelectObject = 37,
    kCreatePen = 38,
    kCreateBrushIndirect = 39,
    kDeleteObject = 40,
    kAngleArc = 41,
    kEllipse = 42,
    kRectangle = 43,
    kRoundRect = 44,
    kArc = 45,
    kChord = 46,
    kPie = 47,
    kCreatePalette = 49,
    kLineTo = 54,
    kArcTo = 55,
    kSetArcDirection = 57,
    kSetMiterLimit = 58,
    kBeginPath = 59,
    kEndPath = 60,
    kCloseFigure = 61,
    kFillPath = 62,
    kStrokeAndFillPath = 63,
    kStrokePath = 64,
    kSelectClipPath = 67,
    kAbortPath = 68,
    kFillRgn = 71,
    kInvertRgn = 73,
    kPaintRgn = 74,
    kExtSelectClipRgn = 75,
    kBitBlt = 76,
    kStretchBlt = 77,
    kSetDiBitsToDevice = 80,
    kStretchDiBits = 81,
    kExtCreateFontIndirectW = 82,
    kExtTextOutA = 83,
    kExtTextOutW = 84,
    kPolyBezier16 = 85,
    kPolygon16 = 86,
    kPolyline16 = 87,
    kPolyBezierTo16 = 88,
    kPolylineTo16 = 89,
    kPolyPolyline16 = 90,
    kPolyPolygon16 = 91,
    kCreateMonoBrush = 93,
    kCreateDibPatternBrushPt = 94,
    kExtCreatePen = 95,
};

constexpr uint32_t kStockObject = 0x80000000u;
constexpr uint32_t kBrushSolid = 0;
constexpr uint32_t kBrushNull = 1;
constexpr uint32_t kBrushHatched = 2;
constexpr uint32_t kColourUsageRgb = 0;
constexpr uint32_t kTextGlyphIndex = 0x10;
constexpr uint32_t kTextPdy = 0x2000;
constexpr size_t kBoundsSize = 16;
constexpr size_t kFaceNameUnits = 32;
constexpr uint32_t kMaxUserDashes = 16;

class Params {
public:
    explicit Params(const Record& record)
        : record_(record), reader_(record.data + record.headerSize, record.size - record.headerSize)
    {
    }

    bool Int(double* out)
    {
        uint32_t value = 0;
        if (!reader_.U32LE(&value)) {
            return false;
        }
        *out = static_cast<int32_t>(value);
        return true;
    }
    template <size_t N>
    bool Ints(std::array<double, N>* out)
    {
        for (double& value : *out) {
            if (!Int(&value)) {
                return false;
            }
        }
        return true;
    }
    bool U16(uint16_t* out) { return reader_.U16LE(out); }
    bool U32(uint32_t* out) { return reader_.U32LE(out); }
    bool Float(double* out)
    {
        uint32_t bits = 0;
        if (!reader_.U32LE(&bits)) {
            return false;
        }
        *out = std::bit_cast<float>(bits);
        return true;
    }
    bool Skip(size_t count) { return reader_.Skip(count); }
    bool Point32(Point* p)
    {
        std::array<double, 2> values{};
        if (!Ints(&values)) {
            return false;
        }
        *p = {values[0], values[1]};
        return true;
    }
    bool Rectl(Rect* rect)
    {
        std::array<double, 4> values{};
        if (!Ints(&values)) {
            return false;
        }
        *rect = {values[0], values[1], values[2], values[3]};
        return true;
    }
    bool Points(size_t count, bool shortPoints, std::vector<Point>* out)
    {
        const size_t pointSize = shortPoints ? 4 : 8;
        if (count > reader_.remaining() / pointSize) {
            return false;
        }
        out->resize(count);
        for (Point& p : *out) {
            if (shortPoints) {
                uint16_t x = 0;
                uint16_t y = 0;
                reader_.U16LE(&x);
                reader_.U16LE(&y);
                p = {static_cast<double>(static_cast<int16_t>(x)),
                     static_cast<double>(static_cast<int16_t>(y))};
            } else {
                Point32(&p);
            }
        }
        return true;
    }
    bool Xform(Affine* out)
    {
        std::array<double, 6> m{};
        for (double& value : m) {
            if (!Float(&value)) {
                return false;
            }
        }
        *out = {m[0], m[1], m[2], m[3], m[4], m[5]};
        return true;
    }
    // A byte range given by offset (from the record start) and length; false when any of it
    // lies outside the record.
    bool Range(uint64_t offset, uint64_t length, const uint8_t** out) const
    {
        if (offset > record_.size || length > record_.size - offset) {
            return false;
        }
        *out = record_.data + offset;
        return true;
    }

private:
    const Record& record_;
    ByteReader reader_;
};

class EmfPlayer {
public:
    explicit EmfPlayer(Player& player) : player_(player) {}
    bool Play(const Record& record);

private:
    DeviceContext& Dc() { return player_.Dc(); }
    bool State(const Record& record, Params& params, bool* handled);
    bool Mapping(uint32_t type, Params& params, bool* handled);
    bool Objects(uint32_t type, Params& params, bool* handled);
    bool Lines(uint32_t type, Params& params, bool* handled);
    bool Shapes(uint32_t type, Params& params, bool* handled);
    bool Paths(uint32_t type, Params& params, bool* handled);
    bool CreatePen(Params& params);
    bool ExtCreatePen(Params& params);
    bool CreateBrush(Params& params);
    bool CreatePatternBrush(Params& params);
    bool CreateFont(Params& params);
    bool PolyPoly(uint32_t type, Params& params);
    bool Text(uint32_t type, Params& params);
    bool Blit(uint32_t type, Params& params);
    bool ClipRegion(Params& params);
    bool PaintRegion(uint32_t type, Params& params);

    Player& player_;
};

bool EmfPlayer::Play(const Record& record)
{
    Params params(record);
    using Handler = bool (EmfPlayer::*)(uint32_t, Params&, bool*);
    for (Handler handler : {&EmfPlayer::Mapping, &EmfPlayer::Objects, &EmfPlayer::Lines,
                            &EmfPlayer::Shapes, &EmfPlayer::Paths}) {
        bool handled = false;
        if (!(this->*handler)(record.type, params, &handled)) {
            return false;
        }
        if (handled) {
            return true;
        }
    }
    switch (record.type) {
    case kExtTextOutA:
    case kExtTextOutW:
        return Text(record.type, params);
    case kBitBlt:
    case kStretchBlt:
    case kStretchDiBits:
    case kSetDiBitsToDevice:
        return Blit(record.type, params);
    case kExtSelectClipRgn:
        return ClipRegion(params);
    case kFillRgn:
    case kInvertRgn:
    case kPaintRgn:
        return PaintRegion(record.type, params);
    default: {
        bool handled = false;
        return State(record, params, &handled);
    }
    }
}

bool EmfPlayer::State(const Record& record, Params& params, bool* handled)
{
    *handled = true;
    DcState& state = Dc().MutableState();
    uint32_t value = 0;
    switch (record.type) {
    case kSetBkMode:
    case kSetPolyFillMode:
    case kSetRop2:
    case kSetTextAlign:
    case kSetTextColor:
    case kSetBkColor:
    case kSetArcDirection:
    case kSetMiterLimit:
    case kRestoreDc:
        if (!params.U32(&value)) {
            return false;
        }
        break;
    case kSaveDc:
        Dc().Save();
        return true;
    default:
        *handled = false;
        return true;  // records that change nothing drawn here, and unknown ones
    }
    switch (record.type) {
    case kSetBkMode:
        state.opaqueBackground = value == 2;
        break;
    case kSetPolyFillMode:
        state.windingFill = value == 2;
        break;
    case kSetRop2:
        state.rop2 = SanitizedRop2(value);
        break;
    case kSetTextAlign:
        state.textAlign = value;
        break;
    case kSetTextColor:
        state.textColor = Color::FromColorRef(value);
        break;
    case kSetBkColor:
        state.backgroundColor = Color::FromColorRef(value);
        break;
    case kSetArcDirection:
        state.clockwiseArcs = value == 2;
        break;
    case kSetMiterLimit: {
        // Written as an integer by most programs and as a float by some.
        const double asFloat = std::bit_cast<float>(value);
        state.miterLimit = value <= 1000 ? value : (std::isfinite(asFloat) ? asFloat : 10.0);
        break;
    }
    default:
        Dc().Restore(static_cast<int32_t>(value));
        break;
    }
    return true;
}

bool EmfPlayer::Mapping(uint32_t type, Params& params, bool* handled)
{
    *handled = true;
    DeviceContext& dc = Dc();
    Point p;
    std::array<double, 4> scale{};
    Affine transform;
    uint32_t value = 0;
    switch (type) {
    case kSetMapMode:
        if (!params.U32(&value)) {
            return false;
        }
        dc.SetMapMode(static_cast<int>(value));
        return true;
    case kSetWindowExtEx:
    case kSetWindowOrgEx:
    case kSetViewportExtEx:
    case kSetViewportOrgEx:
        if (!params.Point32(&p)) {
            return false;
        }
        if (type == kSetWindowExtEx) {
            dc.SetWindowExt(p);
        } else if (type == kSetWindowOrgEx) {
            dc.SetWindowOrg(p);
        } else if (type == kSetViewportExtEx) {
            dc.SetViewportExt(p);
        } else {
            dc.SetViewportOrg(p);
        }
        return true;
    case kScaleViewportExtEx:
    case kScaleWindowExtEx:
        if (!params.Ints(&scale)) {  // x numerator, x denominator, y numerator, y denominator
            return false;
        }
        if (type == kScaleWindowExtEx) {
            dc.ScaleWindowExt(scale[0], scale[1], scale[2], scale[3]);
        } else {
            dc.ScaleViewportExt(scale[0], scale[1], scale[2], scale[3]);
        }
        return true;
    case kSetWorldTransform:
        if (!params.Xform(&transform)) {
            return false;
        }
        dc.SetWorldTransform(transform);
        return true;
    case kModifyWorldTransform:
        if (!params.Xform(&transform) || !params.U32(&value)) {
            return false;
        }
        dc.ModifyWorldTransform(transform, value);
        return true;
    default:
        *handled = false;
        return true;
    }
}

bool EmfPlayer::Objects(uint32_t type, Params& params, bool* handled)
{
    *handled = true;
    uint32_t index = 0;
    switch (type) {
    case kCreatePen:
        return CreatePen(params);
    case kExtCreatePen:
        return ExtCreatePen(params);
    case kCreateBrushIndirect:
        return CreateBrush(params);
    case kCreateMonoBrush:
    case kCreateDibPatternBrushPt:
        return CreatePatternBrush(params);
    case kExtCreateFontIndirectW:
        return CreateFont(params);
    case kCreatePalette:
        if (!params.U32(&index)) {
            return false;
        }
        Dc().CreateObject(index, OtherObject{});
        return true;
    case kSelectObject:
        if (!params.U32(&index)) {
            return false;
        }
        if ((index & kStockObject) != 0) {
            Dc().SelectStockObject(index & ~kStockObject);
        } else {
            Dc().SelectObject(index);
        }
        return true;
    case kDeleteObject:
        if (!params.U32(&index)) {
            return false;
        }
        Dc().DeleteObject(index);
        return true;
    default:
        *handled = false;
        return true;
    }
}

bool EmfPlayer::CreatePen(Params& params)
{
    uint32_t index = 0;
    uint32_t style = 0;
    double width = 0;
    double ignored = 0;
    uint32_t colour = 0;
    if (!params.U32(&index) || !params.U32(&style) || !params.Int(&width) || !params.Int(&ignored) ||
        !params.U32(&colour)) {
        return false;
    }
    Dc().CreateObject(index, Pen{style, width, Color::FromColorRef(colour), {}});
    return true;
}

bool EmfPlayer::ExtCreatePen(Params& params)
{
    uint32_t index = 0;
    uint32_t style = 0;
    uint32_t width = 0;
    uint32_t brushStyle = 0;
    uint32_t colour = 0;
    uint32_t hatch = 0;
    uint32_t entries = 0;
    if (!params.U32(&index) || !params.Skip(16) || !params.U32(&style) || !params.U32(&width) ||
        !params.U32(&brushStyle) || !params.U32(&colour) || !params.U32(&hatch) ||
        !params.U32(&entries)) {
        return false;
    }
    Pen pen{style, static_cast<double>(width), Color::FromColorRef(colour), {}};
    if ((style & kPenGeometric) == 0) {
        pen.width = 0;  // cosmetic pens are one pixel wide whatever their width says
    }
    if (brushStyle == kBrushNull) {
        pen.style = (style & ~kPenStyleMask) | kPenNull;
    }
    if ((style & kPenStyleMask) == kPenUserStyle) {
        for (uint32_t i = 0; i < entries && i < kMaxUserDashes; ++i) {
            uint32_t length = 0;
            if (!params.U32(&length)) {
                return false;
            }
            pen.userDashes.push_back(length);
        }
    }
    Dc().CreateObject(index, pen);
    return true;
}

bool EmfPlayer::CreateBrush(Params& params)
{
    uint32_t index = 0;
    uint32_t style = 0;
    uint32_t colour = 0;
    uint32_t hatch = 0;
    if (!params.U32(&index) || !params.U32(&style) || !params.U32(&colour) || !params.U32(&hatch)) {
        return false;
    }
    Brush brush;
    brush.color = Color::FromColorRef(colour);
    brush.hatch = hatch;
    brush.kind = style == kBrushNull      ? BrushKind::Null
                 : style == kBrushHatched ? BrushKind::Hatched
                                          : BrushKind::Solid;
    if (style != kBrushSolid && style != kBrushNull && style != kBrushHatched) {
        brush.color = Color{128, 128, 128};  // a pattern brush without its bitmap
    }
    Dc().CreateObject(index, brush);
    return true;
}

bool EmfPlayer::CreatePatternBrush(Params& params)
{
    uint32_t index = 0;
    uint32_t usage = 0;
    uint32_t infoOffset = 0;
    uint32_t infoSize = 0;
    uint32_t bitsOffset = 0;
    uint32_t bitsSize = 0;
    const uint8_t* info = nullptr;
    const uint8_t* bits = nullptr;
    if (!params.U32(&index) || !params.U32(&usage) || !params.U32(&infoOffset) ||
        !params.U32(&infoSize) || !params.U32(&bitsOffset) || !params.U32(&bitsSize) ||
        !params.Range(infoOffset, infoSize, &info) || !params.Range(bitsOffset, bitsSize, &bits)) {
        return false;
    }
    Brush brush{BrushKind::Solid, Color{128, 128, 128}, 0, nullptr};
    auto bitmap = std::make_shared<Bitmap>();
    if (usage == kColourUsageRgb) {
        const DibResult result = DecodeDib(info, infoSize, bits, bitsSize, bitmap.get());
        if (result == DibResult::Corrupt) {
            return false;
        }
        if (result == DibResult::Ok) {
            brush = Brush{BrushKind::Pattern, {}, 0, std::move(bitmap)};
        }
    }
    Dc().CreateObject(index, brush);
    return true;
}

bool EmfPlayer::CreateFont(Params& params)
{
    uint32_t index = 0;
    std::array<double, 5> values{};  // height, width, escapement, orientation, weight
    uint32_t flags = 0;              // italic, underline, strike-out, character set
    uint32_t precision = 0;
    if (!params.U32(&index) || !params.Ints(&values) || !params.U32(&flags) ||
        !params.U32(&precision)) {
        return false;
    }
    Font font;
    font.height = values[0];
    font.width = values[1];
    font.escapement = static_cast<int>(std::fmod(values[2], 3600.0));
    font.weight = static_cast<int>(values[4]);
    font.italic = (flags & 0xFF) != 0;
    font.underline = ((flags >> 8) & 0xFF) != 0;
    font.strikeOut = ((flags >> 16) & 0xFF) != 0;
    font.charset = static_cast<uint8_t>(flags >> 24);
    std::vector<uint8_t> units;
    for (size_t i = 0; i < kFaceNameUnits; ++i) {
        uint16_t unit = 0;
        if (!params.U16(&unit) || unit == 0) {
            break;
        }
        units.push_back(static_cast<uint8_t>(unit & 0xFF));
        units.push_back(static_cast<uint8_t>(unit >> 8));
    }
    const std::u32string face = DecodeUtf16(units.data(), units.size() / 2);
    for (char32_t c : face) {
        font.faceName += EncodeUtf8(c);
    }
    Dc().CreateObject(index, font);
    return true;
}

bool EmfPlayer::Lines(uint32_t type, Params& params, bool* handled)
{
    *handled = true;
    Point p;
    std::vector<Point> points;
    uint32_t count = 0;
    const bool shortPoints = type >= kPolyBezier16 && type <= kPolylineTo16;
    switch (type) {
    case kMoveToEx:
    case kLineTo:
        if (!params.Point32(&p)) {
            return false;
        }
        if (type == kMoveToEx) {
            player_.MoveTo(p);
        } else {
            player_.LineTo(p);
        }
        return true;
    case kPolyBezier:
    case kPolygon:
    case kPolyline:
    case kPolyBezierTo:
    case kPolylineTo:
    case kPolyBezier16:
    case kPolygon16:
    case kPolyline16:
    case kPolyBezierTo16:
    case kPolylineTo16:
        if (!params.Skip(kBoundsSize) || !params.U32(&count) ||
            !params.Points(count, shortPoints, &points)) {
            return false;
        }
        switch (shortPoints ? type - kPolyBezier16 + kPolyBezier : type) {
        case kPolyBezier:
            player_.PolyBezier(points);
            break;
        case kPolygon:
            player_.Polygon(points);
            break;
        case kPolyline:
            player_.Polyline(points);
            break;
        case kPolyBezierTo:
            player_.PolyBezierTo(points);
            break;
        default:
            player_.PolylineTo(points);
            break;
        }
        return true;
    case kPolyPolyline:
    case kPolyPolygon:
    case kPolyPolyline16:
    case kPolyPolygon16:
        return PolyPoly(type, params);
    case kSetPixelV: {
        uint32_t colour = 0;
        if (!params.Point32(&p) || !params.U32(&colour)) {
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

bool EmfPlayer::PolyPoly(uint32_t type, Params& params)
{
    uint32_t figureCount = 0;
    uint32_t pointCount = 0;
    if (!params.Skip(kBoundsSize) || !params.U32(&figureCount) || !params.U32(&pointCount)) {
        return false;
    }
    std::vector<uint32_t> counts;
    uint64_t total = 0;
    for (uint32_t i = 0; i < figureCount; ++i) {
        uint32_t count = 0;
        if (!params.U32(&count)) {
            return false;
        }
        counts.push_back(count);
        total += count;
    }
    if (total > pointCount) {
        return false;
    }
    const bool shortPoints = type == kPolyPolyline16 || type == kPolyPolygon16;
    std::vector<std::vector<Point>> figures(counts.size());
    for (size_t i = 0; i < counts.size(); ++i) {
        if (!params.Points(counts[i], shortPoints, &figures[i])) {
            return false;
        }
    }
    if (type == kPolyPolygon || type == kPolyPolygon16) {
        player_.PolyPolygon(figures);
    } else {
        player_.PolyPolyline(figures);
    }
    return true;
}

bool EmfPlayer::Shapes(uint32_t type, Params& params, bool* handled)
{
    *handled = true;
    Rect box;
    switch (type) {
    case kRectangle:
    case kEllipse:
        if (!params.Rectl(&box)) {
            return false;
        }
        if (type == kRectangle) {
            player_.Rectangle(box);
        } else {
            player_.Ellipse(box);
        }
        return true;
    case kRoundRect: {
        Point corner;
        if (!params.Rectl(&box) || !params.Point32(&corner)) {
            return false;
        }
        player_.RoundRect(box, corner.x, corner.y);
        return true;
    }
    case kArc:
    case kChord:
    case kPie:
    case kArcTo: {
        Point start;
        Point end;
        if (!params.Rectl(&box) || !params.Point32(&start) || !params.Point32(&end)) {
            return false;
        }
        if (type == kArcTo) {
            player_.ArcTo(box, start, end);
        } else {
            player_.Arc(box, start, end,
                        type == kArc ? ArcKind::Open : type == kChord ? ArcKind::Chord : ArcKind::Pie);
        }
        return true;
    }
    case kAngleArc: {
        Point centre;
        uint32_t radius = 0;
        double start = 0;
        double sweep = 0;
        if (!params.Point32(&centre) || !params.U32(&radius) || !params.Float(&start) ||
            !params.Float(&sweep)) {
            return false;
        }
        player_.AngleArc(centre, radius, start, sweep);
        return true;
    }
    default:
        *handled = false;
        return true;
    }
}

bool EmfPlayer::Paths(uint32_t type, Params& params, bool* handled)
{
    *handled = true;
    uint32_t mode = 0;
    Rect rect;
    switch (type) {
    case kBeginPath:
        player_.BeginPath();
        return true;
    case kEndPath:
        player_.EndPath();
        return true;
    case kCloseFigure:
        player_.CloseFigure();
        return true;
    case kAbortPath:
        player_.AbortPath();
        return true;
    case kFillPath:
        player_.FillPath();
        return true;
    case kStrokePath:
        player_.StrokePath();
        return true;
    case kStrokeAndFillPath:
        player_.StrokeAndFillPath();
        return true;
    case kSelectClipPath:
        if (!params.U32(&mode)) {
            return false;
        }
        player_.SelectClipPath(mode);
        return true;
    case kOffsetClipRgn: {
        std::array<double, 2> delta{};
        if (!params.Ints(&delta)) {
            return false;
        }
        player_.OffsetClip({delta[0], delta[1]});
        return true;
    }
    case kIntersectClipRect:
    case kExcludeClipRect:
        if (!params.Rectl(&rect)) {
            return false;
        }
        if (type == kIntersectClipRect) {
            player_.IntersectClipRect(rect);
        } else {
            player_.ExcludeClipRect(rect);
        }
        return true;
    default:
        *handled = false;
        return true;
    }
}

bool EmfPlayer::Text(uint32_t type, Params& params)
{
    uint32_t graphicsMode = 0;
    double xScale = 0;
    double yScale = 0;
    TextOutput text;
    uint32_t count = 0;
    uint32_t stringOffset = 0;
    uint32_t options = 0;
    Rect rect;
    uint32_t dxOffset = 0;
    if (!params.Skip(kBoundsSize) || !params.U32(&graphicsMode) || !params.Float(&xScale) ||
        !params.Float(&yScale) || !params.Point32(&text.reference) || !params.U32(&count) ||
        !params.U32(&stringOffset) || !params.U32(&options) || !params.Rectl(&rect) ||
        !params.U32(&dxOffset)) {
        return false;
    }
    const bool wide = type == kExtTextOutW;
    const uint8_t* string = nullptr;
    if (!params.Range(stringOffset, static_cast<uint64_t>(count) * (wide ? 2 : 1), &string)) {
        return false;
    }
    text.options = options;
    text.rect = rect;
    if ((options & kTextGlyphIndex) != 0) {
        count = 0;  // glyph numbers of a font we do not have; only the background is drawn
    }
    text.text = wide ? DecodeUtf16(string, count)
                     : DecodeAnsi(string, count, Dc().State().font.charset);
    const uint8_t* advances = nullptr;
    const uint64_t step = (options & kTextPdy) != 0 ? 8 : 4;
    if (dxOffset != 0 && count > 0 && params.Range(dxOffset, count * step, &advances)) {
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* value = advances + i * step;
            text.dx.push_back(static_cast<int32_t>(value[0] | (value[1] << 8) | (value[2] << 16) |
                                                   (static_cast<uint32_t>(value[3]) << 24)));
        }
    }
    if (text.dx.size() != text.text.size()) {
        text.dx.clear();  // surrogate pairs or multi-byte characters: advances do not line up
    }
    player_.Text(text);
    return true;
}

bool EmfPlayer::Blit(uint32_t type, Params& params)
{
    Rect bounds;
    std::array<double, 4> dest{};   // x, y, width, height
    std::array<double, 4> source{};  // x, y, width, height
    uint32_t rop = 0x00CC0020;
    uint32_t usage = 0;
    uint32_t infoOffset = 0;
    uint32_t infoSize = 0;
    uint32_t bitsOffset = 0;
    uint32_t bitsSize = 0;
    bool bottomUpOrigin = false;
    if (!params.Rectl(&bounds)) {
        return false;
    }
    if (type == kBitBlt || type == kStretchBlt) {
        std::array<double, 2> sourceOrigin{};
        if (!params.Ints(&dest) || !params.U32(&rop) || !params.Ints(&sourceOrigin) ||
            !params.Skip(24 + 4) || !params.U32(&usage) || !params.U32(&infoOffset) ||
            !params.U32(&infoSize) || !params.U32(&bitsOffset) || !params.U32(&bitsSize)) {
            return false;
        }
        source = {sourceOrigin[0], sourceOrigin[1], dest[2], dest[3]};
        if (type == kStretchBlt) {
            std::array<double, 2> size{};
            if (!params.Ints(&size)) {
                return false;
            }
            source[2] = size[0];
            source[3] = size[1];
        }
    } else {
        std::array<double, 2> destOrigin{};
        if (!params.Ints(&destOrigin) || !params.Ints(&source) || !params.U32(&infoOffset) ||
            !params.U32(&infoSize) || !params.U32(&bitsOffset) || !params.U32(&bitsSize) ||
            !params.U32(&usage)) {
            return false;
        }
        dest = {destOrigin[0], destOrigin[1], source[2], source[3]};
        if (type == kStretchDiBits) {
            std::array<double, 2> size{};
            if (!params.U32(&rop) || !params.Ints(&size)) {
                return false;
            }
            dest[2] = size[0];
            dest[3] = size[1];
        }
        bottomUpOrigin = true;
    }
    BitmapBlit blit;
    blit.rasterOp = rop;
    blit.dest = {dest[0], dest[1], dest[0] + dest[2], dest[1] + dest[3]};
    blit.srcX = source[0];
    blit.srcY = source[1];
    blit.srcWidth = source[2];
    blit.srcHeight = source[3];
    Bitmap bitmap;
    if (infoSize > 0) {
        const uint8_t* info = nullptr;
        const uint8_t* bits = nullptr;
        if (!params.Range(infoOffset, infoSize, &info) || !params.Range(bitsOffset, bitsSize, &bits)) {
            return false;
        }
        if (usage != kColourUsageRgb) {
            return true;  // colours given as palette indices: not drawn
        }
        const DibResult result = DecodeDib(info, infoSize, bits, bitsSize, &bitmap);
        if (result == DibResult::Corrupt) {
            return false;
        }
        if (result != DibResult::Ok) {
            return true;
        }
        blit.bitmap = &bitmap;
        if (bottomUpOrigin && DibIsBottomUp(info, infoSize)) {
            blit.srcY = bitmap.height - blit.srcY - blit.srcHeight;
        }
    }
    player_.Blit(blit);
    return true;
}

// Region data: a 32-byte header giving the rectangle count, then the rectangles (device
// units). No data at all is an empty region.
bool ReadRegionRects(Params& params, uint32_t dataSize, std::vector<Rect>* rects)
{
    if (dataSize < 32) {
        return true;
    }
    uint32_t headerSize = 0;
    uint32_t regionType = 0;
    uint32_t count = 0;
    if (!params.U32(&headerSize) || !params.U32(&regionType) || !params.U32(&count) ||
        !params.Skip(4 + kBoundsSize) || count > (dataSize - 32) / 16) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        Rect rect;
        if (!params.Rectl(&rect)) {
            return false;
        }
        rects->push_back(rect);
    }
    return true;
}

bool EmfPlayer::ClipRegion(Params& params)
{
    uint32_t dataSize = 0;
    uint32_t mode = 0;
    std::vector<Rect> rects;
    if (!params.U32(&dataSize) || !params.U32(&mode) || !ReadRegionRects(params, dataSize, &rects)) {
        return false;
    }
    player_.SelectClipRects(rects, mode);
    return true;
}

// FillRgn (with a brush of the table), PaintRgn (the selected brush) and InvertRgn.
bool EmfPlayer::PaintRegion(uint32_t type, Params& params)
{
    uint32_t dataSize = 0;
    uint32_t brushIndex = 0;
    std::vector<Rect> rects;
    if (!params.Skip(kBoundsSize) || !params.U32(&dataSize) ||
        (type == kFillRgn && !params.U32(&brushIndex)) || !ReadRegionRects(params, dataSize, &rects)) {
        return false;
    }
    const std::shared_ptr<const Path> area = player_.RegionArea(rects);
    if (type == kInvertRgn) {
        player_.InvertArea(area);
    } else if (type == kPaintRgn) {
        player_.PaintArea(area, Dc().State().brush);
    } else if (const Brush* brush = Dc().FindBrush(brushIndex)) {
        player_.PaintArea(area, *brush);
    }
    return true;
}

} // namespace

bool PlayEmf(const uint8_t* data, size_t size, const EmfInfo& info, Player& player)
{
    EmfPlayer emf(player);
    return PlayRecords(RecordWalker(RecordWalker::Style::Emf, data, size, info.firstRecord),
                       [&](const Record& record) { return emf.Play(record); },
                       [&] { return player.Stopped(); });
}

} // namespace zv::imaging::metafile
