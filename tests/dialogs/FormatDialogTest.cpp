// The format dialog driven as a user would: its lists and disabled controls, Apply, OK and Cancel
// against the settings store.
#include "DialogFixture.h"

#include <vector>

using namespace dialog_test;

namespace {

int OpenFormatDialog(int handle, HWND owner, const std::function<void(HWND)>& script) {
    return RunWithScript([&] { return Travik_SetCameraDlg(handle, owner); }, script);
}

constexpr int kDisabledOfThisModel[] = {1010, 1012, 1014, 1039, 1040, 1041, 1042, 1043, 1044};

} // namespace

TEST_F(DialogTest, FormatDialogOpensOnTheStoredValuesWithApplyAndSizeControlsDisabled) {
    std::vector<std::wstring> sizes;
    int color = -1, clock = -1, sizeSelection = -1;
    std::wstring waitTime, width;
    bool applyEnabled = true;
    std::vector<int> enabled;
    const int result = OpenFormatDialog(handle, window.hwnd(), [&](HWND frame) {
        for (int i = 0; i < ListCount(frame, 1010); ++i) sizes.push_back(ListText(frame, 1010, i));
        color = ListSelection(frame, 1009);
        clock = ListSelection(frame, 1014);
        sizeSelection = ListSelection(frame, 1010);
        waitTime = WindowText(FindControl(frame, 1045));
        width = WindowText(FindControl(frame, 1041));
        applyEnabled = IsEnabled(frame, 1002);
        for (int id : kDisabledOfThisModel)
            if (IsEnabled(frame, id)) enabled.push_back(id);
        EXPECT_TRUE(IsEnabled(frame, 1009));
        EXPECT_TRUE(IsEnabled(frame, 1045));
        EXPECT_TRUE(SaveScreenshot(frame, Shot("format")));
        Click(frame, IDCANCEL);
    });
    EXPECT_EQ(result, 1);
    // First use stored one preset of 1280 x 960, colour 2, wait time 1 and clock 2.
    EXPECT_EQ(sizes, (std::vector<std::wstring>{L"1280 x 960", Japanese() ? L"\u30AB\u30B9\u30BF\u30E0" : L"Custom"}));
    EXPECT_EQ(sizeSelection, 0);
    EXPECT_EQ(color, 2);
    EXPECT_EQ(clock, 2);
    EXPECT_EQ(waitTime, L"1");
    EXPECT_EQ(width, L"1280");
    EXPECT_FALSE(applyEnabled);
    EXPECT_TRUE(enabled.empty()) << "first control enabled by mistake: " << enabled[0];
}

TEST_F(DialogTest, ApplyWritesTheStoreAndCancelKeepsItWhileTheCameraKeepsItsValue) {
    bool afterEdit = false, afterApply = true;
    OpenFormatDialog(handle, window.hwnd(), [&](HWND frame) {
        TypeText(frame, 1045, L"25");
        afterEdit = IsEnabled(frame, 1002);
        Click(frame, 1002);
        afterApply = IsEnabled(frame, 1002);
        Click(frame, IDCANCEL);
    });
    EXPECT_TRUE(afterEdit);
    EXPECT_FALSE(afterApply);
    EXPECT_EQ(StoredValue("WaitTime"), 25);
    EXPECT_EQ(Travik_GetWaitTime(handle), 1);
}

TEST_F(DialogTest, OkStoresTheColourModeAndTheCameraReloadsIt) {
    OpenFormatDialog(handle, window.hwnd(), [&](HWND frame) {
        SelectListEntry(frame, 1009, 0);
        EXPECT_TRUE(IsEnabled(frame, 1002));
        TypeText(frame, 1045, L"7");
        Click(frame, IDOK);
    });
    EXPECT_EQ(StoredValue("Color"), 0);
    EXPECT_EQ(StoredValue("WaitTime"), 7);
    EXPECT_EQ(Travik_GetColorMode(handle), 8);
    EXPECT_EQ(Travik_GetWaitTime(handle), 7);

    OpenFormatDialog(handle, window.hwnd(), [&](HWND frame) {
        SelectListEntry(frame, 1009, 2);
        Click(frame, IDOK);
    });
    EXPECT_EQ(StoredValue("Color"), 2);
    EXPECT_EQ(Travik_GetColorMode(handle), 24);
}

TEST_F(DialogTest, CancelWritesNothing) {
    OpenFormatDialog(handle, window.hwnd(), [&](HWND frame) {
        SelectListEntry(frame, 1009, 5);
        TypeText(frame, 1045, L"99");
        Click(frame, IDCANCEL);
    });
    EXPECT_EQ(StoredValue("Color"), 2);
    EXPECT_EQ(StoredValue("WaitTime"), 1);
}

TEST_F(DialogTest, WithoutPresetsTheSizeListHoldsOnlyCustom) {
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Ostrel\\Travik380TZ4RDXSdk\\Camera_00\\Size_00"),
              ERROR_SUCCESS);
    int count = 0;
    std::wstring only;
    OpenFormatDialog(handle, window.hwnd(), [&](HWND frame) {
        count = ListCount(frame, 1010);
        only = ListText(frame, 1010, 0);
        Click(frame, IDOK);
    });
    EXPECT_EQ(count, 1);
    EXPECT_EQ(only, Japanese() ? L"\u30AB\u30B9\u30BF\u30E0" : L"Custom");
    // OK with "Custom" selected adds the shown size as the first preset.
    EXPECT_EQ(StoredValue("EH", "Size_00"), 1280);
    EXPECT_EQ(StoredValue("Buf", "Size_00"), 4);
    EXPECT_EQ(StoredValue("Size"), 0);
}
