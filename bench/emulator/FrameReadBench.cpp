// Times unpaced 1280 x 960 8-bit frame reads from the virtual camera under Wine: median and spread.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "EmuControl.h"

namespace {

const unsigned kDevice = 0;
const unsigned kWidth = 1280, kHeight = 960;
const int kWarmup = 20, kRuns = 300, kDriverSamples = 50;

class Camera {
  public:
    explicit Camera(unsigned device)
        : m_handle(CreateFileA(travik_emu::CameraPath(device).c_str(), GENERIC_WRITE,
                               FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~Camera() {
        if (ok()) CloseHandle(m_handle);
    }
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;
    bool ok() const { return m_handle != INVALID_HANDLE_VALUE; }

    bool Transfer(DWORD code, DWORD pipe, void* data, DWORD length) const {
        DWORD returned = 0;
        return DeviceIoControl(m_handle, code, &pipe, sizeof(pipe), data, length, &returned,
                               nullptr) &&
               returned == length;
    }
    bool Command(std::vector<unsigned char> bytes) const {
        bytes.resize(64);
        return Transfer(TRAVIK_CAM_IOCTL_PIPE_IN_DIRECT, TRAVIK_CAM_PIPE_COMMAND, bytes.data(), 64);
    }

  private:
    HANDLE m_handle;
};

unsigned char Byte(unsigned value, int index) {
    return static_cast<unsigned char>(value >> (8 * index));
}

// What the SDK does at start-up, cut down to what the picture depends on.
bool StartCamera(const Camera& camera) {
    const unsigned length = kWidth * kHeight;
    return camera.Command({0x25, 6, 17}) && camera.Command({0x25, 6, 0}) &&
           camera.Command({4, 16, 32, 11 << 2, 0, 0}) && // sensor register 32 = 11
           camera.Command(
               {9, Byte(length, 0), Byte(length, 1), Byte(length, 2), Byte(length, 3)}) &&
           camera.Command({0x25, 14, 0});
}

} // namespace

int main() {
    if (!travik_emu::ResetDevice(kDevice) || !travik_emu::SetPacingOff(kDevice)) {
        fprintf(stderr, "emulator_frame_bench: the virtual camera driver is not running\n");
        return 1;
    }
    Camera camera(kDevice);
    if (!camera.ok() || !StartCamera(camera)) {
        fprintf(stderr, "emulator_frame_bench: cannot start camera %u\n", kDevice);
        return 1;
    }
    std::vector<unsigned char> frame(kWidth * kHeight);
    std::vector<double> ms;
    LARGE_INTEGER frequency, t0, t1;
    QueryPerformanceFrequency(&frequency);
    for (int i = 0; i < kWarmup + kRuns; ++i) {
        QueryPerformanceCounter(&t0);
        bool ok = camera.Command({2}) &&
                  camera.Transfer(TRAVIK_CAM_IOCTL_PIPE_IN_DIRECT, TRAVIK_CAM_PIPE_IMAGE,
                                  frame.data(), DWORD(frame.size()));
        QueryPerformanceCounter(&t1);
        if (!ok) {
            fprintf(stderr, "emulator_frame_bench: frame read %d failed (%lu)\n", i,
                    GetLastError());
            return 1;
        }
        if (i >= kWarmup)
            ms.push_back(double(t1.QuadPart - t0.QuadPart) * 1000.0 / double(frequency.QuadPart));
    }
    // The driver's own share: rendering and copying, and handing the result back to Wine.
    std::vector<double> renderUs, completeUs;
    for (int i = 0; i < kDriverSamples; ++i) {
        TravikEmuStats stats = {};
        if (!camera.Command({2}) ||
            !camera.Transfer(TRAVIK_CAM_IOCTL_PIPE_IN_DIRECT, TRAVIK_CAM_PIPE_IMAGE, frame.data(),
                             DWORD(frame.size())) ||
            !travik_emu::ReadStats(kDevice, stats))
            return 1;
        renderUs.push_back(stats.lastRenderUs);
        completeUs.push_back(stats.lastCompleteUs);
    }
    std::sort(renderUs.begin(), renderUs.end());
    std::sort(completeUs.begin(), completeUs.end());
    std::sort(ms.begin(), ms.end());
    printf("emulator_frame_bench: unpaced %ux%u 8-bit frame (command 2 + read), %d runs: "
           "median %.3f ms, p10 %.3f ms, p90 %.3f ms (target: 2 ms or less)\n",
           kWidth, kHeight, kRuns, ms[ms.size() / 2], ms[ms.size() / 10], ms[ms.size() * 9 / 10]);
    printf("emulator_frame_bench: inside the driver, median %.0f us to copy the frame, %.0f us to "
           "complete the read (Wine moving the data)\n",
           renderUs[renderUs.size() / 2], completeUs[completeUs.size() / 2]);
    travik_emu::ResetDevice(kDevice);
    return 0;
}
