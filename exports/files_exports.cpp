// File, folder and window-position exports.
#include "zvdll.h"

#include "frame/frame.h"
#include "paths/folders.h"
#include "paths/window_position.h"

extern "C" {

ZV_API int32_t ZV_DoesFileExist(zv::CString path)
{
    ZV_EXPORT_FRAME;
    return zv::paths::FileExists(path) ? 1 : 0;
}

ZV_API int32_t ZV_DoesFolderExist(zv::CString path)
{
    ZV_EXPORT_FRAME;
    return zv::paths::FolderExists(path) ? 1 : 0;
}

ZV_API int32_t ZV_CreateFolder(const char* folderPath, int32_t showMessages)
{
    ZV_EXPORT_FRAME;
    return zv::paths::CreateFolder(folderPath, showMessages != 0) ? 1 : 0;
}

// The window-position exports touch no framework state, so they open no frame.
ZV_API void ZV_SaveWindow(void)
{
    zv::paths::SaveWindowPosition();
}

ZV_API void ZV_RestoreWindow(void)
{
    zv::paths::RestoreWindowPosition();
}

} // extern "C"
