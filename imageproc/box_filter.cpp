#include "imageproc/box_filter.h"

#include "imageproc/box_divisor.h"
#include "imageproc/box_kernels.h"

#include <algorithm>

namespace zv::imageproc {
namespace {

constexpr size_t kChannels = 3;
// Stack space for one row of running column sums. Rows with up to this many bytes of sums
// run the fused iteration; wider rows go through the vertical pass in strips of columns.
constexpr size_t kSumBytes = 48 * 1024;

// ---- One row of the horizontal pass ------------------------------------------------------
//
// The three channels slide side by side, each with its own running sum; the samples beyond
// either end of the row are the end samples. A row is done in three parts: the start (the
// first pixel and those whose window still hangs over the start), the interior (which a
// vector loop may take over in part) and the finish (the rest of the interior and the pixels
// whose window hangs over the end).

// Does pixels 0 … radius and returns the next pixel.
template <typename Sum, typename Divisor>
size_t RowStart(const uint8_t* in, uint8_t* out, size_t radius, const Divisor& divide, Sum* sum)
{
    const Sum bias = static_cast<Sum>(radius);
    for (size_t c = 0; c < kChannels; ++c) {
        Sum start = static_cast<Sum>((radius + 1) * in[c]);  // the first sample, n + 1 times
        for (size_t k = 1; k <= radius; ++k) {
            start += in[kChannels * k + c];
        }
        sum[c] = start;
        out[c] = static_cast<uint8_t>(divide(start + bias));
    }
    for (size_t x = 1; x <= radius; ++x) {
        const uint8_t* lead = in + kChannels * (x + radius);
        for (size_t c = 0; c < kChannels; ++c) {
            sum[c] = sum[c] + lead[c] - in[c];
            out[kChannels * x + c] = static_cast<uint8_t>(divide(sum[c] + bias));
        }
    }
    return radius + 1;
}

// Does pixels x … length − 1.
template <typename Sum, typename Divisor>
void RowFinish(const uint8_t* in, uint8_t* out, size_t x, size_t length, size_t radius, const Divisor& divide,
               Sum* sum)
{
    const Sum bias = static_cast<Sum>(radius);
    for (; x < length - radius; ++x) {
        const uint8_t* lead = in + kChannels * (x + radius);
        const uint8_t* trail = in + kChannels * (x - radius - 1);
        for (size_t c = 0; c < kChannels; ++c) {
            sum[c] = sum[c] + lead[c] - trail[c];
            out[kChannels * x + c] = static_cast<uint8_t>(divide(sum[c] + bias));
        }
    }
    const uint8_t* last = in + kChannels * (length - 1);
    for (; x < length; ++x) {
        const uint8_t* trail = in + kChannels * (x - radius - 1);
        for (size_t c = 0; c < kChannels; ++c) {
            sum[c] = sum[c] + last[c] - trail[c];
            out[kChannels * x + c] = static_cast<uint8_t>(divide(sum[c] + bias));
        }
    }
}

// Horizontal pass over `count` consecutive rows, in plain C++.
template <typename Sum, typename Divisor>
struct PortableRows {
    Divisor divide;
    size_t width;
    size_t radius;

    void operator()(const uint8_t* in, uint8_t* out, size_t count) const
    {
        const size_t stride = width * kChannels;
        for (size_t row = 0; row < count; ++row) {
            Sum sum[kChannels];
            const uint8_t* rowIn = in + row * stride;
            uint8_t* rowOut = out + row * stride;
            const size_t x = RowStart(rowIn, rowOut, radius, divide, sum);
            RowFinish(rowIn, rowOut, x, width, radius, divide, sum);
        }
    }
};

// Horizontal pass over `count` consecutive rows with the narrow arithmetic's vector loops,
// two rows at a time where the instruction set allows.
struct NarrowRows {
    box::NarrowKernels kernels;
    NarrowDivisor divide;
    size_t width;
    size_t radius;

