#include "imaging/metafile/drawing/geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace zv::imaging::metafile {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;

double ClampCoordinate(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    return std::clamp(value, -kMaxOutputCoordinate, kMaxOutputCoordinate);
}

Point OnEllipse(Point centre, double rx, double ry, double angle)
{
    return {centre.x + rx * std::cos(angle), centre.y + ry * std::sin(angle)};
}

// Appends Bézier pieces of at most a quarter turn that follow the ellipse from `from` to `to`
// (radians of the ellipse's parameter).
void AppendEllipticArc(Path* path, Point centre, double rx, double ry, double from, double to)
{
    const double sweep = to - from;
    if (!std::isfinite(sweep) || std::fabs(sweep) > 2 * kTwoPi) {
        return;
    }
    const int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (kPi / 2) - 1e-9)));
    const double step = sweep / pieces;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    double angle = from;
    for (int i = 0; i < pieces; ++i) {
        const double next = angle + step;
        const double c0 = std::cos(angle);
        const double s0 = std::sin(angle);
        const double c1 = std::cos(next);
        const double s1 = std::sin(next);
        const Point control1{centre.x + rx * (c0 - k * s0), centre.y + ry * (s0 + k * c0)};
        const Point control2{centre.x + rx * (c1 + k * s1), centre.y + ry * (s1 - k * c1)};
        path->CurveTo(control1, control2, OnEllipse(centre, rx, ry, next));
        angle = next;
    }
}

// The ellipse parameter at which the ray from the centre towards `towards` meets the ellipse.
double ParameterTowards(Point centre, double rx, double ry, Point towards)
{
    const double dx = towards.x - centre.x;
    const double dy = towards.y - centre.y;
    if (dx == 0 && dy == 0) {
        return 0;
    }
    // Scaling by the other radius keeps the ray's direction and avoids dividing by a zero radius.
    return std::atan2(dy * rx, dx * ry);
}

} // namespace

Rect Rect::Normalized() const
{
    return {std::min(left, right), std::min(top, bottom), std::max(left, right),
            std::max(top, bottom)};
}

Affine Affine::Then(const Affine& next) const
{
    return {next.a * a + next.c * b,
            next.b * a + next.d * b,
            next.a * c + next.c * d,
            next.b * c + next.d * d,
            next.a * e + next.c * f + next.e,
            next.b * e + next.d * f + next.f};
}

bool Affine::IsFinite() const
{
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d) &&
           std::isfinite(e) && std::isfinite(f);
}

bool Affine::Invert(Affine* out) const
{
    const double det = Determinant();
    if (det == 0 || !std::isfinite(det)) {
        return false;
    }
    Affine inverse{d / det, -b / det, -c / det, a / det, 0, 0};
    inverse.e = -(inverse.a * e + inverse.c * f);
    inverse.f = -(inverse.b * e + inverse.d * f);
    if (!inverse.IsFinite()) {
        return false;
    }
    *out = inverse;
    return true;
}

double Affine::ScaleX() const
{
    return std::hypot(a, b);
}

double Affine::ScaleY() const
{
    return std::hypot(c, d);
}

Color Color::FromColorRef(uint32_t value)
{
    return {static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>((value >> 8) & 0xFF),
            static_cast<uint8_t>((value >> 16) & 0xFF)};
}

Point ClampToOutput(Point p)
{
    return {ClampCoordinate(p.x), ClampCoordinate(p.y)};
}

void Path::MoveTo(Point p)
{
    segments_.push_back({Kind::Move, {p, {}, {}}});
    current_ = p;
    figureStart_ = p;
    hasCurrent_ = true;
}

void Path::LineTo(Point p)
{
    if (!hasCurrent_) {
        MoveTo(p);
        return;
    }
    segments_.push_back({Kind::Line, {p, {}, {}}});
    current_ = p;
}

void Path::CurveTo(Point c1, Point c2, Point end)
{
    if (!hasCurrent_) {
        MoveTo(c1);
    }
    segments_.push_back({Kind::Curve, {c1, c2, end}});
    current_ = end;
}

void Path::Close()
{
    if (!hasCurrent_) {
        return;
    }
    segments_.push_back({Kind::Close, {}});
    current_ = figureStart_;
}

void Path::Append(const Path& other)
{
    segments_.insert(segments_.end(), other.segments_.begin(), other.segments_.end());
    if (other.hasCurrent_) {
        current_ = other.current_;
        figureStart_ = other.figureStart_;
        hasCurrent_ = true;
    }
}

