#include "raster_writers.h"

#include <gif_lib.h>
#include <zlib.h>

#include <algorithm>
#include <fstream>

namespace zv::samples {

void PutU16LE(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

void PutU32LE(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    PutU16LE(bytes, at, value & 0xFFFF);
    PutU16LE(bytes, at + 2, value >> 16);
}

void PutU16BE(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    bytes[at] = static_cast<uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<uint8_t>(value);
}

void PutU32BE(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    PutU16BE(bytes, at, value >> 16);
    PutU16BE(bytes, at + 2, value & 0xFFFF);
}

bool SaveBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<uint8_t> PackBits(const uint8_t* data, size_t length)
{
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < length) {
        size_t run = 1;
        while (i + run < length && run < 128 && data[i + run] == data[i]) {
            ++run;
        }
        if (run >= 3) {
            out.push_back(static_cast<uint8_t>(257 - run));
            out.push_back(data[i]);
            i += run;
            continue;
        }
        size_t literal = 0;
        while (i + literal < length && literal < 128 &&
               !(i + literal + 2 < length && data[i + literal] == data[i + literal + 1] &&
                 data[i + literal] == data[i + literal + 2])) {
            ++literal;
        }
        out.push_back(static_cast<uint8_t>(literal - 1));
        out.insert(out.end(), data + i, data + i + literal);
        i += literal;
    }
    return out;
}

// ---- TGA --------------------------------------------------------------------------------------

namespace {

std::vector<uint8_t> TgaPackets(const std::vector<uint8_t>& pixels, size_t bytesPerPixel)
{
    const size_t count = pixels.size() / bytesPerPixel;
    auto at = [&](size_t i) { return pixels.begin() + static_cast<std::ptrdiff_t>(i * bytesPerPixel); };
    auto same = [&](size_t a, size_t b) { return std::equal(at(a), at(a + 1), at(b)); };
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < count) {
        size_t run = 1;
        while (i + run < count && run < 128 && same(i, i + run)) {
            ++run;
        }
        if (run >= 2) {
            out.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
            out.insert(out.end(), at(i), at(i + 1));
            i += run;
            continue;
        }
        size_t literal = 1;
        while (i + literal < count && literal < 128 && !(i + literal + 1 < count && same(i + literal, i + literal + 1))) {
            ++literal;
        }
        out.push_back(static_cast<uint8_t>(literal - 1));
        out.insert(out.end(), at(i), at(i + literal));
        i += literal;
    }
    return out;
}

} // namespace

std::vector<uint8_t> TgaFile(const TgaLayout& layout, uint16_t width, uint16_t height,
                             const std::vector<uint8_t>& map, const std::vector<uint8_t>& stored)
{
    const bool mapped = (layout.imageType & 7) == 1;
    ByteWriter out;
    out.U8(static_cast<uint32_t>(layout.id.size())).U8(mapped ? 1 : 0).U8(layout.imageType);
    out.U16LE(layout.mapFirst).U16LE(mapped ? layout.mapLength : 0).U8(mapped ? layout.mapEntryBits : 0);
    out.U16LE(0).U16LE(0).U16LE(width).U16LE(height).U8(layout.pixelDepth).U8(layout.descriptor);
    out.Text(layout.id);
    if (mapped) {
        out.Append(map);
    }
    out.Append((layout.imageType & 8) != 0 ? TgaPackets(stored, (layout.pixelDepth + 7u) / 8u) : stored);
    if (layout.footer) {
        out.U32LE(0).U32LE(0).Text("TRUEVISION-XFILE.").U8(0);
    }
    return out.Take();
}

// ---- PCX --------------------------------------------------------------------------------------

uint16_t PcxMinimalBytesPerLine(uint16_t width, uint8_t bitsPerPlane)
{
    return static_cast<uint16_t>((width * bitsPerPlane + 7) / 8);
}

namespace {

void PcxRuns(ByteWriter& out, const std::vector<uint8_t>& bytes)
{
    for (size_t i = 0; i < bytes.size();) {
        size_t run = 1;
        while (i + run < bytes.size() && run < 63 && bytes[i + run] == bytes[i]) {
            ++run;
        }
        if (run > 1 || bytes[i] >= 0xC0) {
            out.U8(0xC0 | static_cast<uint32_t>(run));
        }
        out.U8(bytes[i]);
        i += run;
    }
}

} // namespace

