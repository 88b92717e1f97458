// PCX (ZSoft Paintbrush) reader and measurement.
//
// Reads 1-bit monochrome (black and white), 16-colour images with the palette in the header
// (1 bit in 2, 3 or 4 planes, or 2 or 4 bits in one plane), 8-bit images with the 256-colour
// palette at the end of the file (a grey ramp when there is none), and 24-bit images as three
// planes of 8 bits (a fourth, alpha, plane is ignored). Output is top-down RGB, 3 bytes a
// pixel.
//
// Each scan line holds bytesPerLine bytes for every plane, which may be more than the
// window's width needs. Runs of the RLE encoding may continue from one plane or line into
// the next; a run past the end of the image makes the file invalid.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/core/parsed_reader.h"
#include "imaging/core/source.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace zv::imaging {
namespace {

constexpr Format kFormat = Format::Pcx;
constexpr size_t kHeaderSize = 128;
constexpr uint8_t kManufacturer = 10;
constexpr uint8_t kVgaPaletteMark = 0x0C;
constexpr size_t kVgaPaletteBytes = 1 + 256 * 3;
// The longest run one RLE pair of bytes can describe.
constexpr uint64_t kLongestRun = 63;


struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

enum class Layout {
    Indexed,   // 1, 2 or 4 bits in one plane, or 1 bit in several: an index into a palette
    Palette8,  // 8 bits in one plane
    Rgb,       // 8 bits in three (or four) planes
};

struct PcxDescription {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitsPerPlane = 0;
    uint32_t planes = 0;
    uint32_t bytesPerLine = 0;  // per plane
    bool rle = true;
    Layout layout = Layout::Indexed;
    std::array<Rgb, 256> palette{};
    uint64_t dataOffset = kHeaderSize;
    uint64_t dataBytes = 0;     // up to the VGA palette, if there is one

