#include "paths/folders.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using zv::test::HostServicesRecorder;
using zv::test::TempDir;

const std::string kCreateFailed = " failed to create folder, invalid_handle2";
const std::string kFileInTheWay = "error in creating directory (err:9755)";
const std::string kNoPath = "no output folder path specified";

// Library form of a folder below the temporary root: the root as POSIX, the rest in backslashes.
std::string LibraryPath(const TempDir& root, const std::string& levels)
{
    return root.str() + "\\" + levels;
}

TEST(CreateFolder, AnExistingFolderIsAcceptedAtOnce)
{
    TempDir root;
    fs::create_directories(root / "Out");
    for (const std::string& path : {LibraryPath(root, "Out"), LibraryPath(root, "Out\\"), root.str() + "/Out"}) {
        HostServicesRecorder recorder;
        EXPECT_EQ(ZV_CreateFolder(path.c_str(), 1), 1) << path;
        EXPECT_TRUE(recorder.messages.empty());
    }
}

TEST(CreateFolder, CreatesEveryMissingLevelBelowTheTop)
{
    TempDir root;
    fs::create_directories(root / "Out");
    HostServicesRecorder recorder;
    EXPECT_EQ(ZV_CreateFolder(LibraryPath(root, "Out\\2006\\Web").c_str(), 1), 1);
    EXPECT_TRUE(fs::is_directory(root / "Out/2006/Web"));
    EXPECT_TRUE(recorder.messages.empty());

    // New levels get the default permissions: everything the umask allows (on Windows: not
    // read-only).
    const fs::perms owner = fs::status(root / "Out/2006").permissions() & fs::perms::owner_all;
    EXPECT_EQ(owner & (fs::perms::owner_read | fs::perms::owner_write), fs::perms::owner_read | fs::perms::owner_write);
}

// A one-level name creates nothing, and a relative path never its first level.
TEST(CreateFolder, ARelativePathNeverCreatesItsFirstLevel)
{
    TempDir root(/*enter=*/true);
    for (const char* name : {"Out", "Out\\Web"}) {
        SCOPED_TRACE(name);
        HostServicesRecorder recorder;
        EXPECT_EQ(ZV_CreateFolder(name, 1), 0);
        EXPECT_FALSE(fs::exists(root / "Out"));
        ASSERT_EQ(recorder.texts.size(), 1u);
        EXPECT_EQ(recorder.texts[0], kCreateFailed);
    }
    fs::create_directory(root / "Out");
    EXPECT_EQ(ZV_CreateFolder("Out\\Web", 1), 1);
    EXPECT_TRUE(fs::is_directory(root / "Out/Web"));
    EXPECT_EQ(ZV_CreateFolder(".\\New", 0), 1) << "a leading . level makes a one-level name creatable";
}

TEST(CreateFolder, FailuresAndTheirMessages)
{
    TempDir root;
    fs::create_directories(root / "Out");
    zv::test::WriteFile(root / "Out/file", {'x'});

    struct Case {
        std::string path;
        int showMessages;
        int result;
        std::vector<std::string> texts;
    };
    const std::vector<Case> cases = {
        {"", 1, 0, {kNoPath}},
        {"", 0, 0, {}},
        {LibraryPath(root, "Out\\file"), 1, 0, {kFileInTheWay}},
        {LibraryPath(root, "Out\\file"), 0, 0, {}},
        // One trailing backslash is removed; a name that still ends in one finds nothing.
        {LibraryPath(root, "Out\\New\\\\"), 1, 0, {kCreateFailed}},
        {LibraryPath(root, "Out\\file\\Below"), 1, 0, {kCreateFailed}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        HostServicesRecorder recorder;
        EXPECT_EQ(ZV_CreateFolder(c.path.c_str(), c.showMessages), c.result);
        EXPECT_EQ(recorder.texts, c.texts);
    }
    EXPECT_TRUE(fs::is_directory(root / "Out/New")) << "the levels before the final search were made";
}

TEST(CreateFolder, ANetworkPathCreatesNothingLocal)
{
    TempDir root(/*enter=*/true);
    HostServicesRecorder recorder;
    // A server name of this run's own: a folder that some other run left at the root cannot
    // fail this one.
    const std::string server = "zvdll-server-" + root.path().filename().string();
    EXPECT_EQ(ZV_CreateFolder(("\\\\" + server + "\\share\\zvdll-new").c_str(), 1), 0);
    ASSERT_EQ(recorder.texts.size(), 1u);
    EXPECT_EQ(recorder.texts[0], kCreateFailed);
    EXPECT_FALSE(fs::exists("/" + server));
    EXPECT_FALSE(fs::exists("/zvdll-new"));
    EXPECT_TRUE(fs::is_empty(root.path()));
}

TEST(FolderLevels, SplitsAtEveryBackslash)
{
    const zv::CStringArray levels = zv::paths::FolderLevels("\\\\server\\share\\new");
    ASSERT_EQ(levels.GetSize(), 5);
    EXPECT_STREQ(levels[0].GetString(), "");
    EXPECT_STREQ(levels[1].GetString(), "\\");
    EXPECT_STREQ(levels[2].GetString(), "\\\\server");
    EXPECT_STREQ(levels[3].GetString(), "\\\\server\\share");
    EXPECT_STREQ(levels[4].GetString(), "\\\\server\\share\\new");
    EXPECT_EQ(zv::paths::FolderLevels("D:\\Out\\2006\\Web").GetSize(), 4);
    EXPECT_EQ(zv::paths::FolderLevels("Out").GetSize(), 1);
}

TEST(Existence, FilesAndFoldersAlike)
{
    TempDir root(/*enter=*/true);
    fs::create_directory(root / "dir");
    zv::test::WriteFile(root / "dir/a.jpg", {'x'});

    struct Case {
        std::string path;
        int exists;
    };
    const std::vector<Case> cases = {
        {root.str() + "\\dir", 1},
        {root.str() + "\\dir\\a.jpg", 1},
        {"dir\\a.jpg", 1},             // relative to the current folder
        {root.str() + "\\dir\\", 0},   // a name ending in a separator finds nothing
        {"/", 0},
        {"", 0},
        {root.str() + "\\dir\\*.jpg", 1},
        {root.str() + "\\dir\\?.jpg", 1},
        {root.str() + "\\dir\\*.png", 0},
        {root.str() + "\\missing", 0},
        {"\\\\server\\share", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ZV_DoesFileExist(c.path.c_str()), c.exists);
        EXPECT_EQ(ZV_DoesFolderExist(c.path.c_str()), c.exists);
    }
}

} // namespace
