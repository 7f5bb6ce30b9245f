// Image files and recording: opening a recording, the recorder thread's rounds, and the finish.
#include "files/AviRecorder.h"

#include "files/RecordingPaths.h"
#include "imaging/ImageBuffer.h"

#include <algorithm>

uint32_t CounterMs(); // AviRecorderIntake.cpp

namespace {

// Slots of the queue: at least two, so that one can be written while the next is filled, and no
// more than this, however small the frames.
constexpr size_t kMinimumSlots = 2;
constexpr size_t kMaximumSlots = 64;

bool IsPastTime(uint32_t elapsed, int timeMs) {
    // A negative time ends the recording with its first frame; with time 0 the first frame is
    // not past the end, so the second one ends it.
    return timeMs < 0 || elapsed > static_cast<uint32_t>(timeMs);
}

} // namespace

AviRecorder::AviRecorder() : m_clock(CounterMs) {}
AviRecorder::~AviRecorder() = default;

AviRecorder::OpenResult AviRecorder::Open(const FilePath& path, int timeMs,
                                          const RecordingOptions& options,
                                          CriticalSection& imageLock, const ImageSource& source) {
    AviWriter& avi = m_file.Avi();
    {
        LockGuard lock(imageLock);
        const ImageBuffer* image = source ? source() : nullptr;
        if (!image || !image->Pixels()) return OpenResult::kNoImage;
        avi.m_width = image->Width();
        avi.m_height = image->Height();
        avi.m_bits = static_cast<uint16_t>(image->Bits());
    }
    const bool compressed = options.Compressed();
    if (compressed && avi.m_bits != 8 && avi.m_bits != 24) return OpenResult::kUnsupportedDepth;
    // The names made from the path (sidecar, numbered files) are made wide; a recording without
    // them opens the path as it was given.
    m_path.clear();
    if (!recording_paths::Widen(path, m_path) && (options.WritesSidecar() || options.preEvent))
        return OpenResult::kFileFailed;
    m_options = options;
    avi.m_codec = compressed ? AviWriter::Codec::kMjpeg : AviWriter::Codec::kDib24;
    m_fileFinished = false;

    // Everything a frame needs is made now, once: no frame waits for an allocation. The queue
    // holds about a second of frames whatever the codec; an MJPEG slot has room for the image's
    // rows and for the largest JPEG they can make.
    const JpegFrameEncoder::Settings jpeg{avi.m_width, avi.m_height, avi.m_bits, options.quality,
                                          options.chroma444};
    const size_t imageBytes = static_cast<size_t>(avi.m_height) *
                              static_cast<size_t>((avi.m_width * (avi.m_bits / 8) + 3) & ~3);
    const size_t frameBytes = compressed
                                  ? std::max(imageBytes, JpegFrameEncoder::LargestFrameBytes(jpeg))
                                  : avi.FrameBytes();
    const size_t slots = std::clamp(m_queueBytes / (avi.FrameBytes() + FrameQueue::kHeaderRoom),
                                    kMinimumSlots, kMaximumSlots);
    if (!m_queue.Allocate(frameBytes, slots, compressed) || !MakeWorkBuffers() ||
        (options.preEvent && !m_clips.Prepare(m_path, options.preEventMs, options.postEventMs,
                                              options.WritesSidecar(), options.ringBytes))) {
        ReleaseRecording();
        return OpenResult::kNoMemory;
    }
    if (compressed && !m_encoders.Start(m_queue, jpeg, m_encoderThreads)) {
        ReleaseRecording();
        return OpenResult::kNoThread;
    }
    if (!options.preEvent) {
        const std::wstring sidecar = recording_paths::SidecarOf(m_path);
        const FilePath file = options.WritesSidecar() ? FilePath(m_path.c_str()) : path;
        if (!m_file.Begin(file, options.WritesSidecar() ? FilePath(sidecar.c_str()) : nullptr)) {
            ReleaseRecording();
            return OpenResult::kFileFailed;
        }
    }
    m_timeMs = timeMs;
    m_framesTaken.store(0);
    m_framesRecorded.store(0);
    m_framesDropped.store(0);
    m_filesBegun.store(options.preEvent ? 0 : 1);
    m_writing.store(!options.preEvent);
    m_ringMs.store(0);
    m_imageChanged.store(false);
    m_sessionStarted = false;
    m_imageLock = &imageLock;
    m_takesMarks.store(options.preEvent);
    LockGuard lock(imageLock);
    m_nextStampedId = 0;
    m_intakeOpen = true;
    return OpenResult::kOpened;
}

void AviRecorder::ReleaseRecording() {
    m_encoders.Stop();
    m_queue.Release();
    m_clips.Release();
    m_file.Abandon();
    m_color.reset();
    m_gray.reset();
}

bool AviRecorder::MakeWorkBuffers() {
    m_color = std::make_unique<ImageBuffer>();
    m_gray = std::make_unique<ImageBuffer>();
    // Only the depths that pass through GDI need them, and only uncompressed.
    const AviWriter& avi = m_file.Avi();
    if (avi.m_codec == AviWriter::Codec::kMjpeg || (avi.m_bits != 8 && avi.m_bits != 16))
        return true;
    return m_color->Create(avi.m_width, avi.m_height, 24) &&
           (avi.m_bits != 16 || m_gray->Create(avi.m_width, avi.m_height, 8));
}

