// Photo metadata exports: each opens the per-call frame and hands over to imaging/metadata.
#include "zvdll.h"

#include "exports/hand_over.h"
#include "frame/frame.h"
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/core/source.h"
#include "imaging/metadata/metadata.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <utility>

struct ZvMetadata {
    zv::imaging::PhotoMetadata content;
};

namespace {

using namespace zv::imaging;

// Reads a source into a new ZvMetadata; null with error 1 when memory runs out.
ZvMetadata* ReadFrom(const IS40Source& source)
{
    try {
        return new ZvMetadata{ReadPhotoMetadata(source)};
    } catch (const std::bad_alloc&) {
        SetLastError(kErrOutOfMemory);
        return nullptr;
    }
}

bool ValidBlock(int32_t block)
{
    return block >= 0 && block < kBlockCount;
}

} // namespace

extern "C" {

ZV_API ZvMetadata* ZvReadMetadata(const char* path)
{
    ZV_EXPORT_FRAME;
    HISSRC source = IS40_OpenFileSource(path);  // sets error 2 when the file cannot be opened
    if (source == nullptr) {
        return nullptr;
    }
    ZvMetadata* metadata = ReadFrom(*source);
    IS40_CloseSource(source);
    return metadata;
}

ZV_API ZvMetadata* ZvReadMetadataFromMemory(const void* data, size_t size)
{
    ZV_EXPORT_FRAME;
    if (data == nullptr && size > 0) {
        SetLastError(kErrBadParameter);
        return nullptr;
    }
    // The caller's bytes are only read during the call: a view of them, not a copy.
    IS40Source source;
    source.data = static_cast<const uint8_t*>(data);
    source.size = data != nullptr ? size : 0;
    return ReadFrom(source);
}

ZV_API void ZvMetadataFree(ZvMetadata* metadata)
{
    ZV_EXPORT_FRAME;
    delete metadata;
}

ZV_API int32_t ZvMetadataOrientation(const ZvMetadata* metadata)
{
    ZV_EXPORT_FRAME;
    if (metadata == nullptr) {
        SetLastError(kErrBadParameter);
        return 1;
    }
    return static_cast<int32_t>(metadata->content.orientation);
}

ZV_API const uint8_t* ZvMetadataBlock(const ZvMetadata* metadata, int32_t block, size_t* size)
{
    ZV_EXPORT_FRAME;
    if (size != nullptr) {
        *size = 0;
    }
    if (metadata == nullptr || !ValidBlock(block)) {
        SetLastError(kErrBadParameter);
        return nullptr;
    }
    const std::vector<uint8_t>& bytes = metadata->content.blocks[static_cast<size_t>(block)];
    if (bytes.empty()) {
        return nullptr;
    }
    if (size != nullptr) {
        *size = bytes.size();
    }
    return bytes.data();
}

ZV_API uint32_t ZvMetadataRefusedBlocks(const ZvMetadata* metadata)
{
    ZV_EXPORT_FRAME;
    if (metadata == nullptr) {
        SetLastError(kErrBadParameter);
        return 0;
    }
    return metadata->content.refused;
}

ZV_API ZvString* ZvMetadataText(const ZvMetadata* metadata, int32_t field)
{
    ZV_EXPORT_FRAME;
    if (metadata == nullptr || field < 0 || field >= kFieldCount) {
        SetLastError(kErrBadParameter);
        return zv::exports::HandOver(zv::CString());
    }
    const std::string& text = metadata->content.fields[static_cast<size_t>(field)];
    return zv::exports::HandOver(zv::CString(text.c_str()));
}

ZV_API uint8_t* ZvMetadataBlockForOutput(const ZvMetadata* metadata, int32_t block, int32_t width, int32_t height,
                                         size_t* size)
{
    ZV_EXPORT_FRAME;
    if (size != nullptr) {
        *size = 0;
    }
    if (metadata == nullptr || !ValidBlock(block) || width <= 0 || height <= 0 || size == nullptr) {
        SetLastError(kErrBadParameter);
        return nullptr;
    }
    try {
        const std::optional<std::vector<uint8_t>> bytes =
            BlockForOutput(metadata->content, block, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
        if (!bytes || bytes->empty()) {
            return nullptr;
        }
        // Released by ZvFreeBuffer, which deletes an array of bytes.
        auto* buffer = new uint8_t[bytes->size()];
        std::copy(bytes->begin(), bytes->end(), buffer);
        *size = bytes->size();
        return buffer;
    } catch (const std::bad_alloc&) {
        SetLastError(kErrOutOfMemory);
        return nullptr;
    }
}

} // extern "C"
