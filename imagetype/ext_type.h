// Classification of a name by its ending into the host's image type codes (IMAGETYPE_… in
// zvdll.h), and folding of the JPEG and TIFF extension spellings onto three letters.
//
// The code table is deliberately separate from the predicates: the codes are the host's
// vocabulary and keep their own rules (the bare "PEG" and "IFF" classify; ".RAW" and Photo CD
// have no code), while the predicates decide which reader opens a file.
#ifndef ZV_IMAGETYPE_EXT_TYPE_H
#define ZV_IMAGETYPE_EXT_TYPE_H

#include "zvdll/image_types.h"
#include "zvdll/string.h"

#include <cstdint>

namespace zv::imagetype {

// Names longer than three bytes are classified by their last four bytes (".JPG", "JPEG"
// …); names of three bytes or fewer by the whole text ("JPG", "PEG" …). 0 when unknown.
int32_t ImageTypeCode(const CString& name);

// The last three bytes, with every JPEG spelling as "JPG", every TIFF spelling as "TIF" and
// GIF as "GIF"; any other ending unchanged, in its own letter case.
CString ThreeCharExtension(const CString& name);

} // namespace zv::imagetype

#endif
