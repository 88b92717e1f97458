// The resampler's passes: the plain loops, and the vector loops written once with Highway and
// compiled for every instruction set of the build's architecture (this file is included once
// per set).
#ifndef ZV_RESIZE_KERNELS_SHARED
#define ZV_RESIZE_KERNELS_SHARED

#include "imaging/pixels/kernels/resize_kernels.h"

#include <algorithm>
#include <cstring>

namespace zv::imaging {
namespace {

constexpr size_t kChannels = 3;
constexpr int kHorizontalShift = kWeightBits - kRowFractionBits;
constexpr int kVerticalShift = kWeightBits + kRowFractionBits;

int32_t RoundShift(int32_t sum, int shift)
{
    return (sum + (int32_t{1} << (shift - 1))) >> shift;
}

// ---- Plain loops -----------------------------------------------------------------------------

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

void HorizontalPlain(const AxisFilter& axis, const uint8_t* const* rows, int16_t* const* out, uint32_t count,
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

void VerticalPlain(const int16_t* const* rows, const int16_t* weights, uint32_t taps, size_t length, uint8_t* out)
{
    VerticalFrom(rows, weights, taps, 0, length, out);
}

// Two taps' weights side by side in each 32-bit lane, for a multiply-add of two rows' values
// interleaved; an odd last tap gets a zero partner.
int32_t WeightPair(const int16_t* weights, uint32_t k, uint32_t taps)
{
    const uint32_t second = k + 1 < taps ? static_cast<uint16_t>(weights[k + 1]) : 0u;
    return static_cast<int32_t>(static_cast<uint16_t>(weights[k]) | (second << 16));
}

// How many groups of kTapGroup taps output pixel i reads; 0 when reading 16 bytes from the
// last group's first pixel would run past the row, which leaves that pixel to the plain loop.
uint32_t TapGroups(const AxisFilter& axis, size_t i, size_t rowBytes)
{
    const size_t start = size_t{axis.first[i]} * kChannels;
    const uint32_t groups = (axis.taps[i] + kTapGroup - 1) / kTapGroup;
    return start + kChannels * kTapGroup * groups + 4 > rowBytes ? 0 : groups;
}

// Runs `filter` (which filters four rows and returns the first output pixel it left undone)
// on up to four rows, the last repeated, and finishes every row with the plain loop.
template <typename FourRows>
void HorizontalByFours(const AxisFilter& axis, const uint8_t* const* rows, int16_t* const* out, uint32_t count,
                       size_t rowBytes, FourRows filter)
{
    const uint8_t* fourRows[kRowsAtOnce];
    int16_t* fourOut[kRowsAtOnce];
    for (uint32_t r = 0; r < kRowsAtOnce; ++r) {
        fourRows[r] = rows[std::min(r, count - 1)];
        fourOut[r] = out[std::min(r, count - 1)];
    }
    const size_t done = filter(axis, fourRows, fourOut, rowBytes);
    for (uint32_t r = 0; r < count; ++r) {
        HorizontalFrom(axis, rows[r], done, out[r]);
    }
}

} // namespace
} // namespace zv::imaging

#endif // ZV_RESIZE_KERNELS_SHARED

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "imaging/pixels/kernels/resize_kernels.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace zv::imaging {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET == HWY_SCALAR

ResizePasses PassesHere()
{
    return {HorizontalPlain, VerticalPlain};
}

#else

// ---- Horizontal: four taps a step ----------------------------------------------------------
//
// The 16 bytes from a group's first pixel are spread to 16-bit values twice: the four reds
// then the four greens, and the four blues then zeros. The group's four weights, repeated,
// meet them in two multiply-adds: 32-bit lanes R01 R23 G01 G23 and B01 B23 0 0.

using Pair16 = hn::FixedTag<int16_t, 8>;
using Pair32 = hn::FixedTag<int32_t, 4>;
using Pair8 = hn::FixedTag<uint8_t, 16>;
using Sums = hn::Vec<Pair32>;

// Byte indices for TableLookupBytesOr0; 0x80 makes a zero byte.
alignas(16) constexpr uint8_t kSpreadRedGreen[16] = {0, 0x80, 3, 0x80, 6, 0x80, 9, 0x80,
                                                     1, 0x80, 4, 0x80, 7, 0x80, 10, 0x80};
alignas(16) constexpr uint8_t kSpreadBlue[16] = {2,    0x80, 5,    0x80, 8,    0x80, 11,   0x80,
                                                 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};

hn::Vec<Pair16> TapGroupWeights(const int16_t* weights)
{
    int64_t four = 0;
    std::memcpy(&four, weights, sizeof four);
    return hn::BitCast(Pair16(), hn::Set(hn::FixedTag<int64_t, 2>(), four));
}

// One row's sums for one output pixel. They are passed by reference rather than kept in a
// struct: SVE's vectors have no size and cannot be members. Where the multiply-add spreads
// its products over two sums, the second ones ("other") hold the rest.
struct PixelSumRefs {
    Sums& redGreen;
    Sums& redGreenOther;
    Sums& blue;
    Sums& blueOther;
};

HWY_INLINE void AddTapGroup(const uint8_t* pixels, hn::Vec<Pair16> weights, const PixelSumRefs& sums)
{
    const Pair8 d8;
    const Pair16 d;
    const auto bytes = hn::LoadU(d8, pixels);
    const auto redGreen = hn::BitCast(d, hn::TableLookupBytesOr0(bytes, hn::Load(d8, kSpreadRedGreen)));
    const auto blue = hn::BitCast(d, hn::TableLookupBytesOr0(bytes, hn::Load(d8, kSpreadBlue)));
    sums.redGreen = hn::ReorderWidenMulAccumulate(Pair32(), redGreen, weights, sums.redGreen, sums.redGreenOther);
    sums.blue = hn::ReorderWidenMulAccumulate(Pair32(), blue, weights, sums.blue, sums.blueOther);
}

// R G B x as 16-bit values, rounded and clamped to the row's range.
hn::Vec<hn::FixedTag<int16_t, 4>> FinishPixel(const PixelSumRefs& sums)
{
    const Pair32 d;
    const auto redGreen = hn::RearrangeToOddPlusEven(sums.redGreen, sums.redGreenOther);  // R01 R23 G01 G23
    const auto blue = hn::RearrangeToOddPlusEven(sums.blue, sums.blueOther);              // B01 B23 0 0
    const auto total = hn::Add(hn::ConcatEven(d, blue, redGreen), hn::ConcatOdd(d, blue, redGreen));  // R G B 0
    const auto shifted =
        hn::ShiftRight<kHorizontalShift>(hn::Add(total, hn::Set(d, int32_t{1} << (kHorizontalShift - 1))));
    const hn::FixedTag<int16_t, 4> d16;
    const auto packed = hn::DemoteTo(d16, shifted);
    return hn::Min(hn::Max(packed, hn::Zero(d16)), hn::Set(d16, kRowMax));
}

// Four rows through the same weights. Returns the first output pixel not done: the rest would
// read past the rows' end.
size_t HorizontalRowsBy128(const AxisFilter& axis, const uint8_t* const* rows, int16_t* const* out,
                           size_t rowBytes)
{
    size_t i = 0;
    for (; i < axis.first.size(); ++i) {
        const size_t start = size_t{axis.first[i]} * kChannels;
        const uint32_t groups = TapGroups(axis, i, rowBytes);
        if (groups == 0) {
            break;
        }
        const int16_t* weights = axis.weights.data() + axis.offset[i];
        auto s0 = hn::Zero(Pair32());
        auto s1 = s0, s2 = s0, s3 = s0, s4 = s0, s5 = s0, s6 = s0, s7 = s0;
        auto s8 = s0, s9 = s0, s10 = s0, s11 = s0, s12 = s0, s13 = s0, s14 = s0, s15 = s0;
        const PixelSumRefs sums[kRowsAtOnce] = {
            {s0, s1, s2, s3}, {s4, s5, s6, s7}, {s8, s9, s10, s11}, {s12, s13, s14, s15}};
        for (uint32_t g = 0; g < groups; ++g) {
            const auto groupWeights = TapGroupWeights(weights + kTapGroup * g);
            const size_t at = start + kChannels * kTapGroup * g;
            for (size_t r = 0; r < kRowsAtOnce; ++r) {
                AddTapGroup(rows[r] + at, groupWeights, sums[r]);
            }
        }
        for (size_t r = 0; r < kRowsAtOnce; ++r) {
            hn::StoreU(FinishPixel(sums[r]), hn::FixedTag<int16_t, 4>(), out[r] + kChannels * i);
        }
    }
    return i;
}

#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX2
#define ZV_RESIZE_TAP_GROUPS 1

// ---- Horizontal: four taps a step, on 256-bit vectors ----------------------------------------
//
// As above, with both spreads in one vector: the group's bytes in both blocks, the low block
// spread to reds and greens, the high block to blues, one multiply-add for both:
// R01 R23 G01 G23 | B01 B23 0 0.

using Group16 = hn::FixedTag<int16_t, 16>;
using Group32 = hn::FixedTag<int32_t, 8>;
using Group8 = hn::FixedTag<uint8_t, 32>;

alignas(32) constexpr uint8_t kSpreadGroup[32] = {
    0,    0x80, 3,    0x80, 6,    0x80, 9,    0x80, 1,    0x80, 4,    0x80, 7,    0x80, 10,   0x80,
    2,    0x80, 5,    0x80, 8,    0x80, 11,   0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};

hn::Vec<Group16> SpreadGroup(const uint8_t* pixels)
{
    const auto spread = hn::TableLookupBytesOr0(hn::LoadDup128(Group8(), pixels), hn::Load(Group8(), kSpreadGroup));
    return hn::BitCast(Group16(), spread);
}

hn::Vec<Group16> GroupWeights(const int16_t* weights)
{
    int64_t four = 0;
    std::memcpy(&four, weights, sizeof four);
    return hn::BitCast(Group16(), hn::Set(hn::FixedTag<int64_t, 4>(), four));
}

// The sums of rows A and B become 16-bit values R G B x | R G B x (A in the low half).
hn::Vec<Group16> FinishPixelPair(hn::Vec<Group32> sumA, hn::Vec<Group32> sumB)
{
    const Group32 d;
    // Even plus odd lanes: RA GA BA 0 | RB GB BB 0.
    const auto pixels = hn::Add(hn::ConcatEven(d, sumB, sumA), hn::ConcatOdd(d, sumB, sumA));
    const auto shifted =
        hn::ShiftRight<kHorizontalShift>(hn::Add(pixels, hn::Set(d, int32_t{1} << (kHorizontalShift - 1))));
    const hn::FixedTag<int16_t, 8> d16;
    const auto packed = hn::DemoteTo(d16, shifted);
    const auto clamped = hn::Min(hn::Max(packed, hn::Zero(d16)), hn::Set(d16, kRowMax));
    return hn::ZeroExtendVector(Group16(), clamped);
}

void StorePixelPair(hn::Vec<Group16> pixels, int16_t* outA, int16_t* outB)
{
    const hn::FixedTag<int16_t, 8> d16;
    const hn::FixedTag<int16_t, 4> d4;
    const auto pair = hn::LowerHalf(d16, pixels);
    hn::StoreU(hn::LowerHalf(d4, pair), d4, outA);
    hn::StoreU(hn::UpperHalf(d4, pair), d4, outB);
}

size_t HorizontalRowsByGroups(const AxisFilter& axis, const uint8_t* const* rowsIn, int16_t* const* outIn,
                              size_t rowBytes)
{
    const uint8_t* rows[kRowsAtOnce];
    int16_t* out[kRowsAtOnce];
    for (size_t r = 0; r < kRowsAtOnce; ++r) {
        rows[r] = rowsIn[r];
        out[r] = outIn[r];
    }
    const Group32 d32;
    size_t i = 0;
    for (; i < axis.first.size(); ++i) {
        const size_t start = size_t{axis.first[i]} * kChannels;
        const uint32_t groups = TapGroups(axis, i, rowBytes);
        if (groups == 0) {
            break;
        }
        const int16_t* weights = axis.weights.data() + axis.offset[i];
        // Named sums: an array of them makes g++ copy every sum once per group. On x86 the
        // multiply-add leaves the second sum alone.
        auto sum0 = hn::Zero(d32);
        auto sum1 = sum0;
        auto sum2 = sum0;
        auto sum3 = sum0;
        auto unused = sum0;
        for (uint32_t g = 0; g < groups; ++g) {
            const auto groupWeights = GroupWeights(weights + kTapGroup * g);
            const size_t at = start + kChannels * kTapGroup * g;
            sum0 = hn::ReorderWidenMulAccumulate(d32, SpreadGroup(rows[0] + at), groupWeights, sum0, unused);
            sum1 = hn::ReorderWidenMulAccumulate(d32, SpreadGroup(rows[1] + at), groupWeights, sum1, unused);
            sum2 = hn::ReorderWidenMulAccumulate(d32, SpreadGroup(rows[2] + at), groupWeights, sum2, unused);
            sum3 = hn::ReorderWidenMulAccumulate(d32, SpreadGroup(rows[3] + at), groupWeights, sum3, unused);
        }
        StorePixelPair(FinishPixelPair(sum0, sum1), out[0] + kChannels * i, out[1] + kChannels * i);
        StorePixelPair(FinishPixelPair(sum2, sum3), out[2] + kChannels * i, out[3] + kChannels * i);
    }
    return i;
}
#endif

void Horizontal(const AxisFilter& axis, const uint8_t* const* rows, int16_t* const* out, uint32_t count,
                size_t rowBytes)
{
#if defined(ZV_RESIZE_TAP_GROUPS)
    HorizontalByFours(axis, rows, out, count, rowBytes, HorizontalRowsByGroups);
#else
    HorizontalByFours(axis, rows, out, count, rowBytes, HorizontalRowsBy128);
#endif
}

// ---- Vertical --------------------------------------------------------------------------------

using D16 = hn::ScalableTag<int16_t>;
using D32 = hn::Repartition<int32_t, D16>;

#if HWY_ARCH_X86 || HWY_TARGET == HWY_NEON
// Two rows' values interleaved meet two weights in one multiply-add. The interleaving works
// within 128-bit blocks, and so does the narrowing at the end, which restores the order.
void Vertical(const int16_t* const* rows, const int16_t* weights, uint32_t taps, size_t length, uint8_t* out)
{
    const D16 d;
    const D32 d32;
    const hn::Rebind<uint8_t, D16> d8;
    const auto rounding = hn::Set(d32, int32_t{1} << (kVerticalShift - 1));
    const size_t lanes = hn::Lanes(d);
    const auto finish = [&](hn::Vec<D32> low, hn::Vec<D32> lowOther, hn::Vec<D32> high, hn::Vec<D32> highOther,
                            uint8_t* to) {
        const auto lowSums = hn::ShiftRight<kVerticalShift>(hn::Add(hn::RearrangeToOddPlusEven(low, lowOther), rounding));
        const auto highSums =
            hn::ShiftRight<kVerticalShift>(hn::Add(hn::RearrangeToOddPlusEven(high, highOther), rounding));
        hn::StoreU(hn::DemoteTo(d8, hn::ReorderDemote2To(d, lowSums, highSums)), d8, to);
    };
    size_t x = 0;
    // Two vectors a step: four independent sums hide the multiply-adds' latency.
    for (; x + 2 * lanes <= length; x += 2 * lanes) {
        auto low = hn::Zero(d32);
        auto lowOther = low, high = low, highOther = low;
        auto low2 = low, lowOther2 = low, high2 = low, highOther2 = low;
        for (uint32_t k = 0; k < taps; k += 2) {
            const auto pair = hn::BitCast(d, hn::Set(d32, WeightPair(weights, k, taps)));
            const int16_t* second = k + 1 < taps ? rows[k + 1] : rows[k];
            const auto a = hn::LoadU(d, rows[k] + x);
            const auto b = hn::LoadU(d, second + x);
            const auto a2 = hn::LoadU(d, rows[k] + x + lanes);
            const auto b2 = hn::LoadU(d, second + x + lanes);
            low = hn::ReorderWidenMulAccumulate(d32, hn::InterleaveLower(d, a, b), pair, low, lowOther);
            high = hn::ReorderWidenMulAccumulate(d32, hn::InterleaveUpper(d, a, b), pair, high, highOther);
            low2 = hn::ReorderWidenMulAccumulate(d32, hn::InterleaveLower(d, a2, b2), pair, low2, lowOther2);
            high2 = hn::ReorderWidenMulAccumulate(d32, hn::InterleaveUpper(d, a2, b2), pair, high2, highOther2);
        }
        finish(low, lowOther, high, highOther, out + x);
        finish(low2, lowOther2, high2, highOther2, out + x + lanes);
    }
    VerticalFrom(rows, weights, taps, x, length, out);
}
#else
// Each row's values widened to 32 bits, one weight at a time: no step depends on the lanes'
// order within a block.
void Vertical(const int16_t* const* rows, const int16_t* weights, uint32_t taps, size_t length, uint8_t* out)
{
    const hn::ScalableTag<int32_t> d32;
    const hn::Rebind<int16_t, decltype(d32)> d16;
    const hn::Rebind<uint8_t, decltype(d32)> d8;
    const auto rounding = hn::Set(d32, int32_t{1} << (kVerticalShift - 1));
    const size_t lanes = hn::Lanes(d32);
    size_t x = 0;
    for (; x + lanes <= length; x += lanes) {
        auto sum = hn::Zero(d32);
        for (uint32_t k = 0; k < taps; ++k) {
            const auto values = hn::PromoteTo(d32, hn::LoadU(d16, rows[k] + x));
            sum = hn::Add(sum, hn::Mul(values, hn::Set(d32, int32_t{weights[k]})));
        }
        hn::StoreU(hn::DemoteTo(d8, hn::ShiftRight<kVerticalShift>(hn::Add(sum, rounding))), d8, out + x);
    }
    VerticalFrom(rows, weights, taps, x, length, out);
}
#endif

ResizePasses PassesHere()
{
    return {Horizontal, Vertical};
}

#undef ZV_RESIZE_TAP_GROUPS
#endif // HWY_TARGET == HWY_SCALAR

} // namespace HWY_NAMESPACE
} // namespace zv::imaging
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include "imaging/core/vector_dispatch.h"

namespace zv::imaging {

HWY_EXPORT(PassesHere);

ResizePasses PassesFor(VectorTarget target)
{
    if (target == kPlainLoops) {
        return {HorizontalPlain, VerticalPlain};
    }
    return HWY_DISPATCH_TABLE(PassesHere)[DispatchIndex(target)]();
}

} // namespace zv::imaging
#endif
