// A camera that goes away: told once with code 13 before a start, in trigger mode, in capture
// state, in preview, after failed or short reads and when it cannot be opened; the process idles
// while it is gone; plugged in again it works after a stop and a start, with no release. Also the stored wait time and the frame rate of a start.
#include "AcquisitionFixture.h"

#include <algorithm>

namespace {

constexpr size_t kBufferBytes = 1280u * 960u * 3u;

ULONGLONG ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME& t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000;
    };
    return ms(kernel) + ms(user);
}

class DeviceLoss : public AcquisitionTest {
  protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        ASSERT_EQ(Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
        buffer.assign(kBufferBytes, 0);
    }
    void TearDown() override {
        travik_emu::Plug(0);
        AcquisitionTest::TearDown();
    }
    int Length() const { return static_cast<int>(buffer.size()); }
    int StartCallback() {
        return Travik_CallBackPreview(handle, window.hwnd(), buffer.data(), Length(), 1);
    }
    // Pumps notices until code 13 came or `ms` passed; the number of code-13 notices seen.
    size_t WaitLossNotices(DWORD ms) {
        size_t lost = 0;
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < ms) {
            for (LPARAM code : Codes(WaitNotices(1, 100)))
                lost += code == ERR_DEVICE_LOST;
            if (lost) break;
        }
        return lost;
    }
    // While the camera is gone the process waits instead of spinning.
    void ExpectIdleWhileGone() {
        const ULONGLONG cpuBefore = ProcessCpuMs();
        const DWORD start = GetTickCount();
        WaitNotices(1000000, 1500);
        const DWORD wall = GetTickCount() - start;
        EXPECT_LT(ProcessCpuMs() - cpuBefore, wall / 4) << "busy while the camera is gone";
    }
    std::vector<unsigned char> buffer;
};

TEST_F(DeviceLoss, UnpluggedBeforeStartFailsTheStartWithCode13AndWorksWhenBack) {
    ASSERT_TRUE(travik_emu::Unplug(0));
    EXPECT_EQ(StartCallback(), 0);
    const std::vector<int> errors = DrainErrors();
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.front(), ERR_DEVICE_LOST);
    EXPECT_EQ(std::count(errors.begin(), errors.end(), ERR_DEVICE_LOST), 1);
    EXPECT_EQ(Travik_StartPreview(handle), 0);
    EXPECT_EQ(Travik_SnapShot(handle, buffer.data(), Length(), 1), 0);

    ASSERT_TRUE(travik_emu::Plug(0));
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    ASSERT_EQ(StartCallback(), 1);
    EXPECT_GE(CountFrames(WaitNotices(3, 5000)), 3u);
}

TEST_F(DeviceLoss, UnpluggedDuringPreviewIsToldOnceAndRestartsAfterStop) {
    ASSERT_EQ(StartCallback(), 1);
    ASSERT_GE(CountFrames(WaitNotices(2, 5000)), 2u);
    ASSERT_TRUE(travik_emu::Unplug(0));
    EXPECT_EQ(WaitLossNotices(10000), 1u);
    ExpectIdleWhileGone();
    for (LPARAM code : Codes(WaitNotices(1000000, 500)))
        EXPECT_NE(code, ERR_DEVICE_LOST);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_DEVICE_LOST});

    ASSERT_TRUE(travik_emu::Plug(0));
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    ASSERT_EQ(StartCallback(), 1);
    EXPECT_GE(CountFrames(WaitNotices(3, 5000)), 3u);
}

TEST_F(DeviceLoss, UnpluggedInTriggerModeIsToldWithoutSpinningAndTriggersAgainWhenBack) {
    ASSERT_EQ(Travik_Trigger(handle, window.hwnd(), buffer.data(), Length(), 1), 1);
    ASSERT_TRUE(travik_emu::Unplug(0));
    EXPECT_EQ(WaitLossNotices(10000), 1u);
    ExpectIdleWhileGone();
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_DEVICE_LOST});

    ASSERT_TRUE(travik_emu::Plug(0));
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    ASSERT_EQ(Travik_Trigger(handle, window.hwnd(), buffer.data(), Length(), 1), 1);
    size_t frames = 0;
    for (int attempt = 0; attempt < 3 && frames == 0; ++attempt) {
        ASSERT_TRUE(travik_emu::Trigger(0));
        frames = CountFrames(WaitNotices(1, 4000));
    }
    EXPECT_EQ(frames, 1u);
}

