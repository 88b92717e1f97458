/* zvdll/palette.h — the host palette object that ZV_MakePalette fills, for C++ hosts */
#ifndef ZVDLL_PALETTE_H
#define ZVDLL_PALETTE_H

#include "zvdll/c_objects.h"

#include <stdint.h>

#if defined(_WIN32)
/* The system's own GDI handle type, declared as <windows.h> declares it (STRICT, the default),
 * so that either header may come first: a CPalette holds a real HPALETTE. */
struct HPALETTE__;
#endif

namespace zv {

#if defined(_WIN32)
typedef void* HGDIOBJ;
typedef ::HPALETTE__* HPALETTE;
#else
/* Opaque; valid while the object that owns it lives. */
struct GdiHandleRecord;
typedef GdiHandleRecord* HGDIOBJ;
typedef HGDIOBJ HPALETTE;
#endif

typedef ::ZvPaletteEntry PALETTEENTRY;

/* Owns at most one GDI object handle and deletes it in its destructor. Not polymorphic:
 * destroy a CPalette as a CPalette.
 *
 * Layout: one pointer, the handle (a ZvGdiObject); the object it names is made and deleted
 * inside the library. */
class CGdiObject {
public:
    CGdiObject() noexcept : object_{nullptr} {}
    ~CGdiObject() { ZvGdiObjectDelete(&object_); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    // Takes ownership of `handle`, deleting the one held before; false (nothing changed) for null.
    bool Attach(HGDIOBJ handle)
    {
        if (handle == nullptr) {
            return false;
        }
        if (handle != GetSafeHandle()) {
            ZvGdiObjectDelete(&object_);
            object_.handle = handle;
        }
        return true;
    }
    // Gives up ownership without deleting; returns the handle (null when none).
    HGDIOBJ Detach()
    {
        const HGDIOBJ handle = GetSafeHandle();
        object_.handle = nullptr;
        return handle;
    }
    // Deletes the held object; false when there is none.
    bool DeleteObject() { return ZvGdiObjectDelete(&object_) != 0; }
    HGDIOBJ GetSafeHandle() const { return static_cast<HGDIOBJ>(object_.handle); }

    // The C object behind it, for the C form of the exports.
    ZvGdiObject* Handle() noexcept { return &object_; }
    const ZvGdiObject* Handle() const noexcept { return &object_; }

private:
    ZvGdiObject object_;
};

class CPalette : public CGdiObject {
public:
    int32_t GetEntryCount() const { return ZvPaletteEntryCount(Handle()); }   // 0 without a palette
    // Copies up to `count` entries from index `start`; returns how many were copied.
    uint32_t GetPaletteEntries(uint32_t start, uint32_t count, PALETTEENTRY* entries) const
    {
        return ZvPaletteGetEntries(Handle(), start, count, entries);
    }
};

} // namespace zv

#endif /* ZVDLL_PALETTE_H */
