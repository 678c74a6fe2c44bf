// The message loop on real queued messages: which filter sees a message
// first, what gets dispatched, and when the idle handlers run.
#include "vellum/frame/message_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace vellum {
namespace {

std::vector<std::string> g_log;

// Logs the messages among `watched` it is shown; takes `takes`.
class LoggingFilter : public frame::CMessageFilter {
  public:
    LoggingFilter(std::string name, std::vector<UINT> watched, UINT takes = 0)
        : m_name(std::move(name)), m_watched(std::move(watched)), m_takes(takes) {}
    bool PreTranslateMessage(MSG* msg) override {
        if (std::count(m_watched.begin(), m_watched.end(), msg->message))
            g_log.push_back(m_name + ":" + std::to_string(msg->message));
        return msg->message == m_takes;
    }

  private:
    std::string m_name;
    std::vector<UINT> m_watched;
    UINT m_takes;
};

// Logs each call and runs the next step of its script.
class ScriptedIdleHandler : public frame::CIdleHandler {
  public:
    ScriptedIdleHandler(std::string name, std::vector<std::function<void()>> steps)
        : m_name(std::move(name)), m_steps(std::move(steps)) {}
    void OnIdle() override {
        g_log.push_back("idle:" + m_name);
        if (m_calls < m_steps.size()) m_steps[m_calls++]();
    }

  private:
    std::string m_name;
    std::vector<std::function<void()>> m_steps;
    size_t m_calls = 0;
};

LRESULT CALLBACK LoggingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_APP) g_log.push_back("window:" + std::to_string(message));
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(MessageLoop, FiltersAreAskedNewestFirstAndATakenMessageIsNotDispatched) {
    g_log.clear();
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = LoggingWindowProc;
    windowClass.lpszClassName = L"LoopTestWindow";
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowW(L"LoopTestWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      nullptr, nullptr);
    const UINT a = WM_APP + 1, b = WM_APP + 2, c = WM_APP + 3;
    frame::CMessageLoop loop;
    LoggingFilter older("older", {a, b, c}, b), newer("newer", {a, b, c}, a);
    loop.AddMessageFilter(&older);
    loop.AddMessageFilter(&newer);
    for (UINT message : {a, b, c}) PostMessageW(window, message, 0, 0);
    PostQuitMessage(7);

    EXPECT_EQ(loop.Run(), 7);
    const auto n = [](const char* who, UINT message) { return who + std::to_string(message); };
    EXPECT_EQ(g_log, (std::vector<std::string>{n("newer:", a), n("newer:", b), n("older:", b),
                                               n("newer:", c), n("older:", c), n("window:", c)}));
    DestroyWindow(window);
}

// Runs a loop whose first idle moment posts `message` and starts a timer (to
// wake the loop should the message not make it idle again); the next idle
// moment ends the loop.
std::vector<std::string> IdleMomentsAround(UINT message) {
    g_log.clear();
    UINT_PTR timer = 0;
    ScriptedIdleHandler first("first", {[&] {
                                            PostThreadMessageW(GetCurrentThreadId(), message, 0, 0);
                                            timer = SetTimer(nullptr, 0, 50, nullptr);
                                        },
                                        [&] {
                                            KillTimer(nullptr, timer);
                                            PostQuitMessage(0);
                                        }});
    ScriptedIdleHandler second("second", {});
    LoggingFilter watcher("message", {message, WM_TIMER});
    frame::CMessageLoop loop;
    loop.AddIdleHandler(&first);
    loop.AddIdleHandler(&second);
    loop.AddMessageFilter(&watcher);
    loop.Run();
    return g_log;
}

TEST(MessageLoop, IdleHandlersRunInOrderOnceTheQueueIsEmptyAfterActivity) {
    // Mouse moves, painting and the system timer are not activity.
    for (UINT message : {UINT{WM_APP}, UINT{WM_KEYDOWN}, UINT{WM_MOUSEMOVE}, UINT{WM_NCMOUSEMOVE},
                         UINT{WM_PAINT}, UINT{0x0118}}) {
        const bool activity = message == WM_APP || message == WM_KEYDOWN;
        std::vector<std::string> expected = {"idle:first", "idle:second",
                                             "message:" + std::to_string(message)};
        if (!activity) expected.push_back("message:" + std::to_string(WM_TIMER));
        expected.insert(expected.end(), {"idle:first", "idle:second"});
        EXPECT_EQ(IdleMomentsAround(message), expected) << message;
    }
}

}  // namespace
}  // namespace vellum
