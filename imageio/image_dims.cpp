#include "imageio/image_dims.h"

#include "frame/frame.h"
#include "imageio/image_open.h"
#include "imagetype/predicates.h"
#include "imaging/core/imaging.h"

#include <cstring>

namespace zv::imageio {
namespace {

// Photo CD files are not read to be measured: their Base image always has this size.
constexpr uint32_t kPhotoCdWidth = 768;
constexpr uint32_t kPhotoCdHeight = 512;
// Metafiles have no size of their own to read; they are rendered this large to learn it.
constexpr int32_t kMetafileProbeSize = 100;

struct Measured {
    int32_t result = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bits = 0;
    IS40DimInfo info{};
};

int32_t AsResult(uint32_t value)
{
    return static_cast<int32_t>(value);
}

// PNG colour types 0 (greyscale) and 3 (palette) are 8 bits a pixel; the others, alpha
// included, are reported as 24.
uint32_t PngBitsPerPixel(uint32_t colourType)
{
    return (colourType == 0 || colourType == 3) ? 8 : 24;
}

// Every test is made, in this order, whatever the earlier ones found; their keys are
// disjoint, so at most one measurement runs.
void MeasureByKey(HISSRC source, const CString& path, const CString& key, Measured* m)
{
    uint32_t ignored = 0;
    if (imagetype::IsJpg(key)) {
        m->result = AsResult(IS40_GetJPGDims(source, &m->width, &m->height, &m->bits, &ignored, &ignored,
                                             &m->info, 0));
    }
    if (key.CompareNoCase(".PNG") == 0) {
        uint32_t colourType = 0;
        m->result = AsResult(IS40_GetPNGDims(source, &m->width, &m->height, &ignored, &colourType, &ignored,
                                             nullptr, &ignored, &ignored, &ignored, &ignored, &m->info, 0));
        m->bits = PngBitsPerPixel(colourType);
    }
    if (key.CompareNoCase(".TIF") == 0 || key.CompareNoCase("TIFF") == 0) {
        m->result = AsResult(IS40_GetTIFFDims(source, 0, &m->width, &m->height, &m->bits, &m->info, 0));
    }
    if (key.CompareNoCase(".GIF") == 0) {
        uint8_t palette[1024];
        m->result = AsResult(IS40_GetGIFDims(source, &m->width, &m->height, &m->bits, &ignored, &ignored,
                                             palette, &ignored, 0));
    }
    if (key.CompareNoCase(".BMP") == 0) {
        m->result = AsResult(IS40_GetBMPDims(source, &m->width, &m->height, &m->bits, &m->info, 0));
    }
    if (key.CompareNoCase(".TGA") == 0) {
        m->result = AsResult(IS40_GetTGADims(source, &m->width, &m->height, &m->bits, 0));
    }
    if (key.CompareNoCase(".PCX") == 0) {
        m->result = AsResult(IS40_GetPCXDims(source, &m->width, &m->height, &m->bits, &m->info, 0));
    }
    if (key.CompareNoCase(".PSD") == 0) {
        uint32_t channels = 0;
        m->result = AsResult(IS40_GetPSDDims(source, &m->width, &m->height, &channels, &m->info, 0));
        // The document's stored depth, as the other measurements report theirs.
        m->bits = m->result != 0 ? channels * m->info.bitsPerSample : 0;
    }
    if (imagetype::IsMeta(key)) {
        HGLOBAL block = IS40_ReadMetafile(path, &m->width, &m->height, kMetafileProbeSize,
                                          kMetafileProbeSize, 0, 0);
        m->result = block != nullptr ? 1 : 0;
        m->bits = 24;  // a metafile is always rendered in 24-bit colour
        ImageBlockFree(block);
    }
    if (key.CompareNoCase(".PCD") == 0) {
        m->width = kPhotoCdWidth;
        m->height = kPhotoCdHeight;
        m->bits = 24;  // Photo CD images are 24-bit YCC
    }
    if (imagetype::IsRaw(key)) {
        m->bits = 24;
        char maker[64];
        char model[72];
        double iso = 0.0;
        double shutter = 0.0;
        double aperture = 0.0;
        double focalLength = 0.0;
        m->result = AsResult(SARAW_GetRAWDims(source, &m->width, &m->height, maker, model, &iso, &shutter,
                                              &aperture, &focalLength, 0));
    }
}

} // namespace

int32_t GetImageDims(const char* path, int32_t* width, int32_t* height, int32_t* bitsPerPixel, void* info)
{
    frame::WaitCursor waitCursor;
    const CString libraryPath(path);
    const CString key = imagetype::ExtensionKey(libraryPath);
    HISSRC source = IS40_OpenFileSource(libraryPath);
    if (source == nullptr) {
        IS40_CloseSource(nullptr);
        return 0;
    }
    Measured measured;
    MeasureByKey(source, libraryPath, key, &measured);
    IS40_CloseSource(source);
    if (width != nullptr) {
        *width = static_cast<int32_t>(measured.width);
    }
    if (height != nullptr) {
        *height = static_cast<int32_t>(measured.height);
    }
    if (bitsPerPixel != nullptr) {
        *bitsPerPixel = static_cast<int32_t>(measured.bits);
    }
    if (info != nullptr) {
        std::memcpy(info, &measured.info, sizeof measured.info);
    }
    return measured.result;
}

int32_t GetRawInfo(const char* path, int32_t* width, int32_t* height, char* rawBufferA, char* rawBufferB,
                   double* rawValue1, double* rawValue2, double* rawValue3, double* rawValue4,
                   int32_t rawOption)
{
    const CString libraryPath(path);
    const CString key = imagetype::ExtensionKey(libraryPath);
    HISSRC source = IS40_OpenFileSource(libraryPath);
    if (source == nullptr) {
        IS40_CloseSource(nullptr);
        return 0;
    }
    int32_t result = 0;
    if (imagetype::IsRaw(key)) {
        result = AsResult(SARAW_GetRAWDims(source, reinterpret_cast<uint32_t*>(width),
                                           reinterpret_cast<uint32_t*>(height), rawBufferA, rawBufferB,
                                           rawValue1, rawValue2, rawValue3, rawValue4,
                                           static_cast<uint32_t>(rawOption)));
    }
    IS40_CloseSource(source);
    return result;
}

} // namespace zv::imageio
