// travikcam: list, info, snap, record and preview.
#include "Commands.h"
#include "Session.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace travikcam {

namespace {

constexpr int kNameSlot = 256;
constexpr int kMaxDevices = 32;

bool Prepare(Session& session, const Options& options) {
    if (!session.IsOpen() || !session.SelectDevice(options.device)) return false;
    if (options.color != 0 && !session.Check(Travik_SetColorMode(session.Handle(), options.color),
                                             "selecting the colour format"))
        return false;
    return true;
}

// The recorder holds the file open without sharing until it has written the index and the
// header; once it can be opened here, the recording is complete.
bool WaitForClosedFile(const std::string& path, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return true;
        }
        Sleep(50);
    }
    return false;
}

struct AviSummary {
    bool ok = false;
    uint32_t frames = 0, width = 0, height = 0, scale = 0, rate = 0;
};

AviSummary ReadAviSummary(const std::string& path) {
    AviSummary summary;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return summary;
    uint8_t header[232] = {};
    const bool whole = std::fread(header, 1, sizeof header, f) == sizeof header;
    std::fclose(f);
    if (!whole) return summary;
    auto u32 = [&](int offset) {
        return static_cast<uint32_t>(header[offset] | header[offset + 1] << 8 |
                                     header[offset + 2] << 16) |
               static_cast<uint32_t>(header[offset + 3]) << 24;
    };
    summary.ok = u32(4) != 0; // the RIFF size is written last
    summary.frames = u32(48);
    summary.width = u32(64);
    summary.height = u32(68);
    summary.scale = u32(128);
    summary.rate = u32(132);
    return summary;
}

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
    const std::string path = AbsolutePath(options.output);
    if (!session.Check(Travik_SaveImage(h, path.c_str(), fileType), "saving the picture")) return 1;
    std::printf("wrote %s (%s, %d x %d, %d-bit image)\n", path.c_str(), options.format.c_str(),
                Travik_Width(h), Travik_Height(h), Travik_GetColorMode(h));
    return 0;
}

int Record(const Options& options) {
    Session session;
    if (!Prepare(session, options)) return 1;
    const int h = session.Handle();
    const std::string path = AbsolutePath(options.output);
    if (!session.Check(Travik_Record(h, path.c_str(), options.milliseconds, 0),
                       "starting the recording"))
        return 1;
    // The time counts from the first frame; allow for the preview to start.
    const bool finished = WaitForClosedFile(path, static_cast<DWORD>(options.milliseconds) + 10000);
    Travik_StopPreview(h); // also ends the recording, finishing the file, if it is still running
    if (!finished) std::fprintf(stderr, "travikcam: the recording did not end in time\n");
    const AviSummary avi = ReadAviSummary(path);
    if (!avi.ok) {
        std::fprintf(stderr, "travikcam: %s is not a finished AVI file\n", path.c_str());
        return 1;
    }
    const double fps = avi.scale ? static_cast<double>(avi.rate) / avi.scale : 0.0;
    std::printf("wrote %s (%u frames of %u x %u, %.1f frames per second)\n", path.c_str(),
                avi.frames, avi.width, avi.height, fps);
    return finished ? 0 : 1;
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
