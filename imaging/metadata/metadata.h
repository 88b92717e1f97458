// A photo's metadata as the host functions give it: the blocks a file carries (EXIF, XMP,
// IPTC, ICC profile), each checked by the library made for it, and the facts read from them.
// Finding the blocks is each format's own (block_finders.h); checking and interpreting them is
// shared here, so that a JPEG's EXIF and a PNG's read the same way.
#ifndef ZV_IMAGING_METADATA_METADATA_H
#define ZV_IMAGING_METADATA_METADATA_H

#include "imaging/core/source.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zv::imaging {

// Numbered as photo.h numbers them.
enum MetadataBlock : int { kBlockExif = 0, kBlockXmp = 1, kBlockIptc = 2, kBlockIcc = 3, kBlockCount = 4 };
enum MetadataField : int { kFieldDateTaken = 0, kFieldMake = 1, kFieldModel = 2, kFieldProfile = 3, kFieldCount = 4 };

// What a format's block finder took from a file, before anything is checked. A block that is
// present but empty counts as present.
struct FoundBlocks {
    std::array<std::optional<std::vector<uint8_t>>, kBlockCount> blocks;
    // Formats that state these outside an EXIF block (TIFF tags) fill them in; an EXIF block's
    // own values come second.
    std::optional<uint32_t> orientation;
    std::string dateTaken;
    std::string make;
    std::string model;
};

struct PhotoMetadata {
    std::array<std::vector<uint8_t>, kBlockCount> blocks;  // empty: absent or refused
    uint32_t refused = 0;                                  // 1 << block for each refused block
    uint32_t orientation = 1;                              // 1..8
    std::array<std::string, kFieldCount> fields;
};

// Reads the metadata of a file of any format; formats that carry none give an empty result.
PhotoMetadata ReadPhotoMetadata(const IS40Source& source);

// Checks and interprets what a finder found: refused blocks are left out.
PhotoMetadata InterpretBlocks(FoundBlocks found);

// `block` rewritten for an output file of width x height upright pixels (see photo.h); nullopt
// when the metadata holds no such block or it cannot be rewritten.
std::optional<std::vector<uint8_t>> BlockForOutput(const PhotoMetadata& metadata, int block, uint32_t width,
                                                   uint32_t height);

// Blocks and the text fields read from them are cut at this many bytes: far above any real
// photo's metadata, and it keeps a hostile file from making the reader copy much.
constexpr size_t kMaxBlockBytes = 16u << 20;

} // namespace zv::imaging

#endif
