// Where shapes and one-pixel pens put their pixels: the cases of tools/samples/metafile_cases
// drawn at one unit a pixel must set exactly the pixels the system's drawing sets (on Windows
// these tests run against the system's own player).
#include "metafile/metafile_cases.h"
#include "metafile/metafile_writer.h"
#include "tests/imaging/metafile/metafile_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace zv::samples;

constexpr MetafileFormat kFormats[] = {MetafileFormat::Wmf, MetafileFormat::Emf};
constexpr int kCopyPen = 13;
constexpr int kNot = 6;
constexpr int kXorPen = 7;

using zv::test::metafile::Picture;

// A case that must render.
Picture Render(const std::vector<uint8_t>& bytes)
{
    Picture picture = zv::test::metafile::RenderPicture(bytes);
    EXPECT_FALSE(picture.pixels.empty()) << "error " << picture.error;
    return picture;
}

std::string Name(MetafileFormat format, int mode)
{
    return std::string(format == MetafileFormat::Wmf ? "wmf" : "emf") + " mode " + std::to_string(mode);
}

void ExpectBox(const IntRect& actual, const IntRect& expected)
{
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right, expected.right);
    EXPECT_EQ(actual.bottom, expected.bottom);
}

// An old-style record's box loses its last logical column and row (one pixel here).
int FarEdgeLoss(MetafileFormat format)
{
    return format == MetafileFormat::Wmf ? 1 : 0;
}

TEST(MetafilePixelRules, ShapesWithoutPenFillWhereTheSystemDoes)
{
    // Each shape's quarter of the picture and the pixels (inclusive) its fill reaches in an
    // enhanced metafile: the whole box; the triangle its points less its far edges.
    struct Shape {
        const char* name;
        IntRect quarter;
        IntRect reach;
        bool box;  // drawn in a box, which old-style records narrow
    };
    const Shape shapes[] = {
        {"rectangle", {0, 0, 52, 52}, {10, 10, 49, 49}, true},
        {"ellipse", {52, 0, 100, 52}, {55, 10, 94, 49}, true},
        {"rounded rectangle", {0, 52, 52, 100}, {10, 55, 49, 94}, true},
        {"triangle", {52, 52, 100, 100}, {55, 55, 94, 94}, false},
    };
    for (MetafileFormat format : kFormats) {
        for (int mode : {kCopyPen, kNot}) {
            SCOPED_TRACE(Name(format, mode));
            const Picture picture = Render(NullPenShapesCase(format, mode));
            ASSERT_FALSE(picture.pixels.empty());
            const uint32_t fill = mode == kCopyPen ? kCasePattern : ~kCaseDestination & 0xFFFFFF;
            for (const Shape& shape : shapes) {
                SCOPED_TRACE(shape.name);
                const int loss = shape.box ? FarEdgeLoss(format) : 0;
                const IntRect& r = shape.reach;
                ExpectBox(picture.Changed(shape.quarter, kCaseDestination),
                          {r.left, r.top, r.right - loss, r.bottom - loss});
                EXPECT_EQ(picture.At((r.left + r.right) / 2, r.top + 12), fill);
            }
            const int side = 40 - FarEdgeLoss(format);
            EXPECT_EQ(picture.Count({0, 0, 52, 52}, fill), side * side) << "the rectangle, exactly";
        }
    }
}

TEST(MetafilePixelRules, OnePixelLinesSetWholePixelsAndLeaveOutTheirLastOne)
{
    // Lines across, back across and down: a strip around each that nothing else reaches, and
    // the pixels the line sets.
    struct Line {
        IntRect strip;                  // where nothing else is drawn
        std::vector<IntPoint> pixels;
    };
    const auto run = [](int x0, int y0, int dx, int dy, int n) {
        std::vector<IntPoint> pixels;
        for (int i = 0; i < n; ++i) {
            pixels.push_back({x0 + i * dx, y0 + i * dy});
        }
        return pixels;
    };
    const Line lines[] = {
        {{0, 17, 70, 24}, run(10, 20, 1, 0, 50)},  // (10,20) to (60,20): 10..59
        {{0, 27, 70, 34}, run(11, 30, 1, 0, 50)},  // (60,30) to (10,30): 11..60
        {{75, 5, 85, 65}, run(80, 10, 0, 1, 50)},  // (80,10) to (80,60): 10..59
    };
    struct Mode {
        int mode;
        std::function<uint32_t(uint32_t, uint32_t)> result;  // pen, destination
    };
    const Mode modes[] = {
        {kCopyPen, [](uint32_t p, uint32_t) { return p; }},
        {kNot, [](uint32_t, uint32_t d) { return ~d; }},
        {kXorPen, [](uint32_t p, uint32_t d) { return p ^ d; }},
        {9, [](uint32_t p, uint32_t d) { return p & d; }},   // mask
        {15, [](uint32_t p, uint32_t d) { return p | d; }},  // merge
    };
    for (MetafileFormat format : kFormats) {
        for (const Mode& mode : modes) {
            SCOPED_TRACE(Name(format, mode.mode));
            const Picture picture = Render(ThinLinesCase(format, mode.mode));
            ASSERT_FALSE(picture.pixels.empty());
            const uint32_t ink = mode.result(kCasePattern, kCaseDestination) & 0xFFFFFF;
            for (const Line& line : lines) {
                for (const auto& [x, y] : line.pixels) {
                    EXPECT_EQ(picture.At(x, y), ink) << x << "," << y;
                }
                EXPECT_EQ(picture.Count(line.strip, ink), static_cast<int>(line.pixels.size()));
                const int area = (line.strip.right - line.strip.left) * (line.strip.bottom - line.strip.top);
                EXPECT_EQ(picture.Count(line.strip, kCaseDestination), area - static_cast<int>(line.pixels.size()));
            }
            // The diagonal (10,40) to (60,65): one pixel a column, none of them blended.
            EXPECT_EQ(picture.Count({0, 38, 70, 68}, ink), 50);
            EXPECT_EQ(picture.At(10, 40), ink);
            EXPECT_EQ(picture.At(60, 65), kCaseDestination);
        }
    }
}

