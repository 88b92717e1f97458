#include "imaging/metafile/drawing/text.h"


namespace zv::imaging::metafile {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 in 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

unsigned CodePageFor(uint8_t charset)
{
    switch (charset) {
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    default:
        return 0;
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

} // namespace

std::u32string DecodeAnsi(const uint8_t* bytes, size_t count, uint8_t charset)
{
    const unsigned codePage = CodePageFor(charset);
    std::u32string text;
    if (codePage != 0 && DecodeCodePage(codePage, bytes, count, &text)) {
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

} // namespace zv::imaging::metafile
