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

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#  define ZV_API __declspec(dllexport)
#else
#  define ZV_API __attribute__((visibility("default")))
#endif

namespace zv {

/*
 * The library string: a byte string with value semantics. Lengths and positions count bytes;
 * UTF-8 text is safe because every separator the library looks for is ASCII. Out-of-range
 * arguments are clamped exactly as documented on each operation rather than rejected.
 */
class ZV_API CString {
public:
    CString();
    CString(const char* text);                 // null gives the empty string
    CString(const char* text, int length);     // the first length bytes (length < 1: empty)
    CString(char ch, int count);               // ch repeated count times (count < 1: empty)
    CString(const CString& other);
    CString(CString&& other) noexcept;
    ~CString();

    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;
    CString& operator=(const char* text);      // null gives the empty string

    int GetLength() const;
    bool IsEmpty() const;
    void Empty();
    const char* GetString() const;             // never null, always zero-terminated
    operator const char*() const;
    char GetAt(int index) const;               // index in 0 .. GetLength()-1
    char operator[](int index) const;

    CString Left(int count) const;             // count < 0: empty; count >= length: whole string
    CString Right(int count) const;            // same clamping, from the end
    CString Mid(int first, int count) const;   // first, count < 0 count as 0; cut at the end
    CString Mid(int first) const;              // from first to the end
    int Find(char ch) const;                   // first position of ch, or -1
    int Find(char ch, int start) const;        // start >= length gives -1
    int Find(const char* sub) const;           // first position of sub, or -1
    int ReverseFind(char ch) const;            // last position of ch, or -1
    CString& TrimLeft();                       // drops leading space, \t, \n, \v, \f, \r
    CString& TrimRight();                      // drops trailing white space likewise
    void MakeUpper();                          // ASCII letters only
    void MakeLower();
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

    CString& operator+=(const CString& other);
    CString& operator+=(const char* text);
    CString& operator+=(char ch);
    void Append(const char* bytes, int length);

    int Compare(const char* other) const;       // byte-wise, <0, 0, >0
    int CompareNoCase(const char* other) const; // ASCII letters equal regardless of case

private:
    struct Rep;
    Rep* rep_;
};

ZV_API CString operator+(const CString& a, const CString& b);
ZV_API CString operator+(const CString& a, const char* b);
ZV_API CString operator+(const char* a, const CString& b);
ZV_API CString operator+(const CString& a, char b);
ZV_API CString operator+(char a, const CString& b);
ZV_API bool operator==(const CString& a, const CString& b);
ZV_API bool operator==(const CString& a, const char* b);
ZV_API bool operator!=(const CString& a, const CString& b);
ZV_API bool operator!=(const CString& a, const char* b);

/* A growable array of library strings. */
class ZV_API CStringArray {
public:
    CStringArray();
    CStringArray(const CStringArray& other);
    CStringArray& operator=(const CStringArray& other);
    ~CStringArray();

