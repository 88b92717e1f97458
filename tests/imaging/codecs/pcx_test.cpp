#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/core/source.h"
#include "platform/memory.h"
#include "tests/support/raster_reading.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using zv::test::MaxDifference;
using zv::test::RasterResult;
using zv::test::ReadRaster;
using zv::test::ReadRasterBytes;
using zv::test::WriteByContent;

namespace {

constexpr uint32_t kInvalidPcx = zv::imaging::kErrInvalidPCX;

struct Dims {
    uint32_t result = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitsPerPixel = 0;
    IS40DimInfo info{};
};

Dims MeasureBytes(const std::vector<uint8_t>& bytes)
{
    IS40Source source;
    source.data = bytes.empty() ? nullptr : bytes.data();
    source.size = bytes.size();
    Dims dims;
    dims.result = IS40_GetPCXDims(&source, &dims.width, &dims.height, &dims.bitsPerPixel, &dims.info, 0);
    return dims;
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
    auto corpus = zv::test::CorpusDir();
    if (!corpus || !fs::is_directory(*corpus / "pillow")) {
        GTEST_SKIP() << "pillow corpus not present";
    }
    const auto files = zv::test::FilesIn(*corpus / "pillow", {".pcx"});
    ASSERT_FALSE(files.empty());
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const RasterResult result = ReadRaster(IS40_ReadPCX, file);
        const auto reference = CorpusReference(file);
        if (!reference || zv::test::IsHostileName(file.filename().string())) {
            EXPECT_FALSE(result.image.has_value());
            EXPECT_EQ(result.error, kInvalidPcx);
            continue;
        }
        ASSERT_TRUE(result.image.has_value()) << "error " << result.error;
        EXPECT_EQ(MaxDifference(*reference, *result.image), 0);
        const Dims dims = MeasureBytes(zv::test::ReadFile(file));
        EXPECT_EQ(dims.result, 1u);
        EXPECT_EQ(dims.width, static_cast<uint32_t>(result.image->width));
        EXPECT_EQ(dims.height, static_cast<uint32_t>(result.image->height));
    }
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

enum class Rle { None, PerLine, Continuous };

struct PcxLayout {
    uint8_t bitsPerPlane = 8;
    uint8_t planes = 1;
    uint16_t bytesPerLine = 0;  // 0: the fewest the width needs
    Rle rle = Rle::PerLine;
    bool vgaPalette = false;
    uint16_t xMin = 0;
    uint16_t yMin = 0;
};

uint16_t MinimalBytesPerLine(const Picture& picture, const PcxLayout& layout)
{
    return static_cast<uint16_t>((picture.width * layout.bitsPerPlane + 7) / 8);
}

// The bytes of one scan line: each plane in turn, padded to bytesPerLine.
std::vector<uint8_t> ScanLine(const Picture& picture, const PcxLayout& layout, uint16_t bytesPerLine, size_t y)
{
    std::vector<uint8_t> line(size_t{bytesPerLine} * layout.planes, 0);
    for (size_t p = 0; p < layout.planes; ++p) {
        uint8_t* plane = line.data() + p * bytesPerLine;
        for (size_t x = 0; x < picture.width; ++x) {
            const uint32_t value = picture.values[y * picture.width + x];
            if (layout.bitsPerPlane == 8) {
                plane[x] = static_cast<uint8_t>(layout.planes == 1 ? value : value >> (16 - 8 * std::min<size_t>(p, 2)));
                continue;
            }
            const uint32_t bits = layout.bitsPerPlane;
            const uint32_t field = (value >> (p * bits)) & ((1u << bits) - 1);
            const size_t bitPos = x * bits;
            plane[bitPos / 8] |= static_cast<uint8_t>(field << (8 - bits - bitPos % 8));
        }
    }
    return line;
}

void EncodeRun(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes)
{
    size_t i = 0;
    while (i < bytes.size()) {
        size_t run = 1;
        while (i + run < bytes.size() && run < 63 && bytes[i + run] == bytes[i]) {
            ++run;
        }
        if (run > 1 || bytes[i] >= 0xC0) {
            out.push_back(static_cast<uint8_t>(0xC0 | run));
        }
        out.push_back(bytes[i]);
        i += run;
    }
}

void PutU16(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

std::vector<uint8_t> BuildPcx(const Picture& picture, const PcxLayout& layout)
{
    const uint16_t bytesPerLine = layout.bytesPerLine != 0 ? layout.bytesPerLine : MinimalBytesPerLine(picture, layout);
    std::vector<uint8_t> out(128, 0);
    out[0] = 10;
    out[1] = 5;
    out[2] = layout.rle == Rle::None ? 0 : 1;
    out[3] = layout.bitsPerPlane;
    PutU16(out, 4, layout.xMin);
    PutU16(out, 6, layout.yMin);
    PutU16(out, 8, layout.xMin + picture.width - 1u);
    PutU16(out, 10, layout.yMin + picture.height - 1u);
    std::copy(picture.headerPalette.begin(), picture.headerPalette.end(), out.begin() + 16);
    out[65] = layout.planes;
    PutU16(out, 66, bytesPerLine);
    PutU16(out, 68, 1);
    std::vector<uint8_t> all;
    for (size_t y = 0; y < picture.height; ++y) {
        const auto line = ScanLine(picture, layout, bytesPerLine, y);
        if (layout.rle == Rle::PerLine) {
            EncodeRun(out, line);
        } else {
            all.insert(all.end(), line.begin(), line.end());
        }
    }
    if (layout.rle == Rle::Continuous) {
        EncodeRun(out, all);
    } else if (layout.rle == Rle::None) {
        out.insert(out.end(), all.begin(), all.end());
    }
    if (layout.vgaPalette) {
        out.push_back(0x0C);
        out.insert(out.end(), picture.vgaPalette.begin(), picture.vgaPalette.end());
    }
    return out;
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
        PcxLayout reference{shape.pilBits, shape.pilPlanes, 0, Rle::PerLine, shape.vgaPalette, 3, 2};
        std::vector<uint8_t> referenceFile = BuildPcx(picture, reference);
        if (shape.bits == 8 && shape.planes == 1 && !shape.vgaPalette) {
            // PIL looks for a palette 769 bytes from the end and fails on shorter files.
            referenceFile.resize(referenceFile.size() + 769, 0);
        }
        const uint16_t minimal = MinimalBytesPerLine(picture, PcxLayout{shape.bits, shape.planes});
        for (Rle rle : {Rle::None, Rle::PerLine, Rle::Continuous}) {
            for (uint16_t extra : {0, 1, 3}) {
                PcxLayout layout{shape.bits, shape.planes, static_cast<uint16_t>(minimal + extra), rle,
                                 shape.vgaPalette, 3, 2};
                Variant v;
                v.name = std::string(shape.name) + " rle " + std::to_string(static_cast<int>(rle)) +
                         " line +" + std::to_string(extra);
                v.file = BuildPcx(picture, layout);
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
        const Dims dims = MeasureBytes(v.file);
        EXPECT_EQ(dims.result, 1u);
        EXPECT_EQ(dims.width, 13u);
        EXPECT_EQ(dims.height, 5u);
        EXPECT_EQ(dims.bitsPerPixel, v.bitsPerPixel);
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
        for (size_t length = 0; length < v.file.size(); ++length) {
            const std::vector<uint8_t> prefix(v.file.begin(), v.file.begin() + static_cast<std::ptrdiff_t>(length));
            const RasterResult result = ReadRasterBytes(IS40_ReadPCX, prefix);
            ASSERT_FALSE(result.image.has_value()) << length;
            ASSERT_EQ(result.error, kInvalidPcx) << length;
            MeasureBytes(prefix);
        }
    }
    EXPECT_GT(checked, 20u);
}

// A file whose palette is cut off reads as grey (as if it had none), and never takes palette
// bytes for pixels.
TEST(PcxReader, CutPaletteReadsAsGrey)
{
    std::mt19937 random(5);
    const Picture picture = MakePicture(256, random);
    const std::vector<uint8_t> file = BuildPcx(picture, PcxLayout{8, 1, 0, Rle::PerLine, true});
    const RasterResult grey = ReadRasterBytes(IS40_ReadPCX, BuildPcx(picture, PcxLayout{8, 1, 0, Rle::PerLine, false}));
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
    std::vector<uint8_t> file = BuildPcx(picture, PcxLayout{8, 1, 0, Rle::None, false});
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
    const std::vector<uint8_t> valid = BuildPcx(picture, PcxLayout{1, 4, 0, Rle::PerLine, false});
    ASSERT_TRUE(ReadRasterBytes(IS40_ReadPCX, valid).image.has_value());
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    const Case cases[] = {
        {"manufacturer", [](std::vector<uint8_t>& f) { f[0] = 11; }},
        {"version 1", [](std::vector<uint8_t>& f) { f[1] = 1; }},
        {"encoding 2", [](std::vector<uint8_t>& f) { f[2] = 2; }},
        {"xMax before xMin", [](std::vector<uint8_t>& f) { PutU16(f, 8, 0); PutU16(f, 4, 5); }},
        {"yMax before yMin", [](std::vector<uint8_t>& f) { PutU16(f, 10, 0); PutU16(f, 6, 5); }},
        {"3 bits a plane", [](std::vector<uint8_t>& f) { f[3] = 3; }},
        {"no planes", [](std::vector<uint8_t>& f) { f[65] = 0; }},
        {"5 planes", [](std::vector<uint8_t>& f) { f[65] = 5; }},
        {"2 bits in 4 planes", [](std::vector<uint8_t>& f) { f[3] = 2; }},
        {"8 bits in 2 planes", [](std::vector<uint8_t>& f) { f[3] = 8; f[65] = 2; }},
        {"no line length", [](std::vector<uint8_t>& f) { PutU16(f, 66, 0); }},
        {"line too short", [](std::vector<uint8_t>& f) { PutU16(f, 66, 1); }},
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

TEST(PcxReader, AbsurdSizesFailBeforeAllocating)
{
    std::mt19937 random(4);
    Picture picture = MakePicture(256, random);
    for (Rle rle : {Rle::None, Rle::PerLine}) {
        std::vector<uint8_t> file = BuildPcx(picture, PcxLayout{8, 3, 0, rle, false});
        PutU16(file, 4, 0);
        PutU16(file, 6, 0);
        PutU16(file, 8, 65535);
        PutU16(file, 10, 65535);
        PutU16(file, 66, 65535);
        const RasterResult result = ReadRasterBytes(IS40_ReadPCX, file);
        EXPECT_FALSE(result.image.has_value());
        EXPECT_EQ(result.error, kInvalidPcx);
        EXPECT_EQ(MeasureBytes(file).result, 0u);
    }
}

TEST(PcxReader, HonoursTheAllocationLimit)
{
    std::mt19937 random(6);
    const std::vector<uint8_t> file = BuildPcx(MakePicture(0, random), PcxLayout{8, 3, 0, Rle::PerLine, false});
    zv::platform::SetAllocationLimit(13 * 5 * 3 - 1);
    const RasterResult refused = ReadRasterBytes(IS40_ReadPCX, file);
    zv::platform::SetAllocationLimit(0);
    EXPECT_FALSE(refused.image.has_value());
    EXPECT_EQ(refused.error, zv::imaging::kErrOutOfMemory);
    EXPECT_TRUE(ReadRasterBytes(IS40_ReadPCX, file).image.has_value());
}

} // namespace
