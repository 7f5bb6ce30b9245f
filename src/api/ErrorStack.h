// Error reporting: the per-camera stack of the 20 newest error codes.
#pragma once

#include <windows.h>

// Newest code at index 0. Reports come from the caller's, the worker and the recorder threads,
// so every change of the stack happens under its own lock.
class ErrorStack {
  public:
    static constexpr int kDepth = 20;

    ErrorStack() { InitializeCriticalSection(&m_lock); }
    ~ErrorStack() { DeleteCriticalSection(&m_lock); }
    ErrorStack(const ErrorStack&) = delete;
    ErrorStack& operator=(const ErrorStack&) = delete;

    // Moves every code one down (the oldest of 20 is lost) and stores the code on top.
    void Push(int code);
    // Takes the newest code off the stack; 0 when it is empty.
    int Pop();

  private:
    CRITICAL_SECTION m_lock;
    int m_codes[kDepth] = {};
};
