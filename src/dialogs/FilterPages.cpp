// Settings dialogs: the image filter page and the gray filter page.
#include "dialogs/FilterPages.h"

#include <commctrl.h>

#include "camera/SettingsTable.h"
#include "dialogs/DialogCommon.h"
#include "dialogs/DialogIds.h"
#include "dialogs/SliderGroup.h"

using namespace settings;

namespace dialogs {

struct FilterRow {
    int entry; // position in the image filter block
    int flag;  // enable flag, or -1 for always enabled
    SliderGroup group;
    // The values the row stores: a number typed outside them is stored as the nearest one.
    int lowest;
    int highest;
    constexpr int Limit(int value) const { return value < lowest ? lowest : value > highest ? highest : value; }
};

namespace {

// The dialog row of setting `id` on these controls.
constexpr FilterRow Row(Id id, int flag, int bar, int spin, int edit) {
    const Setting& setting = Of(id);
    const DialogRow& row = setting.dialog;
    const SliderGroup group{bar, spin, edit, row.minimum, row.maximum, row.tickFrequency};
    if (row.typedWithinSetting)
        return {setting.slot.entry, flag, group, setting.range.low, setting.range.high};
    return {setting.slot.entry, flag, group, row.minimum, row.maximum};
}

constexpr FilterRow kImageRows[] = {
    Row(Id::Brightness, kFlagBrightness, IDC_BRIGHTNESS_BAR, IDC_BRIGHTNESS_SPIN,
        IDC_BRIGHTNESS_EDIT),
    Row(Id::Contrast, kFlagContrast, IDC_CONTRAST_BAR, IDC_CONTRAST_SPIN, IDC_CONTRAST_EDIT),
    Row(Id::Hue, kFlagHue, IDC_HUE_BAR, IDC_HUE_SPIN, IDC_HUE_EDIT),
    Row(Id::Saturation, kFlagSaturation, IDC_SATURATION_BAR, IDC_SATURATION_SPIN,
        IDC_SATURATION_EDIT),
    Row(Id::Sharpness, kFlagSharpness, IDC_SHARPNESS_BAR, IDC_SHARPNESS_SPIN, IDC_SHARPNESS_EDIT),
    Row(Id::BayerGainRed, kFlagRedGain, IDC_RGAIN_BAR, IDC_RGAIN_SPIN, IDC_RGAIN_EDIT),
    Row(Id::BayerGainGreen, kFlagGreenGain, IDC_GGAIN_BAR, IDC_GGAIN_SPIN, IDC_GGAIN_EDIT),
    Row(Id::BayerGainBlue, kFlagBlueGain, IDC_BGAIN_BAR, IDC_BGAIN_SPIN, IDC_BGAIN_EDIT),
    Row(Id::Gamma, kFlagGamma, IDC_GAMMA_BAR, IDC_GAMMA_SPIN, IDC_GAMMA_EDIT),
};

// The gray page's groups follow each other: trackbar, edit box, up-down control.
constexpr FilterRow GrayRow(Id id, int index) {
    const int bar = IDC_GRAY_FIRST_BAR + 3 * index;
    return Row(id, -1, bar, bar + 2, bar + 1);
}

constexpr FilterRow kGrayRows[] = {
    GrayRow(Id::GrayGainR, 0),    GrayRow(Id::GrayGainG1, 1),  GrayRow(Id::GrayGainG2, 2),
    GrayRow(Id::GrayGainB, 3),    GrayRow(Id::GrayOffsetR, 4), GrayRow(Id::GrayOffsetG1, 5),
    GrayRow(Id::GrayOffsetG2, 6), GrayRow(Id::GrayOffsetB, 7),
};

constexpr int kBayerRadios[] = {IDC_BAYER_0, IDC_BAYER_1, IDC_BAYER_2, IDC_BAYER_3};
constexpr int kModeRadios[] = {IDC_MODE_BAYER, IDC_MODE_CONVERT, IDC_MODE_GRAYSCALE};
constexpr int kColorAutomatics[] = {IDC_ONCE, IDC_ALL_FRAMES, IDC_BAYER_0, IDC_BAYER_1, IDC_BAYER_2, IDC_BAYER_3};

// Checks radio `value` of the set, or none when the value names no radio.
template <size_t N> void CheckOneOf(HWND page, const int (&radios)[N], int value) {
    for (size_t i = 0; i < N; ++i) SetChecked(page, radios[i], static_cast<int>(i) == value);
}

// Trackbar moved: its position, limited to the row, goes to the edit box and the setting.
bool ScrollRow(HWND page, std::span<const FilterRow> rows, int* block, HWND control) {
    const FilterRow* row = FindByBar(rows, GetDlgCtrlID(control));
    if (!row) return false;
    const int position = row->Limit(row->group.BarPosition(page));
    WriteSigned(page, row->group.edit, position);
    block[row->entry] = position;
    return true;
}

// Edit changed: the number typed, limited to the row, goes to the setting and the trackbar.
void OnEditChange(HWND page, std::span<const FilterRow> rows, int* block, int id) {
    const FilterRow* row = FindByEdit(rows, id);
    if (!row) return;
    const int value = row->Limit(ReadSigned(page, id));
    block[row->entry] = value;
    row->group.MoveBar(page, value);
}

// The edit box lost the focus: text that does not show the stored value (a number out of the
// row's range, or no number) is replaced by it. `ready` gates the change notice this makes.
void ShowStoredValue(HWND page, std::span<const FilterRow> rows, const int* block, int id,
                     bool& ready) {
    const FilterRow* row = FindByEdit(rows, id);
    if (!row || ReadSigned(page, id) == block[row->entry]) return;
    ready = false;
    WriteSigned(page, id, block[row->entry]);
    ready = true;
}

// Paints the block's values without taking the edit boxes' change notices back into it: the block
// holds these values already, and writing them back would overwrite what the worker measured
// meanwhile. `ready` gates the change notices.
void RepaintRows(HWND page, std::span<const FilterRow> rows, const int* block, bool& ready) {
    ready = false;
    for (const FilterRow& row : rows) row.group.Show(page, block[row.entry]);
    ready = true;
}

// The edit boxes into the block, limited to their rows. A box that shows the value the block
// holds leaves it alone: a measured gray gain may lie beyond the row's range.
void ReadRows(HWND page, std::span<const FilterRow> rows, int* block) {
    for (const FilterRow& row : rows) {
        const int shown = ReadSigned(page, row.group.edit);
        if (shown != block[row.entry]) block[row.entry] = row.Limit(shown);
    }
}

} // namespace

FilterFlags FilterFlagsForColorMode(int colorMode) {
    const bool monochrome = colorMode == 0 || colorMode == 1;
    FilterFlags flags{};
    flags[kFlagBrightness] = flags[kFlagContrast] = flags[kFlagSharpness] = flags[kFlagGamma] = 1;
    for (int flag : {kFlagHue, kFlagSaturation, kFlagRedGain, kFlagGreenGain, kFlagBlueGain, kFlagColorAutomatics})
        flags[flag] = monochrome ? 0 : 1;
    flags[kFlagGrayPage] = monochrome ? 1 : 0;
    return flags;
}

INT_PTR FilterPage::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: Begin(window); return FALSE; // a page leaves the focus to its frame
    case WM_HSCROLL: return OnScroll(reinterpret_cast<HWND>(lParam));
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return TRUE;
    default: return FALSE;
    }
}

