// Walking the records of old-style (WMF, with or without the placeable header) and enhanced
// (EMF) metafiles, and reading their headers. Every record is checked to lie inside the file
// before anyone reads it.
#ifndef ZV_IMAGING_METAFILE_RECORDS_H
#define ZV_IMAGING_METAFILE_RECORDS_H

#include "imaging/metafile/geometry.h"

#include <cstddef>
#include <cstdint>

namespace zv::imaging::metafile {

struct Record {
    uint32_t type = 0;
    const uint8_t* data = nullptr;  // the whole record, header included
    size_t size = 0;
    size_t headerSize = 0;          // bytes before the parameters
};

enum class Step { Record, End, Corrupt };

// Steps through the records that follow a header. A record whose size is too small or runs
// past the data is Corrupt; the end-of-file record or the end of the data is End.
class RecordWalker {
public:
    enum class Style { Wmf, Emf };
    RecordWalker(Style style, const uint8_t* data, size_t size, size_t firstRecord);
    Step Next(Record* record);

private:
    Style style_;
    const uint8_t* data_;
    size_t size_;
    size_t position_;
};

// Hands every record to `play` (a callable taking a Record and returning false when the record
// is invalid) until the end. False for a malformed record or one `play` refuses. Once `stopped()`
// says drawing is over (the work budget is spent), the rest is still walked, so that a malformed
// tail is noticed, but not played.
template <typename Play, typename Stopped>
bool PlayRecords(RecordWalker walker, Play play, Stopped stopped)
{
    Record record;
    for (;;) {
        const Step step = walker.Next(&record);
        if (step == Step::Corrupt) {
            return false;
        }
        if (step == Step::End) {
            return true;
        }
        if (!stopped() && !play(record)) {
            return false;
        }
    }
}

struct WmfInfo {
    bool placeable = false;
    Rect boundingBox;           // placeable only, in the metafile's logical units
    double unitsPerInch = 0;    // placeable only
    size_t firstRecord = 0;
};

struct EmfInfo {
    Rect bounds;                // device units, inclusive edges
    Rect frame;                 // hundredths of a millimetre, inclusive edges
    double deviceUnitsPerMmX = 0;
    double deviceUnitsPerMmY = 0;
    size_t firstRecord = 0;
};

// True when the data starts like a placeable or plain WMF; fills `info`.
bool ReadWmfInfo(const uint8_t* data, size_t size, WmfInfo* info);
// True when the data starts with an EMF header record; fills `info`.
bool ReadEmfInfo(const uint8_t* data, size_t size, EmfInfo* info);

} // namespace zv::imaging::metafile

#endif
