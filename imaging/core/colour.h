// Colour conversions that several readers share: linear light to sRGB, and CIE L*a*b* to
// sRGB, each down to 8 bits.
#ifndef ZV_IMAGING_COLOUR_H
#define ZV_IMAGING_COLOUR_H

#include <cstdint>

namespace zv::imaging {

// Linear light (0 black, 1 white) to an sRGB-encoded 8-bit value. Values outside 0..1 are
// clamped; NaN is black.
uint8_t LinearToSrgb8(double linear);

// CIE L*a*b* relative to D50 (L 0..100, a and b around 0), as Photoshop and ICC profiles keep
// it, to 8-bit sRGB (D65): Bradford-adapted, out-of-gamut colours clamped per channel.
void LabToSrgb8(double lightness, double a, double b, uint8_t rgb[3]);

} // namespace zv::imaging

#endif
