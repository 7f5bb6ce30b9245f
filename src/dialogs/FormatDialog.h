// Settings dialogs: the camera format dialog, which edits the format values and size presets of
// the settings store (not the running camera).
#pragma once

#include <windows.h>

#include <array>

#include "dialogs/DialogCommon.h"

namespace dialogs {

class FormatDialog {
  public:
    static constexpr int kMaxSizes = 100;
    // TH, TV, EH, EV, EHS, EVS, Buf.
    using SizeEntry = std::array<int, 7>;

    // Claims the process's format dialog; see Claimed.
    explicit FormatDialog(int cameraNumber);
    FormatDialog(const FormatDialog&) = delete;
    FormatDialog& operator=(const FormatDialog&) = delete;

    // False when another format dialog of this process was open as this one was made: it then
    // cannot be run.
    bool Claimed() const { return m_claim.Claimed(); }
    // 1 for OK, 2 for Cancel or closing, -1 when it could not be shown (-2 when not claimed).
    INT_PTR Run(HWND owner);
    INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    void ReadStore();
    void WriteStore() const;
    void Open(HWND window);
    void FillLists() const;
    void ShowSizeFields(int index) const;
    void OnCommand(int id, int code);
    void ReadBack();
    void ReadWaitTime();
    void ReadSizeFields(SizeEntry& entry) const;
    void SetSizeText(int index, bool replace) const;
    bool IsCustom() const { return m_size == m_count; }

    std::array<SizeEntry, kMaxSizes> m_sizes;
    int m_count = 0;
    int m_size = 0;
    int m_color = 2;
    int m_subSample = 0;
    int m_waitTime = 1;
    int m_clock = 2;
    int m_cameraNumber;
    HWND m_window = nullptr;
    TabFrame m_tab;
    // Last: the kind is claimed once the object is complete and released before it goes.
    ActiveDialogClaim<FormatDialog> m_claim{this};
};


} // namespace dialogs