void Path::Clear()
{
    segments_.clear();
    hasCurrent_ = false;
}

Rect Path::ControlBounds() const
{
    bool any = false;
    Rect bounds;
    auto include = [&](Point p) {
        if (!any) {
            bounds = {p.x, p.y, p.x, p.y};
            any = true;
            return;
        }
        bounds.left = std::min(bounds.left, p.x);
        bounds.top = std::min(bounds.top, p.y);
        bounds.right = std::max(bounds.right, p.x);
        bounds.bottom = std::max(bounds.bottom, p.y);
    };
    for (const Segment& segment : segments_) {
        const int count = segment.kind == Kind::Curve ? 3 : segment.kind == Kind::Close ? 0 : 1;
        for (int i = 0; i < count; ++i) {
            include(segment.points[i]);
        }
    }
    return bounds;
}

Path Path::Transformed(const Affine& map) const
{
    Path result;
    result.segments_.reserve(segments_.size());
    for (const Segment& segment : segments_) {
        Segment mapped = segment;
        for (Point& p : mapped.points) {
            p = ClampToOutput(map.Apply(p));
        }
        result.segments_.push_back(mapped);
    }
    result.hasCurrent_ = hasCurrent_;
    result.current_ = ClampToOutput(map.Apply(current_));
    result.figureStart_ = ClampToOutput(map.Apply(figureStart_));
    return result;
}

void AddPolygon(Path* path, const std::vector<Point>& points)
{
    if (points.empty()) {
        return;
    }
    path->MoveTo(points.front());
    for (size_t i = 1; i < points.size(); ++i) {
        path->LineTo(points[i]);
    }
    path->Close();
}

void AddRectangle(Path* path, const Rect& rect)
{
    path->MoveTo({rect.left, rect.top});
    path->LineTo({rect.right, rect.top});
    path->LineTo({rect.right, rect.bottom});
    path->LineTo({rect.left, rect.bottom});
    path->Close();
}

void AddRoundRectangle(Path* path, const Rect& rect, double cornerWidth, double cornerHeight)
{
    const Rect box = rect.Normalized();
    const double rx = std::min(std::fabs(cornerWidth) / 2, box.Width() / 2);
    const double ry = std::min(std::fabs(cornerHeight) / 2, box.Height() / 2);
    if (rx <= 0 || ry <= 0) {
        AddRectangle(path, box);
        return;
    }
    path->MoveTo({box.left + rx, box.top});
    path->LineTo({box.right - rx, box.top});
    AppendEllipticArc(path, {box.right - rx, box.top + ry}, rx, ry, -kPi / 2, 0);
    path->LineTo({box.right, box.bottom - ry});
    AppendEllipticArc(path, {box.right - rx, box.bottom - ry}, rx, ry, 0, kPi / 2);
    path->LineTo({box.left + rx, box.bottom});
    AppendEllipticArc(path, {box.left + rx, box.bottom - ry}, rx, ry, kPi / 2, kPi);
    path->LineTo({box.left, box.top + ry});
    AppendEllipticArc(path, {box.left + rx, box.top + ry}, rx, ry, kPi, 3 * kPi / 2);
    path->Close();
}

