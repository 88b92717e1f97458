/*
 * zvdll_c.h — ZVDll for hosts in C (C11) and any language that calls C functions: C#, Delphi,
 * Python ctypes. C++ hosts include <zvdll.h>, which builds its classes on this header.
 *
 * Every export here is a plain C function with the cdecl convention, under its plain name.
 * Ownership, in short:
 *  - A ZvString* result is a new string that the caller releases with ZvStringFree; it is
 *    never null. Read its bytes with ZvStringText.
 *  - ZV_DoesFileExist, ZV_DoesFolderExist and ZV_GetFloatValue take a ZvString* that passes to
 *    the library, which releases it: make it with ZvStringNew and do not free it yourself.
 *  - A pixel buffer from ZV_OpenImageFile, ZvOpenImageFileForSize or ZV_DisplayFrame is
 *    released with ZvFreeBuffer (never with the host's own free or delete[]: the library's
 *    runtime may not be the host's).
 *  - Windows and palettes are the C objects of zvdll/c_objects.h.
 *
 *     ZvString* name = ZV_GetFileName("D:\\Photos\\beach.jpg");
 *     printf("%s\n", ZvStringText(name));     // beach.jpg
 *     ZvStringFree(name);
 *
 * Text arguments are zero-terminated byte strings that the library copies and never keeps;
 * the backslash is the folder separator in every path (see <zvdll.h> for the conventions).
 */
#ifndef ZVDLL_C_H
#define ZVDLL_C_H

#include "zvdll/api.h"
#include "zvdll/c_objects.h"
#include "zvdll/host.h"
#include "zvdll/image_types.h"
#include "zvdll/limits.h"
#include "zvdll/photo.h"

#include <stdint.h>

/* The exports whose C++ form in <zvdll.h> takes or returns library strings or objects: in C++
 * their C form lives in namespace zv::c (zv::c::ZV_GetFileName returns a ZvString*), so that
 * the global names keep the C++ signatures. */
#if defined(__cplusplus)
namespace zv { namespace c {
#endif
ZV_C_BEGIN

ZV_API ZvString* ZV_ParseLine(const char* templateText, const char* defaultDateFormat,
                              const char* filePath, const char* fileName, const char* fileTitle,
                              int32_t width, int32_t height,
                              int32_t counterA, int32_t counterB, int32_t counterC,
                              int32_t counterD, int32_t counterE, int32_t counterF,
                              int32_t counterG, int32_t counterH, int32_t counterI,
                              int32_t counterJ);
ZV_API ZvString* ZV_GetDate(const char* dateFormat);
ZV_API ZvString* ZV_ParsePath(const char* path, const char* installFolder, const char* tempFolder);

ZV_API ZvString* ZV_GetFolderPath(const char* path);
ZV_API ZvString* ZV_GetFolderPathPlusBS(const char* path);
ZV_API ZvString* ZV_GetFileName(const char* path);
ZV_API ZvString* ZV_GetFileTitle(const char* path);
ZV_API ZvString* ZV_GetFileExt(const char* path);
ZV_API ZvString* ZV_AddBackSlash(const char* path);
ZV_API ZvString* ZV_RemoveBackSlash(const char* path);

/* `path` passes to the library, which releases it. */
ZV_API int32_t ZV_DoesFileExist(ZvString* path);
ZV_API int32_t ZV_DoesFolderExist(ZvString* path);

ZV_API ZvString* ZV_ExtTo3Char(const char* nameOrExtension);
ZV_API ZvString* ZV_GetISerror(void);

/* Makes the display copy of *source fitted into `window` (a ZvWindow from ZvWindowNew or
 * ZvWindowNewOver; null measures 0 x 0), releasing the previous copy in *display. Release the
 * last copy with ZvFreeBuffer. */
ZV_API int32_t ZV_DisplayFrame(uint8_t** source, uint32_t* sourceWidth, uint32_t* sourceHeight,
                               uint8_t** display, uint32_t* displayWidth, uint32_t* displayHeight,
                               ZvWindow* window);
/* Puts the library's 256-colour palette into `palette`, deleting what the slot held before. */
ZV_API void ZV_MakePalette(ZvGdiObject* palette);

/* `text` passes to the library, which releases it. */
ZV_API ZvString* ZV_GetFloatValue(ZvString* text, int32_t integerOnly);
ZV_API ZvString* ZV_IntegerToString(int32_t value);
ZV_API ZvString* ZV_RemoveSpaces(const char* text, int32_t removeAll, int32_t trimLeft,
                                 int32_t trimRight);

ZV_C_END
#if defined(__cplusplus)
} }  /* namespace zv::c */
#endif

/* The exports that read the same in C and C++. */
ZV_C_BEGIN

/* ---- Files and folders ------------------------------------------------------------------- */
ZV_API int32_t ZV_CreateFolder(const char* folderPath, int32_t showMessages);
ZV_API void ZV_SaveWindow(void);
ZV_API void ZV_RestoreWindow(void);

