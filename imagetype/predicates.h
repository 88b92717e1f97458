// One predicate per image format or format group: does a name end in that format's
// extension? Only the last four bytes of the name count (the "extension key"), compared
// without regard to ASCII letter case; the file itself is never looked at.
//
// Because a name of four or more bytes always yields a four-byte key, a bare three-letter
// entry such as "JPG" matches only a name that is exactly those three letters; longer names
// must end in the dot and the letters, or in a four-letter extension such as "JPEG".
// Image opening picks its reader with these same functions, so the host and the reader
// never disagree about what a JPEG, a metafile or a RAW file is called.
#ifndef ZV_IMAGETYPE_PREDICATES_H
#define ZV_IMAGETYPE_PREDICATES_H

#include "zvdll/string.h"

namespace zv::imagetype {

// The last four bytes of `name`, the whole of it when shorter.
CString ExtensionKey(const CString& name);

bool IsJpg(const CString& name);
bool IsGif(const CString& name);
bool IsTif(const CString& name);
bool IsBmp(const CString& name);
bool IsPng(const CString& name);
bool IsPcx(const CString& name);
bool IsTga(const CString& name);
bool IsPsd(const CString& name);
bool IsMeta(const CString& name);  // exactly IsWmf || IsEmf || IsAmf
bool IsWmf(const CString& name);
bool IsEmf(const CString& name);
bool IsAmf(const CString& name);
bool IsPcd(const CString& name);
bool IsIco(const CString& name);
bool IsRaw(const CString& name);   // maker extensions and ".RAW"; no bare three-letter forms

} // namespace zv::imagetype

#endif
