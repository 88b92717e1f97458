#include "imageproc/blur.h"
#include "imageproc/box_divisor.h"
#include "imageproc/box_filter.h"
#include "imaging/core/imaging.h"
#include "tests/support/vector_targets.h"
#include "zvdll.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using zv::imageproc::BoxArithmetic;
using zv::imaging::VectorTarget;
using Bytes = std::vector<uint8_t>;

// ---- The box filter written the plain way: one line of one channel at a time -------------

std::vector<int> FilterLine(const std::vector<int>& p, int n)
{
    const int length = static_cast<int>(p.size());
    const int w = 2 * n + 1;
    std::vector<int> out(p.size());
    int s = (n + 1) * p[0];
    for (int i = 1; i <= n; ++i) {
        s += p[i];
    }
    out[0] = (s + n) / w;
    for (int x = 1; x <= n; ++x) {
        s = s + p[x + n] - p[0];
        out[x] = (s + n) / w;
    }
    for (int x = n + 1; x <= length - n - 1; ++x) {
        s = s + p[x + n] - p[x - n - 1];
        out[x] = (s + n) / w;
    }
    for (int x = length - n; x <= length - 1; ++x) {
        s = s + p[length - 1] - p[x - n - 1];
        out[x] = (s + n) / w;
    }
    return out;
}

void ReferenceBoxTwice(Bytes& image, Bytes& work, int width, int height, int n)
{
    auto at = [width](int x, int y, int c) { return (static_cast<size_t>(y) * width + x) * 3 + c; };
    for (int iteration = 0; iteration < 2; ++iteration) {
        for (int y = 0; y < height; ++y) {
            for (int c = 0; c < 3; ++c) {
                std::vector<int> p(width);
                for (int x = 0; x < width; ++x) {
                    p[x] = image[at(x, y, c)];
                }
                const std::vector<int> out = FilterLine(p, n);
                for (int x = 0; x < width; ++x) {
                    work[at(x, y, c)] = static_cast<uint8_t>(out[x]);
                }
            }
        }
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                std::vector<int> p(height);
                for (int y = 0; y < height; ++y) {
                    p[y] = work[at(x, y, c)];
                }
                const std::vector<int> out = FilterLine(p, n);
                for (int y = 0; y < height; ++y) {
                    image[at(x, y, c)] = static_cast<uint8_t>(out[y]);
                }
            }
        }
    }
}

Bytes RandomImage(int width, int height, uint32_t seed)
{
    std::mt19937 random(seed);
    Bytes image(static_cast<size_t>(width) * height * 3);
    for (uint8_t& byte : image) {
        byte = static_cast<uint8_t>(random());
    }
    return image;
}

Bytes ReferenceBoxed(Bytes image, int width, int height, int n)
{
    Bytes work(image.size());
    ReferenceBoxTwice(image, work, width, height, n);
    return image;
}

Bytes Boxed(Bytes image, int width, int height, int n, BoxArithmetic arithmetic, VectorTarget target)
{
    Bytes work(image.size());
    EXPECT_TRUE(zv::imageproc::BoxBlurTwice(image.data(), work.data(), width, height, n, arithmetic, target));
    return image;
}

struct Variant {
    BoxArithmetic arithmetic;
    VectorTarget target;
};

// Every arithmetic with every instruction set this build has and this processor runs.
std::vector<Variant> AllVariants()
{
    std::vector<Variant> variants;
    for (BoxArithmetic arithmetic : {BoxArithmetic::Narrow, BoxArithmetic::Wide, BoxArithmetic::Plain}) {
        for (VectorTarget target : zv::test::EveryVectorTarget()) {
            variants.push_back(Variant{arithmetic, target});
        }
    }
    return variants;
}

std::string Describe(int width, int height, int n, const Variant& variant)
{
    return std::to_string(width) + "x" + std::to_string(height) + " n=" + std::to_string(n) +
           " arithmetic=" + std::to_string(static_cast<int>(variant.arithmetic)) +
           " set=" + zv::imaging::VectorTargetName(variant.target);
}

void ExpectAllVariantsMatch(int width, int height, int n, uint32_t seed)
{
    const Bytes original = RandomImage(width, height, seed);
    const Bytes expected = ReferenceBoxed(original, width, height, n);
    for (const Variant& variant : AllVariants()) {
        ASSERT_EQ(Boxed(original, width, height, n, variant.arithmetic, variant.target), expected)
            << Describe(width, height, n, variant);
    }
}

// ---- Exactness against the plain version --------------------------------------------------

