#include "imaging/pixels/resize_filter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace zv::imaging {
namespace {

constexpr double kLobes = 3.0;

// The Taylor coefficients of sin, (-1)^k / (2k + 1)! for k = 0 ... 10.
constexpr std::array<double, 11> kSineTerms = [] {
    std::array<double, 11> terms{};
    double factorial = 1.0;
    for (size_t k = 0; k < terms.size(); ++k) {
        factorial *= k == 0 ? 1.0 : (2.0 * k) * (2.0 * k + 1.0);
        terms[k] = (k % 2 == 0 ? 1.0 : -1.0) / factorial;
    }
    return terms;
}();

// sin(t) for 0 <= t <= pi / 2 from its Taylor series to t^21, whose remainder there is below
// 1e-17. The weight tables of one resize take tens of thousands of sines: this gives the same
// bits on every system and needs no argument reduction, where the C library's sin does; under
// Windows that sin is several times slower than glibc's, and the tables took a third of a
// display copy's time.
double SineUpToHalfPi(double t)
{
    const double t2 = t * t;
    double sum = kSineTerms.back();
    for (size_t k = kSineTerms.size() - 1; k-- > 0;) {
        sum = sum * t2 + kSineTerms[k];
    }
    return t * sum;
}

// sin(t) for 0 <= t <= pi.
double SineUpToPi(double t)
{
    return SineUpToHalfPi(t <= std::numbers::pi / 2 ? t : std::numbers::pi - t);
}

// sinc(x) · sinc(x / 3) = 3 sin(pi x) sin(pi x / 3) / (pi x)^2. One sine serves both: with
// s = sin(pi x / 3), sin(pi x) = s (3 - 4 s^2), the triple-angle formula.
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
    const double third = SineUpToPi(px / kLobes);
    return kLobes * third * third * (3.0 - 4.0 * third * third) / (px * px);
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

// Rounds the cumulative sums into *out, so the fixed-point weights sum to exactly
// 1 << kWeightBits and each is within one unit of its real value.
void FixedWeights(const std::vector<double>& real, std::vector<int16_t>* out)
{
    const double scale = std::ldexp(1.0, kWeightBits);
    std::vector<int16_t>& fixed = *out;
    fixed.resize(real.size());
    double cumulative = 0.0;
    int64_t previous = 0;
    for (size_t k = 0; k < real.size(); ++k) {
        cumulative += real[k];
        const int64_t rounded = k + 1 == real.size() ? int64_t{1} << kWeightBits : std::llround(cumulative * scale);
        fixed[k] = static_cast<int16_t>(rounded - previous);
        previous = rounded;
    }
}

// Appends output `index` to the table, without the zero weights at either end. `scratch` holds
// the fixed-point weights on the way; kept from one output to the next, it is allocated once.
void AppendOutput(AxisFilter* axis, uint32_t index, const RealWeights& real, std::vector<int16_t>* scratch)
{
    FixedWeights(real.weights, scratch);
    const std::vector<int16_t>& fixed = *scratch;
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
    std::vector<int16_t> fixed;
    for (uint32_t i = 0; i < outSize; ++i) {
        RealWeightsOf(i, inSize, outSize, &real);
        AppendOutput(&axis, i, real, &fixed);
        if (axis.clampsToNearest) {
            SetNearest(&axis, i, inSize, outSize);
        }
    }
    return axis;
}

} // namespace zv::imaging
