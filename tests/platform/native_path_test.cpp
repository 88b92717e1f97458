#include "platform/file_system.h"
#include "platform/native_path.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

TEST(NativePath, LibraryPathsBecomeTheSystems)
{
    std::string native;
#if defined(_WIN32)
    // The library's paths are Windows paths already, network shares included.
    for (const char* path : {"Out\\2006\\Web", "C:\\x\\Out", "\\\\server\\share"}) {
        EXPECT_TRUE(zv::platform::ToNativePath(path, &native));
        EXPECT_EQ(native, path);
    }
#else
    EXPECT_TRUE(zv::platform::ToNativePath("Out\\2006\\Web", &native));
    EXPECT_EQ(native, "Out/2006/Web");
    EXPECT_TRUE(zv::platform::ToNativePath("/tmp/x\\Out", &native));
    EXPECT_EQ(native, "/tmp/x/Out");
    EXPECT_TRUE(zv::platform::ToNativePath("/plain/posix", &native));
    EXPECT_EQ(native, "/plain/posix");
    EXPECT_FALSE(zv::platform::ToNativePath("\\\\server", &native));
    EXPECT_FALSE(zv::platform::ToNativePath("\\\\server\\share", &native));
    EXPECT_TRUE(native.empty());
#endif
}

TEST(FileSystem, SearchReportsTheFolderBitAndTheName)
{
    zv::test::TempDir root;
    fs::create_directory(root / "sub");
    zv::test::WriteFile(root / "a[1].txt", {'a', 'b'});

    zv::platform::FindData data;
    auto handle = zv::platform::FindFirstFile((root.str() + "\\sub").c_str(), &data);
    ASSERT_NE(handle, zv::platform::kInvalidFindHandle);
    EXPECT_TRUE(data.attributes & zv::platform::kAttributeDirectory);
    EXPECT_EQ(data.fileName, "sub");
    EXPECT_TRUE(zv::platform::FindClose(handle));

    // Brackets are literal in a search name; only * and ? are wildcards.
    handle = zv::platform::FindFirstFile((root.str() + "\\a[1].*").c_str(), &data);
    ASSERT_NE(handle, zv::platform::kInvalidFindHandle);
    EXPECT_EQ(data.attributes & zv::platform::kAttributeDirectory, 0u);
    EXPECT_EQ(data.size, 2u);
    EXPECT_EQ(data.fileName, "a[1].txt");
    zv::platform::FindClose(handle);
    EXPECT_EQ(zv::platform::FindFirstFile((root.str() + "\\a1.*").c_str(), &data), zv::platform::kInvalidFindHandle);
    EXPECT_FALSE(zv::platform::FindClose(zv::platform::kInvalidFindHandle));
}

TEST(FileSystem, CreateDirectoryMakesOneLevelOnly)
{
    zv::test::TempDir root;
    EXPECT_TRUE(zv::platform::CreateDirectory((root.str() + "\\one").c_str()));
    EXPECT_FALSE(zv::platform::CreateDirectory((root.str() + "\\one").c_str())) << "exists already";
    EXPECT_FALSE(zv::platform::CreateDirectory((root.str() + "\\two\\three").c_str()));
    EXPECT_FALSE(zv::platform::CreateDirectory("\\\\server\\share"));
    EXPECT_FALSE(zv::platform::CreateDirectory(""));
    EXPECT_FALSE(zv::platform::CreateDirectory(nullptr));

    // A file: Wine keeps no read-only mark on folders.
    const std::string file = root.str() + "\\one\\file.txt";
    zv::test::WriteFile(root / "one" / "file.txt", {'x'});
    const auto readOnly = [&file] {
        zv::platform::FindData data;
        zv::platform::FindClose(zv::platform::FindFirstFile(file.c_str(), &data));
        return (data.attributes & zv::platform::kAttributeReadOnly) != 0;
    };
    ASSERT_TRUE(zv::platform::SetFileAttributes(file.c_str(), zv::platform::kAttributeReadOnly));
    EXPECT_TRUE(readOnly());
    ASSERT_TRUE(zv::platform::SetFileAttributes(file.c_str(), zv::platform::kAttributeNormal));
    EXPECT_FALSE(readOnly());
    EXPECT_FALSE(zv::platform::SetFileAttributes((root.str() + "\\one\\missing.txt").c_str(),
                                                 zv::platform::kAttributeNormal));
    EXPECT_FALSE(zv::platform::SetFileAttributes(nullptr, zv::platform::kAttributeNormal));
}

} // namespace
