// The host-facing services that are not ZV_ operations: memory limit, buffer release and
// which vector code runs.
#include "zvdll.h"

#include "imaging/core/vector_target.h"
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

extern "C" ZV_API const char* ZvVectorInstructionSet(void)
{
    return zv::imaging::VectorTargetName(zv::imaging::BestVectorTarget());
}
