// The TIFF layouts that libtiff's RGBA interface will not render, decoded sample by sample:
// libtiff still does all decompression (strips and tiles, contiguous and planar); this turns
// the decoded samples into the same 4-byte raster TIFFRGBAImageGet fills, rows as stored.
//
// Sample mapping to 8 bits:
//   unsigned 1-15 bits  v * 255 / (2^bits - 1), rounded (12-bit 4095 -> 255, 2048 -> 128)
//   unsigned 16 bits    the high byte, as libtiff's own 16-bit greyscale path does
//   unsigned 32 bits    the high byte
//   signed 8/16/32      2^(bits-1) added (the most negative value is 0), then as unsigned
//   IEEE float 16/32/64 clamped to 0..1, times 255, rounded (NaN -> 0)
// Greyscale (either polarity), RGB and CMYK (InkSet CMYK; inverted and multiplied as the
// 8-bit CMYK path does, on the 8-bit values). Extra samples are dropped, except a first
// extra sample of premultiplied alpha, which goes into the raster's alpha so the caller
// can divide it back out as it does for everything else.
#ifndef ZV_IMAGING_TIFF_SAMPLES_H
#define ZV_IMAGING_TIFF_SAMPLES_H

#include "imaging/core/errors.h"

#include <cstdint>
#include <optional>

#include <tiffio.h>

namespace zv::imaging {

struct SampleLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bitsPerSample = 0;
    uint16_t samplesPerPixel = 0;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    bool planar = false;
    uint16_t colourChannels = 0;  // 1 grey, 3 RGB, 4 CMYK
    bool keepAlpha = false;       // the first extra sample is premultiplied alpha
    bool tiled = false;
    uint32_t blockWidth = 0;      // a tile, or a strip (the whole width)
    uint32_t blockHeight = 0;
};

// The layout of the current image, or nothing when these samples cannot be converted.
std::optional<SampleLayout> DescribeSamples(TIFF* tiff, bool premultiplied);

enum class SampleRead { Done, Failed, NoMemory };

// Fills `raster` (width * height 4-byte pixels, as TIFFGetR/G/B/A read them) in stored row
// order. Failed: libtiff could not deliver the data (its handler has the reason).
// NoMemory: a block buffer was over the limit; the last error is already set.
SampleRead ReadSamples(TIFF* tiff, const SampleLayout& layout, uint8_t* raster);

} // namespace zv::imaging

#endif
