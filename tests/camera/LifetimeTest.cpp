// Camera lifetimes through the DLL: releases from window procedures while an export of the same
// camera runs lower on the stack, two camera objects of one application on one device, and
// sensor sequences from two threads that must not interleave.
#include "EmuControl.h"
#include "TravikSdk.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

constexpr UINT kReleaseNow = WM_APP + 50; // sent by a helper thread: release the camera now

// The application's window: its procedure releases the camera on WM_CAMERA_ERROR or kReleaseNow,
// the way an application gives up a camera from its error handler.
class ReleasingWindow {
  public:
    ReleasingWindow() {
        static const ATOM atom = [] {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = &ReleasingWindow::Procedure;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "TravikTestReleasingWindow";
            return RegisterClassA(&wc);
        }();
        (void)atom;
        m_hwnd = CreateWindowExA(0, "TravikTestReleasingWindow", "app", WS_OVERLAPPED, 0, 0, 10, 10,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_released = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    ~ReleasingWindow() {
        DestroyWindow(m_hwnd);
        CloseHandle(m_released);
    }
    ReleasingWindow(const ReleasingWindow&) = delete;
    ReleasingWindow& operator=(const ReleasingWindow&) = delete;

    HWND hwnd() const { return m_hwnd; }

    int handle = 0;         // the camera to release
    bool inExport = false;  // set by the test around the export that pumps
    int releaseResult = -1; // what Travik_Release returned in the procedure
    bool releasedInsideExport = false;
    int waitTimeAfterRelease = 0; // an export with the released handle, in the procedure
    HANDLE m_released = nullptr;  // set once the procedure has released

  private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
        auto* self = reinterpret_cast<ReleasingWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && self->handle && (message == WM_CAMERA_ERROR || message == kReleaseNow)) {
            const int handle = self->handle;
            self->handle = 0;
            self->releasedInsideExport = self->inExport;
            self->releaseResult = Travik_Release(handle);
            self->waitTimeAfterRelease = Travik_GetWaitTime(handle);
            SetEvent(self->m_released);
            return 0;
        }
        return DefWindowProcA(window, message, w, l);
    }

    HWND m_hwnd = nullptr;
};

// A helper thread that the test's thread joins while answering messages sent to its windows:
// the helper may be sending to one of them.
class Helper {
  public:
    template <class Body> explicit Helper(Body body) {
        m_done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_thread = std::thread([this, body] {
            body();
            SetEvent(m_done);
        });
    }
    ~Helper() {
        Join();
        CloseHandle(m_done);
    }
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;

