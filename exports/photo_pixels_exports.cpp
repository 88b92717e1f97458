// Photo pixel exports: turning decoded pixels upright and converting them to sRGB. Each opens
// the per-call frame, checks what the imaging library's unsigned interface cannot see (negative
// sides, an intent it does not know) and hands over.
#include "zvdll.h"

#include "frame/frame.h"
#include "imaging/core/errors.h"
#include "imaging/metadata/icc_profile.h"
#include "imaging/pixels/orient.h"

namespace {

int32_t BadParameter()
{
    zv::imaging::SetLastError(zv::imaging::kErrBadParameter);
    return 0;
}

} // namespace

extern "C" {

ZV_API int32_t ZvOrientPixels(const uint8_t* source, int32_t width, int32_t height, int32_t orientation,
                              uint8_t* target)
{
    ZV_EXPORT_FRAME;
    if (width <= 0 || height <= 0) {
        return BadParameter();
    }
    return zv::imaging::OrientPixels(source, static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                                     orientation, target)
               ? 1
               : 0;
}

ZV_API int32_t ZvConvertToSrgb(uint8_t* pixels, int32_t width, int32_t height, const void* profile,
                               size_t profileSize, int32_t intent)
{
    ZV_EXPORT_FRAME;
    if (pixels == nullptr || width <= 0 || height <= 0 || profile == nullptr) {
        return BadParameter();
    }
    if (!zv::imaging::ConvertRgbToSrgb(pixels, static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                                       static_cast<const uint8_t*>(profile), profileSize, intent)) {
        return BadParameter();
    }
    return 1;
}

} // extern "C"
