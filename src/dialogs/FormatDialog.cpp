// Settings dialogs: the camera format dialog: colour mode, size preset, sub-sample, wait time and
// clock, read from and written to the settings store.
#include "dialogs/FormatDialog.h"

#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <limits>

#include "support/RegistryKey.h"
#include "camera/SettingsTable.h"
#include "dialogs/DialogIds.h"

namespace dialogs {

namespace {

using settings::Id;
using settings::Of;

// The name of a format value in the camera's registry key.
constexpr const char* StoredName(Id id) {
    return Of(id).registry.name;
}

constexpr FormatDialog::SizeEntry kDefaultSize = {
    kDefaultSizePreset[0], kDefaultSizePreset[1], kDefaultSizePreset[2], kDefaultSizePreset[3],
    kDefaultSizePreset[4], kDefaultSizePreset[5], kDefaultSizePreset[6]};
constexpr int kSizeFields[6] = {IDC_H_TOTAL, IDC_V_TOTAL, IDC_H_EFFECTIVE, IDC_V_EFFECTIVE, IDC_H_START, IDC_V_START};
constexpr int kLists[] = {IDC_COLOR_LIST, IDC_SIZE_LIST, IDC_SUBSAMPLE_LIST, IDC_CLOCK_LIST};
constexpr int kHighClockMHz = 40;

// The colour list in both languages; the Japanese 10-bit entry is made from its format.
constexpr const wchar_t* kColorNames[6] = {L"Monochrome 8bit", L"Monochrome 10bit *", L"Color 24bit",
                                           L"Color 32bit",     L"Color 48bit *",      L"Color 64bit *"};
constexpr const wchar_t* kColorNamesJa[6] = {
    L"\u767D\u9ED2 8bit",              // 白黒 8bit
    nullptr,                           // from "白黒 %dbit ※"
    L"\u30AB\u30E9\u30FC 24bit",        // カラー 24bit
    L"\u30AB\u30E9\u30FC 32bit",        // カラー 32bit
    L"\u30AB\u30E9\u30FC 48bit \u203B", // カラー 48bit ※
    L"\u30AB\u30E9\u30FC 64bit \u203B", // カラー 64bit ※
};
constexpr wchar_t kMono10FormatJa[] = L"\u767D\u9ED2 %dbit \u203B";

LRESULT ListMessage(HWND window, int list, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageW(window, list, message, wParam, lParam);
}

void AddString(HWND window, int list, const wchar_t* text) {
    ListMessage(window, list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

} // namespace

FormatDialog::FormatDialog(int cameraNumber) : m_cameraNumber(cameraNumber) { m_sizes.fill(kDefaultSize); }

INT_PTR FormatDialog::Run(HWND owner) {
    if (!Claimed()) return -2;
    return RunModal(ChooseTemplate(IDD_FORMAT_EN, IDD_FORMAT_JA), owner, ActiveDialog<FormatDialog>::Procedure);
}

void FormatDialog::ReadStore() {
    RegistryKey camera;
    if (!OpenCameraKeyRead(m_cameraNumber, nullptr, camera)) return;
    m_count = 0;
    for (int i = 0; i < kMaxSizes && ReadSizePreset(camera, i, m_sizes[i].data()); ++i) m_count = i + 1;
    camera.Read("Size", m_size);
    camera.Read(StoredName(Id::ColorMode), m_color);
    camera.Read(StoredName(Id::SubSample), m_subSample);
    // A negative wait is refused as the camera's wait-time setter refuses it: the dialog keeps
    // the wait it has. Shown as an unsigned number, it would come back on OK.
    int waitTime = m_waitTime;
    if (camera.Read(StoredName(Id::WaitTime), waitTime) && Of(Id::WaitTime).range.Accepts(waitTime))
        m_waitTime = waitTime;
    camera.Read(StoredName(Id::Clock), m_clock);
}

void FormatDialog::WriteStore() const {
    RegistryKey camera;
    if (!CreateCameraKey(m_cameraNumber, nullptr, camera)) return;
    for (int i = 0; i < m_count; ++i)
        if (!WriteSizePreset(camera, i, m_sizes[i].data())) break;
    camera.Write("Size", m_size);
    camera.Write(StoredName(Id::ColorMode), m_color);
    camera.Write(StoredName(Id::SubSample), 0); // the value of the only sub-sample entry, "1/1"
    camera.Write(StoredName(Id::WaitTime), m_waitTime);
    camera.Write(StoredName(Id::Clock), m_clock);
}

INT_PTR FormatDialog::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: Open(window); return TRUE;
    case WM_DRAWITEM: return m_tab.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return TRUE;
    default: return FALSE;
    }
}

void FormatDialog::Open(HWND window) {
    m_window = window;
    ReadStore();
    m_tab.InsertTab(window, 0, ChooseText(L"Stream Format", L"\u30B9\u30C8\u30EA\u30FC\u30E0\u5F62\u5F0F"));
    FillLists();
    ShowSizeFields(m_size);
    WriteUnsigned(window, IDC_WAIT_TIME, m_waitTime);
    // This model has one size and one clock: they are shown but cannot be changed.
    for (int id : {IDC_APPLY, IDC_CLOCK_LIST, IDC_SIZE_LIST, IDC_SUBSAMPLE_LIST}) EnableItem(window, id, false);
    for (int id : kSizeFields) EnableItem(window, id, false);
}

void FormatDialog::FillLists() const {
    const bool japanese = UseJapanese();
    for (int mode = 0; mode < 6; ++mode) {
        const wchar_t* name = japanese ? kColorNamesJa[mode] : kColorNames[mode];
        wchar_t text[64];
        if (!name) {
            std::swprintf(text, 64, kMono10FormatJa, 10);
            name = text;
        }
        AddString(m_window, IDC_COLOR_LIST, name);
    }
    ListMessage(m_window, IDC_COLOR_LIST, CB_SETCURSEL, m_color);

    AddString(m_window, IDC_SUBSAMPLE_LIST, L"1/1");
    // The only entry stands for the stored value 0; it is chosen whatever is stored.
    ListMessage(m_window, IDC_SUBSAMPLE_LIST, CB_SETCURSEL, 0);

    AddString(m_window, IDC_CLOCK_LIST, ChooseText(L"Nomal(24MHz)", L"\u6A19\u6E96(24MHz)"));
    AddString(m_window, IDC_CLOCK_LIST, ChooseText(L"Half(12MHz)", L"\u30CF\u30FC\u30D5(12MHz)"));
    wchar_t high[32];
    std::swprintf(high, 32, ChooseText(L"High(%dMHz)", L"\u9AD8\u901F(%dMHz)"), kHighClockMHz);
    AddString(m_window, IDC_CLOCK_LIST, high);
    ListMessage(m_window, IDC_CLOCK_LIST, CB_SETCURSEL, m_clock);

    for (int i = 0; i < m_count; ++i) SetSizeText(i, false);
    AddString(m_window, IDC_SIZE_LIST, ChooseText(L"Custom", L"\u30AB\u30B9\u30BF\u30E0"));
    ListMessage(m_window, IDC_SIZE_LIST, CB_SETCURSEL, m_size);
}

// Inserts (or replaces) the "%d x %d" text of entry `index` at its place and selects it.
void FormatDialog::SetSizeText(int index, bool replace) const {
    wchar_t text[32];
    std::swprintf(text, 32, L"%d x %d", m_sizes[index][2], m_sizes[index][3]);
    if (replace) ListMessage(m_window, IDC_SIZE_LIST, CB_DELETESTRING, index);
    ListMessage(m_window, IDC_SIZE_LIST, CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text));
    ListMessage(m_window, IDC_SIZE_LIST, CB_SETCURSEL, index);
}

