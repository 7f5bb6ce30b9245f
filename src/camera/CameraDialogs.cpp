// Camera object: opening the settings dialogs (format, image filter, analog gain), with
// acquisition stopped or paused around the format dialog.
#include "camera/SettingsBlocks.h"
#include "camera/Travik.h"
#include "dialogs/AnalogGainDialog.h"
#include "dialogs/FilterDialog.h"
#include "dialogs/FormatDialog.h"
#include "sensor/Travik380TZ4RDXSdk.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <iterator>

using namespace settings;

namespace {

// The dialog pointers are read by the acquisition thread while the caller's thread sets them.
void PublishDialog(void*& slot, void* link) { std::atomic_ref<void*>(slot).store(link); }

// The image lock, taken on the caller's thread, which may own the preview window: the worker
// draws into that window while it holds the lock, and a drawing call may wait for this thread
// to answer a message. So the wait answers sent messages instead of blocking on the lock.
class ImageLockAnsweringMessages {
  public:
    explicit ImageLockAnsweringMessages(CRITICAL_SECTION& lock) : m_lock(lock) {
        while (!TryEnterCriticalSection(&m_lock)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_SENDMESSAGE);
            MSG message;
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    ~ImageLockAnsweringMessages() { LeaveCriticalSection(&m_lock); }
    ImageLockAnsweringMessages(const ImageLockAnsweringMessages&) = delete;
    ImageLockAnsweringMessages& operator=(const ImageLockAnsweringMessages&) = delete;

  private:
    CRITICAL_SECTION& m_lock;
};

} // namespace

int CTravik::SetCameraDlg(HWND parentWindow) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    dialogs::FormatDialog dialog(m_device->GetDeviceNumber());
    // Refused before anything changes: acquisition, a recording included, runs on untouched.
    if (!dialog.Claimed()) return ReportError(ERR_UNAVAILABLE), 0;
    const AcquisitionState suspended = SuspendAcquisitionForDialog();
    const INT_PTR result = dialog.Run(parentWindow);
    ResumeAcquisitionAfterDialog(suspended, result == IDOK);
    return 1;
}

int CTravik::SetImageDlg(HWND parentWindow) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    dialogs::FilterDialog dialog(m_imageFilter, dialogs::FilterFlagsForColorMode(m_colorMode));
    // Refused before anything changes: the open dialog keeps its link to the camera.
    if (!dialog.Claimed()) return ReportError(ERR_UNAVAILABLE), 0;
    int saved[kImageFilterEntries];
    {
        // Between two frames, so that the gains saved are those of one white balance, and
        // between two exports, which may be setting filters on another thread.
        ExportScope scope(*this);
        ImageLockAnsweringMessages lock(m_imageLock);
        std::copy(std::begin(m_imageFilter), std::end(m_imageFilter), saved);
    }

    PublishDialog(m_imageDialog, &dialogs::ImageDialogLink());
    const INT_PTR result = dialog.Run(parentWindow);
    PublishDialog(m_imageDialog, nullptr);
    if (result != IDOK) RestoreImageFilter(saved);
    return 1;
}

// Cancel undoes every change, the automatic requests included. Under the image lock: a white
// balance that the worker is measuring at this moment would otherwise store its gains after
// the restore; with the lock, every later frame sees the automatic requests already off.
void CTravik::RestoreImageFilter(const int (&saved)[kImageFilterEntries]) {
    ExportScope scope(*this);
    ImageLockAnsweringMessages lock(m_imageLock);
    std::copy(std::begin(saved), std::end(saved), m_imageFilter);
}

int CTravik::SetAnalogDlg(HWND parentWindow) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    const dialogs::ExposureTiming timing{&m_clocksPerLine, &m_overheadClocks, &m_msPerClock};
    // The page applies its values one at a time with the exports, which may run on other
    // threads (or in this thread's window procedures) while the dialog is open.
    const dialogs::SerialisedChange serialise = [this](const std::function<void()>& change) {
        ExportScope scope(*this);
        change();
    };
    dialogs::AnalogGainDialog dialog(m_cameraSettings, m_device, timing, serialise);
    // Refused before anything changes: the block the open dialog shows is left as it is.
    if (!dialog.Claimed()) return ReportError(ERR_UNAVAILABLE), 0;
    int saved[kCameraSettingEntries];
    int savedBayerMode = 0;
    serialise([&] {
        m_cameraSettings[kGlobalGain] = m_device->GetGain();
        for (int entry : {kColorGainG1, kColorGainR, kColorGainB, kColorGainG2}) m_cameraSettings[entry] = 0;
        m_cameraSettings[kExposure] = m_device->GetExposureValue();
        m_cameraSettings[kMirrorV] = m_device->GetVerticalMirror();
        m_cameraSettings[kMirrorH] = m_device->GetHorizontalMirror();
        std::copy(std::begin(m_cameraSettings), std::end(m_cameraSettings), saved);
        savedBayerMode = m_imageFilter[kBayerMode];
    });

    PublishDialog(m_gainDialog, &dialogs::GainDialogLink());
    const INT_PTR result = dialog.Run(parentWindow);
    PublishDialog(m_gainDialog, nullptr);
    if (result != IDOK) RestoreCameraSettings(saved, savedBayerMode);
    return 1;
}

// Cancel puts the camera back as it was. The automatic iris goes back to its saved mode first
// and under the image lock: the worker changes gain or exposure only while it holds that lock,
// so none of its changes can land after the sensor is restored.
void CTravik::RestoreCameraSettings(const int (&saved)[kCameraSettingEntries], int savedBayerMode) {
    ExportScope scope(*this);
    ImageLockAnsweringMessages lock(m_imageLock);
    std::copy(std::begin(saved), std::end(saved), m_cameraSettings);
    m_imageFilter[kBayerMode] = savedBayerMode;
    m_device->SetGain(saved[kGlobalGain]);
    m_device->SetExposure(saved[kExposure]);
    m_device->SetVerticalMirror(saved[kMirrorV]);
    m_device->SetHorizontalMirror(saved[kMirrorH]);
}

AcquisitionState CTravik::SuspendAcquisitionForDialog() {
    ExportScope scope(*this); // the dialog launchers run outside the export lock
    return m_acquisition.SuspendForDialog();
}

void CTravik::ResumeAcquisitionAfterDialog(AcquisitionState suspended, bool formatAccepted) {
    ExportScope scope(*this);
    const auto reloadFormat = [this] {
        LoadSizePreset();
        LoadFormat();
        return 1;
    };
    m_acquisition.ResumeAfterDialog(suspended,
                                    formatAccepted ? reloadFormat : std::function<int()>());
}
