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

#include "imaging/core/cpu.h"
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#if defined(__x86_64__) && defined(__SSE2__)
#define ZV_GAUSSIAN_X86 1
#include <immintrin.h>
#endif

namespace zv::imaging {
namespace {

constexpr double kLargestAmount = 20.0;
constexpr size_t kLargestRadius = 60;  // ceil(3 · kLargestAmount)
constexpr uint32_t kMaxBytesPerPixel = 4;
constexpr uint32_t kOne = 65536;

struct Kernel {
    size_t radius = 0;  // the farthest offset with a non-zero weight; 0: a copy
    uint16_t bias = 0;  // (radius + 1) / 2: the average loss of the truncating terms
    uint16_t centre = 0;
    std::array<uint16_t, kLargestRadius + 1> pair{};  // pair[k] = 2 · Wk for k = 1 … radius
};

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

size_t NoVertical(const Kernel&, const uint8_t* const*, size_t, uint16_t*)
{
    return 0;
}

size_t NoHorizontal(const Kernel&, const uint16_t*, size_t, size_t, uint8_t*)
{
    return 0;
}

// The vector loops do a leading part of a row and return how many bytes they did.
using VerticalLoop = size_t (*)(const Kernel&, const uint8_t* const* rows, size_t rowBytes, uint16_t* middle);
using HorizontalLoop = size_t (*)(const Kernel&, const uint16_t* middle, size_t pixelBytes, size_t rowBytes,
                                  uint8_t* out);

#if defined(ZV_GAUSSIAN_X86)

// The vector loops come in versions for radius 1, 2 and 3 (every fraction below 1) and one for
// any radius. Each copies the row pointers and weights into locals first: its stores may
// alias anything, and the compiler can then keep them in registers.
template <size_t kFixedRadius>
constexpr size_t kSlots = kFixedRadius != 0 ? kFixedRadius : kLargestRadius;

// ---- SSE2 ------------------------------------------------------------------------------------

template <size_t kFixedRadius>
size_t VerticalSse2(const Kernel& kernel, const uint8_t* const* rowsIn, size_t rowBytes, uint16_t* middle)
{
    const size_t r = kFixedRadius != 0 ? kFixedRadius : kernel.radius;
    const uint8_t* rows[2 * kSlots<kFixedRadius> + 1];
    __m128i weights[kSlots<kFixedRadius> + 1];
    for (size_t k = 0; k <= 2 * r; ++k) {
        rows[k] = rowsIn[k];
    }
    for (size_t k = 1; k <= r; ++k) {
        weights[k] = _mm_set1_epi16(static_cast<int16_t>(kernel.pair[k]));
    }
    const __m128i zero = _mm_setzero_si128();
    const __m128i centreWeight = _mm_set1_epi16(static_cast<int16_t>(kernel.centre));
    const __m128i bias = _mm_set1_epi16(static_cast<int16_t>(kernel.bias));
    size_t j = 0;
    for (; j + 16 <= rowBytes; j += 16) {
        // Unpacking above a zero byte makes 256 · p.
        const __m128i centre = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[r] + j));
        __m128i low = _mm_add_epi16(bias, _mm_mulhi_epu16(_mm_unpacklo_epi8(zero, centre), centreWeight));
        __m128i high = _mm_add_epi16(bias, _mm_mulhi_epu16(_mm_unpackhi_epi8(zero, centre), centreWeight));
        for (size_t k = 1; k <= r; ++k) {
            const __m128i above = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[r - k] + j));
            const __m128i below = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[r + k] + j));
            const __m128i pairLow = _mm_add_epi16(_mm_unpacklo_epi8(above, zero), _mm_unpacklo_epi8(below, zero));
            const __m128i pairHigh = _mm_add_epi16(_mm_unpackhi_epi8(above, zero), _mm_unpackhi_epi8(below, zero));
            low = _mm_add_epi16(low, _mm_mulhi_epu16(_mm_slli_epi16(pairLow, 7), weights[k]));
            high = _mm_add_epi16(high, _mm_mulhi_epu16(_mm_slli_epi16(pairHigh, 7), weights[k]));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(middle + j), low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(middle + j + 8), high);
    }
    return j;
}

