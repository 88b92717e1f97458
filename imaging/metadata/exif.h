// EXIF blocks through libexif: checking, reading the facts a host shows, and rewriting a block
// for an upright output file. Blocks are TIFF-structured, without JPEG's "Exif\0\0".
#ifndef ZV_IMAGING_METADATA_EXIF_H
#define ZV_IMAGING_METADATA_EXIF_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zv::imaging {

struct ExifFacts {
    uint32_t orientation = 0;  // 0 when the block has none
    std::string dateTaken;     // DateTimeOriginal, else DateTime
    std::string make;
    std::string model;
};

// Whether the block's directories, their entry tables and values all lie inside it, without
// loops. Checked before libexif loads a block, since libexif loads damaged blocks in part.
bool ExifStructureIsSound(const uint8_t* data, size_t size);

// The block's facts; nullopt when it is refused: structurally damaged, reported corrupt by
// libexif, or without an IFD0.
std::optional<ExifFacts> ReadExif(const std::vector<uint8_t>& block);

// The block with Orientation 1, PixelXDimension and PixelYDimension set to width x height, and
// no thumbnail (neither its bytes nor IFD1); nullopt when the block is refused.
std::optional<std::vector<uint8_t>> ExifForOutput(const std::vector<uint8_t>& block, uint32_t width, uint32_t height);

} // namespace zv::imaging

#endif
