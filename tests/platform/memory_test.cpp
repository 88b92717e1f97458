// The allocation limit against the address space: the default leaves a 32-bit process room, and
// whatever limit a host sets, a request no object could span is refused as memory exhaustion
// rather than wrapped around in a 32-bit size_t.
#include "platform/memory.h"
#include "tests/support/imaging_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>

namespace {

using namespace zv::platform;

TEST(AllocationLimit, TheDefaultRefusesFourGibibytesAndLeavesRoomInTheAddressSpace)
{
    const zv::test::AllocationLimitScope defaults(0);
    EXPECT_FALSE(FitsAllocationLimit(uint64_t{1} << 32));
    EXPECT_EQ(ImageBlockAlloc(uint64_t{1} << 32), nullptr);
    EXPECT_LE(AllocationLimit(), uint64_t{SIZE_MAX} / 4) << "one buffer would take a quarter of all addresses";
}

TEST(AllocationLimit, RequestsPastTheAddressSpaceAreRefusedWhateverTheLimit)
{
    const zv::test::AllocationLimitScope lifted(UINT64_MAX);
    // In a 32-bit process 4 GiB + 16 would become 16 bytes in size_t.
    const uint64_t wrapsAround = std::max(uint64_t{PTRDIFF_MAX} + 1, (uint64_t{1} << 32) + 16);
    for (uint64_t bytes : {uint64_t{PTRDIFF_MAX} + 1, wrapsAround, UINT64_MAX}) {
        SCOPED_TRACE(bytes);
        EXPECT_FALSE(FitsAllocationLimit(bytes));
        EXPECT_EQ(ImageBlockAlloc(bytes), nullptr);
        EXPECT_THROW(NewPixelBuffer(bytes), std::bad_alloc);
    }
}

} // namespace