template <size_t kFixedRadius>
size_t HorizontalSse2(const Kernel& kernel, const uint16_t* middle, size_t pixelBytes, size_t rowBytes, uint8_t* out)
{
    const size_t r = kFixedRadius != 0 ? kFixedRadius : kernel.radius;
    __m128i weights[kSlots<kFixedRadius> + 1];
    for (size_t k = 1; k <= r; ++k) {
        weights[k] = _mm_set1_epi16(static_cast<int16_t>(kernel.pair[k]));
    }
    const __m128i centreWeight = _mm_set1_epi16(static_cast<int16_t>(kernel.centre));
    const __m128i rounding = _mm_set1_epi16(static_cast<int16_t>(128 + kernel.bias));
    const auto eight = [&](const uint16_t* at) {
        __m128i s = _mm_mulhi_epu16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), centreWeight);
        for (size_t k = 1; k <= r; ++k) {
            const __m128i left = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at - k * pixelBytes));
            const __m128i right = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + k * pixelBytes));
            s = _mm_add_epi16(s, _mm_mulhi_epu16(_mm_avg_epu16(left, right), weights[k]));
        }
        return _mm_srli_epi16(_mm_add_epi16(s, rounding), 8);
    };
    size_t j = 0;
    for (; j + 16 <= rowBytes; j += 16) {
        const __m128i bytes = _mm_packus_epi16(eight(middle + j), eight(middle + j + 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), bytes);
    }
    return j;
}

// ---- AVX2 ------------------------------------------------------------------------------------

#define ZV_AVX2 __attribute__((target("avx2")))

ZV_AVX2 __m256i WidenSixteen(const uint8_t* bytes)
{
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)));
}

template <size_t kFixedRadius>
ZV_AVX2 size_t VerticalAvx2(const Kernel& kernel, const uint8_t* const* rowsIn, size_t rowBytes, uint16_t* middle)
{
    const size_t r = kFixedRadius != 0 ? kFixedRadius : kernel.radius;
    const uint8_t* rows[2 * kSlots<kFixedRadius> + 1];
    __m256i weights[kSlots<kFixedRadius> + 1];
    for (size_t k = 0; k <= 2 * r; ++k) {
        rows[k] = rowsIn[k];
    }
    for (size_t k = 1; k <= r; ++k) {
        weights[k] = _mm256_set1_epi16(static_cast<int16_t>(kernel.pair[k]));
    }
    const __m256i centreWeight = _mm256_set1_epi16(static_cast<int16_t>(kernel.centre));
    const __m256i bias = _mm256_set1_epi16(static_cast<int16_t>(kernel.bias));
    size_t j = 0;
    for (; j + 16 <= rowBytes; j += 16) {
        __m256i t = _mm256_add_epi16(bias, _mm256_mulhi_epu16(_mm256_slli_epi16(WidenSixteen(rows[r] + j), 8),
                                                              centreWeight));
        for (size_t k = 1; k <= r; ++k) {
            const __m256i pair = _mm256_add_epi16(WidenSixteen(rows[r - k] + j), WidenSixteen(rows[r + k] + j));
            t = _mm256_add_epi16(t, _mm256_mulhi_epu16(_mm256_slli_epi16(pair, 7), weights[k]));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(middle + j), t);
    }
    return j;
}

