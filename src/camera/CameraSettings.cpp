// Settings model: the keyed filter values, colour and sub-sample modes, mirrors and the others.
#include "camera/SettingsTable.h"
#include "camera/Travik.h"
#include "sensor/Travik380TZ4RDXSdk.h"

#include <array>
#include <tuple>

using namespace settings;

int CTravik::SetFilterValue(int id, int value) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    const Setting* setting = ByFilterId(id);
    if (!setting || !setting->range.Accepts(value)) return ReportError(ERR_PARAMETER), 0;
    StoreSetting(*setting, value);
    return 1;
}

int CTravik::GetFilterValue(int id, int* ok) {
    auto answer = [ok](int success, int value) {
        if (ok) *ok = success;
        return value;
    };
    if (!m_device) return ReportError(ERR_UNAVAILABLE), answer(0, 0);
    if (const Setting* setting = ByFilterId(id)) return answer(1, ReadSetting(*setting));
    ReportError(ERR_PARAMETER);
    return answer(0, 0);
}

int CTravik::SetColorMode(int bits) {
    for (int index = 0; index < kColorModes; ++index) {
        if (kColorModeBits[index] != bits) continue;
        // The buffers and the word mode follow the colour mode: a running acquisition is
        // stopped, changed and started again.
        if (index == m_colorMode || !m_device || m_acqState == kIdle) return m_colorMode = index, 1;
        return ChangeAcquisition([&] { return m_colorMode = index, 1; });
    }
    return ReportError(ERR_PARAMETER), 0;
}

int CTravik::GetColorMode() const {
    return m_colorMode >= 0 && m_colorMode < kColorModes ? kColorModeReported[m_colorMode] : -1;
}

int CTravik::SetSubSample(int mode) {
    if (!Of(Id::SubSample).range.Accepts(mode)) return 0;
    if (m_subSample == 0 || !m_device || m_acqState == kIdle) return m_subSample = 0, 1;
    return ChangeAcquisition([&] { return m_subSample = 0, 1; });
}

int CTravik::SetMirrorH(int flag) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    // The Bayer phase of the frame pipeline follows the mirror: both change between two frames.
    ChangeUnderImageLock([&] { StoreSetting(Of(Id::MirrorH), flag); });
    return 1;
}

int CTravik::GetMirrorH() {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    return m_cameraSettings[kMirrorH];
}

int CTravik::SetMirrorV(int flag) {
    if (!m_device) return PostError(ERR_UNAVAILABLE), 0;
    ChangeUnderImageLock([&] { StoreSetting(Of(Id::MirrorV), flag); });
    return 1;
}

int CTravik::GetMirrorV() {
    if (!m_device) return PostError(ERR_UNAVAILABLE), 0;
    return m_cameraSettings[kMirrorV];
}

int CTravik::SetAutoIris(int mode) {
    const Setting& autoIris = Of(Id::AutoIris);
    if (!autoIris.range.Accepts(mode)) return PostError(ERR_PARAMETER), 0;
    StoreSetting(autoIris, mode);
    return 1;
}

int CTravik::GetAutoIris(int* ok) const {
    if (ok) *ok = 1;
    return m_cameraSettings[kAutoIris];
}

int CTravik::SetWaitTime(int ms) {
    const Setting& waitTime = Of(Id::WaitTime);
    if (!waitTime.range.Accepts(ms)) return 0;
    StoreSetting(waitTime, ms);
    return 1;
}

int CTravik::GetCaptureWindowEx(int* TH, int* EHS, int* EH, int* TV, int* EVS, int* EV) const {
    const int* values[6] = {&m_TH, &m_EHS, &m_EH, &m_TV, &m_EVS, &m_EV};
    int* outs[6] = {TH, EHS, EH, TV, EVS, EV};
    for (int i = 0; i < 6; ++i)
        if (outs[i]) *outs[i] = *values[i];
    return 1;
}

