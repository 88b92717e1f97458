// The one place where the library's paths (backslash-separated) become the operating
// system's (slash-separated). Everything that opens, searches or creates files goes through it.
#ifndef ZV_PLATFORM_NATIVE_PATH_H
#define ZV_PLATFORM_NATIVE_PATH_H

#include <string>
#include <string_view>

namespace zv::platform {

// True for a path that names a network share (it begins with two backslashes).
bool IsNetworkPath(std::string_view libraryPath);

// The POSIX form of a library path: every backslash becomes "/". Returns false (and leaves
// `out` empty) when the path has no local meaning, such as the \\server and \\server\share
// levels of a network path.
bool ToNativePath(std::string_view libraryPath, std::string* out);

} // namespace zv::platform

#endif
