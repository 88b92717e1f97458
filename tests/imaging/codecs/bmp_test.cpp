#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "raster_writers.h"
#include "sample_writers.h"
#include "tests/support/imaging_support.h"
#include "tests/support/raster_reading.h"

#include <gtest/gtest.h>

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using zv::test::MaxDifference;
using zv::test::RasterResult;
using zv::test::ReadRaster;
using zv::test::RgbImage;
using zv::samples::BmpBytes;
using zv::samples::BmpPixels;
using zv::samples::Picture;
using zv::samples::PutU32LE;

namespace {

std::optional<fs::path> SuiteDir()
{
    auto corpus = zv::test::CorpusDir();
    if (!corpus || !fs::is_directory(*corpus / "bmpsuite")) {
        return std::nullopt;
    }
    return *corpus / "bmpsuite";
}

RasterResult ReadBmp(const fs::path& file)
{
    return ReadRaster(IS40_ReadBMP, file);
}

using zv::test::Measured;

Measured MeasureBmp(const fs::path& file)
{
    return zv::test::MeasureFileWith(IS40_GetBMPDims, file);
}

// A reference rendering with its alpha kept, so that pixels the reference shows as fully
// transparent (whose colour it does not define) can be left out of a comparison.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

// Reads 8 bits a channel as stored (16-bit samples keep their high byte, no gamma applied),
// palettes and greys widened to RGB, and alpha added where the file has none.
std::optional<RgbaImage> ReadRgbaPng(const fs::path& file)
{
    FILE* in = std::fopen(file.string().c_str(), "rb");
    if (in == nullptr) {
        return std::nullopt;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    std::optional<RgbaImage> out;
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, in);
        png_read_info(png, info);
        png_set_strip_16(png);
        png_set_expand(png);
        png_set_gray_to_rgb(png);
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        png_read_update_info(png, info);
        RgbaImage image;
        image.width = static_cast<int>(png_get_image_width(png, info));
        image.height = static_cast<int>(png_get_image_height(png, info));
        image.pixels.resize(static_cast<size_t>(image.width) * image.height * 4);
        std::vector<png_bytep> rows(static_cast<size_t>(image.height));
        for (int y = 0; y < image.height; ++y) {
            rows[static_cast<size_t>(y)] = image.pixels.data() + static_cast<size_t>(y) * image.width * 4;
        }
        png_read_image(png, rows.data());
        out = std::move(image);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(in);
    return out;
}

// Largest difference over the pixels that the reference shows opaque; -1 for a size mismatch.
int MaxOpaqueDifference(const RgbaImage& reference, const RgbImage& image)
{
    if (reference.width != image.width || reference.height != image.height) {
        return -1;
    }
    int worst = 0;
    const size_t count = static_cast<size_t>(image.width) * image.height;
    for (size_t i = 0; i < count; ++i) {
        if (reference.pixels[i * 4 + 3] != 255) {
            continue;
        }
        for (size_t c = 0; c < 3; ++c) {
            worst = std::max(worst, std::abs(reference.pixels[i * 4 + c] - image.pixels[i * 3 + c]));
        }
    }
    return worst;
}

std::map<std::string, std::string> ReadReferenceMap(const fs::path& suite)
{
    std::map<std::string, std::string> map;
    std::ifstream in(suite / "reference" / "MAP.txt");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string file, reference;
        if (line.empty() || line[0] == '#' || !(fields >> file >> reference)) {
            continue;
        }
        map[file] = reference;
    }
    return map;
}

// ---- The suite's good files ------------------------------------------------------------------

