// The Gaussian blur behind IS40_GaussianBlurImage, with the choice of vector loops open so
// that every variant can be checked against the others.
#ifndef ZV_IMAGING_GAUSSIAN_H
#define ZV_IMAGING_GAUSSIAN_H

#include "imaging/core/vector_target.h"

#include <cstdint>

namespace zv::imaging {

// IS40_GaussianBlurImage with the vector loops of `target` (the best one the processor runs
// when it does not run that one); every target gives the same bytes.
uint32_t GaussianBlurWith(VectorTarget target, const uint8_t* input, uint32_t width, uint32_t height,
                          uint32_t bytesPerPixel, uint32_t inRowStride, uint8_t* output,
                          uint32_t outRowStride, double amount, uint32_t flags);

} // namespace zv::imaging

#endif
