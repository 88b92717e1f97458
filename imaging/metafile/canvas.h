// Where a played metafile ends up. Everything arrives in output pixels: the player has already
// applied the metafile's coordinate maps. A drawing backend (cairo/) paints; BoundsCanvas only
// measures where drawing would land, to find the frame of a metafile that does not state one.
#ifndef ZV_IMAGING_METAFILE_CANVAS_H
#define ZV_IMAGING_METAFILE_CANVAS_H

#include "imaging/metafile/dc.h"
#include "imaging/metafile/dib.h"
#include "imaging/metafile/geometry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zv::imaging::metafile {

struct FillStyle {
    Brush brush;
    Color background;           // behind hatch lines when the background is opaque
    bool opaqueBackground = false;
    bool evenOdd = true;
};

enum class LineCap { Round, Square, Flat };
enum class LineJoin { Round, Bevel, Miter };

struct StrokeStyle {
    Color color;
    double width = 1;             // output pixels
    std::vector<double> dashes;   // output pixels; empty: solid
    LineCap cap = LineCap::Round;
    LineJoin join = LineJoin::Round;
    double miterLimit = 10;
};

// How bitmap pixels combine with what is already drawn.
enum class ImageOp { Copy, NotCopy, And, Or, Xor };

struct ImageDraw {
    const Bitmap* bitmap = nullptr;
    Affine bitmapToOutput;  // bitmap pixel coordinates (top row 0) to output pixels
    Path outline;           // the destination area in output pixels
    ImageOp op = ImageOp::Copy;
};

struct FontRequest {
    std::string family;
    bool italic = false;
    int weight = 400;
    double sizePx = 16;  // em size in output pixels
};

struct FontMetrics {
    double ascent = 0;
    double descent = 0;
};

struct GlyphPiece {
    double x = 0;  // along the baseline, output pixels
    std::string utf8;
};

struct TextRun {
    FontRequest font;
    Affine baselineToOutput;  // text space (x along the baseline, y down) to output pixels
    std::vector<GlyphPiece> pieces;
    Color color;
};

class Canvas {
public:
    virtual ~Canvas() = default;
    // The clip for the drawing calls that follow (an empty list: no clip).
    virtual void SetClip(const std::vector<ClipShape>& clip) = 0;
    virtual void Fill(const Path& path, const FillStyle& style) = 0;
    virtual void Stroke(const Path& path, const StrokeStyle& style) = 0;
    virtual void DrawImage(const ImageDraw& image) = 0;
    virtual FontMetrics MeasureFont(const FontRequest& font) = 0;
    virtual double MeasureAdvance(const FontRequest& font, const std::string& utf8) = 0;
    virtual void DrawText(const TextRun& run) = 0;
    // True once the canvas refuses further work (a backend's budget against hostile files).
    virtual bool Exhausted() const { return false; }
};

// The output-space box of a text run of `width` along its baseline.
Rect TextRunBounds(const TextRun& run, double ascent, double descent, double width);

// Collects the bounds of everything drawn, in output coordinates.
class BoundsCanvas final : public Canvas {
public:
    void SetClip(const std::vector<ClipShape>&) override {}
    void Fill(const Path& path, const FillStyle& style) override;
    void Stroke(const Path& path, const StrokeStyle& style) override;
    void DrawImage(const ImageDraw& image) override;
    FontMetrics MeasureFont(const FontRequest& font) override;
    double MeasureAdvance(const FontRequest& font, const std::string& utf8) override;
    void DrawText(const TextRun& run) override;

    bool HasBounds() const { return any_; }
    const Rect& Bounds() const { return bounds_; }

private:
    void Include(const Rect& rect);

    Rect bounds_;
    bool any_ = false;
};

} // namespace zv::imaging::metafile

#endif
