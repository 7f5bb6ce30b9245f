// Image files and recording: opening a recording, the recorder thread's rounds, and the finish.
#include "files/AviRecorder.h"

#include "imaging/ImageBuffer.h"
#include "imaging/kernels/Kernels.h"

#include <mmsystem.h>

#include <algorithm>

namespace {

int WholeBuffer(ImageBuffer& destination, const ImageBuffer& source, PositionedKernel kernel) {
    return destination.ApplyKernel(kernel, &source, nullptr, 0, 0, nullptr);
}

// Slots of the queue: at least two, so that one can be written while the next is filled, and no
// more than this, however small the frames.
constexpr size_t kMinimumSlots = 2;
constexpr size_t kMaximumSlots = 64;

} // namespace

AviRecorder::AviRecorder() = default;
AviRecorder::~AviRecorder() = default;

AviRecorder::OpenResult AviRecorder::Open(const FilePath& path, int timeMs,
                                          CriticalSection& imageLock, const ImageSource& source) {
    {
        LockGuard lock(imageLock);
        const ImageBuffer* image = source ? source() : nullptr;
        if (!image || !image->Pixels()) return OpenResult::kNoImage;
        m_avi.m_width = image->Width();
        m_avi.m_height = image->Height();
        m_avi.m_bits = static_cast<uint16_t>(image->Bits());
        m_avi.m_frameRate = 30;
        m_avi.m_frameCount = 0;
    }
    m_fileFinished = false;
    // Everything a frame needs is made now, once: no frame waits for an allocation.
    const size_t frameBytes = m_avi.FrameBytes();
    const size_t slots = std::clamp(m_queueBytes / (frameBytes + FrameQueue::kHeaderRoom),
                                    kMinimumSlots, kMaximumSlots);
    if (!m_queue.Allocate(frameBytes, slots) || !MakeWorkBuffers()) {
        m_queue.Release();
        m_color.reset();
        m_gray.reset();
        return OpenResult::kNoMemory;
    }
    if (!m_avi.Begin(path)) {
        m_queue.Release();
        m_color.reset();
        m_gray.reset();
        return OpenResult::kFileFailed;
    }
    m_avi.LimitFileLength(m_nextFileLimit);
    m_nextFileLimit = UINT64_MAX;
    m_timeMs = timeMs;
    m_framesRecorded.store(0);
    m_framesDropped.store(0);
    m_imageChanged.store(false);
    m_started = false;
    m_startTime = 0;
    m_lastFrameTime = 0;
    m_imageLock = &imageLock;
    LockGuard lock(imageLock);
    m_intakeOpen = true;
    return OpenResult::kOpened;
}

bool AviRecorder::MakeWorkBuffers() {
    m_color = std::make_unique<ImageBuffer>();
    m_gray = std::make_unique<ImageBuffer>();
    // Only the depths that pass through GDI need them.
    if (m_avi.m_bits != 8 && m_avi.m_bits != 16) return true;
    return m_color->Create(m_avi.m_width, m_avi.m_height, 24) &&
           (m_avi.m_bits != 16 || m_gray->Create(m_avi.m_width, m_avi.m_height, 8));
}

void AviRecorder::StopIntake() {
    if (!m_imageLock) return;
    LockGuard lock(*m_imageLock);
    m_intakeOpen = false;
    m_color.reset();
    m_gray.reset();
}

void AviRecorder::Abandon() {
    StopIntake();
    m_avi.Reset();
    m_queue.Release();
}

void AviRecorder::TakeFrame(const ImageBuffer* image) {
    if (!m_intakeOpen) return;
    uint8_t* slot = m_queue.FreeSlot();
    if (!slot) {
        // The writer is a queue's length behind: this image is lost, and counted.
        m_framesDropped.fetch_add(1);
        return;
    }
    if (!ConvertFrame(image, slot)) {
        m_imageChanged.store(true);
        m_intakeOpen = false;
        return;
    }
    m_queue.Push(m_clock());
}

