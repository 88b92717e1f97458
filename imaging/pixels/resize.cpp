// Resampling of 3-byte pixels.
//
// Modes:
//   16  the high-quality resampler. Separable: each axis gets its own filter. An axis that
//       shrinks is area-averaged — every output pixel is the mean of the source area it covers,
//       partly covered source pixels counting by the fraction covered — so fine detail
//       averages out instead of aliasing into moiré. An axis that grows is interpolated with
//       the Catmull-Rom cubic (a = -0.5), which keeps edges sharp and reproduces gradients.
//       An axis that keeps its size is copied.
//    0  nearest neighbour: each output pixel takes the source pixel under its centre. Fast,
//       for previews; it aliases when shrinking.
//   Any other mode, and any bytesPerPixel other than 3, fails with code 5. `flags` is reserved
//   and ignored.
//
// How mode 16 works. For each axis the weights of every output position are computed once per
// call, as 16-bit fixed-point numbers whose sum is exactly one (the cumulative sums of the
// real weights are rounded, so no output drifts and a uniform image stays exactly uniform).
// Output rows are made in order: the vertical pass combines the few source rows of one output
// row into a 16-bit row that keeps 7 bits below the byte, then the horizontal pass turns that
// row into the output row. Vertical first means the long source rows are touched once, by a
// pass that runs straight along memory 16 bytes at a time; the per-pixel horizontal pass then
// works on one short row that stays in cache.
//
// Input and output must not overlap.
//
// Failures: null buffers, a zero size, or a row stride shorter than its row give code 5; the
// temporaries (weight tables and one row) are checked against the allocation limit first and
// give code 1 when they do not fit or cannot be allocated.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

// ZV_RESIZE_NO_SIMD builds the portable loops on x86 too, so that they can be tested there.
#if defined(__SSE2__) && !defined(ZV_RESIZE_NO_SIMD)
#define ZV_RESIZE_SSE2 1
#include <emmintrin.h>
#endif

