#include "imageproc/blur.h"

#include "imageproc/box_divisor.h"
#include "imaging/imaging.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zv::imageproc {
namespace {

constexpr size_t kChannels = 3;
constexpr double kSmallestAmount = 0.1;
constexpr int32_t kLargestRadiusWithFraction = 20;
constexpr double kSmallestFraction = 0.01;
constexpr uint32_t kGaussianFlags = 7;
// Stack space for the running sums of one strip of columns in the vertical pass. The pass
// walks the rows of a strip in order, so it streams through memory while needing no heap.
constexpr size_t kStripSumBytes = 16384;

// ---- Horizontal pass ---------------------------------------------------------------------

// An interior that leaves every pixel to the scalar loop.
struct ScalarInterior {
    template <typename Sum>
    size_t operator()(const uint8_t*, uint8_t*, size_t first, size_t, Sum*) const
    {
        return first;
    }
};

// Filters one row of `length` pixels from `in` to `out`. The three channels slide side by
// side, each with its own running sum; the samples beyond either end are the end samples.
// `interior` may take over any leading part of the pixels whose window lies inside the row
// and returns the first pixel it left.
template <typename Sum, typename Divisor, typename Interior>
void FilterRow(const uint8_t* in, uint8_t* out, size_t length, size_t radius, const Divisor& divide,
               const Interior& interior)
{
    const Sum bias = static_cast<Sum>(radius);
    Sum sum[kChannels];
    for (size_t c = 0; c < kChannels; ++c) {
        Sum start = static_cast<Sum>((radius + 1) * in[c]);
        for (size_t k = 1; k <= radius; ++k) {
            start += in[kChannels * k + c];
        }
        sum[c] = start;
        out[c] = static_cast<uint8_t>(divide(start + bias));
    }
    size_t x = 1;
    for (; x <= radius; ++x) {  // the window's back still hangs over the start
        const uint8_t* lead = in + kChannels * (x + radius);
        for (size_t c = 0; c < kChannels; ++c) {
            sum[c] = sum[c] + lead[c] - in[c];
            out[kChannels * x + c] = static_cast<uint8_t>(divide(sum[c] + bias));
        }
    }
    const size_t interiorEnd = length - radius;
    x = interior(in, out, x, interiorEnd, sum);
    for (; x < interiorEnd; ++x) {
        const uint8_t* lead = in + kChannels * (x + radius);
        const uint8_t* trail = in + kChannels * (x - radius - 1);
        for (size_t c = 0; c < kChannels; ++c) {
            sum[c] = sum[c] + lead[c] - trail[c];
            out[kChannels * x + c] = static_cast<uint8_t>(divide(sum[c] + bias));
        }
    }
    const uint8_t* last = in + kChannels * (length - 1);
    for (; x < length; ++x) {  // the window's front hangs over the end
        const uint8_t* trail = in + kChannels * (x - radius - 1);
        for (size_t c = 0; c < kChannels; ++c) {
            sum[c] = sum[c] + last[c] - trail[c];
            out[kChannels * x + c] = static_cast<uint8_t>(divide(sum[c] + bias));
        }
    }
}

template <typename Sum, typename Divisor, typename Interior>
void HorizontalPass(const uint8_t* in, uint8_t* out, size_t width, size_t height, size_t radius,
                    const Divisor& divide, const Interior& interior)
{
    const size_t stride = width * kChannels;
    for (size_t y = 0; y < height; ++y) {
        FilterRow<Sum>(in + y * stride, out + y * stride, width, radius, divide, interior);
    }
}

// ---- Vertical pass -----------------------------------------------------------------------

// Slides a strip's column sums down one row and writes that row: the columns' versions of
// the scalar step, one running sum per byte of the row.
template <typename SumType, typename Divisor>
struct ScalarColumns {
    using Sum = SumType;
    Divisor divide;
    Sum bias;

