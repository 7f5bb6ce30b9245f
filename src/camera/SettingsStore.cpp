// Settings persistence: loading and saving the camera's settings in the registry.
#include "camera/RegistryKey.h"
#include "camera/SettingsBlocks.h"
#include "camera/Travik.h"
#include "sensor/Travik380TZ4RDXSdk.h"

#include <algorithm>
#include <iterator>

using namespace settings;

namespace {

struct NamedEntry {
    const char* name;
    int entry;
};

constexpr NamedEntry kGainValues[] = {
    {"Global", kGlobalGain},    {"ColorG1", kColorGainG1}, {"ColorR", kColorGainR},
    {"ColorB", kColorGainB},    {"ColorG2", kColorGainG2}, {"Exposure", kExposure},
    {"V_Mirror", kMirrorV},     {"H_Mirror", kMirrorH},    {"AutoIris", kAutoIris}};

constexpr NamedEntry kFilterValues[] = {
    {"Brightness", kBrightness}, {"Contrast", kContrast},     {"Hue", kHue},
    {"Saturation", kSaturation}, {"Sharpness", kSharpness},   {"R_Gain", kBayerGainRed},
    {"G_Gain", kBayerGainGreen}, {"B_Gain", kBayerGainBlue},  {"Gamma", kGamma},
    {"BayerMode", kBayerMode}};

constexpr NamedEntry kGrayValues[] = {
    {"Mode", kGrayMode},         {"GainR1", kGrayGainR},       {"GainG1", kGrayGainG1},
    {"GainG2", kGrayGainG2},     {"GainB1", kGrayGainB},       {"OffsetR1", kGrayOffsetR},
    {"OffsetG1", kGrayOffsetG1}, {"OffsetG2", kGrayOffsetG2},  {"OffsetB1", kGrayOffsetB}};

template <size_t N> void ReadEntries(const RegistryKey& key, const NamedEntry (&values)[N], int* block) {
    for (const auto& value : values) key.Read(value.name, block[value.entry]);
}

template <size_t N>
bool SaveEntries(int cameraNumber, const char* sub, const NamedEntry (&values)[N], const int* block) {
    RegistryKey key;
    if (!CreateCameraKey(cameraNumber, sub, key)) return false;
    for (const auto& value : values) key.Write(value.name, block[value.entry]);
    return true;
}

void WriteFirstUseDefaults(int cameraNumber) {
    RegistryKey camera;
    if (!CreateCameraKey(cameraNumber, nullptr, camera) ||
        !WriteSizePreset(camera, 0, kDefaultSizePreset))
        return;
    camera.Write("Size", 0);
    camera.Write("Color", 2);
    camera.Write("SubSample", 0);
    camera.Write("WaitTime", 1);
    camera.Write("Clock", 2);
}

} // namespace

int CTravik::SettingsDeviceNumber() const { return m_device ? m_device->GetDeviceNumber() : 0; }

std::array<int*, 7> CTravik::PresetFields() {
    return {&m_TH, &m_TV, &m_EH, &m_EV, &m_EHS, &m_EVS, &m_buf};
}

int CTravik::LoadSizePreset() {
    RegistryKey root;
    if (!root.OpenRead(HKEY_CURRENT_USER, kSettingsRoot)) {
        WriteFirstUseDefaults(m_cameraNumber);
        return 0;
    }
    RegistryKey camera;
    int size = 0;
    if (!OpenCameraKeyRead(m_cameraNumber, nullptr, camera) || !camera.Read("Size", size)) return 0;
    // A value missing in the preset keeps the field's current value.
    const auto fields = PresetFields();
    int values[kSizePresetFields];
    for (int i = 0; i < kSizePresetFields; ++i) values[i] = *fields[i];
    if (!ReadSizePreset(camera, size, values)) return 0;
    for (int i = 0; i < kSizePresetFields; ++i) *fields[i] = values[i];
    return 1;
}

int CTravik::LoadFormat() {
    RegistryKey camera;
    if (!OpenCameraKeyRead(m_cameraNumber, nullptr, camera)) return 0;
    camera.Read("Color", m_colorMode);
    camera.Read("SubSample", m_subSample);
    // A negative wait is refused as Travik_SetWaitTime refuses it: the wait stays as it was.
    int waitTime = m_waitTime;
    if (camera.Read("WaitTime", waitTime) && waitTime >= 0) m_waitTime = waitTime;
    camera.Read("Clock", m_clock);
    return 1;
}

