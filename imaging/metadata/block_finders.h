// Finding the metadata blocks in each format's own container, with that format's library
// where there is one. Finders only take bytes out; checking them is metadata.cpp's job.
#ifndef ZV_IMAGING_METADATA_BLOCK_FINDERS_H
#define ZV_IMAGING_METADATA_BLOCK_FINDERS_H

#include "imaging/core/source.h"
#include "imaging/metadata/metadata.h"

#include <cstddef>
#include <cstdint>

namespace zv::imaging {

// Each fills `found` with what it can read; a file damaged part way gives what came before the
// damage.
void FindJpegBlocks(const IS40Source& source, FoundBlocks* found);
void FindPngBlocks(const IS40Source& source, FoundBlocks* found);
void FindTiffBlocks(const IS40Source& source, FoundBlocks* found);
void FindPsdBlocks(const IS40Source& source, FoundBlocks* found);

// Walks Photoshop image resources ("8BIM", id, padded name, length, padded data), as PSD files
// and JPEG's APP13 hold them, and stores the ones that are metadata blocks: 0x0404 IPTC, and
// with `allBlocks` also 0x040F ICC, 0x0422 EXIF and 0x0424 XMP. The first of each wins.
void FindPhotoshopResources(const uint8_t* data, size_t size, bool allBlocks, FoundBlocks* found);

} // namespace zv::imaging

#endif
