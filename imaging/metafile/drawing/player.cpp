#include "imaging/metafile/drawing/player.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace zv::imaging::metafile {
namespace {

constexpr double kMaxFontPx = 16384;
constexpr double kMinFontPx = 0.1;
constexpr double kDefaultFontPoints = 12;
constexpr size_t kMaxDashes = 16;
// Clip shapes are intersected one by one and copied by every SaveDC; a file asking for more
// than this many gets the first ones only.
constexpr size_t kMaxClipShapes = 64;

// Raster operation codes (the byte that says how source, pattern and destination combine).
constexpr uint32_t kRopBlackness = 0x00;
constexpr uint32_t kRopDest = 0xAA;
constexpr uint8_t kRopDestInvert = 0x55;
constexpr uint32_t kRopPatCopy = 0xF0;
constexpr uint32_t kRopWhiteness = 0xFF;

// Whether a ternary code's result depends on the source bits.
bool UsesSource(uint32_t code)
{
    return ((code >> 2) & 0x33) != (code & 0x33);
}

std::shared_ptr<const Path> RectsToOutput(const std::vector<Rect>& rects, const Affine& toOutput)
{
    if (rects.empty()) {
        return nullptr;
    }
    Path area;
    for (const Rect& rect : rects) {
        AddRectangle(&area, rect.Normalized());
    }
    return std::make_shared<const Path>(area.Transformed(toOutput));
}

Path RectanglePath(const Rect& rect)
{
    Path path;
    AddRectangle(&path, rect);
    return path;
}

Path PolylinePath(const std::vector<Point>& points)
{
    Path path;
    if (points.empty()) {
        return path;
    }
    path.MoveTo(points.front());
    for (size_t i = 1; i < points.size(); ++i) {
        path.LineTo(points[i]);
    }
    return path;
}

// Béziers after a start point: each three points are two controls and an end point; a
// leftover one or two points are ignored, as the drawing functions refuse them.
void AppendBeziers(Path* path, const std::vector<Point>& points, size_t first)
{
    for (size_t i = first; i + 2 < points.size(); i += 3) {
        path->CurveTo(points[i], points[i + 1], points[i + 2]);
    }
}

std::vector<double> ScaledDashes(std::initializer_list<double> pattern, double unit)
{
    std::vector<double> dashes;
    for (double length : pattern) {
        dashes.push_back(length * unit);
    }
    return dashes;
}

// Cairo rejects negative or all-zero dash lists; such a style draws solid.
std::vector<double> UsableDashes(std::vector<double> dashes)
{
    if (dashes.size() > kMaxDashes) {
        dashes.resize(kMaxDashes);
    }
    bool anyPositive = false;
    for (double& length : dashes) {
        if (!std::isfinite(length) || length < 0) {
            return {};
        }
        length = std::min(length, kMaxOutputCoordinate);
        anyPositive = anyPositive || length > 0;
    }
    return anyPositive ? dashes : std::vector<double>{};
}

Path OutputRectangle(double left, double top, double right, double bottom)
{
    Path path;
    AddRectangle(&path, {left, top, right, bottom});
    return path;
}

Path Complement(const Path& output)
{
    const double far = kMaxOutputCoordinate;
    Path path = OutputRectangle(-far, -far, far, far);
    path.Append(output);
    return path;
}

} // namespace

Player::Player(DeviceContext& dc, Canvas& canvas, FontResolver& fonts)
    : dc_(dc), canvas_(canvas), fonts_(fonts)
{
}

FillStyle Player::CurrentFill() const
{
    const DcState& state = dc_.State();
    return {state.brush, state.backgroundColor, state.opaqueBackground, !state.windingFill, state.rop2};
}

