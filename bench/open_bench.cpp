// Opening and measuring: ZV_OpenImageFile on a 24-megapixel JPEG and PNG against decoding the
// same files straight with TurboJPEG (file read into memory, tjDecompress2 into a new buffer)
// and libpng (stdio, png_read_image into a new buffer); the imaging library's readers alone,
// which leave out the copy into the host's buffer; and ZV_GetImageDims against the full
// decode. Every large buffer, on either side, gets the same huge-page advice. Prints the
// ratios of the medians at the end.
#include "ratio_reporter.h"
#include "zvdll.h"
#include "imaging/core/imaging.h"
#include "platform/page_advice.h"
#include "photo_picture.h"

#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>
#ifdef ZV_HAVE_TURBOJPEG
#include <turbojpeg.h>
#endif

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = zv::bench::kPhotoWidth;  // 24 megapixels
constexpr int kHeight = zv::bench::kPhotoHeight;

struct Inputs {
    fs::path folder;
    std::string jpeg;
    std::string png;
};

Inputs& TheInputs()
{
    static Inputs inputs;
    return inputs;
}

bool WritePng(const std::string& path, const std::vector<uint8_t>& rgb)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = kWidth;
    image.height = kHeight;
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

// The whole file in memory, read with one fread into a buffer given the same page advice as
// the library's own buffers.
struct FileBytes {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
};

FileBytes ReadAll(const std::string& path)
{
    FileBytes file;
    const size_t size = fs::file_size(path);
    file.data.reset(new uint8_t[size]);
    zv::platform::AdviseHugePages(file.data.get(), size);
    if (FILE* in = std::fopen(path.c_str(), "rb")) {
        file.size = std::fread(file.data.get(), 1, size, in);
        std::fclose(in);
    }
    return file;
}

void OpenWithLibrary(benchmark::State& state, const std::string& path)
{
    for (auto _ : state) {
        uint8_t* buffer = nullptr;
        int32_t width = 0, height = 0;
        if (ZV_OpenImageFile(path.c_str(), &buffer, &width, &height, 0.0, 0, 0) != 1) {
            state.SkipWithError("ZV_OpenImageFile failed");
            break;
        }
        benchmark::DoNotOptimize(buffer);
        ZvFreeBuffer(buffer);
    }
}

void MeasureWithLibrary(benchmark::State& state, const std::string& path)
{
    for (auto _ : state) {
        int32_t width = 0, height = 0, bits = 0;
        ZvDimInfo info{};
        if (ZV_GetImageDims(path.c_str(), &width, &height, &bits, &info) == 0) {
            state.SkipWithError("ZV_GetImageDims failed");
            break;
        }
        benchmark::DoNotOptimize(width);
    }
}

// The imaging library's reader alone: the decode into its block, without the copy into
// the host's buffer that ZV_OpenImageFile adds.
template <typename Read>
void ReadBlock(benchmark::State& state, const std::string& path, Read read)
{
    for (auto _ : state) {
        HISSRC source = IS40_OpenFileSource(path.c_str());
        uint32_t width = 0, height = 0;
        HGLOBAL block = read(source, &width, &height);
        IS40_CloseSource(source);
        if (block == nullptr) {
            state.SkipWithError("reader failed");
            break;
        }
        ImageBlockFree(block);
    }
}

void BM_ReaderJpeg(benchmark::State& state)
{
    ReadBlock(state, TheInputs().jpeg, [](HISSRC s, uint32_t* w, uint32_t* h) { return IS40_ReadJPG(s, w, h, 24, 0); });
}

void BM_ReaderPng(benchmark::State& state)
{
    ReadBlock(state, TheInputs().png,
              [](HISSRC s, uint32_t* w, uint32_t* h) { return IS40_ReadPNG(s, w, h, 24, nullptr, 0); });
}

void BM_OpenJpeg(benchmark::State& state) { OpenWithLibrary(state, TheInputs().jpeg); }
void BM_OpenPng(benchmark::State& state) { OpenWithLibrary(state, TheInputs().png); }
void BM_MeasureJpeg(benchmark::State& state) { MeasureWithLibrary(state, TheInputs().jpeg); }
void BM_MeasurePng(benchmark::State& state) { MeasureWithLibrary(state, TheInputs().png); }

#ifdef ZV_HAVE_TURBOJPEG
// The file read into memory, then decoded by TurboJPEG into a new RGB buffer.
void BM_TurboJpegAlone(benchmark::State& state)
{
    tjhandle decoder = tjInitDecompress();
    for (auto _ : state) {
        const FileBytes file = ReadAll(TheInputs().jpeg);
        int width = 0, height = 0, subsampling = 0, colourspace = 0;
        tjDecompressHeader3(decoder, file.data.get(), file.size, &width, &height, &subsampling, &colourspace);
        auto* rgb = new uint8_t[static_cast<size_t>(width) * height * 3];
        zv::platform::AdviseHugePages(rgb, static_cast<uint64_t>(width) * height * 3);
        if (tjDecompress2(decoder, file.data.get(), file.size, rgb, width, 0, height, TJPF_RGB, 0) != 0) {
            state.SkipWithError(tjGetErrorStr2(decoder));
        }
        benchmark::DoNotOptimize(rgb);
        delete[] rgb;
    }
    tjDestroy(decoder);
}
#endif

