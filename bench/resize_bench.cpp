// The display copy of a 6000 x 4000 photograph, for windows that give 1600 x 1067 and
// 400 x 267, against OpenCV's area resize (one thread) and Pillow's Lanczos resize (timed in
// its own process by time.process_time, so interpreter start-up is not counted).
//
// Quality, printed after the timings: cosine stripes across a 3000 x 600 image, shrunk by
// 1.5 … 15 times, as the contrast left — the largest departure from mid-grey of the middle
// row, away from the borders (4 output pixels, the reach of a Lanczos-3 window, where the
// pattern's phase at the edge shows through any filter). 127.5: the stripes' full contrast
// survives; 0.5: flat grey, what a low-pass gives for detail finer than the output can hold.
#include "zvdll.h"

#include "imaging/core/imaging.h"
#include "imaging/pixels/resize.h"

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

const std::vector<uint8_t>& Source()
{
    static const std::vector<uint8_t> pixels = NoiseImage();
    return pixels;
}

// ---- Stripes ---------------------------------------------------------------------------------

constexpr uint32_t kStripesWidth = 3000;
constexpr uint32_t kStripesHeight = 600;
constexpr double kPeriods[] = {2.5, 3.3};
constexpr double kReductions[] = {1.5, 2.5, 3.75, 7.5, 15.0};
constexpr uint32_t kBorder = 4;

std::vector<uint8_t> Stripes(double period)
{
    std::vector<uint8_t> row(size_t{kStripesWidth} * 3);
    for (uint32_t x = 0; x < kStripesWidth; ++x) {
        const double value = 127.5 + 127.5 * std::cos(2.0 * std::numbers::pi * x / period);
        std::fill_n(row.begin() + size_t{x} * 3, 3, static_cast<uint8_t>(std::lround(value)));
    }
    std::vector<uint8_t> pixels;
    pixels.reserve(row.size() * kStripesHeight);
    for (uint32_t y = 0; y < kStripesHeight; ++y) {
        pixels.insert(pixels.end(), row.begin(), row.end());
    }
    return pixels;
}

uint32_t Reduced(uint32_t size, double reduction)
{
    return static_cast<uint32_t>(std::lround(size / reduction));
}

// The largest departure from mid-grey in the middle row, borders left out.
double Contrast(const std::vector<uint8_t>& out, uint32_t width, uint32_t height)
{
    const auto row = out.begin() + ptrdiff_t{height / 2} * width * 3;
    const auto [low, high] = std::minmax_element(row + kBorder * 3, row + (width - kBorder) * 3);
    return std::max(*high - 127.5, 127.5 - *low);
}

double ZvContrast(const std::vector<uint8_t>& stripes, double reduction)
{
    const uint32_t width = Reduced(kStripesWidth, reduction);
    const uint32_t height = Reduced(kStripesHeight, reduction);
    std::vector<uint8_t> out(size_t{width} * height * 3);
    IS40_ResizeImage(stripes.data(), kStripesWidth, kStripesHeight, kStripesWidth * 3, out.data(), width, height,
                     width * 3, 3, 16, 0);
    return Contrast(out, width, height);
}

#if defined(ZV_HAVE_OPENCV)
double OpenCvContrast(const std::vector<uint8_t>& stripes, double reduction)
{
    const uint32_t width = Reduced(kStripesWidth, reduction);
    const uint32_t height = Reduced(kStripesHeight, reduction);
    std::vector<uint8_t> out(size_t{width} * height * 3);
    const cv::Mat in(int(kStripesHeight), int(kStripesWidth), CV_8UC3, const_cast<uint8_t*>(stripes.data()));
    cv::Mat result(int(height), int(width), CV_8UC3, out.data());
    cv::resize(in, result, result.size(), 0, 0, cv::INTER_AREA);
    return Contrast(out, width, height);
}
#endif

std::string StripesKey(double period, double reduction)
{
    char key[32];
    std::snprintf(key, sizeof key, "%.2f/%.2f", period, reduction);
    return key;
}

// ---- Pillow ----------------------------------------------------------------------------------