    void Slide(Sum* sums, const uint8_t* lead, const uint8_t* trail, uint8_t* out, size_t count) const
    {
        for (size_t j = 0; j < count; ++j) {
            const Sum sum = static_cast<Sum>(sums[j] + lead[j] - trail[j]);
            sums[j] = sum;
            out[j] = static_cast<uint8_t>(divide(sum + bias));
        }
    }
};

// Goes through the image in strips of columns and, within a strip, through the rows in
// order, keeping one running sum per byte column: every row is read as a contiguous run, so
// the pass streams through memory and the per-column work vectorizes.
template <typename Columns>
void VerticalPass(const uint8_t* in, uint8_t* out, size_t width, size_t height, size_t radius,
                  const Columns& columns)
{
    using Sum = typename Columns::Sum;
    constexpr size_t kStrip = kStripSumBytes / sizeof(Sum);
    alignas(64) Sum sums[kStrip];
    const size_t stride = width * kChannels;
    for (size_t begin = 0; begin < stride; begin += kStrip) {
        const size_t count = std::min(kStrip, stride - begin);
        const uint8_t* column = in + begin;
        uint8_t* target = out + begin;
        // The first row counts n + 1 times, standing for the rows above the image.
        for (size_t j = 0; j < count; ++j) {
            sums[j] = static_cast<Sum>((radius + 1) * column[j]);
        }
        for (size_t k = 1; k <= radius; ++k) {
            const uint8_t* row = column + k * stride;
            for (size_t j = 0; j < count; ++j) {
                sums[j] = static_cast<Sum>(sums[j] + row[j]);
            }
        }
        columns.Slide(sums, column, column, target, count);  // adds and drops nothing
        for (size_t y = 1; y < height; ++y) {
            const size_t lead = std::min(y + radius, height - 1);
            const size_t trail = y > radius ? y - radius - 1 : 0;
            columns.Slide(sums, column + lead * stride, column + trail * stride, target + y * stride,
                          count);
        }
    }
}

template <typename Sum, typename Divisor, typename Interior, typename Columns>
void BoxTwice(uint8_t* image, uint8_t* work, size_t width, size_t height, size_t radius,
              const Divisor& divide, const Interior& interior, const Columns& columns)
{
    for (int iteration = 0; iteration < 2; ++iteration) {
        HorizontalPass<Sum>(image, work, width, height, radius, divide, interior);
        VerticalPass(work, image, width, height, radius, columns);
    }
}

#if defined(__SSE2__)

// ---- SSE2 forms of the narrow (16-bit) and wide (32-bit) arithmetic ------------------------

__m128i LoadEight(const uint8_t* at)
{
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at)), _mm_setzero_si128());
}

struct NarrowVectors {
    __m128i multiplier;
    __m128i shift;
    __m128i bias;

    NarrowVectors(const NarrowDivisor& divide, size_t radius)
        : multiplier(_mm_set1_epi16(static_cast<int16_t>(divide.multiplier))),
          shift(_mm_cvtsi32_si128(divide.shift)),
          bias(_mm_set1_epi16(static_cast<int16_t>(radius)))
    {
    }

    __m128i Divide(__m128i sums) const
    {
        return _mm_srl_epi16(_mm_mulhi_epu16(_mm_add_epi16(sums, bias), multiplier), shift);
    }
};

// The interior of a row, eight bytes at a time. The eight byte-differences (lead − trail) of
// a step are turned into running sums with a prefix sum over every third lane (the three
// channels interleave), plus the sums that the previous step ended with for each channel.
struct NarrowInteriorSse2 {
    NarrowDivisor divide;
    size_t radius;

    size_t operator()(const uint8_t* in, uint8_t* out, size_t x, size_t end, uint32_t* sum) const
    {
        if (x + 8 > end) {
            return x;
        }
        const NarrowVectors vectors(divide, radius);
        const size_t reach = kChannels * radius;
        // Lanes 5, 6 and 7 carry the sums of the last pixel done, channels 0, 1 and 2.
        __m128i carry = _mm_set_epi16(static_cast<int16_t>(sum[2]), static_cast<int16_t>(sum[1]),
                                      static_cast<int16_t>(sum[0]), 0, 0, 0, 0, 0);
        for (; x + 8 <= end; x += 8) {  // 8 pixels = 24 bytes = 3 steps, ending on a pixel
            const uint8_t* at = in + kChannels * x;
            const __m128i first = SlideEight(at, reach, carry);
            const __m128i second = SlideEight(at + 8, reach, first);
            carry = SlideEight(at + 16, reach, second);
            uint8_t* target = out + kChannels * x;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target),
                             _mm_packus_epi16(vectors.Divide(first), vectors.Divide(second)));
            const __m128i third = vectors.Divide(carry);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(target + 16), _mm_packus_epi16(third, third));
        }
        sum[0] = static_cast<uint32_t>(_mm_extract_epi16(carry, 5));
        sum[1] = static_cast<uint32_t>(_mm_extract_epi16(carry, 6));
        sum[2] = static_cast<uint32_t>(_mm_extract_epi16(carry, 7));
        return x;
    }

    static __m128i SlideEight(const uint8_t* at, size_t reach, __m128i carry)
    {
        __m128i step = _mm_sub_epi16(LoadEight(at + reach), LoadEight(at - reach - kChannels));
        step = _mm_add_epi16(step, _mm_slli_si128(step, 6));   // + the lane 3 back
        step = _mm_add_epi16(step, _mm_slli_si128(step, 12));  // + the lanes 6 and 9 back
        // Lane i continues from lane 5 + i mod 3 of the previous step.
        const __m128i low = _mm_shufflehi_epi16(carry, _MM_SHUFFLE(1, 3, 2, 1));   // 5 6 7 5
        const __m128i high = _mm_shufflehi_epi16(carry, _MM_SHUFFLE(2, 1, 3, 2));  // 6 7 5 6
        return _mm_add_epi16(step, _mm_unpackhi_epi64(low, high));
    }
};

