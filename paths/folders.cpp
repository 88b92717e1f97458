#include "paths/folders.h"

#include "frame/frame.h"
#include "paths/path_split.h"
#include "platform/file_system.h"

namespace zv::paths {
namespace {

using platform::FindData;
using platform::kAttributeDirectory;
using platform::kInvalidFindHandle;

enum class SearchResult { Nothing, Folder, OtherEntry };

SearchResult Search(const CString& path)
{
    FindData found;
    const platform::FindHandle handle = platform::FindFirstFile(path, &found);
    if (handle == kInvalidFindHandle) {
        return SearchResult::Nothing;
    }
    platform::FindClose(handle);
    return (found.attributes & kAttributeDirectory) ? SearchResult::Folder : SearchResult::OtherEntry;
}

void Tell(bool showMessages, const char* text)
{
    if (showMessages) {
        frame::MessageBox(text);
    }
}

// Every level but the first: the first is a drive or an existing base and is never created.
// A level that cannot be created (usually because it exists) is passed over; only the final
// search decides.
void CreateLevelsBelowTheFirst(const CStringArray& levels)
{
    for (int i = 1; i < levels.GetSize(); ++i) {
        if (platform::CreateDirectory(levels[i])) {
            platform::SetFileAttributes(levels[i], platform::kAttributeNormal);
        }
    }
}

} // namespace

bool FileExists(const CString& path)
{
    FindData status;
    return platform::GetFileStatus(path, &status);
}

bool FolderExists(const CString& path)
{
    platform::FileFinder finder;
    return finder.FindFile(path);
}

// Each level ends before a backslash that Find reports, so that in a double-byte code page a
// trail byte 0x5C never splits a folder name.
CStringArray FolderLevels(const CString& path)
{
    CStringArray levels;
    for (int separator = path.Find('\\'); separator >= 0; separator = path.Find('\\', separator + 1)) {
        levels.SetAtGrow(levels.GetSize(), path.Left(separator));
    }
    levels.SetAtGrow(levels.GetSize(), path);
    return levels;
}

bool CreateFolder(const CString& folderPath, bool showMessages)
{
    if (folderPath.IsEmpty()) {
        Tell(showMessages, kNoFolderPathText);
        return false;
    }
    const CString path = RemoveBackslash(folderPath);
    if (Search(path) == SearchResult::Folder) {
        return true;
    }
    CStringArray levels = FolderLevels(path);
    CreateLevelsBelowTheFirst(levels);
    levels.SetSize(0);

    switch (Search(path)) {
    case SearchResult::Folder:
        return true;
    case SearchResult::OtherEntry:
        Tell(showMessages, kFileInTheWayText);
        return false;
    case SearchResult::Nothing:
        break;
    }
    Tell(showMessages, kCreateFailedText);
    return false;
}

} // namespace zv::paths
