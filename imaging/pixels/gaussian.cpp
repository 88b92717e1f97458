// Gaussian blur of interleaved 8-bit pixels (1 to 4 bytes a pixel) from one buffer into
// another.
//
// Strength: `amount` is the standard deviation sigma, in pixels, above 0 and at most 20. The
// kernel reaches radius = ceil(3 · sigma) pixels either way; the weights
// exp(−k² / (2 sigma²)) are normalised and held in units of 1/65536 whose sum is exactly
// 65536 (the rounding remainder goes to the centre). Offsets whose weight rounds to 0 are
// left out; when every offset but the centre is, the blur is a copy.
//
// Edges are clamped: samples beyond the image repeat the edge pixel.
//
// Flags: bit c set blurs channel c; a channel whose bit is clear is copied unchanged (7: the
// three channels of an RGB pixel).
//
// Arithmetic. The two separable passes run row by row: each output row first gathers its
// clamped input rows into one row of 16-bit intermediates t (value × 256), padded with the
// edge pixels, and the horizontal pass turns that row into the output row. Every step is an
// operation of 16-bit SIMD lanes, and the plain code does exactly the same, so all code paths
// give the same bytes. With hi(x, m) = (x · m) >> 16, avg(a, b) = (a + b + 1) >> 1, W0 the
// centre weight, Wk the weight at offset k and b = (radius + 1) / 2:
//   vertical:   t = b + hi(256 · p0, W0) + Σk hi(128 · (p−k + p+k), 2 · Wk)
//   horizontal: s = b + hi(t0, W0) + Σk hi(avg(t−k, t+k), 2 · Wk);  out = (s + 128) >> 8
// Each of the radius + 1 terms truncates by less than 1/256 of a level, half that on average,
// which b gives back so that the blur keeps the image's brightness. With at most 61 terms a
// pass is off by less than a quarter level: a uniform image stays uniform and the result is
// within one level of the exact blur. The sums stay below 2^16 as the weights sum to one.
#include "imaging/pixels/gaussian.h"

#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/pixels/kernels/gaussian_kernels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

