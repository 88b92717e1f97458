// Image blocks are the system's fixed global-memory blocks. The host's buffers come from new[]
// (it frees them with delete[]), so a finished block is copied into one.
#include "platform/windows/system_headers.h"

#include "platform/memory.h"

#include <cstring>
#include <new>

namespace zv::platform {

uint8_t* HostBufferFromBlock(HGLOBAL block, uint64_t bytes)
{
    if (block == nullptr) {
        return nullptr;
    }
    uint8_t* buffer = nullptr;
    try {
        buffer = NewPixelBuffer(bytes);
    } catch (const std::bad_alloc&) {
        ::GlobalFree(block);
        throw;
    }
    std::memcpy(buffer, block, static_cast<size_t>(bytes));
    ::GlobalFree(block);
    return buffer;
}

} // namespace zv::platform

HGLOBAL GlobalAlloc(uint64_t bytes)
{
    // SIZE_T is 32 bits wide on 32-bit Windows: a larger request would wrap.
    if (!zv::platform::FitsAllocationLimit(bytes) || bytes > SIZE_MAX) {
        return nullptr;
    }
    return ::GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(bytes == 0 ? 1 : bytes));
}
