// Settings dialogs: language and template choice, the library module, the owner-drawn tab and
// the small helpers every dialog page uses.
#include "dialogs/DialogCommon.h"

#include <commctrl.h>

#include <cwchar>
#include <iterator>

#include "dialogs/DialogIds.h"

namespace dialogs {

namespace {
constexpr char kLibraryName[] = "TravikSdk_380TZ4_RDX.dll";
constexpr LANGID kJapanese = 0x0411;
// Where a page sits inside the tab control, in pixels.
constexpr int kPageX = 30;
constexpr int kPageY = 25;
} // namespace

bool UseJapanese() { return GetSystemDefaultLangID() == kJapanese; }

int ChooseTemplate(int english, int japanese) { return UseJapanese() ? japanese : english; }

const wchar_t* ChooseText(const wchar_t* english, const wchar_t* japanese) {
    return UseJapanese() ? japanese : english;
}

HMODULE LibraryModule() { return GetModuleHandleA(kLibraryName); }

void EnsureCommonControls() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
}

INT_PTR RunModal(int templateId, HWND owner, DLGPROC procedure) {
    HMODULE module = LibraryModule();
    if (!module) return -1;
    EnsureCommonControls();
    return DialogBoxParamW(module, MAKEINTRESOURCEW(templateId), owner, procedure, 0);
}

HWND CreatePage(int templateId, HWND tab, DLGPROC procedure) {
    HWND page = CreateDialogParamW(LibraryModule(), MAKEINTRESOURCEW(templateId), tab, procedure, 0);
    if (page) SetWindowPos(page, nullptr, kPageX, kPageY, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return page;
}

DialogLink& ImageDialogLink() {
    static DialogLink link;
    return link;
}

DialogLink& GainDialogLink() {
    static DialogLink link;
    return link;
}

void TabFrame::InsertTab(HWND frame, int index, const wchar_t* title) const {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(title);
    SendDlgItemMessageW(frame, IDC_TAB, TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&item));
}

bool TabFrame::DrawItem(const DRAWITEMSTRUCT& item) const {
    if (item.CtlID != IDC_TAB) return false;
    wchar_t title[64] = {};
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = title;
    tab.cchTextMax = static_cast<int>(std::size(title));
    SendMessageW(item.hwndItem, TCM_GETITEMW, item.itemID, reinterpret_cast<LPARAM>(&tab));

    FillRect(item.hDC, &item.rcItem, m_brush.get());
    SetBkColor(item.hDC, GetSysColor(COLOR_BTNFACE));
    // The DC does not always carry the control's font, and the title must be measured in it.
    DcSelection font;
    if (auto tabFont = reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)))
        font.Select(item.hDC, tabFont);
    const int length = static_cast<int>(std::wcslen(title));
    SIZE extent{};
    GetTextExtentPoint32W(item.hDC, title, length, &extent);
    const RECT& box = item.rcItem;
    const int x = box.left + (box.right - box.left - extent.cx) / 2;
    const int y = box.top + (box.bottom - box.top - extent.cy) / 2;
    TextOutW(item.hDC, x, y, title, length);
    return true;
}

int ReadSigned(HWND dialog, int id) {
    return static_cast<int>(GetDlgItemInt(dialog, id, nullptr, TRUE));
}

unsigned ReadUnsigned(HWND dialog, int id) { return GetDlgItemInt(dialog, id, nullptr, FALSE); }

void WriteSigned(HWND dialog, int id, int value) { SetDlgItemInt(dialog, id, static_cast<UINT>(value), TRUE); }

void WriteUnsigned(HWND dialog, int id, int value) {
    SetDlgItemInt(dialog, id, static_cast<UINT>(value), FALSE);
}

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void SetChecked(HWND dialog, int id, bool checked) {
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void EnableItem(HWND dialog, int id, bool enabled) { EnableWindow(GetDlgItem(dialog, id), enabled); }

} // namespace dialogs
