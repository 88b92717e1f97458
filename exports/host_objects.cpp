// The host-facing window, rectangle and palette objects declared in zvdll.h. They live with
// the exports (not in platform/) because the shared library exports only what its own objects
// define; each member hands over to the window and palette stand-ins in platform/.
#include "zvdll.h"

#include <utility>

#include "platform/palette.h"
#include "platform/window.h"

namespace zv {
namespace {

// Differences wrap like the 32-bit arithmetic the rectangle's users expect, never overflow.
int32_t WrappingDifference(int32_t high, int32_t low)
{
    return static_cast<int32_t>(static_cast<uint32_t>(high) - static_cast<uint32_t>(low));
}

} // namespace

// ---- CRect ---------------------------------------------------------------------------------
CRect::CRect() : RECT{0, 0, 0, 0} {}

CRect::CRect(int32_t left, int32_t top, int32_t right, int32_t bottom) : RECT{left, top, right, bottom} {}

CRect::CRect(const RECT& rect) : RECT(rect) {}

int32_t CRect::Width() const
{
    return WrappingDifference(right, left);
}

int32_t CRect::Height() const
{
    return WrappingDifference(bottom, top);
}

void CRect::NormalizeRect()
{
    if (left > right) {
        std::swap(left, right);
    }
    if (top > bottom) {
        std::swap(top, bottom);
    }
}

// ---- CWnd ----------------------------------------------------------------------------------
#if defined(_WIN32)
// A host's window is asked for its rectangle every time; an object built from a rectangle keeps
// that rectangle itself, having no system window behind it.
CWnd::CWnd() : hostWindow_(nullptr), placement_{0, 0, 0, 0}, placed_(false) {}

CWnd::CWnd(const RECT& windowRect) : hostWindow_(nullptr), placement_(windowRect), placed_(true) {}

CWnd::CWnd(HWND hostWindow) : CWnd()
{
    Attach(hostWindow);
}

CWnd::~CWnd() = default;

bool CWnd::Attach(HWND hostWindow)
{
    if (!platform::IsSystemWindow(hostWindow)) {
        return false;
    }
    hostWindow_ = hostWindow;
    placed_ = false;
    return true;
}

HWND CWnd::Detach()
{
    return std::exchange(hostWindow_, nullptr);
}

bool CWnd::MoveWindow(const RECT& windowRect)
{
    if (hostWindow_ != nullptr) {
        return platform::SetWindowRect(hostWindow_, windowRect);
    }
    if (placed_) {
        placement_ = windowRect;
    }
    return placed_;
}

bool CWnd::GetWindowRect(RECT* rect) const
{
    if (hostWindow_ != nullptr) {
        return platform::GetWindowRect(hostWindow_, rect);
    }
    if (!placed_ || rect == nullptr) {
        return false;
    }
    *rect = placement_;
    return true;
}

HWND CWnd::GetSafeHwnd() const
{
    return hostWindow_;
}
#else
CWnd::CWnd() : window_(nullptr) {}

CWnd::CWnd(const RECT& windowRect) : window_(platform::CreateWindowHandle(windowRect)) {}

CWnd::~CWnd()
{
    platform::DestroyWindowHandle(window_);
}

bool CWnd::MoveWindow(const RECT& windowRect)
{
    return platform::SetWindowRect(window_, windowRect);
}

bool CWnd::GetWindowRect(RECT* rect) const
{
    return platform::GetWindowRect(window_, rect);
}

HWND CWnd::GetSafeHwnd() const
{
    return window_;
}
#endif

bool CWnd::MoveWindow(int32_t x, int32_t y, int32_t width, int32_t height)
{
    const auto right = static_cast<int32_t>(static_cast<uint32_t>(x) + static_cast<uint32_t>(width));
    const auto bottom = static_cast<int32_t>(static_cast<uint32_t>(y) + static_cast<uint32_t>(height));
    return MoveWindow(RECT{x, y, right, bottom});
}

// ---- CGdiObject, CPalette ------------------------------------------------------------------
CGdiObject::CGdiObject() : handle_(nullptr) {}

CGdiObject::~CGdiObject()
{
    platform::DeleteObject(handle_);
}

bool CGdiObject::Attach(HGDIOBJ handle)
{
    if (handle == nullptr) {
        return false;
    }
    if (handle != handle_) {
        platform::DeleteObject(handle_);
        handle_ = handle;
    }
    return true;
}

HGDIOBJ CGdiObject::Detach()
{
    return std::exchange(handle_, nullptr);
}

bool CGdiObject::DeleteObject()
{
    return platform::DeleteObject(std::exchange(handle_, nullptr));
}

HGDIOBJ CGdiObject::GetSafeHandle() const
{
    return handle_;
}

int32_t CPalette::GetEntryCount() const
{
    return static_cast<int32_t>(platform::GetPaletteEntryCount(static_cast<HPALETTE>(GetSafeHandle())));
}

uint32_t CPalette::GetPaletteEntries(uint32_t start, uint32_t count, PALETTEENTRY* entries) const
{
    return platform::GetPaletteEntries(static_cast<HPALETTE>(GetSafeHandle()), start, count, entries);
}

} // namespace zv
