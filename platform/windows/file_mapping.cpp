#include "platform/windows/system_headers.h"

#include "platform/file_mapping.h"

#include <cstring>

namespace zv::platform {
namespace {

// Closes a handle on every way out: a mapped view keeps the file and its section alive.
struct OwnedHandle {
    HANDLE handle;
    ~OwnedHandle()
    {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle);
        }
    }
};

// The size of a regular disk file; false for folders, devices and pipes, and for files larger
// than this process can map.
bool RegularFileSize(HANDLE file, size_t* size)
{
    LARGE_INTEGER bytes{};
    if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileSizeEx(file, &bytes) || bytes.QuadPart < 0 ||
        static_cast<uint64_t>(bytes.QuadPart) > SIZE_MAX) {
        return false;
    }
    *size = static_cast<size_t>(bytes.QuadPart);
    return true;
}

} // namespace

bool MapFileForReading(const std::string& nativePath, MappedBytes* out)
{
    *out = MappedBytes{};
    // Others may go on reading, writing or deleting the file: the host's own tools do.
    const OwnedHandle file{::CreateFileA(nativePath.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    size_t size = 0;
    if (file.handle == INVALID_HANDLE_VALUE || !RegularFileSize(file.handle, &size)) {
        return false;
    }
    if (size == 0) {
        return true;  // a section of zero bytes cannot be made
    }
    const OwnedHandle section{::CreateFileMappingA(file.handle, nullptr, PAGE_READONLY, 0, 0, nullptr)};
    if (section.handle == nullptr) {
        return false;
    }
    const void* view = ::MapViewOfFile(section.handle, FILE_MAP_READ, 0, 0, size);
    if (view == nullptr) {
        return false;
    }
    out->data = static_cast<const uint8_t*>(view);
    out->size = size;
    return true;
}

bool MapCopyOfBytes(const uint8_t* data, size_t size, MappedBytes* out)
{
    *out = MappedBytes{};
    out->isCopy = true;
    if (size == 0) {
        return true;
    }
    void* copy = ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (copy == nullptr) {
        return false;
    }
    std::memcpy(copy, data, size);
    DWORD previous = 0;
    ::VirtualProtect(copy, size, PAGE_READONLY, &previous);
    out->data = static_cast<const uint8_t*>(copy);
    out->size = size;
    return true;
}

void Unmap(const MappedBytes& mapped)
{
    if (mapped.data == nullptr) {
        return;
    }
    if (mapped.isCopy) {
        ::VirtualFree(const_cast<uint8_t*>(mapped.data), 0, MEM_RELEASE);
    } else {
        ::UnmapViewOfFile(mapped.data);
    }
}

} // namespace zv::platform
