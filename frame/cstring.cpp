// The library string's C functions: a ZvString is a std::string made and released here, inside
// the library, whatever compiler built the host. Every clamping rule lives here so that the
// path, naming and text code (through the inline zv::CString) can rely on it instead of
// repeating checks.
#include "zvdll/c_objects.h"

#include "platform/code_page.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

struct ZvString {
    std::string text;
};

namespace {

bool IsWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

char AsciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Where the character starting at `pos` ends. In a double-byte code page a lead byte and the
// byte after it are one character, so a trail byte (which may be 0x5C, the backslash) is never
// looked at on its own; a lead byte at the very end stands alone.
size_t CharacterEnd(const std::string& text, size_t pos, const zv::platform::LeadBytes& lead)
{
    const bool pair = lead.isLead[static_cast<unsigned char>(text[pos])] && pos + 1 < text.size();
    return pos + (pair ? 2 : 1);
}

// The first character boundary at or after `from`, walking from the start.
size_t BoundaryAtOrAfter(const std::string& text, size_t from, const zv::platform::LeadBytes& lead)
{
    size_t pos = 0;
    while (pos < from) {
        pos = CharacterEnd(text, pos, lead);
    }
    return pos;
}

// First position at or after `start` where a character begins with `needle`.
size_t FindAtBoundary(const std::string& text, std::string_view needle, size_t start)
{
    const zv::platform::LeadBytes& lead = zv::platform::AnsiLeadBytes();
    if (!lead.any) {
        return text.find(needle, start);
    }
    for (size_t pos = BoundaryAtOrAfter(text, start, lead); pos < text.size(); pos = CharacterEnd(text, pos, lead)) {
        if (text.compare(pos, needle.size(), needle) == 0) {
            return pos;
        }
    }
    return needle.empty() && start <= text.size() ? text.size() : std::string::npos;
}

// Last position where the single-byte character `ch` stands.
size_t ReverseFindAtBoundary(const std::string& text, char ch)
{
    const zv::platform::LeadBytes& lead = zv::platform::AnsiLeadBytes();
    if (!lead.any) {
        return text.rfind(ch);
    }
    size_t found = std::string::npos;
    for (size_t pos = 0; pos < text.size(); pos = CharacterEnd(text, pos, lead)) {
        if (text[pos] == ch && CharacterEnd(text, pos, lead) == pos + 1) {
            found = pos;
        }
    }
    return found;
}

// Where the trailing white space begins: after the last character that is not white space.
size_t TrailingSpaceStart(const std::string& text)
{
    const zv::platform::LeadBytes& lead = zv::platform::AnsiLeadBytes();
    if (!lead.any) {
        size_t end = text.size();
        while (end > 0 && IsWhiteSpace(text[end - 1])) {
            --end;
        }
        return end;
    }
    size_t end = 0;
    for (size_t pos = 0; pos < text.size();) {
        const size_t next = CharacterEnd(text, pos, lead);
        if (next != pos + 1 || !IsWhiteSpace(text[pos])) {
            end = next;
        }
        pos = next;
    }
    return end;
}

const std::string& TextOf(const ZvString* string)
{
    static const std::string empty;
    return string != nullptr ? string->text : empty;
}

// The string behind `string`, made (empty) when it was the null empty string.
std::string& Writable(ZvString** string)
{
    if (*string == nullptr) {
        *string = new ZvString;
    }
    return (*string)->text;
}

ZvString* NewString(std::string text)
{
    return new ZvString{std::move(text)};
}

int32_t PositionOrMinusOne(size_t found)
{
    return found == std::string::npos ? -1 : static_cast<int32_t>(found);
}

char AsciiLowerByte(unsigned char c)
{
    return AsciiLower(static_cast<char>(c));
}

} // namespace

