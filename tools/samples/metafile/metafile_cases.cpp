#include "metafile/metafile_cases.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace zv::samples {
namespace {

constexpr int kNullPen = 5;
constexpr int kNullBrush = 1;
constexpr int kCopyPen = 13;
constexpr int kNot = 6;
constexpr int kXorPen = 7;
constexpr IntRect kRegionA{10, 10, 60, 60};
constexpr IntRect kRegionB{40, 40, 90, 90};

uint32_t ToColorRef(uint32_t rgb)
{
    return ColorRef(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb));
}

std::vector<uint8_t> Pixels(int width, int height, const std::function<uint32_t(int, int)>& colourAt)
{
    std::vector<uint8_t> rgb;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t c = colourAt(x, y);
            rgb.insert(rgb.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)});
        }
    }
    return rgb;
}

std::vector<uint8_t> HalvesPixels(int side)
{
    return Pixels(side, side, [side](int x, int) { return x < side / 2 ? kCaseSourceLeft : kCaseSourceRight; });
}

// The same drawing calls for either format, on the 100 x 100 unit picture.
class Sketch {
public:
    explicit Sketch(MetafileFormat format) : format_(format)
    {
        wmf_.SetMapMode(8);
        wmf_.SetWindowOrg(0, 0);
        wmf_.SetWindowExt(100, 100);
        // A first object, so that no region lands in the old-style table's slot 0 (the
        // system's player under Wine ignores a clip region selected from there).
        SelectBrush(0xFFFFFF);
    }

    bool IsWmf() const { return format_ == MetafileFormat::Wmf; }
    WmfWriter& Wmf() { return wmf_; }
    EmfWriter& Emf() { return emf_; }

