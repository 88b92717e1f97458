// Resampling of 3-byte pixels.
//
// Modes:
//   16  the high-quality resampler: Lanczos-3, separable, in both directions (resize_filter.h
//       says why this filter). Shrinking, its window grows with the reduction, so detail
//       finer than the output can show comes out as flat grey instead of moiré. Enlarging, it
//       interpolates, and each output is clamped to the range of its nearest source pixels,
//       so step edges stay sharp without ringing. An axis that keeps its size is copied.
//    0  nearest neighbour: each output pixel takes the source pixel under its centre. Fast,
//       for previews; it aliases when shrinking.
//   Any other mode, and any bytesPerPixel other than 3, fails with code 5. `flags` is reserved
//   and ignored.
//
// How mode 16 works. Each axis's weights are computed once per call in 14-bit fixed point,
// each output's summing to exactly one, so flat colour stays exactly flat. Source rows are
// filtered along x as they are needed, four at a time (resize_kernels.h), into a ring of
// filtered rows just deep enough for one output row's window; each output row is then the
// weighted sum of its window's rows. Every source row is read once, straight along memory,
// and the intermediate image is never whole in memory: the ring holds a few dozen rows of
// the output's width, which stay in cache.
//
// Input and output must not overlap.
//
// Failures: null buffers, a zero size, or a row stride shorter than its row give code 5; the
// temporaries (weight tables and the ring) are checked against the allocation limit first
// and give code 1 when they do not fit or cannot be allocated.
#include "imaging/pixels/resize.h"

#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace zv::imaging {
namespace {

constexpr uint32_t kChannels = 3;
constexpr uint32_t kModeNearest = 0;
constexpr uint32_t kModeHighQuality = 16;

struct Image {
    const uint8_t* pixels;
    uint32_t width;
    uint32_t height;
    uint32_t stride;

    const uint8_t* Row(uint32_t y) const { return pixels + uint64_t{y} * stride; }
    size_t RowBytes() const { return size_t{width} * kChannels; }
};

struct Target {
    uint8_t* pixels;
    uint32_t width;
    uint32_t height;
    uint32_t stride;

    uint8_t* Row(uint32_t y) const { return pixels + uint64_t{y} * stride; }
    size_t RowBytes() const { return size_t{width} * kChannels; }
};

uint32_t Refuse(Problem problem)
{
    Fail(Format::Pixels, problem);
    return 0;
}

uint32_t CopyRows(const Image& in, const Target& out)
{
    for (uint32_t y = 0; y < out.height; ++y) {
        std::memcpy(out.Row(y), in.Row(y), out.RowBytes());
    }
    return 1;
}

// ---- Filtered rows ---------------------------------------------------------------------------

// Source rows filtered along x, each in the slot of its index modulo the ring's depth.
class RowRing {
public:
    RowRing(uint32_t slots, size_t values) : slots_(slots), stride_(values + kRowPadding), rows_(slots * stride_) {}

