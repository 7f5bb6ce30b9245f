// Camera object: the acquisition owner, the one home of the acquisition state and of its rules:
// which start may run in which state, how a change reaches a running acquisition, the worker and
// recorder threads with their run flags, and the wait for a lost camera to come back.
#pragma once

#include <windows.h>

#include "camera/ChangePolicy.h"
#include "support/UniqueHandle.h"

#include <atomic>
#include <functional>
#include <initializer_list>

class CTravik;

// What the camera is doing. Only the owner holds it; exports ask the owner. WaitingForCamera:
// preview, trigger mode or the frame stream lost its camera and, with automatic recovery on, its
// worker waits for the camera to come back to go on; to the exports it counts as the state it
// will resume.
enum class AcquisitionState { Idle, Previewing, Capturing, Triggered, Streaming, WaitingForCamera };

// What a lost camera's worker tells the application about the wait.
enum class RecoveryEvent { Resumed = 1, OtherCamera = 2 };

// The worker's run flag: Run makes frames, Pause idles (trigger mode while a settings dialog is
// open), Stop ends the worker's loop.
enum class RunFlag : int { Stop = 0, Run = 1, Pause = 2 };

// The rule every export keeps: no export frees, resizes or closes anything that the worker, the
// transfer thread or a pending read may be using. Exports of one camera run one at a time (the
// export lock), so the only other users of the buffers, the device geometry and the grab handle
// are the worker and the transfer thread; a change to what they use is made only after both
// have ended, and acquisition is then started again in the state it was in.
//
// Every member function runs on the caller's thread with the export lock held, but the run
// flag's accessors, WaitBetweenFrames and CameraLost, which the worker uses. The worker that waits
// for a lost camera takes the export lock like an export whenever it looks at or changes the
// camera, so the state and the settings have one writer at a time.
class AcquisitionOwner {
  public:
    explicit AcquisitionOwner(CTravik& camera);
    AcquisitionOwner(const AcquisitionOwner&) = delete;
    AcquisitionOwner& operator=(const AcquisitionOwner&) = delete;

    // ---- What an export needs ----
    // Whether acquisition is in `state`, or waits for its camera to resume `state`. Like Require,
    // it first ends the state of a worker that stopped by itself (the camera was lost and
    // recovery is off), so that a start begins from idle.
    bool Is(AcquisitionState state);
    // A start's precondition: true when acquisition is in (or waits to resume) one of `states`;
    // otherwise the call is refused: code 1 is reported and the answer is false.
    template <class... States> bool Require(States... states) { return RequireOneOf({states...}); }
    // Makes a change as `policy` says, idle (or waiting for the camera) at once. `apply` returns
    // 1, or 0 after reporting.
    // `check`, when given, runs first while acquisition runs: a change that it refuses (0, after
    // reporting) stops nothing. A refused change has changed nothing, and what ran before runs
    // again. 1 when applied (and acquisition running again), else 0.
    int Change(ChangePolicy policy, const std::function<int()>& apply,
               const std::function<int()>& check = nullptr);
    // A change of what a running worker draws into (the preview window): while no worker runs,
    // `apply` alone, at once; while the worker waits for its camera, `apply` and `moveWorker` at
    // once; otherwise, as a Restart, the worker is stopped, `apply` and then `moveWorker` run,
    // and the worker starts again.
    int ChangeWorkerTarget(const std::function<int()>& apply,
                           const std::function<int()>& moveWorker);

    // ---- Starts and the stop ----
    // Called by a start once what the state needs is running.
    void Enter(AcquisitionState state);
    // The frame stream lives longer than its worker: a restart for a change, or a format dialog,
    // pauses it with its pool open, and only a stop, or a start of something else in its place,
    // ends it (CTravik::EndStream).
    bool IsStreamPaused() const { return m_streamPaused; }
    // Sets the run flag to Run and starts the worker running `loop`; false, with nothing left
    // open, when its thread or done event could not be made.
    bool StartWorker(std::function<void()> loop);
    // Sets the recording's run flag and starts the recorder thread running `body`; false, with
    // the flag cleared and nothing left open, when it could not start.
    bool StartRecorder(std::function<void()> body);
    // Clears both run flags, wakes the worker (a wait for a lost camera ends), stops the camera's
    // side of a running acquisition (CTravik::StopDeviceAcquisition), waits for the worker and
    // then for the recorder. Harmless in any state and without a device object.
    void Stop();
    // Clears the recording's run flag, waits without limit for the recorder thread to end and
    // closes its handles; harmless when none runs.
    void StopRecorder();

