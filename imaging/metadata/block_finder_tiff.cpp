// TIFF's metadata through libtiff: the first image's Orientation, ICC profile, XMP packet and
// IPTC tags, its Make, Model and DateTime, and DateTimeOriginal from its EXIF directory. A TIFF
// is itself the structure an EXIF block has, so it carries no separate EXIF block.
#include "imaging/codecs/tiff/tiff_file.h"
#include "imaging/metadata/block_finders.h"

#include <algorithm>
#include <utility>

#include <tiffio.h>

namespace zv::imaging {
namespace {

void KeepBytes(TIFF* tiff, ttag_t tag, std::optional<std::vector<uint8_t>>* slot)
{
    uint32_t count = 0;
    const void* data = nullptr;
    if (TIFFGetField(tiff, tag, &count, &data) == 1 && data != nullptr && count <= kMaxBlockBytes) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        slot->emplace(bytes, bytes + count);
    }
}

std::string Text(TIFF* tiff, ttag_t tag)
{
    const char* text = nullptr;
    if (TIFFGetField(tiff, tag, &text) == 1 && text != nullptr) {
        return std::string(text);
    }
    return {};
}

// IPTC records are bytes, but libtiff has declared the tag as 32-bit words in some versions
// and as bytes in others. Words come in the machine's byte order, so a file of the other byte
// order has each word turned back.
void KeepIptc(TIFF* tiff, std::optional<std::vector<uint8_t>>* slot)
{
    const TIFFField* field = TIFFFieldWithTag(tiff, TIFFTAG_RICHTIFFIPTC);
    const bool words = field != nullptr && TIFFFieldDataType(field) == TIFF_LONG;
    uint32_t count = 0;
    const uint8_t* data = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_RICHTIFFIPTC, &count, &data) != 1 || data == nullptr) {
        return;
    }
    const uint64_t size = uint64_t{count} * (words ? 4 : 1);
    if (size > kMaxBlockBytes) {
        return;
    }
    std::vector<uint8_t> iptc(data, data + size);
    if (words && TIFFIsByteSwapped(tiff)) {
        for (size_t i = 0; i + 4 <= iptc.size(); i += 4) {
            std::swap(iptc[i], iptc[i + 3]);
            std::swap(iptc[i + 1], iptc[i + 2]);
        }
    }
    *slot = std::move(iptc);
}

} // namespace

void FindTiffBlocks(const IS40Source& source, FoundBlocks* found)
{
    const TiffFile file(source);
    TIFF* tiff = file.get();
    if (tiff == nullptr) {
        return;
    }
    // The TIFF reader applies the Orientation tag itself, so the pixels it gives are upright
    // already: the turn they still need is none, whatever the tag says.
    found->orientation = 1;
    KeepBytes(tiff, TIFFTAG_ICCPROFILE, &found->blocks[kBlockIcc]);
    KeepBytes(tiff, TIFFTAG_XMLPACKET, &found->blocks[kBlockXmp]);
    KeepIptc(tiff, &found->blocks[kBlockIptc]);
    found->make = Text(tiff, TIFFTAG_MAKE);
    found->model = Text(tiff, TIFFTAG_MODEL);
    found->dateTaken = Text(tiff, TIFFTAG_DATETIME);
    // Reading the EXIF directory replaces the current one, so it comes last.
    uint64_t exifAt = 0;
    if (TIFFGetField(tiff, TIFFTAG_EXIFIFD, &exifAt) == 1 && exifAt != 0 && TIFFReadEXIFDirectory(tiff, exifAt) == 1) {
        std::string original = Text(tiff, EXIFTAG_DATETIMEORIGINAL);
        if (!original.empty()) {
            found->dateTaken = std::move(original);
        }
    }
}

} // namespace zv::imaging