int CTravik::SetCaptureWindowEx(int TH, int EHS, int EH, int TV, int EVS, int EV) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    auto store = [&] {
        m_TH = TH, m_EHS = EHS, m_EH = EH, m_TV = TV, m_EVS = EVS, m_EV = EV;
        if (!IsCaptureWindowValid()) return ReportError(ERR_GEOMETRY), 0;
        ApplyCaptureWindow();
        return 1;
    };
    SettleAcquisitionState();
    // Idle, an invalid window stays stored and fails the next start.
    if (m_acqState == kIdle) return store();
    // Running, a window that cannot be used is refused and the running one kept.
    const std::array<int, 6> running = {m_TH, m_EHS, m_EH, m_TV, m_EVS, m_EV};
    return ChangeAcquisition([&] {
        if (store()) return 1;
        std::tie(m_TH, m_EHS, m_EH, m_TV, m_EVS, m_EV) =
            std::tie(running[0], running[1], running[2], running[3], running[4], running[5]);
        ApplyCaptureWindow();
        return 0;
    });
}

bool CTravik::IsCaptureWindowValid() const {
    const bool inside =
        Of(Id::WindowWidth).range.Accepts(m_EH) && Of(Id::WindowHeight).range.Accepts(m_EV) &&
        Of(Id::WindowX).range.Accepts(m_EHS) && Of(Id::WindowY).range.Accepts(m_EVS) &&
        m_EH + m_EHS <= kSensorWidth && m_EV + m_EVS <= kSensorHeight;
    const bool subSampled = (m_subSample >= 1 && m_subSample <= 3) ||
                            (m_subSample >= 17 && m_subSample <= 19);
    return inside && !subSampled;
}

void CTravik::ResetCaptureWindow() {
    for (Id id : {Id::WindowTotalWidth, Id::WindowX, Id::WindowWidth, Id::WindowTotalHeight,
                  Id::WindowY, Id::WindowHeight})
        SettingSlot(Of(id)) = DefaultOf(id);
}

void CTravik::ApplyCaptureWindow() {
    if (m_device) m_device->SetWindow(m_EHS, m_EVS, m_EH, m_EV, m_subSample);
}

int CTravik::GetRealExposureTime(int* ok) {
    if (!m_device) {
        if (ok) *ok = 0;
        return ReportError(ERR_UNAVAILABLE), 0;
    }
    SetExposureTimingTerms();
    const unsigned exposure = static_cast<unsigned>(m_cameraSettings[kExposure]);
    constexpr unsigned kNoExposure = SensorModel::kExposureMax;
    m_exposureLines = exposure <= kNoExposure ? static_cast<int>(kNoExposure - exposure) : 0;
    if (ok) *ok = 1;
    const double microseconds =
        (m_exposureLines * 1600.0 + 200.0) * m_msPerClock * 1000.0;
    m_realExposure = static_cast<int>(microseconds);
    return m_realExposure;
}

int CTravik::SetRealExposureTime(int microseconds) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    SetExposureTimingTerms();
    const double lines = microseconds / 1000.0 / 0.04444444493856281;
    // Out-of-range doubles would make the conversion undefined; they give no valid setting.
    const int L = lines > -2147483648.0 && lines < 2147483648.0 ? static_cast<int>(lines) : -1;
    constexpr int kNoExposure = SensorModel::kExposureMax;
    m_exposureLines = static_cast<unsigned>(L) <= kNoExposure ? kNoExposure - L : 0;
    const Setting& exposure = Of(Id::Exposure);
    if (!exposure.range.Accepts(m_exposureLines)) return ReportError(ERR_PARAMETER), 0;
    StoreSetting(exposure, m_exposureLines);
    return 1;
}

void CTravik::SetExposureTimingTerms() {
    m_clocksPerLine = 1600;
    m_overheadClocks = 200;
    m_msPerClock = 2.7777778086601757e-05; // 1/36000 ms in single precision, held as double
}

int CTravik::GetIOPort(unsigned char* value) {
    if (!m_device) return PostError(ERR_UNAVAILABLE), 0;
    if (!value) return PostError(ERR_PARAMETER), 0;
    unsigned char port = 0;
    if (!m_device->ReadControllerRegister(7, &port)) port = 0;
    *value = port;
    return 1;
}

int CTravik::SetIOPort(int value) {
    if (!m_device) return PostError(ERR_UNAVAILABLE), 0;
    return m_device->WriteControllerRegister(7, value & 0xFF);
}
