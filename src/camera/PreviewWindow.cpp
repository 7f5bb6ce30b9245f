// Preview window: the library's own window (a child of the application's window or a centred
// top-level one) and the drawing of each processed frame into it from the worker.
#include "camera/Travik.h"
#include "imaging/ImageBuffer.h"

#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr char kChildTitle[] = "ActiveMovie Window";
constexpr char kTopLevelTitle[] = "Active Window";
constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
constexpr DWORD kTopLevelStyle =
    WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr int kChildControlId = 6540;

// Client size divisor of the sub-sample settings that shrink the picture.
int SubSampleDivisor(int subSample) {
    switch (subSample) {
    case 1:
    case 17:
        return 2;
    case 2:
    case 18:
        return 4;
    case 3:
    case 19:
        return 8;
    default:
        return 1;
    }
}

// The classes of preview windows taken down. A class cannot go while a window of it lives, and a
// window of another thread can only be asked to close, so a class whose window is still there is
// tried again whenever a preview window is made or taken down: an application that starts
// previews on one thread and ends them on another does not fill the process's class table.
// A slim lock, because it holds no kernel object.
class ClassesToUnregister {
  public:
    void Add(const char* name) {
        AcquireSRWLockExclusive(&m_lock);
        m_names.emplace_back(name);
        ReleaseSRWLockExclusive(&m_lock);
    }
    void UnregisterThoseWithoutWindows() {
        AcquireSRWLockExclusive(&m_lock);
        std::erase_if(m_names, [](const std::string& name) {
            return UnregisterClassA(name.c_str(), GetModuleHandleA(nullptr)) ||
                   GetLastError() == ERROR_CLASS_DOES_NOT_EXIST;
        });
        ReleaseSRWLockExclusive(&m_lock);
    }

  private:
    SRWLOCK m_lock = SRWLOCK_INIT;
    std::vector<std::string> m_names;
};

ClassesToUnregister g_classesToUnregister;

} // namespace

int CTravik::SetPreviewWindow(HWND parent, int x, int y, int width, int height) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    auto store = [&] {
        m_parentWindow = parent;
        m_previewRect[0] = x;
        m_previewRect[1] = y;
        m_previewRect[2] = width;
        m_previewRect[3] = height;
        // The window in use is made again at the next start, or below when a worker runs.
        m_previewWindowStale = m_previewWindow != nullptr;
    };
    // A running worker moves to the new window: it draws into the old one until it has ended.
    const bool hadWindow = m_previewWindow != nullptr;
    const auto moveWorker = [&] {
        if (!hadWindow && !WantsPreviewWindow()) return 1;
        DestroyPreviewWindow();
        return WantsPreviewWindow() ? OpenPreviewWindow() : 1;
    };
    return m_acquisition.ChangeWorkerTarget([&] { return store(), 1; }, moveWorker);
}

bool CTravik::PreviewWindowUsable() const {
    return m_previewWindow && m_previewDC && IsWindow(m_previewWindow) && !m_previewWindowStale;
}

void CTravik::DestroyPreviewWindow() {
    if (m_previewDC) ReleaseDC(m_previewWindow, m_previewDC);
    m_previewDC = nullptr;
    // A window of another thread cannot be destroyed from here; it is asked to close itself.
    if (m_previewWindow && !DestroyWindow(m_previewWindow) && IsWindow(m_previewWindow))
        PostMessageA(m_previewWindow, WM_CLOSE, 0, 0);
    m_previewWindow = nullptr;
    if (m_windowClass[0]) g_classesToUnregister.Add(m_windowClass);
    g_classesToUnregister.UnregisterThoseWithoutWindows();
    m_windowClass[0] = '\0';
    m_previewWindowStale = false;
}

bool CTravik::WantsPreviewWindow() const {
    return m_parentWindow || m_previewRect[0] || m_previewRect[1] || m_previewRect[2] ||
           m_previewRect[3];
}

LRESULT CALLBACK CTravik::PreviewWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    return DefWindowProcA(window, message, w, l);
}

