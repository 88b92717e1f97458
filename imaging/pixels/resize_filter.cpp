#include "imaging/pixels/resize_filter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zv::imaging {
namespace {

constexpr double kLobes = 3.0;

double Lanczos3(double x)
{
    x = std::fabs(x);
    if (x >= kLobes) {
        return 0.0;
    }
    if (x < 1e-9) {
        return 1.0;
    }
    const double px = std::numbers::pi * x;
    return kLobes * std::sin(px) * std::sin(px / kLobes) / (px * px);
}

// How far the filter reaches, in source pixels, and how much it is stretched.
struct Reach {
    double stretch;  // max(in / out, 1)
    double support;  // kLobes · stretch
};

Reach ReachOf(uint32_t inSize, uint32_t outSize)
{
    const double stretch = std::max(static_cast<double>(inSize) / outSize, 1.0);
    return {stretch, kLobes * stretch};
}

double CentreOf(uint32_t index, uint32_t inSize, uint32_t outSize)
{
    return (index + 0.5) * static_cast<double>(inSize) / outSize;
}

// The real weights of one output: source pixels first … first + size() − 1, normalised.
struct RealWeights {
    uint32_t first = 0;
    std::vector<double> weights;
};

void RealWeightsOf(uint32_t index, uint32_t inSize, uint32_t outSize, RealWeights* out)
{
    const Reach reach = ReachOf(inSize, outSize);
    const double centre = CentreOf(index, inSize, outSize);
    // Source pixel j's centre is j + 0.5; those strictly inside the support contribute.
    const double low = std::max(std::ceil(centre - reach.support - 0.5), 0.0);
    const double high = std::min(std::floor(centre + reach.support - 0.5), inSize - 1.0);
    out->first = static_cast<uint32_t>(low);
    out->weights.clear();
    double total = 0.0;
    for (double j = low; j <= high; j += 1.0) {
        const double weight = Lanczos3((j + 0.5 - centre) / reach.stretch);
        out->weights.push_back(weight);
        total += weight;
    }
    for (double& weight : out->weights) {
        weight /= total;
    }
}

// Rounds the cumulative sums, so the fixed-point weights sum to exactly 1 << kWeightBits and
// each is within one unit of its real value.
std::vector<int16_t> FixedWeights(const std::vector<double>& real)
{
    const double scale = std::ldexp(1.0, kWeightBits);
    std::vector<int16_t> fixed(real.size());
    double cumulative = 0.0;
    int64_t previous = 0;
    for (size_t k = 0; k < real.size(); ++k) {
        cumulative += real[k];
        const int64_t rounded = k + 1 == real.size() ? int64_t{1} << kWeightBits : std::llround(cumulative * scale);
        fixed[k] = static_cast<int16_t>(rounded - previous);
        previous = rounded;
    }
    return fixed;
}

// Appends output `index` to the table, without the zero weights at either end.
void AppendOutput(AxisFilter* axis, uint32_t index, const RealWeights& real)
{
    const std::vector<int16_t> fixed = FixedWeights(real.weights);
    const auto nonZero = [](int16_t w) { return w != 0; };
    const auto begin = std::find_if(fixed.begin(), fixed.end(), nonZero);
    const auto end = std::find_if(fixed.rbegin(), fixed.rend(), nonZero).base();
    const auto taps = static_cast<uint32_t>(end - begin);
    axis->first[index] = real.first + static_cast<uint32_t>(begin - fixed.begin());
    axis->taps[index] = taps;
    axis->offset[index] = axis->weights.size();
    axis->maxTaps = std::max(axis->maxTaps, taps);
    axis->weights.insert(axis->weights.end(), begin, end);
    const uint32_t padded = (taps + kTapGroup - 1) / kTapGroup * kTapGroup;
    axis->weights.resize(axis->weights.size() + (padded - taps), 0);
}

// The nearest source pixels to an enlarged output, two either side of its centre, among those
// it reads (an output right on a source pixel reads that pixel alone).
void SetNearest(AxisFilter* axis, uint32_t index, uint32_t inSize, uint32_t outSize)
{
    const double left = std::floor(CentreOf(index, inSize, outSize) - 0.5);
    const double firstRead = axis->first[index];
    const double lastRead = firstRead + axis->taps[index] - 1.0;
    const double first = std::max(left - (kNearPixels / 2 - 1), firstRead);
    const double last = std::min(left + kNearPixels / 2, lastRead);
    axis->nearFirst[index] = static_cast<uint32_t>(first);
    axis->nearCount[index] = static_cast<uint32_t>(last - first) + 1;
}

} // namespace

uint32_t MaxFilterTaps(uint32_t inSize, uint32_t outSize)
{
    const double bound = std::floor(2.0 * ReachOf(inSize, outSize).support) + 2.0;
    return static_cast<uint32_t>(std::min(bound, static_cast<double>(inSize)));
}

uint64_t AxisFilterBytes(uint32_t inSize, uint32_t outSize)
{
    const uint64_t taps = MaxFilterTaps(inSize, outSize);
    const uint64_t perOutput = 4 * sizeof(uint32_t) + sizeof(size_t);
    const uint64_t weights = uint64_t{outSize} * (taps + kTapGroup - 1) * sizeof(int16_t);
    const uint64_t scratch = taps * (sizeof(double) + sizeof(int16_t));
    return weights + uint64_t{outSize} * perOutput + scratch;
}

AxisFilter BuildAxisFilter(uint32_t inSize, uint32_t outSize)
{
    AxisFilter axis;
    axis.first.resize(outSize);
    axis.taps.resize(outSize);
    axis.offset.resize(outSize);
    axis.weights.reserve(size_t{outSize} * (MaxFilterTaps(inSize, outSize) + kTapGroup - 1));
    axis.clampsToNearest = outSize > inSize;
    if (axis.clampsToNearest) {
        axis.nearFirst.resize(outSize);
        axis.nearCount.resize(outSize);
    }
    RealWeights real;
    for (uint32_t i = 0; i < outSize; ++i) {
        RealWeightsOf(i, inSize, outSize, &real);
        AppendOutput(&axis, i, real);
        if (axis.clampsToNearest) {
            SetNearest(&axis, i, inSize, outSize);
        }
    }
    return axis;
}

} // namespace zv::imaging