// Every arithmetic on every instruction set, at the smallest allowed sizes, on odd and long
// lines for the SIMD loops, and on rows whose column sums do not fit the stack at once (strips
// beyond 2048, 4096 and 8192 pixels for 64-, 32- and 16-bit sums).
TEST(BoxFilter, MatchesPlainVersion)
{
    std::vector<std::array<int, 3>> cases;  // width, height, radius
    for (int n : {1, 2, 3, 4, 7, 12, 20}) {
        const int least = 4 * n;
        for (const auto& [width, height] : {std::pair{least, least}, {least + 1, least + 3}, {least + 13, least},
                                            {least + 101, least + 2}, {4 * least + 3, least + 5}}) {
            cases.push_back({width, height, n});
        }
    }
    for (int width = 5; width <= 19; ++width) {
        cases.push_back({width, 4 + width % 4 * 3, 1});
    }
    for (int width : {2049, 4097, 8193, 16390}) {
        cases.push_back({width, 5, 1});
    }
    cases.push_back({8200, 9, 2});
    for (const auto& [width, height, n] : cases) {
        ASSERT_NO_FATAL_FAILURE(ExpectAllVariantsMatch(width, height, n, static_cast<uint32_t>(n * 1000 + width)));
    }
}

TEST(BoxFilter, MatchesPlainVersionForWideWindows)
{
    for (int n : {100, 127, 128}) {
        const int width = 4 * n + 7;
        const int height = 4 * n + 2;
        const Bytes original = RandomImage(width, height, static_cast<uint32_t>(n));
        const Bytes expected = ReferenceBoxed(original, width, height, n);
        for (const Variant& variant : AllVariants()) {
            Bytes image = original;
            Bytes work(image.size());
            if (!zv::imageproc::BoxBlurTwice(image.data(), work.data(), width, height, n, variant.arithmetic,
                                             variant.target)) {
                EXPECT_NE(variant.arithmetic, zv::imageproc::FastestBoxArithmetic(n)) << n;
                continue;
            }
            ASSERT_EQ(image, expected) << Describe(width, height, n, variant);
        }
    }
}

TEST(BoxFilter, RefusesRadiiBeyondAQuarterOfEitherSide)
{
    Bytes image = RandomImage(12, 8, 1);
    const Bytes original = image;
    Bytes work(image.size());
    EXPECT_FALSE(zv::imageproc::BoxBlurTwice(image.data(), work.data(), 12, 8, 3, BoxArithmetic::Plain));
    EXPECT_FALSE(zv::imageproc::BoxBlurTwice(image.data(), work.data(), 12, 8, 0, BoxArithmetic::Plain));
    EXPECT_EQ(image, original);
}

// ---- The division ---------------------------------------------------------------------------

// floor(x·m / 2^K) never falls below x / w and never decreases as x grows, so within one
// block [q·w, q·w + w − 1] it is exact as soon as it is exact at the block's last value: checking
// every block's end (and the largest sum) checks every sum.
template <typename Divisor>
void ExpectExactForEverySum(const Divisor& divide, uint64_t radius)
{
    const uint64_t window = zv::imageproc::BoxWindow(radius);
    const uint64_t largest = zv::imageproc::LargestRoundedSum(radius);
    for (uint64_t q = 0; q * window <= largest; ++q) {
        const uint64_t x = std::min(q * window + window - 1, largest);
        ASSERT_EQ(divide(static_cast<uint32_t>(q * window)), q) << "radius " << radius;
        ASSERT_EQ(divide(static_cast<uint32_t>(x)), q) << "radius " << radius << " x " << x;
    }
}

TEST(BoxDivisor, NarrowIsExactForEverySumOfEveryWindowItServes)
{
    int served = 0;
    for (uint64_t radius = 1; radius <= 200; ++radius) {
        const auto divide = zv::imageproc::NarrowDivisor::For(radius);
        if (!divide) {
            continue;
        }
        ++served;
        const uint64_t window = zv::imageproc::BoxWindow(radius);
        for (uint32_t x = 0; x <= zv::imageproc::LargestRoundedSum(radius); ++x) {
            ASSERT_EQ((*divide)(x), x / window) << "radius " << radius << " x " << x;
        }
    }
    // Every radius up to 100 fits the fast form; beyond 127 the sums need more than 16 bits.
    for (uint64_t radius = 1; radius <= 100; ++radius) {
        EXPECT_TRUE(zv::imageproc::NarrowDivisor::For(radius)) << radius;
    }
    EXPECT_FALSE(zv::imageproc::NarrowDivisor::For(128));
    EXPECT_GE(served, 100);
}