    void SelectBrush(uint32_t rgb, int style = 0, int hatch = 0)
    {
        if (IsWmf()) {
            wmf_.CreateBrush(style, ToColorRef(rgb), hatch);
            wmf_.SelectObject(wmfObjects_++);
        } else {
            emf_.CreateBrush(emfObjects_, style, ToColorRef(rgb), hatch);
            emf_.SelectObject(static_cast<uint32_t>(emfObjects_++));
        }
    }
    void SelectPen(int style, int width, uint32_t rgb)
    {
        if (IsWmf()) {
            wmf_.CreatePen(style, width, ToColorRef(rgb));
            wmf_.SelectObject(wmfObjects_++);
        } else {
            emf_.CreatePen(emfObjects_, style, width, ToColorRef(rgb));
            emf_.SelectObject(static_cast<uint32_t>(emfObjects_++));
        }
    }
    // Fills [left, right) x [top, bottom): without a pen the system's rectangle leaves out its
    // right and bottom edges, hence the extra unit.
    void Fill(const IntRect& box, uint32_t rgb)
    {
        SelectBrush(rgb);
        SelectPen(kNullPen, 0, 0);
        Rectangle({box.left, box.top, box.right + 1, box.bottom + 1});
    }
    void Rectangle(const IntRect& r)
    {
        IsWmf() ? wmf_.Rectangle(r.left, r.top, r.right, r.bottom) : emf_.Rectangle(r.left, r.top, r.right, r.bottom);
    }
    void Line(int x0, int y0, int x1, int y1)
    {
        if (IsWmf()) {
            wmf_.MoveTo(x0, y0);
            wmf_.LineTo(x1, y1);
        } else {
            emf_.MoveTo(x0, y0);
            emf_.LineTo(x1, y1);
        }
    }
    void Ellipse(const IntRect& r)
    {
        IsWmf() ? wmf_.Ellipse(r.left, r.top, r.right, r.bottom) : emf_.Ellipse(r.left, r.top, r.right, r.bottom);
    }
    void RoundRect(const IntRect& r, int corner)
    {
        if (IsWmf()) {
            wmf_.RoundRect(r.left, r.top, r.right, r.bottom, corner, corner);
        } else {
            emf_.Record(44, {r.left, r.top, r.right, r.bottom, corner, corner});
        }
    }
    void Polygon(const std::vector<IntPoint>& points) { IsWmf() ? wmf_.Polygon(points) : emf_.Poly(3, points); }
    void Polyline(const std::vector<IntPoint>& points) { IsWmf() ? wmf_.Polyline(points) : emf_.Poly(4, points); }
    // The chord or pie of the ellipse in `r` from the ray towards `start` to the ray towards `end`.
    void ChordOrPie(bool pie, const IntRect& r, IntPoint start, IntPoint end)
    {
        if (IsWmf()) {
            wmf_.ArcLike(pie ? 0x081A : 0x0830, r.left, r.top, r.right, r.bottom, start.first, start.second,
                         end.first, end.second);
        } else {
            emf_.ArcLike(pie ? 47 : 46, r.left, r.top, r.right, r.bottom, start.first, start.second, end.first,
                         end.second);
        }
    }
    void SetRop2(int mode) { IsWmf() ? wmf_.SetRop2(mode) : emf_.SetRop2(mode); }
    void SaveDc() { IsWmf() ? wmf_.SaveDc() : emf_.SaveDc(); }
    void RestoreDc() { IsWmf() ? wmf_.RestoreDc(-1) : emf_.RestoreDc(-1); }
    void OffsetClip(int dx, int dy) { IsWmf() ? wmf_.OffsetClipRgn(dx, dy) : emf_.OffsetClipRgn(dx, dy); }
    // Old-style metafiles select a region object as the clip (a copy); enhanced ones carry the
    // rectangles in the record and combine by `mode`.
    void ClipRegion(const std::vector<IntRect>& rects, int mode = 5)
    {
        if (IsWmf()) {
            wmf_.CreateRegion(rects);
            wmf_.SelectClipRegion(wmfObjects_++);
        } else {
            emf_.ExtSelectClipRgn(rects, mode);
        }
    }
    // kind 0 fills with a brush object of `rgb`, 1 paints with `rgb` selected, 2 inverts.
    void PaintRegion(const std::vector<IntRect>& rects, int kind, uint32_t rgb)
    {
        if (kind == 1) {
            SelectBrush(rgb);
        }
        if (IsWmf()) {
            wmf_.CreateRegion(rects);
            const int region = wmfObjects_++;
            if (kind == 0) {
                wmf_.CreateBrush(0, ToColorRef(rgb));
                wmf_.FillRegion(region, wmfObjects_++);
            } else {
                kind == 1 ? wmf_.PaintRegion(region) : wmf_.InvertRegion(region);
            }
            return;
        }
        if (kind == 0) {
            emf_.CreateBrush(emfObjects_, 0, ToColorRef(rgb));
            emf_.PaintRegion(71, rects, static_cast<uint32_t>(emfObjects_++));
        } else {
            emf_.PaintRegion(kind == 1 ? 74 : 73, rects);
        }
    }
    void FrameRegion(const std::vector<IntRect>& rects, uint32_t rgb, int width, int height)
    {
        if (IsWmf()) {
            wmf_.CreateRegion(rects);
            const int region = wmfObjects_++;
            wmf_.CreateBrush(0, ToColorRef(rgb));
            wmf_.FrameRegion(region, wmfObjects_++, width, height);
            return;
        }
        emf_.CreateBrush(emfObjects_, 0, ToColorRef(rgb));
        emf_.FrameRegion(rects, static_cast<uint32_t>(emfObjects_++), width, height);
    }
    void Blit(const IntRect& dest, const std::vector<uint8_t>& dib, uint32_t rop)
    {
        const int w = dest.right - dest.left;
        const int h = dest.bottom - dest.top;
        if (IsWmf()) {
            dib.empty() ? wmf_.PatBlt(dest.left, dest.top, w, h, rop) : wmf_.DibBitBlt(dest.left, dest.top, w, h, 0, 0, dib, rop);
        } else {
            emf_.BitBlt(dest.left, dest.top, w, h, 0, 0, dib, rop);
        }
    }
    void StretchDib(const IntRect& dest, int sw, int sh, const std::vector<uint8_t>& dib)
    {
        const int w = dest.right - dest.left;
        const int h = dest.bottom - dest.top;
        IsWmf() ? wmf_.StretchDib(dest.left, dest.top, w, h, 0, 0, sw, sh, dib)
                : emf_.StretchDiBits(dest.left, dest.top, w, h, 0, 0, sw, sh, dib);
    }
    std::vector<uint8_t> Finish() const { return IsWmf() ? wmf_.Finish() : emf_.Finish(); }

private:
    MetafileFormat format_;
    WmfWriter wmf_ = WmfWriter::Placeable(0, 0, 100, 100, 96);
    EmfWriter emf_{0, 0, 2540, 2540};
    int wmfObjects_ = 0;
    int emfObjects_ = 1;
};

bool UsesSource(uint32_t rop)
{
    const uint32_t code = (rop >> 16) & 0xFF;
    return ((code >> 2) & 0x33) != (code & 0x33);
}

