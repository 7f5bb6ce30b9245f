// The analog gain dialog driven as a user would: live sensor writes, Cancel and Default, the
// exposure-time label, the automatic iris boxes and the mirrors.
#include "DialogFixture.h"

using namespace dialog_test;

namespace {

int OpenAnalogDialog(int handle, HWND owner, const std::function<void(HWND)>& script) {
    return RunWithScript([&] { return Travik_SetAnalogDlg(handle, owner); }, script);
}

} // namespace

TEST_F(DialogTest, GainMovedLiveReachesTheSensorAndCancelRestoresIt) {
    ASSERT_EQ(Travik_SetGlobalGain(handle, 300), 1);
    int during = -1;
    std::wstring edit;
    const int result = OpenAnalogDialog(handle, window.hwnd(), [&](HWND frame) {
        MoveTrackbar(frame, 1013, 700);
        during = SensorGain();
        edit = WindowText(FindControl(frame, 1015));
        EXPECT_TRUE(SaveScreenshot(frame, Shot("analog_gain")));
        Click(frame, IDCANCEL);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(during, 700);
    EXPECT_EQ(edit, L"700");
    EXPECT_EQ(SensorGain(), 300);
    EXPECT_EQ(Filter(FILTER_GLOBAL_GAIN), 300);
}

TEST_F(DialogTest, GainTypedAndOkIsKept) {
    OpenAnalogDialog(handle, window.hwnd(), [&](HWND frame) {
        TypeText(frame, 1015, L"640");
        Click(frame, IDOK);
    });
    EXPECT_EQ(SensorGain(), 640);
    EXPECT_EQ(Filter(FILTER_GLOBAL_GAIN), 640);
}

TEST_F(DialogTest, DefaultSetsTheSensorAtOnceAndCancelUndoesIt) {
    ASSERT_EQ(Travik_SetGlobalGain(handle, 100), 1);
    ASSERT_EQ(Travik_SetExposureTime(handle, 500), 1);
    int gain = -1, exposure = -1;
    std::wstring gainEdit;
    OpenAnalogDialog(handle, window.hwnd(), [&](HWND frame) {
        Click(frame, 3);
        gain = SensorGain();
        exposure = Filter(FILTER_EXPOSURE_TIME);
        gainEdit = WindowText(FindControl(frame, 1015));
        Click(frame, IDCANCEL);
    });
    EXPECT_EQ(gain, 512);
    EXPECT_EQ(exposure, 3);
    EXPECT_EQ(gainEdit, L"512");
    EXPECT_EQ(SensorGain(), 100);
    EXPECT_EQ(Filter(FILTER_EXPOSURE_TIME), 500);
}

TEST_F(DialogTest, ExposureLabelIsZeroUntilTheRealExposureTimeIsKnown) {
    ASSERT_EQ(Travik_SetExposureTime(handle, 3), 1);
    std::wstring before, after, shortest;
    OpenAnalogDialog(handle, window.hwnd(), [&](HWND frame) {
        before = WindowText(FindControl(frame, 1049));
        Click(frame, IDCANCEL);
    });
    int ok = 0;
    EXPECT_EQ(Travik_GetRealExposureTime(handle, &ok), 44450);
    OpenAnalogDialog(handle, window.hwnd(), [&](HWND frame) {
        after = WindowText(FindControl(frame, 1049));
        TypeText(frame, 1027, L"1003");
        shortest = WindowText(FindControl(frame, 1049));
        Click(frame, IDCANCEL);
    });
    EXPECT_EQ(before, L"=0.00ms");
    EXPECT_EQ(after, L"=44.45ms");
    EXPECT_EQ(shortest, L"=0.01ms");
}

TEST_F(DialogTest, AutoIrisBoxesExcludeEachOther) {
    int exposureMode = -1, gainMode = -1, none = -1;
    bool exposureBox = true;
    OpenAnalogDialog(handle, window.hwnd(), [&](HWND frame) {
        Click(frame, 1037);
        exposureMode = Travik_GetAutoIris(handle, nullptr);
        Click(frame, 1036);
        gainMode = Travik_GetAutoIris(handle, nullptr);
        exposureBox = IsChecked(frame, 1037);
        Click(frame, 1036);
        none = Travik_GetAutoIris(handle, nullptr);
        Click(frame, 1036);
        Click(frame, IDOK);
    });
    EXPECT_EQ(exposureMode, 1);
    EXPECT_EQ(gainMode, 2);
    EXPECT_FALSE(exposureBox);
    EXPECT_EQ(none, 0);
    EXPECT_EQ(Travik_GetAutoIris(handle, nullptr), 2);
}

TEST_F(DialogTest, MirrorsAndColourGainsOnTheAnalogPage) {
    int mirrorDuring = -1;
    bool colourGainEnabled = true;
    std::wstring colourGain;
    OpenAnalogDialog(handle, window.hwnd(), [&](HWND frame) {
        Click(frame, 1028);
        mirrorDuring = Travik_GetMirrorV(handle);
        colourGainEnabled = IsEnabled(frame, 1021);
        colourGain = WindowText(FindControl(frame, 1021));
        Click(frame, IDCANCEL);
    });
    EXPECT_EQ(mirrorDuring, 1);
    EXPECT_FALSE(colourGainEnabled);
    EXPECT_EQ(colourGain, L"0");
    EXPECT_EQ(Travik_GetMirrorV(handle), 0);
}
