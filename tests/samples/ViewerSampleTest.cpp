// The viewer sample driven as a user drives it, by its menu commands posted as WM_COMMAND: it
// starts, previews the virtual camera, shows errors and dialogs, and exits cleanly.
#include "EmuControl.h"
#include "support/TestSupport.h"
#include "viewer_ids.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// TravikViewer.exe started from the test's directory; ended by force if a test leaves it running.
class ViewerProcess {
  public:
    ViewerProcess() {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        std::string command = "\"" + travik_test::ProgramDirectory() + "TravikViewer.exe\"";
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &m_process))
            return;
        for (int i = 0; i < 300 && !m_window; ++i) {
            EnumWindows(FindOwnWindow, reinterpret_cast<LPARAM>(this));
            if (!m_window) Sleep(50);
        }
        if (m_window) m_statusBar = FindWindowExA(m_window, nullptr, "msctls_statusbar32", nullptr);
    }
    ~ViewerProcess() {
        if (!m_process.hProcess) return;
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_process.hProcess, 99);
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }
    ViewerProcess(const ViewerProcess&) = delete;
    ViewerProcess& operator=(const ViewerProcess&) = delete;

    HWND Window() const { return m_window; }
    HWND StatusBar() const { return m_statusBar; }
    void Command(int id) const { PostMessageA(m_window, WM_COMMAND, id, 0); }

    // The text of one status bar part, read through a buffer in the viewer's own memory since the
    // status bar writes it there.
    std::string StatusPart(int part) const {
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

    // Waits until status bar part `part` contains `text`; the text last seen otherwise.
    bool WaitForStatus(int part, const std::string& text, DWORD ms = 15000) const {
        const DWORD start = GetTickCount();
        do {
            if (Contains(StatusPart(part), text)) return true;
            Sleep(50);
        } while (GetTickCount() - start < ms);
        return false;
    }

    // The frame rate the status bar shows, in frames per second x 10 (0 when none is shown).
    int ShownRate() const {
        int whole = 0, tenth = 0;
        return std::sscanf(StatusPart(STATUS_PART_RATE).c_str(), "%d.%d frames/s", &whole, &tenth) == 2
                   ? whole * 10 + tenth
                   : 0;
    }

    bool WaitForEnabled(bool enabled, DWORD ms = 15000) const {
        const DWORD start = GetTickCount();
        while ((IsWindowEnabled(m_window) != FALSE) != enabled) {
            if (GetTickCount() - start > ms) return false;
            Sleep(50);
        }
        return true;
    }

    // Cancels the modal dialogs the viewer shows; true once its window is enabled again.
    bool CancelDialogs() const {
        for (int round = 0; round < 100 && !IsWindowEnabled(m_window); ++round) {
            EnumWindows(CancelOwnDialog, reinterpret_cast<LPARAM>(this));
            Sleep(100);
        }
        return IsWindowEnabled(m_window) != FALSE;
    }

    // Fills in the common Save As dialog the viewer shows: chooses file type `filterIndex`
    // (1-based), types `path` and presses Save.
    bool AnswerSaveDialog(const std::string& path, int filterIndex) const {
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
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELENDOK), reinterpret_cast<LPARAM>(types));
        SetWindowTextA(name, path.c_str());
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        return WaitForEnabled(true);
    }

    // Exit status once the process has ended within `ms`, else 0xFFFFFFFF.
    DWORD WaitForExit(DWORD ms) const {
        DWORD status = 0xFFFFFFFF;
        if (WaitForSingleObject(m_process.hProcess, ms) == WAIT_OBJECT_0)
            GetExitCodeProcess(m_process.hProcess, &status);
        return status;
    }

  private:
    bool Owns(HWND window) const {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        return pid == m_process.dwProcessId;
    }
    static BOOL CALLBACK FindOwnWindow(HWND window, LPARAM self) {
        auto* viewer = reinterpret_cast<ViewerProcess*>(self);
        char name[64] = {};
        GetClassNameA(window, name, sizeof name);
        if (viewer->Owns(window) && std::string(name) == VIEWER_CLASS) viewer->m_window = window;
        return viewer->m_window == nullptr;
    }
    bool IsOwnDialog(HWND window) const {
        char name[64] = {};
        GetClassNameA(window, name, sizeof name);
        return Owns(window) && std::string(name) == "#32770" && IsWindowVisible(window);
    }
    HWND OwnDialog() const {
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
    static BOOL CALLBACK CancelOwnDialog(HWND window, LPARAM self) {
        if (reinterpret_cast<const ViewerProcess*>(self)->IsOwnDialog(window))
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }

    PROCESS_INFORMATION m_process = {};
    HWND m_window = nullptr;
    HWND m_statusBar = nullptr;
};

