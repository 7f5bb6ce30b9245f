// The transfer thread against the virtual camera: streaming, newest-frame polling and failures.
#include "CameraTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using camera_test::CameraTest;
using camera_test::FrameNumber;
using camera_test::kDevice;
using camera_test::Stats;

class Streaming : public CameraTest {
  protected:
    void SetUp() override {
        CameraTest::SetUp();
        ASSERT_TRUE(travik_emu::SetPacingOff(kDevice));
        frame.assign(model->WindowBytes(), 0);
    }
    // Polls until a frame is taken (its number) or the poll reports a failure (-2).
    std::int64_t NextFrame(DWORD ms = 5000) {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < ms) {
            const int poll = model->PollFrame();
            if (poll == POLL_FAILED || poll == POLL_STOPPED) return -2;
            if (poll != POLL_FRAME) continue;
            if (model->ReadFrame(frame.data(), frame.size()) != TVK_OK) return -3;
            return FrameNumber(frame.data(), model->GetFrameWidth(), model->GetFrameHeight(),
                               model->GetWordMode());
        }
        return -4;
    }
    std::vector<std::uint8_t> frame;
};

TEST_F(Streaming, ASecondStartReturns21AndChangesNothing) {
    ASSERT_EQ(model->StartTransfer(), TVK_OK);
    const travik_test::ResourceCounts running = travik_test::CountResources();
    EXPECT_EQ(model->StartTransfer(), TVK_ALREADY_RUNNING);
    EXPECT_EQ(travik_test::CountResources().threads, running.threads);
    EXPECT_GT(NextFrame(), 0);
    EXPECT_EQ(model->StopTransfer(), TVK_OK);
    EXPECT_EQ(model->StopTransfer(), TVK_OK); // stopped: at once
    EXPECT_EQ(model->PollFrame(), POLL_STOPPED);
}

TEST_F(Streaming, StartSendsPrepareThenAStartPacketPerFrame) {
    ASSERT_EQ(model->StartTransfer(), TVK_OK);
    ASSERT_GT(NextFrame(), 0);
    ASSERT_EQ(model->StopTransfer(), TVK_OK);
    const std::vector<TravikEmuLogEntry> log = travik_emu::ReadLog(kDevice);
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0].packet[0], CMD_PREPARE);
    EXPECT_EQ(log[0].code, 0x222051u);
    for (std::size_t i = 1; i < log.size(); ++i) {
        EXPECT_EQ(log[i].packet[0], CMD_START_FRAME) << i;
        EXPECT_EQ(log[i].code, 0x22204Eu) << i; // the thread's start packets go out this way
    }
    // Every start packet is followed by a read, and every read is counted.
    EXPECT_EQ(static_cast<int>(log.size()) - 1, model->GetFramesTransferred());
}

class StreamingWordMode : public Streaming, public testing::WithParamInterface<int> {};

TEST_P(StreamingWordMode, FrameNumbersAdvanceFromFrameToFrame) {
    model->SetWordMode(GetParam());
    frame.assign(model->WindowBytes(), 0);
    const unsigned first = Stats().nextFrameNumber;
    ASSERT_EQ(model->StartTransfer(), TVK_OK);
    std::int64_t previous = static_cast<std::int64_t>(first) - 1;
    for (int i = 0; i < 30; ++i) {
        const std::int64_t number = NextFrame();
        ASSERT_GT(number, previous) << "frame " << i;
        previous = number;
    }
    EXPECT_EQ(model->StopTransfer(), TVK_OK);
    EXPECT_EQ(static_cast<unsigned>(model->GetFramesTransferred()), Stats().framesDelivered);
}

INSTANTIATE_TEST_SUITE_P(Modes, StreamingWordMode, testing::Values(0, 1));

TEST_F(Streaming, PollHandsTheNewestFrameAndSkipsOlderOnes) {
    ASSERT_TRUE(travik_emu::SetPacing(kDevice, TRAVIK_EMU_PACING_FIXED, 50000)); // 50 frames/s
    const unsigned first = Stats().nextFrameNumber;
    ASSERT_EQ(model->StartTransfer(), TVK_OK);
    // The rounds end at different points of the thread's walk around the ring.
    for (int round = 0; round < 8; ++round) {
        Sleep(200 + 20 * round); // several frames arrive unread
        const int before = model->GetFramesTransferred();
        ASSERT_EQ(model->PollFrame(), POLL_FRAME);
        ASSERT_EQ(model->ReadFrame(frame.data(), frame.size()), TVK_OK);
        const int after = model->GetFramesTransferred();
        const std::int64_t number = FrameNumber(frame.data(), 1280, 960, 0);
        EXPECT_GE(number, first + before - 1) << "an older frame was handed out";
        EXPECT_LE(number, first + after - 1);
        EXPECT_GE(before, 4);
    }
    EXPECT_EQ(model->StopTransfer(), TVK_OK);
}

