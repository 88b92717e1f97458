// The Photo CD reader: the corpus image pack against PIL, image packs written here for flat
// colours, orientation and the lower resolutions, and files that are not usable packs.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "platform/memory.h"
#include "pcd_writer.h"
#include "tests/support/imaging_support.h"
#include "tests/support/raster_reading.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using zv::test::RgbImage;

namespace {

using zv::samples::kPcdBaseAt;
using zv::samples::kPcdBaseEnd;
using zv::samples::kPcdBaseHeight;
using zv::samples::kPcdBaseWidth;
using zv::samples::kPcdOrientationAt;
using zv::samples::kPcdSector;
using zv::samples::YccAt;

using zv::test::Decoded;

Decoded DecodePcd(const fs::path& file, uint32_t resolution = 3)
{
    return zv::test::DecodeWith(
        [resolution](HISSRC s, uint32_t* w, uint32_t* h) { return IS40_ReadPCD(s, w, h, resolution, 0); }, file);
}

fs::path Save(const zv::test::TempDir& dir, const std::string& name, const std::vector<uint8_t>& bytes)
{
    const fs::path file = dir / name;
    zv::test::WriteFile(file, bytes);
    return file;
}

// A picture whose every quarter looks different, so that any turn or flip shows.
void Pattern(uint32_t x, uint32_t y, uint8_t* ycc)
{
    ycc[0] = static_cast<uint8_t>((x * 3 + y / 2) % 189);
    ycc[1] = static_cast<uint8_t>(x < kPcdBaseWidth / 2 ? 90 + y / 4 : 200);
    ycc[2] = static_cast<uint8_t>(y < kPcdBaseHeight / 3 ? 60 : 137 + x / 16);
}

RgbImage TurnAnticlockwise(const RgbImage& in)
{
    RgbImage out{in.height, in.width, std::vector<uint8_t>(in.pixels.size())};
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            // The input's right column, read downwards, becomes the top row.
            const size_t from = (static_cast<size_t>(x) * in.width + (in.width - 1 - y)) * 3;
            std::copy_n(&in.pixels[from], 3, &out.pixels[(static_cast<size_t>(y) * out.width + x) * 3]);
        }
    }
    return out;
}

RgbImage TurnClockwise(const RgbImage& in)
{
    return TurnAnticlockwise(TurnAnticlockwise(TurnAnticlockwise(in)));
}

// ---- Corpus ----------------------------------------------------------------------------------

TEST(PcdReader, CorpusImagePackMatchesPil)
{
    const auto corpus = zv::test::CorpusDir();
    if (!corpus) {
        GTEST_SKIP() << "no corpus";
    }
    int compared = 0;
    for (const fs::path& file : zv::test::FilesIn(*corpus / "pillow", {".pcd"})) {
        SCOPED_TRACE(file.filename().string());
        const auto reference = zv::test::PilReference(file);
        if (!reference) {
            continue;
        }
        const Decoded decoded = DecodePcd(file);
        ASSERT_TRUE(decoded.ok) << "error " << decoded.error;
        EXPECT_EQ(decoded.image.width, static_cast<int>(kPcdBaseWidth));
        EXPECT_EQ(decoded.image.height, static_cast<int>(kPcdBaseHeight));
        EXPECT_EQ(zv::test::MaxDifference(*reference, decoded.image), 0);
        ++compared;
    }
    EXPECT_GE(compared, 1);
}

