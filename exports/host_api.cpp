// The host-facing services that are not ZV_ operations: memory limit and buffer release.
#include "zvdll.h"

#include "platform/memory.h"

extern "C" ZV_API void ZvSetAllocationLimit(uint64_t bytes)
{
    zv::platform::SetAllocationLimit(bytes);
}

extern "C" ZV_API uint64_t ZvGetAllocationLimit(void)
{
    return zv::platform::AllocationLimit();
}

extern "C" ZV_API void ZvFreeBuffer(void* buffer)
{
    delete[] static_cast<uint8_t*>(buffer);
}
