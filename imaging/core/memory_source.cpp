// A source over bytes already in memory, for hosts that hold a file's content and for the
// fuzzing harnesses. The bytes are copied into a private mapping so that a memory source and a
// file source are closed the same way.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"
#include "imaging/core/source.h"

#include "platform/file_mapping.h"

#include <new>

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
    zv::platform::MappedBytes copy;
    if (!zv::platform::MapCopyOfBytes(data, size, &copy)) {
        delete source;
        return Fail(Format::Pixels, Problem::OutOfMemory);
    }
    source->data = copy.data;
    source->size = copy.size;
    source->isCopy = true;
    return source;
}
