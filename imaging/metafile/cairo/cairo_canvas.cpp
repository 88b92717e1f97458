#include "imaging/metafile/cairo/cairo_canvas.h"

#include "imaging/metafile/cairo/cairo_thin_pen.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace zv::imaging::metafile {
namespace {

// How many full-image paints a metafile may spend, plus a floor for tiny images.
constexpr double kBudgetImagePaints = 256;
constexpr double kBudgetFloorPixels = 64.0 * 1024 * 1024;
// What a path segment and a character of text cost beyond the pixels they cover.
constexpr double kSegmentCost = 16;
constexpr double kCharacterCost = 256;

void SetSourceColor(cairo_t* cairo, Color color)
{
    cairo_set_source_rgb(cairo, color.r / 255.0, color.g / 255.0, color.b / 255.0);
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

cairo_matrix_t ToCairo(const Affine& m)
{
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, m.a, m.b, m.c, m.d, m.e, m.f);
    return matrix;
}

void AppendPathTo(cairo_t* cairo, const Path& path)
{
    cairo_new_path(cairo);
    for (const Path::Segment& segment : path.Segments()) {
        const Point* p = segment.points;
        switch (segment.kind) {
        case Path::Kind::Move:
            cairo_move_to(cairo, p[0].x, p[0].y);
            break;
        case Path::Kind::Line:
            cairo_line_to(cairo, p[0].x, p[0].y);
            break;
        case Path::Kind::Curve:
            cairo_curve_to(cairo, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
            break;
        case Path::Kind::Close:
            cairo_close_path(cairo);
            break;
        }
    }
}

// Appends a clip shape's path where its offset puts it.
void AppendClipShape(cairo_t* cairo, const ClipShape& shape)
{
    cairo_matrix_t matrix;
    cairo_get_matrix(cairo, &matrix);
    cairo_translate(cairo, shape.offset.x, shape.offset.y);
    AppendPathTo(cairo, *shape.path);
    cairo_set_matrix(cairo, &matrix);
    cairo_set_fill_rule(cairo, shape.evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
}

void ClipTo(cairo_t* cairo, const std::vector<ClipShape>& clip)
{
    for (const ClipShape& shape : clip) {
        AppendClipShape(cairo, shape);
        cairo_clip(cairo);
    }
}

// The system's drawing sets whole pixels: a pixel is painted when its middle lies inside.
// Text keeps cairo's smooth edges.
void FillAliased(cairo_t* cairo)
{
    cairo_set_antialias(cairo, CAIRO_ANTIALIAS_NONE);
    cairo_fill(cairo);
    cairo_set_antialias(cairo, CAIRO_ANTIALIAS_DEFAULT);
}

void StrokeAliased(cairo_t* cairo)
{
    cairo_set_antialias(cairo, CAIRO_ANTIALIAS_NONE);
    cairo_stroke(cairo);
    cairo_set_antialias(cairo, CAIRO_ANTIALIAS_DEFAULT);
}

// Covers the pixels a one-pixel pen sets along `path` within `box` (cairo's coordinates are
// output pixels).
void CoverThinPenPixels(cairo_t* cairo, const Path& path, const std::vector<double>& dashes, const PixelBox& box)
{
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, box.Width());
    std::vector<uint8_t> coverage = ThinPenCoverage(path, dashes, box, stride);
    cairo_surface_t* pixels =
        cairo_image_surface_create_for_data(coverage.data(), CAIRO_FORMAT_A8, box.Width(), box.Height(), stride);
    cairo_set_source_rgba(cairo, 0, 0, 0, 1);
    cairo_mask_surface(cairo, pixels, box.left, box.top);
    cairo_surface_destroy(pixels);
}

void SetStrokeStyle(cairo_t* cairo, const StrokeStyle& style)
{
    cairo_set_line_width(cairo, style.width);
    cairo_set_dash(cairo, style.dashes.empty() ? nullptr : style.dashes.data(),
                   static_cast<int>(style.dashes.size()), 0);
    switch (style.cap) {
    case LineCap::Round:
        cairo_set_line_cap(cairo, CAIRO_LINE_CAP_ROUND);
        break;
    case LineCap::Square:
        cairo_set_line_cap(cairo, CAIRO_LINE_CAP_SQUARE);
        break;
    case LineCap::Flat:
        cairo_set_line_cap(cairo, CAIRO_LINE_CAP_BUTT);
        break;
    }
    switch (style.join) {
    case LineJoin::Round:
        cairo_set_line_join(cairo, CAIRO_LINE_JOIN_ROUND);
        break;
    case LineJoin::Bevel:
        cairo_set_line_join(cairo, CAIRO_LINE_JOIN_BEVEL);
        break;
    case LineJoin::Miter:
        cairo_set_line_join(cairo, CAIRO_LINE_JOIN_MITER);
        break;
    }
    cairo_set_miter_limit(cairo, std::max(1.0, style.miterLimit));
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

CairoCanvas::~CairoCanvas()
{
    ReleaseClipMask();
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
    AppendPathTo(cairo_, path);
}

void CairoCanvas::SetClip(const std::vector<ClipShape>& clip)
{
    const bool same = clip.size() == clip_.size() &&
                      std::equal(clip.begin(), clip.end(), clip_.begin(),
                                 [](const ClipShape& x, const ClipShape& y) {
                                     return x.path == y.path && x.evenOdd == y.evenOdd &&
                                            x.combine == y.combine && x.offset.x == y.offset.x &&
                                            x.offset.y == y.offset.y;
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
    ReleaseClipMask();
    double segments = 0;
    for (const ClipShape& shape : clip_) {
        segments += static_cast<double>(shape.path->Segments().size());
    }
    const bool intersections = std::all_of(clip_.begin(), clip_.end(), [](const ClipShape& shape) {
        return shape.combine == ClipCombine::And;
    });
    if (intersections) {
        Spend({}, kSegmentCost * segments);
        ClipTo(cairo_, clip_);
        return;
    }
    BuildClipMask();
}

void CairoCanvas::ReleaseClipMask()
{
    if (clipMask_ != nullptr) {
        cairo_surface_destroy(clipMask_);
        clipMask_ = nullptr;
    }
}

// Unions and exclusive-ors are no cairo clip: the clip becomes a coverage mask of the whole
// image, built shape by shape, through which drawing then lands.
void CairoCanvas::BuildClipMask()
{
    clipMask_ = cairo_image_surface_create(CAIRO_FORMAT_A8, width_, height_);
    cairo_t* cairo = cairo_create(clipMask_);
    cairo_set_source_rgba(cairo, 0, 0, 0, 1);
    cairo_paint(cairo);
    const Rect image{0, 0, static_cast<double>(width_), static_cast<double>(height_)};
    for (const ClipShape& shape : clip_) {
        if (!Spend(image, kSegmentCost * static_cast<double>(shape.path->Segments().size()))) {
            break;
        }
        AppendClipShape(cairo, shape);
        cairo_set_operator(cairo, shape.combine == ClipCombine::And  ? CAIRO_OPERATOR_DEST_IN
                                  : shape.combine == ClipCombine::Or ? CAIRO_OPERATOR_OVER
                                                                     : CAIRO_OPERATOR_XOR);
        cairo_fill(cairo);
    }
    cairo_destroy(cairo);
    cairo_surface_flush(clipMask_);
}

void CairoCanvas::Masked(const Rect& bounds, const std::function<void()>& draw)
{
    if (clipMask_ == nullptr) {
        draw();
        return;
    }
    const PixelBox box = BoxWithin(bounds, width_, height_);
    if (box.right <= box.left || box.bottom <= box.top) {
        return;
    }
    cairo_save(cairo_);
    cairo_identity_matrix(cairo_);
    cairo_rectangle(cairo_, box.left, box.top, box.right - box.left, box.bottom - box.top);
    cairo_clip(cairo_);
    cairo_push_group(cairo_);
    draw();
    cairo_pop_group_to_source(cairo_);
    cairo_identity_matrix(cairo_);
    cairo_mask_surface(cairo_, clipMask_, 0, 0);
    cairo_restore(cairo_);
}

void CairoCanvas::Combine(const Rect& bounds, const std::function<void(cairo_t*)>& cover,
                          const Combination& how)
{
    ApplyClip();
    cairo_surface_t* target = cairo_get_target(cairo_);
    const cairo_format_t format = cairo_image_surface_get_format(target);
    const PixelBox box = BoxWithin(bounds, width_, height_);
    if ((format != CAIRO_FORMAT_RGB24 && format != CAIRO_FORMAT_ARGB32) || box.right <= box.left ||
        box.bottom <= box.top) {
        return;
    }
    // The shape's coverage, clipped like any drawing, over the box it can touch.
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, box.right - box.left, box.bottom - box.top);
    cairo_t* maskCairo = cairo_create(mask);
    cairo_translate(maskCairo, -box.left, -box.top);
    // The system's raster operations change whole pixels: an inverted pixel is inverted fully.
    cairo_set_antialias(maskCairo, CAIRO_ANTIALIAS_NONE);
    if (clipMask_ == nullptr) {
        ClipTo(maskCairo, clip_);
    }
    cover(maskCairo);
    if (clipMask_ != nullptr) {
        cairo_set_operator(maskCairo, CAIRO_OPERATOR_DEST_IN);
        cairo_set_source_surface(maskCairo, clipMask_, 0, 0);
        cairo_paint(maskCairo);
    }
    cairo_destroy(maskCairo);
    cairo_surface_flush(mask);
    cairo_surface_flush(target);
    const unsigned char* coverage = cairo_image_surface_get_data(mask);
    unsigned char* pixels = cairo_image_surface_get_data(target);
    if (coverage != nullptr && pixels != nullptr) {
        CombinePixels(box, coverage, cairo_image_surface_get_stride(mask), pixels,
                      cairo_image_surface_get_stride(target), how);
        cairo_surface_mark_dirty_rectangle(target, box.left, box.top, box.right - box.left, box.bottom - box.top);
    }
    cairo_surface_destroy(mask);
}


void CairoCanvas::Fill(const Path& path, const FillStyle& style)
{
    if (style.brush.kind == BrushKind::Null || path.IsEmpty() ||
        !Spend(path.ControlBounds(), kSegmentCost * static_cast<double>(path.Segments().size()))) {
        return;
    }
    if (style.rop2 != kRop2CopyPen) {
        if (style.rop2 != kRop2Nop) {
            Combine(path.ControlBounds(), [&](cairo_t* cairo) {
                AppendPathTo(cairo, path);
                cairo_set_fill_rule(cairo, style.evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
                cairo_fill(cairo);
            }, {Rop3ForRop2(style.rop2), style, nullptr, {}});
        }
        return;
    }
    ApplyClip();
    Masked(path.ControlBounds(), [&] {
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
        FillAliased(cairo_);
    });
}

void CairoCanvas::FillUnderPen(const Path& path, const Path& penPath, const FillStyle& style)
{
    const Rect inner = path.ControlBounds();
    const Rect pen = penPath.ControlBounds();
    const Rect bounds{std::min(inner.left, pen.left) - 1, std::min(inner.top, pen.top) - 1,
                      std::max(inner.right, pen.right) + 1, std::max(inner.bottom, pen.bottom) + 1};
    const double segments = static_cast<double>(path.Segments().size() + penPath.Segments().size());
    if (style.brush.kind == BrushKind::Null || path.IsEmpty() || penPath.IsEmpty() ||
        !Spend(bounds, kSegmentCost * segments) || style.rop2 == kRop2Nop) {
        return;
    }
    const PixelBox box = BoxWithin(bounds, width_, height_);
    // The brush drawn as a pattern: copying it is the pattern-copy operation.
    Combine(bounds, [&](cairo_t* cairo) {
        AppendPathTo(cairo, path);
        cairo_set_fill_rule(cairo, style.evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
        cairo_fill(cairo);
        CoverThinPenPixels(cairo, penPath, {}, box);
    }, {Rop3ForRop2(style.rop2), style, nullptr, {}});
}

void CairoCanvas::Stroke(const Path& path, const StrokeStyle& style)
{
    if (path.IsEmpty()) {
        return;
    }
    Rect bounds = path.ControlBounds();
    const double half = style.width / 2 + 1;
    bounds = {bounds.left - half, bounds.top - half, bounds.right + half, bounds.bottom + half};
    if (!Spend(bounds, kSegmentCost * static_cast<double>(path.Segments().size())) || style.rop2 == kRop2Nop) {
        return;
    }
    FillStyle pen;
    pen.brush = Brush{BrushKind::Solid, style.color, 0, nullptr};
    const Combination how{Rop3ForRop2(style.rop2), pen, nullptr, {}};
    if (IsThinPen(style.width)) {
        // Whole pixels, combined by the raster operation like a fill's.
        const PixelBox box = BoxWithin(bounds, width_, height_);
        Combine(bounds, [&](cairo_t* cairo) { CoverThinPenPixels(cairo, path, style.dashes, box); }, how);
        return;
    }
    // A path's points name pixels, so a pen of odd width is centred on their middles.
    const double centring = std::lround(style.width) % 2 == 1 ? 0.5 : 0;
    if (style.rop2 != kRop2CopyPen) {
        Combine(bounds, [&](cairo_t* cairo) {
            cairo_translate(cairo, centring, centring);
            AppendPathTo(cairo, path);
            SetStrokeStyle(cairo, style);
            cairo_stroke(cairo);
        }, how);
        return;
    }
    ApplyClip();
    Masked(bounds, [&] {
        cairo_identity_matrix(cairo_);
        cairo_translate(cairo_, centring, centring);
        AppendPath(path);
        SetSourceColor(cairo_, style.color);
        SetStrokeStyle(cairo_, style);
        StrokeAliased(cairo_);
        cairo_identity_matrix(cairo_);
    });
}

void CairoCanvas::DrawImage(const ImageDraw& image)
{
    Affine outputToBitmap;
    if (image.outline.IsEmpty() || (image.bitmap != nullptr && !image.bitmapToOutput.Invert(&outputToBitmap)) ||
        !Spend(image.outline.ControlBounds(), 0)) {
        return;
    }
    if (image.rop != kRop3SourceCopy || image.bitmap == nullptr) {
        // cairo has no operator for bitwise combinations: they are computed on the pixels.
        Combine(image.outline.ControlBounds(), [&](cairo_t* cairo) {
            AppendPathTo(cairo, image.outline);
            cairo_set_fill_rule(cairo, CAIRO_FILL_RULE_WINDING);
            cairo_fill(cairo);
        }, {image.rop, image.pattern, image.bitmap, outputToBitmap});
        return;
    }
    ApplyClip();
    cairo_surface_t* surface = SurfaceFor(*image.bitmap);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(surface);
    cairo_surface_destroy(surface);
    const cairo_matrix_t matrix = ToCairo(outputToBitmap);
    cairo_pattern_set_matrix(pattern, &matrix);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    // Enlarged bitmaps keep sharp pixels as the recording device drew them; reduced ones are
    // averaged so that thin detail does not vanish.
    const bool enlarged = std::fabs(image.bitmapToOutput.Determinant()) >= 1;
    cairo_pattern_set_filter(pattern, enlarged ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    Masked(image.outline.ControlBounds(), [&] {
        cairo_identity_matrix(cairo_);
        AppendPath(image.outline);
        cairo_set_fill_rule(cairo_, CAIRO_FILL_RULE_WINDING);
        cairo_set_source(cairo_, pattern);
        cairo_fill(cairo_);
    });
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
    Masked(bounds, [&] {
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
    });
}

} // namespace zv::imaging::metafile
