// The allocation limit and the pixel buffers under it: the same on every system.
#include "platform/memory.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
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
    return bytes <= AllocationLimit() && bytes <= static_cast<uint64_t>(PTRDIFF_MAX);
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
    // A size that fits the limit also fits size_t (see FitsAllocationLimit).
    if (!FitsAllocationLimit(bytes)) {
        throw std::bad_alloc();
    }
    return new uint8_t[bytes == 0 ? 1 : static_cast<size_t>(bytes)];
}

} // namespace zv::platform
