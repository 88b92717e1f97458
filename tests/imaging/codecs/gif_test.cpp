// GIF reading and measuring, and the palette conversion: generated files for the frame,
// interlace and colour-table rules, the public corpus against PIL, and the failures.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "tests/support/imaging_support.h"
#include "tests/support/pil_rendering.h"
#include "raster_writers.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <array>

namespace fs = std::filesystem;
using namespace zv::test;
using namespace zv::imaging;

namespace {

using Palette = std::array<uint8_t, 1024>;

struct GifRead {
    ReadResult result;
    Palette palette{};
    uint32_t transparent = 0;
};

GifRead ReadGif(const fs::path& file)
{
    GifRead read;
    read.result = ReadWith(
        [&](HISSRC s, uint32_t* w, uint32_t* h) { return IS40_ReadGIF(s, w, h, &read.transparent, read.palette.data(), 0); },
        file, 1);
    return read;
}

std::vector<uint8_t> ToRgb(const GifRead& read)
{
    const ReadResult& r = read.result;
    std::vector<uint8_t> rgb(static_cast<size_t>(r.width) * r.height * 3);
    EXPECT_EQ(IS40_8BitToRGB(r.pixels.data(), r.width, r.height, r.width, rgb.data(), r.width * 3, 256,
                             read.palette.data(), 0),
              1u);
    return rgb;
}

// ---- Generated files ------------------------------------------------------------------------

struct Frame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    int localColours = 0;  // 0: no local colour table
};

struct Screen {
    int width = 0;
    int height = 0;
    int background = 0;
    int globalColours = 0;  // 0: no global colour table
};

std::vector<uint8_t> Map(int colours, int seed)
{
    std::vector<uint8_t> rgb;
    for (int i = 0; i < colours; ++i) {
        rgb.push_back(static_cast<uint8_t>(i * 3 + seed));
        rgb.push_back(static_cast<uint8_t>(255 - i));
        rgb.push_back(static_cast<uint8_t>(i * 7 + seed));
    }
    return rgb;
}

uint8_t FrameIndex(int row, int column, int colours)
{
    return static_cast<uint8_t>((row * 5 + column * 3) % colours);
}

bool WriteGif(const fs::path& file, const Screen& screen, const Frame& frame)
{
    const zv::samples::GifLayout layout{screen.width, screen.height, screen.background, Map(screen.globalColours, 1),
                                        frame.left, frame.top, frame.width, frame.height, frame.interlaced,
                                        Map(frame.localColours, 9), -1};
    const int colours = frame.localColours > 0 ? frame.localColours : std::max(screen.globalColours, 2);
    std::vector<uint8_t> indices;
    for (int row = 0; row < frame.height; ++row) {
        for (int x = 0; x < frame.width; ++x) {
            indices.push_back(FrameIndex(row, x, colours));
        }
    }
    return zv::samples::WriteGifFile(file.string(), layout, indices);
}

// The first image's frame as giflib reads it, for comparisons inside and outside it.
bool FirstFrame(const fs::path& file, GifImageDesc* frame)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(file.string().c_str(), &error);
    if (gif == nullptr) {
        return false;
    }
    bool found = false;
    for (GifRecordType type; !found && DGifGetRecordType(gif, &type) == GIF_OK && type != TERMINATE_RECORD_TYPE;) {
        if (type == IMAGE_DESC_RECORD_TYPE) {
            found = DGifGetImageDesc(gif) == GIF_OK;
            *frame = gif->Image;
        } else if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            for (DGifGetExtension(gif, &code, &block); block != nullptr;) {
                if (DGifGetExtensionNext(gif, &block) != GIF_OK) {
                    break;
                }
            }
        } else {
            break;
        }
    }
    frame->ColorMap = nullptr;
    DGifCloseFile(gif, &error);
    return found;
}

bool InsideFrame(const GifImageDesc& frame, int x, int y)
{
    return x >= frame.Left && x < frame.Left + frame.Width && y >= frame.Top && y < frame.Top + frame.Height;
}

} // namespace

