// Raster operations, clip regions and compressed bitmaps in metafiles: each case (from
// tools/samples/metafile_cases) draws one record kind on a known picture, and the pixels must
// be what the operation computes from the colours involved. The system's own player agrees
// with these pictures (scripts/compare-metafile-renderers).
#include "metafile/metafile_cases.h"
#include "metafile/metafile_writer.h"
#include "tests/imaging/metafile/metafile_pictures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace zv::samples;

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr MetafileFormat kFormats[] = {MetafileFormat::Wmf, MetafileFormat::Emf};

const char* Name(MetafileFormat format)
{
    return format == MetafileFormat::Wmf ? "wmf" : "emf";
}

using zv::test::metafile::Picture;
using zv::test::metafile::RenderPicture;

bool Near(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift = 0; shift <= 16; shift += 8) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance) {
            return false;
        }
    }
    return true;
}

using Binary = std::function<uint32_t(uint32_t, uint32_t)>;             // pen, destination
using Ternary = std::function<uint32_t(uint32_t, uint32_t, uint32_t)>;  // pattern, source, destination

TEST(MetafileRasterOps, BinaryOperationsCombinePenAndDestinationInLinesAndFills)
{
    const std::vector<Binary> byMode = {
        [](uint32_t, uint32_t) { return 0u; },                  // R2_BLACK
        [](uint32_t p, uint32_t d) { return ~(p | d); },        // R2_NOTMERGEPEN
        [](uint32_t p, uint32_t d) { return ~p & d; },          // R2_MASKNOTPEN
        [](uint32_t p, uint32_t) { return ~p; },                // R2_NOTCOPYPEN
        [](uint32_t p, uint32_t d) { return p & ~d; },          // R2_MASKPENNOT
        [](uint32_t, uint32_t d) { return ~d; },                // R2_NOT
        [](uint32_t p, uint32_t d) { return p ^ d; },           // R2_XORPEN
        [](uint32_t p, uint32_t d) { return ~(p & d); },        // R2_NOTMASKPEN
        [](uint32_t p, uint32_t d) { return p & d; },           // R2_MASKPEN
        [](uint32_t p, uint32_t d) { return ~(p ^ d); },        // R2_NOTXORPEN
        [](uint32_t, uint32_t d) { return d; },                 // R2_NOP
        [](uint32_t p, uint32_t d) { return ~p | d; },          // R2_MERGENOTPEN
        [](uint32_t p, uint32_t) { return p; },                 // R2_COPYPEN
        [](uint32_t p, uint32_t d) { return p | ~d; },          // R2_MERGEPENNOT
        [](uint32_t p, uint32_t d) { return p | d; },           // R2_MERGEPEN
        [](uint32_t, uint32_t) { return 0xFFFFFFu; },           // R2_WHITE
    };
    for (MetafileFormat format : kFormats) {
        for (int mode = 1; mode <= 16; ++mode) {
            SCOPED_TRACE(std::string(Name(format)) + " mode " + std::to_string(mode));
            const Picture picture = RenderPicture(Rop2Case(format, mode));
            ASSERT_FALSE(picture.pixels.empty()) << "error " << picture.error;
            const uint32_t expected = byMode[mode - 1](kCasePattern, kCaseDestination) & 0xFFFFFF;
            EXPECT_EQ(picture.At(50, 35), expected) << "fill";
            EXPECT_EQ(picture.At(50, 70), expected) << "line";
            EXPECT_EQ(picture.At(5, 5), kCaseDestination) << "outside";
        }
    }
}

TEST(MetafileRasterOps, BlitOperationsCombineSourcePatternAndDestination)
{
    struct Case {
        const char* name;
        uint32_t rop;
        Ternary result;
    };
    const Case cases[] = {
        {"SRCCOPY", 0x00CC0020, [](uint32_t, uint32_t s, uint32_t) { return s; }},
        {"SRCPAINT", 0x00EE0086, [](uint32_t, uint32_t s, uint32_t d) { return s | d; }},
        {"SRCAND", 0x008800C6, [](uint32_t, uint32_t s, uint32_t d) { return s & d; }},
        {"SRCINVERT", 0x00660046, [](uint32_t, uint32_t s, uint32_t d) { return s ^ d; }},
        {"SRCERASE", 0x00440328, [](uint32_t, uint32_t s, uint32_t d) { return s & ~d; }},
        {"NOTSRCCOPY", 0x00330008, [](uint32_t, uint32_t s, uint32_t) { return ~s; }},
        {"NOTSRCERASE", 0x001100A6, [](uint32_t, uint32_t s, uint32_t d) { return ~(s | d); }},
        {"MERGECOPY", 0x00C000CA, [](uint32_t p, uint32_t s, uint32_t) { return p & s; }},
        {"MERGEPAINT", 0x00BB0226, [](uint32_t, uint32_t s, uint32_t d) { return ~s | d; }},
        {"PATCOPY", 0x00F00021, [](uint32_t p, uint32_t, uint32_t) { return p; }},
        {"PATPAINT", 0x00FB0A09, [](uint32_t p, uint32_t s, uint32_t d) { return p | ~s | d; }},
        {"PATINVERT", 0x005A0049, [](uint32_t p, uint32_t, uint32_t d) { return p ^ d; }},
        {"DSTINVERT", 0x00550009, [](uint32_t, uint32_t, uint32_t d) { return ~d; }},
        {"BLACKNESS", 0x00000042, [](uint32_t, uint32_t, uint32_t) { return 0u; }},
        {"WHITENESS", 0x00FF0062, [](uint32_t, uint32_t, uint32_t) { return 0xFFFFFFu; }},
    };
    for (MetafileFormat format : kFormats) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(Name(format)) + " " + c.name);
            const Picture picture = RenderPicture(RopBlitCase(format, c.rop));
            ASSERT_FALSE(picture.pixels.empty()) << "error " << picture.error;
            EXPECT_EQ(picture.At(35, 50), c.result(kCasePattern, kCaseSourceLeft, kCaseDestination) & 0xFFFFFF);
            EXPECT_EQ(picture.At(65, 50), c.result(kCasePattern, kCaseSourceRight, kCaseDestination) & 0xFFFFFF);
            EXPECT_EQ(picture.At(10, 10), kCaseDestination);
        }
    }
}

