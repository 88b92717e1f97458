#include "imaging/metafile/drawing/pixel_rules.h"

#include <algorithm>
#include <cmath>

namespace zv::imaging::metafile {
namespace {

double WholePixel(double coordinate)
{
    return std::floor(coordinate + 0.5);
}

// A normalized box less `units` on the right and at the bottom, but never past its left and
// top (a box one unit across is outlined by a line).
Rect LessFarEdges(const Rect& box, double unitsX, double unitsY)
{
    return {box.left, box.top, std::max(box.left, box.right - unitsX), std::max(box.top, box.bottom - unitsY)};
}

// The path a one-pixel pen follows along the shape of `box` runs through the middles of its
// pixels: the box's continuous extent, half a pixel in from each pixel edge.
Rect AlongPen(const Rect& box)
{
    return {box.left + 0.5, box.top + 0.5, box.right + 0.5, box.bottom + 0.5};
}

bool KeepsAxes(const Affine& map)
{
    return map.b == 0 && map.c == 0;
}

// A logical box's extent on the device, its edges on whole pixels.
Rect WholeDeviceBox(const Rect& logical, const Affine& toOutput)
{
    const Point corner1 = toOutput.Apply({logical.left, logical.top});
    const Point corner2 = toOutput.Apply({logical.right, logical.bottom});
    const Rect mapped = Rect{corner1.x, corner1.y, corner2.x, corner2.y}.Normalized();
    return {WholePixel(mapped.left), WholePixel(mapped.top), WholePixel(mapped.right), WholePixel(mapped.bottom)};
}

Rect ToLogicalBox(const Rect& device, const Affine& toLogical)
{
    const Point from = toLogical.Apply({device.left, device.top});
    const Point to = toLogical.Apply({device.right, device.bottom});
    return {from.x, from.y, to.x, to.y};
}

} // namespace

Rect RecordedBox(const Rect& box, bool oldStyle)
{
    return oldStyle ? LessFarEdges(box.Normalized(), 1, 1) : box;
}

double NarrowedCorner(double corner, double recordedSize, double size)
{
    const double narrowing = std::max(0.0, std::fabs(recordedSize) - std::fabs(size));
    return std::max(0.0, std::fabs(corner) - narrowing);
}

ArcRays PixelRuleRays(const ArcRays& rays, const Rect& box, const Rect& arcBox, const Affine& toOutput, bool oldStyle)
{
    const bool asGiven = arcBox.left == box.left && arcBox.top == box.top && arcBox.right == box.right &&
                         arcBox.bottom == box.bottom;
    Affine toLogical;
    if (asGiven || !KeepsAxes(toOutput) || !toOutput.Invert(&toLogical)) {
        return rays;
    }
    const Rect recorded = ToLogicalBox(WholeDeviceBox(RecordedBox(box, oldStyle), toOutput), toLogical);
    const auto onPixels = [&](Point p) {
        const Point device = toOutput.Apply(p);
        const Point whole = toLogical.Apply({WholePixel(device.x), WholePixel(device.y)});
        return Point{whole.x + (arcBox.left + arcBox.right - recorded.left - recorded.right) / 2,
                     whole.y + (arcBox.top + arcBox.bottom - recorded.top - recorded.bottom) / 2};
    };
    return {onPixels(rays.start), onPixels(rays.end)};
}

BoxShapeBoxes PixelRuleBoxes(BoxShape shape, const Rect& box, const Affine& toOutput, bool oldStyle, bool outlined)
{
    const bool fills = shape != BoxShape::Arc;
    const Rect logical = RecordedBox(box, oldStyle);
    Affine toLogical;
    if (!KeepsAxes(toOutput) || !toOutput.Invert(&toLogical)) {
        return {logical, fills ? std::optional<Rect>(logical) : std::nullopt, std::nullopt};
    }
    const Rect device = WholeDeviceBox(logical, toOutput);
    const Rect narrower = LessFarEdges(device, 1, 1);
    const auto toLogicalBox = [&](const Rect& output) { return ToLogicalBox(output, toLogical); };
    switch (shape) {
    case BoxShape::Rectangle:
        return {toLogicalBox(device), toLogicalBox(device), std::nullopt};
    case BoxShape::Ellipse:
    case BoxShape::RoundRect:
        // The brush fills what lies inside the pen's path and the pixels a pen would set along
        // it, pen or not.
        return {toLogicalBox(narrower), toLogicalBox(AlongPen(narrower)), toLogicalBox(narrower)};
    case BoxShape::Chord:
    case BoxShape::Pie:
        if (outlined) {
            return {toLogicalBox(narrower), toLogicalBox(AlongPen(narrower)), toLogicalBox(narrower)};
        }
        return {toLogicalBox(narrower), toLogicalBox(narrower), std::nullopt};
    case BoxShape::Arc:
        break;
    }
    return {toLogicalBox(narrower), std::nullopt, std::nullopt};
}

} // namespace zv::imaging::metafile
