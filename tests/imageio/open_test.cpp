// ZV_OpenImageFile: reader choice by extension key, the buffer the host gets, the wait
// cursor on every way out, out-arguments only on success, the out-of-memory report, and the
// PNG screen gamma it leaves behind. ZvOpenImageFileForSize: how small a JPEG may decode.
#include "zvdll.h"

#include "imaging/core/imaging.h"
#include "icc_writer.h"
#include "photo_writer.h"
#include "sample_writers.h"
#include "tests/support/imaging_support.h"
#include "tests/support/test_support.h"
#include "raster_writers.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace fs = std::filesystem;
using namespace zv::test;

namespace {

struct Opened {
    int32_t result = 0;
    uint8_t* buffer = nullptr;
    int32_t width = -7;
    int32_t height = -7;

    Opened() = default;
    Opened(const Opened&) = delete;
    Opened& operator=(const Opened&) = delete;
    ~Opened() { ZvFreeBuffer(buffer); }
    bool Untouched() const { return buffer == nullptr && width == -7 && height == -7; }
};

void Open(const std::string& path, Opened* out, double pngGamma = 0.0)
{
    out->result = ZV_OpenImageFile(path.c_str(), &out->buffer, &out->width, &out->height, pngGamma, 0, 0);
}

std::string Backslashed(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// A GIF whose palette entry i is (i, 2i, 3i) and whose pixel (x, y) is index x + y.
bool WriteSmallGif(const fs::path& file, int width, int height)
{
    zv::samples::GifLayout layout{width, height, 0, {}, 0, 0, width, height, false, {}, -1};
    for (int i = 0; i < 256; ++i) {
        layout.globalMap.push_back(static_cast<uint8_t>(i));
        layout.globalMap.push_back(static_cast<uint8_t>(2 * i));
        layout.globalMap.push_back(static_cast<uint8_t>(3 * i));
    }
    std::vector<uint8_t> indices;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            indices.push_back(static_cast<uint8_t>((x + y) % 256));
        }
    }
    return zv::samples::WriteGifFile(file.string(), layout, indices);
}

// The opened image fitted into a box as hosts fit it, through ZV_DisplayFrame.
RgbImage FitIntoBox(Opened& opened, int32_t boxWidth, int32_t boxHeight)
{
    zv::CWnd window(zv::CRect(0, 0, boxWidth + 4, boxHeight + 4));
    uint32_t width = static_cast<uint32_t>(opened.width);
    uint32_t height = static_cast<uint32_t>(opened.height);
    uint8_t* display = nullptr;
    uint32_t fittedWidth = 0;
    uint32_t fittedHeight = 0;
    ZV_DisplayFrame(&opened.buffer, &width, &height, &display, &fittedWidth, &fittedHeight, &window);
    RgbImage fitted{static_cast<int>(fittedWidth), static_cast<int>(fittedHeight),
                    std::vector<uint8_t>(display, display + size_t{fittedWidth} * fittedHeight * 3)};
    ZvFreeBuffer(display);
    return fitted;
}

class ScreenGammaReset {
public:
    ~ScreenGammaReset() { IS40_PNGSetScreenGamma(0.0); }
};

} // namespace

