// Whether the recorder keeps up with the virtual camera at 25 frames per second: frames recorded
// against frames the camera produced meanwhile, read from the frame numbers in the recording.
#include "EmuControl.h"
#include "TravikSdk.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 960;
constexpr int kRecordMs = 5000;

uint32_t U32(const std::vector<uint8_t>& b, size_t o) {
    return b[o] | b[o + 1] << 8 | b[o + 2] << 16 | static_cast<uint32_t>(b[o + 3]) << 24;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fseek(f, 0, SEEK_END);
        bytes.resize(static_cast<size_t>(std::ftell(f)));
        std::fseek(f, 0, SEEK_SET);
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
        std::fclose(f);
    }
    return bytes;
}

bool WaitForFinishedFile(const std::string& path, DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return true;
        }
        Sleep(20);
    }
    return false;
}

// The camera's frame number: blocks of 8 pixels in picture row height - 2, which is row 1 of a
// bottom-up frame, most significant bit first.
unsigned FrameNumber(const uint8_t* frame) {
    const uint8_t* row = frame + ((kWidth * 3 + 3) & ~3);
    unsigned number = 0;
    for (int bit = 0; bit < 32; ++bit)
        number = (number << 1) | (row[(bit * 8 + 4) * 3 + 1] > 127);
    return number;
}

// Frame notices of callback preview alone over the same time: what the acquisition engine
// delivers when nothing records.
double PreviewRate(int camera) {
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (!window || !Travik_CallBackPreview(camera, window, nullptr, 0, 0)) {
        if (window) DestroyWindow(window);
        return 0.0;
    }
    int frames = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < static_cast<DWORD>(kRecordMs)) {
        MSG message;
        while (PeekMessageA(&message, window, 0, 0, PM_REMOVE))
            if (message.message == WM_CAMERA_NOTIFY && message.wParam) ++frames;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    Travik_StopPreview(camera);
    DestroyWindow(window);
    return frames * 1000.0 / kRecordMs;
}

void Measure(int bits, const std::string& path) {
    const int camera = Travik_Initialize(nullptr);
    if (!camera || !Travik_SetDeviceNumber(camera, 0) || !Travik_SetColorMode(camera, bits) ||
        !Travik_SetPreviewWindow(camera, nullptr, 0, 0, 0, 0)) {
        std::printf("  %2d-bit: no camera\n", bits);
        if (camera) Travik_Release(camera);
        return;
    }
    const double previewRate = PreviewRate(camera);
    DeleteFileA(path.c_str());
    const bool recorded = Travik_Record(camera, path.c_str(), kRecordMs, 0) &&
                          WaitForFinishedFile(path, kRecordMs + 20000);
    Travik_StopPreview(camera);
    Travik_Release(camera);
    const std::vector<uint8_t> f = ReadFile(path);
    DeleteFileA(path.c_str());
    if (!recorded || f.size() < 240) {
        std::printf("  %2d-bit: the recording failed\n", bits);
        return;
    }
    const uint32_t frames = U32(f, 48);
    const uint32_t frameBytes = U32(f, 60) - 8;
    const uint32_t scale = U32(f, 128);
    if (frames == 0) {
        std::printf("  %2d-bit: no frame recorded\n", bits);
        return;
    }
    unsigned repeats = 0, previous = 0;
    for (uint32_t k = 0; k < frames; ++k) {
        const unsigned number = FrameNumber(f.data() + 232 + k * (8ull + frameBytes) + 8);
        if (k > 0 && number <= previous) ++repeats;
        previous = number;
    }
    const unsigned first = FrameNumber(f.data() + 240);
    const unsigned produced = previous - first + 1;
    std::printf("  %2d-bit: %u of %u frames recorded (%u skipped, %u repeated), %.1f per second;"
                " preview alone %.1f per second\n",
                bits, frames, produced, produced > frames ? produced - frames : 0, repeats,
                scale ? 1e7 / scale : 0.0, previewRate);
}

} // namespace

int main() {
    if (!travik_emu::ResetDevice(0) || !travik_emu::SetPacing(0, TRAVIK_EMU_PACING_FIXED, 25000)) {
        std::printf("recorder_bench: the virtual camera is not installed\n");
        return 0;
    }
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "travik_recorder_bench.avi";
    std::printf("recorder_bench: %d ms recordings of %d x %d at 25 frames per second\n", kRecordMs,
                kWidth, kHeight);
    for (int bits : {8, 16, 24, 32, 48, 64})
        Measure(bits, path);
    travik_emu::ResetDevice(0);
    return 0;
}
