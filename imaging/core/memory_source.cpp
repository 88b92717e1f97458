// A source over bytes already in memory, for hosts that hold a file's content and for the
// fuzzing harnesses. The bytes are copied into a private mapping so that a memory source and a
// file source are closed the same way.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/core/source.h"

#include <cstring>
#include <new>
#include <sys/mman.h>

HISSRC IS40_OpenMemorySource(const uint8_t* data, size_t size)
{
    using namespace zv::imaging;
    if (data == nullptr && size > 0) {
        return Fail(Format::Pixels, Problem::BadArgument);
    }
    if (!zv::platform::FitsAllocationLimit(size)) {
        return Fail(Format::Pixels, Problem::TooLarge);
    }
    auto* source = new (std::nothrow) IS40Source;
    if (source == nullptr) {
        return Fail(Format::Pixels, Problem::OutOfMemory);
    }
    source->size = size;
    if (size > 0) {
        void* copy = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (copy == MAP_FAILED) {
            delete source;
            return Fail(Format::Pixels, Problem::OutOfMemory);
        }
        std::memcpy(copy, data, size);
        ::mprotect(copy, size, PROT_READ);
        source->data = static_cast<const uint8_t*>(copy);
    }
    return source;
}
