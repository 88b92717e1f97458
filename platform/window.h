// Window handles: the part of the window system that the display frame relies on.
#ifndef ZV_PLATFORM_WINDOW_H
#define ZV_PLATFORM_WINDOW_H

#include "zvdll/window.h"

#if !defined(_WIN32)
namespace zv {

// What a window handle designates where the library keeps windows itself: their rectangle.
struct WindowHandleRecord {
    RECT rect;
};

} // namespace zv
#endif

namespace zv::platform {

#if defined(_WIN32)
// True when `window` names a live window of the system.
bool IsSystemWindow(HWND window);
#else
// A new window occupying `rect`; throws std::bad_alloc when memory is exhausted.
HWND CreateWindowHandle(const RECT& rect);
// Destroys a window; accepts null.
void DestroyWindowHandle(HWND window);
#endif
// Moves or resizes a window; false for a null handle (or one the system refuses).
bool SetWindowRect(HWND window, const RECT& rect);
// The window's rectangle (on Windows: in screen coordinates, as the system reports it); false
// (and *rect untouched) for a null handle or rect.
bool GetWindowRect(HWND window, RECT* rect);

} // namespace zv::platform

#endif
