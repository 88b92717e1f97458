// Hostile files through the exports: every fuzzer-found file of the public corpus, PngSuite's
// corrupt files, BMP Suite's bad files and this project's fuzzing corpus. Each must be opened
// and measured without a crash, quickly, and the whole run must stay within a stated memory
// bound. Time is the thread's CPU time, so a busy machine does not make the test flaky.
#include "tests/support/imaging_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string>

#if defined(_WIN32)
#  include <windows.h>
#  include <psapi.h>
#else
#  include <sys/resource.h>
#endif

namespace fs = std::filesystem;

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr double kSlowdown = 10.0;   // sanitizers run code several times slower
constexpr long kPeakMemoryBoundMiB = 3072;
#else
constexpr double kSlowdown = 1.0;
// Peak resident memory of the whole run. The largest legitimate buffers the corpus can ask
// for stay far below this; a reader that allocated in proportion to a hostile header would not.
constexpr long kPeakMemoryBoundMiB = 1024;
#endif
constexpr double kSecondsPerFile = 1.0;

#if defined(_WIN32)
double ThreadCpuSeconds()
{
    FILETIME created{}, exited{}, kernel{}, user{};
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) * 1e-7;  // 100 ns ticks
}

long PeakResidentMiB()
{
    PROCESS_MEMORY_COUNTERS counters{};
    K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<long>(counters.PeakWorkingSetSize / (1024 * 1024));
}
#else
double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

long PeakResidentMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}
#endif

std::vector<fs::path> HostileFiles()
{
    std::vector<fs::path> files;
    if (const auto corpus = zv::test::CorpusDir()) {
        for (const fs::path& file : zv::test::FilesIn(*corpus / "pillow")) {
            if (zv::test::IsHostile(file)) {
                files.push_back(file);
            }
        }
        for (const fs::path& file : zv::test::FilesIn(*corpus / "pngsuite", {".png"})) {
            if (file.filename().string().rfind("x", 0) == 0) {
                files.push_back(file);
            }
        }
        for (const fs::path& file : zv::test::FilesIn(*corpus / "bmpsuite" / "b")) {
            files.push_back(file);
        }
    }
    return files;
}

// Every reader chooses by extension, so each fuzzing seed (a valid file of every layout) is
// tried under each family's name; the inputs the fuzzer grew replay through their own target
// in the corpus replay test.
std::vector<fs::path> FuzzCorpusUnderEveryName(const zv::test::TempDir& dir)
{
    static const char* kExtensions[] = {".jpg", ".png", ".tif", ".gif", ".bmp", ".tga", ".pcx",
                                        ".psd", ".pcd", ".wmf", ".emf", ".dng"};
    std::vector<fs::path> files;
    const fs::path corpus = fs::path(ZV_SOURCE_DIR) / "tests/fuzz/corpus";
    int index = 0;
    for (const fs::path& input : zv::test::FilesIn(corpus)) {
        if (input.filename().string().rfind("seed", 0) != 0) {
            continue;
        }
        const std::vector<uint8_t> bytes = zv::test::ReadFile(input);
        for (const char* extension : kExtensions) {
            const fs::path copy = dir / (std::to_string(index++) + extension);
            zv::test::WriteFile(copy, bytes);
            files.push_back(copy);
        }
    }
    return files;
}

void OpenAndMeasure(const fs::path& file)
{
    int32_t width = 0;
    int32_t height = 0;
    int32_t bits = 0;
    ZvDimInfo info{};
    ZV_GetImageDims(file.string().c_str(), &width, &height, &bits, &info);
    uint8_t* pixels = nullptr;
    if (ZV_OpenImageFile(file.string().c_str(), &pixels, &width, &height, 0.0, 0, 0)) {
        EXPECT_GT(width, 0);
        EXPECT_GT(height, 0);
        // The buffer must be as large as the size says: touch its last byte.
        volatile uint8_t last = pixels[static_cast<size_t>(width) * height * 3 - 1];
        (void)last;
        ZvFreeBuffer(pixels);
    } else {
        EXPECT_FALSE(ZV_GetISerror().IsEmpty()) << "a failure has a reason";
    }
}

TEST(HostileFiles, FailOrDecodeQuicklyWithinAMemoryBound)
{
    zv::test::TempDir dir;
    std::vector<fs::path> files = HostileFiles();
    const std::vector<fs::path> fuzzed = FuzzCorpusUnderEveryName(dir);
    files.insert(files.end(), fuzzed.begin(), fuzzed.end());
    ASSERT_FALSE(files.empty());

    double slowest = 0;
    std::string slowestFile;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const double start = ThreadCpuSeconds();
        OpenAndMeasure(file);
        const double seconds = ThreadCpuSeconds() - start;
        EXPECT_LT(seconds, kSecondsPerFile * kSlowdown);
        if (seconds > slowest) {
            slowest = seconds;
            slowestFile = file.filename().string();
        }
    }
    const long peak = PeakResidentMiB();
    RecordProperty("files", static_cast<int>(files.size()));
    RecordProperty("peak_mib", static_cast<int>(peak));
    std::printf("%zu hostile files, slowest %.3f s (%s), peak memory %ld MiB\n", files.size(), slowest,
                slowestFile.c_str(), peak);
    EXPECT_LT(peak, kPeakMemoryBoundMiB);
}

} // namespace
