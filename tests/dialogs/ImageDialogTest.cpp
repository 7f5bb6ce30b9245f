// The image filter dialog driven as a user would: enabled controls per colour mode, live edits,
// Cancel, Default, the automatic requests and the gray page.
#include "DialogFixture.h"

#include <vector>

using namespace dialog_test;

namespace {

int OpenImageDialog(int handle, HWND owner, const std::function<void(HWND)>& script) {
    return RunWithScript([&] { return Travik_SetImageDlg(handle, owner); }, script);
}

// Hue, saturation, the three colour gains and the white balance and Bayer controls.
const std::vector<int> kColorOnly = {2021, 2022, 2024, 2031, 2032, 2034, 2051, 2052, 2054, 2061, 2062, 2063,
                                     2071, 2072, 2073, 2074, 1035, 1030, 1031, 1032, 1033};
const std::vector<int> kAlwaysEnabled = {2001, 2002, 2004, 2011, 2012, 2014, 2041, 2042, 2044, 2081, 2082, 2084};

struct ModeCase {
    int bits;
    int tabs;
    bool colorControls;
    const char* shot;
};

class ImageDialogModes : public DialogTest, public ::testing::WithParamInterface<ModeCase> {};

} // namespace

TEST_P(ImageDialogModes, TabsAndEnabledControlsFollowTheColourMode) {
    const ModeCase& mode = GetParam();
    ASSERT_EQ(Travik_SetColorMode(handle, mode.bits), 1);
    int tabs = 0;
    std::vector<int> wrong;
    std::wstring firstTab, secondTab;
    const int result = OpenImageDialog(handle, window.hwnd(), [&](HWND frame) {
        tabs = TabCount(frame);
        firstTab = TabTitle(frame, 0);
        secondTab = TabTitle(frame, 1);
        for (int id : kColorOnly)
            if (IsEnabled(frame, id) != mode.colorControls) wrong.push_back(id);
        for (int id : kAlwaysEnabled)
            if (!IsEnabled(frame, id)) wrong.push_back(id);
        EXPECT_TRUE(SaveScreenshot(frame, Shot(mode.shot)));
        if (mode.tabs == 2) {
            ClickTab(frame, 1);
            EXPECT_NE(FindControl(frame, 2100), nullptr) << "gray page shown";
            EXPECT_EQ(FindControl(frame, 2001), nullptr) << "image page hidden";
            EXPECT_TRUE(SaveScreenshot(frame, Shot("gray_filter")));
            ClickTab(frame, 0);
            EXPECT_NE(FindControl(frame, 2001), nullptr) << "image page shown again";
        }
        Click(frame, IDCANCEL);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(tabs, mode.tabs);
    EXPECT_EQ(firstTab, L"Image Filter");
    EXPECT_EQ(secondTab, mode.tabs == 2 ? L"Gray Filter" : L"");
    EXPECT_TRUE(wrong.empty()) << "first wrongly enabled or disabled control: " << (wrong.empty() ? 0 : wrong[0]);
}

INSTANTIATE_TEST_SUITE_P(, ImageDialogModes,
                         ::testing::Values(ModeCase{8, 2, false, "image_filter_mono"},
                                           ModeCase{24, 1, true, "image_filter_color"}));

TEST_F(DialogTest, GammaMovedLiveIsUndoneByCancel) {
    ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
    int during = 0;
    std::wstring edit;
    OpenImageDialog(handle, window.hwnd(), [&](HWND frame) {
        MoveTrackbar(frame, 2081, 150);
        during = Filter(FILTER_GAMMA);
        edit = WindowText(FindControl(frame, 2082));
        Click(frame, IDCANCEL);
    });
    EXPECT_EQ(during, 150);
    EXPECT_EQ(edit, L"150");
    EXPECT_EQ(Filter(FILTER_GAMMA), 100);
}

TEST_F(DialogTest, DefaultThenOkResetsImageAndGraySettingsButNotTheGrayMode) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    for (auto [id, value] : {std::pair{FILTER_BRIGHTNESS, 40}, {FILTER_GAMMA, 60}, {FILTER_BAYER_MODE, 3},
                             {FILTER_GRAY_MODE, 2}, {FILTER_GRAY_GAIN_R, 20}, {FILTER_GRAY_OFFSET_B, -7}})
        ASSERT_EQ(Travik_SetFilterValue(handle, id, value), 1);
    OpenImageDialog(handle, window.hwnd(), [&](HWND frame) {
        Click(frame, 3);
        Click(frame, IDOK);
    });
    EXPECT_EQ(Filter(FILTER_BRIGHTNESS), 0);
    EXPECT_EQ(Filter(FILTER_GAMMA), 100);
    EXPECT_EQ(Filter(FILTER_BAYER_MODE), 1);
    EXPECT_EQ(Filter(FILTER_GRAY_MODE), 2);
    for (int id = FILTER_GRAY_GAIN_R; id <= FILTER_GRAY_GAIN_B; ++id) EXPECT_EQ(Filter(id), 128) << id;
    for (int id = FILTER_GRAY_OFFSET_R; id <= FILTER_GRAY_OFFSET_B; ++id) EXPECT_EQ(Filter(id), 0) << id;
}

TEST_F(DialogTest, WhiteBalanceRequestsAreLiveAndCancelled) {
    ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
    int allFrames = -1, afterOnce = -1;
    bool boxAfterOnce = true;
    OpenImageDialog(handle, window.hwnd(), [&](HWND frame) {
        Click(frame, 1035);
        allFrames = Filter(FILTER_BAYER_GAIN_AUTO);
        Click(frame, 2074);
        afterOnce = Filter(FILTER_BAYER_GAIN_AUTO);
        boxAfterOnce = IsChecked(frame, 1035);
        Click(frame, IDCANCEL);
    });
    EXPECT_EQ(allFrames, 1);
    EXPECT_EQ(afterOnce, 1);
    EXPECT_FALSE(boxAfterOnce);
    EXPECT_EQ(Filter(FILTER_BAYER_GAIN_AUTO), 0);
}

TEST_F(DialogTest, GrayPageEditsGainsModeAndAutoGain) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    int once = 0, allFrames = 0;
    OpenImageDialog(handle, window.hwnd(), [&](HWND frame) {
        ClickTab(frame, 1);
        MoveTrackbar(frame, 2100, 200);       // gain red
        TypeText(frame, 2122, L"-20");        // offset blue
        Click(frame, 1048);                   // grayscale
        Click(frame, 1033);                   // Bayer mode 3, the setting both pages show
        Click(frame, 2074);
        once = Filter(FILTER_GRAY_AUTO);
        Click(frame, 1035);
        allFrames = Travik_GetFilterValue(handle, FILTER_GRAY_AUTO, nullptr);
        Click(frame, IDOK);
    });
    EXPECT_EQ(once, 1);
    EXPECT_EQ(allFrames, -1);
    EXPECT_EQ(Filter(FILTER_GRAY_GAIN_R), 200);
    EXPECT_EQ(Filter(FILTER_GRAY_OFFSET_B), -20);
    EXPECT_EQ(Filter(FILTER_GRAY_MODE), 2);
    EXPECT_EQ(Filter(FILTER_BAYER_MODE), 3) << "OK on the image page must not undo the gray page's choice";
}

TEST_F(DialogTest, SecondImageDialogOfTheProcessIsRefused) {
    int second = -1;
    std::vector<int> codes;
    OpenImageDialog(handle, window.hwnd(), [&](HWND frame) {
        second = Travik_SetImageDlg(handle, nullptr);
        codes = DrainErrors();
        Click(frame, IDCANCEL);
    });
    EXPECT_EQ(second, 0);
    EXPECT_EQ(codes, std::vector<int>{ERR_UNAVAILABLE});
}

TEST_F(DialogTest, UnknownHandleShowsNoDialog) {
    EXPECT_EQ(Travik_SetImageDlg(handle + 1, nullptr), 0);
    EXPECT_EQ(Travik_SetAnalogDlg(handle + 1, nullptr), 0);
    EXPECT_EQ(Travik_SetCameraDlg(handle + 1, nullptr), 0);
    EXPECT_EQ(WaitForFrame(200), nullptr);
}