void AviRecorder::StopIntake() {
    m_takesMarks.store(false);
    if (!m_imageLock) return;
    LockGuard lock(*m_imageLock);
    m_intakeOpen = false;
    m_color.reset();
    m_gray.reset();
}

void AviRecorder::Abandon() {
    StopIntake();
    ReleaseRecording();
}

bool AviRecorder::Mark() {
    if (!m_takesMarks.load()) return false;
    m_clips.Mark(m_clock());
    return true;
}

bool AviRecorder::ShouldStop(const std::atomic<int>& runFlag,
                             const std::atomic<int>* acquisitionRunFlag, End& why) const {
    if (!runFlag.load()) {
        why = End::kStopped;
        return true;
    }
    // A paused acquisition (2) still runs; only 0 means no image will come.
    if (acquisitionRunFlag && acquisitionRunFlag->load() == 0) {
        why = End::kAcquisitionEnded;
        return true;
    }
    if (m_imageChanged.load()) {
        why = End::kImageChanged;
        return true;
    }
    return false;
}

bool AviRecorder::TakeIntoFile(const RecordedFrame& frame, End& why) {
    if (!m_file.Add(frame)) {
        why = End::kWriteFailed;
        return true;
    }
    m_framesRecorded.store(m_file.Frames());
    if (IsPastTime(frame.time - m_file.FirstTime(), m_timeMs)) {
        why = End::kTime;
        return true;
    }
    return false;
}

bool AviRecorder::TakeIntoClips(const RecordedFrame& frame, End& why) {
    if (!m_sessionStarted) {
        m_sessionStarted = true;
        m_sessionStart = frame.time;
    }
    const bool taken = m_clips.Take(frame, m_file);
    m_framesRecorded.store(m_clips.FramesInFiles());
    m_filesBegun.store(m_clips.FilesBegun());
    m_writing.store(m_file.IsOpen());
    m_ringMs.store(m_clips.RingSpanMs());
    if (!taken) {
        why = End::kWriteFailed;
        return true;
    }
    // Marks are taken for the recording's time; a file being written then runs to its end.
    if (m_timeMs > 0 && IsPastTime(frame.time - m_sessionStart, m_timeMs) && !m_file.IsOpen()) {
        why = End::kTime;
        return true;
    }
    return false;
}

bool AviRecorder::WriteReadyFrames(bool drain, End& why) {
    FrameQueue::Frame frame;
    for (;;) {
        if (!m_queue.Oldest(frame)) {
            // With frames left, the oldest is still with its encoder.
            if (!drain || m_queue.Count() == 0) return false;
            m_queue.WaitForProgress(10);
            continue;
        }
        if (frame.encodedBytes == FrameQueue::kFailed) {
            m_framesDropped.fetch_add(1);
            m_queue.Pop();
            continue;
        }
        const RecordedFrame recorded{frame.chunk, static_cast<uint32_t>(frame.encodedBytes),
                                     frame.time, frame.facts};
        const bool ends =
            m_options.preEvent ? TakeIntoClips(recorded, why) : TakeIntoFile(recorded, why);
        m_queue.Pop();
        if (ends) return true;
    }
}

AviRecorder::End AviRecorder::Run(std::atomic<int>& runFlag,
                                  const std::atomic<int>* acquisitionRunFlag) {
    End why = End::kTime;
    bool ended = !m_options.preEvent && !m_file.IsOpen();
    while (!ended) {
        if (WriteReadyFrames(false, why)) break;
        if (ShouldStop(runFlag, acquisitionRunFlag, why)) {
            // Whatever was queued before the intake stopped still goes into the file: a stop
            // loses no frame the camera delivered to the recording.
            StopIntake();
            End drained = why;
            if (WriteReadyFrames(true, drained) && drained == End::kWriteFailed) why = drained;
            break;
        }
        m_queue.WaitForProgress(10);
    }
    // Whatever ended the recording (its time, a stop, a close or the camera's release, the end of
    // acquisition, a changed image or a full disk), the files get their indexes and headers, so
    // each is a valid AVI of the frames that reached it.
    StopIntake();
    m_encoders.Stop();
    m_fileFinished = FinishFiles(why);
    m_writing.store(false);
    m_queue.Release();
    m_clips.ReleaseRing(); // the counts and the last file's name stay for the status
    runFlag.store(0);
    return why;
}

bool AviRecorder::FinishFiles(End why) {
    if (m_options.preEvent) {
        const bool finished = m_clips.Finish(m_file, why != End::kWriteFailed);
        m_framesRecorded.store(m_clips.FramesInFiles());
        m_filesBegun.store(m_clips.FilesBegun());
        return finished;
    }
    const bool finished = m_file.IsOpen() && m_file.Finish();
    m_framesRecorded.store(m_file.Frames());
    return finished;
}
