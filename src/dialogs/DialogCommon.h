// Settings dialogs: what the three dialogs share: language and template choice, the library
// module, the process-wide pointer of each dialog kind, the owner-drawn tab and the cross-thread
// link through which acquisition refreshes an open dialog.
#pragma once

#include <windows.h>

#include <atomic>

#include "imaging/GdiObjects.h"

namespace dialogs {

// Japanese templates and strings when the system's default language is Japanese (0x0411);
// asked anew at every choice, so a language change shows in the next dialog.
bool UseJapanese();
int ChooseTemplate(int english, int japanese);
const wchar_t* ChooseText(const wchar_t* english, const wchar_t* japanese);

// The module whose resources hold the templates, found by the DLL's file name.
HMODULE LibraryModule();
// Registers the trackbar, up-down and tab classes; cheap when done before.
void EnsureCommonControls();

// Runs a modal dialog from the library's templates; -1 when the template cannot be loaded.
INT_PTR RunModal(int templateId, HWND owner, DLGPROC procedure);
// Creates a page as a hidden modeless child of the tab control, placed at (30, 25).
HWND CreatePage(int templateId, HWND tab, DLGPROC procedure);

// One dialog of a kind at a time per process: its procedure finds the object here. Claim fails
// while another dialog of the kind is open, instead of taking its object away from it.
template <class Dialog> class ActiveDialog {
  public:
    static bool Claim(Dialog* dialog) {
        Dialog* none = nullptr;
        return s_active.compare_exchange_strong(none, dialog);
    }
    static void Release(Dialog* dialog) { s_active.compare_exchange_strong(dialog, nullptr); }
    static Dialog* Get() { return s_active.load(); }

    // The dialog procedure of the kind: forwards to the active object's HandleMessage.
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        Dialog* dialog = Get();
        return dialog ? dialog->HandleMessage(window, message, wParam, lParam) : FALSE;
    }

  private:
    static inline std::atomic<Dialog*> s_active{nullptr};
};

// Holds a dialog kind from construction (when `attempt` is set) and releases it when the dialog
// object goes, whatever way the launcher leaves. Dialog objects claim their kinds as they are
// made, so that a launcher learns that another dialog of the kind is open before it changes
// anything.
template <class Dialog> class ActiveDialogClaim {
  public:
    explicit ActiveDialogClaim(Dialog* dialog, bool attempt = true)
        : m_dialog(dialog), m_claimed(attempt && ActiveDialog<Dialog>::Claim(dialog)) {}
    ~ActiveDialogClaim() {
        if (m_claimed) ActiveDialog<Dialog>::Release(m_dialog);
    }
    ActiveDialogClaim(const ActiveDialogClaim&) = delete;
    ActiveDialogClaim& operator=(const ActiveDialogClaim&) = delete;
    bool Claimed() const { return m_claimed; }

  private:
    Dialog* m_dialog;
    bool m_claimed;
};

// Messages posted to an open dialog frame from the acquisition thread.
constexpr UINT kRefreshMessage = WM_APP + 0x240;   // reload every page from the settings
constexpr UINT kShowValueMessage = WM_APP + 0x241; // wParam: edit box id, lParam: value

// What the camera object's dialog pointers point at. Each lives for the whole process, so the
// acquisition thread may still hold one after the dialog closed; it then posts to no window.
// Posting never waits for the dialog thread, which may itself be blocked on the caller.
class DialogLink {
  public:
    void Attach(HWND frame) { m_frame.store(frame); }
    void Detach() { m_frame.store(nullptr); }
    void Post(UINT message, WPARAM wParam, LPARAM lParam) const {
        if (HWND frame = m_frame.load()) PostMessageW(frame, message, wParam, lParam);
    }

  private:
    std::atomic<HWND> m_frame{nullptr};
};
DialogLink& ImageDialogLink();
DialogLink& GainDialogLink();

// The owner-drawn tab control of a frame: a tab inserted with its title, and the drawing of an
// item (button-face fill, title centred both ways).
class TabFrame {
  public:
    TabFrame() : m_brush(CreateSolidBrush(GetSysColor(COLOR_BTNFACE))) {}
    void InsertTab(HWND frame, int index, const wchar_t* title) const;
    // True when the item belonged to the tab control and was drawn.
    bool DrawItem(const DRAWITEMSTRUCT& item) const;

  private:
    UniqueGdiObject<HBRUSH> m_brush;
};

// Edit boxes: signed and unsigned numbers; text that is not a number reads as 0.
int ReadSigned(HWND dialog, int id);
unsigned ReadUnsigned(HWND dialog, int id);
void WriteSigned(HWND dialog, int id, int value);
void WriteUnsigned(HWND dialog, int id, int value);
bool IsChecked(HWND dialog, int id);
void SetChecked(HWND dialog, int id, bool checked);
void EnableItem(HWND dialog, int id, bool enabled);

} // namespace dialogs
