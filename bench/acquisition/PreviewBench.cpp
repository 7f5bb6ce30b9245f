// Frames per second and CPU time per frame of callback preview in 24-bit colour on the unpaced
// virtual camera, with neutral filters and with every filter on.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "EmuControl.h"
#include "ProcessCpu.h"
#include "TravikSdk.h"

namespace {

const unsigned kDevice = 0;
// Long enough (about five seconds a run) that the pool's start and the first frames' page
// faults do not show in the rate.
const int kWarmupFrames = 30;
const int kFrames = 600;

// Pumps the queue until `frames` frame notices arrived; false after 30 s without them.
bool WaitFrames(HWND window, int frames) {
    const DWORD start = GetTickCount();
    int seen = 0;
    while (seen < frames) {
        MSG msg;
        while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE))
            if (msg.message == WM_CAMERA_NOTIFY && msg.wParam) ++seen;
        if (GetTickCount() - start > 30000) return false;
        if (seen < frames) MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
    }
    return true;
}

void Run(const char* name, int handle, HWND window) {
    std::vector<unsigned char> buffer(1280 * 3 * 960);
    Travik_CallBackPreview(handle, window, buffer.data(), static_cast<int>(buffer.size()), 1);
    if (!WaitFrames(window, kWarmupFrames)) {
        std::printf("%-28s no frames\n", name);
        Travik_StopPreview(handle);
        return;
    }
    const double cpu0 = ProcessCpuMs();
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    const bool ok = WaitFrames(window, kFrames);
    QueryPerformanceCounter(&t1);
    const double cpu = ProcessCpuMs() - cpu0;
    Travik_StopPreview(handle);
    const double seconds = static_cast<double>(t1.QuadPart - t0.QuadPart) / f.QuadPart;
    if (!ok) {
        std::printf("%-28s stalled\n", name);
        return;
    }
    std::printf("%-28s %7.1f frames/s  %7.2f ms CPU/frame (process, all threads)\n", name,
                kFrames / seconds, cpu / kFrames);
}

} // namespace

int main() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TravikPreviewBench";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "bench", WS_OVERLAPPED, 0, 0, 10, 10,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    travik_emu::ResetDevice(kDevice);
    travik_emu::SetPacingOff(kDevice);
    const int handle = Travik_Initialize(window);
    if (!handle) {
        std::printf("acquisition bench: no camera\n");
        return 1;
    }
    Travik_SetColorMode(handle, 24);
    Travik_SetWaitTime(handle, 0);
    Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0);
    std::printf("callback preview, 1280 x 960, colour mode 2 (24 bits), virtual camera unpaced\n");
    Run("neutral filters", handle, window);
    Travik_SetBrightness(handle, 20);
    Travik_SetContrast(handle, 20);
    Travik_SetHue(handle, 30);
    Travik_SetSaturation(handle, 40);
    Travik_SetSharpness(handle, 5);
    Travik_SetGamma(handle, 80);
    Run("every filter on", handle, window);
    // The settings of this run are not the user's: put the neutral ones back before they are saved.
    Travik_SetBrightness(handle, 0);
    Travik_SetContrast(handle, 0);
    Travik_SetHue(handle, 0);
    Travik_SetSaturation(handle, 0);
    Travik_SetSharpness(handle, 0);
    Travik_SetGamma(handle, 100);
    Travik_Release(handle);
    travik_emu::ResetDevice(kDevice);
    DestroyWindow(window);
    return 0;
}