// Copies the viewer's client area from the screen into a 24-bit BMP file; returns the pixels.
std::vector<unsigned char> Screenshot(HWND window, const std::string& path, int& width, int& height) {
    RECT client = {};
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    width = client.right;
    height = client.bottom;
    const int stride = (width * 3 + 3) & ~3;
    std::vector<unsigned char> pixels(static_cast<size_t>(stride) * height);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB};
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory && bitmap) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
        GdiFlush();
        std::copy_n(static_cast<const unsigned char*>(bits), pixels.size(), pixels.begin());
        SelectObject(memory, previous);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file = {0x4D42, static_cast<DWORD>(54 + pixels.size()), 0, 0, 54};
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, f);
        std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, f);
        std::fwrite(pixels.data(), 1, pixels.size(), f);
        std::fclose(f);
    }
    return pixels;
}

std::string TempPath(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name;
}

std::vector<unsigned char> Head(const std::string& path, size_t bytes) {
    std::vector<unsigned char> head(bytes);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    head.resize(std::fread(head.data(), 1, bytes, f));
    std::fclose(f);
    return head;
}

uint32_t U32(const std::vector<unsigned char>& b, size_t o) {
    return b[o] | b[o + 1] << 8 | b[o + 2] << 16 | static_cast<uint32_t>(b[o + 3]) << 24;
}

std::string ArtefactPath(const std::string& name) {
    const std::string dir = travik_test::ProgramDirectory() + "..\\artifacts\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir + name;
}

class ViewerSampleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        travik_test::DeleteSdkRegistry();
        ASSERT_TRUE(travik_emu::ResetDevice(0));
        ASSERT_TRUE(travik_emu::ResetDevice(1));
    }
    void TearDown() override {
        travik_test::DeleteSdkRegistry();
        travik_emu::ResetDevice(0);
        travik_emu::ResetDevice(1);
    }
    // Starts the preview and waits until frames are counted in the status bar.
    void StartPreview(const ViewerProcess& viewer) {
        viewer.Command(ID_PREVIEW_START);
        ASSERT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, "previewing"))
            << viewer.StatusPart(STATUS_PART_STATE) << " / " << viewer.StatusPart(STATUS_PART_ERROR);
        ASSERT_TRUE(viewer.WaitForStatus(STATUS_PART_RATE, "frames/s"));
    }
    // Stops, checks that no error was shown, exits by the menu and expects status 0.
    void StopAndExit(const ViewerProcess& viewer) {
        viewer.Command(ID_PREVIEW_STOP);
        EXPECT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, "stopped"));
        EXPECT_EQ(viewer.StatusPart(STATUS_PART_ERROR), "No error");
        viewer.Command(ID_FILE_EXIT);
        EXPECT_EQ(viewer.WaitForExit(30000), 0u);
    }
};

struct ColourCase {
    int mode; // index of the colour menu
    const char* shown;
};

class ViewerSamplePreview : public ViewerSampleTest,
                            public ::testing::WithParamInterface<ColourCase> {};

TEST_P(ViewerSamplePreview, PreviewsTheCameraInItsWindowAndExitsCleanly) {
    ViewerProcess viewer;
    ASSERT_NE(viewer.Window(), nullptr);
    ASSERT_NE(viewer.StatusBar(), nullptr);
    ASSERT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, "ready"));
    viewer.Command(ID_COLOR_FIRST + GetParam().mode);
    ASSERT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, GetParam().shown))
        << viewer.StatusPart(STATUS_PART_STATE);
    StartPreview(viewer);
    // The rate is measured over frames: give it a moment to become non-zero.
    for (int i = 0; i < 100 && viewer.ShownRate() == 0; ++i) Sleep(50);
    EXPECT_GT(viewer.ShownRate(), 0) << viewer.StatusPart(STATUS_PART_RATE);
    Sleep(500);

    int width = 0, height = 0;
    const std::vector<unsigned char> pixels =
        Screenshot(viewer.Window(), ArtefactPath(std::string("viewer_") + GetParam().shown + ".bmp"),
                   width, height);
    ASSERT_GE(width, 640);
    ASSERT_GE(height, 480);
    // The preview fills the top 640 x 480 of the client area (the last rows of the bottom-up
    // screenshot): the camera's scene there is not one flat colour.
    const int stride = (width * 3 + 3) & ~3;
    const unsigned char* first = &pixels[static_cast<size_t>(height - 1) * stride];
    bool varies = false;
    for (int row = height - 480; row < height && !varies; row += 7)
        for (int x = 0; x < 640 * 3 && !varies; x += 11)
            varies = pixels[static_cast<size_t>(row) * stride + x] != first[x % 3];
    EXPECT_TRUE(varies) << "the preview area is blank";

    StopAndExit(viewer);
}

INSTANTIATE_TEST_SUITE_P(ColourModes, ViewerSamplePreview,
                         ::testing::Values(ColourCase{0, "8-bit mono"},
                                           ColourCase{2, "24-bit colour"},
                                           ColourCase{5, "64-bit colour"}),
                         [](const auto& info) { return std::to_string(info.param.mode); });

