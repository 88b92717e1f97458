#include "sample_writers.h"

#include "jpeg_writer.h"
#include "raster_writers.h"
#include "tiff_writer.h"

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace zv::samples {
namespace {

uint8_t Channel(const Picture& picture, uint32_t x, uint32_t y, int channel)
{
    return picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3 + static_cast<size_t>(channel)];
}

uint16_t TiffSampleFormat(SampleKind kind)
{
    switch (kind) {
    case SampleKind::Signed: return SAMPLEFORMAT_INT;
    case SampleKind::Float: return SAMPLEFORMAT_IEEEFP;
    default: return SAMPLEFORMAT_UINT;
    }
}

// An IEEE half for a value in 0..1, rounded to nearest (the normal range is all it needs:
// the smallest non-zero sample, 1/255, is far above the subnormals).
uint16_t HalfOf(float value)
{
    if (value <= 0.0f) {
        return 0;
    }
    int exponent = 0;
    const float mantissa = std::frexp(value, &exponent);  // value = mantissa * 2^exponent, 0.5 <= m < 1
    auto bits = static_cast<uint32_t>(std::lround(mantissa * 2048.0f));  // 11 significant bits
    if (bits == 2048) {
        bits = 1024;
        ++exponent;
    }
    return static_cast<uint16_t>(((exponent + 14) << 10) | (bits - 1024));
}

// One row of the picture as TiffOptions stores it, in this machine's byte order (libtiff's).
std::vector<uint8_t> TiffRow(const Picture& picture, uint32_t y, const TiffOptions& options)
{
    const size_t samples = static_cast<size_t>(picture.width) * 3;
    const uint8_t* in = &picture.rgb[static_cast<size_t>(y) * samples];
    const size_t bytes = options.bitsPerSample / 8u;
    std::vector<uint8_t> row(samples * bytes);
    for (size_t i = 0; i < samples; ++i) {
        uint32_t value = 0;
        if (options.kind == SampleKind::Float && options.bitsPerSample == 16) {
            value = HalfOf(in[i] / 255.0f);
        } else if (options.kind == SampleKind::Float) {
            const float single = in[i] / 255.0f;
            std::memcpy(&value, &single, sizeof value);
        } else {
            value = in[i] * (bytes == 4 ? 0x01010101u : bytes == 2 ? 0x0101u : 1u);
            if (options.kind == SampleKind::Signed) {
                value -= 1u << (options.bitsPerSample - 1);  // wraps into two's complement
            }
        }
        if (bytes == 1) {
            row[i] = static_cast<uint8_t>(value);
        } else if (bytes == 2) {
            const auto narrow = static_cast<uint16_t>(value);
            std::memcpy(&row[i * 2], &narrow, 2);
        } else {
            std::memcpy(&row[i * 4], &value, 4);
        }
    }
    return row;
}


// ---- PSD -----------------------------------------------------------------------------------

constexpr uint32_t kDuotoneDataBytes = 32;

uint32_t PsdMode(PsdColour colour)
{
    switch (colour) {
    case PsdColour::Lab: return 9;
    case PsdColour::Duotone: return 8;
    case PsdColour::Multichannel: return 7;
    default: return 3;
    }
}

double SrgbToLinear(double encoded)
{
    return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}

// sRGB to CIE L*a*b* relative to D50 (Bradford-adapted), as 8-bit stored values: L 0..100 as
// 0..255, a and b offset by 128.
std::array<uint8_t, 3> StoredLab(const uint8_t* rgb)
{
    constexpr double kToXyzD50[3][3] = {
        {0.4360747, 0.3850649, 0.1430804},
        {0.2225045, 0.7168786, 0.0606169},
        {0.0139322, 0.0971045, 0.7141733},
    };
    constexpr double kWhite[3] = {0.96422, 1.0, 0.82521};
    const double linear[3] = {SrgbToLinear(rgb[0] / 255.0), SrgbToLinear(rgb[1] / 255.0), SrgbToLinear(rgb[2] / 255.0)};
    double f[3] = {};
    for (int i = 0; i < 3; ++i) {
        const double t = (kToXyzD50[i][0] * linear[0] + kToXyzD50[i][1] * linear[1] + kToXyzD50[i][2] * linear[2]) / kWhite[i];
        f[i] = t > 216.0 / 24389.0 ? std::cbrt(t) : (24389.0 / 27.0 * t + 16.0) / 116.0;
    }
    auto clamp8 = [](double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0))); };
    return {clamp8((116.0 * f[1] - 16.0) * 2.55), clamp8(500.0 * (f[0] - f[1]) + 128.0),
            clamp8(200.0 * (f[1] - f[2]) + 128.0)};
}

