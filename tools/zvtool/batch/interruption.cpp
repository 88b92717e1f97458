#include "interruption.h"

#include <atomic>
#include <csignal>
#include <system_error>
#include <thread>
#if !defined(_WIN32)
#include <pthread.h>
#endif

namespace zvtool {
namespace {

// The one piece of process-wide state: a signal handler, or the thread that waits for the
// signals, has nowhere else to leave word. A lock-free atomic is safe to set from a handler and
// to read from every worker thread.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnStopSignal(int)
{
    stopRequested.store(true, std::memory_order_relaxed);
}

#if !defined(_WIN32)
// The first SIGINT or SIGTERM asks the batch to stop; the second ends the program as the
// signal's default action would.
void WatchStopSignals(sigset_t signals)
{
    int received = 0;
    if (sigwait(&signals, &received) != 0) {
        return;
    }
    stopRequested.store(true, std::memory_order_relaxed);
    if (sigwait(&signals, &received) != 0) {
        return;
    }
    std::signal(received, SIG_DFL);
    pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
    std::raise(received);
}
#endif

} // namespace

void InstallStopRequestHandlers()
{
#if defined(_WIN32)
    // The C runtime's signal() is all Windows offers; it restores the default after one signal.
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
#else
    // The signals go to a thread of their own that waits for them, rather than to a handler:
    // this thread blocks them before the workers start, and they inherit that, so no handler ever
    // interrupts a worker in the middle of a file. It also keeps the tool right under qemu's
    // i386 user mode, where a thread returning from a signal handler comes back with the most
    // recently started thread's thread-local storage.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    try {
        std::thread(WatchStopSignals, signals).detach();
        return;
    } catch (const std::system_error&) {
        pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
    }
    // Without a thread to spare, a handler that resets itself does the same.
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
