// Image files and recording: what the recorder thread does, from opening the AVI to finishing it.
#pragma once

#include "device/UniqueHandle.h"
#include "files/AviWriter.h"

#include <windows.h>

#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class ImageBuffer;

// One per camera object. The camera object opens a recording with Open and runs Run on a thread
// of its own; the acquisition engine sets the new-frame flag after every output image; stopping
// acquisition clears the run flag and waits for the thread.
//
// Run looks at the new-frame flag at least every 10 ms, and at once when the acquisition engine
// calls FrameMade; it converts the newest output image to a bottom-up 24-bit frame of its own
// under the image lock, and appends that after leaving the lock. When the time, counted from the
// first frame, is up, or the run flag is cleared, or the acquisition under it ends, or the output
// image changes its size or depth, or the file cannot take a frame, it writes the indexes and the
// measured rate, closes the file and clears the run flag: every recording ends as a valid AVI
// file holding every frame it took, and Run says why it ended.
//
// Shared state: the run flag is set by the caller's thread before the thread starts and cleared
// by either side; the new-frame flag is set by the acquisition thread and cleared here, both under
// the image lock, so that each output image is recorded at most once. The writer and the work
// buffers belong to the thread while it runs; Open must not be called while a Run is under way.
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
    };

    AviRecorder();
    ~AviRecorder(); // out of line: the work buffers' type is complete only there
    AviRecorder(const AviRecorder&) = delete;
    AviRecorder& operator=(const AviRecorder&) = delete;

    // Takes the frame size and depth from the output image under `imageLock`, then creates the
    // file and writes its header. The recording lasts `timeMs` from its first frame; a negative
    // time ends it with the first frame. `imageLock` and `source` must outlive the Run.
    OpenResult Open(const FilePath& path, int timeMs, CRITICAL_SECTION& imageLock,
                    ImageSource source);
    // The recorder thread's body; returns with the file finished and `runFlag` cleared, and
    // says why. `acquisitionRunFlag`, when given, is the run flag of the acquisition that makes
    // the images: when it drops to 0 under a running recording, no image will come any more and
    // the file is finished at once.
    End Run(std::atomic<int>& runFlag, std::atomic<int>& newFrame,
            const std::atomic<int>* acquisitionRunFlag = nullptr);
    // Closes a file left open by an Open without a Run. Not while Run is under way.
    void Abandon() { m_avi.Reset(); }
    // Called by the acquisition engine after it sets the new-frame flag. Waking the thread at
    // once, rather than at its next 10 ms round, lets it take the image before the engine
    // starts on the next one: at 25 frames per second a late round would skip frames.
    void FrameMade() const;

    // Frames appended by the current or last recording.
    uint32_t FramesRecorded() const { return m_framesRecorded.load(); }
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
    // Converts the output image into a 24-bit bottom-up frame; null when the image is gone or no
    // longer has the size and depth the recording started with.
    const uint8_t* ConvertFrame(const ImageBuffer* image);
    bool FinishFile(uint32_t lastFrameTime);
    // Why the loop should stop before the next round, or kTime when it should go on.
    bool ShouldStop(const std::atomic<int>& runFlag, const std::atomic<int>* acquisitionRunFlag,
                    End& why) const;

    AviWriter m_avi;
    UniqueHandle m_frameMade; // auto-reset; without it the thread just polls
    std::atomic<uint32_t> m_framesRecorded{0};
    CRITICAL_SECTION* m_imageLock = nullptr;
    ImageSource m_source;
    int m_timeMs = 0;
    uint64_t m_nextFileLimit = UINT64_MAX;
    Clock m_clock = [] { return static_cast<uint32_t>(timeGetTime()); };
    bool m_fileFinished = false;

    // The recorder thread's own while Run is under way.
    bool m_started = false; // a first frame was recorded
    uint32_t m_startTime = 0;
    std::unique_ptr<ImageBuffer> m_firstColor, m_secondColor, m_gray;
};