    // ---- Automatic recovery after a loss of the camera ----
    // On: a worker that loses its camera waits for it to come back and goes on. Off (the
    // default): the worker ends, as a stop would, and the application starts again. Turned off
    // while a worker waits, acquisition stops.
    void SetRecovery(bool on);
    bool RecoveryOn() const { return m_recoveryOn.load(); }
    // The worker's answer to a lost camera (the loss is told here, once): with recovery off the
    // run flag becomes Stop and the answer is false; with it on, the worker waits on its own
    // thread until the camera is back, set up as before and `running` (Previewing or Triggered)
    // goes on (true), or until a stop (false). Worker thread only.
    bool CameraLost(AcquisitionState running);
    struct RecoveryCounts {
        unsigned losses = 0;       // waits begun
        unsigned recoveries = 0;   // waits ended by the camera's return
        unsigned otherCameras = 0; // cameras with another serial seen at the device number
    };
    RecoveryCounts Counts() const;
    bool IsWaitingForCamera() const { return m_acqState == AcquisitionState::WaitingForCamera; }

    // ---- The format dialog ----
    // Stops preview or capture, pauses trigger mode and the stream while the dialog is open;
    // what ran.
    AcquisitionState SuspendForDialog();
    // Ends trigger mode's pause, runs `reload` (when given) as a Restart change around whatever
    // runs now, and starts again what the dialog stopped unless acquisition runs meanwhile.
    void ResumeAfterDialog(AcquisitionState suspended, const std::function<int()>& reload);

    // ---- The worker's and the recorder's view ----
    RunFlag Flag() const { return static_cast<RunFlag>(m_runFlag.load()); }
    void SetFlag(RunFlag flag) { m_runFlag.store(static_cast<int>(flag)); }
    // The worker's wait between frames: `ms`, or less when a stop comes.
    void WaitBetweenFrames(DWORD ms) const;
    // Whether a recording was started and has not ended.
    bool IsRecording() const { return m_recordRunFlag.load() != 0; }
    // The flags as the recorder reads them: its own (which it clears when it ends), and the
    // worker's, which is 0 exactly when it is Stop.
    std::atomic<int>& RecordRunFlag() { return m_recordRunFlag; }
    const std::atomic<int>& RunFlagWord() const { return m_runFlag; }

  private:
    // A thread of the camera with the manual-reset event it sets as its last act.
    struct Thread {
        std::function<void()> body;
        UniqueHandle handle;
        UniqueHandle done;
        DWORD id = 0;
    };
    static DWORD WINAPI ThreadMain(void* thread);
    static bool Start(Thread& thread, std::function<void()> body);
    static void Join(Thread& thread);
    static bool Ended(const Thread& thread);

    bool RequireOneOf(std::initializer_list<AcquisitionState> states);
    // The state an export sees: a wait counts as the state it will resume.
    AcquisitionState SeenState() const;
    // Ends the state of a worker that stopped by itself.
    void Settle();
    bool RecorderRuns() const;
    int Restart(const std::function<int()>& apply, const std::function<int()>& check);
    AcquisitionState Pause();
    // Stops acquisition but keeps a running stream's pool open, for a Resume.
    void StopKeepingStream();
    // Starts `state` again after a stop for a change or a dialog; a camera lost meanwhile is
    // waited for, with recovery on.
    int Resume(AcquisitionState state);
    int StartAgain(AcquisitionState state);

    // ---- The wait for a lost camera (AcquisitionRecovery.cpp), on the worker's thread ----
    class ExportTurn;
    // Enters WaitingForCamera: the transfer stopped, a recording ended. False when a stop came.
    bool BeginWaiting(AcquisitionState running);
    void EnterWaiting(AcquisitionState running);
    // A restart of `state` that failed because the camera went away meanwhile: with recovery on,
    // a worker waits for the camera as if it had been lost while running. Export thread.
    bool WaitForCameraInstead(AcquisitionState state);
    // Looks for the camera until it is back and `m_resumeState` runs again (true) or a stop
    // (false). Worker thread.
    bool WatchForCamera();
    // One look at the device path, under the export lock: true once acquisition runs again.
    enum class Look { Away, Back, OtherCamera, NotReady };
    Look LookForCamera(bool& otherCameraTold);
    int RestartAfterReturn(AcquisitionState state);

    CTravik& m_camera;
    // Written under the export lock only: by exports, which run one at a time, and by a worker
    // that waits for its lost camera.
    AcquisitionState m_acqState = AcquisitionState::Idle;
    // RunFlag values. Written by the caller's thread, read by the worker; the worker writes Stop
    // only when the camera is lost.
    std::atomic<int> m_runFlag{0};
    // Cleared by a stop and by the recorder as it ends.
    std::atomic<int> m_recordRunFlag{0};
    // Trigger mode was paused by a dialog when a change stopped it: the restart pauses it again.
    bool m_resumePaused = false;
    // A stream stopped for a restart or a dialog, its pool open; and a stop under way that keeps
    // it so.
    bool m_streamPaused = false;
    bool m_keepingStream = false;
    // What a wait for the camera resumes; meaningful in WaitingForCamera only.
    AcquisitionState m_resumeState = AcquisitionState::Idle;
    // Written by exports; read by the worker when it loses its camera.
    std::atomic<bool> m_recoveryOn{false};
    // Written under the export lock by the waiting worker; read by exports.
    RecoveryCounts m_counts;
    // Set to end the worker's wait between frames, or for a lost camera, at once; manual-reset.
    UniqueHandle m_stopEvent;
    Thread m_worker;
    Thread m_recorder;
};
