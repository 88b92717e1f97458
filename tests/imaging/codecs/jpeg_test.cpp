// JPEG reading and measuring: generated files for the colour spaces and the scan limit, the
// public corpus against PIL, and the failures.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "tests/support/imaging_support.h"
#include "tests/support/pil_rendering.h"
#include "jpeg_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>


namespace fs = std::filesystem;
using namespace zv::test;
using namespace zv::imaging;

namespace {

#if !defined(__x86_64__) && !defined(__i386__)
// The PIL references are the build machine's (x86) decodes. libjpeg-turbo's x86 and Arm vector
// inverse DCTs part ways where coefficients overflow 16 bits, as in some corpus files, and then
// neither matches its C code; so this program and the PIL it starts both take the C code, which
// decodes alike everywhere. libjpeg-turbo reads the variable once, at its first use.
[[maybe_unused]] const int kPortableJpegCode = setenv("JSIMD_FORCENONE", "1", 1);
#endif

ReadResult ReadJpeg(const fs::path& file)
{
    return ReadWith([](HISSRC s, uint32_t* w, uint32_t* h) { return IS40_ReadJPG(s, w, h, 24, 0); }, file);
}

struct EncodeOptions {
    J_COLOR_SPACE input = JCS_RGB;   // JCS_RGB, JCS_GRAYSCALE or JCS_CMYK
    J_COLOR_SPACE stored = JCS_YCbCr;
    bool adobeMarker = true;         // only meaningful for CMYK and YCCK
    bool progressive = false;
};

// Writes a flat image whose every pixel has the given samples (one per input component).
bool WriteJpeg(const fs::path& file, int width, int height, const std::vector<uint8_t>& samples,
               const EncodeOptions& options, std::vector<jpeg_scan_info> scans = {}, bool fullChroma = false)
{
    const zv::samples::JpegLayout layout{static_cast<uint32_t>(width), static_cast<uint32_t>(height), options.input,
                                         options.stored, options.adobeMarker, options.progressive, fullChroma, 95, 0,
                                         std::move(scans), {}, {}};
    std::vector<uint8_t> row;
    for (int x = 0; x < width; ++x) {
        row.insert(row.end(), samples.begin(), samples.end());
    }
    WriteFile(file, zv::samples::JpegFile(layout, [&](uint32_t) { return row; }));
    return true;
}

// One greyscale scan per coefficient and bit: far more scans than any encoder writes.
std::vector<jpeg_scan_info> ScanPerCoefficientAndBit(int bits)
{
    std::vector<jpeg_scan_info> scans;
    scans.push_back({1, {0}, 0, 0, 0, bits});
    for (int al = bits - 1; al >= 0; --al) {
        scans.push_back({1, {0}, 0, 0, al + 1, al});
    }
    for (int k = 1; k < 64; ++k) {
        scans.push_back({1, {0}, k, k, 0, bits});
        for (int al = bits - 1; al >= 0; --al) {
            scans.push_back({1, {0}, k, k, al + 1, al});
        }
    }
    return scans;
}

int MaxDistance(const ReadResult& image, const std::vector<uint8_t>& rgb)
{
    int worst = 0;
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        worst = std::max(worst, std::abs(image.pixels[i] - rgb[i % 3]));
    }
    return worst;
}

} // namespace