TEST_F(DeviceLoss, UnpluggedInCaptureStateFailsTheSnapshotWithCode13) {
    ASSERT_EQ(Travik_Capture(handle), 1);
    ASSERT_EQ(Travik_SnapShot(handle, buffer.data(), Length(), 1), 1);
    ASSERT_TRUE(travik_emu::Unplug(0));
    EXPECT_EQ(Travik_SnapShot(handle, buffer.data(), Length(), 1), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_DEVICE_LOST});

    ASSERT_TRUE(travik_emu::Plug(0));
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    ASSERT_EQ(Travik_Capture(handle), 1);
    EXPECT_EQ(Travik_SnapShot(handle, buffer.data(), Length(), 1), 1);
}

// A fault of the virtual camera's reads is used up once its stats show no fault left.
bool FaultUsedUp(unsigned device) {
    for (int waited = 0; waited < 10000; waited += 20) {
        TravikEmuStats stats{};
        if (travik_emu::ReadStats(device, stats) && stats.faultKind == TRAVIK_EMU_FAULT_NONE)
            return true;
        Sleep(20);
    }
    return false;
}

TEST_F(DeviceLoss, OneShortReadInARunIsForgivenAndFramesGoOn) {
    ASSERT_EQ(StartCallback(), 1);
    ASSERT_GE(CountFrames(WaitNotices(2, 5000)), 2u);
    ASSERT_TRUE(travik_emu::SetFault(0, TRAVIK_EMU_FAULT_SHORT_READ, 4096));
    ASSERT_TRUE(FaultUsedUp(0));
    const std::vector<Notice> after = WaitNotices(3, 5000);
    EXPECT_GE(CountFrames(after), 3u);
    EXPECT_TRUE(Codes(after).empty());
    EXPECT_TRUE(DrainErrors().empty());
}

TEST_F(DeviceLoss, SecondShortReadInARunIsToldOnceWithCode13AndARestartBringsFramesBack) {
    ASSERT_EQ(StartCallback(), 1);
    ASSERT_GE(CountFrames(WaitNotices(2, 5000)), 2u);
    ASSERT_TRUE(travik_emu::SetFault(0, TRAVIK_EMU_FAULT_SHORT_READ, 4096));
    ASSERT_TRUE(FaultUsedUp(0));
    ASSERT_GE(CountFrames(WaitNotices(1, 5000)), 1u);
    ASSERT_TRUE(travik_emu::SetFault(0, TRAVIK_EMU_FAULT_SHORT_READ, 4096));
    EXPECT_EQ(WaitLossNotices(10000), 1u);
    ExpectIdleWhileGone();
    for (LPARAM code : Codes(WaitNotices(1000000, 500)))
        EXPECT_NE(code, ERR_DEVICE_LOST);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_DEVICE_LOST});

    // The camera never went away: a stop and a start are all it takes.
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    ASSERT_EQ(StartCallback(), 1);
    EXPECT_GE(CountFrames(WaitNotices(3, 5000)), 3u);
    EXPECT_TRUE(DrainErrors().empty());
}

TEST_F(DeviceLoss, FailedReadsAreToldOnceWithCode13AndARestartBringsFramesBack) {
    ASSERT_EQ(StartCallback(), 1);
    ASSERT_GE(CountFrames(WaitNotices(2, 5000)), 2u);
    ASSERT_TRUE(travik_emu::SetFault(0, TRAVIK_EMU_FAULT_FAIL_READS, 3));
    EXPECT_EQ(WaitLossNotices(10000), 1u);
    ExpectIdleWhileGone();
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_DEVICE_LOST});

    ASSERT_TRUE(travik_emu::SetFault(0, TRAVIK_EMU_FAULT_NONE));
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    ASSERT_EQ(StartCallback(), 1);
    EXPECT_GE(CountFrames(WaitNotices(3, 5000)), 3u);
}

