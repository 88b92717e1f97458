// Logical palettes are the system's: CreatePalette makes them, GetPaletteEntries reads them
// back and DeleteObject frees them.
#include "platform/windows/system_headers.h"

#include "platform/palette.h"

#include <cstring>
#include <vector>

namespace zv::platform {
namespace {

// The library's block, checked and copied into the system's own LOGPALETTE layout (they are
// the same bytes; copying keeps the two declarations apart).
bool ToSystemBlock(const LOGPALETTE* block, std::vector<uint8_t>* system)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(block);
    uint16_t version = 0;
    uint16_t count = 0;
    std::memcpy(&version, bytes + offsetof(LOGPALETTE, palVersion), sizeof version);
    std::memcpy(&count, bytes + offsetof(LOGPALETTE, palNumEntries), sizeof count);
    if (version != kLogPaletteVersion || count == 0) {
        return false;
    }
    const size_t size = kLogPaletteHeaderBytes + size_t{count} * sizeof(PALETTEENTRY);
    system->assign(bytes, bytes + size);
    return true;
}

} // namespace

HPALETTE CreatePalette(const LOGPALETTE* block)
{
    static_assert(sizeof(::PALETTEENTRY) == sizeof(PALETTEENTRY) &&
                      offsetof(::LOGPALETTE, palPalEntry) == kLogPaletteHeaderBytes,
                  "the library's palette block is the system's");
    std::vector<uint8_t> system;
    try {
        if (block == nullptr || !ToSystemBlock(block, &system)) {
            return nullptr;
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return ::CreatePalette(reinterpret_cast<const ::LOGPALETTE*>(system.data()));
}

bool DeleteObject(HGDIOBJ object)
{
    return object != nullptr && ::DeleteObject(object) != 0;
}

uint32_t GetPaletteEntryCount(HPALETTE palette)
{
    if (palette == nullptr) {
        return 0;
    }
    WORD count = 0;
    return ::GetObjectA(palette, sizeof count, &count) == sizeof count ? count : 0;
}

uint32_t GetPaletteEntries(HPALETTE palette, uint32_t start, uint32_t count, PALETTEENTRY* entries)
{
    const uint32_t available = GetPaletteEntryCount(palette);
    if (entries == nullptr || start >= available) {
        return 0;
    }
    const uint32_t wanted = count < available - start ? count : available - start;
    return ::GetPaletteEntries(palette, start, wanted, reinterpret_cast<::PALETTEENTRY*>(entries));
}

} // namespace zv::platform
