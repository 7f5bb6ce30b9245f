// Camera object: the acquisition owner, the one home of the acquisition state and of its rules:
// which start may run in which state, how a change reaches a running acquisition, and the
// worker and recorder threads with their run flags.
#pragma once

#include <windows.h>

#include "camera/ChangePolicy.h"
#include "device/UniqueHandle.h"

#include <atomic>
#include <functional>
#include <initializer_list>

class CTravik;

// What the camera is doing. Only the owner holds it; exports ask the owner.
enum class AcquisitionState { Idle, Previewing, Capturing, Triggered };

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
// flag's accessors and WaitBetweenFrames, which the worker uses.
class AcquisitionOwner {
  public:
    explicit AcquisitionOwner(CTravik& camera);
    AcquisitionOwner(const AcquisitionOwner&) = delete;
    AcquisitionOwner& operator=(const AcquisitionOwner&) = delete;

    // ---- What an export needs ----
    // Whether acquisition is in `state`. Like Require, it first ends the state of a worker that
    // stopped by itself (the camera was lost), so that a start begins from idle.
    bool Is(AcquisitionState state);
    // A start's precondition: true when acquisition is in one of `states`; otherwise the call is
    // refused: code 1 is reported and the answer is false.
    template <class... States> bool Require(States... states) { return RequireOneOf({states...}); }
    // Makes a change as `policy` says, idle at once. `apply` returns 1, or 0 after reporting.
    // `check`, when given, runs first while acquisition runs: a change that it refuses (0, after
    // reporting) stops nothing. A refused change has changed nothing, and what ran before runs
    // again. 1 when applied (and acquisition running again), else 0.
    int Change(ChangePolicy policy, const std::function<int()>& apply,
               const std::function<int()>& check = nullptr);
    // A change of what a running worker draws into (the preview window): while no worker runs,
    // `apply` alone, at once; otherwise, as a Restart, the worker is stopped, `apply` and then
    // `moveWorker` run, and the worker starts again.
    int ChangeWorkerTarget(const std::function<int()>& apply,
                           const std::function<int()>& moveWorker);

    // ---- Starts and the stop ----
    // Called by a start once what the state needs is running.
    void Enter(AcquisitionState state);
    // Sets the run flag to Run and starts the worker running `loop`; false, with nothing left
    // open, when its thread or done event could not be made.
    bool StartWorker(std::function<void()> loop);
    // Sets the recording's run flag and starts the recorder thread running `body`; false, with
    // the flag cleared and nothing left open, when it could not start.
    bool StartRecorder(std::function<void()> body);
    // Clears both run flags, wakes the worker, stops the camera's side of a running acquisition
    // (CTravik::StopDeviceAcquisition), waits for the worker and then for the recorder. Harmless
    // in any state and without a device object.
    void Stop();
    // Clears the recording's run flag, waits without limit for the recorder thread to end and
    // closes its handles; harmless when none runs.
    void StopRecorder();

    // ---- The format dialog ----
    // Stops preview or capture and pauses trigger mode while the dialog is open; what ran.
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
    // Ends the state of a worker that stopped by itself.
    void Settle();
    bool RecorderRuns() const;
    int Restart(const std::function<int()>& apply, const std::function<int()>& check);
    AcquisitionState Pause();
    int Resume(AcquisitionState state);

    CTravik& m_camera;
    // Written by exports only, which run one at a time under the export lock.
    AcquisitionState m_acqState = AcquisitionState::Idle;
    // RunFlag values. Written by the caller's thread, read by the worker; the worker writes Stop
    // only when the camera is lost.
    std::atomic<int> m_runFlag{0};
    // Cleared by a stop and by the recorder as it ends.
    std::atomic<int> m_recordRunFlag{0};
    // Trigger mode was paused by a dialog when a change stopped it: the restart pauses it again.
    bool m_resumePaused = false;
    // Set to end the worker's wait between frames at once; manual-reset.
    UniqueHandle m_stopEvent;
    Thread m_worker;
    Thread m_recorder;
};
