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

Rect RecordedBox(const Rect& box, bool oldStyle)
{
    return oldStyle ? LessFarEdges(box.Normalized(), 1, 1) : box;
}

double NarrowedCorner(double corner, double recordedSize, double size)
{
    const double narrowing = std::max(0.0, std::fabs(recordedSize) - std::fabs(size));
    return std::max(0.0, std::fabs(corner) - narrowing);
}

BoxShapeBoxes PixelRuleBoxes(BoxShape shape, const Rect& box, const Affine& toOutput, bool oldStyle, bool outlined)
{
    const bool fills = shape != BoxShape::Arc;
    const Rect logical = RecordedBox(box, oldStyle);
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
    case BoxShape::RoundRect: {
        // The brush fills what lies inside the pen's path and the pixels a pen would set along
        // it, pen or not.
        const Rect alongPen{device.left + 0.5, device.top + 0.5, std::max(device.left + 0.5, device.right - 0.5),
                            std::max(device.top + 0.5, device.bottom - 0.5)};
        return {toLogicalBox(narrower), toLogicalBox(alongPen), true};
    }
    case BoxShape::Chord:
    case BoxShape::Pie:
        if (outlined) {  // the brush fills inside the pen's pixels
            const Rect inside{device.left + 1, device.top + 1, std::max(device.left + 1, device.right - 1),
                              std::max(device.top + 1, device.bottom - 1)};
            return {toLogicalBox(narrower), toLogicalBox(inside)};
        }
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
    const std::optional<StrokeStyle> stroke = CurrentStroke();
    const BoxShapeBoxes boxes = PixelRuleBoxes(shape, box, toOutput, dc_.Setup().oldStyleBoxes, stroke.has_value());
    canvas_.SetClip(dc_.State().clip);
    Path outline;
    build(&outline, boxes.outline);
    const Path outlineOutput = outline.Transformed(toOutput);
    if (boxes.fill && !boxes.fill->Normalized().IsEmpty()) {
        Path fill;
        build(&fill, *boxes.fill);
        if (boxes.fillUnderPen) {
            canvas_.FillUnderPen(fill.Transformed(toOutput), outlineOutput, CurrentFill());
        } else {
            canvas_.Fill(fill.Transformed(toOutput), CurrentFill());
        }
    }
    if (stroke) {
        canvas_.Stroke(outlineOutput, *stroke);
    }
}

} // namespace zv::imaging::metafile