namespace zv::imaging {
namespace {

constexpr uint32_t kChannels = 3;
constexpr uint32_t kModeNearest = 0;
constexpr uint32_t kModeHighQuality = 16;

// The row between the passes holds bytes scaled by 2^7 (0 .. 32640), clamped: a cubic's
// overshoot past black or white is cut there, before the second pass.
constexpr int kRowFractionBits = 7;
constexpr int32_t kRowMax = 255 << kRowFractionBits;
// Zeroed entries after the row's last pixel: the horizontal pass reads pixels in pairs and
// loads 8 values at a time.
constexpr uint32_t kRowPadding = 16;

constexpr int32_t kInt32Max = 2147483647;
constexpr int kMaxVerticalScaleBits = 22;
constexpr int kMaxHorizontalScaleBits = 16;
// Keeps both passes' shifts at one bit or more.
constexpr int kMinScaleBits = kRowFractionBits + 1;

// ---- Weights -------------------------------------------------------------------------------

// The source positions and fixed-point weights of every output position along one axis.
struct AxisWeights {
    std::vector<uint32_t> first;    // first source index of output i
    std::vector<uint32_t> taps;     // number of source indices of output i
    std::vector<uint32_t> offset;   // where output i's weights start in `weights`
    std::vector<int16_t> weights;   // sum to 1 << scaleBits for every output
    int scaleBits = 0;
    uint32_t maxTaps = 0;
};

// Real-valued weights of one output position: source indices first .. first + size() - 1.
struct RealWeights {
    uint32_t first = 0;
    std::vector<double> weights;
};

// Area averaging. Output i covers source [i n / m, (i + 1) n / m); in units of 1/m that is
// [i n, (i + 1) n), and source pixel s covers [s m, (s + 1) m). Integer overlaps, exact.
void AreaWeights(uint32_t inSize, uint32_t outSize, uint32_t index, RealWeights* out)
{
    const uint64_t n = inSize;
    const uint64_t m = outSize;
    const uint64_t low = index * n;
    const uint64_t high = low + n;
    const uint64_t first = low / m;
    const uint64_t last = (high - 1) / m;
    out->first = static_cast<uint32_t>(first);
    out->weights.clear();
    for (uint64_t s = first; s <= last; ++s) {
        const uint64_t overlap = std::min(high, (s + 1) * m) - std::max(low, s * m);
        out->weights.push_back(static_cast<double>(overlap) / static_cast<double>(n));
    }
}

double CatmullRom(double distance)
{
    constexpr double a = -0.5;
    const double x = std::fabs(distance);
    if (x <= 1.0) {
        return ((a + 2.0) * x - (a + 3.0)) * x * x + 1.0;
    }
    if (x < 2.0) {
        return ((a * x - 5.0 * a) * x + 8.0 * a) * x - 4.0 * a;
    }
    return 0.0;
}

// Cubic interpolation at the output pixel's centre mapped into the source. Taps beyond the
// image fall onto its edge pixels, so the border is extended rather than darkened.
void CubicWeights(uint32_t inSize, uint32_t outSize, uint32_t index, RealWeights* out)
{
    const double centre = (index + 0.5) * static_cast<double>(inSize) / outSize - 0.5;
    const double base = std::floor(centre);
    const int64_t lowTap = static_cast<int64_t>(base) - 1;
    const int64_t lastIndex = static_cast<int64_t>(inSize) - 1;
    const int64_t first = std::clamp<int64_t>(lowTap, 0, lastIndex);
    const int64_t last = std::clamp<int64_t>(lowTap + 3, 0, lastIndex);
    out->first = static_cast<uint32_t>(first);
    out->weights.assign(static_cast<size_t>(last - first + 1), 0.0);
    for (int64_t tap = lowTap; tap <= lowTap + 3; ++tap) {
        const int64_t source = std::clamp<int64_t>(tap, 0, lastIndex);
        out->weights[static_cast<size_t>(source - first)] += CatmullRom(centre - static_cast<double>(tap));
    }
}

void RealWeightsFor(uint32_t inSize, uint32_t outSize, uint32_t index, RealWeights* out)
{
    if (outSize < inSize) {
        AreaWeights(inSize, outSize, index, out);
    } else if (outSize > inSize) {
        CubicWeights(inSize, outSize, index, out);
    } else {
        out->first = index;
        out->weights.assign(1, 1.0);
    }
}

// Rounds the cumulative sums, so the fixed-point weights sum to exactly 1 << scaleBits and
// each is within one unit of its real value.
void AppendFixedWeights(const RealWeights& real, int scaleBits, std::vector<int16_t>* out)
{
    const double scale = std::ldexp(1.0, scaleBits);
    double cumulative = 0.0;
    int64_t previous = 0;
    for (size_t k = 0; k < real.weights.size(); ++k) {
        cumulative += real.weights[k];
        const int64_t rounded = k + 1 == real.weights.size() ? (int64_t{1} << scaleBits)
                                                             : std::llround(cumulative * scale);
        out->push_back(static_cast<int16_t>(rounded - previous));
        previous = rounded;
    }
}

// Whether a table's weights fit the 16-bit multipliers and every sum a pass forms — weights
// times values up to maxValue, plus the rounding term — fits 32 bits.
bool FitsPass(const AxisWeights& axis, int32_t maxValue, int roundingBits)
{
    for (size_t i = 0; i < axis.taps.size(); ++i) {
        int64_t absoluteSum = 0;
        for (uint32_t k = 0; k < axis.taps[i]; ++k) {
            absoluteSum += std::abs(int32_t{axis.weights[axis.offset[i] + k]});
        }
        if (absoluteSum * maxValue + (int64_t{1} << roundingBits) > kInt32Max) {
            return false;
        }
    }
    return true;
}

// Upper bound of the bytes a table for this axis and its scratch take, checked against the
// allocation limit before anything is built. Area averaging puts each source index in at most
// two outputs; the cubic has at most four taps.
uint64_t AxisTableBytes(uint32_t inSize, uint32_t outSize)
{
    const uint64_t taps = outSize < inSize ? uint64_t{inSize} + 2 * uint64_t{outSize} : 4 * uint64_t{outSize};
    const uint64_t realScratch = (uint64_t{inSize} / outSize + 4) * sizeof(double);
    return taps * (sizeof(int16_t) + sizeof(uint32_t)) + uint64_t{outSize} * 3 * sizeof(uint32_t) + realScratch;
}

AxisWeights BuildAtScale(uint32_t inSize, uint32_t outSize, int scaleBits)
{
    AxisWeights axis;
    axis.scaleBits = scaleBits;
    axis.first.resize(outSize);
    axis.taps.resize(outSize);
    axis.offset.resize(outSize);
    RealWeights real;
    for (uint32_t i = 0; i < outSize; ++i) {
        RealWeightsFor(inSize, outSize, i, &real);
        axis.first[i] = real.first;
        axis.taps[i] = static_cast<uint32_t>(real.weights.size());
        axis.offset[i] = static_cast<uint32_t>(axis.weights.size());
        axis.maxTaps = std::max(axis.maxTaps, axis.taps[i]);
        AppendFixedWeights(real, scaleBits, &axis.weights);
    }
    return axis;
}

// The finest scale (at most maxScaleBits) whose table fits the pass. The largest real weight
// gives the first candidate; rounding can push a weight or a sum over, hence the check.
AxisWeights BuildAxisWeights(uint32_t inSize, uint32_t outSize, int maxScaleBits, int32_t maxValue,
                             int roundingBitsAboveScale)
{
    RealWeights real;
    double maxWeight = 0.0;
    for (uint32_t i = 0; i < outSize; ++i) {
        RealWeightsFor(inSize, outSize, i, &real);
        for (double w : real.weights) {
            maxWeight = std::max(maxWeight, std::fabs(w));
        }
    }
    int scaleBits = maxScaleBits;
    while (scaleBits > kMinScaleBits && std::ldexp(maxWeight, scaleBits) + 1.0 > 32767.0) {
        --scaleBits;
    }
    for (;; --scaleBits) {
        AxisWeights axis = BuildAtScale(inSize, outSize, scaleBits);
        if (scaleBits <= kMinScaleBits || FitsPass(axis, maxValue, scaleBits + roundingBitsAboveScale)) {
            return axis;
        }
    }
}

// The horizontal pass reads two source pixels per step; their two weights are packed into one
// 32-bit word (low half for the first pixel), and an odd tap count gets a zero partner.
struct HorizontalTable {
    std::vector<uint32_t> firstValue;   // index of the first pixel's red value in the row
    std::vector<uint32_t> pairs;
    std::vector<uint32_t> offset;
    std::vector<uint32_t> packedWeights;
    int scaleBits = 0;
};

HorizontalTable PackHorizontal(const AxisWeights& axis)
{
    HorizontalTable table;
    const size_t outSize = axis.first.size();
    table.firstValue.resize(outSize);
    table.pairs.resize(outSize);
    table.offset.resize(outSize);
    table.packedWeights.reserve(axis.weights.size() / 2 + outSize);
    table.scaleBits = axis.scaleBits;
    for (size_t i = 0; i < outSize; ++i) {
        table.firstValue[i] = axis.first[i] * kChannels;
        table.pairs[i] = (axis.taps[i] + 1) / 2;
        table.offset[i] = static_cast<uint32_t>(table.packedWeights.size());
        const int16_t* w = axis.weights.data() + axis.offset[i];
        for (uint32_t k = 0; k < axis.taps[i]; k += 2) {
            const uint16_t low = static_cast<uint16_t>(w[k]);
            const uint16_t high = k + 1 < axis.taps[i] ? static_cast<uint16_t>(w[k + 1]) : 0;
            table.packedWeights.push_back(low | (uint32_t{high} << 16));
        }
    }
    return table;
}

// ---- Passes --------------------------------------------------------------------------------

int32_t RoundingShift(int32_t value, int shift)
{
    return (value + (int32_t{1} << (shift - 1))) >> shift;
}

// One output row's worth of the vertical pass: `rows[k]` weighted by `weights[k]`, for
// `length` bytes, into the 16-bit row (7 fraction bits, clamped).
void VerticalPass(const uint8_t* const* rows, const int16_t* weights, uint32_t taps, int scaleBits,
                  uint32_t length, int16_t* out)
{
    const int shift = scaleBits - kRowFractionBits;
    uint32_t x = 0;
#if defined(ZV_RESIZE_SSE2)
    const __m128i zero = _mm_setzero_si128();
    const __m128i rounding = _mm_set1_epi32(int32_t{1} << (shift - 1));
    const __m128i shiftCount = _mm_cvtsi32_si128(shift);
    const __m128i rowMax = _mm_set1_epi16(static_cast<int16_t>(kRowMax));
    for (; x + 16 <= length; x += 16) {
        __m128i sum0 = zero;
        __m128i sum1 = zero;
        __m128i sum2 = zero;
        __m128i sum3 = zero;
        for (uint32_t k = 0; k < taps; k += 2) {
            // Two rows at once: their values interleaved meet the two weights in one multiply-add.
            const bool paired = k + 1 < taps;
            const uint32_t secondWeight = paired ? static_cast<uint16_t>(weights[k + 1]) : 0;
            const __m128i pair = _mm_set1_epi32(static_cast<int32_t>(static_cast<uint16_t>(weights[k]) | (secondWeight << 16)));
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + x));
            const __m128i b = paired ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + x)) : zero;
            const __m128i aLow = _mm_unpacklo_epi8(a, zero);
            const __m128i aHigh = _mm_unpackhi_epi8(a, zero);
            const __m128i bLow = _mm_unpacklo_epi8(b, zero);
            const __m128i bHigh = _mm_unpackhi_epi8(b, zero);
            sum0 = _mm_add_epi32(sum0, _mm_madd_epi16(_mm_unpacklo_epi16(aLow, bLow), pair));
            sum1 = _mm_add_epi32(sum1, _mm_madd_epi16(_mm_unpackhi_epi16(aLow, bLow), pair));
            sum2 = _mm_add_epi32(sum2, _mm_madd_epi16(_mm_unpacklo_epi16(aHigh, bHigh), pair));
            sum3 = _mm_add_epi32(sum3, _mm_madd_epi16(_mm_unpackhi_epi16(aHigh, bHigh), pair));
        }
        sum0 = _mm_sra_epi32(_mm_add_epi32(sum0, rounding), shiftCount);
        sum1 = _mm_sra_epi32(_mm_add_epi32(sum1, rounding), shiftCount);
        sum2 = _mm_sra_epi32(_mm_add_epi32(sum2, rounding), shiftCount);
        sum3 = _mm_sra_epi32(_mm_add_epi32(sum3, rounding), shiftCount);
        const __m128i low = _mm_min_epi16(_mm_max_epi16(_mm_packs_epi32(sum0, sum1), zero), rowMax);
        const __m128i high = _mm_min_epi16(_mm_max_epi16(_mm_packs_epi32(sum2, sum3), zero), rowMax);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 8), high);
    }
