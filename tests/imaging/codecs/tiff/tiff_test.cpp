// TIFF reading and measuring: generated files of known content for every sample layout,
// the public corpus against PIL, and the failures.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "tests/support/imaging_support.h"
#include "tests/support/tiff_writing.h"
#include "tests/support/pil_rendering.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace zv::test;
using namespace zv::imaging;

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
    uint16_t bitsPerSample;
    uint16_t samplesPerPixel;  // including one extra sample when `extra` is set
    uint16_t planar;
    uint16_t compression;
    bool tiled;
    uint16_t extra = 0;        // 0: none; else the ExtraSamples kind of the last sample
};

constexpr uint32_t kWidth = 37;  // not a multiple of the 16-pixel tiles, nor of 8 bits
constexpr uint32_t kHeight = 21;
constexpr uint32_t kTile = 16;

uint32_t SampleAt(const Layout& layout, uint32_t x, uint32_t y, uint32_t s)
{
    const uint32_t levels = 1u << layout.bitsPerSample;
    if (layout.extra != 0 && s + 1 == layout.samplesPerPixel) {
        return (levels - 1) - ((x + y) % 3) * (levels / 4);  // some opaque, some partly transparent
    }
    return (x * 7919u + y * 104729u + s * 15485863u) % levels;
}

void PackRow(const Layout& layout, const std::vector<uint32_t>& samples, std::vector<uint8_t>& out)
{
    if (layout.bitsPerSample == 16) {
        for (uint32_t v : samples) {
            const uint16_t value = static_cast<uint16_t>(v);
            const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
            out.insert(out.end(), bytes, bytes + 2);
        }
        return;
    }
    uint32_t accumulator = 0;
    int bits = 0;
    for (uint32_t v : samples) {
        accumulator = (accumulator << layout.bitsPerSample) | v;
        bits += layout.bitsPerSample;
        while (bits >= 8) {
            out.push_back(static_cast<uint8_t>(accumulator >> (bits - 8)));
            bits -= 8;
        }
    }
    if (bits > 0) {
        out.push_back(static_cast<uint8_t>(accumulator << (8 - bits)));
    }
}

// The packed samples of columns [x0, x0 + width) of row y, for one plane or all samples.
std::vector<uint8_t> RowBytes(const Layout& layout, uint32_t y, uint32_t x0, uint32_t width, int plane)
{
    std::vector<uint32_t> samples;
    for (uint32_t x = x0; x < x0 + width; ++x) {
        for (uint32_t s = 0; s < layout.samplesPerPixel; ++s) {
            if (plane >= 0 && static_cast<uint32_t>(plane) != s) {
                continue;
            }
            samples.push_back(x < kWidth && y < kHeight ? SampleAt(layout, x, y, s) : 0);
        }
    }
    std::vector<uint8_t> bytes;
    PackRow(layout, samples, bytes);
    return bytes;
}

uint16_t Grey8(uint16_t bits, uint32_t value)
{
    return bits == 16 ? static_cast<uint16_t>((value * 255 + 32767) / 65535)
                      : static_cast<uint16_t>(value * 255 / ((1u << bits) - 1));
}

std::vector<uint16_t> PaletteChannel(int channel)
{
    std::vector<uint16_t> map(256);
    for (int i = 0; i < 256; ++i) {
        map[i] = static_cast<uint16_t>(((i * (channel + 3) + 40 * channel) % 256) * 257);
    }
    return map;
}

bool WriteTiff(const fs::path& file, const Layout& layout)
{
    TIFF* tiff = zv::test::CreateTiff(file, {kWidth, kHeight, layout.bitsPerSample, layout.samplesPerPixel,
                                             layout.photometric, layout.planar, layout.compression,
                                             SAMPLEFORMAT_UINT, ORIENTATION_TOPLEFT, layout.extra});
    if (tiff == nullptr) {
        return false;
    }
    if (layout.photometric == PHOTOMETRIC_PALETTE) {
        const auto red = PaletteChannel(0), green = PaletteChannel(1), blue = PaletteChannel(2);
        TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    }
    const int planes = layout.planar == PLANARCONFIG_SEPARATE ? layout.samplesPerPixel : 1;
    const zv::test::TiffPixelLayout pixels{kWidth, kHeight, planes, layout.tiled ? kTile : 0u, 5};
    return zv::test::WriteTiffPixelsAndClose(tiff, pixels, [&](uint32_t y, uint32_t x, uint32_t count, int plane) {
        return RowBytes(layout, y, x, count, plane);
    });
}