std::optional<StrokeStyle> Player::CurrentStroke() const
{
    const Pen& pen = dc_.State().pen;
    const uint32_t style = pen.style & kPenStyleMask;
    if (style == kPenNull) {
        return std::nullopt;
    }
    const Affine toOutput = dc_.LogicalToOutput();
    const double scale = std::sqrt(std::fabs(toOutput.Determinant()));
    StrokeStyle stroke;
    stroke.color = pen.color;
    const double width = std::fabs(pen.width) * scale;
    stroke.width = std::isfinite(width) ? std::clamp(width, 1.0, kMaxOutputCoordinate) : 1.0;
    const bool geometric = (pen.style & kPenGeometric) != 0;
    // Thin pens dash in device pixels; wide ones in multiples of their width.
    const bool thin = stroke.width <= 1.5;
    const double unit = thin ? 1 : stroke.width;
    switch (style) {
    case kPenDash:
        stroke.dashes = thin ? ScaledDashes({18, 6}, unit) : ScaledDashes({3, 1}, unit);
        break;
    case kPenDot:
        stroke.dashes = thin ? ScaledDashes({3, 3}, unit) : ScaledDashes({1, 1}, unit);
        break;
    case kPenDashDot:
        stroke.dashes = thin ? ScaledDashes({9, 6, 3, 6}, unit) : ScaledDashes({3, 1, 1, 1}, unit);
        break;
    case kPenDashDotDot:
        stroke.dashes = thin ? ScaledDashes({9, 3, 3, 3, 3, 3}, unit)
                             : ScaledDashes({3, 1, 1, 1, 1, 1}, unit);
        break;
    case kPenAlternate:
        stroke.dashes = {1, 1};
        break;
    case kPenUserStyle:
        for (double length : pen.userDashes) {
            stroke.dashes.push_back(length * (geometric ? scale : 1));
        }
        break;
    default:
        break;
    }
    stroke.dashes = UsableDashes(std::move(stroke.dashes));
    if (!geometric && !stroke.dashes.empty()) {
        stroke.cap = LineCap::Flat;  // cosmetic dashes are plain runs of pixels
    }
    if (geometric) {
        const uint32_t cap = pen.style & kPenCapMask;
        stroke.cap = cap == kPenCapSquare ? LineCap::Square : cap == kPenCapFlat ? LineCap::Flat
                                                                                 : LineCap::Round;
        const uint32_t join = pen.style & kPenJoinMask;
        stroke.join = join == kPenJoinBevel  ? LineJoin::Bevel
                      : join == kPenJoinMiter ? LineJoin::Miter
                                              : LineJoin::Round;
    }
    stroke.miterLimit = dc_.State().miterLimit;
    stroke.rop2 = dc_.State().rop2;
    return stroke;
}

void Player::FillOutput(const Path& output, const FillStyle& style)
{
    canvas_.SetClip(dc_.State().clip);
    canvas_.Fill(output, style);
}

void Player::Draw(const Path& logical, bool fill, bool stroke)
{
    const Path output = logical.Transformed(dc_.LogicalToOutput());
    if (inPath_) {
        openPath_.Append(output);
        return;
    }
    if (canvas_.Exhausted()) {
        return;
    }
    canvas_.SetClip(dc_.State().clip);
    if (fill) {
        canvas_.Fill(output, CurrentFill());
    }
    if (stroke) {
        if (const auto style = CurrentStroke()) {
            canvas_.Stroke(output, *style);
        }
    }
}

void Player::MoveTo(Point p)
{
    dc_.MutableState().currentPosition = p;
    if (inPath_) {
        openPath_.MoveTo(ClampToOutput(dc_.LogicalToOutput().Apply(p)));
    }
}

void Player::LineTo(Point p)
{
    PolylineTo({p});
}

void Player::Polyline(const std::vector<Point>& points)
{
    if (points.size() >= 2) {
        Draw(PolylinePath(points), false, true);
    }
}

