#include "imaging/metafile/cairo/cairo_thin_pen.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace zv::imaging::metafile {
namespace {

// A curve is halved into pieces about a pixel long, so that each stepped pixel lies where the
// curve itself runs; this many halvings take the longest curve the output allows there.
constexpr int kMaxCurveSplits = 24;
// A curve within this much of a pixel's edge counts as on it: the Béziers that stand for an
// ellipse stray a few thousandths of a pixel from it, and halves must round alike.
constexpr double kHalfTolerance = 1.0 / 64;
// Dash lengths beyond this many pixels are as good as endless.
constexpr double kMaxDashPixels = 1.0e7;

int64_t PixelOf(double coordinate)
{
    if (!std::isfinite(coordinate)) {
        return 0;
    }
    const double limit = 4 * kMaxOutputCoordinate;
    return static_cast<int64_t>(std::floor(std::clamp(coordinate, -limit, limit) + 0.5));
}

// ceil(a / b) for b > 0.
int64_t CeilDiv(int64_t a, int64_t b)
{
    const int64_t quotient = a / b;
    return quotient + ((a % b != 0 && a > 0) ? 1 : 0);
}

Point BezierAt(Point p0, Point c1, Point c2, Point p3, double t)
{
    const double u = 1 - t;
    return {u * u * u * p0.x + 3 * u * u * t * c1.x + 3 * u * t * t * c2.x + t * t * t * p3.x,
            u * u * u * p0.y + 3 * u * u * t * c1.y + 3 * u * t * t * c2.y + t * t * t * p3.y};
}

double Distance(Point a, Point b)
{
    return std::hypot(b.x - a.x, b.y - a.y);
}

// Which steps along a path a dashed pen sets: lengths alternate on and off from the start.
class DashPattern {
public:
    explicit DashPattern(const std::vector<double>& dashes)
    {
        for (double length : dashes) {
            const double usable = std::isfinite(length) ? std::clamp(length, 0.0, kMaxDashPixels) : 0;
            lengths_.push_back(std::llround(usable));
        }
        if (lengths_.size() % 2 == 1) {  // an odd list repeats with on and off swapped
            lengths_.insert(lengths_.end(), lengths_.begin(), lengths_.end());
        }
        for (int64_t length : lengths_) {
            period_ += length;
        }
    }

    bool On(int64_t step) const
    {
        if (period_ == 0) {
            return true;
        }
        int64_t position = step % period_;
        for (size_t i = 0; i < lengths_.size(); ++i) {
            if (position < lengths_[i]) {
                return i % 2 == 0;
            }
            position -= lengths_[i];
        }
        return false;
    }

private:
    std::vector<int64_t> lengths_;
    int64_t period_ = 0;
};

class ThinPenRaster {
public:
    ThinPenRaster(const PixelBox& box, int stride, const DashPattern& dashes)
        : box_(box), stride_(stride), dashes_(dashes),
          coverage_(static_cast<size_t>(stride) * static_cast<size_t>(std::max(0, box.Height())), 0)
    {
    }

    // The pixels from `from` to `to`, the last one left out: their end points rounded to
    // whole pixels, one a step along the axis the line runs more along, each at the line's
    // position across rounded to the nearest pixel, halves towards the smaller. Only the steps
    // that can land in the box are visited, so a line far outside costs nothing.
    void Line(Point from, Point to)
    {
        const int64_t x0 = PixelOf(from.x);
        const int64_t y0 = PixelOf(from.y);
        const int64_t dx = PixelOf(to.x) - x0;
        const int64_t dy = PixelOf(to.y) - y0;
        const bool alongX = std::llabs(dx) >= std::llabs(dy);
        const Axis major = alongX ? Axis{x0, dx, box_.left, box_.right} : Axis{y0, dy, box_.top, box_.bottom};
        const Axis minor = alongX ? Axis{y0, dy, box_.top, box_.bottom} : Axis{x0, dx, box_.left, box_.right};
        const int64_t steps = std::llabs(major.delta);
        if (steps == 0) {
            return;
        }
        const auto [first, last] = VisibleSteps(major, minor, steps);
        for (int64_t i = first; i < last; ++i) {
            const int64_t along = major.start + (major.delta > 0 ? i : -i);
            const int64_t across = minor.start + CeilDiv(2 * i * minor.delta - steps, 2 * steps);
            if (dashes_.On(stepsDone_ + i)) {
                Set(alongX ? along : across, alongX ? across : along);
            }
        }
        stepsDone_ += steps;
    }

