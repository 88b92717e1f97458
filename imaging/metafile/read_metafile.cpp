// Windows metafiles (WMF with or without the placeable header, and EMF) rendered by the
// platform's drawing backend into 24-bit RGB on white. The frame and size rules live in
// picture.cpp, shared by every backend.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/core/source.h"
#include "imaging/metafile/picture.h"
#include "imaging/metafile/render.h"
#include "platform/memory.h"

#include <memory>

namespace zv::imaging::metafile {
namespace {

constexpr uint64_t kMaxFileBytes = 256ull * 1024 * 1024;

struct SourceCloser {
    void operator()(IS40Source* source) const { IS40_CloseSource(source); }
};

HGLOBAL Render(const Picture& picture, OutputSize size)
{
    if (!SizeAllowed(size)) {
        return Fail(Format::Metafile, Problem::TooLarge);
    }
    HGLOBAL block = AllocateImageBlock(Format::Metafile, size.width, size.height, 3);
    if (block == nullptr) {
        return nullptr;
    }
    const RenderOutcome outcome = RenderToRgb(JobFor(picture, size), static_cast<uint8_t*>(block));
    if (outcome != RenderOutcome::Drawn) {
        ImageBlockFree(block);
        return Fail(Format::Metafile, outcome == RenderOutcome::OutOfMemory ? Problem::OutOfMemory
                                                                            : Problem::Corrupt);
    }
    return block;
}

} // namespace
} // namespace zv::imaging::metafile

HGLOBAL IS40_ReadMetafile(const char* path, uint32_t* width, uint32_t* height, int32_t wantedWidth,
                          int32_t wantedHeight, uint32_t, uint32_t)
{
    using namespace zv::imaging;
    using namespace zv::imaging::metafile;
    if (path == nullptr || width == nullptr || height == nullptr) {
        return Fail(Format::Metafile, Problem::BadArgument);
    }
    // Opening as a source maps the whole file and turns the library path into a native one.
    std::unique_ptr<IS40Source, SourceCloser> source(IS40_OpenFileSource(path));
    if (source == nullptr) {
        return nullptr;
    }
    if (source->size > kMaxFileBytes || !zv::platform::FitsAllocationLimit(source->size)) {
        return Fail(Format::Metafile, Problem::TooLarge);
    }
    Picture picture;
    if (!DescribePicture(source->data, source->size, &picture)) {
        return Fail(Format::Metafile, Problem::Corrupt);
    }
    const OutputSize size = DeriveSize(picture, wantedWidth, wantedHeight);
    HGLOBAL block = Render(picture, size);
    if (block != nullptr) {
        *width = static_cast<uint32_t>(size.width);
        *height = static_cast<uint32_t>(size.height);
    }
    return block;
}
