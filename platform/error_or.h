// What an operation of the platform layer gives back: its value, or the
// system's error that stopped it. ErrorOr<void> holds nothing or the error.
// What kind of failure it was is asked of the error (system_error.h), so one
// result serves every operation.
#pragma once

#include <utility>
#include <variant>

#include "platform/system_error.h"

namespace platform {

template <typename T>
class ErrorOr {
  public:
    ErrorOr(T value) : m_result(std::in_place_index<0>, std::move(value)) {}
    ErrorOr(SystemError error) : m_result(std::in_place_index<1>, error) {}

    explicit operator bool() const { return m_result.index() == 0; }

    // The value; only where there is one.
    T& operator*() & { return std::get<0>(m_result); }
    const T& operator*() const& { return std::get<0>(m_result); }
    T&& operator*() && { return std::get<0>(std::move(m_result)); }
    T* operator->() { return &std::get<0>(m_result); }
    const T* operator->() const { return &std::get<0>(m_result); }
    T value_or(T fallback) const { return *this ? **this : fallback; }

    // Why it failed; no error where it did not.
    SystemError error() const { return *this ? SystemError{} : std::get<1>(m_result); }

  private:
    std::variant<T, SystemError> m_result;
};

template <>
class ErrorOr<void> {
  public:
    ErrorOr() = default;
    ErrorOr(SystemError error) : m_failed(true), m_error(error) {}

    explicit operator bool() const { return !m_failed; }
    SystemError error() const { return m_error; }

  private:
    bool m_failed = false;
    SystemError m_error;
};

}  // namespace platform
