// travikcam: record, uncompressed or MJPEG, continuously or around marks, with the progress
// line and the summary of the files written.
#include "Commands.h"
#include "Session.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

namespace travikcam {

namespace {

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
            } else if (std::memcmp(chunk, "00dc", 4) == 0) {
                // A JPEG frame: counted; its stamp would need a decoder, so the sidecar tells.
                ++avi.frames;
                avi.stamped = false;
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

// Stops what still runs (a recording still running finishes its file) and tells why a recording
// ended early; the code, or 0.
int EndRecording(int handle, bool finished) {
    Travik_StopPreview(handle);
    int endCode = 0;
    for (int code; (code = Travik_GetLastError(handle)) != 0;)
        if (EndsRecording(code) && endCode == 0) endCode = code;
    if (!finished) std::fprintf(stderr, "travikcam: the recording did not end in time\n");
    if (endCode != 0)
        std::fprintf(stderr, "travikcam: the recording ended early: %s (error %d)\n",
                     DescribeError(endCode), endCode);
    return endCode;
}

TravikExRecordOptions RecordOptionsOf(const Options& options) {
    TravikExRecordOptions extras = {};
    extras.size = sizeof extras;
    extras.codec = options.codec == "mjpeg" ? TRAVIKEX_CODEC_MJPEG : TRAVIKEX_CODEC_RAW;
    extras.quality = (options.given & kQuality) ? options.quality : 0;
    extras.chroma = options.chroma;
    extras.preEventMs = options.preMs;
    extras.postEventMs = options.postMs;
    extras.sidecar = (options.given & kSidecar) ? 1 : 0;
    return extras;
}

// The SDK's name for the sidecar of an AVI: the extension replaced by ".csv".
std::wstring SidecarOf(const std::wstring& avi) {
    const size_t name = avi.find_last_of(L"\\/:");
    const size_t dot = avi.rfind(L'.');
    const bool hasExtension =
        dot != std::wstring::npos && (name == std::wstring::npos || dot > name + 1);
    const std::wstring stem = hasExtension ? avi.substr(0, dot) : avi;
    if (hasExtension && _wcsicmp(avi.c_str() + dot, L".csv") == 0) return avi + L".csv";
    return stem + L".csv";
}

// A sidecar file as this tool reports it: its frame lines, and the camera's frames between the
// first and the last that are not in the file.
struct SidecarContents {
    bool ok = false;
    uint64_t lines = 0, skipped = 0, firstId = 0, lastId = 0;
};

SidecarContents ReadSidecar(const std::wstring& path) {
    SidecarContents sidecar;
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) return sidecar;
    char line[256];
    bool header = true, increasing = true;
    while (std::fgets(line, sizeof line, file)) {
        if (header) {
            header = false;
            continue;
        }
        unsigned long long index = 0, id = 0, skipped = 0;
        unsigned exposure = 0, gain = 0;
        char time[40];
        if (std::sscanf(line, "%llu,%llu,%39[^,],%u,%u,%llu", &index, &id, time, &exposure, &gain,
                        &skipped) != 6 ||
            index != sidecar.lines) {
            increasing = false;
            break;
        }
        if (sidecar.lines > 0) {
            increasing = increasing && id > sidecar.lastId;
            sidecar.skipped += skipped;
        } else {
            sidecar.firstId = id;
        }
        sidecar.lastId = id;
        ++sidecar.lines;
    }
    std::fclose(file);
    sidecar.ok = increasing && !header;
    return sidecar;
}

// Prints what the sidecar of `avi` tells; false when it is missing or does not match the frames.
bool ReportSidecar(const std::wstring& avi, uint64_t frames) {
    const std::wstring path = SidecarOf(avi);
    const SidecarContents sidecar = ReadSidecar(path);
    if (!sidecar.ok || sidecar.lines != frames) {
        std::fprintf(stderr, "travikcam: %s does not tell of the %llu frames of the AVI\n",
                     ToUtf8(path).c_str(), static_cast<unsigned long long>(frames));
        return false;
    }
    std::printf("     sidecar %s (%llu lines, frames %llu to %llu, %llu of them not in the file)\n",
                ToUtf8(path).c_str(), static_cast<unsigned long long>(sidecar.lines),
                static_cast<unsigned long long>(sidecar.firstId),
                static_cast<unsigned long long>(sidecar.lastId),
                static_cast<unsigned long long>(sidecar.skipped));
    return true;
}

TravikExRecordingStatus StatusOf(int handle) {
    TravikExRecordingStatus status = {};
    status.size = sizeof status;
    if (!TravikEx_GetRecordingStatus(handle, &status)) Travik_GetLastError(handle);
    return status;
}

// The line of an MJPEG recording: what was compressed how far, and what the encoders cost.
void ShowCompression(const TravikExRecordingStatus& status, DWORD elapsedMs) {
    const double ratio = status.encodedBytes
                             ? static_cast<double>(status.uncompressedBytes) / status.encodedBytes
                             : 0.0;
    const double share = elapsedMs ? status.encoderCpuUs / (10.0 * elapsedMs) : 0.0;
    std::printf("  ratio %5.1f:1  encoder %3.0f %% of a core  dropped %u", ratio, share,
                status.framesDropped);
}

// Rewritten in place on a console, one line each second into a pipe or file.
class StatusLine {
  public:
    StatusLine() {
        DWORD mode = 0;
        m_console = GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
    }
    bool Due(DWORD elapsedMs) {
        if (!m_console && elapsedMs - m_lastMs < 1000 && m_lines > 0) return false;
        m_lastMs = elapsedMs;
        ++m_lines;
        std::printf("%s", m_console ? "\r" : "");
        return true;
    }
    void Done() {
        std::printf("%s", m_console ? "   " : "\n");
        std::fflush(stdout);
    }
    void End() {
        if (m_console && m_lines > 0) std::printf("\n");
    }