TEST(BoxDivisor, WideIsExactForEverySumOfEveryRadiusUpTo100000)
{
    for (uint64_t radius = 1; radius <= 100000; ++radius) {
        const auto divide = zv::imageproc::WideDivisor::For(radius);
        ASSERT_TRUE(divide) << radius;
        ExpectExactForEverySum(*divide, radius);
    }
}

TEST(BoxDivisor, WideIsExactWhereverItIsOfferedUpToTheLargestSums)
{
    // Radii spread up to where 32-bit sums end, and the last ones just below it.
    const uint64_t lastRadius = (0xFFFFFFFFull - 255) / 511;
    std::vector<uint64_t> radii;
    for (uint64_t radius = 100001; radius < lastRadius; radius += 4999) {
        radii.push_back(radius);
    }
    for (uint64_t radius = lastRadius - 50; radius <= lastRadius + 2; ++radius) {
        radii.push_back(radius);
    }
    for (uint64_t radius : radii) {
        const auto divide = zv::imageproc::WideDivisor::For(radius);
        if (divide) {
            ExpectExactForEverySum(*divide, radius);
        }
        // Offered at least wherever the sums stay below 2^31, far beyond any real image.
        if (zv::imageproc::LargestRoundedSum(radius) < (uint64_t{1} << 31)) {
            EXPECT_TRUE(divide) << radius;
        }
    }
    EXPECT_FALSE(zv::imageproc::WideDivisor::For(lastRadius + 1));
}

TEST(BoxDivisor, EveryRadiusGetsAnExactArithmetic)
{
    EXPECT_EQ(zv::imageproc::FastestBoxArithmetic(1), BoxArithmetic::Narrow);
    EXPECT_EQ(zv::imageproc::FastestBoxArithmetic(20), BoxArithmetic::Narrow);
    EXPECT_EQ(zv::imageproc::FastestBoxArithmetic(128), BoxArithmetic::Wide);
    EXPECT_EQ(zv::imageproc::FastestBoxArithmetic(0xFFFFFFFFu), BoxArithmetic::Plain);
}

// ---- Amount preparation -------------------------------------------------------------------

struct SplitRow {
    double amount;
    int32_t width;
    int32_t height;
    int32_t radius;
    double fraction;
};

const SplitRow kSplitTable[] = {
    {0.05, 100, 100, 0, 0.1},
    {0.0, 100, 100, 0, 0.1},
    {-3.7, 100, 100, 0, 0.1},
    {std::numeric_limits<double>::quiet_NaN(), 100, 100, 0, 0.1},
    {-std::numeric_limits<double>::infinity(), 100, 100, 0, 0.1},
    {0.1, 100, 100, 0, 0.1},
    {0.59, 100, 100, 0, 0.5},
    {0.99, 100, 100, 0, 0.9},
    {1.05, 100, 100, 1, 0.0},
    {2.57, 100, 100, 2, 0.5},
    {3.0, 100, 100, 3, 0.0},
    {20.59, 100, 100, 20, 0.5},
    {21.5, 100, 100, 21, 0.0},
    {25.5, 120, 120, 25, 0.0},
    {10.0, 16, 100, 4, 0.0},    // capped by the width
    {10.0, 100, 17, 4, 0.0},    // capped by the height
    {4.5, 19, 100, 4, 0.0},     // the cap takes the fraction with it
    {1e300, 400, 101, 25, 0.0}, // too large for any integer
    {std::numeric_limits<double>::infinity(), 40, 40, 10, 0.0},
    {2.5, 3, 100, 0, 0.0},      // less than 4 pixels wide: nothing
    {0.5, 100, 3, 0, 0.0},
    {0.5, 4, 4, 0, 0.5},
    {0.5, 0, 0, 0, 0.0},
    {3.0, -40, 100, -10, 0.0},
};

TEST(BlurAmount, SplitsAsDescribed)
{
    for (const SplitRow& row : kSplitTable) {
        const auto split = zv::imageproc::SplitBlurAmount(row.amount, row.width, row.height);
        EXPECT_EQ(split.radius, row.radius) << row.amount << " on " << row.width << "x" << row.height;
        EXPECT_NEAR(split.fraction, row.fraction, 1e-9) << row.amount << " on " << row.width << "x" << row.height;
    }
}

// ---- The export ---------------------------------------------------------------------------

struct Blurred {
    int32_t result;
    Bytes image;
    Bytes work;
};

Blurred Blur(Bytes image, int width, int height, double amount)
{
    Bytes work(image.size(), 0xA5);
    const int32_t result = ZV_BlurGaussian(image.data(), width, height, amount, work.data());
    return Blurred{result, std::move(image), std::move(work)};
}

