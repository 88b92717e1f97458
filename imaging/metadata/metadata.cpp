#include "imaging/metadata/metadata.h"

#include "imaging/metadata/block_finders.h"
#include "imaging/metadata/exif.h"
#include "imaging/metadata/icc_profile.h"
#include "imaging/metadata/xmp.h"

#include <cstring>
#include <utility>

namespace zv::imaging {
namespace {

using Finder = void (*)(const IS40Source&, FoundBlocks*);

// The format by its signature, never by the file's name.
Finder FinderFor(const IS40Source& source)
{
    static constexpr uint8_t kPng[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    const uint8_t* d = source.data;
    const size_t n = source.size;
    if (n >= 2 && d[0] == 0xFF && d[1] == 0xD8) {
        return FindJpegBlocks;
    }
    if (n >= 8 && std::memcmp(d, kPng, 8) == 0) {
        return FindPngBlocks;
    }
    // Classic and big TIFF in either byte order.
    if (n >= 4 && ((d[0] == 'I' && d[1] == 'I' && (d[2] == 42 || d[2] == 43) && d[3] == 0) ||
                   (d[0] == 'M' && d[1] == 'M' && d[2] == 0 && (d[3] == 42 || d[3] == 43)))) {
        return FindTiffBlocks;
    }
    if (n >= 4 && std::memcmp(d, "8BPS", 4) == 0) {
        return FindPsdBlocks;
    }
    return nullptr;
}

// Text fields: without trailing NULs and blanks (some cameras pad them), cut to a sane length.
std::string Tidy(std::string text)
{
    const size_t nul = text.find('\0');
    if (nul != std::string::npos) {
        text.resize(nul);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.pop_back();
    }
    constexpr size_t kMaxFieldBytes = 1024;
    if (text.size() > kMaxFieldBytes) {
        text.resize(kMaxFieldBytes);
    }
    return text;
}

void Accept(PhotoMetadata* metadata, int block, std::vector<uint8_t> bytes)
{
    metadata->blocks[static_cast<size_t>(block)] = std::move(bytes);
}

void Refuse(PhotoMetadata* metadata, int block)
{
    metadata->refused |= 1u << block;
}

} // namespace

PhotoMetadata InterpretBlocks(FoundBlocks found)
{
    PhotoMetadata metadata;
    std::optional<uint32_t> orientation = found.orientation;
    std::string date = std::move(found.dateTaken);
    std::string make = std::move(found.make);
    std::string model = std::move(found.model);
    if (auto& exif = found.blocks[kBlockExif]) {
        if (const std::optional<ExifFacts> facts = ReadExif(*exif)) {
            if (!orientation && facts->orientation != 0) {
                orientation = facts->orientation;
            }
            date = date.empty() ? facts->dateTaken : date;
            make = make.empty() ? facts->make : make;
            model = model.empty() ? facts->model : model;
            Accept(&metadata, kBlockExif, std::move(*exif));
        } else {
            Refuse(&metadata, kBlockExif);
        }
    }
    if (auto& profile = found.blocks[kBlockIcc]) {
        if (std::optional<std::string> description = DescribeRgbProfile(profile->data(), profile->size())) {
            metadata.fields[kFieldProfile] = Tidy(std::move(*description));
            Accept(&metadata, kBlockIcc, std::move(*profile));
        } else {
            Refuse(&metadata, kBlockIcc);
        }
    }
    // XMP and IPTC are handed over as found: neither is interpreted here.
    for (int block : {kBlockXmp, kBlockIptc}) {
        if (auto& bytes = found.blocks[static_cast<size_t>(block)]) {
            Accept(&metadata, block, std::move(*bytes));
        }
    }
    metadata.orientation = orientation && *orientation >= 1 && *orientation <= 8 ? *orientation : 1;
    metadata.fields[kFieldDateTaken] = Tidy(std::move(date));
    metadata.fields[kFieldMake] = Tidy(std::move(make));
    metadata.fields[kFieldModel] = Tidy(std::move(model));
    return metadata;
}

PhotoMetadata ReadPhotoMetadata(const IS40Source& source)
{
    FoundBlocks found;
    if (source.data != nullptr) {
        if (const Finder finder = FinderFor(source)) {
            finder(source, &found);
        }
    }
    return InterpretBlocks(std::move(found));
}

std::optional<std::vector<uint8_t>> BlockForOutput(const PhotoMetadata& metadata, int block, uint32_t width,
                                                   uint32_t height)
{
    if (block < 0 || block >= kBlockCount || metadata.blocks[static_cast<size_t>(block)].empty()) {
        return std::nullopt;
    }
    const std::vector<uint8_t>& bytes = metadata.blocks[static_cast<size_t>(block)];
    switch (block) {
    case kBlockExif:
        return ExifForOutput(bytes, width, height);
    case kBlockXmp:
        return XmpWithOrientationOne(bytes);
    default:
        return bytes;  // IPTC and the profile say nothing about orientation or size
    }
}

} // namespace zv::imaging
