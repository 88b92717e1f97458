// Metafile rendering: small WMF and EMF files written record by record, one family of records
// at a time, checked by probing pixels of the rendered image; the public corpus metafiles;
// the size rule; and malformed input.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/metafile/drawing/dc.h"
#include "imaging/metafile/drawing/text.h"
#include "platform/memory.h"
#include "metafile/metafile_writer.h"
#include "raster_writers.h"
#include "tests/imaging/metafile/metafile_pictures.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace {

using zv::samples::ColorRef;
using zv::samples::EmfWriter;
using zv::samples::WmfWriter;

// The Windows DLL hands pictures to the system's player, which draws some cases its own way
// (README, "Metafiles: two renderers"): true there, after naming the case's reason.
bool SkipOnSystemPlayer([[maybe_unused]] const char* reason)
{
#ifdef _WIN32
    std::cout << "[ SKIPPED  ] drawn differently by the system's player: " << reason << "\n";
    return true;
#else
    return false;
#endif
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kYellow{255, 255, 0};
const uint32_t kRedRef = ColorRef(255, 0, 0);
const uint32_t kBlueRef = ColorRef(0, 0, 255);

std::ostream& operator<<(std::ostream& out, const Rgb& c)
{
    return out << "(" << c.r << "," << c.g << "," << c.b << ")";
}

struct Rendered {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    Rgb At(int x, int y) const
    {
        const size_t i = (static_cast<size_t>(y) * width + x) * 3;
        return {pixels[i], pixels[i + 1], pixels[i + 2]};
    }
    // Count of pixels in [x0,x1) x [y0,y1) matching `pred`.
    int Count(int x0, int y0, int x1, int y1, const std::function<bool(Rgb)>& pred) const
    {
        int count = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                count += pred(At(x, y)) ? 1 : 0;
            }
        }
        return count;
    }
};

bool IsInk(Rgb c)
{
    return c.r < 128 && c.g < 128 && c.b < 128;
}

bool IsNotWhite(Rgb c)
{
    return c.r < 250 || c.g < 250 || c.b < 250;
}

struct Outcome {
    std::optional<Rendered> image;
    uint32_t error = 0;
};

Outcome RenderFile(const std::filesystem::path& file, int wantedWidth, int wantedHeight)
{
    uint32_t width = 0;
    uint32_t height = 0;
    HGLOBAL block = IS40_ReadMetafile(file.string().c_str(), &width, &height, wantedWidth, wantedHeight, 0, 0);
    Outcome outcome;
    outcome.error = IS40_GetLastError();
    if (block != nullptr) {
        Rendered image{static_cast<int>(width), static_cast<int>(height), {}};
        const auto* bytes = static_cast<const uint8_t*>(block);
        image.pixels.assign(bytes, bytes + static_cast<size_t>(width) * height * 3);
        outcome.image = std::move(image);
        ImageBlockFree(block);
    }
    return outcome;
}

Outcome RenderBytes(const std::vector<uint8_t>& bytes, int wantedWidth = 100, int wantedHeight = 100)
{
    zv::test::TempDir dir;
    const auto file = dir / "picture.wmf";
    zv::test::WriteFile(file, bytes);
    return RenderFile(file, wantedWidth, wantedHeight);
}

Rendered Render(const std::vector<uint8_t>& bytes, int wantedWidth = 100, int wantedHeight = 100)
{
    Outcome outcome = RenderBytes(bytes, wantedWidth, wantedHeight);
    EXPECT_TRUE(outcome.image.has_value()) << "error " << outcome.error;
    return outcome.image.value_or(Rendered{});
}

// Two writers drawing the same picture: a 1000 x 1000 placeable WMF in MM_ANISOTROPIC with
// window = box, and an EMF whose frame is 1 inch on a 1000-pixel-per-inch device, both
// drawing in a 0..1000 logical space. The calls below go to both.
struct Pictures {
    WmfWriter wmf = WmfWriter::Placeable(0, 0, 1000, 1000, 1000);
    EmfWriter emf{0, 0, 2540, 2540, 10000, 254};

    Pictures()
    {
        wmf.SetMapMode(8);
        wmf.SetWindowOrg(0, 0);
        wmf.SetWindowExt(1000, 1000);
        // EMF device pixels: 10000 per 254 mm, so the 25.4 mm frame is 1000 device pixels.
        emf.SetMapMode(1);
    }
    // Selects a solid brush and a null pen in both.
    void SolidFill(uint32_t colour)
    {
        Brush(0, colour);
        Pen(5, 0, 0);
    }
    // Creates and selects an object: WMF takes the lowest free slot, EMF gets a new index.
    void Brush(int style, uint32_t colour, int hatch = 0)
    {
        wmf.CreateBrush(style, colour, hatch);
        emf.CreateBrush(++objects_, style, colour, hatch);
        SelectLast();
    }
    void Pen(int style, int width, uint32_t colour)
    {
        wmf.CreatePen(style, width, colour);
        emf.CreatePen(++objects_, style, width, colour);
        SelectLast();
    }
    void Font(int height, int escapement, int weight, const std::string& face)
    {
        wmf.CreateFont(height, escapement, weight, false, face);
        emf.CreateFont(++objects_, height, escapement, weight, std::u16string(face.begin(), face.end()));
        SelectLast();
    }
    void MapMode(int mode) { wmf.SetMapMode(mode); emf.SetMapMode(mode); }
    void BkMode(int mode) { wmf.SetBkMode(mode); emf.SetBkMode(mode); }
    void Rectangle(int l, int t, int r, int b) { wmf.Rectangle(l, t, r, b); emf.Rectangle(l, t, r, b); }
    void Line(int x0, int y0, int x1, int y1)
    {
        wmf.MoveTo(x0, y0);
        wmf.LineTo(x1, y1);
        emf.MoveTo(x0, y0);
        emf.LineTo(x1, y1);
    }
    std::vector<std::pair<const char*, std::vector<uint8_t>>> Files() const
    {
        return {{"wmf", wmf.Finish()}, {"emf", emf.Finish()}};
    }
    // Renders both at 100 x 100 and runs `check` on each, but on a kind the system's player
    // draws differently (a reason given for it).
    void Check(const std::function<void(const Rendered&)>& check, const char* wmfDiffers = nullptr,
               const char* emfDiffers = nullptr) const
    {
        for (const auto& [name, bytes] : Files()) {
            SCOPED_TRACE(name);
            const char* differs = std::string(name) == "wmf" ? wmfDiffers : emfDiffers;
            if (differs != nullptr && SkipOnSystemPlayer(differs)) {
                continue;
            }
            check(Render(bytes));
        }
    }

private:
    void SelectLast()
    {
        wmf.SelectObject(objects_ - 1);
        emf.SelectObject(static_cast<uint32_t>(objects_));
    }
    int objects_ = 0;
};

TEST(Metafile, FilledRectangleIsFilledAndItsOutsideUntouched)
{
    Pictures pictures;
    pictures.SolidFill(kRedRef);
    pictures.Rectangle(250, 250, 750, 750);
    pictures.Check([](const Rendered& image) {
        ASSERT_EQ(image.width, 100);
        EXPECT_EQ(image.At(26, 26), kRed);
        EXPECT_EQ(image.At(73, 73), kRed);
        EXPECT_EQ(image.Count(0, 0, 100, 100, [](Rgb c) { return c == kRed; }), 50 * 50);
    });
}

struct MappingCase {
    const char* name;
    int mapMode;
    int unitsPerInch;  // logical units per inch; 0 for the window/viewport modes
};

// Each fixed mapping mode draws a one-inch square from the origin upwards (y grows upwards)
// in a two-inch picture: it fills the top-left quadrant once the origin sits at the top left.
TEST(Metafile, FixedMappingModesScaleToPhysicalUnits)
{
    const MappingCase cases[] = {
        {"lometric", 2, 254}, {"himetric", 3, 2540}, {"loenglish", 4, 100},
        {"hienglish", 5, 1000}, {"twips", 6, 1440},
    };
    for (const MappingCase& c : cases) {
        SCOPED_TRACE(c.name);
        // WMF: the box is 2 inches at 600 units per inch; EMF: a 2-inch frame on a
        // 600-pixel-per-inch device.
        WmfWriter wmf = WmfWriter::Placeable(0, 0, 1200, 1200, 600);
        EmfWriter emf(0, 0, 5080, 5080, 600, 254);
        wmf.SetMapMode(c.mapMode);
        emf.SetMapMode(c.mapMode);
        wmf.CreateBrush(0, kBlueRef);
        wmf.SelectObject(0);
        emf.CreateBrush(1, 0, kBlueRef);
        emf.SelectObject(1);
        wmf.CreatePen(5, 0, 0);  // no outline
        wmf.SelectObject(1);
        emf.SelectObject(0x80000008u);
        const int u = c.unitsPerInch;
        // The logical origin maps to the top-left corner; y is negative downwards. An old-style
        // box leaves out its last logical column and row (the top one, as y runs upwards).
        wmf.Rectangle(0, 1, u + 1, -u);
        emf.Rectangle(0, 0, u, -u);
        for (const auto& [name, bytes] : {std::pair{"wmf", wmf.Finish()}, std::pair{"emf", emf.Finish()}}) {
            SCOPED_TRACE(name);
            if (SkipOnSystemPlayer(std::string(name) == "emf" ? "fixed modes use the playback DC's resolution"
                                                              : "physical units from the display's whole millimetres")) {
                continue;
            }
            // 500 pixels an inch: the square covers exactly the top-left 500 x 500.
            const Rendered image = Render(bytes, 1000, 1000);
            EXPECT_EQ(image.Count(0, 0, 1000, 1000, [](Rgb p) { return p != kWhite; }), 500 * 500);
            EXPECT_EQ(image.At(499, 499), kBlue);
        }
    }
}

