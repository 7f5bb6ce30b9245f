// Image files and recording: opening a recording, the recorder thread's rounds, and the finish.
#include "files/AviRecorder.h"

#include "camera/ImageLock.h"
#include "imaging/ImageBuffer.h"
#include "imaging/kernels/Kernels.h"

#include <mmsystem.h>

namespace {

int WholeBuffer(ImageBuffer& destination, const ImageBuffer& source, PositionedKernel kernel) {
    return destination.ApplyKernel(kernel, &source, nullptr, 0, 0, nullptr, nullptr);
}

} // namespace

AviRecorder::AviRecorder() : m_frameMade(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
AviRecorder::~AviRecorder() = default;

void AviRecorder::FrameMade() const {
    if (m_frameMade) SetEvent(m_frameMade.get());
}

AviRecorder::OpenResult AviRecorder::Open(const FilePath& path, int timeMs,
                                          CRITICAL_SECTION& imageLock, ImageSource source) {
    {
        ImageLock lock(imageLock);
        const ImageBuffer* image = source ? source() : nullptr;
        if (!image || !image->Pixels()) return OpenResult::kNoImage;
        m_avi.m_width = image->Width();
        m_avi.m_height = image->Height();
        m_avi.m_bits = static_cast<uint16_t>(image->Bits());
        m_avi.m_frameRate = 30;
        m_avi.m_frameCount = 0;
    }
    m_fileFinished = false;
    if (!m_avi.Begin(path)) return OpenResult::kFileFailed;
    m_avi.LimitFileLength(m_nextFileLimit);
    m_nextFileLimit = UINT64_MAX;
    m_imageLock = &imageLock;
    m_source = std::move(source);
    m_timeMs = timeMs;
    m_framesRecorded.store(0);
    return OpenResult::kOpened;
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
    return false;
}

AviRecorder::End AviRecorder::Run(std::atomic<int>& runFlag, std::atomic<int>& newFrame,
                                  const std::atomic<int>* acquisitionRunFlag) {
    m_started = false;
    m_startTime = 0;
    // Three work buffers per recording, not per frame: two colour buffers and one gray.
    m_firstColor = std::make_unique<ImageBuffer>();
    m_secondColor = std::make_unique<ImageBuffer>();
    m_gray = std::make_unique<ImageBuffer>();
    const bool buffersMade = m_avi.IsOpen() &&
                             m_firstColor->Create(m_avi.m_width, m_avi.m_height, 24) &&
                             m_secondColor->Create(m_avi.m_width, m_avi.m_height, 24) &&
                             m_gray->Create(m_avi.m_width, m_avi.m_height, 8);

    End why = buffersMade ? End::kTime : End::kImageChanged;
    uint32_t lastFrameTime = 0;
    while (buffersMade && !ShouldStop(runFlag, acquisitionRunFlag, why)) {
        if (m_frameMade)
            WaitForSingleObject(m_frameMade.get(), 10);
        else
            Sleep(10);
        if (!newFrame.load()) continue;
        const uint32_t now = m_clock();
        if (!m_started) {
            m_started = true;
            m_startTime = now;
        }
        const uint8_t* frame = nullptr;
        {
            ImageLock lock(*m_imageLock);
            // Cleared only with the lock held: the acquisition thread sets the flag under the same
            // lock, so the flag always belongs to the image taken here. Cleared before the lock,
            // a frame finished while we wait would be taken now and again on the next round.
            newFrame.store(0);
            frame = ConvertFrame(m_source());
        }
        if (!frame) {
            why = End::kImageChanged;
            break;
        }
        // The frame is in the recorder's own buffer by now: the disk write needs no lock, and the
        // acquisition thread goes on with the next image meanwhile.
        if (!m_avi.AddFrame(frame)) {
            why = End::kWriteFailed;
            break;
        }
        ++m_avi.m_frameCount;
        m_framesRecorded.store(m_avi.m_frameCount);
        lastFrameTime = now;
        // A negative time ends the recording with its first frame; with time 0 the first frame
        // is not past the end, so the second one ends it.
        const bool timeIsUp = m_timeMs < 0 || now - m_startTime > static_cast<uint32_t>(m_timeMs);
        if (timeIsUp) {
            why = End::kTime;
            break;
        }
    }
    // Whatever ended the recording (its time, a stop, a close or the camera's release, the end of
    // acquisition, a changed image or a full disk), the file gets its indexes and header, so it
    // is always a valid AVI of the frames that reached it.
    m_fileFinished = FinishFile(lastFrameTime);
    m_framesRecorded.store(m_avi.FramesWritten());
    m_firstColor.reset();
    m_secondColor.reset();
    m_gray.reset();
    runFlag.store(0);
    return why;
}

const uint8_t* AviRecorder::ConvertFrame(const ImageBuffer* image) {
    if (!image || !image->Pixels() || image->Width() != m_avi.m_width ||
        image->Height() != m_avi.m_height || image->Bits() != m_avi.m_bits)
        return nullptr;
    // Every path reverses the rows: the first delivered row becomes the top of the bottom-up DIB.
    switch (m_avi.m_bits) {
    case 8: // GDI turns each gray-table index into equal blue, green and red
        if (!m_secondColor->Blit(image, nullptr, 0, 0) ||
            !WholeBuffer(*m_firstColor, *m_secondColor, Color24Flip))
            return nullptr;
        return m_firstColor->Pixels();
    case 16:
        if (!WholeBuffer(*m_gray, *image, Mono10To8Flip) ||
            !m_firstColor->Blit(m_gray.get(), nullptr, 0, 0))
            return nullptr;
        return m_firstColor->Pixels();
    case 24:
    case 32:
        if (!WholeBuffer(*m_firstColor, *image, Color24Flip)) return nullptr;
        return m_firstColor->Pixels();
    case 48:
    case 64:
        if (!WholeBuffer(*m_secondColor, *image, Color10To8Flip)) return nullptr;
        return m_secondColor->Pixels();
    default:
        return nullptr;
    }
}

bool AviRecorder::FinishFile(uint32_t lastFrameTime) {
    if (!m_avi.IsOpen()) return false;
    // Frames per second x 100 from the first frame to the last: n frames span n - 1 intervals.
    // One frame spans none, and is rated over the 1 ms floor; with no frame there is no rate,
    // and the writer keeps its floor of 1.
    const uint32_t frames = m_avi.m_frameCount;
    const uint32_t intervals = frames >= 2 ? frames - 1 : frames;
    m_avi.m_frameRate =
        m_started ? AviWriter::MeasuredRate(intervals, lastFrameTime - m_startTime) : 0;
    const bool finished = m_avi.Finish() != 0;
    m_avi.m_frameRate = 0;
    m_avi.m_frameCount = 0;
    return finished;
}
