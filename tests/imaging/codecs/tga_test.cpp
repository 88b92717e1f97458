#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/core/source.h"
#include "tests/support/raster_reading.h"
#include "tests/support/test_support.h"
#include "raster_writers.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using zv::samples::TgaFile;
using zv::samples::TgaLayout;
using zv::test::MaxDifference;
using zv::test::RasterResult;
using zv::test::ReadRasterBytes;
using zv::test::WriteByContent;

namespace {

constexpr uint32_t kInvalidTga = zv::imaging::kErrInvalidTGA;

using zv::test::Measured;

Measured MeasureBytes(const std::vector<uint8_t>& bytes)
{
    return zv::test::MeasureWith(
        [](HISSRC s, uint32_t* w, uint32_t* h, uint32_t* bits, IS40DimInfo*, uint32_t flags) {
            return IS40_GetTGADims(s, w, h, bits, flags);
        },
        bytes);
}

// Every TGA file that PIL decodes decodes here to the same pixels; every file it refuses is
// refused here too, as are the deliberately hostile ones.
TEST(TgaReader, CorpusFilesEqualPilDecodes)
{
    zv::test::ExpectCorpusMatchesReferences(IS40_ReadTGA, ".tga", kInvalidTga, [](const std::vector<uint8_t>& bytes) {
        const Measured dims = MeasureBytes(bytes);
        return dims.result == 1 ? std::optional(std::pair(dims.width, dims.height)) : std::nullopt;
    });
}

// ---- Files written here ----------------------------------------------------------------------

constexpr uint16_t kWidth = 7;
constexpr uint16_t kHeight = 5;

// Stored pixels drawn from four random values, so that runs occur and cross row ends.
std::vector<uint8_t> MakeStoredPixels(size_t bytesPerPixel, const std::function<std::vector<uint8_t>(std::mt19937&)>& value,
                                      std::mt19937& random)
{
    std::vector<std::vector<uint8_t>> values;
    for (int i = 0; i < 4; ++i) {
        values.push_back(value(random));
        values.back().resize(bytesPerPixel);
    }
    std::vector<uint8_t> pixels;
    size_t current = 0;
    for (size_t i = 0; i < size_t{kWidth} * kHeight; ++i) {
        if (random() % 3 == 0) {
            current = random() % values.size();
        }
        pixels.insert(pixels.end(), values[current].begin(), values[current].end());
    }
    return pixels;
}

std::vector<uint8_t> RandomBytes(std::mt19937& random, size_t count)
{
    std::vector<uint8_t> bytes(count);
    for (uint8_t& b : bytes) {
        b = static_cast<uint8_t>(random());
    }
    return bytes;
}

// A written variant and the file whose PIL decode it must equal: the same picture stored
// raw, in a form that PIL reads. (PIL knows neither 15-bit pixels, 16-bit colour indices nor
// 32-bit map entries, and refuses run packets that continue into the next row, which the
// format allows.)
struct Variant {
    std::string name;
    std::vector<uint8_t> file;
    std::vector<uint8_t> referenceFile;
};

std::vector<Variant> MakeVariants()
{
    std::mt19937 random(20240607);
    std::vector<Variant> variants;
    const uint8_t origins[] = {0x00, 0x10, 0x20, 0x30};
    auto add = [&](const std::string& name, TgaLayout layout, const std::vector<uint8_t>& map,
                   const std::vector<uint8_t>& pixels, std::optional<TgaLayout> pilLayout,
                   const std::vector<uint8_t>& pilMap, const std::vector<uint8_t>& pilPixels) {
        for (uint8_t origin : origins) {
            for (bool rle : {false, true}) {
                TgaLayout l = layout;
                l.descriptor = origin;
                l.imageType = static_cast<uint8_t>(layout.imageType | (rle ? 8 : 0));
                Variant v;
                v.name = name + (rle ? " rle" : " raw") + " origin " + std::to_string(origin);
                v.file = TgaFile(l, kWidth, kHeight, map, pixels);
                TgaLayout p = pilLayout.value_or(layout);
                p.descriptor = origin;
                v.referenceFile = pilLayout ? TgaFile(p, kWidth, kHeight, pilMap, pilPixels)
                                            : TgaFile(p, kWidth, kHeight, map, pixels);
                variants.push_back(std::move(v));
            }
        }
    };
    auto anyBytes = [](std::mt19937& r) { return RandomBytes(r, 4); };

    for (uint8_t depth : {16, 24, 32}) {
        const auto pixels = MakeStoredPixels(depth / 8u, anyBytes, random);
        add("true colour " + std::to_string(depth), {2, depth, 0, 0, 0, 0, "", false}, {}, pixels, std::nullopt, {}, {});
    }
    {
        const auto pixels = MakeStoredPixels(2, anyBytes, random);
        add("true colour 15", {2, 15, 0, 0, 0, 0, "", false}, {}, pixels, TgaLayout{2, 16, 0, 0, 0, 0, "", false}, {}, pixels);
    }
    for (uint8_t depth : {8, 16}) {
        const auto pixels = MakeStoredPixels(depth / 8u, anyBytes, random);
        add("grey " + std::to_string(depth), {3, depth, 0, 0, 0, 0, "an id"}, {}, pixels, std::nullopt, {}, {});
    }
    for (uint8_t entryBits : {16, 24, 32}) {
        for (uint16_t first : {0, 3}) {
            const uint16_t length = 6;
            const auto map = RandomBytes(random, size_t{length} * (entryBits / 8u));
            auto index = [&](std::mt19937& r) { return std::vector<uint8_t>{static_cast<uint8_t>(first + r() % length)}; };
            const auto pixels = MakeStoredPixels(1, index, random);
            const TgaLayout layout{1, 8, 0, entryBits, first, length, "", false};
            const std::string name = "mapped " + std::to_string(entryBits) + " first " + std::to_string(first);
            if (entryBits != 32) {
                add(name, layout, map, pixels, std::nullopt, {}, {});
                continue;
            }
            std::vector<uint8_t> map24;  // the same colours without their alpha
            for (size_t i = 0; i < map.size(); ++i) {
                if (i % 4 != 3) {
                    map24.push_back(map[i]);
                }
            }
            add(name, layout, map, pixels, TgaLayout{1, 8, 0, 24, first, length, "", false}, map24, pixels);
        }
    }
    {
        const uint16_t length = 5;
        const auto map = RandomBytes(random, length * 2u);
        auto index = [&](std::mt19937& r) { return std::vector<uint8_t>{static_cast<uint8_t>(r() % length)}; };
        const auto pixels = MakeStoredPixels(1, index, random);
        add("mapped 15", {1, 8, 0, 15, 0, length, "", false}, map, pixels, TgaLayout{1, 8, 0, 16, 0, length, "", false}, map, pixels);
        std::vector<uint8_t> wide;
        for (uint8_t i : pixels) {
            wide.push_back(i);
            wide.push_back(0);
        }
        add("mapped 16-bit index", {1, 16, 0, 16, 0, length, "", false}, map, wide, TgaLayout{1, 8, 0, 16, 0, length, "", false},
            map, pixels);
    }
    return variants;
}

TEST(TgaReader, WrittenVariantsEqualPilDecodes)
{
    const auto variants = MakeVariants();
    if (!zv::test::PilReference(WriteByContent(variants.front().referenceFile, "tga-variants", ".tga"))) {
        GTEST_SKIP() << "PIL is not available";
    }
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        const auto reference = zv::test::PilReference(WriteByContent(v.referenceFile, "tga-variants", ".tga"));
        ASSERT_TRUE(reference.has_value()) << "PIL cannot read the reference file";
        const RasterResult result = ReadRasterBytes(IS40_ReadTGA, v.file);
        ASSERT_TRUE(result.image.has_value()) << "error " << result.error;
        EXPECT_EQ(MaxDifference(*reference, *result.image), 0);
        const Measured dims = MeasureBytes(v.file);
        EXPECT_EQ(dims.result, 1u);
        EXPECT_EQ(dims.width, kWidth);
        EXPECT_EQ(dims.height, kHeight);
        EXPECT_EQ(dims.depth, v.file[16]);
    }
}

