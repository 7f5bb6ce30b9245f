// MJPEG recording against the virtual camera through the DLL: a full-resolution minute with every
// filter on at the camera's 25 frames per second (frames dropped, size against uncompressed, the
// encoders' share of a core), the same on a picture of noise, then the unpaced camera, and the
// highest rate that drops nothing.
#include "EmuControl.h"
#include "TravikSdk.h"

#include <windows.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 960;
constexpr uint64_t kUncompressedChunk = 8 + 3686400; // one 24-bit frame of an uncompressed AVI

uint32_t U32(const uint8_t* b) {
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
}

struct JpegEscape {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
};

void Escape(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegEscape*>(cinfo->err)->escape, 1);
}

// The camera's frame number from a JPEG frame: only the rows of the stamp are decoded (the
// second from the bottom of the picture holds it, 32 blocks of 8 pixels, most significant bit
// first). False when the frame does not decode.
bool StampOf(const uint8_t* jpeg, uint32_t size, unsigned& number) {
    jpeg_decompress_struct cinfo = {};
    JpegEscape error = {};
    cinfo.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = Escape;
    std::vector<uint8_t> row(static_cast<size_t>(kWidth) * 3);
    if (setjmp(error.escape)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg, size);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    jpeg_skip_scanlines(&cinfo, cinfo.output_height - 2);
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&cinfo, rows, 1);
    number = 0;
    for (int bit = 0; bit < 32; ++bit)
        number = number << 1 | (row[static_cast<size_t>(bit * 8 + 4) * 3 + 1] > 127 ? 1u : 0u);
    jpeg_abort_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// An MJPEG recording walked RIFF by RIFF: its frames, their camera numbers and sizes.
struct Walk {
    bool ok = false;
    uint64_t bytes = 0, frameBytes = 0;
    uint32_t frames = 0, repeats = 0, undecoded = 0;
    unsigned first = 0, last = 0;
};

class Walker {
  public:
    explicit Walker(const std::string& path) : m_file(std::fopen(path.c_str(), "rb")) {}
    ~Walker() {
        if (m_file) std::fclose(m_file);
    }
    Walk Run() {
        Walk walk;
        if (!m_file) return walk;
        _fseeki64(m_file, 0, SEEK_END);
        walk.bytes = static_cast<uint64_t>(_ftelli64(m_file));
        for (uint64_t at = 0; at + 12 <= walk.bytes;) {
            uint8_t riff[12];
            if (!Read(at, riff, 12) || std::memcmp(riff, "RIFF", 4) != 0 || U32(riff + 4) == 0)
                return walk;
            const uint64_t end = at + 8 + U32(riff + 4);
            if (end > walk.bytes || !List(at + 12, end, walk)) return walk;
            at = end + (end & 1);
        }
        walk.ok = walk.frames > 0;
        return walk;
    }

  private:
    bool Read(uint64_t at, void* data, size_t size) {
        return _fseeki64(m_file, static_cast<long long>(at), SEEK_SET) == 0 &&
               std::fread(data, 1, size, m_file) == size;
    }
    bool List(uint64_t at, uint64_t end, Walk& walk) {
        while (at + 8 <= end) {
            uint8_t chunk[8];
            if (!Read(at, chunk, 8)) return false;
            const uint32_t size = U32(chunk + 4);
            if (at + 8 + size > end) return false;
            if (std::memcmp(chunk, "LIST", 4) == 0) {
                if (!List(at + 12, at + 8 + size, walk)) return false;
            } else if (std::memcmp(chunk, "00dc", 4) == 0) {
                m_jpeg.resize(size);
                unsigned number = 0;
                if (!Read(at + 8, m_jpeg.data(), size) || !StampOf(m_jpeg.data(), size, number)) {
                    ++walk.undecoded;
                } else {
                    if (walk.frames > 0 && number <= walk.last) ++walk.repeats;
                    if (walk.frames == 0) walk.first = number;
                    walk.last = number;
                }
                walk.frameBytes += size;
                ++walk.frames;
            }
            at += 8 + size + (size & 1);
        }
        return true;
    }
    std::FILE* m_file;
    std::vector<uint8_t> m_jpeg;
};

