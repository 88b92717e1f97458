// The texts of the imaging library's error codes.
#ifndef ZV_IMAGEIO_ERROR_TEXT_H
#define ZV_IMAGEIO_ERROR_TEXT_H

#include "zvdll/string.h"

#include <cstdint>

namespace zv::imageio {

// Number of known codes: 0 to kErrorTextCount - 1.
inline constexpr uint32_t kErrorTextCount = 83;

// "N: description" for a known code; the empty string for any other.
CString ErrorText(uint32_t code);

// The text of the calling thread's last imaging error.
CString LastImagingErrorText();

} // namespace zv::imageio

#endif
