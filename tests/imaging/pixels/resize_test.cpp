#include "imaging/pixels/resize.h"

#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "tests/support/vector_targets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <numeric>
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

// A picture of value(x, y, channel), rounded.
template <typename Value>
Picture Filled(uint32_t width, uint32_t height, Value value)
{
    Picture picture(width, height);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            for (uint32_t c = 0; c < 3; ++c) {
                picture.at(x, y, c) = static_cast<uint8_t>(std::lround(value(x, y, c)));
            }
        }
    }
    return picture;
}

// Output pixels whose filter window lies inside the image: the window reaches 3 output pixels.
constexpr uint32_t kBorder = 4;

struct Sizes {
    uint32_t inWidth, inHeight, outWidth, outHeight;
};

TEST(Resize, UniformImagesStayUniformAtEverySize)
{
    const Sizes cases[] = {
        {64, 48, 17, 13},  {64, 48, 32, 24}, {6, 4, 61, 43}, {64, 48, 200, 7},
        {1, 1, 9, 5},      {9, 5, 1, 1},     {640, 3, 3, 640}, {33, 33, 33, 34},
        {3000, 1, 2, 1},   {1, 3000, 1, 2},  {2, 1, 3000, 1},
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

// Sizes whose rows end at every offset of the vector loops, and both directions at once.
TEST(Resize, EveryCodePathGivesTheSameBytes)
{
    const Sizes cases[] = {{97, 61, 23, 17}, {64, 48, 200, 7}, {1, 1, 9, 5}, {9, 5, 1, 1}, {640, 3, 3, 640},
                           {301, 200, 300, 201}, {1000, 2, 17, 1}, {5, 700, 13, 40}, {11, 13, 37, 41}};
    for (const Sizes& size : cases) {
        const Picture in = RandomPicture(size.inWidth, size.inHeight, size.inWidth + size.outHeight);
        const Picture expected = Resize(in, size.outWidth, size.outHeight);
        for (const auto target : zv::test::EveryVectorTarget()) {
            Picture out(size.outWidth, size.outHeight);
            ASSERT_EQ(zv::imaging::ResizeWith(target, in.pixels.data(), in.width, in.height, in.width * 3,
                                              out.pixels.data(), out.width, out.height, out.width * 3, 3, kHighQuality),
                      1u);
            ASSERT_EQ(out.pixels, expected.pixels)
                << size.outWidth << "x" << size.outHeight << " on " << zv::imaging::VectorTargetName(target);
        }
    }
}

// Output pixels whose filter window lies inside the image, along one axis.
bool Inside(uint32_t index, uint32_t inSize, uint32_t outSize)
{
    const auto margin = static_cast<uint32_t>(kBorder * std::max(1.0, double(outSize) / inSize));
    return index >= margin && index + margin < outSize;
}

// Cosine stripes finer than the output can hold: a low-pass leaves flat grey (127 or 128),
// where area averaging leaves up to 35 levels of moiré and point sampling the full contrast.
TEST(Resize, StripesBeyondTheOutputsNyquistComeOutFlat)
{
    struct Case {
        double period;  // source pixels
        double reduction;
        bool acrossRows;  // the stripes vary along y instead of x
    };
    const Case cases[] = {
        {2.5, 2.5, false}, {2.5, 7.5, false}, {3.3, 3.75, false}, {3.3, 15.0, true}, {2.0, 2.0, true},
    };
    for (const Case& test : cases) {
        const uint32_t along = 900;
        const auto shrunk = static_cast<uint32_t>(std::lround(along / test.reduction));
        const Picture in = Filled(test.acrossRows ? 30 : along, test.acrossRows ? along : 30,
                                  [&](uint32_t x, uint32_t y, uint32_t) {
                                      const uint32_t at = test.acrossRows ? y : x;
                                      return 127.5 + 127.5 * std::cos(2 * std::numbers::pi * at / test.period);
                                  });
        const Picture out = test.acrossRows ? Resize(in, 10, shrunk) : Resize(in, shrunk, 10);
        for (uint32_t y = 0; y < out.height; ++y) {
            for (uint32_t x = 0; x < out.width; ++x) {
                if (Inside(test.acrossRows ? y : x, along, shrunk)) {
                    ASSERT_NEAR(out.at(x, y, 1), 127.5, 1.0) << "period " << test.period << " at " << x << "," << y;
                }
            }
        }
    }
}

// A linear gradient is its own low-pass: inside the image, each output is the gradient's value
// at the output pixel's centre, to the sources' rounding.
TEST(Resize, GradientsKeepTheirExactValuesShrinkingAndEnlarging)
{
    const Sizes cases[] = {{400, 300, 160, 90}, {400, 300, 27, 20}, {100, 80, 325, 270}, {400, 60, 130, 190}};
    auto gradient = [](double u, double v, uint32_t c) {
        return c == 0 ? 20 + 200 * u : c == 1 ? 235 - 200 * v : 30 + 100 * u + 90 * v;
    };
    for (const Sizes& size : cases) {
        const Picture in = Filled(size.inWidth, size.inHeight, [&](uint32_t x, uint32_t y, uint32_t c) {
            return gradient((x + 0.5) / size.inWidth, (y + 0.5) / size.inHeight, c);
        });
        const Picture out = Resize(in, size.outWidth, size.outHeight);
        for (uint32_t y = 0; y < size.outHeight; ++y) {
            for (uint32_t x = 0; x < size.outWidth; ++x) {
                if (!Inside(x, size.inWidth, size.outWidth) || !Inside(y, size.inHeight, size.outHeight)) {
                    continue;
                }
                for (uint32_t c = 0; c < 3; ++c) {
                    const double exact = gradient((x + 0.5) / size.outWidth, (y + 0.5) / size.outHeight, c);
                    ASSERT_NEAR(out.at(x, y, c), exact, 1.0) << size.outWidth << "x" << size.outHeight << " at " << x
                                                             << "," << y << " channel " << c;
                }
            }
        }
    }
}

TEST(Resize, NoiseKeepsItsMeanToHalfALevel)
{
    const Sizes cases[] = {{600, 400, 160, 107}, {600, 400, 41, 27}, {60, 40, 173, 101}, {600, 40, 7, 300}};
    for (const Sizes& size : cases) {
        const Picture in = RandomPicture(size.inWidth, size.inHeight, size.outWidth);
        const Picture out = Resize(in, size.outWidth, size.outHeight);
        auto mean = [](const Picture& p) {
            return std::accumulate(p.pixels.begin(), p.pixels.end(), 0.0) / double(p.pixels.size());
        };
        EXPECT_NEAR(mean(out), mean(in), 0.5) << size.outWidth << "x" << size.outHeight;
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

// A step enlarged five times, across columns and across rows: no value leaves the step's two
// levels, the transition only rises, and an output more than 1.5 source pixels from the
// step has exactly its side's level — no overshoot and no ripple.
TEST(Resize, EnlargedStepEdgesDoNotRing)
{
    for (const bool vertical : {false, true}) {
        const Picture in = Filled(vertical ? 3 : 16, vertical ? 16 : 3, [&](uint32_t x, uint32_t y, uint32_t) {
            return (vertical ? y : x) < 8 ? 30.0 : 255.0;
        });
        const Picture out = Resize(in, in.width * 5, in.height * 5);
        for (uint32_t i = 0; i < 80; ++i) {
            const uint8_t value = vertical ? out.at(7, i, 0) : out.at(i, 7, 0);
            const uint8_t before = i == 0 ? 30 : vertical ? out.at(7, i - 1, 0) : out.at(i - 1, 7, 0);
            ASSERT_GE(value, before) << i;
            const double distance = (i + 0.5) / 5 - 8;
            if (std::fabs(distance) >= 1.5) {
                ASSERT_EQ(value, distance < 0 ? 30 : 255) << i;
            }
        }
    }
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
