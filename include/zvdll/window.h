/* zvdll/window.h — the host window object that the display copy fits into */
#ifndef ZVDLL_WINDOW_H
#define ZVDLL_WINDOW_H

#include "zvdll/api.h"

#include <cstdint>

namespace zv {

/* The window object that ZV_DisplayFrame works on. A host builds a CWnd from its window's
 * rectangle and moves or resizes it whenever its real window changes; ZV_DisplayFrame fits the
 * display copy into that rectangle. On Windows a host may instead build it over its real window
 * (its HWND): the rectangle is then asked of the system every time. The library never shares
 * these objects between threads. */
#if defined(_WIN32)
}  // namespace zv
/* The system's own window handle type, declared as <windows.h> declares it (STRICT, the
 * default), so that either header may come first. */
struct HWND__;
namespace zv {
typedef ::HWND__* HWND;
#else
/* Opaque; valid while its CWnd lives. */
struct WindowHandleRecord;
typedef WindowHandleRecord* HWND;
#endif

struct RECT {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

class ZV_API CRect : public RECT {
public:
    CRect();                                                  // all zero
    CRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
    CRect(const RECT& rect);
    int32_t Width() const;    // right - left, wrapping like 32-bit arithmetic; negative until normalised
    int32_t Height() const;   // bottom - top, likewise
    void NormalizeRect();     // swaps left/right and top/bottom so that left <= right, top <= bottom
};

class ZV_API CWnd {
public:
    CWnd();                                  // an object without a window: GetSafeHwnd() is null
    explicit CWnd(const RECT& windowRect);   // a window occupying windowRect (screen pixels)
#if defined(_WIN32)
    // Over the host's real window, which stays the host's: the CWnd never destroys it.
    explicit CWnd(HWND hostWindow);
    // Puts the object over the host's window `hostWindow` in place of what it had; false (and
    // nothing changed) for null or a handle that names no window.
    bool Attach(HWND hostWindow);
    // Lets go of the host's window; returns it (null when the object had none).
    HWND Detach();
#endif
    ~CWnd();                                 // destroys a window the object made itself
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Moves or resizes the window; false when the object has no window.
    bool MoveWindow(int32_t x, int32_t y, int32_t width, int32_t height);
    bool MoveWindow(const RECT& windowRect);
    // The window's rectangle as it was given (not normalised), or for a host's window as the
    // system reports it; false when there is no window.
    bool GetWindowRect(RECT* rect) const;
    // The window's handle; null without a window, and on Windows for an object built from a
    // rectangle, which has no system window behind it.
    HWND GetSafeHwnd() const;

private:
#if defined(_WIN32)
    HWND hostWindow_;     // the host's window, or null
    RECT placement_;      // the rectangle of an object built from one
    bool placed_;         // true while placement_ stands for the window
#else
    HWND window_;
#endif
};

} // namespace zv

#endif /* ZVDLL_WINDOW_H */
