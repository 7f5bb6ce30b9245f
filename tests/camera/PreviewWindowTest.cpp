// The preview window under a display: the default top-level window, a child fed through the
// display buffer, previews without a window, and a screenshot that shows the bars upright.
#include "AcquisitionFixture.h"

#include <cstdio>
#include <string>
#include <thread>

namespace {

constexpr char kTopLevelTitle[] = "Active Window";

// A visible top-level window of the test, to parent the library's child windows.
class ParentWindow {
  public:
    ParentWindow(int width, int height) {
        static const ATOM atom = [] {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = DefWindowProcA;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "TravikTestParent";
            return RegisterClassA(&wc);
        }();
        (void)atom;
        m_hwnd =
            CreateWindowExA(0, "TravikTestParent", "parent", WS_POPUP | WS_VISIBLE, 0, 0, width,
                            height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~ParentWindow() { DestroyWindow(m_hwnd); }
    HWND hwnd() const { return m_hwnd; }

  private:
    HWND m_hwnd = nullptr;
};

// The client area of a window as 24-bit pixels, top row first (blue, green, red).
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
    const unsigned char* At(int x, int y) const { return &pixels[(size_t(y) * width + x) * 3]; }
};

Screenshot Capture(HWND window) {
    Screenshot shot;
    RECT client = {};
    GetClientRect(window, &client);
    shot.width = client.right;
    shot.height = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height; // top-down, to read rows as shown
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HDC windowDC = GetDC(window);
    HDC memoryDC = CreateCompatibleDC(windowDC);
    HBITMAP section = CreateDIBSection(windowDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memoryDC, section);
    BitBlt(memoryDC, 0, 0, shot.width, shot.height, windowDC, 0, 0, SRCCOPY);
    GdiFlush();
    const int stride = (shot.width * 3 + 3) & ~3;
    shot.pixels.resize(size_t(shot.width) * shot.height * 3);
    for (int y = 0; y < shot.height; ++y)
        memcpy(&shot.pixels[size_t(y) * shot.width * 3],
               static_cast<unsigned char*>(bits) + size_t(y) * stride, size_t(shot.width) * 3);
    SelectObject(memoryDC, old);
    DeleteObject(section);
    DeleteDC(memoryDC);
    ReleaseDC(window, windowDC);
    return shot;
}

// Writes the screenshot as a bottom-up 24-bit BMP under build/win64/artifacts.
void SaveArtifact(const Screenshot& shot, const std::string& name) {
    const std::string dir = travik_test::ProgramDirectory() + "..\\artifacts\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    FILE* file = std::fopen((dir + name).c_str(), "wb");
    ASSERT_NE(file, nullptr);
    const int stride = (shot.width * 3 + 3) & ~3;
    BITMAPFILEHEADER header = {};
    BITMAPINFOHEADER info = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(header) + sizeof(info);
    header.bfSize = header.bfOffBits + stride * shot.height;
    info.biSize = sizeof(info);
    info.biWidth = shot.width;
    info.biHeight = shot.height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::fwrite(&header, sizeof(header), 1, file);
    std::fwrite(&info, sizeof(info), 1, file);
    std::vector<unsigned char> row(stride, 0);
    for (int y = shot.height - 1; y >= 0; --y) {
        memcpy(row.data(), shot.At(0, y), size_t(shot.width) * 3);
        std::fwrite(row.data(), 1, row.size(), file);
    }
    std::fclose(file);
}

// Bars in the upper half (white first), the gray ramp below: the picture is upright.
void ExpectUprightBars(const Screenshot& shot) {
    const int w = shot.width, h = shot.height;
    const unsigned char* white = shot.At(w / 16, h / 10);
    const unsigned char* red = shot.At(5 * w / 8 + w / 16, h / 10);
    const unsigned char* blue = shot.At(6 * w / 8 + w / 16, h / 10);
    const unsigned char* black = shot.At(7 * w / 8 + w / 16, h / 10);
    EXPECT_EQ(white[0] + white[1] + white[2], 3 * 255);
    EXPECT_EQ(red[2], 255);
    EXPECT_EQ(red[0] + red[1], 0);
    EXPECT_EQ(blue[0], 255);
    EXPECT_EQ(blue[1] + blue[2], 0);
    EXPECT_EQ(black[0] + black[1] + black[2], 0);
    const unsigned char* rampLeft = shot.At(w / 40, 9 * h / 10);
    const unsigned char* rampRight = shot.At(w - w / 40, 9 * h / 10);
    EXPECT_LT(rampLeft[1], 40);
    EXPECT_GT(rampRight[1], 215);
}

class PreviewWindowTest : public AcquisitionTest {
  protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        ASSERT_TRUE(travik_emu::SetPacing(0, TRAVIK_EMU_PACING_FIXED, 30000));
    }
    // Lets frames be drawn, then stops so that the window holds the last one.
    void ShowFrames(int frames) {
        WaitNotices(frames, 3000);
        ASSERT_EQ(Travik_StopPreview(handle), 1);
    }
};

TEST_F(PreviewWindowTest, DefaultIsACentredTopLevelWindowOfTheCaptureSize) {
    ASSERT_EQ(Travik_CallBackPreview(handle, window.hwnd(), nullptr, 0, 1), 1);
    HWND preview = FindWindowA(nullptr, kTopLevelTitle);
    ASSERT_NE(preview, nullptr);
    RECT client = {}, frame = {};
    GetClientRect(preview, &client);
    GetWindowRect(preview, &frame);
    EXPECT_EQ(client.right, 1280);
    EXPECT_EQ(client.bottom, 960);
    const int expectedX = (GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2;
    const int expectedY = (GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top)) / 2;
    EXPECT_EQ(frame.left, expectedX < 0 ? 0 : expectedX);
    EXPECT_EQ(frame.top, expectedY < 0 ? 0 : expectedY);
    char className[256] = {};
    GetClassNameA(preview, className, sizeof(className));
    EXPECT_EQ(std::string(className).rfind("VideoRenderer_", 0), 0u) << className;

    ShowFrames(3);
    const Screenshot shot = Capture(preview);
    SaveArtifact(shot, "preview_toplevel.bmp");
    ExpectUprightBars(shot);

    // Close destroys the window and its class.
    EXPECT_EQ(Travik_Close(handle), 1);
    EXPECT_FALSE(IsWindow(preview));
    WNDCLASSEXA info = {};
    info.cbSize = sizeof(info);
    EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), className, &info));
}

