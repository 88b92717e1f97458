// Writes Windows metafiles record by record, for tests and samples: old-style WMF (plain or
// with the placeable header) and EMF. Parameters are given in the order a drawing call takes
// them; the writers store them in each format's own order.
#ifndef ZV_SAMPLES_METAFILE_WRITER_H
#define ZV_SAMPLES_METAFILE_WRITER_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zv::samples {

// 0x00BBGGRR, as metafiles store colours.
constexpr uint32_t ColorRef(uint8_t r, uint8_t g, uint8_t b)
{
    return r | (g << 8) | (static_cast<uint32_t>(b) << 16);
}

using IntPoint = std::pair<int, int>;

// A rectangle as left, top, right, bottom (right and bottom outside).
struct IntRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Raster operations blits and pattern fills use.
constexpr uint32_t kSrcCopy = 0x00CC0020;
constexpr uint32_t kPatCopy = 0x00F00021;

// Bitmap compressions: run lengths of 8 and 4 bits a pixel, and whole JPEG or PNG files.
enum class DibCompression : uint32_t { Rle8 = 1, Rle4 = 2, Jpeg = 4, Png = 5 };

// A BITMAPINFOHEADER for `payload` in the given compression: palette (for the run-length
// kinds) then the payload as the bitmap's bits.
std::vector<uint8_t> MakeCompressedDib(int width, int height, DibCompression compression,
                                       const std::vector<uint32_t>& palette,
                                       const std::vector<uint8_t>& payload);

// A bottom-up BITMAPINFOHEADER bitmap: `rgb` holds width*height pixels (R, G, B), top row
// first. bitCount 24 stores them directly; 1, 4 and 8 build a palette of the colours used
// (at most 2^bitCount of them).
std::vector<uint8_t> MakeDib(int width, int height, const std::vector<uint8_t>& rgb, int bitCount = 24);
// Splits a packed bitmap into its header+palette and its pixel rows.
std::pair<std::vector<uint8_t>, std::vector<uint8_t>> SplitDib(const std::vector<uint8_t>& packed);

class WmfWriter {
public:
    // A placeable metafile with bounding box and units per inch, or a plain one.
    static WmfWriter Placeable(int left, int top, int right, int bottom, int unitsPerInch);
    static WmfWriter Plain();

    // A record whose parameters are 16-bit words, in file order.
    void Record(uint16_t function, const std::vector<int>& words);
    // A record whose parameters are raw bytes (padded to an even count).
    void RecordBytes(uint16_t function, const std::vector<uint8_t>& bytes);