// The camera cannot be opened: every way of starting fails, and the loss is told once in all.
TEST_F(DeviceLoss, FailedOpenIsToldOnceWhateverIsStartedAndAllWorksWhenBack) {
    ASSERT_TRUE(travik_emu::Unplug(0));
    EXPECT_EQ(Travik_Trigger(handle, window.hwnd(), buffer.data(), Length(), 1), 0);
    EXPECT_EQ(Travik_SnapShot(handle, buffer.data(), Length(), 1), 0);
    EXPECT_EQ(Travik_Capture(handle), 0);
    EXPECT_EQ(StartCallback(), 0);
    const std::vector<int> errors = DrainErrors();
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.back(), ERR_DEVICE_LOST) << "the first code";
    EXPECT_EQ(std::count(errors.begin(), errors.end(), ERR_DEVICE_LOST), 1);
    const std::vector<LPARAM> codes = Codes(WaitNotices(1000000, 300));
    EXPECT_LE(std::count(codes.begin(), codes.end(), ERR_DEVICE_LOST), 1);
    ExpectIdleWhileGone();

    ASSERT_TRUE(travik_emu::Plug(0));
    EXPECT_EQ(Travik_SnapShot(handle, buffer.data(), Length(), 1), 1);
    ASSERT_EQ(Travik_Trigger(handle, window.hwnd(), buffer.data(), Length(), 1), 1);
    size_t frames = 0;
    for (int attempt = 0; attempt < 3 && frames == 0; ++attempt) {
        ASSERT_TRUE(travik_emu::Trigger(0));
        frames = CountFrames(WaitNotices(1, 4000));
    }
    EXPECT_EQ(frames, 1u);
}

// Stops on a thread of its own, so that a stop that never returns fails instead of hanging.
bool StopReturns(int handle) {
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* argument) -> DWORD {
            return static_cast<DWORD>(
                Travik_StopPreview(static_cast<int>(reinterpret_cast<INT_PTR>(argument))));
        },
        reinterpret_cast<void*>(static_cast<INT_PTR>(handle)), 0, nullptr);
    if (!thread) return false;
    const bool returned = WaitForSingleObject(thread, 20000) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return returned;
}

class StoredWaitTime : public AcquisitionTest, public ::testing::WithParamInterface<DWORD> {
  protected:
    // The camera is opened again after the stored wait time was changed under it.
    void SetUp() override {
        AcquisitionTest::SetUp();
        Travik_Release(handle);
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER,
                                "Software\\Ostrel\\Travik380TZ4RDXSdk\\Camera_00", 0, KEY_WRITE,
                                &key),
                  ERROR_SUCCESS);
        const DWORD value = GetParam();
        RegSetValueExA(key, "WaitTime", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
        RegCloseKey(key);
        handle = Travik_Initialize(window.hwnd());
        ASSERT_NE(handle, 0);
        ASSERT_EQ(Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
    }
};

TEST_P(StoredWaitTime, IsNeverNegativeAndNeverDelaysAStop) {
    const int stored = static_cast<int>(GetParam());
    EXPECT_EQ(Travik_GetWaitTime(handle), stored < 0 ? 10 : stored);
    ASSERT_EQ(Travik_StartPreview(handle), 1);
    EXPECT_TRUE(StopReturns(handle));
}

INSTANTIATE_TEST_SUITE_P(NegativeAndHuge, StoredWaitTime,
                         ::testing::Values(0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 600000u));

TEST_F(AcquisitionTest, FrameRateOfAStartCountsFromThatStart) {
    std::vector<unsigned char> frame(kBufferBytes);
    Sleep(2500); // idle time that the first rate of the run must not include
    ASSERT_EQ(Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
    ASSERT_EQ(Travik_CallBackPreview(handle, window.hwnd(), frame.data(),
                                     static_cast<int>(frame.size()), 1),
              1);
    std::vector<int> rates;
    const DWORD start = GetTickCount();
    while (rates.size() < 2 && GetTickCount() - start < 10000) {
        for (const Notice& notice : WaitNotices(1, 200))
            if (notice.IsFrame() && notice.info.frameRate != 0 &&
                (rates.empty() || rates.back() != notice.info.frameRate))
                rates.push_back(notice.info.frameRate);
    }
    // The buffer is the test's own: the preview stops before it goes.
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    ASSERT_EQ(rates.size(), 2u);
    // Both rates span about a second of the same stream; the first must not be diluted by idle.
    EXPECT_GT(rates[0] * 2, rates[1]) << rates[0] << " then " << rates[1];
}

} // namespace
