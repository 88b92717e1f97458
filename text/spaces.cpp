#include "text/spaces.h"

#include <string>

namespace zv::text {
namespace {

CString WithoutSpaceBytes(const CString& text)
{
    std::string kept;
    kept.reserve(static_cast<size_t>(text.GetLength()));
    for (int i = 0; i < text.GetLength(); ++i) {
        if (text[i] != ' ') {
            kept += text[i];
        }
    }
    return CString(kept.data(), static_cast<int>(kept.size()));
}

} // namespace

CString RemoveSpaces(const CString& text, bool removeAll, bool trimLeft, bool trimRight)
{
    if (removeAll) {
        return WithoutSpaceBytes(text);
    }
    CString result(text);
    if (trimLeft) {
        result.TrimLeft();
    }
    if (trimRight) {
        result.TrimRight();
    }
    return result;
}

} // namespace zv::text