namespace zv::imaging {
namespace {

using gaussian::Kernel;
using gaussian::kLargestRadius;
using gaussian::Loops;

constexpr double kLargestAmount = 20.0;
constexpr uint32_t kMaxBytesPerPixel = 4;
constexpr uint32_t kOne = 65536;

Kernel MakeKernel(double sigma)
{
    const auto reach = static_cast<size_t>(std::ceil(3.0 * sigma));
    std::array<double, kLargestRadius + 1> exact{};
    double total = 1.0;
    for (size_t k = 1; k <= reach; ++k) {
        const auto offset = static_cast<double>(k);
        exact[k] = std::exp(-offset * offset / (2.0 * sigma * sigma));
        total += 2.0 * exact[k];
    }
    Kernel kernel;
    uint32_t sides = 0;
    for (size_t k = 1; k <= reach; ++k) {
        const auto weight = static_cast<uint32_t>(std::lround(exact[k] / total * kOne));
        if (weight == 0) {
            break;  // the weights fall with the offset
        }
        kernel.radius = k;
        kernel.pair[k] = static_cast<uint16_t>(2 * weight);  // each side weight is below 1/3
        sides += 2 * weight;
    }
    kernel.centre = kernel.radius == 0 ? 0 : static_cast<uint16_t>(kOne - sides);
    kernel.bias = static_cast<uint16_t>((kernel.radius + 1) / 2);
    return kernel;
}

struct Geometry {
    size_t width;
    size_t height;
    size_t pixelBytes;
    size_t rowBytes;  // width × pixelBytes
    size_t inStride;
    size_t outStride;
};

bool Overlap(const uint8_t* a, uint64_t aBytes, const uint8_t* b, uint64_t bBytes)
{
    const auto aStart = reinterpret_cast<uintptr_t>(a);
    const auto bStart = reinterpret_cast<uintptr_t>(b);
    return aStart < bStart + bBytes && bStart < aStart + aBytes;
}

// Bytes from the first to the last pixel of a buffer; false when that cannot be addressed.
bool SpanBytes(const Geometry& g, size_t stride, uint64_t* bytes)
{
    uint64_t before = 0;
    return zv::platform::CheckedProduct(g.height - 1, stride, 1, &before) &&
           !__builtin_add_overflow(before, g.rowBytes, bytes) && *bytes <= UINTPTR_MAX / 2;
}

bool ArgumentsValid(const uint8_t* input, const uint8_t* output, const Geometry& g, double amount)
{
    if (input == nullptr || output == nullptr || g.width == 0 || g.height == 0 || g.pixelBytes == 0 ||
        g.pixelBytes > kMaxBytesPerPixel || g.inStride < g.rowBytes || g.outStride < g.rowBytes ||
        !(amount > 0.0 && amount <= kLargestAmount)) {
        return false;
    }
    uint64_t inBytes = 0;
    uint64_t outBytes = 0;
    return SpanBytes(g, g.inStride, &inBytes) && SpanBytes(g, g.outStride, &outBytes) &&
           !Overlap(input, inBytes, output, outBytes);
}

// ---- Plain code ------------------------------------------------------------------------------

uint32_t High(uint32_t x, uint32_t weight)
{
    return (x * weight) >> 16;
}

// `rows` holds the clamped rows for the offsets −radius … radius.
uint16_t VerticalAt(const Kernel& kernel, const uint8_t* const* rows, size_t j)
{
    const size_t r = kernel.radius;
    uint32_t t = kernel.bias + High(uint32_t{rows[r][j]} << 8, kernel.centre);
    for (size_t k = 1; k <= r; ++k) {
        t += High((uint32_t{rows[r - k][j]} + rows[r + k][j]) << 7, kernel.pair[k]);
    }
    return static_cast<uint16_t>(t);
}

uint8_t HorizontalAt(const Kernel& kernel, const uint16_t* middle, size_t pixelBytes)
{
    uint32_t s = kernel.bias + High(middle[0], kernel.centre);
    for (size_t k = 1; k <= kernel.radius; ++k) {
        s += High((uint32_t{middle[-static_cast<ptrdiff_t>(k * pixelBytes)]} + middle[k * pixelBytes] + 1) >> 1,
                  kernel.pair[k]);
    }
    return static_cast<uint8_t>((s + 128) >> 8);
}

// ---- Rows ------------------------------------------------------------------------------------

// Fills `middle` (padded with radius pixels on either side) with the vertical pass of row y.
void VerticalRow(const Kernel& kernel, const Loops& loops, const uint8_t* input, const Geometry& g, size_t y,
                 uint16_t* middle)
{
    const size_t r = kernel.radius;
    std::array<const uint8_t*, 2 * kLargestRadius + 1> rows{};
    for (size_t k = 0; k <= 2 * r; ++k) {
        const size_t row = std::min(y + k >= r ? y + k - r : 0, g.height - 1);
        rows[k] = input + row * g.inStride;
    }
    uint16_t* centre = middle + r * g.pixelBytes;
    for (size_t j = loops.vertical(kernel, rows.data(), g.rowBytes, centre); j < g.rowBytes; ++j) {
        centre[j] = VerticalAt(kernel, rows.data(), j);
    }
    const uint16_t* lastPixel = centre + g.rowBytes - g.pixelBytes;
    for (size_t x = 0; x < r; ++x) {
        std::copy(centre, centre + g.pixelBytes, middle + x * g.pixelBytes);
        std::copy(lastPixel, lastPixel + g.pixelBytes, centre + g.rowBytes + x * g.pixelBytes);
    }
}

void HorizontalRow(const Kernel& kernel, const Loops& loops, const uint16_t* middle, const Geometry& g, uint8_t* out)
{
    const uint16_t* centre = middle + kernel.radius * g.pixelBytes;
    for (size_t j = loops.horizontal(kernel, centre, g.pixelBytes, g.rowBytes, out); j < g.rowBytes; ++j) {
        out[j] = HorizontalAt(kernel, centre + j, g.pixelBytes);
    }
}

void CopyUnselectedChannels(const uint8_t* in, uint8_t* out, const Geometry& g, uint32_t flags)
{
    for (size_t c = 0; c < g.pixelBytes; ++c) {
        if ((flags >> c) & 1u) {
            continue;
        }
        for (size_t j = c; j < g.rowBytes; j += g.pixelBytes) {
            out[j] = in[j];
        }
    }
}

uint32_t Blur(VectorTarget target, const uint8_t* input, uint8_t* output, const Geometry& g, double amount,
              uint32_t flags)
{
    const Kernel kernel = MakeKernel(amount);
    const Loops loops = gaussian::LoopsFor(target, kernel.radius);
    if (kernel.radius == 0) {
        for (size_t y = 0; y < g.height; ++y) {
            std::memcpy(output + y * g.outStride, input + y * g.inStride, g.rowBytes);
        }
        return 1;
    }
    uint64_t middleBytes = 0;
    if (!zv::platform::CheckedProduct(g.width + 2 * uint64_t{kernel.radius}, g.pixelBytes, sizeof(uint16_t),
                                      &middleBytes) ||
        !zv::platform::FitsAllocationLimit(middleBytes)) {
        Fail(Format::Pixels, Problem::TooLarge);
        return 0;
    }
    const std::unique_ptr<uint16_t[]> middle(new (std::nothrow) uint16_t[middleBytes / sizeof(uint16_t)]);
    if (!middle) {
        Fail(Format::Pixels, Problem::OutOfMemory);
        return 0;
    }
    const uint32_t allChannels = (1u << g.pixelBytes) - 1;
    for (size_t y = 0; y < g.height; ++y) {
        uint8_t* out = output + y * g.outStride;
        VerticalRow(kernel, loops, input, g, y, middle.get());
        HorizontalRow(kernel, loops, middle.get(), g, out);
        if ((flags & allChannels) != allChannels) {
            CopyUnselectedChannels(input + y * g.inStride, out, g, flags);
        }
    }
    return 1;
}

} // namespace

uint32_t GaussianBlurWith(VectorTarget target, const uint8_t* input, uint32_t width, uint32_t height,
                          uint32_t bytesPerPixel, uint32_t inRowStride, uint8_t* output, uint32_t outRowStride,
                          double amount, uint32_t flags)
{
    const Geometry g{width, height, bytesPerPixel, size_t{width} * bytesPerPixel, inRowStride, outRowStride};
    if (!ArgumentsValid(input, output, g, amount)) {
        Fail(Format::Pixels, Problem::BadArgument);
        return 0;
    }
    return Blur(UsableVectorTarget(target), input, output, g, amount, flags);
}

} // namespace zv::imaging

uint32_t IS40_GaussianBlurImage(const uint8_t* input, uint32_t width, uint32_t height,
                                uint32_t bytesPerPixel, uint32_t inRowStride, uint8_t* output,
                                uint32_t outRowStride, double amount, uint32_t flags)
{
    return zv::imaging::GaussianBlurWith(zv::imaging::BestVectorTarget(), input, width, height, bytesPerPixel,
                                         inRowStride, output, outRowStride, amount, flags);
}
