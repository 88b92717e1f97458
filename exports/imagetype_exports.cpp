// Image type exports: each opens the per-call frame and hands over to imagetype/.
#include "zvdll.h"

#include "exports/hand_over.h"
#include "frame/frame.h"
#include "imagetype/ext_type.h"
#include "imagetype/predicates.h"

namespace {

int32_t TruthValue(bool value)
{
    return value ? 1 : 0;
}

} // namespace

extern "C" {

ZV_API int32_t ZV_GetExtType(const char* nameOrExtension)
{
    ZV_EXPORT_FRAME;
    return zv::imagetype::ImageTypeCode(nameOrExtension);
}

ZV_API ZvString* zv::c::ZV_ExtTo3Char(const char* nameOrExtension)
{
    ZV_EXPORT_FRAME;
    return zv::exports::HandOver(zv::imagetype::ThreeCharExtension(nameOrExtension));
}

ZV_API int32_t ZV_IsJPG(const char* name)
{
    ZV_EXPORT_FRAME;
    return TruthValue(zv::imagetype::IsJpg(name));
}

ZV_API int32_t ZV_IsGIF(const char* name)
{
    ZV_EXPORT_FRAME;
    return TruthValue(zv::imagetype::IsGif(name));
}

ZV_API int32_t ZV_IsTIF(const char* name)
{
    ZV_EXPORT_FRAME;
    return TruthValue(zv::imagetype::IsTif(name));
}

ZV_API int32_t ZV_IsBMP(const char* name)
{
    ZV_EXPORT_FRAME;
    return TruthValue(zv::imagetype::IsBmp(name));
}

ZV_API int32_t ZV_IsPNG(const char* name)
{
    ZV_EXPORT_FRAME;
    return TruthValue(zv::imagetype::IsPng(name));
}

ZV_API int32_t ZV_IsPCX(const char* name)
{
    ZV_EXPORT_FRAME;
    return TruthValue(zv::imagetype::IsPcx(name));
}

ZV_API int32_t ZV_IsTGA(const char* name)
{
    ZV_EXPORT_FRAME;
    return TruthValue(zv::imagetype::IsTga(name));
}

ZV_API int32_t ZV_IsPSD(const char* name)
{
    ZV_EXPORT_FRAME;
    return TruthValue(zv::imagetype::IsPsd(name));
}

ZV_API int32_t ZV_IsMETA(const char* name)
{
    ZV_EXPORT_FRAME;
    return TruthValue(zv::imagetype::IsMeta(name));
}

ZV_API int32_t ZV_IsWMF(const char* name)
{
    ZV_EXPORT_FRAME;
    return TruthValue(zv::imagetype::IsWmf(name));
}

ZV_API int32_t ZV_IsEMF(const char* name)
{
    ZV_EXPORT_FRAME;
    return TruthValue(zv::imagetype::IsEmf(name));
}

ZV_API int32_t ZV_IsAMF(const char* name)
{
    ZV_EXPORT_FRAME;
    return TruthValue(zv::imagetype::IsAmf(name));
}

ZV_API int32_t ZV_IsPCD(const char* name)
{
    ZV_EXPORT_FRAME;
    return TruthValue(zv::imagetype::IsPcd(name));
}

ZV_API int32_t ZV_IsICO(const char* name)
{
    ZV_EXPORT_FRAME;
    return TruthValue(zv::imagetype::IsIco(name));
}

ZV_API int32_t ZV_IsRAW(const char* name)
{
    ZV_EXPORT_FRAME;
    return TruthValue(zv::imagetype::IsRaw(name));
}

} // extern "C"
