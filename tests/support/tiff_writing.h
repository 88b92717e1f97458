// Writing a generated TIFF's pixels, strips or tiles, contiguous or planar, for reader tests.
#ifndef ZV_TESTS_TIFF_WRITING_H
#define ZV_TESTS_TIFF_WRITING_H

#include <tiffio.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

namespace zv::test {

// The stored bytes of `count` pixels of row y from column x; plane -1 for contiguous data.
using TiffRowBytes = std::function<std::vector<uint8_t>(uint32_t y, uint32_t x, uint32_t count, int plane)>;

struct TiffPixelLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    int planes = 1;             // samples per pixel for planar data, else 1
    uint32_t tile = 0;          // tile side; 0 writes strips
    uint32_t rowsPerStrip = 4;
};

// The fields every generated TIFF sets.
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

// Opens `file` for writing with the header's fields set; null when libtiff cannot.
TIFF* CreateTiff(const std::filesystem::path& file, const TiffHeader& header);

// A 16 x 16 greyscale TIFF of `bits` per sample (8 or 12) with its directory before its
// pixels, so that a cut leaves the directory whole and only the pixels short.
std::vector<uint8_t> DirectoryFirstTiff(uint16_t bits);

// Sets the strip or tile fields and writes every pixel, then closes the file. False when
// libtiff refuses a write.
bool WriteTiffPixelsAndClose(TIFF* tiff, const TiffPixelLayout& layout, const TiffRowBytes& rowBytes);

} // namespace zv::test

#endif
