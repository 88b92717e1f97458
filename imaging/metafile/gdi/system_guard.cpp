#include "imaging/metafile/gdi/system_guard.h"

#include "imaging/core/source.h"
#include "imaging/metafile/records/records.h"

#include <algorithm>
#include <cstdlib>

namespace zv::imaging::metafile {
namespace {

constexpr uint32_t kStockObject = 0x80000000u;
constexpr uint32_t kPaletteColours = 1;  // colour table of palette indices, two bytes each
constexpr uint32_t kCompressionRgb = 0;
constexpr uint32_t kCompressionBitFields = 3;
constexpr uint32_t kCoreHeaderBytes = 12;
constexpr uint32_t kInfoHeaderBytes = 40;

// A little-endian field at `offset` of `size` bytes; 0 past the end, which the callers' own
// size checks never reach.
uint32_t U32At(const uint8_t* data, size_t size, size_t offset)
{
    ByteReader reader(data, size);
    uint32_t value = 0;
    return reader.Seek(offset) && reader.U32LE(&value) ? value : 0;
}

uint16_t U16At(const uint8_t* data, size_t size, size_t offset)
{
    ByteReader reader(data, size);
    uint16_t value = 0;
    return reader.Seek(offset) && reader.U16LE(&value) ? value : 0;
}

struct DibShape {
    uint32_t headerBytes = 0;
    int64_t width = 0;
    int64_t height = 0;
    uint32_t bitCount = 0;
    uint32_t compression = kCompressionRgb;
    uint32_t imageBytes = 0;
    uint32_t coloursUsed = 0;
};

bool ReadDibShape(const uint8_t* info, size_t infoSize, DibShape* shape)
{
    if (infoSize < 4) {
        return false;
    }
    shape->headerBytes = U32At(info, infoSize, 0);
    if (shape->headerBytes == kCoreHeaderBytes && infoSize >= kCoreHeaderBytes) {
        shape->width = U16At(info, infoSize, 4);
        shape->height = U16At(info, infoSize, 6);
        shape->bitCount = U16At(info, infoSize, 10);
        return true;
    }
    if (shape->headerBytes < kInfoHeaderBytes || shape->headerBytes > infoSize) {
        return false;
    }
    shape->width = static_cast<int32_t>(U32At(info, infoSize, 4));
    shape->height = static_cast<int32_t>(U32At(info, infoSize, 8));
    shape->bitCount = U16At(info, infoSize, 14);
    shape->compression = U32At(info, infoSize, 16);
    shape->imageBytes = U32At(info, infoSize, 20);
    shape->coloursUsed = U32At(info, infoSize, 32);
    return true;
}

// The colour table the system copies after the header: as many entries as the header says
// are used (at most 256), else the full table for the bit depth; the three masks of a plain
// header with bit fields.
uint64_t ColourTableBytes(const DibShape& shape, uint32_t usage)
{
    if (shape.bitCount != 0 && shape.bitCount <= 8) {  // 0: JPEG or PNG, no table
        const uint64_t entries = shape.coloursUsed != 0 ? std::min<uint32_t>(shape.coloursUsed, 256)
                                                        : uint64_t{1} << shape.bitCount;
        const uint64_t entryBytes =
            usage == kPaletteColours ? 2 : (shape.headerBytes == kCoreHeaderBytes ? 3 : 4);
        return entries * entryBytes;
    }
    return shape.compression == kCompressionBitFields && shape.headerBytes == kInfoHeaderBytes ? 12 : 0;
}

// Whether the header with its colour table lies in `infoSize` bytes and the rows it claims
// lie in `bitsSize` bytes. Compressed rows are bounded by the header's image size.
bool DibFits(const uint8_t* info, size_t infoSize, size_t bitsSize, uint32_t usage)
{
    DibShape shape;
    if (!ReadDibShape(info, infoSize, &shape) ||
        shape.headerBytes + ColourTableBytes(shape, usage) > infoSize) {
        return false;
    }
    if (shape.compression != kCompressionRgb && shape.compression != kCompressionBitFields) {
        return shape.imageBytes <= bitsSize;
    }
    // Width and bit count fit 64 bits together; the rows are compared by division, since a
    // claimed height times the stride need not.
    const uint64_t stride = (static_cast<uint64_t>(std::llabs(shape.width)) * shape.bitCount + 31) / 32 * 4;
    const uint64_t rows = static_cast<uint64_t>(std::llabs(shape.height));
    return rows == 0 || stride <= bitsSize / rows;
}

// An enhanced record's bitmap: where its four placement fields (header offset and size, rows
// offset and size) and its colour usage sit in the record.
struct EmfBitmapField {
    uint32_t type;
    size_t placement;
    size_t usage;
};

constexpr EmfBitmapField kEmfBitmaps[] = {
    {76, 84, 80},   {77, 84, 80},  {78, 84, 80},  {78, 112, 108}, {79, 96, 92},  {79, 124, 120},
    {80, 48, 64},   {81, 48, 64},  {93, 16, 12},  {94, 16, 12},   {114, 84, 80}, {116, 84, 80},
};

bool EmfBitmapFits(const uint8_t* record, size_t size, const EmfBitmapField& field)
{
    if (field.placement + 16 > size || field.usage + 4 > size) {
        return false;
    }
    const uint64_t infoOffset = U32At(record, size, field.placement);
    const uint64_t infoSize = U32At(record, size, field.placement + 4);
    const uint64_t bitsOffset = U32At(record, size, field.placement + 8);
    const uint64_t bitsSize = U32At(record, size, field.placement + 12);
    if (infoOffset == 0 && infoSize == 0) {
        return true;  // a blit without a source bitmap
    }
    if (infoOffset + infoSize > size || bitsOffset + bitsSize > size) {
        return false;
    }
    return DibFits(record + infoOffset, infoSize, bitsSize, U32At(record, size, field.usage));
}

// Select: a slot or a stock object; Use: a slot only (the system indexes its table with the
// number as it is).
enum class SlotUse { Create, Select, Use, Delete };

struct EmfObjectRecord {
    uint32_t type;
    SlotUse use;
};

constexpr EmfObjectRecord kEmfObjectRecords[] = {
    {37, SlotUse::Select}, {38, SlotUse::Create},  {39, SlotUse::Create},  {40, SlotUse::Delete},
    {48, SlotUse::Select}, {49, SlotUse::Create},  {50, SlotUse::Use},     {51, SlotUse::Use},
    {82, SlotUse::Create}, {93, SlotUse::Create},  {94, SlotUse::Create},  {95, SlotUse::Create},
    {99, SlotUse::Create}, {100, SlotUse::Use},    {101, SlotUse::Delete}, {122, SlotUse::Create},
};

// Slot 0 is the picture's own handle; only selections may name a stock object. The system
// indexes its handle table with the slot unchecked, so a slot past it is a write or read
// outside the table.
bool EmfSlotIsSafe(const uint8_t* record, size_t size, SlotUse use, uint32_t handleCount)
{
    if (size < 12) {
        return false;
    }
    const uint32_t slot = U32At(record, size, 8);
    if ((slot & kStockObject) != 0) {
        return use == SlotUse::Select;
    }
    return slot < handleCount && (slot != 0 || use == SlotUse::Select || use == SlotUse::Use);
}

// Where an old-style bitmap record's packed bitmap starts in its parameters, and its colour
// usage; the blits without a bitmap have no packed bitmap at all.
bool WmfPackedBitmap(const Record& record, size_t* offset, uint32_t* usage)
{
    const uint8_t* params = record.data + record.headerSize;
    const size_t paramsSize = record.size - record.headerSize;
    const size_t words = record.size / 2;
    *usage = 0;
    switch (record.type) {
    case 0x0940:  // DIB bit blit
        *offset = 16;
        return words != (0x0940u >> 8) + 3;
    case 0x0B41:  // DIB stretch blit
        *offset = 20;
        return words != (0x0B41u >> 8) + 3;
    case 0x0F43:  // stretch DIB
        *offset = 22;
        *usage = U16At(params, paramsSize, 4);
        return true;
    case 0x0D33:  // set DIB to device
        *offset = 18;
        *usage = U16At(params, paramsSize, 0);
        return true;
    case 0x0142:  // DIB pattern brush
        *offset = 4;
        *usage = U16At(params, paramsSize, 2);
        return true;
    default:
        return false;
    }
}

bool WmfRecordBitmapFits(const Record& record)
{
    size_t offset = 0;
    uint32_t usage = 0;
    if (!WmfPackedBitmap(record, &offset, &usage)) {
        return true;
    }
    const size_t paramsSize = record.size - record.headerSize;
    if (offset > paramsSize) {
        return false;
    }
    const uint8_t* dib = record.data + record.headerSize + offset;
    const size_t dibSize = paramsSize - offset;
    DibShape shape;
    if (!ReadDibShape(dib, dibSize, &shape)) {
        return false;
    }
    const uint64_t infoSize = shape.headerBytes + ColourTableBytes(shape, usage);
    return infoSize <= dibSize && DibFits(dib, static_cast<size_t>(infoSize), dibSize - infoSize, usage);
}

// Old-style records that name objects by their slot in the handle table: the parameters from
// `first` on, `slots` of them.
struct WmfObjectRecord {
    uint32_t type;
    size_t first;
    size_t slots;
};

constexpr WmfObjectRecord kWmfObjectRecords[] = {
    {0x012D, 0, 1}, {0x01F0, 0, 1}, {0x0234, 0, 1}, {0x012C, 0, 1},  // select, delete, palette, clip region
    {0x012A, 0, 1}, {0x012B, 0, 1}, {0x0228, 0, 2},                  // invert, paint, fill region
    {0x0429, 2, 2},  // frame region: height and width first
};

bool WmfSlotsAreSafe(const Record& record, uint32_t objectCount)
{
    const uint8_t* params = record.data + record.headerSize;
    const size_t paramsSize = record.size - record.headerSize;
    for (const WmfObjectRecord& object : kWmfObjectRecords) {
        if (object.type != record.type) {
            continue;
        }
        if (paramsSize < (object.first + object.slots) * 2) {
            return false;
        }
        for (size_t i = object.first; i < object.first + object.slots; ++i) {
            if (U16At(params, paramsSize, 2 * i) >= objectCount) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

bool EmfRecordIsSafe(const uint8_t* record, size_t size, uint32_t handleCount)
{
    if (size < 8) {
        return false;
    }
    const uint32_t type = U32At(record, size, 0);
    for (const EmfBitmapField& field : kEmfBitmaps) {
        if (field.type == type && !EmfBitmapFits(record, size, field)) {
            return false;
        }
    }
    for (const EmfObjectRecord& object : kEmfObjectRecords) {
        if (object.type == type && !EmfSlotIsSafe(record, size, object.use, handleCount)) {
            return false;
        }
    }
    return true;
}

bool WmfRecordsAreSafe(const uint8_t* data, size_t size, size_t firstRecord)
{
    constexpr size_t kObjectCountAt = 10;
    if (size < kObjectCountAt + 2) {
        return false;
    }
    const uint32_t objectCount = U16At(data, size, kObjectCountAt);
    RecordWalker walker(RecordWalker::Style::Wmf, data, size, firstRecord);
    Record record;
    for (;;) {
        const Step step = walker.Next(&record);
        if (step != Step::Record) {
            return step == Step::End;
        }
        if (!WmfRecordBitmapFits(record) || !WmfSlotsAreSafe(record, objectCount)) {
            return false;
        }
    }
}

} // namespace zv::imaging::metafile
