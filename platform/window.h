// Window handles: the part of the window system that the display frame relies on. A handle
// stands for one window and knows its rectangle; the host's CWnd creates, moves and destroys it.
#ifndef ZV_PLATFORM_WINDOW_H
#define ZV_PLATFORM_WINDOW_H

#include "zvdll/window.h"

namespace zv {

// What a window handle designates.
struct WindowHandleRecord {
    RECT rect;
};

} // namespace zv

namespace zv::platform {

// A new window occupying `rect`; throws std::bad_alloc when memory is exhausted.
HWND CreateWindowHandle(const RECT& rect);
// Destroys a window; accepts null.
void DestroyWindowHandle(HWND window);
// Moves or resizes a window; false for a null handle.
bool SetWindowRect(HWND window, const RECT& rect);
// The window's rectangle as last set; false (and *rect untouched) for a null handle or rect.
bool GetWindowRect(HWND window, RECT* rect);

} // namespace zv::platform

#endif
