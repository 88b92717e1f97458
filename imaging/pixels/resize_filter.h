// The resampler's filter along one axis: for every output position, the source pixels it reads
// and their fixed-point weights, computed once per call.
//
// The filter is Lanczos-3, sinc(x) · sinc(x / 3) for |x| < 3, stretched by the reduction when
// an axis shrinks: output pixel i, centred on source position (i + 0.5) · in / out, reads
// every source pixel within 3 · max(in / out, 1) of it. Why this filter:
//  - its response is flat to about 1 % up to 0.6 of the output's Nyquist frequency, one half
//    at Nyquist, and under 1.5 % from 1.4 × Nyquist on: detail the copy cannot hold comes
//    out as flat grey rather than moiré, and detail it can hold keeps its contrast;
//  - a shorter window (Lanczos-2, the cubics) costs fewer taps but widens the transition, so
//    more of the pattern just beyond Nyquist comes back as moiré; Magic Kernel Sharp aims at
//    the same trade with a wider window, so more taps for a similar result;
//  - it is the filter photo tools shrink with, so a copy looks as users expect.
// Pixels beyond the image are not invented: the window is cut at the borders and the weights
// that remain are normalised again.
//
// Enlarging, the unstretched Lanczos-3 interpolates (it passes through the source pixels) and
// each output is then clamped to the range of the four source pixels nearest to it, two either
// side: a step edge keeps its steepness without the filter's ringing (overshoot next to the
// edge, and the ripple a pixel or two further out); resize.cpp does the clamping.
#ifndef ZV_IMAGING_RESIZE_FILTER_H
#define ZV_IMAGING_RESIZE_FILTER_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zv::imaging {

// Weights are held in units of 1 / 2^14; those of one output sum to exactly 2^14, so a flat
// image stays exactly flat.
inline constexpr int kWeightBits = 14;
// Each output's weights are padded with zeros to a multiple of this, for the vector loops.
inline constexpr uint32_t kTapGroup = 4;
// Enlarging clamps each output to the range of this many nearest source pixels.
inline constexpr uint32_t kNearPixels = 4;

struct AxisFilter {
    std::vector<uint32_t> first;   // first source index of output i
    std::vector<uint32_t> taps;    // how many source indices output i reads
    std::vector<size_t> offset;    // where output i's weights start in `weights`
    std::vector<int16_t> weights;
    uint32_t maxTaps = 0;
    bool clampsToNearest = false;  // an enlarging axis
    std::vector<uint32_t> nearFirst;  // enlarging: the first of output i's nearest pixels
    std::vector<uint32_t> nearCount;
};

// An upper bound of the taps any output of this axis reads.
uint32_t MaxFilterTaps(uint32_t inSize, uint32_t outSize);

// An upper bound of the bytes BuildAxisFilter takes, to check against the allocation limit
// before building.
uint64_t AxisFilterBytes(uint32_t inSize, uint32_t outSize);

AxisFilter BuildAxisFilter(uint32_t inSize, uint32_t outSize);

} // namespace zv::imaging

#endif
