// A batch as users run it: eight 24-megapixel photograph-like JPEGs fitted into 1600 x 1067
// and written as JPEG (quality 90), by `zvtool batch` (all cores, shrink-on-load) and by
// libvips' `vipsthumbnail`, in the same run and interleaved, so that both meet the same load on
// a shared machine. The x_vips counter is zvtool's wall time over vipsthumbnail's, x_vips_cpu
// the same for the processor time their processes used. Two sets: plain pictures (no
// metadata), and phone photos (stored on their side with EXIF Orientation 6, Display P3, EXIF
// and XMP), which both tools turn upright, convert to sRGB and write with their metadata.
//
// Also the price of shrink-on-load: ZvOpenImageFileForSize plus the fit against
// ZV_OpenImageFile plus the fit, timed, and how far apart their pixels are (mean and largest
// difference per channel over the eight pictures).
#include "photo_writer.h"
#include "sample_writers.h"
#include "zvdll.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;
constexpr int kPictures = 8;
constexpr uint32_t kBoxWidth = 1600;
constexpr uint32_t kBoxHeight = 1067;

// Joins pieces of text by appending (g++ 12 at -O3 warns falsely about chains of operator+).
template <typename... Pieces>
std::string Concat(const Pieces&... pieces)
{
    std::string text;
    (text.append(pieces), ...);
    return text;
}

// The pictures are made once and kept between runs: they depend on nothing but this program.
fs::path InputFolder(bool phonePhotos = false)
{
    static const auto make = [](const char* name, bool phone) {
        const fs::path path = fs::temp_directory_path() / name;
        fs::create_directories(path);
        for (int i = 0; i < kPictures; ++i) {
            const fs::path file = path / Concat("photo", std::to_string(i), ".jpg");
            if (fs::exists(file)) {
                continue;
            }
            const std::vector<uint8_t> bytes =
                phone ? zv::samples::PhonePhotoJpeg(zv::samples::MakePhotoLikePicture(kHeight, kWidth, i + 1), {true, 90})
                      : zv::samples::JpegBytes(zv::samples::MakePhotoLikePicture(kWidth, kHeight, i + 1));
            const fs::path partial = Concat(file.string(), ".part");
            FILE* out = std::fopen(partial.c_str(), "wb");
            const bool written = out != nullptr && !bytes.empty() &&
                                 std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
            if (out == nullptr || std::fclose(out) != 0 || !written) {
                std::fprintf(stderr, "cannot write %s\n", file.c_str());
                std::exit(1);
            }
            fs::rename(partial, file);
        }
        return path;
    };
    if (phonePhotos) {
        static const fs::path phone = make("zvdll-batch-bench-phone-v1", true);
        return phone;
    }
    static const fs::path plain = make("zvdll-batch-bench-v2", false);
    return plain;
}

std::string Quote(const fs::path& path)
{
    return Concat("'", path.string(), "'");
}

// What a run cost: its wall time, and the processor time of the processes it started (user
// and system, every thread), which a busy machine disturbs less.
struct RunCost {
    double wallSeconds = -1;  // negative when the command failed
    double cpuSeconds = 0;
};

double ChildrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs a shell command into a fresh output folder.
RunCost TimedRun(const std::string& command, const fs::path& output)
{
    fs::remove_all(output);
    fs::create_directories(output);
    const double cpuBefore = ChildrenCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(Concat(command, " > /dev/null").c_str());
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return {status == 0 ? elapsed.count() : -1.0, ChildrenCpuSeconds() - cpuBefore};
}

std::string ZvtoolCommand(const fs::path& output, bool phonePhotos)
{
    return Concat(ZVTOOL_PATH, " batch ", Quote(InputFolder(phonePhotos)), " -o ", Quote(output), " --name '$(filetitle)' --fit ",
                  std::to_string(kBoxWidth), "x", std::to_string(kBoxHeight), " --format jpg --quality 90 --overwrite");
}

// vipsthumbnail turns images upright and keeps metadata by default; converting to sRGB is its
// option.
std::string VipsCommand(const fs::path& output, bool phonePhotos)
{
    return Concat("vipsthumbnail ", Quote(InputFolder(phonePhotos)), "/*.jpg --size ", std::to_string(kBoxWidth), "x",
                  std::to_string(kBoxHeight), phonePhotos ? " --export-profile srgb" : "", " -o ", Quote(output),
                  "'/%s.jpg[Q=90]'");
}

