#include "vellum/frame/message_loop.h"

#include <algorithm>

namespace vellum::frame {

namespace {

constexpr UINT kSystemTimer = 0x0118;

// Messages that arrive all the time without the user doing anything of
// interest: they must not make the idle handlers run again.
bool MakesIdleDue(const MSG& msg) {
    switch (msg.message) {
        case WM_MOUSEMOVE:
        case WM_NCMOUSEMOVE:
        case WM_PAINT:
        case kSystemTimer:
            return false;
        default:
            return true;
    }
}

template <class T>
bool Remove(std::vector<T*>& items, T* item) {
    const auto found = std::find(items.begin(), items.end(), item);
    if (found == items.end()) return false;
    items.erase(found);
    return true;
}

}  // namespace

void CMessageLoop::AddMessageFilter(CMessageFilter* filter) {
    m_filters.push_back(filter);
}

bool CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) {
    return Remove(m_filters, filter);
}

void CMessageLoop::AddIdleHandler(CIdleHandler* handler) {
    m_idleHandlers.push_back(handler);
}

bool CMessageLoop::RemoveIdleHandler(CIdleHandler* handler) {
    return Remove(m_idleHandlers, handler);
}

int CMessageLoop::Run() {
    bool idleDue = true;
    MSG msg{};
    for (;;) {
        if (idleDue && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            OnIdle();
            idleDue = false;
        }
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) continue;
        if (!got) break;
        if (!PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (MakesIdleDue(msg)) idleDue = true;
    }
    return static_cast<int>(msg.wParam);
}

bool CMessageLoop::PreTranslateMessage(MSG* msg) {
    // A filter may unregister itself (its window closing) while it runs, so
    // the index is checked against the current size at every step.
    for (size_t i = m_filters.size(); i > 0; --i) {
        if (i <= m_filters.size() && m_filters[i - 1]->PreTranslateMessage(msg)) return true;
    }
    return false;
}

void CMessageLoop::OnIdle() {
    for (size_t i = 0; i < m_idleHandlers.size(); ++i) m_idleHandlers[i]->OnIdle();
}

}  // namespace vellum::frame
