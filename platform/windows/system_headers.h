// <windows.h> as the Windows room includes it: lean, without min/max macros, and with the
// macros that would rename the library's own functions of the same names taken back.
#ifndef ZV_PLATFORM_WINDOWS_SYSTEM_HEADERS_H
#define ZV_PLATFORM_WINDOWS_SYSTEM_HEADERS_H

#ifndef WIN32_LEAN_AND_MEAN
#  define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#  define NOMINMAX
#endif
#include <windows.h>

#undef CreateDirectory
#undef FindFirstFile
#undef SetFileAttributes
#undef MessageBox

#endif
