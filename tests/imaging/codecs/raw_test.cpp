// Camera RAW reading and measuring, on small DNG files written by the tests.
#include "imaging/core/imaging.h"
#include "platform/memory.h"
#include "dng_writer.h"
#include "tests/support/imaging_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

namespace {

using zv::samples::DngOptions;
using zv::samples::LinearRgb;
using zv::test::Decoded;
using zv::test::Source;
using zv::test::TempDir;
using zv::samples::WriteTestDng;

// Scene colours kept below three quarters of the sensor range, so no channel clips.
const LinearRgb kRed{0.6, 0.05, 0.05};
const LinearRgb kGreen{0.05, 0.6, 0.05};
const LinearRgb kBlue{0.05, 0.05, 0.6};
const LinearRgb kGrey{0.5, 0.5, 0.5};

// The camera records grey far from neutral; only applied white balance makes it grey again.
DngOptions PatchFile(const std::string& cfa = "RGGB", uint32_t width = 64, uint32_t height = 48)
{
    DngOptions options;
    options.width = width;
    options.height = height;
    options.cfaPattern = cfa;
    options.patches = {kRed, kGreen, kBlue, kGrey};
    options.asShotNeutral = {0.5, 1.0, 0.8};
    return options;
}

struct ReadArguments {
    double brightness = 1.0;
    double redScale = 1.0;
    double blueScale = 1.0;
    int32_t quality = -1;
};

Decoded Read(const std::filesystem::path& file, const ReadArguments& args = {})
{
    Source source(file);
    uint32_t width = 0xDEAD;
    uint32_t height = 0xBEEF;
    HGLOBAL block = SARAW_ReadRAW(source.get(), &width, &height, 24, args.brightness,
                                  args.redScale, args.blueScale, 0, args.quality, 0, 0, 0, 0, 0,
                                  0, 0);
    Decoded decoded;
    decoded.error = IS40_GetLastError();
    if (block == nullptr) {
        EXPECT_EQ(width, 0xDEADu) << "a failed read leaves the width alone";
        EXPECT_EQ(height, 0xBEEFu);
        return decoded;
    }
    decoded.ok = true;
    decoded.image.width = static_cast<int>(width);
    decoded.image.height = static_cast<int>(height);
    const auto* bytes = static_cast<const uint8_t*>(block);
    decoded.image.pixels.assign(bytes, bytes + static_cast<size_t>(width) * height * 3);
    ImageBlockFree(block);
    return decoded;
}

struct Measured {
    uint32_t result = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    std::array<char, 96> maker{};
    std::array<char, 96> model{};
    double iso = -1, shutter = -1, aperture = -1, focal = -1;
};

Measured Measure(const std::filesystem::path& file)
{
    Source source(file);
    Measured m;
    m.maker.fill(0x7F);
    m.model.fill(0x7F);
    m.result = SARAW_GetRAWDims(source.get(), &m.width, &m.height, m.maker.data(), m.model.data(),
                                &m.iso, &m.shutter, &m.aperture, &m.focal, 0);
    return m;
}

// Mean colour of stored band `band` (of `count`), 4 pixels in from every edge. `across`
// says whether the bands run across the output (rotated a quarter turn), `reversed` whether
// they run in the opposite order.
std::array<double, 3> BandMean(const zv::test::RgbImage& image, int band, int count, bool across,
                               bool reversed)
{
    const int length = across ? image.height : image.width;
    const int other = across ? image.width : image.height;
    const int slot = reversed ? count - 1 - band : band;
    std::array<double, 3> sum{};
    int pixels = 0;
    for (int along = slot * length / count + 4; along < (slot + 1) * length / count - 4; ++along) {
        for (int side = 4; side < other - 4; ++side) {
            const int x = across ? side : along;
            const int y = across ? along : side;
            for (int c = 0; c < 3; ++c) {
                sum[c] += image.pixels[(static_cast<size_t>(y) * image.width + x) * 3 + c];
            }
            ++pixels;
        }
    }
    for (double& channel : sum) {
        channel /= pixels;
    }
    return sum;
}

// The colour of each band of PatchFile: dominant channel clearly above the others, grey even.
void ExpectPatchColours(const zv::test::RgbImage& image, bool across, bool reversed)
{
    for (int band = 0; band < 3; ++band) {
        const auto mean = BandMean(image, band, 4, across, reversed);
        for (int c = 0; c < 3; ++c) {
            if (c != band) {
                EXPECT_GT(mean[band], mean[c] + 60) << "band " << band << " channel " << c;
            }
        }
    }
    const auto grey = BandMean(image, 3, 4, across, reversed);
    EXPECT_NEAR(grey[0], grey[1], 6);
    EXPECT_NEAR(grey[2], grey[1], 6);
    // Half of white through the BT.709 curve, with no content-driven brightening.
    const double expected = 255 * (1.099 * std::pow(0.5, 0.45) - 0.099);
    EXPECT_NEAR(grey[1], expected, 8);
}

TEST(RawRead, EveryMosaicLayoutGivesTheSceneColours)
{
    TempDir dir;
    const struct {
        const char* cfa;
        uint32_t width;
        uint32_t height;
    } cases[] = {{"RGGB", 64, 48}, {"BGGR", 64, 48}, {"GRBG", 128, 96}, {"GBRG", 128, 96}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cfa);
        const auto file = dir / (std::string(c.cfa) + ".dng");
        ASSERT_TRUE(WriteTestDng(file, PatchFile(c.cfa, c.width, c.height)));
        const Decoded decoded = Read(file);
        ASSERT_TRUE(decoded.ok) << "error " << decoded.error;
        EXPECT_EQ(decoded.image.width, static_cast<int>(c.width));
        EXPECT_EQ(decoded.image.height, static_cast<int>(c.height));
        ExpectPatchColours(decoded.image, false, false);
    }
}

