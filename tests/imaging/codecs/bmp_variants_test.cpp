// BMP variants written by the sample writer from a known picture: 64-bit linear pixels, CMYK
// (uncompressed, RLE8, RLE4), embedded JPEG and PNG, and OS/2 Huffman 1D. Each must give back
// what was written within the stated tolerance; damaged or oversized variants fail cleanly.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "sample_writers.h"
#include "tests/support/imaging_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace fs = std::filesystem;
using namespace zv::test;
using zv::samples::BmpPixels;
using zv::samples::Picture;

namespace {

ReadResult ReadBmp(const fs::path& file)
{
    return ReadWith([](HISSRC s, uint32_t* w, uint32_t* h) { return IS40_ReadBMP(s, w, h, 24, nullptr, 0); }, file);
}

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
        GlobalFree(block);
    }
    return pixels;
}

// Huffman bitmaps hold the picture in black and white.
std::vector<uint8_t> BlackAndWhite(const Picture& picture)
{
    std::vector<uint8_t> pixels(picture.rgb.size());
    for (size_t i = 0; i < pixels.size(); i += 3) {
        std::fill_n(&pixels[i], 3, zv::samples::GreyOf(&picture.rgb[i]) < 128 ? 0 : 255);
    }
    return pixels;
}

enum class Shows { Picture, JpegDecode, BlackAndWhite };

struct BmpVariant {
    const char* name;
    BmpPixels pixels;
    bool fewColours;  // a palette layout: the 12-colour picture
    Shows shows;
    int tolerance;    // per channel: CMYK goes through an 8-bit ink product and rounds by 1
};

const BmpVariant kVariants[] = {
    {"64-bit linear", BmpPixels::Linear64, false, Shows::Picture, 0},
    {"cmyk", BmpPixels::Cmyk32, false, Shows::Picture, 1},
    {"cmyk rle8", BmpPixels::CmykRle8, true, Shows::Picture, 1},
    {"cmyk rle4", BmpPixels::CmykRle4, true, Shows::Picture, 1},
    {"embedded png", BmpPixels::Png, false, Shows::Picture, 0},
    {"embedded jpeg", BmpPixels::Jpeg, false, Shows::JpegDecode, 0},
    {"os/2 huffman", BmpPixels::Huffman, false, Shows::BlackAndWhite, 0},
};

std::vector<uint8_t> Expected(const Picture& picture, Shows shows)
{
    switch (shows) {
    case Shows::JpegDecode:
        return JpegDecode(picture);
    case Shows::BlackAndWhite:
        return BlackAndWhite(picture);
    default:
        return picture.rgb;
    }
}

int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    if (a.size() != b.size()) {
        return 256;
    }
    int largest = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        largest = std::max(largest, std::abs(a[i] - b[i]));
    }
    return largest;
}

TEST(BmpVariants, ShowTheWrittenPicture)
{
    TempDir dir;
    for (const BmpVariant& variant : kVariants) {
        SCOPED_TRACE(variant.name);
        const Picture picture =
            variant.fewColours ? zv::samples::MakePalettePicture(45, 17) : zv::samples::MakeTestPicture(45, 17);
        const fs::path file = dir / "variant.bmp";
        ASSERT_TRUE(zv::samples::WriteBmp(file.string(), picture, {variant.pixels}));
        const ReadResult ours = ReadBmp(file);
        ASSERT_TRUE(ours.ok) << "error " << ours.error;
        EXPECT_EQ(ours.width, picture.width);
        EXPECT_EQ(ours.height, picture.height);
        EXPECT_LE(LargestDifference(ours.pixels, Expected(picture, variant.shows)), variant.tolerance);
    }
}

constexpr size_t kFileSizeAt = 2;
constexpr size_t kPixelOffsetAt = 10;
constexpr size_t kWidthAt = 18;
constexpr size_t kCompressionAt = 30;
constexpr size_t kImageSizeAt = 34;
constexpr size_t kPixelsAt = 14 + 40;  // no palette before embedded images

void Poke32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    for (size_t i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

// Cuts the pixel data short by `bytes`, with headers that say so: the data's own decoder must
// notice.
void Shorten(std::vector<uint8_t>& bytes, size_t cut)
{
    bytes.resize(bytes.size() - cut);
    Poke32(bytes, kFileSizeAt, static_cast<uint32_t>(bytes.size()));
    uint32_t pixelsAt = 0;
    for (size_t i = 4; i-- > 0;) {
        pixelsAt = pixelsAt << 8 | bytes[kPixelOffsetAt + i];
    }
    Poke32(bytes, kImageSizeAt, static_cast<uint32_t>(bytes.size() - pixelsAt));
}

TEST(BmpVariants, DamagedOrOversizedVariantsFailWithTheirCodes)
{
    const Picture picture = zv::samples::MakeTestPicture(45, 17);
    TempDir dir;
    const fs::path written = dir / "written.bmp";
    const fs::path file = dir / "damaged.bmp";
    auto damaged = [&](BmpPixels pixels, auto damage) {
        EXPECT_TRUE(zv::samples::WriteBmp(written.string(), picture, {pixels}));
        std::vector<uint8_t> bytes = ReadFile(written);
        damage(bytes);
        WriteFile(file, bytes);
        return ReadBmp(file).error;
    };
    using namespace zv::imaging;
    // An embedded image is checked by its own reader, and must be the size the header says.
    EXPECT_EQ(damaged(BmpPixels::Png, [](auto& b) { b[kPixelsAt + 12] ^= 0xFF; }), kErrInvalidPNG);
    EXPECT_EQ(damaged(BmpPixels::Jpeg, [](auto& b) { Shorten(b, b.size() - kPixelsAt - 300); }), kErrFileRead);
    EXPECT_EQ(damaged(BmpPixels::Png, [](auto& b) { Poke32(b, kWidthAt, 44); }), kErrBadBMP);
    {
        AllocationLimitScope limit(uint64_t{picture.width} * picture.height * 3 - 1);
        EXPECT_EQ(damaged(BmpPixels::Png, [](auto&) {}), kErrOutOfMemory);
    }
    // Huffman rows must add up to the width, and all of them must be there.
    EXPECT_EQ(damaged(BmpPixels::Huffman, [](auto& b) { Poke32(b, kWidthAt, 46); }), kErrBadBMP);
    EXPECT_EQ(damaged(BmpPixels::Huffman, [](auto& b) { Shorten(b, 20); }), kErrBadBMP);
    {
        // Too little data for a 30000 x 30000 image is refused before the image block is
        // allocated, which a limit just below that block's size would otherwise report.
        AllocationLimitScope limit(uint64_t{30000} * 30000 * 3 - 1);
        EXPECT_EQ(damaged(BmpPixels::Huffman,
                          [](auto& b) {
                              Poke32(b, kWidthAt, 30000);
                              Poke32(b, kWidthAt + 4, 30000);
                          }),
                  kErrBadBMP);
    }
    // 64-bit pixels are uncompressed only.
    EXPECT_EQ(damaged(BmpPixels::Linear64, [](auto& b) { Poke32(b, kCompressionAt, 1); }), kErrBadBMP);
}

} // namespace
