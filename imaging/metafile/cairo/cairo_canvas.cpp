#include "imaging/metafile/cairo/cairo_canvas.h"

#include <algorithm>
#include <cmath>

namespace zv::imaging::metafile {
namespace {

// How many full-image paints a metafile may spend, plus a floor for tiny images.
constexpr double kBudgetImagePaints = 256;
constexpr double kBudgetFloorPixels = 64.0 * 1024 * 1024;
constexpr int kHatchSize = 8;
// What a path segment and a character of text cost beyond the pixels they cover.
constexpr double kSegmentCost = 16;
constexpr double kCharacterCost = 256;

void SetSourceColor(cairo_t* cairo, Color color)
{
    cairo_set_source_rgb(cairo, color.r / 255.0, color.g / 255.0, color.b / 255.0);
}

uint32_t PackColor(Color color)
{
    return 0xFF000000u | (static_cast<uint32_t>(color.r) << 16) |
           (static_cast<uint32_t>(color.g) << 8) | color.b;
}

bool HatchCovers(uint32_t hatch, int x, int y)
{
    switch (hatch) {
    case 0:
        return y == kHatchSize / 2;
    case 1:
        return x == kHatchSize / 2;
    case 2:
        return x == y;                       // top-left to bottom-right
    case 3:
        return x + y == kHatchSize - 1;      // bottom-left to top-right
    case 4:
        return x == kHatchSize / 2 || y == kHatchSize / 2;
    default:
        return x == y || x + y == kHatchSize - 1;
    }
}

// A wrapper that lets a Bitmap be read by cairo without copying. cairo only reads the pixels.
cairo_surface_t* SurfaceFor(const Bitmap& bitmap)
{
    return cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(bitmap.pixels.data())),
        CAIRO_FORMAT_RGB24, bitmap.width, bitmap.height, bitmap.width * 4);
}

cairo_pattern_t* HatchPattern(const FillStyle& style)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kHatchSize, kHatchSize);
    cairo_surface_flush(surface);
    auto* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    if (data != nullptr) {
        const uint32_t ink = PackColor(style.brush.color);
        const uint32_t paper = style.opaqueBackground ? PackColor(style.background) : 0;
        for (int y = 0; y < kHatchSize; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
            for (int x = 0; x < kHatchSize; ++x) {
                row[x] = HatchCovers(style.brush.hatch, x, y) ? ink : paper;
            }
        }
    }
    cairo_surface_mark_dirty(surface);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(surface);
    cairo_surface_destroy(surface);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    return pattern;
}

cairo_pattern_t* BitmapPattern(const Bitmap& bitmap)
{
    cairo_surface_t* surface = SurfaceFor(bitmap);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(surface);
    cairo_surface_destroy(surface);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    return pattern;
}

cairo_operator_t OperatorFor(ImageOp op)
{
    switch (op) {
    case ImageOp::And:
        return CAIRO_OPERATOR_MULTIPLY;
    case ImageOp::Or:
        return CAIRO_OPERATOR_LIGHTEN;
    case ImageOp::Xor:
        return CAIRO_OPERATOR_DIFFERENCE;
    default:
        return CAIRO_OPERATOR_OVER;
    }
}

cairo_matrix_t ToCairo(const Affine& m)
{
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, m.a, m.b, m.c, m.d, m.e, m.f);
    return matrix;
}

Bitmap Inverted(const Bitmap& bitmap)
{
    Bitmap inverted = bitmap;
    for (uint32_t& pixel : inverted.pixels) {
        pixel = 0xFF000000u | (~pixel & 0x00FFFFFFu);
    }
    return inverted;
}

double RunWidth(const TextRun& run)
{
    double width = 0;
    for (const GlyphPiece& piece : run.pieces) {
        width = std::max(width, piece.x + run.font.sizePx * static_cast<double>(piece.utf8.size()));
    }
    return width;
}

} // namespace

CairoCanvas::CairoCanvas(cairo_t* cairo, int width, int height)
    : cairo_(cairo), width_(width), height_(height),
      budget_(kBudgetImagePaints * width * static_cast<double>(height) + kBudgetFloorPixels)
{
}

