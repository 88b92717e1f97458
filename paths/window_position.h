// win.pos: one line of four comma-separated integers in the current folder.
#ifndef ZV_PATHS_WINDOW_POSITION_H
#define ZV_PATHS_WINDOW_POSITION_H

namespace zv::paths {

inline constexpr const char* kWindowPositionFile = "win.pos";

struct WindowPosition {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Writes 0,0,0,0 over whatever the file held; does nothing when it can't be created.
void SaveWindowPosition();
// Reads the four numbers back; those missing or malformed stay 0, and no file reads as zeros.
WindowPosition RestoreWindowPosition();

} // namespace zv::paths

#endif
