#include "tests/fuzz/seed_variants.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <gif_lib.h>
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
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = shape.components;
    cinfo.in_color_space = shape.space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 60, TRUE);
    if (shape.progressive) {
        jpeg_simple_progression(&cinfo);
    }
    cinfo.restart_in_rows = static_cast<int>(shape.restartRows);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        std::vector<uint8_t> row = PackedRow(cinfo.next_scanline, static_cast<uint32_t>(shape.components), 8, 255);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
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

// Writes the strips or tiles of one plane arrangement from PackedRow data.
bool WriteTiffPixels(TIFF* tiff, const TiffShape& shape)
{
    const uint32_t maximum = (1u << shape.bits) - 1;
    const uint32_t planes = shape.planar == PLANARCONFIG_SEPARATE ? shape.samples : 1;
    const uint32_t channels = shape.planar == PLANARCONFIG_SEPARATE ? 1 : shape.samples;
    if (shape.tiled) {
        const tsize_t tileSize = TIFFTileSize(tiff);
        std::vector<uint8_t> tile(static_cast<size_t>(tileSize));
        const size_t rowBytes = (16 * channels * shape.bits + 7) / 8;
        for (uint32_t y = 0; y < 16; ++y) {
            const std::vector<uint8_t> row = PackedRow(y % kHeight, channels, shape.bits, maximum);
            std::copy(row.begin(), row.end(), tile.begin() + static_cast<std::ptrdiff_t>(y * rowBytes));
        }
        return TIFFWriteTile(tiff, tile.data(), 0, 0, 0, 0) > 0;
    }
    for (uint32_t plane = 0; plane < planes; ++plane) {
        for (uint32_t y = 0; y < kHeight; ++y) {
            std::vector<uint8_t> row = PackedRow(y + plane, channels, shape.bits, maximum);
            if (TIFFWriteScanline(tiff, row.data(), y, static_cast<uint16_t>(plane)) != 1) {
                return false;
            }
        }
    }
    return true;
}

std::vector<uint8_t> EncodeTiff(const TiffShape& shape, const std::filesystem::path& file)
{
    TIFF* tiff = TIFFOpen(file.c_str(), "w");
    if (tiff == nullptr) {
        return {};
    }
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, shape.samples);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, shape.bits);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, shape.photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, shape.planar);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, shape.compression);
    if (shape.photometric == PHOTOMETRIC_RGB && shape.samples == 4) {
        const uint16_t extra[1] = {EXTRASAMPLE_ASSOCALPHA};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
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
    if (shape.tiled) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, 16);
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 4);
    }
    const bool ok = WriteTiffPixels(tiff, shape);
    TIFFClose(tiff);
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::filesystem::remove(file);
    return ok ? bytes : std::vector<uint8_t>{};
}

