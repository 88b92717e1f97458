#include "naming/folder_placeholders.h"

#include "paths/path_split.h"

#include <cstring>

namespace zv::naming {
namespace {

constexpr char kSeparator = '\\';

CString ReplaceLeadingPlaceholder(const CString& path, const char* placeholder,
                                  const CString& folder)
{
    const int placeholderLength = static_cast<int>(std::strlen(placeholder));
    if (path.Left(placeholderLength) != placeholder) {
        return path;
    }
    const CString rest = path.Mid(placeholderLength);
    // Only one backslash comes off the folder: a deliberate "\\" at its end keeps one.
    CString resolved = paths::RemoveBackslash(folder);
    if (rest.Left(1) != CString(kSeparator, 1)) {
        resolved += kSeparator;
    }
    return resolved + rest;
}

} // namespace

CString ResolveFolderPlaceholders(const CString& path, const CString& installFolder,
                                  const CString& tempFolder)
{
    const CString afterInstall = ReplaceLeadingPlaceholder(path, "<INSTALL_FOLDER>", installFolder);
    return ReplaceLeadingPlaceholder(afterInstall, "<TEMP_FOLDER>", tempFolder);
}

} // namespace zv::naming
