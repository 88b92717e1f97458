// File, folder and window-position exports.
#include "zvdll.h"

#include "frame/frame.h"
#include "paths/folders.h"
#include "paths/window_position.h"

extern "C" {

// The path passes to the library with the call, and is released here.
ZV_API int32_t zv::c::ZV_DoesFileExist(ZvString* path)
{
    const zv::CString owned = zv::CString::Adopt(path);
    ZV_EXPORT_FRAME;
    return zv::paths::FileExists(owned) ? 1 : 0;
}

// The path passes to the library with the call, and is released here.
ZV_API int32_t zv::c::ZV_DoesFolderExist(ZvString* path)
{
    const zv::CString owned = zv::CString::Adopt(path);
    ZV_EXPORT_FRAME;
    return zv::paths::FolderExists(owned) ? 1 : 0;
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
