#include "platform/file_mapping.h"

#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv::platform {
namespace {

// Closes a descriptor on every way out: the mapping outlives it.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

} // namespace

bool MapFileForReading(const std::string& nativePath, MappedBytes* out)
{
    *out = MappedBytes{};
    const Descriptor file{::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat info {};
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    if (info.st_size == 0) {
        return true;
    }
    // A 32-bit process cannot map a file past its address space; size_t would wrap, and a
    // mapping of the wrapped size would pass for the whole file.
    if (static_cast<uint64_t>(info.st_size) > static_cast<uint64_t>(PTRDIFF_MAX)) {
        return false;
    }
    void* mapped = ::mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, file.fd, 0);
    if (mapped == MAP_FAILED) {
        return false;
    }
    out->data = static_cast<const uint8_t*>(mapped);
    out->size = static_cast<size_t>(info.st_size);
    return true;
}

bool MapCopyOfBytes(const uint8_t* data, size_t size, MappedBytes* out)
{
    *out = MappedBytes{};
    out->isCopy = true;
    if (size == 0) {
        return true;
    }
    void* copy = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (copy == MAP_FAILED) {
        return false;
    }
    std::memcpy(copy, data, size);
    ::mprotect(copy, size, PROT_READ);
    out->data = static_cast<const uint8_t*>(copy);
    out->size = size;
    return true;
}

void Unmap(const MappedBytes& mapped)
{
    if (mapped.data != nullptr) {
        ::munmap(const_cast<uint8_t*>(mapped.data), mapped.size);
    }
}

} // namespace zv::platform
