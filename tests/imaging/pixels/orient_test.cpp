#include "imaging/pixels/orient.h"

#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "zvdll.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// A 5 x 3 picture whose pixel number n (row by row) is (10 + n, 100 + n, 200 + n): every pixel
// and every channel differs, so a wrong place or a swapped byte shows.
constexpr int kW = 5, kH = 3;
Bytes Numbered()
{
    Bytes bytes;
    for (int n = 0; n < kW * kH; ++n) {
        bytes.insert(bytes.end(), {uint8_t(10 + n), uint8_t(100 + n), uint8_t(200 + n)});
    }
    return bytes;
}

// What the display shows, as the stored pixel numbers row by row, read off the EXIF meaning of
// each value: where the stored first row (0 1 2 3 4) and first column (0 5 10) end up.
struct Upright {
    int orientation;
    int width;
    std::vector<int> shows;
};
const Upright kUpright[] = {
    {1, 5, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
    {2, 5, {4, 3, 2, 1, 0, 9, 8, 7, 6, 5, 14, 13, 12, 11, 10}},
    {3, 5, {14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
    {4, 5, {10, 11, 12, 13, 14, 5, 6, 7, 8, 9, 0, 1, 2, 3, 4}},
    {5, 3, {0, 5, 10, 1, 6, 11, 2, 7, 12, 3, 8, 13, 4, 9, 14}},   // first row left, first column top
    {6, 3, {10, 5, 0, 11, 6, 1, 12, 7, 2, 13, 8, 3, 14, 9, 4}},   // first row right, first column top
    {7, 3, {14, 9, 4, 13, 8, 3, 12, 7, 2, 11, 6, 1, 10, 5, 0}},   // first row right, first column bottom
    {8, 3, {4, 9, 14, 3, 8, 13, 2, 7, 12, 1, 6, 11, 0, 5, 10}},   // first row left, first column bottom
};

Bytes Shown(const std::vector<int>& numbers)
{
    Bytes bytes;
    for (int n : numbers) {
        bytes.insert(bytes.end(), {uint8_t(10 + n), uint8_t(100 + n), uint8_t(200 + n)});
    }
    return bytes;
}

TEST(Orient, EveryOrientationShowsThePictureAsItsTagSays)
{
    const Bytes stored = Numbered();
    for (const Upright& row : kUpright) {
        Bytes target(stored.size(), 0);
        ASSERT_EQ(ZvOrientPixels(stored.data(), kW, kH, row.orientation, target.data()), 1);
        EXPECT_EQ(target, Shown(row.shows)) << "orientation " << row.orientation << ", display width " << row.width;
        if (row.orientation <= 4) {
            Bytes inPlace = stored;
            ASSERT_EQ(ZvOrientPixels(inPlace.data(), kW, kH, row.orientation, inPlace.data()), 1);
            EXPECT_EQ(inPlace, Shown(row.shows)) << "in place, orientation " << row.orientation;
        }
    }
}

// The stored pixel that display pixel (x, y) shows: the first display coordinate reads the
// stored column or row, counted from either end. Agrees with the table above on 5 x 3.
struct Mapping {
    bool swap;      // display x walks stored rows (y), display y stored columns (x)
    bool reverseX;  // stored x counted from the right
    bool reverseY;  // stored y counted from the bottom
};
const Mapping kMapping[9] = {{}, {false, false, false}, {false, true, false}, {false, true, true},
                             {false, false, true}, {true, false, false}, {true, false, true},
                             {true, true, true}, {true, true, false}};

Bytes Reference(const Bytes& stored, uint32_t w, uint32_t h, int orientation)
{
    const Mapping m = kMapping[orientation];
    const uint32_t dw = m.swap ? h : w, dh = m.swap ? w : h;
    Bytes out;
    for (uint32_t y = 0; y < dh; ++y) {
        for (uint32_t x = 0; x < dw; ++x) {
            uint32_t sx = m.swap ? y : x, sy = m.swap ? x : y;
            sx = m.reverseX ? w - 1 - sx : sx;
            sy = m.reverseY ? h - 1 - sy : sy;
            const uint8_t* p = &stored[(size_t{sy} * w + sx) * 3];
            out.insert(out.end(), p, p + 3);
        }
    }
    return out;
}

TEST(Orient, SizesThatCrossTileEdgesMatchTheMappingWithEveryTile)
{
    const uint32_t sizes[][2] = {{37, 70}, {70, 37}, {1, 1}, {1, 65}, {65, 1}, {64, 64}, {129, 3}};
    std::mt19937 random(7);
    for (const auto& size : sizes) {
        Bytes stored(size_t{size[0]} * size[1] * 3);
        for (uint8_t& b : stored) {
            b = static_cast<uint8_t>(random());
        }
        for (int orientation = 1; orientation <= 8; ++orientation) {
            const Bytes expected = Reference(stored, size[0], size[1], orientation);
            for (uint32_t tile : {8u, 16u, 32u, 64u}) {
                Bytes target(stored.size(), 0);
                ASSERT_TRUE(zv::imaging::OrientPixelsWithTile(stored.data(), size[0], size[1], orientation,
                                                              target.data(), tile));
                EXPECT_EQ(target, expected) << size[0] << "x" << size[1] << " orientation " << orientation
                                            << " tile " << tile;
            }
            if (orientation <= 4) {
                Bytes inPlace = stored;
                ASSERT_EQ(ZvOrientPixels(inPlace.data(), int32_t(size[0]), int32_t(size[1]), orientation,
                                         inPlace.data()),
                          1);
                EXPECT_EQ(inPlace, expected) << "in place " << size[0] << "x" << size[1] << " " << orientation;
            }
        }
    }
}

TEST(Orient, BadArgumentsAreRefusedWithoutWriting)
{
    Bytes source(64 * 3, 1), target(64 * 3, 0);
    struct Case {
        const char* what;
        const uint8_t* source;
        int32_t width, height, orientation;
        uint8_t* target;
    };
    const Case cases[] = {
        {"orientation 0", source.data(), 8, 8, 0, target.data()},
        {"orientation 9", source.data(), 8, 8, 9, target.data()},
        {"null source", nullptr, 8, 8, 1, target.data()},
        {"null target", source.data(), 8, 8, 1, nullptr},
        {"zero width", source.data(), 0, 8, 1, target.data()},
        {"negative height", source.data(), 8, -1, 3, target.data()},
        {"size no buffer can have", source.data(), INT32_MAX, INT32_MAX, 6, target.data()},
        {"in place turn", source.data(), 8, 8, 6, source.data()},
        {"partly overlapping flip", source.data(), 4, 4, 2, source.data() + 3},
    };
    for (const Case& c : cases) {
        zv::imaging::SetLastError(0);
        const Bytes before = source;
        EXPECT_EQ(ZvOrientPixels(c.source, c.width, c.height, c.orientation, c.target), 0) << c.what;
        EXPECT_EQ(IS40_GetLastError(), zv::imaging::kErrBadParameter) << c.what;
        EXPECT_EQ(target, Bytes(target.size(), 0)) << c.what;
        EXPECT_EQ(source, before) << c.what;
    }
}

} // namespace
