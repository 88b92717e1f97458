// ZV_GetImageDims and ZV_GetRAWInfo: which measurement runs for which key, what each
// out-argument receives, and what a missing file leaves alone.
#include "zvdll.h"

#include "tests/support/imaging_support.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string_view>

namespace fs = std::filesystem;
using namespace zv::test;

namespace {

struct Measured {
    int32_t result = -1;
    int32_t width = -7;
    int32_t height = -7;
    int32_t bits = -7;
    ZvDimInfo info{99, 99, 99, 99, 99};

    bool Untouched() const
    {
        return width == -7 && height == -7 && bits == -7 && info.width == 99 && info.formatDetail == 99;
    }
};

Measured Measure(const fs::path& file)
{
    Measured m;
    m.result = ZV_GetImageDims(file.string().c_str(), &m.width, &m.height, &m.bits, &m.info);
    return m;
}

} // namespace

// PNG bits are 8 for grey and palette and 24 otherwise, whatever the stored depth.
TEST(GetImageDims, EachFamilyReportsItsHeader)
{
    auto corpus = CorpusDir();
    if (!corpus) {
        GTEST_SKIP() << "corpus absent";
    }
    struct Case {
        const char* file;
        int32_t width;
        int32_t height;
        int32_t bits;
    };
    for (const Case& c : {Case{"pngsuite/basn0g01.png", 32, 32, 8}, Case{"pngsuite/basn0g16.png", 32, 32, 8},
                          Case{"pngsuite/basn3p02.png", 32, 32, 8}, Case{"pngsuite/basn2c08.png", 32, 32, 24},
                          Case{"pngsuite/basn4a08.png", 32, 32, 24}, Case{"pngsuite/basn6a16.png", 32, 32, 24},
                          Case{"pillow/hopper.jpg", 128, 128, 24}, Case{"pillow/hopper_gray.jpg", 128, 128, 8},
                          Case{"pillow/pil_sample_cmyk.jpg", 100, 100, 32}, Case{"pillow/hopper.tif", 128, 128, 24},
                          Case{"pillow/hopper_g4.tif", 128, 128, 1}, Case{"pillow/g4_orientation_6.tif", 590, 88, 1},
                          Case{"pillow/hopper.gif", 128, 128, 8}}) {
        SCOPED_TRACE(c.file);
        const Measured m = Measure(*corpus / c.file);
        EXPECT_NE(m.result, 0);
        EXPECT_EQ(m.width, c.width);
        EXPECT_EQ(m.height, c.height);
        EXPECT_EQ(m.bits, c.bits);
        if (std::string_view(c.file).ends_with(".png")) {
            EXPECT_EQ(m.info.width, 32u);
        }
    }
    const Measured tiff = Measure(*corpus / "pillow" / "hopper_lzw.tif");
    EXPECT_EQ(tiff.info.formatDetail, 5u);  // LZW
    EXPECT_EQ(tiff.info.samplesPerPixel, 3u);
}

TEST(GetImageDims, PhotoCdIsSizedWithoutBeingRead)
{
    TempDir dir;
    WriteFile(dir / "disc.pcd", std::vector<uint8_t>(16, 0));
    const Measured m = Measure(dir / "disc.pcd");
    EXPECT_EQ(m.result, 0);
    EXPECT_EQ(m.width, 768);
    EXPECT_EQ(m.height, 512);
}

TEST(GetImageDims, OutArgumentsAreWrittenWhenTheFileOpensAndOnlyThen)
{
    TempDir dir;
    WriteFile(dir / "notes.txt", std::vector<uint8_t>(16, 'a'));
    WriteFile(dir / "broken.png", std::vector<uint8_t>(16, 'a'));
    for (const char* name : {"notes.txt", "broken.png"}) {
        SCOPED_TRACE(name);
        HostServicesRecorder recorder;
        const Measured m = Measure(dir / name);
        EXPECT_EQ(m.result, 0);
        EXPECT_FALSE(m.Untouched());
        EXPECT_EQ(recorder.cursorBegins, 1);
        EXPECT_EQ(recorder.cursorEnds, 1);
    }
    HostServicesRecorder recorder;
    const Measured missing = Measure(dir / "missing.png");
    EXPECT_EQ(missing.result, 0);
    EXPECT_TRUE(missing.Untouched());
    EXPECT_EQ(recorder.cursorBegins, 1);
    EXPECT_EQ(recorder.cursorEnds, 1);
}

TEST(GetImageDims, DimsOfEveryDecodableCorpusFileEqualItsDecodedSize)
{
    auto corpus = CorpusDir();
    if (!corpus) {
        GTEST_SKIP() << "corpus absent";
    }
    std::vector<fs::path> files = FilesIn(*corpus / "pngsuite", {".png"});
    for (const fs::path& file : FilesIn(*corpus / "pillow", {".jpg", ".jpeg", ".tif", ".tiff", ".gif"})) {
        files.push_back(file);
    }
    int checked = 0;
    for (const fs::path& file : files) {
        uint8_t* buffer = nullptr;
        int32_t width = 0, height = 0;
        if (ZV_OpenImageFile(file.string().c_str(), &buffer, &width, &height, 0.0, 0, 0) != 1) {
            continue;
        }
        ZvFreeBuffer(buffer);
        SCOPED_TRACE(file.filename().string());
        const Measured m = Measure(file);
        EXPECT_NE(m.result, 0);
        EXPECT_EQ(m.width, width);
        EXPECT_EQ(m.height, height);
        ++checked;
    }
    EXPECT_GT(checked, 300);
}

TEST(GetRAWInfo, OnlyRawNamesReachTheCameraLibraryAndNoCursorShows)
{
    TempDir dir;
    WriteFile(dir / "photo.jpg", std::vector<uint8_t>(64, 0));
    WriteFile(dir / "photo.nef", std::vector<uint8_t>(64, 0));
    HostServicesRecorder recorder;
    for (const char* name : {"photo.jpg", "photo.nef", "missing.nef"}) {
        SCOPED_TRACE(name);
        int32_t width = -7, height = -7;
        char maker[64] = "untouched";
        char model[72] = "untouched";
        double values[4] = {-1, -1, -1, -1};
        EXPECT_EQ(ZV_GetRAWInfo((dir / name).string().c_str(), &width, &height, maker, model, &values[0], &values[1],
                                &values[2], &values[3], 0),
                  0);
        if (std::string(name) != "photo.nef") {
            EXPECT_EQ(width, -7);
            EXPECT_STREQ(maker, "untouched");
            EXPECT_EQ(values[3], -1);
        }
    }
    EXPECT_EQ(recorder.cursorBegins, 0);
}
