// Logical palettes: built from a LOGPALETTE block, owned through a GDI object handle (on
// Windows the system's own palette).
#ifndef ZV_PLATFORM_PALETTE_H
#define ZV_PLATFORM_PALETTE_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "zvdll/palette.h"

#if !defined(_WIN32)
namespace zv {

// What a GDI object handle designates where the library keeps palettes itself. Palettes are
// the only GDI objects the library makes.
struct GdiHandleRecord {
    std::vector<PALETTEENTRY> entries;
};

} // namespace zv
#endif

namespace zv::platform {

// The block handed to CreatePalette: a 16-bit version, a 16-bit entry count, then `count`
// entries of 4 bytes (red, green, blue, flags). The block is laid out byte for byte as below,
// with the entries following the two counts directly.
struct LOGPALETTE {
    uint16_t palVersion;
    uint16_t palNumEntries;
    PALETTEENTRY palPalEntry[1];
};
inline constexpr uint16_t kLogPaletteVersion = 0x300;
inline constexpr size_t kLogPaletteHeaderBytes = offsetof(LOGPALETTE, palPalEntry);
static_assert(kLogPaletteHeaderBytes == 4 && sizeof(PALETTEENTRY) == 4, "the block layout is fixed");

// A new palette with the block's entries, or null when the block is null, its version is not
// 0x300, it has no entries, or memory is exhausted. The block must hold palNumEntries entries.
HPALETTE CreatePalette(const LOGPALETTE* block);
// Deletes a GDI object; false for null.
bool DeleteObject(HGDIOBJ object);
// Number of entries of a palette; 0 for null.
uint32_t GetPaletteEntryCount(HPALETTE palette);
// Copies entries [start, start + count) that exist into `entries`; returns how many it copied.
uint32_t GetPaletteEntries(HPALETTE palette, uint32_t start, uint32_t count, PALETTEENTRY* entries);

} // namespace zv::platform

#endif
