// Global memory and pixel-buffer allocation, both held to one allocation limit so that no
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

// A buffer the host owns (see NewPixelBuffer) holding the first `bytes` bytes of `block`, which
// it takes over: where blocks come from the host buffers' allocator it is the block itself, so
// the pixels never move; elsewhere they are copied and the block freed. Throws std::bad_alloc,
// after freeing the block, when the buffer can't be had.
uint8_t* HostBufferFromBlock(HGLOBAL block, uint64_t bytes);

} // namespace zv::platform

#if defined(_WIN32)
// Image blocks are the system's fixed global-memory blocks. GlobalFree is the system's own,
// declared as <windows.h> declares it so that either may be included first.
extern "C" __declspec(dllimport) HGLOBAL __stdcall GlobalFree(HGLOBAL block);
// GlobalAlloc(GMEM_FIXED, bytes), or null above the allocation limit, past what the address
// space can hold, or when memory is exhausted.
HGLOBAL GlobalAlloc(uint64_t bytes);
#else
// Stand-ins for the global-memory calls. GlobalAlloc returns null above the allocation limit
// or when memory is exhausted; the block is the address of its bytes, allocated with new[]
// like NewPixelBuffer, so a block may be handed to a host as its buffer. GlobalFree accepts
// null and returns null.
HGLOBAL GlobalAlloc(uint64_t bytes);
HGLOBAL GlobalFree(HGLOBAL block);
#endif

#endif
