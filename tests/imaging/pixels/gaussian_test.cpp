#include "imaging/core/errors.h"
#include "imaging/pixels/gaussian.h"
#include "imaging/core/imaging.h"
#include "tests/support/vector_targets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct Picture {
    uint32_t width;
    uint32_t height;
    uint32_t pixelBytes;
    Bytes bytes;

    uint8_t& at(uint32_t x, uint32_t y, uint32_t c) { return bytes[(size_t{y} * width + x) * pixelBytes + c]; }
    uint32_t rowBytes() const { return width * pixelBytes; }
};

Picture RandomPicture(uint32_t width, uint32_t height, uint32_t pixelBytes, uint32_t seed)
{
    std::mt19937 random(seed);
    Picture picture{width, height, pixelBytes, Bytes(size_t{width} * height * pixelBytes)};
    for (uint8_t& byte : picture.bytes) {
        byte = static_cast<uint8_t>(random());
    }
    return picture;
}

Picture Blurred(const Picture& in, double amount, uint32_t flags = 15)
{
    Picture out{in.width, in.height, in.pixelBytes, Bytes(in.bytes.size())};
    const uint32_t row = in.rowBytes();
    EXPECT_NE(IS40_GaussianBlurImage(in.bytes.data(), in.width, in.height, in.pixelBytes, row, out.bytes.data(), row,
                                     amount, flags),
              0u);
    return out;
}

// The same blur in double precision: sigma = amount, radius ceil(3 sigma), edge samples
// repeated, rounded once at the end.
Picture ReferenceBlur(const Picture& in, double amount)
{
    const int radius = static_cast<int>(std::ceil(3 * amount));
    std::vector<double> weights(2 * radius + 1);
    double total = 0;
    for (int k = -radius; k <= radius; ++k) {
        weights[k + radius] = std::exp(-k * k / (2 * amount * amount));
        total += weights[k + radius];
    }
    for (double& weight : weights) {
        weight /= total;
    }
    const int width = static_cast<int>(in.width);
    const int height = static_cast<int>(in.height);
    const int channels = static_cast<int>(in.pixelBytes);
    auto index = [&](int x, int y, int c) { return (static_cast<size_t>(y) * width + x) * channels + c; };
    std::vector<double> vertical(in.bytes.size());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                double sum = 0;
                for (int k = -radius; k <= radius; ++k) {
                    sum += weights[k + radius] * in.bytes[index(x, std::clamp(y + k, 0, height - 1), c)];
                }
                vertical[index(x, y, c)] = sum;
            }
        }
    }
    Picture out{in.width, in.height, in.pixelBytes, Bytes(in.bytes.size())};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                double sum = 0;
                for (int k = -radius; k <= radius; ++k) {
                    sum += weights[k + radius] * vertical[index(std::clamp(x + k, 0, width - 1), y, c)];
                }
                out.bytes[index(x, y, c)] = static_cast<uint8_t>(std::lround(sum));
            }
        }
    }
    return out;
}

// A picture's size and a blur amount.
struct Row {
    uint32_t width;
    uint32_t height;
    uint32_t pixelBytes;
    double amount;
};

int MaxDifference(const Bytes& a, const Bytes& b)
{
    int largest = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        largest = std::max(largest, std::abs(int{a[i]} - int{b[i]}));
    }
    return largest;
}

// On random pictures every window that reaches past an edge differs unless the edge sample is
// repeated as the reference repeats it.
TEST(GaussianBlur, AgreesWithADoublePrecisionBlurToOneLevel)
{
    const Row rows[] = {
        {37, 23, 3, 0.5}, {37, 23, 3, 0.1}, {64, 9, 3, 0.9}, {5, 41, 3, 2.3}, {3, 3, 3, 4.0},
        {1, 1, 3, 1.0},   {29, 31, 1, 1.7}, {30, 17, 2, 0.6}, {19, 22, 4, 3.2}, {200, 3, 3, 0.75},
        {90, 70, 3, 19.7}, {64, 64, 1, 12.0},
    };
    for (const Row& row : rows) {
        const Picture in = RandomPicture(row.width, row.height, row.pixelBytes, row.width * 31 + row.height);
        EXPECT_LE(MaxDifference(Blurred(in, row.amount).bytes, ReferenceBlur(in, row.amount).bytes), 1)
            << row.width << "x" << row.height << "x" << row.pixelBytes << " amount " << row.amount;
    }
}