// Little-endian byte appending for the hand-built formats.
class Bytes {
public:
    Bytes& U8(uint32_t v) { out_.push_back(static_cast<uint8_t>(v)); return *this; }
    Bytes& U16(uint32_t v) { return U8(v).U8(v >> 8); }
    Bytes& U32(uint32_t v) { return U16(v).U16(v >> 16); }
    Bytes& Append(const std::vector<uint8_t>& bytes)
    {
        out_.insert(out_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Bytes& Fill(size_t count, uint8_t value)
    {
        out_.insert(out_.end(), count, value);
        return *this;
    }
    size_t Size() const { return out_.size(); }
    std::vector<uint8_t> Take() { return std::move(out_); }

private:
    std::vector<uint8_t> out_;
};

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

struct BmpShape {
    const char* name;
    uint32_t headerSize;  // 12 (OS/2 1.x) or 40
    bool topDown;
    uint16_t bits;
    uint32_t compression;
    uint32_t paletteEntries;
    std::vector<uint32_t> masks;  // after a 40-byte header, for bit fields
    std::vector<uint8_t> pixels;
};

std::vector<uint8_t> EncodeBmp(const BmpShape& shape)
{
    const uint32_t entryBytes = shape.headerSize == 12 ? 3 : 4;
    const uint32_t offset = 14 + shape.headerSize + 4 * static_cast<uint32_t>(shape.masks.size()) +
                            shape.paletteEntries * entryBytes;
    Bytes b;
    b.U8('B').U8('M').U32(offset + static_cast<uint32_t>(shape.pixels.size())).U32(0).U32(offset);
    b.U32(shape.headerSize);
    const uint32_t height = shape.topDown ? static_cast<uint32_t>(-static_cast<int32_t>(kHeight)) : kHeight;
    if (shape.headerSize == 12) {
        b.U16(kWidth).U16(kHeight).U16(1).U16(shape.bits);
    } else {
        b.U32(kWidth).U32(height).U16(1).U16(shape.bits).U32(shape.compression);
        b.U32(static_cast<uint32_t>(shape.pixels.size())).U32(2835).U32(2835).U32(shape.paletteEntries).U32(0);
    }
    for (uint32_t mask : shape.masks) {
        b.U32(mask);
    }
    for (uint32_t i = 0; i < shape.paletteEntries; ++i) {
        b.U8(i * 7).U8(255 - i * 3).U8(i * 11);
        if (entryBytes == 4) {
            b.U8(0);
        }
    }
    return b.Append(shape.pixels).Take();
}

// RLE8 or RLE4 rows using every kind of code: runs, an absolute stretch, a delta, line and
// bitmap ends.
std::vector<uint8_t> BmpRle(bool fourBits)
{
    Bytes b;
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

std::vector<uint8_t> TgaImage(uint32_t type, uint32_t mapLength, uint32_t mapBits, uint32_t depth,
                              uint32_t descriptor, const std::vector<uint8_t>& pixels)
{
    Bytes b;
    b.U8(3).U8(mapLength > 0 ? 1 : 0).U8(type).U16(0).U16(mapLength).U8(mapBits);
    b.U16(0).U16(0).U16(kWidth).U16(kHeight).U8(depth).U8(descriptor);
    b.U8('z').U8('v').U8('!');  // the image ID
    for (uint32_t i = 0; i < mapLength * ((mapBits + 7) / 8); ++i) {
        b.U8(i * 29);
    }
    b.Append(pixels);
    // The 2.0 footer: an extension area offset of 0 and the signature.
    b.U32(0).U32(0);
    for (const char c : std::string("TRUEVISION-XFILE.")) {
        b.U8(static_cast<uint8_t>(c));
    }
    return b.U8(0).Take();
}

// Grey RLE: a repeated packet, then a raw one, per row.
std::vector<uint8_t> TgaGreyRle()
{
    Bytes b;
    for (uint32_t y = 0; y < kHeight; ++y) {
        b.U8(0x80 | 3).U8(y * 40);           // four of one level
        b.U8(4);                             // five raw levels
        for (uint32_t x = 0; x < 5; ++x) {
            b.U8(x * 50 + y);
        }
    }
    return b.Take();
}

std::vector<uint8_t> PcxImage(uint32_t bits, uint32_t planes, uint32_t bytesPerLine, bool vgaPalette)
{
    Bytes b;
    b.U8(10).U8(5).U8(1).U8(bits).U16(0).U16(0).U16(kWidth - 1).U16(kHeight - 1).U16(72).U16(72);
    for (uint32_t i = 0; i < 48; ++i) {
        b.U8(i * 5);
    }
    b.U8(0).U8(planes).U16(bytesPerLine).U16(1).U16(0).U16(0);
    b.Fill(128 - b.Size(), 0);
    // RLE: a run of up to three, then single values, each line on its own.
    const uint32_t run = std::min(bytesPerLine, 3u);
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t p = 0; p < planes; ++p) {
            b.U8(0xC0 | run).U8(0xC1 + y);
            for (uint32_t x = run; x < bytesPerLine; ++x) {
                b.U8((x * 9 + p) & 0x3F);
            }
        }
    }
    if (vgaPalette) {
        b.U8(0x0C);
        for (uint32_t i = 0; i < 768; ++i) {
            b.U8(i * 3);
        }
    }
    return b.Take();
}

struct GifShape {
    const char* name;
    bool globalMap;
    bool localMap;
    bool interlaced;
    bool transparency;  // a graphic control extension naming index 1
    int left, top;      // the frame's place on a screen two pixels larger than the frame
};

std::vector<uint8_t> EncodeGif(const GifShape& shape, const std::filesystem::path& file)
{
    int error = 0;
    GifFileType* gif = EGifOpenFileName(file.c_str(), false, &error);
    if (gif == nullptr) {
        return {};
    }
    GifColorType colours[16] = {};
    for (int i = 0; i < 16; ++i) {
        colours[i] = {static_cast<GifByteType>(i * 16), static_cast<GifByteType>(255 - i * 16),
                      static_cast<GifByteType>(i * 8)};
    }
    ColorMapObject* global = shape.globalMap ? GifMakeMapObject(16, colours) : nullptr;
    ColorMapObject* local = shape.localMap ? GifMakeMapObject(4, colours + 4) : nullptr;
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, kWidth + 2, kHeight + 2, 4, 2, global) == GIF_OK;
    if (ok && shape.transparency) {
        GifByteType control[4] = {0x01, 0, 0, 1};
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, shape.left, shape.top, kWidth, kHeight, shape.interlaced, local) == GIF_OK;
    const uint32_t maximum = shape.localMap ? 3 : 15;
    // Interlaced images are written in pass order; the values only need to vary.
    for (uint32_t y = 0; y < kHeight && ok; ++y) {
        std::vector<GifPixelType> line(kWidth);
        for (uint32_t x = 0; x < kWidth; ++x) {
            line[x] = static_cast<GifPixelType>(Sample(x, y, 0, maximum));
        }
        ok = EGifPutLine(gif, line.data(), kWidth) == GIF_OK;
    }
    GifFreeMapObject(global);
    GifFreeMapObject(local);
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::filesystem::remove(file);
    return ok ? bytes : std::vector<uint8_t>{};
}

} // namespace

