// A photo's orientation, profile and metadata as the tool uses them, over the library's
// ZvMetadata.
#ifndef ZVTOOL_PHOTO_H
#define ZVTOOL_PHOTO_H

#include "encoders.h"

#include <zvdll.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zvtool {

class PhotoMetadata {
public:
    PhotoMetadata() = default;
    // An empty path reads nothing: every query answers as for a file without metadata.
    explicit PhotoMetadata(const std::string& path) : metadata_(path.empty() ? nullptr : ZvReadMetadata(path.c_str())) {}
    PhotoMetadata(const PhotoMetadata&) = delete;
    PhotoMetadata& operator=(const PhotoMetadata&) = delete;
    ~PhotoMetadata() { ZvMetadataFree(metadata_); }

    int32_t Orientation() const { return metadata_ != nullptr ? ZvMetadataOrientation(metadata_) : 1; }
    std::string Text(int32_t field) const;
    std::vector<uint8_t> Block(int32_t block) const;
    // The block rewritten for pixels turned upright, now width x height.
    std::vector<uint8_t> BlockForOutput(int32_t block, uint32_t width, uint32_t height) const;
    uint32_t RefusedBlocks() const { return metadata_ != nullptr ? ZvMetadataRefusedBlocks(metadata_) : 0; }

private:
    ZvMetadata* metadata_ = nullptr;
};

// Orientations 5 to 8 show the stored picture on its side.
inline bool SwapsSides(int32_t orientation) { return orientation >= 5 && orientation <= 8; }

// The file's modification time in local time, as EXIF writes dates ("2024:07:14 09:30:00");
// empty when the file cannot be read.
std::string FileTimeAsExifDate(const std::string& path);

// What an orientation does, in words: "rotate 90 clockwise".
const char* DescribeOrientation(int32_t orientation);

} // namespace zvtool

#endif
