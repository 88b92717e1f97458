// The process's ANSI code page as the library string sees it: which bytes begin a two-byte
// character. In a double-byte code page (Japanese 932, Chinese 936 and 950, Korean 949) the
// second byte of a character can be 0x5C, the backslash, so searches must step over pairs.
#ifndef ZV_PLATFORM_CODE_PAGE_H
#define ZV_PLATFORM_CODE_PAGE_H

#include <array>
#include <cstdint>

namespace zv::platform {

struct LeadBytes {
    std::array<bool, 256> isLead{};  // true for the bytes that begin a two-byte character
    bool any = false;                // false for single-byte code pages: plain byte operations
};

// The lead bytes of the code page the process started with. On POSIX strings are plain bytes
// and there are none.
const LeadBytes& AnsiLeadBytes();

} // namespace zv::platform

#endif