TEST(JpegReader, EveryColourSpaceComesOutRgb)
{
    // CMYK: each colour is what its ink lets through of what black lets through. Adobe's
    // APP14 marker means the samples are stored inverted.
    struct Case {
        const char* name;
        EncodeOptions options;
        std::vector<uint8_t> samples;
        std::vector<uint8_t> rgb;
    };
    const Case cases[] = {
        {"baseline YCbCr", {JCS_RGB, JCS_YCbCr, true, false}, {200, 40, 90}, {200, 40, 90}},
        {"progressive YCbCr", {JCS_RGB, JCS_YCbCr, true, true}, {10, 220, 130}, {10, 220, 130}},
        {"stored as RGB", {JCS_RGB, JCS_RGB, true, false}, {33, 66, 99}, {33, 66, 99}},
        {"greyscale", {JCS_GRAYSCALE, JCS_GRAYSCALE, true, false}, {117}, {117, 117, 117}},
        {"CMYK, plain", {JCS_CMYK, JCS_CMYK, false, false}, {0, 128, 255, 51}, {204, 102, 0}},
        {"CMYK, Adobe-inverted", {JCS_CMYK, JCS_CMYK, true, false}, {255, 127, 0, 204}, {204, 102, 0}},
        {"YCCK, Adobe-inverted", {JCS_CMYK, JCS_YCCK, true, false}, {255, 127, 0, 204}, {204, 102, 0}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = dir / "generated.jpg";
        ASSERT_TRUE(WriteJpeg(file, 40, 24, c.samples, c.options));
        const ReadResult ours = ReadJpeg(file);
        ASSERT_TRUE(ours.ok) << ours.error;
        EXPECT_EQ(ours.width, 40u);
        EXPECT_EQ(ours.height, 24u);
        EXPECT_LE(MaxDistance(ours, c.rgb), 2);  // a flat area survives compression almost exactly
    }
}

TEST(JpegDims, ReportTheHeaderWithoutDecoding)
{
    struct Case {
        EncodeOptions options;
        std::vector<uint8_t> samples;
        uint32_t bits;
        uint32_t components;
        uint32_t progressive;
    };
    const Case cases[] = {
        {{JCS_RGB, JCS_YCbCr, true, false}, {1, 2, 3}, 24, 3, 0},
        {{JCS_RGB, JCS_YCbCr, true, true}, {1, 2, 3}, 24, 3, 1},
        {{JCS_GRAYSCALE, JCS_GRAYSCALE, true, false}, {9}, 8, 1, 0},
        {{JCS_CMYK, JCS_YCCK, true, false}, {1, 2, 3, 4}, 32, 4, 0},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const fs::path file = dir / "dims.jpg";
        ASSERT_TRUE(WriteJpeg(file, 61, 17, c.samples, c.options));
        Source source(file);
        uint32_t w = 0, h = 0, bits = 0, dx = 9, dy = 9;
        IS40DimInfo info{};
        ASSERT_EQ(IS40_GetJPGDims(source.get(), &w, &h, &bits, &dx, &dy, &info, 0), 1u);
        EXPECT_EQ(w, 61u);
        EXPECT_EQ(h, 17u);
        EXPECT_EQ(bits, c.bits);
        EXPECT_EQ(info.samplesPerPixel, c.components);
        EXPECT_EQ(info.bitsPerSample, 8u);
        EXPECT_EQ(info.formatDetail, c.progressive);
    }
}

TEST(JpegReader, RefusesProgressiveFilesWithTooManyScans)
{
    TempDir dir;
    const fs::path many = dir / "many-scans.jpg";
    const EncodeOptions options{JCS_GRAYSCALE, JCS_GRAYSCALE, false, false};
    ASSERT_TRUE(WriteJpeg(many, 64, 64, {90}, options, ScanPerCoefficientAndBit(9)));  // 640 scans
    const ReadResult refused = ReadJpeg(many);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.error, kErrBadJPG);
    // The header alone is fine to measure.
    Source source(many);
    EXPECT_EQ(IS40_GetJPGDims(source.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0), 1u);

    const fs::path fewer = dir / "fewer-scans.jpg";
    ASSERT_TRUE(WriteJpeg(fewer, 64, 64, {90}, options, ScanPerCoefficientAndBit(6)));  // 448 scans
    const ReadResult accepted = ReadJpeg(fewer);
    ASSERT_TRUE(accepted.ok) << accepted.error;
    EXPECT_LE(MaxDistance(accepted, {90, 90, 90}), 2);
}

