// Image blocks share the host buffers' allocator on every system: a finished 24-bit block
// becomes the host's buffer without a copy, and the host may free it as it frees any buffer of
// ours (ZvFreeBuffer, or delete[] where it shares our C++ runtime).
#include "platform/memory.h"

#include <cstddef>
#include <cstdint>
#include <new>

HGLOBAL ImageBlockAlloc(uint64_t bytes)
{
    if (!zv::platform::FitsAllocationLimit(bytes) || bytes > SIZE_MAX) {
        return nullptr;
    }
    return new (std::nothrow) uint8_t[bytes == 0 ? 1 : static_cast<size_t>(bytes)];
}

HGLOBAL ImageBlockFree(HGLOBAL block)
{
    delete[] static_cast<uint8_t*>(block);
    return nullptr;
}
