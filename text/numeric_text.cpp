#include "text/numeric_text.h"

#include "text/decimal.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace zv::text {
namespace {

constexpr int kDecimalPlaces = 2;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view View(const CString& text)
{
    return std::string_view(text.GetString(), static_cast<size_t>(text.GetLength()));
}

bool IsTwoDigits(std::string_view text)
{
    return text.size() == 2 && IsDigit(text[0]) && IsDigit(text[1]);
}

} // namespace

CString CleanDecimalText(const CString& text, int32_t integerOnly)
{
    std::string kept;
    size_t afterDot = std::string::npos;  // kept's length just after the first dot
    for (char c : View(text)) {
        if (IsDigit(c)) {
            kept += c;
        } else if (c == '.' && afterDot == std::string::npos) {
            kept += c;
            afterDot = kept.size();
        }
    }
    if (afterDot != std::string::npos) {
        kept.resize(std::min(kept.size(), afterDot + kDecimalPlaces));
        if (integerOnly == 1) {
            kept.resize(afterDot - 1);
        }
    }
    return CString(kept.data(), static_cast<int>(kept.size()));
}

double ReadTwoPlaceDecimal(const CString& text)
{
    const std::string_view all = View(text);
    const size_t dot = all.find('.');
    if (dot == std::string_view::npos) {
        return LeadingInteger(all);
    }
    const int32_t integerPart = LeadingInteger(all.substr(0, dot));
    const std::string_view fraction = all.substr(dot + 1, kDecimalPlaces);
    const double scale = IsTwoDigits(fraction) ? 0.01 : 0.1;
    return static_cast<double>(integerPart) + LeadingInteger(fraction) * scale;
}

int32_t ReadInteger(const CString& text)
{
    return LeadingInteger(View(text));
}

CString WriteInteger(int32_t value)
{
    return CString(DecimalText(value).c_str());
}

bool IsPowerOfTwoFromTwo(int32_t value)
{
    return value >= 2 && (value & (value - 1)) == 0;
}

} // namespace zv::text
