// Drives TravikViewer.exe from a test: finding its window, reading its status bar across the
// process boundary, answering its dialogs, and copying its picture from the screen.
#include "ViewerDriver.h"

#include "support/TestSupport.h"
#include "viewer_ids.h"

#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace viewer_test {

namespace {

std::string ClassName(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

BITMAPINFOHEADER Header24(int width, int height) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height; // bottom-up
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    return header;
}

// A memory DC with a 24-bit DIB section selected, undone in reverse order.
class CaptureSurface {
  public:
    CaptureSurface(HDC screen, const BITMAPINFO& info) {
        m_memory = CreateCompatibleDC(screen);
        m_bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0);
        if (m_memory && m_bitmap) m_previous = SelectObject(m_memory, m_bitmap);
    }
    ~CaptureSurface() {
        if (m_previous) SelectObject(m_memory, m_previous);
        if (m_bitmap) DeleteObject(m_bitmap);
        if (m_memory) DeleteDC(m_memory);
    }
    CaptureSurface(const CaptureSurface&) = delete;
    CaptureSurface& operator=(const CaptureSurface&) = delete;

    bool Ready() const { return m_previous != nullptr; }
    HDC Dc() const { return m_memory; }
    const unsigned char* Bits() const { return static_cast<const unsigned char*>(m_bits); }

  private:
    HDC m_memory = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    void* m_bits = nullptr;
};

} // namespace

ViewerProcess::ViewerProcess() {
    // No standard handles: the desktop process Wine may start for the viewer would inherit them,
    // and CTest waits for its output pipe to close.
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    std::string command = "\"" + travik_test::ProgramDirectory() + "TravikViewer.exe\"";
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &m_process))
        return;
    auto findOwnWindow = [](HWND window, LPARAM self) -> BOOL {
        auto* viewer = reinterpret_cast<ViewerProcess*>(self);
        if (viewer->Owns(window) && ClassName(window) == VIEWER_CLASS) viewer->m_window = window;
        return viewer->m_window == nullptr;
    };
    // The main window can be listed while it is still in WM_CREATE, before its status bar
    // exists: wait for both.
    for (int i = 0; i < 300 && !m_statusBar; ++i) {
        if (!m_window) EnumWindows(findOwnWindow, reinterpret_cast<LPARAM>(this));
        if (m_window) m_statusBar = FindWindowExA(m_window, nullptr, STATUSCLASSNAMEA, nullptr);
        if (!m_statusBar) Sleep(50);
    }
}

ViewerProcess::~ViewerProcess() {
    if (!m_process.hProcess) return;
    if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(m_process.hProcess, 99);
    CloseHandle(m_process.hThread);
    CloseHandle(m_process.hProcess);
}

// SB_GETTEXT writes into the caller's buffer, which must lie in the viewer's own memory.
std::string ViewerProcess::StatusPart(int part) const {
    constexpr SIZE_T kSize = 256;
    void* remote = VirtualAllocEx(m_process.hProcess, nullptr, kSize, MEM_COMMIT, PAGE_READWRITE);
    if (!remote) return {};
    char text[kSize] = {};
    DWORD_PTR ignored = 0;
    if (SendMessageTimeoutA(m_statusBar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(remote),
                            SMTO_NORMAL, 5000, &ignored))
        ReadProcessMemory(m_process.hProcess, remote, text, kSize - 1, nullptr);
    VirtualFreeEx(m_process.hProcess, remote, 0, MEM_RELEASE);
    return text;
}

bool ViewerProcess::WaitForStatus(int part, const std::string& text, DWORD ms) const {
    const DWORD start = GetTickCount();
    do {
        if (StatusPart(part).find(text) != std::string::npos) return true;
        Sleep(50);
    } while (GetTickCount() - start < ms);
    return false;
}

int ViewerProcess::ShownRate() const {
    int whole = 0, tenth = 0;
    const std::string shown = StatusPart(STATUS_PART_RATE);
    return std::sscanf(shown.c_str(), "%d.%d frames/s", &whole, &tenth) == 2 ? whole * 10 + tenth
                                                                             : 0;
}

