#include "paths/window_position.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using zv::test::TempDir;

// The file is written as text: Windows ends its line in CR LF.
#if defined(_WIN32)
constexpr const char* kSavedLine = "0,0,0,0\r\n";
#else
constexpr const char* kSavedLine = "0,0,0,0\n";
#endif

std::string Contents()
{
    const auto bytes = zv::test::ReadFile("win.pos");
    return std::string(bytes.begin(), bytes.end());
}

TEST(WindowPosition, SavingWritesZerosOverWhateverWasThere)
{
    TempDir folder(/*enter=*/true);
    zv::test::WriteFile("win.pos", std::vector<uint8_t>(100, 'x'));
    ZV_SaveWindow();
    EXPECT_EQ(Contents(), kSavedLine);
    ZV_SaveWindow();
    EXPECT_EQ(Contents(), kSavedLine);
}

TEST(WindowPosition, RestoringReadsWhatItCanAndCreatesNothing)
{
    TempDir folder(/*enter=*/true);
    ZV_RestoreWindow();
    EXPECT_FALSE(std::filesystem::exists("win.pos"));

    struct Case {
        const char* text;
        zv::paths::WindowPosition expected;
    };
    const Case cases[] = {
        {"1,2,3,4\n", {1, 2, 3, 4}},
        {"-5,6", {-5, 6, 0, 0}},
        {"7;8,9,10", {7, 0, 0, 0}},
        {"abc", {0, 0, 0, 0}},
        {"", {0, 0, 0, 0}},
        {"99999999999999999999,1,2,3", {999999999, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string text = c.text;
        zv::test::WriteFile("win.pos", std::vector<uint8_t>(text.begin(), text.end()));
        const zv::paths::WindowPosition read = zv::paths::RestoreWindowPosition();
        EXPECT_EQ(read.left, c.expected.left);
        EXPECT_EQ(read.top, c.expected.top);
        EXPECT_EQ(read.right, c.expected.right);
        EXPECT_EQ(read.bottom, c.expected.bottom);
        ZV_RestoreWindow();
        EXPECT_EQ(Contents(), text) << "restoring never changes the file";
    }
}

} // namespace
