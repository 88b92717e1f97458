#include "imaging/pixels/orient.h"

#include "imaging/core/errors.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zv::imaging {
namespace {

constexpr size_t kPixel = 3;

// The tile side that measured fastest on a 24-megapixel picture (bench/orient_bench.cpp): 64
// pixels, 192 bytes of each of 64 source rows, still fits the first-level cache; 32 is within
// noise of it, 8 and 16 are clearly slower, and walking the tile down target columns instead
// of along target rows is slower at every size.
constexpr uint32_t kDefaultTile = 64;

// A fixed-size copy: the compiler turns it into two moves instead of a call.
inline void CopyPixel(uint8_t* to, const uint8_t* from)
{
    std::memcpy(to, from, kPixel);
}

inline void SwapPixels(uint8_t* a, uint8_t* b)
{
    uint8_t held[kPixel];
    CopyPixel(held, a);
    CopyPixel(a, b);
    CopyPixel(b, held);
}

// `count` pixels from `from` into `to` in reverse order; the rows are distinct.
void CopyReversed(const uint8_t* from, uint8_t* to, size_t count)
{
    size_t back = (count - 1) * kPixel;
    for (size_t i = 0; i < count; ++i, back -= kPixel) {
        CopyPixel(to + i * kPixel, from + back);
    }
}

// Row a becomes row b reversed and row b becomes row a reversed; with a == b the row is
// reversed in place.
void SwapReversed(uint8_t* a, uint8_t* b, size_t count)
{
    const size_t pairs = a == b ? count / 2 : count;
    size_t back = (count - 1) * kPixel;
    for (size_t i = 0; i < pairs; ++i, back -= kPixel) {
        SwapPixels(a + i * kPixel, b + back);
    }
}

void SwapRows(uint8_t* a, uint8_t* b, size_t bytes)
{
    uint8_t held[4096];
    while (bytes > 0) {
        const size_t n = std::min(bytes, sizeof held);
        std::memcpy(held, a, n);
        std::memcpy(a, b, n);
        std::memcpy(b, held, n);
        a += n;
        b += n;
        bytes -= n;
    }
}

// Orientations 2 to 4: each target row is a source row, forwards or reversed.
void FlipRows(const uint8_t* source, size_t width, size_t height, int orientation, uint8_t* target)
{
    const size_t stride = width * kPixel;
    const bool mirror = orientation != 4;      // 2 and 3 reverse each row
    const bool upsideDown = orientation != 2;  // 3 and 4 reverse the row order
    if (target == source) {
        uint8_t* rows = target;
        if (!upsideDown) {
            for (size_t y = 0; y < height; ++y) {
                SwapReversed(rows + y * stride, rows + y * stride, width);
            }
            return;
        }
        for (size_t y = 0; y < height / 2; ++y) {
            uint8_t* top = rows + y * stride;
            uint8_t* bottom = rows + (height - 1 - y) * stride;
            if (mirror) {
                SwapReversed(top, bottom, width);
            } else {
                SwapRows(top, bottom, stride);
            }
        }
        if (mirror && height % 2 == 1) {
            uint8_t* middle = rows + height / 2 * stride;
            SwapReversed(middle, middle, width);
        }
        return;
    }
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* from = source + (upsideDown ? height - 1 - y : y) * stride;
        uint8_t* to = target + y * stride;
        if (mirror) {
            CopyReversed(from, to, width);
        } else {
            std::memcpy(to, from, stride);
        }
    }
}

