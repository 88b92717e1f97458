// One pass over the packet's text: no XML parser, since the edit replaces a value in place and
// a packet that a parser would reject still gets the value its readers look for.
#include "imaging/metadata/xmp.h"

#include <string_view>

namespace zv::imaging {
namespace {

// The prefix that XMP writers bind to the TIFF namespace; packets that bind another prefix to it
// are rare enough to leave as they are.
constexpr std::string_view kName = "tiff:Orientation";

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Where the value of the occurrence of kName at `nameAt` starts and ends, or false when
// this occurrence has no value to set (a closing tag, a longer name, broken text).
bool FindValue(std::string_view text, size_t nameAt, size_t* begin, size_t* end)
{
    size_t at = nameAt + kName.size();
    if (at >= text.size()) {
        return false;
    }
    if (nameAt > 0 && text[nameAt - 1] == '<') {
        // An element: the value runs from the end of the start tag to the next tag.
        const size_t close = text.find('>', at);
        if (close == std::string_view::npos || text[close - 1] == '/' ||
            (text[at] != '>' && !IsSpace(text[at]))) {
            return false;
        }
        *begin = close + 1;
        *end = text.find('<', *begin);
        return *end != std::string_view::npos;
    }
    if (nameAt > 0 && !IsSpace(text[nameAt - 1])) {
        return false;  // "</tiff:Orientation>" or a name that merely ends the same way
    }
    while (at < text.size() && IsSpace(text[at])) {
        ++at;
    }
    if (at >= text.size() || text[at] != '=') {
        return false;
    }
    ++at;
    while (at < text.size() && IsSpace(text[at])) {
        ++at;
    }
    if (at >= text.size() || (text[at] != '"' && text[at] != '\'')) {
        return false;
    }
    *begin = at + 1;
    *end = text.find(text[at], *begin);
    return *end != std::string_view::npos;
}

} // namespace

std::vector<uint8_t> XmpWithOrientationOne(const std::vector<uint8_t>& packet)
{
    const std::string_view text(reinterpret_cast<const char*>(packet.data()), packet.size());
    std::vector<uint8_t> out;
    out.reserve(packet.size());
    size_t copied = 0;
    for (size_t found = text.find(kName); found != std::string_view::npos; found = text.find(kName, found + 1)) {
        size_t begin = 0;
        size_t end = 0;
        if (found < copied || !FindValue(text, found, &begin, &end)) {
            continue;
        }
        out.insert(out.end(), packet.begin() + static_cast<std::ptrdiff_t>(copied),
                   packet.begin() + static_cast<std::ptrdiff_t>(begin));
        out.push_back('1');
        copied = end;
    }
    out.insert(out.end(), packet.begin() + static_cast<std::ptrdiff_t>(copied), packet.end());
    return out;
}

} // namespace zv::imaging
