#include "platform/memory.h"

namespace zv::platform {

uint64_t PixelBufferCapacity(const uint8_t*)
{
    return 0;
}

} // namespace zv::platform
