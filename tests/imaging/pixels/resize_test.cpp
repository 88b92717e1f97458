#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr uint32_t kHighQuality = 16;
constexpr uint32_t kNearest = 0;

struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;  // rows of exactly width * 3 bytes

    Picture(uint32_t w, uint32_t h) : width(w), height(h), pixels(size_t{w} * h * 3, 0) {}
    uint8_t& at(uint32_t x, uint32_t y, uint32_t c) { return pixels[(size_t{y} * width + x) * 3 + c]; }
    uint8_t at(uint32_t x, uint32_t y, uint32_t c) const { return pixels[(size_t{y} * width + x) * 3 + c]; }
};

Picture RandomPicture(uint32_t width, uint32_t height, uint32_t seed)
{
    Picture picture(width, height);
    std::mt19937 random(seed);
    for (uint8_t& byte : picture.pixels) {
        byte = static_cast<uint8_t>(random());
    }
    return picture;
}

Picture Resize(const Picture& in, uint32_t width, uint32_t height, uint32_t mode = kHighQuality)
{
    Picture out(width, height);
    EXPECT_EQ(IS40_ResizeImage(in.pixels.data(), in.width, in.height, in.width * 3, out.pixels.data(), width,
                               height, width * 3, 3, mode, 0),
              1u)
        << in.width << "x" << in.height << " -> " << width << "x" << height;
    return out;
}

// Exact area average in double precision: the mean of the source area an output pixel covers.
double AreaAverage(const Picture& in, uint32_t width, uint32_t height, uint32_t x, uint32_t y, uint32_t c)
{
    const double sx = double(in.width) / width;
    const double sy = double(in.height) / height;
    double sum = 0.0;
    for (uint32_t v = 0; v < in.height; ++v) {
        const double coverY = std::min(v + 1.0, (y + 1) * sy) - std::max(double(v), y * sy);
        if (coverY <= 0) {
            continue;
        }
        for (uint32_t u = 0; u < in.width; ++u) {
            const double coverX = std::min(u + 1.0, (x + 1) * sx) - std::max(double(u), x * sx);
            if (coverX > 0) {
                sum += coverX * coverY * in.at(u, v, c);
            }
        }
    }
    return sum / (sx * sy);
}

struct Sizes {
    uint32_t inWidth, inHeight, outWidth, outHeight;
};

TEST(Resize, UniformImagesStayUniformAtEverySize)
{
    const Sizes cases[] = {
        {64, 48, 17, 13},  {64, 48, 32, 24}, {6, 4, 61, 43}, {64, 48, 200, 7},
        {1, 1, 9, 5},      {9, 5, 1, 1},     {640, 3, 3, 640}, {33, 33, 33, 34},
    };
    for (const Sizes& size : cases) {
        Picture in(size.inWidth, size.inHeight);
        for (size_t i = 0; i < in.pixels.size(); ++i) {
            in.pixels[i] = static_cast<uint8_t>(i % 3 == 0 ? 7 : i % 3 == 1 ? 128 : 250);
        }
        const Picture out = Resize(in, size.outWidth, size.outHeight);
        for (size_t i = 0; i < out.pixels.size(); ++i) {
            ASSERT_EQ(out.pixels[i], in.pixels[i % 3]) << size.outWidth << "x" << size.outHeight << " byte " << i;
        }
    }
}