HWND CTravik::CreatePreviewWindow() {
    // A fresh class per creation: two cameras, or two creations, never share a class.
    std::snprintf(m_windowClass, sizeof(m_windowClass), "VideoRenderer_%08x_%08x",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(this)),
                  static_cast<unsigned>(timeGetTime() + std::rand()));
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &CTravik::PreviewWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = m_windowClass;
    if (!RegisterClassExA(&windowClass)) {
        m_windowClass[0] = '\0';
        return nullptr;
    }

    HWND window = nullptr;
    if (m_parentWindow) {
        window =
            CreateWindowExA(0, m_windowClass, kChildTitle, kChildStyle, m_previewRect[0],
                            m_previewRect[1], m_previewRect[2], m_previewRect[3], m_parentWindow,
                            reinterpret_cast<HMENU>(kChildControlId), instance, nullptr);
    } else {
        const int divisor = SubSampleDivisor(m_subSample);
        RECT frame = {0, 0, m_EH / divisor, m_EV / divisor};
        if (AdjustWindowRectEx(&frame, kTopLevelStyle, FALSE, 0)) {
            const int width = frame.right - frame.left;
            const int height = frame.bottom - frame.top;
            int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
            int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
            if (x < 0) x = 0;
            if (y < 0) y = 0;
            window = CreateWindowExA(0, m_windowClass, kTopLevelTitle, kTopLevelStyle, x, y, width,
                                     height, nullptr, nullptr, instance, nullptr);
        }
    }
    if (window) {
        SetFocus(window);
        ShowWindow(window, SW_SHOW);
        if (UpdateWindow(window)) return window;
        DestroyWindow(window);
    }
    UnregisterClassA(m_windowClass, instance);
    m_windowClass[0] = '\0';
    return nullptr;
}

int CTravik::OpenPreviewWindow() {
    DestroyPreviewWindow(); // one closed by the user, or made with other settings
    m_previewWindow = CreatePreviewWindow();
    if (m_previewWindow) m_previewDC = GetDC(m_previewWindow);
    if (m_previewDC) return 1;
    // Undo a half-made window before the failure is told.
    Close();
    return ReportError(ERR_WINDOW), 0;
}

bool CTravik::PreviewClientArea(RECT& client) const {
    return m_previewWindow && m_previewDC && IsWindowVisible(m_previewWindow) &&
           GetClientRect(m_previewWindow, &client) && client.right > 0 && client.bottom > 0;
}

void CTravik::SizeDisplayBuffer(const RECT& client) {
    ImageBuffer* display = m_images.display;
    if (!display) return;
    const int bits = m_colorMode <= 1 ? 8 : 24;
    if (display->Pixels() && display->Width() == client.right &&
        display->Height() == client.bottom && display->Bits() == bits)
        return;
    display->Create(client.right, client.bottom, bits);
}

void CTravik::DrawPreview() {
    // Checked first: without a window to show it in, the display conversion below is wasted
    // work on every frame (a recording without a window, a hidden window).
    RECT client;
    if (!PreviewClientArea(client)) return;
    ImageBuffer* shown = nullptr;
    switch (m_colorMode) {
    case 0:
        shown = m_images.samples8;
        break;
    case 1:
        if (m_images.samples8 && m_images.samples8->Pixels())
            m_images.samples8->ApplyKernel(Mono10To8, m_images.samples16, nullptr, 0, 0, nullptr);
        shown = m_images.samples8;
        break;
    case 2:
        shown = m_images.color24;
        break;
    case 3:
        m_images.color24->ApplyKernel(Color32To24, m_images.color32, nullptr, 0, 0, nullptr);
        shown = m_images.color24;
        break;
    default:
        m_images.color24->ApplyKernel(Color10To8, OutputImage(), nullptr, 0, 0, nullptr);
        shown = m_images.color24;
        break;
    }
    if (!shown || !shown->Pixels()) return;

    const int width = shown->Width(), height = shown->Height();
    if (client.right == width && client.bottom == height && m_colorMode != 1) {
        // The bitmap is bottom-up: a negative source height shows memory row 0 at the top.
        StretchBlt(m_previewDC, 0, 0, width, height, shown->MemoryDC(), 0, height, width, -height,
                   SRCCOPY);
        return;
    }
    SizeDisplayBuffer(client);
    ImageBuffer* display = m_images.display;
    if (!display || !display->Pixels()) return;
    display->ApplyScaledKernel(m_colorMode <= 1 ? ScaleNearest8 : ScaleNearest24, shown, nullptr,
                               nullptr, nullptr);
    BitBlt(m_previewDC, 0, 0, client.right, client.bottom, display->MemoryDC(), 0, 0, SRCCOPY);
}
