// Gaussian blur of an RGB buffer: the whole part of the amount as two iterations of an exact
// integer box filter (box_filter.h), a remaining fraction through the imaging library's
// Gaussian blur.
#ifndef ZV_IMAGEPROC_BLUR_H
#define ZV_IMAGEPROC_BLUR_H

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

} // namespace zv::imageproc

#endif
