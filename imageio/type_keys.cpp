#include "imageio/type_keys.h"

#include <initializer_list>

namespace zv::imageio {
namespace {

bool TailIsOneOf(const CString& text, std::initializer_list<const char*> endings)
{
    const CString tail = text.Right(4);
    for (const char* ending : endings) {
        if (tail.CompareNoCase(ending) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

bool KeyIsJpg(const CString& key)
{
    return TailIsOneOf(key, {".JPG", "JPG", ".JPE", "JPE", "JPEG", ".JIF", "JIF"});
}

bool KeyIsMeta(const CString& key)
{
    return TailIsOneOf(key, {".WMF", "WMF", ".EMF", "EMF", ".AMF", "AMF", ".APM", "APM"});
}

bool KeyIsRaw(const CString& key)
{
    return TailIsOneOf(key, {".RAF", ".CRW", ".CR2", ".KDC", ".MRW", ".NEF", ".ORF", ".DNG", ".PTX",
                             ".PEF", ".ARW", ".X3F", ".RAW"});
}

} // namespace zv::imageio
