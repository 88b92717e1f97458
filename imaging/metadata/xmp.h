// XMP packets as text: the one edit an upright output needs.
#ifndef ZV_IMAGING_METADATA_XMP_H
#define ZV_IMAGING_METADATA_XMP_H

#include <cstdint>
#include <vector>

namespace zv::imaging {

// The packet with every tiff:Orientation value set to 1, whether it is written as an attribute
// (tiff:Orientation="6") or as an element (<tiff:Orientation>6</tiff:Orientation>). The rest of
// the packet is kept byte for byte.
std::vector<uint8_t> XmpWithOrientationOne(const std::vector<uint8_t>& packet);

} // namespace zv::imaging

#endif
