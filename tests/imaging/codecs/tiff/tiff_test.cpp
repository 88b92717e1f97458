// TIFF reading and measuring: generated files of known content for every sample layout, both
// those libtiff's RGBA interface renders and those the reader converts from the decoded samples
// (other depths, 32-bit and floating-point samples, 16-bit CMYK), checked against the documented
// 8-bit mapping; the public corpus against PIL; and the failures.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "sample_writers.h"
#include "tests/support/imaging_support.h"
#include "tests/support/pil_rendering.h"
#include "tiff_writer.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <optional>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace zv::test;
using namespace zv::imaging;
using zv::samples::CreateTiff;
using zv::samples::DirectoryFirstTiff;

namespace {

ReadResult ReadTiff(const fs::path& file)
{
    return ReadWith([](HISSRC s, uint32_t* w, uint32_t* h) { return IS40_ReadTIFF(s, w, h, 24, nullptr, 0, 0); },
                    file);
}

// ---- Generated files ------------------------------------------------------------------------

struct Layout {
    const char* name;
    uint16_t photometric;
    uint16_t bits;
    uint16_t samplesPerPixel;  // including one extra sample when `extra` is set
    uint16_t compression = COMPRESSION_NONE;
    bool planar = false;
    bool tiled = false;
    uint16_t extra = 0;        // 0: none; else the ExtraSamples kind of the last sample
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    uint16_t orientation = ORIENTATION_TOPLEFT;
};

constexpr uint32_t kWidth = 29;  // not a multiple of the tiles, nor of a byte of 1- or 12-bit samples
constexpr uint32_t kHeight = 19;
constexpr uint32_t kTile = 16;

// The stored value of sample s of pixel (x, y): an integer, or a float spanning -0.25..1.25
// so that clamping at both ends is exercised.
double SampleAt(const Layout& l, uint32_t x, uint32_t y, uint32_t s)
{
    const uint64_t mix = x * 7919ull + y * 104729ull + s * 15485863ull;
    if (l.sampleFormat == SAMPLEFORMAT_IEEEFP) {
        const double value = -0.25 + static_cast<double>(mix % 31) / 20.0;
        return l.bits == 32 ? static_cast<float>(value) : value;  // as stored: ties round alike
    }
    if (l.extra != 0 && s + 1 == l.samplesPerPixel) {
        const double top = std::ldexp(1.0, l.bits) - 1;
        return top - static_cast<double>((x + y) % 3) * std::floor(top / 4);  // opaque or partly transparent
    }
    if (l.bits == 32) {
        return static_cast<double>(static_cast<uint32_t>(mix * 2654435761ull));
    }
    return static_cast<double>(mix % (1ull << l.bits));
}

// The documented reduction to 8 bits. libtiff's RGBA path rounds 16-bit colour samples; grey,
// CMYK and the deeper samples keep their high byte.
uint32_t Expected8(const Layout& l, double value)
{
    if (l.sampleFormat == SAMPLEFORMAT_IEEEFP) {
        return static_cast<uint32_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
    }
    const auto raw = static_cast<uint32_t>(value);
    if (l.bits == 16 && l.photometric == PHOTOMETRIC_RGB) {
        return (raw * 255 + 32767) / 65535;
    }
    if (l.bits >= 16) {
        return raw >> (l.bits - 8);
    }
    return static_cast<uint32_t>(std::lround(raw * 255.0 / ((1u << l.bits) - 1)));
}

std::vector<uint16_t> PaletteChannel(int channel)
{
    std::vector<uint16_t> map(256);
    for (int i = 0; i < 256; ++i) {
        map[i] = static_cast<uint16_t>(((i * (channel + 3) + 40 * channel) % 256) * 257);
    }
    return map;
}

void AppendSample(const Layout& l, double value, std::vector<uint8_t>& out, uint64_t& bitBuffer, int& bits)
{
    auto append = [&out](const auto& typed) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(&typed);
        out.insert(out.end(), bytes, bytes + sizeof typed);
    };
    if (l.sampleFormat == SAMPLEFORMAT_IEEEFP) {
        l.bits == 32 ? append(static_cast<float>(value)) : append(value);
    } else if (l.bits == 16) {
        append(static_cast<uint16_t>(value));
    } else if (l.bits == 32) {
        append(static_cast<uint32_t>(value));
    } else {
        bitBuffer = (bitBuffer << l.bits) | static_cast<uint64_t>(value);
        bits += l.bits;
        for (; bits >= 8; bits -= 8) {
            out.push_back(static_cast<uint8_t>(bitBuffer >> (bits - 8)));
        }
    }
}

