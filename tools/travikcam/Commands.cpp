// travikcam: list, info, snap, record and preview.
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

bool Prepare(Session& session, const Options& options) {
    if (!session.IsOpen() || !session.SelectDevice(options.device)) return false;
    if (options.color != 0 && !session.Check(Travik_SetColorMode(session.Handle(), options.color),
                                             "selecting the colour format"))
        return false;
    return true;
}

// The recorder holds the file open without sharing until it has written the indexes and the
// header; once it can be opened here, the recording is complete.
bool IsClosed(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

uint64_t FileBytes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
}

// The virtual camera stamps its frame number into the last four rows of every frame: 32 blocks
// of 8 pixels, most significant bit first, full scale for one. `green(x)` gives the green level
// 0..255 of pixel x of one of those rows. False when the row holds no stamp (a real camera): every
// block is then not cleanly black or white.
template <typename Green> bool ReadStamp(Green green, int width, uint32_t& number) {
    if (width < 256) return false;
    number = 0;
    for (int bit = 0; bit < 32; ++bit) {
        const int level = green(bit * 8 + 4);
        if (level > 40 && level < 215) return false;
        number = number << 1 | (level >= 215 ? 1u : 0u);
    }
    return true;
}

// A finished AVI as this tool reports it: every frame chunk of every RIFF counted, and the
// camera's frame numbers followed from one recorded frame to the next.
struct AviContents {
    bool ok = false;
    uint32_t width = 0, height = 0, scale = 0, rate = 0;
    uint64_t frames = 0, bytes = 0;
    bool stamped = true;
    uint64_t dropped = 0; // frames the camera made between recorded ones
    uint32_t firstNumber = 0, lastNumber = 0;
};

uint32_t LittleEndian32(const uint8_t* b) {
    return static_cast<uint32_t>(b[0] | b[1] << 8 | b[2] << 16) | static_cast<uint32_t>(b[3]) << 24;
}

class AviReader {
  public:
    explicit AviReader(const std::wstring& path) : m_file(_wfopen(path.c_str(), L"rb")) {}
    ~AviReader() {
        if (m_file) std::fclose(m_file);
    }
    AviReader(const AviReader&) = delete;
    AviReader& operator=(const AviReader&) = delete;

