// One bounded reader for the parameters of a record of either format. Every read is checked
// against the record's end and fails without moving once it would pass it. The format decides
// the width of the values that both formats store: WMF keeps 16-bit words and lists a call's
// arguments last to first; EMF keeps 32-bit values in call order. Arrays of points and the
// records' own fixed fields are read alike in both.
#ifndef ZV_IMAGING_METAFILE_READER_H
#define ZV_IMAGING_METAFILE_READER_H

#include "imaging/core/source.h"
#include "imaging/metafile/drawing/dib.h"
#include "imaging/metafile/drawing/geometry.h"
#include "imaging/metafile/records/records.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zv::imaging::metafile {

enum class Layout { Wmf, Emf };

// What came of reading a bitmap out of a record.
enum class BitmapRead { Drawn, Skipped, Corrupt };

class RecordReader {
public:
    RecordReader(Layout layout, const Record& record);

    bool IsEmf() const { return layout_ == Layout::Emf; }
    uint32_t Type() const { return record_.type; }
    size_t RecordSize() const { return record_.size; }

    // Fixed-width values, little-endian.
    bool U16(uint16_t* out) { return reader_.U16LE(out); }
    bool U32(uint32_t* out) { return reader_.U32LE(out); }
    bool S16(double* out);
    bool S32(double* out);
    bool Float(double* out);
    bool Skip(size_t count) { return reader_.Skip(count); }
    bool Has(size_t count) const { return reader_.Has(count); }
    const uint8_t* Current() const { return reader_.current(); }
    size_t Remaining() const { return reader_.remaining(); }

    // Values in the format's width: an unsigned one (a mode, a count, a style) and a signed
    // coordinate.
    bool Uint(uint32_t* out);
    bool Coord(double* out);
    // A call's N coordinate arguments in call order, whichever order the format stores them in.
    template <size_t N>
    bool Args(std::array<double, N>* out)
    {
        for (double& value : *out) {
            if (!Coord(&value)) {
                return false;
            }
        }
        if (layout_ == Layout::Wmf) {
            std::reverse(out->begin(), out->end());
        }
        return true;
    }
    // A point or a rectangle passed as arguments (x, y; left, top, right, bottom).
    bool ArgPoint(Point* out);
    bool ArgRect(Rect* out);
    // An object slot: EMF records name theirs; WMF objects take the lowest free slot (-1).
    bool CreatedIndex(int64_t* out);
    // The bounds rectangle that EMF drawing records start with (unused here); nothing in WMF.
    bool Bounds() { return layout_ == Layout::Wmf || reader_.Skip(16); }

    // A COLORREF (0x00BBGGRR).
    bool Colour(Color* out);
    // An XFORM: six floats.
    bool Xform(Affine* out);
    // `count` points stored x then y, 16 or 32 bits a coordinate.
    bool Points(size_t count, bool wide, std::vector<Point>* out);
    // A rectangle stored left, top, right, bottom in 32-bit values.
    bool Rectl(Rect* out);
    // `count` UTF-16 units at an offset from the record's start, decoded; unpaired surrogates
    // become U+FFFD. False when any of them lies outside the record.
    bool Utf16At(uint64_t offset, uint64_t count, std::u32string* out) const;
    // `count` bytes followed by padding to an even count (WMF strings).
    bool PaddedBytes(size_t count, const uint8_t** out);
    // A byte range given by offset from the record's start and length; false when any of it
    // lies outside the record.
    bool Range(uint64_t offset, uint64_t length, const uint8_t** out) const;

    // A packed bitmap (header, colours and rows) in the rest of the record, or one whose
    // header and rows lie at offsets in the record. Drawn fills `bitmap`; Skipped is a valid
    // bitmap of a kind not drawn here; Corrupt one that contradicts its bytes. `bottomUp`
    // says whether the rows are stored bottom row first.
    BitmapRead PackedBitmap(Bitmap* bitmap, bool* bottomUp);
    BitmapRead PlacedBitmap(uint32_t infoOffset, uint32_t infoSize, uint32_t bitsOffset,
                            uint32_t bitsSize, Bitmap* bitmap, bool* bottomUp);

private:
    Layout layout_;
    const Record& record_;
    ByteReader reader_;
};

// One RGNDATA block of `dataSize` bytes: a 32-byte header giving the rectangle count, then the
// rectangles (device units). Less than a header is an empty region.
bool ReadRegionData(RecordReader& reader, uint32_t dataSize, std::vector<Rect>* rects);

} // namespace zv::imaging::metafile

#endif