    int GetSize() const;
    void SetSize(int newSize);                          // grows with empty strings or shrinks
    void SetAtGrow(int index, const CString& value);    // grows to index + 1 when needed
    const CString& GetAt(int index) const;
    CString& operator[](int index);
    const CString& operator[](int index) const;
    int Add(const CString& value);

private:
    struct Rep;
    Rep* rep_;
};

/* ---- Host window and palette objects -------------------------------------------------------
 * The framework objects that ZV_DisplayFrame and ZV_MakePalette work on. A host builds a CWnd
 * from its window's rectangle and moves or resizes it whenever its real window changes;
 * ZV_DisplayFrame fits the display copy into that rectangle. A CPalette owns the palette that
 * ZV_MakePalette attaches to it and releases it with itself. Handles are opaque; a window
 * handle is valid while its CWnd lives. None of these objects is shared between threads by the
 * library. */
struct WindowHandleRecord;
struct GdiHandleRecord;
typedef WindowHandleRecord* HWND;
typedef GdiHandleRecord* HGDIOBJ;
typedef HGDIOBJ HPALETTE;

struct RECT {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

struct PALETTEENTRY {
    uint8_t peRed;
    uint8_t peGreen;
    uint8_t peBlue;
    uint8_t peFlags;
};

class ZV_API CRect : public RECT {
public:
    CRect();                                                  // all zero
    CRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
    CRect(const RECT& rect);
    int32_t Width() const;    // right - left, wrapping like 32-bit arithmetic; negative until normalised
    int32_t Height() const;   // bottom - top, likewise
    void NormalizeRect();     // swaps left/right and top/bottom so that left <= right, top <= bottom
};

class ZV_API CWnd {
public:
    CWnd();                                  // an object without a window: GetSafeHwnd() is null
    explicit CWnd(const RECT& windowRect);   // a window occupying windowRect (screen pixels)
    ~CWnd();                                 // destroys the window
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Moves or resizes the window; false when the object has no window.
    bool MoveWindow(int32_t x, int32_t y, int32_t width, int32_t height);
    bool MoveWindow(const RECT& windowRect);
    // The window's rectangle as it was given (not normalised); false when there is no window.
    bool GetWindowRect(RECT* rect) const;
    HWND GetSafeHwnd() const;

private:
    HWND window_;
};

/* Owns at most one GDI object handle and deletes it in its destructor. Not polymorphic:
 * destroy a CPalette as a CPalette. */
class ZV_API CGdiObject {
public:
    CGdiObject();
    ~CGdiObject();
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    // Takes ownership of `handle`, deleting the one held before; false (nothing changed) for null.
    bool Attach(HGDIOBJ handle);
    // Gives up ownership without deleting; returns the handle (null when none).
    HGDIOBJ Detach();
    // Deletes the held object; false when there is none.
    bool DeleteObject();
    HGDIOBJ GetSafeHandle() const;

private:
    HGDIOBJ handle_;
};

class ZV_API CPalette : public CGdiObject {
public:
    int32_t GetEntryCount() const;   // 0 without a palette
    // Copies up to `count` entries from index `start`; returns how many were copied.
    uint32_t GetPaletteEntries(uint32_t start, uint32_t count, PALETTEENTRY* entries) const;
};

} // namespace zv

extern "C" {

/* Several exports return the string class by value: the host is C++ and expects exactly that,
 * so clang's warning that such a type is not C-compatible does not apply here. */
#if defined(__clang__)
#  pragma clang diagnostic push
#  pragma clang diagnostic ignored "-Wreturn-type-c-linkage"
#endif

/* ---- Host services ------------------------------------------------------------------------
 * How the library's wait cursor and message boxes reach the host. Every callback may be null;
 * `context` is passed back to each. With no services installed (or after passing null), the
 * wait cursor does nothing and a message box is written as one line "caption: text" to
 * standard error. The services are copied; the host may free its struct afterwards. */
typedef struct ZvHostServices {
    void* context;
    void (*beginWaitCursor)(void* context);
    void (*endWaitCursor)(void* context);
    void (*messageBox)(void* context, const char* text, const char* caption);
} ZvHostServices;

ZV_API void ZvSetHostServices(const ZvHostServices* services);

/* The largest single pixel or palette buffer the library allocates, in bytes (default
 * 4 GiB - 1). A larger request behaves as memory exhaustion: ZV_OpenImageFile,
 * ZV_DisplayFrame and ZV_MakePalette show "Out of memory." through the host's message box and
 * return 0; the imaging readers fail with code 1. This is the guard against decompression
 * bombs. 0 restores the default. */
ZV_API void ZvSetAllocationLimit(uint64_t bytes);
ZV_API uint64_t ZvGetAllocationLimit(void);

/* Releases a buffer from ZV_OpenImageFile or ZV_DisplayFrame. C++ hosts may equally use
 * delete[] on the uint8_t pointer: the library allocates with new[]. Null is accepted. */
ZV_API void ZvFreeBuffer(void* buffer);

/* ---- Image type codes (ZV_GetExtType) ------------------------------------------------------ */
enum {
    IMAGETYPE_UNKNOWN = 0,
    IMAGETYPE_JPG = 1,
    IMAGETYPE_TIF = 2,
    IMAGETYPE_BMP = 3,
    IMAGETYPE_PNG = 4,
    IMAGETYPE_GIF = 5,
    IMAGETYPE_PCX = 6,
    IMAGETYPE_TGA = 7,
    IMAGETYPE_PSD = 8,
    IMAGETYPE_WMF = 9,
    IMAGETYPE_EMF = 10,
    IMAGETYPE_AMF = 11,
    IMAGETYPE_ICO = 12,
    IMAGETYPE_RAW = 13
};

/* ---- Name templates and folder placeholders -----------------------------------------------
 * ZV_ParseLine expands $(date[,fmt]), $(filepath), $(filetitle), $(filename), $(width),
 * $(height), $(size), $(counterA)..$(counterJ) and $(counterX,width) fields.
 * ZV_MAX_FIELD_WIDTH bounds a counter field's width: a wider field (either sign) is treated
 * as exactly ZV_MAX_FIELD_WIDTH wide, keeping its alignment ($(counterA,-99999) is a
 * 4096-byte left-aligned field), so a hostile template cannot ask for gigabytes. */
#define ZV_MAX_FIELD_WIDTH 4096

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

/* The 20-byte block that ZV_GetImageDims fills for JPEG, PNG, TIFF, BMP, PCX and PSD files.
 * For other types its content is unspecified. */
typedef struct ZvDimInfo {
    uint32_t width;            /* pixels, as the image opens (TIFF: after its Orientation) */
    uint32_t height;
    uint32_t bitsPerSample;    /* bits of one channel sample as stored (1, 2, 4, 8, 16) */
    uint32_t samplesPerPixel;  /* stored channels: 1 grey/indexed, 3 colour, 4 with alpha/CMYK */
    uint32_t formatDetail;     /* JPEG: 1 progressive; PNG: 1 interlaced; TIFF, BMP, PSD:
                                  compression code of the file; PCX: number of planes */
} ZvDimInfo;

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
