#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <initializer_list>

#include "platform/interrupt.h"

namespace platform {
namespace {

// The signal that asked to stop; 0 while none has.
std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

// A pipe that becomes readable when a request comes and stays so: the
// handler writes into it and nobody reads, so whoever polls it later still
// sees the request. Both ends are non-blocking, so a full pipe (which is
// readable anyway) never holds the handler up. Each process has its own: a
// child forked with the handlers in place, or one that catches requests
// itself, must not wake its parent's waits.
std::atomic<int> g_wakeRead{-1};
std::atomic<int> g_wakeWrite{-1};
std::atomic<pid_t> g_wakeOwner{0};

void OnSignal(int signal) {
    g_signal.store(signal, std::memory_order_relaxed);
    if (g_wakeOwner.load(std::memory_order_acquire) != getpid()) return;
    const int saved = errno;  // the interrupted code may be about to read it
    const ssize_t written = write(g_wakeWrite.load(std::memory_order_relaxed), "", 1);
    static_cast<void>(written);  // full or failed: nothing more can be done here
    errno = saved;
}

}  // namespace

void CatchInterrupts() {
    // Once in each process.
    int ends[2];
    if (g_wakeOwner.load(std::memory_order_relaxed) != getpid() &&
        pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        g_wakeRead.store(ends[0], std::memory_order_relaxed);
        g_wakeWrite.store(ends[1], std::memory_order_relaxed);
        g_wakeOwner.store(getpid(), std::memory_order_release);  // after the ends
    }
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

std::intptr_t InterruptWaitHandle() {
    return g_wakeOwner.load(std::memory_order_acquire) == getpid()
               ? g_wakeRead.load(std::memory_order_relaxed)
               : -1;
}

void EndAsInterrupted() {
    const int signal = g_signal.load(std::memory_order_relaxed);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);  // a signal that a parent made the program ignore
}

}  // namespace platform