    uint64_t lineBytes() const { return uint64_t{bytesPerLine} * planes; }
};

struct PcxHeader {
    uint8_t manufacturer = 0;
    uint8_t version = 0;
    uint8_t encoding = 0;
    uint8_t bitsPerPlane = 0;
    uint16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    std::array<uint8_t, 48> palette{};
    uint8_t planes = 0;
    uint16_t bytesPerLine = 0;
};

bool ReadHeader(ByteReader& in, PcxHeader* h)
{
    uint8_t reserved = 0;
    return in.Has(kHeaderSize) && in.U8(&h->manufacturer) && in.U8(&h->version) && in.U8(&h->encoding) &&
           in.U8(&h->bitsPerPlane) && in.U16LE(&h->xMin) && in.U16LE(&h->yMin) && in.U16LE(&h->xMax) &&
           in.U16LE(&h->yMax) && in.Skip(4) && in.Bytes(h->palette.data(), h->palette.size()) &&
           in.U8(&reserved) && in.U8(&h->planes) && in.U16LE(&h->bytesPerLine);
}

bool IsKnownVersion(uint8_t version)
{
    return version == 0 || version == 2 || version == 3 || version == 4 || version == 5;
}

ParseError ChooseLayout(const PcxHeader& h, PcxDescription* d)
{
    const uint32_t bits = h.bitsPerPlane;
    const uint32_t planes = h.planes;
    if ((bits == 1 && planes >= 1 && planes <= 4) || ((bits == 2 || bits == 4) && planes == 1)) {
        d->layout = Layout::Indexed;
    } else if (bits == 8 && planes == 1) {
        d->layout = Layout::Palette8;
    } else if (bits == 8 && (planes == 3 || planes == 4)) {
        d->layout = Layout::Rgb;
    } else {
        return Problem::Corrupt;
    }
    return std::nullopt;
}

// The palette for indexed images: black and white for one plane of one bit, else the 16
// entries of the header.
void SetHeaderPalette(const PcxHeader& h, PcxDescription* d)
{
    if (d->bitsPerPlane == 1 && d->planes == 1) {
        d->palette[1] = Rgb{255, 255, 255};
        return;
    }
    for (size_t i = 0; i < 16; ++i) {
        d->palette[i] = Rgb{h.palette[i * 3], h.palette[i * 3 + 1], h.palette[i * 3 + 2]};
    }
}

// 8-bit images keep their palette in the last 769 bytes, behind a mark; without one the
// indices are grey levels.
void SetVgaPalette(const IS40Source& source, PcxDescription* d)
{
    const bool present = source.size >= kHeaderSize + kVgaPaletteBytes &&
                         source.data[source.size - kVgaPaletteBytes] == kVgaPaletteMark;
    if (!present) {
        for (size_t i = 0; i < 256; ++i) {
            const auto level = static_cast<uint8_t>(i);
            d->palette[i] = Rgb{level, level, level};
        }
        return;
    }
    const uint8_t* entries = source.data + source.size - kVgaPaletteBytes + 1;
    for (size_t i = 0; i < 256; ++i) {
        d->palette[i] = Rgb{entries[i * 3], entries[i * 3 + 1], entries[i * 3 + 2]};
    }
    d->dataBytes -= kVgaPaletteBytes;
}

// Checks that the pixel data can describe the whole image: all of it for raw data, and for
// RLE at least one pair of bytes for every longest run.
ParseError CheckDataSize(const PcxDescription& d)
{
    const uint64_t needed = d.lineBytes() * d.height;
    if (!d.rle) {
        return needed <= d.dataBytes ? std::nullopt : ParseError(Problem::Corrupt);
    }
    const uint64_t mostDescribed = (d.dataBytes + 1) / 2 * kLongestRun;
    return needed <= mostDescribed ? std::nullopt : ParseError(Problem::Corrupt);
}

// Reads and checks the header, and finds the palette.
ParseError ParsePcx(const IS40Source& source, PcxDescription* d)
{
    ByteReader in(source);
    PcxHeader h;
    if (!ReadHeader(in, &h) || h.manufacturer != kManufacturer || !IsKnownVersion(h.version) ||
        h.encoding > 1 || h.xMax < h.xMin || h.yMax < h.yMin) {
        return Problem::Corrupt;
    }
    if (ParseError error = ChooseLayout(h, d)) {
        return error;
    }
    d->width = uint32_t{h.xMax} - h.xMin + 1;
    d->height = uint32_t{h.yMax} - h.yMin + 1;
    d->bitsPerPlane = h.bitsPerPlane;
    d->planes = h.planes;
    d->bytesPerLine = h.bytesPerLine;
    d->rle = h.encoding == 1;
    if (uint64_t{d->bytesPerLine} * 8 < uint64_t{d->width} * d->bitsPerPlane) {
        return Problem::Corrupt;  // a line too short for the window
    }
    d->dataBytes = source.size - kHeaderSize;
    if (d->layout == Layout::Palette8) {
        SetVgaPalette(source, d);
    } else {
        SetHeaderPalette(h, d);
    }
    return CheckDataSize(*d);
}

// ---- Pixel conversion ----------------------------------------------------------------------

// Produces the decoded bytes of the image, line after line, from RLE or raw data. A run
// left over at the end of one line continues at the start of the next.
class LineSource {
public:
    LineSource(ByteReader data, bool rle) : in_(data), rle_(rle) {}

    bool Next(uint8_t* line, uint64_t count)
    {
        if (!rle_) {
            return in_.Bytes(line, count);
        }
        uint64_t filled = 0;
        while (filled < count) {
            if (pending_ == 0 && !StartRun()) {
                return false;
            }
            const uint64_t take = std::min<uint64_t>(pending_, count - filled);
            std::fill_n(line + filled, take, value_);
            filled += take;
            pending_ -= static_cast<uint32_t>(take);
        }
        return true;
    }

