// Every export that changes what acquisition depends on, called from the application thread in
// every acquisition state while frames flow: the process survives, the result is the documented
// one, later frames carry the new settings, and no storm of failed frames follows.
#include "AcquisitionFixture.h"

#include <algorithm>
#include <string>
#include <utility>
#include <tuple>

namespace {

enum class State {
    Idle,
    Preview,
    CallbackPreview,
    Capture,
    TriggerWaiting,
    TriggerAfterFrame,
    Recording
};
enum class Change { Window, Preset, ColourMode, Device, Mirror, PreviewWindow, Target };

const char* Name(State state) {
    static const char* names[] = {"Idle",     "Preview",        "CallbackPreview",
                                  "Capture",  "TriggerWaiting", "TriggerAfterFrame",
                                  "Recording"};
    return names[static_cast<int>(state)];
}
const char* Name(Change change) {
    static const char* names[] = {"Window", "Preset",        "ColourMode", "Device",
                                  "Mirror", "PreviewWindow", "Target"};
    return names[static_cast<int>(change)];
}

bool FramesFlow(State state) {
    return state == State::CallbackPreview || state == State::TriggerWaiting ||
           state == State::TriggerAfterFrame;
}
bool Triggered(State state) {
    return state == State::TriggerWaiting || state == State::TriggerAfterFrame;
}

// The documented choice: a running recording refuses what would change its file's frames (code
// 1); everything else applies, live where acquisition runs.
int ExpectedResult(State state, Change change) {
    const bool reshapes = change == Change::Window || change == Change::Preset ||
                          change == Change::ColourMode || change == Change::Device ||
                          change == Change::PreviewWindow;
    return state == State::Recording && reshapes ? 0 : 1;
}

constexpr size_t kBufferBytes = 1280u * 960u * 8u;

// A second size preset of camera 0: 640 × 480 in the middle of the sensor.
void WriteHalfSizePreset() {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER,
                              "Software\\Ostrel\\Travik380TZ4RDXSdk\\Camera_00\\Size_01", 0,
                              nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::pair<const char*, DWORD> values[] = {{"TH", 1280}, {"TV", 960},  {"EH", 640},
                                                    {"EV", 480},  {"EHS", 320}, {"EVS", 240},
                                                    {"Buf", 6}};
    for (auto [name, value] : values)
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    RegCloseKey(key);
}

class StateMatrix : public AcquisitionTest,
                    public ::testing::WithParamInterface<std::tuple<State, Change>> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(travik_emu::ResetDevice(1));
        AcquisitionTest::SetUp();
        WriteHalfSizePreset();
        ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
        ASSERT_EQ(Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
        buffer.assign(kBufferBytes, 0);
        other.assign(kBufferBytes, 0);
    }
    void TearDown() override {
        if (handle) Travik_StopPreview(handle);
        AcquisitionTest::TearDown();
        travik_emu::ResetDevice(1);
        DeleteFileA(recording.c_str());
    }

    int Length() const { return static_cast<int>(kBufferBytes); }

    void Enter(State state) {
        switch (state) {
        case State::Idle:
            return;
        case State::Preview:
            ASSERT_EQ(Travik_StartPreview(handle), 1);
            return;
        case State::CallbackPreview:
            ASSERT_EQ(Travik_CallBackPreview(handle, window.hwnd(), buffer.data(), Length(), 1), 1);
            ASSERT_GE(CountFrames(WaitNotices(2, 5000)), 2u);
            return;
        case State::Capture:
            ASSERT_EQ(Travik_Capture(handle), 1);
            return;
        case State::TriggerWaiting:
        case State::TriggerAfterFrame:
            ASSERT_EQ(Travik_Trigger(handle, window.hwnd(), buffer.data(), Length(), 1), 1);
            if (state == State::TriggerAfterFrame) ASSERT_TRUE(TriggeredFrameArrives(0));
            return;
        case State::Recording:
            recording = travik_test::TempFilePath("state-matrix.avi");
            ASSERT_EQ(Travik_Record(handle, recording.c_str(), 20000, 0), 1);
            return;
        }
    }