int CTravik::LoadCameraSettings() {
    RegistryKey key;
    if (OpenCameraKeyRead(SettingsDeviceNumber(), "Gain", key)) {
        // A missing value takes the value read just before it.
        int value = 0;
        for (const auto& entry : kGainValues) {
            key.Read(entry.name, value);
            m_cameraSettings[entry.entry] = value;
        }
        return 1;
    }
    m_cameraSettings[kGlobalGain] = 512;
    m_cameraSettings[kColorGainG1] = m_cameraSettings[kColorGainR] = 0;
    m_cameraSettings[kColorGainB] = m_cameraSettings[kColorGainG2] = 0;
    m_cameraSettings[kExposure] = 3;
    m_cameraSettings[kMirrorV] = m_device && m_device->GetVerticalMirror() ? 1 : 0;
    m_cameraSettings[kMirrorH] = m_device && m_device->GetHorizontalMirror() ? 1 : 0;
    m_cameraSettings[kAutoIris] = 0;
    return 1;
}

int CTravik::SaveCameraSettings() {
    return SaveEntries(SettingsDeviceNumber(), "Gain", kGainValues, m_cameraSettings) ? 1 : 0;
}

int CTravik::LoadImageFilter() {
    RegistryKey key;
    if (OpenCameraKeyRead(SettingsDeviceNumber(), "Filter", key)) {
        ReadEntries(key, kFilterValues, m_imageFilter);
        return 1;
    }
    for (int entry : {kBrightness, kContrast, kHue, kSaturation, kSharpness}) m_imageFilter[entry] = 0;
    m_imageFilter[kBayerGainRed] = m_imageFilter[kBayerGainGreen] = m_imageFilter[kBayerGainBlue] = 100;
    m_imageFilter[kGamma] = 100;
    m_imageFilter[kBayerMode] = 1;
    // Everything after the gray offsets: the white balance flag, its one-shot markers and the
    // auto gray gain all start off.
    for (int entry = kGrayOffsetB + 1; entry < kImageFilterEntries; ++entry) m_imageFilter[entry] = 0;
    return 0;
}

int CTravik::SaveImageFilter() {
    return SaveEntries(SettingsDeviceNumber(), "Filter", kFilterValues, m_imageFilter) ? 1 : 0;
}

int CTravik::LoadGrayFilter() {
    RegistryKey key;
    if (OpenCameraKeyRead(SettingsDeviceNumber(), "Gray", key)) {
        ReadEntries(key, kGrayValues, m_imageFilter);
        return 1;
    }
    m_imageFilter[kGrayMode] = 0;
    for (int entry = kGrayGainR; entry <= kGrayGainB; ++entry) m_imageFilter[entry] = 128;
    for (int entry = kGrayOffsetR; entry <= kGrayOffsetB; ++entry) m_imageFilter[entry] = 0;
    return 0;
}

int CTravik::SaveGrayFilter() {
    return SaveEntries(SettingsDeviceNumber(), "Gray", kGrayValues, m_imageFilter) ? 1 : 0;
}

int CTravik::SetCaptureWindowPreset(int width, int height) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    return m_acquisition.Change(ChangePolicy::Restart,
                                [&] { return ApplyCaptureWindowPreset(width, height); });
}

int CTravik::ApplyCaptureWindowPreset(int width, int height) {
    RegistryKey camera;
    if (!OpenCameraKeyRead(m_cameraNumber, nullptr, camera)) return ReportError(ERR_WINDOW), 0;
    int chosen[7] = {};
    bool found = false;
    for (int number = 0; number < 100 && !found; ++number) {
        int values[kSizePresetFields] = {};
        if (!ReadSizePreset(camera, number, values)) break;
        if (values[2] == width && values[3] == height) {
            std::copy(std::begin(values), std::end(values), std::begin(chosen));
            found = true;
        }
    }
    if (!found) return ReportError(ERR_WINDOW), 0;
    const auto fields = PresetFields();
    for (int i = 0; i < 7; ++i) *fields[i] = chosen[i];
    if (!IsCaptureWindowValid()) {
        ReportError(ERR_GEOMETRY);
        ResetCaptureWindow();
    }
    ApplyCaptureWindow();
    return 1;
}
