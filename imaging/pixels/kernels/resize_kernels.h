// The resampler's two passes over rows of 3-byte pixels, in plain loops and in vector loops
// for each instruction set, all giving the same bytes (integer sums of the same products,
// rounded the same way).
//
// Horizontal: a source row of bytes becomes a row of 16-bit values, the filtered bytes scaled
// by 2^7 and clamped to 0 … 255 · 2^7: the 7 extra bits keep the second pass's rounding from
// adding up, and the clamp cuts the filter's overshoot past black and white early, so every
// sum of the second pass fits 32 bits.
// Vertical: the filtered rows around one output row, weighted, rounded back to bytes and
// clamped to 0 … 255.
#ifndef ZV_IMAGING_RESIZE_KERNELS_H
#define ZV_IMAGING_RESIZE_KERNELS_H

#include "imaging/core/vector_target.h"
#include "imaging/pixels/resize_filter.h"

#include <cstddef>
#include <cstdint>

namespace zv::imaging {

inline constexpr int kRowFractionBits = 7;
inline constexpr int16_t kRowMax = 255 << kRowFractionBits;
// Values after a filtered row's last pixel that the vector loops may overwrite: they store
// four values for each pixel's three.
inline constexpr size_t kRowPadding = 1;

// The most source rows a horizontal pass filters at once: they share each weight's load.
inline constexpr uint32_t kRowsAtOnce = 4;

// Filters `count` source rows (1 … kRowsAtOnce) of `rowBytes` bytes along x into rows of
// axis.first.size() pixels. Never reads outside the source rows.
using HorizontalPass = void (*)(const AxisFilter& axis, const uint8_t* const* rows, int16_t* const* out,
                                uint32_t count, size_t rowBytes);

// out[x] for x < length: the filtered rows rows[0 … taps − 1] weighted by weights[0 … taps − 1].
using VerticalPass = void (*)(const int16_t* const* rows, const int16_t* weights, uint32_t taps, size_t length,
                              uint8_t* out);

struct ResizePasses {
    HorizontalPass horizontal;
    VerticalPass vertical;
};

// `target` must be kPlainLoops or one of AvailableVectorTargets().
ResizePasses PassesFor(VectorTarget target);

} // namespace zv::imaging

#endif
