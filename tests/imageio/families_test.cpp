// Every format family through the exports, on files the sample writers make: what
// ZV_GetImageDims reports agrees with what ZV_OpenImageFile decodes, and RAW camera data
// reaches the host.
#include "dng_writer.h"
#include "metafile/metafile_writer.h"
#include "pcd_writer.h"
#include "sample_writers.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

struct Family {
    std::string file;
    int32_t dimsResult;      // 1, or 0 where measuring reads nothing (Photo CD)
    int32_t bitsPerPixel;
    int32_t width;           // the decoded size
    int32_t height;
};

std::vector<uint8_t> Wmf()
{
    zv::samples::WmfWriter wmf = zv::samples::WmfWriter::Placeable(0, 0, 200, 100, 96);
    wmf.SetWindowExt(200, 100);
    wmf.CreateBrush(0, zv::samples::ColorRef(200, 0, 0));
    wmf.SelectObject(0);
    wmf.Rectangle(0, 0, 100, 100);
    return wmf.Finish();
}

void WriteFamilies(const zv::test::TempDir& dir)
{
    const zv::samples::Picture picture = zv::samples::MakeTestPicture(30, 20);
    ASSERT_TRUE(zv::samples::WriteTiff((dir / "a.tif").string(), picture));
    ASSERT_TRUE(zv::samples::WriteGif((dir / "a.gif").string(), picture));
    ASSERT_TRUE(zv::samples::WriteTga((dir / "a.tga").string(), picture));
    ASSERT_TRUE(zv::samples::WritePcx((dir / "a.pcx").string(), picture));
    ASSERT_TRUE(zv::samples::WritePsd((dir / "a.psd").string(), picture));
    ASSERT_TRUE(zv::samples::WritePcd((dir / "a.pcd").string(), picture));
    zv::test::WriteFile(dir / "a.wmf", Wmf());
    zv::samples::DngOptions dng;
    dng.width = 32;
    dng.height = 24;
    dng.make = "Maker";
    dng.model = "Model 7";
    dng.isoSpeed = 400;
    ASSERT_TRUE(zv::samples::WriteTestDng(dir / "a.dng", dng));
}

TEST(ImageFamilies, MeasuringAgreesWithOpening)
{
    zv::test::TempDir dir;
    WriteFamilies(dir);
    const std::vector<Family> families = {
        {"a.tif", 1, 24, 30, 20}, {"a.gif", 1, 8, 30, 20}, {"a.tga", 1, 24, 30, 20},
        {"a.pcx", 1, 24, 30, 20}, {"a.psd", 1, 24, 30, 20}, {"a.pcd", 0, 24, 768, 512},
        {"a.wmf", 1, 24, 100, 100}, {"a.dng", 1, 24, 32, 24},
    };
    for (const Family& family : families) {
        SCOPED_TRACE(family.file);
        const std::string path = (dir / family.file).string();
        int32_t width = 0;
        int32_t height = 0;
        int32_t bits = 0;
        ZvDimInfo info{};
        EXPECT_EQ(ZV_GetImageDims(path.c_str(), &width, &height, &bits, &info) != 0, family.dimsResult != 0);
        EXPECT_EQ(bits, family.bitsPerPixel);

        uint8_t* pixels = nullptr;
        int32_t openedWidth = 0;
        int32_t openedHeight = 0;
        ASSERT_EQ(ZV_OpenImageFile(path.c_str(), &pixels, &openedWidth, &openedHeight, 0.0, 100, 100), 1)
            << ZV_GetISerror().GetString();
        EXPECT_EQ(openedWidth, family.width);
        EXPECT_EQ(openedHeight, family.height);
        if (family.file != "a.wmf") {  // a metafile is measured at 100 x 100, whatever it is opened at
            EXPECT_EQ(width, openedWidth);
            EXPECT_EQ(height, openedHeight);
        }
        ZvFreeBuffer(pixels);
    }
}

TEST(ImageFamilies, RawCameraDataReachesTheHost)
{
    zv::test::TempDir dir;
    WriteFamilies(dir);
    char maker[64];
    char model[72];
    std::memset(maker, 'x', sizeof maker);
    std::memset(model, 'x', sizeof model);
    int32_t width = 0;
    int32_t height = 0;
    double iso = 0;
    double shutter = 0;
    double aperture = 0;
    double focal = 0;
    const std::string dng = (dir / "a.dng").string();
    ASSERT_NE(ZV_GetRAWInfo(dng.c_str(), &width, &height, maker, model, &iso, &shutter, &aperture, &focal, 0), 0);
    EXPECT_STREQ(maker, "Maker");
    EXPECT_STREQ(model, "Model 7");
    EXPECT_EQ(width, 32);
    EXPECT_EQ(height, 24);
    EXPECT_DOUBLE_EQ(iso, 400);

    // Not a RAW name: nothing is read and nothing is written.
    const std::string tiff = (dir / "a.tif").string();
    width = -1;
    EXPECT_EQ(ZV_GetRAWInfo(tiff.c_str(), &width, &height, maker, model, &iso, &shutter, &aperture, &focal, 0), 0);
    EXPECT_EQ(width, -1);
}

} // namespace
