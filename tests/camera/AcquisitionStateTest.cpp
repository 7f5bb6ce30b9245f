// The acquisition state machine through the DLL: starts, stops, snapshots, capture state, trigger
// mode, a lost device, and a second process on a streamed device.
#include "AcquisitionFixture.h"

#include <string>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 960;

TravikEmuStats Stats() {
    TravikEmuStats stats = {};
    EXPECT_TRUE(travik_emu::ReadStats(0, stats));
    return stats;
}

class StateTest : public AcquisitionTest {
  protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
        ASSERT_EQ(Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
        buffer.resize(static_cast<size_t>(kWidth) * kHeight);
    }
    int StartCallback() {
        return Travik_CallBackPreview(handle, window.hwnd(), buffer.data(),
                                      static_cast<int>(buffer.size()), 1);
    }
    int Snap() {
        return Travik_SnapShot(handle, buffer.data(), static_cast<int>(buffer.size()), 1);
    }
    std::vector<unsigned char> buffer;
};

TEST_F(StateTest, StartingTwiceSucceedsAndStartsNothingNew) {
    ASSERT_EQ(StartCallback(), 1);
    ASSERT_GE(CountFrames(WaitNotices(2, 3000)), 2u);
    const DWORD threads = travik_test::CountResources().threads;
    EXPECT_EQ(Travik_StartPreview(handle), 1);
    EXPECT_EQ(travik_test::CountResources().threads, threads);
    EXPECT_TRUE(DrainErrors().empty());
}

TEST_F(StateTest, SnapshotIsRefusedDuringPreviewAndTriggerMode) {
    ASSERT_EQ(StartCallback(), 1);
    EXPECT_EQ(Snap(), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_UNAVAILABLE});
    ASSERT_EQ(Travik_StopPreview(handle), 1);

    ASSERT_EQ(
        Travik_Trigger(handle, window.hwnd(), buffer.data(), static_cast<int>(buffer.size()), 1),
        1);
    EXPECT_EQ(Snap(), 0);
    EXPECT_EQ(Travik_Capture(handle), 0);
    EXPECT_EQ(Travik_StartPreview(handle), 0);
    EXPECT_EQ(DrainErrors(), (std::vector<int>{ERR_UNAVAILABLE, ERR_UNAVAILABLE, ERR_UNAVAILABLE}));
}

TEST_F(StateTest, CaptureStateKeepsTheGrabHandleBetweenSnapshots) {
    // Outside capture state every snapshot opens and closes its own handle.
    const unsigned idle = Stats().openHandles;
    ASSERT_EQ(Snap(), 1);
    EXPECT_EQ(Stats().openHandles, idle);
    ASSERT_EQ(Snap(), 1);
    EXPECT_EQ(Stats().openHandles, idle);

    ASSERT_EQ(Travik_Capture(handle), 1);
    EXPECT_EQ(Travik_Capture(handle), 1);
    ASSERT_TRUE(travik_emu::ClearLog(0));
    ASSERT_EQ(Snap(), 1);
    const unsigned first = FrameNumber(buffer.data(), kWidth, kHeight);
    EXPECT_EQ(Stats().openHandles, idle + 1);
    ASSERT_EQ(Snap(), 1);
    EXPECT_EQ(Stats().openHandles, idle + 1);
    EXPECT_GT(FrameNumber(buffer.data(), kWidth, kHeight), first);
    // Preview is refused in capture state; stopping returns to idle and frees the camera.
    EXPECT_EQ(Travik_StartPreview(handle), 0);
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    EXPECT_EQ(Travik_Close(handle), 1);
    EXPECT_EQ(Stats().openHandles, idle);
    EXPECT_EQ(StartCallback(), 1);
    EXPECT_GE(CountFrames(WaitNotices(1, 3000)), 1u);
}

TEST_F(StateTest, StopReturnsEveryStateToIdle) {
    auto expectIdle = [&] {
        // Only an idle camera accepts all three starts in turn.
        EXPECT_EQ(Travik_Capture(handle), 1);
        EXPECT_EQ(Travik_StopPreview(handle), 1);
        EXPECT_EQ(Travik_StartPreview(handle), 1);
        EXPECT_EQ(Travik_StopPreview(handle), 1);
        EXPECT_EQ(Stats().triggerMode, 0u);
    };
    ASSERT_EQ(StartCallback(), 1);
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    expectIdle();
    ASSERT_EQ(Travik_Capture(handle), 1);
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    expectIdle();
    ASSERT_EQ(
        Travik_Trigger(handle, window.hwnd(), buffer.data(), static_cast<int>(buffer.size()), 1),
        1);
    EXPECT_EQ(Stats().triggerMode, 1u);
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    expectIdle();
    EXPECT_TRUE(DrainErrors().empty());
}