struct WindowCase {
    const char* name;
    int mapMode;
    int windowOrgX, windowOrgY, windowExtX, windowExtY;
    int viewportExtX, viewportExtY;  // in device units of the picture (0: leave the default)
    int rect[4];                     // logical
    int filledX, filledY;            // output pixel expected red
    int emptyX, emptyY;              // output pixel expected white
};

TEST(Metafile, WindowAndViewportMapLogicalUnits)
{
    const WindowCase cases[] = {
        // Window 0..1000 onto the picture: a logical half is half the image.
        {"anisotropic", 8, 0, 0, 1000, 1000, 1000, 1000, {0, 0, 500, 500}, 25, 25, 75, 75},
        // Window twice as large as the viewport: everything at half size.
        {"anisotropic-halved", 8, 0, 0, 2000, 2000, 1000, 1000, {0, 0, 1000, 1000}, 25, 25, 75, 75},
        // A flipped y extent puts logical y = 0 at the bottom.
        {"anisotropic-flipped", 8, 0, 1000, 1000, -1000, 1000, 1000, {0, 0, 500, 500}, 25, 75, 25, 25},
        // Window origin moved: logical 500 is the left edge.
        {"origin", 8, 500, 500, 1000, 1000, 1000, 1000, {500, 500, 1000, 1000}, 25, 25, 75, 75},
        // Isotropic keeps units square: 2000 x 1000 window in a square viewport scales by the
        // smaller factor, so the whole window fits the width and takes half the height.
        {"isotropic", 7, 0, 0, 2000, 1000, 1000, 1000, {0, 0, 2000, 1000}, 50, 25, 50, 75},
        // Anisotropic stretches the same window to the whole picture.
        {"anisotropic-stretch", 8, 0, 0, 2000, 1000, 1000, 1000, {0, 0, 2000, 500}, 50, 25, 50, 75},
        // Window and viewport extents are kept apart: x shrinks by 4, y by 2.
        {"unequal", 8, 0, 0, 4000, 2000, 1000, 1000, {0, 0, 2000, 1000}, 45, 45, 55, 55},
    };
    for (const WindowCase& c : cases) {
        SCOPED_TRACE(c.name);
        Pictures pictures;
        pictures.MapMode(c.mapMode);
        pictures.wmf.SetWindowOrg(c.windowOrgX, c.windowOrgY);
        pictures.wmf.SetWindowExt(c.windowExtX, c.windowExtY);
        pictures.wmf.SetViewportExt(c.viewportExtX, c.viewportExtY);
        pictures.emf.SetWindowOrg(c.windowOrgX, c.windowOrgY);
        pictures.emf.SetWindowExt(c.windowExtX, c.windowExtY);
        pictures.emf.SetViewportExt(c.viewportExtX, c.viewportExtY);
        pictures.SolidFill(kRedRef);
        pictures.Rectangle(c.rect[0], c.rect[1], c.rect[2], c.rect[3]);
        pictures.Check([&](const Rendered& image) {
            EXPECT_EQ(image.At(c.filledX, c.filledY), kRed);
            EXPECT_EQ(image.At(c.emptyX, c.emptyY), kWhite);
        }, "a file's viewport extent counts the converter's display pixels");
    }
}

TEST(Metafile, WorldTransformScalesAndMoves)
{
    EmfWriter emf(0, 0, 2540, 2540, 10000, 254);
    emf.CreateBrush(1, 0, kRedRef);
    emf.SelectObject(1);
    emf.SelectObject(0x80000008u);
    emf.SetWorldTransform({0.5f, 0, 0, 0.5f, 500, 0});
    emf.Rectangle(0, 0, 1000, 1000);  // lands at 500..1000 x 0..500
    const Rendered image = Render(emf.Finish());
    EXPECT_EQ(image.At(75, 25), kRed);
    EXPECT_EQ(image.At(25, 25), kWhite);
    EXPECT_EQ(image.At(75, 75), kWhite);
}

struct BrushCase {
    const char* name;
    int style;
    int hatch;
};

TEST(Metafile, BrushesFillSolidHatchedOrNothing)
{
    const BrushCase cases[] = {
        {"null", 1, 0},      {"horizontal", 2, 0}, {"vertical", 2, 1}, {"forward", 2, 2},
        {"backward", 2, 3},  {"cross", 2, 4},      {"diagcross", 2, 5},
    };
    for (const BrushCase& c : cases) {
        SCOPED_TRACE(c.name);
        Pictures pictures;
        pictures.BkMode(1);
        pictures.Brush(c.style, kBlueRef, c.hatch);
        pictures.Pen(0, 20, 0);  // a black outline 2 pixels wide
        pictures.Rectangle(200, 200, 800, 800);
        pictures.Check([&](const Rendered& image) {
            EXPECT_TRUE(IsInk(image.At(20, 50))) << image.At(20, 50);  // the outline
            const int inside = 50 * 50;
            const int blue = image.Count(25, 25, 75, 75, [](Rgb p) { return p.b > 200 && p.r < 100; });
            const int white = image.Count(25, 25, 75, 75, [](Rgb p) { return p == kWhite; });
            if (c.style == 1) {
                EXPECT_EQ(white, inside);
            } else {
                // Hatch lines on an untouched (transparent) background: a mix of both.
                EXPECT_GT(blue, inside / 16);
                EXPECT_GT(white, inside / 2);
                EXPECT_EQ(blue + white, inside);
            }
            EXPECT_EQ(image.At(10, 10), kWhite);
        });
    }
}

// A cross hatch inks exactly where its two line hatches do: horizontal and vertical for the
// cross, both diagonals for the diagonal cross.
TEST(Metafile, CrossHatchesAreTheirTwoLineHatches)
{
    const auto ink = [](int hatch) {
        WmfWriter wmf = WmfWriter::Placeable(0, 0, 1000, 1000, 1000);
        wmf.SetBkMode(1);
        wmf.CreateBrush(2, kBlueRef, hatch);
        wmf.SelectObject(0);
        wmf.CreatePen(5, 0, 0);
        wmf.SelectObject(1);
        wmf.Rectangle(0, 0, 1000, 1000);
        const Rendered image = Render(wmf.Finish());
        std::vector<bool> inked;
        for (int y = 10; y < 90; ++y) {
            for (int x = 10; x < 90; ++x) {
                inked.push_back(image.At(x, y) != kWhite);
            }
        }
        return inked;
    };
    for (const auto& [cross, first, second] : {std::tuple{4, 0, 1}, std::tuple{5, 2, 3}}) {
        SCOPED_TRACE(cross);
        const std::vector<bool> a = ink(first), b = ink(second), both = ink(cross);
        int wrong = 0;
        for (size_t i = 0; i < both.size(); ++i) {
            wrong += both[i] != (a[i] || b[i]);
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_NE(a, b);
    }
}

TEST(Metafile, HatchBackgroundFollowsBackgroundMode)
{
    Pictures pictures;
    pictures.wmf.SetBkMode(2);
    pictures.wmf.SetBkColor(ColorRef(0, 255, 0));
    pictures.wmf.CreateBrush(2, kBlueRef, 4);
    pictures.wmf.SelectObject(0);
    pictures.wmf.Rectangle(200, 200, 800, 800);
    const Rendered image = Render(pictures.wmf.Finish());
    EXPECT_EQ(image.Count(25, 25, 75, 75, [](Rgb p) { return p == kWhite; }), 0);
    EXPECT_GT(image.Count(25, 25, 75, 75, [](Rgb p) { return p == kGreen; }), 50 * 50 / 2);
}

// Shapes with the same bounding box: what lies at the centre, the box corners and the middle
// of each box edge.
struct ShapeCase {
    const char* name;
    std::function<void(WmfWriter&)> wmf;
    std::function<void(EmfWriter&)> emf;
    std::vector<std::pair<int, int>> filled;
    std::vector<std::pair<int, int>> empty;
};

TEST(Metafile, ShapesFillWhereTheyShould)
{
    const ShapeCase cases[] = {
        {"ellipse", [](WmfWriter& w) { w.Ellipse(100, 100, 900, 900); },
         [](EmfWriter& e) { e.Ellipse(100, 100, 900, 900); },
         {{50, 50}, {12, 50}, {50, 12}, {87, 50}}, {{12, 12}, {87, 87}, {12, 87}, {87, 12}}},
        {"roundrect", [](WmfWriter& w) { w.RoundRect(100, 100, 900, 900, 400, 400); },
         [](EmfWriter& e) { e.Record(44, {100, 100, 900, 900, 400, 400}); },
         {{50, 50}, {12, 50}, {50, 87}, {20, 20}}, {{11, 11}, {88, 88}}},
        // Pie from the right (start) counter-clockwise to the top (end): the top-right quarter.
        {"pie", [](WmfWriter& w) { w.ArcLike(0x081A, 100, 100, 900, 900, 900, 500, 500, 100); },
         [](EmfWriter& e) { e.ArcLike(47, 100, 100, 900, 900, 900, 500, 500, 100); },
         {{60, 40}, {75, 30}}, {{40, 40}, {40, 60}, {60, 60}}},
        // Chord over the same quarter: only the segment beyond the line from (900,500) to (500,100).
        {"chord", [](WmfWriter& w) { w.ArcLike(0x0830, 100, 100, 900, 900, 900, 500, 500, 100); },
         [](EmfWriter& e) { e.ArcLike(46, 100, 100, 900, 900, 900, 500, 500, 100); },
         {{75, 25}}, {{60, 40}, {40, 40}, {60, 60}}},
        {"polygon", [](WmfWriter& w) { w.Polygon({{500, 100}, {900, 900}, {100, 900}}); },
         [](EmfWriter& e) { e.Poly(3, {{500, 100}, {900, 900}, {100, 900}}); },
         {{50, 50}, {50, 85}}, {{20, 20}, {80, 20}}},
        {"polygon16", [](WmfWriter& w) { w.Polygon({{500, 100}, {900, 900}, {100, 900}}); },
         [](EmfWriter& e) { e.Poly(86, {{500, 100}, {900, 900}, {100, 900}}); },
         {{50, 50}, {50, 85}}, {{20, 20}, {80, 20}}},
        // Corners given the other way round describe the same box.
        {"reversed rectangle", [](WmfWriter& w) { w.Rectangle(900, 900, 100, 100); },
         [](EmfWriter& e) { e.Rectangle(900, 900, 100, 100); }, {{12, 12}, {87, 87}}, {{5, 5}, {95, 95}}},
        // Shapes without area draw nothing.
        {"flat ellipse", [](WmfWriter& w) { w.Ellipse(100, 500, 900, 500); },
         [](EmfWriter& e) { e.Ellipse(100, 500, 900, 500); }, {}, {{50, 50}, {50, 49}, {50, 51}}},
        {"empty rectangle", [](WmfWriter& w) { w.Rectangle(300, 300, 300, 700); },
         [](EmfWriter& e) { e.Rectangle(300, 300, 300, 700); }, {}, {{30, 50}, {29, 50}, {31, 50}}},
        {"two-point polygon", [](WmfWriter& w) { w.Polygon({{100, 100}, {900, 900}}); },
         [](EmfWriter& e) { e.Poly(3, {{100, 100}, {900, 900}}); }, {}, {{50, 50}, {20, 20}}},
    };
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        Pictures pictures;
        pictures.SolidFill(kRedRef);
        c.wmf(pictures.wmf);
        c.emf(pictures.emf);
        pictures.Check([&](const Rendered& image) {
            for (const auto& [x, y] : c.filled) {
                EXPECT_EQ(image.At(x, y), kRed) << x << "," << y;
            }
            for (const auto& [x, y] : c.empty) {
                EXPECT_EQ(image.At(x, y), kWhite) << x << "," << y;
            }
        });
    }
}