bool WaitForFinishedFile(const std::string& path, DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return true;
        }
        Sleep(50);
    }
    return false;
}

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0.0;
    auto seconds = [](const FILETIME& t) {
        return (static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

void SetEveryFilter(int camera, bool on) {
    Travik_SetBrightness(camera, on ? 20 : 0);
    Travik_SetContrast(camera, on ? 20 : 0);
    Travik_SetHue(camera, on ? 30 : 0);
    Travik_SetSaturation(camera, on ? 40 : 0);
    Travik_SetSharpness(camera, on ? 5 : 0);
    Travik_SetGamma(camera, on ? 80 : 100);
}

struct Outcome {
    bool ok = false;
    Walk walk;
    TravikExRecordingStatus status = {};
    double seconds = 0, cpu = 0;
    unsigned Made() const { return walk.last - walk.first + 1; }
    unsigned Dropped() const { return Made() > walk.frames ? Made() - walk.frames : 0; }
};

// One MJPEG recording of `ms` at the default quality with every filter on.
Outcome Record(const std::string& path, int ms) {
    Outcome outcome;
    const int camera = Travik_Initialize(nullptr);
    if (!camera || !Travik_SetDeviceNumber(camera, 0) || !Travik_SetColorMode(camera, 24) ||
        !Travik_SetPreviewWindow(camera, nullptr, 0, 0, 0, 0)) {
        if (camera) Travik_Release(camera);
        return outcome;
    }
    SetEveryFilter(camera, true);
    TravikExRecordOptions options = {};
    options.size = sizeof options;
    options.codec = TRAVIKEX_CODEC_MJPEG;
    DeleteFileA(path.c_str());
    const double cpuBefore = ProcessCpuSeconds();
    const DWORD start = GetTickCount();
    const bool recorded = TravikEx_RecordA(camera, path.c_str(), ms, 0, &options) &&
                          WaitForFinishedFile(path, static_cast<DWORD>(ms) + 60000);
    outcome.seconds = (GetTickCount() - start) / 1e3;
    outcome.cpu = ProcessCpuSeconds() - cpuBefore;
    outcome.status.size = sizeof outcome.status;
    TravikEx_GetRecordingStatus(camera, &outcome.status);
    Travik_StopPreview(camera);
    SetEveryFilter(camera, false); // the user's settings are saved at the release
    Travik_Release(camera);
    outcome.walk = Walker(path).Run();
    outcome.ok = recorded && outcome.walk.ok;
    return outcome;
}

// The same camera and filters without a recording, for ten seconds: frames the acquisition
// itself skips on this machine as it is loaded now, beside which the recording's are read.
void ReportPreviewAlone() {
    constexpr DWORD kMs = 10000;
    const int camera = Travik_Initialize(nullptr);
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    std::vector<uint8_t> frame(static_cast<size_t>(kWidth) * 3 * kHeight);
    if (!camera || !window || !Travik_SetDeviceNumber(camera, 0) ||
        !Travik_SetColorMode(camera, 24) || !Travik_SetPreviewWindow(camera, nullptr, 0, 0, 0, 0)) {
        std::printf("  preview alone: no camera\n");
    } else {
        SetEveryFilter(camera, true);
        unsigned frames = 0, first = 0, last = 0;
        if (Travik_CallBackPreview(camera, window, frame.data(), static_cast<int>(frame.size()),
                                   1)) {
            const DWORD start = GetTickCount();
            while (GetTickCount() - start < kMs) {
                MSG message;
                while (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
                    if (message.message != WM_CAMERA_NOTIFY || !message.wParam) continue;
                    // The stamp's second row from the bottom, first delivered row first.
                    const uint8_t* row =
                        frame.data() + static_cast<size_t>(kHeight - 2) * kWidth * 3;
                    unsigned number = 0;
                    for (int bit = 0; bit < 32; ++bit)
                        number = number << 1 | (row[(bit * 8 + 4) * 3 + 1] > 127 ? 1u : 0u);
                    if (frames++ == 0) first = number;
                    last = number;
                }
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            }
            Travik_StopPreview(camera);
        }
        const unsigned made = frames ? last - first + 1 : 0;
        std::printf("  preview alone, 10 s, every filter on: %u of %u frames the camera made"
                    " reached the application (%u skipped by the acquisition)\n",
                    frames, made, made > frames ? made - frames : 0);
        SetEveryFilter(camera, false);
    }
    if (camera) Travik_Release(camera);
    if (window) DestroyWindow(window);
}

void ReportMinute(const std::string& path, bool keep) {
    const Outcome o = Record(path, 60000);
    if (!keep) DeleteFileA(path.c_str());
    if (!o.ok) {
        std::printf("  60 s: the recording failed\n");
        return;
    }
    const uint64_t uncompressed = uint64_t{o.walk.frames} * kUncompressedChunk;
    std::printf("  60 s at 1280 x 960, 24 bits, every filter on, quality 90, 4:2:0, 25 frames/s:\n"
                "    frames the camera made   %u\n"
                "    frames recorded          %u (%u repeated, %u not decoded)\n"
                "    frames dropped           %u (by the recorder: %u)\n"
                "    file                     %.1f MB, %.4f of the %.0f MB of the same frames"
                " uncompressed (1/%.1f)\n"
                "    mean frame               %.1f KB\n"
                "    encoder CPU              %.1f %% of one core (%.2f ms per frame)\n"
                "    process CPU              %.1f ms per recorded frame\n",
                o.Made(), o.walk.frames, o.walk.repeats, o.walk.undecoded, o.Dropped(),
                o.status.framesDropped, o.walk.bytes / 1e6,
                static_cast<double>(o.walk.bytes) / uncompressed, uncompressed / 1e6,
                static_cast<double>(uncompressed) / o.walk.bytes,
                o.walk.frameBytes / 1e3 / o.walk.frames,
                o.status.encoderCpuUs / (10.0 * o.seconds * 1e3),
                o.status.encoderCpuUs / 1e3 / o.walk.frames, 1e3 * o.cpu / o.walk.frames);
    if (keep) std::printf("    kept as %s\n", path.c_str());
}

// The hardest picture for JPEG: every sample its own random value, replayed with the camera's
// frame number drawn over it.
void ReportNoise(const std::string& path) {
    constexpr int kMs = 10000;
    std::vector<unsigned short> samples(static_cast<size_t>(kWidth) * kHeight);
    uint32_t state = 0x12345678u;
    for (unsigned short& sample : samples) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        sample = static_cast<unsigned short>(state & 1023u);
    }
    travik_emu::SetPatternFrames(0, samples, true);
    const Outcome o = Record(path, kMs);
    DeleteFileA(path.c_str());
    travik_emu::SetPatternScene(0);
    if (!o.ok) {
        std::printf("  noise: the recording failed\n");
        return;
    }
    const uint64_t uncompressed = uint64_t{o.walk.frames} * kUncompressedChunk;
    std::printf("  10 s of a picture of noise, otherwise the same: %u of %u frames recorded"
                " (dropped %u, by the recorder %u), mean frame %.0f KB, file 1/%.1f of"
                " uncompressed, encoder %.1f %% of one core (%.2f ms per frame)\n",
                o.walk.frames, o.Made(), o.Dropped(), o.status.framesDropped,
                o.walk.frameBytes / 1e3 / o.walk.frames,
                static_cast<double>(uncompressed) / o.walk.bytes,
                o.status.encoderCpuUs / (10.0 * o.seconds * 1e3),
                o.status.encoderCpuUs / 1e3 / o.walk.frames);
}

// The unpaced camera, then fixed rates down from it until a recording drops nothing.
void ReportHighestRate(const std::string& path) {
    constexpr int kMs = 8000;
    const unsigned rates[] = {0, 100, 80, 60, 50, 40, 30};
    for (unsigned rate : rates) {
        if (rate == 0)
            travik_emu::SetPacingOff(0);
        else
            travik_emu::SetPacing(0, TRAVIK_EMU_PACING_FIXED, rate * 1000);
        const Outcome o = Record(path, kMs);
        DeleteFileA(path.c_str());
        if (!o.ok) {
            std::printf("  %s: the recording failed\n", rate ? "paced" : "unpaced");
            continue;
        }
        char camera[32] = "unpaced";
        if (rate) std::snprintf(camera, sizeof camera, "paced at %u/s", rate);
        std::printf("  camera %-14s %6.1f frames/s recorded, %u made, %u dropped (by the recorder:"
                    " %u), encoder %.0f %% of a core\n",
                    camera, o.walk.frames / (kMs / 1e3), o.Made(), o.Dropped(),
                    o.status.framesDropped, o.status.encoderCpuUs / (10.0 * o.seconds * 1e3));
        if (o.Dropped() == 0) break;
    }
}

} // namespace

// mjpeg_bench [--short] [--keep FILE]: the minute at 25 frames per second (kept as FILE when
// given), then unless --short ten seconds of noise, the unpaced camera and the rates below it.
int main(int argc, char** argv) {
    bool highestRate = true;
    std::string keep;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--short") == 0) highestRate = false;
        if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc) keep = argv[++i];
    }
    if (!travik_emu::ResetDevice(0) || !travik_emu::SetPacing(0, TRAVIK_EMU_PACING_AUTO)) {
        std::printf("mjpeg_bench: the virtual camera is not installed\n");
        return 0;
    }
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "travik_mjpeg_bench.avi";
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    std::printf(
        "mjpeg_bench: MJPEG recordings through the DLL, %lu processors (one encoder each)\n",
        info.dwNumberOfProcessors);
    ReportPreviewAlone();
    ReportMinute(keep.empty() ? path : keep, !keep.empty());
    if (highestRate) {
        ReportNoise(path);
        ReportHighestRate(path);
    }
    travik_emu::ResetDevice(0);
    return 0;
}
