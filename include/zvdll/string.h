/* zvdll/string.h — the library string and string array, for C++ hosts */
#ifndef ZVDLL_STRING_H
#define ZVDLL_STRING_H

#include "zvdll/c_objects.h"

#include <stdarg.h>
#include <stdint.h>

namespace zv {

/*
 * The library string: a byte string with value semantics. Lengths and positions count bytes;
 * UTF-8 text is safe because every separator the library looks for is ASCII. On Windows the
 * text is in the process's ANSI code page, and in a double-byte one (932, 936, 949, 950) Find,
 * ReverseFind and the trims step over each lead and trail byte pair, so a trail byte 0x5C is
 * never taken for a backslash. Out-of-range arguments are clamped exactly as documented on each
 * operation rather than rejected.
 *
 * Layout: one pointer, to a ZvString that the library made (null for the empty string). Every
 * member is inline over the C functions of zvdll/c_objects.h, so the text is allocated and
 * released inside the library whatever compiler built the host.
 */
class CString {
public:
    CString() noexcept : string_(nullptr) {}
    CString(const char* text) : string_(text != nullptr && *text != '\0' ? ZvStringNew(text) : nullptr) {}
    // The first `length` bytes (length < 1: empty).
    CString(const char* text, int length)
        : string_(text != nullptr && length > 0 ? ZvStringNewBytes(text, length) : nullptr) {}
    // `ch` repeated `count` times (count < 1: empty).
    CString(char ch, int count) : string_(count > 0 ? ZvStringNewRepeated(ch, count) : nullptr) {}
    CString(const CString& other) : string_(other.string_ != nullptr ? ZvStringCopy(other.string_) : nullptr) {}
    CString(CString&& other) noexcept : string_(other.string_) { other.string_ = nullptr; }
    ~CString() { ZvStringFree(string_); }

    CString& operator=(const CString& other)
    {
        if (this != &other) {
            CString copy(other);
            Swap(copy);
        }
        return *this;
    }
    CString& operator=(CString&& other) noexcept
    {
        Swap(other);
        return *this;
    }
    CString& operator=(const char* text)   // null gives the empty string
    {
        ZvStringAssign(&string_, text);
        return *this;
    }

    int GetLength() const { return ZvStringLength(string_); }
    bool IsEmpty() const { return GetLength() == 0; }
    void Empty()
    {
        ZvStringFree(string_);
        string_ = nullptr;
    }
    const char* GetString() const { return ZvStringText(string_); }   // never null
    operator const char*() const { return GetString(); }
    char GetAt(int index) const { return GetString()[index]; }        // index in 0 .. GetLength()-1
    char operator[](int index) const { return GetAt(index); }

    CString Left(int count) const { return Adopt(ZvStringLeft(string_, count)); }    // count < 0: empty; >= length: all
    CString Right(int count) const { return Adopt(ZvStringRight(string_, count)); }  // likewise, from the end
    CString Mid(int first, int count) const { return Adopt(ZvStringMid(string_, first, count)); }
    CString Mid(int first) const { return Mid(first, GetLength()); }
    int Find(char ch) const { return ZvStringFindChar(string_, ch, 0); }           // first position, or -1
    int Find(char ch, int start) const { return ZvStringFindChar(string_, ch, start); } // start >= length: -1
    int Find(const char* text) const { return ZvStringFindText(string_, text); }
    int ReverseFind(char ch) const { return ZvStringReverseFind(string_, ch); }
    CString& TrimLeft()    // drops leading space, \t, \n, \v, \f, \r
    {
        ZvStringTrimLeft(string_);
        return *this;
    }
    CString& TrimRight()   // drops trailing white space likewise
    {
        ZvStringTrimRight(string_);
        return *this;
    }
    void MakeUpper() { ZvStringMakeUpper(string_); }   // ASCII letters only
    void MakeLower() { ZvStringMakeLower(string_); }
    void Format(const char* format, ...) ZV_PRINTF_LIKE(2, 3)
    {
        va_list arguments;
        va_start(arguments, format);
        ZvStringFormatV(&string_, format, arguments);
        va_end(arguments);
    }

