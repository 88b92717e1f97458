// TIFF layouts libtiff's RGBA interface refuses, which the reader converts from the decoded
// samples: 12-bit and other depths, 32-bit unsigned and floating-point samples, 16-bit CMYK.
// Generated files are checked against the documented 8-bit mapping, corpus files against
// PIL's decoded samples under the same mapping. Signed and half-float samples, written by the
// sample writer from a known picture, must come back exactly (signed values moved up by half
// their range, halves of v / 255 scaled back by 255).
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "sample_writers.h"
#include "tests/support/imaging_support.h"
#include "tests/support/tiff_writing.h"
#include "tests/support/pil_rendering.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>

namespace fs = std::filesystem;
using namespace zv::test;
using namespace zv::imaging;

namespace {

ReadResult ReadTiff(const fs::path& file)
{
    return ReadWith([](HISSRC s, uint32_t* w, uint32_t* h) { return IS40_ReadTIFF(s, w, h, 24, nullptr, 0, 0); },
                    file);
}

struct Variant {
    const char* name;
    uint16_t photometric;
    uint16_t bits;
    uint16_t samplesPerPixel;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    uint16_t compression = COMPRESSION_NONE;
    bool tiled = false;
    uint16_t extra = 0;  // ExtraSamples kind of the last sample, 0 for none
    uint16_t orientation = ORIENTATION_TOPLEFT;
};

constexpr uint32_t kWidth = 29;  // not a multiple of the tiles, nor of a byte of 12-bit samples
constexpr uint32_t kHeight = 19;
constexpr uint32_t kTile = 16;

// The stored value of sample s of pixel (x, y): an integer, or a float spanning -0.25..1.25
// so that clamping at both ends is exercised.
double SampleAt(const Variant& v, uint32_t x, uint32_t y, uint32_t s)
{
    const uint64_t mix = x * 7919ull + y * 104729ull + s * 15485863ull;
    if (v.sampleFormat == SAMPLEFORMAT_IEEEFP) {
        const double value = -0.25 + static_cast<double>(mix % 31) / 20.0;
        return v.bits == 32 ? static_cast<float>(value) : value;  // as stored: ties round alike
    }
    if (v.extra != 0 && s + 1 == v.samplesPerPixel) {
        const double top = std::ldexp(1.0, v.bits) - 1;
        return top - static_cast<double>((x + y) % 3) * std::floor(top / 4);  // opaque or partly transparent
    }
    if (v.bits == 32) {
        return static_cast<double>(static_cast<uint32_t>(mix * 2654435761ull));
    }
    return static_cast<double>(mix % (1ull << v.bits));
}

// The documented reduction to 8 bits.
uint32_t Expected8(const Variant& v, double value)
{
    if (v.sampleFormat == SAMPLEFORMAT_IEEEFP) {
        return static_cast<uint32_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
    }
    const auto raw = static_cast<uint32_t>(value);
    if (v.bits >= 16) {
        return raw >> (v.bits - 8);  // the high byte
    }
    return static_cast<uint32_t>(std::lround(raw * 255.0 / ((1u << v.bits) - 1)));
}

void AppendSample(const Variant& v, double value, std::vector<uint8_t>& out, uint64_t& bitBuffer, int& bits)
{
    auto append = [&out](const auto& typed) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(&typed);
        out.insert(out.end(), bytes, bytes + sizeof typed);
    };
    if (v.sampleFormat == SAMPLEFORMAT_IEEEFP) {
        v.bits == 32 ? append(static_cast<float>(value)) : append(value);
    } else if (v.bits == 16) {
        append(static_cast<uint16_t>(value));
    } else if (v.bits == 32) {
        append(static_cast<uint32_t>(value));
    } else {
        bitBuffer = (bitBuffer << v.bits) | static_cast<uint64_t>(value);
        bits += v.bits;
        for (; bits >= 8; bits -= 8) {
            out.push_back(static_cast<uint8_t>(bitBuffer >> (bits - 8)));
        }
    }
}

