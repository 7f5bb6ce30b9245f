// Camera object: the acquisition owner: which call may run in which state, how a change that
// acquisition depends on is made while frames flow, and the worker and recorder threads.
#include "camera/AcquisitionOwner.h"

#include "camera/ImageLock.h"
#include "camera/Travik.h"
#include "sensor/Travik380TZ4RDXSdk.h"

#include <algorithm>
#include <utility>

using enum AcquisitionState;

AcquisitionOwner::AcquisitionOwner(CTravik& camera) : m_camera(camera) {
    m_stopEvent.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
}

bool AcquisitionOwner::Is(AcquisitionState state) {
    Settle();
    return m_acqState == state;
}

bool AcquisitionOwner::RequireOneOf(std::initializer_list<AcquisitionState> states) {
    Settle();
    if (std::find(states.begin(), states.end(), m_acqState) != states.end()) return true;
    m_camera.ReportError(ERR_UNAVAILABLE);
    return false;
}

int AcquisitionOwner::Change(ChangePolicy policy, const std::function<int()>& apply,
                             const std::function<int()>& check) {
    switch (policy) {
    case ChangePolicy::Live:
        return apply();
    case ChangePolicy::BetweenFrames: {
        ImageLock lock(m_camera.m_imageLock);
        return apply();
    }
    case ChangePolicy::Restart:
        return Restart(apply, check);
    }
    return 0;
}

int AcquisitionOwner::ChangeWorkerTarget(const std::function<int()>& apply,
                                         const std::function<int()>& moveWorker) {
    Settle();
    if (m_acqState != Previewing && m_acqState != Triggered) return apply();
    return Restart([&] { return apply() && moveWorker() ? 1 : 0; }, nullptr);
}

int AcquisitionOwner::Restart(const std::function<int()>& apply,
                              const std::function<int()>& check) {
    Settle();
    if (m_acqState == Idle) return apply();
    if (check && !check()) return 0;
    // A recording's file has one frame size and format: a change under it is refused.
    if (RecorderRuns()) return m_camera.ReportError(ERR_UNAVAILABLE), 0;
    const AcquisitionState state = Pause();
    const int applied = apply();
    // A refused change has changed nothing: what ran before runs again.
    const int resumed = Resume(state);
    return applied && resumed ? 1 : 0;
}

AcquisitionState AcquisitionOwner::Pause() {
    const AcquisitionState state = m_acqState;
    // A dialog's pause of trigger mode survives the restart.
    m_resumePaused = Flag() == RunFlag::Pause;
    m_camera.StopPreview();
    m_camera.m_device->CloseGrabHandle();
    return state;
}

int AcquisitionOwner::Resume(AcquisitionState state) {
    switch (state) {
    case Previewing:
        return m_camera.StartPreview();
    case Capturing:
        return m_camera.Capture();
    case Triggered: {
        const int started = m_camera.Trigger(m_camera.m_notifyWindow, m_camera.m_userBuffer,
                                             m_camera.m_userLength, m_camera.m_rowOrder);
        if (started && m_resumePaused) SetFlag(RunFlag::Pause);
        return started;
    }
    case Idle:
        return 1;
    }
    return 1;
}

void AcquisitionOwner::Settle() {
    // A worker that ended by itself (the camera was lost) leaves its state behind; stopping it
    // here lets the next start begin from idle, as after a stop.
    const bool threaded = m_acqState == Previewing || m_acqState == Triggered;
    if (threaded && Ended(m_worker)) m_camera.StopPreview();
}

bool AcquisitionOwner::RecorderRuns() const {
    return m_recorder.handle && !Ended(m_recorder);
}

void AcquisitionOwner::Enter(AcquisitionState state) {
    m_acqState = state;
}

bool AcquisitionOwner::StartWorker(std::function<void()> loop) {
    SetFlag(RunFlag::Run);
    ResetEvent(m_stopEvent.get());
    return Start(m_worker, std::move(loop));
}

bool AcquisitionOwner::StartRecorder(std::function<void()> body) {
    // The flag is set before the thread exists, so it sees it from its first round.
    m_recordRunFlag = 1;
    if (Start(m_recorder, std::move(body))) return true;
    m_recordRunFlag = 0;
    return false;
}

