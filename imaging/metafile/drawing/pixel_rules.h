// Where the system's player puts the pixels of shapes drawn in a box (rectangles, rounded
// rectangles, ellipses, arcs, chords and pies), so that a painting canvas lands on the same
// ones. An old-style record's box first loses its last logical column and row, counted in
// logical units whichever way they run (the system converts such records to enhanced ones,
// whose boxes include their far edges). Then the
// box's edges are rounded to whole device pixels; a path's point then names the pixel it
// falls on, and
// - a rectangle's pen runs along the box, its brush fills the box: Rectangle(10,10,50,50)
//   outlines columns 10 and 50 and fills columns 10 to 49;
// - an ellipse's or rounded rectangle's pen runs along the shape of the box one pixel
//   narrower and shorter, its brush fills the shape of the whole box;
// - an arc's, chord's or pie's pen and brush both take the narrower box.
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
};

// The boxes for `shape` drawn in logical `box` through `toOutput`; `oldStyle` for an
// old-style record. A map that turns or shears has no pixel rows to follow: both boxes are
// then the logical box as it is (less its far edges for an old-style record).
BoxShapeBoxes PixelRuleBoxes(BoxShape shape, const Rect& box, const Affine& toOutput, bool oldStyle);

} // namespace zv::imaging::metafile

#endif
