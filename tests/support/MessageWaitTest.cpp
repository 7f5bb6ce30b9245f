// The waits that answer sent messages, on the support library: a thread whose window the holder
// of what it waits for is sending to answers that message, one it has already looked at
// included, and gets what it waited for.
#include "support/CriticalSection.h"
#include "support/MessageWait.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <thread>

namespace {

// Far longer than an answer takes; a send that times out is a wait that did not answer.
constexpr UINT kSendLimitMs = 30000;

// What a holder holds while it sends, and how the waiting thread waits for it.
struct Held {
    std::function<void()> take;    // on the holder's thread
    std::function<void()> release; // on the holder's thread
    std::function<void()> wait;    // on the waiting thread, answering sent messages
};

struct WaitCase {
    const char* name;
    Held (*make)();
};

void PrintTo(const WaitCase& waitCase, std::ostream* out) {
    *out << waitCase.name;
}

class AnsweringWait : public ::testing::TestWithParam<WaitCase> {};

TEST_P(AnsweringWait, AnswersWhatTheHolderSentBeforeTheWaitBegan) {
    const Held held = GetParam().make();
    travik_test::MessageWindow window;
    bool answered = false;
    std::thread holder([&] {
        held.take();
        DWORD_PTR result = 0;
        answered = SendMessageTimeoutA(window.hwnd(), WM_NULL, 0, 0, SMTO_NORMAL, kSendLimitMs,
                                       &result) != 0;
        held.release();
    });
    // Asking whether a sent message waits marks it as seen: a plain message wait would no
    // longer wake for it.
    while (!(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE))
        Sleep(1);
    held.wait();
    holder.join();
    EXPECT_TRUE(answered);
}

Held EventSetAfterTheSend() {
    static HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ResetEvent(event);
    return {[] {}, [] { SetEvent(event); },
            [] { EXPECT_EQ(WaitAnsweringSentMessages(event), WAIT_OBJECT_0); }};
}

Held CriticalSectionHeldOverTheSend() {
    static CriticalSection section(CriticalSection::Waits::AnsweringSentMessages);
    return {[] { section.Enter(); }, [] { section.Leave(); },
            [] { LockGuard lock(section, LockGuard::AnswerSentMessages{}); }};
}

INSTANTIATE_TEST_SUITE_P(
    Waits, AnsweringWait,
    ::testing::Values(WaitCase{"Event", &EventSetAfterTheSend},
                      WaitCase{"CriticalSection", &CriticalSectionHeldOverTheSend}),
    [](const ::testing::TestParamInfo<WaitCase>& info) { return std::string(info.param.name); });

} // namespace
