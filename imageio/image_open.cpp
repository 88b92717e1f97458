#include "imageio/image_open.h"

#include "frame/frame.h"
#include "imageio/type_keys.h"
#include "imaging/imaging.h"
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
    ~HeldBlock() { GlobalFree(block_); }
    HeldBlock(const HeldBlock&) = delete;
    HeldBlock& operator=(const HeldBlock&) = delete;

    void Replace(HGLOBAL block)
    {
        GlobalFree(block_);
        block_ = block;
    }
    const uint8_t* bytes() const { return static_cast<const uint8_t*>(block_); }
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

// Every test is made, in this order, whatever the earlier ones found; their keys are
// disjoint, so at most one reader runs.
void ReadByKey(HISSRC source, const CString& path, const CString& key, double pngGamma,
               int32_t metaWidth, int32_t metaHeight, Decoded* out)
{
    uint32_t& w = out->width;
    uint32_t& h = out->height;
    uint32_t ignored = 0;
    if (KeyIsJpg(key)) {
        out->block.Replace(IS40_ReadJPG(source, &w, &h, 24, 0));
    }
    if (key.CompareNoCase(".PNG") == 0) {
        if (pngGamma != 0.0) {
            IS40_PNGSetScreenGamma(pngGamma);
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
    if (KeyIsMeta(key)) {
        out->block.Replace(IS40_ReadMetafile(path, &w, &h, metaWidth, metaHeight, 0, 0));
    }
    if (key.CompareNoCase(".PCD") == 0) {
        out->block.Replace(IS40_ReadPCD(source, &w, &h, 3, 0));
    }
    if (KeyIsRaw(key)) {
        out->block.Replace(SARAW_ReadRAW(source, &w, &h, 24, 1.0, 1.0, 1.0, 0, -1, 0, 0, 0, 0, 0, 0, 0));
    }
}

// The one move of the pixels into the host's buffer: a palette conversion for GIF, a plain
// copy otherwise.
void FillBuffer(const Decoded& image, uint8_t* buffer, uint64_t bytes)
{
    if (image.isGif) {
        IS40_8BitToRGB(image.block.bytes(), image.width, image.height, image.width, buffer,
                       image.width * 3, 256, image.palette, 0);
    } else {
        std::memcpy(buffer, image.block.bytes(), bytes);
    }
}

} // namespace

CString ExtensionKey(const CString& path)
{
    return path.Right(4);
}

int32_t OpenImageFile(const char* path, uint8_t** rgbOut, int32_t* width, int32_t* height,
                      double pngGamma, int32_t metaWidth, int32_t metaHeight)
{
    frame::WaitCursor waitCursor;
    const CString libraryPath(path);
    const CString key = ExtensionKey(libraryPath);
    HISSRC source = IS40_OpenFileSource(libraryPath);
    if (source == nullptr) {
        IS40_CloseSource(nullptr);
        return 0;
    }
    Decoded image;
    ReadByKey(source, libraryPath, key, pngGamma, metaWidth, metaHeight, &image);
    IS40_CloseSource(source);
    if (image.block.empty()) {
        return 0;
    }
    // In 64 bits: the readers already held the image to the allocation limit.
    const uint64_t bytes = static_cast<uint64_t>(image.width) * image.height * 3;
    uint8_t* buffer = nullptr;
    try {
        buffer = platform::NewPixelBuffer(bytes);
    } catch (const std::bad_alloc&) {
        frame::ReportOutOfMemory();
        return 0;
    }
    platform::AdviseHugePages(buffer, bytes);
    FillBuffer(image, buffer, bytes);
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

} // namespace zv::imageio
