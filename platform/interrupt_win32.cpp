#include <windows.h>

#include <atomic>

#include "platform/interrupt.h"

namespace platform {
namespace {

std::atomic<bool> g_interrupted{false};

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    g_interrupted.store(true, std::memory_order_relaxed);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    // The console is closing (or the user logs off): the system ends the
    // program as soon as this returns, so it waits while the program cleans
    // up; the program's own exit ends this thread.
    Sleep(INFINITE);
    return TRUE;
}

}  // namespace

void CatchInterrupts() {
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool InterruptRequested() {
    return g_interrupted.load(std::memory_order_relaxed);
}

void EndAsInterrupted() {
    ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
}

}  // namespace platform
