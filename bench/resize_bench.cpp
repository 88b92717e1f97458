// The display copy of a 6000 x 4000 photograph, for windows that give 1600 x 1067 and
// 400 x 267, against OpenCV's area resize (one thread) and Pillow's bicubic resize (timed in
// its own process by time.perf_counter, so interpreter start-up is not counted).
//
// Quality, printed with the timings:
//  - largest and mean difference from the exact area average (computed here in double
//    precision) on a noise image — for zvdll and OpenCV INTER_AREA, which aim at the same result;
//  - aliasing: the largest departure from flat grey when a one-pixel checkerboard is shrunk
//    (no detail survives, so any contrast left is aliasing) — for all three.
#include "zvdll.h"

#include "imaging/core/imaging.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#if defined(ZV_HAVE_OPENCV)
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr uint32_t kSourceWidth = 6000;
constexpr uint32_t kSourceHeight = 4000;

struct Target {
    const char* name;
    zv::RECT window;   // gives the size below through the display frame's fit
    uint32_t width;
    uint32_t height;
};

const Target kTargets[] = {
    {"1600x1067", {0, 0, 1700, 1071}, 1600, 1067},
    {"400x267", {0, 0, 500, 271}, 400, 267},
};

std::vector<uint8_t> NoiseImage()
{
    std::vector<uint8_t> pixels(size_t{kSourceWidth} * kSourceHeight * 3);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (uint8_t& byte : pixels) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        byte = static_cast<uint8_t>(state >> 24);
    }
    return pixels;
}

std::vector<uint8_t> Checkerboard()
{
    std::vector<uint8_t> pixels(size_t{kSourceWidth} * kSourceHeight * 3);
    for (uint32_t y = 0; y < kSourceHeight; ++y) {
        for (uint32_t x = 0; x < kSourceWidth; ++x) {
            std::fill_n(pixels.begin() + (size_t{y} * kSourceWidth + x) * 3, 3, (x + y) % 2 == 0 ? 0 : 255);
        }
    }
    return pixels;
}

// Vertical stripes with a period of 2.5 pixels (a cosine): finer than either display copy can
// show, so the ideal copy is flat grey and whatever contrast is left is moiré.
std::vector<uint8_t> Stripes()
{
    std::vector<uint8_t> row(size_t{kSourceWidth} * 3);
    for (uint32_t x = 0; x < kSourceWidth; ++x) {
        const double value = 127.5 + 127.5 * std::cos(2.0 * std::numbers::pi * x / 2.5);
        std::fill_n(row.begin() + size_t{x} * 3, 3, static_cast<uint8_t>(std::lround(value)));
    }
    std::vector<uint8_t> pixels;
    pixels.reserve(row.size() * kSourceHeight);
    for (uint32_t y = 0; y < kSourceHeight; ++y) {
        pixels.insert(pixels.end(), row.begin(), row.end());
    }
    return pixels;
}

const std::vector<uint8_t>& Source()
{
    static const std::vector<uint8_t> pixels = NoiseImage();
    return pixels;
}

constexpr uint32_t kHighQuality = 16;
constexpr uint32_t kNearest = 0;

std::vector<uint8_t> ZvResize(const std::vector<uint8_t>& source, const Target& target, uint32_t mode = kHighQuality)
{
    std::vector<uint8_t> out(size_t{target.width} * target.height * 3);
    IS40_ResizeImage(source.data(), kSourceWidth, kSourceHeight, kSourceWidth * 3, out.data(), target.width,
                     target.height, target.width * 3, 3, mode, 0);
    return out;
}

#if defined(ZV_HAVE_OPENCV)
std::vector<uint8_t> OpenCvResize(const std::vector<uint8_t>& source, const Target& target)
{
    std::vector<uint8_t> out(size_t{target.width} * target.height * 3);
    const cv::Mat in(int(kSourceHeight), int(kSourceWidth), CV_8UC3, const_cast<uint8_t*>(source.data()));
    cv::Mat result(int(target.height), int(target.width), CV_8UC3, out.data());
    cv::resize(in, result, result.size(), 0, 0, cv::INTER_AREA);
    return out;
}
#endif

