// The allocation limit against the address space: the default leaves a 32-bit process room, and
// whatever limit a host sets, a request no object could span is refused as memory exhaustion
// rather than wrapped around in a 32-bit size_t. And the readying of a fresh buffer's pages.
#include "platform/memory.h"
#include "platform/page_advice.h"
#include "tests/support/imaging_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
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

// A buffer whose pages are readied on a second thread while its owner fills it keeps every
// byte the owner wrote, and the mapper can be restarted and outlives no buffer.
TEST(PageMapper, ReadyingPagesNeverDisturbsTheOwnersWrites)
{
    constexpr size_t kBytes = size_t{24} << 20;
    auto buffer = std::make_unique<uint8_t[]>(kBytes);
    zv::platform::PageMapper pages;
    for (int round = 0; round < 2; ++round) {
        pages.Start(buffer.get(), kBytes);
        for (size_t i = 0; i < kBytes; i += 4096) {
            buffer[i] = static_cast<uint8_t>(i / 4096 + round);
        }
        pages.Wait();
        size_t wrong = 0;
        for (size_t i = 0; i < kBytes; i += 4096) {
            wrong += buffer[i] != static_cast<uint8_t>(i / 4096 + round);
        }
        EXPECT_EQ(wrong, 0u);
    }
    pages.Start(nullptr, kBytes);  // nothing to ready
}
