// Photoshop documents (PSD, and the large-document variant PSB): the merged image that
// Photoshop stores after the layers, which is the picture a viewer shows. Layers are skipped by
// their section length and never parsed, so a damaged layer section costs nothing as long as
// its length is honest.
//
// Layout: a 26-byte header; three length-prefixed sections (colour mode data, which holds the
// palette of an indexed image; image resources; layer and mask information, whose length is 8
// bytes wide in PSB); then the image data: a 2-byte compression code followed by the channels
// as planes, one after the other, each `height` rows. With PackBits compression a table of
// every row's packed length (2 bytes each, 4 in PSB; all rows of plane 0, then plane 1, ...)
// comes before the packed rows.
//
// What is decoded: bitmap (1 bit), greyscale, indexed, RGB and CMYK, 8 or 16 bits per sample,
// raw or PackBits. Channels beyond the colour ones (alpha, spot colours) are ignored. 16-bit
// samples keep their high byte. Multichannel, duotone and Lab documents, 32-bit samples and
// ZIP compression are valid but not decoded (code 47).
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/core/source.h"

#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

namespace zv::imaging {
namespace {

constexpr uint32_t kMaxDimension = 300000;  // the large-document limit (PSD's own is 30000)
constexpr uint16_t kMaxChannels = 56;
constexpr uint32_t kPaletteSize = 768;      // 256 reds, then 256 greens, then 256 blues

enum ColourMode : uint16_t {
    kBitmap = 0,
    kGreyscale = 1,
    kIndexed = 2,
    kRgb = 3,
    kCmyk = 4,
    kMultichannel = 7,
    kDuotone = 8,
    kLab = 9,
};

enum Compression : uint16_t { kRaw = 0, kPackBits = 1, kZip = 2, kZipPredicted = 3 };

// Nothing when all went well, else what went wrong.
using Outcome = std::optional<Problem>;

struct PsdHeader {
    bool largeDocument = false;  // version 2 (PSB)
    uint16_t channels = 0;
    uint32_t height = 0;
    uint32_t width = 0;
    uint16_t depth = 0;          // bits per sample
    uint16_t mode = 0;           // ColourMode
};

// Where the parts that the merged image needs lie in the file.
struct PsdSections {
    size_t paletteOffset = 0;
    uint64_t paletteLength = 0;
    size_t imageDataOffset = 0;  // the compression code
};

// ---- Header and sections ---------------------------------------------------------------------

bool IsKnownMode(uint16_t mode)
{
    switch (mode) {
    case kBitmap:
    case kGreyscale:
    case kIndexed:
    case kRgb:
    case kCmyk:
    case kMultichannel:
    case kDuotone:
    case kLab:
        return true;
    default:
        return false;
    }
}

bool IsKnownDepth(uint16_t depth)
{
    return depth == 1 || depth == 8 || depth == 16 || depth == 32;
}

Outcome ParseHeader(ByteReader& reader, PsdHeader* header)
{
    char signature[4] = {};
    uint16_t version = 0;
    if (!reader.Bytes(signature, sizeof signature) || std::memcmp(signature, "8BPS", 4) != 0 ||
        !reader.U16BE(&version) || (version != 1 && version != 2) || !reader.Skip(6) ||
        !reader.U16BE(&header->channels) || !reader.U32BE(&header->height) ||
        !reader.U32BE(&header->width) || !reader.U16BE(&header->depth) ||
        !reader.U16BE(&header->mode)) {
        return Problem::Corrupt;
    }
    header->largeDocument = version == 2;
    if (header->channels == 0 || header->channels > kMaxChannels || header->width == 0 ||
        header->width > kMaxDimension || header->height == 0 || header->height > kMaxDimension ||
        !IsKnownDepth(header->depth) || !IsKnownMode(header->mode)) {
        return Problem::Corrupt;
    }
    // One bit per sample is the bitmap mode's depth and no other mode's.
    if ((header->depth == 1) != (header->mode == kBitmap)) {
        return Problem::Corrupt;
    }
    return std::nullopt;
}

// Steps over one length-prefixed section (a 4-byte length, or 8 bytes where `wide`), giving
// where its contents start and how long they are. False when the section leaves the file.
bool SkipSection(ByteReader& reader, bool wide, size_t* start, uint64_t* length)
{
    uint64_t value = 0;
    if (wide) {
        uint32_t high = 0;
        uint32_t low = 0;
        if (!reader.U32BE(&high) || !reader.U32BE(&low)) {
            return false;
        }
        value = (static_cast<uint64_t>(high) << 32) | low;
    } else {
        uint32_t narrow = 0;
        if (!reader.U32BE(&narrow)) {
            return false;
        }
        value = narrow;
    }
    *start = reader.position();
    *length = value;
    return value <= reader.remaining() && reader.Skip(static_cast<size_t>(value));
}

// Finds the palette and the image data behind the header (the reader stands after it).
Outcome LocateSections(ByteReader& reader, const PsdHeader& header, PsdSections* sections)
{
    size_t ignoredStart = 0;
    uint64_t ignoredLength = 0;
    if (!SkipSection(reader, false, &sections->paletteOffset, &sections->paletteLength) ||
        !SkipSection(reader, false, &ignoredStart, &ignoredLength) ||
        !SkipSection(reader, header.largeDocument, &ignoredStart, &ignoredLength) ||
        !reader.Has(2)) {
        return Problem::Corrupt;
    }
    sections->imageDataOffset = reader.position();
    return std::nullopt;
}

// ---- What the merged image needs --------------------------------------------------------------

// Channels that carry the colour; any further ones are alpha or spot colours.
uint32_t ColourPlanes(uint16_t mode)
{
    switch (mode) {
    case kRgb:
        return 3;
    case kCmyk:
        return 4;
    default:
        return 1;
    }
}

uint64_t RowBytes(const PsdHeader& header)
{
    if (header.depth == 1) {
        return (static_cast<uint64_t>(header.width) + 7) / 8;
    }
    return static_cast<uint64_t>(header.width) * (header.depth / 8);
}

// Whether this reader decodes the document's merged image, judged from the header alone.
Outcome CheckDecodable(const PsdHeader& header, const PsdSections& sections, uint16_t compression)
{
    if (header.mode == kMultichannel || header.mode == kDuotone || header.mode == kLab ||
        header.depth == 32 || compression == kZip || compression == kZipPredicted) {
        return Problem::Unsupported;
    }
    if (compression != kRaw && compression != kPackBits) {
        return Problem::Corrupt;
    }
    if (header.channels < ColourPlanes(header.mode)) {
        return Problem::Corrupt;
    }
    if (header.mode == kIndexed && (header.depth != 8 || sections.paletteLength != kPaletteSize)) {
        return Problem::Corrupt;
    }
    return std::nullopt;
}

// ---- Rows of the planes, in storage order ----------------------------------------------------

// Uncompressed planes: every row is a slice of the file.
class RawRows {
public:
    // The reader stands at the first row; false when the planes do not fit in the file.
    static bool Fits(const ByteReader& data, uint64_t rowBytes, uint64_t rows)
    {
        uint64_t bytes = 0;
        return platform::CheckedProduct(rowBytes, rows, 1, &bytes) && bytes <= data.remaining();
    }

