// Turning and converting photos: ZvOrientPixels on a 24-megapixel RGB picture for the half
// turn (3), the quarter turn (6) and the transpose (5), into a target that is already allocated
// and written once (both with the huge-page advice that the library's own pictures get),
// beside ZV_OpenImageFile decoding the same picture as a JPEG, which the turn should cost a
// small part of. The transposing kernel with each tile side. ZvConvertToSrgb on
// a 1600 x 1067 picture from Display P3, beside lcms2 alone with its default flags. Prints the
// ratios of the medians at the end.
#include "icc_writer.h"
#include "ratio_reporter.h"
#include "zvdll.h"
#include "imaging/pixels/orient.h"
#include "photo_picture.h"
#include "platform/page_advice.h"

#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = zv::bench::kPhotoWidth;
constexpr int kHeight = zv::bench::kPhotoHeight;
constexpr int kSmallWidth = 1600;  // a screen-sized photo
constexpr int kSmallHeight = 1067;

// A buffer given the huge-page advice that the library's own decoded pictures get, or not.
struct Buffer {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
    uint8_t* data() const { return bytes.get(); }
};

Buffer Copy(const std::vector<uint8_t>& from, bool hugePages)
{
    Buffer buffer{std::make_unique_for_overwrite<uint8_t[]>(from.size()), from.size()};
    if (hugePages) {
        zv::platform::AdviseHugePages(buffer.data(), buffer.size);
    }
    std::memcpy(buffer.data(), from.data(), from.size());
    return buffer;
}

struct Inputs {
    std::vector<uint8_t> picture;
    Buffer source[2], target[2];  // [1] with huge-page advice
    std::string jpeg;
    std::vector<uint8_t> p3;
};

Inputs& TheInputs()
{
    static Inputs inputs;
    return inputs;
}

