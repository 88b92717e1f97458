// Hosts call the library from worker threads. Eight threads at once open, measure, name,
// blur and fit their own images and read their own error texts; every result is checked.
// CI also runs this program under ThreadSanitizer.
#include "sample_writers.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 6;

struct Failure {
    int thread;
    std::string what;
};

class Worker {
public:
    Worker(int index, const zv::test::TempDir& dir) : index_(index)
    {
        // Each thread has its own picture and size, so results can't be mixed up unnoticed.
        width_ = 40 + 8 * index;
        height_ = 30 + 4 * index;
        const zv::samples::Picture picture = zv::samples::MakeTestPicture(width_, height_);
        png_ = (dir / ("t" + std::to_string(index) + ".png")).string();
        tga_ = (dir / ("t" + std::to_string(index) + ".tga")).string();
        missing_ = (dir / ("missing" + std::to_string(index) + ".png")).string();
        zv::samples::WritePng(png_, picture);
        zv::samples::WriteTga(tga_, picture);
    }

    void Run(std::vector<Failure>* failures, std::atomic<bool>* start)
    {
        while (!start->load()) {
            std::this_thread::yield();
        }
        for (int round = 0; round < kRounds; ++round) {
            OpenBlurAndFit(png_);
            OpenBlurAndFit(tga_);
            Measure();
            Name(round);
            ErrorTextStaysWithTheThread();
        }
        *failures = std::move(failures_);
    }

private:
    void Expect(bool condition, const std::string& what)
    {
        if (!condition) {
            failures_.push_back({index_, what});
        }
    }

    void OpenBlurAndFit(const std::string& file)
    {
        uint8_t* pixels = nullptr;
        int32_t width = 0;
        int32_t height = 0;
        if (!ZV_OpenImageFile(file.c_str(), &pixels, &width, &height, 0.0, 0, 0)) {
            Expect(false, "open " + file + ": " + ZV_GetISerror().GetString());
            return;
        }
        Expect(width == static_cast<int32_t>(width_) && height == static_cast<int32_t>(height_), "open size");
        std::vector<uint8_t> work(static_cast<size_t>(width) * height * 3);
        const int32_t blurred = ZV_BlurGaussian(pixels, width, height, 2.5, work.data());
        Expect(blurred != 0, "the fraction of 2.5 is blurred into work");

        uint32_t sourceWidth = width_;
        uint32_t sourceHeight = height_;
        uint8_t* display = nullptr;
        uint32_t displayWidth = 0;
        uint32_t displayHeight = 0;
        zv::CWnd window(zv::CRect(0, 0, 24, 24));
        uint8_t* source = work.data();
        Expect(ZV_DisplayFrame(&source, &sourceWidth, &sourceHeight, &display, &displayWidth, &displayHeight,
                               &window) == 1,
               "display frame");
        Expect(displayWidth == 20 && displayHeight == height_ * 20 / width_, "fitted size");
        ZvFreeBuffer(display);
        ZvFreeBuffer(pixels);
    }

    void Measure()
    {
        int32_t width = 0;
        int32_t height = 0;
        int32_t bits = 0;
        ZvDimInfo info{};
        Expect(ZV_GetImageDims(png_.c_str(), &width, &height, &bits, &info) != 0, "dims");
        Expect(width == static_cast<int32_t>(width_) && height == static_cast<int32_t>(height_) && bits == 24,
               "dims values");
    }

    void Name(int round)
    {
        const zv::CString name = ZV_ParseLine("IMG_$(counterA,04)_$(size)_$(filetitle)", "%Y", "D:\\in\\",
                                              "x.png", "x", static_cast<int32_t>(width_),
                                              static_cast<int32_t>(height_), index_ * 100 + round, 0, 0, 0, 0, 0, 0,
                                              0, 0, 0);
        char expected[64];
        std::snprintf(expected, sizeof expected, "IMG_%04d_%ux%u_x", index_ * 100 + round, width_, height_);
        Expect(name == expected, std::string("name ") + name.GetString());
    }

    // Odd threads fail an open while even ones succeed: each must read its own last error.
    void ErrorTextStaysWithTheThread()
    {
        uint8_t* pixels = nullptr;
        int32_t width = 0;
        int32_t height = 0;
        if (index_ % 2 == 1) {
            Expect(ZV_OpenImageFile(missing_.c_str(), &pixels, &width, &height, 0.0, 0, 0) == 0, "missing file");
            std::this_thread::yield();
            Expect(ZV_GetISerror() == "2: error on file open", "error text of this thread");
        } else {
            Expect(ZV_OpenImageFile(png_.c_str(), &pixels, &width, &height, 0.0, 0, 0) == 1, "reopen");
            ZvFreeBuffer(pixels);
        }
    }

    int index_;
    uint32_t width_;
    uint32_t height_;
    std::string png_;
    std::string tga_;
    std::string missing_;
    std::vector<Failure> failures_;
};

TEST(Threads, ConcurrentCallsAreIndependent)
{
    zv::test::TempDir dir;
    std::vector<Worker> workers;
    workers.reserve(kThreads);
    for (int i = 0; i < kThreads; ++i) {
        workers.emplace_back(i, dir);
    }
    std::vector<std::vector<Failure>> failures(kThreads);
    std::atomic<bool> start{false};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back(&Worker::Run, &workers[static_cast<size_t>(i)], &failures[static_cast<size_t>(i)], &start);
    }
    start = true;
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const auto& list : failures) {
        for (const Failure& failure : list) {
            ADD_FAILURE() << "thread " << failure.thread << ": " << failure.what;
        }
    }
}

} // namespace
