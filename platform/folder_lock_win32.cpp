#include <windows.h>

#include <string>

#include "platform/folder_lock.h"
#include "platform/interrupt.h"
#include "platform/scoped_handle_win32.h"
#include "platform/wide.h"

namespace platform {
namespace {

// A folder's name for the lock: its volume and its file index, the same
// however the folder is spelled.
std::wstring LockName(std::u16string_view folder) {
    const ScopedHandle handle(CreateFileW(Wide(folder).c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                          nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!handle || !GetFileInformationByHandle(handle.get(), &info)) return {};
    wchar_t name[64];
    wsprintfW(name, L"kolo-folder-%08lx-%08lx%08lx", info.dwVolumeSerialNumber, info.nFileIndexHigh,
              info.nFileIndexLow);
    return name;
}

}  // namespace

// A named mutex: the system lets go of it when its holder ends, however.
FolderLock::FolderLock(std::u16string_view folder, const std::function<void()>& waiting)
    : m_handle(0) {
    const std::wstring name = LockName(folder);
    if (name.empty()) return;
    // Seen by every session where the system allows it, else by this one.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, (L"Global\\" + name).c_str());
    if (!mutex) mutex = CreateMutexW(nullptr, FALSE, (L"Local\\" + name).c_str());
    if (!mutex) return;
    bool told = false;
    for (;;) {
        const DWORD result = WaitForSingleObject(mutex, told ? 50 : 0);
        // An abandoned mutex is held all the same: its holder died.
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) break;
        if (result != WAIT_TIMEOUT || InterruptRequested()) {
            CloseHandle(mutex);
            return;
        }
        if (!told) waiting();
        told = true;
    }
    m_handle = reinterpret_cast<std::intptr_t>(mutex);
}

FolderLock::~FolderLock() {
    if (!m_handle) return;
    const HANDLE mutex = reinterpret_cast<HANDLE>(m_handle);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

}  // namespace platform
