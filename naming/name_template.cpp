#include "naming/name_template.h"

#include "text/decimal.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <string_view>

namespace zv::naming {
namespace {

constexpr char kDollar = '$';
constexpr char kClose = ')';
constexpr std::string_view kDatePrefix = "(date";
constexpr std::string_view kCounterPrefix = "(counter";  // then the letter, then ")" or ","
constexpr char kFirstCounterLetter = 'A';

std::string_view View(const CString& text)
{
    return std::string_view(text.GetString(), static_cast<size_t>(text.GetLength()));
}

class TemplateExpander {
public:
    TemplateExpander(const TemplateArguments& args, LocalClock clock)
        : args_(args),
          text_(args.templateText),
          lastClose_(text_.rfind(kClose)),
          clock_(clock)
    {
    }

    CString Expand()
    {
        // Most names are about as long as their template: one allocation instead of a
        // chain of growing copies.
        result_.reserve(text_.size());
        size_t i = 0;
        while (i < text_.size()) {
            const size_t dollar = std::min(text_.find(kDollar, i), text_.size());
            Append(text_.substr(i, dollar - i));
            if (dollar == text_.size()) {
                break;
            }
            i = ExpandTokensAt(dollar) + 1;
        }
        return CString(result_.data(), static_cast<int>(result_.size()));
    }

private:
    // Tries every rule once, in order, starting at the "$" at `dollar`. Returns the position
    // of the last byte consumed (the "$" itself when nothing matched).
    size_t ExpandTokensAt(size_t dollar)
    {
        size_t p = dollar;
        // Every token text starts with "(": without one here no rule can match, which makes
        // stray dollars and the end of a chain cheap.
        if (!OpenAfter(p)) {
            Append(std::string_view(&kDollar, 1));
            return p;
        }
        bool matched = MatchDate(p);
        matched |= MatchText(p, "(filepath)", args_.filePath);
        matched |= MatchText(p, "(filetitle)", args_.fileTitle);
        matched |= MatchText(p, "(filename)", args_.fileName);
        matched |= MatchNumber(p, "(width)", args_.width);
        matched |= MatchNumber(p, "(height)", args_.height);
        matched |= MatchSize(p);
        matched |= MatchCounters(p);
        if (!matched) {
            Append(std::string_view(&kDollar, 1));
        }
        return p;
    }

    // The counter rules, A to J, for each letter the plain rule, then the field rule.
    // Only the letter that actually follows p can match there, and once it has been tried
    // the earlier letters' rules are past, so each step jumps to the letter in the text.
    bool MatchCounters(size_t& p)
    {
        bool matched = false;
        int firstUntried = 0;
        while (firstUntried < kCounterCount) {
            const int counter = CounterLetterAfter(p);
            if (counter < firstUntried) {
                break;  // no counter token here, or only one whose rules have had their turn
            }
            matched |= MatchPlainCounter(p, counter);
            matched |= MatchCounterField(p, counter);
            firstUntried = counter + 1;
        }
        return matched;
    }

    bool OpenAfter(size_t p) const
    {
        return p + 1 < text_.size() && text_[p + 1] == '(';
    }

    // Does `token` begin right after position p?
    bool TokenAfter(size_t p, std::string_view token) const
    {
        return text_.substr(p + 1).starts_with(token);
    }

    // The date token: "(date", an optional format, ")". The format ends at the first ")", so it
    // cannot contain one; one leading comma is dropped; an empty format means the default.
    bool MatchDate(size_t& p)
    {
        if (!TokenAfter(p, kDatePrefix)) {
            return false;
        }
        const size_t formatStart = p + 1 + kDatePrefix.size();
        const size_t close = FirstCloseFrom(formatStart);
        if (close == std::string_view::npos) {
            return false;
        }
        std::string_view format = text_.substr(formatStart, close - formatStart);
        if (format.starts_with(',')) {
            format.remove_prefix(1);
        }
        const CString& chosen = format.empty()
            ? args_.defaultDateFormat
            : CString(format.data(), static_cast<int>(format.size()));
        Append(View(FormatDateStamp(chosen, Now())));
        p = close;
        return true;
    }

    // A path part, which is a token only while its value is not empty.
    bool MatchText(size_t& p, std::string_view token, const CString& value)
    {
        if (value.IsEmpty() || !TokenAfter(p, token)) {
            return false;
        }
        Append(View(value));
        p += token.size();
        return true;
    }

    bool MatchNumber(size_t& p, std::string_view token, int32_t value)
    {
        if (!TokenAfter(p, token)) {
            return false;
        }
        Append(text::DecimalText(value));
        p += token.size();
        return true;
    }

    bool MatchSize(size_t& p)
    {
        constexpr std::string_view kToken = "(size)";
        if (!TokenAfter(p, kToken)) {
            return false;
        }
        Append(text::DecimalText(args_.width));
        Append("x");
        Append(text::DecimalText(args_.height));
        p += kToken.size();
        return true;
    }

    // The counter (0 for A … 9 for J) whose "(counter" and letter follow p, or -1.
    int CounterLetterAfter(size_t p) const
    {
        const size_t letterAt = p + 1 + kCounterPrefix.size();
        if (!TokenAfter(p, kCounterPrefix) || letterAt >= text_.size()) {
            return -1;
        }
        const int counter = text_[letterAt] - kFirstCounterLetter;
        return counter >= 0 && counter < kCounterCount ? counter : -1;
    }

    // "(counter", the counter's letter and then `terminator` right after p.
    bool CounterTokenAfter(size_t p, int counter, char terminator) const
    {
        const size_t terminatorAt = p + 1 + kCounterPrefix.size() + 1;
        return CounterLetterAfter(p) == counter && terminatorAt < text_.size() &&
               text_[terminatorAt] == terminator;
    }