    int16_t* Row(uint32_t sourceRow) { return rows_.data() + size_t{sourceRow % slots_} * stride_; }
    const int16_t* Row(uint32_t sourceRow) const { return rows_.data() + size_t{sourceRow % slots_} * stride_; }

private:
    uint32_t slots_;
    size_t stride_;
    std::vector<int16_t> rows_;
};

// The depth that keeps every output row's window in the ring. Rows are filtered in order, in
// groups of kRowsAtOnce, so up to kRowsAtOnce − 1 past the furthest row needed so far; the
// window's first row must not have been overwritten by then.
uint32_t RingDepth(const AxisFilter& rows)
{
    uint32_t furthest = 0;
    uint32_t depth = 1;
    for (size_t y = 0; y < rows.first.size(); ++y) {
        furthest = std::max(furthest, rows.first[y] + rows.taps[y]);
        depth = static_cast<uint32_t>(std::max<uint64_t>(depth, uint64_t{furthest} + kRowsAtOnce - 1 - rows.first[y]));
    }
    return depth;
}

uint64_t RingBytes(uint32_t depth, const Target& out)
{
    return uint64_t{depth} * (out.RowBytes() + kRowPadding) * sizeof(int16_t);
}

// Enlarging along x: each value clamped to the range of its pixel's nearest source pixels.
void ClampPixelsToNearest(const AxisFilter& columns, const uint8_t* source, int16_t* row)
{
    for (size_t i = 0; i < columns.first.size(); ++i) {
        const uint8_t* near = source + size_t{columns.nearFirst[i]} * kChannels;
        for (size_t c = 0; c < kChannels; ++c) {
            uint8_t low = near[c];
            uint8_t high = near[c];
            for (uint32_t k = 1; k < columns.nearCount[i]; ++k) {
                low = std::min(low, near[kChannels * k + c]);
                high = std::max(high, near[kChannels * k + c]);
            }
            int16_t& value = row[kChannels * i + c];
            value = std::clamp<int16_t>(value, static_cast<int16_t>(low << kRowFractionBits),
                                        static_cast<int16_t>(high << kRowFractionBits));
        }
    }
}

// Filters source rows `row` … `row` + kRowsAtOnce − 1, those there are, into the ring;
// returns the next row to filter.
uint32_t FilterSourceRows(const Image& in, const AxisFilter& columns, HorizontalPass pass, uint32_t row,
                          RowRing* ring)
{
    const uint32_t count = std::min(kRowsAtOnce, in.height - row);
    const uint8_t* sources[kRowsAtOnce];
    int16_t* targets[kRowsAtOnce];
    for (uint32_t r = 0; r < count; ++r) {
        sources[r] = in.Row(row + r);
        targets[r] = ring->Row(row + r);
    }
    pass(columns, sources, targets, count, in.RowBytes());
    for (uint32_t r = 0; columns.clampsToNearest && r < count; ++r) {
        ClampPixelsToNearest(columns, sources[r], targets[r]);
    }
    return row + count;
}

// Enlarging along y: each byte clamped to the range of its nearest filtered rows. Rounding
// to bytes keeps order, so clamping the rounded value to the rounded bounds is the same as
// rounding the clamped value.
void ClampRowToNearest(const RowRing& ring, const AxisFilter& rows, size_t y, size_t length, uint8_t* out)
{
    const int16_t* near[kNearPixels];
    const uint32_t count = rows.nearCount[y];
    for (uint32_t k = 0; k < count; ++k) {
        near[k] = ring.Row(rows.nearFirst[y] + k);
    }
    constexpr int half = 1 << (kRowFractionBits - 1);
    for (size_t x = 0; x < length; ++x) {
        int low = near[0][x];
        int high = near[0][x];
        for (uint32_t k = 1; k < count; ++k) {
            low = std::min<int>(low, near[k][x]);
            high = std::max<int>(high, near[k][x]);
        }
        const int lowByte = (low + half) >> kRowFractionBits;
        const int highByte = (high + half) >> kRowFractionBits;
        out[x] = static_cast<uint8_t>(std::clamp<int>(out[x], lowByte, highByte));
    }
}

void ResizeRows(const Image& in, const Target& out, const AxisFilter& columns, const AxisFilter& rows,
                const ResizePasses& passes, RowRing* ring)
{
    std::vector<const int16_t*> window(rows.maxTaps);
    uint32_t next = *std::min_element(rows.first.begin(), rows.first.end());
    for (uint32_t y = 0; y < out.height; ++y) {
        const uint32_t taps = rows.taps[y];
        while (next < rows.first[y] + taps) {
            next = FilterSourceRows(in, columns, passes.horizontal, next, ring);
        }
        for (uint32_t k = 0; k < taps; ++k) {
            window[k] = ring->Row(rows.first[y] + k);
        }
        passes.vertical(window.data(), rows.weights.data() + rows.offset[y], taps, out.RowBytes(), out.Row(y));
        if (rows.clampsToNearest) {
            ClampRowToNearest(*ring, rows, y, out.RowBytes(), out.Row(y));
        }
    }
}

uint32_t ResizeFiltered(VectorTarget target, const Image& in, const Target& out)
{
    if (in.width == out.width && in.height == out.height) {
        return CopyRows(in, out);
    }
    const uint64_t tableBytes = AxisFilterBytes(in.width, out.width) + AxisFilterBytes(in.height, out.height);
    if (!platform::FitsAllocationLimit(tableBytes)) {
        return Refuse(Problem::TooLarge);
    }
    const AxisFilter columns = BuildAxisFilter(in.width, out.width);
    const AxisFilter rows = BuildAxisFilter(in.height, out.height);
    const uint32_t depth = RingDepth(rows);
    if (!platform::FitsAllocationLimit(tableBytes + RingBytes(depth, out))) {
        return Refuse(Problem::TooLarge);
    }
    RowRing ring(depth, out.RowBytes());
    ResizeRows(in, out, columns, rows, PassesFor(target), &ring);
    return 1;
}

// ---- Nearest neighbour -----------------------------------------------------------------------

// Pixel centres mapped into the source: source index floor((2 i + 1) n / 2 m).
uint32_t NearestIndex(uint32_t index, uint32_t inSize, uint32_t outSize)
{
    return static_cast<uint32_t>((2 * uint64_t{index} + 1) * inSize / (2 * uint64_t{outSize}));
}

uint32_t ResizeNearest(const Image& in, const Target& out)
{
    if (!platform::FitsAllocationLimit(uint64_t{out.width} * sizeof(uint32_t))) {
        return Refuse(Problem::TooLarge);
    }
    std::vector<uint32_t> sourceOffset(out.width);
    for (uint32_t x = 0; x < out.width; ++x) {
        sourceOffset[x] = NearestIndex(x, in.width, out.width) * kChannels;
    }
    for (uint32_t y = 0; y < out.height; ++y) {
        const uint8_t* source = in.Row(NearestIndex(y, in.height, out.height));
        uint8_t* target = out.Row(y);
        for (uint32_t x = 0; x < out.width; ++x) {
            std::memcpy(target + kChannels * x, source + sourceOffset[x], kChannels);
        }
    }
    return 1;
}

bool ValidImage(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride)
{
    return pixels != nullptr && width != 0 && height != 0 && uint64_t{stride} >= uint64_t{width} * kChannels;
}

} // namespace