// Run lengths of a 4 x 4 two-colour bitmap: indices 0 on the left half, 1 on the right.
std::vector<uint8_t> HalvesRunLengths(DibCompression compression)
{
    std::vector<uint8_t> runs;
    for (int row = 0; row < 4; ++row) {
        if (compression == DibCompression::Rle8) {
            runs.insert(runs.end(), {2, 0, 2, 1});
        } else {
            runs.insert(runs.end(), {2, 0x00, 2, 0x11});
        }
        runs.insert(runs.end(), {0, 0});  // end of line
    }
    runs.insert(runs.end(), {0, 1});      // end of bitmap
    // Whole 32-bit words, as writers store bitmaps (Wine's converter aborts on other sizes).
    runs.resize((runs.size() + 3) / 4 * 4, 0);
    return runs;
}

std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rgb)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr);
    std::vector<uint8_t> out(size);
    png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr);
    out.resize(size);
    return out;
}

std::vector<uint8_t> EncodeJpeg(int width, int height, const std::vector<uint8_t>& rgb)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    for (int i = 0; i < cinfo.num_components; ++i) {  // no chroma subsampling: sharp halves
        cinfo.comp_info[i].h_samp_factor = 1;
        cinfo.comp_info[i].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + static_cast<size_t>(cinfo.next_scanline) * width * 3);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

std::string FormatSuffix(MetafileFormat format)
{
    return format == MetafileFormat::Wmf ? ".wmf" : ".emf";
}

} // namespace

std::vector<uint8_t> Rop2Case(MetafileFormat format, int mode)
{
    Sketch sketch(format);
    sketch.Fill({0, 0, 100, 100}, kCaseDestination);
    sketch.SetRop2(mode);
    sketch.Fill({20, 20, 80, 50}, kCasePattern);
    sketch.SelectBrush(0, kNullBrush);
    sketch.SelectPen(0, 10, kCasePattern);
    sketch.Line(20, 70, 80, 70);
    sketch.SetRop2(kCopyPen);
    return sketch.Finish();
}

// The four shapes of the shape cases, filled with the pattern colour's brush.
void DrawShapes(Sketch& sketch)
{
    sketch.SelectBrush(kCasePattern);
    sketch.Rectangle(kShapeRectangle);
    sketch.Ellipse(kShapeEllipse);
    sketch.RoundRect(kShapeRoundRect, kShapeCorner);
    sketch.Polygon(kShapeTriangle);
}

std::vector<uint8_t> NullPenShapesCase(MetafileFormat format, int mode)
{
    Sketch sketch(format);
    sketch.Fill({0, 0, 100, 100}, kCaseDestination);
    sketch.SetRop2(mode);
    sketch.SelectPen(kNullPen, 0, 0);
    DrawShapes(sketch);
    return sketch.Finish();
}

std::vector<uint8_t> ThinOutlineShapesCase(MetafileFormat format, int mode)
{
    Sketch sketch(format);
    sketch.Fill({0, 0, 100, 100}, kCaseDestination);
    sketch.SetRop2(mode);
    sketch.SelectPen(0, 1, kCaseSourceRight);
    DrawShapes(sketch);
    return sketch.Finish();
}

std::vector<uint8_t> ChordPieCase(MetafileFormat format, bool outlined)
{
    Sketch sketch(format);
    sketch.Fill({0, 0, 100, 100}, kCaseDestination);
    outlined ? sketch.SelectPen(0, 1, kCaseSourceRight) : sketch.SelectPen(kNullPen, 0, 0);
    sketch.SelectBrush(kCasePattern);
    sketch.ChordOrPie(false, {10, 10, 50, 50}, {50, 20}, {10, 40});
    sketch.ChordOrPie(true, {55, 10, 95, 50}, {95, 30}, {75, 50});
    return sketch.Finish();
}

std::vector<uint8_t> ThinLinesCase(MetafileFormat format, int mode)
{
    Sketch sketch(format);
    sketch.Fill({0, 0, 100, 100}, kCaseDestination);
    sketch.SetRop2(mode);
    sketch.SelectPen(0, 1, kCasePattern);
    for (const auto& [from, to] : kThinLines) {
        sketch.Line(from.first, from.second, to.first, to.second);
    }
    sketch.Polyline(kThinPolyline);
    return sketch.Finish();
}

std::vector<uint8_t> RopBlitCase(MetafileFormat format, uint32_t rop)
{
    Sketch sketch(format);
    sketch.Fill({0, 0, 100, 100}, kCaseDestination);
    sketch.SelectBrush(kCasePattern);
    const std::vector<uint8_t> source = UsesSource(rop) ? MakeDib(60, 60, HalvesPixels(60)) : std::vector<uint8_t>{};
    sketch.Blit({20, 20, 80, 80}, source, rop);
    return sketch.Finish();
}

