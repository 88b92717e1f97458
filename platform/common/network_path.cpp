#include "platform/native_path.h"

namespace zv::platform {

bool IsNetworkPath(std::string_view libraryPath)
{
    return libraryPath.size() >= 2 && libraryPath[0] == '\\' && libraryPath[1] == '\\';
}

} // namespace zv::platform
