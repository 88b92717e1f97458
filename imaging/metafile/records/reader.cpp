#include "imaging/metafile/records/reader.h"

#include "imaging/metafile/drawing/text.h"

#include <bit>

namespace zv::imaging::metafile {

RecordReader::RecordReader(Layout layout, const Record& record)
    : layout_(layout), record_(record),
      reader_(record.data + record.headerSize, record.size - record.headerSize)
{
}

bool RecordReader::S16(double* out)
{
    uint16_t value = 0;
    if (!reader_.U16LE(&value)) {
        return false;
    }
    *out = static_cast<int16_t>(value);
    return true;
}

bool RecordReader::S32(double* out)
{
    uint32_t value = 0;
    if (!reader_.U32LE(&value)) {
        return false;
    }
    *out = static_cast<int32_t>(value);
    return true;
}

bool RecordReader::Float(double* out)
{
    uint32_t bits = 0;
    if (!reader_.U32LE(&bits)) {
        return false;
    }
    *out = std::bit_cast<float>(bits);
    return true;
}

bool RecordReader::Uint(uint32_t* out)
{
    if (layout_ == Layout::Emf) {
        return reader_.U32LE(out);
    }
    uint16_t value = 0;
    if (!reader_.U16LE(&value)) {
        return false;
    }
    *out = value;
    return true;
}

bool RecordReader::Coord(double* out)
{
    return layout_ == Layout::Emf ? S32(out) : S16(out);
}

bool RecordReader::ArgPoint(Point* out)
{
    std::array<double, 2> xy{};
    if (!Args(&xy)) {
        return false;
    }
    *out = {xy[0], xy[1]};
    return true;
}

bool RecordReader::ArgRect(Rect* out)
{
    std::array<double, 4> edges{};
    if (!Args(&edges)) {
        return false;
    }
    *out = {edges[0], edges[1], edges[2], edges[3]};
    return true;
}

bool RecordReader::CreatedIndex(int64_t* out)
{
    *out = -1;
    uint32_t index = 0;
    if (layout_ == Layout::Wmf) {
        return true;
    }
    if (!reader_.U32LE(&index)) {
        return false;
    }
    *out = index;
    return true;
}

bool RecordReader::Colour(Color* out)
{
    uint32_t value = 0;
    if (!reader_.U32LE(&value)) {
        return false;
    }
    *out = Color::FromColorRef(value);
    return true;
}

bool RecordReader::Xform(Affine* out)
{
    std::array<double, 6> m{};
    for (double& value : m) {
        if (!Float(&value)) {
            return false;
        }
    }
    *out = {m[0], m[1], m[2], m[3], m[4], m[5]};
    return true;
}

bool RecordReader::Points(size_t count, bool wide, std::vector<Point>* out)
{
    if (count > reader_.remaining() / (wide ? 8 : 4)) {
        return false;
    }
    out->resize(count);
    for (Point& p : *out) {
        if (wide) {
            S32(&p.x);
            S32(&p.y);
        } else {
            S16(&p.x);
            S16(&p.y);
        }
    }
    return true;
}

bool RecordReader::Rectl(Rect* out)
{
    return S32(&out->left) && S32(&out->top) && S32(&out->right) && S32(&out->bottom);
}

bool RecordReader::Utf16At(uint64_t offset, uint64_t count, std::u32string* out) const
{
    const uint8_t* units = nullptr;
    if (!Range(offset, count * 2, &units)) {
        return false;
    }
    *out = DecodeUtf16(units, static_cast<size_t>(count));
    return true;
}

bool RecordReader::PaddedBytes(size_t count, const uint8_t** out)
{
    if (!reader_.Has(count)) {
        return false;
    }
    *out = reader_.current();
    reader_.Skip(count);
    return count % 2 == 0 || reader_.Skip(1) || reader_.remaining() == 0;
}

bool RecordReader::Range(uint64_t offset, uint64_t length, const uint8_t** out) const
{
    if (offset > record_.size || length > record_.size - offset) {
        return false;
    }
    *out = record_.data + offset;
    return true;
}

namespace {

BitmapRead Decoded(DibResult result)
{
    return result == DibResult::Ok        ? BitmapRead::Drawn
           : result == DibResult::Corrupt ? BitmapRead::Corrupt
                                          : BitmapRead::Skipped;
}

} // namespace

BitmapRead RecordReader::PackedBitmap(Bitmap* bitmap, bool* bottomUp)
{
    *bottomUp = DibIsBottomUp(reader_.current(), reader_.remaining());
    return Decoded(DecodePackedDib(reader_.current(), reader_.remaining(), bitmap));
}

BitmapRead RecordReader::PlacedBitmap(uint32_t infoOffset, uint32_t infoSize, uint32_t bitsOffset,
                                      uint32_t bitsSize, Bitmap* bitmap, bool* bottomUp)
{
    const uint8_t* info = nullptr;
    const uint8_t* bits = nullptr;
    if (!Range(infoOffset, infoSize, &info) || !Range(bitsOffset, bitsSize, &bits)) {
        return BitmapRead::Corrupt;
    }
    *bottomUp = DibIsBottomUp(info, infoSize);
    return Decoded(DecodeDib(info, infoSize, bits, bitsSize, bitmap));
}

bool ReadRegionData(RecordReader& reader, uint32_t dataSize, std::vector<Rect>* rects)
{
    if (dataSize < 32) {
        return true;
    }
    uint32_t headerSize = 0;
    uint32_t regionType = 0;
    uint32_t count = 0;
    if (!reader.U32(&headerSize) || !reader.U32(&regionType) || !reader.U32(&count) ||
        !reader.Skip(4 + 16) || count > (dataSize - 32) / 16) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        Rect rect;
        if (!reader.Rectl(&rect)) {
            return false;
        }
        rects->push_back(rect);
    }
    return true;
}

} // namespace zv::imaging::metafile
