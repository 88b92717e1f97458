#include "platform/palette.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace zv::platform {

HPALETTE CreatePalette(const LOGPALETTE* block)
{
    if (block == nullptr) {
        return nullptr;
    }
    // Read through bytes: the entries run past the one that the struct declares.
    const auto* bytes = reinterpret_cast<const uint8_t*>(block);
    uint16_t version = 0;
    uint16_t count = 0;
    std::memcpy(&version, bytes + offsetof(LOGPALETTE, palVersion), sizeof version);
    std::memcpy(&count, bytes + offsetof(LOGPALETTE, palNumEntries), sizeof count);
    if (version != kLogPaletteVersion || count == 0) {
        return nullptr;
    }
    try {
        auto palette = std::make_unique<GdiHandleRecord>();
        palette->entries.resize(count);
        std::memcpy(palette->entries.data(), bytes + kLogPaletteHeaderBytes, count * sizeof(PALETTEENTRY));
        return palette.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool DeleteObject(HGDIOBJ object)
{
    if (object == nullptr) {
        return false;
    }
    delete object;
    return true;
}

uint32_t GetPaletteEntryCount(HPALETTE palette)
{
    return palette == nullptr ? 0 : static_cast<uint32_t>(palette->entries.size());
}

uint32_t GetPaletteEntries(HPALETTE palette, uint32_t start, uint32_t count, PALETTEENTRY* entries)
{
    const uint32_t available = GetPaletteEntryCount(palette);
    if (entries == nullptr || start >= available) {
        return 0;
    }
    const uint32_t copied = std::min(count, available - start);
    std::copy_n(palette->entries.begin() + start, copied, entries);
    return copied;
}

} // namespace zv::platform
