/* zvdll/api.h — how the library marks what it exports */
#ifndef ZVDLL_API_H
#define ZVDLL_API_H


/* Every exported function and class carries ZV_API. Calls use the platform's default C calling
 * convention (cdecl on 32-bit Windows, the System V or Windows x64 convention elsewhere), so the
 * exported names are plain and undecorated. */
#if defined(_WIN32)
#  define ZV_API __declspec(dllexport)
#else
#  define ZV_API __attribute__((visibility("default")))
#endif

#endif /* ZVDLL_API_H */
