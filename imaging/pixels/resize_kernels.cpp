#include "imaging/pixels/resize_kernels.h"

#include "imaging/core/cpu.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) && defined(__SSE2__)
#define ZV_RESIZE_X86 1
#include <immintrin.h>
#endif

namespace zv::imaging {
namespace {

constexpr size_t kChannels = 3;
constexpr int kHorizontalShift = kWeightBits - kRowFractionBits;
constexpr int kVerticalShift = kWeightBits + kRowFractionBits;

int32_t RoundShift(int32_t sum, int shift)
{
    return (sum + (int32_t{1} << (shift - 1))) >> shift;
}

// ---- Portable --------------------------------------------------------------------------------

void HorizontalPixel(const AxisFilter& axis, const uint8_t* row, size_t i, int16_t* out)
{
    const uint8_t* pixel = row + size_t{axis.first[i]} * kChannels;
    const int16_t* weights = axis.weights.data() + axis.offset[i];
    int32_t sums[kChannels] = {0, 0, 0};
    for (uint32_t k = 0; k < axis.taps[i]; ++k, pixel += kChannels) {
        for (size_t c = 0; c < kChannels; ++c) {
            sums[c] += int32_t{weights[k]} * pixel[c];
        }
    }
    for (size_t c = 0; c < kChannels; ++c) {
        const int32_t value = RoundShift(sums[c], kHorizontalShift);
        out[kChannels * i + c] = static_cast<int16_t>(std::clamp<int32_t>(value, 0, kRowMax));
    }
}

void HorizontalFrom(const AxisFilter& axis, const uint8_t* row, size_t from, int16_t* out)
{
    for (size_t i = from; i < axis.first.size(); ++i) {
        HorizontalPixel(axis, row, i, out);
    }
}

void HorizontalPortable(const AxisFilter& axis, const uint8_t* const* rows, int16_t* const* out, uint32_t count,
                        size_t /*rowBytes*/)
{
    for (uint32_t r = 0; r < count; ++r) {
        HorizontalFrom(axis, rows[r], 0, out[r]);
    }
}

void VerticalFrom(const int16_t* const* rows, const int16_t* weights, uint32_t taps, size_t from, size_t length,
                  uint8_t* out)
{
    for (size_t x = from; x < length; ++x) {
        int32_t sum = 0;
        for (uint32_t k = 0; k < taps; ++k) {
            sum += int32_t{weights[k]} * rows[k][x];
        }
        out[x] = static_cast<uint8_t>(std::clamp<int32_t>(RoundShift(sum, kVerticalShift), 0, 255));
    }
}

void VerticalPortable(const int16_t* const* rows, const int16_t* weights, uint32_t taps, size_t length, uint8_t* out)
{
    VerticalFrom(rows, weights, taps, 0, length, out);
}

#if defined(ZV_RESIZE_X86)

// Two taps' weights side by side in each 32-bit lane, for a multiply-add of two rows' values
// interleaved; an odd last tap gets a zero partner.
int32_t WeightPair(const int16_t* weights, uint32_t k, uint32_t taps)
{
    const uint32_t second = k + 1 < taps ? static_cast<uint16_t>(weights[k + 1]) : 0u;
    return static_cast<int32_t>(static_cast<uint16_t>(weights[k]) | (second << 16));
}

// ---- SSE2 ------------------------------------------------------------------------------------

// Two taps at once. The 8 bytes from the first tap's pixel, widened to 16 bits, are arranged
// as R0 R1 | G0 B0 | x x | B1 G1 (32-bit lanes) so that two multiply-adds with
//   forRedGreen: w0 w1 | w0 0 | 0 0 | 0 w1   ->  R0w0+R1w1, G0w0, 0, G1w1
//   forBlue:     0 0  | 0 w0 | 0 0 | w1 0   ->  0, B0w0, 0, B1w1
// keep the channels apart. The weights are arranged once for four rows.
struct TapPairSse2 {
    __m128i forRedGreen;
    __m128i forBlue;
};

TapPairSse2 TapPairWeightsSse2(const int16_t* weights)
{
    int32_t pair = 0;
    std::memcpy(&pair, weights, sizeof pair);
    // w0 w1 0 0 w0 w1 0 0
    const __m128i both = _mm_shuffle_epi32(_mm_cvtsi32_si128(pair), _MM_SHUFFLE(1, 0, 1, 0));
    const __m128i redGreen = _mm_shufflelo_epi16(both, _MM_SHUFFLE(2, 0, 1, 0));
    const __m128i blue = _mm_shufflelo_epi16(both, _MM_SHUFFLE(0, 2, 2, 2));
    return {_mm_shufflehi_epi16(redGreen, _MM_SHUFFLE(1, 2, 2, 2)), _mm_shufflehi_epi16(blue, _MM_SHUFFLE(2, 1, 2, 2))};
}

__m128i ArrangeTapPairSse2(const uint8_t* pixels)
{
    // R0 G0 B0 R1 | G1 B1 R2 G2  ->  R0 R1 G0 B0 | R2 G2 B1 G1
    const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixels));
    const __m128i values = _mm_unpacklo_epi8(bytes, _mm_setzero_si128());
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(values, _MM_SHUFFLE(2, 1, 3, 0)), _MM_SHUFFLE(0, 1, 3, 2));
}

