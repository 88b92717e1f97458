#include "imaging/core/colour.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace zv::imaging {
namespace {

// The D50 white point, the reference of L*a*b* in print and in Photoshop.
constexpr double kWhiteX = 0.96422;
constexpr double kWhiteY = 1.0;
constexpr double kWhiteZ = 0.82521;

// XYZ (D50) to linear sRGB: the sRGB matrix after a Bradford adaptation from D50 to D65.
constexpr double kXyzD50ToLinearSrgb[3][3] = {
    {3.1338561, -1.6168667, -0.4906146},
    {-0.9787684, 1.9161415, 0.0334540},
    {0.0719453, -0.2289914, 1.4052427},
};

// The inverse of the L*a*b* companding function f.
double LabFInverse(double t)
{
    constexpr double kDelta = 6.0 / 29.0;
    return t > kDelta ? t * t * t : 3.0 * kDelta * kDelta * (t - 4.0 / 29.0);
}

double SrgbDecode(double encoded)
{
    return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}

// The linear values at which the rounded 8-bit sRGB value steps up: encoding is a search in
// 255 numbers instead of a power per sample, which 32-bit and 64-bit images need millions of.
class SrgbSteps {
public:
    SrgbSteps()
    {
        for (size_t i = 0; i < steps_.size(); ++i) {
            steps_[i] = SrgbDecode((static_cast<double>(i) + 0.5) / 255.0);
        }
    }

    uint8_t Encode(double linear) const
    {
        return static_cast<uint8_t>(std::upper_bound(steps_.begin(), steps_.end(), linear) - steps_.begin());
    }

private:
    std::array<double, 255> steps_{};
};

} // namespace

uint8_t LinearToSrgb8(double linear)
{
    static const SrgbSteps steps;  // built once, read-only after
    if (!(linear > 0.0)) {         // also NaN
        return 0;
    }
    return steps.Encode(linear);
}

void LabToSrgb8(double lightness, double a, double b, uint8_t rgb[3])
{
    const double fy = (lightness + 16.0) / 116.0;
    const double xyz[3] = {
        kWhiteX * LabFInverse(fy + a / 500.0),
        kWhiteY * LabFInverse(fy),
        kWhiteZ * LabFInverse(fy - b / 200.0),
    };
    for (int channel = 0; channel < 3; ++channel) {
        const double* row = kXyzD50ToLinearSrgb[channel];
        rgb[channel] = LinearToSrgb8(row[0] * xyz[0] + row[1] * xyz[1] + row[2] * xyz[2]);
    }
}

} // namespace zv::imaging