// Records that no other test draws with, one case each: where each puts ink and where it
// leaves the paper. Drawn with a red brush and a blue pen 4 pixels wide.
TEST(Metafile, EachRecordDrawsWhereItSays)
{
    struct RecordCase {
        const char* name;
        std::function<void(WmfWriter&)> wmf;  // one of the two
        std::function<void(EmfWriter&)> emf;
        std::vector<std::pair<int, int>> ink;
        std::vector<std::pair<int, int>> paper;
        const char* systemDiffers = nullptr;  // why the system's player draws it otherwise
    };
    const auto p16 = [](int x, int y) { return static_cast<int64_t>(x) | static_cast<int64_t>(y) << 16; };
    const auto degrees = [](float angle) { return static_cast<int64_t>(std::bit_cast<uint32_t>(angle)); };
    const auto rectangle = [](EmfWriter& e) { e.Rectangle(100, 100, 900, 900); };
    const RecordCase cases[] = {
        {"polyline to", {}, [](EmfWriter& e) { e.MoveTo(100, 500); e.Poly(6, {{900, 500}}); }, {{50, 50}}, {{50, 30}}},
        {"polyline to 16", {}, [](EmfWriter& e) { e.MoveTo(100, 500); e.Poly(89, {{900, 500}}); }, {{50, 50}}, {{50, 30}}},
        {"polyline 16", {}, [](EmfWriter& e) { e.Poly(87, {{100, 500}, {900, 500}}); }, {{50, 50}}, {{50, 30}}},
        {"bezier 16", {}, [](EmfWriter& e) { e.Poly(85, {{100, 500}, {300, 500}, {700, 500}, {900, 500}}); },
         {{50, 50}}, {{50, 30}}},
        {"bezier to 16", {}, [](EmfWriter& e) { e.MoveTo(100, 500); e.Poly(88, {{300, 500}, {700, 500}, {900, 500}}); },
         {{50, 50}}, {{50, 30}}},
        {"poly-polyline", {}, [](EmfWriter& e) { e.Record(7, {0, 0, 1000, 1000, 2, 4, 2, 2, 100, 300, 900, 300, 100, 700, 900, 700}); },
         {{50, 30}, {50, 70}}, {{50, 50}}},
        {"poly-polyline 16", {},
         [&](EmfWriter& e) { e.Record(90, {0, 0, 1000, 1000, 2, 4, 2, 2, p16(100, 300), p16(900, 300), p16(100, 700), p16(900, 700)}); },
         {{50, 30}, {50, 70}}, {{50, 50}}},
        {"exclude clip", {}, [&](EmfWriter& e) { e.Record(29, {0, 0, 500, 1000}); rectangle(e); }, {{70, 50}}, {{30, 50}}},
        {"select clip path", {},
         [&](EmfWriter& e) { e.BeginPath(); e.Rectangle(0, 0, 500, 1000); e.EndPath(); e.Record(67, {1}); rectangle(e); },
         {{30, 50}}, {{70, 50}}},
        {"clip reset", {}, [&](EmfWriter& e) { e.IntersectClipRect(0, 0, 500, 1000); e.Record(75, {0, 5}); rectangle(e); },
         {{30, 50}, {70, 50}}, {}},
        {"abort path", {}, [](EmfWriter& e) { e.BeginPath(); e.Rectangle(100, 100, 900, 900); e.EndPath(); e.Record(68, {}); e.FillPath(); },
         {}, {{50, 50}, {10, 50}}},
        {"scale viewport", {},
         [](EmfWriter& e) { e.SetMapMode(8); e.SetWindowExt(1000, 1000); e.SetViewportExt(1000, 1000);
                            e.Record(31, {1, 2, 1, 2}); e.Rectangle(0, 0, 1000, 1000); },
         {{25, 25}}, {{75, 75}, {25, 75}}},
        {"scale window", {},
         [](EmfWriter& e) { e.SetMapMode(8); e.SetWindowExt(1000, 1000); e.SetViewportExt(1000, 1000);
                            e.Record(32, {2, 1, 2, 1}); e.Rectangle(0, 0, 1000, 1000); },
         {{25, 25}}, {{75, 75}, {75, 25}}},
        {"clockwise arc", {},
         [](EmfWriter& e) { e.Record(57, {2}); e.ArcLike(45, 100, 100, 900, 900, 900, 500, 500, 100); },
         {{50, 89}, {10, 50}}, {{78, 21}, {50, 50}}},
        {"arc to", {}, [](EmfWriter& e) { e.MoveTo(500, 500); e.ArcLike(55, 100, 100, 900, 900, 900, 500, 500, 100); },
         {{70, 50}, {78, 21}}, {{50, 89}}},
        {"angle arc", {},
         [&](EmfWriter& e) { e.MoveTo(500, 500); e.Record(41, {500, 500, 400, degrees(0), degrees(90)}); },
         {{70, 50}, {50, 11}}, {{50, 89}, {30, 50}}},
        {"transform with infinity ignored", {},
         [&](EmfWriter& e) { e.SetWorldTransform({1, 0, 0, std::numeric_limits<float>::infinity(), 0, 0}); rectangle(e); },
         {{50, 50}}, {{5, 5}}, "a transform with infinity stops drawing"},
        {"transform with NaN ignored", {},
         [&](EmfWriter& e) { e.SetWorldTransform({std::numeric_limits<float>::quiet_NaN(), 0, 0, 1, 0, 0}); rectangle(e); },
         {{50, 50}}, {{5, 5}}, "a transform with NaN stops drawing"},
        {"user-style dashes", {},
         [](EmfWriter& e) { e.ExtCreatePen(5, 0x10000 | 0x200 | 7, 100, kBlueRef, {300, 300}); e.SelectObject(5);
                            e.MoveTo(0, 500); e.LineTo(1000, 500); },
         {{15, 50}, {75, 50}}, {{45, 50}}, "user-style dashes are not drawn as given"},
        {"all-zero dashes draw solid", {},
         [](EmfWriter& e) { e.ExtCreatePen(5, 0x10000 | 0x200 | 7, 100, kBlueRef, {0, 0}); e.SelectObject(5);
                            e.MoveTo(0, 500); e.LineTo(1000, 500); },
         {{15, 50}, {45, 50}, {75, 50}}, {{50, 40}}},
        {"pixel", [](WmfWriter& w) { w.Record(0x041F, {0x00FF, 0x0000, 500, 500}); }, {},
         {{50, 50}}, {{45, 50}, {50, 45}}},
        // ExtTextOut with ETO_OPAQUE: the rectangle takes the background colour (green).
        {"opaque text rectangle",
         [](WmfWriter& w) { w.SetBkColor(ColorRef(0, 255, 0)); w.Record(0x0A32, {400, 400, 1, 2, 100, 100, 900, 300, 'x'}); }, {},
         {{70, 20}, {15, 15}}, {{50, 50}, {5, 20}}},
        {"offset window origin", [](WmfWriter& w) { w.Record(0x020F, {0, 500}); w.Rectangle(500, 100, 1000, 900); }, {},
         {{25, 50}}, {{75, 50}}},
        {"scale viewport", [](WmfWriter& w) { w.Record(0x0412, {2, 1, 2, 1}); w.Rectangle(0, 0, 1000, 1000); }, {},
         {{25, 25}}, {{75, 75}, {25, 75}}},
        {"scale window", [](WmfWriter& w) { w.Record(0x0410, {1, 2, 1, 2}); w.Rectangle(0, 0, 1000, 1000); }, {},
         {{25, 25}}, {{75, 75}, {75, 25}}},
        {"exclude clip", [](WmfWriter& w) { w.Record(0x0415, {1000, 500, 0, 0}); w.Rectangle(100, 100, 900, 900); }, {},
         {{70, 50}}, {{30, 50}}},
        {"arc", [](WmfWriter& w) { w.ArcLike(0x0817, 100, 100, 900, 900, 900, 500, 500, 100); }, {},
         {{78, 21}}, {{50, 89}, {50, 50}}},
        {"pattern fill", [](WmfWriter& w) { w.Record(0x061D, {0x0021, 0x00F0, 500, 500, 0, 0}); }, {},
         {{25, 25}}, {{75, 75}, {75, 25}}},
    };
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.systemDiffers != nullptr && SkipOnSystemPlayer(c.systemDiffers)) {
            continue;
        }
        Pictures pictures;
        pictures.Brush(0, kRedRef);
        pictures.Pen(0, 40, kBlueRef);
        c.wmf ? c.wmf(pictures.wmf) : c.emf(pictures.emf);
        const Rendered image = Render(c.wmf ? pictures.wmf.Finish() : pictures.emf.Finish());
        for (const auto& [x, y] : c.ink) {
            EXPECT_NE(image.At(x, y), kWhite) << x << "," << y;
        }
        for (const auto& [x, y] : c.paper) {
            EXPECT_EQ(image.At(x, y), kWhite) << x << "," << y;
        }
    }
}