// The samples of columns [x0, x0 + width) of row y, for one plane (or all when plane < 0).
std::vector<uint8_t> RowBytes(const Variant& v, uint32_t y, uint32_t x0, uint32_t width, int plane)
{
    std::vector<uint8_t> out;
    uint64_t bitBuffer = 0;
    int bits = 0;
    for (uint32_t x = x0; x < x0 + width; ++x) {
        for (uint32_t s = 0; s < v.samplesPerPixel; ++s) {
            if (plane < 0 || static_cast<uint32_t>(plane) == s) {
                AppendSample(v, x < kWidth && y < kHeight ? SampleAt(v, x, y, s) : 0.0, out, bitBuffer, bits);
            }
        }
    }
    if (bits > 0) {
        out.push_back(static_cast<uint8_t>(bitBuffer << (8 - bits)));
    }
    return out;
}

bool WriteVariant(const fs::path& file, const Variant& v)
{
    TIFF* tiff = zv::test::CreateTiff(file, {kWidth, kHeight, v.bits, v.samplesPerPixel, v.photometric, v.planar,
                                             v.compression, v.sampleFormat, v.orientation, v.extra});
    if (tiff == nullptr) {
        return false;
    }
    const int planes = v.planar == PLANARCONFIG_SEPARATE ? v.samplesPerPixel : 1;
    const zv::test::TiffPixelLayout pixels{kWidth, kHeight, planes, v.tiled ? kTile : 0u, 4};
    return zv::test::WriteTiffPixelsAndClose(tiff, pixels, [&](uint32_t y, uint32_t x, uint32_t count, int plane) {
        return RowBytes(v, y, x, count, plane);
    });
}

// The 8-bit RGB a reader must deliver for stored pixel (x, y).
void ExpectedPixel(const Variant& v, uint32_t x, uint32_t y, uint32_t* rgb)
{
    auto sample = [&](uint32_t s) { return Expected8(v, SampleAt(v, x, y, s)); };
    switch (v.photometric) {
    case PHOTOMETRIC_MINISBLACK:
        rgb[0] = rgb[1] = rgb[2] = sample(0);
        return;
    case PHOTOMETRIC_MINISWHITE:
        rgb[0] = rgb[1] = rgb[2] = 255 - sample(0);
        return;
    case PHOTOMETRIC_SEPARATED:
        for (uint32_t c = 0; c < 3; ++c) {
            rgb[c] = (255 - sample(3)) * (255 - sample(c)) / 255;
        }
        return;
    default:
        for (uint32_t c = 0; c < 3; ++c) {
            rgb[c] = sample(c);
        }
        if (v.extra == EXTRASAMPLE_ASSOCALPHA) {
            const uint32_t alpha = sample(3);
            for (uint32_t c = 0; c < 3; ++c) {
                rgb[c] = alpha == 0 || alpha == 255 ? rgb[c] : std::min(255u, rgb[c] * 255 / alpha);
            }
        }
        return;
    }
}

int WorstDifference(const Variant& v, const ReadResult& ours)
{
    int worst = 0;
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) {
            uint32_t expected[3];
            ExpectedPixel(v, x, y, expected);
            for (int c = 0; c < 3; ++c) {
                const int got = ours.pixels[(static_cast<size_t>(y) * kWidth + x) * 3 + c];
                worst = std::max(worst, std::abs(static_cast<int>(expected[c]) - got));
            }
        }
    }
    return worst;
}

// PIL's decoded samples of a file, before any reduction to 8 bits.
struct PilSamples {
    std::string mode;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bands = 0;
    std::vector<double> values;
};

std::optional<PilSamples> ReadPilSamples(const fs::path& file, const fs::path& dump)
{
    const std::string command = "/usr/bin/python3 '" + std::string(ZV_SOURCE_DIR) + "/tests/support/pil_samples.py' '" +
                                file.string() + "' '" + dump.string() + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) {
        return std::nullopt;
    }
    std::ifstream in(dump, std::ios::binary);
    PilSamples samples;
    if (!(in >> samples.mode >> samples.width >> samples.height >> samples.bands)) {
        return std::nullopt;
    }
    in.get();
    samples.values.resize(static_cast<size_t>(samples.width) * samples.height * samples.bands);
    in.read(reinterpret_cast<char*>(samples.values.data()),
            static_cast<std::streamsize>(samples.values.size() * sizeof(double)));
    if (static_cast<size_t>(in.gcount()) != samples.values.size() * sizeof(double)) {
        return std::nullopt;
    }
    return samples;
}