    bool MatchPlainCounter(size_t& p, int counter)
    {
        if (!CounterTokenAfter(p, counter, kClose)) {
            return false;
        }
        Append(text::DecimalText(args_.counters[counter]));
        p += kCounterPrefix.size() + 2;
        return true;
    }

    // "(counterX," then a field parameter up to the first ")" after the comma, wherever it
    // is: "(counterA,3 and $(width)" is one token with the parameter "3 and $(width".
    bool MatchCounterField(size_t& p, int counter)
    {
        if (!CounterTokenAfter(p, counter, ',')) {
            return false;
        }
        const size_t parameterStart = p + 1 + kCounterPrefix.size() + 2;
        const size_t close = FirstCloseFrom(parameterStart);
        if (close == std::string_view::npos) {
            return false;
        }
        AppendField(args_.counters[counter], text_.substr(parameterStart, close - parameterStart));
        p = close;
        return true;
    }

    // The counter right-aligned in a field of the parameter's leading integer, filled with
    // "0" when the parameter starts with "0" (sign included: -3 in 05 is "000-3") and with
    // spaces otherwise; a negative width left-aligns with spaces after. Never cut.
    void AppendField(int32_t value, std::string_view parameter)
    {
        const std::string digits = text::DecimalText(value);
        const int32_t width = BoundedFieldWidth(text::LeadingInteger(parameter));
        const size_t fieldLength = static_cast<size_t>(std::abs(width));
        const size_t padding = fieldLength > digits.size() ? fieldLength - digits.size() : 0;
        if (width < 0) {
            Append(digits);
            AppendRepeated(' ', padding);
            return;
        }
        AppendRepeated(parameter.starts_with('0') ? '0' : ' ', padding);
        Append(digits);
    }

    // The first ")" at or after `from`, or npos. Linear overall: a search that finds a ")"
    // belongs to a rule that then consumes everything up to it, so no byte is searched by
    // two successful searches; and a search starting past the template's last ")" is
    // answered without looking, so a template full of unclosed "$(date" costs nothing extra.
    size_t FirstCloseFrom(size_t from) const
    {
        if (lastClose_ == std::string_view::npos || from > lastClose_) {
            return std::string_view::npos;
        }
        return text_.find(kClose, from);
    }

    const std::tm& Now()
    {
        if (!now_) {
            now_ = args_.instant ? *args_.instant : clock_();
        }
        return *now_;
    }

    // The result is handed over as a library string, whose length is an int.
    void CheckRoomFor(size_t extra)
    {
        if (extra > static_cast<size_t>(INT_MAX) - result_.size()) {
            throw std::bad_alloc();
        }
    }

    void Append(std::string_view bytes)
    {
        CheckRoomFor(bytes.size());
        result_.append(bytes);
    }

    void AppendRepeated(char c, size_t count)
    {
        CheckRoomFor(count);
        result_.append(count, c);
    }

    const TemplateArguments& args_;
    std::string_view text_;
    size_t lastClose_;
    LocalClock clock_;
    std::optional<std::tm> now_;
    std::string result_;
};

} // namespace

int32_t BoundedFieldWidth(int32_t spelledWidth)
{
    if (spelledWidth > ZV_MAX_FIELD_WIDTH) {
        return ZV_MAX_FIELD_WIDTH;
    }
    if (spelledWidth < -ZV_MAX_FIELD_WIDTH) {
        return -ZV_MAX_FIELD_WIDTH;
    }
    return spelledWidth;
}

std::optional<std::tm> ParseExifDateTime(std::string_view text)
{
    // Digits at fixed places, separated by ':' ':' ' ' ':' ':'.
    constexpr std::string_view kShape = "dddd:dd:dd dd:dd:dd";
    if (text.size() < kShape.size()) {
        return std::nullopt;
    }
    for (size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) {
            return std::nullopt;
        }
    }
    const auto number = [&](size_t at, size_t length) {
        int value = 0;
        for (size_t i = at; i < at + length; ++i) {
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    std::tm when{};
    when.tm_year = number(0, 4) - 1900;
    when.tm_mon = number(5, 2) - 1;
    when.tm_mday = number(8, 2);
    when.tm_hour = number(11, 2);
    when.tm_min = number(14, 2);
    when.tm_sec = number(17, 2);
    when.tm_isdst = -1;
    if (when.tm_mon < 0 || when.tm_mon > 11 || when.tm_mday < 1 || when.tm_mday > 31 || when.tm_hour > 23 ||
        when.tm_min > 59 || when.tm_sec > 60) {
        return std::nullopt;
    }
    // A leap second reads as the second before it: Windows' strftime refuses a 60th second.
    when.tm_sec = std::min(when.tm_sec, 59);
    // strftime's %a, %j and %U need the weekday and the day of the year: let timegm-free
    // arithmetic fill them, since mktime would apply the local zone.
    static constexpr int kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const int year = when.tm_year + 1900;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    when.tm_yday = kDaysBefore[when.tm_mon] + when.tm_mday - 1 + (leap && when.tm_mon > 1 ? 1 : 0);
    // Days since 1 March of year 0 (proleptic Gregorian); 1 March 0000 was a Wednesday.
    const int y = year - (when.tm_mon < 2 ? 1 : 0);
    const int m = (when.tm_mon + 10) % 12;  // March = 0
    const long days = 365L * y + y / 4 - y / 100 + y / 400 + (153 * m + 2) / 5 + when.tm_mday - 1;
    when.tm_wday = static_cast<int>((days + 3) % 7);
    return when;
}

CString ExpandTemplate(const TemplateArguments& args, LocalClock clock)
{
    return TemplateExpander(args, clock).Expand();
}

} // namespace zv::naming
