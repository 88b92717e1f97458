// The box passes' vector loops, written once with Highway and compiled for every instruction
// set of the build's architecture (this file is included once per set by foreach_target.h).
#ifndef ZV_BOX_KERNELS_SHARED
#define ZV_BOX_KERNELS_SHARED

#include "imageproc/box_kernels.h"

#include <cstring>

namespace zv::imageproc::box {
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

// The horizontal pass's running sums of one row, three channels, sit in lanes 5, 6 and 7 of
// a vector of eight 16-bit lanes between steps.
constexpr size_t kCarryLane = 5;

} // namespace
} // namespace zv::imageproc::box

#endif // ZV_BOX_KERNELS_SHARED

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "imageproc/box_kernels.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace zv::imageproc::box {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET == HWY_SCALAR

NarrowKernels NarrowKernelsHere()
{
    return NarrowKernels{NoRowInterior, nullptr, NoNarrowSlide};
}

WideKernels WideKernelsHere()
{
    return WideKernels{NoWideSlide};
}

#else

// ---- Horizontal pass -------------------------------------------------------------------------
//
// Eight bytes at a time in 16-bit lanes, one row per 128-bit block. The eight differences
// (lead − trail) become running sums through a prefix sum over every third lane (the three
// channels interleave) plus, per lane, the sum that the previous eight bytes ended with for
// the same channel: lane i continues lane 5 + i mod 3 of the previous step. Sums below 2^16
// are exact in 16-bit lanes even though the differences wrap.

template <class D>
hn::Vec<D> RunningSums(D d, hn::Vec<D> differences, hn::Vec<D> previous)
{
    // Lanes 5 6 7 5 6 7 5 6 of the previous step, as byte indices within each block.
    alignas(16) static constexpr uint8_t kContinue[16] = {10, 11, 12, 13, 14, 15, 10, 11,
                                                          12, 13, 14, 15, 10, 11, 12, 13};
    const hn::Repartition<uint8_t, D> bytes;
    const auto continuation = hn::BitCast(d, hn::LoadDup128(bytes, kContinue));
    differences = hn::Add(differences, hn::ShiftLeftBytes<6>(d, differences));   // + the lane 3 back
    differences = hn::Add(differences, hn::ShiftLeftBytes<12>(d, differences));  // + lanes 6 and 9 back
    return hn::Add(differences, hn::TableLookupBytes(previous, continuation));
}

// (sums + radius) / window as a multiply-high and a shift. The vectors are arguments, not
// members: SVE's vectors have no size and cannot sit in a struct.
template <class V>
V DivideNarrow(V sums, V bias, V multiplier, int shift)
{
    return hn::ShiftRightSame(hn::MulHigh(hn::Add(sums, bias), multiplier), shift);
}

// Quotients are at most 255, so the signed narrowing never saturates.
template <class D8, class V16>
hn::Vec<D8> Narrow(D8 d8, V16 quotients)
{
    const hn::RebindToSigned<hn::DFromV<V16>> signedLanes;
    return hn::DemoteTo(d8, hn::BitCast(signedLanes, quotients));
}

using Row16 = hn::FixedTag<uint16_t, 8>;
using Row8 = hn::FixedTag<uint8_t, 8>;

hn::Vec<Row16> CarryFrom(const uint32_t* sums)
{
    alignas(16) uint16_t lanes[8] = {};
    for (size_t c = 0; c < kChannels; ++c) {
        lanes[kCarryLane + c] = static_cast<uint16_t>(sums[c]);
    }
    return hn::Load(Row16(), lanes);
}

void StoreCarry(hn::Vec<Row16> carry, uint32_t* sums)
{
    alignas(16) uint16_t lanes[8];
    hn::Store(carry, Row16(), lanes);
    for (size_t c = 0; c < kChannels; ++c) {
        sums[c] = lanes[kCarryLane + c];
    }
}

hn::Vec<Row16> WidenEight(const uint8_t* at)
{
    return hn::PromoteTo(Row16(), hn::LoadU(Row8(), at));
}