TEST_F(PreviewWindowTest, ChildWindowIsFedThroughTheDisplayBuffer) {
    ParentWindow parent(700, 540);
    ASSERT_NE(parent.hwnd(), nullptr);
    for (int bits : {24, 8, 16, 64}) {
        SCOPED_TRACE(bits);
        ASSERT_EQ(Travik_SetColorMode(handle, bits), 1);
        ASSERT_EQ(Travik_SetPreviewWindow(handle, parent.hwnd(), 10, 20, 640, 480), 1);
        ASSERT_EQ(Travik_Preview(handle), 1);
        HWND child = FindWindowExA(parent.hwnd(), nullptr, nullptr, "ActiveMovie Window");
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(GetDlgCtrlID(child), 6540);
        RECT client = {};
        GetClientRect(child, &client);
        EXPECT_EQ(client.right, 640);
        EXPECT_EQ(client.bottom, 480);
        ShowFrames(3);
        const Screenshot shot = Capture(child);
        if (bits == 24) SaveArtifact(shot, "preview_child_640x480.bmp");
        if (bits >= 24)
            ExpectUprightBars(shot);
        else {
            // Gray: the white bar is bright, the black bar dark, the ramp rises to the right.
            EXPECT_EQ(shot.At(40, 48)[1], 255);
            EXPECT_EQ(shot.At(600, 48)[1], 0);
            EXPECT_LT(shot.At(16, 432)[1], shot.At(624, 432)[1]);
        }
        ASSERT_EQ(Travik_Close(handle), 1);
    }
}

