// The signals the program handles, where the system has them.
#pragma once

#include <cstddef>

namespace gorvan {

// A write beyond a file-size limit fails (EFBIG) instead of killing the
// process (SIGXFSZ ignored); nothing to do where there is no such signal.
void IgnoreFileSizeSignal();

// Calls `handler` with the signal's number on an interrupt (SIGINT), a
// termination request (SIGTERM) or a hang-up (SIGHUP, where it exists).
// Reads and writes go on across the signal. The handler may only use what
// is safe in a signal handler: the two calls below, and plain flags.
void CatchInterruptSignals(void (*handler)(int signal));
// For a signal handler: writes to standard error, what it can.
void WriteToStandardErrorNow(const char* text, size_t size);
// For a signal handler: ends the process at once with `code`.
[[noreturn]] void ExitNow(int code);
// The signal's name ("SIGINT"), or "a signal".
const char* SignalName(int signal);

}  // namespace gorvan
