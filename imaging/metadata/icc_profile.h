// ICC profiles through Little CMS: whether an embedded profile can be used, what it calls
// itself, and the conversion of RGB pixels from it to sRGB.
#ifndef ZV_IMAGING_METADATA_ICC_PROFILE_H
#define ZV_IMAGING_METADATA_ICC_PROFILE_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace zv::imaging {

// The profile's description (empty when it has none) when lcms2 accepts `profile` as an RGB
// profile that pixels can be converted from; nullopt when it is damaged or of another colour
// space.
std::optional<std::string> DescribeRgbProfile(const uint8_t* profile, size_t size);

// Converts width x height RGB pixels in place from `profile` to sRGB with the ICC rendering
// intent `intent` (0 perceptual, 1 relative colorimetric). Returns false, with the pixels
// untouched, when the profile cannot be used or the intent is neither.
bool ConvertRgbToSrgb(uint8_t* pixels, uint32_t width, uint32_t height, const uint8_t* profile, size_t size,
                      int intent);

} // namespace zv::imaging

#endif
