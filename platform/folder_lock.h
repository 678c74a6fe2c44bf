// A lock on a folder that programs using it take before they write there,
// so that they take turns. Nothing is written into the folder for it, and a
// program that dies lets go of it.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace platform {

class FolderLock {
  public:
    // Takes the lock on the folder, waiting while another program holds it;
    // `waiting` is called once before the wait begins. A request to stop (see
    // interrupt.h) ends the wait without the lock. Where the folder or the
    // system gives no lock, there is none to take, and none is held.
    FolderLock(std::u16string_view folder, const std::function<void()>& waiting);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

  private:
    std::intptr_t m_handle;
};

}  // namespace platform
