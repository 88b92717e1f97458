#include "tiff_writer.h"

#include "raster_writers.h"

namespace zv::samples {

TIFF* CreateTiff(const std::string& path, const TiffHeader& header)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (tiff == nullptr) {
        return nullptr;
    }
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, header.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, header.height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, header.bitsPerSample);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, header.samplesPerPixel);
    if (header.sampleFormat != SAMPLEFORMAT_UINT) {
        TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, header.sampleFormat);
    }
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, header.photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, header.planar);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, header.compression);
    if (header.orientation != ORIENTATION_TOPLEFT) {
        TIFFSetField(tiff, TIFFTAG_ORIENTATION, header.orientation);
    }
    if (header.extra != 0) {
        const uint16_t kinds[] = {header.extra};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, kinds);
    }
    return tiff;
}

bool WriteTiffPixelsAndClose(TIFF* tiff, const TiffPixelLayout& layout, const TiffRowBytes& rowBytes)
{
    bool ok = true;
    const bool planar = layout.planes > 1;
    if (layout.tile != 0) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, layout.tile);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, layout.tile);
        for (int plane = 0; plane < layout.planes; ++plane) {
            for (uint32_t ty = 0; ty < layout.height; ty += layout.tile) {
                for (uint32_t tx = 0; tx < layout.width; tx += layout.tile) {
                    std::vector<uint8_t> tile;
                    for (uint32_t y = ty; y < ty + layout.tile; ++y) {
                        const auto row = rowBytes(y, tx, layout.tile, planar ? plane : -1);
                        tile.insert(tile.end(), row.begin(), row.end());
                    }
                    ok &= TIFFWriteTile(tiff, tile.data(), tx, ty, 0, static_cast<uint16_t>(plane)) >= 0;
                }
            }
        }
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, layout.rowsPerStrip);
        for (int plane = 0; plane < layout.planes; ++plane) {
            for (uint32_t y = 0; y < layout.height && ok; ++y) {
                auto row = rowBytes(y, 0, layout.width, planar ? plane : -1);
                ok &= TIFFWriteScanline(tiff, row.data(), y, static_cast<uint16_t>(plane)) == 1;
            }
        }
    }
    TIFFClose(tiff);
    return ok;
}

std::vector<uint8_t> DirectoryFirstTiff(uint16_t bits)
{
    ByteWriter out;
    const uint16_t entries = 7;
    const uint32_t pixelBytes = 16u * 16u * bits / 8u;
    out.U8('I').U8('I').U16LE(42).U32LE(8).U16LE(entries);
    const auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) { out.U16LE(tag).U16LE(type).U32LE(1).U32LE(value); };
    entry(TIFFTAG_IMAGEWIDTH, TIFF_LONG, 16);
    entry(TIFFTAG_IMAGELENGTH, TIFF_LONG, 16);
    entry(TIFFTAG_BITSPERSAMPLE, TIFF_SHORT, bits);
    entry(TIFFTAG_PHOTOMETRIC, TIFF_SHORT, PHOTOMETRIC_MINISBLACK);
    entry(TIFFTAG_STRIPOFFSETS, TIFF_LONG, 8 + 2 + entries * 12 + 4);
    entry(TIFFTAG_ROWSPERSTRIP, TIFF_LONG, 16);
    entry(TIFFTAG_STRIPBYTECOUNTS, TIFF_LONG, pixelBytes);
    out.U32LE(0);
    for (uint32_t i = 0; i < pixelBytes; ++i) {
        out.U8(i * 37);
    }
    return out.Take();
}

} // namespace zv::samples
