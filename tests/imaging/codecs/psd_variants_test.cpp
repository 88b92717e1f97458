// PSD and PSB variants written by the sample writer from a known picture: ZIP with and without
// prediction, 16- and 32-bit samples, Lab, duotone and multichannel. Each must give back the
// picture (or its grey base) within the stated tolerance, and ZIP data must not be trusted
// beyond what the image needs.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "sample_writers.h"
#include "tests/support/imaging_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace fs = std::filesystem;
using namespace zv::test;
using zv::samples::PsdColour;
using zv::samples::PsdCompression;
using zv::samples::PsdOptions;

namespace {

ReadResult ReadPsd(const fs::path& file)
{
    return ReadWith([](HISSRC s, uint32_t* w, uint32_t* h) { return IS40_ReadPSD(s, w, h, 24, nullptr, 0); }, file);
}

// What a variant shows: the picture itself, or its grey base in all three channels.
enum class Shows { Picture, Grey };

struct PsdVariant {
    const char* name;
    PsdOptions options;
    Shows shows;
    int tolerance;  // per channel
};

// Lab keeps L in steps of 100/255 and a and b in whole units (16-bit Lab is read by its high
// byte too): for a saturated colour with a channel near 0, where sRGB is steepest, one unit
// moves that channel by up to 10; leaving out the D50 -> D65 adaptation would be off by 61 on
// this picture. Everything else is exact.
const PsdVariant kVariants[] = {
    {"zip", {PsdColour::Rgb, 8, PsdCompression::Zip}, Shows::Picture, 0},
    {"zip, a stream per channel", {PsdColour::Rgb, 8, PsdCompression::Zip, 3, true}, Shows::Picture, 0},
    {"zip with prediction", {PsdColour::Rgb, 8, PsdCompression::ZipPredicted}, Shows::Picture, 0},
    {"16-bit zip with prediction", {PsdColour::Rgb, 16, PsdCompression::ZipPredicted}, Shows::Picture, 0},
    {"32-bit raw", {PsdColour::Rgb, 32, PsdCompression::Raw}, Shows::Picture, 0},
    {"32-bit zip with prediction", {PsdColour::Rgb, 32, PsdCompression::ZipPredicted}, Shows::Picture, 0},
    {"psb zip with prediction", {PsdColour::Rgb, 8, PsdCompression::ZipPredicted, 3, false, true}, Shows::Picture, 0},
    {"lab", {PsdColour::Lab, 8, PsdCompression::PackBits}, Shows::Picture, 10},
    {"16-bit lab zip", {PsdColour::Lab, 16, PsdCompression::Zip}, Shows::Picture, 10},
    {"duotone", {PsdColour::Duotone, 8, PsdCompression::PackBits}, Shows::Grey, 0},
    {"multichannel, one channel", {PsdColour::Multichannel, 8, PsdCompression::Raw, 1}, Shows::Grey, 0},
    {"multichannel, four channels", {PsdColour::Multichannel, 8, PsdCompression::ZipPredicted, 4}, Shows::Picture, 0},
};

std::vector<uint8_t> Expected(const zv::samples::Picture& picture, Shows shows)
{
    if (shows == Shows::Picture) {
        return picture.rgb;
    }
    std::vector<uint8_t> grey(picture.rgb.size());
    for (size_t i = 0; i < grey.size(); i += 3) {
        std::fill_n(&grey[i], 3, zv::samples::GreyOf(&picture.rgb[i]));
    }
    return grey;
}

int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    int largest = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        largest = std::max(largest, std::abs(a[i] - b[i]));
    }
    return largest;
}

TEST(PsdVariants, ShowTheWrittenPicture)
{
    const zv::samples::Picture picture = zv::samples::MakeTestPicture(41, 23);
    TempDir dir;
    for (const PsdVariant& variant : kVariants) {
        SCOPED_TRACE(variant.name);
        const fs::path file = dir / "variant.psd";
        ASSERT_TRUE(zv::samples::WritePsd(file.string(), picture, variant.options));
        const ReadResult ours = ReadPsd(file);
        ASSERT_TRUE(ours.ok) << "error " << ours.error;
        ASSERT_EQ(ours.width, picture.width);
        ASSERT_EQ(ours.height, picture.height);
        EXPECT_LE(LargestDifference(ours.pixels, Expected(picture, variant.shows)), variant.tolerance);
    }
}

constexpr size_t kHeightAt = 14;
constexpr size_t kWidthAt = 18;

void Poke32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    for (size_t i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
    }
}

TEST(PsdVariants, ZipDataIsTrustedOnlyAsFarAsTheImageNeeds)
{
    const zv::samples::Picture picture = zv::samples::MakeTestPicture(41, 23);
    const std::vector<uint8_t> valid =
        zv::samples::PsdBytes(picture, {PsdColour::Rgb, 8, PsdCompression::ZipPredicted});
    TempDir dir;
    const fs::path file = dir / "damaged.psd";

    // A stream that stops early, and one whose bytes are damaged.
    std::vector<uint8_t> bytes(valid.begin(), valid.end() - 40);
    WriteFile(file, bytes);
    EXPECT_EQ(ReadPsd(file).error, zv::imaging::kErrInvalidPSD);
    bytes = valid;
    std::fill(bytes.end() - 60, bytes.end() - 20, 0xA5);
    WriteFile(file, bytes);
    EXPECT_EQ(ReadPsd(file).error, zv::imaging::kErrInvalidPSD);

    // A bomb: a small stream claiming 30000 x 30000 pixels is refused before the image block is
    // allocated, which a limit just below that block's size would otherwise report.
    bytes = valid;
    Poke32(bytes, kWidthAt, 30000);
    Poke32(bytes, kHeightAt, 30000);
    WriteFile(file, bytes);
    AllocationLimitScope limit(uint64_t{30000} * 30000 * 3 - 1);
    EXPECT_EQ(ReadPsd(file).error, zv::imaging::kErrInvalidPSD);
}

} // namespace
