#include "imaging/metafile/player/player.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace zv::imaging::metafile {
namespace {

constexpr size_t kMaxDashes = 16;

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

// A shape drawn in a box lands on the pixels the system sets (drawing/pixel_rules.h) when the
// canvas paints pixels; inside a path bracket, or measured, it is the shape as recorded.
void Player::DrawBoxShape(BoxShape shape, const Rect& box, const std::function<void(Path*, const Rect&)>& build)
{
    const bool fills = shape != BoxShape::Arc;
    if (inPath_ || !canvas_.LandsOnPixels()) {
        Path path;
        build(&path, box);
        Draw(path, fills, true);
        return;
    }
    if (canvas_.Exhausted()) {
        return;
    }
    const Affine toOutput = dc_.LogicalToOutput();
    const std::optional<StrokeStyle> stroke = CurrentStroke();
    const BoxShapeBoxes boxes = PixelRuleBoxes(shape, box, toOutput, dc_.Setup().oldStyleBoxes, stroke.has_value());
    canvas_.SetClip(dc_.State().clip);
    Path outline;
    build(&outline, boxes.outline);
    const Path outlineOutput = outline.Transformed(toOutput);
    if (boxes.fill && !boxes.fill->Normalized().IsEmpty()) {
        Path fill;
        build(&fill, *boxes.fill);
        if (boxes.fillRim) {
            Path rim;
            build(&rim, *boxes.fillRim);
            canvas_.FillUnderPen(fill.Transformed(toOutput), rim.Transformed(toOutput), CurrentFill());
        } else {
            canvas_.Fill(fill.Transformed(toOutput), CurrentFill());
        }
    }
    if (stroke) {
        canvas_.Stroke(outlineOutput, *stroke);
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
    FillOutput(RectanglePath({left, top, left + 1, top + 1}), style);
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


} // namespace zv::imaging::metafile
