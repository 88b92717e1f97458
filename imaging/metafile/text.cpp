#include "imaging/metafile/text.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <iconv.h>

#include <vector>

namespace zv::imaging::metafile {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 in 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

const char* CodePageFor(uint8_t charset)
{
    switch (charset) {
    case 128:
        return "CP932";
    case 129:
        return "CP949";
    case 134:
        return "CP936";
    case 136:
        return "CP950";
    case 161:
        return "CP1253";
    case 162:
        return "CP1254";
    case 163:
        return "CP1258";
    case 177:
        return "CP1255";
    case 178:
        return "CP1256";
    case 186:
        return "CP1257";
    case 204:
        return "CP1251";
    case 222:
        return "CP874";
    case 238:
        return "CP1250";
    default:
        return nullptr;
    }
}

std::u32string DecodeWindows1252(const uint8_t* bytes, size_t count)
{
    std::u32string text;
    text.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t byte = bytes[i];
        text.push_back(byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte);
    }
    return text;
}

bool DecodeWithIconv(const char* codePage, const uint8_t* bytes, size_t count, std::u32string* out)
{
    iconv_t converter = iconv_open("UTF-32LE", codePage);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    std::vector<char> input(bytes, bytes + count);
    std::vector<char> output(count * 4 + 4);
    char* in = input.data();
    size_t inLeft = input.size();
    char* outPointer = output.data();
    size_t outLeft = output.size();
    while (inLeft > 0) {
        if (iconv(converter, &in, &inLeft, &outPointer, &outLeft) == static_cast<size_t>(-1)) {
            // An invalid or incomplete sequence: skip one byte and carry on.
            if (outLeft < 4) {
                break;
            }
            const char32_t replacement = kReplacement;
            for (int i = 0; i < 4; ++i) {
                *outPointer++ = static_cast<char>((replacement >> (8 * i)) & 0xFF);
            }
            outLeft -= 4;
            ++in;
            --inLeft;
        }
    }
    iconv_close(converter);
    const size_t produced = (output.size() - outLeft) / 4;
    out->clear();
    for (size_t i = 0; i < produced; ++i) {
        const auto* unit = reinterpret_cast<const uint8_t*>(output.data() + 4 * i);
        out->push_back(static_cast<char32_t>(unit[0] | (unit[1] << 8) | (unit[2] << 16) |
                                             (static_cast<uint32_t>(unit[3]) << 24)));
    }
    return true;
}

} // namespace

std::u32string DecodeAnsi(const uint8_t* bytes, size_t count, uint8_t charset)
{
    const char* codePage = CodePageFor(charset);
    std::u32string text;
    if (codePage != nullptr && DecodeWithIconv(codePage, bytes, count, &text)) {
        return text;
    }
    return DecodeWindows1252(bytes, count);
}

std::u32string DecodeUtf16(const uint8_t* bytes, size_t unitCount)
{
    std::u32string text;
    text.reserve(unitCount);
    for (size_t i = 0; i < unitCount; ++i) {
        const char32_t unit = bytes[2 * i] | (bytes[2 * i + 1] << 8);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < unitCount) {
            const char32_t low = bytes[2 * i + 2] | (bytes[2 * i + 3] << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                text.push_back(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        text.push_back(unit >= 0xD800 && unit < 0xE000 ? kReplacement : unit);
    }
    return text;
}

std::string EncodeUtf8(char32_t c)
{
    std::string out;
    if (c >= 0x110000 || (c >= 0xD800 && c < 0xE000)) {
        c = kReplacement;
    }
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
    return out;
}

const std::string& FontResolver::FamilyFor(const std::string& faceName)
{
    const auto cached = cache_.find(faceName);
    if (cached != cache_.end()) {
        return cached->second;
    }
    std::string family = "sans-serif";
    FcPattern* pattern = FcPatternCreate();
    if (pattern != nullptr) {
        FcPatternAddString(pattern, FC_FAMILY,
                           reinterpret_cast<const FcChar8*>(faceName.empty() ? "sans-serif"
                                                                             : faceName.c_str()));
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        FcChar8* matched = nullptr;
        if (match != nullptr && FcPatternGetString(match, FC_FAMILY, 0, &matched) == FcResultMatch &&
            matched != nullptr) {
            family = reinterpret_cast<const char*>(matched);
        }
        if (match != nullptr) {
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    return cache_.emplace(faceName, family).first->second;
}

void ReleaseFontCaches()
{
    cairo_debug_reset_static_data();
    FcFini();
}

} // namespace zv::imaging::metafile