  private:
    bool m_console = false;
    DWORD m_lastMs = 0;
    int m_lines = 0;
};

// Where marks come from: the key m (or the space bar) on a console, or each line read from a
// pipe or file on the standard input.
class MarkInput {
  public:
    MarkInput() : m_input(GetStdHandle(STD_INPUT_HANDLE)) {
        DWORD mode = 0;
        m_console = GetConsoleMode(m_input, &mode) != 0;
        if (!m_console && m_input && m_input != INVALID_HANDLE_VALUE)
            m_reader = CreateThread(nullptr, 0, ReadLines, this, 0, nullptr);
    }
    ~MarkInput() {
        // A reader blocked in its read ends with the process.
        if (m_reader) CloseHandle(m_reader);
    }
    MarkInput(const MarkInput&) = delete;
    MarkInput& operator=(const MarkInput&) = delete;

    // Marks asked for since the last call.
    long Take() {
        if (m_console) ReadKeys();
        return InterlockedExchange(&m_pending, 0);
    }

  private:
    void ReadKeys() {
        DWORD waiting = 0;
        while (GetNumberOfConsoleInputEvents(m_input, &waiting) && waiting > 0) {
            INPUT_RECORD record;
            DWORD read = 0;
            if (!ReadConsoleInputW(m_input, &record, 1, &read) || read == 0) return;
            const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
            if (record.EventType == KEY_EVENT && key.bKeyDown &&
                (key.uChar.UnicodeChar == L'm' || key.uChar.UnicodeChar == L'M' ||
                 key.uChar.UnicodeChar == L' '))
                InterlockedIncrement(&m_pending);
        }
    }
    static DWORD WINAPI ReadLines(void* self) {
        auto* input = static_cast<MarkInput*>(self);
        char bytes[256];
        DWORD read = 0;
        while (ReadFile(input->m_input, bytes, sizeof bytes, &read, nullptr) && read > 0)
            for (DWORD i = 0; i < read; ++i)
                if (bytes[i] == '\n') InterlockedIncrement(&input->m_pending);
        return 0;
    }