    AviContents Read() {
        AviContents avi;
        if (!m_file) return avi;
        _fseeki64(m_file, 0, SEEK_END);
        avi.bytes = static_cast<uint64_t>(_ftelli64(m_file));
        uint64_t at = 0;
        bool first = true;
        while (at + 12 <= avi.bytes) {
            uint8_t riff[12];
            if (!ReadAt(at, riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0) return avi;
            const uint64_t end = at + 8 + LittleEndian32(riff + 4);
            const char* form = first ? "AVI " : "AVIX";
            if (LittleEndian32(riff + 4) == 0 || end > avi.bytes ||
                std::memcmp(riff + 8, form, 4) != 0 || !ReadList(at + 12, end, avi))
                return avi;
            at = end + (end & 1);
            first = false;
        }
        avi.ok = !first && avi.width > 0;
        return avi;
    }

  private:
    bool ReadAt(uint64_t offset, void* data, size_t size) {
        return _fseeki64(m_file, static_cast<long long>(offset), SEEK_SET) == 0 &&
               std::fread(data, 1, size, m_file) == size;
    }

    // The chunks of one RIFF or LIST from `at` to `end`.
    bool ReadList(uint64_t at, uint64_t end, AviContents& avi) {
        while (at + 8 <= end) {
            uint8_t chunk[12] = {};
            if (!ReadAt(at, chunk, 8)) return false;
            const uint32_t size = LittleEndian32(chunk + 4);
            const uint64_t data = at + 8;
            if (data + size > end) return false;
            if (std::memcmp(chunk, "LIST", 4) == 0) {
                if (size < 4 || !ReadList(data + 4, data + size, avi)) return false;
            } else if (std::memcmp(chunk, "avih", 4) == 0 && size >= 40) {
                uint8_t header[40];
                if (!ReadAt(data, header, sizeof header)) return false;
                avi.width = LittleEndian32(header + 32);
                avi.height = LittleEndian32(header + 36);
            } else if (std::memcmp(chunk, "strh", 4) == 0 && size >= 28) {
                uint8_t header[28];
                if (!ReadAt(data, header, sizeof header)) return false;
                avi.scale = LittleEndian32(header + 20);
                avi.rate = LittleEndian32(header + 24);
            } else if (std::memcmp(chunk, "00db", 4) == 0) {
                Frame(data, size, avi);
            }
            at = data + size + (size & 1);
        }
        return true;
    }

    // Frames are bottom-up 24-bit rows: the stamp's second row is the frame's second row.
    void Frame(uint64_t data, uint32_t size, AviContents& avi) {
        ++avi.frames;
        const uint32_t pitch = (avi.width * 3 + 3) & ~3u;
        std::vector<uint8_t> row(pitch);
        uint32_t number = 0;
        const bool stamped =
            avi.width >= 256 && size >= 2 * pitch && ReadAt(data + pitch, row.data(), pitch) &&
            ReadStamp([&](int x) { return int{row[static_cast<size_t>(x) * 3 + 1]}; },
                      static_cast<int>(avi.width), number);
        if (!stamped || (avi.frames > 1 && number <= avi.lastNumber)) avi.stamped = false;
        if (!avi.stamped) return;
        if (avi.frames == 1)
            avi.firstNumber = number;
        else
            avi.dropped += number - avi.lastNumber - 1;
        avi.lastNumber = number;
    }

    std::FILE* m_file;
};

// The green level of pixel x of an output image row of `bits` per pixel (16-bit samples carry
// 10 bits).
int GreenOf(const uint8_t* row, int x, int bits) {
    auto word = [&](size_t at) { return (row[at] | row[at + 1] << 8) >> 2; };
    switch (bits) {
    case 8:
        return row[x];
    case 16:
        return word(static_cast<size_t>(x) * 2);
    case 24:
        return row[static_cast<size_t>(x) * 3 + 1];
    case 32:
        return row[static_cast<size_t>(x) * 4 + 1];
    case 48:
        return word(static_cast<size_t>(x) * 6 + 2);
    case 64:
        return word(static_cast<size_t>(x) * 8 + 2);
    default:
        return 128;
    }
}

// Bits per pixel of the output image for the colour mode the SDK reports (10-bit samples are
// stored in 16-bit words).
int StoredBits(int reported) {
    switch (reported) {
    case 10:
        return 16;
    case 42:
        return 48;
    case 58:
        return 64;
    default:
        return reported;
    }
}

// Follows a running recording from outside, as an application can: the bytes of its file, and the
// camera's frame numbers in the output images it reads now and then. Frames the camera made that
// the file did not grow by are dropped ones.
class RecordingWatch {
  public:
    RecordingWatch(int handle, std::wstring path)
        : m_handle(handle), m_path(std::move(path)), m_width(Travik_Width(handle)),
          m_height(Travik_Height(handle)), m_bits(StoredBits(Travik_GetColorMode(handle))),
          m_stride(((m_width * (m_bits / 8)) + 3) & ~3),
          m_image(static_cast<size_t>(m_stride) * static_cast<size_t>(m_height > 0 ? m_height : 0)),
          m_frameBytes(8 + uint64_t((m_width * 3 + 3) & ~3) * static_cast<uint64_t>(m_height)) {}

    struct Sample {
        uint64_t bytes = 0;
        uint64_t frames = 0; // complete frame chunks the bytes hold
        bool stamped = false;
        uint64_t dropped = 0;
    };

    Sample Take() {
        Sample sample;
        sample.bytes = FileBytes(m_path);
        // The header is smaller than one frame at the usual sizes: whole frames are the bytes over
        // the chunk size. The summary counts them exactly from the finished file.
        sample.frames = m_frameBytes > 8 ? sample.bytes / m_frameBytes : 0;
        uint32_t number = 0;
        if (ReadCameraNumber(number)) {
            if (!m_seen) {
                m_seen = true;
                m_firstNumber = number;
                m_framesAtFirstNumber = sample.frames;
            }
            const uint64_t made = number >= m_firstNumber ? number - m_firstNumber : 0;
            const uint64_t recorded = sample.frames - m_framesAtFirstNumber;
            sample.stamped = true;
            // One frame may be between the camera and the file at any moment.
            sample.dropped = made > recorded + 1 ? made - recorded - 1 : 0;
        }
        return sample;
    }

  private:
    bool ReadCameraNumber(uint32_t& number) {
        if (m_image.empty() || m_width < 256 || m_height < 4) return false;
        if (!Travik_GetImage(m_handle, m_image.data(), static_cast<int>(m_image.size()), 1)) {
            Travik_GetLastError(m_handle); // no image yet: not a failure of the recording
            return false;
        }
        const uint8_t* row = m_image.data() + static_cast<size_t>(m_height - 2) * m_stride;
        return ReadStamp([&](int x) { return GreenOf(row, x, m_bits); }, m_width, number);
    }

