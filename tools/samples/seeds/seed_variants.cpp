#include "seeds/seed_variants.h"

#include "jpeg_writer.h"
#include "raster_writers.h"
#include "tiff_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace zv::fuzz {
namespace {

constexpr uint32_t kWidth = 9;  // odd, so that packed rows end inside a byte
constexpr uint32_t kHeight = 6;

// A sample value that varies across the picture in every channel.
uint32_t Sample(uint32_t x, uint32_t y, uint32_t channel, uint32_t maximum)
{
    return (x * 37 + y * 71 + channel * 113) % (maximum + 1);
}

// One row of `channels` samples of `bits` each (1, 2, 4, 8 or 16), packed as PNG and TIFF do.
std::vector<uint8_t> PackedRow(uint32_t y, uint32_t channels, uint32_t bits, uint32_t maximum)
{
    std::vector<uint8_t> row((kWidth * channels * bits + 7) / 8);
    uint32_t bit = 0;
    for (uint32_t x = 0; x < kWidth; ++x) {
        for (uint32_t c = 0; c < channels; ++c, bit += bits) {
            const uint32_t value = Sample(x, y, c, maximum);
            if (bits == 16) {
                row[bit / 8] = static_cast<uint8_t>(value >> 8);
                row[bit / 8 + 1] = static_cast<uint8_t>(value);
            } else {
                row[bit / 8] |= static_cast<uint8_t>(value << (8 - bits - bit % 8));
            }
        }
    }
    return row;
}

struct PngShape {
    const char* name;
    int colourType;
    int bits;
    bool interlaced;
    bool transparency;  // a tRNS chunk
};

void AppendToVector(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

uint32_t PngChannels(int colourType)
{
    switch (colourType) {
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;
    }
}

std::vector<uint8_t> EncodePng(const PngShape& shape)
{
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, AppendToVector, nullptr);
    png_set_IHDR(png, info, kWidth, kHeight, shape.bits, shape.colourType,
                 shape.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    const uint32_t maximum = (1u << shape.bits) - 1;
    if (shape.colourType == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[16];
        for (uint32_t i = 0; i < 16; ++i) {
            palette[i] = {static_cast<png_byte>(i * 16), static_cast<png_byte>(255 - i * 8), static_cast<png_byte>(i * 5)};
        }
        png_set_PLTE(png, info, palette, static_cast<int>(maximum + 1 < 16 ? maximum + 1 : 16));
    }
    if (shape.transparency) {
        png_byte alphas[3] = {0, 128, 255};
        png_color_16 colour{};
        colour.gray = 1;
        colour.red = 2;
        colour.green = 3;
        colour.blue = 4;
        png_set_tRNS(png, info, alphas, shape.colourType == PNG_COLOR_TYPE_PALETTE ? 3 : 0, &colour);
    }
    png_set_gAMA(png, info, 0.45455);
    png_write_info(png, info);
    const uint32_t limit = shape.colourType == PNG_COLOR_TYPE_PALETTE ? std::min(maximum, 15u) : maximum;
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (uint32_t y = 0; y < kHeight; ++y) {
            std::vector<uint8_t> row = PackedRow(y, PngChannels(shape.colourType), shape.bits, limit);
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

struct JpegShape {
    const char* name;
    J_COLOR_SPACE space;
    int components;
    bool progressive;
    unsigned restartRows;
};

std::vector<uint8_t> EncodeJpeg(const JpegShape& shape)
{
    samples::JpegLayout layout;
    layout.width = kWidth;
    layout.height = kHeight;
    layout.input = shape.space;
    layout.quality = 60;
    layout.progressive = shape.progressive;
    layout.restartRows = static_cast<int>(shape.restartRows);
    return samples::JpegFile(layout, [&](uint32_t y) {
        return PackedRow(y, static_cast<uint32_t>(shape.components), 8, 255);
    });
}

struct TiffShape {
    const char* name;
    uint16_t photometric;
    uint16_t samples;
    uint16_t bits;
    uint16_t planar;
    uint16_t compression;
    bool tiled;
};

// A tile is one 16 x 16 tile holding the picture's rows again and again; strips of a planar
// file start each plane one row further down the picture.
std::vector<uint8_t> TiffRow(const TiffShape& shape, uint32_t y, int plane)
{
    const uint32_t maximum = (1u << shape.bits) - 1;
    const uint32_t channels = plane >= 0 ? 1 : shape.samples;
    if (!shape.tiled) {
        return PackedRow(y + static_cast<uint32_t>(std::max(plane, 0)), channels, shape.bits, maximum);
    }
    std::vector<uint8_t> row = PackedRow(y % kHeight, channels, shape.bits, maximum);
    row.resize((16 * channels * shape.bits + 7) / 8);
    return row;
}

std::vector<uint8_t> EncodeTiff(const TiffShape& shape, const std::filesystem::path& file)
{
    const uint16_t extra = shape.photometric == PHOTOMETRIC_RGB && shape.samples == 4 ? EXTRASAMPLE_ASSOCALPHA : 0;
    TIFF* tiff = samples::CreateTiff(file.string(), {kWidth, kHeight, shape.bits, shape.samples, shape.photometric,
                                                     shape.planar, shape.compression, SAMPLEFORMAT_UINT,
                                                     ORIENTATION_TOPLEFT, extra});
    if (tiff == nullptr) {
        return {};
    }
    if (shape.photometric == PHOTOMETRIC_PALETTE) {
        std::vector<uint16_t> red(1u << shape.bits), green(red.size()), blue(red.size());
        for (size_t i = 0; i < red.size(); ++i) {
            red[i] = static_cast<uint16_t>(i * 4000);
            green[i] = static_cast<uint16_t>(65535 - i * 3000);
            blue[i] = static_cast<uint16_t>(i * 1000);
        }
        TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    }
    const int planes = shape.planar == PLANARCONFIG_SEPARATE ? shape.samples : 1;
    const bool ok = samples::WriteTiffPixelsAndClose(tiff, {kWidth, kHeight, planes, shape.tiled ? 16u : 0u, 4},
                                                     [&](uint32_t y, uint32_t, uint32_t, int plane) {
                                                         return TiffRow(shape, y, plane);
                                                     });
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::filesystem::remove(file);
    return ok ? bytes : std::vector<uint8_t>{};
}

// Rows of `bits`-bit samples (one channel), each padded to four bytes as BMP stores them.
std::vector<uint8_t> BmpRows(uint32_t bits, uint32_t maximum)
{
    std::vector<uint8_t> rows;
    for (uint32_t y = 0; y < kHeight; ++y) {
        std::vector<uint8_t> row = PackedRow(y, bits >= 16 ? bits / 8 : 1, bits >= 16 ? 8 : bits, maximum);
        row.resize((row.size() + 3) / 4 * 4);
        rows.insert(rows.end(), row.begin(), row.end());
    }
    return rows;
}

// RLE8 or RLE4 rows using every kind of code: runs, an absolute stretch, a delta, line and
// bitmap ends.
std::vector<uint8_t> BmpRle(bool fourBits)
{
    samples::ByteWriter b;
    for (uint32_t y = 0; y < kHeight; ++y) {
        if (y == 2) {
            b.U8(0).U8(2).U8(3).U8(0);  // delta: three to the right
            b.U8(0).U8(0);
            continue;
        }
        b.U8(4).U8(fourBits ? 0x12 : y);              // a run of four
        b.U8(0).U8(4).U8(0x21).U8(0x43);              // absolute: four pixels
        if (!fourBits) {
            b.U8(0x05).U8(0x06);
        }
        b.U8(1).U8(fourBits ? 0x30 : 9);              // the ninth pixel
        b.U8(0).U8(0);                                // end of line
    }
    b.U8(0).U8(1);                                    // end of bitmap
    return b.Take();
}

std::vector<uint8_t> Palette(uint32_t entries)
{
    std::vector<uint8_t> palette(entries * 3);
    for (uint32_t i = 0; i < entries; ++i) {
        palette[i * 3] = static_cast<uint8_t>(i * 11);
        palette[i * 3 + 1] = static_cast<uint8_t>(255 - i * 3);
        palette[i * 3 + 2] = static_cast<uint8_t>(i * 7);
    }
    return palette;
}

std::vector<uint8_t> Indices(uint32_t maximum)
{
    std::vector<uint8_t> indices;
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) {
            indices.push_back(static_cast<uint8_t>(Sample(x, y, 0, maximum)));
        }
    }
    return indices;
}

std::vector<uint8_t> GifSeed(const std::filesystem::path& file, bool localMap, bool interlaced, bool transparent,
                             int left, int top)
{
    samples::GifLayout layout{kWidth + 2, kHeight + 2, 2, Palette(16), left, top, kWidth, kHeight, interlaced, {}, -1};
    if (localMap) {
        layout.localMap = Palette(4);
    }
    layout.transparent = transparent ? 1 : -1;
    const bool ok = samples::WriteGifFile(file.string(), layout, Indices(localMap ? 3 : 15));
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::filesystem::remove(file);
    return ok ? bytes : std::vector<uint8_t>{};
}

} // namespace

std::vector<Seed> GifVariants(const std::filesystem::path& scratch)
{
    return {
        {"gif/seed-interlaced-transparent", GifSeed(scratch / "a.gif", false, true, true, 1, 1)},
        {"gif/seed-local-map-offset", GifSeed(scratch / "b.gif", true, false, false, 2, 0)},
        {"gif/seed-transparent-low", GifSeed(scratch / "c.gif", false, false, true, 0, 2)},
    };
}

std::vector<Seed> BmpVariants()
{
    using samples::BmpHeaderFields;
    const int32_t w = kWidth, h = kHeight;
    const std::pair<const char*, std::pair<BmpHeaderFields, std::vector<uint8_t>>> shapes[] = {
        {"seed-mono", {{40, w, h, 1, 0, Palette(2), {}}, BmpRows(1, 1)}},
        {"seed-indexed4-rle", {{40, w, h, 4, 2, Palette(16), {}}, BmpRle(true)}},
        {"seed-indexed8-rle", {{40, w, h, 8, 1, Palette(16), {}}, BmpRle(false)}},
        {"seed-indexed8-topdown", {{40, w, -h, 8, 0, Palette(12), {}}, BmpRows(8, 11)}},
        {"seed-os2-indexed8", {{12, w, h, 8, 0, Palette(256), {}}, BmpRows(8, 255)}},
        {"seed-fields565", {{40, w, h, 16, 3, {}, {0xF800, 0x07E0, 0x001F}}, BmpRows(16, 255)}},
        {"seed-fields32", {{40, w, h, 32, 3, {}, {0xFF0000, 0xFF00, 0xFF}}, BmpRows(32, 255)}},
        {"seed-rgb555", {{40, w, -h, 16, 0, {}, {}}, BmpRows(16, 255)}},
    };
    std::vector<Seed> seeds;
    for (const auto& [name, shape] : shapes) {
        seeds.emplace_back(std::string("bmp/") + name, samples::BmpBytes(shape.first, shape.second));
    }
    return seeds;
}

std::vector<Seed> TgaVariants()
{
    using samples::TgaLayout;
    std::vector<uint8_t> packed16;
    for (uint32_t y = 0; y < kHeight; ++y) {
        const std::vector<uint8_t> row = PackedRow(y, 2, 8, 255);
        packed16.insert(packed16.end(), row.begin(), row.end());
    }
    const auto tga = [](uint8_t type, uint16_t mapLength, uint8_t mapBits, uint8_t depth, uint8_t descriptor,
                        const std::vector<uint8_t>& stored) {
        const TgaLayout layout{type, depth, descriptor, mapBits, 0, mapLength, "zv!", true};
        std::vector<uint8_t> map(mapLength * ((mapBits + 7u) / 8u));
        for (size_t i = 0; i < map.size(); ++i) {
            map[i] = static_cast<uint8_t>(i * 29);
        }
        return samples::TgaFile(layout, kWidth, kHeight, map, stored);
    };
    return {
        {"tga/seed-mapped16-bottomup", tga(1, 16, 16, 8, 0x00, Indices(15))},
        {"tga/seed-mapped24-rle", tga(9, 16, 24, 8, 0x20, Indices(3))},
        {"tga/seed-grey-rle", tga(11, 0, 0, 8, 0x20, Indices(2))},
        {"tga/seed-rgb555-right", tga(2, 0, 0, 16, 0x10, packed16)},
    };
}

std::vector<Seed> PcxVariants()
{
    const auto pcx = [](uint8_t bits, uint8_t planes, bool vga) {
        samples::PcxLayout layout{bits, planes, 0, samples::PcxRle::PerLine, 0, 0, 5, Palette(16), {}};
        if (vga) {
            layout.vgaPalette = Palette(256);
        }
        const std::vector<uint8_t> indices = Indices((1u << (bits * planes)) - 1);
        return samples::PcxFile(layout, kWidth, kHeight, std::vector<uint32_t>(indices.begin(), indices.end()));
    };
    return {
        {"pcx/seed-mono", pcx(1, 1, false)},
        {"pcx/seed-ega-planes", pcx(1, 4, false)},
        {"pcx/seed-indexed2", pcx(2, 1, false)},
        {"pcx/seed-vga-palette", pcx(8, 1, true)},
    };
}

std::vector<Seed> PngVariants()
{
    const PngShape shapes[] = {
        {"seed-palette4-trns", PNG_COLOR_TYPE_PALETTE, 4, false, true},
        {"seed-palette1", PNG_COLOR_TYPE_PALETTE, 1, false, false},
        {"seed-grey16-interlaced", PNG_COLOR_TYPE_GRAY, 16, true, false},
        {"seed-grey2-trns", PNG_COLOR_TYPE_GRAY, 2, false, true},
        {"seed-greyalpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false},
        {"seed-rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, true, false},
        {"seed-rgb8-trns", PNG_COLOR_TYPE_RGB, 8, false, true},
    };
    std::vector<Seed> seeds;
    for (const PngShape& shape : shapes) {
        seeds.emplace_back(std::string("png/") + shape.name, EncodePng(shape));
    }
    return seeds;
}

std::vector<Seed> JpegVariants()
{
    const JpegShape shapes[] = {
        {"seed-grey", JCS_GRAYSCALE, 1, false, 0},
        {"seed-progressive", JCS_RGB, 3, true, 0},
        {"seed-cmyk", JCS_CMYK, 4, false, 0},
        {"seed-restarts", JCS_RGB, 3, false, 1},
    };
    std::vector<Seed> seeds;
    for (const JpegShape& shape : shapes) {
        seeds.emplace_back(std::string("jpeg/") + shape.name, EncodeJpeg(shape));
    }
    return seeds;
}

std::vector<Seed> TiffVariants(const std::filesystem::path& scratch)
{
    const TiffShape shapes[] = {
        {"seed-palette4", PHOTOMETRIC_PALETTE, 1, 4, PLANARCONFIG_CONTIG, COMPRESSION_PACKBITS, false},
        {"seed-grey16", PHOTOMETRIC_MINISBLACK, 1, 16, PLANARCONFIG_CONTIG, COMPRESSION_NONE, false},
        {"seed-bilevel-white", PHOTOMETRIC_MINISWHITE, 1, 1, PLANARCONFIG_CONTIG, COMPRESSION_PACKBITS, false},
        {"seed-planar", PHOTOMETRIC_RGB, 3, 8, PLANARCONFIG_SEPARATE, COMPRESSION_ADOBE_DEFLATE, false},
        {"seed-tiled-rgba", PHOTOMETRIC_RGB, 4, 8, PLANARCONFIG_CONTIG, COMPRESSION_LZW, true},
        {"seed-cmyk", PHOTOMETRIC_SEPARATED, 4, 8, PLANARCONFIG_CONTIG, COMPRESSION_NONE, false},
    };
    std::vector<Seed> seeds;
    for (const TiffShape& shape : shapes) {
        seeds.emplace_back(std::string("tiff/") + shape.name, EncodeTiff(shape, scratch / shape.name));
    }
    return seeds;
}

} // namespace zv::fuzz
