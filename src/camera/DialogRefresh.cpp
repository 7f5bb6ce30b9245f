// Camera object: the points where frame processing tells an open settings dialog about values it
// changed by itself (white balance, auto gray gain, automatic exposure and gain).
#include "camera/Travik.h"
#include "dialogs/DialogCommon.h"

#include <atomic>

namespace {

// The dialog pointers lead to process-wide links, never to a dialog object: the launcher may
// clear a pointer and end its dialog while this thread still holds the old value.
dialogs::DialogLink* LinkOf(void*& slot) {
    return static_cast<dialogs::DialogLink*>(std::atomic_ref<void*>(slot).load());
}

} // namespace

// Runs on the thread that processed the frame, with the image lock held: posting lets the
// dialog update its controls on its own thread, so this never waits for it.
void CTravik::RefreshImageDialog() {
    if (auto* link = LinkOf(m_imageDialog)) link->Post(dialogs::kRefreshMessage, 0, 0);
}

void CTravik::ShowInGainDialog(int item, int value) {
    if (auto* link = LinkOf(m_gainDialog)) link->Post(dialogs::kShowValueMessage, static_cast<WPARAM>(item), value);
}