    CString& operator+=(const CString& other) { return *this += other.GetString(); }
    CString& operator+=(const char* text)
    {
        ZvStringAppendText(&string_, text);
        return *this;
    }
    CString& operator+=(char ch)
    {
        ZvStringAppend(&string_, &ch, 1);
        return *this;
    }
    void Append(const char* bytes, int length) { ZvStringAppend(&string_, bytes, length); }

    int Compare(const char* other) const { return ZvStringCompare(string_, other); }          // <0, 0, >0
    int CompareNoCase(const char* other) const { return ZvStringCompareNoCase(string_, other); } // ASCII only

    // Where a string crosses the C form of an export: Adopt takes over a ZvString the library
    // returned, Detach hands this one's over (leaving it empty), Handle lends it.
    static CString Adopt(ZvString* string) noexcept
    {
        CString adopted;
        adopted.string_ = string;
        return adopted;
    }
    ZvString* Detach() noexcept
    {
        ZvString* string = string_;
        string_ = nullptr;
        return string;
    }
    const ZvString* Handle() const noexcept { return string_; }

private:
    void Swap(CString& other) noexcept
    {
        ZvString* mine = string_;
        string_ = other.string_;
        other.string_ = mine;
    }
    ZvString* string_;
};

inline CString operator+(const CString& a, const CString& b) { CString r(a); r += b; return r; }
inline CString operator+(const CString& a, const char* b) { CString r(a); r += b; return r; }
inline CString operator+(const char* a, const CString& b) { CString r(a); r += b; return r; }
inline CString operator+(const CString& a, char b) { CString r(a); r += b; return r; }
inline CString operator+(char a, const CString& b) { CString r(a, 1); r += b; return r; }
inline bool operator==(const CString& a, const CString& b)
{
    return a.GetLength() == b.GetLength() && a.Compare(b.GetString()) == 0;
}
inline bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
inline bool operator!=(const CString& a, const CString& b) { return !(a == b); }
inline bool operator!=(const CString& a, const char* b) { return !(a == b); }

/* A growable array of library strings. Layout: one pointer, to a ZvStringArray that the
 * library made (null while the array is empty). */
class CStringArray {
public:
    CStringArray() noexcept : array_(nullptr) {}
    CStringArray(const CStringArray& other) : array_(ZvStringArrayCopy(other.array_)) {}
    CStringArray& operator=(const CStringArray& other)
    {
        if (this != &other) {
            ZvStringArray* copy = ZvStringArrayCopy(other.array_);
            ZvStringArrayFree(array_);
            array_ = copy;
        }
        return *this;
    }
    ~CStringArray() { ZvStringArrayFree(array_); }

    int GetSize() const { return ZvStringArraySize(array_); }
    void SetSize(int newSize) { ZvStringArraySetSize(&array_, newSize); }  // grows with empty strings or shrinks
    void SetAtGrow(int index, const CString& value)                       // grows to index + 1 when needed
    {
        if (index < 0 || index == INT32_MAX) {
            return;
        }
        if (index >= GetSize()) {
            SetSize(index + 1);
        }
        (*this)[index] = value;
    }
    // The element at `index`, which must be in 0 .. GetSize()-1.
    const CString& GetAt(int index) const { return *Element(array_, index); }
    CString& operator[](int index) { return *Element(array_, index); }
    const CString& operator[](int index) const { return GetAt(index); }
    int Add(const CString& value)
    {
        const int index = GetSize();
        SetAtGrow(index, value);
        return index;
    }

private:
    // The library keeps its elements as CString objects, whose one member is the ZvString
    // pointer that ZvStringArrayAt gives the address of.
    static CString* Element(ZvStringArray* array, int index)
    {
        return reinterpret_cast<CString*>(ZvStringArrayAt(array, index));
    }

    ZvStringArray* array_;
};

} // namespace zv

#endif /* ZVDLL_STRING_H */
