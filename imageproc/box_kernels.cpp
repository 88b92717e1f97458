#include "imageproc/box_kernels.h"

#include "imaging/core/cpu.h"

#if defined(__x86_64__) && defined(__SSE2__)
#define ZV_BOX_X86 1
#include <immintrin.h>
#endif

namespace zv::imageproc {
namespace box {
namespace {

constexpr size_t kChannels = 3;

size_t NoRowInterior(const uint8_t*, uint8_t*, size_t x, size_t, size_t, NarrowDivisor, uint32_t*)
{
    return x;
}

size_t NoNarrowSlide(uint16_t*, const uint8_t*, const uint8_t*, uint8_t*, size_t, size_t, NarrowDivisor)
{
    return 0;
}

size_t NoWideSlide(uint32_t*, const uint8_t*, const uint8_t*, uint8_t*, size_t, size_t, WideDivisor)
{
    return 0;
}

#if defined(ZV_BOX_X86)

// ---- SSE2 ------------------------------------------------------------------------------------
//
// The horizontal pass works on eight bytes at a time in 16-bit lanes. Its eight differences
// (lead − trail) become running sums through a prefix sum over every third lane (the three
// channels interleave) plus, per lane, the sum that the previous eight bytes ended with for
// the same channel: lane i continues lane 5 + i mod 3 of the previous step. Sums below 2^16
// are exact in 16-bit lanes even though the differences wrap.

__m128i WidenEight(const uint8_t* at)
{
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at)), _mm_setzero_si128());
}

__m128i ContinueFrom(__m128i previous)
{
    const __m128i low = _mm_shufflehi_epi16(previous, _MM_SHUFFLE(1, 3, 2, 1));   // lanes 5 6 7 5
    const __m128i high = _mm_shufflehi_epi16(previous, _MM_SHUFFLE(2, 1, 3, 2));  // lanes 6 7 5 6
    return _mm_unpackhi_epi64(low, high);
}

__m128i RunningSums(__m128i differences, __m128i previous)
{
    differences = _mm_add_epi16(differences, _mm_slli_si128(differences, 6));   // + the lane 3 back
    differences = _mm_add_epi16(differences, _mm_slli_si128(differences, 12));  // + lanes 6 and 9 back
    return _mm_add_epi16(differences, ContinueFrom(previous));
}

struct NarrowSse2 {
    __m128i multiplier;
    __m128i shift;
    __m128i bias;

    NarrowSse2(const NarrowDivisor& divide, size_t radius)
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

// Lanes 5, 6 and 7 hold channels 0, 1 and 2 of the last pixel done.
__m128i CarryFrom(const uint32_t* sums)
{
    return _mm_set_epi16(static_cast<int16_t>(sums[2]), static_cast<int16_t>(sums[1]),
                         static_cast<int16_t>(sums[0]), 0, 0, 0, 0, 0);
}

void StoreCarry(__m128i carry, uint32_t* sums)
{
    sums[0] = static_cast<uint32_t>(_mm_extract_epi16(carry, 5));
    sums[1] = static_cast<uint32_t>(_mm_extract_epi16(carry, 6));
    sums[2] = static_cast<uint32_t>(_mm_extract_epi16(carry, 7));
}

size_t NarrowRowInteriorSse2(const uint8_t* in, uint8_t* out, size_t x, size_t end, size_t radius,
                             NarrowDivisor divide, uint32_t* sums)
{
    if (x + 8 > end) {
        return x;
    }
    const NarrowSse2 vectors(divide, radius);
    const size_t reach = kChannels * radius;
    __m128i carry = CarryFrom(sums);
    for (; x + 8 <= end; x += 8) {  // 8 pixels: 24 bytes in three steps, ending on a pixel
        const uint8_t* at = in + kChannels * x;
        const __m128i first = RunningSums(_mm_sub_epi16(WidenEight(at + reach), WidenEight(at - reach - 3)), carry);
        const __m128i second =
            RunningSums(_mm_sub_epi16(WidenEight(at + 8 + reach), WidenEight(at + 5 - reach)), first);
        carry = RunningSums(_mm_sub_epi16(WidenEight(at + 16 + reach), WidenEight(at + 13 - reach)), second);
        uint8_t* target = out + kChannels * x;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target),
                         _mm_packus_epi16(vectors.Divide(first), vectors.Divide(second)));
        const __m128i third = vectors.Divide(carry);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(target + 16), _mm_packus_epi16(third, third));
    }
    StoreCarry(carry, sums);
    return x;
}

