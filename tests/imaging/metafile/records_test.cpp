// The record layer: records cut short or inconsistent, fed one at a time, are refused (the file
// fails with the library's corrupt-metafile error) or skipped with the rest drawn, as each
// record's reader says; and the values records carry (character sets, UTF-16 pairs, point
// counts, object slots, transforms, frames) arrive decoded at the player.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/metafile/drawing/canvas.h"
#include "imaging/metafile/drawing/dib.h"
#include "imaging/metafile/drawing/text.h"
#include "imaging/metafile/player/player.h"
#include "imaging/metafile/records/formats/emf.h"
#include "imaging/metafile/records/formats/wmf.h"
#include "metafile/metafile_cases.h"
#include "metafile/metafile_writer.h"
#include "tests/imaging/metafile/metafile_pictures.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

namespace mf = zv::imaging::metafile;
using zv::samples::ColorRef;
using zv::samples::EmfWriter;
using zv::samples::IntRect;
using zv::samples::MetafileFormat;
using zv::samples::WmfWriter;

// What reached the canvas.
struct Played {
    bool ok = false;
    std::vector<mf::Rect> fills;     // bounds of each filled path
    std::vector<mf::Color> fillColours;
    std::vector<mf::Rect> strokes;   // bounds of each stroked path
    std::vector<std::vector<double>> dashes;  // of each stroke
    std::vector<std::string> texts;  // each run's characters, UTF-8
    mf::Font font;                   // selected when the picture ended
};

class RecordingCanvas final : public mf::Canvas {
public:
    explicit RecordingCanvas(Played* played) : played_(played) {}
    void SetClip(const std::vector<mf::ClipShape>&) override {}
    void Fill(const mf::Path& path, const mf::FillStyle& style) override
    {
        played_->fills.push_back(path.ControlBounds());
        played_->fillColours.push_back(style.brush.color);
    }
    void Stroke(const mf::Path& path, const mf::StrokeStyle& style) override
    {
        played_->strokes.push_back(path.ControlBounds());
        played_->dashes.push_back(style.dashes);
    }
    void DrawImage(const mf::ImageDraw&) override {}
    mf::FontMetrics MeasureFont(const mf::FontRequest&) override { return {8, 2}; }
    double MeasureAdvance(const mf::FontRequest&, const std::string& utf8) override { return 5.0 * utf8.size(); }
    void DrawText(const mf::TextRun& run) override
    {
        std::string text;
        for (const mf::GlyphPiece& piece : run.pieces) {
            text += piece.utf8;
        }
        played_->texts.push_back(text);
    }

private:
    Played* played_;
};

// Plays a whole file through the record layer, one logical unit a pixel.
Played Play(const std::vector<uint8_t>& bytes)
{
    Played played;
    mf::DeviceContext dc(mf::DeviceSetup{});
    RecordingCanvas canvas(&played);
    mf::FontResolver fonts;
    mf::Player player(dc, canvas, fonts);
    mf::EmfInfo emf;
    mf::WmfInfo wmf;
    if (mf::ReadEmfInfo(bytes.data(), bytes.size(), &emf)) {
        played.ok = mf::PlayEmf(bytes.data(), bytes.size(), emf, player);
    } else if (mf::ReadWmfInfo(bytes.data(), bytes.size(), &wmf)) {
        played.ok = mf::PlayWmf(bytes.data(), bytes.size(), wmf, player);
    }
    played.font = dc.State().font;
    return played;
}

// The error of reading the file through the library (0: it rendered).
uint32_t ReadError(const std::vector<uint8_t>& bytes)
{
    zv::test::TempDir dir;
    const auto file = dir / "picture.emf";
    zv::test::WriteFile(file, bytes);
    uint32_t width = 0;
    uint32_t height = 0;
    HGLOBAL block = IS40_ReadMetafile(file.string().c_str(), &width, &height, 20, 20, 0, 0);
    const uint32_t error = block == nullptr ? IS40_GetLastError() : 0;
    if (block != nullptr) {
        ImageBlockFree(block);
    }
    return error;
}

// A record with the given parameters, between a rectangle before it and one after it.
std::vector<uint8_t> Wmf(uint16_t function, const std::vector<int>& words)
{
    WmfWriter writer = WmfWriter::Placeable(0, 0, 100, 100, 100);
    writer.Rectangle(1, 1, 5, 5);
    writer.Record(function, words);
    writer.Rectangle(10, 10, 20, 20);
    return writer.Finish();
}

std::vector<uint8_t> Emf(uint32_t type, const std::vector<int64_t>& values)
{
    EmfWriter writer(0, 0, 2540, 2540, 100, 25);
    writer.Rectangle(1, 1, 5, 5);
    writer.Record(type, values);
    writer.Rectangle(10, 10, 20, 20);
    return writer.Finish();
}

struct RecordCase {
    const char* name;
    MetafileFormat format;
    uint32_t type;
    std::vector<int64_t> values;  // 16-bit words for WMF, 32-bit values for EMF, all required
};

