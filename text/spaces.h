// Cleaning typed-in text: every space out, or white space off the ends.
#ifndef ZV_TEXT_SPACES_H
#define ZV_TEXT_SPACES_H

#include "zvdll/string.h"

namespace zv::text {

// removeAll drops every space byte (0x20) and nothing else, and then the trim flags are not
// looked at; otherwise trimLeft and trimRight remove the leading and trailing white space.
CString RemoveSpaces(const CString& text, bool removeAll, bool trimLeft, bool trimRight);

} // namespace zv::text

#endif