template <size_t kFixedRadius>
ZV_AVX2 size_t HorizontalAvx2(const Kernel& kernel, const uint16_t* middle, size_t pixelBytes, size_t rowBytes,
                              uint8_t* out)
{
    const size_t r = kFixedRadius != 0 ? kFixedRadius : kernel.radius;
    __m256i weights[kSlots<kFixedRadius> + 1];
    for (size_t k = 1; k <= r; ++k) {
        weights[k] = _mm256_set1_epi16(static_cast<int16_t>(kernel.pair[k]));
    }
    const __m256i centreWeight = _mm256_set1_epi16(static_cast<int16_t>(kernel.centre));
    const __m256i rounding = _mm256_set1_epi16(static_cast<int16_t>(128 + kernel.bias));
    size_t j = 0;
    for (; j + 32 <= rowBytes; j += 32) {
        __m256i halves[2];
        for (size_t half = 0; half < 2; ++half) {
            const uint16_t* at = middle + j + 16 * half;
            __m256i s = _mm256_mulhi_epu16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)), centreWeight);
            for (size_t k = 1; k <= r; ++k) {
                const __m256i left = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at - k * pixelBytes));
                const __m256i right = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + k * pixelBytes));
                s = _mm256_add_epi16(s, _mm256_mulhi_epu16(_mm256_avg_epu16(left, right), weights[k]));
            }
            halves[half] = _mm256_srli_epi16(_mm256_add_epi16(s, rounding), 8);
        }
        const __m256i bytes = _mm256_packus_epi16(halves[0], halves[1]);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j), _mm256_permute4x64_epi64(bytes, 0xD8));
    }
    return j;
}

#endif // ZV_GAUSSIAN_X86

struct Loops {
    VerticalLoop vertical;
    HorizontalLoop horizontal;
};

#if defined(ZV_GAUSSIAN_X86)
template <size_t kFixedRadius>
Loops LoopsOfRadius(bool avx2)
{
    return avx2 ? Loops{VerticalAvx2<kFixedRadius>, HorizontalAvx2<kFixedRadius>}
                : Loops{VerticalSse2<kFixedRadius>, HorizontalSse2<kFixedRadius>};
}
#endif

Loops LoopsFor(GaussianCode code, size_t radius)
{
#if defined(ZV_GAUSSIAN_X86)
    if (code != GaussianCode::Portable) {
        const bool avx2 = code == GaussianCode::Avx2 && ProcessorHasAvx2();
        switch (radius) {
        case 1:
            return LoopsOfRadius<1>(avx2);
        case 2:
            return LoopsOfRadius<2>(avx2);
        case 3:
            return LoopsOfRadius<3>(avx2);
        default:
            return LoopsOfRadius<0>(avx2);
        }
    }
#else
    (void)code;
    (void)radius;
#endif
    return Loops{NoVertical, NoHorizontal};
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

uint32_t Blur(GaussianCode code, const uint8_t* input, uint8_t* output, const Geometry& g, double amount,
              uint32_t flags)
{
    const Kernel kernel = MakeKernel(amount);
    const Loops loops = LoopsFor(code, kernel.radius);
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

uint32_t GaussianBlurWith(GaussianCode code, const uint8_t* input, uint32_t width, uint32_t height,
                          uint32_t bytesPerPixel, uint32_t inRowStride, uint8_t* output, uint32_t outRowStride,
                          double amount, uint32_t flags)
{
    const Geometry g{width, height, bytesPerPixel, size_t{width} * bytesPerPixel, inRowStride, outRowStride};
    if (!ArgumentsValid(input, output, g, amount)) {
        Fail(Format::Pixels, Problem::BadArgument);
        return 0;
    }
    return Blur(code, input, output, g, amount, flags);
}

} // namespace zv::imaging

uint32_t IS40_GaussianBlurImage(const uint8_t* input, uint32_t width, uint32_t height,
                                uint32_t bytesPerPixel, uint32_t inRowStride, uint8_t* output,
                                uint32_t outRowStride, double amount, uint32_t flags)
{
    return zv::imaging::GaussianBlurWith(zv::imaging::GaussianCode::Avx2, input, width, height, bytesPerPixel,
                                         inRowStride, output, outRowStride, amount, flags);
}
