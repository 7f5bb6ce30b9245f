// Image files and recording: the recorder thread that appends the camera's output images to an AVI.
#pragma once

#include "device/UniqueHandle.h"
#include "files/AviWriter.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class ImageBuffer;

// One per camera object. The acquisition engine calls OnNewFrame after every output image; the
// recorder thread polls for it every 10 ms, converts the newest output image to a bottom-up
// 24-bit frame under the image lock and appends it. When the time, counted from the first frame,
// is up, the thread writes the index and the measured rate and closes the file.
//
// Shared state: m_recording is written by the caller's thread (Start, Stop) and cleared by the
// recorder thread when the time is up; m_newFrame is set by the acquisition thread and cleared
// by the recorder thread; a lost or repeated wake-up only moves a frame to the next round.
// Everything else belongs to the recorder thread while it runs; Start and Stop touch it only
// when no thread runs.
class AviRecorder {
  public:
    // The camera's current output image; called with the image lock held, may give null.
    using ImageSource = std::function<const ImageBuffer*()>;

    enum class StartResult {
        kStarted,
        kBusy,         // a recording is running: it goes on untouched
        kNoImage,      // no output image to take the frame size from
        kFileFailed,   // the AVI file could not be created
        kThreadFailed, // the event or the thread could not be created
    };

    AviRecorder() = default;
    // Ends a running recording and finishes its file.
    ~AviRecorder() { Stop(); }
    AviRecorder(const AviRecorder&) = delete;
    AviRecorder& operator=(const AviRecorder&) = delete;

    // Takes the frame size and depth from the output image (under `imageLock`), creates the file
    // and starts the thread. `timeMs` counts from the first frame; a negative time ends the
    // recording with its first frame. `imageLock` and `source` must outlive the recording.
    StartResult Start(const char* path, int timeMs, CRITICAL_SECTION& imageLock,
                      ImageSource source);
    // Ends the recording, if one runs, after the thread's current round, and waits for the thread
    // without a time-out: the file is finished as a valid AVI with the frames it has. Then closes
    // the thread's handles. Harmless when idle. Must not be called with the image lock held.
    void Stop();

    void OnNewFrame() { m_newFrame.store(1); }
    bool IsRecording() const { return m_recording.load() != 0; }
    // Frames appended by the current or last recording.
    uint32_t FramesRecorded() const { return m_framesRecorded.load(); }

  private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();
    // Converts the output image into a 24-bit bottom-up frame; null when the image is gone or no
    // longer has the size and depth the recording started with.
    const uint8_t* ConvertFrame(const ImageBuffer* image);
    void FinishFile(uint32_t lastFrameTime);

    AviWriter m_avi;
    std::atomic<int> m_recording{0};
    std::atomic<int> m_newFrame{0};
    std::atomic<uint32_t> m_framesRecorded{0};
    UniqueHandle m_thread;
    UniqueHandle m_doneEvent;

    // Set by Start before the thread exists; read by the thread.
    CRITICAL_SECTION* m_imageLock = nullptr;
    ImageSource m_source;
    int m_timeMs = 0;

    // The recorder thread's own.
    bool m_started = false; // a first frame was recorded
    uint32_t m_startTime = 0;
    std::unique_ptr<ImageBuffer> m_firstColor, m_secondColor, m_gray;
};
