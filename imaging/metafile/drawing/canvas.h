// Where a played metafile ends up. Everything arrives in output pixels: the player has already
// applied the metafile's coordinate maps. A drawing backend (cairo/) paints; BoundsCanvas only
// measures where drawing would land, to find the frame of a metafile that does not state one.
#ifndef ZV_IMAGING_METAFILE_CANVAS_H
#define ZV_IMAGING_METAFILE_CANVAS_H

#include "imaging/metafile/drawing/dc.h"
#include "imaging/metafile/drawing/dib.h"
#include "imaging/metafile/drawing/geometry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zv::imaging::metafile {

// Binary raster operations (how a pen or brush colour P combines with what is drawn D),
// numbered 1 (black) to 16 (white); copying the pen is the everyday one.
inline constexpr int kRop2CopyPen = 13;
inline constexpr int kRop2Nop = 11;
// Ternary raster operation codes (the byte of a blit's operation: bit (P<<2 | S<<1 | D) of
// the code is the result for those source, pattern and destination bits).
inline constexpr uint8_t kRop3SourceCopy = 0xCC;

struct FillStyle {
    Brush brush;
    Color background;           // behind hatch lines when the background is opaque
    bool opaqueBackground = false;
    bool evenOdd = true;
    int rop2 = kRop2CopyPen;
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
    int rop2 = kRop2CopyPen;
};

// A blit: source bitmap S (none for operations without one), the brush as pattern P and the
// destination D combine by the operation's code over the outline.
struct ImageDraw {
    const Bitmap* bitmap = nullptr;
    Affine bitmapToOutput;  // bitmap pixel coordinates (top row 0) to output pixels
    Path outline;           // the destination area in output pixels
    uint8_t rop = kRop3SourceCopy;
    FillStyle pattern;
};

// The ternary operation `rop` on 24-bit colours, bit by bit.
uint32_t CombineRop3(uint8_t rop, uint32_t pattern, uint32_t source, uint32_t destination);
// The ternary code that does what binary operation `rop2` (1..16) does, ignoring the source.
uint8_t Rop3ForRop2(int rop2);

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
    // Fills `path` and, with it, the pixels a one-pixel pen sets along `penPath`: a brush that
    // reaches under its pen but not beyond it.
    virtual void FillUnderPen(const Path& path, const Path& penPath, const FillStyle& style)
    {
        static_cast<void>(penPath);
        Fill(path, style);
    }
    virtual void DrawImage(const ImageDraw& image) = 0;
    virtual FontMetrics MeasureFont(const FontRequest& font) = 0;
    virtual double MeasureAdvance(const FontRequest& font, const std::string& utf8) = 0;
    virtual void DrawText(const TextRun& run) = 0;
    // True once the canvas refuses further work (a backend's budget against hostile files).
    virtual bool Exhausted() const { return false; }
    // True for a canvas that paints pixels: shapes then land on the pixels the system's
    // drawing sets (drawing/pixel_rules.h); a measuring canvas sees them as given.
    virtual bool LandsOnPixels() const { return false; }
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
