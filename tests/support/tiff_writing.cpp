#include "tests/support/tiff_writing.h"

namespace zv::test {

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
            for (uint32_t y = 0; y < layout.height; ++y) {
                auto row = rowBytes(y, 0, layout.width, planar ? plane : -1);
                ok &= TIFFWriteScanline(tiff, row.data(), y, static_cast<uint16_t>(plane)) == 1;
            }
        }
    }
    TIFFClose(tiff);
    return ok;
}

} // namespace zv::test
