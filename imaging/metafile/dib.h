// Device-independent bitmaps embedded in metafiles (blits and pattern brushes), decoded into
// pixels that cairo can draw: one 32-bit word 0xFFRRGGBB per pixel, top row first.
#ifndef ZV_IMAGING_METAFILE_DIB_H
#define ZV_IMAGING_METAFILE_DIB_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zv::imaging::metafile {

struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

enum class DibResult {
    Ok,
    Unsupported,  // a valid bitmap of a kind not decoded here (compressed, palette-relative)
    Corrupt,      // header or bits inconsistent with the bytes present
    TooLarge,     // more pixels than the allocation limit or cairo allows
};

// Decodes a bitmap whose header and colour table (`info`) and pixel rows (`bits`) may lie
// apart. 1, 4, 8, 16, 24 and 32 bits a pixel, uncompressed or with bit fields; bottom-up and
// top-down rows.
DibResult DecodeDib(const uint8_t* info, size_t infoSize, const uint8_t* bits, size_t bitsSize,
                    Bitmap* out);

// Decodes a packed bitmap: header, colour table and rows one after the other.
DibResult DecodePackedDib(const uint8_t* data, size_t size, Bitmap* out);

// Whether a bitmap's rows are stored bottom row first (height field positive); false when the
// header cannot be read.
bool DibIsBottomUp(const uint8_t* info, size_t infoSize);

} // namespace zv::imaging::metafile

#endif
