// Drives the SDK's modal dialogs from a helper thread as a user would: finds the frame, clicks
// tabs and buttons, moves trackbars, types into edit boxes, and saves screenshots.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>

namespace dialog_test {

// Runs `script` on a helper thread once a dialog frame of this process is up, while the calling
// thread runs `open` (the export that shows the modal dialog) and returns its result.
int RunWithScript(const std::function<int()>& open, const std::function<void(HWND frame)>& script);

// The visible dialog frame owned by this process, waiting up to `ms`; null if none came.
HWND WaitForFrame(DWORD ms = 10000);

// Any window below `root` (pages sit inside the tab control) with this identifier and, when
// `visibleOnly`, visible.
HWND FindControl(HWND root, int id, bool visibleOnly = true);

std::wstring WindowText(HWND window);
std::wstring ListText(HWND frame, int list, int index);
int ListCount(HWND frame, int list);
int ListSelection(HWND frame, int list);
std::wstring TabTitle(HWND frame, int index);
int TabCount(HWND frame);

void ClickTab(HWND frame, int index);
void Click(HWND frame, int id);                // push button, check box or radio button
void TypeText(HWND frame, int id, const std::wstring& text);
void MoveTrackbar(HWND frame, int id, int position);
int TrackbarPosition(HWND frame, int id);
void SelectListEntry(HWND frame, int list, int index);
bool IsEnabled(HWND frame, int id);
bool IsChecked(HWND frame, int id);

// Lets the dialog thread paint, then writes the frame's screen area as a BMP file under
// build/win64/artifacts/ (the directory is made when missing).
bool SaveScreenshot(HWND frame, const std::string& name);

} // namespace dialog_test