extern "C" {

ZV_API ZvString* ZvStringNew(const char* text)
{
    return NewString(text != nullptr ? std::string(text) : std::string());
}

ZV_API ZvString* ZvStringNewBytes(const char* bytes, int32_t length)
{
    return NewString(bytes != nullptr && length > 0 ? std::string(bytes, static_cast<size_t>(length)) : std::string());
}

ZV_API ZvString* ZvStringNewRepeated(char ch, int32_t count)
{
    return NewString(count > 0 ? std::string(static_cast<size_t>(count), ch) : std::string());
}

ZV_API ZvString* ZvStringCopy(const ZvString* string)
{
    return NewString(TextOf(string));
}

ZV_API void ZvStringFree(ZvString* string)
{
    delete string;
}

ZV_API const char* ZvStringText(const ZvString* string)
{
    return TextOf(string).c_str();
}

ZV_API int32_t ZvStringLength(const ZvString* string)
{
    return static_cast<int32_t>(TextOf(string).size());
}

ZV_API ZvString* ZvStringLeft(const ZvString* string, int32_t count)
{
    const std::string& text = TextOf(string);
    return NewString(count <= 0 ? std::string() : text.substr(0, static_cast<size_t>(count)));
}

ZV_API ZvString* ZvStringRight(const ZvString* string, int32_t count)
{
    const std::string& text = TextOf(string);
    if (count <= 0) {
        return NewString(std::string());
    }
    const size_t kept = std::min(text.size(), static_cast<size_t>(count));
    return NewString(text.substr(text.size() - kept));
}

ZV_API ZvString* ZvStringMid(const ZvString* string, int32_t first, int32_t count)
{
    const std::string& text = TextOf(string);
    const size_t start = first < 0 ? 0 : static_cast<size_t>(first);
    if (start > text.size() || count <= 0) {
        return NewString(std::string());
    }
    return NewString(text.substr(start, static_cast<size_t>(count)));
}

ZV_API int32_t ZvStringFindChar(const ZvString* string, char ch, int32_t start)
{
    const std::string& text = TextOf(string);
    const size_t from = start < 0 ? 0 : static_cast<size_t>(start);
    if (from >= text.size()) {
        return -1;
    }
    return PositionOrMinusOne(FindAtBoundary(text, std::string_view(&ch, 1), from));
}

ZV_API int32_t ZvStringFindText(const ZvString* string, const char* text)
{
    return text == nullptr ? -1 : PositionOrMinusOne(FindAtBoundary(TextOf(string), text, 0));
}

ZV_API int32_t ZvStringReverseFind(const ZvString* string, char ch)
{
    return PositionOrMinusOne(ReverseFindAtBoundary(TextOf(string), ch));
}

ZV_API int32_t ZvStringCompare(const ZvString* string, const char* other)
{
    return std::strcmp(TextOf(string).c_str(), other != nullptr ? other : "");
}

ZV_API int32_t ZvStringCompareNoCase(const ZvString* string, const char* other)
{
    const auto* a = reinterpret_cast<const unsigned char*>(TextOf(string).c_str());
    const auto* b = reinterpret_cast<const unsigned char*>(other != nullptr ? other : "");
    for (;; ++a, ++b) {
        const int ca = static_cast<unsigned char>(AsciiLowerByte(*a));
        const int cb = static_cast<unsigned char>(AsciiLowerByte(*b));
        if (ca != cb || ca == 0) {
            return ca - cb;
        }
    }
}

ZV_API void ZvStringAssign(ZvString** string, const char* text)
{
    // Through a copy: text may point into this string.
    std::string copy = text != nullptr ? std::string(text) : std::string();
    Writable(string).swap(copy);
}

ZV_API void ZvStringAppend(ZvString** string, const char* bytes, int32_t length)
{
    if (bytes != nullptr && length > 0) {
        // Through a copy for the same reason: appending may move the bytes being read.
        std::string copy(bytes, static_cast<size_t>(length));
        Writable(string) += copy;
    }
}

ZV_API void ZvStringAppendText(ZvString** string, const char* text)
{
    if (text != nullptr && *text != '\0') {
        std::string copy(text);
        Writable(string) += copy;
    }
}

ZV_API void ZvStringFormatV(ZvString** string, const char* format, va_list arguments)
{
    va_list measure;
    va_copy(measure, arguments);
    const int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string out;
    if (needed > 0) {
        out.resize(static_cast<size_t>(needed) + 1);
        std::vsnprintf(out.data(), out.size(), format, arguments);
        out.resize(static_cast<size_t>(needed));
    }
    Writable(string).swap(out);
}

// No lead byte is white space, so the plain forward scan stops at a two-byte character too.
ZV_API void ZvStringTrimLeft(ZvString* string)
{
    if (string == nullptr) {
        return;
    }
    std::string& text = string->text;
    size_t start = 0;
    while (start < text.size() && IsWhiteSpace(text[start])) {
        ++start;
    }
    text.erase(0, start);
}

ZV_API void ZvStringTrimRight(ZvString* string)
{
    if (string != nullptr) {
        string->text.resize(TrailingSpaceStart(string->text));
    }
}

ZV_API void ZvStringMakeUpper(ZvString* string)
{
    if (string != nullptr) {
        for (char& c : string->text) {
            c = AsciiUpper(c);
        }
    }
}

ZV_API void ZvStringMakeLower(ZvString* string)
{
    if (string != nullptr) {
        for (char& c : string->text) {
            c = AsciiLower(c);
        }
    }
}

} // extern "C"