TEST(GaussianBlur, EveryCodePathGivesTheSameBytes)
{
    const Row rows[] = {
        {1, 1, 3, 0.5},   {5, 7, 3, 0.3},   {33, 9, 3, 0.5},  {67, 13, 3, 0.95}, {101, 4, 3, 2.0},
        {47, 5, 1, 1.1},  {40, 6, 2, 0.7},  {45, 11, 4, 3.3}, {250, 3, 3, 0.02}, {90, 70, 3, 19.7},
    };
    for (const Row& row : rows) {
        const Picture in = RandomPicture(row.width, row.height, row.pixelBytes, row.width + row.height);
        const uint32_t stride = in.rowBytes();
        std::vector<Bytes> results;
        for (const auto target : zv::test::EveryVectorTarget()) {
            Bytes out(in.bytes.size());
            EXPECT_EQ(zv::imaging::GaussianBlurWith(target, in.bytes.data(), in.width, in.height, in.pixelBytes, stride,
                                                    out.data(), stride, row.amount, 15),
                      1u);
            results.push_back(out);
        }
        for (size_t i = 1; i < results.size(); ++i) {
            EXPECT_EQ(results[0], results[i]) << row.width << "x" << row.height << " amount " << row.amount << " on "
                                              << zv::imaging::VectorTargetName(zv::test::EveryVectorTarget()[i]);
        }
    }
}

TEST(GaussianBlur, UniformImagesStayUniformUpToTheEdges)
{
    for (uint8_t value : {0, 1, 77, 254, 255}) {
        for (double amount : {0.05, 0.5, 1.0, 6.5, 20.0}) {
            const Picture in{23, 14, 3, Bytes(23 * 14 * 3, value)};
            EXPECT_EQ(Blurred(in, amount).bytes, in.bytes) << int{value} << " amount " << amount;
        }
    }
}

TEST(GaussianBlur, ImpulseResponseIsSymmetricPeakedAndKeepsItsSum)
{
    constexpr uint32_t kSize = 21;
    constexpr uint32_t kCentre = 10;
    for (double amount : {0.5, 1.5, 2.5}) {
        Picture in{kSize, kSize, 3, Bytes(kSize * kSize * 3, 0)};
        in.at(kCentre, kCentre, 1) = 255;
        Picture out = Blurred(in, amount);
        int sum = 0;
        for (uint32_t y = 0; y < kSize; ++y) {
            for (uint32_t x = 0; x < kSize; ++x) {
                sum += out.at(x, y, 1);
                EXPECT_EQ(out.at(x, y, 0), 0);
                EXPECT_EQ(out.at(x, y, 2), 0);
                EXPECT_EQ(out.at(x, y, 1), out.at(kSize - 1 - x, y, 1)) << x << "," << y;
                EXPECT_EQ(out.at(x, y, 1), out.at(x, kSize - 1 - y, 1)) << x << "," << y;
                EXPECT_LE(std::abs(out.at(x, y, 1) - out.at(y, x, 1)), 1) << x << "," << y;
            }
        }
        for (uint32_t x = kCentre; x + 1 < kSize; ++x) {
            EXPECT_GE(out.at(x, kCentre, 1), out.at(x + 1, kCentre, 1)) << "falls off from the centre";
        }
        EXPECT_LT(out.at(kCentre, kCentre, 1), 255) << "amount " << amount;
        EXPECT_NEAR(sum, 255, 255 * 0.05) << "amount " << amount;
    }
}

TEST(GaussianBlur, FlagsChooseTheChannels)
{
    const Picture in = RandomPicture(17, 13, 3, 5);
    const Picture all = Blurred(in, 1.2, 7);
    const Picture some = Blurred(in, 1.2, 5);  // channels 0 and 2
    for (size_t i = 0; i < in.bytes.size(); ++i) {
        EXPECT_EQ(some.bytes[i], i % 3 == 1 ? in.bytes[i] : all.bytes[i]) << i;
    }
    EXPECT_EQ(Blurred(in, 1.2, 0).bytes, in.bytes);
}

