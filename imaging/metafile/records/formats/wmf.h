// Old-style Windows metafiles (WMF): turning records into player calls.
#ifndef ZV_IMAGING_METAFILE_WMF_H
#define ZV_IMAGING_METAFILE_WMF_H

#include "imaging/metafile/drawing/geometry.h"
#include "imaging/metafile/player/player.h"
#include "imaging/metafile/records/records.h"

#include <cstddef>
#include <cstdint>

namespace zv::imaging::metafile {

// Plays every record up to the end-of-file record. False when a record is malformed or runs
// outside the data; unknown records are skipped.
bool PlayWmf(const uint8_t* data, size_t size, const WmfInfo& info, Player& player);

// The window (origin and extent) of the first SetWindowExt record, with the first SetWindowOrg
// before it; false when the metafile sets no window extent.
bool FindWmfWindow(const uint8_t* data, size_t size, const WmfInfo& info, Rect* window);

} // namespace zv::imaging::metafile

#endif
