// The library string: value semantics over a private std::string. Every clamping rule lives
// here so that the path, naming and text code can rely on it instead of repeating checks.
#include "zvdll/string.h"

#include "platform/code_page.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace zv {

struct CString::Rep {
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
size_t CharacterEnd(const std::string& text, size_t pos, const platform::LeadBytes& lead)
{
    const bool pair = lead.isLead[static_cast<unsigned char>(text[pos])] && pos + 1 < text.size();
    return pos + (pair ? 2 : 1);
}

// The first character boundary at or after `from`, walking from the start.
size_t BoundaryAtOrAfter(const std::string& text, size_t from, const platform::LeadBytes& lead)
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
    const platform::LeadBytes& lead = platform::AnsiLeadBytes();
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
    const platform::LeadBytes& lead = platform::AnsiLeadBytes();
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
    const platform::LeadBytes& lead = platform::AnsiLeadBytes();
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

} // namespace

CString::CString() : rep_(new Rep) {}

CString::CString(const char* text) : rep_(new Rep)
{
    if (text != nullptr) {
        rep_->text = text;
    }
}

CString::CString(const char* text, int length) : rep_(new Rep)
{
    if (text != nullptr && length > 0) {
        rep_->text.assign(text, static_cast<size_t>(length));
    }
}

CString::CString(char ch, int count) : rep_(new Rep)
{
    if (count > 0) {
        rep_->text.assign(static_cast<size_t>(count), ch);
    }
}

CString::CString(const CString& other) : rep_(new Rep(*other.rep_)) {}

CString::CString(CString&& other) noexcept : rep_(other.rep_)
{
    other.rep_ = nullptr;
}

CString::~CString()
{
    delete rep_;
}

CString& CString::operator=(const CString& other)
{
    if (this != &other) {
        if (rep_ == nullptr) {
            rep_ = new Rep;
        }
        rep_->text = other.rep_ ? other.rep_->text : std::string();
    }
    return *this;
}

CString& CString::operator=(CString&& other) noexcept
{
    std::swap(rep_, other.rep_);
    return *this;
}

CString& CString::operator=(const char* text)
{
    if (rep_ == nullptr) {
        rep_ = new Rep;
    }
    // Assign through a copy: text may point into this string.
    std::string copy = text ? std::string(text) : std::string();
    rep_->text.swap(copy);
    return *this;
}

int CString::GetLength() const
{
    return rep_ ? static_cast<int>(rep_->text.size()) : 0;
}

bool CString::IsEmpty() const
{
    return GetLength() == 0;
}

void CString::Empty()
{
    if (rep_) {
        rep_->text.clear();
    }
}

const char* CString::GetString() const
{
    return rep_ ? rep_->text.c_str() : "";
}

CString::operator const char*() const
{
    return GetString();
}

char CString::GetAt(int index) const
{
    return rep_->text[static_cast<size_t>(index)];
}

char CString::operator[](int index) const
{
    return GetAt(index);
}

CString CString::Left(int count) const
{
    if (count <= 0) {
        return CString();
    }
    if (count >= GetLength()) {
        return *this;
    }
    return CString(GetString(), count);
}

CString CString::Right(int count) const
{
    if (count <= 0) {
        return CString();
    }
    const int length = GetLength();
    if (count >= length) {
        return *this;
    }
    return CString(GetString() + (length - count), count);
}

CString CString::Mid(int first, int count) const
{
    const int length = GetLength();
    if (first < 0) {
        first = 0;
    }
    if (count < 0) {
        count = 0;
    }
    if (first > length) {
        return CString();
    }
    if (static_cast<int64_t>(first) + count > length) {
        count = length - first;
    }
    return CString(GetString() + first, count);
}

CString CString::Mid(int first) const
{
    return Mid(first, GetLength());
}

int CString::Find(char ch) const
{
    return Find(ch, 0);
}

int CString::Find(char ch, int start) const
{
    if (start < 0) {
        start = 0;
    }
    if (start >= GetLength()) {
        return -1;
    }
    const size_t found = FindAtBoundary(rep_->text, std::string_view(&ch, 1), static_cast<size_t>(start));
    return found == std::string::npos ? -1 : static_cast<int>(found);
}

int CString::Find(const char* sub) const
{
    if (sub == nullptr) {
        return -1;
    }
    const size_t found = FindAtBoundary(rep_->text, sub, 0);
    return found == std::string::npos ? -1 : static_cast<int>(found);
}

int CString::ReverseFind(char ch) const
{
    const size_t found = ReverseFindAtBoundary(rep_->text, ch);
    return found == std::string::npos ? -1 : static_cast<int>(found);
}

// No lead byte is white space, so the plain forward scan stops at a two-byte character too.
CString& CString::TrimLeft()
{
    std::string& text = rep_->text;
    size_t start = 0;
    while (start < text.size() && IsWhiteSpace(text[start])) {
        ++start;
    }
    text.erase(0, start);
    return *this;
}

CString& CString::TrimRight()
{
    rep_->text.resize(TrailingSpaceStart(rep_->text));
    return *this;
}

void CString::MakeUpper()
{
    for (char& c : rep_->text) {
        c = AsciiUpper(c);
    }
}

void CString::MakeLower()
{
    for (char& c : rep_->text) {
        c = AsciiLower(c);
    }
}

void CString::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string out;
    if (needed > 0) {
        out.resize(static_cast<size_t>(needed) + 1);
        std::vsnprintf(out.data(), out.size(), format, args);
        out.resize(static_cast<size_t>(needed));
    }
    va_end(args);
    rep_->text.swap(out);
}

CString& CString::operator+=(const CString& other)
{
    rep_->text += other.GetString();
    return *this;
}

CString& CString::operator+=(const char* text)
{
    if (text != nullptr) {
        rep_->text += text;
    }
    return *this;
}

CString& CString::operator+=(char ch)
{
    rep_->text += ch;
    return *this;
}

void CString::Append(const char* bytes, int length)
{
    if (bytes != nullptr && length > 0) {
        rep_->text.append(bytes, static_cast<size_t>(length));
    }
}

int CString::Compare(const char* other) const
{
    return std::strcmp(GetString(), other ? other : "");
}

int CString::CompareNoCase(const char* other) const
{
    const unsigned char* a = reinterpret_cast<const unsigned char*>(GetString());
    const unsigned char* b = reinterpret_cast<const unsigned char*>(other ? other : "");
    for (;; ++a, ++b) {
        const int ca = static_cast<unsigned char>(AsciiLower(static_cast<char>(*a)));
        const int cb = static_cast<unsigned char>(AsciiLower(static_cast<char>(*b)));
        if (ca != cb || ca == 0) {
            return ca - cb;
        }
    }
}

CString operator+(const CString& a, const CString& b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, const char* b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const char* a, const CString& b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, char b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(char a, const CString& b)
{
    CString result(a, 1);
    result += b;
    return result;
}

bool operator==(const CString& a, const CString& b)
{
    return a.GetLength() == b.GetLength() && a.Compare(b.GetString()) == 0;
}

bool operator==(const CString& a, const char* b)
{
    return a.Compare(b) == 0;
}

bool operator!=(const CString& a, const CString& b)
{
    return !(a == b);
}

bool operator!=(const CString& a, const char* b)
{
    return !(a == b);
}

} // namespace zv
