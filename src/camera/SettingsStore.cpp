// Settings persistence: loading and saving the camera's settings in the registry.
#include "support/RegistryKey.h"
#include "camera/SettingsTable.h"
#include "camera/Travik.h"
#include "sensor/Travik380TZ4RDXSdk.h"

#include <algorithm>
#include <iterator>

using namespace settings;

namespace {

// Visits the settings kept under `key`, in the order of their values there.
template <class Visit> void ForEachStoredUnder(Key key, Visit visit) {
    for (const Setting& setting : kSettings)
        if (setting.registry.key == key) visit(setting);
}

// A stored value goes in as it is, unless the setting refuses what its setter would refuse.
bool TakesStoredValue(const Setting& setting, int value) {
    return setting.registry.read == Read::AsStored || setting.range.Accepts(value);
}

bool SaveKey(int cameraNumber, Key key, const CTravik& camera) {
    RegistryKey registry;
    if (!CreateCameraKey(cameraNumber, SubkeyName(key), registry)) return false;
    ForEachStoredUnder(key, [&](const Setting& setting) {
        registry.Write(setting.registry.name, camera.StoredSetting(setting));
    });
    return true;
}

// A missing value or key leaves the settings as they are.
bool LoadKey(int cameraNumber, Key key, CTravik& camera) {
    RegistryKey registry;
    if (!OpenCameraKeyRead(cameraNumber, SubkeyName(key), registry)) return false;
    ForEachStoredUnder(key, [&](const Setting& setting) {
        int value = 0;
        if (registry.Read(setting.registry.name, value) && TakesStoredValue(setting, value))
            camera.SettingSlot(setting) = value;
    });
    return true;
}

void SetDefaultsOf(Key key, CTravik& camera) {
    ForEachStoredUnder(key, [&](const Setting& setting) {
        camera.SettingSlot(setting) = camera.DefaultSetting(setting);
    });
}

// The key's stored values, or the defaults of its settings when the key is missing; true when it
// was there.
bool LoadKeyOrDefaults(int cameraNumber, Key key, CTravik& camera) {
    if (LoadKey(cameraNumber, key, camera)) return true;
    SetDefaultsOf(key, camera);
    return false;
}

void WriteFirstUseDefaults(int cameraNumber) {
    RegistryKey camera;
    if (!CreateCameraKey(cameraNumber, nullptr, camera) ||
        !WriteSizePreset(camera, 0, kDefaultSizePreset))
        return;
    camera.Write("Size", 0);
    ForEachStoredUnder(Key::Camera, [&](const Setting& setting) {
        camera.Write(setting.registry.name, setting.defaultValue);
    });
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
    return LoadKey(m_cameraNumber, Key::Camera, *this) ? 1 : 0;
}

int CTravik::LoadCameraSettings() {
    RegistryKey key;
    if (OpenCameraKeyRead(SettingsDeviceNumber(), SubkeyName(Key::Gain), key)) {
        // A missing value takes the value read just before it.
        int value = 0;
        ForEachStoredUnder(Key::Gain, [&](const Setting& setting) {
            key.Read(setting.registry.name, value);
            SettingSlot(setting) = value;
        });
        return 1;
    }
    SetDefaultsOf(Key::Gain, *this);
    return 1;
}

int CTravik::SaveCameraSettings() {
    return SaveKey(SettingsDeviceNumber(), Key::Gain, *this) ? 1 : 0;
}

int CTravik::LoadImageFilter() {
    if (LoadKeyOrDefaults(SettingsDeviceNumber(), Key::Filter, *this)) return 1;
    // Everything after the gray offsets: the white balance flag, its one-shot markers and the
    // auto gray gain all start off.
    for (int entry = kGrayOffsetB + 1; entry < kImageFilterEntries; ++entry) m_imageFilter[entry] = 0;
    return 0;
}

int CTravik::SaveImageFilter() {
    return SaveKey(SettingsDeviceNumber(), Key::Filter, *this) ? 1 : 0;
}

int CTravik::LoadGrayFilter() {
    return LoadKeyOrDefaults(SettingsDeviceNumber(), Key::Gray, *this) ? 1 : 0;
}

int CTravik::SaveGrayFilter() {
    return SaveKey(SettingsDeviceNumber(), Key::Gray, *this) ? 1 : 0;
}

int CTravik::SetCaptureWindowPreset(int width, int height) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    return m_acquisition.Change(Of(Id::WindowWidth).policy,
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
