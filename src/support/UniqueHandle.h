// Support: Win32 handles, locks, registry keys and waits that the SDK and its tools share; here
// the owner of a kernel handle (files, events, threads).
#pragma once

#include <windows.h>

#include <utility>

// Owns one kernel handle and closes it once. Both null and INVALID_HANDLE_VALUE mean "none",
// because CreateFileA reports failure with the latter and CreateEventA/CreateThread with the
// former; callers test `valid()` instead of comparing against either.
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : m_handle(handle) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return valid(); }

    HANDLE release() { return std::exchange(m_handle, nullptr); }
    void reset(HANDLE handle = nullptr) {
        HANDLE old = std::exchange(m_handle, handle);
        if (old != nullptr && old != INVALID_HANDLE_VALUE) CloseHandle(old);
    }

  private:
    HANDLE m_handle = nullptr;
};
