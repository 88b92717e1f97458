#include "imaging/metadata/icc_profile.h"

#include <lcms2.h>

#include <algorithm>
#include <cstring>

namespace zv::imaging {
namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kTagEntrySize = 12;
constexpr size_t kPixel = 3;
// cmsDoTransform counts pixels in 32 bits: larger pictures go through in pieces.
constexpr uint64_t kPixelsPerCall = uint64_t{1} << 24;

uint32_t BigEndian32(const uint8_t* p)
{
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// The profile's own length when its header and tag table lie inside the `size` bytes given,
// else 0. lcms2 quietly trusts the data over a size field that claims more, and skips a tag
// that points outside the profile: a profile read that way would convert with some of its
// curves or primaries missing, so such a profile counts as damaged.
uint32_t CheckedLength(const uint8_t* profile, size_t size)
{
    if (profile == nullptr || size < kHeaderSize + 4) {
        return 0;
    }
    const uint32_t declared = BigEndian32(profile);
    if (declared > size || declared < kHeaderSize + 4) {
        return 0;
    }
    const uint32_t tags = BigEndian32(profile + kHeaderSize);
    if (tags > (declared - kHeaderSize - 4) / kTagEntrySize) {
        return 0;
    }
    for (uint32_t i = 0; i < tags; ++i) {
        const uint8_t* entry = profile + kHeaderSize + 4 + size_t{i} * kTagEntrySize;
        if (uint64_t{BigEndian32(entry + 4)} + BigEndian32(entry + 8) > declared) {
            return 0;
        }
    }
    return declared;
}

void IgnoreError(cmsContext, cmsUInt32Number, const char*) {}

// One conversion's lcms2 objects, in a context of their own so that calls on several threads
// share nothing.
class Conversion {
public:
    Conversion() = default;
    Conversion(const Conversion&) = delete;
    Conversion& operator=(const Conversion&) = delete;
    ~Conversion()
    {
        if (transform_ != nullptr) {
            cmsDeleteTransform(transform_);
        }
        if (srgb_ != nullptr) {
            cmsCloseProfile(srgb_);
        }
        if (profile_ != nullptr) {
            cmsCloseProfile(profile_);
        }
        if (context_ != nullptr) {
            cmsDeleteContext(context_);
        }
    }

    // Reads the profile; true when it is an RGB profile of a class that can describe input
    // pixels. Nothing is read outside the given bytes.
    bool Open(const uint8_t* profile, size_t size)
    {
        const uint32_t length = CheckedLength(profile, size);
        if (length == 0) {
            return false;
        }
        context_ = cmsCreateContext(nullptr, nullptr);
        if (context_ == nullptr) {
            return false;
        }
        cmsSetLogErrorHandlerTHR(context_, IgnoreError);
        profile_ = cmsOpenProfileFromMemTHR(context_, profile, length);
        if (profile_ == nullptr || cmsGetColorSpace(profile_) != cmsSigRgbData) {
            return false;
        }
        // A device link or an abstract profile does not say what RGB values mean on their own.
        const cmsProfileClassSignature kind = cmsGetDeviceClass(profile_);
        return kind == cmsSigInputClass || kind == cmsSigDisplayClass || kind == cmsSigOutputClass ||
               kind == cmsSigColorSpaceClass;
    }

    // Builds the transform to sRGB; false when the profile lacks what `intent` needs or its
    // tags do not read as the curves and tables they claim to be. A transform only built to
    // check the profile skips lcms2's optimisation, which reads the same tags and costs several
    // times the building.
    bool Prepare(int intent, bool toRun = true)
    {
        if (!cmsIsIntentSupported(profile_, static_cast<cmsUInt32Number>(intent), LCMS_USED_AS_INPUT)) {
            return false;
        }
        srgb_ = srgb_ != nullptr ? srgb_ : cmsCreate_sRGBProfileTHR(context_);
        if (srgb_ == nullptr) {
            return false;
        }
        if (transform_ != nullptr) {
            cmsDeleteTransform(transform_);
        }
        // No one-pixel cache: photos rarely repeat a pixel exactly, and 8-bit RGB to RGB runs
        // through lcms2's optimised matrix-shaper path anyway.
        const cmsUInt32Number flags = cmsFLAGS_NOCACHE | (toRun ? 0 : cmsFLAGS_NOOPTIMIZE);
        transform_ = cmsCreateTransformTHR(context_, profile_, TYPE_RGB_8, srgb_, TYPE_RGB_8,
                                           static_cast<cmsUInt32Number>(intent), flags);
        return transform_ != nullptr;
    }

    // Converts in place: input and output have the same pixel size, which lcms2 allows.
    void Run(uint8_t* pixels, uint64_t count) const
    {
        while (count > 0) {
            const auto n = static_cast<cmsUInt32Number>(std::min(count, kPixelsPerCall));
            cmsDoTransform(transform_, pixels, pixels, n);
            pixels += size_t{n} * kPixel;
            count -= n;
        }
    }

    std::string Description() const
    {
        std::string text;
        const cmsUInt32Number needed =
            cmsGetProfileInfoASCII(profile_, cmsInfoDescription, "en", "US", nullptr, 0);
        if (needed > 1) {
            text.resize(needed);
            cmsGetProfileInfoASCII(profile_, cmsInfoDescription, "en", "US", text.data(), needed);
            text.resize(strnlen(text.c_str(), needed));
        }
        return text;
    }

private:
    cmsContext context_ = nullptr;
    cmsHPROFILE profile_ = nullptr;
    cmsHPROFILE srgb_ = nullptr;
    cmsHTRANSFORM transform_ = nullptr;
};

} // namespace

std::optional<std::string> DescribeRgbProfile(const uint8_t* profile, size_t size)
{
    Conversion conversion;
    if (!conversion.Open(profile, size)) {
        return std::nullopt;
    }
    // Usable when either intent a host may ask for converts.
    if (!conversion.Prepare(INTENT_PERCEPTUAL, false) && !conversion.Prepare(INTENT_RELATIVE_COLORIMETRIC, false)) {
        return std::nullopt;
    }
    return conversion.Description();
}

bool ConvertRgbToSrgb(uint8_t* pixels, uint32_t width, uint32_t height, const uint8_t* profile, size_t size,
                      int intent)
{
    const uint64_t count = uint64_t{width} * height;
    if (pixels == nullptr || count == 0 || count > SIZE_MAX / kPixel ||
        (intent != INTENT_PERCEPTUAL && intent != INTENT_RELATIVE_COLORIMETRIC)) {
        return false;
    }
    Conversion conversion;
    if (!conversion.Open(profile, size) || !conversion.Prepare(intent)) {
        return false;
    }
    conversion.Run(pixels, count);
    return true;
}

} // namespace zv::imaging
