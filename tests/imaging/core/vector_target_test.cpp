#include "imaging/core/vector_target.h"

#include <gtest/gtest.h>
#include <hwy/highway.h>

#include <algorithm>
#include <iostream>
#include <string>

namespace {

using zv::imaging::AvailableVectorTargets;
using zv::imaging::BestVectorTarget;
using zv::imaging::UsableVectorTarget;
using zv::imaging::VectorTargetName;

// Whether this processor runs one of the instruction sets the build has kernels for, asked
// without Highway's own detection.
bool ProcessorRunsVectorCode()
{
#if HWY_ARCH_ARM_A64
    return true;  // every ARM64 processor has NEON
#elif HWY_ARCH_X86
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
#else
    return false;
#endif
}

// The kernel tests run every set listed here against the plain loops; this shows which sets
// those were (the 32-bit and ARM64 builds run it under qemu) and that the best one is used.
TEST(VectorTargets, TheBestSetThatRunsHereIsChosen)
{
    const auto& targets = AvailableVectorTargets();
    std::string names;
    for (const auto target : targets) {
        names += std::string(VectorTargetName(target)) + " ";
    }
    std::cout << "vector instruction sets here: " << (names.empty() ? "none" : names) << "\n";
    RecordProperty("vector_targets", names);

    EXPECT_EQ(!targets.empty(), ProcessorRunsVectorCode()) << names;
    EXPECT_TRUE(std::is_sorted(targets.begin(), targets.end())) << "best (lowest bit) first";
    EXPECT_EQ(BestVectorTarget(), targets.empty() ? zv::imaging::kPlainLoops : targets.front());
    for (const auto target : targets) {
        EXPECT_EQ(UsableVectorTarget(target), target) << VectorTargetName(target);
    }
    EXPECT_EQ(UsableVectorTarget(zv::imaging::kPlainLoops), zv::imaging::kPlainLoops);
    // A set of the other architecture never runs here: the best one stands in.
    const int64_t foreign = HWY_ARCH_X86 ? HWY_NEON : HWY_AVX2;
    EXPECT_EQ(UsableVectorTarget(foreign), BestVectorTarget());
    EXPECT_STREQ(VectorTargetName(zv::imaging::kPlainLoops), "portable");
}

} // namespace