std::vector<uint8_t> Build(const RecordCase& c, size_t valueCount)
{
    std::vector<int64_t> values(c.values.begin(), c.values.begin() + static_cast<std::ptrdiff_t>(valueCount));
    if (c.format == MetafileFormat::Emf) {
        return Emf(c.type, values);
    }
    return Wmf(static_cast<uint16_t>(c.type), std::vector<int>(values.begin(), values.end()));
}

constexpr auto W = MetafileFormat::Wmf;
constexpr auto E = MetafileFormat::Emf;
const int64_t kFloat1 = 0x3F800000;  // 1.0f
const int64_t kFloat2 = 0x40000000;  // 2.0f

// Records whose every parameter is required: whole, they play; one value short, the file is
// refused.
const RecordCase kRequired[] = {
    {"SetBkMode", W, 0x0102, {1}},
    {"SetMapMode", W, 0x0103, {8}},
    {"SetRop2", W, 0x0104, {13}},
    {"SetPolyFillMode", W, 0x0106, {2}},
    {"SetTextAlign", W, 0x012E, {0}},
    {"SetBkColor", W, 0x0201, {0xFF, 0}},
    {"SetTextColor", W, 0x0209, {0xFF, 0}},
    {"SetWindowOrg", W, 0x020B, {0, 0}},
    {"SetWindowExt", W, 0x020C, {100, 100}},
    {"SetViewportOrg", W, 0x020D, {0, 0}},
    {"SetViewportExt", W, 0x020E, {100, 100}},
    {"OffsetWindowOrg", W, 0x020F, {0, 0}},
    {"OffsetViewportOrg", W, 0x0211, {0, 0}},
    {"ScaleWindowExt", W, 0x0410, {1, 1, 1, 1}},
    {"ScaleViewportExt", W, 0x0412, {1, 1, 1, 1}},
    {"RestoreDc", W, 0x0127, {-1}},
    {"OffsetClipRgn", W, 0x0220, {0, 0}},
    {"IntersectClipRect", W, 0x0416, {100, 100, 0, 0}},
    {"ExcludeClipRect", W, 0x0415, {1, 1, 0, 0}},
    {"MoveTo", W, 0x0214, {3, 3}},
    {"LineTo", W, 0x0213, {3, 3}},
    {"Ellipse", W, 0x0418, {9, 9, 1, 1}},
    {"RoundRect", W, 0x061C, {2, 2, 9, 9, 1, 1}},
    {"Arc", W, 0x0817, {1, 9, 9, 1, 9, 9, 1, 1}},
    {"Pie", W, 0x081A, {1, 9, 9, 1, 9, 9, 1, 1}},
    {"Chord", W, 0x0830, {1, 9, 9, 1, 9, 9, 1, 1}},
    {"SetPixel", W, 0x041F, {0xFF, 0, 3, 3}},
    {"Polygon", W, 0x0324, {3, 1, 1, 9, 1, 9, 9}},
    {"Polyline", W, 0x0325, {2, 1, 1, 9, 9}},
    {"PolyPolygon", W, 0x0538, {2, 3, 3, 1, 1, 9, 1, 9, 9, 1, 1, 9, 1, 9, 9}},
    {"CreatePenIndirect", W, 0x02FA, {0, 1, 0, 0xFF, 0}},
    {"CreateBrushIndirect", W, 0x02FC, {0, 0xFF, 0, 0}},
    {"CreateFontIndirect", W, 0x02FB, {-12, 0, 0, 0, 400, 0, 0, 0, 0}},
    {"SelectObject", W, 0x012D, {0}},
    {"DeleteObject", W, 0x01F0, {0}},
    {"SelectClipRegion", W, 0x012C, {0}},
    {"FillRegion", W, 0x0228, {0, 0}},
    {"FrameRegion", W, 0x0429, {3, 2, 0, 0}},
    {"PaintRegion", W, 0x012B, {0}},
    {"InvertRegion", W, 0x012A, {0}},
    {"TextOut", W, 0x0521, {2, 0x4241, 5, 5}},
    {"PatBlt", W, 0x061D, {0x0021, 0x00F0, 5, 5, 1, 1}},
    {"SetBkMode", E, 18, {1}},
    {"SetMapMode", E, 17, {8}},
    {"SetRop2", E, 20, {13}},
    {"SetPolyFillMode", E, 19, {2}},
    {"SetTextAlign", E, 22, {0}},
    {"SetTextColor", E, 24, {0xFF}},
    {"SetBkColor", E, 25, {0xFF}},
    {"SetArcDirection", E, 57, {2}},
    {"SetMiterLimit", E, 58, {4}},
    {"SetWindowExtEx", E, 9, {100, 100}},
    {"SetWindowOrgEx", E, 10, {0, 0}},
    {"SetViewportExtEx", E, 11, {100, 100}},
    {"SetViewportOrgEx", E, 12, {0, 0}},
    {"ScaleViewportExtEx", E, 31, {1, 1, 1, 1}},
    {"ScaleWindowExtEx", E, 32, {1, 1, 1, 1}},
    {"SetWorldTransform", E, 35, {kFloat1, 0, 0, kFloat1, 0, 0}},
    {"ModifyWorldTransform", E, 36, {kFloat1, 0, 0, kFloat1, 0, 0, 1}},
    {"RestoreDc", E, 34, {-1}},
    {"OffsetClipRgn", E, 26, {0, 0}},
    {"IntersectClipRect", E, 30, {0, 0, 100, 100}},
    {"ExcludeClipRect", E, 29, {0, 0, 1, 1}},
    {"SelectClipPath", E, 67, {5}},
    {"MoveToEx", E, 27, {3, 3}},
    {"LineTo", E, 54, {3, 3}},
    {"Ellipse", E, 42, {1, 1, 9, 9}},
    {"RoundRect", E, 44, {1, 1, 9, 9, 2, 2}},
    {"Arc", E, 45, {1, 1, 9, 9, 9, 1, 1, 9}},
    {"Chord", E, 46, {1, 1, 9, 9, 9, 1, 1, 9}},
    {"Pie", E, 47, {1, 1, 9, 9, 9, 1, 1, 9}},
    {"ArcTo", E, 55, {1, 1, 9, 9, 9, 1, 1, 9}},
    {"AngleArc", E, 41, {5, 5, 3, 0, kFloat2}},
    {"SetPixelV", E, 15, {3, 3, 0xFF}},
    {"Polyline", E, 4, {0, 0, 0, 0, 2, 1, 1, 9, 9}},
    {"PolyBezier", E, 2, {0, 0, 0, 0, 4, 1, 1, 3, 3, 5, 3, 9, 9}},
    {"Polyline16", E, 87, {0, 0, 0, 0, 2, 0x00010001, 0x00090009}},
    {"PolyPolygon", E, 8, {0, 0, 0, 0, 1, 3, 3, 1, 1, 9, 1, 9, 9}},
    {"PolyPolyline16", E, 90, {0, 0, 0, 0, 1, 2, 2, 0x00010001, 0x00090009}},
    {"CreatePen", E, 38, {1, 0, 1, 0, 0xFF}},
    {"CreateBrushIndirect", E, 39, {1, 0, 0xFF, 0}},
    {"ExtCreateFontIndirectW", E, 82, {1, -12, 0, 0, 0, 400, 0, 0}},
    {"ExtCreatePen", E, 95, {1, 0, 0, 0, 0, 0x10000, 2, 0, 0xFF, 0, 0}},
    {"CreatePalette", E, 49, {1}},
    {"SelectObject", E, 37, {1}},
    {"DeleteObject", E, 40, {1}},
    {"ExtSelectClipRgn", E, 75, {0, 5}},
    {"PaintRgn", E, 74, {0, 0, 0, 0, 0}},
    {"FillRgn", E, 71, {0, 0, 0, 0, 0, 1}},
    {"FrameRgn", E, 72, {0, 0, 0, 0, 0, 1, 3, 2}},
    // Bitmaps by palette index (usage 1) or none at all: the records play, drawing nothing.
    {"CreateDIBPatternBrushPt", E, 94, {1, 1, 0, 0, 0, 0}},
    {"CreateMonoBrush", E, 93, {1, 1, 0, 0, 0, 0}},
    {"BitBlt", E, 76, {0, 0, 0, 0, 1, 1, 5, 5, 0xCC0020, 0, 0, kFloat1, 0, 0, kFloat1, 0, 0, 0, 1, 0, 0, 0, 0}},
    {"StretchBlt", E, 77, {0, 0, 0, 0, 1, 1, 5, 5, 0xCC0020, 0, 0, kFloat1, 0, 0, kFloat1, 0, 0, 0, 1, 0, 0, 0, 0, 4, 4}},
    {"SetDIBitsToDevice", E, 80, {0, 0, 0, 0, 1, 1, 0, 0, 4, 4, 0, 0, 0, 0, 1}},  // scans unread
    {"StretchDIBits", E, 81, {0, 0, 0, 0, 1, 1, 0, 0, 4, 4, 0, 0, 0, 0, 1, 0xCC0020, 5, 5}},
    {"StretchDIB", W, 0x0F43, {0x0020, 0x00CC, 1, 4, 4, 0, 0, 5, 5, 1, 1}},
    {"SetDIBitsToDevice", W, 0x0D33, {1, 4, 0, 0, 0, 4, 4, 1, 1}},
    {"DIBCreatePatternBrush", W, 0x0142, {0, 1}},
};

