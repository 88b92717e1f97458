// BMP reader and measurement.
//
// Reads Windows bitmaps (the 40-byte header and its 52-, 56-, 108- and 124-byte successors)
// and OS/2 bitmaps (the 12-byte 1.x header, the 16- and 64-byte 2.x headers): 1-, 2-, 4- and
// 8-bit palettes, 16-, 24- and 32-bit pixels with or without bit fields, 64-bit pixels, RLE8,
// RLE4, the OS/2 RLE24 and Huffman 1D, CMYK (uncompressed, RLE8 and RLE4), and JPEG or PNG
// images carried whole. Alpha is ignored. Output is top-down RGB, 3 bytes a pixel.
//
// 64-bit pixels hold blue, green, red and alpha as signed 16-bit fixed point with 13 fraction
// bits, in linear light: clamped to 0..1 and sRGB-encoded. CMYK pixels and palette entries are
// four bytes in the order of the name, cyan first, 0 meaning no ink; they become RGB the naive
// way the JPEG and TIFF readers use: each of red, green and blue is the light that black leaves
// less what the matching ink takes of it. Embedded JPEG and PNG data is decoded by those
// readers, with their limits and their error codes; its size must match the header's.
//
// The reader is deliberately strict: a file whose header contradicts itself or the file's
// length (a declared size beyond the end, a palette that does not fit before the pixels, an
// RLE run past the end of a row, a palette index beyond the palette, a Huffman row that does
// not add up to the width) is rejected as a bad BMP rather than guessed at.
#include "imaging/codecs/tiff_fax.h"
#include "imaging/core/colour.h"
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/core/parsed_reader.h"
#include "imaging/core/source.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace zv::imaging {
namespace {

constexpr Format kFormat = Format::Bmp;
constexpr uint64_t kFileHeaderSize = 14;
// Larger sides are taken as damage, not as pictures.
constexpr int64_t kMaxSide = int64_t{1} << 24;
// 25,400 dots per inch; beyond this a density is garbage, not a resolution.
constexpr int32_t kMaxDensity = 1'000'000;


enum class Encoding { Raw, BitFields, Rle8, Rle4, Rle24, Linear64, Cmyk, Huffman, Jpeg, Png };

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

// One colour channel of a 16- or 32-bit pixel: where it sits and how to widen it to 8 bits.
// Narrow channels are scaled to the full 0..255 range with rounding; wide ones keep their
// top 8 bits.
struct Channel {
    uint32_t mask = 0;
    uint32_t shift = 0;
    uint32_t bits = 0;
    std::array<uint8_t, 256> levels{};