    RawRows(const ByteReader& data, uint64_t rowBytes) : next_(data.current()), rowBytes_(rowBytes) {}

    const uint8_t* Next(uint8_t* /*buffer*/)
    {
        const uint8_t* row = next_;
        next_ += rowBytes_;
        return row;
    }

private:
    const uint8_t* next_;
    uint64_t rowBytes_;
};

// Unpacks one PackBits row. The packed bytes must produce exactly `rowBytes` bytes: a run
// that would pass the row's end, or packed data that ends early, makes the row corrupt.
bool UnpackPackBitsRow(ByteReader packed, uint8_t* out, uint64_t rowBytes)
{
    uint64_t filled = 0;
    uint8_t control = 0;
    while (packed.U8(&control)) {
        if (control < 128) {
            const uint64_t count = control + 1u;
            if (count > rowBytes - filled || !packed.Bytes(out + filled, count)) {
                return false;
            }
            filled += count;
        } else if (control > 128) {
            const uint64_t count = 257u - control;
            uint8_t value = 0;
            if (count > rowBytes - filled || !packed.U8(&value)) {
                return false;
            }
            std::memset(out + filled, value, count);
            filled += count;
        }
        // 128 is a no-op.
    }
    return filled == rowBytes;
}

// PackBits planes: a table of packed row lengths, then the packed rows.
class PackBitsRows {
public:
    // `data` stands at the length table, which has an entry for every row of every channel
    // (`tableRows`). False when the table does not fit in the file.
    bool Open(const ByteReader& data, bool wideCounts, uint64_t tableRows, uint64_t rowBytes)
    {
        const uint64_t tableBytes = tableRows * (wideCounts ? 4 : 2);
        if (tableBytes > data.remaining()) {
            return false;
        }
        counts_ = ByteReader(data.current(), static_cast<size_t>(tableBytes));
        packed_ = ByteReader(data.current() + tableBytes, data.remaining() - tableBytes);
        wideCounts_ = wideCounts;
        rowBytes_ = rowBytes;
        return true;
    }

