// Blur export. Frameless: it touches no framework service and only works in the host's buffers.
#include "zvdll.h"

#include "imageproc/blur.h"

extern "C" {

ZV_API int32_t ZV_BlurGaussian(uint8_t* image, int32_t width, int32_t height, double amount, uint8_t* work)
{
    return zv::imageproc::BlurGaussian(image, width, height, amount, work);
}

} // extern "C"
