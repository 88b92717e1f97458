/* zvdll/string.h — the library string and string array */
#ifndef ZVDLL_STRING_H
#define ZVDLL_STRING_H

#include "zvdll/api.h"

namespace zv {

/*
 * The library string: a byte string with value semantics. Lengths and positions count bytes;
 * UTF-8 text is safe because every separator the library looks for is ASCII. On Windows the
 * text is in the process's ANSI code page, and in a double-byte one (932, 936, 949, 950) Find,
 * ReverseFind and the trims step over each lead and trail byte pair, so a trail byte 0x5C is
 * never taken for a backslash. Out-of-range arguments are clamped exactly as documented on each
 * operation rather than rejected.
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

} // namespace zv

#endif /* ZVDLL_STRING_H */