TEST_F(Streaming, AFrameArrivingDuringTheWaitGives2AndTheNextPoll3) {
    ASSERT_TRUE(travik_emu::SetPacing(kDevice, TRAVIK_EMU_PACING_FIXED, 4000)); // 4 frames/s
    ASSERT_EQ(model->StartTransfer(), TVK_OK);
    ASSERT_GT(NextFrame(), 0);
    // Nothing is available now: the poll waits for the next frame (at most once more for a
    // signal left from the frame already taken), then says "poll again".
    std::vector<int> results;
    for (int poll = model->PollFrame(); poll != POLL_FRAME && results.size() < 5;
         poll = model->PollFrame())
        results.push_back(poll);
    ASSERT_FALSE(results.empty());
    ASSERT_LE(results.size(), 2u);
    for (int r : results)
        EXPECT_EQ(r, POLL_NOTHING);
    EXPECT_EQ(model->StopTransfer(), TVK_OK);
}

TEST_F(Streaming, OneShortReadIsForgivenAndASecondEndsTheRunWith19) {
    ASSERT_TRUE(travik_emu::SetFault(kDevice, TRAVIK_EMU_FAULT_SHORT_READ, 100));
    ASSERT_EQ(model->StartTransfer(), TVK_OK);
    for (int i = 0; i < 5; ++i)
        ASSERT_GT(NextFrame(), 0) << i;
    ASSERT_TRUE(model->IsTransferRunning());
    ASSERT_TRUE(travik_emu::SetFault(kDevice, TRAVIK_EMU_FAULT_SHORT_READ, 100));
    ASSERT_TRUE(WaitForTransferEnd(5000));
    EXPECT_EQ(model->PollFrame(), POLL_FAILED);
    EXPECT_EQ(model->PollFrame(), POLL_FAILED); // until stopped
    const TravikEmuStats stats = Stats();
    EXPECT_EQ(stats.shortReads, 2u);
    // Every read is counted but the forgiven one, which was repeated into the same slot.
    EXPECT_EQ(static_cast<unsigned>(model->GetFramesTransferred()), stats.framesDelivered - 1);
    EXPECT_EQ(model->StopTransfer(), TVK_TRANSFER_FAILED);
    EXPECT_EQ(model->PollFrame(), POLL_STOPPED);
}

TEST_F(Streaming, AFailedReadEndsTheRunAndANewRunStartsClean) {
    ASSERT_EQ(model->StartTransfer(), TVK_OK);
    ASSERT_GT(NextFrame(), 0);
    ASSERT_TRUE(travik_emu::SetFault(kDevice, TRAVIK_EMU_FAULT_FAIL_READS, 1));
    ASSERT_TRUE(WaitForTransferEnd(5000));
    EXPECT_EQ(model->PollFrame(), POLL_FAILED);
    // A restart without a stop is allowed once the thread has ended.
    ASSERT_EQ(model->StartTransfer(), TVK_OK);
    EXPECT_GT(NextFrame(), 0);
    EXPECT_EQ(model->StopTransfer(), TVK_OK);
}

TEST_F(Streaming, TheSlotOfAFailedReadIsNeverHandedOutAsAFrame) {
    // The consumer polls as fast as it can while the reads start failing, again and again.
    for (int run = 0; run < 20; ++run) {
        ASSERT_EQ(model->StartTransfer(), TVK_OK);
        std::int64_t previous = 0;
        for (int i = 0; i < 2; ++i) {
            const std::int64_t number = NextFrame();
            ASSERT_GT(number, previous);
            previous = number;
        }
        ASSERT_TRUE(travik_emu::SetFault(kDevice, TRAVIK_EMU_FAULT_FAIL_READS, 1));
        std::int64_t number = 0;
        while ((number = NextFrame()) != -2) {
            ASSERT_GT(number, previous) << "run " << run << ": a failed slot was read";
            previous = number;
        }
        EXPECT_EQ(model->StopTransfer(), TVK_TRANSFER_FAILED);
    }
}

