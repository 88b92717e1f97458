// Ctrl-C and SIGTERM during a batch: stop starting files, let the ones in flight finish.
#ifndef ZVTOOL_INTERRUPTION_H
#define ZVTOOL_INTERRUPTION_H

namespace zvtool {

// From now on SIGINT and SIGTERM ask the batch to stop; a second Ctrl-C ends the program at once
// (files in flight then stay under their temporary names, never under final ones). Call it
// before starting any thread: on POSIX systems the threads inherit the signals blocked.
void InstallStopRequestHandlers();

bool StopRequested();

// The exit status of a program stopped by Ctrl-C, as shells report it (128 + SIGINT).
constexpr int kInterruptedExitStatus = 130;

} // namespace zvtool

#endif
