#include "platform/memory.h"

#include <cstddef>
#include <cstdint>
#include <new>

namespace zv::platform {

uint8_t* HostBufferFromBlock(HGLOBAL block, uint64_t)
{
    return static_cast<uint8_t*>(block);
}

} // namespace zv::platform

// Image blocks come from the same allocator as the buffers handed to hosts (new[]), so that a
// finished 24-bit block can become the host's buffer without a copy.
HGLOBAL GlobalAlloc(uint64_t bytes)
{
    if (!zv::platform::FitsAllocationLimit(bytes) || bytes > SIZE_MAX) {
        return nullptr;
    }
    return new (std::nothrow) uint8_t[bytes == 0 ? 1 : static_cast<size_t>(bytes)];
}

HGLOBAL GlobalFree(HGLOBAL block)
{
    delete[] static_cast<uint8_t*>(block);
    return nullptr;
}
