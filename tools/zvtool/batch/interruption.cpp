#include "interruption.h"

#include <atomic>
#include <csignal>

namespace zvtool {
namespace {

// The one piece of process-wide state: a signal handler has nowhere else to leave word.
// A lock-free atomic is safe to set from the handler and to read from every worker thread.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnStopSignal(int)
{
    stopRequested.store(true, std::memory_order_relaxed);
}

} // namespace

void InstallStopRequestHandlers()
{
#if defined(_WIN32)
    // The C runtime's signal() is all Windows offers; it restores the default after one signal.
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
#else
    struct sigaction action{};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

bool StopRequested()
{
    return stopRequested.load(std::memory_order_relaxed);
}

} // namespace zvtool
