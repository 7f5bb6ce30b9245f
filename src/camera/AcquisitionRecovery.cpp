// Camera object: the acquisition owner's wait for a lost camera: the worker that lost it looks at
// the device path ten times a second, takes the camera back when it returns and goes on.
#include "camera/AcquisitionOwner.h"

#include "camera/Travik.h"
#include "sensor/Travik380TZ4RDXSdk.h"

#include <algorithm>

using enum AcquisitionState;

namespace {
// How often the device path is looked at while the camera is away: a failed open ten times a
// second costs next to nothing, and a camera that returns is seen within this time.
constexpr DWORD kLookIntervalMs = 100;
// A camera that is there but could not be started again is tried less and less often.
constexpr DWORD kLongestLookIntervalMs = 3200;
} // namespace

// The waiting worker's turn among the camera's exports: the export lock, or nothing when a stop
// came first. A stop holds the lock while it waits for the worker, and sets the stop event
// before that wait, so the worker never waits for a lock that is waiting for it.
class AcquisitionOwner::ExportTurn {
  public:
    ExportTurn(HANDLE exportLock, HANDLE stopEvent) {
        const HANDLE waits[2] = {stopEvent, exportLock};
        // With both signalled the stop wins: it is first.
        const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        if (woke == WAIT_OBJECT_0 + 1 || woke == WAIT_ABANDONED_0 + 1) m_lock = exportLock;
    }
    ~ExportTurn() {
        if (m_lock) ReleaseMutex(m_lock);
    }
    ExportTurn(const ExportTurn&) = delete;
    ExportTurn& operator=(const ExportTurn&) = delete;
    explicit operator bool() const { return m_lock != nullptr; }

  private:
    HANDLE m_lock = nullptr;
};

void AcquisitionOwner::SetRecovery(bool on) {
    m_recoveryOn = on;
    // What the wait would have resumed ends as a stop would have ended it.
    if (!on && m_acqState == WaitingForCamera) Stop();
}

AcquisitionOwner::RecoveryCounts AcquisitionOwner::Counts() const {
    return m_counts;
}

bool AcquisitionOwner::CameraLost(AcquisitionState running) {
    if (!m_recoveryOn.load()) {
        // The flag goes first: a recording that ends with the worker finds the loss told.
        SetFlag(RunFlag::Stop);
        // The stream ends, and its next grab tells the loss.
        if (running == Streaming) m_camera.LoseStream();
        else m_camera.ReportDeviceLost();
        return false;
    }
    // A stream's loss is told by its next grab, as without recovery.
    if (running == Streaming) m_camera.TellStreamOfLoss();
    else m_camera.ReportDeviceLost();
    return BeginWaiting(running) && WatchForCamera();
}

bool AcquisitionOwner::WaitForCameraInstead(AcquisitionState state) {
    // Only a start that failed because the camera is gone, and only what a worker runs.
    const bool threaded = state == Previewing || state == Triggered;
    if (!m_recoveryOn.load() || !m_camera.m_deviceLost.load() || !threaded) return false;
    EnterWaiting(state);
    const bool started = StartWorker([this, state] {
        if (!WatchForCamera()) return;
        if (state == Triggered) m_camera.TriggerLoop();
        else m_camera.PreviewLoop(false);
    });
    if (!started) m_acqState = Idle;
    return started;
}

bool AcquisitionOwner::WatchForCamera() {
    bool otherCameraTold = false;
    DWORD interval = kLookIntervalMs;
    while (WaitForSingleObject(m_stopEvent.get(), interval) == WAIT_TIMEOUT) {
        ExportTurn turn(m_camera.m_controlLock.get(), m_stopEvent.get());
        if (!turn) return false;
        switch (LookForCamera(otherCameraTold)) {
        case Look::Back:
            return true;
        case Look::NotReady:
            interval = std::min(interval * 2, kLongestLookIntervalMs);
            break;
        case Look::Away:
            interval = kLookIntervalMs;
            break;
        case Look::OtherCamera:
            break;
        }
    }
    return false;
}

void AcquisitionOwner::EnterWaiting(AcquisitionState running) {
    m_resumeState = running;
    m_acqState = WaitingForCamera;
    ++m_counts.losses;
}

bool AcquisitionOwner::BeginWaiting(AcquisitionState running) {
    ExportTurn turn(m_camera.m_controlLock.get(), m_stopEvent.get());
    if (!turn) return false;
    EnterWaiting(running);
    m_camera.StopTransferAfterLoss();
    // A recording is not resumed: its file is finished now, and the loss was told already.
    StopRecorder();
    return true;
}

AcquisitionOwner::Look AcquisitionOwner::LookForCamera(bool& otherCameraTold) {
    if (!m_camera.m_device->IsDeviceReachable()) {
        otherCameraTold = false; // a camera that comes next is looked at afresh
        return Look::Away;
    }
    switch (m_camera.MatchReturnedCamera()) {
    case CTravik::CameraMatch::Other:
        // Never programmed: it may be another application's camera. Told once per appearance.
        if (!otherCameraTold) {
            ++m_counts.otherCameras;
            m_camera.PostRecoveryNotice(RecoveryEvent::OtherCamera, m_counts.otherCameras);
        }
        otherCameraTold = true;
        return Look::OtherCamera;
    case CTravik::CameraMatch::Unreadable:
        return Look::NotReady;
    case CTravik::CameraMatch::Same:
        break;
    }
    if (!RestartAfterReturn(m_resumeState)) {
        // Still lost, and not told again: the next try starts the camera from its power-up.
        m_camera.m_deviceLost = 1;
        return Look::NotReady;
    }
    m_acqState = m_resumeState;
    // The stream's first frame after the return says that frames were lost with the camera.
    if (m_acqState == Streaming) m_camera.MarkStreamResumed();
    ++m_counts.recoveries;
    m_camera.PostRecoveryNotice(RecoveryEvent::Resumed, m_counts.recoveries);
    return Look::Back;
}

// The camera powered up when it came back: the start-up, every setting and the acquisition that
// ran, on the worker's thread, which goes on with its loop.
int AcquisitionOwner::RestartAfterReturn(AcquisitionState state) {
    switch (state) {
    case Previewing:
    case Streaming:
        if (m_camera.StartTransferring() != 0) return 0;
        m_camera.ClaimOwnerAgain();
        return 1;
    case Triggered:
        return m_camera.ArmTrigger();
    default:
        return 0;
    }
}
