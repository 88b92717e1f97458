// Kodak Photo CD image packs (.pcd): the three lower resolutions, which every pack stores
// uncompressed at fixed places (the higher ones use a proprietary Huffman coding and are not
// read).
//
// Layout, in 2048-byte sectors: the "PCD_IPI" signature at byte 0x800; the image pack header
// whose byte 0x0e02 holds the orientation in its low two bits; Base/16 (192 x 128) from sector
// 4, Base/4 (384 x 256) from sector 23, Base (768 x 512) from sector 96. Each image is PhotoYCC
// 4:2:0: for every pair of lines, two luma rows of `width` bytes, then one row of C1 (blue
// chroma) and one of C2 (red chroma), `width / 2` bytes each, shared by both lines.
//
// resolution: 1 Base/16, 2 Base/4, 3 Base; any other value fails with code 5.
// Orientation: 0 as stored; 1 turned 90 degrees anticlockwise and 3 turned 90 degrees clockwise
// (both give a portrait image, e.g. 512 x 768 for Base); 2 turned half a turn.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/core/source.h"

#include <array>
#include <cstring>

namespace zv::imaging {
namespace {

constexpr size_t kSectorSize = 2048;
constexpr size_t kSignatureOffset = 0x800;
constexpr char kSignature[] = "PCD_IPI";
constexpr size_t kOrientationOffset = 0x0e02;

struct PcdResolution {
    uint32_t number;  // the resolution argument that selects it
    uint32_t width;
    uint32_t height;
    size_t offset;    // first byte of its luma
};

constexpr PcdResolution kResolutions[] = {
    {1, 192, 128, 4 * kSectorSize},
    {2, 384, 256, 23 * kSectorSize},
    {3, 768, 512, 96 * kSectorSize},
};

const PcdResolution* FindResolution(uint32_t number)
{
    for (const PcdResolution& resolution : kResolutions) {
        if (resolution.number == number) {
            return &resolution;
        }
    }
    return nullptr;
}

// ---- PhotoYCC to RGB -------------------------------------------------------------------------
//
// PhotoYCC stores luma scaled to 0..188 for white and the chroma differences offset by 156
// (C1) and 137 (C2). The usual expansion: L = 1.3584 Y, B - L = 2.2179 (C1 - 156),
// R - L = 1.8215 (C2 - 137), and G from L less 0.194 of the blue difference and 0.509 of the red
// one. Each term is tabulated on its own as an integer by adding 0.5 and truncating towards
// zero (the customary tables, which other decoders share), then the sum is clamped to 0..255.

struct YccTables {
    std::array<int16_t, 256> luma{};
    std::array<int16_t, 256> blueFromC1{};
    std::array<int16_t, 256> greenFromC1{};
    std::array<int16_t, 256> redFromC2{};
    std::array<int16_t, 256> greenFromC2{};
};

constexpr int16_t TableEntry(double value)
{
    return static_cast<int16_t>(static_cast<int>(value + 0.5));
}

constexpr YccTables MakeYccTables()
{
    YccTables tables;
    for (int i = 0; i < 256; ++i) {
        const double blue = 2.2179 * (i - 156);
        const double red = 1.8215 * (i - 137);
        tables.luma[i] = TableEntry(1.3584 * i);
        tables.blueFromC1[i] = TableEntry(blue);
        tables.greenFromC1[i] = TableEntry(-0.194 * blue);
        tables.redFromC2[i] = TableEntry(red);
        tables.greenFromC2[i] = TableEntry(-0.509 * red);
    }
    return tables;
}

constexpr YccTables kYcc = MakeYccTables();

uint8_t Clamp8(int value)
{
    return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

void YccToRgb(uint8_t y, uint8_t c1, uint8_t c2, uint8_t* rgb)
{
    const int luma = kYcc.luma[y];
    rgb[0] = Clamp8(luma + kYcc.redFromC2[c2]);
    rgb[1] = Clamp8(luma + kYcc.greenFromC1[c1] + kYcc.greenFromC2[c2]);
    rgb[2] = Clamp8(luma + kYcc.blueFromC1[c1]);
}

// ---- Orientation -----------------------------------------------------------------------------

// Where pixel (x, y) of the stored width x height image lands in the output, as a pixel index.
struct Placement {
    uint32_t orientation;
    uint32_t width;
    uint32_t height;

    uint32_t OutputWidth() const { return orientation == 1 || orientation == 3 ? height : width; }
    uint32_t OutputHeight() const { return orientation == 1 || orientation == 3 ? width : height; }

    size_t Index(uint32_t x, uint32_t y) const
    {
        const size_t outWidth = OutputWidth();
        switch (orientation) {
        case 1:  // anticlockwise: the stored right edge becomes the top
            return (width - 1 - x) * outWidth + y;
        case 2:
            return (height - 1 - y) * outWidth + (width - 1 - x);
        case 3:  // clockwise: the stored left edge becomes the top
            return x * outWidth + (height - 1 - y);
        default:
            return y * outWidth + x;
        }
    }
};

// ---- Decoding --------------------------------------------------------------------------------

// Converts the YCC planes that start at `ycc` (3 * width bytes for every pair of lines).
void DecodeYcc(const uint8_t* ycc, const Placement& placement, uint8_t* rgb)
{
    const uint32_t width = placement.width;
    for (uint32_t y = 0; y < placement.height; y += 2) {
        const uint8_t* luma = ycc;
        const uint8_t* c1 = ycc + 2 * static_cast<size_t>(width);
        const uint8_t* c2 = c1 + width / 2;
        for (uint32_t line = 0; line < 2; ++line, luma += width) {
            for (uint32_t x = 0; x < width; ++x) {
                YccToRgb(luma[x], c1[x / 2], c2[x / 2], rgb + 3 * placement.Index(x, y + line));
            }
        }
        ycc += 3 * static_cast<size_t>(width);
    }
}

bool HasSignature(const IS40Source& source)
{
    ByteReader reader(source);
    char signature[sizeof kSignature - 1] = {};
    return reader.Seek(kSignatureOffset) && reader.Bytes(signature, sizeof signature) &&
           std::memcmp(signature, kSignature, sizeof signature) == 0;
}

} // namespace
} // namespace zv::imaging

using namespace zv::imaging;

HGLOBAL IS40_ReadPCD(HISSRC source, uint32_t* width, uint32_t* height, uint32_t resolution,
                     uint32_t /*flags*/)
{
    const PcdResolution* wanted = FindResolution(resolution);
    if (source == nullptr || width == nullptr || height == nullptr || wanted == nullptr) {
        return Fail(Format::Pcd, Problem::BadArgument);
    }
    if (!HasSignature(*source)) {
        return Fail(Format::Pcd, Problem::Corrupt);
    }
    // A file too short for the wanted image is not a usable image pack.
    const size_t yccBytes = static_cast<size_t>(wanted->width) * wanted->height * 3 / 2;
    ByteReader reader(*source);
    uint8_t orientationByte = 0;
    if (!reader.Seek(kOrientationOffset) || !reader.U8(&orientationByte) ||
        !reader.Seek(wanted->offset) || !reader.Has(yccBytes)) {
        return Fail(Format::Pcd, Problem::Corrupt);
    }
    const Placement placement{orientationByte & 3u, wanted->width, wanted->height};
    HGLOBAL block = AllocateImageBlock(Format::Pcd, wanted->width, wanted->height, 3);
    if (block == nullptr) {
        return nullptr;
    }
    DecodeYcc(reader.current(), placement, static_cast<uint8_t*>(block));
    *width = placement.OutputWidth();
    *height = placement.OutputHeight();
    return block;
}
