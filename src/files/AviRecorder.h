// Image files and recording: what the recorder thread does, from opening the AVI to finishing it.
#pragma once

#include "support/CriticalSection.h"
#include "support/UniqueHandle.h"
#include "files/AviWriter.h"
#include "files/FrameQueue.h"

#include <windows.h>

#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class ImageBuffer;

// One per camera object. The camera object opens a recording with Open and runs Run on a thread
// of its own; the acquisition engine hands every output image to TakeFrame; stopping acquisition
// clears the run flag and waits for the thread.
//
// TakeFrame runs on the acquisition thread, which holds the image lock anyway: it converts the
// image into a free slot of a bounded queue as a bottom-up 24-bit frame, so no image is missed
// however long a write takes, and the disk never holds up acquisition. A frame that finds every
// slot full is counted as dropped. Run writes the queued frames in order, each in one write.
// When the time, counted from the first frame, is up, or the run flag is cleared, or the
// acquisition under it ends, or the output image changes its size or depth, or the file cannot
// take a frame, it stops the intake, writes what is still queued (unless the time is up or the
// file full), writes the indexes and the measured rate, closes the file and clears the run flag:
// every recording ends as a valid AVI file holding every frame it took, and Run says why it
// ended.
//
// Shared state: the run flag is set by the caller's thread before the thread starts and cleared
// by either side. The intake (whether TakeFrame queues, its work buffers, the producer side of
// the queue) is used and changed only under the image lock. The queue's slots pass between the
// two threads through its own counters. The writer belongs to the thread while it runs; Open must
// not be called while a Run is under way.
class AviRecorder {
  public:
    // The camera's current output image; called with the image lock held, may give null.
    using ImageSource = std::function<const ImageBuffer*()>;

    // Why a recording ended.
    enum class End {
        kTime,             // its time was up
        kStopped,          // its run flag was cleared: acquisition stopped, closed or released
        kAcquisitionEnded, // the acquisition under it ended without a stop (device lost)
        kImageChanged,     // the output image changed its size or depth, or went away
        kWriteFailed,      // the file could not take a frame (a full disk, or no room left)
    };

    enum class OpenResult {
        kOpened,
        kNoImage,    // no output image to take the frame size from
        kFileFailed, // the AVI file could not be created
        kNoMemory,   // no room for the queue of frames
    };

    AviRecorder();
    ~AviRecorder(); // out of line: the work buffers' type is complete only there
    AviRecorder(const AviRecorder&) = delete;
    AviRecorder& operator=(const AviRecorder&) = delete;

    // Takes the frame size and depth from the output image under `imageLock`, makes the queue and
    // the work buffers, creates the file and writes its header; from then on TakeFrame queues
    // images. The recording lasts `timeMs` from its first frame; a negative time ends it with
    // the first frame. `imageLock` must outlive the Run. `source` gives the output image to take
    // the size from.
    OpenResult Open(const FilePath& path, int timeMs, CriticalSection& imageLock,
                    const ImageSource& source);
    // The recorder thread's body; returns with the file finished and `runFlag` cleared, and
    // says why. `acquisitionRunFlag`, when given, is the run flag of the acquisition that makes
    // the images: when it drops to 0 under a running recording, no image will come any more and
    // the file is finished once the queue is written.
    End Run(std::atomic<int>& runFlag, const std::atomic<int>* acquisitionRunFlag = nullptr);
    // Stops the intake and closes a file left open by an Open without a Run. Not while Run is
    // under way.
    void Abandon();
    // Called by the acquisition thread with the image lock held, after every output image: while
    // a recording takes frames, the image is converted into the queue, or counted as dropped
    // when the queue is full. Cheap when nothing records.
    void TakeFrame(const ImageBuffer* image);

    // Frames appended by the current or last recording.
    uint32_t FramesRecorded() const { return m_framesRecorded.load(); }
    // Images of the current or last recording that found the queue full and are not in the file.
    uint32_t FramesDropped() const { return m_framesDropped.load(); }
    // Frames the queue holds at most: about a second of full frames at 25 per second.
    size_t QueueCapacity() const { return m_queue.Capacity(); }
    // For tests: the queue's bytes for the recordings opened from now on.
    void SetQueueBytes(size_t bytes) { m_queueBytes = bytes; }
    // Whether the last recording's file was finished as a valid AVI.
    bool FileFinished() const { return m_fileFinished; }
    // The writer's layout for the recordings opened from now on (tests make small RIFFs), and a
    // file-length limit for the next recording that acts like a disk that is full at that length.
    void SetLayout(const AviLayout& layout) { m_avi.SetLayout(layout); }
    void LimitNextFileLength(uint64_t bytes) { m_nextFileLimit = bytes; }
    // The millisecond clock of the frame times (timeGetTime); tests give their own. Not while
    // Run is under way.
    using Clock = uint32_t (*)();
    void SetClock(Clock clock) { m_clock = clock; }

  private:
    // Converts the output image into `frame`, a 24-bit bottom-up picture; false when the image
    // is gone or no longer has the size and depth the recording started with.
    bool ConvertFrame(const ImageBuffer* image, uint8_t* frame);
    bool MakeWorkBuffers();
    // Under the image lock: no frame is queued from now on, and the work buffers go.
    void StopIntake();
    // Writes the queued frames in order; true when the recording must end (its time is up or the
    // file took no more), with the reason in `why`.
    bool WriteQueuedFrames(End& why);
    bool FinishFile();
    // Why the loop should stop before the next round, or kTime when it should go on.
    bool ShouldStop(const std::atomic<int>& runFlag, const std::atomic<int>* acquisitionRunFlag,
                    End& why) const;

    AviWriter m_avi;
    FrameQueue m_queue;
    size_t m_queueBytes = size_t{64} << 20;
    std::atomic<uint32_t> m_framesRecorded{0};
    std::atomic<uint32_t> m_framesDropped{0};
    CriticalSection* m_imageLock = nullptr;
    int m_timeMs = 0;
    uint64_t m_nextFileLimit = UINT64_MAX;
    Clock m_clock = [] { return static_cast<uint32_t>(timeGetTime()); };
    bool m_fileFinished = false;

    // The intake, under the image lock: whether TakeFrame queues, and its work buffers for the
    // depths that GDI converts (a 24-bit and an 8-bit one).
    bool m_intakeOpen = false;
    std::atomic<bool> m_imageChanged{false}; // set by the intake, read by Run
    std::unique_ptr<ImageBuffer> m_color, m_gray;

    // The recorder thread's own while Run is under way.
    bool m_started = false; // a first frame was recorded
    uint32_t m_startTime = 0;
    uint32_t m_lastFrameTime = 0;
};
