// A host's window, asked of the system.
#include "platform/windows/system_headers.h"

#include "platform/window.h"

namespace zv::platform {

bool IsSystemWindow(HWND window)
{
    return window != nullptr && ::IsWindow(window) != 0;
}

bool SetWindowRect(HWND window, const RECT& rect)
{
    if (window == nullptr) {
        return false;
    }
    const int width = static_cast<int>(static_cast<uint32_t>(rect.right) - static_cast<uint32_t>(rect.left));
    const int height = static_cast<int>(static_cast<uint32_t>(rect.bottom) - static_cast<uint32_t>(rect.top));
    return ::MoveWindow(window, rect.left, rect.top, width, height, TRUE) != 0;
}

bool GetWindowRect(HWND window, RECT* rect)
{
    ::RECT system{};
    if (window == nullptr || rect == nullptr || !::GetWindowRect(window, &system)) {
        return false;
    }
    *rect = RECT{static_cast<int32_t>(system.left), static_cast<int32_t>(system.top),
                 static_cast<int32_t>(system.right), static_cast<int32_t>(system.bottom)};
    return true;
}

} // namespace zv::platform
