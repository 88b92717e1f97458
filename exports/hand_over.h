// How the C form of an export hands a library string to its caller.
#ifndef ZV_EXPORTS_HAND_OVER_H
#define ZV_EXPORTS_HAND_OVER_H

#include "zvdll/string.h"

namespace zv::exports {

// The string's ZvString, which the caller releases; never null, so that a C host may read
// every result without checking it first.
inline ZvString* HandOver(CString value)
{
    ZvString* string = value.Detach();
    return string != nullptr ? string : ZvStringNew("");
}

} // namespace zv::exports

#endif