    // Checks, before anything proportional to the image is allocated, that the first `rows`
    // rows lie inside the file and are long enough to unpack to a full row each.
    bool Validate(uint64_t rows) const
    {
        ByteReader counts = counts_;
        const uint64_t shortest = 2 * ((rowBytes_ + 127) / 128);  // a 2-byte run per 128 bytes
        uint64_t total = 0;
        for (uint64_t row = 0; row < rows; ++row) {
            uint32_t count = 0;
            if (!ReadCount(counts, &count) || count < shortest) {
                return false;
            }
            total += count;
        }
        return total <= packed_.remaining();
    }

    // The next row, unpacked into `buffer` (rowBytes long); null when its data is corrupt.
    const uint8_t* Next(uint8_t* buffer)
    {
        uint32_t count = 0;
        if (!ReadCount(counts_, &count) || !packed_.Has(count)) {
            return nullptr;
        }
        const ByteReader row(packed_.current(), count);
        packed_.Skip(count);
        return UnpackPackBitsRow(row, buffer, rowBytes_) ? buffer : nullptr;
    }

private:
    bool ReadCount(ByteReader& counts, uint32_t* count) const
    {
        if (wideCounts_) {
            return counts.U32BE(count);
        }
        uint16_t narrow = 0;
        if (!counts.U16BE(&narrow)) {
            return false;
        }
        *count = narrow;
        return true;
    }

    ByteReader counts_{nullptr, 0};
    ByteReader packed_{nullptr, 0};
    bool wideCounts_ = false;
    uint64_t rowBytes_ = 0;
};

// ---- Pixel conversion ------------------------------------------------------------------------

// One sample as 8 bits: 16-bit samples (big-endian) keep their high byte; a bitmap's set bit
// is black and its clear bit white.
uint8_t Sample8(const uint8_t* row, uint32_t x, uint16_t depth)
{
    switch (depth) {
    case 1:
        return ((row[x >> 3] >> (7 - (x & 7))) & 1) != 0 ? 0 : 255;
    case 16:
        return row[2 * static_cast<size_t>(x)];
    default:
        return row[x];
    }
}

// a * b / 255, rounded, for a and b in 0..255.
uint8_t MulDiv255(unsigned a, unsigned b)
{
    const unsigned t = a * b + 128;
    return static_cast<uint8_t>(((t >> 8) + t) >> 8);
}

// Photoshop stores CMYK inverted (255 means no ink). Each of red, green and blue is the light
// that black leaves, less what the matching ink (cyan, magenta, yellow) takes of it.
uint8_t CmykComponent(uint8_t storedInk, uint8_t storedBlack)
{
    const unsigned light = storedBlack;
    return static_cast<uint8_t>(light - MulDiv255(255u - storedInk, light));
}

struct PixelPlan {
    uint32_t width = 0;
    uint16_t depth = 0;
    uint16_t mode = 0;
    const uint8_t* palette = nullptr;  // indexed documents: 768 bytes
};

// Puts one row of plane `plane` into the RGB row `out`. CMYK's first three planes are kept as
// they are in the red, green and blue places until black arrives and converts them.
void StoreRow(const PixelPlan& plan, uint32_t plane, const uint8_t* row, uint8_t* out)
{
    const uint32_t width = plan.width;
    switch (plan.mode) {
    case kBitmap:
    case kGreyscale:
        for (uint32_t x = 0; x < width; ++x, out += 3) {
            out[0] = out[1] = out[2] = Sample8(row, x, plan.depth);
        }
        break;
    case kIndexed:
        for (uint32_t x = 0; x < width; ++x, out += 3) {
            const uint8_t index = Sample8(row, x, plan.depth);
            out[0] = plan.palette[index];
            out[1] = plan.palette[256 + index];
            out[2] = plan.palette[512 + index];
        }
        break;
    case kCmyk:
        if (plane == 3) {
            for (uint32_t x = 0; x < width; ++x, out += 3) {
                const uint8_t black = Sample8(row, x, plan.depth);
                out[0] = CmykComponent(out[0], black);
                out[1] = CmykComponent(out[1], black);
                out[2] = CmykComponent(out[2], black);
            }
            break;
        }
        [[fallthrough]];
    default:  // RGB, and CMYK's inks
        for (uint32_t x = 0; x < width; ++x) {
            out[3 * static_cast<size_t>(x) + plane] = Sample8(row, x, plan.depth);
        }
        break;
    }
}

template <typename Rows>
bool DecodePlanes(Rows& rows, const PixelPlan& plan, uint32_t planes, uint32_t height,
                  uint8_t* rowBuffer, uint8_t* rgb)
{
    const size_t stride = static_cast<size_t>(plan.width) * 3;
    for (uint32_t plane = 0; plane < planes; ++plane) {
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* row = rows.Next(rowBuffer);
            if (row == nullptr) {
                return false;
            }
            StoreRow(plan, plane, row, rgb + y * stride);
        }
    }
    return true;
}

// ---- The whole read --------------------------------------------------------------------------

struct ParsedDocument {
    PsdHeader header;
    PsdSections sections;
    uint16_t compression = 0;
};

Outcome ParseDocument(const IS40Source& source, ParsedDocument* document)
{
    ByteReader reader(source);
    if (Outcome problem = ParseHeader(reader, &document->header)) {
        return problem;
    }
    if (Outcome problem = LocateSections(reader, document->header, &document->sections)) {
        return problem;
    }
    reader.U16BE(&document->compression);  // LocateSections made sure the two bytes are there
    return CheckDecodable(document->header, document->sections, document->compression);
}

struct BlockFree {
    void operator()(void* block) const { GlobalFree(block); }
};
using BlockHolder = std::unique_ptr<void, BlockFree>;

// Decodes the planes that carry colour into a new RGB block. May throw std::bad_alloc.
HGLOBAL DecodeMergedImage(const IS40Source& source, const ParsedDocument& document)
{
    const PsdHeader& header = document.header;
    const uint32_t planes = ColourPlanes(header.mode);
    const uint64_t rowBytes = RowBytes(header);
    const uint64_t planeRows = static_cast<uint64_t>(planes) * header.height;

    ByteReader data(source);
    data.Seek(document.sections.imageDataOffset + 2);
    const bool packBits = document.compression == kPackBits;
    PackBitsRows packedRows;
    const bool fits =
        packBits ? packedRows.Open(data, header.largeDocument,
                                   static_cast<uint64_t>(header.channels) * header.height, rowBytes) &&
                       packedRows.Validate(planeRows)
                 : RawRows::Fits(data, rowBytes, planeRows);
    if (!fits) {
        return Fail(Format::Psd, Problem::Corrupt);
    }

    std::vector<uint8_t> rowBuffer(packBits ? static_cast<size_t>(rowBytes) : 0);
    BlockHolder block(AllocateImageBlock(Format::Psd, header.width, header.height, 3));
    if (!block) {
        return nullptr;
    }
    const PixelPlan plan{header.width, header.depth, header.mode,
                         source.data + document.sections.paletteOffset};
    auto* rgb = static_cast<uint8_t*>(block.get());
    RawRows rawRows(data, rowBytes);
    const bool decoded =
        packBits ? DecodePlanes(packedRows, plan, planes, header.height, rowBuffer.data(), rgb)
                 : DecodePlanes(rawRows, plan, planes, header.height, nullptr, rgb);
    if (!decoded) {
        return Fail(Format::Psd, Problem::Corrupt);
    }
    return block.release();
}

} // namespace
} // namespace zv::imaging