size_t NarrowRowInterior(const uint8_t* in, uint8_t* out, size_t x, size_t end, size_t radius,
                         NarrowDivisor divisor, uint32_t* sums)
{
    if (x + 8 > end) {
        return x;
    }
    const Row16 d;
    const Row8 d8;
    const auto multiplier = hn::Set(d, divisor.multiplier);
    const auto bias = hn::Set(d, static_cast<uint16_t>(radius));
    const size_t reach = kChannels * radius;
    auto carry = CarryFrom(sums);
    for (; x + 8 <= end; x += 8) {  // 8 pixels: 24 bytes in three steps, ending on a pixel
        const uint8_t* at = in + kChannels * x;
        uint8_t* target = out + kChannels * x;
        for (size_t step = 0; step < kChannels; ++step) {
            const uint8_t* from = at + 8 * step;
            carry = RunningSums(d, hn::Sub(WidenEight(from + reach), WidenEight(from - reach - 3)), carry);
            hn::StoreU(Narrow(d8, DivideNarrow(carry, bias, multiplier, divisor.shift)), d8, target + 8 * step);
        }
    }
    StoreCarry(carry, sums);
    return x;
}

#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX2
#define ZV_BOX_ROW_PAIRS 1

// Two rows side by side, one in each 128-bit block, sixteen bytes a step.
size_t NarrowRowPairInterior(const uint8_t* inA, uint8_t* outA, const uint8_t* inB, uint8_t* outB, size_t x,
                             size_t end, size_t radius, NarrowDivisor divisor, uint32_t* sumsA, uint32_t* sumsB)
{
    if (x + 16 > end) {
        return x;
    }
    const hn::FixedTag<uint16_t, 16> d;
    const hn::FixedTag<uint8_t, 32> pair8;
    const hn::FixedTag<uint8_t, 16> d8;
    const auto multiplier = hn::Set(d, divisor.multiplier);
    const auto bias = hn::Set(d, static_cast<uint16_t>(radius));
    const auto zero = hn::Zero(pair8);
    const size_t reach = kChannels * radius;
    const auto loadPair = [&](const uint8_t* a, const uint8_t* b) {
        return hn::Combine(pair8, hn::LoadU(d8, b), hn::LoadU(d8, a));
    };
    auto carry = hn::Combine(d, CarryFrom(sumsB), CarryFrom(sumsA));
    for (; x + 16 <= end; x += 16) {  // 16 pixels: 48 bytes in three steps of 16, ending on a pixel
        for (size_t offset = kChannels * x; offset < kChannels * (x + 16); offset += 16) {
            const auto lead = loadPair(inA + offset + reach, inB + offset + reach);
            const auto trail = loadPair(inA + offset - reach - 3, inB + offset - reach - 3);
            const auto first = RunningSums(d, hn::Sub(hn::ZipLower(d, lead, zero), hn::ZipLower(d, trail, zero)), carry);
            carry = RunningSums(d, hn::Sub(hn::ZipUpper(d, lead, zero), hn::ZipUpper(d, trail, zero)), first);
            const auto low = Narrow(d8, DivideNarrow(first, bias, multiplier, divisor.shift));  // A's 8, then B's
            const auto high = Narrow(d8, DivideNarrow(carry, bias, multiplier, divisor.shift));  // the next 8 of each
            hn::StoreU(hn::ConcatLowerLower(d8, high, low), d8, outA + offset);
            hn::StoreU(hn::ConcatUpperUpper(d8, high, low), d8, outB + offset);
        }
    }
    StoreCarry(hn::LowerHalf(carry), sumsA);
    StoreCarry(hn::UpperHalf(Row16(), carry), sumsB);
    return x;
}
#endif

// ---- Vertical pass ---------------------------------------------------------------------------

// sums += lead − trail for one vector of columns; returns the new sums, also stored.
template <class D, typename Sum>
hn::Vec<D> SlideSums(D d, Sum* sums, const uint8_t* lead, const uint8_t* trail)
{
    const hn::Rebind<uint8_t, D> d8;
    const auto sum = hn::Sub(hn::Add(hn::LoadU(d, sums), hn::PromoteTo(d, hn::LoadU(d8, lead))),
                             hn::PromoteTo(d, hn::LoadU(d8, trail)));
    hn::StoreU(sum, d, sums);
    return sum;
}

