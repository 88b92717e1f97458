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
using zv::test::MaxDifference;
using zv::test::RasterResult;
using zv::samples::PcxLayout;
using zv::samples::PcxRle;
using Rle = zv::samples::PcxRle;
using zv::test::ReadRasterBytes;
using zv::test::WriteByContent;

namespace {

constexpr uint32_t kInvalidPcx = zv::imaging::kErrInvalidPCX;

using zv::test::Measured;

Measured MeasureBytes(const std::vector<uint8_t>& bytes)
{
    return zv::test::MeasureWith(IS40_GetPCXDims, bytes);
}

// ---- The public corpus -----------------------------------------------------------------------

// Corpus files that the installed PIL decodes wrongly, with what they hold. Older PIL
// releases, the installed one among them, ignore the padding at the end of each plane's
// line in 1-bit planar files.
struct KnownAnswer {
    const char* file;
    int width;
    int height;
    std::vector<uint8_t> pixels;
};

const KnownAnswer kKnownAnswers[] = {
    // One pixel, bytes per line 2: planes 0 and 1 set, so index 3, which the header palette
    // makes pure red.
    {"p_4_planes.pcx", 1, 1, {255, 0, 0}},
};

std::optional<zv::test::RgbImage> CorpusReference(const fs::path& file)
{
    for (const KnownAnswer& known : kKnownAnswers) {
        if (file.filename() == known.file) {
            return zv::test::RgbImage{known.width, known.height, known.pixels};
        }
    }
    return zv::test::PilReference(file);
}

TEST(PcxReader, CorpusFilesEqualPilDecodes)
{
    zv::test::ExpectCorpusMatchesReferences(
        IS40_ReadPCX, ".pcx", kInvalidPcx,
        [](const std::vector<uint8_t>& bytes) {
            const Measured dims = MeasureBytes(bytes);
            return dims.result == 1 ? std::optional(std::pair(dims.width, dims.height)) : std::nullopt;
        },
        CorpusReference);
}

// ---- Files written here ----------------------------------------------------------------------

// A picture: one value a pixel (a palette index, or 0xRRGGBB), and the palettes a file of it
// may carry.
struct Picture {
    uint16_t width = 0;
    uint16_t height = 0;
    std::vector<uint32_t> values;
    std::vector<uint8_t> headerPalette;  // 16 RGB entries
    std::vector<uint8_t> vgaPalette;     // 256 RGB entries
};

PcxLayout Layout(uint8_t bits, uint8_t planes, uint16_t bytesPerLine = 0, Rle rle = Rle::PerLine, uint16_t x = 0,
                 uint16_t y = 0)
{
    return PcxLayout{bits, planes, bytesPerLine, rle, x, y, 5, {}, {}};
}

std::vector<uint8_t> BuildPcx(const Picture& picture, PcxLayout layout, bool vgaPalette = false)
{
    layout.headerPalette = picture.headerPalette;
    if (vgaPalette) {
        layout.vgaPalette = picture.vgaPalette;
    }
    return zv::samples::PcxFile(layout, picture.width, picture.height, picture.values);
}

// A picture whose values come from a few random ones, so that runs occur and cross lines.
Picture MakePicture(uint32_t valueLimit, std::mt19937& random)
{
    Picture picture;
    picture.width = 13;
    picture.height = 5;
    std::vector<uint32_t> choices;
    for (int i = 0; i < 5; ++i) {
        choices.push_back(valueLimit == 0 ? random() & 0xFFFFFF : random() % valueLimit);
    }
    uint32_t current = choices[0];
    for (size_t i = 0; i < size_t{picture.width} * picture.height; ++i) {
        if (random() % 3 == 0) {
            current = choices[random() % choices.size()];
        }
        picture.values.push_back(current);
    }
    for (int i = 0; i < 48; ++i) {
        picture.headerPalette.push_back(static_cast<uint8_t>(random()));
    }
    for (int i = 0; i < 768; ++i) {
        picture.vgaPalette.push_back(static_cast<uint8_t>(random()));
    }
    return picture;
}

// A written file and one of the same picture that PIL reads the same way: PIL decodes one
// bit in 1, 2 or 4 planes, 8 bits in 1 or 3, trusts no line length but the fewest bytes
// (made even when the header says otherwise), and reads every file as RLE.
struct Variant {
    std::string name;
    std::vector<uint8_t> file;
    std::vector<uint8_t> referenceFile;
    uint32_t bitsPerPixel = 0;
};

std::vector<Variant> MakeVariants()
{
    std::mt19937 random(77031);
    struct Shape {
        const char* name;
        uint8_t bits;
        uint8_t planes;
        uint8_t pilBits;
        uint8_t pilPlanes;
        uint32_t valueLimit;  // 0: RGB values
        bool vgaPalette;
    };
    const Shape shapes[] = {
        {"mono", 1, 1, 1, 1, 2, false},
        {"1 bit x 2 planes", 1, 2, 1, 2, 4, false},
        {"1 bit x 3 planes", 1, 3, 1, 4, 8, false},
        {"1 bit x 4 planes", 1, 4, 1, 4, 16, false},
        {"2 bits x 1 plane", 2, 1, 1, 2, 4, false},
        {"4 bits x 1 plane", 4, 1, 1, 4, 16, false},
        {"8 bits, VGA palette", 8, 1, 8, 1, 256, true},
        {"8 bits, grey", 8, 1, 8, 1, 256, false},
        {"24 bits", 8, 3, 8, 3, 0, false},
        {"32 bits", 8, 4, 8, 3, 0, false},
    };
    std::vector<Variant> variants;
    for (const Shape& shape : shapes) {
        const Picture picture = MakePicture(shape.valueLimit, random);
        std::vector<uint8_t> referenceFile =
            BuildPcx(picture, Layout(shape.pilBits, shape.pilPlanes, 0, Rle::PerLine, 3, 2), shape.vgaPalette);
        if (shape.bits == 8 && shape.planes == 1 && !shape.vgaPalette) {
            // PIL looks for a palette 769 bytes from the end and fails on shorter files.
            referenceFile.resize(referenceFile.size() + 769, 0);
        }
        const uint16_t minimal = zv::samples::PcxMinimalBytesPerLine(picture.width, shape.bits);
        for (Rle rle : {Rle::None, Rle::PerLine, Rle::Continuous}) {
            for (uint16_t extra : {0, 1, 3}) {
                const PcxLayout layout = Layout(shape.bits, shape.planes, static_cast<uint16_t>(minimal + extra), rle, 3, 2);
                Variant v;
                v.name = std::string(shape.name) + " rle " + std::to_string(static_cast<int>(rle)) +
                         " line +" + std::to_string(extra);
                v.file = BuildPcx(picture, layout, shape.vgaPalette);
                v.referenceFile = referenceFile;
                v.bitsPerPixel = uint32_t{shape.bits} * shape.planes;
                variants.push_back(std::move(v));
            }
        }
    }
    return variants;
}

TEST(PcxReader, WrittenVariantsEqualPilDecodes)
{
    const auto variants = MakeVariants();
    if (!zv::test::PilReference(WriteByContent(variants.front().referenceFile, "pcx-variants", ".pcx"))) {
        GTEST_SKIP() << "PIL is not available";
    }
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        const auto reference = zv::test::PilReference(WriteByContent(v.referenceFile, "pcx-variants", ".pcx"));
        ASSERT_TRUE(reference.has_value()) << "PIL cannot read the reference file";
        const RasterResult result = ReadRasterBytes(IS40_ReadPCX, v.file);
        ASSERT_TRUE(result.image.has_value()) << "error " << result.error;
        EXPECT_EQ(MaxDifference(*reference, *result.image), 0);
        const Measured dims = MeasureBytes(v.file);
        EXPECT_EQ(dims.result, 1u);
        EXPECT_EQ(dims.width, 13u);
        EXPECT_EQ(dims.height, 5u);
        EXPECT_EQ(dims.depth, v.bitsPerPixel);
        EXPECT_EQ(dims.info.bitsPerSample * dims.info.samplesPerPixel, v.bitsPerPixel);
        EXPECT_EQ(dims.info.formatDetail, dims.info.samplesPerPixel);
    }
}

