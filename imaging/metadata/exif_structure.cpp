// The structural check of an EXIF block that runs before libexif sees it. libexif survives
// damaged blocks by loading what it can and saying so only in debug messages: a directory that
// claims more entries than the block holds loads the few that fit, one that points back at
// itself is skipped the second time, a cut-off block loads nothing. Such a block is damaged or
// made to be hostile, so it is refused as a whole instead of read in part.
#include "imaging/metadata/exif.h"

#include "imaging/core/source.h"

#include <array>

namespace zv::imaging {
namespace {

// IFD0, the EXIF, GPS and interoperability directories and the thumbnail's IFD1.
constexpr size_t kMaxDirectories = 5;

enum : uint16_t { kExifPointer = 0x8769, kGpsPointer = 0x8825, kInteropPointer = 0xA005 };

uint64_t TypeSize(uint16_t type)
{
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;  // BYTE, ASCII, SBYTE, UNDEFINED
    case 3: case 8: return 2;                  // SHORT, SSHORT
    case 4: case 9: case 11: return 4;         // LONG, SLONG, FLOAT
    case 5: case 10: case 12: return 8;        // RATIONAL, SRATIONAL, DOUBLE
    default: return 0;                         // unknown: libexif skips the entry
    }
}

class ExifWalker {
public:
    ExifWalker(const uint8_t* data, size_t size, bool bigEndian) : reader_(data, size), bigEndian_(bigEndian) {}

    // Checks the directory at `offset` and those its pointers lead to: IFD0 may point at the
    // EXIF and GPS directories and IFD1, the EXIF directory at the interoperability one.
    bool Directory(uint32_t offset, bool isIfd0, bool isExif)
    {
        for (size_t i = 0; i < visited_; ++i) {
            if (seen_[i] == offset) {
                return false;  // a loop
            }
        }
        if (visited_ == kMaxDirectories) {
            return false;
        }
        seen_[visited_++] = offset;
        uint16_t count = 0;
        if (!reader_.Seek(offset) || !U16(&count) || !reader_.Has(uint64_t{count} * 12)) {
            return false;
        }
        const uint64_t tableEnd = uint64_t{offset} + 2 + uint64_t{count} * 12;
        for (uint32_t i = 0; i < count; ++i) {
            uint16_t tag = 0;
            uint16_t type = 0;
            uint32_t components = 0;
            uint32_t value = 0;
            if (!reader_.Seek(uint64_t{offset} + 2 + uint64_t{i} * 12) || !U16(&tag) || !U16(&type) ||
                !U32(&components) || !U32(&value)) {
                return false;
            }
            const uint64_t bytes = uint64_t{components} * TypeSize(type);
            if (bytes > 4) {
                valueBytes_ += bytes;
                // Values lie inside the block, and together they cannot take more than it holds
                // twice over: entries sharing one large value would multiply what libexif copies.
                if (uint64_t{value} + bytes > reader_.size() || valueBytes_ > 2 * uint64_t{reader_.size()}) {
                    return false;
                }
            }
            const bool pointer = (isIfd0 && (tag == kExifPointer || tag == kGpsPointer)) ||
                                 (isExif && tag == kInteropPointer);
            if (pointer && value != 0 && !Directory(value, false, tag == kExifPointer)) {
                return false;
            }
        }
        // IFD0's link leads to the thumbnail's directory; IFD1's own link is never followed.
        uint32_t next = 0;
        if (isIfd0 && reader_.Seek(tableEnd) && U32(&next) && next != 0) {
            return Directory(next, false, false);
        }
        return true;
    }

private:
    bool U16(uint16_t* out) { return bigEndian_ ? reader_.U16BE(out) : reader_.U16LE(out); }
    bool U32(uint32_t* out) { return bigEndian_ ? reader_.U32BE(out) : reader_.U32LE(out); }

    ByteReader reader_;
    bool bigEndian_;
    std::array<uint32_t, kMaxDirectories> seen_{};
    size_t visited_ = 0;
    uint64_t valueBytes_ = 0;
};

} // namespace

bool ExifStructureIsSound(const uint8_t* data, size_t size)
{
    if (data == nullptr || size < 8) {
        return false;
    }
    const bool little = data[0] == 'I' && data[1] == 'I' && data[2] == 42 && data[3] == 0;
    const bool big = data[0] == 'M' && data[1] == 'M' && data[2] == 0 && data[3] == 42;
    if (!little && !big) {
        return false;
    }
    ByteReader header(data, size);
    uint32_t ifd0 = 0;
    if (!header.Seek(4) || !(big ? header.U32BE(&ifd0) : header.U32LE(&ifd0))) {
        return false;
    }
    ExifWalker walker(data, size, big);
    return walker.Directory(ifd0, true, false);
}

} // namespace zv::imaging
