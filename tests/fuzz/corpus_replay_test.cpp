// Replays every committed fuzzing input through its target: what the fuzzer once found stays
// fixed. Runs in the normal and sanitizer builds.
#include "imaging/metafile/drawing/text.h"
#include "tests/fuzz/fuzz_entries.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

TEST(FuzzCorpus, EveryInputRunsCleanly)
{
    const fs::path corpus = fs::path(ZV_SOURCE_DIR) / "tests/fuzz/corpus";
    size_t replayed = 0;
    for (const zv::fuzz::Target& target : zv::fuzz::Targets()) {
        for (const fs::path& file : zv::test::FilesIn(corpus / target.name)) {
            SCOPED_TRACE(file.string());
            const std::vector<uint8_t> bytes = zv::test::ReadFile(file);
            target.entry(bytes.data(), bytes.size());
            ++replayed;
        }
    }
    ZvSetAllocationLimit(0);
    // The metafile inputs filled the backend's font caches; leak checkers look at exit.
    zv::imaging::metafile::ReleaseFontCaches();
    RecordProperty("replayed", static_cast<int>(replayed));
    EXPECT_GT(replayed, 0u) << "the regression corpus is missing";
}

} // namespace
