#include <signal.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <initializer_list>

#include "platform/interrupt.h"

namespace platform {
namespace {

// The signal that asked to stop; 0 while none has.
std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

void OnSignal(int signal) {
    g_signal.store(signal, std::memory_order_relaxed);
}

}  // namespace

void CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // Reads and writes go on where they were: the request is looked at
    // between steps, not by failing system calls.
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal the program was started to ignore (nohup, a background
        // job) stays ignored.
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
}

bool InterruptRequested() {
    return g_signal.load(std::memory_order_relaxed) != 0;
}

void EndAsInterrupted() {
    const int signal = g_signal.load(std::memory_order_relaxed);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);  // a signal that a parent made the program ignore
}

}  // namespace platform
