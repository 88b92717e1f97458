// Text and number exports: each opens the per-call frame (except ZV_IsEven, which touches no
// framework state) and hands over to text/.
#include "zvdll.h"

#include "exports/hand_over.h"
#include "frame/frame.h"
#include "text/numeric_text.h"
#include "text/spaces.h"

extern "C" {

ZV_API ZvString* zv::c::ZV_GetFloatValue(ZvString* text, int32_t integerOnly)
{
    const zv::CString owned = zv::CString::Adopt(text);
    ZV_EXPORT_FRAME;
    return zv::exports::HandOver(zv::text::CleanDecimalText(owned, integerOnly));
}

ZV_API double ZV_ConvertStringToDouble(const char* text)
{
    ZV_EXPORT_FRAME;
    return zv::text::ReadTwoPlaceDecimal(text);
}

ZV_API int32_t ZV_StringToInteger(const char* text)
{
    ZV_EXPORT_FRAME;
    return zv::text::ReadInteger(text);
}

ZV_API ZvString* zv::c::ZV_IntegerToString(int32_t value)
{
    ZV_EXPORT_FRAME;
    return zv::exports::HandOver(zv::text::WriteInteger(value));
}

ZV_API int32_t ZV_IsEven(int32_t value)
{
    return zv::text::IsPowerOfTwoFromTwo(value) ? 1 : 0;
}

ZV_API ZvString* zv::c::ZV_RemoveSpaces(const char* text, int32_t removeAll, int32_t trimLeft,
                                   int32_t trimRight)
{
    ZV_EXPORT_FRAME;
    return zv::exports::HandOver(zv::text::RemoveSpaces(text, removeAll != 0, trimLeft != 0, trimRight != 0));
}

} // extern "C"