    void SetMapMode(int mode) { Record(0x0103, {mode}); }
    void SetWindowOrg(int x, int y) { Record(0x020B, {y, x}); }
    void SetWindowExt(int x, int y) { Record(0x020C, {y, x}); }
    void SetViewportOrg(int x, int y) { Record(0x020D, {y, x}); }
    void SetViewportExt(int x, int y) { Record(0x020E, {y, x}); }
    void SetBkMode(int mode) { Record(0x0102, {mode}); }
    void SetPolyFillMode(int mode) { Record(0x0106, {mode}); }
    void SetTextAlign(int align) { Record(0x012E, {align}); }
    void SetTextColor(uint32_t colour) { Record(0x0209, Split(colour)); }
    void SetBkColor(uint32_t colour) { Record(0x0201, Split(colour)); }
    void SaveDc() { Record(0x001E, {}); }
    void RestoreDc(int level) { Record(0x0127, {level}); }
    void CreatePen(int style, int width, uint32_t colour);
    void CreateBrush(int style, uint32_t colour, int hatch = 0);
    void CreateFont(int height, int escapement, int weight, bool italic, const std::string& face);
    void SelectObject(int index) { Record(0x012D, {index}); }
    void DeleteObject(int index) { Record(0x01F0, {index}); }
    void MoveTo(int x, int y) { Record(0x0214, {y, x}); }
    void LineTo(int x, int y) { Record(0x0213, {y, x}); }
    void Rectangle(int l, int t, int r, int b) { Record(0x041B, {b, r, t, l}); }
    void Ellipse(int l, int t, int r, int b) { Record(0x0418, {b, r, t, l}); }
    void RoundRect(int l, int t, int r, int b, int w, int h) { Record(0x061C, {h, w, b, r, t, l}); }
    // function 0x0817 arc, 0x081A pie, 0x0830 chord
    void ArcLike(uint16_t function, int l, int t, int r, int b, int xs, int ys, int xe, int ye)
    {
        Record(function, {ye, xe, ys, xs, b, r, t, l});
    }
    void Polygon(const std::vector<IntPoint>& points) { Record(0x0324, PointWords(points)); }
    void Polyline(const std::vector<IntPoint>& points) { Record(0x0325, PointWords(points)); }
    void PolyPolygon(const std::vector<std::vector<IntPoint>>& polygons);
    void IntersectClipRect(int l, int t, int r, int b) { Record(0x0416, {b, r, t, l}); }
    void SetRop2(int mode) { Record(0x0104, {mode}); }
    void PatBlt(int x, int y, int w, int h, uint32_t rop) { Record(0x061D, {static_cast<int>(rop & 0xFFFF), static_cast<int>(rop >> 16), h, w, y, x}); }
    // A region object made of rectangles (each band of equal top and bottom is one scan).
    void CreateRegion(const std::vector<IntRect>& rects);
    void SelectClipRegion(int index) { Record(0x012C, {index}); }
    void OffsetClipRgn(int dx, int dy) { Record(0x0220, {dy, dx}); }
    void FillRegion(int region, int brush) { Record(0x0228, {brush, region}); }
    void PaintRegion(int region) { Record(0x012B, {region}); }
    void InvertRegion(int region) { Record(0x012A, {region}); }
    // FrameRgn: the region's border in a brush object, `width` device units thick on its left
    // and right edges and `height` on its top and bottom.
    void FrameRegion(int region, int brush, int width, int height) { Record(0x0429, {height, width, brush, region}); }
    void TextOut(int x, int y, const std::string& text);
    void ExtTextOut(int x, int y, const std::string& text, const std::vector<int>& dx = {});
    // StretchDIBits of a packed bitmap, raster operation SRCCOPY.
    void StretchDib(int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                    const std::vector<uint8_t>& dib);

    // DIBStretchBlt and DIBBitBlt (source y counted from the top row), SRCCOPY.
    void DibStretchBlt(int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                       const std::vector<uint8_t>& dib);
    void DibBitBlt(int x, int y, int w, int h, int sx, int sy, const std::vector<uint8_t>& dib,
                   uint32_t rop = kSrcCopy);

    // The finished file: header sizes filled in and the end-of-file record appended.
    std::vector<uint8_t> Finish() const;

private:
    static std::vector<int> Split(uint32_t value) { return {static_cast<int>(value & 0xFFFF), static_cast<int>(value >> 16)}; }
    static std::vector<int> PointWords(const std::vector<IntPoint>& points);

    bool placeable_ = false;
    int box_[4] = {};
    int unitsPerInch_ = 0;
    std::vector<uint8_t> records_;
    uint32_t largestRecordWords_ = 3;
    int objects_ = 0;
};

class EmfWriter {
public:
    // frame in hundredths of a millimetre; the reference device is `devicePx` pixels over
    // `deviceMm` millimetres (both axes alike).
    EmfWriter(int frameLeft, int frameTop, int frameRight, int frameBottom, int devicePx = 1000,
              int deviceMm = 254);

    // A record whose parameters are 32-bit values.
    void Record(uint32_t type, const std::vector<int64_t>& values);
    void RecordBytes(uint32_t type, const std::vector<uint8_t>& bytes);

