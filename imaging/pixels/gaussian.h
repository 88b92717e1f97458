// The Gaussian blur behind IS40_GaussianBlurImage, with the choice of vector code open so
// that every variant can be checked against the others.
#ifndef ZV_IMAGING_GAUSSIAN_H
#define ZV_IMAGING_GAUSSIAN_H

#include <cstdint>

namespace zv::imaging {

enum class GaussianCode {
    Portable,  // plain C++
    Sse2,
    Avx2,      // falls back to SSE2 when the processor lacks AVX2
};

// IS40_GaussianBlurImage with the given code; all codes give the same bytes.
uint32_t GaussianBlurWith(GaussianCode code, const uint8_t* input, uint32_t width, uint32_t height,
                          uint32_t bytesPerPixel, uint32_t inRowStride, uint8_t* output,
                          uint32_t outRowStride, double amount, uint32_t flags);

} // namespace zv::imaging

#endif