std::vector<uint8_t> HatchedPatternCase(MetafileFormat format)
{
    Sketch sketch(format);
    sketch.Fill({0, 0, 100, 100}, kCaseDestination);
    sketch.SelectBrush(kCasePattern, 2, 5);  // diagonal cross hatch, opaque background
    sketch.Blit({20, 20, 80, 80}, {}, 0x005A0049);  // PATINVERT
    return sketch.Finish();
}

std::vector<uint8_t> TransparentBlitCase(MetafileFormat format)
{
    const auto inSquare = [](int x, int y) { return x >= 20 && x < 40 && y >= 20 && y < 40; };
    const auto mask = Pixels(60, 60, [&](int x, int y) { return inSquare(x, y) ? 0u : 0xFFFFFFu; });
    const auto image = Pixels(60, 60, [&](int x, int y) { return inSquare(x, y) ? kCasePattern : 0u; });
    Sketch sketch(format);
    sketch.Fill({0, 0, 100, 100}, kCaseDestination);
    sketch.SelectBrush(0, kNullBrush);  // the brush plays no part in either operation
    sketch.Blit({20, 20, 80, 80}, MakeDib(60, 60, mask), 0x008800C6);   // SRCAND
    sketch.Blit({20, 20, 80, 80}, MakeDib(60, 60, image), 0x00EE0086);  // SRCPAINT
    return sketch.Finish();
}

std::vector<uint8_t> RegionCombineCase(MetafileFormat format, int mode)
{
    Sketch sketch(format);
    sketch.ClipRegion({kRegionA});
    if (format == MetafileFormat::Emf) {
        sketch.ClipRegion({kRegionB}, mode);
    }
    sketch.Fill({0, 0, 100, 100}, kCasePattern);
    return sketch.Finish();
}

std::vector<IntRect> RegionShapeRects(int shape)
{
    std::vector<IntRect> rects;
    for (int y = 20; y < 80; ++y) {
        const double v = (y + 0.5 - 50) / 30;  // -1 .. 1 across the box
        double half = 0;
        if (shape == 0) {
            half = 30 * std::sqrt(std::max(0.0, 1 - v * v));
        } else if (shape == 1) {
            const double corner = std::max(0.0, std::fabs(v) * 30 - 20) / 10;  // 10-unit corners
            half = 20 + 10 * std::sqrt(std::max(0.0, 1 - corner * corner));
        } else {
            half = 30 * (v + 1) / 2;  // apex at the top
        }
        const int left = static_cast<int>(std::lround(50 - half));
        const int right = static_cast<int>(std::lround(50 + half));
        if (right > left) {
            rects.push_back({left, y, right, y + 1});
        }
    }
    return rects;
}

std::vector<uint8_t> RegionShapeCase(MetafileFormat format, int shape)
{
    Sketch sketch(format);
    sketch.ClipRegion(RegionShapeRects(shape));
    sketch.Fill({0, 0, 100, 100}, kCasePattern);
    return sketch.Finish();
}

std::vector<uint8_t> RegionPaintCase(MetafileFormat format, int kind)
{
    Sketch sketch(format);
    sketch.Fill({0, 0, 100, 100}, kCaseDestination);
    sketch.PaintRegion(RegionShapeRects(0), kind, kCasePattern);
    return sketch.Finish();
}

std::vector<uint8_t> RegionFrameCase(MetafileFormat format, const std::vector<IntRect>& rects, int width,
                                     int height, uint32_t rgb)
{
    Sketch sketch(format);
    sketch.Fill({0, 0, 100, 100}, kCaseDestination);
    sketch.FrameRegion(rects, rgb, width, height);
    return sketch.Finish();
}

std::vector<uint8_t> OffsetClipCase(MetafileFormat format)
{
    Sketch sketch(format);
    sketch.ClipRegion({kRegionA});
    sketch.OffsetClip(30, 30);
    sketch.Fill({0, 0, 100, 100}, kCasePattern);
    return sketch.Finish();
}

std::vector<uint8_t> RestoreClipCase(MetafileFormat format)
{
    Sketch sketch(format);
    sketch.ClipRegion({kRegionA});
    sketch.SaveDc();
    sketch.ClipRegion({kRegionB}, 2);
    sketch.RestoreDc();
    sketch.Fill({0, 0, 100, 100}, kCasePattern);
    return sketch.Finish();
}