// libpng reading the file through stdio into a new RGB buffer.
void BM_LibpngAlone(benchmark::State& state)
{
    for (auto _ : state) {
        FILE* in = std::fopen(TheInputs().png.c_str(), "rb");
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (setjmp(png_jmpbuf(png)) != 0) {
            state.SkipWithError("libpng failed");
            png_destroy_read_struct(&png, &info, nullptr);
            std::fclose(in);
            break;
        }
        png_init_io(png, in);
        png_read_info(png, info);
        const size_t width = png_get_image_width(png, info);
        const size_t height = png_get_image_height(png, info);
        auto* rgb = new uint8_t[width * height * 3];
        zv::platform::AdviseHugePages(rgb, width * height * 3);
        std::vector<png_bytep> rows(height);
        for (size_t y = 0; y < height; ++y) {
            rows[y] = rgb + y * width * 3;
        }
        png_read_image(png, rows.data());
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(in);
        benchmark::DoNotOptimize(rgb);
        delete[] rgb;
    }
}

void Register()
{
    auto configure = [](benchmark::internal::Benchmark* b) {
        b->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(7)->ReportAggregatesOnly(true)->MinTime(1.0);
    };
    configure(benchmark::RegisterBenchmark("BM_OpenJpeg", BM_OpenJpeg));
#ifdef ZV_HAVE_TURBOJPEG
    configure(benchmark::RegisterBenchmark("BM_TurboJpegAlone", BM_TurboJpegAlone));
#endif
    configure(benchmark::RegisterBenchmark("BM_OpenPng", BM_OpenPng));
    configure(benchmark::RegisterBenchmark("BM_ReaderJpeg", BM_ReaderJpeg));
    configure(benchmark::RegisterBenchmark("BM_ReaderPng", BM_ReaderPng));
    configure(benchmark::RegisterBenchmark("BM_LibpngAlone", BM_LibpngAlone));
    configure(benchmark::RegisterBenchmark("BM_MeasureJpeg", BM_MeasureJpeg));
    configure(benchmark::RegisterBenchmark("BM_MeasurePng", BM_MeasurePng));
}

} // namespace

int main(int argc, char** argv)
{
    Inputs& inputs = TheInputs();
    inputs.folder = fs::temp_directory_path() / ("zvdll-open-bench-" + std::to_string(::getpid()));
    fs::create_directories(inputs.folder);
    inputs.jpeg = (inputs.folder / "picture.jpg").string();
    inputs.png = (inputs.folder / "picture.png").string();
    {
        const std::vector<uint8_t> picture = zv::bench::MakePhotoPicture();
        if (!zv::bench::WritePhotoJpeg(inputs.jpeg, picture) || !WritePng(inputs.png, picture)) {
            std::fprintf(stderr, "could not write the test pictures\n");
            return 1;
        }
    }
    // Repetitions of different benchmarks run interleaved, so that load from other processes
    // falls on all of them alike rather than on whichever ran at a busy moment.
    std::vector<char*> arguments(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave.data());
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    Register();
    zv::bench::RatioReporter reporter;
    std::printf("Inputs: JPEG %ju bytes, PNG %ju bytes\n", static_cast<uintmax_t>(fs::file_size(inputs.jpeg)),
                static_cast<uintmax_t>(fs::file_size(inputs.png)));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nMedians of 7 runs, %d x %d pixels:\n", kWidth, kHeight);
    zv::bench::PrintRatio(reporter, "ZV_OpenImageFile JPEG / TurboJPEG alone", "BM_OpenJpeg", "BM_TurboJpegAlone");
    zv::bench::PrintRatio(reporter, "ZV_OpenImageFile PNG / libpng alone", "BM_OpenPng", "BM_LibpngAlone");
    zv::bench::PrintRatio(reporter, "IS40_ReadJPG alone / TurboJPEG alone", "BM_ReaderJpeg", "BM_TurboJpegAlone");
    zv::bench::PrintRatio(reporter, "IS40_ReadPNG alone / libpng alone", "BM_ReaderPng", "BM_LibpngAlone");
    zv::bench::PrintRatio(reporter, "ZV_GetImageDims JPEG / ZV_OpenImageFile JPEG", "BM_MeasureJpeg", "BM_OpenJpeg");
    zv::bench::PrintRatio(reporter, "ZV_GetImageDims PNG / ZV_OpenImageFile PNG", "BM_MeasurePng", "BM_OpenPng");
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(inputs.folder, ignored);
    return 0;
}