TEST_F(Streaming, UnpluggingWhileStreamingMakesPollReturn1) {
    ASSERT_EQ(model->StartTransfer(), TVK_OK);
    ASSERT_GT(NextFrame(), 0);
    ASSERT_TRUE(travik_emu::Unplug(kDevice));
    // Frames that arrived before the unplug may still be read; then the poll fails.
    std::int64_t next = NextFrame(7000);
    for (int arrivedBefore = 0; next > 0 && arrivedBefore < 4; ++arrivedBefore)
        next = NextFrame(7000);
    EXPECT_EQ(next, -2);
    EXPECT_EQ(model->PollFrame(), POLL_FAILED);
    EXPECT_EQ(model->StopTransfer(), TVK_TRANSFER_FAILED);
}

TEST_F(Streaming, AStalledCameraTimesThePollOutAfter6000Ms) {
    ASSERT_EQ(model->StartTransfer(), TVK_OK);
    ASSERT_GT(NextFrame(), 0);
    ASSERT_TRUE(travik_emu::SetFault(kDevice, TRAVIK_EMU_FAULT_STALL, 9000));
    // Take what arrived before the stall; then the poll waits.
    int poll = POLL_FRAME;
    DWORD waited = 0;
    while (poll != POLL_FAILED) {
        const DWORD start = GetTickCount();
        poll = model->PollFrame();
        waited = GetTickCount() - start;
        if (poll == POLL_FRAME) model->ReadFrame(frame.data(), frame.size());
    }
    EXPECT_GE(waited, 5900u);
    EXPECT_TRUE(model->IsTransferRunning()) << "the read itself has not failed yet";
    EXPECT_EQ(model->StopTransfer(), TVK_TRANSFER_FAILED); // the stalled read fails in the end
}

TEST_F(Streaming, ADestinationTooSmallIsRefusedWhileStreaming) {
    ASSERT_EQ(model->StartTransfer(), TVK_OK);
    int poll = POLL_NOTHING;
    while (poll == POLL_NOTHING)
        poll = model->PollFrame();
    ASSERT_EQ(poll, POLL_FRAME);
    std::vector<std::uint8_t> small(frame.size() - 1, 0xEE);
    EXPECT_EQ(model->ReadFrame(small.data(), small.size()), TVK_NO_DESTINATION);
    for (std::size_t i = 0; i < small.size(); i += 1009)
        ASSERT_EQ(small[i], 0xEE);
    EXPECT_EQ(model->ReadFrame(frame.data(), frame.size()), TVK_OK);
    EXPECT_EQ(model->StopTransfer(), TVK_OK);
}

TEST_F(Streaming, FrameGeometryCannotChangeUnderARunningThread) {
    ASSERT_EQ(model->StartTransfer(), TVK_OK);
    EXPECT_EQ(model->SetFrameGeometry(640, 0, 640, 480, 0, 480, 4), TVK_ALREADY_RUNNING);
    EXPECT_EQ(model->SetWindow(0, 0, 640, 480, 2), 1);
    EXPECT_EQ(model->GetFrameWidth(), 1280);
    EXPECT_EQ(model->GetWindowWidth(), 1280);
    EXPECT_EQ(model->GetSubSampleMode(), 0);
    for (const TravikEmuLogEntry& entry : travik_emu::ReadLog(kDevice))
        EXPECT_EQ(entry.packet[0], entry.sequence == 0 ? CMD_PREPARE : CMD_START_FRAME);
    EXPECT_GT(NextFrame(), 0);
    EXPECT_EQ(model->StopTransfer(), TVK_OK);
}

TEST_F(Streaming, DestroyingAStreamingObjectStopsItsThreadFirst) {
    const travik_test::ResourceCounts before = travik_test::CountResources();
    ASSERT_EQ(model->StartTransfer(), TVK_OK);
    ASSERT_GT(NextFrame(), 0);
    model.reset();
    const travik_test::ResourceCounts after = travik_test::CountResources();
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_EQ(after.handles, before.handles);
    const TravikEmuStats stats = Stats();
    EXPECT_EQ(stats.openHandles, 0u);
    EXPECT_EQ(stats.pendingReads, 0u);
}

} // namespace
