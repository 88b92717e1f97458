#include "platform/page_advice.h"

#include <sys/mman.h>
#include <unistd.h>

namespace zv::platform {
namespace {

constexpr uint64_t kHugePageThreshold = uint64_t{4} << 20;

uintptr_t PageSize()
{
    static const uintptr_t size = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    return size;
}

// The whole pages inside [start, start + bytes), as madvise wants them.
bool InnerPages(const void* start, uint64_t bytes, void** first, size_t* length)
{
    const uintptr_t page = PageSize();
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(start) + page - 1) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(start) + bytes) & ~(page - 1);
    if (start == nullptr || end <= begin) {
        return false;
    }
    *first = reinterpret_cast<void*>(begin);
    *length = end - begin;
    return true;
}

} // namespace

void AdviseHugePages(void* start, uint64_t bytes)
{
#ifdef MADV_HUGEPAGE
    void* first = nullptr;
    size_t length = 0;
    if (bytes >= kHugePageThreshold && InnerPages(start, bytes, &first, &length)) {
        madvise(first, length, MADV_HUGEPAGE);
    }
#else
    (void)start;
    (void)bytes;
#endif
}

void PageMapper::Start(void* start, uint64_t bytes)
{
    AdviseHugePages(start, bytes);
}

void PageMapper::Wait() {}

void PrefaultForReading(const void* start, uint64_t bytes)
{
#ifdef MADV_POPULATE_READ
    void* first = nullptr;
    size_t length = 0;
    if (InnerPages(start, bytes, &first, &length)) {
        madvise(first, length, MADV_POPULATE_READ);
    }
#else
    (void)start;
    (void)bytes;
#endif
}

} // namespace zv::platform
