// Stand-ins for the file-system services the library calls: the first-match search, the file
// status query, the file finder, folder creation and file attributes. Paths are library paths
// (backslashes separate); each call translates them through ToNativePath at the moment it asks
// the operating system. On POSIX a network share has no local meaning and finds and creates
// nothing; on Windows it behaves as the system says.
#ifndef ZV_PLATFORM_FILE_SYSTEM_H
#define ZV_PLATFORM_FILE_SYSTEM_H

#include <cstdint>
#include <string>

namespace zv::platform {

inline constexpr uint32_t kAttributeReadOnly = 0x01;
inline constexpr uint32_t kAttributeDirectory = 0x10;
inline constexpr uint32_t kAttributeNormal = 0x80;

// What a search reports of the entry it found.
struct FindData {
    uint32_t attributes = 0;     // kAttributeDirectory for a folder, else kAttributeNormal
                                 // (plus kAttributeReadOnly when it cannot be written)
    uint64_t size = 0;
    int64_t modifiedSeconds = 0;  // POSIX time
    std::string fileName;         // the entry's own name, without its folder
};

using FindHandle = struct FindSearch*;
inline const FindHandle kInvalidFindHandle = reinterpret_cast<FindHandle>(-1);

// The first entry matching `name`. An empty name, or one that ends in a separator, finds
// nothing; "*" and "?" in the last component match any entry (not "." or ".."). Returns
// kInvalidFindHandle when nothing is found.
FindHandle FindFirstFile(const char* name, FindData* data);
bool FindClose(FindHandle handle);
// Whether anything matches `pattern`; the first match goes to *status when it is not null.
bool FirstMatch(const char* pattern, FindData* status);

// The framework's static status query: turns the name into a full path, then searches for it.
bool GetFileStatus(const char* name, FindData* status);

// The framework's file finder, closed when it goes out of scope.
class FileFinder {
public:
    FileFinder() = default;
    ~FileFinder();
    FileFinder(const FileFinder&) = delete;
    FileFinder& operator=(const FileFinder&) = delete;

    bool FindFile(const char* name);
    void Close();

private:
    FindHandle handle_ = kInvalidFindHandle;
    FindData found_;
};

// Creates one folder level with the default permissions. False when it exists already, its
// parent is missing, or the path has no local meaning.
bool CreateDirectory(const char* path);
// kAttributeNormal gives the default permissions; kAttributeReadOnly takes write access away.
bool SetFileAttributes(const char* path, uint32_t attributes);

} // namespace zv::platform

#endif
