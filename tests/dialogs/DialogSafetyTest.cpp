// The dialogs in the states an application can leave them in: a second dialog of a kind refused
// without touching the first or the running acquisition, Cancel while the automatic controls
// run, the format dialog in trigger mode, and OK on a page that could not be made.
#include "DialogFixture.h"

#include <vector>

using namespace dialog_test;

namespace {

constexpr int kFrameBytes = 1280 * 960 * 8;

// The first frame notice to reach `window` within `ms`: its bits per pixel, or minus the error
// code it carries; 0 when none came.
int NextNotice(HWND window, DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        if (PeekMessageW(&msg, window, WM_CAMERA_NOTIFY, WM_CAMERA_NOTIFY, PM_REMOVE))
            return msg.wParam ? reinterpret_cast<const FrameInfo*>(msg.wParam)->bitsPerPixel
                              : -static_cast<int>(msg.lParam);
        Sleep(10);
    } while (GetTickCount() - start < ms);
    return 0;
}

// Frames come at the virtual camera's own pace: with every frame measured and shown in the open
// dialog, an unpaced camera would only measure how fast this machine repaints the dialog.
class DialogSafetyTest : public DialogTest {
  protected:
    void TearDown() override {
        if (handle) Travik_StopPreview(handle);
        DialogTest::TearDown();
    }
    // Waits (up to 10 s) until `done` holds, checking every 50 ms.
    template <class Condition> static bool WaitUntil(Condition done) {
        for (int waited = 0; waited < 10000; waited += 50) {
            if (done()) return true;
            Sleep(50);
        }
        return done();
    }
    std::vector<unsigned char> buffer = std::vector<unsigned char>(kFrameBytes);
};

// Red is half as bright as green and blue twice: white balance measures red 200 and blue 50.
void UnbalancedScene() {
    travik_emu::SetPatternBayer(0, 200, 400, 400, 800);
}

} // namespace

TEST_F(DialogSafetyTest, RefusedSecondImageDialogLeavesTheFirstFollowingWhiteBalance) {
    ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
    UnbalancedScene();
    ASSERT_EQ(Travik_StartPreview(handle), 1);
    int second = -1, measured = -1;
    std::vector<int> codes;
    std::wstring shown;
    RunWithScript([&] { return Travik_SetImageDlg(handle, window.hwnd()); },
                  [&](HWND frame) {
                      second = Travik_SetImageDlg(handle, nullptr);
                      codes = DrainErrors();
                      Click(frame, 1035); // "All frames"
                      WaitUntil([&] {
                          measured = Filter(FILTER_BAYER_GAIN_RED);
                          shown = WindowText(FindControl(frame, 2052));
                          return measured == 200 && shown == L"200";
                      });
                      Click(frame, IDOK);
                  });
    EXPECT_EQ(second, 0);
    EXPECT_EQ(codes, std::vector<int>{ERR_UNAVAILABLE});
    EXPECT_EQ(measured, 200);
    EXPECT_EQ(shown, L"200") << "the open dialog still shows what white balance measures";
}

TEST_F(DialogSafetyTest, RefusedSecondAnalogDialogLeavesTheFirstFollowingTheAutomaticGain) {
    ASSERT_EQ(Travik_SetGlobalGain(handle, 1000), 1);
    travik_emu::SetPatternFlat(0, 1023);
    ASSERT_EQ(Travik_StartPreview(handle), 1);
    int second = -1, gain = -1;
    std::wstring shown;
    RunWithScript([&] { return Travik_SetAnalogDlg(handle, window.hwnd()); },
                  [&](HWND frame) {
                      second = Travik_SetAnalogDlg(handle, nullptr);
                      Click(frame, 1036); // automatic gain
                      WaitUntil([&] { return SensorGain() < 1000; });
                      Click(frame, 1036); // off again, to compare a value that stays
                      WaitUntil([&] {
                          gain = SensorGain();
                          shown = WindowText(FindControl(frame, 1015));
                          return shown == std::to_wstring(gain);
                      });
                      Click(frame, IDOK);
                  });
    EXPECT_EQ(second, 0);
    EXPECT_LT(gain, 1000);
    EXPECT_EQ(shown, std::to_wstring(gain)) << "the open dialog still follows the automatic gain";
}

TEST_F(DialogSafetyTest, RefusedSecondFormatDialogDoesNotStopTheRunningPreview) {
    int second = -1;
    std::vector<int> codes;
    TravikEmuStats before{}, after{};
    RunWithScript([&] { return Travik_SetCameraDlg(handle, window.hwnd()); },
                  [&](HWND frame) {
                      // The application starts the preview while the dialog is open; the
                      // transfer has opened the camera once its first frame came.
                      EXPECT_EQ(Travik_CallBackPreview(handle, nullptr, nullptr, 0, 1), 1);
                      EXPECT_TRUE(WaitUntil([] {
                          TravikEmuStats stats{};
                          return travik_emu::ReadStats(0, stats) && stats.framesDelivered > 0;
                      }));
                      travik_emu::ClearLog(0);
                      travik_emu::ReadStats(0, before);
                      second = Travik_SetCameraDlg(handle, nullptr);
                      codes = DrainErrors();
                      travik_emu::ReadStats(0, after);
                      Click(frame, IDCANCEL);
                  });
    EXPECT_EQ(second, 0);
    EXPECT_EQ(codes, std::vector<int>{ERR_UNAVAILABLE});
    EXPECT_EQ(after.opens, before.opens) << "the refused call restarted the transfer";
    EXPECT_EQ(after.triggerMode, 0u);
}

