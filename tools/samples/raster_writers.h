// Writers of the hand-built raster formats in every layout their readers take: TGA, PCX, BMP,
// PSD and (through giflib) GIF. The demo's samples, the fuzzing seeds and the reader tests all
// write their files with these, so that each format has one writer.
#ifndef ZV_SAMPLES_RASTER_WRITERS_H
#define ZV_SAMPLES_RASTER_WRITERS_H

#include <cstdint>
#include <string>
#include <vector>

namespace zv::samples {

// Bytes appended in either byte order.
class ByteWriter {
public:
    ByteWriter& U8(uint32_t v) { data_.push_back(static_cast<uint8_t>(v)); return *this; }
    ByteWriter& U16LE(uint32_t v) { return U8(v).U8(v >> 8); }
    ByteWriter& U32LE(uint32_t v) { return U16LE(v & 0xFFFF).U16LE(v >> 16); }
    ByteWriter& U16BE(uint32_t v) { return U8(v >> 8).U8(v); }
    ByteWriter& U32BE(uint32_t v) { return U16BE(v >> 16).U16BE(v & 0xFFFF); }
    ByteWriter& Fill(size_t count, uint8_t value) { data_.insert(data_.end(), count, value); return *this; }
    ByteWriter& Append(const std::vector<uint8_t>& more) { data_.insert(data_.end(), more.begin(), more.end()); return *this; }
    ByteWriter& Text(const std::string& text) { data_.insert(data_.end(), text.begin(), text.end()); return *this; }
    size_t Size() const { return data_.size(); }
    std::vector<uint8_t> Take() { return std::move(data_); }

private:
    std::vector<uint8_t> data_;
};

// Little-endian fields rewritten in place, for damaging a written file.
void PutU16LE(std::vector<uint8_t>& bytes, size_t at, uint32_t value);
void PutU32LE(std::vector<uint8_t>& bytes, size_t at, uint32_t value);
void PutU16BE(std::vector<uint8_t>& bytes, size_t at, uint32_t value);
void PutU32BE(std::vector<uint8_t>& bytes, size_t at, uint32_t value);

bool SaveBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// PackBits (PSD, TIFF): runs of 3..128 equal bytes repeat, the rest goes out as literals.
std::vector<uint8_t> PackBits(const uint8_t* data, size_t length);

// ---- TGA --------------------------------------------------------------------------------------

struct TgaLayout {
    uint8_t imageType = 2;     // 1 colour-mapped, 2 true colour, 3 grey; +8 for RLE
    uint8_t pixelDepth = 24;
    uint8_t descriptor = 0;    // bit 4: right to left, bit 5: top to bottom
    uint8_t mapEntryBits = 0;  // colour-mapped only
    uint16_t mapFirst = 0;
    uint16_t mapLength = 0;
    std::string id;
    bool footer = false;       // the TGA 2.0 footer after the pixels
};

// `stored` holds the pixels as the file stores them, (pixelDepth + 7) / 8 bytes each; RLE
// types pack them into packets here, runs first, packets running on across row ends.
std::vector<uint8_t> TgaFile(const TgaLayout& layout, uint16_t width, uint16_t height,
                             const std::vector<uint8_t>& map, const std::vector<uint8_t>& stored);

// ---- PCX --------------------------------------------------------------------------------------

enum class PcxRle { None, PerLine, Continuous };

struct PcxLayout {
    uint8_t bitsPerPlane = 8;
    uint8_t planes = 1;
    uint16_t bytesPerLine = 0;  // 0: the fewest the width needs
    PcxRle rle = PcxRle::PerLine;
    uint16_t xMin = 0;
    uint16_t yMin = 0;
    uint8_t version = 5;
    std::vector<uint8_t> headerPalette;  // up to 16 RGB entries
    std::vector<uint8_t> vgaPalette;     // 256 RGB entries after the pixels, or none
};

// `values`: one a pixel, rows top first: a palette index (plane p holds its bits from p *
// bitsPerPlane up), or 0xRRGGBB for 8-bit data in three or four planes.
std::vector<uint8_t> PcxFile(const PcxLayout& layout, uint16_t width, uint16_t height,
                             const std::vector<uint32_t>& values);
uint16_t PcxMinimalBytesPerLine(uint16_t width, uint8_t bitsPerPlane);

// ---- BMP --------------------------------------------------------------------------------------

struct BmpHeaderFields {
    uint32_t headerSize = 40;       // 12 (OS/2 1.x) or 40
    int32_t width = 0;
    int32_t height = 0;             // negative: rows stored top down
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    std::vector<uint8_t> palette;   // RGB entries, stored as BGR (plus a pad byte after 40 bytes)
    std::vector<uint32_t> masks;    // bit fields written after a 40-byte header
    std::vector<uint8_t> storedPalette = {};  // after `palette`: 4-byte entries as they are (CMYK inks)
};

// `pixels`: the pixel data exactly as stored (padded rows, or RLE codes).
std::vector<uint8_t> BmpBytes(const BmpHeaderFields& layout, const std::vector<uint8_t>& pixels);

// ---- PSD --------------------------------------------------------------------------------------

struct PsdDocument {
    uint16_t version = 1;       // 2: large document (PSB)
    uint16_t mode = 3;          // 0 bitmap, 1 grey, 2 indexed, 3 RGB, 4 CMYK
    uint16_t depth = 8;
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t compression = 0;   // 0 raw, 1 PackBits, 2 ZIP, 3 ZIP of row differences
    bool streamPerChannel = false;             // ZIP: a stream per plane rather than one for all
    std::vector<std::vector<uint8_t>> planes;  // raw samples (big-endian), height rows each
    std::vector<uint8_t> colourData;           // an indexed document's palette
    std::vector<uint8_t> resources;
    std::vector<uint8_t> layers;               // contents of the layer and mask section

    size_t RowBytes() const { return depth == 1 ? (width + 7) / 8 : width * (depth / 8u); }
};

// The document's file; empty when ZIP data cannot be deflated.
std::vector<uint8_t> PsdFile(const PsdDocument& document);

// ---- GIF --------------------------------------------------------------------------------------

struct GifLayout {
    int screenWidth = 0;
    int screenHeight = 0;
    int background = 0;
    std::vector<uint8_t> globalMap;  // RGB entries, a power of two of them; none when empty
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    std::vector<uint8_t> localMap;
    int transparent = -1;            // >= 0: a graphic control extension naming this index
};

// `indices`: width * height, rows top first (interlaced frames are stored in pass order).
bool WriteGifFile(const std::string& path, const GifLayout& layout, const std::vector<uint8_t>& indices);

} // namespace zv::samples

#endif
