// Support: the critical section with waits that answer messages sent to the waiting thread.
#include "support/CriticalSection.h"

#include "support/MessageWait.h"

CriticalSection::CriticalSection(Waits waits) {
    InitializeCriticalSection(&m_section);
    if (waits == Waits::AnsweringSentMessages)
        m_left.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
}

CriticalSection::~CriticalSection() {
    DeleteCriticalSection(&m_section);
}

// A waiter counts itself before it tries the section again, and Leave leaves before it looks at
// the count: so either the waiter's try finds the section free, or Leave sees the waiter and
// sets the event.
void CriticalSection::Leave() {
    LeaveCriticalSection(&m_section);
    if (m_answeringWaiters.load() > 0) SetEvent(m_left.get());
}

void CriticalSection::EnterAnsweringSentMessages() {
    if (TryEnterCriticalSection(&m_section)) return;
    ++m_answeringWaiters;
    while (!TryEnterCriticalSection(&m_section)) {
        // Without an event (none could be made) the wait falls back to trying again shortly.
        if (WaitAnsweringSentMessages(m_left.get()) == WAIT_FAILED) Sleep(1);
    }
    --m_answeringWaiters;
}