TEST(BmpReader, GoodFilesEqualTheirReferenceRenderings)
{
    auto suite = SuiteDir();
    if (!suite) {
        GTEST_SKIP() << "bmpsuite corpus not present";
    }
    const auto map = ReadReferenceMap(*suite);
    const auto files = zv::test::FilesIn(*suite / "g", {".bmp"});
    ASSERT_FALSE(files.empty());
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const auto entry = map.find("g/" + file.filename().string());
        ASSERT_NE(entry, map.end()) << "every good file has a reference";
        const auto reference = zv::test::ReadPngFile(*suite / "reference" / entry->second);
        ASSERT_TRUE(reference.has_value());
        const RasterResult result = ReadBmp(file);
        ASSERT_TRUE(result.image.has_value()) << "error " << result.error;
        EXPECT_EQ(MaxDifference(*reference, *result.image), 0);

        const Measured dims = MeasureBmp(file);
        EXPECT_NE(dims.result, 0u);
        EXPECT_EQ(dims.width, static_cast<uint32_t>(result.image->width));
        EXPECT_EQ(dims.height, static_cast<uint32_t>(result.image->height));
        EXPECT_EQ(dims.info.width, dims.width);
        EXPECT_EQ(dims.info.height, dims.height);
    }
}

// ---- The suite's questionable files ----------------------------------------------------------

struct QuestionableCase {
    const char* file;
    const char* reference;  // null: decodes, but the suite has no reference for it
    int tolerance;          // largest allowed difference on the reference's opaque pixels
    uint32_t error;         // non-zero: the file is refused with this code
};

// What this reader makes of each file that the suite leaves to the reader's judgement.
// The suite's references for odd channel widths follow no single rule (the same stored
// fraction is rounded up in one and down in another), so where this reader's rule (round
// narrow channels to the nearest level, keep the top 8 bits of wide ones) meets the other
// one, a difference of 1 is allowed.
const QuestionableCase kQuestionable[] = {
    {"pal1huffmsb.bmp", "pal1.png", 0, 0},  // OS/2 Huffman
    {"pal1p1.bmp", "pal1p1.png", 0, 0},
    {"pal2.bmp", "pal2.png", 0, 0},
    {"pal2color.bmp", "pal2color.png", 0, 0},
    {"pal4rlecut.bmp", "pal4rlecut-0.png", 0, 0},   // unset pixels take palette entry 0
    {"pal4rletrns.bmp", "pal4rletrns-0.png", 0, 0},
    {"pal8offs.bmp", "pal8.png", 0, 0},
    {"pal8os2-hs.bmp", "pal8.png", 0, 0},
    {"pal8os2-sz.bmp", "pal8.png", 0, 0},
    {"pal8os2sp.bmp", "pal8.png", 0, 0},
    {"pal8os2v2-16.bmp", "pal8.png", 0, 0},
    {"pal8os2v2-40sz.bmp", "pal8.png", 0, 0},
    {"pal8os2v2-sz.bmp", "pal8.png", 0, 0},
    {"pal8os2v2.bmp", "pal8.png", 0, 0},
    {"pal8oversizepal.bmp", "pal8.png", 0, 0},
    {"pal8rlecut.bmp", "pal8rlecut-0.png", 0, 0},
    {"pal8rletrns.bmp", "pal8rletrns-0.png", 0, 0},
    {"rgb16-231.bmp", "rgb16-231.png", 0, 0},
    {"rgb16-3103.bmp", "rgb16-3103.png", 1, 0},
    {"rgb16faketrns.bmp", "rgb16faketrns.png", 0, 0},
    {"rgb24jpeg.bmp", nullptr, 0, 0},  // lossy: VariantsShowTheWrittenPicture checks the carried JPEG
    {"rgb24largepal.bmp", "rgb24.png", 0, 0},
    {"rgb24lprof.bmp", "rgb24.png", 0, 0},
    {"rgb24png.bmp", "rgb24.png", 0, 0},
    {"rgb24prof.bmp", "rgb24.png", 0, 0},
    {"rgb24prof2.bmp", nullptr, 0, 0},  // its colours need its embedded profile, not applied here
    {"rgb24rle24.bmp", "rgb24.png", 51, 0},  // the same picture dithered to web-safe colours
    {"rgb32-111110.bmp", "rgb24.png", 1, 0},
    {"rgb32-7187.bmp", "rgb32-7187.png", 0, 0},
    {"rgb32-xbgr.bmp", "rgb24.png", 0, 0},
    {"rgb32fakealpha.bmp", "rgb24.png", 0, 0},
    {"rgb32h52.bmp", "rgb24.png", 0, 0},
    {"rgba16-1924.bmp", "rgba16-1924.png", 0, 0},
    {"rgba16-4444.bmp", "rgba16-4444.png", 0, 0},
    {"rgba16-5551.bmp", "rgba16-5551.png", 0, 0},
    {"rgba32-1.bmp", "rgba32.png", 0, 0},
    {"rgba32-1010102.bmp", "rgba32-1010102.png", 1, 0},
    {"rgba32-2.bmp", "rgba32.png", 0, 0},
    {"rgba32-61754.bmp", "rgba32-61754.png", 1, 0},
    {"rgba32-81284.bmp", "rgba32-81284.png", 0, 0},
    {"rgba32abf.bmp", "rgba32.png", 0, 0},
    {"rgba32h56.bmp", "rgba32.png", 0, 0},
    {"rgba64.bmp", "rgba32.png", 1, 0},  // linear fixed point rounds to sRGB within 1
};