struct Timing {
    double wall = -1;
    double cpu = -1;
};

struct PillowFigures {
    std::map<std::string, Timing> timings;    // by target name, median of 7 resizes
    std::map<std::string, double> contrasts;  // by StripesKey
};

// Pillow's LANCZOS in its own process: the median time over several resizes of the noise
// image, and the stripes' contrast measured as Contrast does.
PillowFigures MeasurePillow()
{
    static const char* kScript = R"PY(
import math, os, time
from PIL import Image
lanczos = getattr(Image, "Resampling", Image).LANCZOS
w, h = 6000, 4000
noise = Image.frombytes("RGB", (w, h), os.urandom(w * h * 3))
for tw, th in ((1600, 1067), (400, 267)):
    noise.resize((tw, th), lanczos)
    wall, cpu = [], []
    for _ in range(7):
        start, start_cpu = time.perf_counter(), time.process_time()
        noise.resize((tw, th), lanczos)
        wall.append(time.perf_counter() - start)
        cpu.append(time.process_time() - start_cpu)
    wall.sort()
    cpu.sort()
    print("time %dx%d %.3f %.3f" % (tw, th, wall[3] * 1000, cpu[3] * 1000))
sw, sh, border = 3000, 600, 4
for period in (2.5, 3.3):
    row = bytes(v for x in range(sw) for v in [round(127.5 + 127.5 * math.cos(2 * math.pi * x / period))] * 3)
    stripes = Image.frombytes("RGB", (sw, sh), row * sh)
    for reduction in (1.5, 2.5, 3.75, 7.5, 15.0):
        ow, oh = round(sw / reduction), round(sh / reduction)
        data = stripes.resize((ow, oh), lanczos).tobytes()
        middle = data[(oh // 2) * ow * 3 + border * 3:(oh // 2 + 1) * ow * 3 - border * 3]
        print("stripes %.2f/%.2f %.1f" % (period, reduction, max(max(middle) - 127.5, 127.5 - min(middle))))
)PY";
    PillowFigures figures;
    const std::string command = "/usr/bin/python3 -c '" + std::string(kScript) + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) {
        return figures;
    }
    std::array<char, 256> line{};
    while (fgets(line.data(), int(line.size()), pipe.get()) != nullptr) {
        std::array<char, 32> name{};
        Timing t;
        double contrast = 0;
        if (std::sscanf(line.data(), "time %31s %lf %lf", name.data(), &t.wall, &t.cpu) == 3) {
            figures.timings[name.data()] = t;
        } else if (std::sscanf(line.data(), "stripes %31s %lf", name.data(), &contrast) == 2) {
            figures.contrasts[name.data()] = contrast;
        }
    }
    return figures;
}