TEST(GifReader, FramesLandOnTheScreenWithTheBackgroundAround)
{
    struct Case {
        const char* name;
        Screen screen;
        Frame frame;
    };
    const Case cases[] = {
        {"whole screen", {40, 30, 0, 16}, {0, 0, 40, 30, false, 0}},
        {"interlaced", {31, 29, 0, 16}, {0, 0, 31, 29, true, 0}},
        {"offset frame, local colours", {50, 40, 7, 16}, {10, 5, 20, 17, false, 64}},
        {"interlaced offset frame", {50, 40, 3, 16}, {4, 9, 33, 23, true, 0}},
        {"frame beyond the screen", {20, 10, 5, 16}, {12, 4, 30, 25, true, 0}},
        {"frame entirely off screen", {20, 10, 6, 16}, {25, 20, 5, 5, false, 0}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = dir / "generated.gif";
        ASSERT_TRUE(WriteGif(file, c.screen, c.frame));
        const GifRead read = ReadGif(file);
        ASSERT_TRUE(read.result.ok) << read.result.error;
        ASSERT_EQ(read.result.width, static_cast<uint32_t>(c.screen.width));
        ASSERT_EQ(read.result.height, static_cast<uint32_t>(c.screen.height));
        const int colours = c.frame.localColours > 0 ? c.frame.localColours : c.screen.globalColours;
        const GifImageDesc frame{c.frame.left, c.frame.top, c.frame.width, c.frame.height, false, nullptr};
        int wrong = 0;
        for (int y = 0; y < c.screen.height; ++y) {
            for (int x = 0; x < c.screen.width; ++x) {
                const uint8_t expected = InsideFrame(frame, x, y)
                                             ? FrameIndex(y - c.frame.top, x - c.frame.left, colours)
                                             : static_cast<uint8_t>(c.screen.background);
                wrong += read.result.pixels[static_cast<size_t>(y) * c.screen.width + x] != expected;
            }
        }
        EXPECT_EQ(wrong, 0);
        // The local table when there is one, else the global one; black past its end.
        const int seed = c.frame.localColours > 0 ? 9 : 1;
        EXPECT_EQ(read.palette[4 * 3 + 0], 3 * 3 + seed);
        EXPECT_EQ(read.palette[4 * 3 + 1], 255 - 3);
        EXPECT_EQ(read.palette[4 * 3 + 3], 0);
        EXPECT_EQ(read.palette[4 * colours], 0);
        EXPECT_EQ(read.transparent, 0xFFFFFFFFu);
    }
}

TEST(GifReader, WithoutColourTablesThePaletteIsAGreyRamp)
{
    TempDir dir;
    const fs::path file = dir / "grey.gif";
    // giflib writes no file without a colour table: write one with a global table, then cut it out.
    ASSERT_TRUE(WriteGif(file, {8, 8, 0, 16}, {0, 0, 8, 8, false, 0}));
    std::vector<uint8_t> bytes = ReadFile(file);
    const size_t tableBytes = 3u << ((bytes[10] & 0x07) + 1);
    bytes[10] &= 0x7F;
    bytes.erase(bytes.begin() + 13, bytes.begin() + 13 + static_cast<long>(tableBytes));
    WriteFile(file, bytes);
    const GifRead read = ReadGif(file);
    ASSERT_TRUE(read.result.ok);
    for (int i : {0, 1, 77, 255}) {
        EXPECT_EQ(read.palette[i * 4 + 0], i);
        EXPECT_EQ(read.palette[i * 4 + 2], i);
        EXPECT_EQ(read.palette[i * 4 + 3], 0);
    }
}

TEST(GifDims, MatchTheReaderWithoutDecoding)
{
    TempDir dir;
    const fs::path file = dir / "dims.gif";
    ASSERT_TRUE(WriteGif(file, {50, 40, 7, 16}, {10, 5, 20, 17, false, 64}));
    const GifRead read = ReadGif(file);
    Source source(file);
    uint32_t w = 0, h = 0, bits = 0, background = 0, transparent = 0, colours = 0;
    Palette palette{};
    ASSERT_EQ(IS40_GetGIFDims(source.get(), &w, &h, &bits, &background, &transparent, palette.data(), &colours, 0),
              1u);
    EXPECT_EQ(w, 50u);
    EXPECT_EQ(h, 40u);
    EXPECT_EQ(bits, 6u);  // the 64-entry local table
    EXPECT_EQ(colours, 64u);
    EXPECT_EQ(background, 7u);
    EXPECT_EQ(transparent, 0xFFFFFFFFu);
    EXPECT_EQ(palette, read.palette);
}

// PIL is the reference, exactly, inside the first image's frame. Outside it PIL leaves index 0
// (or the transparent index) where this reader puts the screen's background index, so there
// the reader's own palette entry for the background is expected.
TEST(GifReader, CorpusImagesMatchPil)
{
    auto corpus = CorpusDir();
    if (!corpus) {
        GTEST_SKIP() << "corpus absent";
    }
    // An LZW minimum code size of 11 breaks the format's limit of 8; giflib refuses it.
    const std::string oversizedCodes = "issue_2811.gif";
    int compared = 0;
    for (const fs::path& file : FilesIn(*corpus / "pillow", {".gif"})) {
        SCOPED_TRACE(file.filename().string());
        const GifRead read = ReadGif(file);
        const auto pil = PilRender(file);
        if (!pil || file.filename() == oversizedCodes) {
            if (!read.result.ok) {
                EXPECT_NE(read.result.error, 0u);
            }
            continue;
        }
        ASSERT_TRUE(read.result.ok) << "error " << read.result.error;
        ASSERT_EQ(read.result.width, static_cast<uint32_t>(pil->width));
        ASSERT_EQ(read.result.height, static_cast<uint32_t>(pil->height));
        GifImageDesc frame{};
        ASSERT_TRUE(FirstFrame(file, &frame));
        const std::vector<uint8_t> rgb = ToRgb(read);
        int wrong = 0;
        for (int y = 0; y < pil->height; ++y) {
            for (int x = 0; x < pil->width; ++x) {
                const size_t at = (static_cast<size_t>(y) * pil->width + x) * 3;
                const uint8_t* expected = InsideFrame(frame, x, y) ? &pil->image.pixels[at]
                                                                   : &read.palette[read.result.pixels[at / 3] * 4];
                wrong += std::memcmp(expected, &rgb[at], 3) != 0;
            }
        }
        EXPECT_EQ(wrong, 0);
        Source source(file);
        uint32_t w = 0, h = 0;
        EXPECT_EQ(IS40_GetGIFDims(source.get(), &w, &h, nullptr, nullptr, nullptr, nullptr, nullptr, 0), 1u);
        EXPECT_EQ(w, read.result.width);
        EXPECT_EQ(h, read.result.height);
        ++compared;
    }
    EXPECT_GT(compared, 30);
}

TEST(GifReader, TruncatedDamagedAndOversizedFilesFailWithTheirCodes)
{
    TempDir dir;
    const fs::path original = dir / "original.gif";
    ASSERT_TRUE(WriteGif(original, {64, 48, 0, 256}, {0, 0, 64, 48, true, 0}));
    const std::vector<uint8_t> whole = ReadFile(original);
    const fs::path file = dir / "broken.gif";
    for (size_t keep : {size_t{0}, size_t{4}, size_t{12}, size_t{900}, whole.size() - 40}) {
        SCOPED_TRACE(keep);
        WriteFile(file, std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(keep)));
        EXPECT_EQ(ReadGif(file).result.error, kErrFileRead);
    }
    WriteFile(file, std::vector<uint8_t>(100, 'G'));
    EXPECT_EQ(ReadGif(file).result.error, kErrBadGIF);
    for (size_t side : {6, 8}) {  // a screen without width or height
        std::vector<uint8_t> flat = whole;
        flat[side] = flat[side + 1] = 0;
        WriteFile(file, flat);
        EXPECT_EQ(ReadGif(file).result.error, kErrBadGIF) << side;
    }
    {
        AllocationLimitScope limit(64 * 48 - 1);
        EXPECT_EQ(ReadGif(original).result.error, kErrOutOfMemory);
    }
    {
        AllocationLimitScope limit(64 * 48);  // one byte a pixel is enough
        EXPECT_TRUE(ReadGif(original).result.ok);
    }
    for (size_t position = 6; position < whole.size(); position += 5) {
        std::vector<uint8_t> damaged = whole;
        damaged[position] ^= 0xA5;
        WriteFile(file, damaged);
        const GifRead read = ReadGif(file);
        if (!read.result.ok) {
            EXPECT_TRUE(read.result.error == kErrBadGIF || read.result.error == kErrFileRead ||
                        read.result.error == kErrOutOfMemory)
                << position << ": " << read.result.error;
        }
    }
}

