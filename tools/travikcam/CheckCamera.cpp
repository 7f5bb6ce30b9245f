// travikcam check: notices, frame tallies and the virtual camera's frame stamps.
#include "CheckCamera.h"

#include "Session.h"

#include <algorithm>
#include <cstdio>

namespace travikcam {

namespace {

const char kNoticeClass[] = "TravikcamCheckNotices";
constexpr int kStampRows = 4;
constexpr int kStampBits = 32;
constexpr int kStampBlock = 8;

void RegisterNoticeClass() {
    static const ATOM atom = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kNoticeClass;
        return RegisterClassA(&wc);
    }();
    (void)atom;
}

std::string Describe(const FrameInfo& f) {
    char text[160];
    std::snprintf(text, sizeof text, "frame record size %d, %d x %d, %d bits", f.size, f.width,
                  f.height, f.bitsPerPixel);
    return text;
}

} // namespace

NoticeWindow::NoticeWindow() {
    RegisterNoticeClass();
    // Message-only: it needs no display and is never shown.
    m_hwnd = CreateWindowExA(0, kNoticeClass, "travikcam check", 0, 0, 0, 0, 0, HWND_MESSAGE,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
}

NoticeWindow::~NoticeWindow() {
    if (m_hwnd) DestroyWindow(m_hwnd);
}

FrameTally WaitForFrames(HWND window, int count, unsigned timeoutMs, int width, int height,
                         int bits, const FrameInspector& inspect) {
    FrameTally tally;
    const DWORD start = GetTickCount();
    while (tally.frames < count && GetTickCount() - start < timeoutMs) {
        MSG msg;
        if (!PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            continue;
        }
        if (msg.message == WM_CAMERA_ERROR) {
            tally.errors.push_back(static_cast<int>(msg.lParam));
        } else if (msg.message == WM_CAMERA_NOTIFY) {
            if (msg.wParam == 0) {
                tally.errors.push_back(static_cast<int>(msg.lParam));
                continue;
            }
            const FrameInfo& info = *reinterpret_cast<const FrameInfo*>(msg.wParam);
            ++tally.frames;
            if (tally.wrongFrame.empty() &&
                (info.size != 32 || info.width != width || info.height != height ||
                 info.bitsPerPixel != bits))
                tally.wrongFrame = Describe(info);
            if (inspect) inspect(info);
        } else {
            DispatchMessageA(&msg);
        }
    }
    return tally;
}

void DrainNotices(HWND window) {
    MSG msg;
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
    }
}

CheckCamera::CheckCamera(HWND window) : m_handle(Travik_Initialize(window)) {}

CheckCamera::~CheckCamera() {
    if (m_handle) Travik_Release(m_handle);
}

std::string CheckCamera::Open(int device) {
    if (!m_handle) return "Travik_Initialize gave no handle";
    if (!Travik_SetDeviceNumber(m_handle, device))
        return "Travik_SetDeviceNumber(" + std::to_string(device) + ") failed: " + LastError();
    return "";
}

std::string CheckCamera::LastError() {
    const int code = Travik_GetLastError(m_handle);
    if (code == 0) return "no error code";
    return "code " + std::to_string(code) + " (" + DescribeError(code) + ")";
}

int BytesPerPixel(int bits) {
    return bits / 8;
}

long long ReadFrameStamp(const uint8_t* pixels, int width, int height) {
    if (!pixels || width < kStampBits * kStampBlock || height < kStampRows) return -1;
    // The middle of the stamp's rows, away from the mosaic's edges.
    const uint8_t* row = pixels + static_cast<size_t>(height - kStampRows / 2) * width;
    // Gain and exposure scale the stamp's ones like the scene: a one is anything above half of
    // the brightest block.
    int brightest = 0;
    for (int bit = 0; bit < kStampBits; ++bit)
        brightest = std::max<int>(brightest, row[bit * kStampBlock + kStampBlock / 2]);
    long long number = 0;
    for (int bit = 0; bit < kStampBits; ++bit) {
        const int value = row[bit * kStampBlock + kStampBlock / 2];
        number = number << 1 | (brightest >= 8 && value * 2 > brightest ? 1 : 0);
    }
    return number;
}

std::string CheckFlat(const uint8_t* pixels, int width, int height, int value) {
    for (int y = 0; y < height - kStampRows; ++y)
        for (int x = 0; x < width; ++x)
            if (pixels[static_cast<size_t>(y) * width + x] != value) {
                char text[120];
                std::snprintf(text, sizeof text, "pixel %d at row %d, column %d, not %d",
                              pixels[static_cast<size_t>(y) * width + x], y, x, value);
                return text;
            }
    return "";
}

} // namespace travikcam