    void operator()(const uint8_t* in, uint8_t* out, size_t count) const
    {
        const size_t stride = width * kChannels;
        const size_t interiorEnd = width - radius;
        size_t row = 0;
        if (kernels.rowPairInterior != nullptr) {
            for (; row + 2 <= count; row += 2) {
                const uint8_t* inA = in + row * stride;
                uint8_t* outA = out + row * stride;
                uint32_t sumA[kChannels];
                uint32_t sumB[kChannels];
                RowStart(inA, outA, radius, divide, sumA);
                const size_t x = RowStart(inA + stride, outA + stride, radius, divide, sumB);
                const size_t next = kernels.rowPairInterior(inA, outA, inA + stride, outA + stride, x, interiorEnd,
                                                            radius, divide, sumA, sumB);
                RowFinish(inA, outA, next, width, radius, divide, sumA);
                RowFinish(inA + stride, outA + stride, next, width, radius, divide, sumB);
            }
        }
        for (; row < count; ++row) {
            const uint8_t* rowIn = in + row * stride;
            uint8_t* rowOut = out + row * stride;
            uint32_t sum[kChannels];
            const size_t x = RowStart(rowIn, rowOut, radius, divide, sum);
            const size_t next = kernels.rowInterior(rowIn, rowOut, x, interiorEnd, radius, divide, sum);
            RowFinish(rowIn, rowOut, next, width, radius, divide, sum);
        }
    }
};

// ---- One row step of the vertical pass -----------------------------------------------------

template <typename Sum, typename Divisor>
void PortableSlide(Sum* sums, const uint8_t* lead, const uint8_t* trail, uint8_t* out, size_t count, size_t radius,
                   const Divisor& divide)
{
    for (size_t j = 0; j < count; ++j) {
        const auto sum = static_cast<Sum>(sums[j] + lead[j] - trail[j]);
        sums[j] = sum;
        out[j] = static_cast<uint8_t>(divide(sum + radius));
    }
}

template <typename SumType, typename Divisor>
struct PortableColumns {
    using Sum = SumType;
    Divisor divide;
    size_t radius;

    void Slide(Sum* sums, const uint8_t* lead, const uint8_t* trail, uint8_t* out, size_t count) const
    {
        PortableSlide(sums, lead, trail, out, count, radius, divide);
    }
};

// A vector loop followed by the portable loop for the bytes it left.
template <typename SumType, typename Divisor, typename Kernel>
struct VectorColumns {
    using Sum = SumType;
    Kernel kernel;
    Divisor divide;
    size_t radius;

