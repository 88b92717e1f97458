// Palette indices to 3-byte pixels through a 1024-byte palette block (red, green, blue, 0).
// Indices at or above `colours` have no entry and come out black.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"

#include <algorithm>
#include <cstring>

namespace zv::imaging {
namespace {

void ConvertRow(const uint8_t* indices, uint32_t width, uint8_t* out, const uint8_t (*table)[3])
{
    for (uint32_t x = 0; x < width; ++x, out += 3) {
        std::memcpy(out, table[indices[x]], 3);
    }
}

} // namespace
} // namespace zv::imaging

uint32_t IS40_8BitToRGB(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t inRowStride,
                        uint8_t* output, uint32_t outRowStride, uint32_t colours,
                        const uint8_t* palette1024, uint32_t)
{
    using namespace zv::imaging;
    if (pixels == nullptr || output == nullptr || palette1024 == nullptr || inRowStride < width ||
        static_cast<uint64_t>(outRowStride) < static_cast<uint64_t>(width) * 3) {
        Fail(Format::Pixels, Problem::BadArgument);
        return 0;
    }
    uint8_t table[256][3] = {};
    const uint32_t entries = std::min<uint32_t>(colours, 256);
    for (uint32_t i = 0; i < entries; ++i) {
        std::memcpy(table[i], palette1024 + i * 4, 3);
    }
    for (uint32_t y = 0; y < height; ++y) {
        ConvertRow(pixels + static_cast<size_t>(y) * inRowStride, width,
                   output + static_cast<size_t>(y) * outRowStride, table);
    }
    return 1;
}
