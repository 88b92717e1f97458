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
// comes before the packed rows. With ZIP the planes are deflated (zlib), either as one stream or
// one stream per channel; "with prediction" each row was stored as differences from the
// previous sample (16-bit samples as 16-bit big-endian differences; 32-bit rows first split
// into four byte planes, most significant first, then differenced byte by byte).
//
// What is decoded: bitmap (1 bit), greyscale, duotone, indexed, RGB, CMYK, Lab and
// multichannel; 8, 16 or 32 bits per sample (32 for greyscale and RGB, as Photoshop allows);
// raw, PackBits or ZIP with or without prediction. Channels beyond the colour ones (alpha, spot
// colours) are ignored. 16-bit samples keep their high byte; 32-bit samples are linear light,
// clamped to 0..1 and sRGB-encoded. Lab goes to sRGB through D50 -> D65. Duotone shows its grey
// base image (its inks are colour mode data, not pixels). Multichannel has no colour model: one
// or two channels show the first as grey, three or more show the first three as red, green and
// blue, which gives back the picture of an RGB document converted to multichannel.
#include "imaging/core/colour.h"
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/core/source.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <climits>
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
uint32_t ColourPlanes(const PsdHeader& header)
{
    switch (header.mode) {
    case kRgb:
    case kLab:
        return 3;
    case kCmyk:
        return 4;
    case kMultichannel:
        return header.channels >= 3 ? 3 : 1;
    default:
        return 1;
    }
}

