// The export lock taken by a thread whose window the lock's holder is sending to: the waiting
// thread answers the holder's message, one it has already looked at included, and both calls
// return.
#include "AcquisitionFixture.h"

#include <cstdio>

namespace {

// Far longer than the calls take: a deadlock would otherwise hang the whole run.
constexpr DWORD kWatchdogMs = 60000;

// Whether a message that another thread sent waits in this thread's queue. Asking marks it as
// seen: a plain message wait no longer wakes for it.
bool SentMessageWaiting() {
    return (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0;
}

// Ends the process with a message unless disarmed in time: a hung call would hang the run.
class Watchdog {
  public:
    Watchdog() : m_disarmed(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        m_thread = CreateThread(nullptr, 0, &Watch, m_disarmed, 0, nullptr);
    }
    ~Watchdog() {
        SetEvent(m_disarmed);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        CloseHandle(m_disarmed);
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

  private:
    static DWORD WINAPI Watch(void* disarmed) {
        if (WaitForSingleObject(disarmed, kWatchdogMs) == WAIT_OBJECT_0) return 0;
        std::fprintf(stderr, "FAILED: the export waiting for the lock never returned\n");
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
        return 1;
    }
    HANDLE m_disarmed;
    HANDLE m_thread;
};

struct Holder {
    int handle;
    int result = -1;
};

class ExportLockTest : public AcquisitionTest {};

TEST_F(ExportLockTest, AnExportAnswersWhatTheLockHolderSentBeforeItWaited) {
    // The holder makes the preview window a child of this thread's window: it sends to it.
    ASSERT_EQ(Travik_SetPreviewWindow(handle, window.hwnd(), 0, 0, 64, 48), 1);
    const int waitTime = Travik_GetWaitTime(handle);
    Holder holder{handle};
    const Watchdog watchdog;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* argument) -> DWORD {
            auto* holder = static_cast<Holder*>(argument);
            holder->result = Travik_Preview(holder->handle);
            return 0;
        },
        &holder, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    bool sent = false;
    while (!(sent = SentMessageWaiting()) && WaitForSingleObject(thread, 1) == WAIT_TIMEOUT) {
    }
    ASSERT_TRUE(sent) << "the holder's export ended without sending to this thread";
    // The holder waits for this thread's answer with the lock held.
    EXPECT_EQ(Travik_GetWaitTime(handle), waitTime);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(holder.result, 1);
}

} // namespace
