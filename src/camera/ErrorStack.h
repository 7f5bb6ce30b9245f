// Camera object: its error stack, the 20 newest error codes.
#pragma once

#include "support/CriticalSection.h"

// Newest code at index 0. Reports come from the caller's, the worker and the recorder threads,
// so every change of the stack happens under its own lock.
class ErrorStack {
  public:
    static constexpr int kDepth = 20;

    ErrorStack() = default;
    ErrorStack(const ErrorStack&) = delete;
    ErrorStack& operator=(const ErrorStack&) = delete;

    // Moves every code one down (the oldest of 20 is lost) and stores the code on top.
    void Push(int code);
    // Takes the newest code off the stack; 0 when it is empty.
    int Pop();

  private:
    CriticalSection m_lock;
    int m_codes[kDepth] = {};
};
