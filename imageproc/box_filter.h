// The exact integer box filter behind the blur: two iterations of a horizontal pass
// (image → work) and a vertical pass (work → image) with the window 2n + 1, every sample
// rounded to the nearest integer as (S + n) / (2n + 1), the samples beyond either end of a
// line standing in for the end samples.
#ifndef ZV_IMAGEPROC_BOX_FILTER_H
#define ZV_IMAGEPROC_BOX_FILTER_H

#include "imaging/core/vector_target.h"

#include <cstddef>
#include <cstdint>

namespace zv::imageproc {

// How a pass divides its sums by the window; each is exact, they differ in speed and in the
// widest window they serve.
enum class BoxArithmetic {
    Narrow,  // 16-bit sums, SIMD multiply-high: windows up to about 200
    Wide,    // 32-bit sums, 32×32→64 multiply: windows up to about 8 million
    Plain,   // 64-bit sums, plain division: any window
};

// The fastest arithmetic that is exact for `radius`.
BoxArithmetic FastestBoxArithmetic(uint32_t radius);

// Two iterations with the window 2·radius + 1, using `arithmetic` and the vector loops of
// `target` (the best one the processor runs when it does not run that one). Requires
// 1 ≤ radius ≤ width ÷ 4 and ≤ height ÷ 4, and two separate buffers of width × height × 3
// bytes. Returns false, touching nothing, when `arithmetic` is not exact for this radius or
// the radius is out of range. Needs no heap: the running sums live on the stack.
bool BoxBlurTwice(uint8_t* image, uint8_t* work, size_t width, size_t height, uint32_t radius,
                  BoxArithmetic arithmetic, imaging::VectorTarget target = imaging::BestVectorTarget());

} // namespace zv::imageproc

#endif