TEST(TgaReader, EveryTruncationFailsCleanly)
{
    const auto variants = MakeVariants();
    size_t checked = 0;
    for (const Variant& v : variants) {
        if (v.name.find("origin 0") == std::string::npos) {
            continue;  // the origin does not change how much data there is
        }
        SCOPED_TRACE(v.name);
        ++checked;
        ASSERT_NO_FATAL_FAILURE(zv::test::ExpectEveryPrefixFails(IS40_ReadTGA, v.file, kInvalidTga));
    }
    EXPECT_GT(checked, 10u);
}

TEST(TgaReader, RefusesPacketsThatRunPastTheImage)
{
    TgaLayout layout{10, 24, 0, 0, 0, 0, "", false};
    std::vector<uint8_t> file = TgaFile(layout, 2, 2, {}, {});
    // One run of three pixels, then a run of two: one pixel too many.
    for (uint8_t packet : {0x82, 0x81}) {
        file.push_back(packet);
        file.insert(file.end(), {10, 20, 30});
    }
    const RasterResult result = ReadRasterBytes(IS40_ReadTGA, file);
    EXPECT_FALSE(result.image.has_value());
    EXPECT_EQ(result.error, kInvalidTga);
}

TEST(TgaReader, RefusesInvalidHeaders)
{
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    const Case cases[] = {
        {"no image", [](std::vector<uint8_t>& f) { f[2] = 0; }},
        {"unknown image type", [](std::vector<uint8_t>& f) { f[2] = 32; }},
        {"map type 2", [](std::vector<uint8_t>& f) { f[1] = 2; }},
        {"zero width", [](std::vector<uint8_t>& f) { f[12] = f[13] = 0; }},
        {"zero height", [](std::vector<uint8_t>& f) { f[14] = f[15] = 0; }},
        {"depth 12", [](std::vector<uint8_t>& f) { f[16] = 12; }},
        {"interleaved", [](std::vector<uint8_t>& f) { f[17] = 0x40; }},
        {"mapped without a map", [](std::vector<uint8_t>& f) { f[2] = 1; f[16] = 8; }},
        {"id longer than the file", [](std::vector<uint8_t>& f) { f[0] = 255; }},
    };
    const std::vector<uint8_t> valid = TgaFile({2, 24, 0, 0, 0, 0, "", false}, 2, 2, {}, std::vector<uint8_t>(12, 7));
    ASSERT_TRUE(ReadRasterBytes(IS40_ReadTGA, valid).image.has_value());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> file = valid;
        c.damage(file);
        const RasterResult result = ReadRasterBytes(IS40_ReadTGA, file);
        EXPECT_FALSE(result.image.has_value());
        EXPECT_EQ(result.error, kInvalidTga);
        EXPECT_EQ(MeasureBytes(file).result, 0u);
    }
}