TEST(MetafilePixelRules, OutlinesFollowTheRasterOperationLikeFills)
{
    // The rectangle (10,10)-(50,50) outlined with a one-pixel pen: the brush fills columns and
    // rows 10 to far - 1, then the pen combines columns and rows 10 and far (50 in an enhanced
    // metafile), each by the raster operation, whatever they share.
    struct Mode {
        int mode;
        std::function<uint32_t(uint32_t, uint32_t)> result;  // pen or brush, destination
    };
    const Mode modes[] = {
        {kCopyPen, [](uint32_t p, uint32_t) { return p; }},
        {kNot, [](uint32_t, uint32_t d) { return ~d & 0xFFFFFF; }},
        {kXorPen, [](uint32_t p, uint32_t d) { return p ^ d; }},
    };
    for (MetafileFormat format : kFormats) {
        for (const Mode& mode : modes) {
            SCOPED_TRACE(Name(format, mode.mode));
            const Picture picture = Render(ThinOutlineShapesCase(format, mode.mode));
            ASSERT_FALSE(picture.pixels.empty());
            const int far = 50 - FarEdgeLoss(format);
            int wrong = 0;
            for (int y = 0; y < 52; ++y) {
                for (int x = 0; x < 52; ++x) {
                    const bool filled = x >= 10 && x < far && y >= 10 && y < far;
                    const bool within = x >= 10 && x <= far && y >= 10 && y <= far;
                    const bool outlined = within && (x == 10 || x == far || y == 10 || y == far);
                    uint32_t expected = kCaseDestination;
                    expected = filled ? mode.result(kCasePattern, expected) : expected;
                    expected = outlined ? mode.result(kCaseSourceRight, expected) : expected;
                    wrong += picture.At(x, y) != expected ? 1 : 0;
                }
            }
            EXPECT_EQ(wrong, 0) << "pixels of the rectangle's quarter not as combined";
            if (mode.mode == kNot) {
                // The ellipse's brush reaches under its pen but not beyond: the pen's pixels are
                // inverted twice, so only what lies inside them changes, and fully (as many
                // pixels as the system's player inverts).
                const int loss = FarEdgeLoss(format);
                ExpectBox(picture.Changed({52, 0, 100, 52}, kCaseDestination), {56, 11, 93 - loss, 48 - loss});
                EXPECT_EQ(picture.Count({52, 0, 100, 52}, mode.result(0, kCaseDestination)), loss ? 1085 : 1136);
            }
        }
    }
}

// Wide pens are centred on their line, an odd width on the line's row: along row 20, two
// pixels cover rows 19 and 20, three 19 to 21, four 18 to 21.
TEST(MetafilePixelRules, WidePensAreCentredOnTheirLine)
{
    struct Case {
        int width, firstRow, lastRow;
    };
    for (const Case& c : {Case{2, 19, 20}, Case{3, 19, 21}, Case{4, 18, 21}}) {
        SCOPED_TRACE(c.width);
        EmfWriter emf(0, 0, 2540, 2540, 100, 25);
        emf.CreatePen(1, 0, c.width, 0);
        emf.SelectObject(1);
        emf.MoveTo(10, 20);
        emf.LineTo(60, 20);
        const IntRect ink = Render(emf.Finish()).Changed({30, 0, 40, 100}, 0xFFFFFF);
        EXPECT_EQ(ink.top, c.firstRow);
        EXPECT_EQ(ink.bottom, c.lastRow);
    }
}

} // namespace
