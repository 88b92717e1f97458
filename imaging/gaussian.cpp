// Gaussian blur of interleaved 8-bit pixels (1 to 4 bytes a pixel) from one buffer into
// another.
//
// Strength: `amount` is the standard deviation sigma, in pixels. The kernel reaches
// radius = ceil(3 · sigma) pixels either way (beyond that the weights are below 1.2 % of the
// centre's), with weights exp(−k² / (2 sigma²)) scaled to 14-bit fixed point whose sum is
// exactly 2^14: the rounding remainder goes to the centre, so a uniform image stays uniform.
// Amounts above 0 up to 100 are accepted.
//
// Edges are clamped: samples beyond the image repeat the edge pixel.
//
// Flags: bit c set blurs channel c; a channel whose bit is clear is copied unchanged (7: the
// three channels of an RGB pixel).
//
// The two passes are separable and run row by row: each output row first gathers its
// 2·radius + 1 (clamped) input rows into one row of 16-bit intermediates (value × 128), padded
// with the edge pixels, and the horizontal pass then turns that row into the output row. The
// only temporary is that one padded row.
#include "imaging/errors.h"
#include "imaging/imaging.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zv::imaging {
namespace {

constexpr double kLargestAmount = 100.0;
constexpr uint32_t kLargestRadius = 300;  // ceil(3 · kLargestAmount)
constexpr uint32_t kMaxBytesPerPixel = 4;
constexpr int kWeightBits = 14;
constexpr int kMiddleBits = 7;                               // intermediates: value × 2^7
constexpr int kVerticalShift = kWeightBits - kMiddleBits;    // Q14 sums → Q7
constexpr int kHorizontalShift = kWeightBits + kMiddleBits;  // Q21 sums → bytes
// An even number of taps (a zero weight appended) lets the SIMD loops take taps in pairs.
constexpr size_t kMaxTaps = 2 * kLargestRadius + 2;

struct Kernel {
    uint32_t radius = 0;
    size_t taps = 0;  // 2·radius + 2, the last weight 0
    std::array<int16_t, kMaxTaps> weights{};
};

Kernel MakeKernel(double sigma)
{
    Kernel kernel;
    kernel.radius = static_cast<uint32_t>(std::ceil(3.0 * sigma));
    kernel.taps = 2 * static_cast<size_t>(kernel.radius) + 2;
    const double scale = 1.0 / (2.0 * sigma * sigma);
    std::array<double, kMaxTaps> exact{};
    double total = 0.0;
    for (uint32_t k = 0; k <= 2 * kernel.radius; ++k) {
        const double offset = static_cast<double>(k) - kernel.radius;
        exact[k] = std::exp(-offset * offset * scale);
        total += exact[k];
    }
    int32_t sum = 0;
    for (uint32_t k = 0; k <= 2 * kernel.radius; ++k) {
        kernel.weights[k] = static_cast<int16_t>(std::lround(exact[k] / total * (1 << kWeightBits)));
        sum += kernel.weights[k];
    }
    kernel.weights[kernel.radius] = static_cast<int16_t>(kernel.weights[kernel.radius] + (1 << kWeightBits) - sum);
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

// Bytes from the first to the last pixel of a buffer; false when that overflows.
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

// ---- Vertical: the clamped rows around one output row → one row of Q7 intermediates -------

int32_t VerticalAt(const Kernel& kernel, const uint8_t* const* rows, size_t j)
{
    int32_t acc = 0;
    for (size_t k = 0; k < kernel.taps; ++k) {
        acc += kernel.weights[k] * rows[k][j];
    }
    return (acc + (1 << (kVerticalShift - 1))) >> kVerticalShift;
}

int32_t HorizontalAt(const Kernel& kernel, const int16_t* middle, size_t pixelBytes, size_t j)
{
    int32_t acc = 0;
    for (size_t k = 0; k < kernel.taps; ++k) {
        acc += kernel.weights[k] * middle[j + k * pixelBytes];
    }
    return (acc + (1 << (kHorizontalShift - 1))) >> kHorizontalShift;
}

#if defined(__SSE2__)

// Two taps' weights alternating in the 16-bit lanes, as _mm_madd_epi16 pairs them.
__m128i WeightPair(const Kernel& kernel, size_t first)
{
    const auto low = static_cast<uint16_t>(kernel.weights[first]);
    const auto high = static_cast<uint16_t>(kernel.weights[first + 1]);
    return _mm_set1_epi32(static_cast<int32_t>((uint32_t{high} << 16) | low));
}

__m128i LoadEightBytes(const uint8_t* at)
{
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at)), _mm_setzero_si128());
}

size_t VerticalVectors(const Kernel& kernel, const uint8_t* const* rows, size_t rowBytes, int16_t* out)
{
    const __m128i round = _mm_set1_epi32(1 << (kVerticalShift - 1));
    size_t j = 0;
    for (; j + 8 <= rowBytes; j += 8) {
        __m128i low = _mm_setzero_si128();
        __m128i high = _mm_setzero_si128();
        for (size_t k = 0; k < kernel.taps; k += 2) {
            const __m128i weights = WeightPair(kernel, k);
            const __m128i a = LoadEightBytes(rows[k] + j);
            const __m128i b = LoadEightBytes(rows[k + 1] + j);
            low = _mm_add_epi32(low, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), weights));
            high = _mm_add_epi32(high, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), weights));
        }
        low = _mm_srai_epi32(_mm_add_epi32(low, round), kVerticalShift);
        high = _mm_srai_epi32(_mm_add_epi32(high, round), kVerticalShift);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), _mm_packs_epi32(low, high));
    }
    return j;
}

