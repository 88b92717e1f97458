#include "platform/window.h"

namespace zv::platform {

HWND CreateWindowHandle(const RECT& rect)
{
    return new WindowHandleRecord{rect};
}

void DestroyWindowHandle(HWND window)
{
    delete window;
}

bool SetWindowRect(HWND window, const RECT& rect)
{
    if (window == nullptr) {
        return false;
    }
    window->rect = rect;
    return true;
}

bool GetWindowRect(HWND window, RECT* rect)
{
    if (window == nullptr || rect == nullptr) {
        return false;
    }
    *rect = window->rect;
    return true;
}

} // namespace zv::platform
