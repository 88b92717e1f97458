// Photo pixel exports: turning decoded pixels upright. Each opens
// the per-call frame, checks what the imaging library's unsigned interface cannot see (negative
// sides) and hands over.
#include "zvdll.h"

#include "frame/frame.h"
#include "imaging/core/errors.h"
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

} // extern "C"