size_t NarrowColumnSlide(uint16_t* sums, const uint8_t* lead, const uint8_t* trail, uint8_t* out, size_t count,
                         size_t radius, NarrowDivisor divisor)
{
    const hn::ScalableTag<uint16_t> d;
    const hn::Rebind<uint8_t, decltype(d)> d8;
    const auto multiplier = hn::Set(d, divisor.multiplier);
    const auto bias = hn::Set(d, static_cast<uint16_t>(radius));
    const size_t lanes = hn::Lanes(d);
    size_t j = 0;
    for (; j + lanes <= count; j += lanes) {
        const auto sum = SlideSums(d, sums + j, lead + j, trail + j);
        hn::StoreU(Narrow(d8, DivideNarrow(sum, bias, multiplier, divisor.shift)), d8, out + j);
    }
    return j;
}

// 32-bit sums; the quotients of the even and the odd lanes come from two 32×32→64 multiplies.
size_t WideColumnSlide(uint32_t* sums, const uint8_t* lead, const uint8_t* trail, uint8_t* out, size_t count,
                       size_t radius, WideDivisor divisor)
{
    const hn::ScalableTag<uint32_t> d;
    const hn::Rebind<uint8_t, decltype(d)> d8;
    const hn::Repartition<uint64_t, decltype(d)> d64;
    const auto multiplier = hn::Set(d, divisor.multiplier);
    const auto bias = hn::Set(d, static_cast<uint32_t>(radius));
    const int shift = static_cast<int>(divisor.shift);
    const size_t lanes = hn::Lanes(d);
    size_t j = 0;
    for (; j + lanes <= count; j += lanes) {
        const auto sum = SlideSums(d, sums + j, lead + j, trail + j);
        const auto rounded = hn::Add(sum, bias);
        const auto odd = hn::BitCast(d, hn::ShiftRight<32>(hn::BitCast(d64, rounded)));
        const auto even = hn::ShiftRightSame(hn::MulEven(rounded, multiplier), shift);
        const auto high = hn::ShiftLeft<32>(hn::ShiftRightSame(hn::MulEven(odd, multiplier), shift));
        hn::StoreU(Narrow(d8, hn::BitCast(d, hn::Or(even, high))), d8, out + j);
    }
    return j;
}

NarrowKernels NarrowKernelsHere()
{
#if defined(ZV_BOX_ROW_PAIRS)
    return NarrowKernels{NarrowRowInterior, NarrowRowPairInterior, NarrowColumnSlide};
#else
    return NarrowKernels{NarrowRowInterior, nullptr, NarrowColumnSlide};
#endif
}

WideKernels WideKernelsHere()
{
    return WideKernels{WideColumnSlide};
}

#undef ZV_BOX_ROW_PAIRS
#endif // HWY_TARGET == HWY_SCALAR

} // namespace HWY_NAMESPACE
} // namespace zv::imageproc::box
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include "imaging/core/vector_dispatch.h"

namespace zv::imageproc::box {

HWY_EXPORT(NarrowKernelsHere);
HWY_EXPORT(WideKernelsHere);

NarrowKernels NarrowKernelsFor(imaging::VectorTarget target)
{
    if (target == imaging::kPlainLoops) {
        return NarrowKernels{NoRowInterior, nullptr, NoNarrowSlide};
    }
    return HWY_DISPATCH_TABLE(NarrowKernelsHere)[imaging::DispatchIndex(target)]();
}

WideKernels WideKernelsFor(imaging::VectorTarget target)
{
    if (target == imaging::kPlainLoops) {
        return WideKernels{NoWideSlide};
    }
    return HWY_DISPATCH_TABLE(WideKernelsHere)[imaging::DispatchIndex(target)]();
}

} // namespace zv::imageproc::box
#endif
