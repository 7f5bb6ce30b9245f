// A long unpaced stream: no frame the consumer could take is lost, and nothing leaks.
#include "CameraTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using camera_test::CameraTest;
using camera_test::FrameNumber;
using camera_test::kDevice;

TEST_F(CameraTest, AThousandUnpacedFramesComeNewestFirstWithoutLossOrLeak) {
    ASSERT_TRUE(travik_emu::SetPacingOff(kDevice));
    const travik_test::ResourceCounts before = travik_test::CountResources();
    TravikEmuStats stats = {};
    ASSERT_TRUE(travik_emu::ReadStats(kDevice, stats));
    const std::int64_t first = stats.nextFrameNumber; // the thread's frame k carries first + k
    std::vector<std::uint8_t> frame(model->WindowBytes());

    ASSERT_EQ(model->StartTransfer(), TVK_OK);
    std::int64_t previous = first - 1;
    int taken = 0;
    while (taken < 1000) {
        const int counted = model->GetFramesTransferred();
        const int poll = model->PollFrame();
        ASSERT_NE(poll, POLL_FAILED) << "after " << taken << " frames";
        ASSERT_NE(poll, POLL_STOPPED);
        if (poll != POLL_FRAME) continue;
        ASSERT_EQ(model->ReadFrame(frame.data(), frame.size()), TVK_OK);
        const std::int64_t number = FrameNumber(frame.data(), 1280, 960, 0);
        ASSERT_GT(number, previous) << "a frame was repeated or torn";
        // Every frame counted before the poll was there to take: the one taken is the newest.
        ASSERT_GE(number, first + counted - 1) << "frame " << taken;
        ASSERT_LT(number, first + model->GetFramesTransferred()) << "frame " << taken;
        previous = number;
        ++taken;
    }
    ASSERT_EQ(model->StopTransfer(), TVK_OK);
    ASSERT_TRUE(travik_emu::ReadStats(kDevice, stats));
    EXPECT_EQ(static_cast<unsigned>(model->GetFramesTransferred()), stats.framesDelivered);
    EXPECT_EQ(stats.frameReadFailures, 0u);

    model.reset();
    const travik_test::ResourceCounts after = travik_test::CountResources();
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_EQ(after.threads, before.threads);
}

} // namespace