TEST(BmpReader, QuestionableFilesDecodeOrFailAsDecided)
{
    auto suite = SuiteDir();
    if (!suite) {
        GTEST_SKIP() << "bmpsuite corpus not present";
    }
    size_t listed = 0;
    for (const QuestionableCase& row : kQuestionable) {
        SCOPED_TRACE(row.file);
        const fs::path file = *suite / "q" / row.file;
        if (!fs::exists(file)) {
            continue;
        }
        ++listed;
        const RasterResult result = ReadBmp(file);
        if (row.error != 0) {
            EXPECT_FALSE(result.image.has_value());
            EXPECT_EQ(result.error, row.error);
            continue;
        }
        ASSERT_TRUE(result.image.has_value()) << "error " << result.error;
        if (row.reference == nullptr) {
            continue;
        }
        const auto reference = ReadRgbaPng(*suite / "reference" / row.reference);
        ASSERT_TRUE(reference.has_value());
        const int difference = MaxOpaqueDifference(*reference, *result.image);
        EXPECT_GE(difference, 0);
        EXPECT_LE(difference, row.tolerance);
    }
    EXPECT_EQ(listed, zv::test::FilesIn(*suite / "q", {".bmp"}).size()) << "every file has a decision";
}

// ---- The suite's bad files ------------------------------------------------------------------

TEST(BmpReader, BadFilesFailAsBadBmp)
{
    auto suite = SuiteDir();
    if (!suite) {
        GTEST_SKIP() << "bmpsuite corpus not present";
    }
    auto files = zv::test::FilesIn(*suite / "b", {".bmp"});
    const auto extra = zv::test::FilesIn(*suite / "x", {".bmp"});
    files.insert(files.end(), extra.begin(), extra.end());
    ASSERT_FALSE(files.empty());
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const RasterResult result = ReadBmp(file);
        EXPECT_FALSE(result.image.has_value());
        EXPECT_EQ(result.error, zv::imaging::kErrBadBMP);
        // Measuring reads the headers only; whatever it finds, it must not claim a size that
        // the reader would not deliver.
        const Measured dims = MeasureBmp(file);
        if (dims.result != 0) {
            EXPECT_GT(dims.width, 0u);
            EXPECT_GT(dims.height, 0u);
        }
    }
}

// ---- Measuring -------------------------------------------------------------------------------

struct DimsCase {
    const char* file;
    uint32_t bitsPerPixel;
    uint32_t bitsPerSample;
    uint32_t samplesPerPixel;
    uint32_t compression;
};