TEST_F(PreviewWindowTest, NoWindowWhenPositionAndSizeAreZero) {
    ASSERT_EQ(Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
    std::vector<unsigned char> buffer(1280 * 3 * 960);
    ASSERT_EQ(Travik_CallBackPreview(handle, window.hwnd(), buffer.data(),
                                     static_cast<int>(buffer.size()), 1),
              1);
    EXPECT_EQ(FindWindowA(nullptr, kTopLevelTitle), nullptr);
    EXPECT_GE(CountFrames(WaitNotices(2, 3000)), 2u);
    EXPECT_EQ(Travik_StopPreview(handle), 1);
}

TEST_F(PreviewWindowTest, TwoCamerasRegisterDifferentClasses) {
    ParentWindow parent(700, 540);
    const int second = Travik_Initialize(window.hwnd());
    ASSERT_NE(second, 0);
    ASSERT_EQ(Travik_SetPreviewWindow(handle, parent.hwnd(), 0, 0, 320, 240), 1);
    ASSERT_EQ(Travik_SetPreviewWindow(second, parent.hwnd(), 320, 0, 320, 240), 1);
    ASSERT_EQ(Travik_Preview(handle), 1);
    ASSERT_EQ(Travik_StopPreview(handle), 1);
    // The second camera cannot stream the same device; its window is made all the same.
    Travik_Preview(second);
    HWND first = FindWindowExA(parent.hwnd(), nullptr, nullptr, "ActiveMovie Window");
    ASSERT_NE(first, nullptr);
    HWND other = FindWindowExA(parent.hwnd(), first, nullptr, "ActiveMovie Window");
    char a[256] = {}, b[256] = {};
    GetClassNameA(first, a, sizeof(a));
    if (other) GetClassNameA(other, b, sizeof(b));
    EXPECT_STRNE(a, b);
    Travik_Release(second);
}

// Pumps this thread's messages until `window` is gone or `ms` have passed.
bool PumpUntilGone(HWND window, DWORD ms) {
    const DWORD start = GetTickCount();
    while (IsWindow(window) && GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return !IsWindow(window);
}

// A preview started on one thread and closed on another: the window is the first thread's, so it
// is asked to close itself, and its class can only go after it has.
TEST_F(PreviewWindowTest, AWindowClosedByItsOwnThreadLeavesNoClassBehind) {
    const DWORD classesBefore = travik_resources::CountResources().windowClasses;
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool windowWent = false;
    int result = 0;
    HWND preview = nullptr;
    std::thread starter([&] { // a user interface thread: it keeps answering its messages
        result = Travik_Preview(handle);
        preview = FindWindowA(nullptr, kTopLevelTitle);
        SetEvent(started);
        windowWent = PumpUntilGone(preview, 10000);
    });
    WaitForSingleObject(started, 10000);
    CloseHandle(started);
    EXPECT_EQ(result, 1);
    EXPECT_NE(preview, nullptr);
    EXPECT_EQ(Travik_Close(handle), 1);
    starter.join();
    EXPECT_TRUE(windowWent);
    // The next window made and taken down, on this thread, takes the left class with it.
    ASSERT_EQ(Travik_Preview(handle), 1);
    EXPECT_EQ(Travik_Close(handle), 1);
    EXPECT_EQ(travik_resources::CountResources().windowClasses, classesBefore);
}

TEST_F(PreviewWindowTest, SettingThePreviewWindowNeedsADevice) {
    EXPECT_EQ(Travik_SetPreviewWindow(0, nullptr, 0, 0, 0, 0), 0);
    EXPECT_EQ(Travik_SetPreviewWindow(handle, nullptr, 1, 2, 3, 4), 1);
}

} // namespace
