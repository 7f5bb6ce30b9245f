// Settings model: the keyed filter values, colour and sub-sample modes, mirrors and the others.
#include "camera/SettingsBlocks.h"
#include "camera/Travik.h"
#include "sensor/Travik380TZ4RDXSdk.h"

using namespace settings;

namespace {

enum class Range { Any, Signed, Unsigned };

// Where a filter id keeps its value and what Set accepts.
struct FilterRule {
    Range range;
    int low, high;
};

FilterRule RuleOf(int id) {
    switch (id) {
    case FILTER_BRIGHTNESS: return {Range::Signed, -255, 255};
    case FILTER_CONTRAST: return {Range::Signed, -127, 127};
    case FILTER_HUE: return {Range::Signed, -360, 360};
    case FILTER_SATURATION: return {Range::Signed, -255, 255};
    case FILTER_SHARPNESS: return {Range::Unsigned, 0, 30};
    case FILTER_BAYER_GAIN_RGB: return {Range::Any, 0, 0};
    case FILTER_BAYER_GAIN_RED:
    case FILTER_BAYER_GAIN_GREEN:
    case FILTER_BAYER_GAIN_BLUE: return {Range::Unsigned, 0, 400};
    case FILTER_BAYER_GAIN_AUTO: return {Range::Any, 0, 0};
    case FILTER_GAMMA: return {Range::Unsigned, 0, 200};
    case FILTER_BAYER_MODE: return {Range::Unsigned, 0, 3};
    case FILTER_GLOBAL_GAIN: return {Range::Signed, 0, 1023};
    case FILTER_EXPOSURE_TIME: return {Range::Signed, 3, 1003};
    case FILTER_GRAY_MODE: return {Range::Unsigned, 0, 2};
    case FILTER_GRAY_GAIN_R:
    case FILTER_GRAY_GAIN_G1:
    case FILTER_GRAY_GAIN_G2:
    case FILTER_GRAY_GAIN_B: return {Range::Unsigned, 0, 255};
    case FILTER_GRAY_AUTO: return {Range::Unsigned, 0, 1};
    case FILTER_GRAY_OFFSET_R:
    case FILTER_GRAY_OFFSET_G1:
    case FILTER_GRAY_OFFSET_G2:
    case FILTER_GRAY_OFFSET_B: return {Range::Signed, -255, 255};
    default: return {Range::Signed, 0, 0}; // the four colour gains accept 0 only
    }
}

// A capture window inside the sensor, without a sub-sample setting.
bool CaptureWindowFits(int width, int height, int x, int y, int subSample) {
    const bool inside = width >= 0 && height >= 0 && x >= 0 && y >= 0 && width <= 1280 &&
                        height <= 960 && x <= 1280 && y <= 960 && width + x <= 1280 &&
                        height + y <= 960;
    const bool subSampled =
        (subSample >= 1 && subSample <= 3) || (subSample >= 17 && subSample <= 19);
    return inside && !subSampled;
}

bool Accepts(const FilterRule& rule, int value) {
    switch (rule.range) {
    case Range::Any: return true;
    case Range::Unsigned:
        return static_cast<unsigned>(value) <= static_cast<unsigned>(rule.high);
    default: return value >= rule.low && value <= rule.high;
    }
}

// Filter ids whose value sits in the image filter block as it is.
int ImageFilterEntryOf(int id) {
    switch (id) {
    case FILTER_BRIGHTNESS: return kBrightness;
    case FILTER_CONTRAST: return kContrast;
    case FILTER_HUE: return kHue;
    case FILTER_SATURATION: return kSaturation;
    case FILTER_SHARPNESS: return kSharpness;
    case FILTER_BAYER_GAIN_RED: return kBayerGainRed;
    case FILTER_BAYER_GAIN_GREEN: return kBayerGainGreen;
    case FILTER_BAYER_GAIN_BLUE: return kBayerGainBlue;
    case FILTER_GAMMA: return kGamma;
    case FILTER_BAYER_MODE: return kBayerMode;
    case FILTER_GRAY_MODE: return kGrayMode;
    case FILTER_GRAY_AUTO: return kAutoGrayGain;
    default:
        if (id >= FILTER_GRAY_GAIN_R && id <= FILTER_GRAY_OFFSET_B) return kGrayGainR + (id - FILTER_GRAY_GAIN_R);
        return -1;
    }
}

int ColorGainEntryOf(int id) {
    switch (id) {
    case FILTER_COLOR_GAIN_RED: return kColorGainR;
    case FILTER_COLOR_GAIN_GREEN1: return kColorGainG1;
    case FILTER_COLOR_GAIN_GREEN2: return kColorGainG2;
    case FILTER_COLOR_GAIN_BLUE: return kColorGainB;
    default: return -1;
    }
}

constexpr int kColorModeBits[6] = {8, 16, 24, 32, 48, 64};
constexpr int kColorModeReported[6] = {8, 10, 24, 32, 42, 58};

} // namespace

