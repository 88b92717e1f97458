/* zvdll/api.h — how the library marks what it exports */
#ifndef ZVDLL_API_H
#define ZVDLL_API_H

/* Every exported function is a C function (nothing crosses the boundary under a C++ name), and
 * there is one calling convention: cdecl, the compiler's default for free functions, so the
 * exported ZV_ and Zv names are plain and undecorated, and any compiler's host can call them:
 * mingw-w64 or MSVC (and clang-cl) on Windows, g++ or clang elsewhere, C or C++.
 *
 * On Windows the library itself is built with ZV_BUILDING_LIBRARY defined and exports; a host
 * includes the same headers without it and imports from zvdll.dll through zvdll.lib (MSVC,
 * clang-cl) or libzvdll.dll.a (mingw-w64). ZV_STATIC_LIBRARY is for programs linked with the
 * library's objects directly (its tests).
 *
 * These headers include nothing beyond <stddef.h>, <stdint.h> and <stdarg.h>, so they compile
 * in any compiler's mode, freestanding too, without the system's or a C++ library's headers. */
#if defined(_WIN32)
#  if defined(ZV_BUILDING_LIBRARY)
#    define ZV_API __declspec(dllexport)
#  elif defined(ZV_STATIC_LIBRARY)
#    define ZV_API
#  else
#    define ZV_API __declspec(dllimport)
#  endif
#else
#  define ZV_API __attribute__((visibility("default")))
#endif

/* printf-style checking where the compiler knows the GNU attribute. */
#if defined(__GNUC__) || defined(__clang__)
#  define ZV_PRINTF_LIKE(formatIndex, firstArgument) \
     __attribute__((format(printf, formatIndex, firstArgument)))
#else
#  define ZV_PRINTF_LIKE(formatIndex, firstArgument)
#endif

#if defined(__cplusplus)
#  define ZV_C_BEGIN extern "C" {
#  define ZV_C_END }
#else
#  define ZV_C_BEGIN
#  define ZV_C_END
#endif

#endif /* ZVDLL_API_H */
