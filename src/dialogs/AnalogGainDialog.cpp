// Settings dialogs: the analog gain dialog: its frame and its page.
#include "dialogs/AnalogGainDialog.h"

#include <commctrl.h>

#include <cstdio>
#include <iterator>

#include "camera/SettingsTable.h"
#include "dialogs/DialogIds.h"
#include "dialogs/SliderGroup.h"
#include "sensor/Travik380TZ4RDXSdk.h"

using namespace settings;

namespace dialogs {

namespace {

struct GainRow {
    int entry; // position in the camera settings block
    bool enabled;
    SliderGroup group;
};

// The dialog row of setting `id` on these controls.
constexpr GainRow Row(Id id, bool enabled, int bar, int spin, int edit) {
    const Setting& setting = Of(id);
    const DialogRow& row = setting.dialog;
    return {setting.slot.entry,
            enabled,
            {bar, spin, edit, row.minimum, row.maximum, row.tickFrequency}};
}

// The colour gains are not used by this model: shown, but disabled with a range of one value.
constexpr GainRow kGainRows[] = {
    Row(Id::GlobalGain, true, IDC_GLOBAL_BAR, IDC_GLOBAL_SPIN, IDC_GLOBAL_EDIT),
    Row(Id::ColorGainG1, false, IDC_G1_BAR, IDC_G1_SPIN, IDC_G1_EDIT),
    Row(Id::ColorGainR, false, IDC_R_BAR, IDC_R_SPIN, IDC_R_EDIT),
    Row(Id::ColorGainB, false, IDC_B_BAR, IDC_B_SPIN, IDC_B_EDIT),
    Row(Id::ColorGainG2, false, IDC_G2_BAR, IDC_G2_SPIN, IDC_G2_EDIT),
    Row(Id::Exposure, true, IDC_EXPOSURE_BAR, IDC_EXPOSURE_SPIN, IDC_EXPOSURE_EDIT),
};

constexpr int kDefaultGain = DefaultOf(Id::GlobalGain);
constexpr int kDefaultExposure = DefaultOf(Id::Exposure);

} // namespace

void FormatExposureTime(int exposure, int clocksPerLine, int overheadClocks, double msPerClock,
                        wchar_t (&text)[32]) {
    const unsigned value = static_cast<unsigned>(exposure);
    const unsigned lines = value > 1003u ? 0u : 1003u - value;
    const double ms = (static_cast<double>(clocksPerLine) * lines + overheadClocks) * msPerClock;
    std::swprintf(text, 32, L"=%.2fms", ms);
}

// ---- Page ----

INT_PTR AnalogGainPage::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: Open(window); return FALSE; // a page leaves the focus to its frame
    case WM_HSCROLL: {
        // The edit box takes the position; its change notice does the rest.
        const GainRow* row = FindByBar(kGainRows, GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
        if (row) WriteSigned(window, row->group.edit, row->group.BarPosition(window));
        return row != nullptr;
    }
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return TRUE;
    default: return FALSE;
    }
}

void AnalogGainPage::Open(HWND window) {
    m_window = window;
    for (const GainRow& row : kGainRows) row.group.Setup(window, m_settings[row.entry], row.enabled);
    SetChecked(window, IDC_MIRROR_V, m_settings[kMirrorV] != 0);
    SetChecked(window, IDC_MIRROR_H, m_settings[kMirrorH] != 0);
    SetChecked(window, IDC_IRIS_EXPOSURE, m_settings[kAutoIris] == 1);
    SetChecked(window, IDC_IRIS_GAIN, m_settings[kAutoIris] == 2);
    ShowExposureTime();
    m_ready = true;
}

void AnalogGainPage::OnCommand(int id, int code) {
    if (code == EN_CHANGE) {
        if (m_ready) OnEditChange(id);
        return;
    }
    if (code == EN_KILLFOCUS) {
        if (m_ready) ShowStoredValue(id);
        return;
    }
    if (code != BN_CLICKED) return;
    const bool checked = IsChecked(m_window, id);
    switch (id) {
    case IDC_MIRROR_V:
        m_serialise([&] {
            m_device->SetVerticalMirror(checked);
            m_settings[kMirrorV] = checked ? 1 : 0;
        });
        break;
    case IDC_MIRROR_H:
        m_serialise([&] {
            m_device->SetHorizontalMirror(checked);
            m_settings[kMirrorH] = checked ? 1 : 0;
        });
        break;
    case IDC_IRIS_GAIN:
        if (checked) SetChecked(m_window, IDC_IRIS_EXPOSURE, false);
        m_serialise([&] { m_settings[kAutoIris] = checked ? 2 : 0; });
        break;
    case IDC_IRIS_EXPOSURE:
        if (checked) SetChecked(m_window, IDC_IRIS_GAIN, false);
        m_serialise([&] { m_settings[kAutoIris] = checked ? 1 : 0; });
        break;
    default: break;
    }
}

