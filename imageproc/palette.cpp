#include "imageproc/palette.h"

#include <cstring>
#include <memory>
#include <new>

#include "frame/frame.h"
#include "platform/memory.h"
#include "platform/palette.h"

namespace zv::imageproc {
namespace {

// Room for one entry more than the palette uses, as the block has always been sized.
constexpr uint64_t kPaletteBlockBytes = platform::kLogPaletteHeaderBytes + (kFixedPaletteSize + 1) * sizeof(PALETTEENTRY);
static_assert(kPaletteBlockBytes == 1032);

void FillFixedPalette(uint8_t* block)
{
    const uint16_t version = platform::kLogPaletteVersion;
    const uint16_t count = kFixedPaletteSize;
    std::memcpy(block + offsetof(platform::LOGPALETTE, palVersion), &version, sizeof version);
    std::memcpy(block + offsetof(platform::LOGPALETTE, palNumEntries), &count, sizeof count);
    for (uint32_t i = 0; i < kFixedPaletteSize; ++i) {
        const PALETTEENTRY entry = FixedPaletteEntry(i);
        std::memcpy(block + platform::kLogPaletteHeaderBytes + i * sizeof entry, &entry, sizeof entry);
    }
}

} // namespace

PALETTEENTRY FixedPaletteEntry(uint32_t index)
{
    return {static_cast<uint8_t>(16 * index), static_cast<uint8_t>(4 * index), static_cast<uint8_t>(index), 0};
}

void MakePalette(ZvGdiObject* palette)
{
    if (palette == nullptr) {
        return;
    }
    std::unique_ptr<uint8_t[]> block;
    try {
        block.reset(platform::NewPixelBuffer(kPaletteBlockBytes));
    } catch (const std::bad_alloc&) {
        frame::ReportOutOfMemory();
        return;
    }
    FillFixedPalette(block.get());
    // A palette that cannot be created leaves the slot as it was; nobody is told.
    const HPALETTE created = platform::CreatePalette(reinterpret_cast<const platform::LOGPALETTE*>(block.get()));
    if (created != nullptr) {
        ZvGdiObjectDelete(palette);
        palette->handle = created;
    }
}

} // namespace zv::imageproc
