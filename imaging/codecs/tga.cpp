// Targa (TGA) reader and measurement.
//
// Reads colour-mapped (8- or 16-bit indices into a map of 15-, 16-, 24- or 32-bit entries),
// true-colour (15, 16, 24 and 32 bits) and greyscale (8 bits, and 16 bits of grey plus
// alpha) images, raw or run-length encoded, stored from any of the four corners. Alpha is
// ignored. Output is top-down RGB, 3 bytes a pixel.
//
// Run-length packets may run on from one row into the next, as the format allows; a packet
// that would run past the last pixel of the image makes the file invalid. A colour index
// outside the map gives black.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/core/parsed_reader.h"
#include "imaging/core/source.h"

#include <optional>
#include <vector>

namespace zv::imaging {
namespace {

constexpr Format kFormat = Format::Tga;


enum class Kind { ColourMapped, TrueColour, Grey };

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

struct TgaDescription {
    Kind kind = Kind::TrueColour;
    bool rle = false;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t pixelDepth = 0;     // bits per stored pixel, as in the header
    uint32_t bytesPerPixel = 0;
    bool topDown = false;        // the first stored row is the top one
    bool rightToLeft = false;    // the first stored pixel of a row is its rightmost
    uint32_t mapFirstIndex = 0;  // the colour index of the map's first entry
    std::vector<Rgb> colourMap;
    uint64_t dataOffset = 0;
};

// The 18-byte header, as stored.
struct TgaHeader {
    uint8_t idLength = 0;
    uint8_t mapType = 0;
    uint8_t imageType = 0;
    uint16_t mapFirst = 0;
    uint16_t mapLength = 0;
    uint8_t mapEntryBits = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t pixelDepth = 0;
    uint8_t descriptor = 0;
};

bool ReadHeader(ByteReader& in, TgaHeader* h)
{
    uint16_t origin = 0;
    return in.U8(&h->idLength) && in.U8(&h->mapType) && in.U8(&h->imageType) && in.U16LE(&h->mapFirst) &&
           in.U16LE(&h->mapLength) && in.U8(&h->mapEntryBits) && in.U16LE(&origin) && in.U16LE(&origin) &&
           in.U16LE(&h->width) && in.U16LE(&h->height) && in.U8(&h->pixelDepth) && in.U8(&h->descriptor);
}

// Five bits to eight, as x * 255 / 31 rounded down.
uint8_t FiveBitsToByte(uint32_t value)
{
    return static_cast<uint8_t>((value & 31) * 255 / 31);
}

// A 15- or 16-bit pixel or map entry: x RRRRR GGGGG BBBBB, little-endian.
Rgb FromPacked555(const uint8_t* in)
{
    const uint32_t v = uint32_t{in[0]} | (uint32_t{in[1]} << 8);
    return Rgb{FiveBitsToByte(v >> 10), FiveBitsToByte(v >> 5), FiveBitsToByte(v)};
}

bool IsColourDepth(uint32_t bits)
{
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

// Decides what the image type and pixel depth describe.
ParseError ChooseKind(const TgaHeader& h, TgaDescription* d)
{
    d->rle = h.imageType >= 9;
    switch (h.imageType) {
    case 1:
    case 9:
        d->kind = Kind::ColourMapped;
        return h.mapType == 1 && (h.pixelDepth == 8 || h.pixelDepth == 16) ? std::nullopt
                                                                            : ParseError(Problem::Corrupt);
    case 2:
    case 10:
        d->kind = Kind::TrueColour;
        return IsColourDepth(h.pixelDepth) ? std::nullopt : ParseError(Problem::Corrupt);
    case 3:
    case 11:
        d->kind = Kind::Grey;
        return h.pixelDepth == 8 || h.pixelDepth == 16 ? std::nullopt : ParseError(Problem::Corrupt);
    default:
        return Problem::Corrupt;  // no image, or a compression this reader does not know
    }
}

// Reads the colour map, or steps over it when the image does not use it.
ParseError ReadColourMap(ByteReader& in, const TgaHeader& h, TgaDescription* d)
{
    if (h.mapType == 0) {
        return std::nullopt;
    }
    const uint64_t entryBytes = (uint64_t{h.mapEntryBits} + 7) / 8;
    if (d->kind != Kind::ColourMapped) {
        return in.Skip(entryBytes * h.mapLength) ? std::nullopt : ParseError(Problem::Corrupt);
    }
    if (!IsColourDepth(h.mapEntryBits) || h.mapLength == 0 || !in.Has(entryBytes * h.mapLength)) {
        return Problem::Corrupt;
    }
    d->mapFirstIndex = h.mapFirst;
    d->colourMap.resize(h.mapLength);
    for (Rgb& entry : d->colourMap) {
        const uint8_t* e = in.current();
        entry = entryBytes == 2 ? FromPacked555(e) : Rgb{e[2], e[1], e[0]};
        in.Skip(entryBytes);
    }
    return std::nullopt;
}

// Checks that the data can describe every pixel: raw data must hold them all, and RLE data
// needs at least one packet (a header byte and one pixel) for every 128 pixels.
ParseError CheckDataSize(const TgaDescription& d, uint64_t dataBytes)
{
    const uint64_t pixels = uint64_t{d.width} * d.height;
    if (!d.rle) {
        return pixels * d.bytesPerPixel <= dataBytes ? std::nullopt : ParseError(Problem::Corrupt);
    }
    const uint64_t packetBytes = 1 + d.bytesPerPixel;
    const uint64_t mostPackets = (dataBytes + packetBytes - 1) / packetBytes;
    return pixels <= mostPackets * 128 ? std::nullopt : ParseError(Problem::Corrupt);
}

ParseError ParseTga(const IS40Source& source, TgaDescription* d)
{
    ByteReader in(source);
    TgaHeader h;
    if (!ReadHeader(in, &h) || h.mapType > 1 || h.width == 0 || h.height == 0 ||
        (h.descriptor & 0xC0) != 0) {
        return Problem::Corrupt;  // interleaved rows (bits 6-7) went out with the hardware
    }
    if (ParseError error = ChooseKind(h, d)) {
        return error;
    }
    d->width = h.width;
    d->height = h.height;
    d->pixelDepth = h.pixelDepth;
    d->bytesPerPixel = (h.pixelDepth + 7u) / 8u;
    d->topDown = (h.descriptor & 0x20) != 0;
    d->rightToLeft = (h.descriptor & 0x10) != 0;
    if (!in.Skip(h.idLength)) {
        return Problem::Corrupt;
    }
    if (ParseError error = ReadColourMap(in, h, d)) {
        return error;
    }
    d->dataOffset = in.position();
    return CheckDataSize(*d, in.remaining());
}

// ---- Pixel conversion ----------------------------------------------------------------------

Rgb ConvertPixel(const TgaDescription& d, const uint8_t* in)
{
    switch (d.kind) {
    case Kind::ColourMapped: {
        const uint32_t index = d.bytesPerPixel == 1 ? in[0] : uint32_t{in[0]} | (uint32_t{in[1]} << 8);
        const uint32_t entry = index - d.mapFirstIndex;  // wraps above the map when below it
        return index >= d.mapFirstIndex && entry < d.colourMap.size() ? d.colourMap[entry] : Rgb{};
    }
    case Kind::Grey:
        return Rgb{in[0], in[0], in[0]};
    case Kind::TrueColour:
        break;
    }
    return d.bytesPerPixel == 2 ? FromPacked555(in) : Rgb{in[2], in[1], in[0]};
}

// Places stored pixels, in file order, at their place in a top-down, left-to-right image.
class PixelPlacer {
public:
    PixelPlacer(const TgaDescription& d, uint8_t* pixels)
        : d_(d), pixels_(pixels), total_(uint64_t{d.width} * d.height)
    {
    }

    uint64_t remaining() const { return total_ - placed_; }

    void Place(const Rgb& colour)
    {
        const uint64_t storedRow = placed_ / d_.width;
        const uint64_t storedColumn = placed_ % d_.width;
        const uint64_t row = d_.topDown ? storedRow : d_.height - 1 - storedRow;
        const uint64_t column = d_.rightToLeft ? d_.width - 1 - storedColumn : storedColumn;
        uint8_t* out = pixels_ + (row * d_.width + column) * 3;
        out[0] = colour.r;
        out[1] = colour.g;
        out[2] = colour.b;
        ++placed_;
    }

private:
    const TgaDescription& d_;
    uint8_t* pixels_;
    uint64_t total_;
    uint64_t placed_ = 0;
};

void DecodeRaw(const uint8_t* data, const TgaDescription& d, PixelPlacer& placer)
{
    while (placer.remaining() > 0) {
        placer.Place(ConvertPixel(d, data));
        data += d.bytesPerPixel;
    }
}

bool DecodeRle(ByteReader in, const TgaDescription& d, PixelPlacer& placer)
{
    while (placer.remaining() > 0) {
        uint8_t packet = 0;
        if (!in.U8(&packet)) {
            return false;
        }
        const uint32_t count = (packet & 0x7Fu) + 1;
        const bool repeat = (packet & 0x80) != 0;
        const uint64_t bytes = uint64_t{repeat ? 1 : count} * d.bytesPerPixel;
        if (count > placer.remaining() || !in.Has(bytes)) {
            return false;
        }
        const uint8_t* data = in.current();
        in.Skip(bytes);
        if (repeat) {
            const Rgb colour = ConvertPixel(d, data);
            for (uint32_t i = 0; i < count; ++i) {
                placer.Place(colour);
            }
        } else {
            for (uint32_t i = 0; i < count; ++i, data += d.bytesPerPixel) {
                placer.Place(ConvertPixel(d, data));
            }
        }
    }
    return true;
}

bool DecodePixels(const IS40Source& source, const TgaDescription& description, uint8_t* pixels)
{
    PixelPlacer placer(description, pixels);
    if (description.rle) {
        ByteReader data(source.data + description.dataOffset, source.size - description.dataOffset);
        return DecodeRle(data, description, placer);
    }
    DecodeRaw(source.data + description.dataOffset, description, placer);
    return true;
}

} // namespace
} // namespace zv::imaging

HGLOBAL IS40_ReadTGA(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitDepth, uint8_t*,
                     uint32_t)
{
    using namespace zv::imaging;
    return ReadParsedImage<TgaDescription>(kFormat, source, width, height, bitDepth, ParseTga, DecodePixels);
}

uint32_t IS40_GetTGADims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel,
                         uint32_t)
{
    using namespace zv::imaging;
    TgaDescription d;
    if (!ParseForMeasuring<TgaDescription>(kFormat, source, ParseTga, &d)) {
        return 0;
    }
    if (width != nullptr) {
        *width = d.width;
    }
    if (height != nullptr) {
        *height = d.height;
    }
    if (bitsPerPixel != nullptr) {
        *bitsPerPixel = d.pixelDepth;
    }
    return 1;
}