const PillowFigures& Pillow()
{
    static const PillowFigures figures = MeasurePillow();
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

// One instruction set's loops (kPlainLoops: those that processors without vector code run).
void BM_ZvResizeOn(benchmark::State& state, const Target& target, zv::imaging::VectorTarget set)
{
    std::vector<uint8_t> out(size_t{target.width} * target.height * 3);
    for (auto _ : state) {
        zv::imaging::ResizeWith(set, Source().data(), kSourceWidth, kSourceHeight,
                                kSourceWidth * 3, out.data(), target.width, target.height, target.width * 3, 3, 16);
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

void BM_PillowLanczos(benchmark::State& state, const Target& target)
{
    const auto found = Pillow().timings.find(target.name);
    if (found == Pillow().timings.end()) {
        state.SkipWithError("Pillow is not available to /usr/bin/python3");
        return;
    }
    for (auto _ : state) {
        state.SetIterationTime(found->second.wall / 1000.0);
    }
}

// Keeps every run's time so the ratios can be printed after the table.
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

std::string Number(double value, const char* format)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return value < 0 ? "-" : text;
}

void PrintTimes(const RecordingReporter& reporter)
{
    const char* row = "%-10s %-28s %9s %9s %9s\n";
    std::printf("\n");
    std::printf(row, "size", "method", "wall ms", "cpu ms", "vs zvdll");
    for (const Target& target : kTargets) {
        auto time = [&](const std::string& prefix) {
            const auto found = reporter.milliseconds.find(prefix + "/" + target.name);
            return found == reporter.milliseconds.end() ? Timing{} : found->second;
        };
        const Timing ours = time("BM_ZvResize");
        auto line = [&](const char* method, Timing t) {
            std::printf(row, target.name, method, Number(t.wall, "%.2f").c_str(), Number(t.cpu, "%.2f").c_str(),
                        Number(ours.cpu > 0 && t.cpu > 0 ? t.cpu / ours.cpu : -1, "%.2fx").c_str());
        };
        line("zvdll IS40_ResizeImage", ours);
        line("zvdll ZV_DisplayFrame", time("BM_DisplayFrame"));
        line("zvdll, plain loops", time("BM_ZvResizePlain"));
        line("OpenCV INTER_AREA 1 thread", time("BM_OpenCvArea"));
        const auto pillow = Pillow().timings.find(target.name);
        line("Pillow LANCZOS", pillow == Pillow().timings.end() ? Timing{} : pillow->second);
    }
    std::printf("vs zvdll: the method's CPU time over zvdll's (IS40_ResizeImage); Pillow's times are\n"
                "time.perf_counter and time.process_time around its resize.\n");
}

void PrintStripes()
{
    const char* row = "%-8s %-10s %8s %10s %10s %8s\n";
    std::printf("\n");
    std::printf(row, "period", "reduction", "zvdll", "Pillow LZ", "OpenCV AR", "zvdll ok");
    for (const double period : kPeriods) {
        const auto stripes = Stripes(period);
        for (const double reduction : kReductions) {
            const double ours = ZvContrast(stripes, reduction);
            const auto pillow = Pillow().contrasts.find(StripesKey(period, reduction));
            const double theirs = pillow == Pillow().contrasts.end() ? -1 : pillow->second;
#if defined(ZV_HAVE_OPENCV)
            const double area = OpenCvContrast(stripes, reduction);
#else
            const double area = -1;
#endif
            std::printf(row, Number(period, "%.1f px").c_str(), Number(reduction, "%.2fx").c_str(),
                        Number(ours, "%.1f").c_str(), Number(theirs, "%.1f").c_str(), Number(area, "%.1f").c_str(),
                        theirs < 0 ? "-" : ours <= theirs + 1.0 ? "yes" : "NO");
        }
    }
    std::printf("Contrast left by cosine stripes across a 3000 x 600 image (middle row, %u output pixels\n"
                "from either border left out): 127.5 is the full contrast, 0.5 flat grey. zvdll ok: at most\n"
                "Pillow LANCZOS + 1.0.\n",
                kBorder);
}

void RegisterAll()
{
    for (const Target& target : kTargets) {
        const std::string suffix = std::string("/") + target.name;
        benchmark::RegisterBenchmark(("BM_ZvResize" + suffix).c_str(), BM_ZvResize, target)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_DisplayFrame" + suffix).c_str(), BM_DisplayFrame, target)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_ZvResizePlain" + suffix).c_str(), BM_ZvResizeOn, target,
                                     zv::imaging::kPlainLoops)
            ->Unit(benchmark::kMillisecond);
        for (const auto set : zv::imaging::AvailableVectorTargets()) {
            const std::string name = std::string("BM_ZvResizeOn") + zv::imaging::VectorTargetName(set) + suffix;
            benchmark::RegisterBenchmark(name.c_str(), BM_ZvResizeOn, target, set)->Unit(benchmark::kMillisecond);
        }
#if defined(ZV_HAVE_OPENCV)
        benchmark::RegisterBenchmark(("BM_OpenCvArea" + suffix).c_str(), BM_OpenCvArea, target)
            ->Unit(benchmark::kMillisecond);
#endif
        benchmark::RegisterBenchmark(("BM_PillowLanczos" + suffix).c_str(), BM_PillowLanczos, target)
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
    PrintTimes(reporter);
    PrintStripes();
    benchmark::Shutdown();
    return 0;
}