void FormatDialog::ShowSizeFields(int index) const {
    // A stored size number beyond the table shows the defaults rather than memory past its end.
    const SizeEntry& entry = index >= 0 && index < kMaxSizes ? m_sizes[index] : kDefaultSize;
    for (int field = 0; field < 6; ++field) WriteUnsigned(m_window, kSizeFields[field], entry[field]);
}

void FormatDialog::OnCommand(int id, int code) {
    switch (id) {
    case IDOK:
        ReadBack();
        WriteStore();
        EndDialog(m_window, IDOK);
        return;
    case IDC_APPLY:
        ReadBack();
        WriteStore();
        return;
    case IDCANCEL: EndDialog(m_window, IDCANCEL); return;
    default: break;
    }
    if (code == CBN_SELCHANGE) {
        EnableItem(m_window, IDC_APPLY, true);
        if (id != IDC_SIZE_LIST) return;
        m_size = static_cast<int>(ListMessage(m_window, IDC_SIZE_LIST, CB_GETCURSEL));
        if (!IsCustom()) ShowSizeFields(m_size);
    } else if (code == EN_CHANGE) {
        EnableItem(m_window, IDC_APPLY, true);
    }
}

void FormatDialog::ReadSizeFields(SizeEntry& entry) const {
    for (int field = 0; field < 6; ++field) entry[field] = static_cast<int>(ReadUnsigned(m_window, kSizeFields[field]));
}

// The wait typed: a number beyond the signed range would reach the preview loop as a negative
// wait, which is refused as the setter refuses it; the box then shows the wait kept.
void FormatDialog::ReadWaitTime() {
    const unsigned typed = ReadUnsigned(m_window, IDC_WAIT_TIME);
    if (typed <= static_cast<unsigned>(std::numeric_limits<int>::max()))
        m_waitTime = static_cast<int>(typed);
    else
        WriteUnsigned(m_window, IDC_WAIT_TIME, m_waitTime);
}

void FormatDialog::ReadBack() {
    // A list with nothing selected keeps the value it was opened with.
    int* fields[] = {&m_color, &m_size, &m_subSample, &m_clock};
    for (int i = 0; i < 4; ++i) {
        const auto selection = static_cast<int>(ListMessage(m_window, kLists[i], CB_GETCURSEL));
        if (selection != CB_ERR) *fields[i] = selection;
    }
    ReadWaitTime();
    if (IsCustom()) {
        // A full table takes no new entry; the selection stays on "Custom".
        if (m_count < kMaxSizes) {
            m_sizes[m_count] = kDefaultSize;
            ReadSizeFields(m_sizes[m_count]);
            SetSizeText(m_count, false);
            ++m_count;
        }
    } else if (m_size >= 0 && m_size < m_count) {
        ReadSizeFields(m_sizes[m_size]);
        SetSizeText(m_size, true);
    }
    EnableItem(m_window, IDC_APPLY, false);
}

} // namespace dialogs