// The samples of columns [x0, x0 + width) of row y, for one plane (or all when plane < 0).
std::vector<uint8_t> RowBytes(const Layout& l, uint32_t y, uint32_t x0, uint32_t width, int plane)
{
    std::vector<uint8_t> out;
    uint64_t bitBuffer = 0;
    int bits = 0;
    for (uint32_t x = x0; x < x0 + width; ++x) {
        for (uint32_t s = 0; s < l.samplesPerPixel; ++s) {
            if (plane < 0 || static_cast<uint32_t>(plane) == s) {
                AppendSample(l, x < kWidth && y < kHeight ? SampleAt(l, x, y, s) : 0.0, out, bitBuffer, bits);
            }
        }
    }
    if (bits > 0) {
        out.push_back(static_cast<uint8_t>(bitBuffer << (8 - bits)));
    }
    return out;
}

bool WriteLayout(const fs::path& file, const Layout& l)
{
    TIFF* tiff = CreateTiff(file.string(), {kWidth, kHeight, l.bits, l.samplesPerPixel, l.photometric,
                                            static_cast<uint16_t>(l.planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG),
                                            l.compression, l.sampleFormat, l.orientation, l.extra});
    if (tiff == nullptr) {
        return false;
    }
    if (l.photometric == PHOTOMETRIC_PALETTE) {
        const auto red = PaletteChannel(0), green = PaletteChannel(1), blue = PaletteChannel(2);
        TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    }
    const zv::samples::TiffPixelLayout pixels{kWidth, kHeight, l.planar ? l.samplesPerPixel : 1, l.tiled ? kTile : 0u, 5};
    return zv::samples::WriteTiffPixelsAndClose(tiff, pixels, [&](uint32_t y, uint32_t x, uint32_t count, int plane) {
        return RowBytes(l, y, x, count, plane);
    });
}

// The 8-bit RGB a reader must deliver for stored pixel (x, y).
void ExpectedPixel(const Layout& l, uint32_t x, uint32_t y, uint32_t* rgb)
{
    auto sample = [&](uint32_t s) { return Expected8(l, SampleAt(l, x, y, s)); };
    switch (l.photometric) {
    case PHOTOMETRIC_MINISBLACK:
        rgb[0] = rgb[1] = rgb[2] = sample(0);
        return;
    case PHOTOMETRIC_MINISWHITE:
        rgb[0] = rgb[1] = rgb[2] = 255 - sample(0);
        return;
    case PHOTOMETRIC_PALETTE:
        for (int c = 0; c < 3; ++c) {
            rgb[c] = PaletteChannel(c)[static_cast<size_t>(SampleAt(l, x, y, 0))] / 257u;
        }
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
        if (l.extra == EXTRASAMPLE_ASSOCALPHA) {
            const uint32_t alpha = sample(3);
            for (uint32_t c = 0; c < 3; ++c) {
                rgb[c] = alpha == 0 || alpha == 255 ? rgb[c] : std::min(255u, rgb[c] * 255 / alpha);
            }
        }
        return;
    }
}

int WorstDifference(const Layout& l, const ReadResult& ours)
{
    int worst = 0;
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) {
            uint32_t expected[3];
            ExpectedPixel(l, x, y, expected);
            for (int c = 0; c < 3; ++c) {
                const int got = ours.pixels[(static_cast<size_t>(y) * kWidth + x) * 3 + c];
                worst = std::max(worst, std::abs(static_cast<int>(expected[c]) - got));
            }
        }
    }
    return worst;
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