bool CairoCanvas::Spend(const Rect& outputBounds, double extraCost)
{
    budget_ -= extraCost;
    if (exhausted_) {
        return false;
    }
    const double left = std::max(0.0, outputBounds.left);
    const double top = std::max(0.0, outputBounds.top);
    const double right = std::min(static_cast<double>(width_), outputBounds.right);
    const double bottom = std::min(static_cast<double>(height_), outputBounds.bottom);
    if (right > left && bottom > top) {
        budget_ -= (right - left + 2) * (bottom - top + 2);
    }
    budget_ -= 1;  // every call costs something, even when it lands outside
    if (budget_ < 0) {
        exhausted_ = true;
        return false;
    }
    return true;
}

void CairoCanvas::AppendPath(const Path& path)
{
    cairo_new_path(cairo_);
    for (const Path::Segment& segment : path.Segments()) {
        const Point* p = segment.points;
        switch (segment.kind) {
        case Path::Kind::Move:
            cairo_move_to(cairo_, p[0].x, p[0].y);
            break;
        case Path::Kind::Line:
            cairo_line_to(cairo_, p[0].x, p[0].y);
            break;
        case Path::Kind::Curve:
            cairo_curve_to(cairo_, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
            break;
        case Path::Kind::Close:
            cairo_close_path(cairo_);
            break;
        }
    }
}

void CairoCanvas::SetClip(const std::vector<ClipShape>& clip)
{
    const bool same = clip.size() == clip_.size() &&
                      std::equal(clip.begin(), clip.end(), clip_.begin(),
                                 [](const ClipShape& x, const ClipShape& y) {
                                     return x.path == y.path && x.evenOdd == y.evenOdd;
                                 });
    if (!same) {
        clip_ = clip;
        clipDirty_ = true;
    }
}

void CairoCanvas::ApplyClip()
{
    if (!clipDirty_) {
        return;
    }
    clipDirty_ = false;
    cairo_identity_matrix(cairo_);
    cairo_reset_clip(cairo_);
    for (const ClipShape& shape : clip_) {
        AppendPath(*shape.path);
        cairo_set_fill_rule(cairo_, shape.evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
        cairo_clip(cairo_);
    }
}

void CairoCanvas::Fill(const Path& path, const FillStyle& style)
{
    if (style.brush.kind == BrushKind::Null || path.IsEmpty() ||
        !Spend(path.ControlBounds(), kSegmentCost * static_cast<double>(path.Segments().size()))) {
        return;
    }
    ApplyClip();
    cairo_identity_matrix(cairo_);
    AppendPath(path);
    cairo_set_fill_rule(cairo_, style.evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    cairo_pattern_t* pattern = nullptr;
    if (style.brush.kind == BrushKind::Hatched) {
        pattern = HatchPattern(style);
    } else if (style.brush.kind == BrushKind::Pattern && style.brush.pattern != nullptr) {
        pattern = BitmapPattern(*style.brush.pattern);
    }
    if (pattern != nullptr) {
        cairo_set_source(cairo_, pattern);
        cairo_pattern_destroy(pattern);
    } else {
        SetSourceColor(cairo_, style.brush.color);
    }
    cairo_fill(cairo_);
}

void CairoCanvas::Stroke(const Path& path, const StrokeStyle& style)
{
    if (path.IsEmpty()) {
        return;
    }
    Rect bounds = path.ControlBounds();
    const double half = style.width / 2 + 1;
    bounds = {bounds.left - half, bounds.top - half, bounds.right + half, bounds.bottom + half};
    if (!Spend(bounds, kSegmentCost * static_cast<double>(path.Segments().size()))) {
        return;
    }
    ApplyClip();
    cairo_identity_matrix(cairo_);
    AppendPath(path);
    SetSourceColor(cairo_, style.color);
    cairo_set_line_width(cairo_, style.width);
    cairo_set_dash(cairo_, style.dashes.empty() ? nullptr : style.dashes.data(),
                   static_cast<int>(style.dashes.size()), 0);
    switch (style.cap) {
    case LineCap::Round:
        cairo_set_line_cap(cairo_, CAIRO_LINE_CAP_ROUND);
        break;
    case LineCap::Square:
        cairo_set_line_cap(cairo_, CAIRO_LINE_CAP_SQUARE);
        break;
    case LineCap::Flat:
        cairo_set_line_cap(cairo_, CAIRO_LINE_CAP_BUTT);
        break;
    }
    switch (style.join) {
    case LineJoin::Round:
        cairo_set_line_join(cairo_, CAIRO_LINE_JOIN_ROUND);
        break;
    case LineJoin::Bevel:
        cairo_set_line_join(cairo_, CAIRO_LINE_JOIN_BEVEL);
        break;
    case LineJoin::Miter:
        cairo_set_line_join(cairo_, CAIRO_LINE_JOIN_MITER);
        break;
    }
    cairo_set_miter_limit(cairo_, std::max(1.0, style.miterLimit));
    cairo_stroke(cairo_);
}

void CairoCanvas::DrawImage(const ImageDraw& image)
{
    Affine outputToBitmap;
    if (image.bitmap == nullptr || image.outline.IsEmpty() ||
        !image.bitmapToOutput.Invert(&outputToBitmap) || !Spend(image.outline.ControlBounds(), 0)) {
        return;
    }
    ApplyClip();
    Bitmap inverted;
    const Bitmap* source = image.bitmap;
    if (image.op == ImageOp::NotCopy) {
        inverted = Inverted(*image.bitmap);
        source = &inverted;
    }
    cairo_surface_t* surface = SurfaceFor(*source);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(surface);
    cairo_surface_destroy(surface);
    const cairo_matrix_t matrix = ToCairo(outputToBitmap);
    cairo_pattern_set_matrix(pattern, &matrix);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    // Enlarged bitmaps keep sharp pixels as the recording device drew them; reduced ones are
    // averaged so that thin detail does not vanish.
    const bool enlarged = std::fabs(image.bitmapToOutput.Determinant()) >= 1;
    cairo_pattern_set_filter(pattern, enlarged ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    cairo_identity_matrix(cairo_);
    AppendPath(image.outline);
    cairo_set_fill_rule(cairo_, CAIRO_FILL_RULE_WINDING);
    cairo_set_source(cairo_, pattern);
    cairo_set_operator(cairo_, OperatorFor(image.op));
    cairo_fill(cairo_);
    cairo_set_operator(cairo_, CAIRO_OPERATOR_OVER);
    cairo_pattern_destroy(pattern);
    // The pattern referenced the pixels; make sure cairo is done with them before they go.
    cairo_surface_flush(cairo_get_target(cairo_));
}

void CairoCanvas::SelectFont(const FontRequest& font)
{
    cairo_select_font_face(cairo_, font.family.c_str(),
                           font.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           font.weight >= 600 ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cairo_, font.sizePx);
}

FontMetrics CairoCanvas::MeasureFont(const FontRequest& font)
{
    cairo_identity_matrix(cairo_);
    SelectFont(font);
    cairo_font_extents_t extents{};
    cairo_font_extents(cairo_, &extents);
    return {extents.ascent, extents.descent};
}

double CairoCanvas::MeasureAdvance(const FontRequest& font, const std::string& utf8)
{
    cairo_identity_matrix(cairo_);
    SelectFont(font);
    cairo_text_extents_t extents{};
    cairo_text_extents(cairo_, utf8.c_str(), &extents);
    return extents.x_advance;
}

void CairoCanvas::DrawText(const TextRun& run)
{
    if (run.pieces.empty()) {
        return;
    }
    const Rect bounds = TextRunBounds(run, run.font.sizePx, run.font.sizePx / 2, RunWidth(run));
    double characters = 0;
    for (const GlyphPiece& piece : run.pieces) {
        characters += static_cast<double>(piece.utf8.size());
    }
    if (!Spend(bounds, kCharacterCost * characters)) {
        return;
    }
    ApplyClip();
    const cairo_matrix_t matrix = ToCairo(run.baselineToOutput);
    cairo_set_matrix(cairo_, &matrix);
    SelectFont(run.font);
    cairo_new_path(cairo_);
    // Outlines rather than cached glyph images: a huge font size costs no huge mask.
    for (const GlyphPiece& piece : run.pieces) {
        cairo_move_to(cairo_, piece.x, 0);
        cairo_text_path(cairo_, piece.utf8.c_str());
    }
    cairo_set_fill_rule(cairo_, CAIRO_FILL_RULE_WINDING);
    SetSourceColor(cairo_, run.color);
    cairo_fill(cairo_);
    cairo_identity_matrix(cairo_);
}

} // namespace zv::imaging::metafile
