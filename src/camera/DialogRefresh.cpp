// Camera object: the points where frame processing tells an open settings dialog about values it
// changed by itself (white balance, auto gray gain, automatic exposure and gain).
#include "camera/Travik.h"

// Runs on the thread that processed the frame, with the image lock held: a dialog may only post
// or update its controls from here, never wait for its own thread.
void CTravik::RefreshImageDialog() {
    if (!m_imageDialog) return;
}

void CTravik::ShowInGainDialog(int item, int value) {
    if (!m_gainDialog) return;
    (void)item;
    (void)value;
}
