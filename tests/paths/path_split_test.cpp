#include "zvdll.h"

#include <gtest/gtest.h>

#include <string>

#if defined(_WIN32)
#  include <windows.h>
#endif

namespace {

struct SplitRow {
    const char* path;
    const char* folder;
    const char* folderPlusBackslash;
    const char* name;
    const char* title;
    const char* extension;
};

const SplitRow kSplitTable[] = {
    {"D:\\Photos\\2006\\img_001.jpg", "D:\\Photos\\2006", "D:\\Photos\\2006\\", "img_001.jpg", "img_001", ".jpg"},
    {"D:\\Photos\\2006\\", "D:\\Photos\\2006", "D:\\Photos\\2006\\", "", "", ""},
    {"D:\\Photos\\2006", "D:\\Photos", "D:\\Photos\\", "2006", "2006", ""},
    {"img_001.JPG", "", "", "img_001.JPG", "img_001", ".JPG"},
    {"readme", "", "", "readme", "readme", ""},
    {"", "", "", "", "", ""},
    {"D:\\img.jpg", "D:", "D:\\", "img.jpg", "img", ".jpg"},
    {"D:\\my.dir\\file", "D:\\my.dir", "D:\\my.dir\\", "file", "file", ".dir\\file"},
    {"D:\\dir\\.hidden", "D:\\dir", "D:\\dir\\", ".hidden", ".hidden", ".hidden"},
    {"D:\\dir\\archive.tar.gz", "D:\\dir", "D:\\dir\\", "archive.tar.gz", "archive.tar", ".gz"},
    {"D:\\dir\\name.", "D:\\dir", "D:\\dir\\", "name.", "name", "."},
    {".jpg", "", "", ".jpg", ".jpg", ""},
    {"D:/dir/pic.png", "", "", "D:/dir/pic.png", "D:/dir/pic", ".png"},
    // Network and drive-relative paths split like any other.
    {"\\\\server\\share\\a.tif", "\\\\server\\share", "\\\\server\\share\\", "a.tif", "a", ".tif"},
    {"D:file.jpg", "", "", "D:file.jpg", "D:file", ".jpg"},
    {"C:\\\xc3\xa9t\xc3\xa9\\x.y", "C:\\\xc3\xa9t\xc3\xa9", "C:\\\xc3\xa9t\xc3\xa9\\", "x.y", "x", ".y"},
};

TEST(PathSplit, WorkedExamples)
{
    for (const SplitRow& row : kSplitTable) {
        SCOPED_TRACE(row.path);
        EXPECT_STREQ(ZV_GetFolderPath(row.path).GetString(), row.folder);
        EXPECT_STREQ(ZV_GetFolderPathPlusBS(row.path).GetString(), row.folderPlusBackslash);
        EXPECT_STREQ(ZV_GetFileName(row.path).GetString(), row.name);
        EXPECT_STREQ(ZV_GetFileTitle(row.path).GetString(), row.title);
        EXPECT_STREQ(ZV_GetFileExt(row.path).GetString(), row.extension);
    }
}

struct BackslashRow {
    const char* path;
    const char* added;
    const char* removed;
};

const BackslashRow kBackslashTable[] = {
    {"D:\\Photos", "D:\\Photos\\", "D:\\Photos"},
    {"D:\\Photos\\", "D:\\Photos\\", "D:\\Photos"},
    {"D:\\", "D:\\", "D:"},
    {"D:\\Photos\\\\", "D:\\Photos\\\\", "D:\\Photos\\"},
    {"\\", "\\", ""},
    {"", "\\", ""},
    {"D:\\img.jpg", "D:\\img.jpg\\", "D:\\img.jpg"},
    {"out/", "out/\\", "out/"},   // only the backslash separates
    {"out ", "out \\", "out "},
};

TEST(PathSplit, TrailingBackslash)
{
    for (const BackslashRow& row : kBackslashTable) {
        SCOPED_TRACE(row.path);
        EXPECT_STREQ(ZV_AddBackSlash(row.path).GetString(), row.added);
        EXPECT_STREQ(ZV_RemoveBackSlash(row.path).GetString(), row.removed);
    }
}

TEST(PathSplit, NullIsTheEmptyPathAndInputStaysUntouched)
{
    EXPECT_STREQ(ZV_GetFileName(nullptr).GetString(), "");
    EXPECT_STREQ(ZV_AddBackSlash(nullptr).GetString(), "\\");
    char path[] = "D:\\a\\b.c";
    const std::string before = path;
    zv::CString result = ZV_RemoveBackSlash(path);
    EXPECT_EQ(before, path);
    EXPECT_NE(result.GetString(), static_cast<const char*>(path)) << "a fresh string every call";
}

// In code page 932 the character \u8868 is the bytes 0x95 0x5C: its trail byte is the backslash's.
#define ZV_TRAIL_5C "\x95\x5C"

struct DoubleByteRow {
    const char* path;
    const char* folder;
    const char* name;
    const char* removed;  // ZV_RemoveBackSlash
};

const DoubleByteRow kDoubleByteTable[] = {
    {"C:\\dir\\" ZV_TRAIL_5C, "C:\\dir", ZV_TRAIL_5C, "C:\\dir\\" ZV_TRAIL_5C},
    {"C:\\" ZV_TRAIL_5C, "C:", ZV_TRAIL_5C, "C:\\" ZV_TRAIL_5C},
    {"C:\\" ZV_TRAIL_5C "\\", "C:\\" ZV_TRAIL_5C, "", "C:\\" ZV_TRAIL_5C},
    {"C:\\" ZV_TRAIL_5C "\\a.jpg", "C:\\" ZV_TRAIL_5C, "a.jpg", "C:\\" ZV_TRAIL_5C "\\a.jpg"},
    {ZV_TRAIL_5C ZV_TRAIL_5C, "", ZV_TRAIL_5C ZV_TRAIL_5C, ZV_TRAIL_5C ZV_TRAIL_5C},
};

TEST(PathSplit, DoubleByteCharactersAreNeverSplit)
{
#if !defined(_WIN32)
    GTEST_SKIP() << "POSIX strings are plain bytes: 0x5C is a backslash wherever it stands";
#else
    if (!IsDBCSLeadByte(0x95)) {
        GTEST_SKIP() << "code page " << GetACP() << " has no lead byte 0x95; under Wine, LC_ALL=ja_JP.UTF-8 gives 932";
    }
    for (const DoubleByteRow& row : kDoubleByteTable) {
        SCOPED_TRACE(row.path);
        EXPECT_STREQ(ZV_GetFolderPath(row.path).GetString(), row.folder);
        EXPECT_STREQ(ZV_GetFileName(row.path).GetString(), row.name);
        EXPECT_STREQ(ZV_RemoveBackSlash(row.path).GetString(), row.removed);
    }
    const zv::CString text(" " ZV_TRAIL_5C "\\" ZV_TRAIL_5C " ");
    EXPECT_EQ(text.Find('\\'), 3);
    EXPECT_EQ(text.Find('\\', 2), 3) << "a start inside a pair moves to the next character";
    EXPECT_EQ(text.ReverseFind('\\'), 3);
    EXPECT_EQ(text.Find("\x5C "), -1);
    zv::CString trimmed = text;
    EXPECT_STREQ(trimmed.TrimLeft().TrimRight().GetString(), ZV_TRAIL_5C "\\" ZV_TRAIL_5C);
#endif
}

} // namespace