#endif
    for (; x < length; ++x) {
        int32_t sum = 0;
        for (uint32_t k = 0; k < taps; ++k) {
            sum += int32_t{weights[k]} * rows[k][x];
        }
        out[x] = static_cast<int16_t>(std::clamp(RoundingShift(sum, shift), 0, kRowMax));
    }
}

// The horizontal pass over one 16-bit row (padded with zeros) into one output row.
void HorizontalPass(const int16_t* row, const HorizontalTable& table, uint32_t outWidth, uint8_t* out)
{
    const int shift = table.scaleBits + kRowFractionBits;
#if defined(ZV_RESIZE_SSE2)
    const __m128i rounding = _mm_set1_epi32(int32_t{1} << (shift - 1));
    const __m128i shiftCount = _mm_cvtsi32_si128(shift);
    for (uint32_t i = 0; i < outWidth; ++i) {
        const int16_t* p = row + table.firstValue[i];
        const uint32_t* w = table.packedWeights.data() + table.offset[i];
        __m128i sum = _mm_setzero_si128();
        for (uint32_t k = 0; k < table.pairs[i]; ++k, p += 2 * kChannels) {
            // R0 G0 B0 R1 G1 B1 .. -> R0 R1 G0 G1 B0 B1 .., then one multiply-add per channel.
            const __m128i values = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i paired = _mm_unpacklo_epi16(values, _mm_srli_si128(values, 6));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(paired, _mm_set1_epi32(static_cast<int32_t>(w[k]))));
        }
        sum = _mm_sra_epi32(_mm_add_epi32(sum, rounding), shiftCount);
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(sum, sum), sum);
        const uint32_t rgb = static_cast<uint32_t>(_mm_cvtsi128_si32(bytes));
        out[kChannels * i + 0] = static_cast<uint8_t>(rgb);
        out[kChannels * i + 1] = static_cast<uint8_t>(rgb >> 8);
        out[kChannels * i + 2] = static_cast<uint8_t>(rgb >> 16);
    }
