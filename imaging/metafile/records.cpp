#include "imaging/metafile/records.h"

#include "imaging/core/source.h"

namespace zv::imaging::metafile {
namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableHeaderSize = 22;
constexpr uint16_t kWmfHeaderWords = 9;
constexpr size_t kWmfRecordHeader = 6;
constexpr size_t kEmfRecordHeader = 8;
constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kEmrHeader = 1;
constexpr uint32_t kEmrEof = 14;
constexpr size_t kEmfMinimumHeader = 88;
constexpr size_t kEmfHeaderWithMicrometres = 108;
constexpr double kDefaultUnitsPerMm = 96 / 25.4;

int16_t Signed(uint16_t value)
{
    return static_cast<int16_t>(value);
}

int32_t Signed(uint32_t value)
{
    return static_cast<int32_t>(value);
}

bool ReadRectl(ByteReader& reader, Rect* rect)
{
    uint32_t left = 0;
    uint32_t top = 0;
    uint32_t right = 0;
    uint32_t bottom = 0;
    if (!reader.U32LE(&left) || !reader.U32LE(&top) || !reader.U32LE(&right) ||
        !reader.U32LE(&bottom)) {
        return false;
    }
    *rect = {static_cast<double>(Signed(left)), static_cast<double>(Signed(top)),
             static_cast<double>(Signed(right)), static_cast<double>(Signed(bottom))};
    return true;
}

double UnitsPerMm(uint32_t units, uint32_t length, double lengthPerMm)
{
    const int32_t signedUnits = Signed(units);
    const int32_t signedLength = Signed(length);
    if (signedUnits <= 0 || signedLength <= 0) {
        return 0;
    }
    return signedUnits / (signedLength / lengthPerMm);
}

} // namespace

RecordWalker::RecordWalker(Style style, const uint8_t* data, size_t size, size_t firstRecord)
    : style_(style), data_(data), size_(size), position_(firstRecord)
{
}

Step RecordWalker::Next(Record* record)
{
    const size_t headerSize = style_ == Style::Wmf ? kWmfRecordHeader : kEmfRecordHeader;
    if (position_ >= size_) {
        return Step::End;  // a file that stops after a whole record simply ends
    }
    ByteReader reader(data_ + position_, size_ - position_);
    uint64_t recordSize = 0;
    uint32_t type = 0;
    if (style_ == Style::Wmf) {
        uint32_t words = 0;
        uint16_t function = 0;
        if (!reader.U32LE(&words) || !reader.U16LE(&function)) {
            return Step::Corrupt;
        }
        recordSize = static_cast<uint64_t>(words) * 2;
        type = function;
    } else {
        uint32_t bytes = 0;
        if (!reader.U32LE(&type) || !reader.U32LE(&bytes)) {
            return Step::Corrupt;
        }
        recordSize = bytes;
        if (recordSize % 4 != 0) {
            return Step::Corrupt;
        }
    }
    if (recordSize < headerSize || recordSize > size_ - position_) {
        return Step::Corrupt;
    }
    record->type = type;
    record->data = data_ + position_;
    record->size = static_cast<size_t>(recordSize);
    record->headerSize = headerSize;
    position_ += static_cast<size_t>(recordSize);
    const bool end = style_ == Style::Wmf ? type == 0 : type == kEmrEof;
    return end ? Step::End : Step::Record;
}

bool ReadWmfInfo(const uint8_t* data, size_t size, WmfInfo* info)
{
    ByteReader reader(data, size);
    uint32_t key = 0;
    if (!reader.U32LE(&key)) {
        return false;
    }
    *info = WmfInfo{};
    if (key == kPlaceableKey) {
        uint16_t handle = 0;
        uint16_t box[4] = {};
        uint16_t inch = 0;
        if (!reader.U16LE(&handle) || !reader.U16LE(&box[0]) || !reader.U16LE(&box[1]) ||
            !reader.U16LE(&box[2]) || !reader.U16LE(&box[3]) || !reader.U16LE(&inch)) {
            return false;
        }
        info->placeable = true;
        info->boundingBox = {static_cast<double>(Signed(box[0])), static_cast<double>(Signed(box[1])),
                             static_cast<double>(Signed(box[2])), static_cast<double>(Signed(box[3]))};
        info->unitsPerInch = inch;
        if (!reader.Seek(kPlaceableHeaderSize)) {
            return false;
        }
    } else if (!reader.Seek(0)) {
        return false;
    }
    const size_t headerStart = reader.position();
    uint16_t type = 0;
    uint16_t headerWords = 0;
    if (!reader.U16LE(&type) || !reader.U16LE(&headerWords)) {
        return false;
    }
    if ((type != 1 && type != 2) || headerWords != kWmfHeaderWords) {
        return false;
    }
    info->firstRecord = headerStart + kWmfHeaderWords * 2;
    return info->firstRecord <= size;
}

bool ReadEmfInfo(const uint8_t* data, size_t size, EmfInfo* info)
{
    ByteReader reader(data, size);
    uint32_t type = 0;
    uint32_t headerSize = 0;
    if (!reader.U32LE(&type) || !reader.U32LE(&headerSize) || type != kEmrHeader) {
        return false;
    }
    *info = EmfInfo{};
    uint32_t signature = 0;
    uint32_t deviceWidth = 0;
    uint32_t deviceHeight = 0;
    uint32_t mmWidth = 0;
    uint32_t mmHeight = 0;
    if (!ReadRectl(reader, &info->bounds) || !ReadRectl(reader, &info->frame) ||
        !reader.U32LE(&signature) || signature != kEmfSignature) {
        return false;
    }
    if (headerSize < kEmfMinimumHeader || headerSize > size || headerSize % 4 != 0 ||
        !reader.Seek(72) || !reader.U32LE(&deviceWidth) || !reader.U32LE(&deviceHeight) ||
        !reader.U32LE(&mmWidth) || !reader.U32LE(&mmHeight)) {
        return false;
    }
    info->deviceUnitsPerMmX = UnitsPerMm(deviceWidth, mmWidth, 1);
    info->deviceUnitsPerMmY = UnitsPerMm(deviceHeight, mmHeight, 1);
    uint32_t umWidth = 0;
    uint32_t umHeight = 0;
    if (headerSize >= kEmfHeaderWithMicrometres && reader.Seek(100) && reader.U32LE(&umWidth) &&
        reader.U32LE(&umHeight)) {
        // Micrometres, when present, say the same more precisely.
        const double x = UnitsPerMm(deviceWidth, umWidth, 1000);
        const double y = UnitsPerMm(deviceHeight, umHeight, 1000);
        if (x > 0 && y > 0) {
            info->deviceUnitsPerMmX = x;
            info->deviceUnitsPerMmY = y;
        }
    }
    if (!(info->deviceUnitsPerMmX > 0) || !(info->deviceUnitsPerMmY > 0)) {
        info->deviceUnitsPerMmX = kDefaultUnitsPerMm;
        info->deviceUnitsPerMmY = kDefaultUnitsPerMm;
    }
    info->firstRecord = headerSize;
    return true;
}

} // namespace zv::imaging::metafile