std::vector<uint8_t> CompressedBitmapCase(MetafileFormat format, DibCompression compression)
{
    std::vector<uint8_t> dib;
    if (compression == DibCompression::Rle8 || compression == DibCompression::Rle4) {
        dib = MakeCompressedDib(4, 4, compression, {kCaseSourceLeft, kCaseSourceRight},
                                HalvesRunLengths(compression));
    } else {
        const std::vector<uint8_t> rgb = HalvesPixels(4);
        dib = MakeCompressedDib(4, 4, compression, {},
                                compression == DibCompression::Png ? EncodePng(4, 4, rgb) : EncodeJpeg(4, 4, rgb));
    }
    return StretchedDibCase(format, dib);
}

std::vector<uint8_t> StretchedDibCase(MetafileFormat format, const std::vector<uint8_t>& dib)
{
    Sketch sketch(format);
    sketch.StretchDib({20, 20, 80, 80}, 4, 4, dib);
    return sketch.Finish();
}

std::vector<MetafileCase> MetafileCases()
{
    static const std::vector<std::pair<const char*, uint32_t>> kBlits = {
        {"srccopy", 0x00CC0020},  {"srcpaint", 0x00EE0086},   {"srcand", 0x008800C6},
        {"srcinvert", 0x00660046}, {"srcerase", 0x00440328},  {"notsrccopy", 0x00330008},
        {"notsrcerase", 0x001100A6}, {"mergecopy", 0x00C000CA}, {"mergepaint", 0x00BB0226},
        {"patcopy", 0x00F00021},  {"patpaint", 0x00FB0A09},   {"patinvert", 0x005A0049},
        {"dstinvert", 0x00550009}, {"blackness", 0x00000042}, {"whiteness", 0x00FF0062}};
    static const std::vector<std::pair<const char*, DibCompression>> kCompressions = {
        {"rle8", DibCompression::Rle8}, {"rle4", DibCompression::Rle4},
        {"jpeg", DibCompression::Jpeg}, {"png", DibCompression::Png}};
    std::vector<MetafileCase> cases;
    for (MetafileFormat format : {MetafileFormat::Wmf, MetafileFormat::Emf}) {
        const std::string suffix = FormatSuffix(format);
        for (int mode = 1; mode <= 16; ++mode) {
            char name[32];
            std::snprintf(name, sizeof(name), "rop2-%02d", mode);
            cases.push_back({name + suffix, Rop2Case(format, mode)});
        }
        for (const auto& [name, rop] : kBlits) {
            cases.push_back({std::string("blit-") + name + suffix, RopBlitCase(format, rop)});
        }
        cases.push_back({"blit-transparent" + suffix, TransparentBlitCase(format)});
        cases.push_back({"blit-patinvert-hatch" + suffix, HatchedPatternCase(format)});
        for (int shape = 0; shape < 3; ++shape) {
            cases.push_back({"region-shape" + std::to_string(shape) + suffix, RegionShapeCase(format, shape)});
        }
        cases.push_back({"region-offset" + suffix, OffsetClipCase(format)});
        for (int kind = 0; kind < 3; ++kind) {
            cases.push_back({"region-paint" + std::to_string(kind) + suffix, RegionPaintCase(format, kind)});
        }
        for (int mode = 1; mode <= 16; ++mode) {
            char name[32];
            std::snprintf(name, sizeof(name), "thin-lines-%02d", mode);
            cases.push_back({name + suffix, ThinLinesCase(format, mode)});
        }
        for (int mode : {kCopyPen, kNot}) {
            const std::string rop = mode == kCopyPen ? "-copy" : "-not";
            cases.push_back({"nullpen-shapes" + rop + suffix, NullPenShapesCase(format, mode)});
        }
        for (int mode : {kCopyPen, kNot, kXorPen}) {
            const std::string rop = mode == kCopyPen ? "-copy" : mode == kNot ? "-not" : "-xor";
            cases.push_back({"thin-outlines" + rop + suffix, ThinOutlineShapesCase(format, mode)});
        }
        cases.push_back({"nullpen-chord-pie" + suffix, ChordPieCase(format, false)});
        cases.push_back({"thin-chord-pie" + suffix, ChordPieCase(format, true)});
        cases.push_back({"region-frame" + suffix, RegionFrameCase(format, RegionShapeRects(0), 3, 2)});
        for (const auto& [name, compression] : kCompressions) {
            cases.push_back({std::string("dib-") + name + suffix, CompressedBitmapCase(format, compression)});
        }
    }
    for (int mode = 1; mode <= 5; ++mode) {
        cases.push_back({"region-combine" + std::to_string(mode) + ".emf", RegionCombineCase(MetafileFormat::Emf, mode)});
    }
    cases.push_back({"region-restore.emf", RestoreClipCase(MetafileFormat::Emf)});
    return cases;
}

} // namespace zv::samples