// Whether the planes show as grey: one channel of lightness.
bool ShowsAsGrey(const PsdHeader& header)
{
    return ColourPlanes(header) == 1 && header.mode != kIndexed;
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
    // Photoshop keeps 32-bit samples for greyscale and RGB only; floating-point ink or Lab
    // values would need a meaning this reader does not guess.
    if (header.depth == 32 && header.mode != kGreyscale && header.mode != kRgb) {
        return Problem::Unsupported;
    }
    if (compression > kZipPredicted) {
        return Problem::Corrupt;
    }
    if (header.channels < ColourPlanes(header)) {
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


// ---- ZIP ---------------------------------------------------------------------------------------

// Deflate cannot shrink data by more than about 1032 to 1: planes that would need more than
// that from the bytes left in the file cannot be there, whatever the stream says.
constexpr uint64_t kMaxDeflateRatio = 1032;
constexpr uint64_t kDeflateOverhead = 1024;

// Undoes the differences of a predicted row of bytes: each byte was stored less its left one.
void UndoByteDeltas(uint8_t* row, uint64_t bytes)
{
    for (uint64_t i = 1; i < bytes; ++i) {
        row[i] = static_cast<uint8_t>(row[i] + row[i - 1]);
    }
}

// The same for 16-bit big-endian samples, modulo 2^16.
void UndoWordDeltas(uint8_t* row, uint64_t samples)
{
    uint16_t previous = 0;
    for (uint64_t i = 0; i < samples; ++i) {
        uint8_t* at = row + 2 * i;
        const auto value = static_cast<uint16_t>(((at[0] << 8) | at[1]) + previous);
        at[0] = static_cast<uint8_t>(value >> 8);
        at[1] = static_cast<uint8_t>(value);
        previous = value;
    }
}

// A predicted 32-bit row holds the samples' most significant bytes first, then the next bytes,
// and so on; puts each sample's four bytes back together, big-endian as unpredicted rows.
void JoinBytePlanes(const uint8_t* planes, uint32_t width, uint8_t* out)
{
    for (uint32_t x = 0; x < width; ++x) {
        for (uint32_t k = 0; k < 4; ++k) {
            out[4 * static_cast<size_t>(x) + k] = planes[static_cast<size_t>(k) * width + x];
        }
    }
}

// Deflated planes: one zlib stream for them all, or one after another (one per channel). Rows
// are inflated one at a time, so no more is inflated than the image needs.
class ZipRows {
public:
    ZipRows() = default;
    ~ZipRows()
    {
        if (open_) {
            inflateEnd(&stream_);
        }
    }
    ZipRows(const ZipRows&) = delete;
    ZipRows& operator=(const ZipRows&) = delete;

    // `data` stands at the first stream. False when the rest of the file cannot hold `rows`
    // rows of deflated data, or zlib cannot start.
    bool Open(const ByteReader& data, uint64_t rows, uint64_t rowBytes, const PsdHeader& header, bool predicted)
    {
        uint64_t needed = 0;
        if (!platform::CheckedProduct(rows, rowBytes, 1, &needed) ||
            needed > data.remaining() * kMaxDeflateRatio + kDeflateOverhead) {
            return false;
        }
        input_ = data;
        rowBytes_ = rowBytes;
        width_ = header.width;
        depth_ = header.depth;
        predicted_ = predicted;
        if (predicted && depth_ == 32) {
            joined_.resize(static_cast<size_t>(rowBytes));
        }
        open_ = inflateInit(&stream_) == Z_OK;
        return open_;
    }

    // The next row, inflated into `buffer` (rowBytes long) with any prediction undone; null
    // when the data is damaged or ends early.
    const uint8_t* Next(uint8_t* buffer)
    {
        if (!Inflate(buffer)) {
            return nullptr;
        }
        if (!predicted_) {
            return buffer;
        }
        switch (depth_) {
        case 16:
            UndoWordDeltas(buffer, rowBytes_ / 2);
            return buffer;
        case 32:
            UndoByteDeltas(buffer, rowBytes_);
            JoinBytePlanes(buffer, width_, joined_.data());
            return joined_.data();
        default:
            UndoByteDeltas(buffer, rowBytes_);
            return buffer;
        }
    }

private:
    // Hands zlib the next piece of the file when it has used the last one up.
    void Refill()
    {
        if (stream_.avail_in == 0 && input_.remaining() > 0) {
            const size_t piece = std::min<size_t>(input_.remaining(), UINT_MAX);
            stream_.next_in = const_cast<Bytef*>(input_.current());  // zlib only reads through it
            stream_.avail_in = static_cast<uInt>(piece);
            input_.Skip(piece);
        }
    }

    bool Inflate(uint8_t* buffer)
    {
        stream_.next_out = buffer;
        stream_.avail_out = static_cast<uInt>(rowBytes_);
        while (stream_.avail_out > 0) {
            Refill();
            const int result = inflate(&stream_, Z_NO_FLUSH);
            if (result == Z_STREAM_END) {
                // Another channel's stream may follow this one.
                if (stream_.avail_out > 0 && (stream_.avail_in > 0 || input_.remaining() > 0) &&
                    inflateReset(&stream_) == Z_OK) {
                    continue;
                }
                return stream_.avail_out == 0;
            }
            if (result != Z_OK) {
                return false;  // damaged data, or none left (Z_BUF_ERROR)
            }
        }
        return true;
    }

    z_stream stream_{};
    bool open_ = false;
    ByteReader input_{nullptr, 0};
    uint64_t rowBytes_ = 0;
    uint32_t width_ = 0;
    uint16_t depth_ = 0;
    bool predicted_ = false;
    std::vector<uint8_t> joined_;
};

// ---- Pixel conversion ------------------------------------------------------------------------

// A 32-bit big-endian IEEE float sample.
float FloatSample(const uint8_t* row, uint32_t x)
{
    const uint8_t* bytes = row + 4 * static_cast<size_t>(x);
    const uint32_t bits = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
    return std::bit_cast<float>(bits);
}

// One sample as 8 bits: 16-bit samples (big-endian) keep their high byte; 32-bit ones are
// linear light, sRGB-encoded; a bitmap's set bit is black and its clear bit white.
uint8_t Sample8(const uint8_t* row, uint32_t x, uint16_t depth)
{
    switch (depth) {
    case 1:
        return ((row[x >> 3] >> (7 - (x & 7))) & 1) != 0 ? 0 : 255;
    case 16:
        return row[2 * static_cast<size_t>(x)];
    case 32:
        return LinearToSrgb8(FloatSample(row, x));
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

// Stored L*a*b* as 8 bits (L 0..255 for 0..100, a and b offset by 128) to sRGB.
void LabPixelToRgb(uint8_t* pixel)
{
    LabToSrgb8(pixel[0] * (100.0 / 255.0), pixel[1] - 128.0, pixel[2] - 128.0, pixel);
}

struct PixelPlan {
    uint32_t width = 0;
    uint16_t depth = 0;
    uint16_t mode = 0;
    bool grey = false;                 // one plane of lightness
    const uint8_t* palette = nullptr;  // indexed documents: 768 bytes
};

// Puts one row of plane `plane` into the RGB row `out`. CMYK's first three planes and Lab's
// first two are kept as they are in the red, green and blue places until the last plane
// arrives and converts them.
void StoreRow(const PixelPlan& plan, uint32_t plane, const uint8_t* row, uint8_t* out)
{
    const uint32_t width = plan.width;
    if (plan.grey) {
        for (uint32_t x = 0; x < width; ++x, out += 3) {
            out[0] = out[1] = out[2] = Sample8(row, x, plan.depth);
        }
        return;
    }
    switch (plan.mode) {
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
    default:  // RGB, multichannel, and CMYK's inks and Lab's L and a until their last plane
        for (uint32_t x = 0; x < width; ++x) {
            out[3 * static_cast<size_t>(x) + plane] = Sample8(row, x, plan.depth);
        }
        if (plan.mode == kLab && plane == 2) {
            for (uint32_t x = 0; x < width; ++x) {
                LabPixelToRgb(out + 3 * static_cast<size_t>(x));
            }
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
    void operator()(void* block) const { ImageBlockFree(block); }
};
using BlockHolder = std::unique_ptr<void, BlockFree>;

// Decodes the colour planes from `rows` into a new RGB block. May throw std::bad_alloc.
template <typename Rows>
HGLOBAL DecodeFrom(Rows& rows, const IS40Source& source, const ParsedDocument& document, uint64_t rowBytes)
{
    const PsdHeader& header = document.header;
    std::vector<uint8_t> rowBuffer(static_cast<size_t>(rowBytes));
    BlockHolder block(AllocateImageBlock(Format::Psd, header.width, header.height, 3));
    if (!block) {
        return nullptr;
    }
    const PixelPlan plan{header.width, header.depth, header.mode, ShowsAsGrey(header),
                         source.data + document.sections.paletteOffset};
    if (!DecodePlanes(rows, plan, ColourPlanes(header), header.height, rowBuffer.data(),
                      static_cast<uint8_t*>(block.get()))) {
        return Fail(Format::Psd, Problem::Corrupt);
    }
    return block.release();
}

// Checks that the planes that carry colour can be in the file, then decodes them. May throw
// std::bad_alloc.
HGLOBAL DecodeMergedImage(const IS40Source& source, const ParsedDocument& document)
{
    const PsdHeader& header = document.header;
    const uint64_t rowBytes = RowBytes(header);
    const uint64_t planeRows = static_cast<uint64_t>(ColourPlanes(header)) * header.height;

    ByteReader data(source);
    data.Seek(document.sections.imageDataOffset + 2);
    switch (document.compression) {
    case kRaw: {
        if (!RawRows::Fits(data, rowBytes, planeRows)) {
            return Fail(Format::Psd, Problem::Corrupt);
        }
        RawRows rows(data, rowBytes);
        return DecodeFrom(rows, source, document, rowBytes);
    }
    case kPackBits: {
        PackBitsRows rows;
        if (!rows.Open(data, header.largeDocument, static_cast<uint64_t>(header.channels) * header.height, rowBytes) ||
            !rows.Validate(planeRows)) {
            return Fail(Format::Psd, Problem::Corrupt);
        }
        return DecodeFrom(rows, source, document, rowBytes);
    }
    default: {
        ZipRows rows;
        if (!rows.Open(data, planeRows, rowBytes, header, document.compression == kZipPredicted)) {
            return Fail(Format::Psd, Problem::Corrupt);
        }
        return DecodeFrom(rows, source, document, rowBytes);
    }
    }
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