// Reads the first `keep` bytes of `whole` as a file of their own (a fresh name each time:
// truncating and rewriting one file makes the file system flush it, which is slow).
ReadResult ReadPrefix(const fs::path& dir, const std::vector<uint8_t>& whole, size_t keep)
{
    const fs::path file = dir / ("prefix-" + std::to_string(keep) + ".tif");
    WriteFile(file, std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(keep)));
    ReadResult result = ReadTiff(file);
    fs::remove(file);
    return result;
}

} // namespace

TEST(TiffDepths, EveryConvertedLayoutDecodesExactly)
{
    const Variant variants[] = {
        {"grey 12-bit", PHOTOMETRIC_MINISBLACK, 12, 1},
        {"white-is-zero 12-bit tiles", PHOTOMETRIC_MINISWHITE, 12, 1, PLANARCONFIG_CONTIG, SAMPLEFORMAT_UINT,
         COMPRESSION_LZW, true},
        {"grey 10-bit deflate", PHOTOMETRIC_MINISBLACK, 10, 1, PLANARCONFIG_CONTIG, SAMPLEFORMAT_UINT,
         COMPRESSION_ADOBE_DEFLATE},
        {"rgb 12-bit", PHOTOMETRIC_RGB, 12, 3},
        {"rgb 12-bit planar lzw", PHOTOMETRIC_RGB, 12, 3, PLANARCONFIG_SEPARATE, SAMPLEFORMAT_UINT, COMPRESSION_LZW},
        {"rgb 12-bit planar tiles", PHOTOMETRIC_RGB, 12, 3, PLANARCONFIG_SEPARATE, SAMPLEFORMAT_UINT,
         COMPRESSION_NONE, true},
        {"rgb 4-bit", PHOTOMETRIC_RGB, 4, 3},
        {"rgba 12-bit associated", PHOTOMETRIC_RGB, 12, 4, PLANARCONFIG_CONTIG, SAMPLEFORMAT_UINT, COMPRESSION_NONE,
         false, EXTRASAMPLE_ASSOCALPHA},
        {"rgba 12-bit unassociated planar", PHOTOMETRIC_RGB, 12, 4, PLANARCONFIG_SEPARATE, SAMPLEFORMAT_UINT,
         COMPRESSION_NONE, false, EXTRASAMPLE_UNASSALPHA},
        {"grey 32-bit unsigned", PHOTOMETRIC_MINISBLACK, 32, 1, PLANARCONFIG_CONTIG, SAMPLEFORMAT_UINT,
         COMPRESSION_LZW},
        {"rgb 32-bit unsigned planar tiles", PHOTOMETRIC_RGB, 32, 3, PLANARCONFIG_SEPARATE, SAMPLEFORMAT_UINT,
         COMPRESSION_NONE, true},
        {"grey float", PHOTOMETRIC_MINISBLACK, 32, 1, PLANARCONFIG_CONTIG, SAMPLEFORMAT_IEEEFP},
        {"rgb float deflate", PHOTOMETRIC_RGB, 32, 3, PLANARCONFIG_CONTIG, SAMPLEFORMAT_IEEEFP,
         COMPRESSION_ADOBE_DEFLATE},
        {"rgb float planar tiles", PHOTOMETRIC_RGB, 32, 3, PLANARCONFIG_SEPARATE, SAMPLEFORMAT_IEEEFP,
         COMPRESSION_NONE, true},
        {"grey double", PHOTOMETRIC_MINISBLACK, 64, 1, PLANARCONFIG_CONTIG, SAMPLEFORMAT_IEEEFP},
        {"cmyk 16-bit", PHOTOMETRIC_SEPARATED, 16, 4},
        {"cmyk 16-bit planar lzw", PHOTOMETRIC_SEPARATED, 16, 4, PLANARCONFIG_SEPARATE, SAMPLEFORMAT_UINT,
         COMPRESSION_LZW},
        {"cmyk 16-bit tiles", PHOTOMETRIC_SEPARATED, 16, 4, PLANARCONFIG_CONTIG, SAMPLEFORMAT_UINT, COMPRESSION_NONE,
         true},
    };
    TempDir dir;
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        const fs::path file = dir / "variant.tif";
        ASSERT_TRUE(WriteVariant(file, v));
        const ReadResult ours = ReadTiff(file);
        ASSERT_TRUE(ours.ok) << "error " << ours.error;
        ASSERT_EQ(ours.width, kWidth);
        ASSERT_EQ(ours.height, kHeight);
        EXPECT_EQ(WorstDifference(v, ours), 0);
    }
}

