// Settings model: the keyed filter values, colour and sub-sample modes, mirrors and the others.
#include "camera/SettingsTable.h"
#include "camera/Travik.h"
#include "sensor/Travik380TZ4RDXSdk.h"

using namespace settings;

namespace {

// A capture window inside the sensor, without a sub-sample setting.
bool CaptureWindowFits(int width, int height, int x, int y, int subSample) {
    const bool inside = Of(Id::WindowWidth).range.Accepts(width) &&
                        Of(Id::WindowHeight).range.Accepts(height) &&
                        Of(Id::WindowX).range.Accepts(x) && Of(Id::WindowY).range.Accepts(y) &&
                        width + x <= kSensorWidth && height + y <= kSensorHeight;
    const bool subSampled =
        (subSample >= 1 && subSample <= 3) || (subSample >= 17 && subSample <= 19);
    return inside && !subSampled;
}

} // namespace

int CTravik::SetFilterValue(int id, int value) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    const Setting* setting = ByFilterId(id);
    if (!setting || !setting->range.Accepts(value)) return ReportError(ERR_PARAMETER), 0;
    return ChangeSetting(*setting, value);
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
    const Setting& colorMode = Of(Id::ColorMode);
    if (!colorMode.range.Accepts(bits)) return ReportError(ERR_PARAMETER), 0;
    if (ReadSetting(colorMode) == bits) return 1;
    return ChangeSetting(colorMode, bits);
}

int CTravik::GetColorMode() const {
    return m_colorMode >= 0 && m_colorMode < kColorModes ? kColorModeReported[m_colorMode] : -1;
}

int CTravik::SetSubSample(int mode) {
    const Setting& subSample = Of(Id::SubSample);
    if (!subSample.range.Accepts(mode)) return 0;
    if (m_subSample == mode) return 1;
    return ChangeSetting(subSample, mode);
}

int CTravik::SetMirrorH(int flag) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    return ChangeSetting(Of(Id::MirrorH), flag);
}

int CTravik::GetMirrorH() {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    return m_cameraSettings[kMirrorH];
}

int CTravik::SetMirrorV(int flag) {
    if (!m_device) return PostError(ERR_UNAVAILABLE), 0;
    return ChangeSetting(Of(Id::MirrorV), flag);
}

int CTravik::GetMirrorV() {
    if (!m_device) return PostError(ERR_UNAVAILABLE), 0;
    return m_cameraSettings[kMirrorV];
}

int CTravik::SetAutoIris(int mode) {
    const Setting& autoIris = Of(Id::AutoIris);
    if (!autoIris.range.Accepts(mode)) return PostError(ERR_PARAMETER), 0;
    return ChangeSetting(autoIris, mode);
}

int CTravik::GetAutoIris(int* ok) const {
    if (ok) *ok = 1;
    return m_cameraSettings[kAutoIris];
}

int CTravik::SetWaitTime(int ms) {
    const Setting& waitTime = Of(Id::WaitTime);
    if (!waitTime.range.Accepts(ms)) return 0;
    return ChangeSetting(waitTime, ms);
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
    // Idle, an invalid window stays stored and fails the next start.
    const auto store = [&] {
        m_TH = TH, m_EHS = EHS, m_EH = EH, m_TV = TV, m_EVS = EVS, m_EV = EV;
        if (!IsCaptureWindowValid()) return ReportError(ERR_GEOMETRY), 0;
        ApplyCaptureWindow();
        return 1;
    };
    // Running, a window that cannot be used is refused before anything stops.
    const auto usable = [&] {
        if (CaptureWindowFits(EH, EV, EHS, EVS, m_subSample)) return 1;
        return ReportError(ERR_GEOMETRY), 0;
    };
    return m_acquisition.Change(Of(Id::WindowWidth).policy, store, usable);
}

bool CTravik::IsCaptureWindowValid() const {
    return CaptureWindowFits(m_EH, m_EV, m_EHS, m_EVS, m_subSample);
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
    return ChangeSetting(exposure, m_exposureLines);
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
    m_ioPort = value & 0xFF;
    return m_device->WriteControllerRegister(CTRL_IO_PORT, m_ioPort);
}