    // True when no run reaches beyond what was asked for.
    bool NothingPending() const { return pending_ == 0; }

private:
    bool StartRun()
    {
        uint8_t byte = 0;
        if (!in_.U8(&byte)) {
            return false;
        }
        if ((byte & 0xC0) != 0xC0) {
            value_ = byte;
            pending_ = 1;
            return true;
        }
        pending_ = byte & 0x3Fu;
        return in_.U8(&value_);
    }

    ByteReader in_;
    bool rle_;
    uint32_t pending_ = 0;
    uint8_t value_ = 0;
};

void PutRgb(uint8_t* out, const Rgb& colour)
{
    out[0] = colour.r;
    out[1] = colour.g;
    out[2] = colour.b;
}

// Gathers each pixel's index from its bits in every plane, plane 0 giving the lowest bits.
void ConvertIndexedLine(const uint8_t* line, const PcxDescription& d, uint8_t* out)
{
    const uint32_t bits = d.bitsPerPlane;
    const uint32_t valueMask = (1u << bits) - 1;
    for (uint64_t x = 0; x < d.width; ++x) {
        const uint64_t bitPos = x * bits;
        const uint32_t shift = 8 - bits - static_cast<uint32_t>(bitPos % 8);
        uint32_t index = 0;
        for (uint32_t p = 0; p < d.planes; ++p) {
            const uint32_t value = (line[p * uint64_t{d.bytesPerLine} + bitPos / 8] >> shift) & valueMask;
            index |= value << (p * bits);
        }
        PutRgb(out + x * 3, d.palette[index]);
    }
}

void ConvertLine(const uint8_t* line, const PcxDescription& d, uint8_t* out)
{
    switch (d.layout) {
    case Layout::Indexed:
        ConvertIndexedLine(line, d, out);
        return;
    case Layout::Palette8:
        for (uint64_t x = 0; x < d.width; ++x) {
            PutRgb(out + x * 3, d.palette[line[x]]);
        }
        return;
    case Layout::Rgb: {
        const uint8_t* red = line;
        const uint8_t* green = line + d.bytesPerLine;
        const uint8_t* blue = line + 2 * uint64_t{d.bytesPerLine};
        for (uint64_t x = 0; x < d.width; ++x) {
            PutRgb(out + x * 3, Rgb{red[x], green[x], blue[x]});
        }
        return;
    }
    }
}

bool DecodePixels(const IS40Source& source, const PcxDescription& d, uint8_t* pixels)
{
    LineSource lines(ByteReader(source.data + d.dataOffset, d.dataBytes), d.rle);
    std::vector<uint8_t> line(d.lineBytes());
    for (uint64_t y = 0; y < d.height; ++y) {
        if (!lines.Next(line.data(), line.size())) {
            return false;
        }
        ConvertLine(line.data(), d, pixels + y * d.width * 3);
    }
    return lines.NothingPending();
}

} // namespace
} // namespace zv::imaging

HGLOBAL IS40_ReadPCX(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitDepth, uint8_t*,
                     uint32_t)
{
    using namespace zv::imaging;
    return ReadParsedImage<PcxDescription>(kFormat, source, width, height, bitDepth, ParsePcx, DecodePixels);
}

uint32_t IS40_GetPCXDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel,
                         IS40DimInfo* info, uint32_t)
{
    using namespace zv::imaging;
    PcxDescription d;
    if (!ParseForMeasuring<PcxDescription>(kFormat, source, ParsePcx, &d)) {
        return 0;
    }
    if (width != nullptr) {
        *width = d.width;
    }
    if (height != nullptr) {
        *height = d.height;
    }
    if (bitsPerPixel != nullptr) {
        *bitsPerPixel = d.bitsPerPlane * d.planes;
    }
    if (info != nullptr) {
        info->width = d.width;
        info->height = d.height;
        info->bitsPerSample = d.bitsPerPlane;
        info->samplesPerPixel = d.planes;
        info->formatDetail = d.planes;
    }
    return 1;
}
