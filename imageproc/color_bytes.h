// Writing one colour byte of one pixel in an RGB buffer (rows of exactly width * 3 bytes).
#ifndef ZV_IMAGEPROC_COLOR_BYTES_H
#define ZV_IMAGEPROC_COLOR_BYTES_H

#include <cstdint>

namespace zv::imageproc {

enum class ColourChannel : uint32_t { Red = 0, Green = 1, Blue = 2 };

// Writes `value` to byte 3 * (row * width + column) + channel of `buffer`. Nothing is checked:
// the caller keeps the pixel inside its buffer. The offset is computed in unsigned 32-bit
// arithmetic (wrapping, never undefined), so every byte of a buffer up to 4 GiB - 1 (the
// default allocation limit) is reachable.
void SetColourByte(uint8_t* buffer, int32_t row, int32_t column, int32_t width, ColourChannel channel,
                   uint8_t value);

} // namespace zv::imageproc

#endif
