// Settings dialogs: the image filter page and the gray filter page.
#include "dialogs/FilterPages.h"

#include <commctrl.h>

#include "camera/SettingsTable.h"
#include "dialogs/DialogCommon.h"
#include "dialogs/DialogIds.h"
#include "dialogs/SliderGroup.h"

using namespace settings;

namespace dialogs {

namespace {

struct FilterRow {
    int entry; // position in the image filter block
    int flag;  // enable flag, or -1 for always enabled
    SliderGroup group;
    // The values the row stores: a number typed outside them is stored as the nearest one.
    int lowest;
    int highest;
    constexpr int Limit(int value) const { return value < lowest ? lowest : value > highest ? highest : value; }
};

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
template <size_t N> bool ScrollRow(HWND page, const FilterRow (&rows)[N], int* block, HWND control) {
    const FilterRow* row = FindByBar(rows, GetDlgCtrlID(control));
    if (!row) return false;
    const int position = row->Limit(row->group.BarPosition(page));
    WriteSigned(page, row->group.edit, position);
    block[row->entry] = position;
    return true;
}

// Edit changed: the number typed, limited to the row, goes to the setting and the trackbar.
template <size_t N> bool OnEditChange(HWND page, const FilterRow (&rows)[N], int* block, int id) {
    const FilterRow* row = FindByEdit(rows, id);
    if (!row) return false;
    const int value = row->Limit(ReadSigned(page, id));
    block[row->entry] = value;
    row->group.MoveBar(page, value);
    return true;
}

// The edit box lost the focus: text that does not show the stored value (a number out of the
// row's range, or no number) is replaced by it. `ready` gates the change notice this makes.
template <size_t N>
void ShowStoredValue(HWND page, const FilterRow (&rows)[N], const int* block, int id, bool& ready) {
    const FilterRow* row = FindByEdit(rows, id);
    if (!row || ReadSigned(page, id) == block[row->entry]) return;
    ready = false;
    WriteSigned(page, id, block[row->entry]);
    ready = true;
}

template <size_t N> void ShowRows(HWND page, const FilterRow (&rows)[N], const int* block) {
    for (const FilterRow& row : rows) row.group.Show(page, block[row.entry]);
}

// Paints the block's values without taking the edit boxes' change notices back into it: the block
// holds these values already, and writing them back would overwrite what the worker measured
// meanwhile. `ready` gates the change notices.
template <size_t N>
void RepaintRows(HWND page, const FilterRow (&rows)[N], const int* block, bool& ready) {
    ready = false;
    ShowRows(page, rows, block);
    ready = true;
}

// The edit boxes into the block, limited to their rows. A box that shows the value the block
// holds leaves it alone: a measured gray gain may lie beyond the row's range.
template <size_t N> void ReadRows(HWND page, const FilterRow (&rows)[N], int* block) {
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
    case WM_INITDIALOG: Open(window); return FALSE; // a page leaves the focus to its frame
    case WM_HSCROLL: return OnScroll(reinterpret_cast<HWND>(lParam));
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return TRUE;
    default: return FALSE;
    }
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

bool ImagePage::OnScroll(HWND control) { return ScrollRow(m_window, kImageRows, m_block, control); }

void ImagePage::Open(HWND window) {
    m_window = window;
    for (const FilterRow& row : kImageRows) row.group.Setup(window, m_block[row.entry], m_flags[row.flag] != 0);
    for (int id : kColorAutomatics) EnableItem(window, id, m_flags[kFlagColorAutomatics] != 0);
    CheckOneOf(window, kBayerRadios, m_block[kBayerMode]);
    SetChecked(window, IDC_ALL_FRAMES, false);
    m_ready = true;
}

void ImagePage::OnCommand(int id, int code) {
    if (code == EN_CHANGE) {
        if (m_ready) OnEditChange(m_window, kImageRows, m_block, id);
        return;
    }
    if (code == EN_KILLFOCUS) {
        if (m_ready) ShowStoredValue(m_window, kImageRows, m_block, id, m_ready);
        return;
    }
    if (code != BN_CLICKED || HandleBayerRadio(id)) return;
    if (id == IDC_ALL_FRAMES) {
        m_block[kAutoWhiteBalance] = IsChecked(m_window, IDC_ALL_FRAMES) ? 1 : 0;
        m_block[kWhiteBalanceOnceA] = m_block[kWhiteBalanceOnceB] = 0;
    } else if (id == IDC_ONCE) {
        m_block[kAutoWhiteBalance] = m_block[kWhiteBalanceOnceA] = m_block[kWhiteBalanceOnceB] = 1;
        SetChecked(m_window, IDC_ALL_FRAMES, false);
    }
}

void ImagePage::Refresh() const {
    RepaintRows(m_window, kImageRows, m_block, m_ready);
    ShowBayerMode();
}

void ImagePage::ReadBack() const {
    ReadRows(m_window, kImageRows, m_block);
    for (int mode = 0; mode < 4; ++mode) {
        if (!IsChecked(m_window, kBayerRadios[mode])) continue;
        m_block[kBayerMode] = mode;
        break;
    }
}

// ---- Gray page ----

bool GrayPage::OnScroll(HWND control) { return ScrollRow(m_window, kGrayRows, m_block, control); }

void GrayPage::Open(HWND window) {
    m_window = window;
    for (const FilterRow& row : kGrayRows) row.group.Setup(window, m_block[row.entry], true);
    CheckOneOf(window, kModeRadios, m_block[kGrayMode]);
    CheckOneOf(window, kBayerRadios, m_block[kBayerMode]);
    SetChecked(window, IDC_ALL_FRAMES, false);
    m_ready = true;
}

void GrayPage::OnCommand(int id, int code) {
    if (code == EN_CHANGE) {
        if (m_ready) OnEditChange(m_window, kGrayRows, m_block, id);
        return;
    }
    if (code == EN_KILLFOCUS) {
        if (m_ready) ShowStoredValue(m_window, kGrayRows, m_block, id, m_ready);
        return;
    }
    if (code != BN_CLICKED || HandleBayerRadio(id)) return;
    for (int mode = 0; mode < 3; ++mode)
        if (kModeRadios[mode] == id) m_block[kGrayMode] = mode;
    // A negative request never runs out: the pipeline measures on every frame while it is set.
    if (id == IDC_ALL_FRAMES) m_block[kAutoGrayGain] = IsChecked(m_window, IDC_ALL_FRAMES) ? -1 : 0;
    if (id == IDC_ONCE) m_block[kAutoGrayGain] = 1;
}

void GrayPage::Refresh() const { RepaintRows(m_window, kGrayRows, m_block, m_ready); }

void GrayPage::ReadBack() const { ReadRows(m_window, kGrayRows, m_block); }

} // namespace dialogs