// ---- Quality -------------------------------------------------------------------------------

// Exact area-averaging weights along one axis, in double precision.
std::vector<std::vector<std::pair<uint32_t, double>>> ExactAreaWeights(uint32_t in, uint32_t out)
{
    std::vector<std::vector<std::pair<uint32_t, double>>> weights(out);
    const double scale = double(in) / out;
    for (uint32_t i = 0; i < out; ++i) {
        const double low = i * scale;
        const double high = (i + 1) * scale;
        for (auto s = static_cast<uint32_t>(low); s < in && s < high; ++s) {
            const double cover = std::min(high, s + 1.0) - std::max(low, double(s));
            if (cover > 0) {
                weights[i].push_back({s, cover / scale});
            }
        }
    }
    return weights;
}

struct Error {
    double max = 0;
    double mean = 0;
};

Error ErrorAgainstExactArea(const std::vector<uint8_t>& source, const Target& target, const std::vector<uint8_t>& out)
{
    const auto columns = ExactAreaWeights(kSourceWidth, target.width);
    const auto rows = ExactAreaWeights(kSourceHeight, target.height);
    std::vector<double> row(size_t{kSourceWidth} * 3);
    Error error;
    for (uint32_t y = 0; y < target.height; ++y) {
        std::fill(row.begin(), row.end(), 0.0);
        for (const auto& [s, w] : rows[y]) {
            const uint8_t* line = source.data() + size_t{s} * kSourceWidth * 3;
            for (size_t i = 0; i < row.size(); ++i) {
                row[i] += w * line[i];
            }
        }
        for (uint32_t x = 0; x < target.width; ++x) {
            for (uint32_t c = 0; c < 3; ++c) {
                double exact = 0;
                for (const auto& [s, w] : columns[x]) {
                    exact += w * row[size_t{s} * 3 + c];
                }
                const double difference = std::fabs(exact - out[(size_t{y} * target.width + x) * 3 + c]);
                error.max = std::max(error.max, difference);
                error.mean += difference;
            }
        }
    }
    error.mean /= double(target.width) * target.height * 3;
    return error;
}

double Aliasing(const std::vector<uint8_t>& shrunkBoard)
{
    const auto [low, high] = std::minmax_element(shrunkBoard.begin(), shrunkBoard.end());
    return std::max(*high - 127.5, 127.5 - *low);
}

// ---- Pillow ----------------------------------------------------------------------------------

struct PillowFigures {
    double milliseconds = 0;      // wall clock, time.perf_counter
    double cpuMilliseconds = 0;   // time.process_time
    double aliasing = -1;
    double moire = -1;
};