const DimsCase kDimsCases[] = {
    {"g/pal1.bmp", 1, 1, 1, 0},
    {"g/pal4rle.bmp", 4, 4, 1, 2},
    {"g/pal8os2.bmp", 8, 8, 1, 0},
    {"g/pal8topdown.bmp", 8, 8, 1, 0},
    {"g/rgb16.bmp", 16, 5, 3, 0},
    {"g/rgb16-565.bmp", 16, 6, 3, 3},
    {"g/rgb24.bmp", 24, 8, 3, 0},
    {"g/rgb32.bmp", 32, 8, 3, 0},
    {"q/rgba32-1010102.bmp", 32, 10, 4, 3},
    {"q/rgb24rle24.bmp", 24, 8, 3, 4},
};

TEST(BmpDims, ReportsTheStoredFormat)
{
    auto suite = SuiteDir();
    if (!suite) {
        GTEST_SKIP() << "bmpsuite corpus not present";
    }
    for (const DimsCase& row : kDimsCases) {
        SCOPED_TRACE(row.file);
        const Measured dims = MeasureBmp(*suite / row.file);
        ASSERT_NE(dims.result, 0u) << "error " << IS40_GetLastError();
        EXPECT_EQ(dims.depth, row.bitsPerPixel);
        EXPECT_EQ(dims.info.bitsPerSample, row.bitsPerSample);
        EXPECT_EQ(dims.info.samplesPerPixel, row.samplesPerPixel);
        EXPECT_EQ(dims.info.formatDetail, row.compression);
        EXPECT_EQ(dims.width, 127u);
    }
}

// ---- Hostile and damaged input -------------------------------------------------------------

// Every prefix of a valid file fails cleanly, with its declared file size left alone (the
// header already says the file is short) and with it rewritten to the prefix's length (so
// that the pixel checks must notice). A prefix that lacks only the RLE end mark may decode,
// but then to the whole picture.
TEST(BmpReader, EveryTruncationFailsCleanly)
{
    auto suite = SuiteDir();
    if (!suite) {
        GTEST_SKIP() << "bmpsuite corpus not present";
    }
    for (const char* name : {"g/pal4rle.bmp", "g/pal8rle.bmp", "q/rgb24rle24.bmp", "g/rgb16-565.bmp",
                             "g/pal1.bmp", "g/pal8os2.bmp"}) {
        SCOPED_TRACE(name);
        const auto whole = zv::test::ReadFile(*suite / name);
        const RasterResult full = ReadBmp(*suite / name);
        ASSERT_TRUE(full.image.has_value());
        for (size_t length = 0; length < whole.size(); ++length) {
            std::vector<uint8_t> prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
            for (bool rewriteSize : {false, true}) {
                if (rewriteSize && length >= 6) {
                    zv::samples::PutU32LE(prefix, 2, static_cast<uint32_t>(length));
                }
                const RasterResult result = zv::test::ReadRasterBytes(IS40_ReadBMP, prefix);
                if (result.image) {
                    ASSERT_EQ(MaxDifference(*full.image, *result.image), 0) << length;
                } else {
                    ASSERT_EQ(result.error, zv::imaging::kErrBadBMP) << length;
                }
            }
        }
    }
}

TEST(BmpReader, AbsurdSizesFailBeforeAllocating)
{
    zv::test::TempDir dir;
    struct Case {
        int32_t width;
        int32_t height;
        uint16_t bitCount;
        uint32_t compression;
        uint32_t error;
    };
    const Case cases[] = {
        {0, 1, 24, 0, zv::imaging::kErrBadBMP},
        {1, 0, 24, 0, zv::imaging::kErrBadBMP},
        {(1 << 24) + 1, 1, 24, 0, zv::imaging::kErrBadBMP},
        {1, -((1 << 24) + 1), 24, 0, zv::imaging::kErrBadBMP},
        {1, INT32_MIN, 24, 0, zv::imaging::kErrBadBMP},
        // The pixels of an uncompressed image must all be there.
        {1 << 24, 1 << 24, 24, 0, zv::imaging::kErrBadBMP},
        // RLE can describe a huge image in a few bytes: the allocation limit stops it.
        {1 << 24, 1 << 24, 8, 1, zv::imaging::kErrOutOfMemory},
        {1 << 24, 1 << 24, 4, 2, zv::imaging::kErrOutOfMemory},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const fs::path file = dir / "big.bmp";
        const std::vector<uint8_t> palette(c.bitCount <= 8 ? 6 : 0, 0);
        zv::test::WriteFile(file, BmpBytes({40, c.width, c.height, c.bitCount, c.compression, palette, {}}, {0, 1}));
        const RasterResult result = ReadBmp(file);
        EXPECT_FALSE(result.image.has_value());
        EXPECT_EQ(result.error, c.error);
    }
}