TEST(TiffDepths, TwelveBitEndsAndMiddleMapAsDocumented)
{
    // One row holding 0, 1, 2048, 4094, 4095: 12-bit full scale is 8-bit full scale.
    const Variant v{"ends", PHOTOMETRIC_MINISBLACK, 12, 1};
    TempDir dir;
    const fs::path file = dir / "ends.tif";
    TIFF* tiff = CreateTiff(file, {5, 1, 12});
    ASSERT_NE(tiff, nullptr);
    std::vector<uint8_t> row;
    uint64_t bitBuffer = 0;
    int bits = 0;
    for (double value : {0.0, 1.0, 2048.0, 4094.0, 4095.0}) {
        AppendSample(v, value, row, bitBuffer, bits);
    }
    row.push_back(static_cast<uint8_t>(bitBuffer << (8 - bits)));
    ASSERT_EQ(TIFFWriteScanline(tiff, row.data(), 0, 0), 1);
    TIFFClose(tiff);
    const ReadResult ours = ReadTiff(file);
    ASSERT_TRUE(ours.ok) << ours.error;
    const uint8_t expected[] = {0, 0, 128, 255, 255};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(ours.pixels[i * 3], expected[i]) << i;
    }
}

// Each orientation places the converted pixels exactly where the RGBA path places the same
// 8-bit values.
TEST(TiffDepths, OrientationMatchesTheRgbaPath)
{
    TempDir dir;
    for (uint16_t orientation = ORIENTATION_TOPLEFT; orientation <= ORIENTATION_LEFTBOT; ++orientation) {
        SCOPED_TRACE(orientation);
        Variant deep{"deep", PHOTOMETRIC_RGB, 12, 3};
        deep.orientation = orientation;
        ASSERT_TRUE(WriteVariant(dir / "deep.tif", deep));
        TiffHeader eight{kWidth, kHeight, 8, 3, PHOTOMETRIC_RGB};
        eight.orientation = orientation;
        TIFF* tiff = CreateTiff(dir / "eight.tif", eight);
        ASSERT_NE(tiff, nullptr);
        for (uint32_t y = 0; y < kHeight; ++y) {
            std::vector<uint8_t> row;
            for (uint32_t x = 0; x < kWidth; ++x) {
                uint32_t rgb[3];
                ExpectedPixel(deep, x, y, rgb);
                row.insert(row.end(), {static_cast<uint8_t>(rgb[0]), static_cast<uint8_t>(rgb[1]),
                                       static_cast<uint8_t>(rgb[2])});
            }
            ASSERT_EQ(TIFFWriteScanline(tiff, row.data(), y, 0), 1);
        }
        TIFFClose(tiff);
        const ReadResult converted = ReadTiff(dir / "deep.tif");
        const ReadResult rendered = ReadTiff(dir / "eight.tif");
        ASSERT_TRUE(converted.ok && rendered.ok);
        EXPECT_EQ(converted.width, rendered.width);
        EXPECT_EQ(converted.height, rendered.height);
        EXPECT_EQ(converted.pixels, rendered.pixels);
    }
}