void BM_BatchAgainstVipsthumbnail(benchmark::State& state)
{
    if (std::system("command -v vipsthumbnail > /dev/null") != 0) {
        state.SkipWithError("vipsthumbnail is missing: run scripts/install-deps --bench");
        return;
    }
    const bool phonePhotos = state.range(0) != 0;
    state.SetLabel(phonePhotos ? "phone photos: upright, sRGB, metadata" : "plain pictures");
    const fs::path output = fs::temp_directory_path() / "zvdll-batch-bench-out";
    RunCost zvtoolTotal{0, 0};
    RunCost vipsTotal{0, 0};
    for (auto _ : state) {
        const RunCost zvtool = TimedRun(ZvtoolCommand(output / "zvtool", phonePhotos), output / "zvtool");
        const RunCost vips = TimedRun(VipsCommand(output / "vips", phonePhotos), output / "vips");
        if (zvtool.wallSeconds < 0 || vips.wallSeconds < 0) {
            state.SkipWithError("a batch failed");
            break;
        }
        zvtoolTotal = {zvtoolTotal.wallSeconds + zvtool.wallSeconds, zvtoolTotal.cpuSeconds + zvtool.cpuSeconds};
        vipsTotal = {vipsTotal.wallSeconds + vips.wallSeconds, vipsTotal.cpuSeconds + vips.cpuSeconds};
        state.SetIterationTime(zvtool.wallSeconds + vips.wallSeconds);
    }
    const auto perIteration = [](double value) { return benchmark::Counter(value, benchmark::Counter::kAvgIterations); };
    state.counters["zvtool_s"] = perIteration(zvtoolTotal.wallSeconds);
    state.counters["vips_s"] = perIteration(vipsTotal.wallSeconds);
    state.counters["x_vips"] = vipsTotal.wallSeconds > 0 ? zvtoolTotal.wallSeconds / vipsTotal.wallSeconds : 0.0;
    state.counters["zvtool_cpu_s"] = perIteration(zvtoolTotal.cpuSeconds);
    state.counters["vips_cpu_s"] = perIteration(vipsTotal.cpuSeconds);
    state.counters["x_vips_cpu"] = vipsTotal.cpuSeconds > 0 ? zvtoolTotal.cpuSeconds / vipsTotal.cpuSeconds : 0.0;
    fs::remove_all(output);
}
BENCHMARK(BM_BatchAgainstVipsthumbnail)->Arg(0)->Arg(1)->Iterations(1)->Repetitions(5)->UseManualTime()
    ->Unit(benchmark::kSecond);

struct Fitted {
    std::vector<uint8_t> rgb;
    uint32_t width = 0;
    uint32_t height = 0;
};

// Opens one picture, whole or shrunk on load, and fits it into the box as zvtool does.
Fitted OpenAndFit(const fs::path& file, bool shrinkOnLoad)
{
    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    const int32_t opened = shrinkOnLoad
                               ? ZvOpenImageFileForSize(file.c_str(), &pixels, &width, &height, kBoxWidth, kBoxHeight)
                               : ZV_OpenImageFile(file.c_str(), &pixels, &width, &height, 0.0, 0, 0);
    Fitted fitted;
    if (!opened) {
        return fitted;
    }
    zv::CWnd window(zv::CRect(0, 0, kBoxWidth + 4, kBoxHeight + 4));
    uint32_t sourceWidth = static_cast<uint32_t>(width);
    uint32_t sourceHeight = static_cast<uint32_t>(height);
    uint8_t* display = nullptr;
    if (ZV_DisplayFrame(&pixels, &sourceWidth, &sourceHeight, &display, &fitted.width, &fitted.height, &window) &&
        display != nullptr) {
        fitted.rgb.assign(display, display + static_cast<size_t>(fitted.width) * fitted.height * 3);
    }
    ZvFreeBuffer(display);
    ZvFreeBuffer(pixels);
    return fitted;
}

void BM_OpenAndFit(benchmark::State& state)
{
    const bool shrinkOnLoad = state.range(0) != 0;
    const fs::path file = InputFolder() / "photo0.jpg";
    for (auto _ : state) {
        benchmark::DoNotOptimize(OpenAndFit(file, shrinkOnLoad).rgb.data());
    }
    state.SetLabel(shrinkOnLoad ? "ZvOpenImageFileForSize + fit" : "ZV_OpenImageFile + fit");
}
BENCHMARK(BM_OpenAndFit)->Arg(0)->Arg(1)->Repetitions(3)->ReportAggregatesOnly()->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Differences per channel between the shrunk and the whole decode after fitting, over every
// pixel of the eight pictures.
void BM_ShrinkOnLoadDifference(benchmark::State& state)
{
    std::array<double, 3> sum{};
    std::array<int, 3> largest{};
    double pixels = 0;
    for (auto _ : state) {
        for (int i = 0; i < kPictures; ++i) {
            const fs::path file = InputFolder() / Concat("photo", std::to_string(i), ".jpg");
            const Fitted whole = OpenAndFit(file, false);
            const Fitted shrunk = OpenAndFit(file, true);
            if (whole.rgb.empty() || whole.width != shrunk.width || whole.height != shrunk.height) {
                state.SkipWithError("the two ways give different sizes");
                return;
            }
            for (size_t b = 0; b < whole.rgb.size(); ++b) {
                const int difference = std::abs(whole.rgb[b] - shrunk.rgb[b]);
                sum[b % 3] += difference;
                largest[b % 3] = std::max(largest[b % 3], difference);
            }
            pixels += static_cast<double>(whole.width) * whole.height;
        }
    }
    const char* names[] = {"R", "G", "B"};
    for (size_t c = 0; c < 3; ++c) {
        state.counters[Concat("mean_", names[c])] = sum[c] / pixels;
        state.counters[Concat("max_", names[c])] = largest[c];
    }
}
BENCHMARK(BM_ShrinkOnLoadDifference)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
