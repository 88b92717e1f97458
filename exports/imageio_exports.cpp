// Image exports: each opens the per-call frame and hands over to imageio/.
#include "zvdll.h"

#include "exports/hand_over.h"
#include "frame/frame.h"
#include "imageio/display_open.h"
#include "imageio/error_text.h"
#include "imageio/image_dims.h"
#include "imageio/image_open.h"

extern "C" {

ZV_API int32_t ZV_OpenImageFile(const char* path, uint8_t** rgbOut, int32_t* width, int32_t* height,
                                double pngGamma, int32_t metaWidth, int32_t metaHeight)
{
    ZV_EXPORT_FRAME;
    return zv::imageio::OpenImageFile(path, rgbOut, width, height, pngGamma, metaWidth, metaHeight);
}

ZV_API int32_t ZvOpenImageFileForSize(const char* path, uint8_t** rgbOut, int32_t* width, int32_t* height,
                                      int32_t maxWidth, int32_t maxHeight)
{
    ZV_EXPORT_FRAME;
    return zv::imageio::OpenImageFileForSize(path, rgbOut, width, height, maxWidth, maxHeight);
}

ZV_API int32_t ZvOpenImageFileForDisplay(const char* path, uint8_t** rgbOut, int32_t* width, int32_t* height,
                                         int32_t maxWidth, int32_t maxHeight, uint32_t options)
{
    ZV_EXPORT_FRAME;
    return zv::imageio::OpenImageFileForDisplay(path, rgbOut, width, height, maxWidth, maxHeight, options);
}

ZV_API int32_t ZV_GetImageDims(const char* path, int32_t* width, int32_t* height, int32_t* bitsPerPixel,
                               void* info)
{
    ZV_EXPORT_FRAME;
    return zv::imageio::GetImageDims(path, width, height, bitsPerPixel, info);
}

ZV_API int32_t ZV_GetRAWInfo(const char* path, int32_t* width, int32_t* height, char* rawBufferA,
                             char* rawBufferB, double* rawValue1, double* rawValue2, double* rawValue3,
                             double* rawValue4, int32_t rawOption)
{
    ZV_EXPORT_FRAME;
    return zv::imageio::GetRawInfo(path, width, height, rawBufferA, rawBufferB, rawValue1, rawValue2,
                                   rawValue3, rawValue4, rawOption);
}

ZV_API ZvString* zv::c::ZV_GetISerror(void)
{
    ZV_EXPORT_FRAME;
    return zv::exports::HandOver(zv::imageio::LastImagingErrorText());
}

} // extern "C"
