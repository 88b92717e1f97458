#include "imaging/metafile/canvas.h"

#include <algorithm>

namespace zv::imaging::metafile {

Rect TextRunBounds(const TextRun& run, double ascent, double descent, double width)
{
    const Point corners[4] = {
        run.baselineToOutput.Apply({0, -ascent}), run.baselineToOutput.Apply({width, -ascent}),
        run.baselineToOutput.Apply({0, descent}), run.baselineToOutput.Apply({width, descent})};
    Rect bounds{corners[0].x, corners[0].y, corners[0].x, corners[0].y};
    for (const Point& p : corners) {
        bounds.left = std::min(bounds.left, p.x);
        bounds.top = std::min(bounds.top, p.y);
        bounds.right = std::max(bounds.right, p.x);
        bounds.bottom = std::max(bounds.bottom, p.y);
    }
    return bounds;
}

void BoundsCanvas::Include(const Rect& rect)
{
    if (!any_) {
        bounds_ = rect;
        any_ = true;
        return;
    }
    bounds_.left = std::min(bounds_.left, rect.left);
    bounds_.top = std::min(bounds_.top, rect.top);
    bounds_.right = std::max(bounds_.right, rect.right);
    bounds_.bottom = std::max(bounds_.bottom, rect.bottom);
}

void BoundsCanvas::Fill(const Path& path, const FillStyle& style)
{
    if (style.brush.kind != BrushKind::Null && !path.IsEmpty()) {
        Include(path.ControlBounds());
    }
}

void BoundsCanvas::Stroke(const Path& path, const StrokeStyle&)
{
    if (!path.IsEmpty()) {
        Include(path.ControlBounds());
    }
}

void BoundsCanvas::DrawImage(const ImageDraw& image)
{
    if (!image.outline.IsEmpty()) {
        Include(image.outline.ControlBounds());
    }
}

FontMetrics BoundsCanvas::MeasureFont(const FontRequest& font)
{
    return {font.sizePx * 0.8, font.sizePx * 0.2};
}

double BoundsCanvas::MeasureAdvance(const FontRequest& font, const std::string& utf8)
{
    return font.sizePx * 0.6 * static_cast<double>(utf8.size());
}

void BoundsCanvas::DrawText(const TextRun& run)
{
    if (run.pieces.empty()) {
        return;
    }
    double width = 0;
    for (const GlyphPiece& piece : run.pieces) {
        width = std::max(width, piece.x + MeasureAdvance(run.font, piece.utf8));
    }
    Include(TextRunBounds(run, run.font.sizePx * 0.8, run.font.sizePx * 0.2, width));
}

} // namespace zv::imaging::metafile
