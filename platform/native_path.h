// The one place where the library's paths (backslash-separated) become the operating
// system's. Everything that opens, searches or creates files goes through it.
#ifndef ZV_PLATFORM_NATIVE_PATH_H
#define ZV_PLATFORM_NATIVE_PATH_H

#include <string>
#include <string_view>

namespace zv::platform {

// True for a path that names a network share (it begins with two backslashes).
bool IsNetworkPath(std::string_view libraryPath);

// The system's form of a library path. On POSIX every backslash becomes "/", and a network
// path has no local meaning: false, `out` left empty. On Windows the path is the system's
// already and passes unchanged, network paths included.
bool ToNativePath(std::string_view libraryPath, std::string* out);

} // namespace zv::platform

#endif