TEST_F(ViewerSampleTest, ASecondCameraPreviewsToo) {
    ViewerProcess viewer;
    ASSERT_NE(viewer.Window(), nullptr);
    viewer.Command(ID_DEVICE_FIRST + 1);
    ASSERT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, "Device 2"));
    StartPreview(viewer);
    StopAndExit(viewer);
}

TEST_F(ViewerSampleTest, AnAbsentCameraShowsItsErrorInTheStatusBar) {
    ViewerProcess viewer;
    ASSERT_NE(viewer.Window(), nullptr);
    ASSERT_TRUE(viewer.WaitForStatus(STATUS_PART_ERROR, "No error"));
    viewer.Command(ID_DEVICE_FIRST + 31);
    EXPECT_TRUE(viewer.WaitForStatus(STATUS_PART_ERROR, "Error 2:"))
        << viewer.StatusPart(STATUS_PART_ERROR);
    EXPECT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, "Device 1"));
    viewer.Command(ID_FILE_EXIT);
    EXPECT_EQ(viewer.WaitForExit(30000), 0u);
}

class ViewerSampleDialog : public ViewerSampleTest, public ::testing::WithParamInterface<int> {};

TEST_P(ViewerSampleDialog, EachSettingsDialogOpensOverThePreviewAndCloses) {
    ViewerProcess viewer;
    ASSERT_NE(viewer.Window(), nullptr);
    StartPreview(viewer);
    viewer.Command(GetParam());
    ASSERT_TRUE(viewer.WaitForEnabled(false)) << "no modal dialog appeared";
    ASSERT_TRUE(viewer.CancelDialogs());
    EXPECT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, "previewing"));
    StopAndExit(viewer);
}

INSTANTIATE_TEST_SUITE_P(Settings, ViewerSampleDialog,
                         ::testing::Values(ID_SETTINGS_CAMERA, ID_SETTINGS_IMAGE,
                                           ID_SETTINGS_ANALOG));

struct SaveCase {
    int filterIndex; // in the Save As dialog: 1 BMP, 2 raw, 3-5 JPEG, 6 PNG, 7 TIFF
    const char* name;
    std::vector<unsigned char> magic;
    bool previewing;
};

class ViewerSampleSave : public ViewerSampleTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(ViewerSampleSave, SavesASnapshotInTheFormChosenInTheDialog) {
    const std::string path = TempPath(GetParam().name);
    DeleteFileA(path.c_str());
    ViewerProcess viewer;
    ASSERT_NE(viewer.Window(), nullptr);
    if (GetParam().previewing) StartPreview(viewer);
    viewer.Command(ID_FILE_SAVE);
    ASSERT_TRUE(viewer.AnswerSaveDialog(path, GetParam().filterIndex));
    EXPECT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, "snapshot saved"))
        << viewer.StatusPart(STATUS_PART_STATE);
    EXPECT_EQ(Head(path, GetParam().magic.size()), GetParam().magic);
    StopAndExit(viewer);
    DeleteFileA(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ViewerSampleSave,
    ::testing::Values(SaveCase{1, "viewer_sample.bmp", {'B', 'M'}, false},
                      SaveCase{6, "viewer_sample.png", {0x89, 'P', 'N', 'G'}, true},
                      SaveCase{4, "viewer_sample.jpg", {0xFF, 0xD8, 0xFF}, true},
                      SaveCase{7, "viewer_sample.tif", {'I', 'I', 42, 0}, false}),
    [](const auto& info) { return std::string(info.param.name).substr(14); });

TEST_F(ViewerSampleTest, RecordsAFinishedAviOfTheCamera) {
    const std::string path = TempPath("viewer_sample.avi");
    DeleteFileA(path.c_str());
    ViewerProcess viewer;
    ASSERT_NE(viewer.Window(), nullptr);
    viewer.Command(ID_FILE_RECORD);
    ASSERT_TRUE(viewer.AnswerSaveDialog(path, 1));
    ASSERT_TRUE(viewer.WaitForStatus(STATUS_PART_STATE, "recording"))
        << viewer.StatusPart(STATUS_PART_STATE) << " / " << viewer.StatusPart(STATUS_PART_ERROR);
    // The recorder writes the sizes into the header last, when the five seconds have run out.
    std::vector<unsigned char> header;
    for (int i = 0; i < 300 && (header.size() < 232 || U32(header, 4) == 0); ++i) {
        Sleep(100);
        header = Head(path, 232);
    }
    ASSERT_EQ(header.size(), 232u);
    EXPECT_EQ(std::string(header.begin(), header.begin() + 4), "RIFF");
    EXPECT_NE(U32(header, 4), 0u);
    EXPECT_GT(U32(header, 48), 0u);     // frames
    EXPECT_EQ(U32(header, 64), 1280u);  // width
    EXPECT_EQ(U32(header, 68), 960u);   // height
    StopAndExit(viewer);
    DeleteFileA(path.c_str());
}

} // namespace
