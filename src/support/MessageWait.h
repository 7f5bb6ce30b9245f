// Support: Win32 handles, locks, registry keys and waits that the SDK and its tools share; here
// the one wait that answers sent messages.
#pragma once

#include <windows.h>

// Waits without limit for `handle` (a mutex is then owned by the caller) while answering the
// messages that other threads send to the calling thread's windows: a thread that owns windows
// must not block while the thread it waits for waits for it to answer. The messages already
// waiting are answered first, and the wait also wakes for sent messages that the thread has
// already seen but not answered, which a plain message wait does not.
// WAIT_OBJECT_0, WAIT_ABANDONED_0 or WAIT_FAILED.
DWORD WaitAnsweringSentMessages(HANDLE handle);
