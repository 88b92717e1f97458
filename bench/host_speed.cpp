// What a host waits for, timed through the public exports alone: opening a 6000 x 4000 JPEG
// and PNG, blurring the opened picture, and fitting it into windows that give 1600 x 1067 and
// 400 x 267 display copies, as a viewer calls each of them. One source builds for Linux and,
// with mingw-w64, for Windows, so that scripts/compare-host-speed can run the same program on
// the shared library and on zvdll.dll under Wine and compare them call for call.
//
//   host_speed [--runs N] FOLDER
//
// The pictures are written into FOLDER with the sample writers when they are not there yet, so
// that both builds read the very same files. Each operation runs N times (default 7); the
// best and the median are printed in milliseconds, one operation a line:
//   open-jpeg  best 116.2  median 118.0
#include <zvdll.h>

#include "sample_writers.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;
constexpr double kBlurAmount = 2.5;  // two box passes and the Gaussian for the fraction

struct Timing {
    double best = 0.0;
    double median = 0.0;
};

// Runs `operation` `runs` times; only the span that `operation` itself times counts, so that
// set-up and clean-up between runs stay out of the figures.
Timing Measure(int runs, const std::function<double()>& operation)
{
    std::vector<double> spans;
    for (int i = 0; i < runs; ++i) {
        spans.push_back(operation());
    }
    std::sort(spans.begin(), spans.end());
    return {spans.front(), spans[spans.size() / 2]};
}

class Stopwatch {
public:
    Stopwatch() : start_(std::chrono::steady_clock::now()) {}
    double Milliseconds() const
    {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_;
};

bool WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = !bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// The two files, written once: a photograph-like picture, so that both codecs have the work
// they have with a real photo.
bool EnsurePictures(const fs::path& jpeg, const fs::path& png)
{
    if (fs::exists(jpeg) && fs::exists(png)) {
        return true;
    }
    const zv::samples::Picture picture = zv::samples::MakePhotoLikePicture(kWidth, kHeight, 1);
    return WriteFile(jpeg, zv::samples::JpegBytes(picture)) && WriteFile(png, zv::samples::PngBytes(picture));
}

struct Opened {
    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
};

double TimedOpen(const std::string& path, Opened* out)
{
    Stopwatch watch;
    const int32_t ok = ZV_OpenImageFile(path.c_str(), &out->pixels, &out->width, &out->height, 0.0, 0, 0);
    const double span = watch.Milliseconds();
    if (ok != 1 || out->width != static_cast<int32_t>(kWidth) || out->height != static_cast<int32_t>(kHeight)) {
        std::fprintf(stderr, "host_speed: %s did not open as %u x %u\n", path.c_str(), kWidth, kHeight);
        std::exit(1);
    }
    return span;
}

// One open, its buffer released outside the timed span.
double OpenOnce(const std::string& path)
{
    Opened opened;
    const double span = TimedOpen(path, &opened);
    ZvFreeBuffer(opened.pixels);
    return span;
}

void Print(const char* name, const Timing& timing)
{
    std::printf("%-10s best %8.1f  median %8.1f\n", name, timing.best, timing.median);
    std::fflush(stdout);
}

int Usage()
{
    std::fprintf(stderr, "usage: host_speed [--runs N] FOLDER\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 7;
    const char* folder = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else if (folder == nullptr && argv[i][0] != '-') {
            folder = argv[i];
        } else {
            return Usage();
        }
    }
    if (folder == nullptr || runs < 1) {
        return Usage();
    }
    const fs::path jpeg = fs::path(folder) / "host-speed.jpg";
    const fs::path png = fs::path(folder) / "host-speed.png";
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    if (!EnsurePictures(jpeg, png)) {
        std::fprintf(stderr, "host_speed: cannot write the pictures into %s\n", folder);
        return 1;
    }

    Print("open-jpeg", Measure(runs, [&] { return OpenOnce(jpeg.string()); }));
    Print("open-png", Measure(runs, [&] { return OpenOnce(png.string()); }));

    // The blur and the fits work on an opened picture, as in a viewer; the blur's scratch
    // buffer is the host's own.
    Opened picture;
    TimedOpen(jpeg.string(), &picture);
    const size_t bytes = size_t{kWidth} * kHeight * 3;
    const std::unique_ptr<uint8_t[]> work(new uint8_t[bytes]);
    Print("blur", Measure(runs, [&] {
              Stopwatch watch;
              ZV_BlurGaussian(picture.pixels, picture.width, picture.height, kBlurAmount, work.get());
              return watch.Milliseconds();
          }));

    // Each fit hands back the previous display copy, as a viewer does when its window changes.
    struct Fit {
        const char* name;
        ZvRect window;  // less the 4-pixel margin, the display copy's width
    };
    const Fit fits[] = {{"fit-1600", {0, 0, 1604, 1071}}, {"fit-400", {0, 0, 404, 271}}};
    for (const Fit& fit : fits) {
        ZvWindow* window = ZvWindowNew(&fit.window);
        uint8_t* source = picture.pixels;
        uint32_t sourceWidth = kWidth;
        uint32_t sourceHeight = kHeight;
        uint8_t* display = nullptr;
        uint32_t displayWidth = 0;
        uint32_t displayHeight = 0;
        Print(fit.name, Measure(runs, [&] {
                  Stopwatch watch;
                  const int32_t ok = zv::c::ZV_DisplayFrame(&source, &sourceWidth, &sourceHeight, &display,
                                                            &displayWidth, &displayHeight, window);
                  const double span = watch.Milliseconds();
                  if (ok != 1) {
                      std::fprintf(stderr, "host_speed: %s failed\n", fit.name);
                      std::exit(1);
                  }
                  return span;
              }));
        ZvFreeBuffer(display);
        ZvWindowFree(window);
    }
    ZvFreeBuffer(picture.pixels);
    return 0;
}
