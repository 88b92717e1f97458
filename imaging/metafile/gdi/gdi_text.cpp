// The Windows side of metafile text: the system converts code pages, and its own font mapper
// picks the font when its player draws, so a face name is taken as it stands.
#include "imaging/metafile/drawing/text.h"

#include <windows.h>

#include <string>

namespace zv::imaging::metafile {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// UTF-16 from the converter as code points; the converter never splits a pair.
void AppendUtf16(const wchar_t* units, int count, std::u32string* text)
{
    for (int i = 0; i < count; ++i) {
        const char32_t unit = static_cast<char16_t>(units[i]);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < count) {
            const char32_t low = static_cast<char16_t>(units[i + 1]);
            text->push_back(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
            ++i;
            continue;
        }
        text->push_back(unit);
    }
}

// Converts `count` bytes that must all be valid; false when one is not.
bool ConvertStrictly(UINT codePage, const uint8_t* bytes, int count, std::u32string* text)
{
    wchar_t units[4];
    std::wstring wide;
    wchar_t* target = units;
    int capacity = 4;
    if (count > 2) {
        wide.resize(static_cast<size_t>(count));
        target = wide.data();
        capacity = count;
    }
    const int produced = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS,
                                             reinterpret_cast<const char*>(bytes), count, target,
                                             capacity);
    if (produced <= 0) {
        return false;
    }
    AppendUtf16(target, produced, text);
    return true;
}

// One character at a time: a lead byte with its trail, or a single byte; what the system
// refuses becomes one replacement for its first byte.
void ConvertEachCharacter(UINT codePage, const uint8_t* bytes, size_t count, std::u32string* text)
{
    size_t i = 0;
    while (i < count) {
        const bool pair = i + 1 < count && IsDBCSLeadByteEx(codePage, bytes[i]);
        if (pair && ConvertStrictly(codePage, bytes + i, 2, text)) {
            i += 2;
        } else if (!pair && ConvertStrictly(codePage, bytes + i, 1, text)) {
            ++i;
        } else {
            text->push_back(kReplacement);
            ++i;
        }
    }
}

} // namespace

bool DecodeCodePage(unsigned codePage, const uint8_t* bytes, size_t count, std::u32string* text)
{
    if (!IsValidCodePage(codePage)) {
        return false;
    }
    text->clear();
    // Strings in records are far shorter than this; longer ones are decoded piece by piece.
    constexpr size_t kWholeStringLimit = 1u << 20;
    if (count == 0 ||
        (count <= kWholeStringLimit && ConvertStrictly(codePage, bytes, static_cast<int>(count), text))) {
        return true;
    }
    text->clear();
    ConvertEachCharacter(codePage, bytes, count, text);
    return true;
}

const std::string& FontResolver::FamilyFor(const std::string& faceName)
{
    const auto cached = cache_.find(faceName);
    if (cached != cache_.end()) {
        return cached->second;
    }
    return cache_.emplace(faceName, faceName).first->second;
}

// GDI keeps no font cache on the library's behalf.
void ReleaseFontCaches() {}

} // namespace zv::imaging::metafile
