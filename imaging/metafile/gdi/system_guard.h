// What the system's metafile player cannot be handed safely. The reader's own check walk
// accepts some records that its player merely skips (a bitmap too large to draw, an object
// slot beyond the handle table); the system's player takes the same records at their word and
// reads or writes outside the record (seen under Wine: a page fault, or the test process
// stuck in the crash debugger). These checks run before the system sees a record.
#ifndef ZV_IMAGING_METAFILE_GDI_SYSTEM_GUARD_H
#define ZV_IMAGING_METAFILE_GDI_SYSTEM_GUARD_H

#include <cstddef>
#include <cstdint>

namespace zv::imaging::metafile {

// Whether an enhanced record can be played by the system: its bitmaps hold every row their
// headers claim, and the object slot it creates, selects or deletes lies inside the player's
// handle table of `handleCount` entries. A record that cannot is skipped, as the reader's own
// player skips it.
bool EmfRecordIsSafe(const uint8_t* record, size_t size, uint32_t handleCount);

// Whether every bitmap in an old-style file's records (header first, no placeable header)
// holds the rows its header claims, and every object slot a record names lies inside the
// header's object count. The system converts or plays the whole file at once, so a file that
// fails this is refused.
bool WmfRecordsAreSafe(const uint8_t* data, size_t size, size_t firstRecord);

} // namespace zv::imaging::metafile

#endif
