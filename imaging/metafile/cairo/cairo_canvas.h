// The cairo drawing backend: a Canvas that paints on a cairo context.
#ifndef ZV_IMAGING_METAFILE_CAIRO_CANVAS_H
#define ZV_IMAGING_METAFILE_CAIRO_CANVAS_H

#include "imaging/metafile/canvas.h"

#include <cairo.h>

namespace zv::imaging::metafile {

// Paints on a cairo context whose target is `width` x `height` pixels. To keep a hostile file
// from drawing forever, it counts the pixels each call may touch and stops drawing once they
// exceed a budget proportional to the image.
class CairoCanvas final : public Canvas {
public:
    CairoCanvas(cairo_t* cairo, int width, int height);

    void SetClip(const std::vector<ClipShape>& clip) override;
    void Fill(const Path& path, const FillStyle& style) override;
    void Stroke(const Path& path, const StrokeStyle& style) override;
    void DrawImage(const ImageDraw& image) override;
    FontMetrics MeasureFont(const FontRequest& font) override;
    double MeasureAdvance(const FontRequest& font, const std::string& utf8) override;
    void DrawText(const TextRun& run) override;
    bool Exhausted() const override { return exhausted_; }

private:
    bool Spend(const Rect& outputBounds, double extraCost);
    void AppendPath(const Path& path);
    void SelectFont(const FontRequest& font);
    void ApplyClip();

    cairo_t* cairo_;
    int width_;
    int height_;
    double budget_;
    bool exhausted_ = false;
    std::vector<ClipShape> clip_;
    bool clipDirty_ = false;
};

} // namespace zv::imaging::metafile

#endif
