#include "naming/date_stamp.h"

#include "platform/local_time.h"

#include <cstddef>

namespace zv::naming {

std::tm SystemLocalTime()
{
    return platform::LocalTime(std::time(nullptr));
}

CString FormatDateStamp(const CString& format, const std::tm& when)
{
    // strftime returns 0 both when the result does not fit and when it is empty; both give
    // the empty stamp, which is exactly what a too-long or empty format must yield.
    char stamp[kMaxDateStampLength + 1];
    const std::size_t length = std::strftime(stamp, sizeof stamp, format.GetString(), &when);
    return CString(stamp, static_cast<int>(length));
}

CString DateStamp(const CString& format, LocalClock clock)
{
    return FormatDateStamp(format, clock());
}

} // namespace zv::naming
