#include "platform/local_time.h"

namespace zv::platform {

// localtime_s is the C runtime's thread-safe form on Windows (its arguments the other way round).
std::tm LocalTime(std::time_t when)
{
    std::tm local{};
    if (localtime_s(&local, &when) != 0) {
        local = std::tm{};
    }
    return local;
}

} // namespace zv::platform
