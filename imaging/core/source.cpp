#include "imaging/core/source.h"

#include "imaging/core/errors.h"
#include "platform/native_path.h"
#include "platform/page_advice.h"

#include "platform/file_mapping.h"

#include <cstring>
#include <new>

namespace zv::imaging {

bool ByteReader::Bytes(void* out, uint64_t count)
{
    if (!Has(count)) {
        return false;
    }
    if (count > 0) {
        std::memcpy(out, data_ + pos_, static_cast<size_t>(count));
    }
    pos_ += static_cast<size_t>(count);
    return true;
}

namespace {

// The block's pages are not yet touched; *bytes receives its size.
HGLOBAL AllocateFreshBlock(Format format, uint64_t width, uint64_t height, uint64_t bytesPerPixel,
                           uint64_t* bytes)
{
    if (!platform::CheckedProduct(width, height, bytesPerPixel, bytes) ||
        !platform::FitsAllocationLimit(*bytes)) {
        return Fail(format, Problem::TooLarge);
    }
    HGLOBAL block = ImageBlockAlloc(*bytes);
    if (block == nullptr) {
        return Fail(format, Problem::OutOfMemory);
    }
    return block;
}

} // namespace

HGLOBAL AllocateImageBlock(Format format, uint64_t width, uint64_t height, uint64_t bytesPerPixel)
{
    uint64_t bytes = 0;
    HGLOBAL block = AllocateFreshBlock(format, width, height, bytesPerPixel, &bytes);
    platform::AdviseHugePages(block, bytes);
    return block;
}

HGLOBAL AllocateImageBlock(Format format, uint64_t width, uint64_t height, uint64_t bytesPerPixel,
                           platform::PageMapper& pages)
{
    uint64_t bytes = 0;
    HGLOBAL block = AllocateFreshBlock(format, width, height, bytesPerPixel, &bytes);
    if (block != nullptr) {
        pages.Start(block, bytes);
    }
    return block;
}

void PrefetchWholeFile(const IS40Source& source)
{
    platform::PrefaultForReading(source.data, source.size);
}

} // namespace zv::imaging

HISSRC IS40_OpenFileSource(const char* path)
{
    using namespace zv::imaging;
    std::string native;
    if (path == nullptr || !zv::platform::ToNativePath(path, &native) || native.empty()) {
        return Fail(Format::Pixels, Problem::CannotOpen);
    }
    auto* source = new (std::nothrow) IS40Source;
    if (source == nullptr) {
        return Fail(Format::Pixels, Problem::OutOfMemory);
    }
    zv::platform::MappedBytes mapped;
    if (!zv::platform::MapFileForReading(native, &mapped)) {
        delete source;
        return Fail(Format::Pixels, Problem::CannotOpen);
    }
    source->nativePath = native;
    source->data = mapped.data;
    source->size = mapped.size;
    return source;
}

uint32_t IS40_CloseSource(HISSRC source)
{
    if (source == nullptr) {
        return 0;
    }
    zv::platform::Unmap(zv::platform::MappedBytes{source->data, source->size, source->isCopy});
    delete source;
    return 1;
}
