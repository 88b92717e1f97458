/* zvdll/palette.h — the host palette object that ZV_MakePalette fills */
#ifndef ZVDLL_PALETTE_H
#define ZVDLL_PALETTE_H

#include "zvdll/api.h"

#include <cstdint>

namespace zv {

/* A CPalette owns the palette that ZV_MakePalette attaches to it and releases it with itself. */
#if defined(_WIN32)
}  // namespace zv
/* The system's own GDI handle types, declared as <windows.h> declares them (STRICT, the
 * default), so that either header may come first: a CPalette holds a real HPALETTE. */
struct HPALETTE__;
namespace zv {
typedef void* HGDIOBJ;
typedef ::HPALETTE__* HPALETTE;
#else
/* Opaque; valid while the object that owns it lives. */
struct GdiHandleRecord;
typedef GdiHandleRecord* HGDIOBJ;
typedef HGDIOBJ HPALETTE;
#endif

struct PALETTEENTRY {
    uint8_t peRed;
    uint8_t peGreen;
    uint8_t peBlue;
    uint8_t peFlags;
};

/* Owns at most one GDI object handle and deletes it in its destructor. Not polymorphic:
 * destroy a CPalette as a CPalette. */
class ZV_API CGdiObject {
public:
    CGdiObject();
    ~CGdiObject();
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    // Takes ownership of `handle`, deleting the one held before; false (nothing changed) for null.
    bool Attach(HGDIOBJ handle);
    // Gives up ownership without deleting; returns the handle (null when none).
    HGDIOBJ Detach();
    // Deletes the held object; false when there is none.
    bool DeleteObject();
    HGDIOBJ GetSafeHandle() const;

private:
    HGDIOBJ handle_;
};

class ZV_API CPalette : public CGdiObject {
public:
    int32_t GetEntryCount() const;   // 0 without a palette
    // Copies up to `count` entries from index `start`; returns how many were copied.
    uint32_t GetPaletteEntries(uint32_t start, uint32_t count, PALETTEENTRY* entries) const;
};

} // namespace zv

#endif /* ZVDLL_PALETTE_H */
