/*
 * zvdll.h — the one header a host includes to use ZVDll.
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
 *  - Pixel buffers are RGB, 3 bytes a pixel, rows of exactly width * 3 bytes.
 *  - The library starts no thread, takes no lock on the hot paths and keeps nothing between calls.
 */
#ifndef ZVDLL_H
#define ZVDLL_H

#include "zvdll/api.h"
#include "zvdll/host.h"
#include "zvdll/image_types.h"
#include "zvdll/limits.h"
#include "zvdll/palette.h"
#include "zvdll/string.h"
#include "zvdll/window.h"

#include <cstddef>
#include <cstdint>

extern "C" {

/* Several exports return the string class by value: the host is C++ and expects exactly that,
 * so clang's warning that such a type is not C-compatible does not apply here. */
#if defined(__clang__)
#  pragma clang diagnostic push
#  pragma clang diagnostic ignored "-Wreturn-type-c-linkage"
#endif

/* ---- Name templates and folder placeholders -----------------------------------------------
 * ZV_ParseLine expands $(date[,fmt]), $(filepath), $(filetitle), $(filename), $(width),
 * $(height), $(size), $(counterA)..$(counterJ) and $(counterX,width) fields; a counter field is
 * at most ZV_MAX_FIELD_WIDTH wide (zvdll/limits.h). */
ZV_API zv::CString ZV_ParseLine(const char* templateText, const char* defaultDateFormat,
                                const char* filePath, const char* fileName, const char* fileTitle,
                                int32_t width, int32_t height,
                                int32_t counterA, int32_t counterB, int32_t counterC,
                                int32_t counterD, int32_t counterE, int32_t counterF,
                                int32_t counterG, int32_t counterH, int32_t counterI,
                                int32_t counterJ);
ZV_API zv::CString ZV_GetDate(const char* dateFormat);
ZV_API zv::CString ZV_ParsePath(const char* path, const char* installFolder, const char* tempFolder);

/* ---- Paths ---------------------------------------------------------------------------------- */
ZV_API zv::CString ZV_GetFolderPath(const char* path);
ZV_API zv::CString ZV_GetFolderPathPlusBS(const char* path);
ZV_API zv::CString ZV_GetFileName(const char* path);
ZV_API zv::CString ZV_GetFileTitle(const char* path);
ZV_API zv::CString ZV_GetFileExt(const char* path);
ZV_API zv::CString ZV_AddBackSlash(const char* path);
ZV_API zv::CString ZV_RemoveBackSlash(const char* path);

/* ---- Files and folders ---------------------------------------------------------------------- */
ZV_API int32_t ZV_DoesFileExist(zv::CString path);
ZV_API int32_t ZV_DoesFolderExist(zv::CString path);
ZV_API int32_t ZV_CreateFolder(const char* folderPath, int32_t showMessages);
ZV_API void ZV_SaveWindow(void);
ZV_API void ZV_RestoreWindow(void);

/* ---- Image types ---------------------------------------------------------------------------- */
ZV_API int32_t ZV_GetExtType(const char* nameOrExtension);
ZV_API zv::CString ZV_ExtTo3Char(const char* nameOrExtension);
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
 * host owns and releases with delete[] or ZvFreeBuffer; on failure (0) nothing is written.
 * The reader is chosen by the path's last four bytes. pngGamma != 0 sets the screen gamma for
 * this and later PNG reads; metaWidth/metaHeight are the size asked of a metafile (0 or less:
 * taken from the picture's own frame). */
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

/* The text of the calling thread's last imaging error, "N: description"; empty when unknown. */
ZV_API zv::CString ZV_GetISerror(void);

/* ---- Image processing and display ------------------------------------------------------------ */
/* Blurs `image` (width*height*3 bytes) using `work` (same size) as scratch. Result 0: the
 * blurred image is in `image`; non-zero: it is in `work`. */
ZV_API int32_t ZV_BlurGaussian(uint8_t* image, int32_t width, int32_t height, double amount,
                               uint8_t* work);
/* Makes the display copy of *source fitted into `window`, releasing the previous copy in
 * *display. The copy comes from new[]; release the last one with delete[] or ZvFreeBuffer. */
ZV_API int32_t ZV_DisplayFrame(uint8_t** source, uint32_t* sourceWidth, uint32_t* sourceHeight,
                               uint8_t** display, uint32_t* displayWidth, uint32_t* displayHeight,
                               zv::CWnd* window);
ZV_API void ZV_MakePalette(zv::CPalette* palette);
ZV_API void ZV_SetRbyte(uint8_t* buffer, int32_t row, int32_t column, int32_t width, uint8_t value);
ZV_API void ZV_SetGbyte(uint8_t* buffer, int32_t row, int32_t column, int32_t width, uint8_t value);
ZV_API void ZV_SetBbyte(uint8_t* buffer, int32_t row, int32_t column, int32_t width, uint8_t value);

/* ---- Text and numbers ------------------------------------------------------------------------ */
ZV_API zv::CString ZV_GetFloatValue(zv::CString text, int32_t integerOnly);
ZV_API double ZV_ConvertStringToDouble(const char* text);
ZV_API int32_t ZV_StringToInteger(const char* text);
ZV_API zv::CString ZV_IntegerToString(int32_t value);
ZV_API int32_t ZV_IsEven(int32_t value);
ZV_API zv::CString ZV_RemoveSpaces(const char* text, int32_t removeAll, int32_t trimLeft,
                                   int32_t trimRight);

#if defined(__clang__)
#  pragma clang diagnostic pop
#endif

} /* extern "C" */

#endif /* ZVDLL_H */