void Player::PolylineTo(const std::vector<Point>& points)
{
    if (points.empty()) {
        return;
    }
    std::vector<Point> line;
    line.reserve(points.size() + 1);
    line.push_back(dc_.State().currentPosition);
    line.insert(line.end(), points.begin(), points.end());
    if (inPath_) {
        if (!openPath_.HasCurrentPoint()) {
            openPath_.MoveTo(ClampToOutput(dc_.LogicalToOutput().Apply(line.front())));
        }
        const Affine toOutput = dc_.LogicalToOutput();
        for (const Point& p : points) {
            openPath_.LineTo(ClampToOutput(toOutput.Apply(p)));
        }
    } else {
        Draw(PolylinePath(line), false, true);
    }
    dc_.MutableState().currentPosition = points.back();
}

void Player::PolyBezier(const std::vector<Point>& points)
{
    if (points.size() < 4) {
        return;
    }
    Path path;
    path.MoveTo(points.front());
    AppendBeziers(&path, points, 1);
    Draw(path, false, true);
}

void Player::PolyBezierTo(const std::vector<Point>& points)
{
    if (points.size() < 3) {
        return;
    }
    const Affine toOutput = dc_.LogicalToOutput();
    if (inPath_) {
        if (!openPath_.HasCurrentPoint()) {
            openPath_.MoveTo(ClampToOutput(toOutput.Apply(dc_.State().currentPosition)));
        }
        for (size_t i = 0; i + 2 < points.size(); i += 3) {
            openPath_.CurveTo(ClampToOutput(toOutput.Apply(points[i])),
                              ClampToOutput(toOutput.Apply(points[i + 1])),
                              ClampToOutput(toOutput.Apply(points[i + 2])));
        }
    } else {
        Path path;
        path.MoveTo(dc_.State().currentPosition);
        AppendBeziers(&path, points, 0);
        Draw(path, false, true);
    }
    dc_.MutableState().currentPosition = points[(points.size() / 3) * 3 - 1];
}

void Player::Polygon(const std::vector<Point>& points)
{
    if (points.size() < 2) {
        return;
    }
    Path path;
    AddPolygon(&path, points);
    Draw(path, true, true);
}

void Player::PolyPolygon(const std::vector<std::vector<Point>>& polygons)
{
    // One path, so that the fill mode decides how the polygons' overlaps are filled.
    Path path;
    for (const std::vector<Point>& polygon : polygons) {
        if (polygon.size() >= 2) {
            AddPolygon(&path, polygon);
        }
    }
    if (!path.IsEmpty()) {
        Draw(path, true, true);
    }
}

void Player::PolyPolyline(const std::vector<std::vector<Point>>& polylines)
{
    Path path;
    for (const std::vector<Point>& polyline : polylines) {
        if (polyline.size() >= 2) {
            path.Append(PolylinePath(polyline));
        }
    }
    if (!path.IsEmpty()) {
        Draw(path, false, true);
    }
}

void Player::Rectangle(const Rect& rect)
{
    DrawBoxShape(BoxShape::Rectangle, rect, AddRectangle);
}

void Player::RoundRect(const Rect& rect, double cornerWidth, double cornerHeight)
{
    const Rect recorded = RecordedBox(rect, dc_.Setup().oldStyleBoxes);
    DrawBoxShape(BoxShape::RoundRect, rect, [&](Path* path, const Rect& box) {
        AddRoundRectangle(path, box, NarrowedCorner(cornerWidth, recorded.Width(), box.Width()),
                          NarrowedCorner(cornerHeight, recorded.Height(), box.Height()));
    });
}

void Player::Ellipse(const Rect& box)
{
    DrawBoxShape(BoxShape::Ellipse, box, AddEllipse);
}

bool Player::IncreasingArcAngle() const
{
    // Arcs turn counter-clockwise on the output unless the file asked otherwise; with y down
    // on the output, that is decreasing parameter angle unless the map flips an axis.
    const bool flipped = dc_.LogicalToOutput().Determinant() < 0;
    return dc_.State().clockwiseArcs ? !flipped : flipped;
}

