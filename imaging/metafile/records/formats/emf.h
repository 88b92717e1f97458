// Enhanced Windows metafiles (EMF): turning records into player calls.
#ifndef ZV_IMAGING_METAFILE_EMF_H
#define ZV_IMAGING_METAFILE_EMF_H

#include "imaging/metafile/player/player.h"
#include "imaging/metafile/records/records.h"

#include <cstddef>
#include <cstdint>

namespace zv::imaging::metafile {

// Plays every record after the header up to the end-of-file record. False when a record is
// malformed or points outside itself; unknown records are skipped.
bool PlayEmf(const uint8_t* data, size_t size, const EmfInfo& info, Player& player);

} // namespace zv::imaging::metafile

#endif
