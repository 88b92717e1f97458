// The fixed 256-colour palette that hosts select for 8-bit displays.
#ifndef ZV_IMAGEPROC_PALETTE_H
#define ZV_IMAGEPROC_PALETTE_H

#include <cstdint>

#include "zvdll/palette.h"

namespace zv::imageproc {

inline constexpr uint32_t kFixedPaletteSize = 256;

// Entry i of the fixed palette: red (16 i) mod 256, green (4 i) mod 256, blue i, flags 0.
PALETTEENTRY FixedPaletteEntry(uint32_t index);

// Creates the fixed palette and attaches it to `palette`, which then owns it (a palette it held
// before is deleted). When the palette block cannot be allocated, reports "Out of memory." and
// leaves `palette` as it was; a null `palette` is left alone.
void MakePalette(ZvGdiObject* palette);

} // namespace zv::imageproc

#endif