void Player::Arc(const Rect& box, Point start, Point end, ArcKind kind)
{
    const bool increasing = IncreasingArcAngle();
    DrawBoxShape(kind == ArcKind::Pie ? BoxShape::Pie : kind == ArcKind::Chord ? BoxShape::Chord : BoxShape::Arc, box,
                 [&](Path* path, const Rect& arcBox) {
                     const ArcRays rays = PixelRuleRays({start, end}, box, arcBox, dc_.LogicalToOutput(),
                                                        dc_.Setup().oldStyleBoxes);
                     AddArc(path, arcBox, rays.start, rays.end, increasing, kind, false);
                 });
}

void Player::ArcTo(const Rect& box, Point start, Point end)
{
    Path path;
    path.MoveTo(dc_.State().currentPosition);
    AddArc(&path, box, start, end, IncreasingArcAngle(), ArcKind::Open, true);
    if (inPath_ && openPath_.HasCurrentPoint()) {
        // The figure being recorded continues with the joining line and the arc.
        const Path output = path.Transformed(dc_.LogicalToOutput());
        for (const Path::Segment& segment : output.Segments()) {
            if (segment.kind == Path::Kind::Line) {
                openPath_.LineTo(segment.points[0]);
            } else if (segment.kind == Path::Kind::Curve) {
                openPath_.CurveTo(segment.points[0], segment.points[1], segment.points[2]);
            }
        }
    } else {
        Draw(path, false, true);
    }
    dc_.MutableState().currentPosition = path.CurrentPoint();
}

void Player::AngleArc(Point centre, double radius, double startDegrees, double sweepDegrees)
{
    Path path;
    path.MoveTo(dc_.State().currentPosition);
    AddAngleArc(&path, centre, radius, startDegrees, sweepDegrees);
    Draw(path, false, true);
    dc_.MutableState().currentPosition = path.CurrentPoint();
}

void Player::SetPixel(Point p, Color color)
{
    if (inPath_ || canvas_.Exhausted()) {
        return;
    }
    const Point at = ClampToOutput(dc_.LogicalToOutput().Apply(p));
    const double left = std::floor(at.x);
    const double top = std::floor(at.y);
    FillStyle style;
    style.brush = Brush{BrushKind::Solid, color, 0, nullptr};
    FillOutput(OutputRectangle(left, top, left + 1, top + 1), style);
}

double Player::FontSizePx(const Affine& toOutput, const FontRequest& request)
{
    const Font& font = dc_.State().font;
    double size = 0;
    if (font.height == 0) {
        const DeviceSetup& setup = dc_.Setup();
        size = kDefaultFontPoints / 72 * 25.4 * setup.deviceUnitsPerMmY *
               setup.deviceToOutput.ScaleY();
    } else {
        size = std::fabs(font.height) * toOutput.ScaleY();
        if (font.height > 0) {
            // A positive height is the whole cell: ascent plus descent.
            FontRequest probe = request;
            probe.sizePx = 100;
            const FontMetrics metrics = canvas_.MeasureFont(probe);
            const double cell = metrics.ascent + metrics.descent;
            if (cell > 0) {
                size *= 100 / cell;
            }
        }
    }
    return std::isfinite(size) ? std::min(size, kMaxFontPx) : 0;
}