TEST_F(DialogSafetyTest, CancelDuringAllFramesWhiteBalanceRestoresTheGains) {
    ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
    ASSERT_EQ(Travik_SetBayerGainRed(handle, 150), 1);
    ASSERT_EQ(Travik_SetBayerGainBlue(handle, 90), 1);
    UnbalancedScene();
    ASSERT_EQ(Travik_StartPreview(handle), 1);
    bool measuring = false;
    RunWithScript([&] { return Travik_SetImageDlg(handle, window.hwnd()); },
                  [&](HWND frame) {
                      Click(frame, 1035); // "All frames"
                      measuring = WaitUntil([&] { return Filter(FILTER_BAYER_GAIN_RED) == 200; });
                      Click(frame, IDCANCEL);
                  });
    EXPECT_TRUE(measuring);
    // Reading the image waits for the frame being converted: a measurement under way when
    // Cancel restored the gains has had its chance to store them.
    for (int read = 0; read < 2; ++read)
        ASSERT_EQ(Travik_GetImage(handle, buffer.data(), kFrameBytes, 1), 1);
    EXPECT_EQ(Filter(FILTER_BAYER_GAIN_AUTO), 0);
    EXPECT_EQ(Filter(FILTER_BAYER_GAIN_RED), 150);
    EXPECT_EQ(Filter(FILTER_BAYER_GAIN_BLUE), 90);
}

TEST_F(DialogSafetyTest, FormatOkInTriggerModeDeliversTheNewDepth) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    ASSERT_EQ(Travik_Trigger(handle, window.hwnd(), buffer.data(), kFrameBytes, 1), 1);
    ASSERT_TRUE(travik_emu::Trigger(0));
    ASSERT_EQ(NextNotice(window.hwnd(), 3000), 8);
    RunWithScript([&] { return Travik_SetCameraDlg(handle, window.hwnd()); },
                  [&](HWND frame) {
                      SelectListEntry(frame, 1009, 4); // colour 48 bits: another raw depth
                      Click(frame, IDOK);
                  });
    EXPECT_EQ(Travik_GetColorMode(handle), 42);
    for (int frame = 0; frame < 2; ++frame) {
        ASSERT_TRUE(travik_emu::Trigger(0));
        EXPECT_EQ(NextNotice(window.hwnd(), 3000), 48) << "triggered frame " << frame;
    }
    EXPECT_TRUE(DrainErrors().empty());
    EXPECT_TRUE(PostedErrors().empty());
}

TEST_F(DialogSafetyTest, FormatOkAfterTheApplicationStartedPreviewDeliversTheNewDepth) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    ASSERT_EQ(Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
    RunWithScript([&] { return Travik_SetCameraDlg(handle, window.hwnd()); },
                  [&](HWND frame) {
                      // The application starts the preview while the dialog is open.
                      EXPECT_EQ(Travik_CallBackPreview(handle, window.hwnd(), buffer.data(), kFrameBytes, 1), 1);
                      SelectListEntry(frame, 1009, 4); // colour 48 bits: other buffers, word mode
                      Click(frame, IDOK);
                  });
    EXPECT_EQ(Travik_GetColorMode(handle), 42);
    // Notices of frames made before OK may still be queued, as many as came while the dialog was
    // open; then every frame has the new depth.
    int depth = 0;
    for (const DWORD start = GetTickCount(); depth != 48 && GetTickCount() - start < 10000;) {
        depth = NextNotice(window.hwnd(), 3000);
        EXPECT_GE(depth, 0) << "code " << -depth;
    }
    ASSERT_EQ(depth, 48);
    for (int frame = 0; frame < 3; ++frame) EXPECT_EQ(NextNotice(window.hwnd(), 3000), 48) << "frame " << frame;
    for (int code : DrainErrors()) EXPECT_NE(code, ERR_TRANSFER);
}