struct PixelSumsSse2 {
    __m128i redGreen = _mm_setzero_si128();
    __m128i blue = _mm_setzero_si128();

    void Add(const uint8_t* pixels, const TapPairSse2& weights)
    {
        const __m128i values = ArrangeTapPairSse2(pixels);
        redGreen = _mm_add_epi32(redGreen, _mm_madd_epi16(values, weights.forRedGreen));
        blue = _mm_add_epi32(blue, _mm_madd_epi16(values, weights.forBlue));
    }

    // R G B x as 16-bit values, rounded and clamped to the row's range.
    __m128i Finish() const
    {
        const __m128i rounding = _mm_set1_epi32(int32_t{1} << (kHorizontalShift - 1));
        const __m128i redGreenSum = _mm_add_epi32(redGreen, _mm_srli_si128(redGreen, 8));  // R G . .
        const __m128i blueSum = _mm_add_epi32(blue, _mm_srli_si128(blue, 8));              // . B . .
        const __m128i sums = _mm_add_epi32(redGreenSum, _mm_slli_si128(blueSum, 4));
        const __m128i shifted = _mm_srai_epi32(_mm_add_epi32(sums, rounding), kHorizontalShift);
        const __m128i packed = _mm_packs_epi32(shifted, shifted);
        return _mm_min_epi16(_mm_max_epi16(packed, _mm_setzero_si128()), _mm_set1_epi16(kRowMax));
    }
};

// Four rows through the same weights. Returns the first output pixel not done: the rest would
// read past the rows' end.
size_t HorizontalRowsSse2(const AxisFilter& axis, const uint8_t* const* rows, int16_t* const* out, size_t rowBytes)
{
    size_t i = 0;
    for (; i < axis.first.size(); ++i) {
        const size_t start = size_t{axis.first[i]} * kChannels;
        const uint32_t pairs = (axis.taps[i] + 1) / 2;
        if (start + 2 * kChannels * pairs + 2 > rowBytes) {
            break;
        }
        const int16_t* weights = axis.weights.data() + axis.offset[i];
        PixelSumsSse2 sums[kRowsAtOnce];
        for (uint32_t k = 0; k < pairs; ++k) {
            const TapPairSse2 pairWeights = TapPairWeightsSse2(weights + 2 * k);
            const size_t at = start + 2 * kChannels * k;
            for (size_t r = 0; r < kRowsAtOnce; ++r) {
                sums[r].Add(rows[r] + at, pairWeights);
            }
        }
        for (size_t r = 0; r < kRowsAtOnce; ++r) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out[r] + kChannels * i), sums[r].Finish());
        }
    }
    return i;
}

// Fewer rows than four go through as four, the last repeated.
void HorizontalSse2(const AxisFilter& axis, const uint8_t* const* rows, int16_t* const* out, uint32_t count,
                    size_t rowBytes)
{
    const uint8_t* fourRows[kRowsAtOnce];
    int16_t* fourOut[kRowsAtOnce];
    for (uint32_t r = 0; r < kRowsAtOnce; ++r) {
        fourRows[r] = rows[std::min(r, count - 1)];
        fourOut[r] = out[std::min(r, count - 1)];
    }
    const size_t done = HorizontalRowsSse2(axis, fourRows, fourOut, rowBytes);
    for (uint32_t r = 0; r < count; ++r) {
        HorizontalFrom(axis, rows[r], done, out[r]);
    }
}

// Rounds the sums of 4 + 4 values back to bytes; the pack saturates far outside 0 … 255, which
// the byte pack clamps anyway.
__m128i VerticalRoundSse2(__m128i low, __m128i high)
{
    const __m128i rounding = _mm_set1_epi32(int32_t{1} << (kVerticalShift - 1));
    low = _mm_srai_epi32(_mm_add_epi32(low, rounding), kVerticalShift);
    high = _mm_srai_epi32(_mm_add_epi32(high, rounding), kVerticalShift);
    return _mm_packs_epi32(low, high);
}