// Pillow's median time over several resizes of a same-size image, in its own process.
std::map<std::string, PillowFigures> MeasurePillow()
{
    static const char* kScript = R"PY(
import os, time
from PIL import Image
resampling = getattr(Image, "Resampling", Image)
w, h = 6000, 4000
noise = Image.frombytes("RGB", (w, h), os.urandom(w * h * 3))
even = b"\x00\x00\x00\xff\xff\xff" * (w // 2)
odd = b"\xff\xff\xff\x00\x00\x00" * (w // 2)
board = Image.frombytes("RGB", (w, h), (even + odd) * (h // 2))
import math
stripe = bytes(v for x in range(w) for v in [round(127.5 + 127.5 * math.cos(2 * math.pi * x / 2.5))] * 3)
stripes = Image.frombytes("RGB", (w, h), stripe * h)
for tw, th in ((1600, 1067), (400, 267)):
    noise.resize((tw, th), resampling.BICUBIC)
    wall, cpu = [], []
    for _ in range(7):
        start, start_cpu = time.perf_counter(), time.process_time()
        noise.resize((tw, th), resampling.BICUBIC)
        wall.append(time.perf_counter() - start)
        cpu.append(time.process_time() - start_cpu)
    wall.sort()
    cpu.sort()
    data = board.resize((tw, th), resampling.BICUBIC).tobytes()
    lines = stripes.resize((tw, th), resampling.BICUBIC).tobytes()
    print("%dx%d %.3f %.3f %.2f %.2f" % (tw, th, wall[3] * 1000, cpu[3] * 1000, max(max(data) - 127.5, 127.5 - min(data)),
                                        max(max(lines) - 127.5, 127.5 - min(lines))))
)PY";
    std::map<std::string, PillowFigures> figures;
    const std::string command = "/usr/bin/python3 -c '" + std::string(kScript) + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) {
        return figures;
    }
    std::array<char, 256> line{};
    while (fgets(line.data(), int(line.size()), pipe.get()) != nullptr) {
        std::array<char, 32> name{};
        PillowFigures f;
        if (std::sscanf(line.data(), "%31s %lf %lf %lf %lf", name.data(), &f.milliseconds, &f.cpuMilliseconds,
                        &f.aliasing, &f.moire) == 5) {
            figures[name.data()] = f;
        }
    }
    return figures;
}

const std::map<std::string, PillowFigures>& Pillow()
{
    static const auto figures = MeasurePillow();
    return figures;
}

// ---- Benchmarks ------------------------------------------------------------------------------

void BM_DisplayFrame(benchmark::State& state, const Target& target)
{
    uint8_t* source = const_cast<uint8_t*>(Source().data());
    uint32_t width = kSourceWidth;
    uint32_t height = kSourceHeight;
    uint8_t* display = nullptr;
    uint32_t displayWidth = 0;
    uint32_t displayHeight = 0;
    zv::CWnd window(target.window);
    for (auto _ : state) {
        ZV_DisplayFrame(&source, &width, &height, &display, &displayWidth, &displayHeight, &window);
        benchmark::DoNotOptimize(display);
    }
    if (displayWidth != target.width || displayHeight != target.height) {
        state.SkipWithError("the window does not give the intended size");
    }
    ZvFreeBuffer(display);
}

void BM_ZvResize(benchmark::State& state, const Target& target)
{
    std::vector<uint8_t> out(size_t{target.width} * target.height * 3);
    for (auto _ : state) {
        IS40_ResizeImage(Source().data(), kSourceWidth, kSourceHeight, kSourceWidth * 3, out.data(), target.width,
                         target.height, target.width * 3, 3, 16, 0);
        benchmark::DoNotOptimize(out.data());
    }
}

#if defined(ZV_HAVE_OPENCV)
void BM_OpenCvArea(benchmark::State& state, const Target& target)
{
    cv::setNumThreads(0);
    const cv::Mat in(int(kSourceHeight), int(kSourceWidth), CV_8UC3, const_cast<uint8_t*>(Source().data()));
    cv::Mat out(int(target.height), int(target.width), CV_8UC3);
    for (auto _ : state) {
        cv::resize(in, out, out.size(), 0, 0, cv::INTER_AREA);
        benchmark::DoNotOptimize(out.data);
    }
}
#endif

void BM_PillowBicubic(benchmark::State& state, const Target& target)
{
    const auto found = Pillow().find(target.name);
    if (found == Pillow().end()) {
        state.SkipWithError("Pillow is not available to /usr/bin/python3");
        return;
    }
    for (auto _ : state) {
        state.SetIterationTime(found->second.milliseconds / 1000.0);
    }
}

// Keeps every run's time so the ratios can be printed after the table.
struct Timing {
    double wall = -1;
    double cpu = -1;
};

class RecordingReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, Timing> milliseconds;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        // With repetitions the median, reported after the single runs, is the one kept.
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (!run.error_occurred && (run.run_type == Run::RT_Iteration || median)) {
                const double toMilliseconds = benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond) /
                                              benchmark::GetTimeUnitMultiplier(run.time_unit);
                milliseconds[run.run_name.function_name] = {run.GetAdjustedRealTime() * toMilliseconds,
                                                            run.GetAdjustedCPUTime() * toMilliseconds};
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

void PrintSummary(const RecordingReporter& reporter)
{
    const auto board = Checkerboard();
    const auto stripes = Stripes();
    const char* row = "%-10s %-26s %9s %9s %9s %13s %13s %9s %9s\n";
    auto number = [](double value, const char* format) {
        char text[32];
        std::snprintf(text, sizeof text, format, value);
        return std::string(value < 0 ? "-" : text);
    };
    std::printf("\n");
    std::printf(row, "size", "method", "wall ms", "cpu ms", "vs zvdll", "max |d| area", "mean |d| area", "aliasing",
                "moire");
    for (const Target& target : kTargets) {
        auto time = [&](const std::string& prefix) {
            const auto found = reporter.milliseconds.find(prefix + "/" + target.name);
            return found == reporter.milliseconds.end() ? Timing{} : found->second;
        };
        auto line = [&](const char* method, Timing t, double ratioTo, const Error* error, double aliasing,
                        double moire) {
            std::printf(row, target.name, method, number(t.wall, "%.2f").c_str(), number(t.cpu, "%.2f").c_str(),
                        number(ratioTo > 0 && t.cpu > 0 ? t.cpu / ratioTo : -1, "%.2fx").c_str(),
                        error ? number(error->max, "%.3f").c_str() : "-",
                        error ? number(error->mean, "%.4f").c_str() : "-", number(aliasing, "%.2f").c_str(), number(moire, "%.2f").c_str());
        };
        const Timing ours = time("BM_ZvResize");
        const Error zvError = ErrorAgainstExactArea(Source(), target, ZvResize(Source(), target));
        line("zvdll mode 16", ours, ours.cpu, &zvError, Aliasing(ZvResize(board, target)),
             Aliasing(ZvResize(stripes, target)));
        line("zvdll ZV_DisplayFrame", time("BM_DisplayFrame"), ours.cpu, nullptr, -1, -1);
        line("zvdll mode 0 (nearest)", Timing{}, -1, nullptr, Aliasing(ZvResize(board, target, kNearest)),
             Aliasing(ZvResize(stripes, target, kNearest)));
#if defined(ZV_HAVE_OPENCV)
        const Error cvError = ErrorAgainstExactArea(Source(), target, OpenCvResize(Source(), target));
        line("OpenCV INTER_AREA 1 thread", time("BM_OpenCvArea"), ours.cpu, &cvError,
             Aliasing(OpenCvResize(board, target)), Aliasing(OpenCvResize(stripes, target)));
#endif
        const auto pillow = Pillow().find(target.name);
        if (pillow != Pillow().end()) {
            line("Pillow BICUBIC", {pillow->second.milliseconds, pillow->second.cpuMilliseconds}, ours.cpu, nullptr,
                 pillow->second.aliasing, pillow->second.moire);
        }
    }
    std::printf("vs zvdll: the method's CPU time over zvdll's (IS40_ResizeImage). max/mean |d| area: difference\n"
                "from the exact area average on noise. aliasing: largest departure from grey of a shrunk\n"
                "one-pixel checkerboard (127.5 = none of the board averaged away). moire: the same for cosine\n"
                "stripes of period 2.5 pixels.\n");
}

void RegisterAll()
{
    for (const Target& target : kTargets) {
        const std::string suffix = std::string("/") + target.name;
        benchmark::RegisterBenchmark(("BM_ZvResize" + suffix).c_str(), BM_ZvResize, target)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_DisplayFrame" + suffix).c_str(), BM_DisplayFrame, target)
            ->Unit(benchmark::kMillisecond);
#if defined(ZV_HAVE_OPENCV)
        benchmark::RegisterBenchmark(("BM_OpenCvArea" + suffix).c_str(), BM_OpenCvArea, target)
            ->Unit(benchmark::kMillisecond);
#endif
        benchmark::RegisterBenchmark(("BM_PillowBicubic" + suffix).c_str(), BM_PillowBicubic, target)
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RegisterAll();
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter);
    benchmark::Shutdown();
    return 0;
}