namespace {

// Refuses the creation of every window whose parent is a tab control: the dialogs' pages.
LRESULT CALLBACK RefusePages(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTW* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
        wchar_t parentClass[32] = {};
        if (create->hwndParent) GetClassNameW(create->hwndParent, parentClass, 32);
        if (std::wstring(parentClass) == L"SysTabControl32") return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TEST_F(DialogSafetyTest, OkWithPagesThatCouldNotBeMadeChangesNoSetting) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    for (auto [id, value] : {std::pair{FILTER_BRIGHTNESS, 40},
                             {FILTER_GAMMA, 60},
                             {FILTER_GRAY_GAIN_R, 20},
                             {FILTER_GRAY_OFFSET_B, -7},
                             {FILTER_GLOBAL_GAIN, 300}})
        ASSERT_EQ(Travik_SetFilterValue(handle, id, value), 1);
    HHOOK hook = SetWindowsHookExW(WH_CBT, RefusePages, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    bool imagePage = true, analogPage = true;
    const int image = RunWithScript([&] { return Travik_SetImageDlg(handle, window.hwnd()); },
                                    [&](HWND frame) {
                                        imagePage = FindControl(frame, 2002, false) != nullptr;
                                        Click(frame, IDOK);
                                    });
    const int analog = RunWithScript([&] { return Travik_SetAnalogDlg(handle, window.hwnd()); },
                                     [&](HWND frame) {
                                         analogPage = FindControl(frame, 1015, false) != nullptr;
                                         Click(frame, IDOK);
                                     });
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(image, 1);
    EXPECT_EQ(analog, 1);
    EXPECT_FALSE(imagePage);
    EXPECT_FALSE(analogPage);
    EXPECT_EQ(Filter(FILTER_BRIGHTNESS), 40);
    EXPECT_EQ(Filter(FILTER_GAMMA), 60);
    EXPECT_EQ(Filter(FILTER_GRAY_GAIN_R), 20);
    EXPECT_EQ(Filter(FILTER_GRAY_OFFSET_B), -7);
    EXPECT_EQ(Filter(FILTER_GLOBAL_GAIN), 300);
    EXPECT_EQ(SensorGain(), 300);
}

namespace {

struct SnapshotCall {
    int handle;
    std::vector<unsigned char>* buffer;
};

DWORD WINAPI TakeSnapshot(void* argument) {
    auto* call = static_cast<SnapshotCall*>(argument);
    return static_cast<DWORD>(Travik_SnapShot(call->handle, call->buffer->data(),
                                              static_cast<int>(call->buffer->size()), 1));
}

struct TypedGain {
    HWND frame;
};

DWORD WINAPI TypeGain(void* argument) {
    TypeText(static_cast<TypedGain*>(argument)->frame, 1015, L"700");
    return 0;
}

bool ReadIsPending() {
    for (int waited = 0; waited < 10000; waited += 10) {
        TravikEmuStats stats{};
        if (travik_emu::ReadStats(0, stats) && stats.pendingReads > 0) return true;
        Sleep(10);
    }
    return false;
}

} // namespace

// A gain typed into the open dialog reaches the sensor and the settings together, one at a time
// with the exports: while a snapshot on another thread waits for its frame, the dialog waits.
TEST_F(DialogSafetyTest, GainTypedWhileAnExportRunsWaitsForItsEnd) {
    ASSERT_EQ(Travik_SetGlobalGain(handle, 300), 1);
    ASSERT_EQ(Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
    int gainDuringExport = -1;
    bool exportStillRan = false;
    int gainAfter = -1;
    SnapshotCall call{handle, &buffer};
    RunWithScript([&] { return Travik_SetAnalogDlg(handle, window.hwnd()); },
                  [&](HWND frame) {
                      ASSERT_TRUE(travik_emu::SetFault(0, TRAVIK_EMU_FAULT_STALL, 2500));
                      HANDLE snapshot = CreateThread(nullptr, 0, TakeSnapshot, &call, 0, nullptr);
                      ASSERT_NE(snapshot, nullptr);
                      ASSERT_TRUE(ReadIsPending()) << "the snapshot never read";
                      TypedGain typed{frame};
                      HANDLE typist = CreateThread(nullptr, 0, TypeGain, &typed, 0, nullptr);
                      // The gain the sensor has while the snapshot still runs.
                      for (int waited = 0; waited < 1000; waited += 20) {
                          const int gain = SensorGain();
                          if (WaitForSingleObject(snapshot, 0) != WAIT_TIMEOUT) break;
                          gainDuringExport = gain;
                          exportStillRan = true;
                          if (gain == 700) break;
                          Sleep(20);
                      }
                      WaitForSingleObject(snapshot, INFINITE);
                      travik_emu::SetFault(0, TRAVIK_EMU_FAULT_NONE);
                      WaitForSingleObject(typist, INFINITE);
                      CloseHandle(typist);
                      CloseHandle(snapshot);
                      WaitUntil([&] { return (gainAfter = SensorGain()) == 700; });
                      Click(frame, IDOK);
                  });
    ASSERT_TRUE(exportStillRan) << "the stalled snapshot ended too soon to look";
    EXPECT_EQ(gainDuringExport, 300) << "the dialog changed the sensor under a running export";
    EXPECT_EQ(gainAfter, 700);
    EXPECT_EQ(Filter(FILTER_GLOBAL_GAIN), 700);
}
