// The Gaussian blur's weights and its vector loops (see gaussian.cpp for the arithmetic that
// every loop follows to the bit).
#ifndef ZV_IMAGING_GAUSSIAN_KERNELS_H
#define ZV_IMAGING_GAUSSIAN_KERNELS_H

#include "imaging/core/vector_target.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace zv::imaging::gaussian {

inline constexpr size_t kLargestRadius = 60;  // ceil(3 · the largest amount, 20)

struct Kernel {
    size_t radius = 0;  // the farthest offset with a non-zero weight; 0: a copy
    uint16_t bias = 0;  // (radius + 1) / 2: the average loss of the truncating terms
    uint16_t centre = 0;
    std::array<uint16_t, kLargestRadius + 1> pair{};  // pair[k] = 2 · Wk for k = 1 … radius
};

// The vector loops do a leading part of a row and return how many bytes they did.
// Vertical: `rows` holds the clamped input rows for the offsets −radius … radius.
using VerticalLoop = size_t (*)(const Kernel&, const uint8_t* const* rows, size_t rowBytes, uint16_t* middle);
// Horizontal: `middle` is padded with radius pixels on either side.
using HorizontalLoop = size_t (*)(const Kernel&, const uint16_t* middle, size_t pixelBytes, size_t rowBytes,
                                  uint8_t* out);

struct Loops {
    VerticalLoop vertical;
    HorizontalLoop horizontal;
};

// The loops of `target` (kPlainLoops or one of AvailableVectorTargets()) for kernels of
// `radius`; those of kPlainLoops do nothing.
Loops LoopsFor(VectorTarget target, size_t radius);

} // namespace zv::imaging::gaussian

#endif
