// The application object: the instance that every resource is loaded from,
// and which message loop runs on which thread.
#pragma once

#include <windows.h>

#include <map>

namespace vellum::frame {

class CMessageLoop;

class CAppModule {
  public:
    void Init(HINSTANCE instance);
    void Term();

    HINSTANCE Instance() const { return m_hInstance; }

    // The loop table is shared by all threads, so each access holds the lock.
    // Registers `loop` for the calling thread; false if it already has one.
    bool AddMessageLoop(CMessageLoop* loop);
    // Forgets the calling thread's loop; false if it had none.
    bool RemoveMessageLoop();
    // The loop registered for `threadId`, or null.
    CMessageLoop* GetMessageLoop(DWORD threadId = GetCurrentThreadId());

  private:
    class CLock;

    HINSTANCE m_hInstance = nullptr;
    CRITICAL_SECTION m_lock{};
    std::map<DWORD, CMessageLoop*> m_mapLoops;
};

extern CAppModule g_module;

}  // namespace vellum::frame