    int Apply(Change change) {
        switch (change) {
        case Change::Window:
            return Travik_SetCaptureWindowEx(handle, 1280, 64, 640, 960, 32, 480);
        case Change::Preset:
            return Travik_SetCaptureWindow(handle, 640, 480);
        case Change::ColourMode:
            return Travik_SetColorMode(handle, 8);
        case Change::Device:
            return Travik_SetDeviceNumber(handle, 1);
        case Change::Mirror:
            return Travik_SetMirrorH(handle, 1);
        case Change::PreviewWindow:
            return Travik_SetPreviewWindow(handle, nullptr, 0, 0, 320, 240);
        case Change::Target:
            return Travik_CallBackPreview(handle, window.hwnd(), other.data(), Length(), 1);
        }
        return -1;
    }

    bool TriggeredFrameArrives(int device) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            EXPECT_TRUE(travik_emu::Trigger(device));
            if (CountFrames(WaitNotices(1, 4000)) >= 1) return true;
        }
        return false;
    }

    // Frames after the change: their record has the camera's size now, and they come at all.
    void ExpectFramesOfTheNewSize(State state, Change change) {
        window.Collect(WM_CAMERA_NOTIFY, 0); // notices of frames made before the change
        std::vector<Notice> notices;
        if (Triggered(state)) {
            const int device = change == Change::Device ? 1 : 0;
            ASSERT_TRUE(TriggeredFrameArrives(device));
        } else {
            notices = WaitNotices(3, 5000);
            ASSERT_GE(CountFrames(notices), 3u);
        }
        for (const Notice& notice : notices) {
            if (!notice.IsFrame()) continue;
            EXPECT_EQ(notice.info.width, Travik_Width(handle));
            EXPECT_EQ(notice.info.height, Travik_Height(handle));
        }
        for (LPARAM code : Codes(notices))
            EXPECT_NE(code, ERR_TRANSFER);
    }

    std::vector<unsigned char> buffer, other;
    std::string recording;
};

TEST_P(StateMatrix, ChangeIsAppliedLiveOrRefusedAndFramesFollowIt) {
    const auto [state, change] = GetParam();
    Enter(state);
    if (HasFatalFailure()) return;
    DrainErrors();
    PostedErrors();

    const int expected = ExpectedResult(state, change);
    // The target swap is the callback preview's own; elsewhere it starts a preview or is refused
    // as before, which other tests pin down.
    if (change == Change::Target && state != State::CallbackPreview && state != State::Idle) return;
    EXPECT_EQ(Apply(change), expected);
    const std::vector<int> errors = DrainErrors();
    if (expected == 0) {
        EXPECT_EQ(errors, std::vector<int>{ERR_UNAVAILABLE});
        int width = 0;
        Travik_GetCaptureWindowEx(handle, nullptr, nullptr, &width, nullptr, nullptr, nullptr);
        EXPECT_EQ(width, 1280) << "a refused change changed the capture window";
    } else {
        EXPECT_TRUE(errors.empty()) << "first code " << (errors.empty() ? 0 : errors[0]);
    }

    if (FramesFlow(state) || (state == State::Idle && change == Change::Target))
        ExpectFramesOfTheNewSize(state, change);
    if (state == State::Capture) EXPECT_EQ(Travik_SnapShot(handle, buffer.data(), Length(), 1), 1);
    if (change == Change::Target && state == State::CallbackPreview) {
        // The old buffer is never written once the call has returned.
        std::fill(buffer.begin(), buffer.end(), 0xA5);
        WaitNotices(3, 5000);
        EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0xA5), static_cast<long>(buffer.size()));
    }
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    for (LPARAM code : PostedErrors())
        EXPECT_NE(code, ERR_TRANSFER);
}

INSTANTIATE_TEST_SUITE_P(
    EveryState, StateMatrix,
    ::testing::Combine(::testing::Values(State::Idle, State::Preview, State::CallbackPreview,
                                         State::Capture, State::TriggerWaiting,
                                         State::TriggerAfterFrame, State::Recording),
                       ::testing::Values(Change::Window, Change::Preset, Change::ColourMode,
                                         Change::Device, Change::Mirror, Change::PreviewWindow,
                                         Change::Target)),
    [](const ::testing::TestParamInfo<std::tuple<State, Change>>& info) {
        return std::string(Name(std::get<0>(info.param))) + "_" + Name(std::get<1>(info.param));
    });

} // namespace
