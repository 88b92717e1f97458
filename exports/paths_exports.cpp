// Path exports: each opens the per-call frame and hands over to paths/.
#include "zvdll.h"

#include "exports/hand_over.h"
#include "frame/frame.h"
#include "paths/path_split.h"

extern "C" {

ZV_API ZvString* zv::c::ZV_GetFolderPath(const char* path)
{
    ZV_EXPORT_FRAME;
    return zv::exports::HandOver(zv::paths::FolderPath(path));
}

ZV_API ZvString* zv::c::ZV_GetFolderPathPlusBS(const char* path)
{
    ZV_EXPORT_FRAME;
    return zv::exports::HandOver(zv::paths::FolderPathPlusBackslash(path));
}

ZV_API ZvString* zv::c::ZV_GetFileName(const char* path)
{
    ZV_EXPORT_FRAME;
    return zv::exports::HandOver(zv::paths::FileName(path));
}

ZV_API ZvString* zv::c::ZV_GetFileTitle(const char* path)
{
    ZV_EXPORT_FRAME;
    return zv::exports::HandOver(zv::paths::FileTitle(path));
}

ZV_API ZvString* zv::c::ZV_GetFileExt(const char* path)
{
    ZV_EXPORT_FRAME;
    return zv::exports::HandOver(zv::paths::FileExtension(path));
}

ZV_API ZvString* zv::c::ZV_AddBackSlash(const char* path)
{
    ZV_EXPORT_FRAME;
    return zv::exports::HandOver(zv::paths::AddBackslash(path));
}

ZV_API ZvString* zv::c::ZV_RemoveBackSlash(const char* path)
{
    ZV_EXPORT_FRAME;
    return zv::exports::HandOver(zv::paths::RemoveBackslash(path));
}

} // extern "C"
