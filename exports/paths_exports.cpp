// Path exports: each opens the per-call frame and hands over to paths/.
#include "zvdll.h"

#include "frame/frame.h"
#include "paths/path_split.h"

extern "C" {

ZV_API zv::CString ZV_GetFolderPath(const char* path)
{
    ZV_EXPORT_FRAME;
    return zv::paths::FolderPath(path);
}

ZV_API zv::CString ZV_GetFolderPathPlusBS(const char* path)
{
    ZV_EXPORT_FRAME;
    return zv::paths::FolderPathPlusBackslash(path);
}

ZV_API zv::CString ZV_GetFileName(const char* path)
{
    ZV_EXPORT_FRAME;
    return zv::paths::FileName(path);
}

ZV_API zv::CString ZV_GetFileTitle(const char* path)
{
    ZV_EXPORT_FRAME;
    return zv::paths::FileTitle(path);
}

ZV_API zv::CString ZV_GetFileExt(const char* path)
{
    ZV_EXPORT_FRAME;
    return zv::paths::FileExtension(path);
}

ZV_API zv::CString ZV_AddBackSlash(const char* path)
{
    ZV_EXPORT_FRAME;
    return zv::paths::AddBackslash(path);
}

ZV_API zv::CString ZV_RemoveBackSlash(const char* path)
{
    ZV_EXPORT_FRAME;
    return zv::paths::RemoveBackslash(path);
}

} // extern "C"