// Curved shapes cover their area: an ellipse pi/4 of its box, a rounded rectangle its box less
// the four corners outside quarter ellipses, a pie a quarter of the ellipse one pixel narrower
// than its box. Antialiased edges count half.
TEST(Metafile, CurvedShapesCoverTheirArea)
{
    const double pi = std::acos(-1.0);
    const struct {
        const char* name;
        std::function<void(WmfWriter&)> wmf;
        std::function<void(EmfWriter&)> emf;
        double area;  // pixels
        const char* systemDiffers = nullptr;
    } cases[] = {
        {"ellipse", [](WmfWriter& w) { w.Ellipse(100, 200, 900, 800); }, [](EmfWriter& e) { e.Ellipse(100, 200, 900, 800); },
         pi / 4 * 80 * 60},
        {"roundrect", [](WmfWriter& w) { w.RoundRect(100, 100, 900, 900, 400, 200); },
         [](EmfWriter& e) { e.Record(44, {100, 100, 900, 900, 400, 200}); }, 80 * 80 - (4 - pi) * 20 * 10},
        {"pie", [](WmfWriter& w) { w.ArcLike(0x081A, 100, 100, 900, 900, 900, 500, 500, 100); },
         [](EmfWriter& e) { e.ArcLike(47, 100, 100, 900, 900, 900, 500, 500, 100); }, pi * 39.5 * 39.5 / 4,
         "a pie's area is more than 1% off"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Pictures pictures;
        pictures.SolidFill(kRedRef);
        c.wmf(pictures.wmf);
        c.emf(pictures.emf);
        pictures.Check([&](const Rendered& image) {
            const int full = image.Count(0, 0, 100, 100, [](Rgb p) { return p == kRed; });
            const int edge = image.Count(0, 0, 100, 100, [](Rgb p) { return p != kRed && p != kWhite; });
            EXPECT_NEAR(full + edge / 2.0, c.area, 0.01 * c.area) << full << " full, " << edge << " edge";
        }, c.systemDiffers, c.systemDiffers);
    }
}

TEST(Metafile, PolyFillModeDecidesNestedPolygons)
{
    const std::vector<std::vector<zv::samples::IntPoint>> nested = {
        {{100, 100}, {900, 100}, {900, 900}, {100, 900}},
        {{300, 300}, {700, 300}, {700, 700}, {300, 700}},
    };
    for (int mode : {1, 2}) {
        SCOPED_TRACE(mode == 1 ? "alternate" : "winding");
        Pictures pictures;
        pictures.SolidFill(kRedRef);
        pictures.wmf.SetPolyFillMode(mode);
        pictures.emf.SetPolyFillMode(mode);
        pictures.wmf.PolyPolygon(nested);
        pictures.emf.PolyPolygon(nested);
        pictures.Check([&](const Rendered& image) {
            EXPECT_EQ(image.At(20, 50), kRed);
            EXPECT_EQ(image.At(50, 50), mode == 1 ? kWhite : kRed);
        });
    }
}

// A two-point polygon of a poly-polygon has no inside, but its outline is drawn.
TEST(Metafile, PolyPolygonOutlinesTwoPointPolygons)
{
    Pictures pictures;
    pictures.Pen(0, 40, kBlueRef);
    pictures.wmf.PolyPolygon({{{100, 500}, {900, 500}}, {{0, 0}}});
    pictures.emf.PolyPolygon({{{100, 500}, {900, 500}}, {{0, 0}}});
    const char* const differs = "a two-point polygon draws no outline";
    pictures.Check([](const Rendered& image) {
        EXPECT_EQ(image.At(50, 50), kBlue);
        EXPECT_EQ(image.At(50, 40), kWhite);
    }, differs, differs);
}

TEST(Metafile, LinesUseThePenWidthAndStyle)
{
    for (int style : {0, 1, 2, 3, 4, 5}) {
        SCOPED_TRACE(style);
        Pictures pictures;
        pictures.Pen(style, style == 0 ? 60 : 0, kBlueRef);
        pictures.Line(0, 500, 1000, 500);
        pictures.Check([&](const Rendered& image) {
            const auto isBlue = [](Rgb p) { return p.b > 100 && p.r < 200 && p != kWhite; };
            const int onLine = image.Count(0, 49, 100, 51, isBlue);
            EXPECT_EQ(image.At(50, 20), kWhite);
            if (style == 0) {
                // 60 logical units are 6 pixels: rows 47..52 are solid blue.
                EXPECT_EQ(image.At(50, 48), kBlue);
                EXPECT_EQ(image.At(50, 52), kBlue);
                EXPECT_EQ(image.At(50, 45), kWhite);
            } else if (style == 5) {
                EXPECT_EQ(onLine, 0);
            } else {
                // Dashed or dotted: ink and gaps along the line.
                EXPECT_GT(onLine, 20);
                EXPECT_LT(image.Count(0, 49, 100, 50, isBlue), 90);
            }
        });
    }
}

TEST(Metafile, GeometricPenCapsEndWhereAsked)
{
    struct CapCase {
        const char* name;
        int style;
        bool inkBeyondEnd;
    };
    for (const CapCase& c : {CapCase{"flat", 0x10000 | 0x200, false}, CapCase{"square", 0x10000 | 0x100, true},
                             CapCase{"round", 0x10000, true}}) {
        SCOPED_TRACE(c.name);
        if (SkipOnSystemPlayer("a geometric pen draws black with flat caps")) {
            continue;
        }
        EmfWriter emf(0, 0, 2540, 2540, 10000, 254);
        emf.ExtCreatePen(1, c.style, 200, kBlueRef);
        emf.SelectObject(1);
        emf.MoveTo(200, 500);
        emf.LineTo(600, 500);
        const Rendered image = Render(emf.Finish());
        EXPECT_EQ(image.At(40, 50), kBlue);
        EXPECT_EQ(image.At(62, 50) != kWhite, c.inkBeyondEnd);
        EXPECT_EQ(image.At(80, 50), kWhite);
    }
}

TEST(Metafile, RestoreDcBringsBackThePen)
{
    Pictures pictures;
    pictures.wmf.CreatePen(0, 100, kRedRef);
    pictures.wmf.CreatePen(0, 100, kBlueRef);
    pictures.wmf.SelectObject(0);
    pictures.wmf.SaveDc();
    pictures.wmf.SelectObject(1);
    pictures.wmf.RestoreDc(-1);
    pictures.wmf.MoveTo(0, 500);
    pictures.wmf.LineTo(1000, 500);
    pictures.emf.CreatePen(1, 0, 100, kRedRef);
    pictures.emf.CreatePen(2, 0, 100, kBlueRef);
    pictures.emf.SelectObject(1);
    pictures.emf.SaveDc();
    pictures.emf.SelectObject(2);
    pictures.emf.SetMapMode(3);  // restored too, or the line would land elsewhere
    pictures.emf.RestoreDc(-1);
    pictures.emf.MoveTo(0, 500);
    pictures.emf.LineTo(1000, 500);
    for (const auto& [name, bytes] : pictures.Files()) {
        SCOPED_TRACE(name);
        const Rendered image = Render(bytes);
        EXPECT_EQ(image.At(50, 50), kRed);
    }
}

TEST(Metafile, ClipRectangleLimitsDrawing)
{
    Pictures pictures;
    pictures.SolidFill(kRedRef);
    pictures.wmf.IntersectClipRect(0, 0, 500, 1000);
    pictures.emf.IntersectClipRect(0, 0, 500, 1000);
    pictures.Rectangle(100, 100, 900, 900);
    pictures.Check([](const Rendered& image) {
        EXPECT_EQ(image.At(30, 50), kRed);
        EXPECT_EQ(image.At(70, 50), kWhite);
    });
}

TEST(Metafile, EmfPathsWithBeziersFillAndStroke)
{
    // A circle of four Bézier quarters around (500, 500), radius 400.
    const double k = 0.5523 * 400;
    const auto kk = static_cast<int>(k);
    const std::vector<zv::samples::IntPoint> circle = {
        {900, 500 + kk}, {500 + kk, 900}, {500, 900}, {500 - kk, 900}, {100, 500 + kk}, {100, 500},
        {100, 500 - kk}, {500 - kk, 100}, {500, 100}, {500 + kk, 100}, {900, 500 - kk}, {900, 500}};
    for (const char* operation : {"fill", "stroke", "strokefill"}) {
        SCOPED_TRACE(operation);
        EmfWriter emf(0, 0, 2540, 2540, 10000, 254);
        emf.CreateBrush(1, 0, kRedRef);
        emf.SelectObject(1);
        emf.CreatePen(2, 0, 40, kBlueRef);
        emf.SelectObject(2);
        emf.BeginPath();
        emf.MoveTo(900, 500);
        emf.Poly(5, circle);
        emf.CloseFigure();
        emf.EndPath();
        const std::string op = operation;
        if (op == "fill") {
            emf.FillPath();
        } else if (op == "stroke") {
            emf.StrokePath();
        } else {
            emf.StrokeAndFillPath();
        }
        const Rendered image = Render(emf.Finish());
        EXPECT_EQ(image.At(50, 50), op == "stroke" ? kWhite : kRed);
        EXPECT_EQ(image.At(11, 50), op == "fill" ? kRed : kBlue);  // just inside the left edge
        EXPECT_EQ(image.At(15, 15), kWhite);
        EXPECT_EQ(image.At(85, 85), kWhite);
    }
}

TEST(Metafile, PolyBezierDrawsACurveThroughItsEnds)
{
    EmfWriter emf(0, 0, 2540, 2540, 10000, 254);
    emf.CreatePen(1, 0, 40, kBlueRef);
    emf.SelectObject(1);
    emf.Poly(2, {{100, 900}, {100, 100}, {900, 100}, {900, 900}});
    const Rendered image = Render(emf.Finish());
    EXPECT_EQ(image.At(10, 89), kBlue);
    EXPECT_EQ(image.At(50, 30), kBlue);  // the curve's top: (500, 300) at t = 1/2
    EXPECT_EQ(image.At(50, 60), kWhite);
}

// Bounds of the non-white pixels.
struct InkBox {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
};

InkBox InkBounds(const Rendered& image)
{
    InkBox box;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (IsNotWhite(image.At(x, y))) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
        }
    }
    return box;
}