// Captures what is written to standard error (file descriptor 2) during a scope.
class StderrCapture {
public:
    explicit StderrCapture(const fs::path& file) : file_(file)
    {
        std::fflush(stderr);
        saved_ = dup(2);
        const int target = open(file.string().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(target, 2);
        close(target);
    }
    ~StderrCapture() { Restore(); }
    std::string Text()
    {
        Restore();
        const auto bytes = ReadFile(file_);
        return std::string(bytes.begin(), bytes.end());
    }

private:
    void Restore()
    {
        if (saved_ >= 0) {
            std::fflush(stderr);
            dup2(saved_, 2);
            close(saved_);
            saved_ = -1;
        }
    }
    fs::path file_;
    int saved_ = -1;
};

// Whether the linked libtiff was built with the compression scheme of the file's first
// directory (the Windows builds of the codecs have fewer optional schemes than Debian's).
bool CodecBuiltIn(const fs::path& file)
{
    TIFF* tiff = TIFFOpen(file.string().c_str(), "r");
    uint16_t compression = COMPRESSION_NONE;
    if (tiff != nullptr) {
        TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
        TIFFClose(tiff);
    }
    return TIFFIsCODECConfigured(compression) != 0;
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

} // namespace

TEST(TiffReader, EveryLayoutDecodesExactly)
{
    const Layout layouts[] = {
        // Rendered by libtiff's RGBA interface.
        {"bilevel", PHOTOMETRIC_MINISBLACK, 1, 1},
        {"grey 2-bit packbits", PHOTOMETRIC_MINISBLACK, 2, 1, COMPRESSION_PACKBITS},
        {"grey 4-bit lzw tiles", PHOTOMETRIC_MINISBLACK, 4, 1, COMPRESSION_LZW, false, true},
        {"grey 8-bit deflate", PHOTOMETRIC_MINISBLACK, 8, 1, COMPRESSION_ADOBE_DEFLATE},
        {"white-is-zero 8-bit tiles", PHOTOMETRIC_MINISWHITE, 8, 1, COMPRESSION_NONE, false, true},
        {"grey 16-bit", PHOTOMETRIC_MINISBLACK, 16, 1, COMPRESSION_LZW},
        {"palette 4-bit", PHOTOMETRIC_PALETTE, 4, 1},
        {"palette 8-bit tiles", PHOTOMETRIC_PALETTE, 8, 1, COMPRESSION_LZW, false, true},
        {"rgb 8-bit", PHOTOMETRIC_RGB, 8, 3},
        {"rgb 8-bit planar lzw", PHOTOMETRIC_RGB, 8, 3, COMPRESSION_LZW, true},
        {"rgb 8-bit planar tiles", PHOTOMETRIC_RGB, 8, 3, COMPRESSION_ADOBE_DEFLATE, true, true},
        {"rgb 16-bit tiles", PHOTOMETRIC_RGB, 16, 3, COMPRESSION_NONE, false, true},
        {"rgba unassociated", PHOTOMETRIC_RGB, 8, 4, COMPRESSION_NONE, false, false, EXTRASAMPLE_UNASSALPHA},
        {"rgba associated planar", PHOTOMETRIC_RGB, 8, 4, COMPRESSION_LZW, true, false, EXTRASAMPLE_ASSOCALPHA},
        // Converted by the reader from the decoded samples.
        {"grey 12-bit", PHOTOMETRIC_MINISBLACK, 12, 1},
        {"white-is-zero 12-bit tiles", PHOTOMETRIC_MINISWHITE, 12, 1, COMPRESSION_LZW, false, true},
        {"grey 10-bit deflate", PHOTOMETRIC_MINISBLACK, 10, 1, COMPRESSION_ADOBE_DEFLATE},
        {"rgb 12-bit", PHOTOMETRIC_RGB, 12, 3},
        {"rgb 12-bit planar lzw", PHOTOMETRIC_RGB, 12, 3, COMPRESSION_LZW, true},
        {"rgb 12-bit planar tiles", PHOTOMETRIC_RGB, 12, 3, COMPRESSION_NONE, true, true},
        {"rgb 4-bit", PHOTOMETRIC_RGB, 4, 3},
        {"rgba 12-bit associated", PHOTOMETRIC_RGB, 12, 4, COMPRESSION_NONE, false, false, EXTRASAMPLE_ASSOCALPHA},
        {"rgba 12-bit unassociated planar", PHOTOMETRIC_RGB, 12, 4, COMPRESSION_NONE, true, false, EXTRASAMPLE_UNASSALPHA},
        {"grey 32-bit unsigned", PHOTOMETRIC_MINISBLACK, 32, 1, COMPRESSION_LZW},
        {"rgb 32-bit unsigned planar tiles", PHOTOMETRIC_RGB, 32, 3, COMPRESSION_NONE, true, true},
        {"grey float", PHOTOMETRIC_MINISBLACK, 32, 1, COMPRESSION_NONE, false, false, 0, SAMPLEFORMAT_IEEEFP},
        {"rgb float deflate", PHOTOMETRIC_RGB, 32, 3, COMPRESSION_ADOBE_DEFLATE, false, false, 0, SAMPLEFORMAT_IEEEFP},
        {"rgb float planar tiles", PHOTOMETRIC_RGB, 32, 3, COMPRESSION_NONE, true, true, 0, SAMPLEFORMAT_IEEEFP},
        {"grey double", PHOTOMETRIC_MINISBLACK, 64, 1, COMPRESSION_NONE, false, false, 0, SAMPLEFORMAT_IEEEFP},
        {"cmyk 16-bit", PHOTOMETRIC_SEPARATED, 16, 4},
        {"cmyk 16-bit planar lzw", PHOTOMETRIC_SEPARATED, 16, 4, COMPRESSION_LZW, true},
        {"cmyk 16-bit tiles", PHOTOMETRIC_SEPARATED, 16, 4, COMPRESSION_NONE, false, true},
    };
    TempDir dir;
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.name);
        const fs::path file = dir / "layout.tif";
        ASSERT_TRUE(WriteLayout(file, l));
        const ReadResult ours = ReadTiff(file);
        ASSERT_TRUE(ours.ok) << "error " << ours.error;
        ASSERT_EQ(ours.width, kWidth);
        ASSERT_EQ(ours.height, kHeight);
        EXPECT_EQ(WorstDifference(l, ours), 0);
    }
}