TEST(TiffDepths, LayoutsNeitherPathTakesStillFail)
{
    const Variant refused[] = {
        {"two-channel rgb 12-bit", PHOTOMETRIC_RGB, 12, 2},
    };
    TempDir dir;
    for (const Variant& v : refused) {
        SCOPED_TRACE(v.name);
        TIFF* tiff = CreateTiff(dir / "refused.tif", {4, 2, v.bits, v.samplesPerPixel, v.photometric, v.planar,
                                                      COMPRESSION_NONE, v.sampleFormat});
        ASSERT_NE(tiff, nullptr);
        std::vector<uint8_t> row(4 * 8 * v.samplesPerPixel, 0x5a);
        for (uint32_t y = 0; y < 2; ++y) {
            ASSERT_EQ(TIFFWriteScanline(tiff, row.data(), y, 0), 1);
        }
        TIFFClose(tiff);
        const ReadResult ours = ReadTiff(dir / "refused.tif");
        EXPECT_FALSE(ours.ok);
        EXPECT_EQ(ours.error, kErrInvalidTIFF);
    }
}

TEST(TiffDepths, ImagesAboveTheAllocationLimitFailBeforeAllocating)
{
    TempDir dir;
    const fs::path file = dir / "deep.tif";
    ASSERT_TRUE(WriteVariant(file, {"rgb float", PHOTOMETRIC_RGB, 32, 3, PLANARCONFIG_CONTIG, SAMPLEFORMAT_IEEEFP}));
    {
        AllocationLimitScope limit(kWidth * kHeight * 4 - 1);
        EXPECT_EQ(ReadTiff(file).error, kErrOutOfMemory);
    }
    EXPECT_TRUE(ReadTiff(file).ok);
}

TEST(TiffDepths, EveryTruncationFailsCleanly)
{
    TempDir dir;
    const fs::path file = dir / "cut.tif";
    const std::vector<uint8_t> directoryFirst = DirectoryFirstTiff(12);
    const size_t pixelsAt = directoryFirst.size() - 16 * 16 * 12 / 8;
    WriteFile(file, directoryFirst);
    ASSERT_TRUE(ReadTiff(file).ok);
    for (size_t keep = 0; keep < directoryFirst.size(); ++keep) {
        const ReadResult ours = ReadPrefix(dir.path(), directoryFirst, keep);
        EXPECT_FALSE(ours.ok) << keep;
        if (keep >= pixelsAt) {
            EXPECT_EQ(ours.error, kErrFileRead) << keep;
        } else {
            EXPECT_TRUE(ours.error == kErrFileRead || ours.error == kErrInvalidTIFF) << keep << ": " << ours.error;
        }
    }
    // libtiff writes its directory last: every cut of a compressed planar file loses it.
    ASSERT_TRUE(WriteVariant(file, {"rgb planar", PHOTOMETRIC_RGB, 12, 3, PLANARCONFIG_SEPARATE, SAMPLEFORMAT_UINT,
                                    COMPRESSION_LZW}));
    const std::vector<uint8_t> written = ReadFile(file);
    for (size_t keep = 0; keep < written.size(); ++keep) {
        const ReadResult ours = ReadPrefix(dir.path(), written, keep);
        EXPECT_TRUE(ours.ok || ours.error == kErrFileRead || ours.error == kErrInvalidTIFF) << keep;
    }
}

