// Numbers typed into the dialogs' edit boxes are limited to the range of their setting: what the
// setting, the trackbar and the sensor get, and what OK keeps.
#include "DialogFixture.h"

using namespace dialog_test;

namespace {

enum class Dialog { kImage, kGray, kAnalog };

struct TypedCase {
    const char* name;
    Dialog dialog;
    int edit;
    const wchar_t* typed;
    int filter;   // the setting, read back through Travik_GetFilterValue
    int expected; // while the dialog is open and after OK
};

void PrintTo(const TypedCase& c, std::ostream* out) { *out << c.name; }

class TypedRange : public DialogTest, public ::testing::WithParamInterface<TypedCase> {};

int Open(Dialog dialog, int handle, HWND owner, const std::function<void(HWND)>& script) {
    if (dialog == Dialog::kAnalog)
        return RunWithScript([&] { return Travik_SetAnalogDlg(handle, owner); }, script);
    return RunWithScript([&] { return Travik_SetImageDlg(handle, owner); }, script);
}

} // namespace

TEST_P(TypedRange, TypedNumberIsLimitedToTheSettingsRange) {
    const TypedCase& c = GetParam();
    ASSERT_EQ(Travik_SetColorMode(handle, c.dialog == Dialog::kGray ? 8 : 24), 1);
    int during = -12345;
    std::wstring shownAfterLeaving;
    Open(c.dialog, handle, window.hwnd(), [&](HWND frame) {
        if (c.dialog == Dialog::kGray) ClickTab(frame, 1);
        HWND edit = FindControl(frame, c.edit);
        TypeText(frame, c.edit, c.typed);
        during = Filter(c.filter);
        // Leaving the box shows the value that was stored.
        SendMessageW(edit, WM_KILLFOCUS, 0, 0);
        Sleep(100);
        shownAfterLeaving = WindowText(edit);
        Click(frame, IDOK);
    });
    EXPECT_EQ(during, c.expected);
    EXPECT_EQ(shownAfterLeaving, std::to_wstring(c.expected));
    EXPECT_EQ(Filter(c.filter), c.expected) << "after OK";
}

INSTANTIATE_TEST_SUITE_P(
    , TypedRange,
    ::testing::Values(
        TypedCase{"GlobalGainAbove", Dialog::kAnalog, 1015, L"5000", FILTER_GLOBAL_GAIN, 1023},
        TypedCase{"GlobalGainNegative", Dialog::kAnalog, 1015, L"-7", FILTER_GLOBAL_GAIN, 0},
        TypedCase{"ExposureAbove", Dialog::kAnalog, 1027, L"2000", FILTER_EXPOSURE_TIME, 1003},
        TypedCase{"ExposureBelow", Dialog::kAnalog, 1027, L"1", FILTER_EXPOSURE_TIME, 3},
        TypedCase{"RedGainAbove", Dialog::kImage, 2052, L"500", FILTER_BAYER_GAIN_RED, 400},
        TypedCase{"BrightnessBelow", Dialog::kImage, 2002, L"-999", FILTER_BRIGHTNESS, -255},
        TypedCase{"HueAbove", Dialog::kImage, 2022, L"4000", FILTER_HUE, 360},
        TypedCase{"SharpnessAbove", Dialog::kImage, 2042, L"99", FILTER_SHARPNESS, 30},
        TypedCase{"GammaAbove", Dialog::kImage, 2082, L"201", FILTER_GAMMA, 200},
        TypedCase{"GrayGainAbove", Dialog::kGray, 2101, L"999", FILTER_GRAY_GAIN_R, 400},
        TypedCase{"GrayOffsetNegative", Dialog::kGray, 2122, L"-20", FILTER_GRAY_OFFSET_B, -20},
        TypedCase{"GrayOffsetBelow", Dialog::kGray, 2122, L"-300", FILTER_GRAY_OFFSET_B, -255},
        TypedCase{"GrayOffsetAbove", Dialog::kGray, 2113, L"300", FILTER_GRAY_OFFSET_R, 255}),
    [](const ::testing::TestParamInfo<TypedCase>& info) { return std::string(info.param.name); });

TEST_F(DialogTest, GlobalGainTypedAboveTenBitsReachesTheSensorAsTheLargestGain) {
    int during = -1;
    RunWithScript([&] { return Travik_SetAnalogDlg(handle, window.hwnd()); },
                  [&](HWND frame) {
                      TypeText(frame, 1015, L"1024");
                      during = SensorGain();
                      Click(frame, IDOK);
                  });
    EXPECT_EQ(during, 1023) << "1024 in ten bits would be gain 0";
    EXPECT_EQ(SensorGain(), 1023);
}

TEST_F(DialogTest, NegativeWaitTimeIsRefusedLikeTheSetterRefusesIt) {
    // A wait stored as -1 would show as the largest unsigned number and come back on OK.
    HKEY camera = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Ostrel\\Travik380TZ4RDXSdk\\Camera_00",
                              0, nullptr, 0, KEY_SET_VALUE, nullptr, &camera, nullptr),
              ERROR_SUCCESS);
    const DWORD minusOne = 0xFFFFFFFF;
    RegSetValueExA(camera, "WaitTime", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&minusOne),
                   sizeof(minusOne));
    RegCloseKey(camera);
    std::wstring openedWith, afterApply;
    RunWithScript([&] { return Travik_SetCameraDlg(handle, window.hwnd()); },
                  [&](HWND frame) {
                      openedWith = WindowText(FindControl(frame, 1045));
                      TypeText(frame, 1045, L"250");
                      Click(frame, 1002); // Apply
                      // More digits than the box shows: what a stored -1 would have put there.
                      SetWindowTextW(FindControl(frame, 1045), L"4294967295");
                      Sleep(100);
                      Click(frame, 1002);
                      afterApply = WindowText(FindControl(frame, 1045));
                      Click(frame, IDOK);
                  });
    EXPECT_EQ(openedWith, L"1") << "the dialog's own default, not the stored -1";
    EXPECT_EQ(afterApply, L"250");
    EXPECT_EQ(StoredValue("WaitTime"), 250);
    EXPECT_EQ(Travik_GetWaitTime(handle), 250);
}

namespace {

// Stops on a thread of its own, so that a stop that never returns fails instead of hanging.
bool StopReturns(int handle) {
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* argument) -> DWORD {
            return static_cast<DWORD>(Travik_StopPreview(static_cast<int>(reinterpret_cast<INT_PTR>(argument))));
        },
        reinterpret_cast<void*>(static_cast<INT_PTR>(handle)), 0, nullptr);
    if (!thread) return false;
    const bool returned = WaitForSingleObject(thread, 20000) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return returned;
}

} // namespace

TEST_F(DialogTest, LargestTypedWaitTimeIsTakenAndNeverDelaysAStop) {
    ASSERT_EQ(Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
    ASSERT_EQ(Travik_StartPreview(handle), 1);
    RunWithScript([&] { return Travik_SetCameraDlg(handle, window.hwnd()); },
                  [&](HWND frame) {
                      TypeText(frame, 1045, L"99999999"); // as many digits as the box takes
                      Click(frame, IDOK);
                  });
    EXPECT_EQ(StoredValue("WaitTime"), 99999999);
    EXPECT_EQ(Travik_GetWaitTime(handle), 99999999);
    // Preview started again after OK, its loop now waiting out the wait time: a stop ends it.
    EXPECT_TRUE(StopReturns(handle));
}
