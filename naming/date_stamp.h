// The date stamp of output names: the local date and time, to the second, formatted by
// strftime rules.
#ifndef ZV_NAMING_DATE_STAMP_H
#define ZV_NAMING_DATE_STAMP_H

#include "zvdll/string.h"

#include <ctime>

namespace zv::naming {

// The one place a date stamp learns "now": a function that returns the broken-down local
// time. Production code uses SystemLocalTime; tests pass a fixed instant.
using LocalClock = std::tm (*)();

// The system clock read as local time (time() and platform::LocalTime).
std::tm SystemLocalTime();

// The longest stamp, in bytes. A format whose expansion would be longer gives "".
inline constexpr int kMaxDateStampLength = 127;

// `format` applied to `when` by strftime rules. Empty when the format is empty, expands to
// nothing, or expands to more than kMaxDateStampLength bytes.
CString FormatDateStamp(const CString& format, const std::tm& when);

// FormatDateStamp at the clock's current time.
CString DateStamp(const CString& format, LocalClock clock = SystemLocalTime);

} // namespace zv::naming

#endif
