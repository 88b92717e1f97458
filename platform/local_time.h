// The system clock read as local time, safely from any thread.
#ifndef ZV_PLATFORM_LOCAL_TIME_H
#define ZV_PLATFORM_LOCAL_TIME_H

#include <ctime>

namespace zv::platform {

// The calendar time `when` in the system's local time zone; all zero when it can't be converted.
std::tm LocalTime(std::time_t when);

} // namespace zv::platform

#endif