size_t HorizontalVectors(const Kernel& kernel, const int16_t* middle, size_t pixelBytes, size_t rowBytes,
                         uint8_t* out)
{
    const __m128i round = _mm_set1_epi32(1 << (kHorizontalShift - 1));
    size_t j = 0;
    for (; j + 8 <= rowBytes; j += 8) {
        __m128i low = _mm_setzero_si128();
        __m128i high = _mm_setzero_si128();
        for (size_t k = 0; k < kernel.taps; k += 2) {
            const __m128i weights = WeightPair(kernel, k);
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(middle + j + k * pixelBytes));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(middle + j + (k + 1) * pixelBytes));
            low = _mm_add_epi32(low, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), weights));
            high = _mm_add_epi32(high, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), weights));
        }
        low = _mm_srai_epi32(_mm_add_epi32(low, round), kHorizontalShift);
        high = _mm_srai_epi32(_mm_add_epi32(high, round), kHorizontalShift);
        const __m128i words = _mm_packs_epi32(low, high);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + j), _mm_packus_epi16(words, words));
    }
    return j;
}

#else

size_t VerticalVectors(const Kernel&, const uint8_t* const*, size_t, int16_t*)
{
    return 0;
}

size_t HorizontalVectors(const Kernel&, const int16_t*, size_t, size_t, uint8_t*)
{
    return 0;
}

#endif

// Fills `middle` (padded by radius pixels on the left and radius + 1 on the right) with the
// vertical pass of output row y.
void VerticalRow(const Kernel& kernel, const uint8_t* input, const Geometry& g, size_t y, int16_t* middle)
{
    std::array<const uint8_t*, kMaxTaps> rows{};
    for (size_t k = 0; k < kernel.taps; ++k) {
        const auto wanted = static_cast<int64_t>(y + k) - kernel.radius;
        const auto row = static_cast<size_t>(std::clamp<int64_t>(wanted, 0, static_cast<int64_t>(g.height) - 1));
        rows[k] = input + row * g.inStride;
    }
    int16_t* centre = middle + kernel.radius * g.pixelBytes;
    for (size_t j = VerticalVectors(kernel, rows.data(), g.rowBytes, centre); j < g.rowBytes; ++j) {
        centre[j] = static_cast<int16_t>(VerticalAt(kernel, rows.data(), j));
    }
    const int16_t* lastPixel = centre + g.rowBytes - g.pixelBytes;
    for (size_t x = 0; x < kernel.radius; ++x) {
        std::copy(centre, centre + g.pixelBytes, middle + x * g.pixelBytes);
    }
    for (size_t x = 0; x <= kernel.radius; ++x) {
        std::copy(lastPixel, lastPixel + g.pixelBytes, centre + g.rowBytes + x * g.pixelBytes);
    }
}

void HorizontalRow(const Kernel& kernel, const int16_t* middle, const Geometry& g, uint8_t* out)
{
    for (size_t j = HorizontalVectors(kernel, middle, g.pixelBytes, g.rowBytes, out); j < g.rowBytes; ++j) {
        out[j] = static_cast<uint8_t>(std::min(HorizontalAt(kernel, middle, g.pixelBytes, j), 255));
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

} // namespace
} // namespace zv::imaging

uint32_t IS40_GaussianBlurImage(const uint8_t* input, uint32_t width, uint32_t height,
                                uint32_t bytesPerPixel, uint32_t inRowStride, uint8_t* output,
                                uint32_t outRowStride, double amount, uint32_t flags)
{
    using namespace zv::imaging;
    const Geometry g{width, height, bytesPerPixel, size_t{width} * bytesPerPixel, inRowStride, outRowStride};
    if (!ArgumentsValid(input, output, g, amount)) {
        Fail(Format::Pixels, Problem::BadArgument);
        return 0;
    }
    const Kernel kernel = MakeKernel(amount);
    uint64_t middleBytes = 0;
    if (!zv::platform::CheckedProduct(g.width + 2 * uint64_t{kernel.radius} + 1, g.pixelBytes, sizeof(int16_t),
                                      &middleBytes) ||
        !zv::platform::FitsAllocationLimit(middleBytes)) {
        Fail(Format::Pixels, Problem::TooLarge);
        return 0;
    }
    const std::unique_ptr<int16_t[]> middle(new (std::nothrow) int16_t[middleBytes / sizeof(int16_t)]);
    if (!middle) {
        Fail(Format::Pixels, Problem::OutOfMemory);
        return 0;
    }
    const bool allChannels = (flags & ((1u << g.pixelBytes) - 1)) == (1u << g.pixelBytes) - 1;
    for (size_t y = 0; y < g.height; ++y) {
        uint8_t* out = output + y * g.outStride;
        VerticalRow(kernel, input, g, y, middle.get());
        HorizontalRow(kernel, middle.get(), g, out);
        if (!allChannels) {
            CopyUnselectedChannels(input + y * g.inStride, out, g, flags);
        }
    }
    return 1;
}
