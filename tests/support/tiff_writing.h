// Writing a generated TIFF's pixels, strips or tiles, contiguous or planar, for reader tests.
#ifndef ZV_TESTS_TIFF_WRITING_H
#define ZV_TESTS_TIFF_WRITING_H

#include <tiffio.h>

#include <cstdint>
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

// Sets the strip or tile fields and writes every pixel, then closes the file. False when
// libtiff refuses a write.
bool WriteTiffPixelsAndClose(TIFF* tiff, const TiffPixelLayout& layout, const TiffRowBytes& rowBytes);

} // namespace zv::test

#endif