    void Slide(Sum* sums, const uint8_t* lead, const uint8_t* trail, uint8_t* out, size_t count) const
    {
        const size_t done = kernel(sums, lead, trail, out, count, radius, divide);
        PortableSlide(sums + done, lead + done, trail + done, out + done, count - done, radius, divide);
    }
};

// The sums of the first row of a stretch of `count` columns: the first row counts n + 1
// times, standing for the rows above the image.
template <typename Sum>
void StartSums(Sum* sums, const uint8_t* column, size_t stride, size_t count, size_t radius)
{
    for (size_t j = 0; j < count; ++j) {
        sums[j] = static_cast<Sum>((radius + 1) * column[j]);
    }
    for (size_t k = 1; k <= radius; ++k) {
        const uint8_t* row = column + k * stride;
        for (size_t j = 0; j < count; ++j) {
            sums[j] = static_cast<Sum>(sums[j] + row[j]);
        }
    }
}

// The row entering the window of output row y ≥ 1, and the row leaving it; beyond either end
// the end row stands in.
size_t LeadRow(size_t y, size_t radius, size_t height)
{
    return std::min(y + radius, height - 1);
}

size_t TrailRow(size_t y, size_t radius)
{
    return y > radius ? y - radius - 1 : 0;
}

// The vertical pass over `count` columns from `in` to `out` after row 0, rows in order, one
// running sum per byte column. Every row step reads two rows and writes one, each a
// contiguous run.
template <typename Columns>
void SlideDown(typename Columns::Sum* sums, const uint8_t* in, uint8_t* out, size_t stride, size_t count,
               size_t height, size_t radius, const Columns& columns)
{
    for (size_t y = 1; y < height; ++y) {
        columns.Slide(sums, in + LeadRow(y, radius, height) * stride, in + TrailRow(y, radius) * stride,
                      out + y * stride, count);
    }
}

// ---- One iteration ---------------------------------------------------------------------------

struct Geometry {
    size_t width;
    size_t height;
    size_t radius;
    size_t stride() const { return width * kChannels; }
};

// Horizontal and vertical pass interleaved row by row: each row of `work` is filtered just
// before the vertical pass first needs it, so it is still in the cache when it is read back,
// and the image is read and written once per iteration. The horizontal pass only ever reads
// rows of `image` below the one the vertical pass writes.
template <typename Rows, typename Columns>
void FusedIteration(uint8_t* image, uint8_t* work, const Geometry& g, const Rows& rows, const Columns& columns)
{
    using Sum = typename Columns::Sum;
    alignas(64) Sum sums[kSumBytes / sizeof(Sum)];
    const size_t stride = g.stride();
    size_t filtered = 0;
    // Filters at least through row `last`, two rows at a time where possible.
    const auto filterThrough = [&](size_t last) {
        if (last < filtered) {
            return;
        }
        const size_t count = std::min(std::max(last + 1 - filtered, size_t{2}), g.height - filtered);
        rows(image + filtered * stride, work + filtered * stride, count);
        filtered += count;
    };
    filterThrough(g.radius);
    StartSums(sums, work, stride, stride, g.radius);
    columns.Slide(sums, work, work, image, stride);  // row 0: adds and drops nothing
    for (size_t y = 1; y < g.height; ++y) {
        const size_t lead = LeadRow(y, g.radius, g.height);
        filterThrough(lead);
        columns.Slide(sums, work + lead * stride, work + TrailRow(y, g.radius) * stride, image + y * stride, stride);
    }
}

// For rows too wide for the stack's sums: the whole horizontal pass, then the vertical pass
// strip by strip of columns.
template <typename Rows, typename Columns>
void SeparateIteration(uint8_t* image, uint8_t* work, const Geometry& g, const Rows& rows, const Columns& columns)
{
    using Sum = typename Columns::Sum;
    constexpr size_t kStrip = kSumBytes / sizeof(Sum);
    alignas(64) Sum sums[kStrip];
    const size_t stride = g.stride();
    rows(image, work, g.height);
    for (size_t begin = 0; begin < stride; begin += kStrip) {
        const size_t count = std::min(kStrip, stride - begin);
        StartSums(sums, work + begin, stride, count, g.radius);
        columns.Slide(sums, work + begin, work + begin, image + begin, count);  // row 0
        SlideDown(sums, work + begin, image + begin, stride, count, g.height, g.radius, columns);
    }
}

template <typename Rows, typename Columns>
void Twice(uint8_t* image, uint8_t* work, const Geometry& g, const Rows& rows, const Columns& columns)
{
    const bool rowFitsStack = g.stride() <= kSumBytes / sizeof(typename Columns::Sum);
    for (int iteration = 0; iteration < 2; ++iteration) {
        if (rowFitsStack) {
            FusedIteration(image, work, g, rows, columns);
        } else {
            SeparateIteration(image, work, g, rows, columns);
        }
    }
}

} // namespace

BoxArithmetic FastestBoxArithmetic(uint32_t radius)
{
    if (NarrowDivisor::For(radius)) {
        return BoxArithmetic::Narrow;
    }
    if (WideDivisor::For(radius)) {
        return BoxArithmetic::Wide;
    }
    return BoxArithmetic::Plain;
}

bool BoxBlurTwice(uint8_t* image, uint8_t* work, size_t width, size_t height, uint32_t radius,
                  BoxArithmetic arithmetic, imaging::VectorTarget target)
{
    if (radius < 1 || width / 4 < radius || height / 4 < radius) {
        return false;
    }
    target = imaging::UsableVectorTarget(target);
    const Geometry g{width, height, radius};
    switch (arithmetic) {
    case BoxArithmetic::Narrow: {
        const auto divide = NarrowDivisor::For(radius);
        if (!divide) {
            return false;
        }
        const box::NarrowKernels kernels = box::NarrowKernelsFor(target);
        Twice(image, work, g, NarrowRows{kernels, *divide, width, radius},
              VectorColumns<uint16_t, NarrowDivisor, box::NarrowColumnSlide>{kernels.columnSlide, *divide, radius});
        return true;
    }
    case BoxArithmetic::Wide: {
        const auto divide = WideDivisor::For(radius);
        if (!divide) {
            return false;
        }
        Twice(image, work, g, PortableRows<uint32_t, WideDivisor>{*divide, width, radius},
              VectorColumns<uint32_t, WideDivisor, box::WideColumnSlide>{box::WideKernelsFor(target).columnSlide,
                                                                         *divide, radius});
        return true;
    }
    case BoxArithmetic::Plain: {
        const PlainDivisor divide = PlainDivisor::For(radius);
        Twice(image, work, g, PortableRows<uint64_t, PlainDivisor>{divide, width, radius},
              PortableColumns<uint64_t, PlainDivisor>{divide, radius});
        return true;
    }
    }
    return false;
}

} // namespace zv::imageproc
