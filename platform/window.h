// Window handles: the part of the window system that the display frame relies on. Only Windows
// has one; elsewhere a host's window object is just the rectangle the library keeps for it.
#ifndef ZV_PLATFORM_WINDOW_H
#define ZV_PLATFORM_WINDOW_H

#include "zvdll/window.h"

#if defined(_WIN32)
namespace zv::platform {

// True when `window` names a live window of the system.
bool IsSystemWindow(HWND window);
// Moves or resizes a window; false for a null handle or one the system refuses.
bool SetWindowRect(HWND window, const RECT& rect);
// The window's rectangle in screen coordinates, as the system reports it; false (and *rect
// untouched) for a null handle or rect.
bool GetWindowRect(HWND window, RECT* rect);

} // namespace zv::platform
#endif

#endif
