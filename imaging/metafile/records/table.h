// The record table: record type -> reader -> player call. A reader (records/formats/) fills
// a description from the record's parameters and says false when they are malformed; the
// call (calls.h) plays the description. Records both formats have are listed once, with both
// types, and share their reader and call; each format adds its own.
#ifndef ZV_IMAGING_METAFILE_TABLE_H
#define ZV_IMAGING_METAFILE_TABLE_H

#include "imaging/metafile/player/player.h"
#include "imaging/metafile/records/reader.h"
#include "imaging/metafile/records/records.h"

#include <cstdint>
#include <span>
#include <unordered_map>

namespace zv::imaging::metafile {

// Reads one record and plays it; false when the record is malformed.
using PlayRecordFn = bool (*)(RecordReader& reader, Player& player);

template <typename Description, bool (*Read)(RecordReader&, Description*),
          void (*Call)(Player&, const Description&)>
bool ReadThenCall(RecordReader& reader, Player& player)
{
    Description description{};
    if (!Read(reader, &description)) {
        return false;
    }
    Call(player, description);
    return true;
}

// A record of one format.
struct RecordEntry {
    uint32_t type;
    PlayRecordFn play;
};

// A record both formats have (a type of 0: the format lacks it).
struct SharedEntry {
    uint32_t wmfType;
    uint32_t emfType;
    PlayRecordFn play;
};

// One format's lookup: its own entries and its side of the shared ones.
class RecordTable {
public:
    RecordTable(Layout layout, std::span<const SharedEntry> shared, std::span<const RecordEntry> own);
    // Plays one record; records the table does not know change nothing drawn here.
    bool Play(const Record& record, Player& player) const;

private:
    Layout layout_;
    std::unordered_map<uint32_t, PlayRecordFn> entries_;
};

// The tables of the two formats.
const RecordTable& WmfTable();
const RecordTable& EmfTable();

// Plays every record the walker yields with `table`, until the end or a malformed record.
bool PlayTable(const RecordTable& table, RecordWalker walker, Player& player);

} // namespace zv::imaging::metafile

#endif
