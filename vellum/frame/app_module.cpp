#include "vellum/frame/app_module.h"

namespace vellum::frame {

CAppModule g_module;

class CAppModule::CLock {
  public:
    explicit CLock(CRITICAL_SECTION& section) : m_section(section) {
        EnterCriticalSection(&m_section);
    }
    ~CLock() { LeaveCriticalSection(&m_section); }
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

  private:
    CRITICAL_SECTION& m_section;
};

void CAppModule::Init(HINSTANCE instance) {
    m_hInstance = instance;
    InitializeCriticalSection(&m_lock);
}

void CAppModule::Term() {
    DeleteCriticalSection(&m_lock);
    m_hInstance = nullptr;
}

bool CAppModule::AddMessageLoop(CMessageLoop* loop) {
    CLock lock(m_lock);
    return m_mapLoops.emplace(GetCurrentThreadId(), loop).second;
}

bool CAppModule::RemoveMessageLoop() {
    CLock lock(m_lock);
    return m_mapLoops.erase(GetCurrentThreadId()) > 0;
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD threadId) {
    CLock lock(m_lock);
    const auto found = m_mapLoops.find(threadId);
    return found == m_mapLoops.end() ? nullptr : found->second;
}

}  // namespace vellum::frame