TEST(Metafile, TextEscapementRotatesTheInk)
{
    for (int escapement : {0, 900, 2700}) {
        SCOPED_TRACE(escapement);
        Pictures pictures;
        pictures.Font(-100, escapement, 400, "Arial");
        pictures.BkMode(1);
        pictures.wmf.TextOut(500, 500, "HHHH");
        pictures.emf.ExtTextOutW(500, 500, u"HHHH");
        pictures.Check([&](const Rendered& image) {
            const InkBox box = InkBounds(image);
            ASSERT_GE(box.right, 0) << "no ink: is any font installed?";
            // The reference point (50, 50) is the top-left of unrotated text.
            if (escapement == 0) {
                EXPECT_GT(box.Width(), 2 * box.Height());
                EXPECT_GE(box.left, 49);
                EXPECT_GE(box.top, 49);
            } else if (escapement == 900) {
                // Reads upwards; the text's top faces left, so the glyphs lie right of x = 50.
                EXPECT_GT(box.Height(), 2 * box.Width());
                EXPECT_LE(box.bottom, 51);
                EXPECT_GE(box.left, 49);
            } else {
                EXPECT_GT(box.Height(), 2 * box.Width());
                EXPECT_GE(box.top, 49);
                EXPECT_LE(box.right, 51);
            }
        });
    }
}

TEST(Metafile, TextAdvancesAlignmentAndColour)
{
    // With explicit advances of 200 units a four-letter text spans 800 units = 80 pixels,
    // whatever the font's own widths; right alignment ends it at the reference point.
    Pictures pictures;
    pictures.Font(-100, 0, 700, "Times New Roman");
    pictures.BkMode(1);
    pictures.wmf.SetTextColor(kRedRef);
    pictures.wmf.SetTextAlign(2 | 24);  // right, baseline
    pictures.wmf.ExtTextOut(900, 500, "IIII", {200, 200, 200, 200});
    pictures.emf.SetTextColor(kRedRef);
    pictures.emf.SetTextAlign(2 | 24);
    pictures.emf.ExtTextOutW(900, 500, u"IIII", {200, 200, 200, 200});
    pictures.Check([](const Rendered& image) {
        const InkBox box = InkBounds(image);
        ASSERT_GE(box.right, 0);
        EXPECT_LE(box.right, 90);
        EXPECT_GE(box.left, 9);
        EXPECT_LE(box.left, 20);
        EXPECT_GT(box.Width(), 55);
        EXPECT_LE(box.bottom, 51);  // baseline alignment: glyphs sit on y = 50
        EXPECT_GT(image.Count(0, 0, 100, 100, [](Rgb p) { return p.r > 200 && p.g < 80; }), 10);
    });
}

// Advances wider than a byte: the second letter starts 600 units (60 pixels) after the first.
TEST(Metafile, TextAdvancesAreReadWhole)
{
    Pictures pictures;
    pictures.Font(-100, 0, 400, "Arial");
    pictures.BkMode(1);
    pictures.wmf.ExtTextOut(100, 450, "II", {600, 600});
    pictures.emf.ExtTextOutW(100, 450, u"II", {600, 600});
    pictures.Check([](const Rendered& image) {
        const InkBox box = InkBounds(image);
        ASSERT_GE(box.right, 0);
        EXPECT_NEAR(box.left, 11, 2);
        EXPECT_NEAR(box.right, 71, 2);
    });
}

// Weight and slant show in the ink: bold letters cover more of the paper, italic ones lean
// wider than upright.
TEST(Metafile, FontWeightAndSlantShowInTheInk)
{
    const auto render = [](int weight, bool italic) {
        WmfWriter wmf = WmfWriter::Placeable(0, 0, 1000, 1000, 1000);
        wmf.CreateFont(-600, 0, weight, italic, "DejaVu Sans");
        wmf.SelectObject(0);
        wmf.SetBkMode(1);
        wmf.TextOut(300, 200, "l");
        return Render(wmf.Finish());
    };
    if (SkipOnSystemPlayer("text in DejaVu Sans draws no ink")) {
        return;
    }
    const Rendered regular = render(400, false);
    const auto ink = [](const Rendered& image) { return image.Count(0, 0, 100, 100, IsInk); };
    EXPECT_GT(ink(render(700, false)), ink(regular) * 5 / 4);
    EXPECT_GT(InkBounds(render(400, true)).Width(), InkBounds(regular).Width() + 3);
}

TEST(Metafile, OpaqueTextBackgroundUsesBackgroundColour)
{
    WmfWriter wmf = WmfWriter::Placeable(0, 0, 1000, 1000, 1000);
    wmf.CreateFont(-200, 0, 400, false, "Arial");
    wmf.SelectObject(0);
    wmf.SetBkMode(2);
    wmf.SetBkColor(ColorRef(0, 255, 0));
    wmf.TextOut(100, 100, "x");
    const Rendered image = Render(wmf.Finish());
    if (!SkipOnSystemPlayer("an opaque text background is not painted")) {
        EXPECT_GT(image.Count(0, 0, 100, 100, [](Rgb p) { return p == kGreen; }), 20);
    }
}

// A 4 x 4 bitmap with quadrants red (top left), green (top right), blue (bottom left) and
// yellow (bottom right).
std::vector<uint8_t> QuadrantPixels()
{
    std::vector<uint8_t> rgb;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const Rgb c = y < 2 ? (x < 2 ? kRed : kGreen) : (x < 2 ? kBlue : kYellow);
            rgb.push_back(static_cast<uint8_t>(c.r));
            rgb.push_back(static_cast<uint8_t>(c.g));
            rgb.push_back(static_cast<uint8_t>(c.b));
        }
    }
    return rgb;
}

TEST(Metafile, BitmapBlitsLandInTheDestination)
{
    for (int bits : {4, 8, 24}) {
        SCOPED_TRACE(bits);
        const std::vector<uint8_t> dib = zv::samples::MakeDib(4, 4, QuadrantPixels(), bits);
        Pictures pictures;
        pictures.wmf.StretchDib(250, 250, 500, 500, 0, 0, 4, 4, dib);
        pictures.emf.StretchDiBits(250, 250, 500, 500, 0, 0, 4, 4, dib);
        pictures.Check([](const Rendered& image) {
            EXPECT_EQ(image.At(30, 30), kRed);
            EXPECT_EQ(image.At(70, 30), kGreen);
            EXPECT_EQ(image.At(30, 70), kBlue);
            EXPECT_EQ(image.At(70, 70), kYellow);
            EXPECT_EQ(image.At(20, 50), kWhite);
            EXPECT_EQ(image.At(80, 50), kWhite);
            EXPECT_EQ(image.At(50, 80), kWhite);
        });
    }
}

