#include "sample_writers.h"

#include <gif_lib.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <fstream>

namespace zv::samples {
namespace {

class Bytes {
public:
    void U8(uint32_t v) { data_.push_back(static_cast<uint8_t>(v)); }
    void U16LE(uint32_t v) { U8(v); U8(v >> 8); }
    void U16BE(uint32_t v) { U8(v >> 8); U8(v); }
    void U32BE(uint32_t v) { U16BE(v >> 16); U16BE(v); }
    void Append(const std::vector<uint8_t>& more) { data_.insert(data_.end(), more.begin(), more.end()); }
    void Text(const char* text) { while (*text) U8(static_cast<uint8_t>(*text++)); }
    const std::vector<uint8_t>& data() const { return data_; }

private:
    std::vector<uint8_t> data_;
};

bool Save(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

uint8_t Channel(const Picture& picture, uint32_t x, uint32_t y, int channel)
{
    return picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3 + static_cast<size_t>(channel)];
}

// PackBits: runs of 2..128 equal bytes, literals of up to 128 bytes.
std::vector<uint8_t> PackBits(const uint8_t* data, size_t length)
{
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < length) {
        size_t run = 1;
        while (i + run < length && run < 128 && data[i + run] == data[i]) {
            ++run;
        }
        if (run >= 2) {
            out.push_back(static_cast<uint8_t>(257 - run));
            out.push_back(data[i]);
            i += run;
            continue;
        }
        size_t literal = 1;
        while (i + literal < length && literal < 128 &&
               !(i + literal + 1 < length && data[i + literal] == data[i + literal + 1])) {
            ++literal;
        }
        out.push_back(static_cast<uint8_t>(literal - 1));
        out.insert(out.end(), data + i, data + i + literal);
        i += literal;
    }
    return out;
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

namespace {

// A repeatable pseudo-random level in 0..1 for a lattice point.
double LatticeNoise(int64_t x, int64_t y, uint32_t seed)
{
    uint64_t h = static_cast<uint64_t>(x) * 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(y) * 0xC2B2AE3D27D4EB4Full ^
                 seed * 0x165667B19E3779F9ull;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return static_cast<double>(h & 0xFFFF) / 65535.0;
}

// Value noise: lattice levels every `cell` pixels, blended bilinearly, so the grain is smooth
// at the scale of a cell and varies from cell to cell.
double SmoothNoise(uint32_t x, uint32_t y, uint32_t cell, uint32_t seed)
{
    const int64_t cx = x / cell;
    const int64_t cy = y / cell;
    const double fx = static_cast<double>(x % cell) / cell;
    const double fy = static_cast<double>(y % cell) / cell;
    const double top = LatticeNoise(cx, cy, seed) * (1 - fx) + LatticeNoise(cx + 1, cy, seed) * fx;
    const double bottom = LatticeNoise(cx, cy + 1, seed) * (1 - fx) + LatticeNoise(cx + 1, cy + 1, seed) * fx;
    return top * (1 - fy) + bottom * fy;
}

uint8_t Level(double value)
{
    return static_cast<uint8_t>(std::clamp(value, 0.0, 255.0));
}

void PaintScene(uint32_t x, uint32_t y, uint32_t width, uint32_t height, uint32_t seed, uint8_t* p)
{
    const double u = static_cast<double>(x) / width;
    const double v = static_cast<double>(y) / height;
    const double ridge = 0.55 + 0.08 * std::sin(u * 7.0 + seed) + 0.04 * std::sin(u * 23.0 + 2.0 * seed);
    const double houseLeft = 0.15 + 0.08 * (seed % 7);
    const bool inHouse = u > houseLeft && u < houseLeft + 0.2 && v > 0.42 && v < 0.7;
    if (inHouse) {
        const bool window = std::fmod(u * 60.0, 2.0) < 0.9 && std::fmod(v * 40.0, 2.5) < 1.2;
        const double grain = 12 * SmoothNoise(x, y, 3, seed);
        p[0] = Level((window ? 40 : 190) + grain);
        p[1] = Level((window ? 60 : 150) + grain);
        p[2] = Level((window ? 90 : 120) + grain);
    } else if (v < ridge) {  // sky: a gradient with soft clouds
        const double cloud = 60 * SmoothNoise(x, y, std::max(4u, width / 24), seed);
        p[0] = Level(90 + 90 * v + cloud);
        p[1] = Level(140 + 70 * v + cloud);
        p[2] = Level(230 - 20 * v + cloud * 0.5);
    } else {  // hills: shaded slopes with grass-like grain at two scales
        const double grain = 50 * SmoothNoise(x, y, 2, seed) + 30 * SmoothNoise(x, y, 9, seed + 1);
        const double shade = 1.0 - 0.6 * (v - ridge);
        p[0] = Level((40 + grain) * shade);
        p[1] = Level((110 + grain) * shade);
        p[2] = Level((30 + grain * 0.4) * shade);
    }
}

// The scene with a camera's faint pixel-to-pixel noise over it.
void PaintPhotoPixel(uint32_t x, uint32_t y, uint32_t width, uint32_t height, uint32_t seed, uint8_t* p)
{
    PaintScene(x, y, width, height, seed, p);
    const double noise = 10 * (LatticeNoise(x, y, seed + 7) - 0.5);
    for (int channel = 0; channel < 3; ++channel) {
        p[channel] = Level(p[channel] + noise);
    }
}

} // namespace

Picture MakePhotoLikePicture(uint32_t width, uint32_t height, uint32_t seed)
{
    Picture picture{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            PaintPhotoPixel(x, y, width, height, seed, &picture.rgb[(static_cast<size_t>(y) * width + x) * 3]);
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
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (gif == nullptr) {
        return false;
    }
    GifColorType colours[256] = {};
    for (int i = 0; i < 216; ++i) {
        colours[i] = {static_cast<GifByteType>(i / 36 * 51), static_cast<GifByteType>(i / 6 % 6 * 51),
                      static_cast<GifByteType>(i % 6 * 51)};
    }
    ColorMapObject* map = GifMakeMapObject(256, colours);
    bool ok = map != nullptr &&
              EGifPutScreenDesc(gif, static_cast<int>(picture.width), static_cast<int>(picture.height), 8, 0, map) ==
                  GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, static_cast<int>(picture.width), static_cast<int>(picture.height), false,
                               nullptr) == GIF_OK;
    std::vector<GifPixelType> line(picture.width);
    for (uint32_t y = 0; y < picture.height && ok; ++y) {
        for (uint32_t x = 0; x < picture.width; ++x) {
            const int r = (Channel(picture, x, y, 0) + 25) / 51;
            const int g = (Channel(picture, x, y, 1) + 25) / 51;
            const int b = (Channel(picture, x, y, 2) + 25) / 51;
            line[x] = static_cast<GifPixelType>(r * 36 + g * 6 + b);
        }
        ok = EGifPutLine(gif, line.data(), static_cast<int>(picture.width)) == GIF_OK;
    }
    GifFreeMapObject(map);
    return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

bool WriteTga(const std::string& path, const Picture& picture)
{
    Bytes out;
    out.U8(0);      // no image ID
    out.U8(0);      // no colour map
    out.U8(10);     // RLE true colour
    for (int i = 0; i < 5; ++i) {
        out.U8(0);  // colour map origin, length and entry size: none
    }
    out.U16LE(0);
    out.U16LE(0);
    out.U16LE(picture.width);
    out.U16LE(picture.height);
    out.U8(24);
    out.U8(0x20);   // top-left origin
    for (uint32_t y = 0; y < picture.height; ++y) {
        for (uint32_t x = 0; x < picture.width;) {
            uint32_t run = 1;
            while (x + run < picture.width && run < 128 &&
                   std::equal(&picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3],
                              &picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3 + 3],
                              &picture.rgb[(static_cast<size_t>(y) * picture.width + x + run) * 3])) {
                ++run;
            }
            out.U8(0x80 | (run - 1));
            out.U8(Channel(picture, x, y, 2));
            out.U8(Channel(picture, x, y, 1));
            out.U8(Channel(picture, x, y, 0));
            x += run;
        }
    }
    return Save(path, out.data());
}

bool WritePcx(const std::string& path, const Picture& picture)
{
    const uint32_t bytesPerLine = (picture.width + 1) & ~1u;  // even, as PCX asks
    Bytes out;
    out.U8(10);   // manufacturer
    out.U8(5);    // version 3.0+
    out.U8(1);    // RLE
    out.U8(8);    // bits per pixel per plane
    out.U16LE(0);
    out.U16LE(0);
    out.U16LE(picture.width - 1);
    out.U16LE(picture.height - 1);
    out.U16LE(72);
    out.U16LE(72);
    for (int i = 0; i < 48; ++i) {
        out.U8(0);
    }
    out.U8(0);
    out.U8(3);    // planes
    out.U16LE(bytesPerLine);
    out.U16LE(1);
    for (int i = 0; i < 58; ++i) {
        out.U8(0);
    }
    std::vector<uint8_t> line(bytesPerLine);
    for (uint32_t y = 0; y < picture.height; ++y) {
        for (int plane = 0; plane < 3; ++plane) {
            for (uint32_t x = 0; x < bytesPerLine; ++x) {
                line[x] = x < picture.width ? Channel(picture, x, y, plane) : 0;
            }
            for (uint32_t x = 0; x < bytesPerLine;) {
                uint32_t run = 1;
                while (x + run < bytesPerLine && run < 63 && line[x + run] == line[x]) {
                    ++run;
                }
                if (run > 1 || line[x] >= 0xC0) {
                    out.U8(0xC0 | run);
                }
                out.U8(line[x]);
                x += run;
            }
        }
    }
    return Save(path, out.data());
}

bool WritePsd(const std::string& path, const Picture& picture)
{
    Bytes out;
    out.Text("8BPS");
    out.U16BE(1);
    for (int i = 0; i < 6; ++i) {
        out.U8(0);
    }
    out.U16BE(3);               // channels
    out.U32BE(picture.height);
    out.U32BE(picture.width);
    out.U16BE(8);               // depth
    out.U16BE(3);               // RGB
    out.U32BE(0);               // colour mode data
    out.U32BE(0);               // image resources
    out.U32BE(0);               // layers and masks
    out.U16BE(1);               // RLE composite
    std::vector<std::vector<uint8_t>> rows;
    std::vector<uint8_t> line(picture.width);
    for (int channel = 0; channel < 3; ++channel) {
        for (uint32_t y = 0; y < picture.height; ++y) {
            for (uint32_t x = 0; x < picture.width; ++x) {
                line[x] = Channel(picture, x, y, channel);
            }
            rows.push_back(PackBits(line.data(), line.size()));
        }
    }
    for (const auto& row : rows) {
        out.U16BE(static_cast<uint32_t>(row.size()));
    }
    for (const auto& row : rows) {
        out.Append(row);
    }
    return Save(path, out.data());
}

} // namespace zv::samples
