#include "sample_writers.h"

#include "raster_writers.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>

namespace zv::samples {
namespace {

uint8_t Channel(const Picture& picture, uint32_t x, uint32_t y, int channel)
{
    return picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3 + static_cast<size_t>(channel)];
}

} // namespace

Picture MakeTestPicture(uint32_t width, uint32_t height)
{
    Picture picture{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
    const double cx = width * 0.62;
    const double cy = height * 0.45;
    const double radius = std::min(width, height) * 0.28;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* p = &picture.rgb[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = static_cast<uint8_t>(255 * x / std::max(1u, width - 1));
            p[1] = static_cast<uint8_t>(255 * y / std::max(1u, height - 1));
            p[2] = 160;
            if (std::hypot(x - cx, y - cy) < radius) {
                p[0] = 250;
                p[1] = 210;
                p[2] = 40;
            }
            if (x < width / 4 && (y / 8) % 2 == 0) {
                p[0] = p[1] = p[2] = 20;
            }
        }
    }
    return picture;
}

bool WriteTiff(const std::string& path, const Picture& picture)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (tiff == nullptr) {
        return false;
    }
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, picture.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, picture.height);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
    bool ok = true;
    for (uint32_t y = 0; y < picture.height && ok; ++y) {
        auto* row = const_cast<uint8_t*>(&picture.rgb[static_cast<size_t>(y) * picture.width * 3]);
        ok = TIFFWriteScanline(tiff, row, y, 0) == 1;
    }
    TIFFClose(tiff);
    return ok;
}

bool WriteGif(const std::string& path, const Picture& picture)
{
    GifLayout layout;
    layout.screenWidth = layout.width = static_cast<int>(picture.width);
    layout.screenHeight = layout.height = static_cast<int>(picture.height);
    layout.globalMap.resize(256 * 3);  // the 6x6x6 cube, then black
    for (int i = 0; i < 216; ++i) {
        layout.globalMap[i * 3] = static_cast<uint8_t>(i / 36 * 51);
        layout.globalMap[i * 3 + 1] = static_cast<uint8_t>(i / 6 % 6 * 51);
        layout.globalMap[i * 3 + 2] = static_cast<uint8_t>(i % 6 * 51);
    }
    std::vector<uint8_t> indices;
    for (uint32_t y = 0; y < picture.height; ++y) {
        for (uint32_t x = 0; x < picture.width; ++x) {
            const int r = (Channel(picture, x, y, 0) + 25) / 51;
            const int g = (Channel(picture, x, y, 1) + 25) / 51;
            const int b = (Channel(picture, x, y, 2) + 25) / 51;
            indices.push_back(static_cast<uint8_t>(r * 36 + g * 6 + b));
        }
    }
    return WriteGifFile(path, layout, indices);
}

bool WriteTga(const std::string& path, const Picture& picture)
{
    std::vector<uint8_t> bgr;
    for (size_t i = 0; i < picture.rgb.size(); i += 3) {
        bgr.insert(bgr.end(), {picture.rgb[i + 2], picture.rgb[i + 1], picture.rgb[i]});
    }
    const TgaLayout layout{10, 24, 0x20, 0, 0, 0, "", false};
    return SaveBytes(path, TgaFile(layout, static_cast<uint16_t>(picture.width),
                                   static_cast<uint16_t>(picture.height), {}, bgr));
}

bool WritePcx(const std::string& path, const Picture& picture)
{
    PcxLayout layout;
    layout.planes = 3;
    layout.bytesPerLine = static_cast<uint16_t>((picture.width + 1) & ~1u);  // even, as PCX asks
    std::vector<uint32_t> values;
    for (size_t i = 0; i < picture.rgb.size(); i += 3) {
        values.push_back(uint32_t{picture.rgb[i]} << 16 | uint32_t{picture.rgb[i + 1]} << 8 | picture.rgb[i + 2]);
    }
    return SaveBytes(path, PcxFile(layout, static_cast<uint16_t>(picture.width),
                                   static_cast<uint16_t>(picture.height), values));
}

bool WritePsd(const std::string& path, const Picture& picture)
{
    PsdDocument document;
    document.width = picture.width;
    document.height = picture.height;
    document.compression = 1;
    for (int channel = 0; channel < 3; ++channel) {
        document.planes.emplace_back();
        for (uint32_t y = 0; y < picture.height; ++y) {
            for (uint32_t x = 0; x < picture.width; ++x) {
                document.planes.back().push_back(Channel(picture, x, y, channel));
            }
        }
    }
    return SaveBytes(path, PsdFile(document));
}

} // namespace zv::samples
