/*
 * zvdll.h — the one header a C++ host includes to use ZVDll.
 *
 * ZVDll opens image files of eleven format families into 24-bit RGB buffers, measures them
 * without decoding, blurs them, fits a display copy into a window, expands output-name
 * templates, resolves folder placeholders, splits paths, creates output folders and converts
 * numbers to and from text.
 *
 * Conventions shared by every export:
 *  - Text arguments are zero-terminated byte strings that the library copies and never keeps.
 *    The backslash is the folder separator in every path the library handles; on POSIX the
 *    library turns backslashes into "/" only where it calls the operating system, so
 *    "out\2024\web", "/tmp/x\out" and plain POSIX paths all work.
 *  - Text results are zv::CString values that the caller owns.
 *  - Truth values are 1 (true) and 0 (false). Failures are told by results (0, false, an empty
 *    string); after an imaging failure ZV_GetISerror() says why, per thread.
 *  - Pixel buffers are RGB, 3 bytes a pixel, rows of exactly width * 3 bytes. Release them with
 *    ZvFreeBuffer; delete[] works too where the host and the library share one C++ runtime.
 *  - The library starts no thread, takes no lock on the hot paths and keeps nothing between calls.
 *
 * The library's boundary is C (zvdll_c.h): every export is a C function under its plain name.
 * The C++ signatures below that take or return zv::CString, zv::CWnd or zv::CPalette are
 * inline functions of this header over those C functions, so a host built by any compiler
 * (mingw-w64, MSVC, clang-cl, g++, clang) links the same exports, and every string, window
 * and palette is made and released inside the library.
 */
#ifndef ZVDLL_H
#define ZVDLL_H

#include "zvdll_c.h"
#include "zvdll/palette.h"
#include "zvdll/string.h"
#include "zvdll/window.h"

#include <stdint.h>

/* ---- Name templates and folder placeholders -----------------------------------------------
 * ZV_ParseLine expands $(date[,fmt]), $(filepath), $(filetitle), $(filename), $(width),
 * $(height), $(size), $(counterA)..$(counterJ) and $(counterX,width) fields; a counter field is
 * at most ZV_MAX_FIELD_WIDTH wide (zvdll/limits.h). */
inline zv::CString ZV_ParseLine(const char* templateText, const char* defaultDateFormat,
                                const char* filePath, const char* fileName, const char* fileTitle,
                                int32_t width, int32_t height,
                                int32_t counterA, int32_t counterB, int32_t counterC,
                                int32_t counterD, int32_t counterE, int32_t counterF,
                                int32_t counterG, int32_t counterH, int32_t counterI,
                                int32_t counterJ)
{
    return zv::CString::Adopt(zv::c::ZV_ParseLine(templateText, defaultDateFormat, filePath, fileName,
                                                  fileTitle, width, height, counterA, counterB, counterC,
                                                  counterD, counterE, counterF, counterG, counterH,
                                                  counterI, counterJ));
}
inline zv::CString ZV_GetDate(const char* dateFormat)
{
    return zv::CString::Adopt(zv::c::ZV_GetDate(dateFormat));
}
inline zv::CString ZV_ParsePath(const char* path, const char* installFolder, const char* tempFolder)
{
    return zv::CString::Adopt(zv::c::ZV_ParsePath(path, installFolder, tempFolder));
}

/* ---- Paths ---------------------------------------------------------------------------------- */
inline zv::CString ZV_GetFolderPath(const char* path) { return zv::CString::Adopt(zv::c::ZV_GetFolderPath(path)); }
inline zv::CString ZV_GetFolderPathPlusBS(const char* path)
{
    return zv::CString::Adopt(zv::c::ZV_GetFolderPathPlusBS(path));
}
inline zv::CString ZV_GetFileName(const char* path) { return zv::CString::Adopt(zv::c::ZV_GetFileName(path)); }
inline zv::CString ZV_GetFileTitle(const char* path) { return zv::CString::Adopt(zv::c::ZV_GetFileTitle(path)); }
inline zv::CString ZV_GetFileExt(const char* path) { return zv::CString::Adopt(zv::c::ZV_GetFileExt(path)); }
inline zv::CString ZV_AddBackSlash(const char* path) { return zv::CString::Adopt(zv::c::ZV_AddBackSlash(path)); }
inline zv::CString ZV_RemoveBackSlash(const char* path)
{
    return zv::CString::Adopt(zv::c::ZV_RemoveBackSlash(path));
}

/* ---- Files and folders: the path is taken by value, and the library releases that copy ------ */
inline int32_t ZV_DoesFileExist(zv::CString path) { return zv::c::ZV_DoesFileExist(path.Detach()); }
inline int32_t ZV_DoesFolderExist(zv::CString path) { return zv::c::ZV_DoesFolderExist(path.Detach()); }

/* ---- Image types and errors ------------------------------------------------------------------ */
inline zv::CString ZV_ExtTo3Char(const char* nameOrExtension)
{
    return zv::CString::Adopt(zv::c::ZV_ExtTo3Char(nameOrExtension));
}
/* The text of the calling thread's last imaging error, "N: description"; empty when unknown. */
inline zv::CString ZV_GetISerror(void) { return zv::CString::Adopt(zv::c::ZV_GetISerror()); }

/* ---- Display ----------------------------------------------------------------------------------
 * Makes the display copy of *source fitted into `window`, releasing the previous copy in
 * *display. Release the last copy with ZvFreeBuffer. A null `window` is refused (0, nothing
 * touched); a CWnd without a window measures 0 x 0. */
inline int32_t ZV_DisplayFrame(uint8_t** source, uint32_t* sourceWidth, uint32_t* sourceHeight,
                               uint8_t** display, uint32_t* displayWidth, uint32_t* displayHeight,
                               zv::CWnd* window)
{
    if (window == nullptr) {
        return 0;
    }
    return zv::c::ZV_DisplayFrame(source, sourceWidth, sourceHeight, display, displayWidth, displayHeight,
                                  window->Handle());
}
inline void ZV_MakePalette(zv::CPalette* palette)
{
    zv::c::ZV_MakePalette(palette != nullptr ? palette->Handle() : nullptr);
}

/* ---- Text and numbers ------------------------------------------------------------------------ */
inline zv::CString ZV_GetFloatValue(zv::CString text, int32_t integerOnly)
{
    return zv::CString::Adopt(zv::c::ZV_GetFloatValue(text.Detach(), integerOnly));
}
inline zv::CString ZV_IntegerToString(int32_t value) { return zv::CString::Adopt(zv::c::ZV_IntegerToString(value)); }
inline zv::CString ZV_RemoveSpaces(const char* text, int32_t removeAll, int32_t trimLeft, int32_t trimRight)
{
    return zv::CString::Adopt(zv::c::ZV_RemoveSpaces(text, removeAll, trimLeft, trimRight));
}

#endif /* ZVDLL_H */