struct NarrowColumnsSse2 {
    using Sum = uint16_t;
    NarrowDivisor divide;
    size_t radius;

    void Slide(uint16_t* sums, const uint8_t* lead, const uint8_t* trail, uint8_t* out, size_t count) const
    {
        const NarrowVectors vectors(divide, radius);
        const __m128i zero = _mm_setzero_si128();
        size_t j = 0;
        for (; j + 16 <= count; j += 16) {
            const __m128i add = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lead + j));
            const __m128i drop = _mm_loadu_si128(reinterpret_cast<const __m128i*>(trail + j));
            __m128i* at = reinterpret_cast<__m128i*>(sums + j);
            const __m128i low = _mm_sub_epi16(_mm_add_epi16(_mm_load_si128(at), _mm_unpacklo_epi8(add, zero)),
                                              _mm_unpacklo_epi8(drop, zero));
            const __m128i high = _mm_sub_epi16(_mm_add_epi16(_mm_load_si128(at + 1), _mm_unpackhi_epi8(add, zero)),
                                               _mm_unpackhi_epi8(drop, zero));
            _mm_store_si128(at, low);
            _mm_store_si128(at + 1, high);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j),
                             _mm_packus_epi16(vectors.Divide(low), vectors.Divide(high)));
        }
        const ScalarColumns<uint16_t, NarrowDivisor> rest{divide, static_cast<uint16_t>(radius)};
        rest.Slide(sums + j, lead + j, trail + j, out + j, count - j);
    }
};

struct WideColumnsSse2 {
    using Sum = uint32_t;
    WideDivisor divide;
    size_t radius;

    void Slide(uint32_t* sums, const uint8_t* lead, const uint8_t* trail, uint8_t* out, size_t count) const
    {
        const __m128i zero = _mm_setzero_si128();
        const __m128i multiplier = _mm_set1_epi32(static_cast<int32_t>(divide.multiplier));
        const __m128i shift = _mm_cvtsi32_si128(static_cast<int32_t>(divide.shift));
        const __m128i bias = _mm_set1_epi32(static_cast<int32_t>(radius));
        size_t j = 0;
        for (; j + 16 <= count; j += 16) {
            const __m128i add = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lead + j));
            const __m128i drop = _mm_loadu_si128(reinterpret_cast<const __m128i*>(trail + j));
            const __m128i addHalves[2] = {_mm_unpacklo_epi8(add, zero), _mm_unpackhi_epi8(add, zero)};
            const __m128i dropHalves[2] = {_mm_unpacklo_epi8(drop, zero), _mm_unpackhi_epi8(drop, zero)};
            __m128i quotients[4];
            for (int quarter = 0; quarter < 4; ++quarter) {
                const __m128i addHalf = addHalves[quarter / 2];
                const __m128i dropHalf = dropHalves[quarter / 2];
                const __m128i added = quarter % 2 == 0 ? _mm_unpacklo_epi16(addHalf, zero) : _mm_unpackhi_epi16(addHalf, zero);
                const __m128i dropped = quarter % 2 == 0 ? _mm_unpacklo_epi16(dropHalf, zero) : _mm_unpackhi_epi16(dropHalf, zero);
                __m128i* at = reinterpret_cast<__m128i*>(sums + j) + quarter;
                const __m128i sum = _mm_sub_epi32(_mm_add_epi32(_mm_load_si128(at), added), dropped);
                _mm_store_si128(at, sum);
                quotients[quarter] = Divide(_mm_add_epi32(sum, bias), multiplier, shift);
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j),
                             _mm_packus_epi16(_mm_packs_epi32(quotients[0], quotients[1]),
                                              _mm_packs_epi32(quotients[2], quotients[3])));
        }
        const ScalarColumns<uint32_t, WideDivisor> rest{divide, static_cast<uint32_t>(radius)};
        rest.Slide(sums + j, lead + j, trail + j, out + j, count - j);
    }

    // Four 32-bit quotients through two 32×32→64 multiplies (even and odd lanes).
    static __m128i Divide(__m128i x, __m128i multiplier, __m128i shift)
    {
        const __m128i even = _mm_srl_epi64(_mm_mul_epu32(x, multiplier), shift);
        const __m128i odd = _mm_srl_epi64(_mm_mul_epu32(_mm_srli_epi64(x, 32), multiplier), shift);
        return _mm_or_si128(even, _mm_slli_epi64(odd, 32));
    }
};