void Player::Text(const TextOutput& text)
{
    if (inPath_ || canvas_.Exhausted()) {
        return;
    }
    const DcState& state = dc_.State();
    const Affine toOutput = dc_.LogicalToOutput();
    canvas_.SetClip(state.clip);
    if ((text.options & kTextOpaque) != 0 && text.rect) {
        FillStyle background;
        background.brush = Brush{BrushKind::Solid, state.backgroundColor, 0, nullptr};
        canvas_.Fill(RectanglePath(*text.rect).Transformed(toOutput), background);
    }
    if (text.text.empty()) {
        return;
    }
    FontRequest request;
    request.family = fonts_.FamilyFor(state.font.faceName);
    request.italic = state.font.italic;
    request.weight = state.font.weight;
    request.sizePx = FontSizePx(toOutput, request);
    if (request.sizePx < kMinFontPx) {
        return;
    }
    const FontMetrics metrics = canvas_.MeasureFont(request);

    // Pieces along the baseline: one per character when the file gives advances, else one run.
    std::vector<GlyphPiece> pieces;
    double width = 0;
    if (text.dx.size() == text.text.size()) {
        const double unit = toOutput.ScaleX();
        for (size_t i = 0; i < text.text.size(); ++i) {
            pieces.push_back({width, EncodeUtf8(text.text[i])});
            width += text.dx[i] * unit;
        }
    } else {
        std::string utf8;
        for (char32_t c : text.text) {
            utf8 += EncodeUtf8(c);
        }
        width = canvas_.MeasureAdvance(request, utf8);
        pieces.push_back({0, std::move(utf8)});
    }
    if (!std::isfinite(width)) {
        return;
    }

    const bool updateCp = (state.textAlign & kAlignUpdateCurrentPosition) != 0;
    const Point referenceLogical = updateCp ? state.currentPosition : text.reference;
    const Point reference = ClampToOutput(toOutput.Apply(referenceLogical));
    // The baseline turns with the escapement (counter-clockwise on the output) and with any
    // rotation in the coordinate maps; text is never mirrored.
    const bool rotated = std::fabs(toOutput.b) > 1e-9 * std::fabs(toOutput.a) ||
                         std::fabs(toOutput.c) > 1e-9 * std::fabs(toOutput.d);
    const double mapAngle = rotated ? std::atan2(toOutput.b, toOutput.a) : 0;
    const double angle = mapAngle - state.font.escapement / 10.0 * std::numbers::pi / 180;
    const uint32_t align = state.textAlign;
    const double shiftX = (align & kAlignCentre) == kAlignCentre ? -width / 2
                          : (align & kAlignRight) != 0          ? -width
                                                                : 0;
    const double shiftY = (align & kAlignBaseline) == kAlignBaseline ? 0
                          : (align & kAlignBottom) != 0              ? -metrics.descent
                                                                     : metrics.ascent;
    const double cosA = std::cos(angle);
    const double sinA = std::sin(angle);
    const Affine baseline = Affine::Translation(shiftX, shiftY)
                                .Then(Affine{cosA, sinA, -sinA, cosA, 0, 0})
                                .Then(Affine::Translation(reference.x, reference.y));

    std::vector<ClipShape> clip = state.clip;
    if ((text.options & kTextClipped) != 0 && text.rect) {
        clip.push_back({std::make_shared<const Path>(RectanglePath(*text.rect).Transformed(toOutput)), false});
    }
    canvas_.SetClip(clip);
    const double left = std::min(0.0, width);
    const double right = std::max(0.0, width);
    if (state.opaqueBackground) {
        FillStyle background;
        background.brush = Brush{BrushKind::Solid, state.backgroundColor, 0, nullptr};
        canvas_.Fill(OutputRectangle(left, -metrics.ascent, right, metrics.descent).Transformed(baseline),
                     background);
    }
    canvas_.DrawText({request, baseline, std::move(pieces), state.textColor});
    FillStyle ink;
    ink.brush = Brush{BrushKind::Solid, state.textColor, 0, nullptr};
    const double thickness = std::max(1.0, request.sizePx / 14);
    if (state.font.underline) {
        const double y = metrics.descent / 2;
        canvas_.Fill(OutputRectangle(left, y, right, y + thickness).Transformed(baseline), ink);
    }
    if (state.font.strikeOut) {
        const double y = -metrics.ascent * 0.3;
        canvas_.Fill(OutputRectangle(left, y, right, y + thickness).Transformed(baseline), ink);
    }
    canvas_.SetClip(state.clip);

    if (updateCp) {
        Affine toLogical;
        const double advance = (align & kAlignCentre) == kAlignCentre ? 0
                               : (align & kAlignRight) != 0          ? -width
                                                                     : width;
        if (toOutput.Invert(&toLogical)) {
            const Point end{reference.x + advance * cosA, reference.y + advance * sinA};
            dc_.MutableState().currentPosition = toLogical.Apply(end);
        }
    }
}

