#include "imageproc/blur.h"

#include "imageproc/box_filter.h"
#include "imaging/core/imaging.h"

#include <cmath>
#include <cstddef>

namespace zv::imageproc {
namespace {

constexpr uint32_t kChannels = 3;
constexpr double kSmallestAmount = 0.1;
constexpr int32_t kLargestRadiusWithFraction = 20;
constexpr double kSmallestFraction = 0.01;
constexpr uint32_t kGaussianFlags = 7;

} // namespace

BlurSplit SplitBlurAmount(double amount, int32_t width, int32_t height)
{
    // Truncating in floating point gives the same value as through an integer wherever that
    // is defined, and stays defined for amounts no integer holds.
    double kept = std::trunc(amount * 10.0) * 0.1;
    if (!(kept >= kSmallestAmount)) {  // not a number counts as too small
        kept = kSmallestAmount;
    }
    const int32_t widthCap = width / 4;
    if (kept > widthCap) {
        kept = widthCap;
    }
    const int32_t heightCap = height / 4;
    if (kept > heightCap) {
        kept = heightCap;
    }
    BlurSplit split;
    split.radius = static_cast<int32_t>(kept);
    split.fraction = split.radius > kLargestRadiusWithFraction ? 0.0 : kept - split.radius;
    return split;
}

int32_t BlurGaussian(uint8_t* image, int32_t width, int32_t height, double amount, uint8_t* work)
{
    const BlurSplit split = SplitBlurAmount(amount, width, height);
    if (split.radius >= 1) {
        const auto radius = static_cast<uint32_t>(split.radius);
        BoxBlurTwice(image, work, static_cast<size_t>(width), static_cast<size_t>(height), radius,
                     FastestBoxArithmetic(radius));
    }
    if (!(split.fraction > kSmallestFraction)) {
        return 0;
    }
    // A fraction is left only when neither cap applied, so both sizes are at least 4.
    const uint32_t rowBytes = static_cast<uint32_t>(width) * kChannels;
    return static_cast<int32_t>(IS40_GaussianBlurImage(image, static_cast<uint32_t>(width),
                                                       static_cast<uint32_t>(height), kChannels,
                                                       rowBytes, work, rowBytes, split.fraction,
                                                       kGaussianFlags));
}

} // namespace zv::imageproc
