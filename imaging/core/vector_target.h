// Which instruction set the vector kernels run on. Every kernel is written once against
// Google Highway and compiled for each instruction set of the build's architecture (SSSE3,
// SSE4, AVX2 and AVX-512 on x86; NEON and SVE on ARM); the best one the processor runs is
// chosen at run time. Every set gives the same bytes as the plain loops.
#ifndef ZV_IMAGING_VECTOR_TARGET_H
#define ZV_IMAGING_VECTOR_TARGET_H

#include <cstdint>
#include <vector>

namespace zv::imaging {

// One instruction set, as Highway's target bit; kPlainLoops runs no vector code at all.
using VectorTarget = int64_t;
inline constexpr VectorTarget kPlainLoops = 0;

// The sets this build has kernels for and this processor runs, best first; empty when none.
const std::vector<VectorTarget>& AvailableVectorTargets();

// The first of AvailableVectorTargets(), or kPlainLoops.
VectorTarget BestVectorTarget();

// `wanted` when this processor runs it, else the best set that it does run.
VectorTarget UsableVectorTarget(VectorTarget wanted);

// "AVX2", "SSE4", "NEON", "SVE2", …; "portable" for kPlainLoops.
const char* VectorTargetName(VectorTarget target);

} // namespace zv::imaging

#endif
