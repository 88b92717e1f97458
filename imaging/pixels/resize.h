// The resampler behind IS40_ResizeImage, with the choice of vector loops open so that every
// variant can be checked against the others.
#ifndef ZV_IMAGING_RESIZE_H
#define ZV_IMAGING_RESIZE_H

#include "imaging/pixels/kernels/resize_kernels.h"

#include <cstdint>

namespace zv::imaging {

// IS40_ResizeImage with the vector loops of `target` (the best one the processor runs when it
// does not run that one); every target gives the same bytes.
uint32_t ResizeWith(VectorTarget target, const uint8_t* input, uint32_t width, uint32_t height, uint32_t inRowStride,
                    uint8_t* output, uint32_t newWidth, uint32_t newHeight, uint32_t outRowStride,
                    uint32_t bytesPerPixel, uint32_t mode);

} // namespace zv::imaging

#endif
