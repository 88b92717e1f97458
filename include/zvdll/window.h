/* zvdll/window.h — the host window object that the display copy fits into, for C++ hosts */
#ifndef ZVDLL_WINDOW_H
#define ZVDLL_WINDOW_H

#include "zvdll/c_objects.h"

#include <stdint.h>

#if defined(_WIN32)
/* The system's own window handle type, declared as <windows.h> declares it (STRICT, the
 * default), so that either header may come first. */
struct HWND__;
#endif

namespace zv {

#if defined(_WIN32)
typedef ::HWND__* HWND;
#else
/* Opaque; valid while its CWnd lives. */
typedef ::ZvWindow* HWND;
#endif

typedef ::ZvRect RECT;

/* A rectangle; plain data, nothing of it lives in the library. */
class CRect : public RECT {
public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int32_t left, int32_t top, int32_t right, int32_t bottom) : RECT{left, top, right, bottom} {}
    CRect(const RECT& rect) : RECT(rect) {}
    // right - left and bottom - top, wrapping like 32-bit arithmetic; negative until normalised.
    int32_t Width() const { return Difference(right, left); }
    int32_t Height() const { return Difference(bottom, top); }
    // Swaps left/right and top/bottom so that left <= right, top <= bottom.
    void NormalizeRect()
    {
        if (left > right) {
            const int32_t swap = left;
            left = right;
            right = swap;
        }
        if (top > bottom) {
            const int32_t swap = top;
            top = bottom;
            bottom = swap;
        }
    }

private:
    static int32_t Difference(int32_t high, int32_t low)
    {
        return static_cast<int32_t>(static_cast<uint32_t>(high) - static_cast<uint32_t>(low));
    }
};

/* The window object that ZV_DisplayFrame works on. A host builds a CWnd from its window's
 * rectangle and moves or resizes it whenever its real window changes; ZV_DisplayFrame fits the
 * display copy into that rectangle. On Windows a host may instead build it over its real window
 * (its HWND): the rectangle is then asked of the system every time. The library never shares
 * these objects between threads.
 *
 * Layout: one pointer, to a ZvWindow that the library made (null for an object without a
 * window); every member is inline over the ZvWindow functions of zvdll/c_objects.h. */
class CWnd {
public:
    CWnd() noexcept : window_(nullptr) {}                               // GetSafeHwnd() is null
    explicit CWnd(const RECT& windowRect) : window_(ZvWindowNew(&windowRect)) {}  // screen pixels
#if defined(_WIN32)
    // Over the host's real window, which stays the host's: the CWnd never destroys it.
    explicit CWnd(HWND hostWindow) : window_(ZvWindowNewOver(hostWindow)) {}
    // Puts the object over the host's window `hostWindow` in place of what it had; false (and
    // nothing changed) for null or a handle that names no window.
    bool Attach(HWND hostWindow)
    {
        ZvWindow* over = ZvWindowNewOver(hostWindow);
        if (over == nullptr) {
            return false;
        }
        ZvWindowFree(window_);
        window_ = over;
        return true;
    }
    // Lets go of the host's window; returns it (null when the object had none).
    HWND Detach()
    {
        const HWND hostWindow = GetSafeHwnd();
        if (hostWindow != nullptr) {
            ZvWindowFree(window_);
            window_ = nullptr;
        }
        return hostWindow;
    }
#endif
    ~CWnd() { ZvWindowFree(window_); }   // destroys a window the object made itself
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Moves or resizes the window; false when the object has no window.
    bool MoveWindow(int32_t x, int32_t y, int32_t width, int32_t height)
    {
        const RECT rect{x, y, static_cast<int32_t>(static_cast<uint32_t>(x) + static_cast<uint32_t>(width)),
                        static_cast<int32_t>(static_cast<uint32_t>(y) + static_cast<uint32_t>(height))};
        return MoveWindow(rect);
    }
    bool MoveWindow(const RECT& windowRect) { return ZvWindowMove(window_, &windowRect) != 0; }
    // The window's rectangle as it was given (not normalised), or for a host's window as the
    // system reports it; false when there is no window.
    bool GetWindowRect(RECT* rect) const { return ZvWindowGetRect(window_, rect) != 0; }
    // The window's handle; null without a window, and on Windows for an object built from a
    // rectangle, which has no system window behind it.
    HWND GetSafeHwnd() const { return static_cast<HWND>(ZvWindowSystemHandle(window_)); }

    // The C object behind it, for the C form of the exports.
    ZvWindow* Handle() const noexcept { return window_; }

private:
    ZvWindow* window_;
};

} // namespace zv

#endif /* ZVDLL_WINDOW_H */