TEST(OpenImageFile, PngOpensUnderEveryCaseOfItsExtensionAndFromBackslashPaths)
{
    TempDir dir;
    const zv::samples::Picture image = zv::samples::MakeTestPicture(23, 11);
    for (const char* name : {"a.png", "b.Png", "c.PNG"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(zv::samples::WritePng((dir / name).string(), image));
        for (const std::string& path : {(dir / name).string(), Backslashed((dir / name).string())}) {
            Opened opened;
            Open(path, &opened);
            ASSERT_EQ(opened.result, 1);
            EXPECT_EQ(opened.width, 23);
            EXPECT_EQ(opened.height, 11);
            EXPECT_EQ(MaxDifference({23, 11, image.rgb}, opened.buffer, opened.width, opened.height), 0);
        }
    }
}

TEST(OpenImageFile, TheExtensionKeyChoosesTheReaderNotTheContent)
{
    auto corpus = CorpusDir();
    if (!corpus) {
        GTEST_SKIP() << "corpus absent";
    }
    TempDir dir;
    const fs::path jpeg = *corpus / "pillow" / "hopper.jpg";
    const fs::path tiff = *corpus / "pillow" / "hopper.tif";
    struct Case {
        fs::path source;
        const char* name;
        int32_t result;
    };
    const Case cases[] = {
        {jpeg, "photo.jpeg", 1}, {jpeg, "photo.JPE", 1}, {jpeg, "photo.jif", 1},
        {jpeg, "photo.jfif", 0},  // "JFIF" is no key of the JPEG reader
        {tiff, "scan.tif", 1},    {tiff, "scan.TIFF", 1}, {tiff, "scannedtiff", 1},  // the key is the last four bytes
        {tiff, "scan.iff", 0},    {jpeg, "photo.png", 0},  // a JPEG under a PNG name goes to the PNG reader
        {jpeg, "photo.dat", 0},   {jpeg, "jp", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::copy_file(c.source, dir / c.name, fs::copy_options::overwrite_existing);
        Opened opened;
        Open((dir / c.name).string(), &opened);
        EXPECT_EQ(opened.result, c.result);
        if (c.result == 0) {
            EXPECT_TRUE(opened.Untouched());
        } else {
            EXPECT_EQ(opened.width, 128);
            EXPECT_EQ(opened.height, 128);
        }
    }
}

TEST(OpenImageFile, TheBufferHoldsWhatTheReaderDeliveredMovedOnce)
{
    TempDir dir;
    const fs::path png = dir / "image.png";
    ASSERT_TRUE(zv::samples::WritePng(png.string(), zv::samples::MakeTestPicture(40, 30)));
    Source source(png);
    uint32_t w = 0, h = 0;
    HGLOBAL block = IS40_ReadPNG(source.get(), &w, &h, 24, nullptr, 0);
    ASSERT_NE(block, nullptr);
    Opened opened;
    Open(png.string(), &opened);
    ASSERT_EQ(opened.result, 1);
    EXPECT_TRUE(std::equal(opened.buffer, opened.buffer + w * h * 3, static_cast<const uint8_t*>(block)));
    ImageBlockFree(block);
}

TEST(OpenImageFile, GifIndicesBecomeThreeBytesThroughThePalette)
{
    TempDir dir;
    const fs::path gif = dir / "small.gif";
    ASSERT_TRUE(WriteSmallGif(gif, 300, 2));
    Opened opened;
    Open(gif.string(), &opened);
    ASSERT_EQ(opened.result, 1);
    ASSERT_EQ(opened.width, 300);
    ASSERT_EQ(opened.height, 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 300; ++x) {
            const int index = (x + y) % 256;
            const uint8_t* pixel = opened.buffer + (y * 300 + x) * 3;
            ASSERT_EQ(pixel[0], static_cast<uint8_t>(index));
            ASSERT_EQ(pixel[1], static_cast<uint8_t>(2 * index));
            ASSERT_EQ(pixel[2], static_cast<uint8_t>(3 * index));
        }
    }
}

TEST(OpenImageFile, TheWaitCursorEndsOnEveryWayOut)
{
    TempDir dir;
    const fs::path png = dir / "ok.png";
    ASSERT_TRUE(zv::samples::WritePng(png.string(), zv::samples::MakeTestPicture(4, 4)));
    WriteFile(dir / "broken.png", std::vector<uint8_t>(40, 1));
    WriteFile(dir / "unknown.xyz", std::vector<uint8_t>(40, 1));
    for (const fs::path& path : {png, dir / "broken.png", dir / "unknown.xyz", dir / "missing.png"}) {
        SCOPED_TRACE(path.filename().string());
        HostServicesRecorder recorder;
        Opened opened;
        Open(path.string(), &opened);
        EXPECT_EQ(recorder.cursorBegins, 1);
        EXPECT_EQ(recorder.cursorEnds, 1);
        EXPECT_TRUE(recorder.texts.empty());
        EXPECT_EQ(opened.result == 0, opened.Untouched());
    }
}

TEST(OpenImageFile, FailuresLeaveTheOutArgumentsAndExplainThemselves)
{
    TempDir dir;
    WriteFile(dir / "broken.png", std::vector<uint8_t>(40, 1));
    struct Case {
        fs::path path;
        const char* text;
    };
    for (const Case& c : {Case{dir / "missing.jpg", "2: error on file open"},
                          Case{dir / "broken.png", "15: invalid PNG file"}}) {
        Opened opened;
        Open(c.path.string(), &opened);
        EXPECT_EQ(opened.result, 0);
        EXPECT_TRUE(opened.Untouched());
        EXPECT_STREQ(ZV_GetISerror().GetString(), c.text);
    }
}

// The GIF block holds one byte a pixel, the RGB buffer three: a limit between the two lets
// the read succeed and the host's buffer fail.
TEST(OpenImageFile, AFailedBufferAllocationIsReportedOnceAndLeavesNothingBehind)
{
    TempDir dir;
    const fs::path gif = dir / "wide.gif";
    ASSERT_TRUE(WriteSmallGif(gif, 200, 100));
    HostServicesRecorder recorder;
    AllocationLimitScope limit(200 * 100 * 2);
    Opened opened;
    Open(gif.string(), &opened);
    EXPECT_EQ(opened.result, 0);
    EXPECT_TRUE(opened.Untouched());
    EXPECT_EQ(recorder.texts, std::vector<std::string>{"Out of memory."});
    EXPECT_EQ(recorder.cursorBegins, 1);
    EXPECT_EQ(recorder.cursorEnds, 1);
}

TEST(OpenImageFile, ANonZeroPngGammaStaysSetForLaterReads)
{
    ScreenGammaReset reset;
    TempDir dir;
    const fs::path png = dir / "gamma.png";
    ASSERT_TRUE(zv::samples::WritePng(png.string(), zv::samples::MakeTestPicture(8, 8)));
    Opened plain;
    Open(png.string(), &plain, 0.0);
    ASSERT_EQ(plain.result, 1);
    EXPECT_EQ(IS40_PNGGetScreenGamma(), 0.0);

    Opened corrected;
    Open(png.string(), &corrected, 1.0);
    ASSERT_EQ(corrected.result, 1);
    EXPECT_EQ(IS40_PNGGetScreenGamma(), 1.0);
    Opened later;
    Open(png.string(), &later, 0.0);  // 0.0 leaves the setting alone
    ASSERT_EQ(later.result, 1);
    EXPECT_EQ(IS40_PNGGetScreenGamma(), 1.0);
    EXPECT_TRUE(std::equal(corrected.buffer, corrected.buffer + 8 * 8 * 3, later.buffer));
    EXPECT_FALSE(std::equal(plain.buffer, plain.buffer + 8 * 8 * 3, later.buffer));

    WriteFile(dir / "not-a-png.jpg", std::vector<uint8_t>(10, 0));
    Opened other;
    Open((dir / "not-a-png.jpg").string(), &other, 2.2);  // only the PNG branch sets it
    EXPECT_EQ(IS40_PNGGetScreenGamma(), 1.0);
}

// A JPEG decodes at 1/2, 1/4 or 1/8 when that still covers the fit, never smaller, and once
// fitted it looks like the fitted full decode; other formats open whole.
TEST(OpenImageFileForSize, AJpegDecodesNoSmallerThanItsFitNeedsAndFitsLikeTheFullDecode)
{
    TempDir dir;
    const zv::samples::Picture photo = zv::samples::MakePhotoLikePicture(1200, 800, 1);
    WriteFile(dir / "p.jpg", zv::samples::JpegBytes(photo));
    ASSERT_TRUE(zv::samples::WritePng((dir / "p.png").string(), photo));
    struct Case {
        int32_t boxWidth;
        int32_t boxHeight;
        bool halfOrLess;  // the fit keeps at most half of the image each way
    };
    for (const Case& c : {Case{140, 140, true}, Case{300, 600, true}, Case{600, 300, true}, Case{700, 700, false}}) {
        SCOPED_TRACE(std::to_string(c.boxWidth) + "x" + std::to_string(c.boxHeight));
        Opened full;
        Opened small;
        Open((dir / "p.jpg").string(), &full);
        small.result = ZvOpenImageFileForSize((dir / "p.jpg").string().c_str(), &small.buffer, &small.width, &small.height,
                                              c.boxWidth, c.boxHeight);
        ASSERT_EQ(small.result, 1);
        const double scale = std::min(c.boxWidth / 1200.0, c.boxHeight / 800.0);
        EXPECT_GE(small.width, static_cast<int32_t>(1200 * scale));
        EXPECT_GE(small.height, static_cast<int32_t>(800 * scale));
        EXPECT_EQ(small.width <= 600, c.halfOrLess) << small.width;

        const RgbImage expected = FitIntoBox(full, c.boxWidth, c.boxHeight);
        const RgbImage fitted = FitIntoBox(small, c.boxWidth, c.boxHeight);
        ASSERT_EQ(std::make_pair(fitted.width, fitted.height), std::make_pair(expected.width, expected.height));
        double sum = 0;
        for (size_t i = 0; i < fitted.pixels.size(); ++i) {
            sum += std::abs(fitted.pixels[i] - expected.pixels[i]);
        }
        EXPECT_LT(sum / fitted.pixels.size(), 1.5);
        EXPECT_LE(MaxDifference(expected, fitted.pixels.data(), fitted.width, fitted.height), 64) << "at sharp edges";
    }
    Opened png;
    png.result = ZvOpenImageFileForSize((dir / "p.png").string().c_str(), &png.buffer, &png.width, &png.height, 140, 140);
    EXPECT_EQ(std::make_tuple(png.result, png.width, png.height), std::make_tuple(1, 1200, 800));
}

// A phone's photo opens upright, decoded at the scale that covers the box as displayed, and in
// sRGB when asked: exactly the stored decode turned and converted by the host functions.
TEST(OpenImageFileForDisplay, TurnsUprightFitsTheDisplayedBoxAndConvertsToSrgb)
{
    TempDir dir;
    const std::string path = (dir / "phone.jpg").string();
    WriteFile(dir / "phone.jpg", zv::samples::PhonePhotoJpeg(zv::samples::MakeTestPicture(120, 180), {true, 95}));
    Opened stored;
    Open(path, &stored);
    ASSERT_EQ(std::make_pair(stored.width, stored.height), std::make_pair(180, 120));
    std::vector<uint8_t> expected(180 * 120 * 3);
    ASSERT_EQ(ZvOrientPixels(stored.buffer, 180, 120, ZV_ORIENT_ROTATE_90, expected.data()), 1);

    Opened upright;
    upright.result = ZvOpenImageFileForDisplay(path.c_str(), &upright.buffer, &upright.width, &upright.height, 0, 0,
                                               ZV_OPEN_UPRIGHT);
    ASSERT_EQ(std::make_tuple(upright.result, upright.width, upright.height), std::make_tuple(1, 120, 180));
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), upright.buffer));

    const std::vector<uint8_t> profile = zv::samples::DisplayP3Profile();
    ASSERT_EQ(ZvConvertToSrgb(expected.data(), 120, 180, profile.data(), profile.size(), ZV_INTENT_PERCEPTUAL), 1);
    Opened srgb;
    srgb.result = ZvOpenImageFileForDisplay(path.c_str(), &srgb.buffer, &srgb.width, &srgb.height, -1, 0,
                                            ZV_OPEN_UPRIGHT | ZV_OPEN_SRGB);
    ASSERT_EQ(srgb.result, 1);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), srgb.buffer));

    // Fitted into 60 x 60 as displayed (40 x 60): half the stored size covers it, a quarter not.
    Opened fitted;
    fitted.result = ZvOpenImageFileForDisplay(path.c_str(), &fitted.buffer, &fitted.width, &fitted.height, 60, 60,
                                              ZV_OPEN_UPRIGHT);
    EXPECT_EQ(std::make_tuple(fitted.result, fitted.width, fitted.height), std::make_tuple(1, 60, 90));
    Opened asStored;
    asStored.result = ZvOpenImageFileForDisplay(path.c_str(), &asStored.buffer, &asStored.width, &asStored.height, 0, 0, 0);
    EXPECT_EQ(std::make_tuple(asStored.result, asStored.width, asStored.height), std::make_tuple(1, 180, 120));
    Opened missing;
    missing.result = ZvOpenImageFileForDisplay((dir / "none.jpg").string().c_str(), &missing.buffer, &missing.width,
                                               &missing.height, 0, 0, ZV_OPEN_UPRIGHT);
    EXPECT_TRUE(missing.result == 0 && missing.Untouched());
}

