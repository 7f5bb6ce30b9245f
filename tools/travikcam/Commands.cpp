// travikcam: list, info, snap and preview.
#include "Commands.h"
#include "Session.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace travikcam {

namespace {

constexpr int kNameSlot = 256;
constexpr int kMaxDevices = 32;

} // namespace

bool Prepare(Session& session, const Options& options) {
    if (!session.IsOpen() || !session.SelectDevice(options.device)) return false;
    if (options.color != 0 && !session.Check(Travik_SetColorMode(session.Handle(), options.color),
                                             "selecting the colour format"))
        return false;
    return true;
}

namespace {

// Counts the frame notices that callback preview posts to this hidden window.
struct FrameCounter {
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_CAMERA_NOTIFY) {
            auto* self = reinterpret_cast<FrameCounter*>(GetWindowLongPtrA(window, GWLP_USERDATA));
            if (self && wParam != 0) {
                const auto* info = reinterpret_cast<const FrameInfo*>(wParam);
                ++self->frames;
                self->width = info->width;
                self->height = info->height;
                self->bits = info->bitsPerPixel;
            } else if (self) {
                self->lastError = static_cast<int>(lParam);
            }
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    int frames = 0, width = 0, height = 0, bits = 0, lastError = 0;
};

} // namespace

int FileTypeFor(const std::string& format, int quality) {
    if (format == "bmp") return 0;
    if (format == "raw") return 1;
    if (format == "jpeg" || format == "jpg") {
        if (quality == 100) return 2;
        if (quality == 70) return 3;
        if (quality == 20) return 4;
        return -1;
    }
    if (format == "png") return 5;
    if (format == "tiff" || format == "tif") return 6;
    return -1;
}

int List(const Options&) {
    Session session;
    if (!session.IsOpen()) return 1;
    std::vector<char> names(static_cast<size_t>(kNameSlot) * kMaxDevices);
    const int count = Travik_EnumDevice(session.Handle(), names.data());
    if (count <= 0) {
        session.Check(count, "looking for cameras");
        std::printf("no camera found\n");
        return 1;
    }
    std::printf("%d camera%s:\n", count, count == 1 ? "" : "s");
    for (int device = 0; device < kMaxDevices; ++device) {
        char name[64] = {};
        if (Travik_GetDeviceName(session.Handle(), device, name, sizeof name))
            std::printf("  device %d: %s\n", device, name);
    }
    Travik_GetLastError(session.Handle()); // absent numbers leave codes; they are not failures
    return 0;
}

int Info(const Options& options) {
    Session session;
    if (!Prepare(session, options)) return 1;
    const int h = session.Handle();
    CameraInfo info = {};
    info.size = sizeof info;
    if (!session.Check(Travik_GetCameraInfo(h, &info), "reading the camera information")) return 1;
    char name[64] = {};
    Travik_GetDeviceName(h, options.device, name, sizeof name);
    const int version = Travik_GetDllVersion();
    std::printf("camera        %s (device %d)\n", name, options.device);
    std::printf("sensor        %d x %d\n", info.width, info.height);
    std::printf("capture       %d x %d\n", Travik_Width(h), Travik_Height(h));
    std::printf("colour mode   %d bits per pixel\n", Travik_GetColorMode(h));
    std::printf("gain          %d..%d\n", info.minGain, info.maxGain);
    std::printf("exposure      %d..%d\n", info.minExposure, info.maxExposure);
    std::printf("SDK version   0x%08X\n", static_cast<unsigned>(version));
    return 0;
}

int Snap(const Options& options) {
    const int fileType = FileTypeFor(options.format, options.quality);
    Session session;
    if (!Prepare(session, options)) return 1;
    const int h = session.Handle();
    if (!session.Check(Travik_SnapShot(h, nullptr, 0, 0), "taking a picture")) return 1;
    const std::wstring path = AbsolutePath(options.output);
    if (!session.Check(Travik_SaveImageW(h, path.c_str(), fileType), "saving the picture"))
        return 1;
    std::printf("wrote %s (%s, %d x %d, %d-bit image)\n", ToUtf8(path).c_str(),
                options.format.c_str(), Travik_Width(h), Travik_Height(h), Travik_GetColorMode(h));
    return 0;
}

int Preview(const Options& options) {
    Session session;
    if (!Prepare(session, options)) return 1;
    const int h = session.Handle();

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = FrameCounter::Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "travikcam_frames";
    RegisterClassA(&windowClass);
    HWND notify = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, windowClass.hInstance, nullptr);
    if (!notify) {
        std::fprintf(stderr, "travikcam: could not make a window for frame notices\n");
        return 1;
    }
    FrameCounter counter;
    SetWindowLongPtrA(notify, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&counter));

    int status = 0;
    if (session.Check(Travik_CallBackPreview(h, notify, nullptr, 0, 0), "starting the preview")) {
        const DWORD start = GetTickCount();
        const DWORD length = static_cast<DWORD>(options.seconds) * 1000;
        while (GetTickCount() - start < length) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            Sleep(10);
        }
        const double elapsed = (GetTickCount() - start) / 1000.0;
        Travik_StopPreview(h);
        Travik_Close(h);
        std::printf("previewed %d frames of %d x %d at %d bits in %.1f s (%.1f per second)\n",
                    counter.frames, counter.width, counter.height, counter.bits, elapsed,
                    counter.frames / elapsed);
        if (counter.frames == 0) {
            std::fprintf(stderr, "travikcam: no frame arrived%s\n",
                         counter.lastError ? ": the camera reported an error" : "");
            status = 1;
        }
    } else {
        status = 1;
    }
    DestroyWindow(notify);
    UnregisterClassA(windowClass.lpszClassName, windowClass.hInstance);
    return status;
}

} // namespace travikcam