    void SetMapMode(int mode) { Record(17, {mode}); }
    void SetWindowExt(int x, int y) { Record(9, {x, y}); }
    void SetWindowOrg(int x, int y) { Record(10, {x, y}); }
    void SetViewportExt(int x, int y) { Record(11, {x, y}); }
    void SetViewportOrg(int x, int y) { Record(12, {x, y}); }
    void SetBkMode(int mode) { Record(18, {mode}); }
    void SetPolyFillMode(int mode) { Record(19, {mode}); }
    void SetTextAlign(int align) { Record(22, {align}); }
    void SetTextColor(uint32_t colour) { Record(24, {colour}); }
    void SaveDc() { Record(33, {}); }
    void RestoreDc(int level) { Record(34, {level}); }
    // m11, m12, m21, m22, dx, dy
    void SetWorldTransform(const std::vector<float>& m);
    void CreatePen(int index, int style, int width, uint32_t colour) { Record(38, {index, style, width, 0, colour}); }
    void ExtCreatePen(int index, int style, int width, uint32_t colour, const std::vector<int>& dashes = {});
    void CreateBrush(int index, int style, uint32_t colour, int hatch = 0) { Record(39, {index, style, colour, hatch}); }
    void CreateFont(int index, int height, int escapement, int weight, const std::u16string& face);
    void SelectObject(uint32_t index) { Record(37, {index}); }
    void DeleteObject(int index) { Record(40, {index}); }
    void MoveTo(int x, int y) { Record(27, {x, y}); }
    void LineTo(int x, int y) { Record(54, {x, y}); }
    void Rectangle(int l, int t, int r, int b) { Record(43, {l, t, r, b}); }
    void Ellipse(int l, int t, int r, int b) { Record(42, {l, t, r, b}); }
    // type 45 arc, 46 chord, 47 pie
    void ArcLike(uint32_t type, int l, int t, int r, int b, int xs, int ys, int xe, int ye)
    {
        Record(type, {l, t, r, b, xs, ys, xe, ye});
    }
    // type 2 PolyBezier, 3 Polygon, 4 Polyline, 5 PolyBezierTo, 6 PolylineTo; 16-bit points
    // with type + 83.
    void Poly(uint32_t type, const std::vector<IntPoint>& points);
    void PolyPolygon(const std::vector<std::vector<IntPoint>>& polygons);
    void BeginPath() { Record(59, {}); }
    void EndPath() { Record(60, {}); }
    void CloseFigure() { Record(61, {}); }
    void FillPath() { Record(62, {0, 0, 0, 0}); }
    void StrokePath() { Record(64, {0, 0, 0, 0}); }
    void StrokeAndFillPath() { Record(63, {0, 0, 0, 0}); }
    void IntersectClipRect(int l, int t, int r, int b) { Record(30, {l, t, r, b}); }
    void SetRop2(int mode) { Record(20, {mode}); }
    void OffsetClipRgn(int dx, int dy) { Record(26, {dx, dy}); }
    // Combines the clip with a region of device-unit rectangles; mode 1 and, 2 or, 3 xor,
    // 4 diff, 5 copy.
    void ExtSelectClipRgn(const std::vector<IntRect>& rects, int mode);
    // Region painting: type 71 FillRgn (with `brush`), 73 InvertRgn, 74 PaintRgn.
    void PaintRegion(uint32_t type, const std::vector<IntRect>& rects, uint32_t brush = 0);
    // FrameRgn (type 72): the region's border in brush object `brush`, `width` device units
    // thick on its left and right edges and `height` on its top and bottom.
    void FrameRegion(const std::vector<IntRect>& rects, uint32_t brush, int width, int height);
    void ExtTextOutW(int x, int y, const std::u16string& text, const std::vector<int>& dx = {});
    void StretchDiBits(int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                       const std::vector<uint8_t>& dib);
    // An empty `dib` makes a blit without a source (the pattern and destination only).
    void BitBlt(int x, int y, int w, int h, int sx, int sy, const std::vector<uint8_t>& dib,
                uint32_t rop = kSrcCopy);

    std::vector<uint8_t> Finish() const;

private:
    int frame_[4];
    int devicePx_;
    int deviceMm_;
    std::vector<uint8_t> records_;
    uint32_t recordCount_ = 0;
};

} // namespace zv::samples

#endif
