// Exact division of a box-filter sum by the window width, done as a multiply and a shift.
//
// Why it is exact. For a divisor w, a shift K and the multiplier m = ceil(2^K / w), let
// e = m·w − 2^K, so 0 ≤ e < w. Then x·m / 2^K = x/w + x·e / (w·2^K). Write x/w = q + r/w with
// 0 ≤ r ≤ w − 1. If x·e < 2^K the added term is below 1/w, so x·m / 2^K lies in [q, q + 1) and
// its floor is q. Hence the division is exact for every x in 0 … X as soon as X·e < 2^K.
// A divisor is only handed out when that condition holds for the largest sum its window can
// produce; otherwise the caller falls back to a wider form, and finally to plain division.
#ifndef ZV_IMAGEPROC_BOX_DIVISOR_H
#define ZV_IMAGEPROC_BOX_DIVISOR_H

#include <cstdint>
#include <optional>

namespace zv::imageproc {

// Window of radius n: 2n + 1 samples.
constexpr uint64_t BoxWindow(uint64_t radius)
{
    return 2 * radius + 1;
}

// The largest number a pass ever divides: a window full of 255s plus the rounding term n.
constexpr uint64_t LargestRoundedSum(uint64_t radius)
{
    return 255 * BoxWindow(radius) + radius;
}

// q = (x · multiplier) >> (16 + shift) for x below 2^16: the form of a 16-bit "multiply high"
// followed by a shift, so eight or more sums divide in one SIMD instruction pair.
struct NarrowDivisor {
    uint16_t multiplier = 0;
    uint16_t shift = 0;

    uint32_t operator()(uint32_t x) const { return (x * multiplier) >> (16 + shift); }

    // The divisor for the window of `radius` when the exactness condition holds over every
    // rounded sum of that window; nothing when it does not (or the sums need more than 16 bits).
    static std::optional<NarrowDivisor> For(uint64_t radius);
};

// q = (x · multiplier) >> shift with a 32-bit x and multiplier and a 64-bit product: the form
// of SSE2's unsigned 32×32→64 multiply, for windows too wide for the narrow form.
struct WideDivisor {
    uint32_t multiplier = 0;
    uint32_t shift = 0;

    uint32_t operator()(uint32_t x) const
    {
        return static_cast<uint32_t>((static_cast<uint64_t>(x) * multiplier) >> shift);
    }

    static std::optional<WideDivisor> For(uint64_t radius);
};

// Plain division, for windows so wide that neither form above is proven exact.
struct PlainDivisor {
    uint64_t window = 1;

    uint64_t operator()(uint64_t x) const { return x / window; }

    static PlainDivisor For(uint64_t radius) { return PlainDivisor{BoxWindow(radius)}; }
};

} // namespace zv::imageproc

#endif
