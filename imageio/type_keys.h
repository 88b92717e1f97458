// The three type predicates that image opening and measuring choose readers by, answering for
// an extension key exactly as the exported ZV_IsJPG, ZV_IsMETA and ZV_IsRAW do: the last four
// bytes of the text (all of it when shorter) against each predicate's accepted endings,
// letters compared without regard to case.
#ifndef ZV_IMAGEIO_TYPE_KEYS_H
#define ZV_IMAGEIO_TYPE_KEYS_H

#include "zvdll.h"

namespace zv::imageio {

bool KeyIsJpg(const CString& key);
bool KeyIsMeta(const CString& key);
bool KeyIsRaw(const CString& key);

} // namespace zv::imageio

#endif
