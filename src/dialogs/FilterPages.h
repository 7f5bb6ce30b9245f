// Settings dialogs: the image filter page and the gray filter page, which edit the camera's image
// filter block in place.
#pragma once

#include <windows.h>

#include <array>
#include <span>

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

struct FilterRow;

// Shared by both pages: the block, the page's slider rows, and the Bayer radios kept alike on
// both pages because they show one setting.
class FilterPage {
  public:
    FilterPage(int* block, std::span<const FilterRow> rows) : m_block(block), m_rows(rows) {}
    virtual ~FilterPage() = default;
    INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND Window() const { return m_window; }
    void SetPartner(HWND partner) { m_partner = partner; }
    // The block's values into the rows, and the rows' edit boxes back into the block.
    virtual void Refresh() const;
    virtual void ReadBack() const;

  protected:
    // The page's own controls beside its rows, the Bayer radios and the all-frames box.
    virtual void Open(HWND window) = 0;
    // A button of the page's own other than a Bayer radio.
    virtual void OnClick(int id) = 0;
    // Checks the radio of the current Bayer mode here and on the partner page.
    void ShowBayerMode() const;

    int* m_block;
    HWND m_window = nullptr;

  private:
    void Begin(HWND window);
    bool OnScroll(HWND control);
    void OnCommand(int id, int code);
    bool HandleBayerRadio(int id);

    std::span<const FilterRow> m_rows;
    HWND m_partner = nullptr;
    // Edit changes count only after the page has been set up, and not while Refresh paints.
    mutable bool m_ready = false;
};

class ImagePage : public FilterPage {
  public:
    ImagePage(int* block, const FilterFlags& flags);
    void Refresh() const override;
    void ReadBack() const override;

  private:
    void Open(HWND window) override;
    void OnClick(int id) override;
    FilterFlags m_flags;
};

class GrayPage : public FilterPage {
  public:
    explicit GrayPage(int* block);

  private:
    void Open(HWND window) override;
    void OnClick(int id) override;
};

} // namespace dialogs