    void Join() {
        if (!m_thread.joinable()) return;
        while (MsgWaitForMultipleObjects(1, &m_done, FALSE, INFINITE, QS_SENDMESSAGE) ==
               WAIT_OBJECT_0 + 1) {
            MSG message;
            PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        m_thread.join();
    }

  private:
    HANDLE m_done = nullptr;
    std::thread m_thread;
};

// The first visible dialog box of a thread, or null.
HWND FindDialogOf(DWORD threadId) {
    HWND found = nullptr;
    EnumThreadWindows(
        threadId,
        [](HWND window, LPARAM result) -> BOOL {
            char name[16] = {};
            GetClassNameA(window, name, sizeof(name));
            if (lstrcmpA(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
            *reinterpret_cast<HWND*>(result) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Opens the analog gain dialog of a new camera on this thread; a helper thread makes the camera
// report an error once the dialog shows (the window procedure may release it then), and cancels
// the dialog after the procedure ran, or at once when `release` is false.
int RunAnalogDialog(ReleasingWindow& app, bool release) {
    const int handle = Travik_Initialize(app.hwnd());
    EXPECT_NE(handle, 0);
    app.handle = release ? handle : 0;
    ResetEvent(app.m_released);
    const DWORD appThread = GetCurrentThreadId();
    Helper helper([&] {
        HWND dialog = nullptr;
        while (!(dialog = FindDialogOf(appThread)))
            Sleep(10);
        if (release) {
            EXPECT_EQ(Travik_SetGlobalGain(handle, -5), 0); // posts WM_CAMERA_ERROR 9
            WaitForSingleObject(app.m_released, INFINITE);
        }
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    app.inExport = true;
    const int result = Travik_SetAnalogDlg(handle, app.hwnd());
    app.inExport = false;
    helper.Join();
    if (!release) Travik_Release(handle);
    return result;
}

class Lifetime : public ::testing::Test {
  protected:
    void SetUp() override {
        travik_test::DeleteSdkRegistry();
        ASSERT_TRUE(travik_emu::ResetDevice(0));
        ASSERT_TRUE(travik_emu::SetPacingOff(0));
    }
    void TearDown() override {
        travik_emu::ResetDevice(0);
        travik_test::DeleteSdkRegistry();
    }
    static void ExpectSameResources(const travik_test::ResourceCounts& before,
                                    bool compareGdi = true) {
        const travik_test::ResourceCounts after = travik_test::CountResources();
        EXPECT_EQ(after.threads, before.threads);
        EXPECT_EQ(after.handles, before.handles);
        if (compareGdi) EXPECT_EQ(after.gdiObjects, before.gdiObjects);
        EXPECT_EQ(after.userObjects, before.userObjects);
        EXPECT_EQ(after.windowClasses, before.windowClasses);
    }
};

// Counts are compared once the application window is gone: the first windows a thread shows
// bring one-time costs (its input method's COM apartment, the dialog's and preview's first use)
// that end only with the thread's last window, so each test warms up with a run of its own.
TEST_F(Lifetime, ReleaseFromTheErrorHandlerDuringTheCamerasModalDialogReturns) {
    int cancelled = 0;
    for (bool release : {false, true}) { // Wine's GDI caches fill on the first of each kind
        ReleasingWindow app;
        const int result = RunAnalogDialog(app, release);
        if (!release) cancelled = result;
    }
    const travik_test::ResourceCounts before = travik_test::CountResources();
    {
        ReleasingWindow app;
        const int result = RunAnalogDialog(app, true);
        EXPECT_EQ(app.releaseResult, 1);
        EXPECT_TRUE(app.releasedInsideExport);
        EXPECT_EQ(app.waitTimeAfterRelease, -1); // the handle was gone at once
        // The dialog ran to its end on the intact camera and returned what a cancel returns.
        EXPECT_EQ(result, cancelled);
    }
    // The camera was freed as the dialog's export returned: its threads and handles are gone.
    // GDI objects are left out here: with no preview the camera holds none, and Wine's cache of
    // window DCs (a DC, clip regions and a bitmap per entry) grows now and then while a modal
    // dialog paints, by three or four objects, whatever the camera does.
    ExpectSameResources(before, false);
}

// Trigger mode started and stopped once on a camera of a window of its own.
void TriggerAndStopOnce() {
    ReleasingWindow app;
    const int handle = Travik_Initialize(app.hwnd());
    std::vector<unsigned char> buffer(1280 * 960 * 8);
    EXPECT_EQ(Travik_Trigger(handle, app.hwnd(), buffer.data(), static_cast<int>(buffer.size()), 0),
              1);
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    EXPECT_EQ(Travik_Release(handle), 1);
}

// Whether a message sent by another thread waits in this thread's queue within `ms`. Looking
// marks it as seen, so a wait that wakes only for new messages would not wake for it.
bool WaitForSentMessage(DWORD ms) {
    const DWORD start = GetTickCount();
    while (!(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE)) {
        if (GetTickCount() - start > ms) return false;
        Sleep(1);
    }
    return true;
}

TEST_F(Lifetime, ReleaseFromAHandlerThatStopPreviewAnswersReturns) {
    TriggerAndStopOnce();
    const travik_test::ResourceCounts before = travik_test::CountResources();
    {
        ReleasingWindow app;
        const int handle = Travik_Initialize(app.hwnd());
        ASSERT_NE(handle, 0);
        app.handle = handle;
        // The worker's grab stays pending until the helper lifts the stall (the stop's cancel
        // does not end it under Wine), so the stop is waiting for the worker when the release
        // comes.
        ASSERT_TRUE(travik_emu::SetFault(0, TRAVIK_EMU_FAULT_STALL, 600000));
        std::vector<unsigned char> buffer(1280 * 960 * 8); // room for any colour mode
        ASSERT_EQ(Travik_Trigger(handle, app.hwnd(), buffer.data(), static_cast<int>(buffer.size()), 0),
                  1);
        for (TravikEmuStats stats = {}; travik_emu::ReadStats(0, stats) && stats.pendingReads == 0;)
            Sleep(5);
        Helper helper([&] {
            SendMessageA(app.hwnd(), kReleaseNow, 0, 0);
            travik_emu::SetFault(0, TRAVIK_EMU_FAULT_NONE);
        });
        // The release is waiting in this thread's queue before the stop begins, however late
        // the helper ran, and the stop answers it while it waits for the worker.
        ASSERT_TRUE(WaitForSentMessage(10000));
        app.inExport = true;
        EXPECT_EQ(Travik_StopPreview(handle), 1);
        app.inExport = false;
        helper.Join();

        EXPECT_EQ(app.releaseResult, 1);
        EXPECT_TRUE(app.releasedInsideExport);
        EXPECT_EQ(app.waitTimeAfterRelease, -1);
        EXPECT_EQ(Travik_Release(handle), 0);
        EXPECT_EQ(Travik_GetColorMode(handle), -1);
    }
    ExpectSameResources(before);
}

// ---- Two camera objects of one application on one device ----

// The owner record of a device in the shared block, read as another process would.
std::uint64_t OwnerOfDevice(int device) {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, "OSTREL_USBCAMERA");
    if (!mapping) return 0;
    std::uint64_t owner = 0;
    if (const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0)) {
        owner = *reinterpret_cast<const std::uint64_t*>(static_cast<const unsigned char*>(view) +
                                                        0x1F6500 + 152 * device);
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return owner;
}

// Frame notices that reach `window` within `ms` (pumping its queue), up to `wanted`.
int CountFrameNotices(HWND window, int wanted, DWORD ms) {
    int frames = 0;
    const DWORD start = GetTickCount();
    while (frames < wanted && GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE))
            if (msg.message == WM_CAMERA_NOTIFY && msg.wParam != 0) ++frames;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return frames;
}

std::vector<int> DrainErrors(int handle) {
    std::vector<int> codes;
    for (int code = Travik_GetLastError(handle); code != 0; code = Travik_GetLastError(handle))
        codes.push_back(code);
    return codes;
}

TEST_F(Lifetime, ASecondCameraOfTheApplicationIsRefusedAndLeavesTheFirstStreaming) {
    travik_test::MessageWindow window;
    const int first = Travik_Initialize(window.hwnd());
    const int second = Travik_Initialize(window.hwnd());
    ASSERT_NE(first, 0);
    ASSERT_NE(second, 0);
    std::vector<unsigned char> buffer(1280 * 960 * 8); // room for any colour mode
    ASSERT_EQ(Travik_SetPreviewWindow(first, nullptr, 0, 0, 0, 0), 1);
    ASSERT_EQ(Travik_CallBackPreview(first, window.hwnd(), buffer.data(),
                                     static_cast<int>(buffer.size()), 0),
              1);
    ASSERT_GE(CountFrameNotices(window.hwnd(), 2, 30000), 2);
    const auto owner = reinterpret_cast<std::uintptr_t>(window.hwnd());
    ASSERT_EQ(OwnerOfDevice(0), owner);

    EXPECT_EQ(Travik_StartPreview(second), 0);
    const std::vector<int> codes = DrainErrors(second);
    EXPECT_NE(std::find(codes.begin(), codes.end(), 2), codes.end());
    EXPECT_EQ(Travik_Release(second), 1);

    EXPECT_EQ(OwnerOfDevice(0), owner);
    EXPECT_GE(CountFrameNotices(window.hwnd(), 3, 30000), 3);
    EXPECT_EQ(Travik_Release(first), 1);
    EXPECT_EQ(OwnerOfDevice(0), 0u);
}

// ---- Sensor sequences from two threads ----

// The sensor register a logged packet writes, or -1 for any other packet.
int SensorRegisterOf(const TravikEmuLogEntry& entry) {
    if (entry.packet[0] != 4) return -1;
    return (entry.packet[2] | entry.packet[3] << 8) & 0x3FF;
}

TEST_F(Lifetime, GainAndExposureSequencesFromTwoThreadsStayWhole) {
    travik_test::MessageWindow window;
    const int handle = Travik_Initialize(window.hwnd());
    ASSERT_NE(handle, 0);
    ASSERT_TRUE(travik_emu::ClearLog(0));
    constexpr int kRounds = 150;
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread gain([&] {
        WaitForSingleObject(go, INFINITE);
        for (int i = 0; i < kRounds; ++i)
            Travik_SetGlobalGain(handle, (i * 7) % 1024);
    });
    std::thread exposure([&] {
        WaitForSingleObject(go, INFINITE);
        for (int i = 0; i < kRounds; ++i)
            Travik_SetExposureTime(handle, 3 + (i * 13) % 990);
    });
    SetEvent(go);
    gain.join();
    exposure.join();
    CloseHandle(go);

    const std::vector<TravikEmuLogEntry> log = travik_emu::ReadLog(0);
    // A gain is registers 6, 7; a short exposure 158, 159, 161, 162, each run unbroken.
    const std::vector<std::vector<int>> sequences = {{6, 7}, {158, 159, 161, 162}};
    int gains = 0, exposures = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        for (size_t s = 0; s < sequences.size(); ++s) {
            const std::vector<int>& sequence = sequences[s];
            if (SensorRegisterOf(log[i]) != sequence[0]) continue;
            for (size_t k = 1; k < sequence.size(); ++k)
                ASSERT_EQ(i + k < log.size() ? SensorRegisterOf(log[i + k]) : -2, sequence[k])
                    << "packet " << i + k << " breaks into a sequence of register " << sequence[0];
            ++(s == 0 ? gains : exposures);
        }
    }
    EXPECT_EQ(gains, kRounds);
    EXPECT_EQ(exposures, kRounds);
    EXPECT_EQ(Travik_Release(handle), 1);
}

} // namespace