using namespace zv::imaging;

HGLOBAL IS40_ReadPSD(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitDepth,
                     uint8_t* /*palette*/, uint32_t /*flags*/)
{
    if (source == nullptr || width == nullptr || height == nullptr || bitDepth != 24) {
        return Fail(Format::Psd, Problem::BadArgument);
    }
    ParsedDocument document;
    if (Outcome problem = ParseDocument(*source, &document)) {
        return Fail(Format::Psd, *problem);
    }
    HGLOBAL block = nullptr;
    try {
        block = DecodeMergedImage(*source, document);
    } catch (const std::bad_alloc&) {
        return Fail(Format::Psd, Problem::OutOfMemory);
    }
    if (block != nullptr) {
        *width = document.header.width;
        *height = document.header.height;
    }
    return block;
}

uint32_t IS40_GetPSDDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* channels,
                         IS40DimInfo* info, uint32_t /*flags*/)
{
    if (source == nullptr) {
        Fail(Format::Psd, Problem::BadArgument);
        return 0;
    }
    ByteReader reader(*source);
    PsdHeader header;
    if (Outcome problem = ParseHeader(reader, &header)) {
        Fail(Format::Psd, *problem);
        return 0;
    }
    // The compression code is a courtesy: a document whose sections are damaged still measures.
    PsdSections sections;
    uint16_t compression = 0;
    if (!LocateSections(reader, header, &sections).has_value()) {
        reader.U16BE(&compression);
    }
    if (width != nullptr) {
        *width = header.width;
    }
    if (height != nullptr) {
        *height = header.height;
    }
    if (channels != nullptr) {
        *channels = header.channels;
    }
    if (info != nullptr) {
        *info = IS40DimInfo{header.width, header.height, header.depth, header.channels, compression};
    }
    return 1;
}