// What an 8-bit RGB reader must deliver for pixel (x, y) of a generated file.
void ExpectedPixel(const Layout& layout, uint32_t x, uint32_t y, uint8_t* rgb)
{
    const uint16_t bits = layout.bitsPerSample;
    switch (layout.photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE: {
        // libtiff keeps the high byte of 16-bit grey, but rounds 16-bit colour samples.
        const uint32_t sample = SampleAt(layout, x, y, 0);
        uint16_t grey = bits == 16 ? static_cast<uint16_t>(sample >> 8) : Grey8(bits, sample);
        if (layout.photometric == PHOTOMETRIC_MINISWHITE) {
            grey = static_cast<uint16_t>(255 - grey);
        }
        rgb[0] = rgb[1] = rgb[2] = static_cast<uint8_t>(grey);
        return;
    }
    case PHOTOMETRIC_PALETTE:
        for (int c = 0; c < 3; ++c) {
            rgb[c] = static_cast<uint8_t>(PaletteChannel(c)[SampleAt(layout, x, y, 0)] / 257);
        }
        return;
    default:
        for (uint32_t c = 0; c < 3; ++c) {
            rgb[c] = static_cast<uint8_t>(Grey8(bits, SampleAt(layout, x, y, c)));
        }
        if (layout.extra == EXTRASAMPLE_ASSOCALPHA) {
            const uint32_t alpha = Grey8(bits, SampleAt(layout, x, y, 3));
            for (int c = 0; c < 3; ++c) {
                rgb[c] = alpha == 0 || alpha == 255 ? rgb[c] : static_cast<uint8_t>(std::min(255u, rgb[c] * 255 / alpha));
            }
        }
        return;
    }
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

} // namespace

