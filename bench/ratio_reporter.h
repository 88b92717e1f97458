// A console reporter that keeps the median of each benchmark's repetitions, so that a program
// can print how its benchmarks compare with one another after the run.
#ifndef ZV_BENCH_RATIO_REPORTER_H
#define ZV_BENCH_RATIO_REPORTER_H

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace zv::bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (!run.error_occurred && run.aggregate_name == "median") {
                medianMs[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medianMs;
};

// One line: the medians of `ours` and `reference` and their ratio; nothing when either is missing.
inline void PrintRatio(const RatioReporter& reporter, const char* what, const char* ours, const char* reference)
{
    const auto a = reporter.medianMs.find(ours);
    const auto b = reporter.medianMs.find(reference);
    if (a == reporter.medianMs.end() || b == reporter.medianMs.end() || b->second <= 0.0) {
        return;
    }
    std::printf("%-44s %9.3f ms vs %9.3f ms  ratio %.3fx\n", what, a->second, b->second, a->second / b->second);
}

} // namespace zv::bench

#endif