Bytes Gaussian(const Bytes& image, int width, int height, double amount)
{
    Bytes out(image.size());
    const uint32_t row = static_cast<uint32_t>(width) * 3;
    EXPECT_NE(IS40_GaussianBlurImage(image.data(), width, height, 3, row, out.data(), row, amount, 7), 0u);
    return out;
}

TEST(BlurGaussian, SinglePixelSpreadsOverTheFiveByFiveSquare)
{
    constexpr int kSize = 11;
    constexpr int kCentre = 5;
    for (int channel = 0; channel < 3; ++channel) {
        Bytes image(kSize * kSize * 3, 0);
        image[(kCentre * kSize + kCentre) * 3 + channel] = 255;
        const Blurred blurred = Blur(image, kSize, kSize, 1.0);
        EXPECT_EQ(blurred.result, 0);
        auto value = [&](int x, int y, int c) { return blurred.image[(y * kSize + x) * 3 + c]; };
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                const bool inSquare = std::abs(x - kCentre) <= 2 && std::abs(y - kCentre) <= 2;
                for (int c = 0; c < 3; ++c) {
                    EXPECT_EQ(value(x, y, c) != 0, c == channel && inSquare) << x << "," << y << " c" << c;
                }
            }
        }
        const int centreRow[] = {9, 19, 28, 19, 9};
        for (int dx = -2; dx <= 2; ++dx) {
            EXPECT_EQ(value(kCentre + dx, kCentre, channel), centreRow[dx + 2]);
            EXPECT_EQ(value(kCentre, kCentre + dx, channel), centreRow[dx + 2]);
        }
        for (int corner : {-2, 2}) {
            EXPECT_EQ(value(kCentre + corner, kCentre + corner, channel), 3);
            EXPECT_EQ(value(kCentre + corner, kCentre - corner, channel), 3);
        }
    }
}

TEST(BlurGaussian, WholeAmountsRunOnlyTheBoxIterations)
{
    struct Row {
        double amount;
        int width;
        int height;
        int n;
    };
    const Row rows[] = {
        {1.05, 23, 17, 1},  // one decimal kept: 1.0
        {3.0, 40, 29, 3},
        {10.0, 16, 100, 4},   // capped: w = 9
        {10.5, 100, 19, 4},   // capped, fraction gone
        {25.5, 120, 103, 25}, // fraction dropped above 20
        {20.0, 83, 97, 20},
    };
    for (const Row& row : rows) {
        const Bytes original = RandomImage(row.width, row.height, static_cast<uint32_t>(row.amount * 10));
        const Blurred blurred = Blur(original, row.width, row.height, row.amount);
        EXPECT_EQ(blurred.result, 0) << row.amount;
        EXPECT_EQ(blurred.image, ReferenceBoxed(original, row.width, row.height, row.n)) << row.amount;
    }
}

TEST(BlurGaussian, FractionGoesThroughTheGaussianIntoWork)
{
    struct Row {
        double amount;
        int n;
    };
    const Row rows[] = {{2.57, 2}, {20.5, 20}, {0.35, 0}, {0.0, 0}, {-5.0, 0}};
    constexpr int kWidth = 97;
    constexpr int kHeight = 89;
    for (const Row& row : rows) {
        const Bytes original = RandomImage(kWidth, kHeight, 7);
        const Blurred blurred = Blur(original, kWidth, kHeight, row.amount);
        EXPECT_NE(blurred.result, 0) << row.amount;
        const Bytes boxed = row.n > 0 ? ReferenceBoxed(original, kWidth, kHeight, row.n) : original;
        EXPECT_EQ(blurred.image, boxed) << row.amount;
        const double fraction = zv::imageproc::SplitBlurAmount(row.amount, kWidth, kHeight).fraction;
        EXPECT_EQ(blurred.work, Gaussian(boxed, kWidth, kHeight, fraction)) << row.amount;
    }
}

TEST(BlurGaussian, ImagesUnderFourPixelsAreLeftAlone)
{
    const std::pair<int, int> sizes[] = {{3, 50}, {50, 3}, {1, 1}, {3, 3}, {2, 200}};
    for (const auto& [width, height] : sizes) {
        for (double amount : {-1.0, 0.0, 0.5, 1.0, 2.57, 100.0}) {
            const Bytes original = RandomImage(width, height, 3);
            const Blurred blurred = Blur(original, width, height, amount);
            EXPECT_EQ(blurred.result, 0);
            EXPECT_EQ(blurred.image, original);
            EXPECT_EQ(blurred.work, Bytes(original.size(), 0xA5)) << "nothing is written";
        }
    }
}

} // namespace