void Player::Blit(const BitmapBlit& blit)
{
    if (inPath_ || canvas_.Exhausted()) {
        return;
    }
    const uint32_t code = (blit.rasterOp >> 16) & 0xFF;
    const Affine toOutput = dc_.LogicalToOutput();
    // Blits ignore the binary raster operation that lines and fills use.
    FillStyle pattern = CurrentFill();
    pattern.rop2 = kRop2CopyPen;
    switch (code) {
    case kRopDest:
        return;
    case kRopPatCopy:
        FillOutput(RectanglePath(blit.dest).Transformed(toOutput), pattern);
        return;
    case kRopBlackness:
    case kRopWhiteness: {
        const uint8_t level = code == kRopWhiteness ? 255 : 0;
        FillStyle constant;
        constant.brush = Brush{BrushKind::Solid, Color{level, level, level}, 0, nullptr};
        FillOutput(RectanglePath(blit.dest).Transformed(toOutput), constant);
        return;
    }
    default:
        break;
    }
    ImageDraw image;
    image.rop = static_cast<uint8_t>(code);
    image.pattern = pattern;
    if (!UsesSource(code)) {
        image.outline = RectanglePath(blit.dest.Normalized()).Transformed(toOutput);
        canvas_.SetClip(dc_.State().clip);
        canvas_.DrawImage(image);
        return;
    }
    if (blit.bitmap == nullptr || blit.srcWidth == 0 || blit.srcHeight == 0) {
        return;
    }
    image.bitmap = blit.bitmap;
    // Bitmap pixels to logical units: the source rectangle onto the destination rectangle.
    const double sx = blit.dest.Width() / blit.srcWidth;
    const double sy = blit.dest.Height() / blit.srcHeight;
    const Affine bitmapToLogical{sx, 0, 0, sy, blit.dest.left - blit.srcX * sx,
                                 blit.dest.top - blit.srcY * sy};
    if (!bitmapToLogical.IsFinite()) {
        return;
    }
    image.bitmapToOutput = bitmapToLogical.Then(toOutput);
    // Only the part of the destination that the bitmap covers is painted.
    const Point corner1 = bitmapToLogical.Apply({0, 0});
    const Point corner2 = bitmapToLogical.Apply(
        {static_cast<double>(blit.bitmap->width), static_cast<double>(blit.bitmap->height)});
    const Rect covered = Rect{corner1.x, corner1.y, corner2.x, corner2.y}.Normalized();
    const Rect dest = blit.dest.Normalized();
    const Rect area{std::max(covered.left, dest.left), std::max(covered.top, dest.top),
                    std::min(covered.right, dest.right), std::min(covered.bottom, dest.bottom)};
    if (area.IsEmpty()) {
        return;
    }
    image.outline = RectanglePath(area).Transformed(toOutput);
    canvas_.SetClip(dc_.State().clip);
    canvas_.DrawImage(image);
}

void Player::BeginPath()
{
    inPath_ = true;
    openPath_.Clear();
}

void Player::EndPath()
{
    if (!inPath_) {
        return;
    }
    inPath_ = false;
    closedPath_ = std::move(openPath_);
    openPath_.Clear();
}

void Player::AbortPath()
{
    inPath_ = false;
    openPath_.Clear();
    closedPath_.Clear();
}

void Player::CloseFigure()
{
    if (inPath_) {
        openPath_.Close();
    }
}

void Player::FillPath()
{
    if (!inPath_ && !canvas_.Exhausted()) {
        FillOutput(closedPath_, CurrentFill());
    }
    closedPath_.Clear();
}

void Player::StrokePath()
{
    if (!inPath_ && !canvas_.Exhausted()) {
        if (const auto style = CurrentStroke()) {
            canvas_.SetClip(dc_.State().clip);
            canvas_.Stroke(closedPath_, *style);
        }
    }
    closedPath_.Clear();
}

