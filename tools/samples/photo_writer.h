// A photo as a phone writes it, for the demo, the tests and the benchmarks: a JPEG stored on
// its side with EXIF Orientation 6 ("turn a quarter clockwise to show") or any other, the date taken and
// the camera, an XMP packet, IPTC records, and optionally a Display P3 profile.
#ifndef ZV_SAMPLES_PHOTO_WRITER_H
#define ZV_SAMPLES_PHOTO_WRITER_H

#include "sample_writers.h"

#include <cstdint>
#include <vector>

namespace zv::samples {

inline constexpr const char* kPhotoDateTaken = "2024:07:14 09:30:00";
inline constexpr const char* kPhotoMake = "ZVDll";
inline constexpr const char* kPhotoModel = "Sample Phone";

// The IPTC-IIM record the photo carries: 2:05, the object name "Sample".
std::vector<uint8_t> PhotoIptcRecords();

struct PhotoOptions {
    bool displayP3 = false;  // embed the Display P3 profile
    int quality = 95;
    int orientation = 6;     // 1..8; a phone held upright stores 6
};

// `upright` as a camera stores it under `options.orientation` (for 6: turned a quarter
// counter-clockwise), so that a viewer that follows the orientation shows `upright` again.
std::vector<uint8_t> PhonePhotoJpeg(const Picture& upright, const PhotoOptions& options = {});

} // namespace zv::samples

#endif
