#include "imaging/metafile/cairo/cairo_pixels.h"

#include <algorithm>
#include <cmath>

namespace zv::imaging::metafile {
namespace {

// The source bitmap's pixel under an output pixel's centre, edges repeated outward.
uint32_t SourceAt(const Bitmap& bitmap, const Affine& outputToBitmap, int x, int y)
{
    const Point p = outputToBitmap.Apply({x + 0.5, y + 0.5});
    const double maxX = bitmap.width - 1;
    const double maxY = bitmap.height - 1;
    const auto bx = static_cast<size_t>(std::isfinite(p.x) ? std::clamp(std::floor(p.x), 0.0, maxX) : 0);
    const auto by = static_cast<size_t>(std::isfinite(p.y) ? std::clamp(std::floor(p.y), 0.0, maxY) : 0);
    return bitmap.pixels[by * static_cast<size_t>(bitmap.width) + bx] & 0x00FFFFFFu;
}

// The destination moved towards `result` by the coverage (0..255) of an anti-aliased edge.
uint32_t Blend(uint32_t destination, uint32_t result, unsigned coverage)
{
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        const unsigned d = (destination >> shift) & 0xFF;
        const unsigned r = (result >> shift) & 0xFF;
        out |= ((d * (255 - coverage) + r * coverage + 127) / 255) << shift;
    }
    return out;
}

// Whether a ternary code's result depends on the pattern bits.
bool UsesPattern(uint8_t rop)
{
    return (rop >> 4) != (rop & 0x0F);
}

} // namespace

uint32_t PackColor(Color color)
{
    return 0xFF000000u | (static_cast<uint32_t>(color.r) << 16) |
           (static_cast<uint32_t>(color.g) << 8) | color.b;
}

bool HatchCovers(uint32_t hatch, int x, int y)
{
    switch (hatch) {
    case 0:
        return y == kHatchSize / 2;
    case 1:
        return x == kHatchSize / 2;
    case 2:
        return x == y;                       // top-left to bottom-right
    case 3:
        return x + y == kHatchSize - 1;      // bottom-left to top-right
    case 4:
        return x == kHatchSize / 2 || y == kHatchSize / 2;
    default:
        return x == y || x + y == kHatchSize - 1;
    }
}

std::optional<uint32_t> PatternAt(const FillStyle& style, int x, int y)
{
    const Brush& brush = style.brush;
    switch (brush.kind) {
    case BrushKind::Null:
        return std::nullopt;
    case BrushKind::Hatched:
        if (HatchCovers(brush.hatch, x % kHatchSize, y % kHatchSize)) {
            return PackColor(brush.color) & 0x00FFFFFFu;
        }
        return style.opaqueBackground ? std::optional<uint32_t>(PackColor(style.background) & 0x00FFFFFFu)
                                      : std::nullopt;
    case BrushKind::Pattern:
        if (brush.pattern != nullptr && brush.pattern->width > 0 && brush.pattern->height > 0) {
            const Bitmap& tile = *brush.pattern;
            return tile.pixels[static_cast<size_t>(y % tile.height) * tile.width + x % tile.width] & 0x00FFFFFFu;
        }
        return PackColor(brush.color) & 0x00FFFFFFu;
    default:
        return PackColor(brush.color) & 0x00FFFFFFu;
    }
}

PixelBox BoxWithin(const Rect& bounds, int width, int height)
{
    const auto clampTo = [](double value, int limit) {
        return std::isfinite(value) ? static_cast<int>(std::clamp(value, 0.0, static_cast<double>(limit))) : 0;
    };
    return {clampTo(std::floor(bounds.left), width), clampTo(std::floor(bounds.top), height),
            clampTo(std::ceil(bounds.right), width), clampTo(std::ceil(bounds.bottom), height)};
}

void CombinePixels(const PixelBox& box, const unsigned char* coverage, int coverageStride,
                   unsigned char* pixels, int stride, const Combination& how)
{
    // An operation that ignores the brush draws even while a null or hatched brush is selected.
    const bool usesPattern = UsesPattern(how.rop);
    for (int y = box.top; y < box.bottom; ++y) {
        const unsigned char* coverageRow = coverage + static_cast<size_t>(y - box.top) * coverageStride;
        auto* row = reinterpret_cast<uint32_t*>(pixels + static_cast<size_t>(y) * stride);
        for (int x = box.left; x < box.right; ++x) {
            const unsigned covered = coverageRow[x - box.left];
            if (covered == 0) {
                continue;
            }
            const std::optional<uint32_t> pattern = usesPattern ? PatternAt(how.pattern, x, y) : 0u;
            if (!pattern) {
                continue;
            }
            const uint32_t destination = row[x] & 0x00FFFFFFu;
            const uint32_t source = how.source != nullptr ? SourceAt(*how.source, how.outputToSource, x, y) : 0;
            row[x] = Blend(destination, CombineRop3(how.rop, *pattern, source, destination), covered);
        }
    }
}

} // namespace zv::imaging::metafile