void Player::StrokeAndFillPath()
{
    if (!inPath_ && !canvas_.Exhausted()) {
        FillOutput(closedPath_, CurrentFill());
        if (const auto style = CurrentStroke()) {
            canvas_.Stroke(closedPath_, *style);
        }
    }
    closedPath_.Clear();
}

void Player::CombineClip(const std::shared_ptr<const Path>& output, bool evenOdd, uint32_t mode)
{
    std::vector<ClipShape>& clip = dc_.MutableState().clip;
    if (mode != kRegionCopy && clip.size() >= kMaxClipShapes) {
        return;
    }
    switch (mode) {
    case kRegionCopy:
        clip.clear();
        clip.push_back({output, evenOdd});
        break;
    case kRegionAnd:
        clip.push_back({output, evenOdd});
        break;
    case kRegionDiff:
        clip.push_back({std::make_shared<const Path>(Complement(*output)), true});
        break;
    case kRegionOr:
        clip.push_back({output, evenOdd, ClipCombine::Or});
        break;
    case kRegionXor:
        clip.push_back({output, evenOdd, ClipCombine::Xor});
        break;
    default:
        break;  // an unknown mode leaves the clip as it was
    }
}

void Player::SelectClipPath(uint32_t mode)
{
    if (!inPath_) {
        CombineClip(std::make_shared<const Path>(closedPath_), !dc_.State().windingFill, mode);
    }
    closedPath_.Clear();
}

void Player::IntersectClipRect(const Rect& rect)
{
    CombineClip(std::make_shared<const Path>(RectanglePath(rect.Normalized()).Transformed(dc_.LogicalToOutput())),
                false, kRegionAnd);
}

void Player::ExcludeClipRect(const Rect& rect)
{
    CombineClip(std::make_shared<const Path>(RectanglePath(rect.Normalized()).Transformed(dc_.LogicalToOutput())),
                false, kRegionDiff);
}

void Player::SelectClipRects(const std::vector<Rect>& deviceRects, uint32_t mode)
{
    SelectClipArea(RegionArea(deviceRects), mode);
}

std::shared_ptr<const Path> Player::RegionArea(const std::vector<Rect>& deviceRects) const
{
    return RectsToOutput(deviceRects, dc_.Setup().deviceToOutput);
}

std::shared_ptr<const Path> Player::LogicalRegionArea(const std::vector<Rect>& logicalRects) const
{
    return RectsToOutput(logicalRects, dc_.PageToOutput());
}

void Player::SelectClipArea(const std::shared_ptr<const Path>& area, uint32_t mode)
{
    if (area == nullptr) {
        if (mode == kRegionCopy) {
            dc_.MutableState().clip.clear();
        }
        return;
    }
    CombineClip(area, false, mode);
}

void Player::PaintArea(const std::shared_ptr<const Path>& area, const Brush& brush)
{
    if (area == nullptr || inPath_ || canvas_.Exhausted()) {
        return;
    }
    FillStyle style = CurrentFill();
    style.brush = brush;
    style.evenOdd = false;  // the rectangles of a region never overlap
    FillOutput(*area, style);
}

void Player::InvertArea(const std::shared_ptr<const Path>& area)
{
    if (area == nullptr || inPath_ || canvas_.Exhausted()) {
        return;
    }
    ImageDraw image;
    image.outline = *area;
    image.rop = kRopDestInvert;
    canvas_.SetClip(dc_.State().clip);
    canvas_.DrawImage(image);
}

void Player::OffsetClip(Point logicalDelta)
{
    const Affine toOutput = dc_.LogicalToOutput();
    const Point origin = toOutput.Apply({0, 0});
    const Point moved = toOutput.Apply(logicalDelta);
    const Point shift = ClampToOutput({moved.x - origin.x, moved.y - origin.y});
    for (ClipShape& shape : dc_.MutableState().clip) {
        shape.offset = ClampToOutput({shape.offset.x + shift.x, shape.offset.y + shift.y});
    }
}

} // namespace zv::imaging::metafile
