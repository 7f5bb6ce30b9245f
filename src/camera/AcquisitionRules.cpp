// Camera object: the one home of the acquisition-state rules. Which call may run in which state,
// and how a change that acquisition depends on is made while frames flow, is decided here.
//
// The rule every export keeps: no export frees, resizes or closes anything that the worker, the
// transfer thread or a pending read may be using. Exports of one camera run one at a time (the
// control lock below), so the only other users of the buffers, the device geometry and the grab
// handle are the worker and the transfer thread; a change to what they use is made only after
// both have ended, and acquisition is then started again in the state it was in.
#include "camera/ImageLock.h"
#include "camera/Travik.h"
#include "sensor/Travik380TZ4RDXSdk.h"

CTravik::ExportScope::ExportScope(CTravik& camera) : m_camera(camera) {
    HANDLE lock = camera.m_controlLock.get();
    // Messages sent to this thread's windows are answered while it waits: the holder may be
    // creating or destroying a window whose parent belongs to this thread.
    for (;;) {
        const DWORD wait = MsgWaitForMultipleObjects(1, &lock, FALSE, INFINITE, QS_SENDMESSAGE);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED_0 || wait == WAIT_FAILED) break;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

CTravik::ExportScope::~ExportScope() {
    ReleaseMutex(m_camera.m_controlLock.get());
}

bool CTravik::WorkerEnded() const {
    return m_workerDone && WaitForSingleObject(m_workerDone.get(), 0) == WAIT_OBJECT_0;
}

void CTravik::SettleAcquisitionState() {
    // A worker that ended by itself (the camera was lost) leaves its state behind; stopping
    // it here lets the next start begin from idle, as after a stop.
    const bool threaded = m_acqState == kPreviewing || m_acqState == kTriggered;
    if (threaded && WorkerEnded()) StopPreview();
}

bool CTravik::RecordingRuns() const {
    return m_recordThread && WaitForSingleObject(m_recordDone.get(), 0) != WAIT_OBJECT_0;
}

int CTravik::PauseAcquisition() {
    SettleAcquisitionState();
    const int state = m_acqState;
    if (state == kIdle) return kIdle;
    // A dialog's pause of trigger mode survives the restart, and a stream's pool, with its queue,
    // counts and the frames held, stays open through it.
    m_resumePaused = m_runFlag.load() == 2;
    m_keepStreamOpen = true;
    StopPreview();
    m_keepStreamOpen = false;
    m_device->CloseGrabHandle();
    return state;
}

int CTravik::ResumeAcquisition(int state) {
    switch (state) {
    case kPreviewing:
        return StartPreview();
    case kCapturing:
        return Capture();
    case kStreaming:
        return RunStream();
    case kTriggered: {
        const int started = Trigger(m_notifyWindow, m_userBuffer, m_userLength, m_rowOrder);
        if (started && m_resumePaused) m_runFlag = 2;
        return started;
    }
    default:
        return 1;
    }
}

int CTravik::ChangeAcquisition(const std::function<int()>& apply) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    // A recording's file has one frame size and format: a change under it is refused.
    if (RecordingRuns()) return ReportError(ERR_UNAVAILABLE), 0;
    const int state = PauseAcquisition();
    const int applied = apply();
    // A refused change has changed nothing: what ran before runs again.
    const int resumed = ResumeAcquisition(state);
    return applied && resumed ? 1 : 0;
}

void CTravik::ChangeUnderImageLock(const std::function<void()>& apply) {
    ImageLock lock(m_imageLock);
    apply();
}
