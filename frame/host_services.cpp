#include "frame/host_services.h"

#include <mutex>

namespace zv::frame {
namespace {

// Installed once by the host, read whenever a cursor or message box is shown. The host may
// install services from any thread, so reads and writes go through one small lock.
std::mutex& ServicesLock()
{
    static std::mutex lock;
    return lock;
}

ZvHostServices& InstalledServices()
{
    static ZvHostServices services{};
    return services;
}

} // namespace

ZvHostServices CurrentHostServices()
{
    std::lock_guard<std::mutex> guard(ServicesLock());
    return InstalledServices();
}

} // namespace zv::frame

extern "C" ZV_API void ZvSetHostServices(const ZvHostServices* services)
{
    std::lock_guard<std::mutex> guard(zv::frame::ServicesLock());
    zv::frame::InstalledServices() = services ? *services : ZvHostServices{};
}
