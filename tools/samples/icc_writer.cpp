#include "icc_writer.h"

#include <lcms2.h>

namespace zv::samples {
namespace {

// lcms2 stamps a profile with the time it was made (header bytes 24 to 35, six big-endian
// 16-bit fields); a fixed stamp makes the same profile the same bytes on every call.
void StampFixedDate(std::vector<uint8_t>& bytes)
{
    constexpr size_t kDateOffset = 24;
    const uint16_t date[6] = {2024, 1, 1, 0, 0, 0};
    if (bytes.size() < kDateOffset + sizeof date) {
        return;
    }
    for (size_t i = 0; i < 6; ++i) {
        bytes[kDateOffset + 2 * i] = static_cast<uint8_t>(date[i] >> 8);
        bytes[kDateOffset + 2 * i + 1] = static_cast<uint8_t>(date[i]);
    }
}

std::vector<uint8_t> SaveProfile(cmsHPROFILE profile)
{
    std::vector<uint8_t> bytes;
    cmsUInt32Number size = 0;
    if (profile != nullptr && cmsSaveProfileToMem(profile, nullptr, &size) && size > 0) {
        bytes.resize(size);
        if (!cmsSaveProfileToMem(profile, bytes.data(), &size)) {
            bytes.clear();
        }
    }
    StampFixedDate(bytes);
    if (profile != nullptr) {
        cmsCloseProfile(profile);
    }
    return bytes;
}

void Describe(cmsHPROFILE profile, const char* description)
{
    cmsMLU* text = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(text, "en", "US", description);
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, text);
    cmsMLUfree(text);
}

// The sRGB transfer function as an ICC parametric curve (type 4).
cmsToneCurve* SrgbCurve()
{
    const cmsFloat64Number parameters[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    return cmsBuildParametricToneCurve(nullptr, 4, parameters);
}

} // namespace

std::vector<uint8_t> DisplayP3Profile()
{
    const cmsCIExyY white = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
    cmsToneCurve* curve = SrgbCurve();
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    if (profile != nullptr) {
        Describe(profile, "Display P3");
    }
    return SaveProfile(profile);
}

std::vector<uint8_t> GreyProfile()
{
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
    cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), curve);
    cmsFreeToneCurve(curve);
    if (profile != nullptr) {
        Describe(profile, "Grey 2.2");
    }
    return SaveProfile(profile);
}

} // namespace zv::samples
