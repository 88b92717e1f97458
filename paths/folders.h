// Existence tests and level-by-level creation of output folders.
#ifndef ZV_PATHS_FOLDERS_H
#define ZV_PATHS_FOLDERS_H

#include "zvdll/string.h"

namespace zv::paths {

inline constexpr const char* kNoFolderPathText = "no output folder path specified";
inline constexpr const char* kCreateFailedText = " failed to create folder, invalid_handle2";
inline constexpr const char* kFileInTheWayText = "error in creating directory (err:9755)";

bool FileExists(const CString& path);
// Despite its name this accepts files too: any entry of that name counts.
bool FolderExists(const CString& path);
// Makes sure the folder exists, creating missing levels below the first one. Failure texts go
// to the host's message box when showMessages is set.
bool CreateFolder(const CString& folderPath, bool showMessages);

// The prefixes of `path` ending just before each backslash, then the whole path:
// D:\Out\2006 gives D:, D:\Out, D:\Out\2006.
CStringArray FolderLevels(const CString& path);

} // namespace zv::paths

#endif