void VerticalSse2(const int16_t* const* rows, const int16_t* weights, uint32_t taps, size_t length, uint8_t* out)
{
    size_t x = 0;
    for (; x + 16 <= length; x += 16) {
        __m128i sums[4] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128()};
        for (uint32_t k = 0; k < taps; k += 2) {
            const __m128i pair = _mm_set1_epi32(WeightPair(weights, k, taps));
            const int16_t* second = k + 1 < taps ? rows[k + 1] : rows[k];
            for (size_t half = 0; half < 2; ++half) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + x + 8 * half));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(second + x + 8 * half));
                sums[2 * half] = _mm_add_epi32(sums[2 * half], _mm_madd_epi16(_mm_unpacklo_epi16(a, b), pair));
                sums[2 * half + 1] = _mm_add_epi32(sums[2 * half + 1], _mm_madd_epi16(_mm_unpackhi_epi16(a, b), pair));
            }
        }
        const __m128i bytes =
            _mm_packus_epi16(VerticalRoundSse2(sums[0], sums[1]), VerticalRoundSse2(sums[2], sums[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), bytes);
    }
    VerticalFrom(rows, weights, taps, x, length, out);
}

// ---- AVX2 ------------------------------------------------------------------------------------

#define ZV_AVX2 __attribute__((target("avx2")))

// Four taps at once. The 16 bytes from a group's first pixel, in both halves of a register,
// are spread to 16-bit values: the low half holds the four reds then the four greens, the
// high half the four blues then zeros. The four weights, repeated, meet them in one
// multiply-add: 32-bit lanes R01 R23 G01 G23 | B01 B23 0 0.
ZV_AVX2 __m256i SpreadGroupAvx2(const uint8_t* pixels)
{
    const __m256i spread = _mm256_setr_epi8(0, -1, 3, -1, 6, -1, 9, -1, 1, -1, 4, -1, 7, -1, 10, -1,  //
                                            2, -1, 5, -1, 8, -1, 11, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
    return _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(bytes), spread);
}

ZV_AVX2 __m256i GroupWeightsAvx2(const int16_t* weights)
{
    int64_t four = 0;
    std::memcpy(&four, weights, sizeof four);
    return _mm256_set1_epi64x(four);
}

// The sums of rows A and B become 16-bit values R G B x | R G B x (A in the low half).
ZV_AVX2 __m256i FinishPixelPairAvx2(__m256i sumA, __m256i sumB)
{
    const __m256i order = _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7);
    const __m256i rounding = _mm256_set1_epi32(int32_t{1} << (kHorizontalShift - 1));
    // hadd: RA GA RB GB | BA 0 BB 0; the permutation: RA GA BA 0 | RB GB BB 0.
    const __m256i pixels = _mm256_permutevar8x32_epi32(_mm256_hadd_epi32(sumA, sumB), order);
    const __m256i shifted = _mm256_srai_epi32(_mm256_add_epi32(pixels, rounding), kHorizontalShift);
    const __m256i packed = _mm256_packs_epi32(shifted, shifted);
    return _mm256_min_epi16(_mm256_max_epi16(packed, _mm256_setzero_si256()), _mm256_set1_epi16(kRowMax));
}

ZV_AVX2 void StorePixelPairAvx2(__m256i pixels, int16_t* outA, int16_t* outB)
{
    _mm_storel_epi64(reinterpret_cast<__m128i*>(outA), _mm256_castsi256_si128(pixels));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(outB), _mm256_extracti128_si256(pixels, 1));
}

