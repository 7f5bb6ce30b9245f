// Drives TravikViewer.exe from a test as a user would: its window, menu commands, status bar,
// modal dialogs, and a screenshot of what it shows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace viewer_test {

// TravikViewer.exe started from the test's directory; ended by force if a test leaves it running.
class ViewerProcess {
  public:
    ViewerProcess();
    ~ViewerProcess();
    ViewerProcess(const ViewerProcess&) = delete;
    ViewerProcess& operator=(const ViewerProcess&) = delete;

    HWND Window() const { return m_window; }
    HWND StatusBar() const { return m_statusBar; }
    // Posts a menu command id (viewer_ids.h) as the menu does.
    void Command(int id) const { PostMessageA(m_window, WM_COMMAND, id, 0); }

    // The text of one status bar part.
    std::string StatusPart(int part) const;
    // Waits until status bar part `part` contains `text`.
    bool WaitForStatus(int part, const std::string& text, DWORD ms = 15000) const;
    // The frame rate the status bar shows, in frames per second x 10 (0 when none is shown).
    int ShownRate() const;
    // Waits until the viewer's window is enabled (no modal dialog) or disabled (one is open).
    bool WaitForEnabled(bool enabled, DWORD ms = 15000) const;
    // Cancels the modal dialogs the viewer shows; true once its window is enabled again.
    bool CancelDialogs() const;
    // Fills in the common Save As dialog the viewer shows: chooses file type `filterIndex`
    // (1-based), types `path` and presses Save.
    bool AnswerSaveDialog(const std::string& path, int filterIndex) const;
    // Exit status once the process has ended within `ms`, else 0xFFFFFFFF.
    DWORD WaitForExit(DWORD ms) const;

  private:
    bool Owns(HWND window) const;
    bool IsOwnDialog(HWND window) const;
    HWND OwnDialog() const;

    PROCESS_INFORMATION m_process = {};
    HWND m_window = nullptr;
    HWND m_statusBar = nullptr;
};

// A 24-bit bottom-up copy of a window's client area as the screen shows it.
struct Screenshot {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<unsigned char> pixels;
};
Screenshot TakeScreenshot(HWND window);
// Writes the screenshot as a BMP file into the build tree's artifacts folder; its path.
std::string SaveArtefact(const Screenshot& shot, const std::string& name);

} // namespace viewer_test