TEST(Resize, ShrinkingMatchesTheExactAreaAverage)
{
    const Sizes cases[] = {{97, 61, 23, 17}, {100, 80, 27, 21}, {120, 90, 119, 89}, {50, 40, 1, 1}, {90, 7, 8, 7}};
    for (const Sizes& size : cases) {
        const Picture in = RandomPicture(size.inWidth, size.inHeight, size.outWidth);
        const Picture out = Resize(in, size.outWidth, size.outHeight);
        for (uint32_t y = 0; y < size.outHeight; ++y) {
            for (uint32_t x = 0; x < size.outWidth; ++x) {
                for (uint32_t c = 0; c < 3; ++c) {
                    const double expected = AreaAverage(in, size.outWidth, size.outHeight, x, y, c);
                    ASSERT_NEAR(out.at(x, y, c), expected, 0.51 + 1e-9)
                        << size.outWidth << "x" << size.outHeight << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(Resize, ExactHalvingIsTheRoundedTwoByTwoAverage)
{
    const Picture in = RandomPicture(130, 86, 1);
    const Picture out = Resize(in, 65, 43);
    for (uint32_t y = 0; y < 43; ++y) {
        for (uint32_t x = 0; x < 65; ++x) {
            for (uint32_t c = 0; c < 3; ++c) {
                const int sum = in.at(2 * x, 2 * y, c) + in.at(2 * x + 1, 2 * y, c) + in.at(2 * x, 2 * y + 1, c) +
                                in.at(2 * x + 1, 2 * y + 1, c);
                ASSERT_EQ(out.at(x, y, c), (sum + 2) / 4) << x << "," << y << "," << c;
            }
        }
    }
}

// A one-pixel checkerboard has no detail a smaller image can show: averaging gives flat grey,
// within the deviation that exact area averaging allows (127.5 / (fx * fy) for factors fx, fy),
// while point sampling would give black or white.
TEST(Resize, FineCheckerboardShrinksToFlatGrey)
{
    Picture board(600, 400);
    for (uint32_t y = 0; y < board.height; ++y) {
        for (uint32_t x = 0; x < board.width; ++x) {
            for (uint32_t c = 0; c < 3; ++c) {
                board.at(x, y, c) = (x + y) % 2 == 0 ? 0 : 255;
            }
        }
    }
    const Sizes cases[] = {{600, 400, 300, 200}, {600, 400, 150, 100}, {600, 400, 40, 26}, {600, 400, 16, 11}};
    for (const Sizes& size : cases) {
        const Picture out = Resize(board, size.outWidth, size.outHeight);
        const double factors = (600.0 / size.outWidth) * (400.0 / size.outHeight);
        const double tolerance = 127.5 / factors + 1.0;
        for (uint8_t value : out.pixels) {
            ASSERT_NEAR(value, 127.5, tolerance) << size.outWidth << "x" << size.outHeight;
        }
    }
    // Point sampling on the same board keeps only one of the two colours: the aliasing above
    // would have caught a resampler that samples.
    const Picture sampled = Resize(board, 40, 26, kNearest);
    EXPECT_TRUE(std::all_of(sampled.pixels.begin(), sampled.pixels.end(), [](uint8_t v) { return v == 0 || v == 255; }));
}

TEST(Resize, GradientsStayMonotonicShrinkingAndEnlarging)
{
    Picture ramp(256, 64);
    for (uint32_t y = 0; y < ramp.height; ++y) {
        for (uint32_t x = 0; x < ramp.width; ++x) {
            ramp.at(x, y, 0) = static_cast<uint8_t>(x);
            ramp.at(x, y, 1) = static_cast<uint8_t>(255 - x);
            ramp.at(x, y, 2) = static_cast<uint8_t>(y * 4);
        }
    }
    for (const auto& [width, height] : {std::pair{100u, 30u}, {700u, 150u}, {257u, 63u}, {31u, 200u}}) {
        const Picture out = Resize(ramp, width, height);
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 1; x < width; ++x) {
                ASSERT_GE(out.at(x, y, 0), out.at(x - 1, y, 0)) << width << "x" << height;
                ASSERT_LE(out.at(x, y, 1), out.at(x - 1, y, 1)) << width << "x" << height;
            }
        }
        for (uint32_t x = 0; x < width; ++x) {
            for (uint32_t y = 1; y < height; ++y) {
                ASSERT_GE(out.at(x, y, 2), out.at(x, y - 1, 2)) << width << "x" << height;
            }
        }
        // The ramp's ends survive: nothing drifts toward mid-grey at the borders.
        EXPECT_LE(out.at(0, 0, 0), 2 * 256 / width + 1);
        EXPECT_GE(out.at(width - 1, 0, 0), 255 - (2 * 256 / width + 1));
    }
}

TEST(Resize, EnlargingInterpolatesThroughTheSourcePixels)
{
    // At three times the size, output pixel 3s + 1 sits exactly on source pixel s.
    const Picture in = RandomPicture(11, 7, 5);
    const Picture out = Resize(in, 33, 21);
    for (uint32_t y = 0; y < 7; ++y) {
        for (uint32_t x = 0; x < 11; ++x) {
            for (uint32_t c = 0; c < 3; ++c) {
                ASSERT_EQ(out.at(3 * x + 1, 3 * y + 1, c), in.at(x, y, c)) << x << "," << y;
            }
        }
    }
}

TEST(Resize, EnlargingFollowsCurvesNotJustLines)
{
    // The cubic reproduces a parabola between its samples (to rounding); straight-line
    // interpolation would miss it by more than a level at thirds.
    Picture in(8, 1);
    for (uint32_t x = 0; x < 8; ++x) {
        for (uint32_t c = 0; c < 3; ++c) {
            in.at(x, 0, c) = static_cast<uint8_t>(5 * x * x);
        }
    }
    const Picture out = Resize(in, 24, 1);
    for (uint32_t x = 4; x < 20; ++x) {  // away from the borders, where taps are clamped
        const double position = (x + 0.5) / 3.0 - 0.5;
        ASSERT_NEAR(out.at(x, 0, 0), 5 * position * position, 0.55) << x;
    }
}

TEST(Resize, EnlargingKeepsCornersAndEdges)
{
    // Black and white quadrants: the corners keep their colour and each edge row stays within
    // the source's range, with the step between the quadrants in the middle.
    Picture in(2, 2);
    const uint8_t corners[2][2] = {{0, 255}, {255, 0}};
    for (uint32_t y = 0; y < 2; ++y) {
        for (uint32_t x = 0; x < 2; ++x) {
            for (uint32_t c = 0; c < 3; ++c) {
                in.at(x, y, c) = corners[y][x];
            }
        }
    }
    const Picture out = Resize(in, 40, 30);
    EXPECT_EQ(out.at(0, 0, 0), 0);
    EXPECT_EQ(out.at(39, 0, 0), 255);
    EXPECT_EQ(out.at(0, 29, 0), 255);
    EXPECT_EQ(out.at(39, 29, 0), 0);
    for (uint32_t x = 1; x < 40; ++x) {
        ASSERT_GE(out.at(x, 0, 1), out.at(x - 1, 0, 1)) << "top edge rises from black to white";
    }
    EXPECT_LT(out.at(18, 0, 2), 128);
    EXPECT_GT(out.at(21, 0, 2), 127);
}

TEST(Resize, StridesAreHonouredAndPaddingIsLeftAlone)
{
    const Picture in = RandomPicture(20, 10, 9);
    const uint32_t inStride = 20 * 3 + 5;
    std::vector<uint8_t> padded(size_t{inStride} * 10, 0xEE);
    for (uint32_t y = 0; y < 10; ++y) {
        std::copy_n(in.pixels.begin() + y * 60, 60, padded.begin() + y * inStride);
    }
    for (uint32_t mode : {kHighQuality, kNearest}) {
        for (const auto& [width, height] : {std::pair{7u, 4u}, {20u, 10u}, {45u, 23u}}) {
            const uint32_t outStride = width * 3 + 7;
            std::vector<uint8_t> out(size_t{outStride} * height, 0xAB);
            ASSERT_EQ(IS40_ResizeImage(padded.data(), 20, 10, inStride, out.data(), width, height, outStride, 3, mode, 0),
                      1u);
            const Picture tight = Resize(in, width, height, mode);
            for (uint32_t y = 0; y < height; ++y) {
                ASSERT_TRUE(std::equal(tight.pixels.begin() + y * width * 3, tight.pixels.begin() + (y + 1) * width * 3,
                                       out.begin() + y * outStride));
                ASSERT_TRUE(std::all_of(out.begin() + y * outStride + width * 3, out.begin() + (y + 1) * outStride,
                                        [](uint8_t v) { return v == 0xAB; }));
            }
        }
    }
}

TEST(Resize, SameSizeCopiesAndNearestPicksTheCentrePixel)
{
    const Picture in = RandomPicture(31, 17, 3);
    EXPECT_EQ(Resize(in, 31, 17).pixels, in.pixels);
    const Picture nearest = Resize(in, 10, 5, kNearest);
    for (uint32_t y = 0; y < 5; ++y) {
        for (uint32_t x = 0; x < 10; ++x) {
            const uint32_t sx = (2 * x + 1) * 31 / 20;
            const uint32_t sy = (2 * y + 1) * 17 / 10;
            ASSERT_EQ(nearest.at(x, y, 1), in.at(sx, sy, 1));
        }
    }
}

TEST(Resize, UnusableArgumentsFailWithCodeFive)
{
    std::vector<uint8_t> in(10 * 10 * 3, 1);
    std::vector<uint8_t> out(5 * 5 * 3, 2);
    struct Call {
        const uint8_t* input;
        uint32_t width, height, inStride;
        uint8_t* output;
        uint32_t newWidth, newHeight, outStride, bytesPerPixel, mode;
    };
    const Call calls[] = {
        {nullptr, 10, 10, 30, out.data(), 5, 5, 15, 3, 16},
        {in.data(), 10, 10, 30, nullptr, 5, 5, 15, 3, 16},
        {in.data(), 0, 10, 30, out.data(), 5, 5, 15, 3, 16},
        {in.data(), 10, 0, 30, out.data(), 5, 5, 15, 3, 16},
        {in.data(), 10, 10, 30, out.data(), 0, 5, 15, 3, 16},
        {in.data(), 10, 10, 30, out.data(), 5, 0, 15, 3, 16},
        {in.data(), 10, 10, 29, out.data(), 5, 5, 15, 3, 16},
        {in.data(), 10, 10, 30, out.data(), 5, 5, 14, 3, 16},
        {in.data(), 10, 10, 30, out.data(), 5, 5, 15, 4, 16},
        {in.data(), 10, 10, 30, out.data(), 5, 5, 15, 3, 7},
        // A stride that only fits when width * 3 wraps in 32 bits.
        {in.data(), 0x55555556u, 1, 2, out.data(), 5, 5, 15, 3, 16},
    };
    for (const Call& c : calls) {
        zv::imaging::SetLastError(0);
        EXPECT_EQ(IS40_ResizeImage(c.input, c.width, c.height, c.inStride, c.output, c.newWidth, c.newHeight,
                                   c.outStride, c.bytesPerPixel, c.mode, 0),
                  0u);
        EXPECT_EQ(IS40_GetLastError(), 5u);
    }
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t v) { return v == 2; }));
}

TEST(Resize, TemporariesBeyondTheAllocationLimitFailWithCodeOne)
{
    const Picture in = RandomPicture(400, 300, 2);
    Picture out(100, 75);
    zv::platform::SetAllocationLimit(256);
    const uint32_t result = IS40_ResizeImage(in.pixels.data(), 400, 300, 1200, out.pixels.data(), 100, 75, 300, 3,
                                             kHighQuality, 0);
    const uint32_t code = IS40_GetLastError();
    zv::platform::SetAllocationLimit(0);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(code, 1u);
}

} // namespace
