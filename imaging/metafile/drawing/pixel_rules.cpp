#include "imaging/metafile/drawing/pixel_rules.h"

#include "imaging/metafile/drawing/player.h"

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

} // namespace

BoxShapeBoxes PixelRuleBoxes(BoxShape shape, const Rect& box, const Affine& toOutput, bool oldStyle)
{
    const bool fills = shape != BoxShape::Arc;
    const Rect logical = oldStyle ? LessFarEdges(box.Normalized(), 1, 1) : box;
    Affine toLogical;
    if (toOutput.b != 0 || toOutput.c != 0 || !toOutput.Invert(&toLogical)) {
        return {logical, fills ? std::optional<Rect>(logical) : std::nullopt};
    }
    const Point corner1 = toOutput.Apply({logical.left, logical.top});
    const Point corner2 = toOutput.Apply({logical.right, logical.bottom});
    const Rect mapped = Rect{corner1.x, corner1.y, corner2.x, corner2.y}.Normalized();
    const Rect device{WholePixel(mapped.left), WholePixel(mapped.top), WholePixel(mapped.right),
                      WholePixel(mapped.bottom)};
    const Rect narrower = LessFarEdges(device, 1, 1);
    const auto toLogicalBox = [&](const Rect& output) {
        const Point from = toLogical.Apply({output.left, output.top});
        const Point to = toLogical.Apply({output.right, output.bottom});
        return Rect{from.x, from.y, to.x, to.y};
    };
    switch (shape) {
    case BoxShape::Rectangle:
        return {toLogicalBox(device), toLogicalBox(device)};
    case BoxShape::Ellipse:
    case BoxShape::RoundRect:
        return {toLogicalBox(narrower), toLogicalBox(device)};
    case BoxShape::Chord:
    case BoxShape::Pie:
        return {toLogicalBox(narrower), toLogicalBox(narrower)};
    case BoxShape::Arc:
        break;
    }
    return {toLogicalBox(narrower), std::nullopt};
}

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
    const BoxShapeBoxes boxes = PixelRuleBoxes(shape, box, toOutput, dc_.Setup().oldStyleBoxes);
    canvas_.SetClip(dc_.State().clip);
    if (boxes.fill && !boxes.fill->Normalized().IsEmpty()) {
        Path fill;
        build(&fill, *boxes.fill);
        canvas_.Fill(fill.Transformed(toOutput), CurrentFill());
    }
    if (const auto stroke = CurrentStroke()) {
        Path outline;
        build(&outline, boxes.outline);
        canvas_.Stroke(outline.Transformed(toOutput), *stroke);
    }
}

} // namespace zv::imaging::metafile