TEST(GaussianBlur, RowStridesLeaveThePaddingAlone)
{
    const Picture in = RandomPicture(10, 6, 3, 9);
    const uint32_t inStride = 37;
    const uint32_t outStride = 41;
    Bytes paddedIn(inStride * in.height, 0xEE);
    for (uint32_t y = 0; y < in.height; ++y) {
        std::copy_n(in.bytes.begin() + y * in.rowBytes(), in.rowBytes(), paddedIn.begin() + y * inStride);
    }
    Bytes paddedOut(outStride * in.height, 0x5A);
    ASSERT_NE(IS40_GaussianBlurImage(paddedIn.data(), in.width, in.height, 3, inStride, paddedOut.data(), outStride,
                                     0.8, 7),
              0u);
    const Picture expected = Blurred(in, 0.8);
    for (uint32_t y = 0; y < in.height; ++y) {
        for (uint32_t j = 0; j < outStride; ++j) {
            const uint8_t want = j < in.rowBytes() ? expected.bytes[y * in.rowBytes() + j] : uint8_t{0x5A};
            EXPECT_EQ(paddedOut[y * outStride + j], want) << y << "," << j;
        }
    }
}

TEST(GaussianBlur, RejectsBadArgumentsWithCode5)
{
    Bytes in(8 * 8 * 3, 9);
    Bytes out(8 * 8 * 3, 0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* what;
        const uint8_t* input;
        uint32_t width;
        uint32_t height;
        uint32_t pixelBytes;
        uint32_t inStride;
        uint8_t* output;
        uint32_t outStride;
        double amount;
    };
    const Row rows[] = {
        {"null input", nullptr, 8, 8, 3, 24, out.data(), 24, 1.0},
        {"null output", in.data(), 8, 8, 3, 24, nullptr, 24, 1.0},
        {"zero width", in.data(), 0, 8, 3, 24, out.data(), 24, 1.0},
        {"zero height", in.data(), 8, 0, 3, 24, out.data(), 24, 1.0},
        {"no bytes per pixel", in.data(), 8, 8, 0, 24, out.data(), 24, 1.0},
        {"five bytes per pixel", in.data(), 8, 8, 5, 40, out.data(), 40, 1.0},
        {"short input rows", in.data(), 8, 8, 3, 23, out.data(), 24, 1.0},
        {"short output rows", in.data(), 8, 8, 3, 24, out.data(), 23, 1.0},
        {"zero amount", in.data(), 8, 8, 3, 24, out.data(), 24, 0.0},
        {"negative amount", in.data(), 8, 8, 3, 24, out.data(), 24, -1.0},
        {"amount not a number", in.data(), 8, 8, 3, 24, out.data(), 24, nan},
        {"amount too large", in.data(), 8, 8, 3, 24, out.data(), 24, 20.5},
        {"output overlaps input", in.data(), 8, 4, 3, 24, in.data() + 24 * 3, 24, 1.0},
    };
    for (const Row& row : rows) {
        zv::imaging::SetLastError(0);
        EXPECT_EQ(IS40_GaussianBlurImage(row.input, row.width, row.height, row.pixelBytes, row.inStride, row.output,
                                         row.outStride, row.amount, 7),
                  0u)
            << row.what;
        EXPECT_EQ(IS40_GetLastError(), zv::imaging::kErrBadParameter) << row.what;
    }
    EXPECT_EQ(out, Bytes(out.size(), 0)) << "nothing written";
}

TEST(GaussianBlur, TemporaryBeyondTheAllocationLimitFailsWithCode1)
{
    const Picture in = RandomPicture(100, 4, 3, 2);
    Bytes out(in.bytes.size(), 0);
    zv::platform::SetAllocationLimit(256);
    zv::imaging::SetLastError(0);
    const uint32_t result = IS40_GaussianBlurImage(in.bytes.data(), 100, 4, 3, 300, out.data(), 300, 1.0, 7);
    zv::platform::SetAllocationLimit(0);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(IS40_GetLastError(), zv::imaging::kErrOutOfMemory);
    EXPECT_EQ(out, Bytes(out.size(), 0));
}

} // namespace
