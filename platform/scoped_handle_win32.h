// Windows only: a kernel handle closed when it goes out of scope.
#pragma once

#include <windows.h>

namespace platform {

class ScopedHandle {
  public:
    explicit ScopedHandle(HANDLE handle = nullptr) : m_handle(handle) {}
    ~ScopedHandle() { Close(); }
    ScopedHandle(ScopedHandle&& other) noexcept : m_handle(other.m_handle) {
        other.m_handle = nullptr;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    HANDLE get() const { return m_handle; }
    // Whether it holds a handle: neither null nor INVALID_HANDLE_VALUE, the
    // two ways the system says "none".
    explicit operator bool() const { return m_handle && m_handle != INVALID_HANDLE_VALUE; }
    // Where a function that returns a handle through a pointer puts it.
    HANDLE* out() { return &m_handle; }
    void Close() {
        if (*this) CloseHandle(m_handle);
        m_handle = nullptr;
    }

  private:
    HANDLE m_handle;
};

}  // namespace platform
