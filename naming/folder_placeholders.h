// "<INSTALL_FOLDER>" and "<TEMP_FOLDER>" at the very start of a path stand for the host's
// installation and temporary folders.
#ifndef ZV_NAMING_FOLDER_PLACEHOLDERS_H
#define ZV_NAMING_FOLDER_PLACEHOLDERS_H

#include "zvdll/string.h"

namespace zv::naming {

// Replaces a leading "<INSTALL_FOLDER>", then a leading "<TEMP_FOLDER>" (each tried once,
// case-sensitive), by the folder, joined to the rest with exactly one backslash of its own.
CString ResolveFolderPlaceholders(const CString& path, const CString& installFolder,
                                  const CString& tempFolder);

} // namespace zv::naming

#endif