TEST(MetafileRasterOps, MaskThenImageBlitsLeaveTheDestinationAroundTheShape)
{
    for (MetafileFormat format : kFormats) {
        SCOPED_TRACE(Name(format));
        const Picture picture = RenderPicture(TransparentBlitCase(format));
        ASSERT_FALSE(picture.pixels.empty()) << "error " << picture.error;
        EXPECT_EQ(picture.At(50, 50), kCasePattern);
        EXPECT_EQ(picture.At(30, 30), kCaseDestination);
        EXPECT_EQ(picture.At(70, 70), kCaseDestination);
    }
}

// Where the fill of a region case landed: at a point only in A, only in B, in both, in neither.
struct RegionProbe {
    bool onlyA, onlyB, both, neither;
};

RegionProbe Probe(const Picture& picture)
{
    const auto filled = [&](int x, int y) { return picture.At(x, y) == kCasePattern; };
    return {filled(20, 20), filled(80, 80), filled(50, 50), filled(80, 20)};
}

TEST(MetafileRegions, SelectedRegionsCombineWithTheClipByMode)
{
    struct Case {
        int mode;
        RegionProbe expected;
    };
    const Case cases[] = {
        {1, {false, false, true, false}},  // and
        {2, {true, true, true, false}},    // or
        {3, {true, true, false, false}},   // xor
        {4, {true, false, false, false}},  // diff
        {5, {false, true, true, false}},   // copy
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode));
        const Picture picture = RenderPicture(RegionCombineCase(MetafileFormat::Emf, c.mode));
        ASSERT_FALSE(picture.pixels.empty()) << "error " << picture.error;
        const RegionProbe got = Probe(picture);
        EXPECT_EQ(got.onlyA, c.expected.onlyA);
        EXPECT_EQ(got.onlyB, c.expected.onlyB);
        EXPECT_EQ(got.both, c.expected.both);
        EXPECT_EQ(got.neither, c.expected.neither);
    }
    // An old-style region object selected as the clip is region A alone.
    const RegionProbe wmf = Probe(RenderPicture(RegionCombineCase(MetafileFormat::Wmf, 2)));
    EXPECT_TRUE(wmf.onlyA && wmf.both && !wmf.onlyB && !wmf.neither);
}

// An operation computed on the pixels (R2_NOT) keeps to a clip that unites two regions.
TEST(MetafileRegions, PixelOperationsKeepToAUnitedClip)
{
    EmfWriter emf(0, 0, 2540, 2540, 100, 25);
    emf.ExtSelectClipRgn({{10, 10, 60, 60}}, 5);
    emf.ExtSelectClipRgn({{40, 40, 90, 90}}, 2);
    emf.Record(20, {6});  // R2_NOT
    emf.Rectangle(0, 0, 100, 100);
    const Picture picture = RenderPicture(emf.Finish());
    ASSERT_FALSE(picture.pixels.empty()) << "error " << picture.error;
    EXPECT_EQ(picture.At(20, 20), 0u);
    EXPECT_EQ(picture.At(50, 50), 0u);
    EXPECT_EQ(picture.At(80, 80), 0u);
    EXPECT_EQ(picture.At(80, 20), kWhite);
    EXPECT_EQ(picture.At(20, 80), kWhite);
}

TEST(MetafileRegions, ShapedRegionsClipToTheirScanlines)
{
    for (MetafileFormat format : kFormats) {
        for (int shape = 0; shape < 3; ++shape) {
            SCOPED_TRACE(std::string(Name(format)) + " shape " + std::to_string(shape));
            const std::vector<IntRect> rects = RegionShapeRects(shape);
            const Picture picture = RenderPicture(RegionShapeCase(format, shape));
            ASSERT_FALSE(picture.pixels.empty()) << "error " << picture.error;
            int mismatches = 0;
            for (int y = 0; y < 100; y += 3) {
                for (int x = 0; x < 100; x += 3) {
                    bool inside = false;
                    for (const IntRect& r : rects) {
                        inside = inside || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
                    }
                    mismatches += inside != (picture.At(x, y) == kCasePattern) ? 1 : 0;
                }
            }
            EXPECT_EQ(mismatches, 0);
        }
    }
}