#else
    for (uint32_t i = 0; i < outWidth; ++i) {
        const int16_t* p = row + table.firstValue[i];
        const uint32_t* w = table.packedWeights.data() + table.offset[i];
        int32_t sum[kChannels] = {0, 0, 0};
        for (uint32_t k = 0; k < table.pairs[i]; ++k, p += 2 * kChannels) {
            const int32_t low = static_cast<int16_t>(w[k] & 0xFFFF);
            const int32_t high = static_cast<int16_t>(w[k] >> 16);
            for (uint32_t c = 0; c < kChannels; ++c) {
                sum[c] += low * p[c] + high * p[kChannels + c];
            }
        }
        for (uint32_t c = 0; c < kChannels; ++c) {
            out[kChannels * i + c] = static_cast<uint8_t>(std::clamp(RoundingShift(sum[c], shift), 0, 255));
        }
    }
#endif
}

struct Image {
    const uint8_t* pixels;
    uint32_t width;
    uint32_t height;
    uint32_t stride;
};

struct Target {
    uint8_t* pixels;
    uint32_t width;
    uint32_t height;
    uint32_t stride;
};

uint32_t Refuse(Problem problem)
{
    Fail(Format::Pixels, problem);
    return 0;
}

uint32_t CopyRows(const Image& in, const Target& out)
{
    for (uint32_t y = 0; y < out.height; ++y) {
        std::memcpy(out.pixels + uint64_t{y} * out.stride, in.pixels + uint64_t{y} * in.stride,
                    uint64_t{out.width} * kChannels);
    }
    return 1;
}