// Appends one 8-bit value v at the depth: v, v * 257 big-endian, or linear light as a float.
void AppendSample(std::vector<uint8_t>& plane, uint8_t v, uint16_t depth)
{
    if (depth == 8) {
        plane.push_back(v);
        return;
    }
    uint32_t value = v * 257u;
    int bytes = 2;
    if (depth == 32) {
        value = std::bit_cast<uint32_t>(static_cast<float>(SrgbToLinear(v / 255.0)));
        bytes = 4;
    }
    for (int i = bytes - 1; i >= 0; --i) {
        plane.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// The 8-bit value of channel c at a pixel, as the options' colour stores it.
uint8_t PsdValue(const PsdOptions& options, const uint8_t* rgb, uint32_t channel)
{
    switch (options.colour) {
    case PsdColour::Lab:
        return StoredLab(rgb)[channel];
    case PsdColour::Duotone:
        return GreyOf(rgb);
    case PsdColour::Multichannel:
        if (options.channels < 3) {
            return GreyOf(rgb);
        }
        return channel < 3 ? rgb[channel] : 255;
    default:
        return rgb[channel];
    }
}

uint32_t PsdChannels(const PsdOptions& options)
{
    switch (options.colour) {
    case PsdColour::Duotone: return 1;
    case PsdColour::Multichannel: return options.channels;
    default: return 3;
    }
}

std::vector<std::vector<uint8_t>> PsdPlanes(const Picture& picture, const PsdOptions& options)
{
    std::vector<std::vector<uint8_t>> planes(PsdChannels(options));
    for (uint32_t c = 0; c < planes.size(); ++c) {
        for (size_t i = 0; i < picture.rgb.size(); i += 3) {
            AppendSample(planes[c], PsdValue(options, &picture.rgb[i], c), options.depth);
        }
    }
    return planes;
}


// ---- BMP -------------------------------------------------------------------------------------

// Rows padded to 4 bytes, bottom row first, each pixel as `put` stores it.
template <typename Put>
std::vector<uint8_t> BmpRows(const Picture& picture, uint32_t bytesPerPixel, Put put)
{
    const size_t stride = (static_cast<size_t>(picture.width) * bytesPerPixel + 3) / 4 * 4;
    std::vector<uint8_t> rows(stride * picture.height);
    for (uint32_t y = 0; y < picture.height; ++y) {
        uint8_t* row = &rows[(picture.height - 1 - y) * stride];
        for (uint32_t x = 0; x < picture.width; ++x) {
            put(&picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3], row + static_cast<size_t>(x) * bytesPerPixel);
        }
    }
    return rows;
}

std::array<uint8_t, 4> CmykOf(const uint8_t* rgb)
{
    const uint32_t light = std::max({rgb[0], rgb[1], rgb[2]});
    std::array<uint8_t, 4> cmyk{0, 0, 0, static_cast<uint8_t>(255 - light)};
    if (light != 0) {
        for (int c = 0; c < 3; ++c) {
            cmyk[c] = static_cast<uint8_t>(((light - rgb[c]) * 255 + light / 2) / light);
        }
    }
    return cmyk;
}

void PutLinear64(const uint8_t* rgb, uint8_t* out)
{
    const uint32_t values[4] = {rgb[2], rgb[1], rgb[0], 255};
    for (int c = 0; c < 4; ++c) {
        const auto fixed = static_cast<uint16_t>(std::lround(SrgbToLinear(values[c] / 255.0) * 8192.0));
        out[2 * c] = static_cast<uint8_t>(fixed);
        out[2 * c + 1] = static_cast<uint8_t>(fixed >> 8);
    }
}

// The picture's colours as palette indices; false when there are more than `limit`.
bool IndexColours(const Picture& picture, size_t limit, std::vector<std::array<uint8_t, 3>>* colours,
                  std::vector<uint8_t>* indices)
{
    for (size_t i = 0; i < picture.rgb.size(); i += 3) {
        const std::array<uint8_t, 3> colour{picture.rgb[i], picture.rgb[i + 1], picture.rgb[i + 2]};
        auto found = std::find(colours->begin(), colours->end(), colour);
        if (found == colours->end()) {
            if (colours->size() == limit) {
                return false;
            }
            found = colours->insert(colours->end(), colour);
        }
        indices->push_back(static_cast<uint8_t>(found - colours->begin()));
    }
    return true;
}

// RLE8 or RLE4 runs of equal indices, bottom row first, each row closed by an end of line and
// the image by an end of bitmap.
std::vector<uint8_t> RleRows(const Picture& picture, const std::vector<uint8_t>& indices, bool fourBits)
{
    std::vector<uint8_t> out;
    for (uint32_t y = picture.height; y-- > 0;) {
        const uint8_t* row = &indices[static_cast<size_t>(y) * picture.width];
        for (uint32_t x = 0; x < picture.width;) {
            uint32_t run = 1;
            while (x + run < picture.width && run < 255 && row[x + run] == row[x]) {
                ++run;
            }
            out.push_back(static_cast<uint8_t>(run));
            out.push_back(fourBits ? static_cast<uint8_t>(row[x] << 4 | row[x]) : row[x]);
            x += run;
        }
        out.push_back(0);
        out.push_back(0);
    }
    out.push_back(0);
    out.push_back(1);
    return out;
}

// RLE rows of the picture's indices into a palette of its colours as CMYK inks; empty when it
// has more colours than the bit count holds.
std::vector<uint8_t> CmykPaletteRows(const Picture& picture, bool fourBits, BmpHeaderFields* header)
{
    std::vector<std::array<uint8_t, 3>> colours;
    std::vector<uint8_t> indices;
    if (!IndexColours(picture, fourBits ? 16 : 256, &colours, &indices)) {
        return {};
    }
    for (const auto& colour : colours) {
        const std::array<uint8_t, 4> cmyk = CmykOf(colour.data());
        header->storedPalette.insert(header->storedPalette.end(), cmyk.begin(), cmyk.end());
    }
    header->bitCount = fourBits ? 4 : 8;
    header->compression = fourBits ? 13 : 12;
    return RleRows(picture, indices, fourBits);
}

void AppendToBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// T.4 one-dimensional rows of the picture's black-and-white version, coded by libtiff into
// `scratch` (its encoder writes only through a file) and taken back out as its strip.
std::vector<uint8_t> HuffmanRows(const Picture& picture, const std::string& scratch)
{
    TIFF* tiff = TIFFOpen(scratch.c_str(), "w");
    if (tiff == nullptr) {
        return {};
    }
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, picture.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, picture.height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
    TIFFSetField(tiff, TIFFTAG_GROUP3OPTIONS, 0);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, picture.height);
    std::vector<uint8_t> row((picture.width + 7) / 8);
    bool ok = true;
    for (uint32_t stored = 0; stored < picture.height && ok; ++stored) {
        const uint32_t y = picture.height - 1 - stored;  // bottom row first, as bitmaps are
        std::fill(row.begin(), row.end(), 0);
        for (uint32_t x = 0; x < picture.width; ++x) {
            if (GreyOf(&picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3]) < 128) {
                row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
        }
        ok = TIFFWriteScanline(tiff, row.data(), stored, 0) == 1;
    }
    TIFFClose(tiff);
    std::vector<uint8_t> coded;
    tiff = ok ? TIFFOpen(scratch.c_str(), "r") : nullptr;
    if (tiff != nullptr) {
        coded.resize(static_cast<size_t>(TIFFRawStripSize(tiff, 0)));
        if (TIFFReadRawStrip(tiff, 0, coded.data(), static_cast<tmsize_t>(coded.size())) < 0) {
            coded.clear();
        }
        TIFFClose(tiff);
    }
    std::remove(scratch.c_str());
    return coded;
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
    return WriteTiff(path, picture, TiffOptions{});
}