// 12-bit and floating-point corpus files against PIL's decoded samples under the documented
// mapping (exact); 16-bit CMYK against PIL's RGB rendering (within 1: PIL rounds the ink
// product, the reader truncates it as libtiff's 8-bit CMYK path does).
TEST(TiffDepths, CorpusFilesMatchPil)
{
#if defined(_WIN32)
    GTEST_SKIP() << "Pillow's raw samples come from python, which does not run under Wine";
#endif
    auto corpus = CorpusDir();
    if (!corpus) {
        GTEST_SKIP() << "corpus absent";
    }
    TempDir dir;
    struct Case {
        const char* file;
        Variant mapping;
    };
    const Case bySamples[] = {
        {"12bit.cropped.tif", {"12-bit grey", PHOTOMETRIC_MINISBLACK, 12, 1}},
        {"10ct_32bit_128.tiff", {"float grey", PHOTOMETRIC_MINISBLACK, 32, 1, PLANARCONFIG_CONTIG, SAMPLEFORMAT_IEEEFP}},
    };
    for (const Case& c : bySamples) {
        SCOPED_TRACE(c.file);
        const fs::path file = *corpus / "pillow" / c.file;
        const auto pil = ReadPilSamples(file, dir / "samples.bin");
        ASSERT_TRUE(pil.has_value());
        ASSERT_EQ(pil->bands, 1u);
        const ReadResult ours = ReadTiff(file);
        ASSERT_TRUE(ours.ok) << ours.error;
        ASSERT_EQ(ours.width, pil->width);
        ASSERT_EQ(ours.height, pil->height);
        int worst = 0;
        for (size_t i = 0; i < pil->values.size(); ++i) {
            const int expected = static_cast<int>(Expected8(c.mapping, pil->values[i]));
            for (int channel = 0; channel < 3; ++channel) {
                worst = std::max(worst, std::abs(expected - ours.pixels[i * 3 + channel]));
            }
        }
        EXPECT_EQ(worst, 0);
    }
    // 32-bit unsigned RGB that PIL cannot open: the high bytes are hopper itself.
    const auto hopper = PilRender(*corpus / "pillow" / "hopper.tif");
    ASSERT_TRUE(hopper && hopper->hasPixels);
    const ReadResult deep = ReadTiff(*corpus / "pillow" / "hopper_unknown_pixel_mode.tif");
    ASSERT_TRUE(deep.ok) << deep.error;
    EXPECT_EQ(MaxDifference(hopper->image, deep.pixels.data(), static_cast<int>(deep.width),
                            static_cast<int>(deep.height)),
              0);
    const fs::path cmyk = *corpus / "pillow" / "tiff_strip_cmyk_16l_jpeg.tif";
    const auto pil = PilRender(cmyk);
    ASSERT_TRUE(pil && pil->hasPixels);
    const ReadResult ours = ReadTiff(cmyk);
    ASSERT_TRUE(ours.ok) << ours.error;
    const int difference = MaxDifference(pil->image, ours.pixels.data(), static_cast<int>(ours.width),
                                         static_cast<int>(ours.height));
    EXPECT_GE(difference, 0);
    EXPECT_LE(difference, 1);
}

namespace {

using zv::samples::SampleKind;
using zv::samples::TiffOptions;

struct TiffVariant {
    const char* name;
    TiffOptions options;
};

const TiffVariant kVariants[] = {
    {"signed 8-bit", {8, SampleKind::Signed}},
    {"signed 16-bit", {16, SampleKind::Signed}},
    {"signed 32-bit", {32, SampleKind::Signed}},
    {"half float", {16, SampleKind::Float}},
};

TEST(TiffVariants, GiveTheWrittenPictureBack)
{
    const zv::samples::Picture picture = zv::samples::MakeTestPicture(37, 21);
    TempDir dir;
    for (const TiffVariant& variant : kVariants) {
        SCOPED_TRACE(variant.name);
        const fs::path file = dir / "variant.tif";
        ASSERT_TRUE(zv::samples::WriteTiff(file.string(), picture, variant.options));
        const ReadResult ours = ReadTiff(file);
        ASSERT_TRUE(ours.ok) << "error " << ours.error;
        EXPECT_EQ(ours.width, picture.width);
        EXPECT_EQ(ours.height, picture.height);
        EXPECT_EQ(ours.pixels, picture.rgb);  // every value of the picture survives exactly
        {
            AllocationLimitScope limit(uint64_t{picture.width} * picture.height * 4 - 1);
            EXPECT_EQ(ReadTiff(file).error, zv::imaging::kErrOutOfMemory);
        }
    }
}

} // namespace
