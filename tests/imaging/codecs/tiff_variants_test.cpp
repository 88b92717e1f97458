// Signed and half-float TIFF samples, written by the sample writer from a known picture: the
// reader must give the picture back exactly (signed values moved up by half their range,
// halves of v / 255 scaled back by 255), and honour the allocation limit.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "sample_writers.h"
#include "tests/support/imaging_support.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace zv::test;
using zv::samples::SampleKind;
using zv::samples::TiffOptions;

namespace {

ReadResult ReadTiff(const fs::path& file)
{
    return ReadWith([](HISSRC s, uint32_t* w, uint32_t* h) { return IS40_ReadTIFF(s, w, h, 24, nullptr, 0, 0); },
                    file);
}

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
