// Whether the recorder keeps up with the virtual camera at 25 frames per second: frames recorded
// against frames the camera produced meanwhile, read from the frame numbers in the recording; and
// what a full frame costs on its way to the disk.
#include "EmuControl.h"
#include "TravikSdk.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 960;
constexpr int kRecordMs = 5000;
constexpr int kLongMs = 60000;

uint32_t U32(const uint8_t* b) {
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
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
unsigned FrameNumber(const uint8_t* row) {
    unsigned number = 0;
    for (int bit = 0; bit < 32; ++bit)
        number = (number << 1) | (row[(bit * 8 + 4) * 3 + 1] > 127);
    return number;
}

// A recording walked RIFF by RIFF without loading it: its frames, their camera numbers, and the
// counts its headers give.
struct Walk {
    bool ok = false;
    uint64_t bytes = 0;
    uint32_t riffs = 0, frames = 0, repeats = 0, streamLength = 0, scale = 0;
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
            ++walk.riffs;
            at = end;
        }
        walk.ok = walk.riffs > 0;
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
            } else if (std::memcmp(chunk, "strh", 4) == 0) {
                uint8_t header[36];
                if (!Read(at + 8, header, sizeof header)) return false;
                walk.scale = U32(header + 20);
                walk.streamLength = U32(header + 32);
            } else if (std::memcmp(chunk, "00db", 4) == 0) {
                std::vector<uint8_t> row(32 * 8 * 3);
                if (!Read(at + 8 + ((kWidth * 3 + 3) & ~3), row.data(), row.size())) return false;
                const unsigned number = FrameNumber(row.data());
                if (walk.frames == 0) walk.first = number;
                if (walk.frames > 0 && number <= walk.last) ++walk.repeats;
                walk.last = number;
                ++walk.frames;
            }
            at += 8 + size + (size & 1);
        }
        return true;
    }
    std::FILE* m_file;
};

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
    const Walk walk = Walker(path).Run();
    DeleteFileA(path.c_str());
    if (!recorded || !walk.ok || walk.frames == 0) {
        std::printf("  %2d-bit: the recording failed\n", bits);
        return;
    }
    const unsigned produced = walk.last - walk.first + 1;
    std::printf("  %2d-bit: %u of %u frames recorded (%u skipped, %u repeated), %.1f per second;"
                " preview alone %.1f per second\n",
                bits, walk.frames, produced, produced > walk.frames ? produced - walk.frames : 0,
                walk.repeats, walk.scale ? 1e7 / walk.scale : 0.0, previewRate);
}

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0.0;
    auto seconds = [](const FILETIME& t) {
        return (static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// One minute at full size in 24 bits: more than 4 GiB, so several RIFFs; every frame the camera
// made should be in it. With `keep`, the file stays for a reader such as ffprobe.
void MeasureLong(const std::string& path, bool keep) {
    const int camera = Travik_Initialize(nullptr);
    if (!camera || !Travik_SetDeviceNumber(camera, 0) || !Travik_SetColorMode(camera, 24) ||
        !Travik_SetPreviewWindow(camera, nullptr, 0, 0, 0, 0)) {
        std::printf("  60 s: no camera\n");
        if (camera) Travik_Release(camera);
        return;
    }
    DeleteFileA(path.c_str());
    const double cpuBefore = ProcessCpuSeconds();
    const DWORD start = GetTickCount();
    const bool recorded = Travik_Record(camera, path.c_str(), kLongMs, 0) &&
                          WaitForFinishedFile(path, kLongMs + 60000);
    const DWORD elapsed = GetTickCount() - start;
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    int code = 0;
    for (int c; (c = Travik_GetLastError(camera)) != 0;)
        code = c;
    Travik_StopPreview(camera);
    Travik_Release(camera);
    const Walk walk = Walker(path).Run();
    if (!keep) DeleteFileA(path.c_str());
    if (!recorded || !walk.ok || walk.frames == 0) {
        std::printf("  60 s: the recording failed (error %d)\n", code);
        return;
    }
    // The camera numbers its frames: those it made from the first recorded one to the last.
    const unsigned made = walk.last - walk.first + 1;
    std::printf("  60 s at 1280 x 960, 24 bits:\n"
                "    frames the camera made   %u\n"
                "    frames recorded          %u (stream length %u, %u repeated)\n"
                "    frames dropped           %u\n"
                "    file                     %.2f GB in %u RIFFs, %.1f MB/s over %lu ms,"
                " %.1f frames per second\n"
                "    CPU of the process       %.1f ms per recorded frame\n",
                made, walk.frames, walk.streamLength, walk.repeats,
                made > walk.frames ? made - walk.frames : 0, walk.bytes / 1e9, walk.riffs,
                walk.bytes / 1e6 / (elapsed / 1e3), static_cast<unsigned long>(elapsed),
                walk.scale ? 1e7 / walk.scale : 0.0, 1e3 * cpu / walk.frames);
    if (keep) std::printf("    kept as %s\n", path.c_str());
    if (code != 0) std::printf("    the recording reported error %d\n", code);
}

// What one recorded frame costs on its way to the disk, apart: the Wine file layer and the disk
// (one write of a whole chunk, or the header and the pixels apart), a flush after every frame,
// a fresh allocation per frame, and the row-reversing copy that makes a frame of an image.
void WhereTheTimeGoes(const std::string& path) {
    constexpr size_t kChunk = 8 + static_cast<size_t>(kWidth) * 3 * kHeight;
    constexpr int kFrames = 150;
    std::vector<uint8_t> chunk(kChunk, 0x5A), image(kChunk);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    auto msPerFrame = [&](int frames, auto&& perFrame) {
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        for (int i = 0; i < frames; ++i)
            perFrame();
        QueryPerformanceCounter(&t1);
        return 1e3 * (t1.QuadPart - t0.QuadPart) / frequency.QuadPart / frames;
    };
    auto writeFile = [&](bool split, bool flush, int frames) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return -1.0;
        const double ms = msPerFrame(frames, [&] {
            DWORD written;
            if (split) {
                WriteFile(file, chunk.data(), 8, &written, nullptr);
                WriteFile(file, chunk.data() + 8, kChunk - 8, &written, nullptr);
            } else {
                WriteFile(file, chunk.data(), kChunk, &written, nullptr);
            }
            if (flush) FlushFileBuffers(file);
        });
        CloseHandle(file);
        DeleteFileA(path.c_str());
        return ms;
    };
    // Each twice, in turn, the better kept: the first file after the recordings above also pays
    // for the system making room in its cache.
    double oneWrite = writeFile(false, false, kFrames);
    double twoWrites = writeFile(true, false, kFrames);
    oneWrite = std::min(oneWrite, writeFile(false, false, kFrames));
    twoWrites = std::min(twoWrites, writeFile(true, false, kFrames));
    const double flushed = writeFile(false, true, 20);
    // What a heap block of this size is made of, so that no compiler can leave it out; its pages
    // are touched as a conversion into it would.
    const double allocation = msPerFrame(20, [&] {
        void* fresh = VirtualAlloc(nullptr, kChunk, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!fresh) return;
        std::memset(fresh, 1, kChunk);
        VirtualFree(fresh, 0, MEM_RELEASE);
    });
    const size_t pitch = static_cast<size_t>(kWidth) * 3;
    const double flip = msPerFrame(50, [&] {
        for (int y = 0; y < kHeight; ++y)
            std::memcpy(image.data() + 8 + (kHeight - 1 - y) * pitch, chunk.data() + 8 + y * pitch,
                        pitch);
    });
    std::printf("  per full frame (3.7 MB): write %.2f ms as one chunk, %.2f ms as header and"
                " pixels; %.1f ms with a flush; a fresh allocation %.2f ms; the row-reversing"
                " copy %.2f ms (a frame every 40 ms)\n",
                oneWrite, twoWrites, flushed, allocation, flip);
}

} // namespace

// recorder_bench [--short] [--keep FILE]: the 5 s recordings in every depth, then (unless --short)
// the one-minute recording, kept as FILE when given.
int main(int argc, char** argv) {
    bool longRecording = true;
    std::string keep;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--short") == 0) longRecording = false;
        if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc) keep = argv[++i];
    }
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
    WhereTheTimeGoes(path);
    if (longRecording) MeasureLong(keep.empty() ? path : keep, !keep.empty());
    travik_emu::ResetDevice(0);
    return 0;
}
