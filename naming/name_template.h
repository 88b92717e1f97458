// Output-name templates: IMG_$(counterA,04)_$(width)x$(height) becomes IMG_0007_640x480.
//
// A "$" opens a token; every other byte is copied as it stands. After a "$" the token rules
// are tried once each, in a fixed order: date, filepath, filetitle, filename, width,
// height, size, then counterA … counterJ (for each letter the plain token before the field
// token). A rule that matches appends its value and moves on past its ")", and the rules
// after it are then tried right there, so "$(width)(height)" chains but "$(height)(width)"
// does not. An unmatched "$" is copied as it stands, and so is the rest of what follows it.
//
// Expansion time is linear in the template's length plus the result's, whatever the
// template holds.
#ifndef ZV_NAMING_NAME_TEMPLATE_H
#define ZV_NAMING_NAME_TEMPLATE_H

#include "naming/date_stamp.h"
#include "zvdll/string.h"
#include "zvdll/limits.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string_view>

namespace zv::naming {

inline constexpr int kCounterCount = 10;  // counterA … counterJ

struct TemplateArguments {
    std::string_view templateText;  // not copied: it only has to outlive the expansion
    CString defaultDateFormat;  // for a date token without a format of its own
    CString filePath;           // "(filepath)"; an empty value leaves the token as text
    CString fileName;           // "(filename)", likewise
    CString fileTitle;          // "(filetitle)", likewise
    int32_t width = 0;
    int32_t height = 0;
    std::array<int32_t, kCounterCount> counters{};  // A at 0 … J at 9
    std::optional<std::tm> instant;  // what the date tokens show; the clock's time when unset
};

// A date and time as EXIF writes it, "YYYY:MM:DD HH:MM:SS" (trailing bytes ignored). Nothing
// for any other text, or for a field out of its range (EXIF's unknown "    :  :     :  :  "
// included).
std::optional<std::tm> ParseExifDateTime(std::string_view text);

// The width a counter field actually gets: the spelled width, cut to ZV_MAX_FIELD_WIDTH in
// magnitude (the sign, which chooses the alignment, stays).
int32_t BoundedFieldWidth(int32_t spelledWidth);

// The expansion of args.templateText. Unless args.instant is set, the clock is read at most
// once, at the first date token, so every stamp in one name shows the same instant.
CString ExpandTemplate(const TemplateArguments& args, LocalClock clock = SystemLocalTime);

} // namespace zv::naming

#endif