uint32_t ResizeHighQuality(const Image& in, const Target& out)
{
    if (in.width == out.width && in.height == out.height) {
        return CopyRows(in, out);
    }
    const uint64_t rowValues = uint64_t{in.width} * kChannels;
    const uint64_t temporaryBytes = AxisTableBytes(in.width, out.width) + AxisTableBytes(in.height, out.height) +
                                    (rowValues + kRowPadding) * sizeof(int16_t) +
                                    uint64_t{in.height} * sizeof(const uint8_t*);
    if (!platform::FitsAllocationLimit(temporaryBytes)) {
        return Refuse(Problem::TooLarge);
    }
    const AxisWeights vertical = BuildAxisWeights(in.height, out.height, kMaxVerticalScaleBits, 255, -kRowFractionBits - 1);
    const HorizontalTable horizontal =
        PackHorizontal(BuildAxisWeights(in.width, out.width, kMaxHorizontalScaleBits, kRowMax, kRowFractionBits - 1));
    std::vector<int16_t> row(rowValues + kRowPadding, 0);
    std::vector<const uint8_t*> sourceRows(vertical.maxTaps);

    for (uint32_t y = 0; y < out.height; ++y) {
        const uint32_t taps = vertical.taps[y];
        for (uint32_t k = 0; k < taps; ++k) {
            sourceRows[k] = in.pixels + uint64_t{vertical.first[y] + k} * in.stride;
        }
        VerticalPass(sourceRows.data(), vertical.weights.data() + vertical.offset[y], taps, vertical.scaleBits,
                     static_cast<uint32_t>(rowValues), row.data());
        HorizontalPass(row.data(), horizontal, out.width, out.pixels + uint64_t{y} * out.stride);
    }
    return 1;
}

// Pixel centres mapped into the source: source index floor((2 i + 1) n / 2 m).
uint32_t NearestIndex(uint32_t index, uint32_t inSize, uint32_t outSize)
{
    return static_cast<uint32_t>((2 * uint64_t{index} + 1) * inSize / (2 * uint64_t{outSize}));
}

uint32_t ResizeNearest(const Image& in, const Target& out)
{
    if (!platform::FitsAllocationLimit(uint64_t{out.width} * sizeof(uint32_t))) {
        return Refuse(Problem::TooLarge);
    }
    std::vector<uint32_t> sourceOffset(out.width);
    for (uint32_t x = 0; x < out.width; ++x) {
        sourceOffset[x] = NearestIndex(x, in.width, out.width) * kChannels;
    }
    for (uint32_t y = 0; y < out.height; ++y) {
        const uint8_t* source = in.pixels + uint64_t{NearestIndex(y, in.height, out.height)} * in.stride;
        uint8_t* target = out.pixels + uint64_t{y} * out.stride;
        for (uint32_t x = 0; x < out.width; ++x) {
            std::memcpy(target + kChannels * x, source + sourceOffset[x], kChannels);
        }
    }
    return 1;
}

bool ValidImage(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride)
{
    return pixels != nullptr && width != 0 && height != 0 && uint64_t{stride} >= uint64_t{width} * kChannels;
}

} // namespace
} // namespace zv::imaging

uint32_t IS40_ResizeImage(const uint8_t* input, uint32_t width, uint32_t height, uint32_t inRowStride,
                          uint8_t* output, uint32_t newWidth, uint32_t newHeight, uint32_t outRowStride,
                          uint32_t bytesPerPixel, uint32_t mode, uint32_t /*flags*/)
{
    using namespace zv::imaging;
    if (!ValidImage(input, width, height, inRowStride) || !ValidImage(output, newWidth, newHeight, outRowStride) ||
        bytesPerPixel != kChannels || (mode != kModeHighQuality && mode != kModeNearest)) {
        return Refuse(Problem::BadArgument);
    }
    const Image in{input, width, height, inRowStride};
    const Target out{output, newWidth, newHeight, outRowStride};
    try {
        return mode == kModeNearest ? ResizeNearest(in, out) : ResizeHighQuality(in, out);
    } catch (const std::bad_alloc&) {
        return Refuse(Problem::OutOfMemory);
    }
}