bool WriteTiff(const std::string& path, const Picture& picture, const TiffOptions& options)
{
    TIFF* tiff = CreateTiff(path, {picture.width, picture.height, options.bitsPerSample, 3, PHOTOMETRIC_RGB,
                                   PLANARCONFIG_CONTIG, COMPRESSION_LZW, TiffSampleFormat(options.kind)});
    if (tiff == nullptr) {
        return false;
    }
    return WriteTiffPixelsAndClose(tiff, {picture.width, picture.height, 1, 0, 16},
                                   [&](uint32_t y, uint32_t, uint32_t, int) { return TiffRow(picture, y, options); });
}

Picture MakePalettePicture(uint32_t width, uint32_t height)
{
    static constexpr uint8_t kColours[12][3] = {
        {255, 255, 255}, {0, 0, 0}, {200, 30, 30}, {30, 160, 60}, {40, 60, 200}, {250, 210, 40},
        {120, 120, 120}, {0, 180, 200}, {180, 0, 160}, {90, 50, 20}, {230, 140, 170}, {20, 20, 80},
    };
    Picture picture{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* colour = kColours[(x / 7 + (y / 3) * 5) % 12];
            std::copy(colour, colour + 3, &picture.rgb[(static_cast<size_t>(y) * width + x) * 3]);
        }
    }
    return picture;
}

std::vector<uint8_t> JpegBytes(const Picture& picture)
{
    JpegLayout layout;
    layout.width = picture.width;
    layout.height = picture.height;
    layout.quality = 90;
    const size_t rowBytes = static_cast<size_t>(picture.width) * 3;
    return JpegFile(layout, [&](uint32_t y) {
        const auto first = picture.rgb.begin() + static_cast<std::ptrdiff_t>(y * rowBytes);
        return std::vector<uint8_t>(first, first + static_cast<std::ptrdiff_t>(rowBytes));
    });
}

