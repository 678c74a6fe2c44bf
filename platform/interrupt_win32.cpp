#include <windows.h>

#include <atomic>
#include <cstdint>

#include "platform/interrupt.h"

namespace platform {
namespace {

std::atomic<bool> g_interrupted{false};

// Set, and never reset, when a request comes.
HANDLE StopEvent() {
    static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    g_interrupted.store(true, std::memory_order_relaxed);
    SetEvent(StopEvent());
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    // The console is closing (or the user logs off): the system ends the
    // program as soon as this returns, so it waits while the program cleans
    // up; the program's own exit ends this thread.
    Sleep(INFINITE);
    return TRUE;
}

}  // namespace

void CatchInterrupts() {
    StopEvent();
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool InterruptRequested() {
    return g_interrupted.load(std::memory_order_relaxed);
}

std::intptr_t InterruptWaitHandle() {
    return reinterpret_cast<std::intptr_t>(StopEvent());
}

void EndAsInterrupted() {
    ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
}

}  // namespace platform
