#include "imageproc/box_divisor.h"

namespace zv::imageproc {
namespace {

// Radii beyond this cannot come from a real image and would overflow the bounds below.
constexpr uint64_t kLargestSensibleRadius = uint64_t{1} << 40;

// m = ceil(2^K / w) and e = m·w − 2^K for K ≤ 63.
struct Magic {
    uint64_t multiplier;
    uint64_t excess;
};

Magic MagicFor(uint64_t window, uint32_t k)
{
    const uint64_t power = uint64_t{1} << k;
    const uint64_t multiplier = (power - 1) / window + 1;
    return Magic{multiplier, multiplier * window - power};
}

// The exactness condition X·e < 2^K (see the header).
bool ExactUpTo(uint64_t largest, const Magic& magic, uint32_t k)
{
    uint64_t bound = 0;
    if (__builtin_mul_overflow(largest, magic.excess, &bound)) {
        return false;
    }
    return bound < (uint64_t{1} << k);
}

} // namespace

std::optional<NarrowDivisor> NarrowDivisor::For(uint64_t radius)
{
    if (radius == 0 || radius > kLargestSensibleRadius) {
        return std::nullopt;
    }
    const uint64_t largest = LargestRoundedSum(radius);
    if (largest > 0xFFFF) {
        return std::nullopt;
    }
    const uint64_t window = BoxWindow(radius);
    // The larger the shift, the smaller the relative error: try the largest first.
    for (uint32_t shift = 16; shift-- > 0;) {
        const uint32_t k = 16 + shift;
        const Magic magic = MagicFor(window, k);
        if (magic.multiplier <= 0xFFFF && ExactUpTo(largest, magic, k)) {
            return NarrowDivisor{static_cast<uint16_t>(magic.multiplier), static_cast<uint16_t>(shift)};
        }
    }
    return std::nullopt;
}

std::optional<WideDivisor> WideDivisor::For(uint64_t radius)
{
    if (radius == 0 || radius > kLargestSensibleRadius) {
        return std::nullopt;
    }
    const uint64_t largest = LargestRoundedSum(radius);
    if (largest > 0xFFFFFFFF) {
        return std::nullopt;
    }
    const uint64_t window = BoxWindow(radius);
    for (uint32_t k = 0; k < 64; ++k) {
        const Magic magic = MagicFor(window, k);
        if (magic.multiplier <= 0xFFFFFFFF && ExactUpTo(largest, magic, k)) {
            return WideDivisor{static_cast<uint32_t>(magic.multiplier), k};
        }
    }
    return std::nullopt;
}

} // namespace zv::imageproc
