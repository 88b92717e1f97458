// ICC profiles for the tests and seeds, made with Little CMS: a wide-gamut RGB profile whose
// in-gamut colours convert to sRGB values that differ from the input, and damaged copies.
#ifndef ZV_SAMPLES_ICC_WRITER_H
#define ZV_SAMPLES_ICC_WRITER_H

#include <cstdint>
#include <vector>

namespace zv::samples {

// Display P3: DCI-P3 primaries, D65 white, the sRGB tone curve; described as "Display P3".
std::vector<uint8_t> DisplayP3Profile();

// A grey profile (gamma 2.2), valid but not one RGB pixels can be converted from.
std::vector<uint8_t> GreyProfile();

} // namespace zv::samples

#endif