TEST(MetafileRecords, EveryRequiredParameterIsChecked)
{
    for (const RecordCase& c : kRequired) {
        SCOPED_TRACE(std::string(c.name) + (c.format == W ? " (WMF)" : " (EMF)"));
        const Played whole = Play(Build(c, c.values.size()));
        EXPECT_TRUE(whole.ok);
        const Played cut = Play(Build(c, c.values.size() - 1));
        EXPECT_FALSE(cut.ok);
    }
}

TEST(MetafileRecords, ACutRecordFailsTheFileWithTheCorruptMetafileError)
{
    EXPECT_EQ(ReadError(Emf(36, {kFloat1, 0, 0, kFloat1, 0, 0, 1})), 0u);
    EXPECT_EQ(ReadError(Emf(36, {kFloat1, 0, 0, kFloat1, 0, 0})), zv::imaging::kErrInvalidMetafile);
    EXPECT_EQ(ReadError(Emf(35, {kFloat1, 0, 0, kFloat1, 0})), zv::imaging::kErrInvalidMetafile);
    EXPECT_EQ(ReadError(Wmf(0x0538, {1, 3, 1, 1, 9, 1})), zv::imaging::kErrInvalidMetafile);
}

// Counts that promise more than the record holds, or disagree with each other.
TEST(MetafileRecords, InconsistentCountsAreRefused)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool ok;
    };
    const Case cases[] = {
        // EMF PolyPolygon: figures, total points, the figures' counts, points.
        {"figures within the total", Emf(8, {0, 0, 0, 0, 1, 3, 3, 1, 1, 9, 1, 9, 9}), true},
        {"figures beyond the total", Emf(8, {0, 0, 0, 0, 1, 2, 3, 1, 1, 9, 1, 9, 9}), false},
        {"two figures beyond the total", Emf(8, {0, 0, 0, 0, 2, 4, 2, 3, 1, 1, 9, 1, 1, 1, 9, 1, 9, 9}), false},
        {"a figure beyond the points", Emf(8, {0, 0, 0, 0, 1, 9, 9, 1, 1, 9, 1, 9, 9}), false},
        {"a count beyond the counts", Emf(8, {0, 0, 0, 0, 3, 3, 3}), false},
        {"16-bit figures beyond the total", Emf(91, {0, 0, 0, 0, 1, 2, 3, 0x00010001, 0x00010009, 0x00090009}), false},
        {"16-bit figures within the total", Emf(91, {0, 0, 0, 0, 1, 3, 3, 0x00010001, 0x00010009, 0x00090009}), true},
        {"EMF points beyond the record", Emf(4, {0, 0, 0, 0, 3, 1, 1, 9, 9}), false},
        {"EMF 16-bit points beyond the record", Emf(87, {0, 0, 0, 0, 3, 0x00010001, 0x00090009}), false},
        {"WMF points beyond the record", Wmf(0x0325, {3, 1, 1, 9, 9}), false},
        {"WMF polygon counts beyond the points", Wmf(0x0538, {2, 3, 4, 1, 1, 9, 1, 9, 9, 1, 1, 9, 1, 9, 9}), false},
        {"WMF polygon count missing", Wmf(0x0538, {2, 3}), false},
        // ExtTextOutW: the string offset and count must lie inside the record.
        {"text beyond the record", Emf(84, {0, 0, 0, 0, 1, 0, 0, 5, 5, 40, 76, 0, 0, 0, 0, 0, 0}), false},
        // Bitmaps whose header or rows lie outside the record.
        {"a pattern's header outside", Emf(94, {1, 0, 200, 40, 0, 0}), false},
        {"a pattern's rows outside", Emf(94, {1, 1, 0, 0, 30, 40}), false},
        {"a blit's header outside", Emf(81, {0, 0, 0, 0, 1, 1, 0, 0, 4, 4, 200, 40, 0, 0, 0, 0xCC0020, 5, 5}), false},
        {"a blit's rows outside", Emf(81, {0, 0, 0, 0, 1, 1, 0, 0, 4, 4, 8, 40, 80, 64, 1, 0xCC0020, 5, 5}), false},
        // Region data claiming more rectangles than it holds.
        {"region rectangles beyond the data", Emf(75, {48, 5, 32, 1, 4, 0, 0, 0, 10, 10, 0, 0, 10, 10}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Play(c.bytes).ok, c.ok);
    }
}

