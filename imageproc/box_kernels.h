// The vectorized inner loops of the box passes, one set per instruction set. Each loop does
// a leading part of its job and returns how far it got; the caller's plain loops finish the
// rest, so a loop may do nothing at all.
#ifndef ZV_IMAGEPROC_BOX_KERNELS_H
#define ZV_IMAGEPROC_BOX_KERNELS_H

#include "imageproc/box_divisor.h"
#include "imageproc/box_filter.h"
#include "imaging/core/vector_target.h"

#include <cstddef>
#include <cstdint>

namespace zv::imageproc {

namespace box {

// One row's horizontal pass over the pixels [x, end), all of whose windows lie inside the
// row; `sums` holds the three channels' running sums of pixel x − 1 and is left holding
// those of the last pixel done. Returns the first pixel not done.
using NarrowRowInterior = size_t (*)(const uint8_t* in, uint8_t* out, size_t x, size_t end, size_t radius,
                                     NarrowDivisor divide, uint32_t* sums);

// The same for two rows at once.
using NarrowRowPairInterior = size_t (*)(const uint8_t* inA, uint8_t* outA, const uint8_t* inB, uint8_t* outB,
                                         size_t x, size_t end, size_t radius, NarrowDivisor divide,
                                         uint32_t* sumsA, uint32_t* sumsB);

// One row step of the vertical pass over `count` bytes: sums += lead − trail, then
// out = (sums + radius) / window. Returns the number of leading bytes done.
using NarrowColumnSlide = size_t (*)(uint16_t* sums, const uint8_t* lead, const uint8_t* trail, uint8_t* out,
                                     size_t count, size_t radius, NarrowDivisor divide);
using WideColumnSlide = size_t (*)(uint32_t* sums, const uint8_t* lead, const uint8_t* trail, uint8_t* out,
                                   size_t count, size_t radius, WideDivisor divide);

struct NarrowKernels {
    NarrowRowInterior rowInterior;
    NarrowRowPairInterior rowPairInterior;  // null: rows go one at a time
    NarrowColumnSlide columnSlide;
};

struct WideKernels {
    WideColumnSlide columnSlide;
};

// `target` must be kPlainLoops or one of AvailableVectorTargets().
NarrowKernels NarrowKernelsFor(imaging::VectorTarget target);
WideKernels WideKernelsFor(imaging::VectorTarget target);

} // namespace box
} // namespace zv::imageproc

#endif
