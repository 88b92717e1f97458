#include "imaging/metafile/drawing/dib.h"

#include "imaging/core/imaging.h"
#include "imaging/core/source.h"
#include "platform/memory.h"

#include <array>
#include <bit>
#include <limits>

namespace zv::imaging::metafile {
namespace {

constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kCompressionRgb = 0;
constexpr uint32_t kCompressionRle8 = 1;
constexpr uint32_t kCompressionRle4 = 2;
constexpr uint32_t kCompressionBitfields = 3;
constexpr uint32_t kCompressionJpeg = 4;
constexpr uint32_t kCompressionPng = 5;
constexpr int kMaxSide = 32767;  // cairo's image surface limit

struct DibHeader {
    uint32_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0;  // rows, always positive here
    bool bottomUp = true;
    uint32_t bitCount = 0;
    uint32_t compression = kCompressionRgb;
    uint32_t colourCount = 0;   // entries in the colour table
    uint32_t colourEntrySize = 4;
    std::array<uint32_t, 3> masks{};  // red, green, blue for 16 and 32 bits
    size_t tableOffset = 0;     // where the colour table starts within the info bytes
};

bool ReadCoreHeader(ByteReader& reader, DibHeader* header)
{
    uint16_t width = 0;
    uint16_t height = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    if (!reader.U16LE(&width) || !reader.U16LE(&height) || !reader.U16LE(&planes) ||
        !reader.U16LE(&bitCount)) {
        return false;
    }
    header->width = width;
    header->height = height;
    header->bitCount = bitCount;
    header->colourEntrySize = 3;
    header->colourCount = bitCount <= 8 ? (1u << bitCount) : 0;
    header->tableOffset = kCoreHeaderSize;
    return true;
}

void DefaultMasks(DibHeader* header)
{
    if (header->bitCount == 16) {
        header->masks = {0x7C00, 0x03E0, 0x001F};
    } else {
        header->masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    }
}

bool ReadInfoHeader(ByteReader& reader, DibHeader* header)
{
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t ignored = 0;
    uint32_t coloursUsed = 0;
    if (!reader.U32LE(&width) || !reader.U32LE(&height) || !reader.U16LE(&planes) ||
        !reader.U16LE(&bitCount) || !reader.U32LE(&compression) || !reader.U32LE(&ignored) ||
        !reader.U32LE(&ignored) || !reader.U32LE(&ignored) || !reader.U32LE(&coloursUsed) ||
        !reader.U32LE(&ignored)) {
        return false;
    }
    const auto signedHeight = static_cast<int32_t>(height);
    header->width = static_cast<int32_t>(width);
    header->bottomUp = signedHeight > 0;
    header->height = signedHeight < 0 ? -static_cast<int64_t>(signedHeight) : signedHeight;
    header->bitCount = bitCount;
    header->compression = compression;
    DefaultMasks(header);
    size_t tableOffset = header->headerSize;
    if (compression == kCompressionBitfields) {
        // Masks follow a 40-byte header; later header versions hold them inside.
        ByteReader masks(reader.data(), reader.size());
        if (!masks.Seek(kInfoHeaderSize) || !masks.U32LE(&header->masks[0]) ||
            !masks.U32LE(&header->masks[1]) || !masks.U32LE(&header->masks[2])) {
            return false;
        }
        if (header->headerSize == kInfoHeaderSize) {
            tableOffset += 12;
        }
    }
    header->tableOffset = tableOffset;
    if (bitCount == 0) {
        header->colourCount = 0;  // an embedded JPEG or PNG brings its own colours
    } else if (bitCount <= 8) {
        const uint32_t full = 1u << bitCount;
        header->colourCount = coloursUsed == 0 || coloursUsed > full ? full : coloursUsed;
    } else {
        header->colourCount = coloursUsed;  // an optional table that pixels never index
    }
    return true;
}

bool ReadHeader(const uint8_t* info, size_t infoSize, DibHeader* header)
{
    ByteReader reader(info, infoSize);
    if (!reader.U32LE(&header->headerSize)) {
        return false;
    }
    if (header->headerSize == kCoreHeaderSize) {
        return ReadCoreHeader(reader, header);
    }
    if (header->headerSize < kInfoHeaderSize || header->headerSize > infoSize) {
        return false;
    }
    return ReadInfoHeader(reader, header);
}

uint64_t RowStride(const DibHeader& header)
{
    return (static_cast<uint64_t>(header.width) * header.bitCount + 31) / 32 * 4;
}

bool IsSupported(const DibHeader& header)
{
    if (header.compression == kCompressionJpeg || header.compression == kCompressionPng) {
        return true;
    }
    if (header.compression == kCompressionRle8 || header.compression == kCompressionRle4) {
        // Run lengths always run from the bottom row up.
        return header.bottomUp && header.bitCount == (header.compression == kCompressionRle8 ? 8u : 4u);
    }
    switch (header.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        return header.compression == kCompressionRgb;
    case 16:
    case 32:
        return header.compression == kCompressionRgb || header.compression == kCompressionBitfields;
    default:
        return false;
    }
}

uint32_t Pack(uint32_t r, uint32_t g, uint32_t b)
{
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

std::vector<uint32_t> ReadColourTable(const DibHeader& header, const uint8_t* info, size_t infoSize)
{
    std::vector<uint32_t> table;
    if (header.bitCount > 8) {
        return table;
    }
    table.assign(size_t{1} << header.bitCount, Pack(0, 0, 0));
    ByteReader reader(info, infoSize);
    reader.Seek(header.tableOffset);
    for (uint32_t i = 0; i < header.colourCount; ++i) {
        uint8_t entry[4] = {};
        if (!reader.Bytes(entry, header.colourEntrySize)) {
            break;  // a short table leaves the rest black
        }
        table[i] = Pack(entry[2], entry[1], entry[0]);
    }
    return table;
}

// Scales a masked channel to 8 bits.
uint32_t Channel(uint32_t pixel, uint32_t mask)
{
    if (mask == 0) {
        return 0;
    }
    const int shift = std::countr_zero(mask);
    const uint32_t maxValue = mask >> shift;
    const uint32_t value = (pixel & mask) >> shift;
    return static_cast<uint32_t>((static_cast<uint64_t>(value) * 255 + maxValue / 2) / maxValue);
}

uint32_t PixelAt(const DibHeader& header, const std::vector<uint32_t>& table, const uint8_t* row,
                 int64_t x)
{
    switch (header.bitCount) {
    case 1:
        return table[(row[x >> 3] >> (7 - (x & 7))) & 1];
    case 4:
        return table[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F];
    case 8:
        return table[row[x]];
    case 16: {
        const uint32_t value = row[2 * x] | (row[2 * x + 1] << 8);
        return Pack(Channel(value, header.masks[0]), Channel(value, header.masks[1]),
                    Channel(value, header.masks[2]));
    }
    case 24:
        return Pack(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    default: {
        const uint32_t value = row[4 * x] | (row[4 * x + 1] << 8) | (row[4 * x + 2] << 16) |
                               (static_cast<uint32_t>(row[4 * x + 3]) << 24);
        return Pack(Channel(value, header.masks[0]), Channel(value, header.masks[1]),
                    Channel(value, header.masks[2]));
    }
    }
}

size_t TableBytes(const DibHeader& header)
{
    return header.tableOffset + static_cast<size_t>(header.colourCount) * header.colourEntrySize;
}

// Walks run-length coded rows (bottom row first) and hands each pixel's colour index to
// `put(x, rowFromBottom, index)`. Pixels the codes skip keep what they had; data that ends
// early ends the picture there.
template <typename Put>
void WalkRunLengths(bool fourBits, const uint8_t* bits, size_t size, int64_t height, Put put)
{
    int64_t x = 0;
    int64_t row = 0;
    size_t pos = 0;
    const auto nibbleOrByte = [fourBits](const uint8_t* from, int64_t i) -> uint32_t {
        return fourBits ? ((i % 2 == 0) ? from[i / 2] >> 4 : from[i / 2] & 0x0F) : from[i];
    };
    while (pos + 1 < size && row < height) {
        const uint8_t count = bits[pos];
        const uint8_t value = bits[pos + 1];
        pos += 2;
        if (count > 0) {
            for (int64_t i = 0; i < count; ++i) {
                put(x++, row, nibbleOrByte(&value, fourBits ? i % 2 : 0));
            }
        } else if (value == 0) {  // end of line
            x = 0;
            ++row;
        } else if (value == 1) {  // end of bitmap
            return;
        } else if (value == 2) {  // move right and up
            if (pos + 1 >= size) {
                return;
            }
            x += bits[pos];
            row += bits[pos + 1];
            pos += 2;
        } else {                  // `value` pixels stored as they are, padded to 16 bits
            const size_t bytes = fourBits ? (value + 1u) / 2 : value;
            if (bytes > size - pos) {
                return;
            }
            for (int64_t i = 0; i < value; ++i) {
                put(x++, row, nibbleOrByte(bits + pos, i));
            }
            pos += bytes + (bytes % 2);
        }
    }
}

DibResult DecodeRunLengths(const DibHeader& header, const std::vector<uint32_t>& table,
                           const uint8_t* bits, size_t bitsSize, Bitmap* out)
{
    out->pixels.assign(static_cast<size_t>(header.width) * static_cast<size_t>(header.height), table[0]);
    const auto put = [&](int64_t x, int64_t rowFromBottom, uint32_t index) {
        if (x < header.width) {
            const auto y = static_cast<size_t>(header.height - 1 - rowFromBottom);
            out->pixels[y * static_cast<size_t>(header.width) + static_cast<size_t>(x)] = table[index % table.size()];
        }
    };
    WalkRunLengths(header.compression == kCompressionRle4, bits, bitsSize, header.height, put);
    return DibResult::Ok;
}

// A whole JPEG or PNG file as the bitmap's bits, decoded by the library's own readers with
// their limits. One that does not decode is not drawn; the rest of the picture still is.
DibResult DecodeEmbeddedImage(const DibHeader& header, const uint8_t* bits, size_t bitsSize, Bitmap* out)
{
    const uint32_t lastError = IS40_GetLastError();
    HISSRC source = IS40_OpenMemorySource(bits, bitsSize);
    uint32_t width = 0;
    uint32_t height = 0;
    HGLOBAL block = nullptr;
    if (source != nullptr) {
        block = header.compression == kCompressionJpeg ? IS40_ReadJPG(source, &width, &height, 24, 0)
                                                        : IS40_ReadPNG(source, &width, &height, 24, nullptr, 0);
        IS40_CloseSource(source);
    }
    SetLastError(lastError);  // a picture inside a picture that fails is no failure of the file
    if (block == nullptr) {
        return DibResult::Unsupported;
    }
    uint64_t bytes = 0;
    if (width > static_cast<uint32_t>(kMaxSide) || height > static_cast<uint32_t>(kMaxSide) ||
        !platform::CheckedProduct(width, height, 4, &bytes) || !platform::FitsAllocationLimit(bytes)) {
        ImageBlockFree(block);
        return DibResult::TooLarge;
    }
    const auto* rgb = static_cast<const uint8_t*>(block);
    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    out->pixels.resize(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < out->pixels.size(); ++i) {
        out->pixels[i] = Pack(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    }
    ImageBlockFree(block);
    return DibResult::Ok;
}

} // namespace

DibResult DecodeDib(const uint8_t* info, size_t infoSize, const uint8_t* bits, size_t bitsSize,
                    Bitmap* out)
{
    DibHeader header;
    if (!ReadHeader(info, infoSize, &header) || header.width < 0) {
        return DibResult::Corrupt;
    }
    if (!IsSupported(header) || header.width == 0 || header.height == 0) {
        return DibResult::Unsupported;
    }
    if (header.width > kMaxSide || header.height > kMaxSide) {
        return DibResult::TooLarge;
    }
    if (header.compression == kCompressionJpeg || header.compression == kCompressionPng) {
        return DecodeEmbeddedImage(header, bits, bitsSize, out);
    }
    const bool runLengths = header.compression == kCompressionRle8 || header.compression == kCompressionRle4;
    const uint64_t stride = RowStride(header);
    if (!runLengths && stride * static_cast<uint64_t>(header.height) > bitsSize) {
        return DibResult::Corrupt;
    }
    uint64_t bytes = 0;
    if (!platform::CheckedProduct(static_cast<uint64_t>(header.width),
                                  static_cast<uint64_t>(header.height), 4, &bytes) ||
        !platform::FitsAllocationLimit(bytes)) {
        return DibResult::TooLarge;
    }
    const std::vector<uint32_t> table = ReadColourTable(header, info, infoSize);
    out->width = static_cast<int>(header.width);
    out->height = static_cast<int>(header.height);
    if (runLengths) {
        return DecodeRunLengths(header, table, bits, bitsSize, out);
    }
    out->pixels.resize(static_cast<size_t>(header.width) * static_cast<size_t>(header.height));
    for (int64_t y = 0; y < header.height; ++y) {
        const int64_t storedRow = header.bottomUp ? header.height - 1 - y : y;
        const uint8_t* row = bits + static_cast<size_t>(storedRow) * stride;
        uint32_t* target = out->pixels.data() + static_cast<size_t>(y) * out->width;
        for (int64_t x = 0; x < header.width; ++x) {
            target[x] = PixelAt(header, table, row, x);
        }
    }
    return DibResult::Ok;
}

DibResult DecodePackedDib(const uint8_t* data, size_t size, Bitmap* out)
{
    DibHeader header;
    if (!ReadHeader(data, size, &header)) {
        return DibResult::Corrupt;
    }
    const size_t bitsOffset = TableBytes(header);
    if (bitsOffset > size) {
        return DibResult::Corrupt;
    }
    return DecodeDib(data, bitsOffset, data + bitsOffset, size - bitsOffset, out);
}

bool DibIsBottomUp(const uint8_t* info, size_t infoSize)
{
    DibHeader header;
    return ReadHeader(info, infoSize, &header) && header.bottomUp;
}

} // namespace zv::imaging::metafile
