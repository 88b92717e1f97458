// The C functions behind the host-facing window and palette objects of zvdll/window.h and
// zvdll/palette.h. They live with the exports because the shared library exports only what
// its own objects define; the system's side is in platform/.
#include "zvdll/c_objects.h"

#include "platform/palette.h"
#include "platform/window.h"

#include <new>

// A host's window object. On Windows it stands over the host's real window, asked for its
// rectangle every time, or keeps a rectangle of its own with no system window behind it;
// elsewhere it is always such a kept rectangle.
struct ZvWindow {
    zv::RECT placement{0, 0, 0, 0};
#if defined(_WIN32)
    zv::HWND hostWindow = nullptr;
#endif
};

namespace {

zv::HGDIOBJ HeldObject(const ZvGdiObject* object)
{
    return object == nullptr ? nullptr : static_cast<zv::HGDIOBJ>(object->handle);
}

zv::HPALETTE HeldPalette(const ZvGdiObject* palette)
{
    return static_cast<zv::HPALETTE>(HeldObject(palette));
}

} // namespace

extern "C" {

ZV_API ZvWindow* ZvWindowNew(const ZvRect* rect)
{
    auto* window = new ZvWindow;
    if (rect != nullptr) {
        window->placement = *rect;
    }
    return window;
}

ZV_API ZvWindow* ZvWindowNewOver(void* systemWindow)
{
#if defined(_WIN32)
    const auto hostWindow = static_cast<zv::HWND>(systemWindow);
    if (!zv::platform::IsSystemWindow(hostWindow)) {
        return nullptr;
    }
    auto* window = new ZvWindow;
    window->hostWindow = hostWindow;
    return window;
#else
    (void)systemWindow;
    return nullptr;
#endif
}

ZV_API void ZvWindowFree(ZvWindow* window)
{
    delete window;
}

ZV_API int32_t ZvWindowMove(ZvWindow* window, const ZvRect* rect)
{
    if (window == nullptr || rect == nullptr) {
        return 0;
    }
#if defined(_WIN32)
    if (window->hostWindow != nullptr) {
        return zv::platform::SetWindowRect(window->hostWindow, *rect) ? 1 : 0;
    }
#endif
    window->placement = *rect;
    return 1;
}

ZV_API int32_t ZvWindowGetRect(const ZvWindow* window, ZvRect* rect)
{
    if (window == nullptr || rect == nullptr) {
        return 0;
    }
#if defined(_WIN32)
    if (window->hostWindow != nullptr) {
        return zv::platform::GetWindowRect(window->hostWindow, rect) ? 1 : 0;
    }
#endif
    *rect = window->placement;
    return 1;
}

ZV_API void* ZvWindowSystemHandle(const ZvWindow* window)
{
#if defined(_WIN32)
    return window == nullptr ? nullptr : window->hostWindow;
#else
    return const_cast<ZvWindow*>(window);
#endif
}

ZV_API int32_t ZvGdiObjectDelete(ZvGdiObject* object)
{
    if (object == nullptr) {
        return 0;
    }
    const zv::HGDIOBJ held = HeldObject(object);
    object->handle = nullptr;
    return zv::platform::DeleteObject(held) ? 1 : 0;
}

ZV_API int32_t ZvPaletteEntryCount(const ZvGdiObject* palette)
{
    return static_cast<int32_t>(zv::platform::GetPaletteEntryCount(HeldPalette(palette)));
}

ZV_API uint32_t ZvPaletteGetEntries(const ZvGdiObject* palette, uint32_t start, uint32_t count,
                                    ZvPaletteEntry* entries)
{
    return zv::platform::GetPaletteEntries(HeldPalette(palette), start, count, entries);
}

} // extern "C"