size_t NarrowColumnSlideSse2(uint16_t* sums, const uint8_t* lead, const uint8_t* trail, uint8_t* out,
                             size_t count, size_t radius, NarrowDivisor divide)
{
    const NarrowSse2 vectors(divide, radius);
    const __m128i zero = _mm_setzero_si128();
    size_t j = 0;
    for (; j + 16 <= count; j += 16) {
        const __m128i add = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lead + j));
        const __m128i drop = _mm_loadu_si128(reinterpret_cast<const __m128i*>(trail + j));
        __m128i* at = reinterpret_cast<__m128i*>(sums + j);
        const __m128i low = _mm_sub_epi16(_mm_add_epi16(_mm_loadu_si128(at), _mm_unpacklo_epi8(add, zero)),
                                          _mm_unpacklo_epi8(drop, zero));
        const __m128i high = _mm_sub_epi16(_mm_add_epi16(_mm_loadu_si128(at + 1), _mm_unpackhi_epi8(add, zero)),
                                           _mm_unpackhi_epi8(drop, zero));
        _mm_storeu_si128(at, low);
        _mm_storeu_si128(at + 1, high);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j),
                         _mm_packus_epi16(vectors.Divide(low), vectors.Divide(high)));
    }
    return j;
}

// Four 32-bit quotients through two 32×32→64 multiplies (even and odd lanes).
__m128i DivideWide(__m128i x, __m128i multiplier, __m128i shift)
{
    const __m128i even = _mm_srl_epi64(_mm_mul_epu32(x, multiplier), shift);
    const __m128i odd = _mm_srl_epi64(_mm_mul_epu32(_mm_srli_epi64(x, 32), multiplier), shift);
    return _mm_or_si128(even, _mm_slli_epi64(odd, 32));
}

size_t WideColumnSlideSse2(uint32_t* sums, const uint8_t* lead, const uint8_t* trail, uint8_t* out, size_t count,
                           size_t radius, WideDivisor divide)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i multiplier = _mm_set1_epi32(static_cast<int32_t>(divide.multiplier));
    const __m128i shift = _mm_cvtsi32_si128(static_cast<int32_t>(divide.shift));
    const __m128i bias = _mm_set1_epi32(static_cast<int32_t>(radius));
    size_t j = 0;
    for (; j + 16 <= count; j += 16) {
        const __m128i add = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lead + j));
        const __m128i drop = _mm_loadu_si128(reinterpret_cast<const __m128i*>(trail + j));
        const __m128i addWords[2] = {_mm_unpacklo_epi8(add, zero), _mm_unpackhi_epi8(add, zero)};
        const __m128i dropWords[2] = {_mm_unpacklo_epi8(drop, zero), _mm_unpackhi_epi8(drop, zero)};
        __m128i quotients[4];
        for (int quarter = 0; quarter < 4; ++quarter) {
            const __m128i addHalf = addWords[quarter / 2];
            const __m128i dropHalf = dropWords[quarter / 2];
            const bool low = quarter % 2 == 0;
            const __m128i added = low ? _mm_unpacklo_epi16(addHalf, zero) : _mm_unpackhi_epi16(addHalf, zero);
            const __m128i dropped = low ? _mm_unpacklo_epi16(dropHalf, zero) : _mm_unpackhi_epi16(dropHalf, zero);
            __m128i* at = reinterpret_cast<__m128i*>(sums + j) + quarter;
            const __m128i sum = _mm_sub_epi32(_mm_add_epi32(_mm_loadu_si128(at), added), dropped);
            _mm_storeu_si128(at, sum);
            quotients[quarter] = DivideWide(_mm_add_epi32(sum, bias), multiplier, shift);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j),
                         _mm_packus_epi16(_mm_packs_epi32(quotients[0], quotients[1]),
                                          _mm_packs_epi32(quotients[2], quotients[3])));
    }
    return j;
}

// ---- AVX2 ------------------------------------------------------------------------------------
//
// The horizontal pass runs two rows side by side, one in each 128-bit half, so that every
// step of the SSE2 scheme stays inside its half.

#define ZV_AVX2 __attribute__((target("avx2")))

struct NarrowAvx2 {
    __m256i multiplier;
    __m128i shift;
    __m256i bias;

    ZV_AVX2 NarrowAvx2(const NarrowDivisor& divide, size_t radius)
        : multiplier(_mm256_set1_epi16(static_cast<int16_t>(divide.multiplier))),
          shift(_mm_cvtsi32_si128(divide.shift)),
          bias(_mm256_set1_epi16(static_cast<int16_t>(radius)))
    {
    }

    ZV_AVX2 __m256i Divide(__m256i sums) const
    {
        return _mm256_srl_epi16(_mm256_mulhi_epu16(_mm256_add_epi16(sums, bias), multiplier), shift);
    }
};

ZV_AVX2 __m256i LoadPair(const uint8_t* a, const uint8_t* b)
{
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a))),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(b)), 1);
}

