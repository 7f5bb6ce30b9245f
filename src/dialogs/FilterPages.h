// Settings dialogs: the image filter page and the gray filter page, which edit the camera's image
// filter block in place.
#pragma once

#include <windows.h>

#include <array>

namespace dialogs {

// Enable flags of the image filter dialog, filled from the colour mode.
enum FilterFlag {
    kFlagBrightness = 0,
    kFlagContrast = 1,
    kFlagHue = 2,
    kFlagSaturation = 3,
    kFlagSharpness = 4,
    kFlagRedGain = 5,
    kFlagGreenGain = 6,
    kFlagBlueGain = 7,
    kFlagGamma = 8,
    kFlagGrayPage = 9,
    kFlagColorAutomatics = 15,
    kFilterFlagCount = 19
};
using FilterFlags = std::array<int, kFilterFlagCount>;
// Monochrome modes (0 and 1) lose the colour controls and gain the gray page.
FilterFlags FilterFlagsForColorMode(int colorMode);

// Shared by both pages: the block, and the Bayer radios kept alike on both pages because they
// show one setting.
class FilterPage {
  public:
    explicit FilterPage(int* block) : m_block(block) {}
    virtual ~FilterPage() = default;
    INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND Window() const { return m_window; }
    void SetPartner(HWND partner) { m_partner = partner; }
    virtual void Refresh() const = 0;
    virtual void ReadBack() const = 0;

  protected:
    virtual void Open(HWND window) = 0;
    // Trackbar moved: true when it was one of the page's.
    virtual bool OnScroll(HWND control) = 0;
    virtual void OnCommand(int id, int code) = 0;
    // Checks the radio of the current Bayer mode here and on the partner page.
    void ShowBayerMode() const;
    bool HandleBayerRadio(int id);

    int* m_block;
    HWND m_window = nullptr;
    HWND m_partner = nullptr;
    // Edit changes count only after the page has been set up, and not while Refresh paints.
    mutable bool m_ready = false;
};

class ImagePage : public FilterPage {
  public:
    ImagePage(int* block, const FilterFlags& flags) : FilterPage(block), m_flags(flags) {}
    void Refresh() const override;
    void ReadBack() const override;

  private:
    void Open(HWND window) override;
    bool OnScroll(HWND control) override;
    void OnCommand(int id, int code) override;
    FilterFlags m_flags;
};

class GrayPage : public FilterPage {
  public:
    using FilterPage::FilterPage;
    void Refresh() const override;
    void ReadBack() const override;

  private:
    void Open(HWND window) override;
    bool OnScroll(HWND control) override;
    void OnCommand(int id, int code) override;
};

} // namespace dialogs
