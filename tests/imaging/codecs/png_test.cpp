// PNG reading and measuring, checked against PIL on PngSuite, plus the limits and failures.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "raster_writers.h"
#include "sample_writers.h"
#include "tests/support/imaging_support.h"
#include "tests/support/pil_rendering.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <zlib.h>

#include <cmath>

namespace fs = std::filesystem;
using namespace zv::test;
using namespace zv::imaging;

namespace {

// The screen gamma is process-wide: every test that sets it puts 0 back.
class ScreenGammaScope {
public:
    explicit ScreenGammaScope(double gamma) { IS40_PNGSetScreenGamma(gamma); }
    ~ScreenGammaScope() { IS40_PNGSetScreenGamma(0.0); }
};

ReadResult ReadPng(const fs::path& file)
{
    return ReadWith([](HISSRC s, uint32_t* w, uint32_t* h) { return IS40_ReadPNG(s, w, h, 24, nullptr, 0); },
                    file);
}

std::vector<fs::path> PngSuite()
{
    auto corpus = CorpusDir();
    return corpus ? FilesIn(*corpus / "pngsuite", {".png"}) : std::vector<fs::path>{};
}

bool IsBrokenOnPurpose(const fs::path& file)
{
    return file.filename().string().front() == 'x';
}

} // namespace

TEST(PngReader, EveryPngSuiteImageMatchesPil)
{
    const auto files = PngSuite();
    if (files.empty()) {
        GTEST_SKIP() << "corpus absent";
    }
    IS40_PNGSetScreenGamma(0.0);
    int compared = 0;
    for (const fs::path& file : files) {
        if (IsBrokenOnPurpose(file)) {
            continue;
        }
        SCOPED_TRACE(file.filename().string());
        const ReadResult ours = ReadPng(file);
        ASSERT_TRUE(ours.ok) << "error " << ours.error;
        const auto pil = PilRender(file);
        ASSERT_TRUE(pil && pil->hasPixels);
        EXPECT_EQ(MaxDifference(pil->image, ours.pixels.data(), static_cast<int>(ours.width),
                                static_cast<int>(ours.height)),
                  0);
        ++compared;
    }
    EXPECT_GT(compared, 150);
}

TEST(PngReader, BrokenPngSuiteFilesFailWithACode)
{
    int broken = 0;
    for (const fs::path& file : PngSuite()) {
        if (!IsBrokenOnPurpose(file)) {
            continue;
        }
        SCOPED_TRACE(file.filename().string());
        const ReadResult ours = ReadPng(file);
        EXPECT_FALSE(ours.ok);
        EXPECT_TRUE(ours.error == kErrInvalidPNG || ours.error == kErrFileRead) << ours.error;
        ++broken;
    }
    if (broken == 0) {
        GTEST_SKIP() << "corpus absent";
    }
}

// The PLTE chunk's entries, four bytes each as the measuring call delivers them.
std::array<uint8_t, 1024> PaletteChunk(const std::vector<uint8_t>& png)
{
    std::array<uint8_t, 1024> palette{};
    for (size_t at = 8; at + 8 <= png.size();) {
        const uint32_t length = uint32_t{png[at]} << 24 | uint32_t{png[at + 1]} << 16 | uint32_t{png[at + 2]} << 8 | png[at + 3];
        if (std::memcmp(&png[at + 4], "PLTE", 4) == 0) {
            for (uint32_t i = 0; i < length / 3 && i < 256; ++i) {
                std::copy_n(&png[at + 8 + i * 3], 3, &palette[i * 4]);
            }
        }
        at += 12 + size_t{length};
    }
    return palette;
}

TEST(PngDims, MatchTheDecodedSizeAndTheHeader)
{
    const auto files = PngSuite();
    if (files.empty()) {
        GTEST_SKIP() << "corpus absent";
    }
    for (const fs::path& file : files) {
        if (IsBrokenOnPurpose(file)) {
            continue;
        }
        SCOPED_TRACE(file.filename().string());
        Source source(file);
        uint32_t w = 0, h = 0, depth = 0, colourType = 99, interlace = 9;
        IS40DimInfo info{};
        std::array<uint8_t, 1024> palette;
        palette.fill(0xEE);
        ASSERT_NE(IS40_GetPNGDims(source.get(), &w, &h, &depth, &colourType, &interlace, palette.data(), nullptr,
                                  nullptr, nullptr, nullptr, &info, 0),
                  0u);
        EXPECT_EQ(palette, PaletteChunk(ReadFile(file))) << "PLTE entries as R, G, B, 0; zero past them";
        const ReadResult decoded = ReadPng(file);
        EXPECT_EQ(w, decoded.width);
        EXPECT_EQ(h, decoded.height);
        // PngSuite names carry the colour type and depth: basn3p08 is type 3, 8 bits; basi is interlaced.
        const std::string name = file.stem().string();
        EXPECT_EQ(colourType, static_cast<uint32_t>(name[4] - '0'));
        EXPECT_EQ(depth, static_cast<uint32_t>(std::stoi(name.substr(6, 2))));
        EXPECT_EQ(interlace, name[3] == 'i' ? 1u : 0u);
        EXPECT_EQ(info.width, w);
        EXPECT_EQ(info.bitsPerSample, depth);
        EXPECT_EQ(info.formatDetail, interlace);
    }
}

