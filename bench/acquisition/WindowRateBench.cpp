// Frames per second of callback preview of one capture window through the DLL on the virtual
// camera, at the camera's own pace and unpaced, with the machine's load average beside each.
// Usage: acquisition_window_bench [x y width height [bits]] (default 320 x 240 at 0, 0, 8 bits).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "EmuControl.h"
#include "TravikSdk.h"

namespace {

const unsigned kDevice = 0;
const int kWarmupFrames = 10;
const DWORD kMeasureMs = 4000;

// The Linux load average under Wine (the root is drive Z:); empty elsewhere.
void LoadAverage(char (&text)[64]) {
    text[0] = '\0';
    HANDLE file = CreateFileA("Z:\\proc\\loadavg", GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD read = 0;
    ReadFile(file, text, sizeof(text) - 1, &read, nullptr);
    CloseHandle(file);
    text[read] = '\0';
    // The first three fields: the 1, 5 and 15 minute averages.
    int fields = 0;
    for (DWORD i = 0; i < read; ++i)
        if (text[i] == ' ' && ++fields == 3) text[i] = '\0';
}

// Frame notices that reach `window` within `ms`, pumping its queue.
int CountFrames(HWND window, int wanted, DWORD ms) {
    const DWORD start = GetTickCount();
    int seen = 0;
    while (seen < wanted && GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE))
            if (msg.message == WM_CAMERA_NOTIFY && msg.wParam) ++seen;
        MsgWaitForMultipleObjectsEx(0, nullptr, 2, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    return seen;
}

void Run(const char* pacing, int handle, HWND window, std::vector<unsigned char>& buffer) {
    Travik_CallBackPreview(handle, window, buffer.data(), static_cast<int>(buffer.size()), 1);
    if (CountFrames(window, kWarmupFrames, 30000) < kWarmupFrames) {
        std::printf("%-10s no frames\n", pacing);
        Travik_StopPreview(handle);
        return;
    }
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    const int frames = CountFrames(window, 1 << 30, kMeasureMs);
    QueryPerformanceCounter(&t1);
    Travik_StopPreview(handle);
    char load[64];
    LoadAverage(load);
    const double seconds = static_cast<double>(t1.QuadPart - t0.QuadPart) / f.QuadPart;
    std::printf("%-10s %7.1f frames/s   load average %s\n", pacing, frames / seconds, load);
}

} // namespace

int main(int argc, char** argv) {
    int x = 0, y = 0, width = 320, height = 240, bits = 8;
    if (argc >= 5) {
        x = std::atoi(argv[1]);
        y = std::atoi(argv[2]);
        width = std::atoi(argv[3]);
        height = std::atoi(argv[4]);
    }
    if (argc >= 6) bits = std::atoi(argv[5]);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TravikWindowBench";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "bench", WS_OVERLAPPED, 0, 0, 10, 10,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    travik_emu::ResetDevice(kDevice);
    const int handle = Travik_Initialize(window);
    if (!handle) {
        std::printf("window bench: no camera\n");
        return 1;
    }
    if (!Travik_SetColorMode(handle, bits) ||
        !Travik_SetCaptureWindowEx(handle, 1280, x, width, 960, y, height)) {
        std::printf("window bench: window or colour mode refused\n");
        Travik_Release(handle);
        return 1;
    }
    Travik_SetWaitTime(handle, 0);
    Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0);
    std::vector<unsigned char> buffer(static_cast<size_t>(width) * 8 * height + 4 * height);
    std::printf("callback preview of a %d x %d window at (%d, %d), %d bits, virtual camera\n",
                width, height, x, y, bits);
    Run("paced", handle, window, buffer);
    travik_emu::SetPacingOff(kDevice);
    Run("unpaced", handle, window, buffer);
    Travik_Release(handle);
    travik_emu::ResetDevice(kDevice);
    DestroyWindow(window);
    return 0;
}