    // A cubic Bézier as a chain of pieces about a pixel long.
    void Curve(Point p0, Point c1, Point c2, Point p3)
    {
        // A curve's halves round towards the inside of its bend, as the system steps an ellipse.
        const Point middle = BezierAt(p0, c1, c2, p3, 0.5);
        const Point bulge{middle.x - (p0.x + p3.x) / 2, middle.y - (p0.y + p3.y) / 2};
        CurvePart({p0, c1, c2, p3}, bulge, 0);
    }

    std::vector<uint8_t> Take() { return std::move(coverage_); }

private:
    // Halves a curve until its pieces are about a pixel long; a part that cannot reach the
    // box only counts its steps, so a curve costs what it shows.
    void CurvePart(const std::array<Point, 4>& q, Point bulge, int depth)
    {
        const double left = std::min({q[0].x, q[1].x, q[2].x, q[3].x});
        const double right = std::max({q[0].x, q[1].x, q[2].x, q[3].x});
        const double top = std::min({q[0].y, q[1].y, q[2].y, q[3].y});
        const double bottom = std::max({q[0].y, q[1].y, q[2].y, q[3].y});
        if (right < box_.left - 1 || left > box_.right || bottom < box_.top - 1 || top > box_.bottom) {
            stepsDone_ += std::max(std::llabs(PixelOf(q[3].x) - PixelOf(q[0].x)),
                                   std::llabs(PixelOf(q[3].y) - PixelOf(q[0].y)));
            return;
        }
        const double length = Distance(q[0], q[1]) + Distance(q[1], q[2]) + Distance(q[2], q[3]);
        if (length <= 1 || depth >= kMaxCurveSplits) {
            CurvePiece(q[0], q[3], bulge);
            return;
        }
        const auto mid = [](Point a, Point b) { return Point{(a.x + b.x) / 2, (a.y + b.y) / 2}; };
        const Point a = mid(q[0], q[1]);
        const Point b = mid(q[1], q[2]);
        const Point c = mid(q[2], q[3]);
        const Point ab = mid(a, b);
        const Point bc = mid(b, c);
        const Point centre = mid(ab, bc);
        CurvePart({q[0], a, ab, centre}, bulge, depth + 1);
        CurvePart({centre, bc, c, q[3]}, bulge, depth + 1);
    }

    // A short piece of a curve: for every whole coordinate from `from` (included) towards `to`
    // (left out) along the axis the piece runs more along, the pixel at the curve's position
    // across, rounded to the nearest, halves (within kHalfTolerance) towards the inside of
    // the bend (away from `bulge`). Consecutive pieces share no coordinate, so the curve is
    // one pixel wide.
    void CurvePiece(Point from, Point to, Point bulge)
    {
        const bool alongX = std::fabs(to.x - from.x) >= std::fabs(to.y - from.y);
        const double majorFrom = alongX ? from.x : from.y;
        const double majorTo = alongX ? to.x : to.y;
        const double minorFrom = alongX ? from.y : from.x;
        const double minorTo = alongX ? to.y : to.x;
        const int64_t low = alongX ? box_.left : box_.top;
        const int64_t high = alongX ? box_.right : box_.bottom;
        const double first = std::max(std::ceil(std::min(majorFrom, majorTo)), static_cast<double>(low));
        const double last = std::min(std::floor(std::max(majorFrom, majorTo)), static_cast<double>(high - 1));
        const double span = majorTo - majorFrom;
        const bool halvesUp = (alongX ? bulge.y : bulge.x) < 0;
        for (double along = first; along <= last && span != 0; ++along) {
            if (along == majorTo) {
                continue;
            }
            const double across = minorFrom + (along - majorFrom) * (minorTo - minorFrom) / span;
            const int64_t pixel =
                halvesUp ? PixelOf(across + kHalfTolerance) : PixelOf(std::ceil(across - 0.5 - kHalfTolerance));
            const auto at = static_cast<int64_t>(along);
            if (dashes_.On(stepsDone_++)) {
                Set(alongX ? at : pixel, alongX ? pixel : at);
            }
        }
    }

    struct Axis {
        int64_t start;
        int64_t delta;
        int64_t low;   // the box along this axis: [low, high)
        int64_t high;
    };