bool AviRecorder::ConvertFrame(const ImageBuffer* image, uint8_t* frame) {
    if (!image || !image->Pixels() || image->Width() != m_avi.m_width ||
        image->Height() != m_avi.m_height || image->Bits() != m_avi.m_bits)
        return false;
    const KernelRect whole{0, 0, m_avi.m_width, m_avi.m_height};
    const int frameStride = (3 * m_avi.m_width + 3) & ~3;
    // Straight into the slot: the first delivered row becomes the top of the bottom-up frame.
    auto intoFrame = [&](PositionedKernel kernel, const ImageBuffer& source) {
        return kernel(frame, source.Pixels(), whole, 0, 0, 3,
                      static_cast<uint16_t>(source.Bits() / 8), frameStride, source.Stride(),
                      nullptr) != 0;
    };
    switch (m_avi.m_bits) {
    case 8: // GDI turns each gray-table index into equal blue, green and red
        return m_color->Blit(image, nullptr, 0, 0) && intoFrame(Color24Flip, *m_color);
    case 16:
        return WholeBuffer(*m_gray, *image, Mono10To8) &&
               m_color->Blit(m_gray.get(), nullptr, 0, 0) && intoFrame(Color24Flip, *m_color);
    case 24:
    case 32:
        return intoFrame(Color24Flip, *image);
    case 48:
    case 64:
        return intoFrame(Color10To8Flip, *image);
    default:
        return false;
    }
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

bool AviRecorder::WriteQueuedFrames(End& why) {
    FrameQueue::Frame frame;
    while (m_queue.Oldest(frame)) {
        if (!m_started) {
            m_started = true;
            m_startTime = frame.time;
        }
        if (!m_avi.AddFrameChunk(frame.chunk)) {
            why = End::kWriteFailed;
            return true;
        }
        m_queue.Pop();
        ++m_avi.m_frameCount;
        m_framesRecorded.store(m_avi.m_frameCount);
        m_lastFrameTime = frame.time;
        // A negative time ends the recording with its first frame; with time 0 the first frame
        // is not past the end, so the second one ends it.
        if (m_timeMs < 0 || frame.time - m_startTime > static_cast<uint32_t>(m_timeMs)) {
            why = End::kTime;
            return true;
        }
    }
    return false;
}

AviRecorder::End AviRecorder::Run(std::atomic<int>& runFlag,
                                  const std::atomic<int>* acquisitionRunFlag) {
    End why = End::kTime;
    bool ended = !m_avi.IsOpen();
    while (!ended) {
        if (WriteQueuedFrames(why)) break;
        if (ShouldStop(runFlag, acquisitionRunFlag, why)) {
            // Whatever was queued before the intake stopped still goes into the file: a stop
            // loses no frame the camera delivered to the recording.
            StopIntake();
            End drained = why;
            if (WriteQueuedFrames(drained) && drained == End::kWriteFailed) why = drained;
            break;
        }
        m_queue.WaitForFrame(10);
    }
    // Whatever ended the recording (its time, a stop, a close or the camera's release, the end of
    // acquisition, a changed image or a full disk), the file gets its indexes and header, so it
    // is always a valid AVI of the frames that reached it.
    StopIntake();
    m_fileFinished = FinishFile();
    m_framesRecorded.store(m_avi.FramesWritten());
    m_queue.Release();
    runFlag.store(0);
    return why;
}

bool AviRecorder::FinishFile() {
    if (!m_avi.IsOpen()) return false;
    // Frames per second x 100 from the first frame to the last: n frames span n - 1 intervals.
    // One frame spans none, and is rated over the 1 ms floor; with no frame there is no rate,
    // and the writer keeps its floor of 1.
    const uint32_t frames = m_avi.m_frameCount;
    const uint32_t intervals = frames >= 2 ? frames - 1 : frames;
    m_avi.m_frameRate =
        m_started ? AviWriter::MeasuredRate(intervals, m_lastFrameTime - m_startTime) : 0;
    const bool finished = m_avi.Finish() != 0;
    m_avi.m_frameRate = 0;
    m_avi.m_frameCount = 0;
    return finished;
}