// Without a palette at the end, nothing after the pixels: every shorter prefix lacks pixels.
TEST(PcxReader, EveryTruncationFailsCleanly)
{
    size_t checked = 0;
    for (const Variant& v : MakeVariants()) {
        if (v.name.find("VGA") != std::string::npos || v.name.find("line +1") == std::string::npos) {
            continue;
        }
        SCOPED_TRACE(v.name);
        ++checked;
        ASSERT_NO_FATAL_FAILURE(zv::test::ExpectEveryPrefixFails(IS40_ReadPCX, v.file, kInvalidPcx));
    }
    EXPECT_GT(checked, 20u);
}

// A file whose palette is cut off reads as grey (as if it had none), and never takes palette
// bytes for pixels.
TEST(PcxReader, CutPaletteReadsAsGrey)
{
    std::mt19937 random(5);
    const Picture picture = MakePicture(256, random);
    const std::vector<uint8_t> file = BuildPcx(picture, Layout(8, 1), true);
    const RasterResult grey = ReadRasterBytes(IS40_ReadPCX, BuildPcx(picture, Layout(8, 1)));
    ASSERT_TRUE(grey.image.has_value());
    const size_t pixelEnd = file.size() - 769;
    size_t decoded = 0;
    for (size_t length = pixelEnd; length < file.size(); ++length) {
        const std::vector<uint8_t> prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
        const RasterResult result = ReadRasterBytes(IS40_ReadPCX, prefix);
        if (result.image) {
            ++decoded;
            ASSERT_EQ(MaxDifference(*grey.image, *result.image), 0) << length;
        } else {
            ASSERT_EQ(result.error, kInvalidPcx) << length;
        }
    }
    EXPECT_GT(decoded, 0u);
}

