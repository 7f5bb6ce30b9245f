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
#include <iterator>

using namespace settings;

namespace {

// Another dialog of the same kind is open in this process.
constexpr INT_PTR kDialogBusy = -2;

// Acquisition states that the format dialog stops (preview, capture) or pauses (trigger).
constexpr int kPreviewState = 1;
constexpr int kCaptureState = 2;
constexpr int kTriggerState = 3;

// The dialog pointers are read by the acquisition thread while the caller's thread sets them.
void PublishDialog(void*& slot, void* link) { std::atomic_ref<void*>(slot).store(link); }

} // namespace

int CTravik::SetCameraDlg(HWND parentWindow) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    dialogs::FormatDialog dialog(m_device->GetDeviceNumber());
    const int suspended = SuspendAcquisitionForDialog();
    const INT_PTR result = dialog.Run(parentWindow);
    if (result == IDOK) {
        LoadSizePreset();
        LoadFormat();
    }
    ResumeAcquisitionAfterDialog(suspended);
    if (result == kDialogBusy) return ReportError(ERR_UNAVAILABLE), 0;
    return 1;
}

int CTravik::SetImageDlg(HWND parentWindow) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    int saved[kImageFilterEntries];
    std::copy(std::begin(m_imageFilter), std::end(m_imageFilter), saved);

    dialogs::FilterDialog dialog(m_imageFilter, dialogs::FilterFlagsForColorMode(m_colorMode));
    PublishDialog(m_imageDialog, &dialogs::ImageDialogLink());
    const INT_PTR result = dialog.Run(parentWindow);
    PublishDialog(m_imageDialog, nullptr);
    if (result == kDialogBusy) return ReportError(ERR_UNAVAILABLE), 0;
    // Cancel undoes every change, the automatic requests included.
    if (result != IDOK) std::copy(std::begin(saved), std::end(saved), m_imageFilter);
    return 1;
}

int CTravik::SetAnalogDlg(HWND parentWindow) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    m_cameraSettings[kGlobalGain] = m_device->GetGain();
    for (int entry : {kColorGainG1, kColorGainR, kColorGainB, kColorGainG2}) m_cameraSettings[entry] = 0;
    m_cameraSettings[kExposure] = m_device->GetExposureValue();
    m_cameraSettings[kMirrorV] = m_device->GetVerticalMirror();
    m_cameraSettings[kMirrorH] = m_device->GetHorizontalMirror();
    int saved[kCameraSettingEntries];
    std::copy(std::begin(m_cameraSettings), std::end(m_cameraSettings), saved);
    const int savedBayerMode = m_imageFilter[kBayerMode];

    const dialogs::ExposureTiming timing{&m_clocksPerLine, &m_overheadClocks, &m_msPerClock};
    dialogs::AnalogGainDialog dialog(m_cameraSettings, m_device, timing);
    PublishDialog(m_gainDialog, &dialogs::GainDialogLink());
    const INT_PTR result = dialog.Run(parentWindow);
    PublishDialog(m_gainDialog, nullptr);
    if (result == kDialogBusy) return ReportError(ERR_UNAVAILABLE), 0;
    if (result != IDOK) {
        m_device->SetGain(saved[kGlobalGain]);
        m_device->SetExposure(saved[kExposure]);
        m_device->SetVerticalMirror(saved[kMirrorV]);
        m_device->SetHorizontalMirror(saved[kMirrorH]);
        std::copy(std::begin(saved), std::end(saved), m_cameraSettings);
        m_imageFilter[kBayerMode] = savedBayerMode;
    }
    return 1;
}

int CTravik::SuspendAcquisitionForDialog() {
    ExportScope scope(*this); // the dialog launchers run outside the export lock
    SettleAcquisitionState();
    const int state = m_acqState;
    if (state == kPreviewState || state == kCaptureState) StopPreview();
    // The trigger loop only idles: its frames may be waiting for the external trigger.
    if (state == kTriggerState) m_runFlag = 2;
    return state;
}

void CTravik::ResumeAcquisitionAfterDialog(int suspendedState) {
    ExportScope scope(*this);
    switch (suspendedState) {
    case kPreviewState: StartPreview(); break;
    case kCaptureState: Capture(); break;
    case kTriggerState: m_runFlag = 1; break;
    default: break;
    }
}