std::vector<uint8_t> PngBytes(const Picture& picture)
{
    return PngBytes(picture, PngMetadata{});
}

std::vector<uint8_t> PngBytes(const Picture& picture, const PngMetadata& metadata)
{
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, AppendToBytes, nullptr);
    png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!metadata.exif.empty()) {
        png_set_eXIf_1(png, info, static_cast<png_uint_32>(metadata.exif.size()),
                       const_cast<png_bytep>(metadata.exif.data()));
    }
    if (!metadata.icc.empty()) {
        png_set_iCCP(png, info, "profile", PNG_COMPRESSION_TYPE_BASE, metadata.icc.data(),
                     static_cast<png_uint_32>(metadata.icc.size()));
    }
    // libpng copies the text; its fields are not const only for reading.
    char key[] = "XML:com.adobe.xmp";
    png_text text{};
    text.compression = PNG_ITXT_COMPRESSION_NONE;
    text.key = key;
    text.text = const_cast<char*>(metadata.xmp.c_str());
    text.itxt_length = metadata.xmp.size();
    if (!metadata.xmp.empty()) {
        png_set_text(png, info, &text, 1);
    }
    png_write_info(png, info);
    for (uint32_t y = 0; y < picture.height; ++y) {
        png_write_row(png, &picture.rgb[static_cast<size_t>(y) * picture.width * 3]);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

bool WritePng(const std::string& path, const Picture& picture)
{
    const std::vector<uint8_t> bytes = PngBytes(picture);
    return !bytes.empty() && SaveBytes(path, bytes);
}

bool WriteBmp(const std::string& path, const Picture& picture, const BmpOptions& options)
{
    BmpHeaderFields header;
    header.width = static_cast<int32_t>(picture.width);
    header.height = static_cast<int32_t>(picture.height);
    std::vector<uint8_t> pixels;
    switch (options.pixels) {
    case BmpPixels::Rgb24:
        pixels = BmpRows(picture, 3, [](const uint8_t* rgb, uint8_t* out) {
            out[0] = rgb[2];
            out[1] = rgb[1];
            out[2] = rgb[0];
        });
        break;
    case BmpPixels::Linear64:
        header.bitCount = 64;
        pixels = BmpRows(picture, 8, PutLinear64);
        break;
    case BmpPixels::Cmyk32:
        header.bitCount = 32;
        header.compression = 11;
        pixels = BmpRows(picture, 4, [](const uint8_t* rgb, uint8_t* out) {
            const std::array<uint8_t, 4> cmyk = CmykOf(rgb);
            std::copy(cmyk.begin(), cmyk.end(), out);
        });
        break;
    case BmpPixels::CmykRle8:
    case BmpPixels::CmykRle4:
        pixels = CmykPaletteRows(picture, options.pixels == BmpPixels::CmykRle4, &header);
        break;
    case BmpPixels::Jpeg:
    case BmpPixels::Png:
        header.bitCount = 0;
        header.compression = options.pixels == BmpPixels::Jpeg ? 4 : 5;
        pixels = options.pixels == BmpPixels::Jpeg ? JpegBytes(picture) : PngBytes(picture);
        break;
    case BmpPixels::Huffman:
        header.headerSize = 64;  // an OS/2 2.x header: no units, halftoning or encoding
        header.bitCount = 1;
        header.compression = 3;
        header.palette = {255, 255, 255, 0, 0, 0};
        pixels = HuffmanRows(picture, path + ".t4.tif");
        break;
    }
    return !pixels.empty() && SaveBytes(path, BmpBytes(header, pixels));
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

uint8_t GreyOf(const uint8_t* rgb)
{
    return static_cast<uint8_t>((299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2] + 500) / 1000);
}

std::vector<uint8_t> PsdBytes(const Picture& picture, const PsdOptions& options)
{
    PsdDocument document;
    document.version = options.largeDocument ? 2 : 1;
    document.mode = static_cast<uint16_t>(PsdMode(options.colour));
    document.depth = options.depth;
    document.width = picture.width;
    document.height = picture.height;
    document.compression = static_cast<uint16_t>(options.compression);
    document.streamPerChannel = options.streamPerChannel;
    document.planes = PsdPlanes(picture, options);
    if (options.colour == PsdColour::Duotone) {
        document.colourData.assign(kDuotoneDataBytes, 0);  // the inks' description, which a viewer of the base skips
    }
    return PsdFile(document);
}

bool WritePsd(const std::string& path, const Picture& picture)
{
    return WritePsd(path, picture, PsdOptions{});
}

bool WritePsd(const std::string& path, const Picture& picture, const PsdOptions& options)
{
    const std::vector<uint8_t> bytes = PsdBytes(picture, options);
    return !bytes.empty() && SaveBytes(path, bytes);
}

} // namespace zv::samples
