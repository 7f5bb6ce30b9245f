// Single-frame grabs against the virtual camera, free-running and in trigger mode.
#include "CameraTestSupport.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

using camera_test::CameraTest;
using camera_test::FrameNumber;
using camera_test::kDevice;
using camera_test::LoggedPackets;
using camera_test::PacketsAre;
using camera_test::Stats;

class Grab : public CameraTest {
  protected:
    void SetUp() override {
        CameraTest::SetUp();
        ASSERT_TRUE(travik_emu::SetPacingOff(kDevice));
        frame.assign(model->WindowBytes(), 0);
    }
    unsigned NextFrameNumber() { return Stats().nextFrameNumber; }
    std::int64_t GrabbedNumber() {
        if (model->ReadGrabbedFrame(frame.data(), frame.size()) != TVK_OK) return -1;
        return FrameNumber(frame.data(), 1280, 960, 0);
    }
    std::vector<std::uint8_t> frame;
};

TEST_F(Grab, GrabsOneFrameAndKeepsItsHandleOpen) {
    const unsigned expected = NextFrameNumber();
    ASSERT_EQ(model->GrabFrame(), TVK_OK);
    EXPECT_EQ(GrabbedNumber(), expected);
    EXPECT_TRUE(model->IsGrabHandleOpen());
    ASSERT_EQ(model->GrabFrame(), TVK_OK);
    EXPECT_EQ(GrabbedNumber(), expected + 1);
    EXPECT_TRUE(PacketsAre(LoggedPackets(), {{1}, {2}, {1}, {2}}));
    for (const TravikEmuLogEntry& entry : travik_emu::ReadLog(kDevice))
        EXPECT_EQ(entry.code, 0x222051u);
    model->CloseGrabHandle();
    const TravikEmuStats stats = Stats();
    EXPECT_EQ(stats.openHandles, 0u);
}

TEST_F(Grab, ReadingTheGrabbedFrameChecksTheDestination) {
    ASSERT_EQ(model->GrabFrame(), TVK_OK);
    std::vector<std::uint8_t> small(frame.size() - 1, 0xEE);
    EXPECT_EQ(model->ReadGrabbedFrame(small.data(), small.size()), TVK_NO_DESTINATION);
    EXPECT_EQ(model->ReadGrabbedFrame(nullptr, frame.size()), TVK_NO_DESTINATION);
    EXPECT_EQ(model->ReadGrabbedFrame(frame.data(), frame.size()), TVK_OK);
}

TEST_F(Grab, InTriggerModeTheGrabWaitsForTheSoftwareTrigger) {
    ASSERT_EQ(model->SetTransferTimeout(3000), TVK_OK);
    ASSERT_EQ(model->SetTriggerMode(1), 1);
    const unsigned expected = NextFrameNumber();
    std::thread trigger([] {
        Sleep(300);
        travik_emu::Trigger(kDevice);
    });
    const int grabbed = model->GrabFrame();
    trigger.join();
    ASSERT_EQ(grabbed, TVK_OK);
    EXPECT_EQ(GrabbedNumber(), expected);
    const TravikEmuStats stats = Stats();
    EXPECT_EQ(stats.triggers, 1u);
    EXPECT_EQ(stats.triggerTimeouts, 0u);
}

TEST_F(Grab, ATriggerBeforeTheGrabIsKeptForIt) {
    ASSERT_EQ(model->SetTriggerMode(1), 1);
    ASSERT_TRUE(travik_emu::Trigger(kDevice));
    EXPECT_EQ(model->GrabFrame(), TVK_OK);
}

TEST_F(Grab, WithoutATriggerTheGrabTimesOutAndClosesItsHandle) {
    ASSERT_EQ(model->SetTransferTimeout(500), TVK_OK);
    ASSERT_EQ(model->SetTriggerMode(1), 1);
    EXPECT_EQ(model->GrabFrame(), TVK_TRANSFER_FAILED);
    EXPECT_EQ(model->GetLastResult(), TVK_TRANSFER_FAILED);
    EXPECT_FALSE(model->IsGrabHandleOpen());
    const TravikEmuStats stats = Stats();
    EXPECT_EQ(stats.triggerTimeouts, 1u);
    EXPECT_EQ(stats.openHandles, 0u);
    // Trigger mode off again: free-running grabs work on a new handle.
    ASSERT_EQ(model->SetTriggerMode(0), 1);
    EXPECT_EQ(model->GrabFrame(), TVK_OK);
}

TEST_F(Grab, AnUnpluggedCameraCannotBeOpened) {
    ASSERT_TRUE(travik_emu::Unplug(kDevice));
    EXPECT_EQ(model->GrabFrame(), TVK_NO_DEVICE);
    EXPECT_EQ(model->GetLastResult(), TVK_TRANSFER_FAILED);
}

TEST_F(Grab, UnpluggingAnOpenGrabHandleFailsTheGrabWith19) {
    ASSERT_EQ(model->GrabFrame(), TVK_OK);
    ASSERT_TRUE(travik_emu::Unplug(kDevice));
    EXPECT_EQ(model->GrabFrame(), TVK_TRANSFER_FAILED);
    EXPECT_FALSE(model->IsGrabHandleOpen());
}

} // namespace
