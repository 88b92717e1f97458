// Files and folders through the system's ANSI calls, in the process's code page like every
// path the library handles.
#include "platform/windows/system_headers.h"

#include "platform/file_system.h"

#include <new>
#include <string>

namespace zv::platform {

struct FindSearch {
    HANDLE system;
};

namespace {

// Seconds between 1601-01-01 (FILETIME's epoch) and 1970-01-01.
constexpr int64_t kFileTimeToUnixSeconds = 11644473600;
constexpr int64_t kFileTimeTicksPerSecond = 10000000;

int64_t UnixSeconds(const FILETIME& time)
{
    const uint64_t ticks = (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<int64_t>(ticks / kFileTimeTicksPerSecond) - kFileTimeToUnixSeconds;
}

// The library's attribute bits are the system's; only those it documents are passed on.
FindData DescribeEntry(const WIN32_FIND_DATAA& entry)
{
    FindData data;
    const bool folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    data.attributes = folder ? kAttributeDirectory : kAttributeNormal;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
        data.attributes |= kAttributeReadOnly;
    }
    data.size = (static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    data.modifiedSeconds = UnixSeconds(entry.ftLastWriteTime);
    data.fileName = entry.cFileName;
    return data;
}

bool IsDotEntry(const WIN32_FIND_DATAA& entry)
{
    const std::string name = entry.cFileName;
    return name == "." || name == "..";
}

bool EndsWithSeparator(const char* name)
{
    const std::string text = name;
    return text.back() == '\\' || text.back() == '/';
}

} // namespace

FindHandle FindFirstFile(const char* name, FindData* data)
{
    if (name == nullptr || *name == '\0' || EndsWithSeparator(name)) {
        return kInvalidFindHandle;
    }
    WIN32_FIND_DATAA entry{};
    HANDLE system = ::FindFirstFileA(name, &entry);
    // A pattern may match "." or ".." first (C:\dir\*); the library never reports those.
    while (system != INVALID_HANDLE_VALUE && IsDotEntry(entry)) {
        if (!::FindNextFileA(system, &entry)) {
            ::FindClose(system);
            system = INVALID_HANDLE_VALUE;
        }
    }
    if (system == INVALID_HANDLE_VALUE) {
        return kInvalidFindHandle;
    }
    auto* search = new (std::nothrow) FindSearch{system};
    if (search == nullptr) {
        ::FindClose(system);
        return kInvalidFindHandle;
    }
    if (data != nullptr) {
        *data = DescribeEntry(entry);
    }
    return search;
}

bool FindClose(FindHandle handle)
{
    if (handle == nullptr || handle == kInvalidFindHandle) {
        return false;
    }
    ::FindClose(handle->system);
    delete handle;
    return true;
}

bool GetFileStatus(const char* name, FindData* status)
{
    if (name == nullptr || *name == '\0') {
        return false;
    }
    char full[MAX_PATH * 4];
    const DWORD length = ::GetFullPathNameA(name, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) {
        return false;
    }
    return FirstMatch(full, status);
}

bool CreateDirectory(const char* path)
{
    return path != nullptr && *path != '\0' && ::CreateDirectoryA(path, nullptr) != 0;
}

bool SetFileAttributes(const char* path, uint32_t attributes)
{
    if (path == nullptr || ::GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const DWORD system = (attributes & kAttributeReadOnly) ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
    return ::SetFileAttributesA(path, system) != 0;
}

} // namespace zv::platform