// Four rows through the same weights, which are loaded once for all four. Returns the first
// output pixel not done: the rest would read past the rows' end.
ZV_AVX2 size_t HorizontalRowsAvx2(const AxisFilter& axis, const uint8_t* const* rowsIn, int16_t* const* outIn,
                                  size_t rowBytes)
{
    const uint8_t* rows[kRowsAtOnce];
    int16_t* out[kRowsAtOnce];
    for (size_t r = 0; r < kRowsAtOnce; ++r) {
        rows[r] = rowsIn[r];
        out[r] = outIn[r];
    }
    size_t i = 0;
    for (; i < axis.first.size(); ++i) {
        const size_t start = size_t{axis.first[i]} * kChannels;
        const uint32_t groups = (axis.taps[i] + kTapGroup - 1) / kTapGroup;
        if (start + kChannels * kTapGroup * groups + 4 > rowBytes) {
            break;
        }
        const int16_t* weights = axis.weights.data() + axis.offset[i];
        // Named sums: an array of them makes g++ copy every sum once per group.
        __m256i sum0 = _mm256_setzero_si256();
        __m256i sum1 = sum0;
        __m256i sum2 = sum0;
        __m256i sum3 = sum0;
        for (uint32_t g = 0; g < groups; ++g) {
            const __m256i groupWeights = GroupWeightsAvx2(weights + kTapGroup * g);
            const size_t at = start + kChannels * kTapGroup * g;
            sum0 = _mm256_add_epi32(sum0, _mm256_madd_epi16(SpreadGroupAvx2(rows[0] + at), groupWeights));
            sum1 = _mm256_add_epi32(sum1, _mm256_madd_epi16(SpreadGroupAvx2(rows[1] + at), groupWeights));
            sum2 = _mm256_add_epi32(sum2, _mm256_madd_epi16(SpreadGroupAvx2(rows[2] + at), groupWeights));
            sum3 = _mm256_add_epi32(sum3, _mm256_madd_epi16(SpreadGroupAvx2(rows[3] + at), groupWeights));
        }
        StorePixelPairAvx2(FinishPixelPairAvx2(sum0, sum1), out[0] + kChannels * i, out[1] + kChannels * i);
        StorePixelPairAvx2(FinishPixelPairAvx2(sum2, sum3), out[2] + kChannels * i, out[3] + kChannels * i);
    }
    return i;
}

ZV_AVX2 void HorizontalAvx2(const AxisFilter& axis, const uint8_t* const* rows, int16_t* const* out, uint32_t count,
                            size_t rowBytes)
{
    // Fewer rows go through as four, the last repeated.
    const uint8_t* fourRows[kRowsAtOnce];
    int16_t* fourOut[kRowsAtOnce];
    for (uint32_t r = 0; r < kRowsAtOnce; ++r) {
        fourRows[r] = rows[std::min(r, count - 1)];
        fourOut[r] = out[std::min(r, count - 1)];
    }
    const size_t done = HorizontalRowsAvx2(axis, fourRows, fourOut, rowBytes);
    for (uint32_t r = 0; r < count; ++r) {
        HorizontalFrom(axis, rows[r], done, out[r]);
    }
}

ZV_AVX2 __m256i VerticalRoundAvx2(__m256i low, __m256i high)
{
    const __m256i rounding = _mm256_set1_epi32(int32_t{1} << (kVerticalShift - 1));
    low = _mm256_srai_epi32(_mm256_add_epi32(low, rounding), kVerticalShift);
    high = _mm256_srai_epi32(_mm256_add_epi32(high, rounding), kVerticalShift);
    return _mm256_packs_epi32(low, high);  // within each half, undoes the unpacking's order
}

ZV_AVX2 void VerticalAvx2(const int16_t* const* rows, const int16_t* weights, uint32_t taps, size_t length,
                          uint8_t* out)
{
    size_t x = 0;
    for (; x + 32 <= length; x += 32) {
        __m256i sums[4] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256(),
                           _mm256_setzero_si256()};
        for (uint32_t k = 0; k < taps; k += 2) {
            const __m256i pair = _mm256_set1_epi32(WeightPair(weights, k, taps));
            const int16_t* second = k + 1 < taps ? rows[k + 1] : rows[k];
            for (size_t half = 0; half < 2; ++half) {
                const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k] + x + 16 * half));
                const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(second + x + 16 * half));
                sums[2 * half] = _mm256_add_epi32(sums[2 * half], _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), pair));
                sums[2 * half + 1] =
                    _mm256_add_epi32(sums[2 * half + 1], _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), pair));
            }
        }
        const __m256i bytes =
            _mm256_packus_epi16(VerticalRoundAvx2(sums[0], sums[1]), VerticalRoundAvx2(sums[2], sums[3]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), _mm256_permute4x64_epi64(bytes, 0xD8));
    }
    VerticalFrom(rows, weights, taps, x, length, out);
}

#endif // ZV_RESIZE_X86

} // namespace

ResizePasses PassesFor(ResizeCode code)
{
#if defined(ZV_RESIZE_X86)
    if (code == ResizeCode::Avx2 && ProcessorHasAvx2()) {
        return {HorizontalAvx2, VerticalAvx2};
    }
    if (code != ResizeCode::Portable) {
        return {HorizontalSse2, VerticalSse2};
    }
#else
    (void)code;
#endif
    return {HorizontalPortable, VerticalPortable};
}

} // namespace zv::imaging