void FilterPage::Begin(HWND window) {
    m_window = window;
    Open(window);
    CheckOneOf(window, kBayerRadios, m_block[kBayerMode]);
    SetChecked(window, IDC_ALL_FRAMES, false);
    m_ready = true;
}

bool FilterPage::OnScroll(HWND control) {
    return ScrollRow(m_window, m_rows, m_block, control);
}

void FilterPage::OnCommand(int id, int code) {
    if (code == EN_CHANGE) {
        if (m_ready) OnEditChange(m_window, m_rows, m_block, id);
    } else if (code == EN_KILLFOCUS) {
        if (m_ready) ShowStoredValue(m_window, m_rows, m_block, id, m_ready);
    } else if (code == BN_CLICKED && !HandleBayerRadio(id)) {
        OnClick(id);
    }
}

void FilterPage::Refresh() const {
    RepaintRows(m_window, m_rows, m_block, m_ready);
}

void FilterPage::ReadBack() const {
    ReadRows(m_window, m_rows, m_block);
}

void FilterPage::ShowBayerMode() const {
    CheckOneOf(m_window, kBayerRadios, m_block[kBayerMode]);
    if (m_partner) CheckOneOf(m_partner, kBayerRadios, m_block[kBayerMode]);
}

bool FilterPage::HandleBayerRadio(int id) {
    for (int mode = 0; mode < 4; ++mode) {
        if (kBayerRadios[mode] != id) continue;
        m_block[kBayerMode] = mode;
        ShowBayerMode();
        return true;
    }
    return false;
}

// ---- Image page ----

ImagePage::ImagePage(int* block, const FilterFlags& flags)
    : FilterPage(block, kImageRows), m_flags(flags) {}

void ImagePage::Open(HWND window) {
    for (const FilterRow& row : kImageRows) row.group.Setup(window, m_block[row.entry], m_flags[row.flag] != 0);
    for (int id : kColorAutomatics) EnableItem(window, id, m_flags[kFlagColorAutomatics] != 0);
}

void ImagePage::OnClick(int id) {
    if (id == IDC_ALL_FRAMES) {
        m_block[kAutoWhiteBalance] = IsChecked(m_window, IDC_ALL_FRAMES) ? 1 : 0;
        m_block[kWhiteBalanceOnceA] = m_block[kWhiteBalanceOnceB] = 0;
    } else if (id == IDC_ONCE) {
        m_block[kAutoWhiteBalance] = m_block[kWhiteBalanceOnceA] = m_block[kWhiteBalanceOnceB] = 1;
        SetChecked(m_window, IDC_ALL_FRAMES, false);
    }
}

void ImagePage::Refresh() const {
    FilterPage::Refresh();
    ShowBayerMode();
}

void ImagePage::ReadBack() const {
    FilterPage::ReadBack();
    for (int mode = 0; mode < 4; ++mode) {
        if (!IsChecked(m_window, kBayerRadios[mode])) continue;
        m_block[kBayerMode] = mode;
        break;
    }
}

// ---- Gray page ----

GrayPage::GrayPage(int* block) : FilterPage(block, kGrayRows) {}

void GrayPage::Open(HWND window) {
    for (const FilterRow& row : kGrayRows) row.group.Setup(window, m_block[row.entry], true);
    CheckOneOf(window, kModeRadios, m_block[kGrayMode]);
}

void GrayPage::OnClick(int id) {
    for (int mode = 0; mode < 3; ++mode)
        if (kModeRadios[mode] == id) m_block[kGrayMode] = mode;
    // A negative request never runs out: the pipeline measures on every frame while it is set.
    if (id == IDC_ALL_FRAMES) m_block[kAutoGrayGain] = IsChecked(m_window, IDC_ALL_FRAMES) ? -1 : 0;
    if (id == IDC_ONCE) m_block[kAutoGrayGain] = 1;
}

} // namespace dialogs