TEST(RawRead, MonochromeSensorGivesGreyPixels)
{
    TempDir dir;
    DngOptions options = PatchFile();
    options.monochrome = true;  // records the patches' green channel
    const auto file = dir / "mono.dng";
    ASSERT_TRUE(WriteTestDng(file, options));
    const Decoded decoded = Read(file);
    ASSERT_TRUE(decoded.ok) << "error " << decoded.error;
    ASSERT_EQ(decoded.image.width, 64);
    ASSERT_EQ(decoded.image.height, 48);
    const std::vector<uint8_t>& p = decoded.image.pixels;
    for (size_t i = 0; i < p.size(); i += 3) {
        ASSERT_EQ(p[i], p[i + 1]) << "pixel " << i / 3;
        ASSERT_EQ(p[i + 2], p[i + 1]) << "pixel " << i / 3;
    }
    const double dark = BandMean(decoded.image, 0, 4, false, false)[1];
    const double bright = BandMean(decoded.image, 1, 4, false, false)[1];
    const double middle = BandMean(decoded.image, 3, 4, false, false)[1];
    EXPECT_GT(bright, middle + 5);
    EXPECT_GT(middle, dark + 60);
}

TEST(RawRead, OrientationIsApplied)
{
    TempDir dir;
    const struct {
        uint16_t orientation;
        bool quarterTurn;
        bool reversed;
    } cases[] = {{1, false, false}, {3, false, true}, {6, true, false}, {8, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.orientation);
        DngOptions options = PatchFile();
        options.orientation = c.orientation;
        const auto file = dir / "oriented.dng";
        ASSERT_TRUE(WriteTestDng(file, options));
        const Decoded decoded = Read(file);
        ASSERT_TRUE(decoded.ok) << "error " << decoded.error;
        EXPECT_EQ(decoded.image.width, c.quarterTurn ? 48 : 64);
        EXPECT_EQ(decoded.image.height, c.quarterTurn ? 64 : 48);
        ExpectPatchColours(decoded.image, c.quarterTurn, c.reversed);
        const Measured measured = Measure(file);
        EXPECT_EQ(measured.result, 1u);
        EXPECT_EQ(measured.width, static_cast<uint32_t>(decoded.image.width));
        EXPECT_EQ(measured.height, static_cast<uint32_t>(decoded.image.height));
    }
}