TEST(TiffReader, EverySampleLayoutDecodesExactly)
{
    const Layout layouts[] = {
        {"bilevel", PHOTOMETRIC_MINISBLACK, 1, 1, PLANARCONFIG_CONTIG, COMPRESSION_NONE, false},
        {"grey 2-bit packbits", PHOTOMETRIC_MINISBLACK, 2, 1, PLANARCONFIG_CONTIG, COMPRESSION_PACKBITS, false},
        {"grey 4-bit lzw tiles", PHOTOMETRIC_MINISBLACK, 4, 1, PLANARCONFIG_CONTIG, COMPRESSION_LZW, true},
        {"grey 8-bit deflate", PHOTOMETRIC_MINISBLACK, 8, 1, PLANARCONFIG_CONTIG, COMPRESSION_ADOBE_DEFLATE, false},
        {"white-is-zero 8-bit", PHOTOMETRIC_MINISWHITE, 8, 1, PLANARCONFIG_CONTIG, COMPRESSION_NONE, true},
        {"grey 16-bit", PHOTOMETRIC_MINISBLACK, 16, 1, PLANARCONFIG_CONTIG, COMPRESSION_LZW, false},
        {"palette 4-bit", PHOTOMETRIC_PALETTE, 4, 1, PLANARCONFIG_CONTIG, COMPRESSION_NONE, false},
        {"palette 8-bit tiles", PHOTOMETRIC_PALETTE, 8, 1, PLANARCONFIG_CONTIG, COMPRESSION_LZW, true},
        {"rgb 8-bit", PHOTOMETRIC_RGB, 8, 3, PLANARCONFIG_CONTIG, COMPRESSION_NONE, false},
        {"rgb 8-bit planar lzw", PHOTOMETRIC_RGB, 8, 3, PLANARCONFIG_SEPARATE, COMPRESSION_LZW, false},
        {"rgb 8-bit planar tiles", PHOTOMETRIC_RGB, 8, 3, PLANARCONFIG_SEPARATE, COMPRESSION_ADOBE_DEFLATE, true},
        {"rgb 16-bit tiles", PHOTOMETRIC_RGB, 16, 3, PLANARCONFIG_CONTIG, COMPRESSION_NONE, true},
        {"rgba unassociated", PHOTOMETRIC_RGB, 8, 4, PLANARCONFIG_CONTIG, COMPRESSION_NONE, false,
         EXTRASAMPLE_UNASSALPHA},
        {"rgba associated planar", PHOTOMETRIC_RGB, 8, 4, PLANARCONFIG_SEPARATE, COMPRESSION_LZW, false,
         EXTRASAMPLE_ASSOCALPHA},
    };
    TempDir dir;
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name);
        const fs::path file = dir / "layout.tif";
        ASSERT_TRUE(WriteTiff(file, layout));
        const ReadResult ours = ReadTiff(file);
        ASSERT_TRUE(ours.ok) << "error " << ours.error;
        ASSERT_EQ(ours.width, kWidth);
        ASSERT_EQ(ours.height, kHeight);
        int worst = 0;
        for (uint32_t y = 0; y < kHeight; ++y) {
            for (uint32_t x = 0; x < kWidth; ++x) {
                uint8_t expected[3];
                ExpectedPixel(layout, x, y, expected);
                for (int c = 0; c < 3; ++c) {
                    worst = std::max(worst, std::abs(expected[c] - ours.pixels[(y * kWidth + x) * 3 + c]));
                }
            }
        }
        EXPECT_EQ(worst, 0);
    }
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
    // samples that tiff_depths_test checks against PIL's samples instead of its rendering.
    const std::map<std::string, std::string> unsupported = {
        {"16_bit_binary_pgm.tiff", "signed 32-bit integer samples: PIL has no 8-bit rendering"},
        {"12bit.cropped.tif", "12-bit samples: PIL renders I;16 by its high byte"},
        {"10ct_32bit_128.tiff", "floating-point samples: PIL has no 8-bit rendering"},
    };
    int compared = 0;
    for (const fs::path& file : FilesIn(*corpus / "pillow", {".tif", ".tiff"})) {
        SCOPED_TRACE(file.filename().string());
        const auto start = std::chrono::steady_clock::now();
        const ReadResult ours = ReadTiff(file);
        if (IsHostile(file)) {
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        }
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

TEST(TiffDims, ReportTheSampleLayout)
{
    TempDir dir;
    const fs::path file = dir / "rgb16.tif";
    ASSERT_TRUE(WriteTiff(file, {"rgb16", PHOTOMETRIC_RGB, 16, 3, PLANARCONFIG_CONTIG, COMPRESSION_LZW, false}));
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

TEST(TiffReader, TruncatedAndForeignDataFailWithTheirCodes)
{
    TempDir dir;
    const std::vector<uint8_t> whole = DirectoryFirstTiff(8);
    const fs::path file = dir / "cut.tif";
    WriteFile(file, whole);
    ASSERT_TRUE(ReadTiff(file).ok);
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(whole.size() - 100));
    WriteFile(file, cut);
    EXPECT_EQ(ReadTiff(file).error, kErrFileRead);
    for (size_t keep : {size_t{0}, size_t{3}, size_t{20}}) {
        cut.assign(whole.begin(), whole.begin() + static_cast<long>(keep));
        WriteFile(file, cut);
        const ReadResult ours = ReadTiff(file);
        EXPECT_FALSE(ours.ok);
        EXPECT_TRUE(ours.error == kErrFileRead || ours.error == kErrInvalidTIFF) << keep << ": " << ours.error;
    }
    WriteFile(file, std::vector<uint8_t>(300, 'I'));
    EXPECT_EQ(ReadTiff(file).error, kErrInvalidTIFF);
}

TEST(TiffReader, ImagesAboveTheAllocationLimitFailWithOutOfMemory)
{
    TempDir dir;
    const fs::path file = dir / "rgb.tif";
    ASSERT_TRUE(WriteTiff(file, {"rgb", PHOTOMETRIC_RGB, 8, 3, PLANARCONFIG_CONTIG, COMPRESSION_NONE, false}));
    {
        AllocationLimitScope limit(kWidth * kHeight * 4 - 1);
        EXPECT_EQ(ReadTiff(file).error, kErrOutOfMemory);
    }
    AllocationLimitScope limit(kWidth * kHeight * 4);  // the RGBA raster's own size is enough
    EXPECT_TRUE(ReadTiff(file).ok);
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