// A 1 x 1 image on a 65535 x 65535 screen: a few bytes that would ask for 4 GB of background.
// The same image on a screen of its own size decodes.
TEST(GifReader, AHugeScreenAroundATinyImageIsRefused)
{
    TempDir dir;
    const fs::path file = dir / "bomb.gif";
    ASSERT_TRUE(WriteGif(file, {65535, 65535, 0, 2}, {0, 0, 1, 1, false, 0}));
    EXPECT_EQ(ReadGif(file).result.error, kErrBadGIF);
    ASSERT_TRUE(WriteGif(file, {1, 1, 0, 2}, {0, 0, 1, 1, false, 0}));
    EXPECT_TRUE(ReadGif(file).result.ok);
}

TEST(PaletteToRgb, LooksUpEveryIndexAndRespectsStrides)
{
    Palette palette{};
    for (int i = 0; i < 256; ++i) {
        palette[i * 4 + 0] = static_cast<uint8_t>(i);
        palette[i * 4 + 1] = static_cast<uint8_t>(255 - i);
        palette[i * 4 + 2] = static_cast<uint8_t>(i / 2);
        palette[i * 4 + 3] = 99;  // never copied
    }
    const uint8_t indices[] = {0, 1, 200, 0xEE, /* row 2 */ 255, 3, 9, 0xEE};
    std::vector<uint8_t> out(2 * 10, 0xCC);
    ASSERT_EQ(IS40_8BitToRGB(indices, 3, 2, 4, out.data(), 10, 256, palette.data(), 0), 1u);
    const std::vector<uint8_t> expected = {0, 255, 0, 1, 254, 0, 200, 55, 100, 0xCC,
                                           255, 0, 127, 3, 252, 1, 9, 246, 4, 0xCC};
    EXPECT_EQ(out, expected);
    // Indices without an entry come out black.
    ASSERT_EQ(IS40_8BitToRGB(indices, 3, 1, 4, out.data(), 10, 2, palette.data(), 0), 1u);
    EXPECT_EQ(std::vector<uint8_t>(out.begin() + 6, out.begin() + 9), std::vector<uint8_t>({0, 0, 0}));
    EXPECT_EQ(IS40_8BitToRGB(indices, 3, 1, 2, out.data(), 10, 256, palette.data(), 0), 0u);
    EXPECT_EQ(IS40_GetLastError(), kErrBadParameter);
    EXPECT_EQ(IS40_8BitToRGB(nullptr, 3, 1, 4, out.data(), 10, 256, palette.data(), 0), 0u);
}