// Only the bit counts BMP defines are read, and the palette serves exactly the indexed ones.
TEST(BmpReader, ReadsTheDefinedBitCountsOnly)
{
    const std::vector<uint8_t> palette = {10, 20, 30, 40, 50, 60};
    for (uint16_t bits : {1, 2, 3, 4, 7, 8, 9, 15, 16, 17, 24, 31, 32, 33}) {
        SCOPED_TRACE(bits);
        const std::vector<uint8_t> pixels((2u * bits + 31) / 32 * 4 * 2, 0);  // two rows of index 0
        const RasterResult result = zv::test::ReadRasterBytes(IS40_ReadBMP, BmpBytes({40, 2, 2, bits, 0, palette, {}}, pixels));
        const bool defined = bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
        ASSERT_EQ(result.image.has_value(), defined) << "error " << result.error;
        if (defined) {
            EXPECT_EQ(result.image->pixels[9], bits <= 8 ? 10 : 0);
        } else {
            EXPECT_EQ(result.error, zv::imaging::kErrBadBMP);
        }
    }
}

// The last palette entry is read; an index one past it is damage, not a colour.
TEST(BmpReader, PaletteIndexesStopAtThePalettesEnd)
{
    const std::vector<uint8_t> palette = {10, 20, 30, 40, 50, 60};
    for (uint16_t bits : {4, 8}) {
        SCOPED_TRACE(bits);
        for (uint8_t index : {1, 2}) {
            const uint8_t stored = bits == 4 ? static_cast<uint8_t>(index << 4) : index;
            const RasterResult result = zv::test::ReadRasterBytes(
                IS40_ReadBMP, BmpBytes({40, 1, 1, bits, 0, palette, {}}, {stored, 0, 0, 0}));
            ASSERT_EQ(result.image.has_value(), index == 1) << "index " << int(index);
            if (index == 1) {
                EXPECT_EQ(result.image->pixels, (std::vector<uint8_t>{40, 50, 60}));
            } else {
                EXPECT_EQ(result.error, zv::imaging::kErrBadBMP);
            }
        }
    }
}

// Bit fields (compression 3, and 6 with an alpha mask) describe 16- or 32-bit pixels only.
TEST(BmpReader, BitFieldsNeedSixteenOrThirtyTwoBits)
{
    for (uint32_t compression : {3u, 6u}) {
        for (uint16_t bits : {8, 16, 24, 32}) {
            SCOPED_TRACE(std::to_string(compression) + ", " + std::to_string(bits) + " bits");
            std::vector<uint32_t> masks = bits == 16 ? std::vector<uint32_t>{0xF800, 0x07E0, 0x001F}
                                                     : std::vector<uint32_t>{0xFF0000, 0xFF00, 0xFF};
            if (compression == 6) {
                masks.push_back(0);
            }
            const std::vector<uint8_t> pixels((2u * bits + 31) / 32 * 4 * 2, 0xFF);
            const RasterResult result =
                zv::test::ReadRasterBytes(IS40_ReadBMP, BmpBytes({40, 2, 2, bits, compression, {}, masks}, pixels));
            EXPECT_EQ(result.image.has_value(), bits == 16 || bits == 32) << "error " << result.error;
        }
    }
}

TEST(BmpReader, HonoursTheAllocationLimit)
{
    auto suite = SuiteDir();
    if (!suite) {
        GTEST_SKIP() << "bmpsuite corpus not present";
    }
    zv::test::ExpectAllocationLimitHonoured(IS40_ReadBMP, zv::test::ReadFile(*suite / "g/rgb24.bmp"));
}

