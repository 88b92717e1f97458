// Hints to the virtual-memory system for the library's large buffers. Touching fresh memory
// one 4 KiB page at a time costs a fault per page, which on virtualised hosts can cost more
// than decoding the pixels; these hints let the kernel map large buffers in 2 MiB pages and
// map a whole input file in one go. Both are hints only: when the kernel declines, nothing
// changes but the speed.
#ifndef ZV_PLATFORM_PAGE_ADVICE_H
#define ZV_PLATFORM_PAGE_ADVICE_H

#include <cstdint>
#include <thread>

namespace zv::platform {

// Asks for huge pages under a freshly allocated buffer, before it is first touched; where the
// system gives a process no huge pages (Windows), has its pages mapped in one go instead.
// Buffers under a few megabytes are left alone.
void AdviseHugePages(void* start, uint64_t bytes);

// Readies a fresh buffer's pages while its owner fills it. Where AdviseHugePages maps the
// buffer in large pages, Start does just that. Where it can only map small pages ahead of time
// (Windows), Start has a second thread map them while the caller starts writing, so that the
// cost of mapping overlaps the decoding rather than adding to it; the destructor (or Wait)
// waits for that thread, so an owner keeps the mapper no longer than the buffer.
class PageMapper {
public:
    PageMapper() = default;
    ~PageMapper() { Wait(); }
    PageMapper(const PageMapper&) = delete;
    PageMapper& operator=(const PageMapper&) = delete;

    void Start(void* start, uint64_t bytes);
    void Wait();

private:
    std::thread thread_;
};

// Maps every page of a read-only file mapping now, in one call, instead of one fault per page
// as a decoder reads through it.
void PrefaultForReading(const void* start, uint64_t bytes);

} // namespace zv::platform

#endif
