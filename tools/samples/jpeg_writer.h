// Writes JPEG files in every colour space and scan layout the reader takes, for the tests and
// the fuzzing seeds: libjpeg encodes, these choose what it stores.
#ifndef ZV_SAMPLES_JPEG_WRITER_H
#define ZV_SAMPLES_JPEG_WRITER_H

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include <jpeglib.h>

namespace zv::samples {

struct JpegLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    J_COLOR_SPACE input = JCS_RGB;            // the samples given: JCS_RGB, JCS_GRAYSCALE or JCS_CMYK
    std::optional<J_COLOR_SPACE> stored;      // what the file stores; libjpeg's default when unset
    std::optional<bool> adobeMarker;          // the APP14 marker; libjpeg's default when unset
    bool progressive = false;
    bool fullChroma = false;                  // colour at full resolution, not halved both ways
    int quality = 95;
    int restartRows = 0;
    std::vector<jpeg_scan_info> scans;        // a custom progressive scan script
    std::vector<std::pair<int, std::vector<uint8_t>>> markers;  // (JPEG_APP0 + n, data), in order
    std::vector<uint8_t> iccProfile;          // split into APP2 chunks by libjpeg
};

int JpegComponents(J_COLOR_SPACE space);

// `row(y)` gives row y's samples, width * components bytes.
std::vector<uint8_t> JpegFile(const JpegLayout& layout, const std::function<std::vector<uint8_t>(uint32_t)>& row);

} // namespace zv::samples

#endif
