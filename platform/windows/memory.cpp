// The library's new[] is its own C++ runtime's, whatever the host links (a DLL's calls are
// bound inside it), and that runtime's operator new takes its memory from the C runtime's
// malloc, which can say how large a block is.
#include "platform/memory.h"

#include <malloc.h>

#include <cstddef>
#include <cstdint>

namespace zv::platform {

uint64_t PixelBufferCapacity(const uint8_t* buffer)
{
    if (buffer == nullptr) {
        return 0;
    }
    const size_t size = _msize(const_cast<uint8_t*>(buffer));
    return size == static_cast<size_t>(-1) ? 0 : size;
}

} // namespace zv::platform
