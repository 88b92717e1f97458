#include "platform/native_path.h"

namespace zv::platform {

bool ToNativePath(std::string_view libraryPath, std::string* out)
{
    out->clear();
    if (IsNetworkPath(libraryPath)) {
        // POSIX folds a leading "//" into "/": a share must never become a root folder.
        return false;
    }
    out->assign(libraryPath);
    for (char& c : *out) {
        if (c == '\\') {
            c = '/';
        }
    }
    return true;
}

} // namespace zv::platform
