#include "imaging/metadata/icc_profile.h"

#include "icc_writer.h"
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "zvdll.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// In-gamut Display P3 colours, two rows of three pixels.
const Bytes kColours = {200, 60, 40, 90, 160, 70, 40, 80, 200, 40, 80, 200, 200, 60, 40, 90, 160, 70};

// What lcms2 itself makes of the pixels, computed in floating point from the same profile.
Bytes LcmsReference(const Bytes& profile, const Bytes& pixels, int intent)
{
    cmsHPROFILE source = cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform = cmsCreateTransform(source, TYPE_RGB_DBL, srgb, TYPE_RGB_DBL, intent, 0);
    EXPECT_NE(transform, nullptr);
    Bytes out;
    for (size_t i = 0; transform != nullptr && i < pixels.size(); i += 3) {
        double in[3] = {pixels[i] / 255.0, pixels[i + 1] / 255.0, pixels[i + 2] / 255.0}, result[3];
        cmsDoTransform(transform, in, result, 1);
        for (double v : result) {
            out.push_back(static_cast<uint8_t>(std::lround(std::fmin(std::fmax(v, 0.0), 1.0) * 255.0)));
        }
    }
    cmsDeleteTransform(transform);
    cmsCloseProfile(srgb);
    cmsCloseProfile(source);
    return out;
}

TEST(IccProfile, DisplayP3ConvertsAsLcmsComputesInBothIntents)
{
    const Bytes p3 = zv::samples::DisplayP3Profile();
    ASSERT_FALSE(p3.empty());
    EXPECT_EQ(zv::imaging::DescribeRgbProfile(p3.data(), p3.size()), "Display P3");
    for (int intent : {ZV_INTENT_PERCEPTUAL, ZV_INTENT_RELATIVE_COLORIMETRIC}) {
        const Bytes expected = LcmsReference(p3, kColours, intent);
        ASSERT_EQ(expected.size(), kColours.size());
        Bytes pixels = kColours;
        ASSERT_EQ(ZvConvertToSrgb(pixels.data(), 3, 2, p3.data(), p3.size(), intent), 1);
        for (size_t i = 0; i < pixels.size(); ++i) {
            EXPECT_NEAR(pixels[i], expected[i], 1) << "intent " << intent << " byte " << i;
        }
        // Wider primaries: every pixel moves further than rounding could.
        for (size_t i = 0; i < pixels.size(); i += 3) {
            int moved = 0;
            for (size_t c = i; c < i + 3; ++c) {
                moved = std::max(moved, std::abs(pixels[c] - kColours[c]));
            }
            EXPECT_GT(moved, 2) << "intent " << intent << " pixel " << i / 3;
        }
    }
}

void PutBigEndian32(Bytes& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
    }
}

TEST(IccProfile, UnusableProfilesAndArgumentsLeaveThePixelsAsTheyWere)
{
    const Bytes p3 = zv::samples::DisplayP3Profile();
    Bytes truncated(p3.begin(), p3.begin() + static_cast<ptrdiff_t>(p3.size() / 2));
    Bytes manyTags = p3, farTag = p3, claimsMore = p3;
    PutBigEndian32(manyTags, 128, 0xFFFFFFFFu);
    PutBigEndian32(farTag, 128 + 4 + 4, static_cast<uint32_t>(p3.size()) + 16);  // first tag's offset
    PutBigEndian32(claimsMore, 0, static_cast<uint32_t>(p3.size()) + 1000);
    struct Case {
        const char* what;
        Bytes profile;
        int32_t width = 3, height = 2, intent = ZV_INTENT_PERCEPTUAL;
        bool nullPixels = false;
    };
    const Case cases[] = {
        {"grey profile", zv::samples::GreyProfile()},
        {"truncated", truncated},
        {"tag count 0xFFFFFFFF", manyTags},
        {"tag offset past the end", farTag},
        {"declared size larger than the data", claimsMore},
        {"empty profile", {}},
        {"unknown intent", p3, 3, 2, 2},
        {"negative intent", p3, 3, 2, -1},
        {"zero width", p3, 0, 2},
        {"negative height", p3, 3, -2},
        {"null pixels", p3, 3, 2, ZV_INTENT_PERCEPTUAL, true},
    };
    for (const Case& c : cases) {
        Bytes pixels = kColours;
        zv::imaging::SetLastError(0);
        EXPECT_EQ(ZvConvertToSrgb(c.nullPixels ? nullptr : pixels.data(), c.width, c.height,
                                  c.profile.empty() ? nullptr : c.profile.data(), c.profile.size(), c.intent),
                  0)
            << c.what;
        EXPECT_EQ(IS40_GetLastError(), zv::imaging::kErrBadParameter) << c.what;
        EXPECT_EQ(pixels, kColours) << c.what;
        if (c.profile != p3) {
            EXPECT_EQ(zv::imaging::DescribeRgbProfile(c.profile.data(), c.profile.size()), std::nullopt) << c.what;
        }
    }
}

} // namespace
