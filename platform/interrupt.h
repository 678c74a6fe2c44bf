// A request to stop: Ctrl+C, the terminal or console window closing, a
// termination signal. Long operations look at it between their steps, so a
// program can stop cleanly: remove what it was making and report.
#pragma once

#include <cstdint>

namespace platform {

// From now on such requests no longer end the program at once: they are
// recorded, for InterruptRequested() to tell. On Linux: SIGINT, SIGTERM and
// SIGHUP; on Windows: Ctrl+C, Ctrl+Break and the console's close, logoff and
// shutdown events (for the last three the system ends the program once it
// returns from main, or after its few seconds of grace).
void CatchInterrupts();

// Whether a request to stop has come. Without CatchInterrupts(), never.
bool InterruptRequested();

// For waits on the system's own objects (the platform layer's): what becomes
// ready when a request to stop comes and stays ready from then on, so a wait
// that includes it ends at once, however late it begins. On Linux a file
// descriptor that becomes readable (never read it); on Windows an event that
// becomes set. On Linux -1 (which poll() passes over) before this process
// called CatchInterrupts(), when no request can come, or when the system had
// no pipe to give.
std::intptr_t InterruptWaitHandle();

// Ends the program the way the request would have ended it without
// CatchInterrupts(), once it has cleaned up: on Linux by the signal itself,
// so a shell sees which; on Windows with STATUS_CONTROL_C_EXIT.
[[noreturn]] void EndAsInterrupted();

}  // namespace platform
