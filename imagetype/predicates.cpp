#include "imagetype/predicates.h"

#include <initializer_list>

namespace zv::imagetype {
namespace {

constexpr int kKeyLength = 4;

bool KeyIsOneOf(const CString& name, std::initializer_list<const char*> entries)
{
    const CString key = ExtensionKey(name);
    for (const char* entry : entries) {
        if (key.CompareNoCase(entry) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

CString ExtensionKey(const CString& name)
{
    return name.Right(kKeyLength);
}

bool IsJpg(const CString& name)
{
    return KeyIsOneOf(name, {".JPG", "JPG", ".JPE", "JPE", "JPEG", ".JIF", "JIF"});
}

bool IsGif(const CString& name)
{
    return KeyIsOneOf(name, {".GIF", "GIF"});
}

bool IsTif(const CString& name)
{
    return KeyIsOneOf(name, {".TIF", "TIF", "TIFF"});
}

bool IsBmp(const CString& name)
{
    return KeyIsOneOf(name, {".BMP", "BMP"});
}

bool IsPng(const CString& name)
{
    return KeyIsOneOf(name, {".PNG", "PNG"});
}

bool IsPcx(const CString& name)
{
    return KeyIsOneOf(name, {".PCX", "PCX"});
}

bool IsTga(const CString& name)
{
    return KeyIsOneOf(name, {".TGA", "TGA"});
}

bool IsPsd(const CString& name)
{
    return KeyIsOneOf(name, {".PSD", "PSD"});
}

bool IsMeta(const CString& name)
{
    return IsWmf(name) || IsEmf(name) || IsAmf(name);
}

bool IsWmf(const CString& name)
{
    return KeyIsOneOf(name, {".WMF", "WMF"});
}

bool IsEmf(const CString& name)
{
    return KeyIsOneOf(name, {".EMF", "EMF"});
}

bool IsAmf(const CString& name)
{
    return KeyIsOneOf(name, {".AMF", "AMF", ".APM", "APM"});
}

bool IsPcd(const CString& name)
{
    return KeyIsOneOf(name, {".PCD", "PCD"});
}

bool IsIco(const CString& name)
{
    return KeyIsOneOf(name, {".ICO", "ICO"});
}

bool IsRaw(const CString& name)
{
    return KeyIsOneOf(name, {".RAF", ".CRW", ".CR2", ".KDC", ".MRW", ".NEF", ".ORF", ".DNG",
                             ".PTX", ".PEF", ".ARW", ".X3F", ".RAW"});
}

} // namespace zv::imagetype
