#include "imaging/core/source.h"

#include "imaging/core/errors.h"
#include "platform/native_path.h"
#include "platform/page_advice.h"

#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv::imaging {

bool ByteReader::Bytes(void* out, size_t count)
{
    if (!Has(count)) {
        return false;
    }
    if (count > 0) {
        std::memcpy(out, data_ + pos_, count);
    }
    pos_ += count;
    return true;
}

HGLOBAL AllocateImageBlock(Format format, uint64_t width, uint64_t height, uint64_t bytesPerPixel)
{
    uint64_t bytes = 0;
    if (!platform::CheckedProduct(width, height, bytesPerPixel, &bytes) ||
        !platform::FitsAllocationLimit(bytes)) {
        return Fail(format, Problem::TooLarge);
    }
    HGLOBAL block = GlobalAlloc(bytes);
    if (block == nullptr) {
        return Fail(format, Problem::OutOfMemory);
    }
    platform::AdviseHugePages(block, bytes);
    return block;
}

void PrefetchWholeFile(const IS40Source& source)
{
    platform::PrefaultForReading(source.data, source.size);
}

} // namespace zv::imaging

HISSRC IS40_OpenFileSource(const char* path)
{
    using namespace zv::imaging;
    std::string native;
    if (path == nullptr || !zv::platform::ToNativePath(path, &native) || native.empty()) {
        return Fail(Format::Pixels, Problem::CannotOpen);
    }
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return Fail(Format::Pixels, Problem::CannotOpen);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Fail(Format::Pixels, Problem::CannotOpen);
    }
    auto* source = new (std::nothrow) IS40Source;
    if (source == nullptr) {
        ::close(fd);
        return Fail(Format::Pixels, Problem::OutOfMemory);
    }
    source->nativePath = native;
    source->size = static_cast<size_t>(info.st_size);
    if (source->size > 0) {
        void* mapped = ::mmap(nullptr, source->size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (mapped == MAP_FAILED) {
            ::close(fd);
            delete source;
            return Fail(Format::Pixels, Problem::CannotOpen);
        }
        source->data = static_cast<const uint8_t*>(mapped);
    }
    ::close(fd);
    return source;
}

uint32_t IS40_CloseSource(HISSRC source)
{
    if (source == nullptr) {
        return 0;
    }
    if (source->data != nullptr) {
        ::munmap(const_cast<uint8_t*>(source->data), source->size);
    }
    delete source;
    return 1;
}
