#include "platform/local_time.h"

namespace zv::platform {

std::tm LocalTime(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    return local;
}

} // namespace zv::platform
