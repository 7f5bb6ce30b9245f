// Image files and recording: the camera object's recordings: their start, options and marks,
// the facts of each frame, and how a recording's end is told.
#include "support/CriticalSection.h"
#include "camera/SettingsBlocks.h"
#include "camera/Travik.h"
#include "files/RecordingPaths.h"

#include <algorithm>
#include <cstring>

namespace {

// Colour modes whose output MJPEG takes: 8-bit monochrome and 24-bit colour.
constexpr int kMono8Mode = 0;
constexpr int kColor24Mode = 2;

constexpr int kLongestPreEventMs = 600000;
constexpr int kLongestPostEventMs = 3600000;
constexpr int kLargestRingMegabytes = 1024;

// The application's options as the recorder takes them; false when a value is out of range.
bool ReadOptions(const TravikExRecordOptions* given, RecordingOptions& options) {
    options = RecordingOptions{};
    if (!given) return true;
    if (given->size < sizeof(TravikExRecordOptions)) return false;
    const TravikExRecordOptions o = *given;
    const bool mjpeg = o.codec == TRAVIKEX_CODEC_MJPEG;
    const bool preEvent = o.preEventMs > 0 || o.postEventMs > 0;
    if ((o.codec != TRAVIKEX_CODEC_RAW && !mjpeg) || o.quality < 0 || o.quality > 100 ||
        (o.chroma != 0 && o.chroma != 420 && o.chroma != 444) || o.preEventMs < 0 ||
        o.preEventMs > kLongestPreEventMs || o.postEventMs < 0 ||
        o.postEventMs > kLongestPostEventMs || o.ringMegabytes < 0 ||
        o.ringMegabytes > kLargestRingMegabytes || (preEvent && !mjpeg))
        return false;
    options.codec =
        mjpeg ? RecordingOptions::Codec::kMjpeg : RecordingOptions::Codec::kUncompressed;
    if (o.quality != 0) options.quality = o.quality;
    options.chroma444 = o.chroma == 444;
    options.preEvent = preEvent;
    options.preEventMs = static_cast<uint32_t>(o.preEventMs);
    options.postEventMs = static_cast<uint32_t>(o.postEventMs);
    if (o.ringMegabytes != 0) options.ringBytes = static_cast<size_t>(o.ringMegabytes) << 20;
    options.sidecar = o.sidecar != 0;
    return true;
}

int OpenFailureCode(AviRecorder::OpenResult result) {
    switch (result) {
    case AviRecorder::OpenResult::kNoThread:
        return ERR_THREAD;
    case AviRecorder::OpenResult::kUnsupportedDepth:
        return ERR_NOT_SUPPORTED;
    default:
        // No room for the frames' queue is a recording that could not start, as a file that
        // cannot be created is.
        return ERR_FILE;
    }
}

} // namespace

int CTravik::Record(const char* path, int timeMs, int showWindow) {
    return RecordExA(path, timeMs, showWindow, nullptr);
}

int CTravik::RecordW(const wchar_t* path, int timeMs, int showWindow) {
    return RecordExW(path, timeMs, showWindow, nullptr);
}

int CTravik::RecordExA(const char* path, int timeMs, int showWindow,
                       const TravikExRecordOptions* options) {
    if (!path || !*path) return ReportError(ERR_PARAMETER), 0;
    RecordingOptions recording;
    if (!ReadOptions(options, recording)) return ReportError(ERR_PARAMETER), 0;
    return StartRecording(FilePath(path), timeMs, showWindow, recording);
}

int CTravik::RecordExW(const wchar_t* path, int timeMs, int showWindow,
                       const TravikExRecordOptions* options) {
    // A missing wide path is a name that cannot be used (12); an empty one is no name (9).
    if (!path) return ReportError(ERR_FILE), 0;
    if (!*path) return ReportError(ERR_PARAMETER), 0;
    RecordingOptions recording;
    if (!ReadOptions(options, recording)) return ReportError(ERR_PARAMETER), 0;
    return StartRecording(FilePath(path), timeMs, showWindow, recording);
}

