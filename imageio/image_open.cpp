#include "imageio/image_open.h"

#include "frame/frame.h"
#include "imagetype/predicates.h"
#include "imaging/core/imaging.h"
#include "platform/memory.h"
#include "platform/page_advice.h"

#include <cstring>
#include <new>

namespace zv::imageio {
namespace {

// Holds the block the last reader returned and releases it on every way out.
class HeldBlock {
public:
    HeldBlock() = default;
    ~HeldBlock() { ImageBlockFree(block_); }
    HeldBlock(const HeldBlock&) = delete;
    HeldBlock& operator=(const HeldBlock&) = delete;

    void Replace(HGLOBAL block)
    {
        ImageBlockFree(block_);
        block_ = block;
    }
    const uint8_t* bytes() const { return static_cast<const uint8_t*>(block_); }
    // Gives the block up: it is the caller's from now on.
    uint8_t* Release()
    {
        auto* bytes = static_cast<uint8_t*>(block_);
        block_ = nullptr;
        return bytes;
    }
    bool empty() const { return block_ == nullptr; }

private:
    HGLOBAL block_ = nullptr;
};

struct Decoded {
    HeldBlock block;
    uint32_t width = 0;
    uint32_t height = 0;
    bool isGif = false;  // the block holds palette indices, not RGB
    uint8_t palette[1024] = {};
};

// What the caller asks of the readers besides the file.
struct OpenRequest {
    double pngGamma = 0.0;
    int32_t metaWidth = 0;
    int32_t metaHeight = 0;
    uint32_t jpegBoxWidth = 0;  // non-zero: a JPEG may decode smaller, as long as it covers
    uint32_t jpegBoxHeight = 0; // the image fitted into this box
};

// Every test is made, in this order, whatever the earlier ones found; their keys are
// disjoint, so at most one reader runs.
void ReadByKey(HISSRC source, const CString& path, const CString& key, const OpenRequest& request, Decoded* out)
{
    uint32_t& w = out->width;
    uint32_t& h = out->height;
    uint32_t ignored = 0;
    const int32_t metaWidth = request.metaWidth;
    const int32_t metaHeight = request.metaHeight;
    if (imagetype::IsJpg(key)) {
        out->block.Replace(request.jpegBoxWidth == 0
                               ? IS40_ReadJPG(source, &w, &h, 24, 0)
                               : IS40_ReadJPGToFit(source, &w, &h, request.jpegBoxWidth, request.jpegBoxHeight, 0));
    }
    if (key.CompareNoCase(".PNG") == 0) {
        if (request.pngGamma != 0.0) {
            IS40_PNGSetScreenGamma(request.pngGamma);
        }
        out->block.Replace(IS40_ReadPNG(source, &w, &h, 24, nullptr, 0));
    }
    if (key.CompareNoCase(".TIF") == 0 || key.CompareNoCase("TIFF") == 0) {
        out->block.Replace(IS40_ReadTIFF(source, &w, &h, 24, nullptr, 0, 0));
    }
    if (key.CompareNoCase(".GIF") == 0) {
        out->block.Replace(IS40_ReadGIF(source, &w, &h, &ignored, out->palette, 0));
        out->isGif = true;
    }
    if (key.CompareNoCase(".BMP") == 0) {
        out->block.Replace(IS40_ReadBMP(source, &w, &h, 24, nullptr, 0));
    }
    if (key.CompareNoCase(".TGA") == 0) {
        out->block.Replace(IS40_ReadTGA(source, &w, &h, 24, nullptr, 0));
    }
    if (key.CompareNoCase(".PCX") == 0) {
        out->block.Replace(IS40_ReadPCX(source, &w, &h, 24, nullptr, 0));
    }
    if (key.CompareNoCase(".PSD") == 0) {
        out->block.Replace(IS40_ReadPSD(source, &w, &h, 24, nullptr, 0));
    }
    if (imagetype::IsMeta(key)) {
        out->block.Replace(IS40_ReadMetafile(path, &w, &h, metaWidth, metaHeight, 0, 0));
    }
    if (key.CompareNoCase(".PCD") == 0) {
        out->block.Replace(IS40_ReadPCD(source, &w, &h, 3, 0));
    }
    if (imagetype::IsRaw(key)) {
        out->block.Replace(SARAW_ReadRAW(source, &w, &h, 24, 1.0, 1.0, 1.0, 0, -1, 0, 0, 0, 0, 0, 0, 0));
    }
}

// The host's RGB buffer. A 24-bit block already is one (blocks come from the host buffers'
// allocator), so the pixels never move; GIF palette indices are converted into a new buffer.
// Throws std::bad_alloc when that buffer can't be had.
uint8_t* TakeRgbBuffer(Decoded* image)
{
    if (!image->isGif) {
        return image->block.Release();
    }
    const uint64_t bytes = static_cast<uint64_t>(image->width) * image->height * 3;
    uint8_t* buffer = platform::NewPixelBuffer(bytes);
    platform::AdviseHugePages(buffer, bytes);
    IS40_8BitToRGB(image->block.bytes(), image->width, image->height, image->width, buffer, image->width * 3, 256,
                   image->palette, 0);
    return buffer;
}

int32_t Open(const char* path, const OpenRequest& request, uint8_t** rgbOut, int32_t* width, int32_t* height)
{
    frame::WaitCursor waitCursor;
    const CString libraryPath(path);
    const CString key = imagetype::ExtensionKey(libraryPath);
    HISSRC source = IS40_OpenFileSource(libraryPath);
    if (source == nullptr) {
        IS40_CloseSource(nullptr);
        return 0;
    }
    Decoded image;
    ReadByKey(source, libraryPath, key, request, &image);
    IS40_CloseSource(source);
    if (image.block.empty()) {
        return 0;
    }
    uint8_t* buffer = nullptr;
    try {
        buffer = TakeRgbBuffer(&image);
    } catch (const std::bad_alloc&) {
        frame::ReportOutOfMemory();
        return 0;
    }
    if (rgbOut == nullptr) {
        delete[] buffer;  // nobody to hand it to
    } else {
        *rgbOut = buffer;
    }
    if (width != nullptr) {
        *width = static_cast<int32_t>(image.width);
    }
    if (height != nullptr) {
        *height = static_cast<int32_t>(image.height);
    }
    return 1;
}

} // namespace

int32_t OpenImageFile(const char* path, uint8_t** rgbOut, int32_t* width, int32_t* height,
                      double pngGamma, int32_t metaWidth, int32_t metaHeight)
{
    return Open(path, OpenRequest{pngGamma, metaWidth, metaHeight, 0, 0}, rgbOut, width, height);
}

int32_t OpenImageFileForSize(const char* path, uint8_t** rgbOut, int32_t* width, int32_t* height,
                             int32_t maxWidth, int32_t maxHeight)
{
    OpenRequest request;
    if (maxWidth > 0 && maxHeight > 0) {
        request.metaWidth = maxWidth;
        request.metaHeight = maxHeight;
        request.jpegBoxWidth = static_cast<uint32_t>(maxWidth);
        request.jpegBoxHeight = static_cast<uint32_t>(maxHeight);
    }
    return Open(path, request, rgbOut, width, height);
}

} // namespace zv::imageio
