#include <signal.h>

#include <atomic>
#include <initializer_list>

#include "platform/interrupt.h"

namespace platform {
namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void OnSignal(int) {
    g_interrupted.store(true, std::memory_order_relaxed);
}

}  // namespace

void CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // Reads and writes go on where they were: the request is looked at
    // between steps, not by failing system calls.
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool InterruptRequested() {
    return g_interrupted.load(std::memory_order_relaxed);
}

}  // namespace platform