int CTravik::SetFilterValue(int id, int value) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    if (id < 1 || id > 28 || !Accepts(RuleOf(id), value)) return ReportError(ERR_PARAMETER), 0;
    switch (id) {
    case FILTER_BAYER_GAIN_RGB:
        m_imageFilter[kBayerGainRed] = value & 0xFF;
        m_imageFilter[kBayerGainGreen] = (value >> 8) & 0xFF;
        m_imageFilter[kBayerGainBlue] = (value >> 16) & 0xFF;
        return 1;
    case FILTER_BAYER_GAIN_AUTO: m_imageFilter[kAutoWhiteBalance] = value != 0; return 1;
    case FILTER_GLOBAL_GAIN:
        for (int entry = kGlobalGain; entry <= kColorGainG2; ++entry) m_cameraSettings[entry] = value;
        m_device->SetGain(value);
        return 1;
    case FILTER_EXPOSURE_TIME:
        m_cameraSettings[kExposure] = value;
        m_device->SetExposure(value);
        return 1;
    default: break;
    }
    if (const int entry = ImageFilterEntryOf(id); entry >= 0) m_imageFilter[entry] = value;
    else m_cameraSettings[ColorGainEntryOf(id)] = value;
    return 1;
}

int CTravik::GetFilterValue(int id, int* ok) {
    auto answer = [ok](int success, int value) {
        if (ok) *ok = success;
        return value;
    };
    if (!m_device) return ReportError(ERR_UNAVAILABLE), answer(0, 0);
    switch (id) {
    case FILTER_BAYER_GAIN_RGB:
        return answer(1, (m_imageFilter[kBayerGainRed] & 0xFF) +
                             (m_imageFilter[kBayerGainGreen] & 0xFF) * 256 +
                             (m_imageFilter[kBayerGainBlue] & 0xFF) * 65536);
    case FILTER_BAYER_GAIN_AUTO: return answer(1, m_imageFilter[kAutoWhiteBalance]);
    case FILTER_GLOBAL_GAIN: return answer(1, m_device->GetGain() & 0xFFFF);
    case FILTER_EXPOSURE_TIME: return answer(1, m_device->GetExposureValue() & 0xFFFF);
    default: break;
    }
    if (const int entry = ImageFilterEntryOf(id); entry >= 0) return answer(1, m_imageFilter[entry]);
    if (ColorGainEntryOf(id) >= 0) return answer(1, 0);
    ReportError(ERR_PARAMETER);
    return answer(0, 0);
}

int CTravik::SetColorMode(int bits) {
    for (int index = 0; index < 6; ++index) {
        if (kColorModeBits[index] != bits) continue;
        if (index == m_colorMode) return 1;
        // The buffers and the word mode follow the colour mode.
        return m_acquisition.Change(ChangePolicy::Restart, [&] { return m_colorMode = index, 1; });
    }
    return ReportError(ERR_PARAMETER), 0;
}

int CTravik::GetColorMode() const {
    return m_colorMode >= 0 && m_colorMode < 6 ? kColorModeReported[m_colorMode] : -1;
}

int CTravik::SetSubSample(int mode) {
    if (mode != 0) return 0;
    if (m_subSample == 0) return 1;
    return m_acquisition.Change(ChangePolicy::Restart, [&] { return m_subSample = 0, 1; });
}

int CTravik::SetMirrorH(int flag) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    // The Bayer phase of the frame pipeline follows the mirror: both change between two frames.
    return m_acquisition.Change(ChangePolicy::BetweenFrames, [&] {
        m_device->SetHorizontalMirror(flag != 0);
        m_cameraSettings[kMirrorH] = flag != 0;
        return 1;
    });
}

int CTravik::GetMirrorH() {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    return m_cameraSettings[kMirrorH];
}

int CTravik::SetMirrorV(int flag) {
    if (!m_device) return PostError(ERR_UNAVAILABLE), 0;
    return m_acquisition.Change(ChangePolicy::BetweenFrames, [&] {
        m_device->SetVerticalMirror(flag != 0);
        m_cameraSettings[kMirrorV] = flag != 0;
        return 1;
    });
}

int CTravik::GetMirrorV() {
    if (!m_device) return PostError(ERR_UNAVAILABLE), 0;
    return m_cameraSettings[kMirrorV];
}

int CTravik::SetAutoIris(int mode) {
    if (static_cast<unsigned>(mode) > 2) return PostError(ERR_PARAMETER), 0;
    m_cameraSettings[kAutoIris] = mode;
    return 1;
}

int CTravik::GetAutoIris(int* ok) const {
    if (ok) *ok = 1;
    return m_cameraSettings[kAutoIris];
}

int CTravik::SetWaitTime(int ms) {
    if (ms < 0) return 0;
    m_waitTime = ms;
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
    return m_acquisition.Change(ChangePolicy::Restart, store, usable);
}

bool CTravik::IsCaptureWindowValid() const {
    return CaptureWindowFits(m_EH, m_EV, m_EHS, m_EVS, m_subSample);
}

void CTravik::ResetCaptureWindow() {
    m_TH = 1280, m_TV = 960, m_EH = 1280, m_EV = 960, m_EHS = 0, m_EVS = 0;
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
    m_exposureLines = exposure <= 1003 ? static_cast<int>(1003 - exposure) : 0;
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
    m_exposureLines = static_cast<unsigned>(L) <= 1003 ? 1003 - L : 0;
    if (m_exposureLines < 3 || m_exposureLines > 1003) return ReportError(ERR_PARAMETER), 0;
    m_cameraSettings[kExposure] = m_exposureLines;
    m_device->SetExposure(m_exposureLines);
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
