#include "imaging/core/vector_target.h"

#include <hwy/highway.h>

#include <algorithm>

namespace zv::imaging {

namespace {

// The emulated targets are the plain loops again, only slower: they never count as vector code.
constexpr int64_t kEmulated = HWY_SCALAR | HWY_EMU128;

std::vector<VectorTarget> FindAvailableTargets()
{
    std::vector<VectorTarget> targets;
    for (const int64_t target : hwy::SupportedAndGeneratedTargets()) {
        if ((target & kEmulated) == 0) {
            targets.push_back(target);  // lower bits are the better targets, and come first
        }
    }
    return targets;
}

} // namespace

const std::vector<VectorTarget>& AvailableVectorTargets()
{
    static const std::vector<VectorTarget> targets = FindAvailableTargets();
    return targets;
}

VectorTarget BestVectorTarget()
{
    const auto& targets = AvailableVectorTargets();
    return targets.empty() ? kPlainLoops : targets.front();
}

VectorTarget UsableVectorTarget(VectorTarget wanted)
{
    const auto& targets = AvailableVectorTargets();
    if (wanted == kPlainLoops || std::find(targets.begin(), targets.end(), wanted) != targets.end()) {
        return wanted;
    }
    return BestVectorTarget();
}

const char* VectorTargetName(VectorTarget target)
{
    return target == kPlainLoops ? "portable" : hwy::TargetName(target);
}

} // namespace zv::imaging
