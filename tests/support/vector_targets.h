// Every instruction set a kernel test should run: the plain loops first (the reference),
// then each vector target this build has and this processor runs.
#ifndef ZV_TESTS_VECTOR_TARGETS_H
#define ZV_TESTS_VECTOR_TARGETS_H

#include "imaging/core/vector_target.h"

#include <vector>

namespace zv::test {

inline std::vector<imaging::VectorTarget> EveryVectorTarget()
{
    std::vector<imaging::VectorTarget> targets{imaging::kPlainLoops};
    const auto& vector = imaging::AvailableVectorTargets();
    targets.insert(targets.end(), vector.begin(), vector.end());
    return targets;
}

} // namespace zv::test

#endif