// Each of the eight orientations, stored as a camera stores it, opens as the picture it was
// before storing (JPEG's loss aside), and clearly not as stored unless stored as it is.
TEST(OpenImageFileForDisplay, EveryOrientationOpensAsTheUprightPicture)
{
    TempDir dir;
    const zv::samples::Picture upright = zv::samples::MakeTestPicture(48, 32);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const std::string path = (dir / ("o" + std::to_string(orientation) + ".jpg")).string();
        WriteFile(path, zv::samples::PhonePhotoJpeg(upright, {false, 98, orientation}));
        Opened turned;
        turned.result = ZvOpenImageFileForDisplay(path.c_str(), &turned.buffer, &turned.width, &turned.height, 0, 0,
                                                  ZV_OPEN_UPRIGHT);
        ASSERT_EQ(std::make_tuple(turned.result, turned.width, turned.height), std::make_tuple(1, 48, 32));
        const auto meanDifference = [&](const uint8_t* pixels) {
            double sum = 0;
            for (size_t i = 0; i < upright.rgb.size(); ++i) {
                sum += std::abs(pixels[i] - upright.rgb[i]);
            }
            return sum / static_cast<double>(upright.rgb.size());
        };
        EXPECT_LT(meanDifference(turned.buffer), 6.0);
        Opened stored;
        Open(path, &stored);
        if (orientation != 1 && stored.width == 48) {
            EXPECT_GT(meanDifference(stored.buffer), 20.0) << "the stored picture is not the upright one";
        }
    }
}
