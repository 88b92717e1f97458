// ZV_BlurGaussian on a 24-megapixel RGB image (6000 × 4000) against
//  - OpenCV, single-threaded: cv::blur with the same window, twice (the same two box
//    iterations, edges replicated), plus cv::GaussianBlur for a fraction;
//  - the memory floor: copying the buffer four times with memcpy, the traffic of four passes.
// Each ZV run also reports the ratios: x_opencv (OpenCV's time / ours, above 1 is faster) and
// x_floor (our time / the floor's).
#include "zvdll.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <time.h>
#include <vector>

#if defined(ZV_HAVE_OPENCV)
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr size_t kBytes = size_t{kWidth} * kHeight * 3;

// Photo-like content: smooth gradients with noise (the timing does not depend on it).
std::vector<uint8_t> MakeImage()
{
    std::vector<uint8_t> image(kBytes);
    std::mt19937 random(42);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* pixel = &image[(size_t{static_cast<size_t>(y)} * kWidth + x) * 3];
            pixel[0] = static_cast<uint8_t>((x / 24 + (random() & 15)) & 255);
            pixel[1] = static_cast<uint8_t>((y / 16 + (random() & 15)) & 255);
            pixel[2] = static_cast<uint8_t>(((x + y) / 40 + (random() & 15)) & 255);
        }
    }
    return image;
}

struct Buffers {
    std::vector<uint8_t> image = MakeImage();
    std::vector<uint8_t> work = std::vector<uint8_t>(kBytes);
};

Buffers& Shared()
{
    static Buffers buffers;
    return buffers;
}

double AmountOf(const benchmark::State& state)
{
    return static_cast<double>(state.range(0)) / 10.0;
}

void ZvBlur(double amount)
{
    Buffers& b = Shared();
    benchmark::DoNotOptimize(ZV_BlurGaussian(b.image.data(), kWidth, kHeight, amount, b.work.data()));
    benchmark::ClobberMemory();
}

void MemoryFloor()
{
    Buffers& b = Shared();
    for (int pass = 0; pass < 4; ++pass) {
        if (pass % 2 == 0) {
            std::memcpy(b.work.data(), b.image.data(), kBytes);
        } else {
            std::memcpy(b.image.data(), b.work.data(), kBytes);
        }
    }
    benchmark::ClobberMemory();
}

#if defined(ZV_HAVE_OPENCV)
// The same work through OpenCV: the whole part as cv::blur with window 2n + 1 twice, and a
// fraction above 0.01 (whole part up to 20) as cv::GaussianBlur with that sigma.
void OpenCvBlur(double amount)
{
    Buffers& b = Shared();
    const double kept = std::max(0.1, std::trunc(amount * 10.0) * 0.1);
    const int whole = static_cast<int>(kept);
    const double fraction = whole > 20 ? 0.0 : kept - whole;
    cv::Mat image(kHeight, kWidth, CV_8UC3, b.image.data());
    cv::Mat work(kHeight, kWidth, CV_8UC3, b.work.data());
    if (whole >= 1) {
        const cv::Size window(2 * whole + 1, 2 * whole + 1);
        for (int iteration = 0; iteration < 2; ++iteration) {
            cv::blur(image, work, window, cv::Point(-1, -1), cv::BORDER_REPLICATE);
            cv::blur(work, image, window, cv::Point(-1, -1), cv::BORDER_REPLICATE);
        }
    }
    if (fraction > 0.01) {
        cv::GaussianBlur(image, work, cv::Size(0, 0), fraction, fraction, cv::BORDER_REPLICATE);
    }
    benchmark::ClobberMemory();
}
#endif

double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Median of a few runs' CPU time, in seconds, for the ratio counters: on a shared machine the
// thread's own time is steadier than the wall clock, and every contender runs on one thread.
template <typename Work>
double MedianSeconds(Work work)
{
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        const double start = ThreadSeconds();
        work();
        times.push_back(ThreadSeconds() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void BM_ZvBlurGaussian(benchmark::State& state)
{
    const double amount = AmountOf(state);
    for (auto _ : state) {
        ZvBlur(amount);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBytes));
    const double ours = MedianSeconds([amount] { ZvBlur(amount); });
    state.counters["x_floor"] = ours / MedianSeconds(MemoryFloor);
#if defined(ZV_HAVE_OPENCV)
    state.counters["x_opencv"] = MedianSeconds([amount] { OpenCvBlur(amount); }) / ours;
#endif
}

void BM_OpenCvBoxTwice(benchmark::State& state)
{
#if defined(ZV_HAVE_OPENCV)
    const double amount = AmountOf(state);
    for (auto _ : state) {
        OpenCvBlur(amount);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBytes));
#else
    state.SkipWithError("built without OpenCV");
#endif
}

void BM_MemcpyFourTimes(benchmark::State& state)
{
    for (auto _ : state) {
        MemoryFloor();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBytes));
}

// Amounts × 10: 1.0, 3.0, 20.0 and 2.5.
void Amounts(benchmark::internal::Benchmark* benchmark)
{
    for (int64_t amount : {10, 30, 200, 25}) {
        benchmark->Arg(amount);
    }
    benchmark->ArgName("amount_x10")->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_ZvBlurGaussian)->Apply(Amounts);
BENCHMARK(BM_OpenCvBoxTwice)->Apply(Amounts);
BENCHMARK(BM_MemcpyFourTimes)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
#if defined(ZV_HAVE_OPENCV)
    cv::setNumThreads(0);  // OpenCV on the calling thread only, as the library runs
#endif
    Shared();  // build the image and touch both buffers before any timing
    MemoryFloor();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