void AcquisitionOwner::Stop() {
    // The recording sees its own stop before the acquisition's, so it ends as stopped and never
    // mistakes this stop for a camera that went away under it.
    m_recordRunFlag = 0;
    SetFlag(RunFlag::Stop);
    SetEvent(m_stopEvent.get()); // the worker's wait between frames ends now
    if (m_acqState != Idle) m_camera.StopDeviceAcquisition();
    m_acqState = Idle;
    Join(m_worker);
    // Only the worker runs frames on the strip threads, and it has ended.
    m_camera.StopPipelineThreads();
    StopRecorder();
}

void AcquisitionOwner::StopRecorder() {
    m_recordRunFlag = 0;
    Join(m_recorder);
}

void AcquisitionOwner::WaitBetweenFrames(DWORD ms) const {
    WaitForSingleObject(m_stopEvent.get(), ms);
}

AcquisitionState AcquisitionOwner::SuspendForDialog() {
    Settle();
    const AcquisitionState state = m_acqState;
    if (state == Previewing || state == Capturing) m_camera.StopPreview();
    // The trigger loop only idles: its frames may be waiting for the external trigger.
    if (state == Triggered) SetFlag(RunFlag::Pause);
    return state;
}

void AcquisitionOwner::ResumeAfterDialog(AcquisitionState suspended,
                                         const std::function<int()>& reload) {
    Settle();
    // The dialog's own pause of trigger mode ends with it; a stop meanwhile is kept.
    if (suspended == Triggered && m_acqState == Triggered && Flag() == RunFlag::Pause)
        SetFlag(RunFlag::Run);
    // While the dialog was open, exports on other threads or in this thread's window procedures
    // may have started or changed acquisition: the reload is made like any change acquisition
    // depends on, around whatever runs now (and refused under a recording, whose frames keep
    // their format). A trigger worker that may be reading a frame in the old format ends first.
    if (reload) Restart(reload, nullptr);
    // Preview and capture were stopped for the dialog: they start again unless the application
    // started acquisition of its own meanwhile.
    if (m_acqState != Idle) return;
    if (suspended == Previewing) m_camera.StartPreview();
    if (suspended == Capturing) m_camera.Capture();
}

// ---- Threads ----

DWORD WINAPI AcquisitionOwner::ThreadMain(void* thread) {
    auto* self = static_cast<Thread*>(thread);
    // The body lives on this thread's stack, so the next start may store its own at once.
    const std::function<void()> body = std::move(self->body);
    body();
    // The event is the last thing the thread touches: the camera may be freed once it is set.
    SetEvent(self->done.get());
    return 0;
}

// Makes the thread's done event and starts it. On failure nothing is left behind: a done event
// that no thread will ever set would make the next join wait forever.
bool AcquisitionOwner::Start(Thread& thread, std::function<void()> body) {
    thread.body = std::move(body);
    thread.done.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (thread.done)
        thread.handle.reset(CreateThread(nullptr, 0, &ThreadMain, &thread, 0, &thread.id));
    if (thread.done && thread.handle && thread.id != 0) return true;
    thread.handle.reset();
    thread.done.reset();
    thread.id = 0;
    return false;
}

namespace {
// Waits for `handle` while answering messages sent to this thread's windows: the worker draws
// into a window of this thread, and a drawing call that needs this thread must not hang. The
// wait wakes only for messages sent after the thread last looked at its queue, so those already
// waiting are answered first.
void WaitAnsweringSentMessages(HANDLE handle) {
    do {
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    } while (MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_SENDMESSAGE) ==
             WAIT_OBJECT_0 + 1);
}
} // namespace

// Waits for the thread's done event and its end, then closes both handles.
void AcquisitionOwner::Join(Thread& thread) {
    // Never wait for ourselves: a dialog hook running on that thread may stop acquisition.
    if (thread.id == GetCurrentThreadId()) return;
    if (thread.done) WaitAnsweringSentMessages(thread.done.get());
    if (thread.handle) WaitAnsweringSentMessages(thread.handle.get());
    thread.done.reset();
    thread.handle.reset();
    thread.id = 0;
}

bool AcquisitionOwner::Ended(const Thread& thread) {
    return thread.done && WaitForSingleObject(thread.done.get(), 0) == WAIT_OBJECT_0;
}
