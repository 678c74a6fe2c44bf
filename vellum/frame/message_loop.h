// The message loop of one thread, with message filters (which may take a
// message before it is dispatched) and idle handlers (run when the queue has
// run dry after real input).
#pragma once

#include <windows.h>

#include <vector>

namespace vellum::frame {

class CMessageFilter {
  public:
    virtual ~CMessageFilter() = default;
    // True when the filter has handled the message and it must not be dispatched.
    virtual bool PreTranslateMessage(MSG* msg) = 0;
};

class CIdleHandler {
  public:
    virtual ~CIdleHandler() = default;
    virtual void OnIdle() = 0;
};

class CMessageLoop {
  public:
    void AddMessageFilter(CMessageFilter* filter);
    // False if `filter` was not registered.
    bool RemoveMessageFilter(CMessageFilter* filter);
    void AddIdleHandler(CIdleHandler* handler);
    bool RemoveIdleHandler(CIdleHandler* handler);

    // Runs until WM_QUIT and returns its exit code.
    int Run();

    // Offers `msg` to the filters, the last registered first; true when one took it.
    bool PreTranslateMessage(MSG* msg);
    // Calls every idle handler, in registration order. Run does this once
    // each time the queue runs dry after a message that counts as activity.
    void OnIdle();

  private:
    std::vector<CMessageFilter*> m_filters;
    std::vector<CIdleHandler*> m_idleHandlers;
};

}  // namespace vellum::frame
