// The POSIX side of metafile text: fontconfig names the installed family for a face name, and
// iconv knows the Windows code pages.
#include "imaging/metafile/drawing/text.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <iconv.h>

#include <string>
#include <vector>

namespace zv::imaging::metafile {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf32Le(const std::vector<char>& output, size_t produced, std::u32string* text)
{
    text->clear();
    for (size_t i = 0; i < produced; ++i) {
        const auto* unit = reinterpret_cast<const uint8_t*>(output.data() + 4 * i);
        text->push_back(static_cast<char32_t>(unit[0] | (unit[1] << 8) | (unit[2] << 16) |
                                              (static_cast<uint32_t>(unit[3]) << 24)));
    }
}

} // namespace

bool DecodeCodePage(unsigned codePage, const uint8_t* bytes, size_t count, std::u32string* text)
{
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t converter = iconv_open("UTF-32LE", name.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    std::vector<char> input(bytes, bytes + count);
    std::vector<char> output(count * 4 + 4);
    char* in = input.data();
    size_t inLeft = input.size();
    char* out = output.data();
    size_t outLeft = output.size();
    while (inLeft > 0) {
        if (iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1)) {
            // An invalid or incomplete sequence: one replacement for its first byte, then on.
            if (outLeft < 4) {
                break;
            }
            for (int i = 0; i < 4; ++i) {
                *out++ = static_cast<char>((kReplacement >> (8 * i)) & 0xFF);
            }
            outLeft -= 4;
            ++in;
            --inLeft;
        }
    }
    iconv_close(converter);
    AppendUtf32Le(output, (output.size() - outLeft) / 4, text);
    return true;
}

// "sans-serif" stands for an empty face name, as the system's default font does on Windows.
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
