#include "zvdll.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* path;
    const char* installFolder;
    const char* tempFolder;
    const char* expected;
};

const char* const kInstall = "C:\\Program Files\\Batch\\";
const char* const kTemp = "C:\\Temp";

const Row kRows[] = {
    // Worked examples.
    {"<INSTALL_FOLDER>\\Actions\\a.txt", kInstall, kTemp, "C:\\Program Files\\Batch\\Actions\\a.txt"},
    {"<INSTALL_FOLDER>Actions", kInstall, kTemp, "C:\\Program Files\\Batch\\Actions"},
    {"<INSTALL_FOLDER>", kInstall, kTemp, "C:\\Program Files\\Batch\\"},
    {"<TEMP_FOLDER>\\out", kInstall, kTemp, "C:\\Temp\\out"},
    {"<TEMP_FOLDER>", kInstall, kTemp, "C:\\Temp\\"},
    {"D:\\Out\\<TEMP_FOLDER>", kInstall, kTemp, "D:\\Out\\<TEMP_FOLDER>"},
    {"<temp_folder>\\out", kInstall, kTemp, "<temp_folder>\\out"},
    // Empty folders leave the joining backslash and the rest.
    {"<TEMP_FOLDER>out", kInstall, "", "\\out"},
    {"<INSTALL_FOLDER>", "", kTemp, "\\"},
    // Only one backslash comes off the folder; the rest keeps all of its own.
    {"<TEMP_FOLDER>out", kInstall, "C:\\Temp\\\\", "C:\\Temp\\\\out"},
    {"<TEMP_FOLDER>\\out", kInstall, "C:\\Temp\\\\", "C:\\Temp\\\\out"},
    {"<TEMP_FOLDER>\\\\out", kInstall, kTemp, "C:\\Temp\\\\out"},
    // Each placeholder once, in order; later occurrences stay.
    {"<INSTALL_FOLDER><INSTALL_FOLDER>", "I", "T", "I\\<INSTALL_FOLDER>"},
    {"<TEMP_FOLDER>\\<TEMP_FOLDER>", "I", "T", "T\\<TEMP_FOLDER>"},
    {"<TEMP_FOLDER><INSTALL_FOLDER>", "I", "T", "T\\<INSTALL_FOLDER>"},
    // The install folder may itself begin with the temp placeholder, which then resolves.
    {"<INSTALL_FOLDER>x", "<TEMP_FOLDER>", "T", "T\\x"},
    // Near misses.
    {"<INSTALL_FOLDER", kInstall, kTemp, "<INSTALL_FOLDER"},
    {" <TEMP_FOLDER>", kInstall, kTemp, " <TEMP_FOLDER>"},
    {"", kInstall, kTemp, ""},
};

TEST(FolderPlaceholders, Table)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(ZV_ParsePath(row.path, row.installFolder, row.tempFolder), row.expected);
    }
}

TEST(FolderPlaceholders, NullArgumentsReadAsEmpty)
{
    EXPECT_EQ(ZV_ParsePath(nullptr, kInstall, kTemp), "");
    EXPECT_EQ(ZV_ParsePath("<TEMP_FOLDER>a", nullptr, nullptr), "\\a");
}

} // namespace