TEST(BmpReader, RefusesOtherBitDepthsAndMissingArguments)
{
    auto suite = SuiteDir();
    if (!suite) {
        GTEST_SKIP() << "bmpsuite corpus not present";
    }
    HISSRC source = IS40_OpenFileSource((*suite / "g/rgb24.bmp").string().c_str());
    ASSERT_NE(source, nullptr);
    uint32_t width = 0, height = 0;
    EXPECT_EQ(IS40_ReadBMP(source, &width, &height, 8, nullptr, 0), nullptr);
    EXPECT_EQ(IS40_GetLastError(), zv::imaging::kErrBadParameter);
    EXPECT_EQ(IS40_ReadBMP(source, nullptr, &height, 24, nullptr, 0), nullptr);
    EXPECT_EQ(IS40_ReadBMP(nullptr, &width, &height, 24, nullptr, 0), nullptr);
    EXPECT_EQ(IS40_GetBMPDims(nullptr, &width, &height, nullptr, nullptr, 0), 0u);
    IS40_CloseSource(source);
}

// ---- Variants written by the sample writer ---------------------------------------------------

// The JPEG reader's own decode of the bytes the writer embeds: a carried JPEG must come out the
// same, however lossy the encoding was.
std::vector<uint8_t> JpegDecode(const Picture& picture)
{
    const std::vector<uint8_t> jpeg = zv::samples::JpegBytes(picture);
    HISSRC source = IS40_OpenMemorySource(jpeg.data(), jpeg.size());
    uint32_t w = 0, h = 0;
    HGLOBAL block = IS40_ReadJPG(source, &w, &h, 24, 0);
    IS40_CloseSource(source);
    std::vector<uint8_t> pixels;
    if (block != nullptr) {
        pixels.assign(static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + size_t{w} * h * 3);
        ImageBlockFree(block);
    }
    return pixels;
}

enum class Shows { Picture, JpegDecode, BlackAndWhite };

// What a variant of the picture must read back as; Huffman bitmaps hold it in black and white.
RgbImage Expected(const Picture& picture, Shows shows)
{
    RgbImage image{static_cast<int>(picture.width), static_cast<int>(picture.height), picture.rgb};
    if (shows == Shows::JpegDecode) {
        image.pixels = JpegDecode(picture);
    }
    for (size_t i = 0; shows == Shows::BlackAndWhite && i < image.pixels.size(); i += 3) {
        std::fill_n(&image.pixels[i], 3, zv::samples::GreyOf(&picture.rgb[i]) < 128 ? 0 : 255);
    }
    return image;
}

TEST(BmpVariants, ShowTheWrittenPicture)
{
    const struct {
        const char* name;
        BmpPixels pixels;
        bool fewColours;  // a palette layout: the 12-colour picture
        Shows shows;
        int tolerance;    // per channel: CMYK goes through an 8-bit ink product and rounds by 1
    } variants[] = {
        {"64-bit linear", BmpPixels::Linear64, false, Shows::Picture, 0},
        {"cmyk", BmpPixels::Cmyk32, false, Shows::Picture, 1},
        {"cmyk rle8", BmpPixels::CmykRle8, true, Shows::Picture, 1},
        {"cmyk rle4", BmpPixels::CmykRle4, true, Shows::Picture, 1},
        {"embedded png", BmpPixels::Png, false, Shows::Picture, 0},
        {"embedded jpeg", BmpPixels::Jpeg, false, Shows::JpegDecode, 0},
        {"os/2 huffman", BmpPixels::Huffman, false, Shows::BlackAndWhite, 0},
    };
    zv::test::TempDir dir;
    for (const auto& variant : variants) {
        SCOPED_TRACE(variant.name);
        const Picture picture =
            variant.fewColours ? zv::samples::MakePalettePicture(45, 17) : zv::samples::MakeTestPicture(45, 17);
        const fs::path file = dir / "variant.bmp";
        ASSERT_TRUE(zv::samples::WriteBmp(file.string(), picture, {variant.pixels}));
        const RasterResult ours = ReadBmp(file);
        ASSERT_TRUE(ours.image.has_value()) << "error " << ours.error;
        const int difference = MaxDifference(*ours.image, Expected(picture, variant.shows));
        EXPECT_GE(difference, 0);
        EXPECT_LE(difference, variant.tolerance);
    }
}

