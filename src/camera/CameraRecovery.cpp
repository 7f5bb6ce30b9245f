// Camera object: automatic recovery's parts of the camera: turning it on, telling the application,
// knowing the lost camera again by its serial, and setting up a camera that powered up again.
#include "camera/Travik.h"
#include "sensor/Travik380TZ4RDXSdk.h"

#include <cstring>

static_assert(static_cast<int>(RecoveryEvent::Resumed) == TRAVIK_RECOVERY_RESUMED);
static_assert(static_cast<int>(RecoveryEvent::OtherCamera) == TRAVIK_RECOVERY_OTHER_CAMERA);

namespace {
// The serial's place in the serial ROM: bytes 16 to 31 of the identification area.
constexpr int kSerialAddress = 0x1810;
constexpr int kSerialBytes = 16;
constexpr UINT kLastMessage = 0xFFFF;
} // namespace

int CTravik::SetRecovery(const TravikRecoveryOptions* options) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    if (!options || options->size < sizeof(TravikRecoveryOptions) || options->enabled > 1)
        return ReportError(ERR_PARAMETER), 0;
    // A system message would make the application's window do something it was never asked to.
    const UINT message = options->message;
    if (message != 0 && (message < WM_USER || message > kLastMessage))
        return ReportError(ERR_PARAMETER), 0;
    m_recoveryMessage = message != 0 ? message : WM_CAMERA_RECOVERY;
    const bool on = options->enabled != 0;
    // The camera that is there now is the one to wait for after a loss.
    if (on && !m_acquisition.RecoveryOn()) {
        ForgetCameraSerial();
        LearnCameraSerial();
    }
    m_acquisition.SetRecovery(on);
    return 1;
}

int CTravik::GetRecoveryStatus(TravikRecoveryStatus* status) {
    if (!status || status->size < sizeof(TravikRecoveryStatus))
        return ReportError(ERR_PARAMETER), 0;
    const AcquisitionOwner::RecoveryCounts counts = m_acquisition.Counts();
    status->enabled = m_acquisition.RecoveryOn() ? 1 : 0;
    status->waiting = m_acquisition.IsWaitingForCamera() ? 1 : 0;
    status->losses = counts.losses;
    status->recoveries = counts.recoveries;
    status->otherCameras = counts.otherCameras;
    std::memset(status->serial, 0, sizeof(status->serial));
    if (m_serialKnown)
        std::strncpy(status->serial, m_cameraSerial.c_str(), sizeof(status->serial) - 1);
    return 1;
}

void CTravik::PostRecoveryNotice(RecoveryEvent event, unsigned count) {
    const WPARAM what = static_cast<WPARAM>(event);
    if (m_notifyWindow) PostMessageA(m_notifyWindow, m_recoveryMessage, what, count);
    if (m_appWindow && m_appWindow != m_notifyWindow)
        PostMessageA(m_appWindow, m_recoveryMessage, what, count);
    // A window that takes the stream's frames hears of the return too.
    const HWND streamWindow = m_streamRequest.notifyWindow;
    if (m_framePool.IsOpen() && streamWindow && streamWindow != m_notifyWindow &&
        streamWindow != m_appWindow)
        PostMessageA(streamWindow, m_recoveryMessage, what, count);
}

std::optional<std::string> CTravik::ReadCameraSerial() {
    std::string serial;
    for (int i = 0; i < kSerialBytes; ++i) {
        std::uint8_t byte = 0;
        if (!m_device->ReadRomByte(kSerialAddress + i, &byte)) return std::nullopt;
        // The text ends at its terminator, or where an erased ROM holds 0xFF.
        if (byte < 0x20 || byte > 0x7E) break;
        serial.push_back(static_cast<char>(byte));
    }
    return serial;
}

void CTravik::LearnCameraSerial() {
    if (m_serialKnown) return;
    if (std::optional<std::string> serial = ReadCameraSerial()) {
        m_cameraSerial = std::move(*serial);
        m_serialKnown = true;
    }
}

CTravik::CameraMatch CTravik::MatchReturnedCamera() {
    // Without a serial to compare, the device number is all that tells the camera.
    if (!m_serialKnown || m_cameraSerial.empty()) return CameraMatch::Same;
    const std::optional<std::string> serial = ReadCameraSerial();
    if (!serial) return CameraMatch::Unreadable;
    return *serial == m_cameraSerial ? CameraMatch::Same : CameraMatch::Other;
}

void CTravik::RestoreAfterPowerUp() {
    const CTravik380TZ4RDXSdk::RegisterImage before = m_device->SaveRegisters();
    // The sensor is stopped after the power-up: it is started once, at the clock it had, after
    // the clock's own settling time.
    int clock = 0;
    m_device->GetClock(&clock);
    if (clock != m_clock && m_device->WriteClock(m_clock)) Sleep(100);
    m_device->StartSensor();
    // What the application or a setting wrote beyond the start-up (the exposure mode, registers
    // written directly), then the settings, which may have changed while the camera was away.
    m_device->RestoreRegisters(before);
    ApplySensorSettings();
    if (m_ioPort >= 0) m_device->WriteControllerRegister(CTRL_IO_PORT, m_ioPort);
}

void CTravik::StopTransferAfterLoss() {
    m_device->StopTransfer();
    m_device->CloseGrabHandle();
}

void CTravik::ClaimOwnerAgain() {
    const int device = m_device->GetDeviceNumber();
    // Another device number was selected while the camera was away.
    if (m_claimedDevice >= 0 && m_claimedDevice != device) ReleaseOwner(m_claimedDevice);
    ClaimOwner(device);
}
