// The Gaussian blur's vector loops, written once with Highway and compiled for every
// instruction set of the build's architecture (this file is included once per set).
#ifndef ZV_GAUSSIAN_KERNELS_SHARED
#define ZV_GAUSSIAN_KERNELS_SHARED

#include "imaging/pixels/kernels/gaussian_kernels.h"

namespace zv::imaging::gaussian {
namespace {

size_t NoVertical(const Kernel&, const uint8_t* const*, size_t, uint16_t*)
{
    return 0;
}

size_t NoHorizontal(const Kernel&, const uint16_t*, size_t, size_t, uint8_t*)
{
    return 0;
}

// The loops come in versions for radius 1, 2 and 3 (every amount below 1) and one for any
// radius; 0 stands for the latter.
template <size_t kFixedRadius>
constexpr size_t kSlots = kFixedRadius != 0 ? kFixedRadius : kLargestRadius;

} // namespace
} // namespace zv::imaging::gaussian

#endif // ZV_GAUSSIAN_KERNELS_SHARED

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "imaging/pixels/kernels/gaussian_kernels.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace zv::imaging::gaussian {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET == HWY_SCALAR

Loops LoopsHere(size_t)
{
    return Loops{NoVertical, NoHorizontal};
}

#else

using D16 = hn::ScalableTag<uint16_t>;
using D8 = hn::Rebind<uint8_t, D16>;

// Each loop copies the row pointers and weights into locals first: its stores may alias
// anything, and the compiler can then keep them in registers.
template <size_t kFixedRadius>
size_t Vertical(const Kernel& kernel, const uint8_t* const* rowsIn, size_t rowBytes, uint16_t* middle)
{
    const D16 d;
    const D8 d8;
    const size_t r = kFixedRadius != 0 ? kFixedRadius : kernel.radius;
    const uint8_t* rows[2 * kSlots<kFixedRadius> + 1];
    uint16_t weights[kSlots<kFixedRadius> + 1];
    for (size_t k = 0; k <= 2 * r; ++k) {
        rows[k] = rowsIn[k];
    }
    for (size_t k = 1; k <= r; ++k) {
        weights[k] = kernel.pair[k];
    }
    const auto centreWeight = hn::Set(d, kernel.centre);
    const auto bias = hn::Set(d, kernel.bias);
    const size_t lanes = hn::Lanes(d);
    size_t j = 0;
    for (; j + lanes <= rowBytes; j += lanes) {
        const auto centre = hn::ShiftLeft<8>(hn::PromoteTo(d, hn::LoadU(d8, rows[r] + j)));
        auto t = hn::Add(bias, hn::MulHigh(centre, centreWeight));
        for (size_t k = 1; k <= r; ++k) {
            const auto pair =
                hn::Add(hn::PromoteTo(d, hn::LoadU(d8, rows[r - k] + j)), hn::PromoteTo(d, hn::LoadU(d8, rows[r + k] + j)));
            t = hn::Add(t, hn::MulHigh(hn::ShiftLeft<7>(pair), hn::Set(d, weights[k])));
        }
        hn::StoreU(t, d, middle + j);
    }
    return j;
}

// (a + b + 1) >> 1 without overflow. Highway 1.0's SVE (not SVE2) AverageRound adds in 16 bits
// and wraps for sums past 65535, which the intermediate rows reach.
template <class V>
V RoundedAverage(V a, V b)
{
#if HWY_TARGET == HWY_SVE || HWY_TARGET == HWY_SVE_256
    const auto one = hn::Set(hn::DFromV<V>(), 1);
    return hn::Add(hn::Add(hn::ShiftRight<1>(a), hn::ShiftRight<1>(b)), hn::And(hn::Or(a, b), one));
#else
    return hn::AverageRound(a, b);
#endif
}

template <size_t kFixedRadius>
size_t Horizontal(const Kernel& kernel, const uint16_t* middle, size_t pixelBytes, size_t rowBytes, uint8_t* out)
{
    const D16 d;
    const D8 d8;
    const hn::RebindToSigned<D16> signedLanes;
    const size_t r = kFixedRadius != 0 ? kFixedRadius : kernel.radius;
    uint16_t weights[kSlots<kFixedRadius> + 1];
    for (size_t k = 1; k <= r; ++k) {
        weights[k] = kernel.pair[k];
    }
    const auto centreWeight = hn::Set(d, kernel.centre);
    const auto rounding = hn::Set(d, static_cast<uint16_t>(128 + kernel.bias));
    const size_t lanes = hn::Lanes(d);
    size_t j = 0;
    for (; j + lanes <= rowBytes; j += lanes) {
        const uint16_t* at = middle + j;
        auto s = hn::MulHigh(hn::LoadU(d, at), centreWeight);
        for (size_t k = 1; k <= r; ++k) {
            const auto pair = RoundedAverage(hn::LoadU(d, at - k * pixelBytes), hn::LoadU(d, at + k * pixelBytes));
            s = hn::Add(s, hn::MulHigh(pair, hn::Set(d, weights[k])));
        }
        // At most 255 after the shift, so the signed narrowing never saturates.
        const auto bytes = hn::ShiftRight<8>(hn::Add(s, rounding));
        hn::StoreU(hn::DemoteTo(d8, hn::BitCast(signedLanes, bytes)), d8, out + j);
    }
    return j;
}

template <size_t kFixedRadius>
Loops LoopsOfRadius()
{
    return Loops{Vertical<kFixedRadius>, Horizontal<kFixedRadius>};
}

Loops LoopsHere(size_t radius)
{
    switch (radius) {
    case 1:
        return LoopsOfRadius<1>();
    case 2:
        return LoopsOfRadius<2>();
    case 3:
        return LoopsOfRadius<3>();
    default:
        return LoopsOfRadius<0>();
    }
}

#endif // HWY_TARGET == HWY_SCALAR

} // namespace HWY_NAMESPACE
} // namespace zv::imaging::gaussian
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include "imaging/core/vector_dispatch.h"

namespace zv::imaging::gaussian {

HWY_EXPORT(LoopsHere);

Loops LoopsFor(VectorTarget target, size_t radius)
{
    if (target == kPlainLoops) {
        return Loops{NoVertical, NoHorizontal};
    }
    return HWY_DISPATCH_TABLE(LoopsHere)[DispatchIndex(target)](radius);
}

} // namespace zv::imaging::gaussian
#endif
