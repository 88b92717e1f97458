// Where the system's player puts the pixels of shapes drawn in a box (rectangles, rounded
// rectangles, ellipses, arcs, chords and pies), so that a painting canvas lands on the same
// ones. An old-style record's box first loses its last logical column and row, counted in
// logical units whichever way they run (the system converts such records to enhanced ones,
// whose boxes include their far edges). Then the box's edges are rounded to whole device
// pixels; a path's point names the pixel it falls on, and
// - a rectangle's pen runs along the box, its brush fills the box: Rectangle(10,10,50,50)
//   outlines columns 10 and 50 and fills columns 10 to 49;
// - an ellipse's or rounded rectangle's pen runs along the shape of the box one pixel
//   narrower and shorter (its corners' ellipses too); its brush fills what lies inside that
//   path and the pixels a one-pixel pen sets along it, pen or not;
// - an arc's, chord's or pie's pen takes the narrower box too, and so does its brush: with a
//   pen, as an ellipse's; without one, the shape of the narrower box. Its rays run from the
//   recorded box's centre towards their points, both on whole device pixels.
// Pen and brush each draw by the raster operation, whatever pixels they share.
#ifndef ZV_IMAGING_METAFILE_PIXEL_RULES_H
#define ZV_IMAGING_METAFILE_PIXEL_RULES_H

#include "imaging/metafile/drawing/geometry.h"

#include <optional>

namespace zv::imaging::metafile {

enum class BoxShape { Rectangle, RoundRect, Ellipse, Arc, Chord, Pie };

// Logical boxes to build a shape in: the one whose outline the pen follows, and the one the
// brush fills (none when the shape fills nothing).
struct BoxShapeBoxes {
    Rect outline;
    std::optional<Rect> fill;
    std::optional<Rect> fillRim;  // the brush also covers a one-pixel pen's pixels along this shape
};

// The box the system draws an old-style (`oldStyle`) or enhanced record's logical `box` in.
Rect RecordedBox(const Rect& box, bool oldStyle);
// A rounded rectangle's corner size for a box narrowed from `recordedSize` to `size`: the
// corners' ellipses narrow with it (and never grow).
double NarrowedCorner(double corner, double recordedSize, double size);

// The points an arc's rays run towards (logical units).
struct ArcRays {
    Point start;
    Point end;
};
// Where the rays of an arc drawn in logical `box` run once it is drawn in `arcBox` (from
// PixelRuleBoxes): towards their points put on whole device pixels, from the centre of the
// recorded box on whole pixels, whichever box the arc is then drawn in. Unchanged when
// `arcBox` is `box`.
ArcRays PixelRuleRays(const ArcRays& rays, const Rect& box, const Rect& arcBox, const Affine& toOutput, bool oldStyle);

// The boxes for `shape` drawn in logical `box` through `toOutput`; `oldStyle` for an
// old-style record, `outlined` when a pen is selected. A map that turns or shears has no
// pixel rows to follow: both boxes are then the recorded box as it is.
BoxShapeBoxes PixelRuleBoxes(BoxShape shape, const Rect& box, const Affine& toOutput, bool oldStyle,
                             bool outlined);

} // namespace zv::imaging::metafile

#endif