int CTravik::StartRecording(const FilePath& path, int timeMs, int showWindow,
                            const RecordingOptions& options) {
    // A second recording would share the writer with the first and corrupt both files; the
    // first goes on untouched.
    if (m_acquisition.IsRecording()) return ReportError(ERR_UNAVAILABLE), 0;
    // Refused before anything starts or is written.
    if (options.Compressed() && m_colorMode != kMono8Mode && m_colorMode != kColor24Mode)
        return ReportError(ERR_NOT_SUPPORTED), 0;
    {
        // A recording runs without notices or a caller buffer; the worker reads them under
        // the image lock.
        LockGuard lock(m_imageLock);
        m_notifyWindow = nullptr;
        m_userBuffer = nullptr;
        m_userLength = 0;
        m_rowOrder = 0;
    }
    if (showWindow && WantsPreviewWindow() && !m_previewWindow && !OpenPreviewWindow()) return 0;
    // An already running preview or stream counts as started: the stream's frames are recorded.
    if (!m_acquisition.Is(AcquisitionState::Streaming) && !StartPreview()) {
        Close();
        return ReportError(ERR_FILE), 0;
    }
    // Closes the handles of a recording that ended by its time.
    m_acquisition.StopRecorder();
    const AviRecorder::OpenResult opened =
        m_avi.Open(path, timeMs, options, m_imageLock, [this] { return OutputImage(); });
    if (opened != AviRecorder::OpenResult::kOpened) {
        Close();
        return ReportError(OpenFailureCode(opened)), 0;
    }
    if (!m_acquisition.StartRecorder([this] { RunRecorder(); })) {
        m_avi.Abandon();
        Close();
        return ReportError(ERR_THREAD), 0;
    }
    return 1;
}

int CTravik::MarkRecording() {
    return m_avi.Mark() ? 1 : (ReportError(ERR_UNAVAILABLE), 0);
}

int CTravik::GetRecordingStatus(TravikExRecordingStatus* status) {
    if (!status || status->size < sizeof(TravikExRecordingStatus))
        return ReportError(ERR_PARAMETER), 0;
    const AviRecorder::Status now = m_avi.CurrentStatus();
    TravikExRecordingStatus filled = {};
    filled.size = sizeof filled;
    filled.running = m_acquisition.IsRecording() ? 1 : 0;
    filled.writing = now.writing ? 1 : 0;
    filled.framesTaken = now.framesTaken;
    filled.framesRecorded = now.framesRecorded;
    filled.framesDropped = now.framesDropped;
    filled.filesBegun = now.filesBegun;
    filled.ringMs = now.ringMs;
    filled.framesEncoded = now.framesEncoded;
    filled.encodedBytes = now.encodedBytes;
    filled.uncompressedBytes = now.uncompressedBytes;
    filled.encoderCpuUs = now.encoderCpuTime / 10;
    // A name too long for the record is cut; it stays terminated.
    now.file.copy(filled.file, MAX_PATH - 1);
    *status = filled;
    return 1;
}

void CTravik::NoteFrameArrival(const FrameTruth& truth) {
    // The device's frame ids count every frame the camera delivered: a gap is frames this
    // camera object never processed.
    const uint64_t previous = m_arrival.frameId;
    m_arrival.frameId = truth.frameId;
    m_arrival.hostTicks = truth.qpcTicks;
    m_arrival.utcFileTime = truth.utcFileTime;
    m_arrival.exposureUs = static_cast<uint32_t>(truth.exposureUs);
    m_arrival.gain = static_cast<uint32_t>(truth.gain);
    const uint64_t gap = previous != 0 && truth.frameId > previous ? truth.frameId - previous - 1 : 0;
    m_arrival.skippedBefore = static_cast<uint32_t>(std::min<uint64_t>(gap, UINT32_MAX));
}

RecordedFrameFacts CTravik::FrameFactsForRecorder() const {
    return m_arrival;
}

void CTravik::RunRecorder() {
    const AviRecorder::End end =
        m_avi.Run(m_acquisition.RecordRunFlag(), &m_acquisition.RunFlagWord());
    // The file is finished by now; the application learns why a recording ended before its time
    // unless it ended it itself.
    const int code = RecordingEndCode(end);
    if (code != 0) ReportError(code);
}

int CTravik::RecordingEndCode(AviRecorder::End end) const {
    if (!m_avi.FileFinished()) return ERR_FILE;
    switch (end) {
    case AviRecorder::End::kWriteFailed:
        return ERR_FILE;
    case AviRecorder::End::kImageChanged:
        return ERR_GEOMETRY;
    case AviRecorder::End::kAcquisitionEnded:
        // A stop ends the recording first, so acquisition ends under it only when the worker
        // stopped by itself: the camera was lost, which is told once, by the worker, unless it
        // has not been yet.
        return m_deviceLost.load() ? 0 : ERR_DEVICE_LOST;
    case AviRecorder::End::kTime:
    case AviRecorder::End::kStopped:
        return 0;
    }
    return 0;
}
