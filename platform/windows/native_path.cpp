// On Windows the library's paths are the system's: backslashes already separate, drive letters
// and network shares (\\server\share\...) mean what the system says they mean.
#include "platform/native_path.h"

namespace zv::platform {

bool ToNativePath(std::string_view libraryPath, std::string* out)
{
    out->assign(libraryPath);
    return true;
}

} // namespace zv::platform
