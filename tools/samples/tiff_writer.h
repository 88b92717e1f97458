// Generated TIFFs through libtiff: any sample layout, strips or tiles, contiguous or planar.
// The picture writer (WriteTiff in sample_writers.h) and the reader tests write with these.
#ifndef ZV_SAMPLES_TIFF_WRITER_H
#define ZV_SAMPLES_TIFF_WRITER_H

#include <tiffio.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zv::samples {

// The stored bytes of `count` pixels of row y from column x; plane -1 for contiguous data.
using TiffRowBytes = std::function<std::vector<uint8_t>(uint32_t y, uint32_t x, uint32_t count, int plane)>;

struct TiffPixelLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    int planes = 1;             // samples per pixel for planar data, else 1
    uint32_t tile = 0;          // tile side; 0 writes strips
    uint32_t rowsPerStrip = 4;
};

// The fields every generated TIFF sets. Sample format and orientation are written only where
// they differ from the defaults a reader assumes without them.
struct TiffHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bitsPerSample = 8;
    uint16_t samplesPerPixel = 1;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t compression = COMPRESSION_NONE;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    uint16_t extra = 0;  // the ExtraSamples kind of the last sample; 0 for none
};

// Opens `path` for writing with the header's fields set; null when libtiff cannot.
TIFF* CreateTiff(const std::string& path, const TiffHeader& header);

// Sets the strip or tile fields and writes every pixel, then closes the file. False when
// libtiff refuses a write.
bool WriteTiffPixelsAndClose(TIFF* tiff, const TiffPixelLayout& layout, const TiffRowBytes& rowBytes);

// A 16 x 16 greyscale TIFF of `bits` per sample (8 or 12) with its directory before its
// pixels (libtiff writes it last), so that a cut leaves the directory whole and only the
// pixels short.
std::vector<uint8_t> DirectoryFirstTiff(uint16_t bits);

} // namespace zv::samples

#endif
