// Splitting library paths into folder, name, title and extension. Pure text: the backslash
// is the only separator and nothing touches the file system.
#ifndef ZV_PATHS_PATH_SPLIT_H
#define ZV_PATHS_PATH_SPLIT_H

#include "zvdll/string.h"

namespace zv::paths {

CString FolderPath(const CString& path);
CString FolderPathPlusBackslash(const CString& path);
CString FileName(const CString& path);
CString FileTitle(const CString& path);
CString FileExtension(const CString& path);
CString AddBackslash(const CString& path);
CString RemoveBackslash(const CString& path);

} // namespace zv::paths

#endif
