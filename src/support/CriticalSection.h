// Support: Win32 handles, locks, registry keys and waits that the SDK and its tools share; here
// the critical section and its guard.
#pragma once

#include <windows.h>

#include "support/UniqueHandle.h"

#include <atomic>

// A Win32 critical section that initialises and deletes itself. A thread that owns windows which
// the holder may send to must not block on it: it enters with EnterAnsweringSentMessages and
// answers those messages while it waits. A section made for such waits has an event that Leave
// sets while one of them waits; other sections hold no kernel object.
class CriticalSection {
  public:
    enum class Waits { Blocking, AnsweringSentMessages };

    explicit CriticalSection(Waits waits = Waits::Blocking);
    ~CriticalSection();
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() { EnterCriticalSection(&m_section); }
    void Leave();
    // Only on a section made with Waits::AnsweringSentMessages.
    void EnterAnsweringSentMessages();

  private:
    CRITICAL_SECTION m_section;
    UniqueHandle m_left; // auto-reset; only in sections made for answering waits
    std::atomic<int> m_answeringWaiters{0};
};

// Holds a critical section for its scope; Unlock leaves it early.
class LockGuard {
  public:
    struct AnswerSentMessages {};

    explicit LockGuard(CriticalSection& section) : m_section(&section) { section.Enter(); }
    LockGuard(CriticalSection& section, AnswerSentMessages) : m_section(&section) {
        section.EnterAnsweringSentMessages();
    }
    ~LockGuard() { Unlock(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

    void Unlock() {
        if (m_section) m_section->Leave();
        m_section = nullptr;
    }

  private:
    CriticalSection* m_section;
};