TEST(Metafile, BitmapSourceRectangleFollowsRowOrder)
{
    // StretchDIBits counts the source y from the bottom row of a bottom-up bitmap; the blits
    // from the top. All pick the green top-right quadrant here.
    const std::vector<uint8_t> dib = zv::samples::MakeDib(4, 4, QuadrantPixels(), 24);
    Pictures pictures;
    pictures.wmf.StretchDib(0, 0, 1000, 1000, 2, 2, 2, 2, dib);
    pictures.emf.StretchDiBits(0, 0, 1000, 1000, 2, 2, 2, 2, dib);
    EmfWriter bitBlt(0, 0, 2540, 2540, 10000, 254);
    bitBlt.SetMapMode(8);
    bitBlt.SetWindowExt(2, 2);
    bitBlt.SetViewportExt(1000, 1000);
    bitBlt.BitBlt(0, 0, 2, 2, 2, 0, dib);
    WmfWriter stretchBlt = WmfWriter::Placeable(0, 0, 1000, 1000, 1000);
    stretchBlt.DibStretchBlt(0, 0, 1000, 1000, 2, 0, 2, 2, dib);
    WmfWriter wmfBitBlt = WmfWriter::Placeable(0, 0, 2, 2, 1000);
    wmfBitBlt.DibBitBlt(0, 0, 2, 2, 2, 0, dib);
    auto files = pictures.Files();
    files.emplace_back("emf-bitblt", bitBlt.Finish());
    files.emplace_back("wmf-dibstretchblt", stretchBlt.Finish());
    files.emplace_back("wmf-dibbitblt", wmfBitBlt.Finish());
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        if (std::string_view(name).starts_with("wmf-dib") && SkipOnSystemPlayer("WMF DIB blits pick other source rows")) {
            continue;
        }
        const Rendered image = Render(bytes);
        EXPECT_EQ(image.At(50, 50), kGreen);
        EXPECT_EQ(image.At(5, 5), kGreen);
        EXPECT_EQ(image.At(95, 95), kGreen);
    }
}

// Blits without a destination size: BitBlt's destination is as wide and as high as its source
// rectangle; SetDIBitsToDevice counts its source rows from the bottom.
TEST(Metafile, BlitsWithoutADestinationSizeKeepTheSourceShape)
{
    const std::vector<uint8_t> dib = zv::samples::MakeDib(4, 4, QuadrantPixels(), 24);
    const auto picture = [](const std::function<void(EmfWriter&)>& blit) {
        EmfWriter emf(0, 0, 2540, 2540, 10000, 254);
        emf.SetMapMode(8);
        emf.SetWindowExt(4, 4);
        emf.SetViewportExt(1000, 1000);
        blit(emf);
        return Render(emf.Finish());
    };
    const Rendered bitBlt = picture([&](EmfWriter& e) { e.BitBlt(0, 0, 4, 2, 0, 0, dib); });
    EXPECT_EQ(bitBlt.At(25, 25), kRed);
    EXPECT_EQ(bitBlt.At(75, 25), kGreen);
    EXPECT_EQ(bitBlt.At(25, 75), kWhite);
    if (SkipOnSystemPlayer("this SetDIBitsToDevice draws nothing")) {
        return;
    }
    const Rendered toDevice = picture([&](EmfWriter& e) {
        const auto [info, bits] = zv::samples::SplitDib(dib);
        zv::samples::ByteWriter record;
        for (uint32_t value : {0u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 4u, 2u, 76u, static_cast<uint32_t>(info.size()),
                               static_cast<uint32_t>(76 + info.size()), static_cast<uint32_t>(bits.size()), 0u, 0u, 4u}) {
            record.U32LE(value);
        }
        e.RecordBytes(80, record.Append(info).Append(bits).Take());
    });
    EXPECT_EQ(toDevice.At(25, 25), kBlue);
    EXPECT_EQ(toDevice.At(75, 25), kYellow);
    EXPECT_EQ(toDevice.At(25, 75), kWhite);
}

// A 32-bit bitmap stores blue, green, red and an unused byte per pixel.
TEST(Metafile, ThirtyTwoBitBitmapsBlit)
{
    zv::samples::ByteWriter dib;
    dib.U32LE(40).U32LE(4).U32LE(4).U16LE(1).U16LE(32).U32LE(0).U32LE(64).Fill(16, 0);
    const std::vector<uint8_t> rgb = QuadrantPixels();
    for (int y = 3; y >= 0; --y) {
        for (int x = 0; x < 4; ++x) {
            const uint8_t* p = &rgb[static_cast<size_t>(y * 4 + x) * 3];
            dib.U8(p[2]).U8(p[1]).U8(p[0]).U8(0);
        }
    }
    WmfWriter wmf = WmfWriter::Placeable(0, 0, 1000, 1000, 1000);
    wmf.StretchDib(0, 0, 1000, 1000, 0, 0, 4, 4, dib.Take());
    if (SkipOnSystemPlayer("a 32-bit WMF StretchDIB is drawn in one colour")) {
        return;
    }
    const Rendered image = Render(wmf.Finish());
    EXPECT_EQ(image.At(25, 25), kRed);
    EXPECT_EQ(image.At(75, 25), kGreen);
    EXPECT_EQ(image.At(25, 75), kBlue);
    EXPECT_EQ(image.At(75, 75), kYellow);
}

TEST(Metafile, MonochromeBitmapUsesItsPalette)
{
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 16; ++i) {
        const Rgb c = (i % 2 == 0) ? kRed : kBlue;
        rgb.insert(rgb.end(), {static_cast<uint8_t>(c.r), static_cast<uint8_t>(c.g), static_cast<uint8_t>(c.b)});
    }
    const std::vector<uint8_t> dib = zv::samples::MakeDib(4, 4, rgb, 1);
    WmfWriter wmf = WmfWriter::Placeable(0, 0, 1000, 1000, 1000);
    wmf.StretchDib(0, 0, 1000, 1000, 0, 0, 4, 4, dib);
    if (SkipOnSystemPlayer("a 1-bit WMF StretchDIB is drawn in one colour")) {
        return;
    }
    const Rendered image = Render(wmf.Finish());
    EXPECT_EQ(image.At(12, 50), kRed);
    EXPECT_EQ(image.At(37, 50), kBlue);
    EXPECT_EQ(image.At(62, 50), kRed);
    EXPECT_EQ(image.At(87, 50), kBlue);
}

// --- sizes ---------------------------------------------------------------------------------

struct SizeCase {
    const char* name;
    int wantedWidth, wantedHeight;
    int expectedWidth, expectedHeight;
};

TEST(Metafile, WantedSizeOrNaturalSizeKeepingAspect)
{
    // A placeable WMF 4 x 2 inches at 96 dpi: 384 x 192; an EMF of 50.8 x 25.4 mm: 192 x 96.
    WmfWriter wmf = WmfWriter::Placeable(0, 0, 4000, 2000, 1000);
    wmf.Rectangle(0, 0, 4000, 2000);
    EmfWriter emf(0, 0, 5080, 2540, 1000, 254);
    emf.Rectangle(0, 0, 100, 100);
    const SizeCase wmfCases[] = {
        {"natural", 0, 0, 384, 192},    {"negative", -5, -1, 384, 192},
        {"width", 100, 0, 100, 50},     {"height", -1, 100, 200, 100},
        {"both", 33, 77, 33, 77},
    };
    for (const SizeCase& c : wmfCases) {
        SCOPED_TRACE(c.name);
        const Rendered image = Render(wmf.Finish(), c.wantedWidth, c.wantedHeight);
        EXPECT_EQ(image.width, c.expectedWidth);
        EXPECT_EQ(image.height, c.expectedHeight);
    }
    const Rendered natural = Render(emf.Finish(), 0, 0);
    EXPECT_EQ(natural.width, 192);
    EXPECT_EQ(natural.height, 96);
    const Rendered byHeight = Render(emf.Finish(), 0, 48);
    EXPECT_EQ(byHeight.width, 96);
}

TEST(Metafile, PlainWmfSizeFromWindowOrDrawing)
{
    WmfWriter windowed = WmfWriter::Plain();
    windowed.SetMapMode(8);
    windowed.SetWindowOrg(100, 100);
    windowed.SetWindowExt(300, 150);
    windowed.CreateBrush(0, kRedRef);
    windowed.SelectObject(0);
    windowed.Rectangle(100, 100, 250, 250);  // the left half of the window
    const Rendered image = Render(windowed.Finish(), 0, 0);
    EXPECT_EQ(image.width, 300);
    EXPECT_EQ(image.height, 150);
    EXPECT_EQ(image.At(50, 75), kRed);
    EXPECT_EQ(image.At(250, 75), kWhite);

    // Without a window, the drawing's own bounds frame the picture.
    WmfWriter bare = WmfWriter::Plain();
    bare.CreateBrush(0, kRedRef);
    bare.SelectObject(0);
    bare.CreatePen(5, 0, 0);
    bare.SelectObject(1);
    bare.Rectangle(40, 60, 120, 100);
    const Rendered framed = Render(bare.Finish(), 0, 0);
    EXPECT_EQ(framed.width, 80);
    EXPECT_EQ(framed.height, 40);
    // An old-style box leaves out its last column and row.
    EXPECT_EQ(framed.Count(0, 0, 80, 40, [](Rgb p) { return p == kRed; }), 79 * 39);
}

