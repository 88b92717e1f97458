// Gaussian blur of an RGB buffer: the whole part of the amount as two iterations of an exact
// integer box filter, a remaining fraction through the imaging library's Gaussian blur.
#ifndef ZV_IMAGEPROC_BLUR_H
#define ZV_IMAGEPROC_BLUR_H

#include <cstddef>
#include <cstdint>

namespace zv::imageproc {

// What the amount comes to for one image: the box radius n (window 2n + 1) and the fraction
// left for the Gaussian.
struct BlurSplit {
    int32_t radius = 0;
    double fraction = 0.0;
};

// Keeps one decimal of `amount` (truncated), raises it to at least 0.1, caps it at width ÷ 4
// and then height ÷ 4 (integer quotients), and splits it into whole part and fraction; the
// fraction is dropped above a radius of 20. An amount that is not a number counts as below
// the minimum.
BlurSplit SplitBlurAmount(double amount, int32_t width, int32_t height);

// The host's entry point. Runs the box iterations when the radius is at least 1 (the result
// is then in `image`), and the fractional Gaussian from `image` into `work` when the fraction
// exceeds 0.01, returning its result (non-zero: the image is in `work`). Otherwise 0.
// `image` and `work` are two separate buffers of width × height × 3 bytes.
int32_t BlurGaussian(uint8_t* image, int32_t width, int32_t height, double amount, uint8_t* work);

// How a box pass divides its sums by the window; each is exact, they differ in speed and in
// the widest window they can serve.
enum class BoxArithmetic {
    Narrow,  // 16-bit sums, SIMD multiply-high: windows up to about 200
    Wide,    // 32-bit sums, 32×32→64 multiply: windows up to about 16 million
    Plain,   // 64-bit sums, plain division: any window
};

// The fastest arithmetic that is exact for `radius`.
BoxArithmetic FastestBoxArithmetic(uint32_t radius);

// Two iterations of (horizontal pass image → work, vertical pass work → image) with the
// window 2·radius + 1, using `arithmetic`. Requires 1 ≤ radius ≤ width ÷ 4 and ≤ height ÷ 4.
// Returns false, touching nothing, when `arithmetic` is not exact for this radius or the
// radius is out of range.
bool BoxBlurTwice(uint8_t* image, uint8_t* work, size_t width, size_t height, uint32_t radius,
                  BoxArithmetic arithmetic);

} // namespace zv::imageproc

#endif