TEST(RawRead, ArgumentsAdjustTheResult)
{
    TempDir dir;
    const auto file = dir / "grey.dng";
    ASSERT_TRUE(WriteTestDng(file, PatchFile()));
    const auto greyOf = [&](const ReadArguments& args) {
        const Decoded decoded = Read(file, args);
        EXPECT_TRUE(decoded.ok) << "error " << decoded.error;
        return decoded.ok ? BandMean(decoded.image, 3, 4, false, false) : std::array<double, 3>{};
    };
    const auto asShot = greyOf({});
    const auto brighter = greyOf({.brightness = 1.5});
    const auto redder = greyOf({.redScale = 1.5});
    const auto bluer = greyOf({.blueScale = 1.5});
    const auto bilinear = greyOf({.quality = 0});
    EXPECT_GT(brighter[1], asShot[1] + 20);
    EXPECT_GT(redder[0], redder[1] + 20);
    EXPECT_NEAR(redder[2], redder[1], 6);
    EXPECT_GT(bluer[2], bluer[1] + 20);
    EXPECT_NEAR(bluer[0], bluer[1], 6);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(bilinear[c], asShot[c], 4);
    }
    for (const ReadArguments& bad : {ReadArguments{.brightness = 0},
                                     ReadArguments{.redScale = std::nan("")},
                                     ReadArguments{.blueScale = -1},
                                     ReadArguments{.quality = 9}}) {
        const Decoded decoded = Read(file, bad);
        EXPECT_FALSE(decoded.ok);
        EXPECT_EQ(decoded.error, 5u);
    }
}

TEST(RawMeasure, CameraDataRoundTrips)
{
    TempDir dir;
    DngOptions a = PatchFile();
    a.make = "Fictive";
    a.model = "F-1 Mark II";
    a.isoSpeed = 800;
    a.exposureSeconds = 1.0 / 250.0;
    a.fNumber = 2.8;
    a.focalLengthMm = 50;
    DngOptions b = PatchFile("BGGR");
    b.make = std::string(100, 'M');
    b.model = std::string(100, 'm');
    b.isoSpeed = 64;
    b.exposureSeconds = 2.5;
    b.fNumber = 16;
    b.focalLengthMm = 18;
    for (const DngOptions& options : {a, b}) {
        const auto file = dir / "camera.dng";
        ASSERT_TRUE(WriteTestDng(file, options));
        const Measured m = Measure(file);
        ASSERT_EQ(m.result, 1u) << "error " << IS40_GetLastError();
        EXPECT_EQ(m.width, 64u);
        EXPECT_EQ(m.height, 48u);
        // Cut to fit their 64- and 72-byte places, zero-terminated, nothing written past them.
        const std::string maker(m.maker.data()), model(m.model.data());
        EXPECT_LT(maker.size(), 64u);
        EXPECT_LT(model.size(), 72u);
        EXPECT_EQ(maker, options.make.substr(0, maker.size()));
        EXPECT_EQ(model, options.model.substr(0, model.size()));
        EXPECT_EQ(maker.size(), std::min<size_t>(options.make.size(), 63));  // all that fits
        EXPECT_GE(model.size(), std::min<size_t>(options.model.size(), 32));
        for (size_t i = 72; i < m.maker.size(); ++i) {
            EXPECT_EQ(m.maker[i], 0x7F);
            EXPECT_EQ(m.model[i], 0x7F);
        }
        EXPECT_DOUBLE_EQ(m.iso, options.isoSpeed);
        EXPECT_NEAR(m.shutter, options.exposureSeconds, options.exposureSeconds * 1e-5);
        EXPECT_NEAR(m.aperture, options.fNumber, 1e-5);
        EXPECT_NEAR(m.focal, options.focalLengthMm, 1e-5);
    }
    // Every out-pointer is optional.
    Source source(dir / "camera.dng");
    EXPECT_EQ(SARAW_GetRAWDims(source.get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, 0),
              1u);
}