// Orientations 5 to 8. The target is height x width pixels; its pixel (x, y) is the source
// byte at `origin + y * alongRow + x * alongColumn`, where alongRow steps one pixel along a
// source row and alongColumn one row down or up a source column. Working in square tiles keeps
// the source rows that one tile reads in cache while the target rows are written in order.
template <uint32_t Tile>
void Transpose(const uint8_t* source, ptrdiff_t origin, ptrdiff_t alongRow, ptrdiff_t alongColumn,
               uint8_t* target, uint32_t targetWidth, uint32_t targetHeight)
{
    const size_t targetStride = size_t{targetWidth} * kPixel;
    for (uint32_t tileY = 0; tileY < targetHeight; tileY += Tile) {
        const uint32_t endY = std::min(targetHeight - tileY, Tile) + tileY;
        for (uint32_t tileX = 0; tileX < targetWidth; tileX += Tile) {
            const uint32_t count = std::min(targetWidth - tileX, Tile);
            for (uint32_t y = tileY; y < endY; ++y) {
                uint8_t* out = target + y * targetStride + size_t{tileX} * kPixel;
                // An offset rather than a pointer: a pointer stepped past the last pixel of a
                // column could point before the buffer.
                ptrdiff_t at = origin + static_cast<ptrdiff_t>(y) * alongRow +
                               static_cast<ptrdiff_t>(tileX) * alongColumn;
                for (uint32_t x = 0; x < count; ++x, at += alongColumn) {
                    CopyPixel(out + size_t{x} * kPixel, source + at);
                }
            }
        }
    }
}

void Turn(const uint8_t* source, uint32_t width, uint32_t height, int orientation, uint8_t* target, uint32_t tile)
{
    // The image block's size fits ptrdiff_t, so its sides do as well where that is 32 bits.
    const ptrdiff_t pixel = kPixel;
    const ptrdiff_t stride = static_cast<ptrdiff_t>(width) * pixel;
    const ptrdiff_t lastRow = static_cast<ptrdiff_t>(height - 1) * stride;
    const ptrdiff_t lastColumn = static_cast<ptrdiff_t>(width - 1) * pixel;
    // Where the target's first pixel comes from and which way its rows and columns run.
    ptrdiff_t origin = 0, alongRow = pixel, alongColumn = stride;  // 5: transpose
    switch (orientation) {
    case 6:  // the source's first row is the right edge, its first column the top
        origin = lastRow;
        alongColumn = -stride;
        break;
    case 7:  // first row on the right, first column at the bottom
        origin = lastRow + lastColumn;
        alongRow = -pixel;
        alongColumn = -stride;
        break;
    case 8:  // first row on the left, first column at the bottom
        origin = lastColumn;
        alongRow = -pixel;
        break;
    default:
        break;
    }
    switch (tile) {
    case 8:
        return Transpose<8>(source, origin, alongRow, alongColumn, target, height, width);
    case 16:
        return Transpose<16>(source, origin, alongRow, alongColumn, target, height, width);
    case 32:
        return Transpose<32>(source, origin, alongRow, alongColumn, target, height, width);
    default:
        return Transpose<kDefaultTile>(source, origin, alongRow, alongColumn, target, height, width);
    }
}

bool Overlap(const uint8_t* a, const uint8_t* b, size_t bytes)
{
    const auto x = reinterpret_cast<uintptr_t>(a);
    const auto y = reinterpret_cast<uintptr_t>(b);
    return x < y + bytes && y < x + bytes;
}

} // namespace

bool OrientPixelsWithTile(const uint8_t* source, uint32_t width, uint32_t height, int orientation,
                          uint8_t* target, uint32_t tile)
{
    // The product of two 32-bit sides always fits 64 bits; the byte count must also be one
    // that an addressable buffer can have.
    const uint64_t pixels = uint64_t{width} * height;
    if (source == nullptr || target == nullptr || width == 0 || height == 0 || orientation < 1 ||
        orientation > 8 || pixels > uint64_t{PTRDIFF_MAX} / kPixel) {
        Fail(Format::Pixels, Problem::BadArgument);
        return false;
    }
    const size_t bytes = static_cast<size_t>(pixels) * kPixel;
    const bool inPlace = target == source && orientation <= 4;
    if (!inPlace && Overlap(source, target, bytes)) {
        Fail(Format::Pixels, Problem::BadArgument);
        return false;
    }
    if (orientation == 1) {
        if (!inPlace) {
            std::memcpy(target, source, bytes);
        }
    } else if (orientation <= 4) {
        FlipRows(source, width, height, orientation, target);
    } else {
        Turn(source, width, height, orientation, target, tile);
    }
    return true;
}

bool OrientPixels(const uint8_t* source, uint32_t width, uint32_t height, int orientation, uint8_t* target)
{
    return OrientPixelsWithTile(source, width, height, orientation, target, kDefaultTile);
}

} // namespace zv::imaging