std::vector<uint8_t> PcxFile(const PcxLayout& layout, uint16_t width, uint16_t height, const std::vector<uint32_t>& values)
{
    const uint16_t bytesPerLine =
        layout.bytesPerLine != 0 ? layout.bytesPerLine : PcxMinimalBytesPerLine(width, layout.bitsPerPlane);
    ByteWriter out;
    out.U8(10).U8(layout.version).U8(layout.rle == PcxRle::None ? 0 : 1).U8(layout.bitsPerPlane);
    out.U16LE(layout.xMin).U16LE(layout.yMin).U16LE(layout.xMin + width - 1u).U16LE(layout.yMin + height - 1u);
    out.U16LE(72).U16LE(72);
    std::vector<uint8_t> palette = layout.headerPalette;
    palette.resize(48);
    out.Append(palette).U8(0).U8(layout.planes).U16LE(bytesPerLine).U16LE(1).Fill(58, 0);
    std::vector<uint8_t> all;
    for (size_t y = 0; y < height; ++y) {
        std::vector<uint8_t> line(size_t{bytesPerLine} * layout.planes, 0);
        for (size_t p = 0; p < layout.planes; ++p) {
            uint8_t* plane = line.data() + p * bytesPerLine;
            for (size_t x = 0; x < width; ++x) {
                const uint32_t value = values[y * width + x];
                if (layout.bitsPerPlane == 8) {
                    plane[x] = static_cast<uint8_t>(layout.planes == 1 ? value : value >> (16 - 8 * std::min<size_t>(p, 2)));
                    continue;
                }
                const uint32_t bits = layout.bitsPerPlane;
                const uint32_t field = (value >> (p * bits)) & ((1u << bits) - 1);
                const size_t bitPos = x * bits;
                plane[bitPos / 8] |= static_cast<uint8_t>(field << (8 - bits - bitPos % 8));
            }
        }
        if (layout.rle == PcxRle::PerLine) {
            PcxRuns(out, line);
        } else {
            all.insert(all.end(), line.begin(), line.end());
        }
    }
    if (layout.rle == PcxRle::Continuous) {
        PcxRuns(out, all);
    } else if (layout.rle == PcxRle::None) {
        out.Append(all);
    }
    if (!layout.vgaPalette.empty()) {
        out.U8(0x0C).Append(layout.vgaPalette);
    }
    return out.Take();
}

// ---- BMP --------------------------------------------------------------------------------------

std::vector<uint8_t> BmpBytes(const BmpHeaderFields& layout, const std::vector<uint8_t>& pixels)
{
    const bool os2 = layout.headerSize == 12;
    const uint32_t entries = static_cast<uint32_t>(layout.palette.size() / 3);
    const uint32_t storedEntries = static_cast<uint32_t>(layout.storedPalette.size() / 4);
    const uint32_t offset = 14 + layout.headerSize + 4 * static_cast<uint32_t>(layout.masks.size()) +
                            entries * (os2 ? 3 : 4) + storedEntries * 4;
    ByteWriter out;
    out.U8('B').U8('M').U32LE(offset + static_cast<uint32_t>(pixels.size())).U32LE(0).U32LE(offset);
    out.U32LE(layout.headerSize);
    if (os2) {
        out.U16LE(static_cast<uint32_t>(layout.width)).U16LE(static_cast<uint32_t>(layout.height));
        out.U16LE(1).U16LE(layout.bitCount);
    } else {
        out.U32LE(static_cast<uint32_t>(layout.width)).U32LE(static_cast<uint32_t>(layout.height));
        out.U16LE(1).U16LE(layout.bitCount).U32LE(layout.compression);
        out.U32LE(static_cast<uint32_t>(pixels.size())).U32LE(2835).U32LE(2835).U32LE(entries + storedEntries).U32LE(0);
        out.Fill(layout.headerSize - 40, 0);
    }
    for (uint32_t mask : layout.masks) {
        out.U32LE(mask);
    }
    for (uint32_t i = 0; i < entries; ++i) {
        out.U8(layout.palette[i * 3 + 2]).U8(layout.palette[i * 3 + 1]).U8(layout.palette[i * 3]);
        if (!os2) {
            out.U8(0);
        }
    }
    out.Append(layout.storedPalette);
    return out.Append(pixels).Take();
}

// ---- PSD --------------------------------------------------------------------------------------

namespace {

// Stores each row as differences: bytes from their left neighbour; 16-bit samples likewise,
// big-endian; 32-bit rows split into byte planes (most significant first) and then differenced.
void PredictRow(uint8_t* row, uint64_t rowBytes, uint16_t depth)
{
    if (depth == 16) {
        for (uint64_t i = rowBytes / 2; i-- > 1;) {
            const auto value = static_cast<uint16_t>((row[2 * i] << 8) | row[2 * i + 1]);
            const auto left = static_cast<uint16_t>((row[2 * i - 2] << 8) | row[2 * i - 1]);
            const auto delta = static_cast<uint16_t>(value - left);
            row[2 * i] = static_cast<uint8_t>(delta >> 8);
            row[2 * i + 1] = static_cast<uint8_t>(delta);
        }
        return;
    }
    if (depth == 32) {
        const uint64_t width = rowBytes / 4;
        std::vector<uint8_t> split(rowBytes);
        for (uint64_t x = 0; x < width; ++x) {
            for (uint64_t k = 0; k < 4; ++k) {
                split[k * width + x] = row[4 * x + k];
            }
        }
        std::copy(split.begin(), split.end(), row);
    }
    for (uint64_t i = rowBytes; i-- > 1;) {
        row[i] = static_cast<uint8_t>(row[i] - row[i - 1]);
    }
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data)
{
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::vector<uint8_t> out(size);
    if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), Z_BEST_COMPRESSION) != Z_OK) {
        return {};
    }
    out.resize(size);
    return out;
}