void BM_Orient(benchmark::State& state, int orientation, uint32_t tile, bool hugePages)
{
    Inputs& in = TheInputs();
    for (auto _ : state) {
        if (!zv::imaging::OrientPixelsWithTile(in.source[hugePages].data(), kWidth, kHeight, orientation,
                                               in.target[hugePages].data(), tile)) {
            state.SkipWithError("OrientPixels failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(in.picture.size()));
}

void BM_OrientExport(benchmark::State& state, int orientation)
{
    Inputs& in = TheInputs();
    for (auto _ : state) {
        if (ZvOrientPixels(in.source[1].data(), kWidth, kHeight, orientation, in.target[1].data()) != 1) {
            state.SkipWithError("ZvOrientPixels failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(in.picture.size()));
}

void BM_OpenJpeg(benchmark::State& state)
{
    for (auto _ : state) {
        uint8_t* buffer = nullptr;
        int32_t width = 0, height = 0;
        if (ZV_OpenImageFile(TheInputs().jpeg.c_str(), &buffer, &width, &height, 0.0, 0, 0) != 1) {
            state.SkipWithError("ZV_OpenImageFile failed");
            break;
        }
        benchmark::DoNotOptimize(buffer);
        ZvFreeBuffer(buffer);
    }
}

// Each run converts the same pixels: the copy that restores them is not timed.
template <typename Convert>
void ConvertSmall(benchmark::State& state, Convert convert)
{
    const size_t bytes = size_t{kSmallWidth} * kSmallHeight * 3;
    std::vector<uint8_t> pixels(bytes);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(pixels.data(), TheInputs().picture.data(), bytes);
        state.ResumeTiming();
        if (!convert(pixels.data())) {
            state.SkipWithError("conversion failed");
            break;
        }
        benchmark::ClobberMemory();
    }
}

void BM_ConvertToSrgb(benchmark::State& state)
{
    const std::vector<uint8_t>& p3 = TheInputs().p3;
    ConvertSmall(state, [&p3](uint8_t* pixels) {
        return ZvConvertToSrgb(pixels, kSmallWidth, kSmallHeight, p3.data(), p3.size(), ZV_INTENT_PERCEPTUAL) == 1;
    });
}

// lcms2 used the plain way: global context, default flags, one call for the whole picture.
void BM_LcmsAlone(benchmark::State& state)
{
    const std::vector<uint8_t>& p3 = TheInputs().p3;
    ConvertSmall(state, [&p3](uint8_t* pixels) {
        cmsHPROFILE source = cmsOpenProfileFromMem(p3.data(), static_cast<cmsUInt32Number>(p3.size()));
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        cmsHTRANSFORM transform = cmsCreateTransform(source, TYPE_RGB_8, srgb, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
        if (transform != nullptr) {
            cmsDoTransform(transform, pixels, pixels, kSmallWidth * kSmallHeight);
            cmsDeleteTransform(transform);
        }
        cmsCloseProfile(srgb);
        cmsCloseProfile(source);
        return transform != nullptr;
    });
}

void Register()
{
    auto configure = [](benchmark::internal::Benchmark* b) {
        b->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true)->MinTime(0.5);
    };
    configure(benchmark::RegisterBenchmark("BM_OpenJpeg", BM_OpenJpeg));
    for (int orientation : {3, 6, 5}) {
        const std::string name = "BM_Orient" + std::to_string(orientation);
        configure(benchmark::RegisterBenchmark(name.c_str(), BM_OrientExport, orientation));
    }
    for (uint32_t tile : {8u, 16u, 32u, 64u}) {
        const std::string name = "BM_Orient6Tile" + std::to_string(tile);
        configure(benchmark::RegisterBenchmark(name.c_str(), BM_Orient, 6, tile, true));
    }
    configure(benchmark::RegisterBenchmark("BM_Orient6SmallPages", BM_Orient, 6, 0, false));
    configure(benchmark::RegisterBenchmark("BM_ConvertToSrgb", BM_ConvertToSrgb));
    configure(benchmark::RegisterBenchmark("BM_LcmsAlone", BM_LcmsAlone));
}

} // namespace

int main(int argc, char** argv)
{
    Inputs& inputs = TheInputs();
    const fs::path folder = fs::temp_directory_path() / ("zvdll-orient-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    inputs.jpeg = (folder / "picture.jpg").string();
    inputs.picture = zv::bench::MakePhotoPicture();
    // Targets allocated and written once: no page faults are timed.
    for (bool hugePages : {false, true}) {
        inputs.source[hugePages] = Copy(inputs.picture, hugePages);
        inputs.target[hugePages] = Copy(inputs.picture, hugePages);
    }
    inputs.p3 = zv::samples::DisplayP3Profile();
    if (!zv::bench::WritePhotoJpeg(inputs.jpeg, inputs.picture) || inputs.p3.empty()) {
        std::fprintf(stderr, "could not make the inputs\n");
        return 1;
    }
    std::vector<char*> arguments(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave.data());
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    Register();
    zv::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nMedians of 5 runs, %d x %d pixels:\n", kWidth, kHeight);
    zv::bench::PrintRatio(reporter, "Rotate 180 (3) / JPEG open", "BM_Orient3", "BM_OpenJpeg");
    zv::bench::PrintRatio(reporter, "Rotate 90 clockwise (6) / JPEG open", "BM_Orient6", "BM_OpenJpeg");
    zv::bench::PrintRatio(reporter, "Transpose (5) / JPEG open", "BM_Orient5", "BM_OpenJpeg");
    for (const char* tile : {"BM_Orient6Tile8", "BM_Orient6Tile16", "BM_Orient6Tile32"}) {
        zv::bench::PrintRatio(reporter, (std::string("Orientation 6, Tile64 / ") + (tile + 10)).c_str(), "BM_Orient6Tile64", tile);
    }
    zv::bench::PrintRatio(reporter, "Orientation 6, huge / small pages", "BM_Orient6", "BM_Orient6SmallPages");
    zv::bench::PrintRatio(reporter, "ZvConvertToSrgb 1600x1067 / lcms2 alone", "BM_ConvertToSrgb", "BM_LcmsAlone");
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
