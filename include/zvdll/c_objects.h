/* zvdll/c_objects.h — the library's strings, string arrays, windows and palettes as C objects
 *
 * Each object is made and released inside the library, whatever compiler built the host, so a
 * host never frees library memory with its own runtime. The C++ classes of zvdll/string.h,
 * zvdll/window.h and zvdll/palette.h are thin inline wrappers over exactly these functions.
 * Memory exhaustion inside one of them raises std::bad_alloc in the library; only a host built
 * with the library's own compiler can catch it. */
#ifndef ZVDLL_C_OBJECTS_H
#define ZVDLL_C_OBJECTS_H

#include "zvdll/api.h"

#include <stdarg.h>
#include <stdint.h>

ZV_C_BEGIN

/* ---- Strings ----------------------------------------------------------------------------------
 * A library string: a byte string whose length counts bytes. A null ZvString* is the empty
 * string, and every function below takes one; every function that returns a ZvString* returns
 * a new, non-null string that the caller releases with ZvStringFree. On Windows the text is in
 * the process's ANSI code page, and in a double-byte one (932, 936, 949, 950) the searches and
 * trims step over lead and trail byte pairs, so a trail byte 0x5C is never a backslash.
 * Out-of-range positions and counts are clamped as each function says, never rejected. */
typedef struct ZvString ZvString;

ZV_API ZvString* ZvStringNew(const char* text);                      /* null text: empty */
ZV_API ZvString* ZvStringNewBytes(const char* bytes, int32_t length); /* length < 1: empty */
ZV_API ZvString* ZvStringNewRepeated(char ch, int32_t count);         /* count < 1: empty */
ZV_API ZvString* ZvStringCopy(const ZvString* string);
ZV_API void ZvStringFree(ZvString* string);                           /* null is accepted */

/* The bytes, zero-terminated; never null. Valid until the string changes or is released. */
ZV_API const char* ZvStringText(const ZvString* string);
ZV_API int32_t ZvStringLength(const ZvString* string);

/* New strings cut from `string`: Left and Right give the first or last `count` bytes (count < 0:
 * empty; count >= length: the whole string); Mid starts at `first` (< 0 counts as 0; past the
 * end: empty) and takes `count` bytes (< 0 counts as 0), cut at the end. */
ZV_API ZvString* ZvStringLeft(const ZvString* string, int32_t count);
ZV_API ZvString* ZvStringRight(const ZvString* string, int32_t count);
ZV_API ZvString* ZvStringMid(const ZvString* string, int32_t first, int32_t count);

/* Positions of a character or text, -1 where there is none. FindChar starts at `start` (< 0
 * counts as 0; at or past the end: -1). */
ZV_API int32_t ZvStringFindChar(const ZvString* string, char ch, int32_t start);
ZV_API int32_t ZvStringFindText(const ZvString* string, const char* text);
ZV_API int32_t ZvStringReverseFind(const ZvString* string, char ch);
/* <0, 0, >0 like strcmp (null `other`: empty); CompareNoCase folds ASCII letters only. */
ZV_API int32_t ZvStringCompare(const ZvString* string, const char* other);
ZV_API int32_t ZvStringCompareNoCase(const ZvString* string, const char* other);

/* Changes. Those that can turn an empty (null) string into one with text take the string's
 * address and may replace the pointer. `text` may point into the string itself. */
ZV_API void ZvStringAssign(ZvString** string, const char* text);
ZV_API void ZvStringAppend(ZvString** string, const char* bytes, int32_t length); /* length < 1: nothing */
ZV_API void ZvStringAppendText(ZvString** string, const char* text);              /* null: nothing */
ZV_API void ZvStringFormatV(ZvString** string, const char* format, va_list arguments);
ZV_API void ZvStringTrimLeft(ZvString* string);   /* drops leading space, \t, \n, \v, \f, \r */
ZV_API void ZvStringTrimRight(ZvString* string);  /* drops trailing white space likewise */
ZV_API void ZvStringMakeUpper(ZvString* string);  /* ASCII letters only */
ZV_API void ZvStringMakeLower(ZvString* string);

/* ---- String arrays ----------------------------------------------------------------------------
 * A growable array of strings. A null ZvStringArray* is the empty array; the functions that can
 * grow it take its address. */
typedef struct ZvStringArray ZvStringArray;

ZV_API ZvStringArray* ZvStringArrayCopy(const ZvStringArray* array);  /* null for an empty one */
ZV_API void ZvStringArrayFree(ZvStringArray* array);                  /* null is accepted */
ZV_API int32_t ZvStringArraySize(const ZvStringArray* array);
ZV_API void ZvStringArraySetSize(ZvStringArray** array, int32_t size); /* grows with empty strings */
/* The array's own string at `index` (0 .. size-1), which may be read and replaced in place;
 * the address stays valid until the array's size changes. */
ZV_API ZvString** ZvStringArrayAt(ZvStringArray* array, int32_t index);

/* ---- Windows ----------------------------------------------------------------------------------
 * The window object that ZV_DisplayFrame fits the display copy into. */
typedef struct ZvRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
} ZvRect;

typedef struct ZvWindow ZvWindow;

/* A window the library keeps, occupying `rect` (screen pixels; null: all zero). */
ZV_API ZvWindow* ZvWindowNew(const ZvRect* rect);
/* On Windows: a window object over the host's real window (an HWND), which stays the host's;
 * its rectangle is asked of the system every time. Null when `systemWindow` names no window,
 * and everywhere but on Windows. */
ZV_API ZvWindow* ZvWindowNewOver(void* systemWindow);
/* Releases the object; a host's window is never destroyed. Null is accepted. */
ZV_API void ZvWindowFree(ZvWindow* window);
/* 1 when the window moved (or a kept window took the rectangle), 0 for null arguments or when
 * the system refuses. */
ZV_API int32_t ZvWindowMove(ZvWindow* window, const ZvRect* rect);
/* The rectangle as given (not normalised), or a host's window's as the system reports it;
 * 0 (and *rect untouched) for null arguments or a failure. */
ZV_API int32_t ZvWindowGetRect(const ZvWindow* window, ZvRect* rect);
/* On Windows the host's HWND, null for a kept window; elsewhere the kept window's own opaque
 * handle. Null for null. */
ZV_API void* ZvWindowSystemHandle(const ZvWindow* window);

/* ---- Palettes ---------------------------------------------------------------------------------
 * A GDI object slot that the host owns, for example on its stack, and that ZV_MakePalette fills
 * with a palette: on Windows `handle` is a real HPALETTE, elsewhere the library's own. Whatever
 * is in the slot is released with ZvGdiObjectDelete. */
typedef struct ZvPaletteEntry {
    uint8_t peRed;
    uint8_t peGreen;
    uint8_t peBlue;
    uint8_t peFlags;
} ZvPaletteEntry;

typedef struct ZvGdiObject {
    void* handle;  /* null when the slot holds nothing */
} ZvGdiObject;

/* Deletes the held object and empties the slot; 0 when it held nothing. */
ZV_API int32_t ZvGdiObjectDelete(ZvGdiObject* object);
/* The number of entries of the held palette; 0 without one. */
ZV_API int32_t ZvPaletteEntryCount(const ZvGdiObject* palette);
/* Copies up to `count` entries from index `start`; returns how many it copied. */
ZV_API uint32_t ZvPaletteGetEntries(const ZvGdiObject* palette, uint32_t start, uint32_t count,
                                    ZvPaletteEntry* entries);

ZV_C_END

#endif /* ZVDLL_C_OBJECTS_H */
