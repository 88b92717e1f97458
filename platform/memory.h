// Image-block and pixel-buffer allocation, both held to one allocation limit so that no
// file can make the library ask for more than the host allows.
#ifndef ZV_PLATFORM_MEMORY_H
#define ZV_PLATFORM_MEMORY_H

#include <cstdint>

typedef void* HGLOBAL;

namespace zv::platform {

// 4 GiB - 1 in a 64-bit process. A 32-bit process has 2 to 4 GiB of address space in all, shared
// with its code, its heap and the host's own data, so one buffer of most of it would fail anyway
// or starve the host: there the default is 512 MiB (still 170 megapixels at 3 bytes a pixel).
inline constexpr uint64_t kDefaultAllocationLimit = sizeof(void*) >= 8 ? 0xFFFFFFFFull : 512ull << 20;

uint64_t AllocationLimit();
void SetAllocationLimit(uint64_t bytes);  // 0 restores the default
// Also false past PTRDIFF_MAX, the most one object may span, whatever limit the host set: a
// size that fits may be converted to size_t without wrapping.
bool FitsAllocationLimit(uint64_t bytes);

// Product of the factors in 64 bits; false when it overflows 64 bits.
bool CheckedProduct(uint64_t a, uint64_t b, uint64_t c, uint64_t* out);

// A buffer that the host will own and free with delete[]. Throws std::bad_alloc when the
// request exceeds the allocation limit or memory is exhausted.
uint8_t* NewPixelBuffer(uint64_t bytes);

// How many bytes a buffer from NewPixelBuffer can hold, as its allocator says: at least what was
// asked for. 0 where the allocator can't be asked: on POSIX a host may replace operator new,
// and the library's buffers then come from the host's own allocator.
uint64_t PixelBufferCapacity(const uint8_t* buffer);

} // namespace zv::platform

// Image blocks, which the imaging library's readers return. On every system they come from the
// allocator of the host's buffers (new[], as NewPixelBuffer), so that a finished 24-bit block is
// handed to the host as its buffer: no second buffer, no copy. ImageBlockAlloc returns null
// above the allocation limit, past what size_t can hold (SIZE_T is 32 bits wide on 32-bit
// Windows) or when memory is exhausted; the block is the address of its bytes. ImageBlockFree
// accepts null and returns null.
HGLOBAL ImageBlockAlloc(uint64_t bytes);
HGLOBAL ImageBlockFree(HGLOBAL block);

#endif