// Base/4 and Base/16 are separate scans of the same picture, so they only resemble the Base
// image averaged down to their size: a small mean difference, not equality.
TEST(PcdReader, LowerResolutionsShowTheSamePicture)
{
    const auto corpus = zv::test::CorpusDir();
    if (!corpus || !fs::exists(*corpus / "pillow" / "hopper.pcd")) {
        GTEST_SKIP() << "no corpus";
    }
    const fs::path file = *corpus / "pillow" / "hopper.pcd";
    const Decoded base = DecodePcd(file, 3);
    ASSERT_TRUE(base.ok);
    for (uint32_t resolution : {1u, 2u}) {
        SCOPED_TRACE("resolution " + std::to_string(resolution));
        const int factor = resolution == 1 ? 4 : 2;
        const Decoded small = DecodePcd(file, resolution);
        ASSERT_TRUE(small.ok) << "error " << small.error;
        ASSERT_EQ(small.image.width, base.image.width / factor);
        ASSERT_EQ(small.image.height, base.image.height / factor);
        double total = 0;
        for (int y = 0; y < small.image.height; ++y) {
            for (int x = 0; x < small.image.width; ++x) {
                for (int c = 0; c < 3; ++c) {
                    int sum = 0;
                    for (int dy = 0; dy < factor; ++dy) {
                        for (int dx = 0; dx < factor; ++dx) {
                            sum += base.image.pixels[((static_cast<size_t>(y) * factor + dy) * base.image.width +
                                                      x * factor + dx) * 3 + c];
                        }
                    }
                    const int mean = sum / (factor * factor);
                    total += std::abs(mean - small.image.pixels[(static_cast<size_t>(y) * small.image.width + x) * 3 + c]);
                }
            }
        }
        EXPECT_LT(total / small.image.pixels.size(), 8.0);
    }
}

// ---- Image packs written here ----------------------------------------------------------------

// Neutral chroma leaves grey: every channel is the luma scaled by 1.3584 (Y 188 is white).
TEST(PcdReader, NeutralFlatColoursAreGreysOfScaledLuma)
{
    zv::test::TempDir dir;
    for (uint8_t luma : {0, 1, 37, 100, 150, 187, 188, 255}) {
        SCOPED_TRACE("luma " + std::to_string(luma));
        const auto flat = [luma](uint32_t, uint32_t, uint8_t* ycc) {
            ycc[0] = luma;
            ycc[1] = 156;
            ycc[2] = 137;
        };
        const Decoded decoded = DecodePcd(Save(dir, "grey.pcd", zv::samples::PhotoCdPack(flat, 0)));
        ASSERT_TRUE(decoded.ok) << "error " << decoded.error;
        const long grey = std::min(255L, std::lround(1.3584 * luma));
        for (size_t i = 0; i < decoded.image.pixels.size(); ++i) {
            ASSERT_EQ(decoded.image.pixels[i], grey) << "byte " << i;
        }
    }
}

TEST(PcdReader, FlatColoursAndPatternsMatchPil)
{
    zv::test::TempDir dir;
    const YccAt samples[] = {
        [](uint32_t, uint32_t, uint8_t* ycc) { ycc[0] = 120; ycc[1] = 200; ycc[2] = 90; },
        [](uint32_t, uint32_t, uint8_t* ycc) { ycc[0] = 60; ycc[1] = 10; ycc[2] = 250; },
        [](uint32_t, uint32_t, uint8_t* ycc) { ycc[0] = 250; ycc[1] = 0; ycc[2] = 0; },
        Pattern,
    };
    int index = 0;
    for (const YccAt& sample : samples) {
        SCOPED_TRACE("sample " + std::to_string(index++));
        const fs::path file = Save(dir, "colour.pcd", zv::samples::PhotoCdPack(sample, 0));
        const auto reference = zv::test::PilReference(file);
        if (!reference) {
            GTEST_SKIP() << "PIL is not available";
        }
        const Decoded decoded = DecodePcd(file);
        ASSERT_TRUE(decoded.ok) << "error " << decoded.error;
        EXPECT_EQ(zv::test::MaxDifference(*reference, decoded.image), 0);
    }
}