std::vector<Seed> GifVariants(const std::filesystem::path& scratch)
{
    const GifShape shapes[] = {
        {"seed-interlaced-transparent", true, false, true, true, 1, 1},
        {"seed-local-map-offset", true, true, false, false, 2, 0},
        {"seed-transparent-low", true, false, false, true, 0, 2},
    };
    std::vector<Seed> seeds;
    for (const GifShape& shape : shapes) {
        seeds.emplace_back(std::string("gif/") + shape.name, EncodeGif(shape, scratch / shape.name));
    }
    return seeds;
}

std::vector<Seed> BmpVariants()
{
    std::vector<BmpShape> shapes = {
        {"seed-mono", 40, false, 1, 0, 2, {}, BmpRows(1, 1)},
        {"seed-indexed4-rle", 40, false, 4, 2, 16, {}, BmpRle(true)},
        {"seed-indexed8-rle", 40, false, 8, 1, 16, {}, BmpRle(false)},
        {"seed-indexed8-topdown", 40, true, 8, 0, 12, {}, BmpRows(8, 11)},
        {"seed-os2-indexed8", 12, false, 8, 0, 256, {}, BmpRows(8, 255)},
        {"seed-fields565", 40, false, 16, 3, 0, {0xF800, 0x07E0, 0x001F}, BmpRows(16, 255)},
        {"seed-fields32", 40, false, 32, 3, 0, {0xFF0000, 0xFF00, 0xFF}, BmpRows(32, 255)},
        {"seed-rgb555", 40, true, 16, 0, 0, {}, BmpRows(16, 255)},
    };
    std::vector<Seed> seeds;
    for (const BmpShape& shape : shapes) {
        seeds.emplace_back(std::string("bmp/") + shape.name, EncodeBmp(shape));
    }
    return seeds;
}

std::vector<Seed> TgaVariants()
{
    std::vector<uint8_t> indices(kWidth * kHeight);
    for (size_t i = 0; i < indices.size(); ++i) {
        indices[i] = static_cast<uint8_t>(i % 16);
    }
    std::vector<uint8_t> packed16;
    for (uint32_t y = 0; y < kHeight; ++y) {
        const std::vector<uint8_t> row = PackedRow(y, 2, 8, 255);
        packed16.insert(packed16.end(), row.begin(), row.end());
    }
    std::vector<uint8_t> mappedRuns;
    for (uint32_t y = 0; y < kHeight; ++y) {
        mappedRuns.push_back(0x80 | (kWidth - 1));  // one run per row
        mappedRuns.push_back(static_cast<uint8_t>(y));
    }
    return {
        {"tga/seed-mapped16-bottomup", TgaImage(1, 16, 16, 8, 0x00, indices)},
        {"tga/seed-mapped24-rle", TgaImage(9, 16, 24, 8, 0x20, mappedRuns)},
        {"tga/seed-grey-rle", TgaImage(11, 0, 0, 8, 0x20, TgaGreyRle())},
        {"tga/seed-rgb555-right", TgaImage(2, 0, 0, 16, 0x10, packed16)},
    };
}

std::vector<Seed> PcxVariants()
{
    return {
        {"pcx/seed-mono", PcxImage(1, 1, 2, false)},
        {"pcx/seed-ega-planes", PcxImage(1, 4, 2, false)},
        {"pcx/seed-indexed2", PcxImage(2, 1, 4, false)},
        {"pcx/seed-vga-palette", PcxImage(8, 1, 10, true)},
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