// Records that draw nothing here are skipped and the picture goes on.
TEST(MetafileRecords, SkippedRecordsLeaveTheRestDrawn)
{
    const std::vector<uint8_t> files[] = {
        Emf(0x7777, {1, 2, 3}),           // unknown
        Emf(70, {0, 0, 0, 0, 1, 0x2B2B2B2B}),  // a comment
        Wmf(0x0035, {}),                  // RealizePalette
        Wmf(0x0228, {1, 9}),              // FillRegion of an empty slot
        Wmf(0x0429, {3, 2, 1, 9}),        // FrameRegion of an empty slot
        Emf(71, {0, 0, 0, 0, 0, 7}),      // FillRgn with no brush in slot 7
        Emf(74, {0, 0, 0, 0, 0}),         // PaintRgn of an empty region
        Emf(73, {0, 0, 0, 0, 0}),         // InvertRgn of an empty region
        Emf(94, {1, 1, 0, 0, 0, 0}),      // a pattern of palette indices
    };
    for (const auto& bytes : files) {
        const Played played = Play(bytes);
        EXPECT_TRUE(played.ok);
        ASSERT_EQ(played.fills.size(), 2u);
        EXPECT_EQ(played.fills[1].left, 10);
        EXPECT_EQ(played.fills[1].bottom, 20);
    }
}

// Inside a path bracket, region painting draws nothing; after it, again as always.
TEST(MetafileRecords, RegionsArePaintedOutsidePathsOnly)
{
    EmfWriter writer(0, 0, 2540, 2540, 100, 25);
    writer.BeginPath();
    writer.PaintRegion(74, {IntRect{1, 1, 5, 5}});
    writer.EndPath();
    writer.PaintRegion(74, {IntRect{10, 10, 20, 20}});
    const Played played = Play(writer.Finish());
    ASSERT_TRUE(played.ok);
    ASSERT_EQ(played.fills.size(), 1u);
    EXPECT_EQ(played.fills[0].left, 10);
}

