// The parts of file search that are the same on every system, built on its FindFirstFile and
// FindClose.
#include "platform/file_system.h"

namespace zv::platform {

bool FirstMatch(const char* pattern, FindData* status)
{
    FindData found;
    const FindHandle handle = FindFirstFile(pattern, &found);
    if (handle == kInvalidFindHandle) {
        return false;
    }
    FindClose(handle);
    if (status != nullptr) {
        *status = found;
    }
    return true;
}

FileFinder::~FileFinder()
{
    Close();
}

bool FileFinder::FindFile(const char* name)
{
    Close();
    handle_ = FindFirstFile(name, &found_);
    return handle_ != kInvalidFindHandle;
}

void FileFinder::Close()
{
    if (handle_ != kInvalidFindHandle) {
        FindClose(handle_);
        handle_ = kInvalidFindHandle;
    }
}

} // namespace zv::platform