void AddEllipse(Path* path, const Rect& box)
{
    const Point centre{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    const double rx = std::fabs(box.Width()) / 2;
    const double ry = std::fabs(box.Height()) / 2;
    path->MoveTo(OnEllipse(centre, rx, ry, 0));
    AppendEllipticArc(path, centre, rx, ry, 0, kTwoPi);
    path->Close();
}

void AddArc(Path* path, const Rect& box, Point start, Point end, bool increasingAngle,
            ArcKind kind, bool continueFigure)
{
    const Point centre{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    const double rx = std::fabs(box.Width()) / 2;
    const double ry = std::fabs(box.Height()) / 2;
    const double from = ParameterTowards(centre, rx, ry, start);
    double to = ParameterTowards(centre, rx, ry, end);
    if (increasingAngle) {
        while (to <= from) {
            to += kTwoPi;
        }
    } else {
        while (to >= from) {
            to -= kTwoPi;
        }
    }
    const Point first = OnEllipse(centre, rx, ry, from);
    if (kind == ArcKind::Pie) {
        path->MoveTo(centre);
        path->LineTo(first);
    } else if (continueFigure && path->HasCurrentPoint()) {
        path->LineTo(first);
    } else {
        path->MoveTo(first);
    }
    AppendEllipticArc(path, centre, rx, ry, from, to);
    if (kind != ArcKind::Open) {
        path->Close();
    }
}

void AddAngleArc(Path* path, Point centre, double radius, double startDegrees,
                 double sweepDegrees)
{
    if (!std::isfinite(startDegrees) || !std::isfinite(sweepDegrees) || !std::isfinite(radius)) {
        return;
    }
    // Sweeps beyond one turn retrace the circle; drawing one turn looks the same.
    sweepDegrees = std::clamp(sweepDegrees, -360.0, 360.0);
    startDegrees = std::fmod(startDegrees, 360.0);
    const double from = -startDegrees * kPi / 180;
    const double to = from - sweepDegrees * kPi / 180;
    const double r = std::fabs(radius);
    const Point first = OnEllipse(centre, r, r, from);
    if (path->HasCurrentPoint()) {
        path->LineTo(first);
    } else {
        path->MoveTo(first);
    }
    if (to != from) {
        AppendEllipticArc(path, centre, r, r, from, to);
    }
}

Path RectanglePath(const Rect& rect)
{
    Path path;
    AddRectangle(&path, rect);
    return path;
}

namespace {

// Sorted, disjoint spans [first, second) along one horizontal line.
using Spans = std::vector<std::pair<double, double>>;

// The region's spans on the line at `y`, moved by `shift` along it.
Spans SpansAt(const std::vector<Rect>& rects, double y, double shift)
{
    Spans spans;
    for (const Rect& rect : rects) {
        if (rect.top <= y && y < rect.bottom && rect.left < rect.right) {
            spans.push_back({rect.left + shift, rect.right + shift});
        }
    }
    std::sort(spans.begin(), spans.end());
    Spans merged;
    for (const auto& span : spans) {
        if (!merged.empty() && span.first <= merged.back().second) {
            merged.back().second = std::max(merged.back().second, span.second);
        } else {
            merged.push_back(span);
        }
    }
    return merged;
}

Spans Intersection(const Spans& a, const Spans& b)
{
    Spans out;
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const double low = std::max(a[i].first, b[j].first);
        const double high = std::min(a[i].second, b[j].second);
        if (low < high) {
            out.push_back({low, high});
        }
        if (a[i].second < b[j].second) {
            ++i;
        } else {
            ++j;
        }
    }
    return out;
}

Spans Difference(const Spans& a, const Spans& b)
{
    Spans out;
    size_t first = 0;
    for (const auto& [low, high] : a) {
        while (first < b.size() && b[first].second <= low) {
            ++first;
        }
        double start = low;
        for (size_t k = first; k < b.size() && b[k].first < high; ++k) {
            if (b[k].first > start) {
                out.push_back({start, b[k].first});
            }
            start = std::max(start, b[k].second);
        }
        if (start < high) {
            out.push_back({start, high});
        }
    }
    return out;
}

// Every top and bottom edge, as is and moved up and down by `height`: the bands in which
// the region and its vertical shifts keep the same spans.
std::vector<double> BandEdges(const std::vector<Rect>& rects, double height)
{
    std::vector<double> edges;
    for (const Rect& rect : rects) {
        for (double shift : {0.0, height, -height}) {
            edges.push_back(rect.top + shift);
            edges.push_back(rect.bottom + shift);
        }
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    return edges;
}

} // namespace

uint64_t RegionFrameWork(const std::vector<Rect>& rects)
{
    return static_cast<uint64_t>(rects.size()) * rects.size() * 6 * 5;
}

std::vector<Rect> RegionFrame(const std::vector<Rect>& rects, double width, double height)
{
    std::vector<Rect> frame;
    const std::vector<double> edges = BandEdges(rects, height);
    for (size_t i = 0; i + 1 < edges.size(); ++i) {
        const double top = edges[i];
        const double bottom = edges[i + 1];
        const double y = (top + bottom) / 2;
        const Spans inside = SpansAt(rects, y, 0);
        if (inside.empty()) {
            continue;
        }
        // What stays covered when the region moves by the frame's width or height each way.
        Spans kept = Intersection(inside, SpansAt(rects, y, width));
        kept = Intersection(kept, SpansAt(rects, y, -width));
        kept = Intersection(kept, SpansAt(rects, y - height, 0));
        kept = Intersection(kept, SpansAt(rects, y + height, 0));
        for (const auto& [left, right] : Difference(inside, kept)) {
            frame.push_back({left, top, right, bottom});
        }
    }
    return frame;
}

} // namespace zv::imaging::metafile