void NarrowBoxTwice(uint8_t* image, uint8_t* work, size_t width, size_t height, size_t radius,
                    const NarrowDivisor& divide)
{
    BoxTwice<uint32_t>(image, work, width, height, radius, divide, NarrowInteriorSse2{divide, radius},
                       NarrowColumnsSse2{divide, radius});
}

void WideBoxTwice(uint8_t* image, uint8_t* work, size_t width, size_t height, size_t radius,
                  const WideDivisor& divide)
{
    BoxTwice<uint32_t>(image, work, width, height, radius, divide, ScalarInterior{},
                       WideColumnsSse2{divide, radius});
}

#else

void NarrowBoxTwice(uint8_t* image, uint8_t* work, size_t width, size_t height, size_t radius,
                    const NarrowDivisor& divide)
{
    BoxTwice<uint32_t>(image, work, width, height, radius, divide, ScalarInterior{},
                       ScalarColumns<uint16_t, NarrowDivisor>{divide, static_cast<uint16_t>(radius)});
}

void WideBoxTwice(uint8_t* image, uint8_t* work, size_t width, size_t height, size_t radius,
                  const WideDivisor& divide)
{
    BoxTwice<uint32_t>(image, work, width, height, radius, divide, ScalarInterior{},
                       ScalarColumns<uint32_t, WideDivisor>{divide, static_cast<uint32_t>(radius)});
}

#endif

void PlainBoxTwice(uint8_t* image, uint8_t* work, size_t width, size_t height, size_t radius)
{
    const PlainDivisor divide = PlainDivisor::For(radius);
    BoxTwice<uint64_t>(image, work, width, height, radius, divide, ScalarInterior{},
                       ScalarColumns<uint64_t, PlainDivisor>{divide, radius});
}

} // namespace

BlurSplit SplitBlurAmount(double amount, int32_t width, int32_t height)
{
    // Truncating in floating point gives the same value as through an integer wherever that
    // is defined, and stays defined for amounts no integer holds.
    double kept = std::trunc(amount * 10.0) * 0.1;
    if (!(kept >= kSmallestAmount)) {  // not a number counts as too small
        kept = kSmallestAmount;
    }
    const int32_t widthCap = width / 4;
    if (kept > widthCap) {
        kept = widthCap;
    }
    const int32_t heightCap = height / 4;
    if (kept > heightCap) {
        kept = heightCap;
    }
    BlurSplit split;
    split.radius = static_cast<int32_t>(kept);
    split.fraction = split.radius > kLargestRadiusWithFraction ? 0.0 : kept - split.radius;
    return split;
}

BoxArithmetic FastestBoxArithmetic(uint32_t radius)
{
    if (NarrowDivisor::For(radius)) {
        return BoxArithmetic::Narrow;
    }
    if (WideDivisor::For(radius)) {
        return BoxArithmetic::Wide;
    }
    return BoxArithmetic::Plain;
}

bool BoxBlurTwice(uint8_t* image, uint8_t* work, size_t width, size_t height, uint32_t radius,
                  BoxArithmetic arithmetic)
{
    if (radius < 1 || width / 4 < radius || height / 4 < radius) {
        return false;
    }
    switch (arithmetic) {
    case BoxArithmetic::Narrow:
        if (const auto divide = NarrowDivisor::For(radius)) {
            NarrowBoxTwice(image, work, width, height, radius, *divide);
            return true;
        }
        return false;
    case BoxArithmetic::Wide:
        if (const auto divide = WideDivisor::For(radius)) {
            WideBoxTwice(image, work, width, height, radius, *divide);
            return true;
        }
        return false;
    case BoxArithmetic::Plain:
        PlainBoxTwice(image, work, width, height, radius);
        return true;
    }
    return false;
}

int32_t BlurGaussian(uint8_t* image, int32_t width, int32_t height, double amount, uint8_t* work)
{
    const BlurSplit split = SplitBlurAmount(amount, width, height);
    if (split.radius >= 1) {
        const auto radius = static_cast<uint32_t>(split.radius);
        BoxBlurTwice(image, work, static_cast<size_t>(width), static_cast<size_t>(height), radius,
                     FastestBoxArithmetic(radius));
    }
    if (!(split.fraction > kSmallestFraction)) {
        return 0;
    }
    // A fraction is left only when neither cap applied, so both sizes are at least 4.
    const uint32_t rowBytes = static_cast<uint32_t>(width) * kChannels;
    return static_cast<int32_t>(IS40_GaussianBlurImage(image, static_cast<uint32_t>(width),
                                                       static_cast<uint32_t>(height), kChannels,
                                                       rowBytes, work, rowBytes, split.fraction,
                                                       kGaussianFlags));
}

} // namespace zv::imageproc
