// The frame stream through the DLL on the virtual camera: the latency from a frame's transfer to
// the grab that returns it (newest and queue, at 25 frames per second and unpaced), and the CPU
// time per frame beside callback preview's, in the same run.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "EmuControl.h"
#include "ProcessCpu.h"
#include "TravikSdk.h"

namespace {

const unsigned kDevice = 0;
const int kWarmupFrames = 25;
const int kFrames = 300;

double TicksPerMs() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart / 1000.0;
}

LONGLONG Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Percentile(std::vector<double> values, double percent) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t rank = static_cast<size_t>(percent / 100.0 * values.size() + 0.999999);
    return values[std::min(values.size() - 1, rank > 0 ? rank - 1 : 0)];
}

void Pace(bool paced) {
    if (paced)
        travik_emu::SetPacing(kDevice, TRAVIK_EMU_PACING_FIXED, 25000);
    else
        travik_emu::SetPacingOff(kDevice);
}

struct StreamRun {
    std::vector<double> latencyMs;  // transfer end to grab return
    std::vector<double> beyondMs;   // queued (converted) to grab return
    std::vector<double> convertMs;  // transfer end to queued: the pipeline and the ring
    double cpuPerFrameMs = 0;
    int grabbed = 0;
};

// Grabs kFrames frames, each given back at once, after a warm-up.
bool RunStream(int handle, int mode, StreamRun& run) {
    TravikExStreamOptions options = {};
    options.size = sizeof(options);
    options.mode = mode;
    options.buffers = 8;
    if (TravikEx_StartStream(handle, &options) != 1) return false;
    const double ticksPerMs = TicksPerMs();
    double cpu0 = 0;
    for (int i = 0; i < kWarmupFrames + kFrames; ++i) {
        if (i == kWarmupFrames) cpu0 = ProcessCpuMs();
        TravikExFrame frame = {};
        frame.size = sizeof(frame);
        if (TravikEx_GrabFrame(handle, 10000, &frame) != 1) break;
        const LONGLONG returned = Now();
        if (i >= kWarmupFrames) {
            run.latencyMs.push_back((returned - frame.hostTicks) / ticksPerMs);
            run.beyondMs.push_back((returned - frame.readyTicks) / ticksPerMs);
            run.convertMs.push_back((frame.readyTicks - frame.hostTicks) / ticksPerMs);
            ++run.grabbed;
        }
        TravikEx_ReleaseFrame(handle, &frame);
    }
    run.cpuPerFrameMs = run.grabbed ? (ProcessCpuMs() - cpu0) / run.grabbed : 0;
    TravikEx_StopStream(handle);
    return run.grabbed == kFrames;
}

// Pumps the queue until `frames` frame notices arrived; false after 30 s without them.
bool WaitNotices(HWND window, int frames) {
    const DWORD start = GetTickCount();
    int seen = 0;
    while (seen < frames) {
        MSG msg;
        while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE))
            if (msg.message == WM_CAMERA_NOTIFY && msg.wParam) ++seen;
        if (GetTickCount() - start > 30000) return false;
        if (seen < frames) MsgWaitForMultipleObjectsEx(0, nullptr, 2, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    return true;
}

double CallbackCpuPerFrame(int handle, HWND window) {
    std::vector<unsigned char> buffer(1280 * 3 * 960);
    Travik_CallBackPreview(handle, window, buffer.data(), static_cast<int>(buffer.size()), 1);
    double perFrame = -1;
    if (WaitNotices(window, kWarmupFrames)) {
        const double cpu0 = ProcessCpuMs();
        if (WaitNotices(window, kFrames)) perFrame = (ProcessCpuMs() - cpu0) / kFrames;
    }
    Travik_StopPreview(handle);
    return perFrame;
}

void PrintLatency(const char* name, const StreamRun& run) {
    std::printf("%-22s %4d frames  latency p50 %6.2f p99 %6.2f ms  pipeline p50 %6.2f p99 %6.2f "
                "ms  beyond it p50 %5.2f p99 %5.2f ms\n",
                name, run.grabbed, Percentile(run.latencyMs, 50), Percentile(run.latencyMs, 99),
                Percentile(run.convertMs, 50), Percentile(run.convertMs, 99),
                Percentile(run.beyondMs, 50), Percentile(run.beyondMs, 99));
}

} // namespace

int main() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TravikStreamBench";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "bench", WS_OVERLAPPED, 0, 0, 10, 10,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    travik_emu::ResetDevice(kDevice);
    const int handle = Travik_Initialize(window);
    if (!handle) {
        std::printf("stream bench: no camera\n");
        return 1;
    }
    Travik_SetColorMode(handle, 24);
    Travik_SetWaitTime(handle, 0);
    Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0);
    std::printf("frame stream, 1280 x 960, 24-bit colour, neutral filters, virtual camera; "
                "latency from the end of a frame's transfer to the return of its grab, and of "
                "that the part after the SDK queued the converted frame\n");
    const struct {
        const char* name;
        int mode;
        bool paced;
    } latencyRuns[] = {{"newest, 25 fps", TRAVIKEX_STREAM_NEWEST, true},
                       {"queue, 25 fps", TRAVIKEX_STREAM_QUEUE, true},
                       {"newest, unpaced", TRAVIKEX_STREAM_NEWEST, false},
                       {"queue, unpaced", TRAVIKEX_STREAM_QUEUE, false}};
    double streamCpu[2] = {-1, -1};
    for (const auto& r : latencyRuns) {
        Pace(r.paced);
        StreamRun run;
        if (!RunStream(handle, r.mode, run)) std::printf("%-22s stalled\n", r.name);
        PrintLatency(r.name, run);
        if (r.paced) streamCpu[r.mode == TRAVIKEX_STREAM_QUEUE] = run.cpuPerFrameMs;
    }
    Pace(true);
    const double callbackCpu = CallbackCpuPerFrame(handle, window);
    std::printf("CPU per frame at 25 fps (process, all threads): callback preview %.2f ms, "
                "stream newest %.2f ms (%+.2f), stream queue %.2f ms (%+.2f)\n",
                callbackCpu, streamCpu[0], streamCpu[0] - callbackCpu, streamCpu[1],
                streamCpu[1] - callbackCpu);
    Travik_Release(handle);
    travik_emu::ResetDevice(kDevice);
    DestroyWindow(window);
    return 0;
}
