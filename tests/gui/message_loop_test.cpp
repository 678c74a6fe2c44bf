// The message loop with filters and idle handlers, on real queued messages,
// and the application's table of loops.
#include "app/win/message_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/win/app_module.h"

namespace {

// What happened, in order: "idle:<handler>", "filter:<name>:<message>",
// "window:<message>".
std::vector<std::string> g_log;

std::string Name(UINT message) {
    return message >= WM_APP ? "app" + std::to_string(message - WM_APP) : std::to_string(message);
}

LRESULT CALLBACK LoggingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_APP) g_log.push_back("window:" + Name(message));
    return DefWindowProcW(window, message, wParam, lParam);
}

// A message-only window that logs what is dispatched to it.
HWND LoggingWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = LoggingWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"LoopTestWindow";
    RegisterClassW(&windowClass);
    return CreateWindowW(L"LoopTestWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

class LoggingFilter : public CMessageFilter {
  public:
    LoggingFilter(std::string name, UINT takes) : m_name(std::move(name)), m_takes(takes) {}
    bool PreTranslateMessage(MSG* msg) override {
        if (msg->message >= WM_APP) g_log.push_back("filter:" + m_name + ":" + Name(msg->message));
        return msg->message == m_takes;
    }

  private:
    std::string m_name;
    UINT m_takes;
};

// Logs each call and runs the step of the script for it.
class ScriptedIdleHandler : public CIdleHandler {
  public:
    ScriptedIdleHandler(std::string name, std::vector<std::function<void()>> steps)
        : m_name(std::move(name)), m_steps(std::move(steps)) {}
    void OnIdle() override {
        g_log.push_back("idle:" + m_name);
        if (m_calls < m_steps.size()) m_steps[m_calls]();
        ++m_calls;
    }

  private:
    std::string m_name;
    std::vector<std::function<void()>> m_steps;
    size_t m_calls = 0;
};

TEST(MessageLoop, FiltersAreAskedNewestFirstAndATakenMessageIsNotDispatched) {
    g_log.clear();
    const HWND window = LoggingWindow();
    CMessageLoop loop;
    LoggingFilter older("older", WM_APP + 2);
    LoggingFilter newer("newer", WM_APP + 1);
    loop.AddMessageFilter(&older);
    loop.AddMessageFilter(&newer);
    for (UINT message : {WM_APP + 1, WM_APP + 2, WM_APP + 3}) PostMessageW(window, message, 0, 0);
    PostQuitMessage(7);

    EXPECT_EQ(loop.Run(), 7);
    EXPECT_EQ(g_log, (std::vector<std::string>{"filter:newer:app1", "filter:newer:app2",
                                               "filter:older:app2", "filter:newer:app3",
                                               "filter:older:app3", "window:app3"}));
    EXPECT_TRUE(loop.RemoveMessageFilter(&older));
    EXPECT_FALSE(loop.RemoveMessageFilter(&older));
    DestroyWindow(window);
}

// Logs the messages it is shown among `watched`, and takes none.
class WatchingFilter : public CMessageFilter {
  public:
    explicit WatchingFilter(std::vector<UINT> watched) : m_watched(std::move(watched)) {}
    bool PreTranslateMessage(MSG* msg) override {
        if (std::find(m_watched.begin(), m_watched.end(), msg->message) != m_watched.end())
            g_log.push_back("message:" + std::to_string(msg->message));
        return false;
    }

  private:
    std::vector<UINT> m_watched;
};

// The first idle moment posts `message` and starts a timer that wakes the
// loop should the message not make it idle again; the next idle moment ends
// the loop.
std::vector<std::string> IdleMomentsAround(UINT message) {
    g_log.clear();
    CMessageLoop loop;
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
    WatchingFilter watcher({message, WM_TIMER});
    loop.AddIdleHandler(&first);
    loop.AddIdleHandler(&second);
    loop.AddMessageFilter(&watcher);
    loop.Run();
    return g_log;
}

TEST(MessageLoop, IdleHandlersRunInOrderOnceTheQueueIsEmptyAfterActivity) {
    const struct {
        UINT message;
        bool makesIdleDue;
    } cases[] = {
        {WM_APP, true},          {WM_KEYDOWN, true}, {WM_MOUSEMOVE, false},
        {WM_NCMOUSEMOVE, false}, {WM_PAINT, false},  {0x0118, false},
    };
    for (const auto& c : cases) {
        const std::string posted = "message:" + std::to_string(c.message);
        const std::vector<std::string> expected =
            c.makesIdleDue
                ? std::vector<std::string>{"idle:first", "idle:second", posted, "idle:first",
                                           "idle:second"}
                : std::vector<std::string>{"idle:first", "idle:second",
                                           posted,       "message:" + std::to_string(WM_TIMER),
                                           "idle:first", "idle:second"};
        EXPECT_EQ(IdleMomentsAround(c.message), expected) << c.message;
    }
}

TEST(AppModule, EachThreadFindsItsOwnLoop) {
    CMessageLoop* mine = g_module.GetMessageLoop();
    ASSERT_NE(mine, nullptr);
    CMessageLoop theirs;
    DWORD theirThread = 0;
    bool sawOwnLoop = false;
    std::thread other([&] {
        theirThread = GetCurrentThreadId();
        EXPECT_EQ(g_module.GetMessageLoop(), nullptr);
        EXPECT_TRUE(g_module.AddMessageLoop(&theirs));
        EXPECT_FALSE(g_module.AddMessageLoop(&theirs));
        sawOwnLoop = g_module.GetMessageLoop() == &theirs;
        EXPECT_EQ(g_module.GetMessageLoop(GetCurrentThreadId()), &theirs);
        EXPECT_TRUE(g_module.RemoveMessageLoop());
        EXPECT_FALSE(g_module.RemoveMessageLoop());
    });
    other.join();
    EXPECT_TRUE(sawOwnLoop);
    EXPECT_EQ(g_module.GetMessageLoop(), mine);
    EXPECT_EQ(g_module.GetMessageLoop(theirThread), nullptr);
}

}  // namespace