// A progressive file keeps every coefficient until its last scan: 6 bytes a pixel at full
// chroma resolution, twice the 3 of the decoded image. libjpeg is held to the same limit.
TEST(JpegReader, ProgressiveCoefficientsAreHeldToTheAllocationLimit)
{
    TempDir dir;
    const fs::path progressive = dir / "progressive.jpg";
    const fs::path baseline = dir / "baseline.jpg";
    ASSERT_TRUE(WriteJpeg(progressive, 200, 200, {5, 6, 7}, {JCS_RGB, JCS_YCbCr, true, true}, {}, true));
    ASSERT_TRUE(WriteJpeg(baseline, 200, 200, {5, 6, 7}, {JCS_RGB, JCS_YCbCr, true, false}, {}, true));
    AllocationLimitScope limit(200 * 200 * 4);
    EXPECT_EQ(ReadJpeg(progressive).error, kErrOutOfMemory);
    EXPECT_TRUE(ReadJpeg(baseline).ok);
}

TEST(JpegReader, TruncatedForeignAndOversizedFilesFailWithTheirCodes)
{
    TempDir dir;
    const fs::path original = dir / "original.jpg";
    ASSERT_TRUE(WriteJpeg(original, 120, 80, {1, 2, 3}, {}));
    const std::vector<uint8_t> whole = ReadFile(original);
    const fs::path file = dir / "broken.jpg";
    for (size_t keep : {size_t{0}, size_t{2}, size_t{300}, whole.size() / 2, whole.size() - 200}) {
        SCOPED_TRACE(keep);
        WriteFile(file, std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(keep)));
        EXPECT_EQ(ReadJpeg(file).error, kErrFileRead);
    }
    WriteFile(file, std::vector<uint8_t>(500, 0x42));
    EXPECT_EQ(ReadJpeg(file).error, kErrBadJPG);
    {
        AllocationLimitScope limit(120 * 80 * 3 - 1);
        EXPECT_EQ(ReadJpeg(original).error, kErrOutOfMemory);
    }
    {
        AllocationLimitScope limit(120 * 80 * 3);  // the picture's own size is enough
        EXPECT_TRUE(ReadJpeg(original).ok);
    }
    for (size_t position = 2; position < whole.size(); position += 9) {
        std::vector<uint8_t> damaged = whole;
        damaged[position] ^= 0x3C;
        WriteFile(file, damaged);
        const ReadResult ours = ReadJpeg(file);
        if (!ours.ok) {
            EXPECT_TRUE(ours.error == kErrBadJPG || ours.error == kErrFileRead || ours.error == kErrOutOfMemory)
                << position << ": " << ours.error;
        }
    }
    uint32_t w = 0, h = 0;
    EXPECT_EQ(IS40_ReadJPG(nullptr, &w, &h, 24, 0), nullptr);
    EXPECT_EQ(IS40_GetLastError(), kErrBadParameter);
}

// PIL decodes with the same libjpeg-turbo and the same settings (accurate integer DCT, fancy
// upsampling), and converts CMYK with the same arithmetic, so the rule is exact equality.
TEST(JpegReader, CorpusImagesMatchPil)
{
    auto corpus = CorpusDir();
    if (!corpus) {
        GTEST_SKIP() << "corpus absent";
    }
    int compared = 0;
    for (const fs::path& file : FilesIn(*corpus / "pillow", {".jpg", ".jpeg"})) {
        SCOPED_TRACE(file.filename().string());
        const ReadResult ours = ReadJpeg(file);
        const auto pil = PilRender(file);
        if (!pil || !pil->hasPixels) {
            if (!ours.ok) {
                EXPECT_NE(ours.error, 0u);
            }
            continue;  // PIL can't read it: ours only has to fail or decode cleanly
        }
        ASSERT_TRUE(ours.ok) << "error " << ours.error;
        EXPECT_EQ(MaxDifference(pil->image, ours.pixels.data(), static_cast<int>(ours.width),
                                static_cast<int>(ours.height)),
                  0);
        Source source(file);
        uint32_t w = 0, h = 0;
        EXPECT_EQ(IS40_GetJPGDims(source.get(), &w, &h, nullptr, nullptr, nullptr, nullptr, 0), 1u);
        EXPECT_EQ(w, ours.width);
        EXPECT_EQ(h, ours.height);
        ++compared;
    }
    EXPECT_GT(compared, 50);
}
