// Support: the one wait that answers messages sent to the waiting thread's windows.
#include "support/MessageWait.h"

namespace {

// Runs the window procedures of every message sent to this thread that is waiting; posted
// messages stay in the queue.
void AnswerSentMessages() {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

} // namespace

DWORD WaitAnsweringSentMessages(HANDLE handle) {
    for (;;) {
        AnswerSentMessages();
        // MWMO_INPUTAVAILABLE: a sent message that this thread has looked at without answering
        // (a status query, a peek for posted messages) wakes the wait too.
        const DWORD result =
            MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        if (result != WAIT_OBJECT_0 + 1) return result;
    }
}