    int m_handle;
    std::wstring m_path;
    int m_width, m_height, m_bits, m_stride;
    std::vector<uint8_t> m_image;
    uint64_t m_frameBytes;
    bool m_seen = false;
    uint32_t m_firstNumber = 0;
    uint64_t m_framesAtFirstNumber = 0;
};

// The progress line: rewritten in place on a console, one line each second into a pipe or file.
class ProgressLine {
  public:
    ProgressLine() {
        DWORD mode = 0;
        m_console = GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
    }
    void Show(DWORD elapsedMs, int requestedMs, const RecordingWatch::Sample& sample) {
        if (!m_console && elapsedMs - m_lastLineMs < 1000 && m_lines > 0) return;
        m_lastLineMs = elapsedMs;
        ++m_lines;
        const double seconds = elapsedMs / 1000.0;
        char dropped[32] = "-";
        if (sample.stamped)
            std::snprintf(dropped, sizeof dropped, "%llu",
                          static_cast<unsigned long long>(sample.dropped));
        std::printf("%s%6.1f / %.1f s  %6llu frames  %5.1f fps  %8.1f MB  dropped %s%s",
                    m_console ? "\r" : "", seconds, requestedMs / 1000.0,
                    static_cast<unsigned long long>(sample.frames),
                    seconds > 0 ? sample.frames / seconds : 0.0, sample.bytes / 1e6, dropped,
                    m_console ? "   " : "\n");
        std::fflush(stdout);
    }
    void End() {
        if (m_console && m_lines > 0) std::printf("\n");
    }

  private:
    bool m_console = false;
    DWORD m_lastLineMs = 0;
    int m_lines = 0;
};

// Codes that end a recording before its time (the recorder reports them when it finishes).
bool EndsRecording(int code) {
    return code == ERR_FILE || code == ERR_DEVICE_LOST || code == ERR_GEOMETRY;
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
    const std::wstring path = AbsolutePath(options.output);
    if (!session.Check(Travik_SaveImageW(h, path.c_str(), fileType), "saving the picture"))
        return 1;
    std::printf("wrote %s (%s, %d x %d, %d-bit image)\n", ToUtf8(path).c_str(),
                options.format.c_str(), Travik_Width(h), Travik_Height(h), Travik_GetColorMode(h));
    return 0;
}

int Record(const Options& options) {
    Session session;
    if (!Prepare(session, options)) return 1;
    const int h = session.Handle();
    const std::wstring path = AbsolutePath(options.output);
    const std::string shown = ToUtf8(path);
    RecordingWatch watch(h, path);
    if (!session.Check(Travik_RecordW(h, path.c_str(), options.milliseconds, 0),
                       "starting the recording"))
        return 1;
    // The time counts from the first frame; allow for the preview to start.
    const DWORD start = GetTickCount();
    const DWORD limit = static_cast<DWORD>(options.milliseconds) + 10000;
    ProgressLine progress;
    bool finished = false;
    while (!(finished = IsClosed(path)) && GetTickCount() - start < limit) {
        progress.Show(GetTickCount() - start, options.milliseconds, watch.Take());
        Sleep(250);
    }
    progress.End();
    Travik_StopPreview(h); // also ends the recording, finishing the file, if it is still running
    int endCode = 0;
    for (int code; (code = Travik_GetLastError(h)) != 0;)
        if (EndsRecording(code) && endCode == 0) endCode = code;
    if (!finished) std::fprintf(stderr, "travikcam: the recording did not end in time\n");
    if (endCode != 0)
        std::fprintf(stderr, "travikcam: the recording ended early: %s (error %d)\n",
                     DescribeError(endCode), endCode);

    const AviContents avi = AviReader(path).Read();
    if (!avi.ok) {
        std::fprintf(stderr, "travikcam: %s is not a finished AVI file\n", shown.c_str());
        return 1;
    }
    const double fps = avi.scale ? static_cast<double>(avi.rate) / avi.scale : 0.0;
    char dropped[48] = "dropped unknown";
    if (avi.stamped && avi.frames > 0)
        std::snprintf(dropped, sizeof dropped, "%llu dropped of %llu made",
                      static_cast<unsigned long long>(avi.dropped),
                      static_cast<unsigned long long>(avi.lastNumber - avi.firstNumber + 1ull));
    std::printf("wrote %s (%llu frames of %u x %u, %.1f frames per second, %.1f MB, %s)\n",
                shown.c_str(), static_cast<unsigned long long>(avi.frames), avi.width, avi.height,
                fps, avi.bytes / 1e6, dropped);
    return finished && endCode == 0 ? 0 : 1;
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
