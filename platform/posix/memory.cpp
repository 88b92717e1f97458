#include "platform/memory.h"

#include <atomic>
#include <new>

namespace zv::platform {
namespace {

std::atomic<uint64_t> g_allocationLimit{kDefaultAllocationLimit};

} // namespace

uint64_t AllocationLimit()
{
    return g_allocationLimit.load(std::memory_order_relaxed);
}

void SetAllocationLimit(uint64_t bytes)
{
    g_allocationLimit.store(bytes == 0 ? kDefaultAllocationLimit : bytes, std::memory_order_relaxed);
}

bool FitsAllocationLimit(uint64_t bytes)
{
    return bytes <= AllocationLimit();
}

bool CheckedProduct(uint64_t a, uint64_t b, uint64_t c, uint64_t* out)
{
    uint64_t ab = 0;
    if (__builtin_mul_overflow(a, b, &ab) || __builtin_mul_overflow(ab, c, out)) {
        return false;
    }
    return true;
}

uint8_t* NewPixelBuffer(uint64_t bytes)
{
    if (!FitsAllocationLimit(bytes)) {
        throw std::bad_alloc();
    }
    return new uint8_t[bytes == 0 ? 1 : bytes];
}

} // namespace zv::platform

// Image blocks come from the same allocator as the buffers handed to hosts (new[]), so that a
// finished 24-bit block can become the host's buffer without a copy.
HGLOBAL GlobalAlloc(uint64_t bytes)
{
    if (!zv::platform::FitsAllocationLimit(bytes)) {
        return nullptr;
    }
    return new (std::nothrow) uint8_t[bytes == 0 ? 1 : bytes];
}

HGLOBAL GlobalFree(HGLOBAL block)
{
    delete[] static_cast<uint8_t*>(block);
    return nullptr;
}
