/* zvdll/window.h — the host window object that the display copy fits into */
#ifndef ZVDLL_WINDOW_H
#define ZVDLL_WINDOW_H

#include "zvdll/api.h"

#include <cstdint>

namespace zv {

/* The window object that ZV_DisplayFrame works on. A host builds a CWnd from its window's
 * rectangle and moves or resizes it whenever its real window changes; ZV_DisplayFrame fits the
 * display copy into that rectangle. Handles are opaque; a window handle is valid while its CWnd
 * lives. The library never shares these objects between threads. */
struct WindowHandleRecord;
typedef WindowHandleRecord* HWND;

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
    ~CWnd();                                 // destroys the window
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Moves or resizes the window; false when the object has no window.
    bool MoveWindow(int32_t x, int32_t y, int32_t width, int32_t height);
    bool MoveWindow(const RECT& windowRect);
    // The window's rectangle as it was given (not normalised); false when there is no window.
    bool GetWindowRect(RECT* rect) const;
    HWND GetSafeHwnd() const;

private:
    HWND window_;
};

} // namespace zv

#endif /* ZVDLL_WINDOW_H */