TEST(Metafile, SizeBeyondTheLimitsFails)
{
    WmfWriter wmf = WmfWriter::Placeable(0, 0, 100, 100, 96);
    wmf.Rectangle(0, 0, 50, 50);
    Outcome tooWide = RenderBytes(wmf.Finish(), 40000, 10);
    EXPECT_FALSE(tooWide.image);
    EXPECT_EQ(tooWide.error, zv::imaging::kErrOutOfMemory);

    zv::platform::SetAllocationLimit(100 * 100 * 4);
    Outcome overLimit = RenderBytes(wmf.Finish(), 200, 200);
    EXPECT_FALSE(overLimit.image);
    EXPECT_EQ(overLimit.error, zv::imaging::kErrOutOfMemory);
    // A derived size shrinks, keeping its aspect, until it fits.
    WmfWriter big = WmfWriter::Placeable(0, 0, 30000, 15000, 96);
    Outcome derived = RenderBytes(big.Finish(), 0, 0);
    zv::platform::SetAllocationLimit(0);
    ASSERT_TRUE(derived.image);
    EXPECT_LE(static_cast<int64_t>(derived.image->width) * derived.image->height * 4, 100 * 100 * 4);
    EXPECT_NEAR(static_cast<double>(derived.image->width) / derived.image->height, 2.0, 0.05);
}

TEST(Metafile, DerivedSidesAreCapped)
{
    WmfWriter huge = WmfWriter::Placeable(-32000, 0, 32000, 1000, 96);
    huge.Rectangle(0, 0, 10, 10);
    const Rendered image = Render(huge.Finish(), 0, 0);
    EXPECT_EQ(image.width, 16384);
    EXPECT_EQ(image.height, 256);

    // A frame of 25600 x 15360 pixels, claimed by a header alone, renders at 16 megapixels.
    WmfWriter vast = WmfWriter::Placeable(0, 0, 25600, 15360, 96);
    vast.Rectangle(0, 0, 10, 10);
    const Rendered bounded = Render(vast.Finish(), 0, 0);
    EXPECT_LE(static_cast<int64_t>(bounded.width) * bounded.height, 16 * 1024 * 1024);
    EXPECT_GT(static_cast<int64_t>(bounded.width) * bounded.height, 15 * 1024 * 1024);
    EXPECT_NEAR(static_cast<double>(bounded.width) / bounded.height, 25600.0 / 15360.0, 0.01);
}

// --- corpus --------------------------------------------------------------------------------

int16_t Short(const std::vector<uint8_t>& bytes, size_t at)
{
    return static_cast<int16_t>(bytes[at] | (bytes[at + 1] << 8));
}

int32_t Long(const std::vector<uint8_t>& bytes, size_t at)
{
    return static_cast<int32_t>(bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
                                (static_cast<uint32_t>(bytes[at + 3]) << 24));
}

TEST(Metafile, CorpusMetafilesRenderTheirShapes)
{
    const auto corpus = zv::test::CorpusDir();
    if (!corpus) {
        GTEST_SKIP() << "corpus absent";
    }
    const auto files = zv::test::FilesIn(*corpus, {".wmf", ".emf"});
    if (files.empty()) {
        GTEST_SKIP() << "no metafiles in the corpus";
    }
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        const std::vector<uint8_t> bytes = zv::test::ReadFile(file);
        ASSERT_GE(bytes.size(), 64u);
        // Natural size from the header: placeable box / units per inch, or EMF frame in mm.
        double naturalWidth = 0;
        double naturalHeight = 0;
        const bool placeable = Long(bytes, 0) == static_cast<int32_t>(0x9AC6CDD7);
        if (placeable) {
            const double inch = static_cast<uint16_t>(Short(bytes, 14));
            naturalWidth = (Short(bytes, 10) - Short(bytes, 6)) / inch * 96;
            naturalHeight = (Short(bytes, 12) - Short(bytes, 8)) / inch * 96;
        } else if (Long(bytes, 0) == 1) {
            naturalWidth = (Long(bytes, 32) - Long(bytes, 24)) / 2540.0 * 96;
            naturalHeight = (Long(bytes, 36) - Long(bytes, 28)) / 2540.0 * 96;
        }
        const Outcome natural = RenderFile(file, 0, 0);
        ASSERT_TRUE(natural.image) << natural.error;
        if (naturalWidth > 0) {
            EXPECT_EQ(natural.image->width, std::lround(naturalWidth));
            EXPECT_EQ(natural.image->height, std::lround(naturalHeight));
        }
        const Outcome outcome = RenderFile(file, 200, 200);
        ASSERT_TRUE(outcome.image) << outcome.error;
        const Rendered& image = *outcome.image;
        ASSERT_EQ(image.width, 200);
        // Both files are a red disc with a dark outline: red fills a good part of the picture,
        // the outline is there, and the top-left corner is paper.
        const int red = image.Count(0, 0, 200, 200, [](Rgb p) { return p.r > 200 && p.g < 60 && p.b < 60; });
        const int ink = image.Count(0, 0, 200, 200, IsInk);
        EXPECT_GT(red, 200 * 200 / 5);
        EXPECT_GT(ink, 200);
        EXPECT_EQ(image.At(3, 3), kWhite);
        // The disc's centre, from the red pixels, lies where the file's geometry puts it.
        double sumX = 0;
        double sumY = 0;
        for (int y = 0; y < 200; ++y) {
            for (int x = 0; x < 200; ++x) {
                const Rgb p = image.At(x, y);
                if (p.r > 200 && p.g < 60 && p.b < 60) {
                    sumX += x;
                    sumY += y;
                }
            }
        }
        const double centreX = sumX / red;
        const double centreY = sumY / red;
        EXPECT_NEAR(centreX, centreY, 3.0);  // the drawing is symmetric about the diagonal
        if (placeable) {
            // The polygon is centred at 925 of the 1369-unit window and runs past its edges.
            EXPECT_GT(centreX, 110);
            EXPECT_GT(image.Count(190, 190, 200, 200, [](Rgb p) { return p.r > 200 && p.g < 60; }), 50);
        } else {
            EXPECT_NEAR(centreX, 100, 6);
            EXPECT_EQ(image.At(196, 196), kWhite);
        }
    }
}

// --- malformed input -----------------------------------------------------------------------