    // The steps [first, last) of a line whose pixels may fall within the box: those inside it
    // along the major axis, narrowed by where the minor coordinate (monotonic) is near it.
    static std::pair<int64_t, int64_t> VisibleSteps(const Axis& major, const Axis& minor, int64_t steps)
    {
        double first = 0;
        double last = static_cast<double>(steps);
        if (major.delta > 0) {
            first = std::max(first, static_cast<double>(major.low - major.start));
            last = std::min(last, static_cast<double>(major.high - major.start));
        } else {
            first = std::max(first, static_cast<double>(major.start - major.high + 1));
            last = std::min(last, static_cast<double>(major.start - major.low + 1));
        }
        if (minor.delta == 0) {
            if (minor.start < minor.low || minor.start >= minor.high) {
                return {0, 0};
            }
        } else {
            const double scale = static_cast<double>(steps) / static_cast<double>(minor.delta);
            const double a = static_cast<double>(minor.low - 2 - minor.start) * scale;
            const double b = static_cast<double>(minor.high + 2 - minor.start) * scale;
            first = std::max(first, std::floor(std::min(a, b)));
            last = std::min(last, std::ceil(std::max(a, b)) + 1);
        }
        if (!(last > first)) {
            return {0, 0};
        }
        return {static_cast<int64_t>(first), static_cast<int64_t>(last)};
    }

    void Set(int64_t x, int64_t y)
    {
        if (x < box_.left || x >= box_.right || y < box_.top || y >= box_.bottom) {
            return;
        }
        const auto row = static_cast<size_t>(y - box_.top);
        coverage_[row * static_cast<size_t>(stride_) + static_cast<size_t>(x - box_.left)] = 255;
    }

    PixelBox box_;
    int stride_;
    const DashPattern& dashes_;
    std::vector<uint8_t> coverage_;
    int64_t stepsDone_ = 0;
};

// The whole pixel where a straight line meets a curve at the curve's end point `end`, the
// curve running along `direction` there. Along the axis the curve runs more along: at its
// start, the curve's own first pixel (the first whole coordinate at or past the point); at
// its far end (`last`), the nearest whole coordinate, halves onwards.
Point CurveEndPixel(Point end, Point direction, bool last)
{
    const auto along = [last](double coordinate, double towards) {
        if (last) {
            return towards > 0 ? std::floor(coordinate + 0.5) : std::ceil(coordinate - 0.5);
        }
        return towards > 0 ? std::ceil(coordinate) : std::floor(coordinate);
    };
    if (std::fabs(direction.x) >= std::fabs(direction.y)) {
        return {along(end.x, direction.x), std::floor(end.y + 0.5)};
    }
    return {std::floor(end.x + 0.5), along(end.y, direction.y)};
}

// A curve's direction leaving its start and arriving at its end (controls may coincide with
// the end points).
Point StartDirection(Point p0, Point c1, Point c2, Point p3)
{
    for (const Point& p : {c1, c2, p3}) {
        if (p.x != p0.x || p.y != p0.y) {
            return {p.x - p0.x, p.y - p0.y};
        }
    }
    return {0, 0};
}

Point EndDirection(Point p0, Point c1, Point c2, Point p3)
{
    const Point reversed = StartDirection(p3, c2, c1, p0);
    return {-reversed.x, -reversed.y};
}

} // namespace

bool IsThinPen(double width)
{
    return !(width >= 1.5);
}

std::vector<uint8_t> ThinPenCoverage(const Path& path, const std::vector<double>& dashes, const PixelBox& box,
                                     int stride)
{
    const DashPattern pattern(dashes);
    ThinPenRaster raster(box, stride, pattern);
    if (box.IsEmpty()) {
        return raster.Take();
    }
    // A straight line meeting a curve ends or starts on the curve's own end pixel.
    const std::vector<Path::Segment>& segments = path.Segments();
    Point current;
    Point figureStart;
    Point lineStart;        // where the next straight line starts
    Point figureStartPixel; // where a line closing the figure ends
    for (size_t i = 0; i < segments.size(); ++i) {
        const Point* p = segments[i].points;
        const Path::Segment* next = i + 1 < segments.size() ? &segments[i + 1] : nullptr;
        const auto nextCurveStart = [&](Point at, Point fallback) {
            if (next == nullptr || next->kind != Path::Kind::Curve) {
                return fallback;
            }
            const Point* q = next->points;
            return CurveEndPixel(at, StartDirection(at, q[0], q[1], q[2]), false);
        };
        switch (segments[i].kind) {
        case Path::Kind::Move:
            current = figureStart = lineStart = p[0];
            figureStartPixel = nextCurveStart(p[0], p[0]);
            break;
        case Path::Kind::Line:
            raster.Line(lineStart, nextCurveStart(p[0], p[0]));
            current = lineStart = p[0];
            break;
        case Path::Kind::Curve:
            raster.Curve(current, p[0], p[1], p[2]);
            lineStart = CurveEndPixel(p[2], EndDirection(current, p[0], p[1], p[2]), true);
            current = p[2];
            break;
        case Path::Kind::Close:
            raster.Line(lineStart, figureStartPixel);
            current = lineStart = figureStart;
            figureStartPixel = figureStart;
            break;
        }
    }
    return raster.Take();
}

} // namespace zv::imaging::metafile