TEST_F(StateTest, StopAndReleaseWhileFramesFlowLeaveNoThreadOrHandle) {
    const travik_test::ResourceCounts before = travik_test::CountResources();
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(StartCallback(), 1);
        WaitNotices(1, 2000);
        ASSERT_EQ(Travik_StopPreview(handle), 1);
    }
    // Closing and releasing a streaming camera stop its threads first.
    ASSERT_EQ(StartCallback(), 1);
    WaitNotices(1, 2000);
    ASSERT_EQ(Travik_Close(handle), 1);
    ASSERT_EQ(StartCallback(), 1);
    WaitNotices(1, 2000);
    ASSERT_EQ(Travik_Release(handle), 1);
    handle = 0;
    const travik_test::ResourceCounts after = travik_test::CountResources();
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_LE(after.handles, before.handles + 2);
}

TEST_F(StateTest, SoftwareTriggerGivesExactlyOneNotice) {
    ASSERT_EQ(
        Travik_Trigger(handle, window.hwnd(), buffer.data(), static_cast<int>(buffer.size()), 1),
        1);
    EXPECT_EQ(
        Travik_Trigger(handle, window.hwnd(), buffer.data(), static_cast<int>(buffer.size()), 1),
        1);
    EXPECT_EQ(CountFrames(WaitNotices(1, 300)), 0u);
    ASSERT_TRUE(travik_emu::Trigger(0));
    std::vector<Notice> notices = WaitNotices(1, 2000);
    ASSERT_EQ(CountFrames(notices), 1u);
    EXPECT_EQ(notices[0].info.frameRate, 0);
    EXPECT_EQ(notices[0].info.bitsPerPixel, 8);
    notices = WaitNotices(1, 500);
    EXPECT_EQ(CountFrames(notices), 0u);
    EXPECT_TRUE(DrainErrors().empty());
}

TEST_F(StateTest, TriggerTimeOutGivesNoNoticeAndNoError) {
    ASSERT_EQ(
        Travik_Trigger(handle, window.hwnd(), buffer.data(), static_cast<int>(buffer.size()), 1),
        1);
    EXPECT_EQ(Stats().timeoutMs, 3000u);
    const std::vector<Notice> notices = WaitNotices(1, 3600);
    EXPECT_TRUE(notices.empty());
    EXPECT_GE(Stats().triggerTimeouts, 1u);
    EXPECT_TRUE(posted.empty());
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    EXPECT_TRUE(DrainErrors().empty());
}

TEST_F(StateTest, UnpluggingDuringPreviewPostsAndReportsDeviceLost) {
    ASSERT_EQ(StartCallback(), 1);
    ASSERT_GE(CountFrames(WaitNotices(1, 3000)), 1u);
    ASSERT_TRUE(travik_emu::Unplug(0));
    std::vector<Notice> notices = WaitNotices(1000, 3000);
    const std::vector<LPARAM> codes = Codes(notices);
    ASSERT_EQ(codes.size(), 1u);
    EXPECT_EQ(codes[0], ERR_DEVICE_LOST);
    EXPECT_EQ(posted, std::vector<LPARAM>{ERR_DEVICE_LOST});
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_DEVICE_LOST});
    // Preview has stopped: nothing more arrives.
    EXPECT_TRUE(WaitNotices(1, 300).empty());
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    travik_emu::Plug(0);
}

TEST_F(StateTest, StalledCameraGivesDeviceLostAfterSixSeconds) {
    ASSERT_EQ(StartCallback(), 1);
    ASSERT_GE(CountFrames(WaitNotices(1, 3000)), 1u);
    ASSERT_TRUE(travik_emu::SetFault(0, TRAVIK_EMU_FAULT_STALL, 7000));
    const DWORD start = GetTickCount();
    std::vector<Notice> notices;
    while (Codes(notices).empty() && GetTickCount() - start < 9000) {
        std::vector<Notice> more = WaitNotices(1000, 200);
        notices.insert(notices.end(), more.begin(), more.end());
    }
    const DWORD elapsed = GetTickCount() - start;
    ASSERT_EQ(Codes(notices), std::vector<LPARAM>{ERR_DEVICE_LOST});
    EXPECT_GE(elapsed, 5500u);
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    travik_emu::SetFault(0, TRAVIK_EMU_FAULT_NONE);
}

// Run by the next test in a second process: previews the device the first one streams.
TEST(SecondProcess, DISABLED_PreviewOnStreamedDevice) {
    travik_test::MessageWindow window;
    const int handle = Travik_Initialize(window.hwnd());
    ASSERT_NE(handle, 0);
    Travik_GetLastError(handle);
    EXPECT_EQ(Travik_StartPreview(handle), 0);
    EXPECT_EQ(Travik_GetLastError(handle), ERR_UNAVAILABLE);
    EXPECT_EQ(Travik_GetLastError(handle), ERR_DEVICE);
    Travik_Release(handle);
}

TEST_F(StateTest, SecondProcessCannotPreviewAStreamedDevice) {
    ASSERT_EQ(StartCallback(), 1);
    ASSERT_GE(CountFrames(WaitNotices(1, 3000)), 1u);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string command = std::string("\"") + path +
                          "\" --gtest_also_run_disabled_tests "
                          "--gtest_filter=SecondProcess.DISABLED_PreviewOnStreamedDevice";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 0u);
    // The first process streams on.
    EXPECT_GE(CountFrames(WaitNotices(2, 3000)), 2u);
}

} // namespace