// As RunningSums, in each half, with the lanes 5 6 7 5 6 7 5 6 of the previous step picked by
// one byte shuffle.
ZV_AVX2 __m256i RunningSumsAvx2(__m256i differences, __m256i previous)
{
    const __m256i continuation = _mm256_setr_epi8(10, 11, 12, 13, 14, 15, 10, 11, 12, 13, 14, 15, 10, 11, 12, 13,
                                                  10, 11, 12, 13, 14, 15, 10, 11, 12, 13, 14, 15, 10, 11, 12, 13);
    differences = _mm256_add_epi16(differences, _mm256_slli_si256(differences, 6));
    differences = _mm256_add_epi16(differences, _mm256_slli_si256(differences, 12));
    return _mm256_add_epi16(differences, _mm256_shuffle_epi8(previous, continuation));
}

ZV_AVX2 size_t NarrowRowPairInteriorAvx2(const uint8_t* inA, uint8_t* outA, const uint8_t* inB, uint8_t* outB,
                                         size_t x, size_t end, size_t radius, NarrowDivisor divide,
                                         uint32_t* sumsA, uint32_t* sumsB)
{
    if (x + 16 > end) {
        return x;
    }
    const NarrowAvx2 vectors(divide, radius);
    const __m256i zero = _mm256_setzero_si256();
    const size_t reach = kChannels * radius;
    __m256i carry = _mm256_set_m128i(CarryFrom(sumsB), CarryFrom(sumsA));
    for (; x + 16 <= end; x += 16) {  // 16 pixels: 48 bytes in three steps of 16, ending on a pixel
        for (size_t offset = kChannels * x; offset < kChannels * (x + 16); offset += 16) {
            const __m256i lead = LoadPair(inA + offset + reach, inB + offset + reach);
            const __m256i trail = LoadPair(inA + offset - reach - 3, inB + offset - reach - 3);
            const __m256i first = RunningSumsAvx2(
                _mm256_sub_epi16(_mm256_unpacklo_epi8(lead, zero), _mm256_unpacklo_epi8(trail, zero)), carry);
            carry = RunningSumsAvx2(
                _mm256_sub_epi16(_mm256_unpackhi_epi8(lead, zero), _mm256_unpackhi_epi8(trail, zero)), first);
            const __m256i bytes = _mm256_packus_epi16(vectors.Divide(first), vectors.Divide(carry));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(outA + offset), _mm256_castsi256_si128(bytes));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(outB + offset), _mm256_extracti128_si256(bytes, 1));
        }
    }
    StoreCarry(_mm256_castsi256_si128(carry), sumsA);
    StoreCarry(_mm256_extracti128_si256(carry, 1), sumsB);
    return x;
}

ZV_AVX2 __m256i WidenSixteen(const uint8_t* bytes)
{
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)));
}

ZV_AVX2 size_t NarrowColumnSlideAvx2(uint16_t* sums, const uint8_t* lead, const uint8_t* trail, uint8_t* out,
                                     size_t count, size_t radius, NarrowDivisor divide)
{
    const NarrowAvx2 vectors(divide, radius);
    size_t j = 0;
    for (; j + 32 <= count; j += 32) {
        __m256i* at = reinterpret_cast<__m256i*>(sums + j);
        const __m256i low = _mm256_sub_epi16(_mm256_add_epi16(_mm256_loadu_si256(at), WidenSixteen(lead + j)),
                                             WidenSixteen(trail + j));
        const __m256i high = _mm256_sub_epi16(_mm256_add_epi16(_mm256_loadu_si256(at + 1), WidenSixteen(lead + j + 16)),
                                              WidenSixteen(trail + j + 16));
        _mm256_storeu_si256(at, low);
        _mm256_storeu_si256(at + 1, high);
        const __m256i bytes = _mm256_packus_epi16(vectors.Divide(low), vectors.Divide(high));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j), _mm256_permute4x64_epi64(bytes, 0xD8));
    }
    return j;
}

#endif // ZV_BOX_X86

} // namespace

NarrowKernels NarrowKernelsFor(InstructionSet set)
{
#if defined(ZV_BOX_X86)
    switch (set) {
    case InstructionSet::Avx2:
        return NarrowKernels{NarrowRowInteriorSse2, NarrowRowPairInteriorAvx2, NarrowColumnSlideAvx2};
    case InstructionSet::Sse2:
        return NarrowKernels{NarrowRowInteriorSse2, nullptr, NarrowColumnSlideSse2};
    case InstructionSet::Portable:
        break;
    }
#else
    (void)set;
#endif
    return NarrowKernels{NoRowInterior, nullptr, NoNarrowSlide};
}

WideKernels WideKernelsFor(InstructionSet set)
{
#if defined(ZV_BOX_X86)
    if (set != InstructionSet::Portable) {
        return WideKernels{WideColumnSlideSse2};
    }
#else
    (void)set;
#endif
    return WideKernels{NoWideSlide};
}

} // namespace box

InstructionSet BestInstructionSet()
{
#if defined(ZV_BOX_X86)
    return imaging::ProcessorHasAvx2() ? InstructionSet::Avx2 : InstructionSet::Sse2;
#else
    return InstructionSet::Portable;
#endif
}

} // namespace zv::imageproc