// Orientation 1 turns the picture anticlockwise, 3 clockwise, 2 half a turn; the other bits
// of the byte do not matter.
TEST(PcdReader, OrientationIsHonoured)
{
    zv::test::TempDir dir;
    const Decoded stored = DecodePcd(Save(dir, "landscape.pcd", zv::samples::PhotoCdPack(Pattern, 0)));
    ASSERT_TRUE(stored.ok);
    struct Row {
        uint8_t orientation;
        RgbImage expected;
    };
    const Row rows[] = {
        {0xF0, stored.image},
        {0x01, TurnAnticlockwise(stored.image)},
        {0x03, TurnClockwise(stored.image)},
        {0x02, TurnAnticlockwise(TurnAnticlockwise(stored.image))},
        {0xFD, TurnAnticlockwise(stored.image)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("orientation byte " + std::to_string(row.orientation));
        const Decoded decoded = DecodePcd(Save(dir, "turned.pcd", zv::samples::PhotoCdPack(Pattern, row.orientation)));
        ASSERT_TRUE(decoded.ok) << "error " << decoded.error;
        EXPECT_EQ(decoded.image.width, row.expected.width);
        EXPECT_EQ(decoded.image.height, row.expected.height);
        EXPECT_EQ(zv::test::MaxDifference(row.expected, decoded.image), 0);
    }
}

// ---- Unusable files and arguments ------------------------------------------------------------

TEST(PcdReader, FilesThatAreNotUsablePacksReportCode63)
{
    zv::test::TempDir dir;
    const std::vector<uint8_t> valid = zv::samples::PhotoCdPack(Pattern, 0);
    ASSERT_TRUE(DecodePcd(Save(dir, "valid.pcd", valid)).ok);

    std::vector<uint8_t> unsigned_ = valid;
    unsigned_[0x800 + 6] = 'X';  // "PCD_IPX"
    EXPECT_EQ(DecodePcd(Save(dir, "unsigned.pcd", unsigned_)).error, zv::imaging::kErrInvalidPhotoCD);

    for (size_t length : {size_t{0}, size_t{1}, size_t{0x800}, size_t{0x806}, size_t{0x807},
                          kPcdOrientationAt, kPcdBaseAt, kPcdBaseEnd - 1}) {
        SCOPED_TRACE(std::to_string(length) + " bytes");
        const fs::path file = Save(dir, "short.pcd", {valid.begin(), valid.begin() + length});
        const Decoded decoded = DecodePcd(file);
        EXPECT_FALSE(decoded.ok);
        EXPECT_EQ(decoded.error, zv::imaging::kErrInvalidPhotoCD);
    }
    EXPECT_TRUE(DecodePcd(Save(dir, "exact.pcd", {valid.begin(), valid.begin() + kPcdBaseEnd})).ok);
}

// A pack cut short after Base/16 still gives Base/16, but not the larger images.
TEST(PcdReader, EachResolutionNeedsOnlyItsOwnData)
{
    zv::test::TempDir dir;
    std::vector<uint8_t> bytes = zv::samples::PhotoCdPack(Pattern, 0);
    const size_t base16End = 4 * kPcdSector + 192 * 128 * 3 / 2;
    bytes.resize(base16End);
    const fs::path file = Save(dir, "cut.pcd", bytes);
    const Decoded small = DecodePcd(file, 1);
    ASSERT_TRUE(small.ok) << "error " << small.error;
    EXPECT_EQ(small.image.width, 192);
    EXPECT_EQ(small.image.height, 128);
    EXPECT_EQ(DecodePcd(file, 2).error, zv::imaging::kErrInvalidPhotoCD);
    EXPECT_EQ(DecodePcd(file, 3).error, zv::imaging::kErrInvalidPhotoCD);
}

TEST(PcdReader, UnknownResolutionsAndMissingArgumentsAreRefused)
{
    zv::test::TempDir dir;
    const fs::path file = Save(dir, "valid.pcd", zv::samples::PhotoCdPack(Pattern, 0));
    for (uint32_t resolution : {0u, 4u, 5u, 0xFFFFFFFFu}) {
        SCOPED_TRACE("resolution " + std::to_string(resolution));
        EXPECT_EQ(DecodePcd(file, resolution).error, zv::imaging::kErrBadParameter);
    }
    uint32_t width = 0;
    uint32_t height = 0;
    EXPECT_EQ(IS40_ReadPCD(nullptr, &width, &height, 3, 0), nullptr);
    EXPECT_EQ(IS40_GetLastError(), zv::imaging::kErrBadParameter);
}

TEST(PcdReader, ImageAboveTheAllocationLimitFailsWithOutOfMemory)
{
    zv::test::TempDir dir;
    const fs::path file = Save(dir, "valid.pcd", zv::samples::PhotoCdPack(Pattern, 0));
    {
        zv::test::AllocationLimitScope limit(kPcdBaseWidth * kPcdBaseHeight * 3 - 1);
        EXPECT_EQ(DecodePcd(file).error, zv::imaging::kErrOutOfMemory);
    }
    zv::test::AllocationLimitScope limit(kPcdBaseWidth * kPcdBaseHeight * 3);  // its own size is enough
    EXPECT_TRUE(DecodePcd(file).ok);
}

} // namespace
