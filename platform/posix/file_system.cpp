#include "platform/file_system.h"

#include "platform/native_path.h"

#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fnmatch.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace zv::platform {

struct FindSearch {
    FindData data;
};

namespace {

bool HasWildcard(const std::string& component)
{
    return component.find_first_of("*?") != std::string::npos;
}

FindData DescribeEntry(const struct stat& info, std::string name)
{
    FindData data;
    data.attributes = S_ISDIR(info.st_mode) ? kAttributeDirectory : kAttributeNormal;
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        data.attributes |= kAttributeReadOnly;
    }
    data.size = static_cast<uint64_t>(info.st_size);
    data.modifiedSeconds = static_cast<int64_t>(info.st_mtime);
    data.fileName = std::move(name);
    return data;
}

// The process's file-creation mask, read without changing it (umask() would, for everyone).
mode_t CurrentUmask()
{
    std::unique_ptr<FILE, int (*)(FILE*)> status(std::fopen("/proc/self/status", "r"), std::fclose);
    char line[256];
    while (status && std::fgets(line, sizeof line, status.get()) != nullptr) {
        unsigned int mask = 0;
        if (std::sscanf(line, "Umask: %o", &mask) == 1) {
            return static_cast<mode_t>(mask);
        }
    }
    return 022;
}

bool FindWithWildcard(const std::string& folder, const std::string& pattern, FindData* data)
{
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.empty() ? "." : folder.c_str()), closedir);
    if (!dir) {
        return false;
    }
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || fnmatch(pattern.c_str(), name.c_str(), 0) != 0) {
            continue;
        }
        struct stat info {};
        const std::string full = folder.empty() ? name : folder + "/" + name;
        if (stat(full.c_str(), &info) == 0) {
            *data = DescribeEntry(info, name);
            return true;
        }
    }
    return false;
}

// Wildcards in a Windows search are only "*" and "?"; anything fnmatch would read as a
// bracket expression or an escape is taken literally.
std::string AsFnmatchPattern(const std::string& component)
{
    std::string pattern;
    for (char c : component) {
        if (c == '[' || c == ']' || c == '\\') {
            pattern += '\\';
        }
        pattern += c;
    }
    return pattern;
}

} // namespace

FindHandle FindFirstFile(const char* name, FindData* data)
{
    std::string native;
    if (name == nullptr || *name == '\0' || !ToNativePath(name, &native) || native.back() == '/') {
        return kInvalidFindHandle;
    }
    const size_t slash = native.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : native.substr(0, slash == 0 ? 1 : slash);
    const std::string last = slash == std::string::npos ? native : native.substr(slash + 1);

    FindData found;
    if (HasWildcard(last)) {
        if (!FindWithWildcard(folder, AsFnmatchPattern(last), &found)) {
            return kInvalidFindHandle;
        }
    } else {
        struct stat info {};
        if (stat(native.c_str(), &info) != 0) {
            return kInvalidFindHandle;
        }
        found = DescribeEntry(info, last);
    }
    auto* search = new (std::nothrow) FindSearch{found};
    if (search == nullptr) {
        return kInvalidFindHandle;
    }
    if (data != nullptr) {
        *data = search->data;
    }
    return search;
}

bool FindClose(FindHandle handle)
{
    if (handle == nullptr || handle == kInvalidFindHandle) {
        return false;
    }
    delete handle;
    return true;
}

bool GetFileStatus(const char* name, FindData* status)
{
    if (name == nullptr || *name == '\0') {
        return false;
    }
    std::string fullPath = name;
    const bool absolute = fullPath[0] == '/' || fullPath[0] == '\\';
    if (!absolute) {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd) == nullptr) {
            return false;
        }
        fullPath = std::string(cwd) + "/" + fullPath;
    }
    return FirstMatch(fullPath.c_str(), status);
}

bool CreateDirectory(const char* path)
{
    std::string native;
    if (path == nullptr || *path == '\0' || !ToNativePath(path, &native)) {
        return false;
    }
    return mkdir(native.c_str(), 0777) == 0;
}

bool SetFileAttributes(const char* path, uint32_t attributes)
{
    std::string native;
    struct stat info {};
    if (path == nullptr || !ToNativePath(path, &native) || stat(native.c_str(), &info) != 0) {
        return false;
    }
    const mode_t full = S_ISDIR(info.st_mode) ? 0777 : 0666;
    mode_t mode = full & ~CurrentUmask();
    if (attributes & kAttributeReadOnly) {
        mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
    }
    return chmod(native.c_str(), mode) == 0;
}

} // namespace zv::platform
