#include "metafile/metafile_writer.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>

namespace zv::samples {
namespace {

void Put16(std::vector<uint8_t>* out, uint32_t value)
{
    out->push_back(static_cast<uint8_t>(value & 0xFF));
    out->push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<uint8_t>* out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void Set32(std::vector<uint8_t>* out, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        (*out)[at + i] = static_cast<uint8_t>((value >> (8 * i)) & 0xFF);
    }
}

uint32_t Rgb(const std::vector<uint8_t>& rgb, size_t pixel)
{
    return (static_cast<uint32_t>(rgb[3 * pixel]) << 16) | (rgb[3 * pixel + 1] << 8) | rgb[3 * pixel + 2];
}

} // namespace

std::vector<uint8_t> MakeDib(int width, int height, const std::vector<uint8_t>& rgb, int bitCount)
{
    std::vector<uint32_t> palette;
    std::map<uint32_t, uint32_t> indexOf;
    if (bitCount <= 8) {
        for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
            const uint32_t colour = Rgb(rgb, i);
            if (indexOf.emplace(colour, static_cast<uint32_t>(palette.size())).second) {
                palette.push_back(colour);
            }
        }
        if (palette.size() > (1u << bitCount)) {
            throw std::invalid_argument("too many colours for the bit count");
        }
    }
    const size_t stride = (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
    std::vector<uint8_t> dib;
    Put32(&dib, 40);
    Put32(&dib, static_cast<uint32_t>(width));
    Put32(&dib, static_cast<uint32_t>(height));
    Put16(&dib, 1);
    Put16(&dib, static_cast<uint32_t>(bitCount));
    Put32(&dib, 0);
    Put32(&dib, static_cast<uint32_t>(stride * height));
    Put32(&dib, 2835);
    Put32(&dib, 2835);
    Put32(&dib, static_cast<uint32_t>(palette.size()));
    Put32(&dib, 0);
    for (uint32_t colour : palette) {
        dib.push_back(static_cast<uint8_t>(colour & 0xFF));
        dib.push_back(static_cast<uint8_t>((colour >> 8) & 0xFF));
        dib.push_back(static_cast<uint8_t>(colour >> 16));
        dib.push_back(0);
    }
    for (int row = height - 1; row >= 0; --row) {
        std::vector<uint8_t> line(stride, 0);
        for (int x = 0; x < width; ++x) {
            const size_t pixel = static_cast<size_t>(row) * width + x;
            if (bitCount == 24) {
                line[3 * x] = rgb[3 * pixel + 2];
                line[3 * x + 1] = rgb[3 * pixel + 1];
                line[3 * x + 2] = rgb[3 * pixel];
                continue;
            }
            const uint32_t index = indexOf[Rgb(rgb, pixel)];
            const size_t bit = static_cast<size_t>(x) * bitCount;
            line[bit / 8] |= static_cast<uint8_t>(index << (8 - bitCount - bit % 8));
        }
        dib.insert(dib.end(), line.begin(), line.end());
    }
    return dib;
}

std::pair<std::vector<uint8_t>, std::vector<uint8_t>> SplitDib(const std::vector<uint8_t>& packed)
{
    uint32_t colours = 0;
    std::memcpy(&colours, packed.data() + 32, 4);
    const size_t infoSize = 40 + colours * 4;
    return {std::vector<uint8_t>(packed.begin(), packed.begin() + static_cast<long>(infoSize)),
            std::vector<uint8_t>(packed.begin() + static_cast<long>(infoSize), packed.end())};
}

std::vector<uint8_t> MakeCompressedDib(int width, int height, DibCompression compression,
                                       const std::vector<uint32_t>& palette,
                                       const std::vector<uint8_t>& payload)
{
    const bool runLengths = compression == DibCompression::Rle8 || compression == DibCompression::Rle4;
    std::vector<uint8_t> dib;
    Put32(&dib, 40);
    Put32(&dib, static_cast<uint32_t>(width));
    Put32(&dib, static_cast<uint32_t>(height));
    Put16(&dib, 1);
    Put16(&dib, runLengths ? (compression == DibCompression::Rle8 ? 8 : 4) : 0);
    Put32(&dib, static_cast<uint32_t>(compression));
    Put32(&dib, static_cast<uint32_t>(payload.size()));
    Put32(&dib, 2835);
    Put32(&dib, 2835);
    Put32(&dib, static_cast<uint32_t>(palette.size()));
    Put32(&dib, 0);
    for (uint32_t colour : palette) {  // 0x00RRGGBB
        Put32(&dib, colour);
    }
    dib.insert(dib.end(), payload.begin(), payload.end());
    return dib;
}

WmfWriter WmfWriter::Placeable(int left, int top, int right, int bottom, int unitsPerInch)
{
    WmfWriter writer;
    writer.placeable_ = true;
    writer.box_[0] = left;
    writer.box_[1] = top;
    writer.box_[2] = right;
    writer.box_[3] = bottom;
    writer.unitsPerInch_ = unitsPerInch;
    return writer;
}

WmfWriter WmfWriter::Plain()
{
    return WmfWriter();
}

void WmfWriter::RecordBytes(uint16_t function, const std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> params = bytes;
    if (params.size() % 2 != 0) {
        params.push_back(0);
    }
    const auto words = static_cast<uint32_t>(3 + params.size() / 2);
    Put32(&records_, words);
    Put16(&records_, function);
    records_.insert(records_.end(), params.begin(), params.end());
    largestRecordWords_ = std::max(largestRecordWords_, words);
    // Object-creating records occupy a slot in the object table.
    if ((function & 0x00FF) == 0xFA || (function & 0x00FF) == 0xFB || (function & 0x00FF) == 0xFC ||
        function == 0x0142 || function == 0x00F7 || function == 0x06FF || function == 0x01F9) {
        ++objects_;
    }
}

void WmfWriter::Record(uint16_t function, const std::vector<int>& words)
{
    std::vector<uint8_t> bytes;
    for (int word : words) {
        Put16(&bytes, static_cast<uint32_t>(word) & 0xFFFF);
    }
    RecordBytes(function, bytes);
}

std::vector<int> WmfWriter::PointWords(const std::vector<IntPoint>& points)
{
    std::vector<int> words{static_cast<int>(points.size())};
    for (const auto& [x, y] : points) {
        words.push_back(x);
        words.push_back(y);
    }
    return words;
}

void WmfWriter::CreatePen(int style, int width, uint32_t colour)
{
    std::vector<int> words{style, width, 0};
    const std::vector<int> c = Split(colour);
    words.insert(words.end(), c.begin(), c.end());
    Record(0x02FA, words);
}

void WmfWriter::CreateBrush(int style, uint32_t colour, int hatch)
{
    std::vector<int> words{style};
    const std::vector<int> c = Split(colour);
    words.insert(words.end(), c.begin(), c.end());
    words.push_back(hatch);
    Record(0x02FC, words);
}

void WmfWriter::CreateFont(int height, int escapement, int weight, bool italic, const std::string& face)
{
    std::vector<uint8_t> bytes;
    for (int value : {height, 0, escapement, escapement, weight}) {
        Put16(&bytes, static_cast<uint32_t>(value) & 0xFFFF);
    }
    const uint8_t flags[8] = {static_cast<uint8_t>(italic ? 1 : 0), 0, 0, 0, 0, 0, 0, 0};
    bytes.insert(bytes.end(), flags, flags + 8);
    std::string name = face.substr(0, 31);
    name.resize(32, '\0');
    bytes.insert(bytes.end(), name.begin(), name.end());
    RecordBytes(0x02FB, bytes);
}

void WmfWriter::PolyPolygon(const std::vector<std::vector<IntPoint>>& polygons)
{
    std::vector<int> words{static_cast<int>(polygons.size())};
    for (const auto& polygon : polygons) {
        words.push_back(static_cast<int>(polygon.size()));
    }
    for (const auto& polygon : polygons) {
        for (const auto& [x, y] : polygon) {
            words.push_back(x);
            words.push_back(y);
        }
    }
    Record(0x0538, words);
}

void WmfWriter::TextOut(int x, int y, const std::string& text)
{
    std::vector<uint8_t> bytes;
    Put16(&bytes, static_cast<uint32_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
    if (text.size() % 2 != 0) {
        bytes.push_back(0);
    }
    Put16(&bytes, static_cast<uint32_t>(y) & 0xFFFF);
    Put16(&bytes, static_cast<uint32_t>(x) & 0xFFFF);
    RecordBytes(0x0521, bytes);
}

void WmfWriter::ExtTextOut(int x, int y, const std::string& text, const std::vector<int>& dx)
{
    std::vector<uint8_t> bytes;
    Put16(&bytes, static_cast<uint32_t>(y) & 0xFFFF);
    Put16(&bytes, static_cast<uint32_t>(x) & 0xFFFF);
    Put16(&bytes, static_cast<uint32_t>(text.size()));
    Put16(&bytes, 0);
    bytes.insert(bytes.end(), text.begin(), text.end());
    if (text.size() % 2 != 0) {
        bytes.push_back(0);
    }
    for (int advance : dx) {
        Put16(&bytes, static_cast<uint32_t>(advance) & 0xFFFF);
    }
    RecordBytes(0x0A32, bytes);
}

void WmfWriter::StretchDib(int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                           const std::vector<uint8_t>& dib)
{
    std::vector<uint8_t> bytes;
    Put32(&bytes, 0x00CC0020);
    Put16(&bytes, 0);
    for (int value : {sh, sw, sy, sx, h, w, y, x}) {
        Put16(&bytes, static_cast<uint32_t>(value) & 0xFFFF);
    }
    bytes.insert(bytes.end(), dib.begin(), dib.end());
    RecordBytes(0x0F43, bytes);
}

void WmfWriter::DibStretchBlt(int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                              const std::vector<uint8_t>& dib)
{
    std::vector<uint8_t> bytes;
    Put32(&bytes, 0x00CC0020);
    for (int value : {sh, sw, sy, sx, h, w, y, x}) {
        Put16(&bytes, static_cast<uint32_t>(value) & 0xFFFF);
    }
    bytes.insert(bytes.end(), dib.begin(), dib.end());
    RecordBytes(0x0B41, bytes);
}

void WmfWriter::DibBitBlt(int x, int y, int w, int h, int sx, int sy, const std::vector<uint8_t>& dib,
                          uint32_t rop)
{
    std::vector<uint8_t> bytes;
    Put32(&bytes, rop);
    for (int value : {sy, sx, h, w, y, x}) {
        Put16(&bytes, static_cast<uint32_t>(value) & 0xFFFF);
    }
    bytes.insert(bytes.end(), dib.begin(), dib.end());
    RecordBytes(0x0940, bytes);
}

void WmfWriter::CreateRegion(const std::vector<IntRect>& rects)
{
    // Rectangles sharing top and bottom form one scan of left/right pairs.
    std::vector<std::vector<IntRect>> scans;
    for (const IntRect& rect : rects) {
        if (scans.empty() || scans.back().front().top != rect.top || scans.back().front().bottom != rect.bottom) {
            scans.push_back({});
        }
        scans.back().push_back(rect);
    }
    IntRect bounds = rects.empty() ? IntRect{} : rects.front();
    size_t maxScan = 0;
    std::vector<uint8_t> scanBytes;
    for (const std::vector<IntRect>& scan : scans) {
        maxScan = std::max(maxScan, scan.size());
        Put16(&scanBytes, static_cast<uint32_t>(scan.size() * 2));
        Put16(&scanBytes, static_cast<uint32_t>(scan.front().top) & 0xFFFF);
        Put16(&scanBytes, static_cast<uint32_t>(scan.front().bottom) & 0xFFFF);
        for (const IntRect& rect : scan) {
            Put16(&scanBytes, static_cast<uint32_t>(rect.left) & 0xFFFF);
            Put16(&scanBytes, static_cast<uint32_t>(rect.right) & 0xFFFF);
            bounds = {std::min(bounds.left, rect.left), std::min(bounds.top, rect.top),
                      std::max(bounds.right, rect.right), std::max(bounds.bottom, rect.bottom)};
        }
        Put16(&scanBytes, static_cast<uint32_t>(scan.size() * 2));
    }
    std::vector<uint8_t> bytes;
    Put16(&bytes, 0);  // next in chain
    Put16(&bytes, 6);  // region
    Put32(&bytes, 0);
    Put16(&bytes, static_cast<uint32_t>(22 + scanBytes.size()));
    Put16(&bytes, static_cast<uint32_t>(scans.size()));
    Put16(&bytes, static_cast<uint32_t>(maxScan));
    for (int value : {bounds.left, bounds.top, bounds.right, bounds.bottom}) {
        Put16(&bytes, static_cast<uint32_t>(value) & 0xFFFF);
    }
    bytes.insert(bytes.end(), scanBytes.begin(), scanBytes.end());
    RecordBytes(0x06FF, bytes);
}

std::vector<uint8_t> WmfWriter::Finish() const
{
    std::vector<uint8_t> file;
    if (placeable_) {
        Put32(&file, 0x9AC6CDD7);
        Put16(&file, 0);
        for (int edge : box_) {
            Put16(&file, static_cast<uint32_t>(edge) & 0xFFFF);
        }
        Put16(&file, static_cast<uint32_t>(unitsPerInch_));
        Put32(&file, 0);
        uint16_t checksum = 0;
        for (size_t i = 0; i < 20; i += 2) {
            checksum ^= static_cast<uint16_t>(file[i] | (file[i + 1] << 8));
        }
        Put16(&file, checksum);
    }
    const auto totalWords = static_cast<uint32_t>(9 + records_.size() / 2 + 3);
    Put16(&file, 1);
    Put16(&file, 9);
    Put16(&file, 0x0300);
    Put32(&file, totalWords);
    Put16(&file, static_cast<uint32_t>(objects_));
    Put32(&file, largestRecordWords_);
    Put16(&file, 0);
    file.insert(file.end(), records_.begin(), records_.end());
    Put32(&file, 3);
    Put16(&file, 0);
    return file;
}

EmfWriter::EmfWriter(int frameLeft, int frameTop, int frameRight, int frameBottom, int devicePx,
                     int deviceMm)
    : frame_{frameLeft, frameTop, frameRight, frameBottom}, devicePx_(devicePx), deviceMm_(deviceMm)
{
}

void EmfWriter::RecordBytes(uint32_t type, const std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> params = bytes;
    while (params.size() % 4 != 0) {
        params.push_back(0);
    }
    Put32(&records_, type);
    Put32(&records_, static_cast<uint32_t>(8 + params.size()));
    records_.insert(records_.end(), params.begin(), params.end());
    ++recordCount_;
}

void EmfWriter::Record(uint32_t type, const std::vector<int64_t>& values)
{
    std::vector<uint8_t> bytes;
    for (int64_t value : values) {
        Put32(&bytes, static_cast<uint32_t>(value));
    }
    RecordBytes(type, bytes);
}

void EmfWriter::SetWorldTransform(const std::vector<float>& m)
{
    std::vector<uint8_t> bytes;
    for (float value : m) {
        uint32_t bits = 0;
        std::memcpy(&bits, &value, 4);
        Put32(&bytes, bits);
    }
    RecordBytes(35, bytes);
}

void EmfWriter::ExtCreatePen(int index, int style, int width, uint32_t colour, const std::vector<int>& dashes)
{
    std::vector<int64_t> values{index, 0, 0, 0, 0, style, width, 0, colour, 0,
                                static_cast<int64_t>(dashes.size())};
    values.insert(values.end(), dashes.begin(), dashes.end());
    Record(95, values);
}

void EmfWriter::CreateFont(int index, int height, int escapement, int weight, const std::u16string& face)
{
    std::vector<uint8_t> bytes;
    for (int value : {index, height, 0, escapement, escapement, weight}) {
        Put32(&bytes, static_cast<uint32_t>(value));
    }
    Put32(&bytes, 0);  // italic, underline, strike-out, charset
    Put32(&bytes, 0);  // precisions, quality, pitch
    for (size_t i = 0; i < 32; ++i) {
        Put16(&bytes, i < face.size() ? face[i] : 0);
    }
    RecordBytes(82, bytes);
}

void EmfWriter::Poly(uint32_t type, const std::vector<IntPoint>& points)
{
    std::vector<uint8_t> bytes(16, 0);
    Put32(&bytes, static_cast<uint32_t>(points.size()));
    const bool shortPoints = type >= 85;
    for (const auto& [x, y] : points) {
        if (shortPoints) {
            Put16(&bytes, static_cast<uint32_t>(x) & 0xFFFF);
            Put16(&bytes, static_cast<uint32_t>(y) & 0xFFFF);
        } else {
            Put32(&bytes, static_cast<uint32_t>(x));
            Put32(&bytes, static_cast<uint32_t>(y));
        }
    }
    RecordBytes(type, bytes);
}

void EmfWriter::PolyPolygon(const std::vector<std::vector<IntPoint>>& polygons)
{
    std::vector<int64_t> values{0, 0, 0, 0, static_cast<int64_t>(polygons.size())};
    int64_t total = 0;
    for (const auto& polygon : polygons) {
        total += static_cast<int64_t>(polygon.size());
    }
    values.push_back(total);
    for (const auto& polygon : polygons) {
        values.push_back(static_cast<int64_t>(polygon.size()));
    }
    for (const auto& polygon : polygons) {
        for (const auto& [x, y] : polygon) {
            values.push_back(x);
            values.push_back(y);
        }
    }
    Record(8, values);
}

void EmfWriter::ExtTextOutW(int x, int y, const std::u16string& text, const std::vector<int>& dx)
{
    constexpr uint32_t kFixedSize = 8 + 16 + 12 + 40;  // header, bounds, mode and scales, text
    const uint32_t stringOffset = kFixedSize;
    const uint32_t stringBytes = static_cast<uint32_t>((text.size() * 2 + 3) / 4 * 4);
    const uint32_t dxOffset = dx.empty() ? 0 : stringOffset + stringBytes;
    std::vector<uint8_t> bytes(16, 0);
    Put32(&bytes, 1);  // compatible graphics mode
    Put32(&bytes, 0);
    Put32(&bytes, 0);
    Put32(&bytes, static_cast<uint32_t>(x));
    Put32(&bytes, static_cast<uint32_t>(y));
    Put32(&bytes, static_cast<uint32_t>(text.size()));
    Put32(&bytes, stringOffset);
    Put32(&bytes, 0);  // options
    for (int i = 0; i < 4; ++i) {
        Put32(&bytes, 0);
    }
    Put32(&bytes, dxOffset);
    for (char16_t unit : text) {
        Put16(&bytes, unit);
    }
    while ((bytes.size() + 8) % 4 != 0) {
        bytes.push_back(0);
    }
    for (int advance : dx) {
        Put32(&bytes, static_cast<uint32_t>(advance));
    }
    RecordBytes(84, bytes);
}

void EmfWriter::StretchDiBits(int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                              const std::vector<uint8_t>& dib)
{
    const auto [info, bits] = SplitDib(dib);
    constexpr uint32_t kFixedSize = 80;
    const auto infoOffset = kFixedSize;
    const auto bitsOffset = static_cast<uint32_t>(infoOffset + info.size());
    std::vector<int64_t> values{0, 0, 0, 0, x, y, sx, sy, sw, sh, infoOffset,
                                static_cast<int64_t>(info.size()), bitsOffset,
                                static_cast<int64_t>(bits.size()), 0, 0x00CC0020, w, h};
    std::vector<uint8_t> bytes;
    for (int64_t value : values) {
        Put32(&bytes, static_cast<uint32_t>(value));
    }
    bytes.insert(bytes.end(), info.begin(), info.end());
    bytes.insert(bytes.end(), bits.begin(), bits.end());
    RecordBytes(81, bytes);
}

void EmfWriter::BitBlt(int x, int y, int w, int h, int sx, int sy, const std::vector<uint8_t>& dib,
                       uint32_t rop)
{
    const auto [info, bits] = dib.empty() ? std::pair<std::vector<uint8_t>, std::vector<uint8_t>>{}
                                          : SplitDib(dib);
    constexpr uint32_t kFixedSize = 100;
    const auto infoOffset = kFixedSize;
    const auto bitsOffset = static_cast<uint32_t>(infoOffset + info.size());
    std::vector<uint8_t> bytes;
    for (int64_t value : std::vector<int64_t>{0, 0, 0, 0, x, y, w, h, rop, sx, sy}) {
        Put32(&bytes, static_cast<uint32_t>(value));
    }
    const float identity[6] = {1, 0, 0, 1, 0, 0};
    for (float value : identity) {
        uint32_t bits32 = 0;
        std::memcpy(&bits32, &value, 4);
        Put32(&bytes, bits32);
    }
    const int64_t at = info.empty() ? 0 : infoOffset;
    const int64_t bitsAt = info.empty() ? 0 : bitsOffset;
    for (int64_t value : std::vector<int64_t>{0, 0, at, static_cast<int64_t>(info.size()), bitsAt,
                                              static_cast<int64_t>(bits.size())}) {
        Put32(&bytes, static_cast<uint32_t>(value));
    }
    bytes.insert(bytes.end(), info.begin(), info.end());
    bytes.insert(bytes.end(), bits.begin(), bits.end());
    RecordBytes(76, bytes);
}

namespace {

// Region data: header and rectangles (nothing for an empty region).
void PutRegionData(std::vector<uint8_t>* out, const std::vector<IntRect>& rects)
{
    if (!rects.empty()) {
        IntRect bounds = rects.front();
        for (const IntRect& rect : rects) {
            bounds = {std::min(bounds.left, rect.left), std::min(bounds.top, rect.top),
                      std::max(bounds.right, rect.right), std::max(bounds.bottom, rect.bottom)};
        }
        for (uint32_t value : {32u, 1u, static_cast<uint32_t>(rects.size()),
                               static_cast<uint32_t>(16 * rects.size())}) {
            Put32(out, value);
        }
        for (int value : {bounds.left, bounds.top, bounds.right, bounds.bottom}) {
            Put32(out, static_cast<uint32_t>(value));
        }
        for (const IntRect& rect : rects) {
            for (int value : {rect.left, rect.top, rect.right, rect.bottom}) {
                Put32(out, static_cast<uint32_t>(value));
            }
        }
    }
}

uint32_t RegionDataSize(const std::vector<IntRect>& rects)
{
    return rects.empty() ? 0 : static_cast<uint32_t>(32 + 16 * rects.size());
}

} // namespace

void EmfWriter::ExtSelectClipRgn(const std::vector<IntRect>& rects, int mode)
{
    std::vector<uint8_t> bytes;
    Put32(&bytes, RegionDataSize(rects));
    Put32(&bytes, static_cast<uint32_t>(mode));
    PutRegionData(&bytes, rects);
    RecordBytes(75, bytes);
}

void EmfWriter::FrameRegion(const std::vector<IntRect>& rects, uint32_t brush, int width, int height)
{
    std::vector<uint8_t> bytes(16, 0);  // bounds, unused here
    Put32(&bytes, RegionDataSize(rects));
    Put32(&bytes, brush);
    Put32(&bytes, static_cast<uint32_t>(width));
    Put32(&bytes, static_cast<uint32_t>(height));
    PutRegionData(&bytes, rects);
    RecordBytes(72, bytes);
}

void EmfWriter::PaintRegion(uint32_t type, const std::vector<IntRect>& rects, uint32_t brush)
{
    std::vector<uint8_t> bytes(16, 0);  // bounds, unused here
    Put32(&bytes, RegionDataSize(rects));
    if (type == 71) {
        Put32(&bytes, brush);
    }
    PutRegionData(&bytes, rects);
    RecordBytes(type, bytes);
}

std::vector<uint8_t> EmfWriter::Finish() const
{
    constexpr uint32_t kHeaderSize = 108;
    std::vector<uint8_t> file;
    Put32(&file, 1);
    Put32(&file, kHeaderSize);
    // Device bounds: the frame in device pixels.
    for (int i = 0; i < 4; ++i) {
        Put32(&file, static_cast<uint32_t>(static_cast<int64_t>(frame_[i]) * devicePx_ / (deviceMm_ * 100)));
    }
    for (int edge : frame_) {
        Put32(&file, static_cast<uint32_t>(edge));
    }
    Put32(&file, 0x464D4520);
    Put32(&file, 0x00010000);
    Put32(&file, 0);  // total size, set below
    Put32(&file, recordCount_ + 2);
    Put16(&file, 16);  // handles
    Put16(&file, 0);
    Put32(&file, 0);  // description
    Put32(&file, 0);
    Put32(&file, 0);  // palette entries
    Put32(&file, static_cast<uint32_t>(devicePx_));
    Put32(&file, static_cast<uint32_t>(devicePx_));
    Put32(&file, static_cast<uint32_t>(deviceMm_));
    Put32(&file, static_cast<uint32_t>(deviceMm_));
    Put32(&file, 0);  // pixel format
    Put32(&file, 0);
    Put32(&file, 0);  // OpenGL
    Put32(&file, static_cast<uint32_t>(deviceMm_ * 1000));
    Put32(&file, static_cast<uint32_t>(deviceMm_ * 1000));
    file.insert(file.end(), records_.begin(), records_.end());
    // End-of-file record: no palette, offset, size.
    Put32(&file, 14);
    Put32(&file, 20);
    Put32(&file, 0);
    Put32(&file, 16);
    Put32(&file, 20);
    Set32(&file, 48, static_cast<uint32_t>(file.size()));
    return file;
}

} // namespace zv::samples