// Polylines and polygons of two points are drawn, of one point not; in both formats and
// coordinate widths.
TEST(MetafileRecords, TwoPointFiguresAreDrawn)
{
    struct Case {
        std::vector<uint8_t> bytes;
        size_t strokes;  // beside the two rectangles'
    };
    const Case cases[] = {
        {Wmf(0x0325, {2, 1, 1, 9, 9}), 1},
        {Wmf(0x0325, {1, 1, 1}), 0},
        {Wmf(0x0324, {2, 1, 1, 9, 9}), 1},
        {Wmf(0x0324, {1, 1, 1}), 0},
        {Emf(4, {0, 0, 0, 0, 2, 1, 1, 9, 9}), 1},
        {Emf(4, {0, 0, 0, 0, 1, 1, 1}), 0},
        {Emf(87, {0, 0, 0, 0, 2, 0x00010001, 0x00090009}), 1},
        {Emf(87, {0, 0, 0, 0, 1, 0x00010001}), 0},
        {Emf(3, {0, 0, 0, 0, 2, 1, 1, 9, 9}), 1},
        {Emf(7, {0, 0, 0, 0, 2, 3, 2, 1, 1, 1, 9, 9, 5, 5}), 1},  // a two-point and a one-point polyline
        {Emf(7, {0, 0, 0, 0, 1, 1, 1, 1, 1}), 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const Played played = Play(cases[i].bytes);
        ASSERT_TRUE(played.ok);
        ASSERT_EQ(played.strokes.size(), cases[i].strokes + 2);
        if (cases[i].strokes == 1) {
            EXPECT_EQ(played.strokes[1].left, 1);
            EXPECT_EQ(played.strokes[1].right, 9);
            EXPECT_EQ(played.strokes[1].bottom, 9);
        }
    }
}

// 16- and 32-bit coordinates, each format's argument order: the same shape arrives.
TEST(MetafileRecords, BothFormatsDescribeShapesAlike)
{
    const Played wmf = Play(Wmf(0x061C, {4, 6, 30, 40, 10, 20}));  // RoundRect
    const Played emf = Play(Emf(44, {20, 10, 40, 30, 6, 4}));
    ASSERT_TRUE(wmf.ok);
    ASSERT_TRUE(emf.ok);
    ASSERT_EQ(wmf.fills.size(), 3u);
    ASSERT_EQ(emf.fills.size(), 3u);
    for (const Played* played : {&wmf, &emf}) {
        EXPECT_EQ(played->fills[1].left, 20);
        EXPECT_EQ(played->fills[1].top, 10);
        EXPECT_EQ(played->fills[1].right, 40);
        EXPECT_EQ(played->fills[1].bottom, 30);
    }
    const Played wmfPixel = Play(Wmf(0x041F, {0xFF, 0, 7, 3}));  // SetPixel: colour, y, x
    const Played emfPixel = Play(Emf(15, {3, 7, 0xFF}));
    for (const Played* played : {&wmfPixel, &emfPixel}) {
        ASSERT_EQ(played->fills.size(), 3u);
        EXPECT_EQ(played->fills[1].left, 3);
        EXPECT_EQ(played->fills[1].top, 7);
        EXPECT_EQ(played->fillColours[1], (mf::Color{255, 0, 0}));
    }
}

// A world transform reaches the drawing; a palette takes its slot from the brush there.
TEST(MetafileRecords, TransformsAndPalettesArriveDecoded)
{
    EmfWriter writer(0, 0, 2540, 2540, 100, 25);
    writer.Record(35, {kFloat2, 0, 0, kFloat2, 0, 0});
    writer.Rectangle(5, 5, 10, 10);
    writer.Record(36, {kFloat1, 0, 0, kFloat1, 0, 0, 1});  // reset
    writer.Rectangle(5, 5, 10, 10);
    writer.CreateBrush(1, 0, ColorRef(255, 0, 0));
    writer.Record(49, {1});  // CreatePalette into slot 1
    writer.SelectObject(1);
    writer.Rectangle(1, 1, 2, 2);
    const Played played = Play(writer.Finish());
    ASSERT_TRUE(played.ok);
    ASSERT_EQ(played.fills.size(), 3u);
    EXPECT_EQ(played.fills[0].left, 10);
    EXPECT_EQ(played.fills[0].right, 20);
    EXPECT_EQ(played.fills[1].left, 5);
    EXPECT_EQ(played.fills[1].right, 10);
    EXPECT_EQ(played.fillColours[2], (mf::Color{255, 255, 255}));  // the palette is no brush
}

// WMF font records keep italic, underline, strike-out and character set in four bytes; EMF
// in the same four bytes of one value.
TEST(MetafileRecords, TheFontsCharacterSetPicksTheCodePage)
{
    const std::string cyrillicA = "\xD0\x90";  // U+0410, 0xC0 in code page 1251
    const std::string latinA = "\xC3\x80";     // U+00C0, 0xC0 in code page 1252
    for (const bool cyrillic : {true, false}) {
        const int charset = cyrillic ? 204 : 0;
        WmfWriter wmf = WmfWriter::Placeable(0, 0, 100, 100, 100);
        // height, width, escapement, orientation, weight; italic and underline; strike-out
        // and character set; precisions; face.
        wmf.Record(0x02FB, {-12, 0, 0, 0, 400, 0x0001, 0x0001 | (charset << 8), 0, 0, 0x4241});
        wmf.SelectObject(0);
        wmf.Record(0x0521, {1, 0xC0, 5, 5});  // TextOut
        EmfWriter emf(0, 0, 2540, 2540, 100, 25);
        emf.Record(82, {1, -12, 0, 0, 0, 400, 0x00010001 | (static_cast<int64_t>(charset) << 24), 0, 0x00420041});
        emf.SelectObject(1);
        // ExtTextOutA: bounds, mode, scales, reference, count, string offset, options,
        // rectangle, advances offset, then the string.
        emf.Record(83, {0, 0, 0, 0, 1, 0, 0, 5, 5, 1, 76, 0, 0, 0, 0, 0, 0, 0xC0});
        for (const auto& bytes : {wmf.Finish(), emf.Finish()}) {
            const Played played = Play(bytes);
            ASSERT_TRUE(played.ok);
            EXPECT_EQ(played.font.charset, charset);
            EXPECT_TRUE(played.font.italic);
            EXPECT_FALSE(played.font.underline);
            EXPECT_TRUE(played.font.strikeOut);
            EXPECT_EQ(played.font.faceName, "AB");
            ASSERT_EQ(played.texts.size(), 1u);
            EXPECT_EQ(played.texts[0], cyrillic ? cyrillicA : latinA);
        }
    }
}

// ExtTextOutW with `units` counted of the units stored (what follows is in the record too).
std::vector<uint8_t> WideText(const std::vector<uint16_t>& stored, uint32_t counted)
{
    std::vector<int64_t> values = {0, 0, 0, 0, 1, 0, 0, 5, 5, counted, 76, 0, 0, 0, 0, 0, 0};
    for (size_t i = 0; i < stored.size(); i += 2) {
        values.push_back(stored[i] | (i + 1 < stored.size() ? static_cast<int64_t>(stored[i + 1]) << 16 : 0));
    }
    return Emf(84, values);
}

TEST(MetafileRecords, SurrogatePairsDecodeToOneCharacter)
{
    const std::string grin = "\xF0\x9F\x98\x80";  // U+1F600
    const std::string replacement = "\xEF\xBF\xBD";
    struct Case {
        std::vector<uint16_t> stored;
        uint32_t counted;
        std::string text;
    };
    const Case cases[] = {
        {{0x41, 0xD83D, 0xDE00, 0x42}, 4, "A" + grin + "B"},
        {{0x41, 0xD83D, 0xDE00, 0x42}, 2, "A" + replacement},  // the pair's second half is not counted
        {{0xDE00, 0xD83D}, 2, replacement + replacement},      // halves in the wrong order
        {{0xD83D, 0x41}, 2, replacement + "A"},
    };
    for (const Case& c : cases) {
        const Played played = Play(WideText(c.stored, c.counted));
        ASSERT_TRUE(played.ok);
        ASSERT_EQ(played.texts.size(), 1u);
        EXPECT_EQ(played.texts[0], c.text);
    }
    const uint8_t units[] = {0x3D, 0xD8, 0x00, 0xDE};
    EXPECT_EQ(mf::DecodeUtf16(units, 2), std::u32string(1, U'\U0001F600'));
    EXPECT_EQ(mf::DecodeUtf16(units, 1), std::u32string(1, U'\uFFFD'));
}

// A WMF region object's scans: a coordinate count, top, bottom, left/right pairs (an odd
// coordinate left over is no edge), the count again.
TEST(MetafileRecords, RegionScansTakeWholePairsOnly)
{
    struct Case {
        std::vector<int> scan;
        mf::Rect painted;
    };
    const Case cases[] = {
        {{2, 10, 20, 30, 40, 2}, {30, 10, 40, 20}},
        {{3, 10, 20, 30, 40, 50, 3}, {30, 10, 40, 20}},
        {{4, 10, 20, 30, 40, 60, 70, 4}, {30, 10, 70, 20}},
    };
    for (const Case& c : cases) {
        // Chain, type, object count, size, scan count, largest scan, bounds; then the scan.
        std::vector<int> words = {0, 6, 0, 0, 0, 1, static_cast<int>(c.scan.size()), 0, 0, 0, 0};
        words.insert(words.end(), c.scan.begin(), c.scan.end());
        WmfWriter writer = WmfWriter::Placeable(0, 0, 100, 100, 100);
        writer.Record(0x06FF, words);
        writer.PaintRegion(0);
        const Played played = Play(writer.Finish());
        ASSERT_TRUE(played.ok);
        ASSERT_EQ(played.fills.size(), 1u);
        EXPECT_EQ(played.fills[0].left, c.painted.left);
        EXPECT_EQ(played.fills[0].top, c.painted.top);
        EXPECT_EQ(played.fills[0].right, c.painted.right);
        EXPECT_EQ(played.fills[0].bottom, c.painted.bottom);
    }
}

// Pen styles dash in device pixels when thin and in multiples of the width when wide.
TEST(MetafileRecords, PenStylesArriveAsDashes)
{
    struct Case {
        int style;
        int width;
        std::vector<double> dashes;
    };
    const Case cases[] = {
        {0, 1, {}},
        {1, 1, {18, 6}},
        {2, 1, {3, 3}},
        {3, 1, {9, 6, 3, 6}},
        {4, 1, {9, 3, 3, 3, 3, 3}},
        {1, 4, {12, 4}},
        {2, 4, {4, 4}},
        {3, 4, {12, 4, 4, 4}},
        {4, 4, {12, 4, 4, 4, 4, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.style) + " " + std::to_string(c.width));
        WmfWriter wmf = WmfWriter::Placeable(0, 0, 100, 100, 100);
        wmf.CreatePen(c.style, c.width, 0);
        wmf.SelectObject(0);
        wmf.LineTo(50, 50);
        EmfWriter emf(0, 0, 2540, 2540, 100, 25);
        emf.CreatePen(1, c.style, c.width, 0);
        emf.SelectObject(1);
        emf.LineTo(50, 50);
        for (const auto& bytes : {wmf.Finish(), emf.Finish()}) {
            const Played played = Play(bytes);
            ASSERT_TRUE(played.ok);
            ASSERT_EQ(played.dashes.size(), 1u);
            EXPECT_EQ(played.dashes[0], c.dashes);
        }
    }
}

// FrameRgn draws the region's border: `width` pixels on the left and right, `height` on the
// top and bottom, inside the region; the inside and outside stay as they were.
TEST(MetafileRecords, FrameRegionPaintsTheBorderInside)
{
    for (const MetafileFormat format : {W, E}) {
        SCOPED_TRACE(format == W ? "WMF" : "EMF");
        const std::vector<uint8_t> bytes =
            zv::samples::RegionFrameCase(format, {IntRect{40, 40, 60, 60}}, 3, 2, 0x000000);
        zv::test::TempDir dir;
        const auto file = dir / (format == W ? "frame.wmf" : "frame.emf");
        zv::test::WriteFile(file, bytes);
        uint32_t width = 0;
        uint32_t height = 0;
        HGLOBAL block = IS40_ReadMetafile(file.string().c_str(), &width, &height, 100, 100, 0, 0);
        ASSERT_NE(block, nullptr) << IS40_GetLastError();
        ASSERT_EQ(width, 100u);
        ASSERT_EQ(height, 100u);
        const auto* pixels = static_cast<const uint8_t*>(block);
        int wrong = 0;
        for (int y = 30; y < 70; ++y) {
            for (int x = 30; x < 70; ++x) {
                const bool inRegion = x >= 40 && x < 60 && y >= 40 && y < 60;
                const bool inRing = inRegion && (x < 43 || x >= 57 || y < 42 || y >= 58);
                const uint32_t expected = inRing ? 0x000000 : zv::samples::kCaseDestination;
                const uint8_t* p = pixels + (static_cast<size_t>(y) * width + x) * 3;
                const uint32_t actual = (p[0] << 16) | (p[1] << 8) | p[2];
                wrong += actual != expected ? 1 : 0;
                EXPECT_EQ(actual, expected) << "at " << x << "," << y;
                if (wrong > 5) {
                    break;
                }
            }
        }
        ImageBlockFree(block);
    }
}

// A map mode outside the eight there are leaves the one in force.
TEST(MetafileRecords, UnknownMapModesAreIgnored)
{
    EmfWriter emf(0, 0, 2540, 2540, 100, 25);
    emf.SetMapMode(8);  // anisotropic: ten pixels a unit
    emf.SetWindowExt(10, 10);
    emf.SetViewportExt(100, 100);
    emf.SetMapMode(0);
    emf.SetMapMode(9);
    emf.Rectangle(1, 1, 3, 3);
    const Played played = Play(emf.Finish());
    ASSERT_TRUE(played.ok);
    ASSERT_EQ(played.fills.size(), 1u);
    EXPECT_NEAR(played.fills[0].left, 10, 1);
    EXPECT_NEAR(played.fills[0].right, 30, 1);
}

// An arc added to a path bracket keeps its curve: a half circle from (0,50) to (100,50) spans
// the box's width and half its height.
TEST(MetafileRecords, ArcToInAPathKeepsItsCurve)
{
    EmfWriter emf(0, 0, 2540, 2540, 100, 25);
    emf.BeginPath();
    emf.MoveTo(0, 50);
    emf.ArcLike(55, 0, 0, 100, 100, 0, 50, 100, 50);  // ArcTo
    emf.EndPath();
    emf.StrokePath();
    const Played played = Play(emf.Finish());
    ASSERT_TRUE(played.ok);
    ASSERT_EQ(played.strokes.size(), 1u);
    const mf::Rect& bounds = played.strokes[0];
    EXPECT_NEAR(bounds.left, 0, 1);
    EXPECT_NEAR(bounds.right, 100, 1);
    EXPECT_NEAR(bounds.bottom - bounds.top, 50, 1);
}

// Old-style core headers (16-bit sizes) decode like the newer ones; a depth that no bitmap
// has is refused as unsupported whatever its size.
TEST(MetafileBitmaps, CoreHeadersDecodeAndOddDepthsAreRefused)
{
    const std::vector<uint8_t> core = {12, 0, 0, 0, 2, 0, 1, 0, 1, 0, 24, 0};
    const std::vector<uint8_t> row = {0x30, 0x20, 0x10, 0x03, 0x02, 0x01, 0, 0};  // BGR BGR, padded
    mf::Bitmap bitmap;
    ASSERT_EQ(mf::DecodeDib(core.data(), core.size(), row.data(), row.size(), &bitmap), mf::DibResult::Ok);
    ASSERT_EQ(bitmap.width, 2);
    ASSERT_EQ(bitmap.height, 1);
    EXPECT_EQ(bitmap.pixels, (std::vector<uint32_t>{0xFF102030, 0xFF010203}));

    std::vector<uint8_t> odd = core;
    odd[10] = 3;  // three bits a pixel
    EXPECT_EQ(mf::DecodeDib(odd.data(), odd.size(), row.data(), row.size(), &bitmap), mf::DibResult::Unsupported);
}

// Values land where they belong: a font's escapement rather than its orientation, and one
// pixel for SetPixel.
TEST(MetafileRecords, EscapementAndSetPixelLandWhereTheyBelong)
{
    EmfWriter emf(0, 0, 2540, 2540, 100, 25);
    std::vector<uint8_t> font;
    for (uint32_t value : {1u, 20u, 0u, 900u, 0u, 400u, 0u, 0u}) {  // slot, height, width, escapement, orientation, weight
        for (int shift = 0; shift < 32; shift += 8) {
            font.push_back(static_cast<uint8_t>(value >> shift));
        }
    }
    font.resize(font.size() + 64, 0);  // no face name
    emf.RecordBytes(82, font);
    emf.SelectObject(1);
    const Played rotated = Play(emf.Finish());
    ASSERT_TRUE(rotated.ok);
    EXPECT_EQ(rotated.font.escapement, 900);

    const Played pixel = Play(Wmf(0x041F, {0xFF, 0, 7, 3}));
    ASSERT_TRUE(pixel.ok);
    ASSERT_EQ(pixel.fills.size(), 3u);
    EXPECT_EQ(pixel.fills[1].left, 3);
    EXPECT_EQ(pixel.fills[1].right, 4);
    EXPECT_EQ(pixel.fills[1].top, 7);
    EXPECT_EQ(pixel.fills[1].bottom, 8);
}

// Bit-field masks after the header say where each channel lies, in any order.
TEST(MetafileBitmaps, BitFieldMasksPlaceTheChannels)
{
    std::vector<uint8_t> info = {40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 32, 0, 3, 0, 0, 0};
    info.resize(40, 0);
    for (uint32_t mask : {0x000000FFu, 0x0000FF00u, 0x00FF0000u}) {  // red low, blue high
        for (int shift = 0; shift < 32; shift += 8) {
            info.push_back(static_cast<uint8_t>(mask >> shift));
        }
    }
    const std::vector<uint8_t> bits = {0x11, 0x22, 0x33, 0};
    mf::Bitmap bitmap;
    ASSERT_EQ(mf::DecodeDib(info.data(), info.size(), bits.data(), bits.size(), &bitmap), mf::DibResult::Ok);
    EXPECT_EQ(bitmap.pixels, (std::vector<uint32_t>{0xFF112233}));

    // Without masks, 16 bits are five a channel, scaled to the nearest 8-bit value: 16 of 31
    // is 131.6.
    std::vector<uint8_t> rgb555 = {40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 16, 0};
    rgb555.resize(40, 0);
    const std::vector<uint8_t> pixel = {0x10, 0x42, 0, 0};
    ASSERT_EQ(mf::DecodeDib(rgb555.data(), rgb555.size(), pixel.data(), pixel.size(), &bitmap), mf::DibResult::Ok);
    EXPECT_EQ(bitmap.pixels, (std::vector<uint32_t>{0xFF848484}));
}

// The frame of an L-shaped region follows its inner corner.
TEST(MetafileRecords, FrameFollowsAnInnerCorner)
{
    const std::vector<mf::Rect> region = {{0, 0, 10, 4}, {0, 4, 4, 10}};
    const std::vector<mf::Rect> frame = mf::RegionFrame(region, 1, 1);
    double area = 0;
    for (const mf::Rect& rect : frame) {
        area += rect.Width() * rect.Height();
    }
    // The L is 64 pixels; inside a 1-pixel frame stay 1..9 x 1..3, 1..4 x 3..4 (the inner
    // corner) and 1..3 x 4..9.
    EXPECT_EQ(area, 64 - (8 * 2 + 3 + 2 * 5));
    EXPECT_TRUE(mf::RegionFrame(region, 0, 0).empty());
}

} // namespace
