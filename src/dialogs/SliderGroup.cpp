// Settings dialogs: setting up and moving a slider group.
#include "dialogs/SliderGroup.h"

#include <commctrl.h>

#include "dialogs/DialogCommon.h"

namespace dialogs {

void SliderGroup::Setup(HWND page, int value, bool enabled) const {
    HWND trackbar = GetDlgItem(page, bar);
    HWND updown = GetDlgItem(page, spin);
    HWND box = GetDlgItem(page, edit);
    SendMessageW(trackbar, TBM_SETRANGEMAX, TRUE, maximum);
    SendMessageW(trackbar, TBM_SETRANGEMIN, TRUE, minimum);
    SendMessageW(trackbar, TBM_SETPOS, TRUE, value);
    // A group whose range is a single value has no ticks to space.
    if (tickFrequency > 0) SendMessageW(trackbar, TBM_SETTICFREQ, tickFrequency, 0);
    SendMessageW(updown, UDM_SETRANGE32, minimum, maximum);
    SendMessageW(updown, UDM_SETPOS, 0, MAKELPARAM(static_cast<short>(value), 0));
    SendMessageW(updown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(box), 0);
    WriteSigned(page, edit, value);
    EnableWindow(trackbar, enabled);
    EnableWindow(updown, enabled);
    EnableWindow(box, enabled);
}

void SliderGroup::Show(HWND page, int value) const {
    MoveBar(page, value);
    WriteSigned(page, edit, value);
}

void SliderGroup::MoveBar(HWND page, int value) const {
    SendDlgItemMessageW(page, bar, TBM_SETPOS, TRUE, value);
}

int SliderGroup::BarPosition(HWND page) const {
    return static_cast<int>(SendDlgItemMessageW(page, bar, TBM_GETPOS, 0, 0));
}

} // namespace dialogs
