#include "imaging/metafile/canvas.h"

#include <algorithm>

namespace zv::imaging::metafile {

uint32_t CombineRop3(uint8_t rop, uint32_t pattern, uint32_t source, uint32_t destination)
{
    uint32_t result = 0;
    for (unsigned term = 0; term < 8; ++term) {
        if (((rop >> term) & 1) == 0) {
            continue;
        }
        result |= ((term & 4) ? pattern : ~pattern) & ((term & 2) ? source : ~source) &
                  ((term & 1) ? destination : ~destination);
    }
    return result & 0x00FFFFFFu;
}

uint8_t Rop3ForRop2(int rop2)
{
    // Binary code n - 1 holds the result for (P<<1 | D) in its bits.
    const unsigned table = static_cast<unsigned>(rop2 - 1) & 0x0F;
    uint8_t rop = 0;
    for (unsigned term = 0; term < 8; ++term) {
        const unsigned p = (term >> 2) & 1;
        const unsigned d = term & 1;
        rop |= static_cast<uint8_t>(((table >> ((p << 1) | d)) & 1) << term);
    }
    return rop;
}

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
