// The dialogs' texts in the language of the system: English, or Japanese when the system's
// default language is Japanese (this program runs once in each).
#include "DialogFixture.h"

#include <vector>

using namespace dialog_test;

TEST_F(DialogTest, LanguageOfTheFormatDialog) {
    std::wstring caption, tab;
    std::vector<std::wstring> colours, clocks;
    RunWithScript([&] { return Travik_SetCameraDlg(handle, window.hwnd()); },
                  [&](HWND frame) {
                      caption = WindowText(frame);
                      tab = TabTitle(frame, 0);
                      for (int i = 0; i < ListCount(frame, 1009); ++i) colours.push_back(ListText(frame, 1009, i));
                      for (int i = 0; i < ListCount(frame, 1014); ++i) clocks.push_back(ListText(frame, 1014, i));
                      Click(frame, IDCANCEL);
                  });
    if (Japanese()) {
        EXPECT_EQ(caption, L"\u30D7\u30ED\u30D1\u30C6\u30A3");
        EXPECT_EQ(tab, L"\u30B9\u30C8\u30EA\u30FC\u30E0\u5F62\u5F0F");
        EXPECT_EQ(colours, (std::vector<std::wstring>{L"\u767D\u9ED2 8bit", L"\u767D\u9ED2 10bit \u203B",
                                                      L"\u30AB\u30E9\u30FC 24bit", L"\u30AB\u30E9\u30FC 32bit",
                                                      L"\u30AB\u30E9\u30FC 48bit \u203B",
                                                      L"\u30AB\u30E9\u30FC 64bit \u203B"}));
        EXPECT_EQ(clocks, (std::vector<std::wstring>{L"\u6A19\u6E96(24MHz)", L"\u30CF\u30FC\u30D5(12MHz)",
                                                     L"\u9AD8\u901F(40MHz)"}));
    } else {
        EXPECT_EQ(caption, L"Property");
        EXPECT_EQ(tab, L"Stream Format");
        EXPECT_EQ(colours, (std::vector<std::wstring>{L"Monochrome 8bit", L"Monochrome 10bit *", L"Color 24bit",
                                                      L"Color 32bit", L"Color 48bit *", L"Color 64bit *"}));
        EXPECT_EQ(clocks, (std::vector<std::wstring>{L"Nomal(24MHz)", L"Half(12MHz)", L"High(40MHz)"}));
    }
}

TEST_F(DialogTest, LanguageOfTheFilterAndAnalogFrames) {
    const std::wstring property = Japanese() ? L"\u30D7\u30ED\u30D1\u30C6\u30A3" : L"Property";
    std::wstring imageCaption, imageTab, analogCaption, analogTab;
    RunWithScript([&] { return Travik_SetImageDlg(handle, window.hwnd()); },
                  [&](HWND frame) {
                      imageCaption = WindowText(frame);
                      imageTab = TabTitle(frame, 0);
                      Click(frame, IDCANCEL);
                  });
    RunWithScript([&] { return Travik_SetAnalogDlg(handle, window.hwnd()); },
                  [&](HWND frame) {
                      analogCaption = WindowText(frame);
                      analogTab = TabTitle(frame, 0);
                      Click(frame, IDCANCEL);
                  });
    EXPECT_EQ(imageCaption, property);
    EXPECT_EQ(imageTab, L"Image Filter");
    EXPECT_EQ(analogCaption, property);
    EXPECT_EQ(analogTab, L"Analog Gain");
}
