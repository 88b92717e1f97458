#include "paths/window_position.h"

#include <cstdio>

namespace zv::paths {
namespace {

// The file is text: on Windows its line ends in CR LF like every text file there, also when
// a host has made binary its default mode.
#if defined(_WIN32)
constexpr const char* kWriteText = "wt";
#else
constexpr const char* kWriteText = "w";
#endif

} // namespace

void SaveWindowPosition()
{
    FILE* file = std::fopen(kWindowPositionFile, kWriteText);
    if (file == nullptr) {
        return;
    }
    std::fprintf(file, "%d,%d,%d,%d\n", 0, 0, 0, 0);
    std::fclose(file);
}

WindowPosition RestoreWindowPosition()
{
    WindowPosition position;
    FILE* file = std::fopen(kWindowPositionFile, "r");
    if (file == nullptr) {
        return position;
    }
    // Width-limited so that an absurdly long number cannot overflow an int.
    const int read = std::fscanf(file, "%9d,%9d,%9d,%9d", &position.left, &position.top,
                                 &position.right, &position.bottom);
    (void)read;  // fields that were not read keep 0
    std::fclose(file);
    return position;
}

} // namespace zv::paths