TEST(TgaReader, AbsurdSizesFailBeforeAllocating)
{
    // The least RLE data a picture can have: one full 128-pixel run packet for each 128 pixels.
    const std::vector<uint8_t> runs = TgaFile({10, 24, 0, 0, 0, 0, "", false}, 16, 16, {}, std::vector<uint8_t>(16 * 16 * 3, 5));
    ASSERT_EQ(runs.size(), 18u + 2 * 4);
    EXPECT_TRUE(ReadRasterBytes(IS40_ReadTGA, runs).image.has_value());
    // Raw data must hold every pixel, and RLE data at least a packet for every 128 pixels.
    for (uint8_t imageType : {2, 10}) {
        SCOPED_TRACE(imageType);
        const std::vector<uint8_t> file = TgaFile({imageType, 24, 0, 0, 0, 0, "", false}, 65535, 65535, {}, {1, 2, 3});
        const RasterResult result = ReadRasterBytes(IS40_ReadTGA, file);
        EXPECT_FALSE(result.image.has_value());
        EXPECT_EQ(result.error, kInvalidTga);
        EXPECT_EQ(MeasureBytes(file).result, 0u);
    }
}

TEST(TgaReader, HonoursTheAllocationLimit)
{
    zv::test::ExpectAllocationLimitHonoured(IS40_ReadTGA, TgaFile({}, 4, 4, {}, std::vector<uint8_t>(48, 9)));
}

TEST(TgaReader, MapsIndicesOutsideTheMapToBlack)
{
    // A map of two entries starting at index 1: index 0 lies below it, index 3 above it.
    const std::vector<uint8_t> map = {0, 0, 255, 0, 255, 0};  // red, green (BGR)
    const std::vector<uint8_t> file = TgaFile({1, 8, 0x20, 24, 1, 2, "", false}, 4, 1, map, {0, 1, 2, 3});
    const RasterResult result = ReadRasterBytes(IS40_ReadTGA, file);
    ASSERT_TRUE(result.image.has_value()) << "error " << result.error;
    const std::vector<uint8_t> expected = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 0};
    EXPECT_EQ(result.image->pixels, expected);
}

} // namespace