TEST(MetafileRegions, RegionsAreFilledPaintedAndInvertedWithinTheirScanlines)
{
    const uint32_t inside[] = {kCasePattern, kCasePattern, ~kCaseDestination & 0xFFFFFF};  // fill, paint, invert
    for (MetafileFormat format : kFormats) {
        for (int kind = 0; kind < 3; ++kind) {
            SCOPED_TRACE(std::string(Name(format)) + " kind " + std::to_string(kind));
            const Picture picture = RenderPicture(RegionPaintCase(format, kind));
            ASSERT_FALSE(picture.pixels.empty()) << "error " << picture.error;
            EXPECT_EQ(picture.At(50, 50), inside[kind]);
            EXPECT_EQ(picture.At(22, 22), kCaseDestination);  // the box's corner, outside the ellipse
            EXPECT_EQ(picture.At(5, 5), kCaseDestination);
        }
    }
}

TEST(MetafileRegions, OffsetMovesTheClipAndRestoreBringsItBack)
{
    for (MetafileFormat format : kFormats) {
        SCOPED_TRACE(Name(format));
        const Picture moved = RenderPicture(OffsetClipCase(format));
        ASSERT_FALSE(moved.pixels.empty()) << "error " << moved.error;
        EXPECT_EQ(moved.At(20, 20), kWhite);        // where A was
        EXPECT_EQ(moved.At(80, 80), kCasePattern);  // A moved by (30,30)
    }
    const RegionProbe restored = Probe(RenderPicture(RestoreClipCase(MetafileFormat::Emf)));
    EXPECT_TRUE(restored.onlyA && restored.both && !restored.onlyB && !restored.neither);
}

TEST(MetafileBitmaps, CompressedBitmapsDecodeThroughTheLibrarysReaders)
{
    struct Case {
        DibCompression compression;
        int tolerance;  // JPEG is lossy
    };
    const Case cases[] = {{DibCompression::Rle8, 0}, {DibCompression::Rle4, 0}, {DibCompression::Jpeg, 24},
                          {DibCompression::Png, 0}};
    for (MetafileFormat format : kFormats) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(Name(format)) + " compression " + std::to_string(static_cast<int>(c.compression)));
#ifdef _WIN32
            if (c.compression == DibCompression::Jpeg || c.compression == DibCompression::Png) {
                continue;  // the system's player draws JPEG and PNG bitmaps only for printers
            }
#endif
            const Picture picture = RenderPicture(CompressedBitmapCase(format, c.compression));
            ASSERT_FALSE(picture.pixels.empty()) << "error " << picture.error;
            EXPECT_TRUE(Near(picture.At(30, 50), kCaseSourceLeft, c.tolerance)) << std::hex << picture.At(30, 50);
            EXPECT_TRUE(Near(picture.At(70, 50), kCaseSourceRight, c.tolerance)) << std::hex << picture.At(70, 50);
            EXPECT_EQ(picture.At(10, 10), kWhite);
        }
    }
}

TEST(MetafileBitmaps, DamagedCompressedBitmapsDrawWhatTheyHoldOrNothing)
{
    const std::vector<uint32_t> palette = {kCaseSourceLeft, kCaseSourceRight};
    const std::vector<uint8_t> runsPastTheRow = {255, 1, 255, 1, 0, 0, 0, 1};
    const std::vector<uint8_t> absolutePastTheData = {0, 200, 1, 1};
    const std::vector<uint8_t> deltaOutOfThePicture = {0, 2, 255, 255, 4, 1};
    const std::vector<uint8_t> noEndMarkers = {4, 1};
    const std::vector<uint8_t> notAnImage = {0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3};
    const std::vector<std::vector<uint8_t>> dibs = {
        MakeCompressedDib(4, 4, DibCompression::Rle8, palette, runsPastTheRow),
        MakeCompressedDib(4, 4, DibCompression::Rle4, palette, absolutePastTheData),
        MakeCompressedDib(4, 4, DibCompression::Rle8, palette, deltaOutOfThePicture),
        MakeCompressedDib(4, 4, DibCompression::Rle4, palette, noEndMarkers),
        MakeCompressedDib(4, 4, DibCompression::Jpeg, {}, notAnImage),
        MakeCompressedDib(4, 4, DibCompression::Png, {}, notAnImage)};
    for (size_t i = 0; i < dibs.size(); ++i) {
        SCOPED_TRACE("bitmap " + std::to_string(i));
        const Picture picture = RenderPicture(StretchedDibCase(MetafileFormat::Emf, dibs[i]));
        ASSERT_FALSE(picture.pixels.empty()) << "error " << picture.error;
        EXPECT_EQ(picture.At(10, 10), kWhite);
    }
}

} // namespace
