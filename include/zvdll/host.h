/* zvdll/host.h — how the host connects its user interface and sets the library's limits */
#ifndef ZVDLL_HOST_H
#define ZVDLL_HOST_H

#include "zvdll/api.h"

#include <stdint.h>

ZV_C_BEGIN

/* ---- Host services ------------------------------------------------------------------------
 * How the library's wait cursor and message boxes reach the host. Every callback may be null;
 * `context` is passed back to each. Where a callback is null (none are installed at first, or
 * after passing null) the system's own service is used: on Windows the hourglass cursor and a
 * message box with an OK button; elsewhere the wait cursor does nothing and a message box is
 * written as one line "caption: text" to standard error.
 * The services are copied; the host may free its struct afterwards. */
typedef struct ZvHostServices {
    void* context;
    void (*beginWaitCursor)(void* context);
    void (*endWaitCursor)(void* context);
    void (*messageBox)(void* context, const char* text, const char* caption);
} ZvHostServices;

ZV_API void ZvSetHostServices(const ZvHostServices* services);

/* The largest single pixel or palette buffer the library allocates, in bytes: by default
 * 4 GiB - 1 in a 64-bit process and 512 MiB in a 32-bit one, whose whole address space (2 to
 * 4 GiB) it shares with the host. A larger request behaves as memory exhaustion:
 * ZV_OpenImageFile, ZV_DisplayFrame and ZV_MakePalette show "Out of memory." through the host's
 * message box and return 0; the imaging readers fail with code 1. Whatever the limit, a request
 * past PTRDIFF_MAX (2 GiB in a 32-bit process) is refused the same way. This is the guard
 * against decompression bombs. 0 restores the default. */
ZV_API void ZvSetAllocationLimit(uint64_t bytes);
ZV_API uint64_t ZvGetAllocationLimit(void);

/* Releases a buffer from ZV_OpenImageFile, ZvOpenImageFileForSize or ZV_DisplayFrame, inside
 * the library, so any host can call it whatever its compiler and C runtime. A C++ host that
 * shares the library's runtime (g++ or clang on Linux, mingw-w64 on Windows) may equally use
 * delete[] on the uint8_t pointer: the library allocates with new[]. An MSVC or clang-cl host
 * must not: its runtime's heap is another one. Null is accepted. */
ZV_API void ZvFreeBuffer(void* buffer);

/* The instruction set the library's vector code (blur, fit, resize) runs on in this process:
 * the best of those the build has that the processor offers, chosen at the first call. One of
 * "AVX3" (AVX-512), "AVX2", "SSE4", "SSSE3" on x86, "SVE2", "SVE", "NEON" on ARM, or
 * "portable" where none applies (the plain C++ loops, which give the same pixels). A static
 * string. */
ZV_API const char* ZvVectorInstructionSet(void);

ZV_C_END

#endif /* ZVDLL_HOST_H */