uint32_t ResizeWith(VectorTarget target, const uint8_t* input, uint32_t width, uint32_t height, uint32_t inRowStride,
                    uint8_t* output, uint32_t newWidth, uint32_t newHeight, uint32_t outRowStride,
                    uint32_t bytesPerPixel, uint32_t mode)
{
    if (!ValidImage(input, width, height, inRowStride) || !ValidImage(output, newWidth, newHeight, outRowStride) ||
        bytesPerPixel != kChannels || (mode != kModeHighQuality && mode != kModeNearest)) {
        return Refuse(Problem::BadArgument);
    }
    const Image in{input, width, height, inRowStride};
    const Target out{output, newWidth, newHeight, outRowStride};
    try {
        return mode == kModeNearest ? ResizeNearest(in, out) : ResizeFiltered(UsableVectorTarget(target), in, out);
    } catch (const std::bad_alloc&) {
        return Refuse(Problem::OutOfMemory);
    }
}

} // namespace zv::imaging

uint32_t IS40_ResizeImage(const uint8_t* input, uint32_t width, uint32_t height, uint32_t inRowStride,
                          uint8_t* output, uint32_t newWidth, uint32_t newHeight, uint32_t outRowStride,
                          uint32_t bytesPerPixel, uint32_t mode, uint32_t /*flags*/)
{
    return zv::imaging::ResizeWith(zv::imaging::BestVectorTarget(), input, width, height, inRowStride, output,
                                   newWidth, newHeight, outRowStride, bytesPerPixel, mode);
}