// ZIP image data: the planes (their rows differenced first for compression 3) deflated as one
// stream, or a stream each.
bool AppendZipPlanes(ByteWriter& out, std::vector<std::vector<uint8_t>> planes, const PsdDocument& doc)
{
    const size_t rowBytes = doc.RowBytes();
    if (doc.compression == 3) {
        for (auto& plane : planes) {
            for (size_t at = 0; at < plane.size(); at += rowBytes) {
                PredictRow(&plane[at], rowBytes, doc.depth);
            }
        }
    }
    std::vector<std::vector<uint8_t>> streams;
    if (doc.streamPerChannel) {
        streams = std::move(planes);
    } else {
        streams.emplace_back();
        for (const auto& plane : planes) {
            streams.back().insert(streams.back().end(), plane.begin(), plane.end());
        }
    }
    for (const auto& stream : streams) {
        const std::vector<uint8_t> deflated = Deflate(stream);
        if (deflated.empty()) {
            return false;
        }
        out.Append(deflated);
    }
    return true;
}

} // namespace

std::vector<uint8_t> PsdFile(const PsdDocument& doc)
{
    const bool large = doc.version == 2;
    ByteWriter out;
    out.U8('8').U8('B').U8('P').U8('S').U16BE(doc.version).U32BE(0).U16BE(0);  // six reserved bytes
    out.U16BE(static_cast<uint32_t>(doc.planes.size()));
    out.U32BE(doc.height).U32BE(doc.width).U16BE(doc.depth).U16BE(doc.mode);
    out.U32BE(static_cast<uint32_t>(doc.colourData.size())).Append(doc.colourData);
    out.U32BE(static_cast<uint32_t>(doc.resources.size())).Append(doc.resources);
    if (large) {
        out.U32BE(0);  // the high half of a PSB's 64-bit section length
    }
    out.U32BE(static_cast<uint32_t>(doc.layers.size())).Append(doc.layers);
    out.U16BE(doc.compression);
    if (doc.compression >= 2) {
        return AppendZipPlanes(out, doc.planes, doc) ? out.Take() : std::vector<uint8_t>{};
    }
    const size_t rowBytes = doc.RowBytes();
    if (doc.compression != 1) {
        for (const auto& plane : doc.planes) {
            out.Append(plane);
        }
        return out.Take();
    }
    std::vector<std::vector<uint8_t>> packed;
    for (const auto& plane : doc.planes) {
        for (uint32_t y = 0; y < doc.height; ++y) {
            packed.push_back(PackBits(plane.data() + y * rowBytes, rowBytes));
        }
    }
    for (const auto& row : packed) {
        large ? out.U32BE(static_cast<uint32_t>(row.size())) : out.U16BE(static_cast<uint32_t>(row.size()));
    }
    for (const auto& row : packed) {
        out.Append(row);
    }
    return out.Take();
}

// ---- GIF --------------------------------------------------------------------------------------

namespace {

ColorMapObject* GifMap(const std::vector<uint8_t>& rgb)
{
    if (rgb.empty()) {
        return nullptr;
    }
    std::vector<GifColorType> entries(rgb.size() / 3);
    for (size_t i = 0; i < entries.size(); ++i) {
        entries[i] = {rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]};
    }
    return GifMakeMapObject(static_cast<int>(entries.size()), entries.data());
}

} // namespace

bool WriteGifFile(const std::string& path, const GifLayout& layout, const std::vector<uint8_t>& indices)
{
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (gif == nullptr) {
        return false;
    }
    ColorMapObject* global = GifMap(layout.globalMap);
    ColorMapObject* local = GifMap(layout.localMap);
    EGifSetGifVersion(gif, layout.transparent >= 0);
    bool ok = EGifPutScreenDesc(gif, layout.screenWidth, layout.screenHeight, 8, layout.background, global) == GIF_OK;
    if (ok && layout.transparent >= 0) {
        GifByteType control[4] = {0x01, 0, 0, static_cast<GifByteType>(layout.transparent)};
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, layout.left, layout.top, layout.width, layout.height, layout.interlaced,
                                local) == GIF_OK;
    std::vector<GifPixelType> line(static_cast<size_t>(layout.width));
    auto put = [&](int row) {
        std::copy_n(indices.begin() + static_cast<std::ptrdiff_t>(row) * layout.width, layout.width, line.begin());
        ok = ok && EGifPutLine(gif, line.data(), layout.width) == GIF_OK;
    };
    const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < (layout.interlaced ? 4 : 1); ++pass) {
        for (int row = layout.interlaced ? starts[pass] : 0; row < layout.height; row += layout.interlaced ? steps[pass] : 1) {
            put(row);
        }
    }
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    GifFreeMapObject(global);
    GifFreeMapObject(local);
    return ok;
}

} // namespace zv::samples