TEST(TiffReader, TwelveBitEndsAndMiddleMapAsDocumented)
{
    // One row holding 0, 1, 2048, 4094, 4095: 12-bit full scale is 8-bit full scale.
    const Layout l{"ends", PHOTOMETRIC_MINISBLACK, 12, 1};
    TempDir dir;
    const fs::path file = dir / "ends.tif";
    TIFF* tiff = CreateTiff(file.string(), {5, 1, 12});
    ASSERT_NE(tiff, nullptr);
    std::vector<uint8_t> row;
    uint64_t bitBuffer = 0;
    int bits = 0;
    for (double value : {0.0, 1.0, 2048.0, 4094.0, 4095.0}) {
        AppendSample(l, value, row, bitBuffer, bits);
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
TEST(TiffReader, OrientationOfConvertedLayoutsMatchesTheRgbaPath)
{
    TempDir dir;
    for (uint16_t orientation = ORIENTATION_TOPLEFT; orientation <= ORIENTATION_LEFTBOT; ++orientation) {
        SCOPED_TRACE(orientation);
        Layout deep{"deep", PHOTOMETRIC_RGB, 12, 3};
        deep.orientation = orientation;
        ASSERT_TRUE(WriteLayout(dir / "deep.tif", deep));
        zv::samples::TiffHeader eight{kWidth, kHeight, 8, 3, PHOTOMETRIC_RGB};
        eight.orientation = orientation;
        TIFF* tiff = CreateTiff((dir / "eight.tif").string(), eight);
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

// Two-channel RGB is neither a layout libtiff renders nor one the reader converts.
TEST(TiffReader, LayoutsNeitherPathTakesStillFail)
{
    TempDir dir;
    ASSERT_TRUE(WriteLayout(dir / "refused.tif", {"two-channel rgb 12-bit", PHOTOMETRIC_RGB, 12, 2}));
    const ReadResult ours = ReadTiff(dir / "refused.tif");
    EXPECT_FALSE(ours.ok);
    EXPECT_EQ(ours.error, kErrInvalidTIFF);
}

// PIL is the reference. Exact, except where the two reduce to 8 bits differently: 16-bit
// colour samples (libtiff rounds, PIL keeps the high byte) and CMYK (libtiff truncates the
// ink product, PIL rounds) differ by at most 1. Modes with no 8-bit meaning (F, I, LAB) and
// 16-bit premultiplied alpha (dividing by a tiny alpha magnifies that rounding) are only
// decoded, not compared.
TEST(TiffReader, CorpusImagesMatchPil)
{
    auto corpus = CorpusDir();
    if (!corpus) {
        GTEST_SKIP() << "corpus absent";
    }
    // Files PIL reads that are not compared here: signed samples PIL does not render in 8 bits, and deep
    // samples that DeepCorpusFilesMatchPilSamples checks against PIL's samples instead.
    const std::map<std::string, std::string> unsupported = {
        {"16_bit_binary_pgm.tiff", "signed 32-bit integer samples: PIL has no 8-bit rendering"},
        {"12bit.cropped.tif", "12-bit samples: PIL renders I;16 by its high byte"},
        {"10ct_32bit_128.tiff", "floating-point samples: PIL has no 8-bit rendering"},
    };
    int compared = 0;
    for (const fs::path& file : FilesIn(*corpus / "pillow", {".tif", ".tiff"})) {
        SCOPED_TRACE(file.filename().string());
        const ReadResult ours = ReadTiff(file);
        if (!ours.ok) {
            EXPECT_NE(ours.error, 0u);
        }
        const auto pil = PilRender(file);
        if (!pil || unsupported.count(file.filename().string()) != 0 || !CodecBuiltIn(file)) {
            continue;
        }
        ASSERT_TRUE(ours.ok) << "error " << ours.error;
        Source source(file);
        uint32_t w = 0, h = 0, bits = 0;
        IS40DimInfo info{};
        ASSERT_NE(IS40_GetTIFFDims(source.get(), 0, &w, &h, &bits, &info, 0), 0u);
        EXPECT_EQ(w, ours.width);
        EXPECT_EQ(h, ours.height);
        if (!pil->hasPixels || (info.bitsPerSample == 16 && pil->mode == "RGBA")) {
            continue;
        }
        const int tolerance = (info.bitsPerSample == 16 || pil->mode == "CMYK") ? 1 : 0;
        const int difference = MaxDifference(pil->image, ours.pixels.data(), static_cast<int>(ours.width),
                                             static_cast<int>(ours.height));
        EXPECT_GE(difference, 0);
        EXPECT_LE(difference, tolerance);
        ++compared;
    }
    EXPECT_GT(compared, 60);
}

// 12-bit and floating-point corpus files against PIL's decoded samples under the documented
// mapping (exact); 16-bit CMYK against PIL's RGB rendering (within 1: PIL rounds the ink
// product, the reader truncates it as libtiff's 8-bit CMYK path does).
TEST(TiffReader, DeepCorpusFilesMatchPilSamples)
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
        Layout mapping;
    };
    const Case bySamples[] = {
        {"12bit.cropped.tif", {"12-bit grey", PHOTOMETRIC_MINISBLACK, 12, 1}},
        {"10ct_32bit_128.tiff", {"float grey", PHOTOMETRIC_MINISBLACK, 32, 1, COMPRESSION_NONE, false, false, 0, SAMPLEFORMAT_IEEEFP}},
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

TEST(TiffDims, ReportTheSampleLayout)
{
    TempDir dir;
    const fs::path file = dir / "rgb16.tif";
    ASSERT_TRUE(WriteLayout(file, {"rgb16", PHOTOMETRIC_RGB, 16, 3, COMPRESSION_LZW}));
    Source source(file);
    uint32_t w = 0, h = 0, bits = 0;
    IS40DimInfo info{};
    ASSERT_EQ(IS40_GetTIFFDims(source.get(), 0, &w, &h, &bits, &info, 0), 1u);
    EXPECT_EQ(w, kWidth);
    EXPECT_EQ(h, kHeight);
    EXPECT_EQ(bits, 48u);
    EXPECT_EQ(info.bitsPerSample, 16u);
    EXPECT_EQ(info.samplesPerPixel, 3u);
    EXPECT_EQ(info.formatDetail, static_cast<uint32_t>(COMPRESSION_LZW));
    EXPECT_EQ(IS40_GetTIFFDims(source.get(), 1, &w, &h, &bits, &info, 0), 0u);  // there is no second image
    EXPECT_EQ(IS40_GetLastError(), kErrInvalidTIFF);
}

// A cut of the pixels is a read error; a cut of the directory may also be an invalid file; a
// file of foreign bytes is one. Each in the RGBA path (8-bit) and the converted one (12-bit).
TEST(TiffReader, TruncatedAndForeignDataFailWithTheirCodes)
{
    TempDir dir;
    for (uint16_t bits : {8, 12}) {
        SCOPED_TRACE(bits);
        const std::vector<uint8_t> whole = DirectoryFirstTiff(bits);
        const size_t pixelsAt = whole.size() - 16 * 16 * bits / 8;
        ASSERT_TRUE(ReadPrefix(dir.path(), whole, whole.size()).ok);
        for (size_t keep = 0; keep < whole.size(); ++keep) {
            const ReadResult ours = ReadPrefix(dir.path(), whole, keep);
            EXPECT_FALSE(ours.ok) << keep;
            if (keep >= pixelsAt) {
                EXPECT_EQ(ours.error, kErrFileRead) << keep;
            } else {
                EXPECT_TRUE(ours.error == kErrFileRead || ours.error == kErrInvalidTIFF) << keep << ": " << ours.error;
            }
        }
    }
    // libtiff writes its directory last: every cut of a compressed planar file loses it.
    const fs::path file = dir / "cut.tif";
    ASSERT_TRUE(WriteLayout(file, {"rgb planar", PHOTOMETRIC_RGB, 12, 3, COMPRESSION_LZW, true}));
    const std::vector<uint8_t> written = ReadFile(file);
    for (size_t keep = 0; keep < written.size(); ++keep) {
        const ReadResult ours = ReadPrefix(dir.path(), written, keep);
        EXPECT_TRUE(ours.ok || ours.error == kErrFileRead || ours.error == kErrInvalidTIFF) << keep;
    }
    WriteFile(file, std::vector<uint8_t>(300, 'I'));
    EXPECT_EQ(ReadTiff(file).error, kErrInvalidTIFF);
}

// Both paths refuse an image one byte above the limit before they allocate it; the RGBA
// path needs no more than its raster.
TEST(TiffReader, ImagesAboveTheAllocationLimitFailWithOutOfMemory)
{
    TempDir dir;
    const fs::path file = dir / "limit.tif";
    for (const Layout& l : {Layout{"rgb", PHOTOMETRIC_RGB, 8, 3},
                            Layout{"rgb float", PHOTOMETRIC_RGB, 32, 3, COMPRESSION_NONE, false, false, 0, SAMPLEFORMAT_IEEEFP}}) {
        SCOPED_TRACE(l.name);
        ASSERT_TRUE(WriteLayout(file, l));
        {
            AllocationLimitScope limit(kWidth * kHeight * 4 - 1);
            EXPECT_EQ(ReadTiff(file).error, kErrOutOfMemory);
        }
        AllocationLimitScope limit(l.bits == 8 ? kWidth * kHeight * 4 : 0);
        EXPECT_TRUE(ReadTiff(file).ok);
    }
}

TEST(TiffReader, LibtiffMessagesNeverReachStandardError)
{
    auto corpus = CorpusDir();
    if (!corpus) {
        GTEST_SKIP() << "corpus absent";
    }
    TempDir dir;
    StderrCapture capture(dir / "stderr.txt");
    for (const fs::path& file : FilesIn(*corpus / "pillow", {".tif", ".tiff"})) {
        ReadTiff(file);
    }
    EXPECT_EQ(capture.Text(), "");
}

// Signed and half-float samples, written by the sample writer from a known picture, come back
// exactly: signed values moved up by half their range, halves of v / 255 scaled back by 255.
TEST(TiffReader, SampleWriterVariantsGiveThePictureBack)
{
    using zv::samples::SampleKind;
    const struct {
        const char* name;
        zv::samples::TiffOptions options;
    } variants[] = {
        {"signed 8-bit", {8, SampleKind::Signed}},
        {"signed 16-bit", {16, SampleKind::Signed}},
        {"signed 32-bit", {32, SampleKind::Signed}},
        {"half float", {16, SampleKind::Float}},
    };
    const zv::samples::Picture picture = zv::samples::MakeTestPicture(37, 21);
    TempDir dir;
    for (const auto& variant : variants) {
        SCOPED_TRACE(variant.name);
        const fs::path file = dir / "variant.tif";
        ASSERT_TRUE(zv::samples::WriteTiff(file.string(), picture, variant.options));
        const ReadResult ours = ReadTiff(file);
        ASSERT_TRUE(ours.ok) << "error " << ours.error;
        EXPECT_EQ(ours.width, picture.width);
        EXPECT_EQ(ours.height, picture.height);
        EXPECT_EQ(ours.pixels, picture.rgb);
        AllocationLimitScope limit(uint64_t{picture.width} * picture.height * 4 - 1);
        EXPECT_EQ(ReadTiff(file).error, kErrOutOfMemory);
    }
}
