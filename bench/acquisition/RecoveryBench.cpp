// Automatic recovery through the DLL on the virtual camera at its own pace: the time from plugging
// the camera back to the first frame of the resumed callback preview, and the process's CPU while
// the camera is away.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "EmuControl.h"
#include "ProcessCpu.h"
#include "TravikSdk.h"

namespace {

const unsigned kDevice = 0;
const int kReturns = 20;
const DWORD kAwayMs = 5000;

double NowMs() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

// Pumps the queue until a message `message` with wParam `which` (any wParam when 0) came;
// false after 30 s.
bool WaitFor(HWND window, UINT message, WPARAM which, LPARAM code = 0) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE))
            if (msg.message == message && (which == 0 || msg.wParam == which) &&
                (code == 0 || msg.lParam == code))
                return true;
        if (GetTickCount() - start > 30000) return false;
        MsgWaitForMultipleObjectsEx(0, nullptr, 2, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5)];
}

} // namespace

int main() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TravikRecoveryBench";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "bench", WS_OVERLAPPED, 0, 0, 10, 10,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    travik_emu::ResetDevice(kDevice);
    const int handle = Travik_Initialize(window);
    const TravikRecoveryOptions on = {sizeof on, 1, 0};
    if (!handle || !TravikEx_SetRecovery(handle, &on)) {
        std::printf("recovery bench: no camera\n");
        return 1;
    }
    Travik_SetColorMode(handle, 24);
    Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0);
    std::vector<unsigned char> buffer(1280 * 3 * 960);
    Travik_CallBackPreview(handle, window, buffer.data(), static_cast<int>(buffer.size()), 1);
    if (!WaitFor(window, WM_CAMERA_NOTIFY, 0)) {
        std::printf("recovery bench: no frames\n");
        return 1;
    }
    std::printf("callback preview, 1280 x 960, 24 bits, virtual camera at its own pace (25 "
                "frames/s), recovery on\n");

    std::vector<double> toResumed, toFrame;
    double awayCpuMs = 0, awayMs = 0;
    for (int i = 0; i < kReturns; ++i) {
        travik_emu::Unplug(kDevice);
        if (!WaitFor(window, WM_CAMERA_ERROR, 0, ERR_DEVICE_LOST)) break;
        if (i == 0) {
            // This thread sleeps: what the process spends is the wait for the camera.
            const double cpu = ProcessCpuMs(), start = NowMs();
            Sleep(kAwayMs);
            awayCpuMs = ProcessCpuMs() - cpu;
            awayMs = NowMs() - start;
        }
        travik_emu::Plug(kDevice);
        const double plugged = NowMs();
        if (!WaitFor(window, WM_CAMERA_RECOVERY, TRAVIK_RECOVERY_RESUMED)) break;
        toResumed.push_back(NowMs() - plugged);
        if (!WaitFor(window, WM_CAMERA_NOTIFY, 0)) break;
        toFrame.push_back(NowMs() - plugged);
    }
    Travik_StopPreview(handle);
    Travik_Release(handle);
    travik_emu::ResetDevice(kDevice);
    DestroyWindow(window);
    if (toFrame.size() != kReturns) {
        std::printf("recovery bench: %zu of %d returns\n", toFrame.size(), kReturns);
        return 1;
    }
    std::printf("%d returns: plug to resumed notice median %.0f ms; plug to first frame median "
                "%.0f ms, p90 %.0f ms, slowest %.0f ms\n",
                kReturns, Percentile(toResumed, 0.5), Percentile(toFrame, 0.5),
                Percentile(toFrame, 0.9), Percentile(toFrame, 1.0));
    std::printf("camera away %.0f ms: %.1f ms of process CPU, %.3f %% of one core\n", awayMs,
                awayCpuMs, 100.0 * awayCpuMs / awayMs);
    return 0;
}