TEST(PngReader, ScreenGammaCorrectsFromTheFileGamma)
{
    auto corpus = CorpusDir();
    if (!corpus) {
        GTEST_SKIP() << "corpus absent";
    }
    struct Case {
        const char* file;
        double fileGamma;  // from the file's gAMA, or the default when it has none
        double screenGamma;
    };
    const Case cases[] = {
        {"g03n2c08.png", 0.35, 2.2},
        {"g10n2c08.png", 1.0, 2.2},
        {"g25n3p04.png", 2.5, 1.8},
        {"basn2c08.png", 1.0, 2.2},
        {"f00n2c08.png", 0.45455, 1.0},  // no gAMA: taken as encoded for a 2.2 display
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const fs::path file = *corpus / "pngsuite" / c.file;
        IS40_PNGSetScreenGamma(0.0);
        const ReadResult plain = ReadPng(file);
        ReadResult corrected;
        {
            ScreenGammaScope gamma(c.screenGamma);
            EXPECT_DOUBLE_EQ(IS40_PNGGetScreenGamma(), c.screenGamma);
            corrected = ReadPng(file);
        }
        ASSERT_TRUE(plain.ok && corrected.ok);
        int worst = 0;
        for (size_t i = 0; i < plain.pixels.size(); ++i) {
            const double expected = 255.0 * std::pow(plain.pixels[i] / 255.0, 1.0 / (c.fileGamma * c.screenGamma));
            worst = std::max(worst, static_cast<int>(std::lround(std::abs(expected - corrected.pixels[i]))));
        }
        EXPECT_LE(worst, 1);
    }
    EXPECT_EQ(IS40_PNGGetScreenGamma(), 0.0);
}

TEST(PngReader, NonPositiveOrInvalidScreenGammaSwitchesCorrectionOff)
{
    for (double gamma : {-1.0, 0.0, std::nan("")}) {
        ScreenGammaScope scope(gamma);
        EXPECT_EQ(IS40_PNGGetScreenGamma(), 0.0);
    }
}

TEST(PngReader, HugeDimensionsFailBeforeAnyAllocation)
{
    // A small picture whose header, its checksum made good, claims 100000 x 100000 pixels.
    std::vector<uint8_t> png = zv::samples::PngBytes(zv::samples::MakeTestPicture(8, 8));
    zv::samples::PutU32BE(png, 16, 100000);
    zv::samples::PutU32BE(png, 20, 100000);
    zv::samples::PutU32BE(png, 29, static_cast<uint32_t>(crc32(0, &png[12], 17)));  // type and fields
    TempDir dir;
    const fs::path file = dir / "huge.png";
    WriteFile(file, png);
    const ReadResult ours = ReadPng(file);
    EXPECT_FALSE(ours.ok);
    EXPECT_EQ(ours.error, kErrOutOfMemory);
}

TEST(PngReader, ImagesAboveTheAllocationLimitFailWithOutOfMemory)
{
    TempDir dir;
    const fs::path file = dir / "big.png";
    const zv::samples::Picture image = zv::samples::MakeTestPicture(400, 300);
    ASSERT_TRUE(zv::samples::WritePng(file.string(), image));
    {
        AllocationLimitScope limit(400 * 300 * 3 - 1);
        EXPECT_EQ(ReadPng(file).error, kErrOutOfMemory);
    }
    AllocationLimitScope limit(400 * 300 * 3);  // the picture's own size is enough
    const ReadResult ours = ReadPng(file);
    ASSERT_TRUE(ours.ok);
    EXPECT_EQ(ours.pixels, image.rgb);
}

TEST(PngReader, TruncatedAndForeignDataFailWithTheirCodes)
{
    auto corpus = CorpusDir();
    if (!corpus) {
        GTEST_SKIP() << "corpus absent";
    }
    TempDir dir;
    const fs::path original = *corpus / "pngsuite" / "basn2c08.png";
    const std::vector<uint8_t> whole = ReadFile(original);
    for (size_t keep : {size_t{0}, size_t{5}, size_t{20}, whole.size() / 2, whole.size() - 13}) {
        SCOPED_TRACE(keep);
        WriteFile(dir / "cut.png", {whole.begin(), whole.begin() + static_cast<long>(keep)});
        const ReadResult ours = ReadPng(dir / "cut.png");
        EXPECT_FALSE(ours.ok);
        EXPECT_EQ(ours.error, kErrFileRead);
    }
    const fs::path foreign = dir / "foreign.png";
    WriteFile(foreign, std::vector<uint8_t>(64, 'A'));
    EXPECT_EQ(ReadPng(foreign).error, kErrInvalidPNG);
}

TEST(PngReader, DamagedFilesNeverCrash)
{
    auto corpus = CorpusDir();
    if (!corpus) {
        GTEST_SKIP() << "corpus absent";
    }
    TempDir dir;
    const std::vector<uint8_t> original = ReadFile(*corpus / "pngsuite" / "basi6a16.png");
    const fs::path file = dir / "damaged.png";
    for (size_t position = 8; position < original.size(); position += 7) {
        std::vector<uint8_t> bytes = original;
        bytes[position] ^= 0x5A;
        WriteFile(file, bytes);
        const ReadResult ours = ReadPng(file);
        if (!ours.ok) {
            EXPECT_TRUE(ours.error == kErrInvalidPNG || ours.error == kErrFileRead || ours.error == kErrOutOfMemory)
                << "byte " << position << ": " << ours.error;
        }
    }
}

TEST(PngReader, RejectsAMissingSourceAndOtherDepths)
{
    uint32_t w = 0, h = 0;
    EXPECT_EQ(IS40_ReadPNG(nullptr, &w, &h, 24, nullptr, 0), nullptr);
    EXPECT_EQ(IS40_GetLastError(), kErrBadParameter);
}