TEST(Metafile, NonMetafilesFailWithCode27)
{
    std::vector<std::vector<uint8_t>> inputs = {
        {},
        {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'},
        {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13},
        // A header of the wrong size, and an EMF header record without its signature.
        {1, 0, 8, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    std::vector<uint8_t> unsigned_(108, 0);
    unsigned_[0] = 1;
    unsigned_[4] = 108;
    inputs.push_back(unsigned_);
    for (const auto& bytes : inputs) {
        const Outcome outcome = RenderBytes(bytes);
        EXPECT_FALSE(outcome.image);
        EXPECT_EQ(outcome.error, zv::imaging::kErrInvalidMetafile);
    }
    const auto corpus = zv::test::CorpusDir();
    if (corpus) {
        for (const auto& file : zv::test::FilesIn(*corpus, {".png", ".bmp"})) {
            const Outcome outcome = RenderFile(file, 10, 10);
            EXPECT_FALSE(outcome.image) << file;
            EXPECT_EQ(outcome.error, zv::imaging::kErrInvalidMetafile) << file;
            break;
        }
    }
    const Outcome missing = RenderFile("/nonexistent/picture.wmf", 10, 10);
    EXPECT_FALSE(missing.image);
    EXPECT_EQ(missing.error, zv::imaging::kErrFileOpen);
}

TEST(Metafile, MalformedRecordsFailWithCode27)
{
    struct BadCase {
        const char* name;
        std::function<void(WmfWriter&)> wmf;
    };
    const BadCase cases[] = {
        // A record claiming two words: smaller than its own header.
        {"tiny", [](WmfWriter& w) { w.RecordBytes(0x0000, {}); }},
        // A polygon whose point count runs past the record.
        {"points", [](WmfWriter& w) { w.Record(0x0324, {1000, 0, 0, 10, 10}); }},
        // A rectangle record without its four parameters.
        {"short", [](WmfWriter& w) { w.Record(0x041B, {1, 2}); }},
        // A poly-polygon whose counts exceed the data.
        {"polypolygon", [](WmfWriter& w) { w.Record(0x0538, {3, 100, 100, 100}); }},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        WmfWriter wmf = WmfWriter::Placeable(0, 0, 100, 100, 96);
        c.wmf(wmf);
        std::vector<uint8_t> bytes = wmf.Finish();
        if (std::string(c.name) == "tiny") {
            // Rewrite the record's size to 2 words.
            bytes[22 + 18] = 2;
        }
        const Outcome outcome = RenderBytes(bytes);
        EXPECT_FALSE(outcome.image);
        EXPECT_EQ(outcome.error, zv::imaging::kErrInvalidMetafile);
    }
    // A record whose size points past the end of the file.
    WmfWriter past = WmfWriter::Placeable(0, 0, 100, 100, 96);
    past.Rectangle(0, 0, 10, 10);
    std::vector<uint8_t> bytes = past.Finish();
    bytes[22 + 18] = 0xFF;
    bytes[22 + 19] = 0xFF;
    EXPECT_EQ(RenderBytes(bytes).error, zv::imaging::kErrInvalidMetafile);

    // EMF: a zero-size record, an odd size, offsets outside the record.
    for (uint32_t size : {0u, 4u, 13u}) {
        EmfWriter emf(0, 0, 100, 100);
        emf.Rectangle(0, 0, 10, 10);
        std::vector<uint8_t> data = emf.Finish();
        data[108 + 4] = static_cast<uint8_t>(size);
        EXPECT_EQ(RenderBytes(data).error, zv::imaging::kErrInvalidMetafile) << size;
    }
    EmfWriter text(0, 0, 100, 100);
    text.Record(84, {0, 0, 0, 0, 1, 0, 0, 10, 10, 5, 0x7FFFFFF0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(RenderBytes(text.Finish()).error, zv::imaging::kErrInvalidMetafile);
}

TEST(Metafile, HostileValuesNeitherCrashNorHang)
{
    WmfWriter wmf = WmfWriter::Placeable(0, 0, 1000, 1000, 1000);
    wmf.SetMapMode(8);
    wmf.SetWindowExt(1, 1);  // every unit a whole picture
    wmf.SetViewportExt(32767, 32767);
    wmf.CreateFont(32767, 0, 400, false, "Arial");
    wmf.SelectObject(0);
    wmf.TextOut(0, 0, "huge");
    wmf.CreateBrush(0, kRedRef);
    wmf.SelectObject(1);
    for (int i = 0; i < 2000; ++i) {
        wmf.Rectangle(-32768, -32768, 32767, 32767);
        wmf.Ellipse(-32768, 0, 32767, 32767);
    }
    wmf.SetWindowExt(0, 0);  // ignored
    wmf.Record(0x0410, {0, 1, 0, 1});  // scaling by x/0 is ignored
    for (int i = 0; i < 5000; ++i) {
        wmf.IntersectClipRect(-1000, -1000, 1000, 1000);  // each copied by every save below
    }
    for (int i = 0; i < 3000; ++i) {
        wmf.SaveDc();
    }
    wmf.RestoreDc(-32768);
    const Outcome outcome = RenderBytes(wmf.Finish(), 200, 200);
    ASSERT_TRUE(outcome.image) << outcome.error;
    if (!SkipOnSystemPlayer("shapes a billion device units across are not drawn")) {
        EXPECT_EQ(outcome.image->At(100, 100), kRed);
    }

    // Object handles far beyond any handle table are ignored; the stock brush stays.
    EmfWriter emf(0, 0, 2540, 2540, 10000, 254);
    emf.CreateBrush(0x7FFFFFFF, 0, kBlueRef);
    emf.SelectObject(0x7FFFFFFF);
    emf.SelectObject(0x80000004u);  // black brush
    emf.Rectangle(0, 0, 1000, 1000);
    const Rendered image = Render(emf.Finish());
    EXPECT_TRUE(IsInk(image.At(50, 50)));
}

std::vector<uint8_t> RichMetafileForTruncation()
{
    WmfWriter wmf = WmfWriter::Placeable(0, 0, 1000, 1000, 1000);
    wmf.CreateBrush(2, kBlueRef, 3);
    wmf.SelectObject(0);
    wmf.Ellipse(0, 0, 600, 600);
    wmf.CreateFont(-100, 450, 400, true, "Arial");
    wmf.SelectObject(1);
    wmf.ExtTextOut(100, 100, "Text", {50, 50, 50, 50});
    wmf.StretchDib(500, 500, 400, 400, 0, 0, 4, 4, zv::samples::MakeDib(4, 4, QuadrantPixels(), 8));
    wmf.PolyPolygon({{{0, 0}, {100, 0}, {0, 100}}, {{500, 500}, {600, 500}, {600, 600}}});
    return wmf.Finish();
}

TEST(Metafile, EveryTruncationFailsCleanlyOrRenders)
{
    std::vector<std::vector<uint8_t>> files = {RichMetafileForTruncation()};
    Pictures pictures;
    pictures.emf.CreateFont(1, -100, 900, 400, u"Arial");
    pictures.emf.SelectObject(1);
    pictures.emf.ExtTextOutW(100, 100, u"abc", {10, 10, 10});
    pictures.emf.StretchDiBits(0, 0, 500, 500, 0, 0, 4, 4, zv::samples::MakeDib(4, 4, QuadrantPixels(), 4));
    pictures.emf.BeginPath();
    pictures.emf.Poly(5, {{1, 1}, {500, 1}, {500, 500}});
    pictures.emf.EndPath();
    pictures.emf.StrokeAndFillPath();
    files.push_back(pictures.emf.Finish());
    const auto corpus = zv::test::CorpusDir();
    if (corpus) {
        for (const auto& file : zv::test::FilesIn(*corpus, {".wmf", ".emf"})) {
            files.push_back(zv::test::ReadFile(file));
        }
    }
    zv::test::TempDir dir;
    const auto path = dir / "cut.emf";
    for (const auto& full : files) {
        int rendered = 0;
        for (size_t length = 0; length < full.size(); ++length) {
            zv::test::WriteFile(path, std::vector<uint8_t>(full.begin(), full.begin() + static_cast<long>(length)));
            const Outcome outcome = RenderFile(path, 16, 16);
            if (outcome.image) {
                ++rendered;
                EXPECT_EQ(outcome.image->width, 16);
            } else {
                EXPECT_EQ(outcome.error, zv::imaging::kErrInvalidMetafile) << length;
            }
        }
        EXPECT_GT(rendered, 0);  // cut after a whole record, the rest still plays
    }
}

TEST(Metafile, MutatedFilesFailCleanlyOrRender)
{
    std::vector<std::vector<uint8_t>> files = {RichMetafileForTruncation()};
    const auto corpus = zv::test::CorpusDir();
    if (corpus) {
        for (const auto& file : zv::test::FilesIn(*corpus, {".wmf", ".emf"})) {
            files.push_back(zv::test::ReadFile(file));
        }
    }
    // A fixed linear congruential sequence: the same mutations on every run.
    uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (const auto& original : files) {
        for (int round = 0; round < 150; ++round) {
            std::vector<uint8_t> bytes = original;
            const int flips = 1 + static_cast<int>(next() % 4);
            for (int i = 0; i < flips; ++i) {
                const size_t at = next() % bytes.size();
                // Half the time a plausible large value, else any byte.
                bytes[at] = (next() % 2 == 0) ? static_cast<uint8_t>(0xFF) : static_cast<uint8_t>(next());
            }
            const Outcome outcome = RenderBytes(bytes, 24, 24);
            if (outcome.image) {
                EXPECT_EQ(outcome.image->width, 24);
            } else {
                EXPECT_EQ(outcome.error, zv::imaging::kErrInvalidMetafile);
            }
        }
    }
}

// --- the device context on its own ---------------------------------------------------------

TEST(MetafileDeviceContext, RestoreLevelsAndIsotropicMapping)
{
    using namespace zv::imaging::metafile;
    DeviceSetup setup;
    DeviceContext dc(setup);
    dc.SetMapMode(kMapIsotropic);
    dc.SetWindowExt({100, 200});
    dc.SetViewportExt({1000, 1000});
    // The smaller scale (5) applies to both axes.
    const Point p = dc.LogicalToOutput().Apply({100, 200});
    EXPECT_DOUBLE_EQ(p.x, 500);
    EXPECT_DOUBLE_EQ(p.y, 1000);
    dc.Save();                      // level 1
    dc.SetWindowOrg({10, 10});
    dc.Save();                      // level 2
    dc.SetWindowOrg({20, 20});
    EXPECT_TRUE(dc.Restore(1));     // back to level 1's state, both levels gone
    EXPECT_DOUBLE_EQ(dc.State().windowOrg.x, 0);
    EXPECT_FALSE(dc.Restore(-1));   // nothing left to restore
    dc.SetWindowExt({0, 5});        // a zero extent is refused
    EXPECT_DOUBLE_EQ(dc.State().windowExt.x, 100);
}

// Explicit indices beyond the 65536-entry table are dropped; old-style objects take the
// lowest free slot.
TEST(MetafileDeviceContext, ObjectsStayInsideTheTable)
{
    using namespace zv::imaging::metafile;
    DeviceSetup setup;
    DeviceContext dc(setup);
    const auto brush = [](BrushKind kind) {
        Brush made;
        made.kind = kind;
        return made;
    };
    dc.CreateObject(65536, brush(BrushKind::Null));
    dc.SelectObject(65536);
    EXPECT_EQ(dc.State().brush.kind, BrushKind::Solid);
    dc.CreateObject(65535, brush(BrushKind::Null));
    dc.SelectObject(65535);
    EXPECT_EQ(dc.State().brush.kind, BrushKind::Null);
    for (int i = 0; i < 3; ++i) {
        dc.CreateObject(-1, OtherObject{});
    }
    dc.DeleteObject(1);
    dc.CreateObject(-1, brush(BrushKind::Hatched));  // takes the freed slot
    dc.SelectObject(1);
    EXPECT_EQ(dc.State().brush.kind, BrushKind::Hatched);
}

} // namespace