    uint8_t Extract(uint32_t pixel) const
    {
        const uint32_t value = (pixel & mask) >> shift;
        return bits <= 8 ? levels[value] : static_cast<uint8_t>(value >> (bits - 8));
    }
};

// What the headers say, checked against each other and the file's length.
struct BmpDescription {
    uint32_t headerSize = 0;
    bool os2 = false;          // an OS/2 1.x or 2.x header
    uint32_t width = 0;
    uint32_t height = 0;
    bool topDown = false;
    uint32_t bitCount = 0;
    uint32_t compression = 0;  // as stored
    Encoding encoding = Encoding::Raw;
    bool cmyk = false;         // palette entries (and 32-bit pixels) are CMYK
    Channel red, green, blue;
    bool hasAlphaMask = false;
    std::array<Rgb, 256> palette{};
    uint32_t paletteSize = 0;
    uint64_t pixelOffset = 0;
    uint64_t pixelBytes = 0;   // from pixelOffset to the end of the file
    uint64_t rowStride = 0;    // bytes per stored row of uncompressed pixels
};

// The raw fields of the info header, before any interpretation.
struct InfoFields {
    int64_t width = 0;
    int64_t height = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t densityX = 0;
    int32_t densityY = 0;
    uint32_t coloursUsed = 0;
};

bool IsKnownHeaderSize(uint32_t size)
{
    switch (size) {
    case 12: case 16: case 40: case 52: case 56: case 64: case 108: case 124:
        return true;
    default:
        return false;
    }
}

bool IsOs2HeaderSize(uint32_t size)
{
    return size == 12 || size == 16 || size == 64;
}

bool ReadInfoFields(ByteReader& in, uint32_t headerSize, InfoFields* out)
{
    if (headerSize == 12) {
        uint16_t w = 0, h = 0;
        if (!in.U16LE(&w) || !in.U16LE(&h) || !in.U16LE(&out->planes) || !in.U16LE(&out->bitCount)) {
            return false;
        }
        out->width = w;
        out->height = h;
        return true;
    }
    uint32_t w = 0, h = 0;
    if (!in.U32LE(&w) || !in.U32LE(&h) || !in.U16LE(&out->planes) || !in.U16LE(&out->bitCount)) {
        return false;
    }
    out->width = static_cast<int32_t>(w);
    out->height = static_cast<int32_t>(h);
    if (headerSize < 40) {
        return true;  // a short OS/2 2.x header: the remaining fields are zero
    }
    uint32_t densityX = 0, densityY = 0;
    if (!in.U32LE(&out->compression) || !in.U32LE(&out->sizeImage) || !in.U32LE(&densityX) ||
        !in.U32LE(&densityY) || !in.U32LE(&out->coloursUsed)) {
        return false;
    }
    out->densityX = static_cast<int32_t>(densityX);
    out->densityY = static_cast<int32_t>(densityY);
    return true;
}

bool IsValidBitCount(uint32_t bitCount)
{
    switch (bitCount) {
    case 0: case 1: case 2: case 4: case 8: case 16: case 24: case 32: case 64:
        return true;
    default:
        return false;
    }
}

bool IsValidDensity(int32_t density)
{
    return density >= 0 && density <= kMaxDensity;
}

// Decides how the pixels are stored from the compression code and the bit count.
ParseError ChooseEncoding(BmpDescription* d)
{
    const uint32_t bits = d->bitCount;
    const bool embedded = !d->os2 && (d->compression == 4 || d->compression == 5);
    if (bits == 0 && !embedded) {
        return Problem::Corrupt;  // only an embedded image leaves its depth to itself
    }
    if (bits == 64 && d->compression != 0) {
        return Problem::Corrupt;  // 64-bit pixels have neither bit fields nor a run-length form
    }
    switch (d->compression) {
    case 0:
        d->encoding = bits == 64 ? Encoding::Linear64 : Encoding::Raw;
        return std::nullopt;
    case 1:
        d->encoding = Encoding::Rle8;
        return bits == 8 ? std::nullopt : ParseError(Problem::Corrupt);
    case 2:
        d->encoding = Encoding::Rle4;
        return bits == 4 ? std::nullopt : ParseError(Problem::Corrupt);
    case 3:
        if (d->os2) {
            d->encoding = Encoding::Huffman;
            return bits == 1 ? std::nullopt : ParseError(Problem::Corrupt);
        }
        d->encoding = Encoding::BitFields;
        return bits == 16 || bits == 32 ? std::nullopt : ParseError(Problem::Corrupt);
    case 4:
        if (!d->os2) {
            d->encoding = Encoding::Jpeg;
            return std::nullopt;
        }
        d->encoding = Encoding::Rle24;
        return bits == 24 ? std::nullopt : ParseError(Problem::Corrupt);
    case 5:
        d->encoding = Encoding::Png;
        return d->os2 ? ParseError(Problem::Corrupt) : std::nullopt;
    case 11:
        d->cmyk = true;
        d->encoding = bits == 32 ? Encoding::Cmyk : Encoding::Raw;
        return bits <= 8 || bits == 32 ? std::nullopt : ParseError(Problem::Corrupt);
    case 12:
        d->cmyk = true;
        d->encoding = Encoding::Rle8;
        return bits == 8 ? std::nullopt : ParseError(Problem::Corrupt);
    case 13:
        d->cmyk = true;
        d->encoding = Encoding::Rle4;
        return bits == 4 ? std::nullopt : ParseError(Problem::Corrupt);
    case 6:        // bit fields with an alpha mask
        d->encoding = Encoding::BitFields;
        return bits == 16 || bits == 32 ? std::nullopt : ParseError(Problem::Corrupt);
    default:
        return Problem::Corrupt;
    }
}

bool MakeChannel(uint32_t mask, uint32_t bitCount, Channel* out)
{
    if (mask == 0 || (bitCount < 32 && (mask >> bitCount) != 0)) {
        return false;
    }
    const uint32_t shift = static_cast<uint32_t>(std::countr_zero(mask));
    const uint32_t bits = static_cast<uint32_t>(std::popcount(mask));
    if ((mask >> shift) != (bits == 32 ? ~0u : (1u << bits) - 1)) {
        return false;  // the mask's bits are not contiguous
    }
    out->mask = mask;
    out->shift = shift;
    out->bits = bits;
    if (bits <= 8) {
        const uint32_t top = (1u << bits) - 1;
        for (uint32_t v = 0; v <= top; ++v) {
            out->levels[v] = static_cast<uint8_t>((v * 255 + top / 2) / top);
        }
    }
    return true;
}

bool SetChannels(BmpDescription* d, uint32_t red, uint32_t green, uint32_t blue)
{
    if ((red & green) != 0 || (red & blue) != 0 || (green & blue) != 0) {
        return false;
    }
    return MakeChannel(red, d->bitCount, &d->red) && MakeChannel(green, d->bitCount, &d->green) &&
           MakeChannel(blue, d->bitCount, &d->blue);
}

// Reads the colour masks or sets the defaults, and leaves `in` at the start of the palette.
// Masks sit at the same place for every Windows header: inside the header from the 52-byte
// one on, just after the 40-byte one (where they push the palette back).
ParseError ReadMasks(ByteReader& in, BmpDescription* d)
{
    uint64_t paletteStart = kFileHeaderSize + d->headerSize;
    uint32_t red = 0, green = 0, blue = 0, alpha = 0;
    if (d->encoding == Encoding::BitFields) {
        const bool withAlpha = d->compression == 6 || d->headerSize >= 56;
        if (!in.Seek(kFileHeaderSize + 40) || !in.U32LE(&red) || !in.U32LE(&green) ||
            !in.U32LE(&blue) || (withAlpha && !in.U32LE(&alpha))) {
            return Problem::Corrupt;
        }
        d->hasAlphaMask = alpha != 0;
        if (d->headerSize == 40) {
            paletteStart = in.position();
        }
    } else if (d->bitCount == 16) {
        red = 0x7C00;
        green = 0x03E0;
        blue = 0x001F;
    } else if (d->bitCount == 32 && d->encoding != Encoding::Cmyk) {
        red = 0x00FF0000;
        green = 0x0000FF00;
        blue = 0x000000FF;
    }
    const bool masked = d->encoding == Encoding::Raw || d->encoding == Encoding::BitFields;
    if (masked && (d->bitCount == 16 || d->bitCount == 32) && !SetChannels(d, red, green, blue)) {
        return Problem::Corrupt;
    }
    return in.Seek(paletteStart) ? std::nullopt : ParseError(Problem::Corrupt);
}

// a * b / 255, rounded, for a and b in 0..255.
uint32_t MulDiv255(uint32_t a, uint32_t b)
{
    const uint32_t t = a * b + 128;
    return ((t >> 8) + t) >> 8;
}

// Cyan, magenta, yellow and black ink (0 none) to RGB, as the JPEG reader converts CMYK.
Rgb CmykToRgb(const uint8_t* cmyk)
{
    const uint32_t light = 255u - cmyk[3];
    auto component = [light](uint8_t ink) { return static_cast<uint8_t>(light - MulDiv255(ink, light)); };
    return Rgb{component(cmyk[0]), component(cmyk[1]), component(cmyk[2])};
}

// Reads the palette that lies between the headers and the pixels. A palette that declares
// more entries than fit there is an error; one without a declared size takes what fits.
ParseError ReadPalette(ByteReader& in, const InfoFields& fields, BmpDescription* d)
{
    const uint64_t start = in.position();
    if (d->pixelOffset < start) {
        return Problem::Corrupt;
    }
    const uint64_t entryBytes = d->headerSize == 12 ? 3 : 4;
    const uint64_t room = (d->pixelOffset - start) / entryBytes;
    if (fields.coloursUsed > room) {
        return Problem::Corrupt;
    }
    if (d->bitCount > 8 || d->bitCount == 0) {
        return std::nullopt;  // any palette there is only a display hint
    }
    const uint64_t full = uint64_t{1} << d->bitCount;
    uint64_t count = fields.coloursUsed != 0 ? fields.coloursUsed : full;
    count = std::min({count, full, room});
    if (count == 0) {
        return Problem::Corrupt;
    }
    for (uint64_t i = 0; i < count; ++i) {
        uint8_t entry[4] = {};
        if (!in.Bytes(entry, entryBytes)) {
            return Problem::Corrupt;
        }
        d->palette[i] = d->cmyk ? CmykToRgb(entry) : Rgb{entry[2], entry[1], entry[0]};
    }
    d->paletteSize = static_cast<uint32_t>(count);
    return std::nullopt;
}

// Whether the Huffman data is long enough for the image it claims, so that a few bytes cannot
// make the reader allocate a huge image before the decoder notices. Every row needs a code of
// at least 4 bits, and no code covers more than 2560 pixels in 12 bits (213 pixels a bit).
bool HuffmanDataCanCover(const BmpDescription& d)
{
    constexpr uint64_t kShortestRowBits = 4;
    constexpr uint64_t kMostPixelsPerBit = 214;
    const uint64_t rowBits = std::max(kShortestRowBits, uint64_t{d.width} / kMostPixelsPerBit);
    return d.pixelBytes * 8 >= rowBits * d.height;
}

// Checks that the uncompressed pixels are all in the file; for RLE the data is checked as it
// is decoded.
ParseError CheckPixelData(const InfoFields& fields, BmpDescription* d)
{
    d->rowStride = (uint64_t{d->width} * d->bitCount + 31) / 32 * 4;
    if (fields.sizeImage > d->pixelBytes) {
        return Problem::Corrupt;
    }
    if (d->encoding == Encoding::Jpeg || d->encoding == Encoding::Png) {
        d->pixelBytes = fields.sizeImage != 0 ? fields.sizeImage : d->pixelBytes;  // the embedded file
        return std::nullopt;
    }
    if (d->encoding == Encoding::Huffman) {
        return HuffmanDataCanCover(*d) ? std::nullopt : ParseError(Problem::Corrupt);
    }
    const bool uncompressed = d->encoding == Encoding::Raw || d->encoding == Encoding::BitFields ||
                              d->encoding == Encoding::Linear64 || d->encoding == Encoding::Cmyk;
    if (!uncompressed) {
        return std::nullopt;
    }
    const uint64_t lastRow = (uint64_t{d->width} * d->bitCount + 7) / 8;
    const uint64_t needed = d->rowStride * (d->height - 1) + lastRow;
    return needed <= d->pixelBytes ? std::nullopt : ParseError(Problem::Corrupt);
}

ParseError ParseBmp(const IS40Source& source, BmpDescription* d)
{
    ByteReader in(source);
    uint8_t magic[2] = {};
    uint32_t fileSize = 0, pixelOffset = 0;
    if (!in.Bytes(magic, 2) || magic[0] != 'B' || magic[1] != 'M' || !in.U32LE(&fileSize) ||
        !in.Skip(4) || !in.U32LE(&pixelOffset) || !in.U32LE(&d->headerSize)) {
        return Problem::Corrupt;
    }
    if (fileSize > source.size || !IsKnownHeaderSize(d->headerSize) ||
        !in.Has(d->headerSize - 4) || pixelOffset > source.size) {
        return Problem::Corrupt;
    }
    d->os2 = IsOs2HeaderSize(d->headerSize);
    d->pixelOffset = pixelOffset;
    d->pixelBytes = source.size - pixelOffset;

    InfoFields fields;
    if (!ReadInfoFields(in, d->headerSize, &fields)) {
        return Problem::Corrupt;
    }
    const int64_t height = fields.height < 0 ? -fields.height : fields.height;
    if (fields.planes != 1 || fields.width <= 0 || fields.width > kMaxSide || height == 0 ||
        height > kMaxSide || !IsValidDensity(fields.densityX) || !IsValidDensity(fields.densityY)) {
        return Problem::Corrupt;
    }
    d->width = static_cast<uint32_t>(fields.width);
    d->height = static_cast<uint32_t>(height);
    d->topDown = fields.height < 0;
    d->bitCount = fields.bitCount;
    d->compression = fields.compression;
    if (!IsValidBitCount(d->bitCount)) {
        return Problem::Corrupt;
    }
    if (ParseError error = ChooseEncoding(d)) {
        return error;
    }
    const bool compressed = d->encoding == Encoding::Rle8 || d->encoding == Encoding::Rle4 ||
                            d->encoding == Encoding::Rle24 || d->encoding == Encoding::Huffman ||
                            d->encoding == Encoding::Jpeg || d->encoding == Encoding::Png;
    if (compressed && d->topDown) {
        return Problem::Corrupt;  // compressed images are always stored bottom-up, or have their own order
    }
    if (ParseError error = ReadMasks(in, d)) {
        return error;
    }
    if (ParseError error = ReadPalette(in, fields, d)) {
        return error;
    }
    return CheckPixelData(fields, d);
}

// ---- Pixel conversion ----------------------------------------------------------------------

uint8_t* OutputRow(uint8_t* pixels, const BmpDescription& d, uint32_t storedRow)
{
    const uint64_t row = d.topDown ? storedRow : d.height - 1 - storedRow;
    return pixels + row * d.width * 3;
}

void PutRgb(uint8_t* out, const Rgb& colour)
{
    out[0] = colour.r;
    out[1] = colour.g;
    out[2] = colour.b;
}

bool ConvertIndexedRows(const uint8_t* data, const BmpDescription& d, uint8_t* pixels)
{
    const uint32_t bits = d.bitCount;
    const uint32_t valueMask = (1u << bits) - 1;
    for (uint32_t r = 0; r < d.height; ++r) {
        const uint8_t* row = data + r * d.rowStride;
        uint8_t* out = OutputRow(pixels, d, r);
        for (uint64_t x = 0; x < d.width; ++x) {
            const uint64_t bitPos = x * bits;
            const uint32_t shift = 8 - bits - static_cast<uint32_t>(bitPos % 8);
            const uint32_t index = (row[bitPos / 8] >> shift) & valueMask;
            if (index >= d.paletteSize) {
                return false;
            }
            PutRgb(out + x * 3, d.palette[index]);
        }
    }
    return true;
}

void ConvertBgrRows(const uint8_t* data, const BmpDescription& d, uint8_t* pixels)
{
    for (uint32_t r = 0; r < d.height; ++r) {
        const uint8_t* in = data + r * d.rowStride;
        uint8_t* out = OutputRow(pixels, d, r);
        for (uint64_t x = 0; x < d.width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
}

// s2.13 fixed point, linear light, to an sRGB-encoded 8-bit value.
uint8_t Linear64Channel(const uint8_t* at)
{
    const auto value = static_cast<int16_t>(static_cast<uint16_t>(at[0] | (at[1] << 8)));
    return LinearToSrgb8(value / 8192.0);
}

void ConvertLinear64Rows(const uint8_t* data, const BmpDescription& d, uint8_t* pixels)
{
    for (uint32_t r = 0; r < d.height; ++r) {
        const uint8_t* in = data + r * d.rowStride;
        uint8_t* out = OutputRow(pixels, d, r);
        for (uint64_t x = 0; x < d.width; ++x, in += 8, out += 3) {
            out[0] = Linear64Channel(in + 4);
            out[1] = Linear64Channel(in + 2);
            out[2] = Linear64Channel(in);
        }
    }
}

void ConvertCmykRows(const uint8_t* data, const BmpDescription& d, uint8_t* pixels)
{
    for (uint32_t r = 0; r < d.height; ++r) {
        const uint8_t* in = data + r * d.rowStride;
        uint8_t* out = OutputRow(pixels, d, r);
        for (uint64_t x = 0; x < d.width; ++x, in += 4, out += 3) {
            PutRgb(out, CmykToRgb(in));
        }
    }
}

// Huffman 1D rows come out of the fax decoder packed to the byte, a set bit black; the
// palette says which colours white and black are.
bool DecodeHuffmanRows(const uint8_t* data, const BmpDescription& d, uint8_t* pixels)
{
    BmpDescription packed = d;
    packed.rowStride = (uint64_t{d.width} + 7) / 8;
    std::vector<uint8_t> rows(packed.rowStride * d.height);
    return DecodeModifiedHuffmanRows(data, d.pixelBytes, d.width, d.height, rows.data()) &&
           ConvertIndexedRows(rows.data(), packed, pixels);
}

void ConvertMaskedRows(const uint8_t* data, const BmpDescription& d, uint8_t* pixels)
{
    const uint32_t bytesPerPixel = d.bitCount / 8;
    for (uint32_t r = 0; r < d.height; ++r) {
        const uint8_t* in = data + r * d.rowStride;
        uint8_t* out = OutputRow(pixels, d, r);
        for (uint64_t x = 0; x < d.width; ++x, in += bytesPerPixel, out += 3) {
            uint32_t pixel = uint32_t{in[0]} | (uint32_t{in[1]} << 8);
            if (bytesPerPixel == 4) {
                pixel |= (uint32_t{in[2]} << 16) | (uint32_t{in[3]} << 24);
            }
            out[0] = d.red.Extract(pixel);
            out[1] = d.green.Extract(pixel);
            out[2] = d.blue.Extract(pixel);
        }
    }
}

// Decodes RLE8, RLE4 or RLE24 data into a top-down plane of width x height cells: palette
// indices (1 byte) for RLE8/RLE4, RGB (3 bytes) for RLE24. Cells that the data skips (with
// a delta or an early end) keep their zero. Anything that would write outside the image,
// or data that stops before the image is complete without an end-of-bitmap mark, fails.
class RleDecoder {
public:
    RleDecoder(ByteReader data, const BmpDescription& d, uint8_t* plane)
        : in_(data), d_(d), plane_(plane), cellBytes_(d.encoding == Encoding::Rle24 ? 3 : 1)
    {
    }

    bool Decode()
    {
        for (;;) {
            uint8_t count = 0, code = 0;
            if (!in_.U8(&count) || !in_.U8(&code)) {
                return Complete();
            }
            bool ok = true;
            if (count != 0) {
                ok = Repeat(count, code);
            } else if (code == 0) {
                ok = EndLine();
            } else if (code == 1) {
                return true;
            } else if (code == 2) {
                ok = Move();
            } else {
                ok = Literal(code);
            }
            if (!ok) {
                return false;
            }
        }
    }

private:
    // Data may stop without an end mark only once every row is written.
    bool Complete() const { return y_ >= d_.height || (y_ + 1 == d_.height && x_ == d_.width); }

    bool Fits(uint32_t count) const { return y_ < d_.height && uint64_t{x_} + count <= d_.width; }

    uint8_t* Cell(uint32_t x) const
    {
        const uint64_t row = d_.height - 1 - y_;
        return plane_ + (row * d_.width + x) * cellBytes_;
    }

    bool Repeat(uint8_t count, uint8_t first)
    {
        if (!Fits(count)) {
            return false;
        }
        if (d_.encoding == Encoding::Rle24) {
            uint8_t gr[2] = {};
            if (!in_.Bytes(gr, 2)) {
                return false;
            }
            for (uint32_t i = 0; i < count; ++i) {
                uint8_t* cell = Cell(x_ + i);
                cell[0] = gr[1];
                cell[1] = gr[0];
                cell[2] = first;
            }
        } else if (d_.encoding == Encoding::Rle4) {
            for (uint32_t i = 0; i < count; ++i) {
                *Cell(x_ + i) = (i % 2 == 0) ? first >> 4 : first & 0x0F;
            }
        } else {
            std::memset(Cell(x_), first, count);
        }
        x_ += count;
        return true;
    }

    bool Literal(uint8_t count)
    {
        if (!Fits(count)) {
            return false;
        }
        uint64_t bytes = count;
        if (d_.encoding == Encoding::Rle4) {
            bytes = (uint64_t{count} + 1) / 2;
        } else if (d_.encoding == Encoding::Rle24) {
            bytes = uint64_t{count} * 3;
        }
        if (!in_.Has(bytes + bytes % 2)) {
            return false;
        }
        const uint8_t* src = in_.current();
        for (uint32_t i = 0; i < count; ++i) {
            uint8_t* cell = Cell(x_ + i);
            if (d_.encoding == Encoding::Rle24) {
                cell[0] = src[i * 3 + 2];
                cell[1] = src[i * 3 + 1];
                cell[2] = src[i * 3];
            } else if (d_.encoding == Encoding::Rle4) {
                *cell = (i % 2 == 0) ? src[i / 2] >> 4 : src[i / 2] & 0x0F;
            } else {
                *cell = src[i];
            }
        }
        in_.Skip(bytes + bytes % 2);
        x_ += count;
        return true;
    }

    bool Move()
    {
        uint8_t dx = 0, dy = 0;
        if (!in_.U8(&dx) || !in_.U8(&dy)) {
            return false;
        }
        if (uint64_t{x_} + dx > d_.width || uint64_t{y_} + dy >= d_.height) {
            return false;
        }
        x_ += dx;
        y_ += dy;
        return true;
    }

    bool EndLine()
    {
        if (y_ >= d_.height) {
            return false;
        }
        x_ = 0;
        ++y_;
        return true;
    }

    ByteReader in_;
    const BmpDescription& d_;
    uint8_t* plane_;
    uint32_t cellBytes_;
    uint32_t x_ = 0;
    uint32_t y_ = 0;  // stored row: 0 is the bottom one
};

// Widens the palette indices in the first width*height bytes of `pixels` to RGB in place,
// working from the end so that no index is overwritten before it is read.
bool ExpandIndicesInPlace(uint8_t* pixels, const BmpDescription& d)
{
    const uint64_t count = uint64_t{d.width} * d.height;
    for (uint64_t i = count; i-- > 0;) {
        const uint8_t index = pixels[i];
        if (index >= d.paletteSize) {
            return false;
        }
        PutRgb(pixels + i * 3, d.palette[index]);
    }
    return true;
}

bool DecodePixels(const IS40Source& source, const BmpDescription& d, uint8_t* pixels)
{
    const uint8_t* data = source.data + d.pixelOffset;
    switch (d.encoding) {
    case Encoding::Rle8:
    case Encoding::Rle4:
    case Encoding::Rle24: {
        std::memset(pixels, 0, uint64_t{d.width} * d.height * 3);
        RleDecoder decoder(ByteReader(data, d.pixelBytes), d, pixels);
        return decoder.Decode() && (d.encoding == Encoding::Rle24 || ExpandIndicesInPlace(pixels, d));
    }
    case Encoding::Linear64:
        ConvertLinear64Rows(data, d, pixels);
        return true;
    case Encoding::Cmyk:
        ConvertCmykRows(data, d, pixels);
        return true;
    case Encoding::Huffman:
        return DecodeHuffmanRows(data, d, pixels);
    case Encoding::Jpeg:
    case Encoding::Png:
        return false;  // read whole by their own readers, never through here
    case Encoding::Raw:
    case Encoding::BitFields:
        break;
    }
    if (d.bitCount <= 8) {
        return ConvertIndexedRows(data, d, pixels);
    }
    if (d.bitCount == 24) {
        ConvertBgrRows(data, d, pixels);
    } else {
        ConvertMaskedRows(data, d, pixels);
    }
    return true;
}

uint32_t WidestChannel(const BmpDescription& d)
{
    return std::max({d.red.bits, d.green.bits, d.blue.bits});
}

// Bits of one stored channel sample and the stored channels, for the measuring info block.
// Embedded images are described by their own headers, which measuring does not read.
std::pair<uint32_t, uint32_t> StoredSamples(const BmpDescription& d)
{
    switch (d.encoding) {
    case Encoding::Linear64:
        return {16, 4};
    case Encoding::Cmyk:
        return {8, 4};
    case Encoding::Jpeg:
    case Encoding::Png:
        return {8, 3};
    default:
        break;
    }
    if (d.bitCount <= 8) {
        return {d.bitCount, 1};
    }
    return {d.bitCount == 24 ? 8 : WidestChannel(d), d.hasAlphaMask ? 4u : 3u};
}

} // namespace
} // namespace zv::imaging

namespace zv::imaging {
namespace {

// An embedded JPEG or PNG, read by its own reader from the bytes the header points at. Its
// errors are its own; a size that differs from the header's makes the bitmap bad.
HGLOBAL ReadEmbedded(const IS40Source& source, const BmpDescription& d, uint32_t* width, uint32_t* height)
{
    IS40Source embedded;
    embedded.data = source.data + d.pixelOffset;
    embedded.size = static_cast<size_t>(d.pixelBytes);
    uint32_t w = 0;
    uint32_t h = 0;
    OwnedBlock block(d.encoding == Encoding::Jpeg ? IS40_ReadJPG(&embedded, &w, &h, 24, 0)
                                                  : IS40_ReadPNG(&embedded, &w, &h, 24, nullptr, 0));
    if (block.get() == nullptr) {
        return nullptr;
    }
    if (w != d.width || h != d.height) {
        return Fail(kFormat, Problem::Corrupt);
    }
    *width = w;
    *height = h;
    return block.Release();
}

} // namespace
} // namespace zv::imaging

HGLOBAL IS40_ReadBMP(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitDepth, uint8_t*,
                     uint32_t)
{
    using namespace zv::imaging;
    BmpDescription d;
    if (source != nullptr && width != nullptr && height != nullptr && bitDepth == 24 && !ParseBmp(*source, &d) &&
        (d.encoding == Encoding::Jpeg || d.encoding == Encoding::Png)) {
        return ReadEmbedded(*source, d, width, height);
    }
    return ReadParsedImage<BmpDescription>(kFormat, source, width, height, bitDepth, ParseBmp, DecodePixels);
}

uint32_t IS40_GetBMPDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel,
                         IS40DimInfo* info, uint32_t)
{
    using namespace zv::imaging;
    BmpDescription d;
    if (!ParseForMeasuring<BmpDescription>(kFormat, source, ParseBmp, &d)) {
        return 0;
    }
    if (width != nullptr) {
        *width = d.width;
    }
    if (height != nullptr) {
        *height = d.height;
    }
    if (bitsPerPixel != nullptr) {
        *bitsPerPixel = d.bitCount;
    }
    if (info != nullptr) {
        info->width = d.width;
        info->height = d.height;
        const auto [bits, samples] = StoredSamples(d);
        info->bitsPerSample = bits;
        info->samplesPerPixel = samples;
        info->formatDetail = d.compression;
    }
    return 1;
}
