// The dialogs while the camera streams: the format dialog restarts preview in the new mode, and
// the automatic gray gain and automatic iris show their measurements in the open dialogs.
#include "DialogFixture.h"

#include <vector>

using namespace dialog_test;

namespace {

constexpr int kFrameBytes = 1280 * 960 * 8;

// Bits per pixel of every frame notice waiting for the window, oldest first.
std::vector<int> NoticeDepths(HWND window, DWORD ms) {
    std::vector<int> depths;
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, window, WM_CAMERA_NOTIFY, WM_CAMERA_NOTIFY, PM_REMOVE))
            if (msg.wParam) depths.push_back(reinterpret_cast<const FrameInfo*>(msg.wParam)->bitsPerPixel);
        Sleep(10);
    } while (GetTickCount() - start < ms);
    return depths;
}

class LiveDialogTest : public DialogTest {
  protected:
    void SetUp() override {
        DialogTest::SetUp();
        travik_emu::SetPacingOff(0);
    }
    void TearDown() override {
        if (handle) Travik_StopPreview(handle);
        DialogTest::TearDown();
    }
    std::vector<unsigned char> buffer = std::vector<unsigned char>(kFrameBytes);
};

} // namespace

TEST_F(LiveDialogTest, FormatOkWhilePreviewingRestartsPreviewInTheNewMode) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    ASSERT_EQ(Travik_CallBackPreview(handle, window.hwnd(), buffer.data(), kFrameBytes, 1), 1);
    const std::vector<int> before = NoticeDepths(window.hwnd(), 500);
    TravikEmuStats stopped{}, stillStopped{};
    RunWithScript([&] { return Travik_SetCameraDlg(handle, window.hwnd()); },
                  [&](HWND frame) {
                      travik_emu::ReadStats(0, stopped);
                      Sleep(300);
                      travik_emu::ReadStats(0, stillStopped);
                      SelectListEntry(frame, 1009, 2);
                      Click(frame, IDOK);
                  });
    NoticeDepths(window.hwnd(), 300); // notices of the old mode still queued
    const std::vector<int> after = NoticeDepths(window.hwnd(), 1000);
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(before.back(), 8);
    EXPECT_EQ(stillStopped.framesDelivered, stopped.framesDelivered) << "no frames while the dialog is open";
    ASSERT_FALSE(after.empty()) << "preview restarted";
    EXPECT_EQ(after.back(), 24);
    EXPECT_EQ(StoredValue("Color"), 2);
    EXPECT_EQ(Travik_GetColorMode(handle), 24);
}

TEST_F(LiveDialogTest, GammaChangesThePreviewAtOnceAndCancelBringsItBack) {
    ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
    ASSERT_EQ(Travik_StartPreview(handle), 1);
    travik_emu::SetPatternFlat(0, 300);
    Sleep(300);
    auto centre = [&] {
        Travik_GetImage(handle, buffer.data(), kFrameBytes, 1);
        return buffer[(480 * 1280 + 640) * 3 + 1];
    };
    const int neutral = centre();
    int brighter = -1;
    RunWithScript([&] { return Travik_SetImageDlg(handle, window.hwnd()); },
                  [&](HWND frame) {
                      MoveTrackbar(frame, 2081, 150);
                      Sleep(300);
                      brighter = centre();
                      Click(frame, IDCANCEL);
                  });
    Sleep(300);
    EXPECT_NE(brighter, neutral);
    EXPECT_EQ(centre(), neutral);
}

TEST_F(LiveDialogTest, GrayGainOnceShowsTheMeasuredGainsInThePage) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    ASSERT_EQ(Travik_SetGrayMode(handle, 1), 1);
    travik_emu::SetPatternBayer(0, 800, 400, 400, 200);
    ASSERT_EQ(Travik_StartPreview(handle), 1);
    std::wstring shown;
    int stored = -1, request = -1;
    RunWithScript([&] { return Travik_SetImageDlg(handle, window.hwnd()); },
                  [&](HWND frame) {
                      ClickTab(frame, 1);
                      Click(frame, 2074);
                      Sleep(600);
                      request = Filter(FILTER_GRAY_AUTO);
                      stored = Filter(FILTER_GRAY_GAIN_R);
                      shown = WindowText(FindControl(frame, 2101));
                      Click(frame, IDOK);
                  });
    EXPECT_EQ(request, 0) << "one measurement";
    EXPECT_NE(stored, 128);
    EXPECT_EQ(shown, std::to_wstring(stored));
}

TEST_F(LiveDialogTest, AnalogDialogFollowsTheAutomaticGain) {
    ASSERT_EQ(Travik_SetGlobalGain(handle, 1000), 1);
    ASSERT_EQ(Travik_SetAutoIris(handle, 2), 1);
    travik_emu::SetPatternFlat(0, 1023);
    ASSERT_EQ(Travik_StartPreview(handle), 1);
    std::wstring shown;
    int gain = -1;
    RunWithScript([&] { return Travik_SetAnalogDlg(handle, window.hwnd()); },
                  [&](HWND frame) {
                      Sleep(800);
                      Travik_SetAutoIris(handle, 0); // freeze the value to compare
                      // A round of the worker may still be under way when the control is
                      // switched off: give the dialog time to show its last value.
                      for (int waited = 0; waited < 5000; waited += 100) {
                          gain = SensorGain();
                          shown = WindowText(FindControl(frame, 1015));
                          if (shown == std::to_wstring(gain)) break;
                          Sleep(100);
                      }
                      Click(frame, IDOK);
                  });
    EXPECT_LT(gain, 1000);
    EXPECT_EQ(shown, std::to_wstring(gain));
}
