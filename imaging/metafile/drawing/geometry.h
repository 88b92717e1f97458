// Plain geometry for the metafile renderer: points, rectangles, affine maps, colours, and
// paths made of lines and cubic Béziers. Shapes are built in a metafile's logical units and
// then mapped into the output image, where every coordinate is made finite and bounded so that
// no file can hand cairo a value it cannot represent.
#ifndef ZV_IMAGING_METAFILE_GEOMETRY_H
#define ZV_IMAGING_METAFILE_GEOMETRY_H

#include <cstdint>
#include <vector>

namespace zv::imaging::metafile {

// Output coordinates are clamped to this magnitude: far beyond any image cairo can hold, yet
// well inside cairo's 24.8 fixed-point range.
inline constexpr double kMaxOutputCoordinate = 1.0e6;

struct Point {
    double x = 0;
    double y = 0;
};

// Edges as stored in metafiles; left may exceed right and top may exceed bottom.
struct Rect {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;

    double Width() const { return right - left; }
    double Height() const { return bottom - top; }
    Rect Normalized() const;
    bool IsEmpty() const { return !(right > left && bottom > top); }
};

// x' = a*x + c*y + e, y' = b*x + d*y + f (cairo's and XFORM's layout).
struct Affine {
    double a = 1;
    double b = 0;
    double c = 0;
    double d = 1;
    double e = 0;
    double f = 0;

    static Affine Translation(double dx, double dy) { return {1, 0, 0, 1, dx, dy}; }
    static Affine Scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }

    Point Apply(Point p) const { return {a * p.x + c * p.y + e, b * p.x + d * p.y + f}; }
    // Applies this map first, then `next`.
    Affine Then(const Affine& next) const;
    double Determinant() const { return a * d - b * c; }
    bool IsFinite() const;
    bool Invert(Affine* out) const;
    // How much the map lengthens the logical x and y unit vectors.
    double ScaleX() const;
    double ScaleY() const;
};

struct Color {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;

    // A COLORREF: 0x00BBGGRR.
    static Color FromColorRef(uint32_t value);
    bool operator==(const Color&) const = default;
};

// A finite, clamped copy of a point (NaN becomes 0).
Point ClampToOutput(Point p);

class Path {
public:
    enum class Kind : uint8_t { Move, Line, Curve, Close };
    struct Segment {
        Kind kind;
        Point points[3];  // Move/Line: points[0]; Curve: two controls then the end point
    };

    void MoveTo(Point p);
    void LineTo(Point p);
    void CurveTo(Point c1, Point c2, Point end);
    void Close();
    void Append(const Path& other);
    void Clear();

    bool IsEmpty() const { return segments_.empty(); }
    bool HasCurrentPoint() const { return hasCurrent_; }
    Point CurrentPoint() const { return current_; }
    const std::vector<Segment>& Segments() const { return segments_; }
    // Bounds of all points including Bézier controls; an empty rect for an empty path.
    Rect ControlBounds() const;
    // Every point mapped through `map` and clamped to the output range.
    Path Transformed(const Affine& map) const;

private:
    std::vector<Segment> segments_;
    Point current_;
    Point figureStart_;
    bool hasCurrent_ = false;
};

// Which part of an ellipse an arc-like shape draws.
enum class ArcKind { Open, Chord, Pie };

// A closed rectangle path.
Path RectanglePath(const Rect& rect);

// The border of a region given as non-overlapping rectangles (normalized): the part of the
// region that moving it by `width` left or right, or by `height` up or down, uncovers. As
// rectangles, one band of equal top and bottom at a time. RegionFrameWork says how many
// rectangle tests that takes (bands times rectangles), to be counted against a budget first.
std::vector<Rect> RegionFrame(const std::vector<Rect>& rects, double width, double height);
uint64_t RegionFrameWork(const std::vector<Rect>& rects);

// Closed outlines in logical units.
void AddPolygon(Path* path, const std::vector<Point>& points);
void AddRectangle(Path* path, const Rect& rect);
void AddRoundRectangle(Path* path, const Rect& rect, double cornerWidth, double cornerHeight);
void AddEllipse(Path* path, const Rect& box);

// The arc of the ellipse inscribed in `box` from the ray towards `start` to the ray towards
// `end`, turning with increasing (clockwise false) or decreasing parameter angle. Starting
// and ending on the same ray draws the whole ellipse. With `continueFigure` the arc is joined
// to the path's current point by a line; otherwise it starts a figure (Pie starts at the
// centre). Chord and Pie close their figure.
void AddArc(Path* path, const Rect& box, Point start, Point end, bool increasingAngle,
            ArcKind kind, bool continueFigure);

// An arc of a circle given by centre, radius and angles in degrees (counter-clockwise in a
// y-up sense as the caller defines); joined to the current point by a line.
void AddAngleArc(Path* path, Point centre, double radius, double startDegrees,
                 double sweepDegrees);

} // namespace zv::imaging::metafile

#endif