    HANDLE m_input;
    bool m_console = false;
    HANDLE m_reader = nullptr;
    volatile LONG m_pending = 0;
};

// An uncompressed recording, followed through its file and the camera's stamps.
int RecordRaw(Session& session, const Options& options, const std::wstring& path) {
    const int h = session.Handle();
    const std::string shown = ToUtf8(path);
    RecordingWatch watch(h, path);
    TravikExRecordOptions extras = RecordOptionsOf(options);
    const bool sidecar = (options.given & kSidecar) != 0;
    if (!session.Check(sidecar ? TravikEx_RecordW(h, path.c_str(), options.milliseconds, 0, &extras)
                               : Travik_RecordW(h, path.c_str(), options.milliseconds, 0),
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
    const int endCode = EndRecording(h, finished);

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
    const bool sidecarOk = !sidecar || ReportSidecar(path, avi.frames);
    return finished && endCode == 0 && sidecarOk ? 0 : 1;
}

// An MJPEG recording of one file: the status of the recorder tells how far it is.
int RecordMjpeg(Session& session, const Options& options, const std::wstring& path) {
    const int h = session.Handle();
    TravikExRecordOptions extras = RecordOptionsOf(options);
    if (!session.Check(TravikEx_RecordW(h, path.c_str(), options.milliseconds, 0, &extras),
                       "starting the recording"))
        return 1;
    const DWORD start = GetTickCount();
    const DWORD limit = static_cast<DWORD>(options.milliseconds) + 10000;
    StatusLine line;
    bool finished = false;
    for (;;) {
        const TravikExRecordingStatus status = StatusOf(h);
        finished = !status.running && IsClosed(path);
        const DWORD elapsed = GetTickCount() - start;
        if (finished || elapsed >= limit) break;
        if (line.Due(elapsed)) {
            std::printf("%6.1f / %.1f s  %6u frames  %5.1f fps  %8.1f MB", elapsed / 1000.0,
                        options.milliseconds / 1000.0, status.framesRecorded,
                        elapsed ? status.framesRecorded * 1000.0 / elapsed : 0.0,
                        status.encodedBytes / 1e6);
            ShowCompression(status, elapsed);
            line.Done();
        }
        Sleep(250);
    }
    line.End();
    const int endCode = EndRecording(h, finished);
    const TravikExRecordingStatus status = StatusOf(h);
    const AviContents avi = AviReader(path).Read();
    if (!avi.ok) {
        std::fprintf(stderr, "travikcam: %s is not a finished AVI file\n", ToUtf8(path).c_str());
        return 1;
    }
    const double fps = avi.scale ? static_cast<double>(avi.rate) / avi.scale : 0.0;
    std::printf("wrote %s (%llu MJPEG frames of %u x %u, %.1f frames per second, %.1f MB,"
                " %u dropped by the recorder)\n",
                ToUtf8(path).c_str(), static_cast<unsigned long long>(avi.frames), avi.width,
                avi.height, fps, avi.bytes / 1e6, status.framesDropped);
    const bool sidecarOk = ReportSidecar(path, avi.frames);
    return finished && endCode == 0 && sidecarOk ? 0 : 1;
}

// A pre-event recording: waits for marks, and reports each file they make.
int RecordAroundMarks(Session& session, const Options& options, const std::wstring& path) {
    const int h = session.Handle();
    TravikExRecordOptions extras = RecordOptionsOf(options);
    if (!session.Check(TravikEx_RecordW(h, path.c_str(), options.milliseconds, 0, &extras),
                       "starting the recording"))
        return 1;
    std::printf("keeping the last %.1f s; each mark (key m, or a line on standard input) writes"
                " them and the next %.1f s\n",
                options.preMs / 1000.0, options.postMs / 1000.0);
    MarkInput input;
    const DWORD start = GetTickCount();
    const DWORD limit = static_cast<DWORD>(options.milliseconds) + options.postMs + 10000;
    StatusLine line;
    std::vector<std::wstring> files;
    bool finished = false;
    for (;;) {
        for (long marks = input.Take(); marks > 0; --marks)
            if (!TravikEx_MarkRecording(h)) Travik_GetLastError(h);
        const TravikExRecordingStatus status = StatusOf(h);
        if (status.filesBegun > files.size()) files.push_back(status.file);
        finished = !status.running;
        const DWORD elapsed = GetTickCount() - start;
        if (finished || elapsed >= limit) break;
        if (line.Due(elapsed)) {
            std::printf("%6.1f / %.1f s  ring %4.1f s  %u file%s%s  %6u frames in files",
                        elapsed / 1000.0, options.milliseconds / 1000.0, status.ringMs / 1000.0,
                        status.filesBegun, status.filesBegun == 1 ? "" : "s",
                        status.writing ? " (writing)" : "", status.framesRecorded);
            ShowCompression(status, elapsed);
            line.Done();
        }
        Sleep(50);
    }
    line.End();
    const int endCode = EndRecording(h, finished);
    const TravikExRecordingStatus status = StatusOf(h);
    if (status.filesBegun > files.size()) files.push_back(status.file);
    bool ok = finished && endCode == 0;
    std::printf("%zu file%s written, %u frames dropped by the recorder\n", files.size(),
                files.size() == 1 ? "" : "s", status.framesDropped);
    for (const std::wstring& file : files) {
        const AviContents avi = AviReader(file).Read();
        if (!avi.ok) {
            std::fprintf(stderr, "travikcam: %s is not a finished AVI file\n",
                         ToUtf8(file).c_str());
            ok = false;
            continue;
        }
        std::printf("wrote %s (%llu MJPEG frames, %.1f MB)\n", ToUtf8(file).c_str(),
                    static_cast<unsigned long long>(avi.frames), avi.bytes / 1e6);
        ok = ReportSidecar(file, avi.frames) && ok;
    }
    return ok ? 0 : 1;
}

} // namespace

int Record(const Options& options) {
    Session session;
    if (!Prepare(session, options)) return 1;
    const std::wstring path = AbsolutePath(options.output);
    if (options.codec != "mjpeg") return RecordRaw(session, options, path);
    if (options.preMs > 0 || options.postMs > 0) return RecordAroundMarks(session, options, path);
    return RecordMjpeg(session, options, path);
}

} // namespace travikcam
