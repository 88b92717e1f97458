// The cairo drawing backend: a Canvas that paints on a cairo context.
#ifndef ZV_IMAGING_METAFILE_CAIRO_CANVAS_H
#define ZV_IMAGING_METAFILE_CAIRO_CANVAS_H

#include "imaging/metafile/cairo/cairo_pixels.h"
#include "imaging/metafile/drawing/canvas.h"

#include <cairo.h>

#include <functional>

namespace zv::imaging::metafile {

// Paints on a cairo context whose target is `width` x `height` pixels. To keep a hostile file
// from drawing forever, it counts the pixels each call may touch and stops drawing once they
// exceed a budget proportional to the image.
class CairoCanvas final : public Canvas {
public:
    CairoCanvas(cairo_t* cairo, int width, int height);
    ~CairoCanvas() override;
    CairoCanvas(const CairoCanvas&) = delete;
    CairoCanvas& operator=(const CairoCanvas&) = delete;

    void SetClip(const std::vector<ClipShape>& clip) override;
    void Fill(const Path& path, const FillStyle& style) override;
    void Stroke(const Path& path, const StrokeStyle& style) override;
    void FillUnderPen(const Path& path, const Path& penPath, const FillStyle& style) override;
    void DrawImage(const ImageDraw& image) override;
    FontMetrics MeasureFont(const FontRequest& font) override;
    double MeasureAdvance(const FontRequest& font, const std::string& utf8) override;
    void DrawText(const TextRun& run) override;
    bool Exhausted() const override { return exhausted_; }
    bool LandsOnPixels() const override { return true; }

private:
    // Draws a shape's coverage with `cover` and combines the covered pixels by `how`: what
    // cairo has no operator for is computed on the pixels within `bounds`.
    void Combine(const Rect& bounds, const std::function<void(cairo_t*)>& cover, const Combination& how);
    bool Spend(const Rect& outputBounds, double extraCost);
    void AppendPath(const Path& path);
    void SelectFont(const FontRequest& font);
    void ApplyClip();
    void BuildClipMask();
    void ReleaseClipMask();
    // Runs `draw` so that only what the clip mask lets through lands (everything without one).
    void Masked(const Rect& bounds, const std::function<void()>& draw);

    cairo_t* cairo_;
    int width_;
    int height_;
    double budget_;
    bool exhausted_ = false;
    std::vector<ClipShape> clip_;
    bool clipDirty_ = false;
    cairo_surface_t* clipMask_ = nullptr;  // set while the clip has unions or exclusive-ors
};

} // namespace zv::imaging::metafile

#endif