/* ---- Image types ------------------------------------------------------------------------- */
ZV_API int32_t ZV_GetExtType(const char* nameOrExtension);
ZV_API int32_t ZV_IsJPG(const char* name);
ZV_API int32_t ZV_IsGIF(const char* name);
ZV_API int32_t ZV_IsTIF(const char* name);
ZV_API int32_t ZV_IsBMP(const char* name);
ZV_API int32_t ZV_IsPNG(const char* name);
ZV_API int32_t ZV_IsPCX(const char* name);
ZV_API int32_t ZV_IsTGA(const char* name);
ZV_API int32_t ZV_IsPSD(const char* name);
ZV_API int32_t ZV_IsMETA(const char* name);
ZV_API int32_t ZV_IsWMF(const char* name);
ZV_API int32_t ZV_IsEMF(const char* name);
ZV_API int32_t ZV_IsAMF(const char* name);
ZV_API int32_t ZV_IsPCD(const char* name);
ZV_API int32_t ZV_IsICO(const char* name);
ZV_API int32_t ZV_IsRAW(const char* name);

/* ---- Images ---------------------------------------------------------------------------------
 * ZV_OpenImageFile: on success (1) *rgbOut receives a new width*height*3 RGB buffer that the
 * host owns and releases with ZvFreeBuffer; on failure (0) nothing is written. The reader is
 * chosen by the path's last four bytes. pngGamma != 0 sets the screen gamma for this and later
 * PNG reads; metaWidth/metaHeight are the size asked of a metafile (0 or less: taken from the
 * picture's own frame). */
ZV_API int32_t ZV_OpenImageFile(const char* path, uint8_t** rgbOut, int32_t* width, int32_t* height,
                                double pngGamma, int32_t metaWidth, int32_t metaHeight);

/* ZvOpenImageFileForSize (a host function, not one of the ZV_ exports): opens `path` for a
 * host that will fit the image into maxWidth x maxHeight with ZV_DisplayFrame or its own
 * resampler. A JPEG is decoded with libjpeg-turbo's DCT scaling at the smallest of 1/8, 1/4
 * and 1/2 whose size still covers that fit (proportions kept, rounded up), so the result is
 * never smaller than the fit needs and the host's resampler only shrinks; when no scale
 * covers it, at full size. A metafile renders at maxWidth x maxHeight; every other format
 * opens at full size. With a side of 0 or less, every file opens as ZV_OpenImageFile opens it
 * with pngGamma 0 and no metafile size. Results, buffer ownership and errors are those of
 * ZV_OpenImageFile. Once fitted, the pixels differ slightly from fitting the full-size decode,
 * most at sharp edges (figures in the README, "Performance", "Batch"). */
ZV_API int32_t ZvOpenImageFileForSize(const char* path, uint8_t** rgbOut, int32_t* width, int32_t* height,
                                      int32_t maxWidth, int32_t maxHeight);

/* Width, height and bits per pixel without decoding (metafiles are rendered at 100 x 100).
 * `info` points to 20 bytes (a ZvDimInfo). The out-values are written whenever the file
 * could be opened, also when the result is 0. */
ZV_API int32_t ZV_GetImageDims(const char* path, int32_t* width, int32_t* height,
                               int32_t* bitsPerPixel, void* info);

/* Camera data of a RAW file: width and height receive the decoded size (orientation applied);
 * rawBufferA (at least 64 bytes) receives the maker and rawBufferB (at least 72 bytes) the
 * model, zero-terminated and cut to fit; rawValue1..4 receive the ISO speed, the shutter time
 * in seconds, the aperture (f-number) and the focal length in millimetres (0 when the file
 * does not say). Null pointers are skipped; nothing is written on failure. rawOption is
 * reserved; pass 0. Non-zero on success. */
ZV_API int32_t ZV_GetRAWInfo(const char* path, int32_t* width, int32_t* height,
                             char* rawBufferA, char* rawBufferB,
                             double* rawValue1, double* rawValue2, double* rawValue3,
                             double* rawValue4, int32_t rawOption);

/* ---- Image processing ------------------------------------------------------------------------
 * Blurs `image` (width*height*3 bytes) using `work` (same size) as scratch. Result 0: the
 * blurred image is in `image`; non-zero: it is in `work`. */
ZV_API int32_t ZV_BlurGaussian(uint8_t* image, int32_t width, int32_t height, double amount,
                               uint8_t* work);
ZV_API void ZV_SetRbyte(uint8_t* buffer, int32_t row, int32_t column, int32_t width, uint8_t value);
ZV_API void ZV_SetGbyte(uint8_t* buffer, int32_t row, int32_t column, int32_t width, uint8_t value);
ZV_API void ZV_SetBbyte(uint8_t* buffer, int32_t row, int32_t column, int32_t width, uint8_t value);

/* ---- Text and numbers -------------------------------------------------------------------- */
ZV_API double ZV_ConvertStringToDouble(const char* text);
ZV_API int32_t ZV_StringToInteger(const char* text);
ZV_API int32_t ZV_IsEven(int32_t value);

ZV_C_END

#endif /* ZVDLL_C_H */