bool ViewerProcess::WaitForEnabled(bool enabled, DWORD ms) const {
    const DWORD start = GetTickCount();
    while ((IsWindowEnabled(m_window) != FALSE) != enabled) {
        if (GetTickCount() - start > ms) return false;
        Sleep(50);
    }
    return true;
}

bool ViewerProcess::CancelDialogs() const {
    for (int round = 0; round < 100 && !IsWindowEnabled(m_window); ++round) {
        if (HWND dialog = OwnDialog()) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        Sleep(100);
    }
    return IsWindowEnabled(m_window) != FALSE;
}

bool ViewerProcess::AnswerSaveDialog(const std::string& path, int filterIndex) const {
    if (!WaitForEnabled(false)) return false;
    HWND dialog = nullptr;
    for (int i = 0; i < 100 && !dialog; ++i) {
        dialog = OwnDialog();
        if (!dialog) Sleep(50);
    }
    HWND types = GetDlgItem(dialog, cmb1);
    HWND name = GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
    if (!dialog || !types || !name) return false;
    // A user's choice in the list ends with CBN_SELENDOK, which the dialog takes it from.
    SendMessageA(types, CB_SETCURSEL, filterIndex - 1, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(types));
    SetWindowTextA(name, path.c_str());
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return WaitForEnabled(true);
}

DWORD ViewerProcess::WaitForExit(DWORD ms) const {
    DWORD status = 0xFFFFFFFF;
    if (WaitForSingleObject(m_process.hProcess, ms) == WAIT_OBJECT_0)
        GetExitCodeProcess(m_process.hProcess, &status);
    return status;
}

bool ViewerProcess::Owns(HWND window) const {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid == m_process.dwProcessId;
}

bool ViewerProcess::IsOwnDialog(HWND window) const {
    return Owns(window) && ClassName(window) == "#32770" && IsWindowVisible(window);
}

HWND ViewerProcess::OwnDialog() const {
    std::pair<const ViewerProcess*, HWND> search = {this, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* found = reinterpret_cast<std::pair<const ViewerProcess*, HWND>*>(param);
            if (found->first->IsOwnDialog(window)) found->second = window;
            return found->second == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// The preview is drawn straight into the window by the SDK's worker, not in WM_PAINT, so
// PrintWindow would miss it: copy what the screen shows.
Screenshot TakeScreenshot(HWND window) {
    Screenshot shot;
    RECT client = {};
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    shot.width = client.right;
    shot.height = client.bottom;
    shot.stride = (shot.width * 3 + 3) & ~3;
    BITMAPINFO info = {};
    info.bmiHeader = Header24(shot.width, shot.height);
    HDC screen = GetDC(nullptr);
    {
        CaptureSurface surface(screen, info);
        if (surface.Ready() && BitBlt(surface.Dc(), 0, 0, shot.width, shot.height, screen, origin.x,
                                      origin.y, SRCCOPY)) {
            GdiFlush();
            shot.pixels.assign(surface.Bits(),
                               surface.Bits() + static_cast<size_t>(shot.stride) * shot.height);
        }
    }
    ReleaseDC(nullptr, screen);
    return shot;
}

std::string SaveArtefact(const Screenshot& shot, const std::string& name) {
    const std::string dir = travik_test::ProgramDirectory() + "..\\artifacts\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string path = dir + name;
    const BITMAPINFOHEADER header = Header24(shot.width, shot.height);
    const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof header;
    BITMAPFILEHEADER file = {0x4D42, static_cast<DWORD>(offset + shot.pixels.size()), 0, 0, offset};
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, f);
        std::fwrite(&header, sizeof header, 1, f);
        std::fwrite(shot.pixels.data(), 1, shot.pixels.size(), f);
        std::fclose(f);
    }
    return path;
}

} // namespace viewer_test
