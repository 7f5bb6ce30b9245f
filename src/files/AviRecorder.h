// Image files and recording: what the recorder thread does, from opening the AVI to finishing it.
#pragma once

#include "support/CriticalSection.h"
#include "support/UniqueHandle.h"
#include "files/AviWriter.h"
#include "files/EncoderPool.h"
#include "files/EventClips.h"
#include "files/FrameFacts.h"
#include "files/FrameQueue.h"
#include "files/RecordingFile.h"
#include "files/RecordingOptions.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class ImageBuffer;

// One per camera object. The camera object opens a recording with Open and runs Run on a thread
// of its own; the acquisition engine hands every output image to TakeFrame; stopping acquisition
// clears the run flag and waits for the thread.
//
// TakeFrame runs on the acquisition thread, which holds the image lock anyway: it converts the
// image into a free slot of a bounded queue (as a bottom-up 24-bit frame, or for MJPEG as the
// image's own rows), so no image is missed however long a write takes, and the disk never holds
// up acquisition. A frame that finds every slot full is counted as dropped. For MJPEG the
// encoder pool compresses the queued frames on threads of its own; a frame the encoder failed is
// counted as dropped too. Run writes the frames in order, each in one write: into the file, or
// for a pre-event recording into the ring and the file of the marks (see EventClips).
//
// When the time, counted from the first frame, is up, or the run flag is cleared, or the
// acquisition under it ends, or the output image changes its size or depth, or the file cannot
// take a frame, it stops the intake, writes what is still queued (unless the time is up or the
// file full), writes the indexes and the measured rate, closes the file and clears the run flag:
// every recording ends as a valid AVI file (and sidecar) holding every frame it took, and Run
// says why it ended.
//
// Shared state: the run flag is set by the caller's thread before the thread starts and cleared
// by either side. The intake (whether TakeFrame queues, its work buffers, the producer side of
// the queue) is used and changed only under the image lock. The queue's slots pass between the
// threads through its own counters. The counters and the status fields are atomics written by
// the threads that make them. The files belong to the thread while it runs; Open must not be
// called while a Run is under way.
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
        kNoImage,          // no output image to take the frame size from
        kFileFailed,       // the AVI file could not be created
        kNoMemory,         // no room for the queue of frames or the pre-event ring
        kNoThread,         // the encoders could not start
        kUnsupportedDepth, // MJPEG of an image that is neither 8-bit gray nor 24-bit colour
    };

    // What a running or finished recording has done so far.
    struct Status {
        uint32_t framesTaken = 0;    // images queued
        uint32_t framesRecorded = 0; // frames in its files
        uint32_t framesDropped = 0;  // images lost: queue full or not encoded
        uint32_t filesBegun = 0;
        bool writing = false; // a file is open
        uint64_t framesEncoded = 0;
        uint64_t encodedBytes = 0;      // the frames' bytes as compressed (as written for raw)
        uint64_t uncompressedBytes = 0; // the same frames as uncompressed AVI frames
        uint64_t encoderCpuTime = 0;    // of the encoder threads, in 100 ns units
        uint32_t ringMs = 0;            // pre-event: the seconds the ring holds, in ms
        std::wstring file;              // the file being written, or the last one
    };

    AviRecorder();
    ~AviRecorder(); // out of line: the work buffers' type is complete only there
    AviRecorder(const AviRecorder&) = delete;
    AviRecorder& operator=(const AviRecorder&) = delete;

    // Takes the frame size and depth from the output image under `imageLock`, makes the queue,
    // the work buffers, the encoders and the ring the options need, creates the file and writes
    // its header (a pre-event recording makes its files at the marks); from then on TakeFrame
    // queues images. The recording lasts `timeMs` from its first frame; a negative time ends it
    // with the first frame. A pre-event recording waits for marks for `timeMs` (a file being
    // written then runs to its end), or with a time of 0 or less until it is stopped.
    // `imageLock` must outlive the Run. `source` gives the output image to take the size from.
    OpenResult Open(const FilePath& path, int timeMs, const RecordingOptions& options,
                    CriticalSection& imageLock, const ImageSource& source);
    OpenResult Open(const FilePath& path, int timeMs, CriticalSection& imageLock,
                    const ImageSource& source) {
        return Open(path, timeMs, RecordingOptions{}, imageLock, source);
    }
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
    // when the queue is full. `facts`, when given, are the frame's for the sidecar and its time;
    // otherwise the recorder stamps the frame as it takes it. Cheap when nothing records.
    void TakeFrame(const ImageBuffer* image, const RecordedFrameFacts* facts = nullptr);
    // Any thread: marks now in a running pre-event recording; false when none takes marks.
    bool Mark();

    // Frames appended by the current or last recording (to all its files).
    uint32_t FramesRecorded() const { return m_framesRecorded.load(); }
    // Images of the current or last recording that found the queue full or failed to encode,
    // and are not in the file.
    uint32_t FramesDropped() const { return m_framesDropped.load(); }
    Status CurrentStatus() const;
    // Frames the queue holds at most: about a second of full frames at 25 per second.
    size_t QueueCapacity() const { return m_queue.Capacity(); }
    // For tests: the queue's bytes for the recordings opened from now on.
    void SetQueueBytes(size_t bytes) { m_queueBytes = bytes; }
    // For tests: the encoder threads of the recordings opened from now on.
    void SetEncoderThreads(int threads) { m_encoderThreads = threads; }
    // Whether the last recording's files were finished as valid AVIs.
    bool FileFinished() const { return m_fileFinished; }
    // The writer's layout for the recordings opened from now on (tests make small RIFFs), and a
    // file-length limit for the next file begun that acts like a disk that is full at that
    // length (for its AVI, or its sidecar).
    void SetLayout(const AviLayout& layout) { m_file.Avi().SetLayout(layout); }
    void LimitNextFileLength(uint64_t bytes) { m_file.LimitNextFileLength(bytes); }
    void LimitNextSidecarLength(uint64_t bytes) { m_file.LimitNextSidecarLength(bytes); }
    // The millisecond clock of the frames taken without facts and of the marks (by default the
    // performance counter's, as the acquisition's facts are); tests give their own. Not while
    // Run is under way.
    using Clock = uint32_t (*)();
    void SetClock(Clock clock) { m_clock = clock; }

  private:
    // Converts the output image into `frame`: a 24-bit bottom-up picture, or for MJPEG the
    // image's rows as they are; false when the image is gone or no longer has the size and
    // depth the recording started with.
    bool ConvertFrame(const ImageBuffer* image, uint8_t* frame);
    bool MakeWorkBuffers();
    // Everything Open made, given back when a later step of it failed.
    void ReleaseRecording();
    // Under the image lock: no frame is queued from now on, and the work buffers go.
    void StopIntake();
    // The time and facts of a frame taken now.
    uint32_t FrameTime(const RecordedFrameFacts* facts) const;
    RecordedFrameFacts StampedFacts(uint64_t frameId) const;
    // Writes the frames that are ready, in order; with `drain`, also waits for those still being
    // encoded. True when the recording must end (its time is up or the file took no more), with
    // the reason in `why`.
    bool WriteReadyFrames(bool drain, End& why);
    // One frame into the single file of the recording, or into the ring and the marks' files.
    bool TakeIntoFile(const RecordedFrame& frame, End& why);
    bool TakeIntoClips(const RecordedFrame& frame, End& why);
    bool FinishFiles(End why);
    // Why the loop should stop before the next round, or kTime when it should go on.
    bool ShouldStop(const std::atomic<int>& runFlag, const std::atomic<int>* acquisitionRunFlag,
                    End& why) const;

    RecordingFile m_file;
    FrameQueue m_queue;
    EncoderPool m_encoders;
    EventClips m_clips;
    RecordingOptions m_options;
    std::wstring m_path; // the recording's path, for the names made from it
    size_t m_queueBytes = size_t{64} << 20;
    int m_encoderThreads = EncoderPool::ThreadsForThisMachine();
    std::atomic<uint32_t> m_framesTaken{0};
    std::atomic<uint32_t> m_framesRecorded{0};
    std::atomic<uint32_t> m_framesDropped{0};
    std::atomic<uint32_t> m_filesBegun{0};
    std::atomic<bool> m_writing{false};
    std::atomic<uint32_t> m_ringMs{0};
    std::atomic<bool> m_takesMarks{false};
    CriticalSection* m_imageLock = nullptr;
    int m_timeMs = 0;
    Clock m_clock;
    bool m_fileFinished = false;

    // The intake, under the image lock: whether TakeFrame queues, the ids of frames stamped by
    // the recorder, and its work buffers for the depths that GDI converts (a 24-bit and an
    // 8-bit one).
    bool m_intakeOpen = false;
    uint64_t m_nextStampedId = 0;
    std::atomic<bool> m_imageChanged{false}; // set by the intake, read by Run
    std::unique_ptr<ImageBuffer> m_color, m_gray;

    // The recorder thread's own while Run is under way: when a pre-event recording's first frame
    // came.
    bool m_sessionStarted = false;
    uint32_t m_sessionStart = 0;
};
