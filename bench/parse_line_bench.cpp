// Template expansion must stay linear in the template's length plus the result's, also on
// templates built to defeat it (unclosed "$(date" and "$(counterA," by the hundred
// thousand). Each benchmark runs at 64 KiB … 1 MiB; time should grow 4x per step, and a
// 1 MiB template should take milliseconds. Beyond a few MiB glibc starts handing the
// buffers back to the kernel between iterations, and page faults then add a (linear)
// cost of their own.
#include "zvdll.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string Repeat(const std::string& unit, size_t bytes)
{
    std::string text;
    text.reserve(bytes + unit.size());
    while (text.size() < bytes) {
        text += unit;
    }
    return text;
}

void Expand(benchmark::State& state, const std::string& unit)
{
    const std::string templateText = Repeat(unit, static_cast<size_t>(state.range(0)));
    size_t resultBytes = 0;
    for (auto _ : state) {
        const zv::CString result = ZV_ParseLine(templateText.c_str(), "%Y%m%d", "D:\\Photos\\Trip\\",
                                                "beach.jpg", "beach", 640, 480, 7, 42, -3, 0, 0,
                                                0, 0, 0, 0, 1234);
        resultBytes = static_cast<size_t>(result.GetLength());
        benchmark::DoNotOptimize(result.GetString());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(templateText.size()));
    state.SetComplexityN(state.range(0));
    state.counters["result_bytes"] = static_cast<double>(resultBytes);
}

// An ordinary name pattern, over and over.
void BM_TypicalTokens(benchmark::State& state)
{
    Expand(state, "IMG_$(counterA,04)_$(width)x$(height)_$(filetitle)(size)");
}

// Every token is a date stamp.
void BM_DateTokens(benchmark::State& state)
{
    Expand(state, "$(date,%Y-%m-%d)");
}

// Unclosed date tokens: a naive search for ")" from every "$" would be quadratic.
void BM_UnclosedDates(benchmark::State& state)
{
    Expand(state, "$(date");
}

// Unclosed counter fields of every letter.
void BM_UnclosedCounterFields(benchmark::State& state)
{
    Expand(state, "$(counterJ,0");
}

// Unclosed fields with one ")" at the very end: the first field swallows everything.
void BM_UnclosedFieldsThenOneClose(benchmark::State& state)
{
    const std::string templateText =
        Repeat("$(counterA,", static_cast<size_t>(state.range(0))) + ")";
    for (auto _ : state) {
        const zv::CString result = ZV_ParseLine(templateText.c_str(), "", "", "", "", 0, 0, 7, 0,
                                                0, 0, 0, 0, 0, 0, 0, 0);
        benchmark::DoNotOptimize(result.GetString());
    }
    state.SetComplexityN(state.range(0));
}

// Dollars without any token.
void BM_Dollars(benchmark::State& state)
{
    Expand(state, "$");
}

// "$(" everywhere: every rule has to look, none matches.
void BM_OpenParens(benchmark::State& state)
{
    Expand(state, "$(");
}

// Counter look-alikes past the last letter.
void BM_CounterLookalikes(benchmark::State& state)
{
    Expand(state, "$(counterK)");
}

constexpr int64_t kSmallest = 64 << 10;
constexpr int64_t kLargest = 1 << 20;

BENCHMARK(BM_TypicalTokens)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_DateTokens)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_UnclosedDates)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_UnclosedCounterFields)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_UnclosedFieldsThenOneClose)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_OpenParens)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_CounterLookalikes)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_Dollars)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Unit(benchmark::kMillisecond)->Complexity();

} // namespace

BENCHMARK_MAIN();
