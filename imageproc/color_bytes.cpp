#include "imageproc/color_bytes.h"

namespace zv::imageproc {

void SetColourByte(uint8_t* buffer, int32_t row, int32_t column, int32_t width, ColourChannel channel,
                   uint8_t value)
{
    const uint32_t pixel = static_cast<uint32_t>(row) * static_cast<uint32_t>(width) + static_cast<uint32_t>(column);
    const uint32_t offset = 3u * pixel + static_cast<uint32_t>(channel);
    buffer[offset] = value;
}

} // namespace zv::imageproc
