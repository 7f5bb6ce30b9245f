// Settings dialogs: the frame of the image filter dialog: tabs, OK, Cancel and Default.
#include "dialogs/FilterDialog.h"

#include <commctrl.h>

#include "camera/SettingsTable.h"
#include "dialogs/DialogIds.h"

using namespace settings;

namespace dialogs {

INT_PTR FilterDialog::Run(HWND owner) {
    if (!Claimed()) return -2;
    const INT_PTR result = RunModal(ChooseTemplate(IDD_FILTER_FRAME_EN, IDD_FILTER_FRAME_JA), owner,
                                    ActiveDialog<FilterDialog>::Procedure);
    ImageDialogLink().Detach();
    return result;
}

INT_PTR FilterDialog::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: Open(window); return TRUE;
    case WM_DRAWITEM: return m_tab.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_TAB && header->code == TCN_SELCHANGE)
            ShowTab(static_cast<int>(SendDlgItemMessageW(window, IDC_TAB, TCM_GETCURSEL, 0, 0)));
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            // A page that could not be made has no edit boxes: reading them would give zeros.
            if (m_image.Window()) m_image.ReadBack();
            if (HasGrayPage() && m_gray.Window()) m_gray.ReadBack();
            EndDialog(window, IDOK);
            return TRUE;
        case IDCANCEL: EndDialog(window, IDCANCEL); return TRUE;
        case IDC_DEFAULT: RestoreDefaults(); return TRUE;
        default: return FALSE;
        }
    case kRefreshMessage: Refresh(); return TRUE;
    case WM_DESTROY: ImageDialogLink().Detach(); return FALSE;
    default: return FALSE;
    }
}

void FilterDialog::Open(HWND window) {
    m_window = window;
    // Linked before the pages read the settings, so that no refresh falls between the two.
    ImageDialogLink().Attach(window);
    HWND tab = GetDlgItem(window, IDC_TAB);
    m_tab.InsertTab(window, 0, L"Image Filter");
    HWND image = CreatePage(ChooseTemplate(IDD_IMAGE_PAGE_EN, IDD_IMAGE_PAGE_JA), tab,
                            ActiveDialog<ImagePage>::Procedure);
    if (HasGrayPage()) {
        m_tab.InsertTab(window, 1, L"Gray Filter");
        HWND gray = CreatePage(ChooseTemplate(IDD_GRAY_PAGE_EN, IDD_GRAY_PAGE_JA), tab,
                               ActiveDialog<GrayPage>::Procedure);
        m_image.SetPartner(gray);
        m_gray.SetPartner(image);
    }
    ShowWindow(image, SW_SHOW);
}

void FilterDialog::ShowTab(int index) const {
    if (m_image.Window()) ShowWindow(m_image.Window(), index == 0 ? SW_SHOW : SW_HIDE);
    if (m_gray.Window()) ShowWindow(m_gray.Window(), index == 1 ? SW_SHOW : SW_HIDE);
}

void FilterDialog::RestoreDefaults() const {
    // The automatic requests and the gray mode are left as they are.
    for (Id id :
         {Id::Brightness, Id::Contrast, Id::Hue, Id::Saturation, Id::Sharpness, Id::BayerGainRed,
          Id::BayerGainGreen, Id::BayerGainBlue, Id::Gamma, Id::BayerMode})
        m_block[Of(id).slot.entry] = DefaultOf(id);
    if (m_image.Window()) m_image.Refresh();
    if (!HasGrayPage()) return;
    for (Id id : {Id::GrayGainR, Id::GrayGainG1, Id::GrayGainG2, Id::GrayGainB, Id::GrayOffsetR,
                  Id::GrayOffsetG1, Id::GrayOffsetG2, Id::GrayOffsetB})
        m_block[Of(id).slot.entry] = DefaultOf(id);
    if (m_gray.Window()) m_gray.Refresh();
}

void FilterDialog::Refresh() const {
    if (m_image.Window()) m_image.Refresh();
    if (m_gray.Window()) m_gray.Refresh();
}

} // namespace dialogs