// A 2 x 1 8-bit image whose pixel data is `data`.
std::vector<uint8_t> TwoPixelPcx(const std::vector<uint8_t>& data)
{
    Picture picture;
    picture.width = 2;
    picture.height = 1;
    picture.values = {0, 0};
    std::vector<uint8_t> file = BuildPcx(picture, Layout(8, 1, 0, Rle::None));
    file[2] = 1;
    file.resize(128);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

TEST(PcxReader, RefusesRunsPastTheImage)
{
    EXPECT_TRUE(ReadRasterBytes(IS40_ReadPCX, TwoPixelPcx({0xC2, 5})).image.has_value());
    // Data after the last line is never read.
    EXPECT_TRUE(ReadRasterBytes(IS40_ReadPCX, TwoPixelPcx({0xC2, 5, 0xC9, 1})).image.has_value());
    // A run that starts inside the image and ends outside it.
    const RasterResult result = ReadRasterBytes(IS40_ReadPCX, TwoPixelPcx({0xC3, 5}));
    EXPECT_FALSE(result.image.has_value());
    EXPECT_EQ(result.error, kInvalidPcx);
}

TEST(PcxReader, RefusesInvalidHeaders)
{
    std::mt19937 random(3);
    const Picture picture = MakePicture(16, random);
    const std::vector<uint8_t> valid = BuildPcx(picture, Layout(1, 4));
    ASSERT_TRUE(ReadRasterBytes(IS40_ReadPCX, valid).image.has_value());
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    const Case cases[] = {
        {"manufacturer", [](std::vector<uint8_t>& f) { f[0] = 11; }},
        {"encoding 2", [](std::vector<uint8_t>& f) { f[2] = 2; }},
        {"xMax before xMin", [](std::vector<uint8_t>& f) { zv::samples::PutU16LE(f, 8, 0); zv::samples::PutU16LE(f, 4, 5); }},
        {"yMax before yMin", [](std::vector<uint8_t>& f) { zv::samples::PutU16LE(f, 10, 0); zv::samples::PutU16LE(f, 6, 5); }},
        {"3 bits a plane", [](std::vector<uint8_t>& f) { f[3] = 3; }},
        {"no planes", [](std::vector<uint8_t>& f) { f[65] = 0; }},
        {"5 planes", [](std::vector<uint8_t>& f) { f[65] = 5; }},
        {"2 bits in 4 planes", [](std::vector<uint8_t>& f) { f[3] = 2; }},
        {"8 bits in 2 planes", [](std::vector<uint8_t>& f) { f[3] = 8; f[65] = 2; }},
        {"no line length", [](std::vector<uint8_t>& f) { zv::samples::PutU16LE(f, 66, 0); }},
        {"line too short", [](std::vector<uint8_t>& f) { zv::samples::PutU16LE(f, 66, 1); }},
        {"header only", [](std::vector<uint8_t>& f) { f.resize(128); }},
        {"short header", [](std::vector<uint8_t>& f) { f.resize(100); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> file = valid;
        c.damage(file);
        const RasterResult result = ReadRasterBytes(IS40_ReadPCX, file);
        EXPECT_FALSE(result.image.has_value());
        EXPECT_EQ(result.error, kInvalidPcx);
    }
}

TEST(PcxReader, ReadsThePublishedVersionsOnly)
{
    std::mt19937 random(3);
    std::vector<uint8_t> file = BuildPcx(MakePicture(16, random), Layout(1, 4));
    for (uint8_t version = 0; version < 8; ++version) {
        file[1] = version;
        const RasterResult result = ReadRasterBytes(IS40_ReadPCX, file);
        EXPECT_EQ(result.image.has_value(), version != 1 && version <= 5) << int{version};
    }
}

TEST(PcxReader, AbsurdSizesFailBeforeAllocating)
{
    std::mt19937 random(4);
    Picture picture = MakePicture(256, random);
    for (Rle rle : {Rle::None, Rle::PerLine}) {
        std::vector<uint8_t> file = BuildPcx(picture, Layout(8, 3, 0, rle));
        zv::samples::PutU16LE(file, 4, 0);
        zv::samples::PutU16LE(file, 6, 0);
        zv::samples::PutU16LE(file, 8, 65535);
        zv::samples::PutU16LE(file, 10, 65535);
        zv::samples::PutU16LE(file, 66, 65535);
        const RasterResult result = ReadRasterBytes(IS40_ReadPCX, file);
        EXPECT_FALSE(result.image.has_value());
        EXPECT_EQ(result.error, kInvalidPcx);
        EXPECT_EQ(MeasureBytes(file).result, 0u);
    }
}

TEST(PcxReader, HonoursTheAllocationLimit)
{
    std::mt19937 random(6);
    const std::vector<uint8_t> file = BuildPcx(MakePicture(0, random), Layout(8, 3));
    zv::test::ExpectAllocationLimitHonoured(IS40_ReadPCX, file);
}

} // namespace
