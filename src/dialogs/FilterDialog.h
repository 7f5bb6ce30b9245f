// Settings dialogs: the image filter dialog, a frame with the image page and, in the monochrome
// modes, the gray page; the pages edit the image filter block in place.
#pragma once

#include <windows.h>

#include "dialogs/DialogCommon.h"
#include "dialogs/FilterPages.h"

namespace dialogs {

class FilterDialog {
  public:
    // Claims the process's image filter dialog and its two pages; see Claimed.
    FilterDialog(int* block, const FilterFlags& flags) : m_block(block), m_flags(flags), m_image(block, flags), m_gray(block) {}
    FilterDialog(const FilterDialog&) = delete;
    FilterDialog& operator=(const FilterDialog&) = delete;

    // False when another image filter dialog of this process was open as this one was made: it
    // then cannot be run.
    bool Claimed() const { return m_frameClaim.Claimed() && m_imageClaim.Claimed() && m_grayClaim.Claimed(); }
    // The modal frame: 1 for OK, 2 for Cancel or closing, -1 when it could not be shown
    // (-2 when not claimed).
    INT_PTR Run(HWND owner);
    INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    void Open(HWND window);
    void ShowTab(int index) const;
    void RestoreDefaults() const;
    void Refresh() const;
    bool HasGrayPage() const { return m_flags[kFlagGrayPage] != 0; }

    int* m_block;
    FilterFlags m_flags;
    ImagePage m_image;
    GrayPage m_gray;
    TabFrame m_tab;
    HWND m_window = nullptr;
    // Last: the kinds are claimed once the object is complete and released before it goes. The
    // pages are claimed only with the frame, so that two launchers cannot each hold a part.
    ActiveDialogClaim<FilterDialog> m_frameClaim{this};
    ActiveDialogClaim<ImagePage> m_imageClaim{&m_image, m_frameClaim.Claimed()};
    ActiveDialogClaim<GrayPage> m_grayClaim{&m_gray, m_frameClaim.Claimed()};
};

} // namespace dialogs
