#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/folder_lock.h"
#include "platform/interrupt.h"
#include "platform/text.h"

namespace platform {

// An flock on the folder itself: released when the program ends, however.
FolderLock::FolderLock(std::u16string_view folder, const std::function<void()>& waiting)
    : m_handle(open(ToThreadAnsi(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (m_handle < 0) return;
    bool told = false;
    while (flock(static_cast<int>(m_handle), LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || InterruptRequested()) {
            close(static_cast<int>(m_handle));
            m_handle = -1;
            return;
        }
        if (!told) waiting();
        told = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

FolderLock::~FolderLock() {
    if (m_handle >= 0) close(static_cast<int>(m_handle));
}

}  // namespace platform