constexpr size_t kFileSizeAt = 2;
constexpr size_t kPixelOffsetAt = 10;
constexpr size_t kWidthAt = 18;
constexpr size_t kCompressionAt = 30;
constexpr size_t kImageSizeAt = 34;
constexpr size_t kPixelsAt = 14 + 40;  // no palette before embedded images

// Cuts the pixel data short by `cut` bytes, with headers that say so: the data's own decoder
// must notice.
void Shorten(std::vector<uint8_t>& bytes, size_t cut)
{
    bytes.resize(bytes.size() - cut);
    PutU32LE(bytes, kFileSizeAt, static_cast<uint32_t>(bytes.size()));
    uint32_t pixelsAt = 0;
    for (size_t i = 4; i-- > 0;) {
        pixelsAt = pixelsAt << 8 | bytes[kPixelOffsetAt + i];
    }
    PutU32LE(bytes, kImageSizeAt, static_cast<uint32_t>(bytes.size() - pixelsAt));
}

TEST(BmpVariants, DamagedOrOversizedVariantsFailWithTheirCodes)
{
    const Picture picture = zv::samples::MakeTestPicture(45, 17);
    zv::test::TempDir dir;
    const fs::path written = dir / "written.bmp";
    auto damaged = [&](BmpPixels pixels, auto damage) {
        EXPECT_TRUE(zv::samples::WriteBmp(written.string(), picture, {pixels}));
        std::vector<uint8_t> bytes = zv::test::ReadFile(written);
        damage(bytes);
        return zv::test::ReadRasterBytes(IS40_ReadBMP, bytes).error;
    };
    using namespace zv::imaging;
    using zv::test::AllocationLimitScope;
    // An embedded image is checked by its own reader, and must be the size the header says.
    EXPECT_EQ(damaged(BmpPixels::Png, [](auto& b) { b[kPixelsAt + 12] ^= 0xFF; }), kErrInvalidPNG);
    EXPECT_EQ(damaged(BmpPixels::Jpeg, [](auto& b) { Shorten(b, b.size() - kPixelsAt - 300); }), kErrFileRead);
    EXPECT_EQ(damaged(BmpPixels::Png, [](auto& b) { PutU32LE(b, kWidthAt, 44); }), kErrBadBMP);
    {
        AllocationLimitScope limit(uint64_t{picture.width} * picture.height * 3 - 1);
        EXPECT_EQ(damaged(BmpPixels::Png, [](auto&) {}), kErrOutOfMemory);
    }
    // Huffman rows must add up to the width, and all of them must be there.
    EXPECT_EQ(damaged(BmpPixels::Huffman, [](auto& b) { PutU32LE(b, kWidthAt, 46); }), kErrBadBMP);
    EXPECT_EQ(damaged(BmpPixels::Huffman, [](auto& b) { Shorten(b, 20); }), kErrBadBMP);
    {
        // Too little data for a 30000 x 30000 image is refused before the image block is
        // allocated, which a limit just below that block's size would otherwise report.
        AllocationLimitScope limit(uint64_t{30000} * 30000 * 3 - 1);
        EXPECT_EQ(damaged(BmpPixels::Huffman, [](auto& b) { PutU32LE(b, kWidthAt, 30000); PutU32LE(b, kWidthAt + 4, 30000); }),
                  kErrBadBMP);
    }
    // 64-bit pixels are uncompressed only.
    EXPECT_EQ(damaged(BmpPixels::Linear64, [](auto& b) { PutU32LE(b, kCompressionAt, 1); }), kErrBadBMP);
}

} // namespace