void AnalogGainPage::OnEditChange(int id) {
    const GainRow* row = FindByEdit(kGainRows, id);
    if (!row) return;
    // Limited to the row's range: the sensor takes the gain's low 10 bits, so 1024 would be 0.
    const int value = row->group.Limit(ReadSigned(m_window, id));
    // The setting and the sensor change together, so that an export's change of the same value
    // cannot land between them and leave the two apart.
    m_serialise([&] {
        m_settings[row->entry] = value;
        // A refused sensor write leaves the setting as typed; the dialog does not report it.
        if (row->entry == kGlobalGain) m_device->SetGain(value);
        if (row->entry == kExposure) m_device->SetExposure(value);
    });
    row->group.MoveBar(m_window, value);
    if (row->entry == kExposure) ShowExposureTime();
}

// The edit box lost the focus: text that does not show the setting (a number out of range, or
// no number) is replaced by it, without applying it to the sensor again.
void AnalogGainPage::ShowStoredValue(int id) {
    const GainRow* row = FindByEdit(kGainRows, id);
    if (!row || ReadSigned(m_window, id) == m_settings[row->entry]) return;
    m_ready = false;
    WriteSigned(m_window, id, m_settings[row->entry]);
    m_ready = true;
}

void AnalogGainPage::ShowExposureTime() const {
    wchar_t text[32];
    FormatExposureTime(m_settings[kExposure], *m_timing.clocksPerLine, *m_timing.overheadClocks,
                       *m_timing.msPerClock, text);
    SetDlgItemTextW(m_window, IDC_EXPOSURE_TIME, text);
}

void AnalogGainPage::Refresh() const {
    for (const GainRow& row : kGainRows) row.group.Show(m_window, m_settings[row.entry]);
}

void AnalogGainPage::ReadBack() const {
    int values[std::size(kGainRows)];
    for (size_t i = 0; i < std::size(kGainRows); ++i)
        values[i] = kGainRows[i].group.Limit(ReadSigned(m_window, kGainRows[i].group.edit));
    m_serialise([&] {
        for (size_t i = 0; i < std::size(kGainRows); ++i) m_settings[kGainRows[i].entry] = values[i];
    });
}

// ---- Frame ----

INT_PTR AnalogGainDialog::Run(HWND owner) {
    if (!Claimed()) return -2;
    const INT_PTR result = RunModal(ChooseTemplate(IDD_ANALOG_FRAME_EN, IDD_ANALOG_FRAME_JA), owner,
                                    ActiveDialog<AnalogGainDialog>::Procedure);
    GainDialogLink().Detach();
    return result;
}

INT_PTR AnalogGainDialog::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: Open(window); return TRUE;
    case WM_DRAWITEM: return m_tab.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_TAB && header->code == TCN_SELCHANGE && m_page.Window() &&
            SendDlgItemMessageW(window, IDC_TAB, TCM_GETCURSEL, 0, 0) == 0)
            ShowWindow(m_page.Window(), SW_SHOW);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (m_page.Window()) m_page.ReadBack();
            EndDialog(window, IDOK);
            return TRUE;
        case IDCANCEL: EndDialog(window, IDCANCEL); return TRUE;
        case IDC_DEFAULT: RestoreDefaults(); return TRUE;
        default: return FALSE;
        }
    case kShowValueMessage:
        // The automatic iris's value goes into the edit box; its change notice applies it.
        if (m_page.Window()) WriteSigned(m_page.Window(), static_cast<int>(wParam), static_cast<int>(lParam));
        return TRUE;
    case WM_DESTROY: GainDialogLink().Detach(); return FALSE;
    default: return FALSE;
    }
}

void AnalogGainDialog::Open(HWND window) {
    // Linked before the page reads the settings: a value the automatic iris sets from now on is
    // posted and shown once the page exists; one set earlier is already in what the page reads.
    GainDialogLink().Attach(window);
    m_tab.InsertTab(window, 0, L"Analog Gain");
    HWND page = CreatePage(ChooseTemplate(IDD_ANALOG_PAGE_EN, IDD_ANALOG_PAGE_JA), GetDlgItem(window, IDC_TAB),
                           ActiveDialog<AnalogGainPage>::Procedure);
    if (page) ShowWindow(page, SW_SHOW);
}

void AnalogGainDialog::RestoreDefaults() const {
    m_serialise([&] {
        m_settings[kGlobalGain] = kDefaultGain;
        for (int entry : {kColorGainG1, kColorGainR, kColorGainB, kColorGainG2}) m_settings[entry] = 0;
        m_settings[kExposure] = kDefaultExposure;
        m_device->SetGain(kDefaultGain);
        m_device->SetExposure(kDefaultExposure);
    });
    if (m_page.Window()) m_page.Refresh();
}

} // namespace dialogs