TEST(RawFailures, DamagedAndOversizedFilesFailCleanly)
{
    TempDir dir;
    const auto good = dir / "good.dng";
    ASSERT_TRUE(WriteTestDng(good, PatchFile()));
    const std::vector<uint8_t> bytes = zv::test::ReadFile(good);
    DngOptions claimsMoreRows = PatchFile();
    claimsMoreRows.declaredHeight = 96;
    DngOptions absurd = PatchFile();
    absurd.declaredWidth = 60000;
    absurd.declaredHeight = 60000;
    ASSERT_TRUE(WriteTestDng(dir / "rows.dng", claimsMoreRows));
    ASSERT_TRUE(WriteTestDng(dir / "absurd.dng", absurd));
    zv::test::WriteFile(dir / "empty.dng", {});
    zv::test::WriteFile(dir / "header.dng", {bytes.begin(), bytes.begin() + 8});
    zv::test::WriteFile(dir / "half.dng", {bytes.begin(), bytes.begin() + bytes.size() / 2});
    zv::test::WriteFile(dir / "text.dng", std::vector<uint8_t>(4096, 'x'));

    const struct {
        const char* name;
        uint32_t error;
        bool measurable;  // identifiable without decoding
    } cases[] = {
        {"empty.dng", 3, false},  {"header.dng", 3, false}, {"half.dng", 45, false},
        {"text.dng", 45, false},  {"rows.dng", 3, true},    {"absurd.dng", 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Decoded decoded = Read(dir / c.name);
        EXPECT_FALSE(decoded.ok);
        EXPECT_EQ(decoded.error, c.error);
        const Measured measured = Measure(dir / c.name);
        EXPECT_EQ(measured.result, c.measurable ? 1u : 0u);
    }
    EXPECT_EQ(Measure(dir / "absurd.dng").width, 60000u);

    EXPECT_EQ(SARAW_ReadRAW(nullptr, nullptr, nullptr, 24, 1, 1, 1, 0, -1, 0, 0, 0, 0, 0, 0, 0),
              nullptr);
    EXPECT_EQ(IS40_GetLastError(), 5u);
}

TEST(RawFailures, AllocationLimitIsCheckedBeforeDecoding)
{
    TempDir dir;
    const auto file = dir / "limit.dng";
    ASSERT_TRUE(WriteTestDng(file, PatchFile("RGGB", 128, 96)));
    // Room for the raw samples and the output, not for LibRaw's working image.
    zv::platform::SetAllocationLimit(128 * 96 * 4);
    const Decoded decoded = Read(file);
    const Measured measured = Measure(file);
    zv::platform::SetAllocationLimit(0);
    EXPECT_FALSE(decoded.ok);
    EXPECT_EQ(decoded.error, 1u);
    EXPECT_EQ(measured.result, 1u) << "measuring allocates nothing proportional to the image";
    EXPECT_TRUE(Read(file).ok);
}

TEST(RawRead, ConcurrentReadsAgree)
{
    TempDir dir;
    const auto file = dir / "shared.dng";
    ASSERT_TRUE(WriteTestDng(file, PatchFile("GRBG", 128, 96)));
    std::array<Decoded, 4> results;
    std::vector<std::thread> threads;
    for (Decoded& result : results) {
        threads.emplace_back([&file, &result] { result = Read(file); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const Decoded& result : results) {
        ASSERT_TRUE(result.ok);
        EXPECT_EQ(result.image.pixels, results[0].image.pixels);
    }
}

} // namespace
