// For kernel files compiled once per instruction set with Highway's foreach_target.h: picks
// the entry of an HWY_EXPORT table that belongs to one target. Include after hwy/highway.h.
#ifndef ZV_IMAGING_VECTOR_DISPATCH_H
#define ZV_IMAGING_VECTOR_DISPATCH_H

#include "imaging/core/vector_target.h"

#include <hwy/highway.h>

#include <cstddef>

namespace zv::imaging {

// The table index of `target`, which must be one of AvailableVectorTargets() (they are all
// compiled into every kernel file, as every file is built with the same flags).
inline size_t DispatchIndex(VectorTarget target)
{
    const auto chosen = static_cast<uint64_t>(HWY_CHOSEN_TARGET_SHIFT(target) & HWY_CHOSEN_TARGET_MASK_TARGETS);
    return hwy::Num0BitsBelowLS1Bit_Nonzero64(chosen);
}

} // namespace zv::imaging

#endif
