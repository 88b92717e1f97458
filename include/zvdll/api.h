/* zvdll/api.h — how the library marks what it exports */
#ifndef ZVDLL_API_H
#define ZVDLL_API_H

/* Every exported function and class carries ZV_API. There is one calling convention: cdecl
 * (the compiler's default for free functions; on 32-bit Windows member functions use thiscall as
 * every C++ compiler there does, and on x86-64 each system has only its own convention), so the
 * exported ZV_ and Zv names are plain and undecorated.
 *
 * On Windows the library itself is built with ZV_BUILDING_LIBRARY defined and exports; a host
 * includes the same headers without it and imports from zvdll.dll through libzvdll.dll.a.
 * ZV_STATIC_LIBRARY is for programs linked with the library's objects directly (its tests). */
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

#endif /* ZVDLL_API_H */
