// Camera object: reaching a setting of the table: its slot, its value, its store and the sensor
// write that follows, and the hooks of the settings whose behaviour is their own.
#include "camera/SettingsTable.h"
#include "camera/Travik.h"
#include "sensor/Travik380TZ4RDXSdk.h"

using namespace settings;

namespace {

// The members behind MemberEntry, in its order.
int CTravik::*const kMembers[] = {
    &CTravik::m_colorMode, &CTravik::m_subSample, &CTravik::m_TH,  &CTravik::m_EHS,
    &CTravik::m_EH,        &CTravik::m_TV,        &CTravik::m_EVS, &CTravik::m_EV,
    &CTravik::m_waitTime,  &CTravik::m_clock};
static_assert(std::size(kMembers) == kClockMode + 1, "one member per entry");

} // namespace

namespace settings {

int ReadPackedBayerGains(const CTravik& camera, const Setting&) {
    const int* block = camera.m_imageFilter;
    return (block[kBayerGainRed] & 0xFF) + (block[kBayerGainGreen] & 0xFF) * 256 +
           (block[kBayerGainBlue] & 0xFF) * 65536;
}

void WritePackedBayerGains(CTravik& camera, const Setting&, int value) {
    int* block = camera.m_imageFilter;
    block[kBayerGainRed] = value & 0xFF;
    block[kBayerGainGreen] = (value >> 8) & 0xFF;
    block[kBayerGainBlue] = (value >> 16) & 0xFF;
}

void WriteFlag(CTravik& camera, const Setting& setting, int value) {
    camera.SettingSlot(setting) = value != 0 ? 1 : 0;
}

void WriteGlobalGain(CTravik& camera, const Setting&, int value) {
    for (int entry = kGlobalGain; entry <= kColorGainG2; ++entry)
        camera.m_cameraSettings[entry] = value;
}

// The gain and exposure last written to the sensor, which the automatic iris changes too.
int ReadSensorGain(const CTravik& camera, const Setting&) {
    return camera.m_device->GetGain() & 0xFFFF;
}

int ReadSensorExposure(const CTravik& camera, const Setting&) {
    return camera.m_device->GetExposureValue() & 0xFFFF;
}

int ReadZero(const CTravik&, const Setting&) {
    return 0;
}

int ReadColorModeBits(const CTravik& camera, const Setting&) {
    const int index = camera.m_colorMode;
    return index >= 0 && index < kColorModes ? kColorModeBits[index] : -1;
}

void WriteColorModeBits(CTravik& camera, const Setting&, int bits) {
    for (int index = 0; index < kColorModes; ++index)
        if (kColorModeBits[index] == bits) camera.m_colorMode = index;
}

} // namespace settings

int& CTravik::SettingSlot(const Setting& setting) {
    switch (setting.slot.block) {
    case Block::ImageFilter:
        return m_imageFilter[setting.slot.entry];
    case Block::CameraSettings:
        return m_cameraSettings[setting.slot.entry];
    default:
        return this->*kMembers[setting.slot.entry];
    }
}

int CTravik::StoredSetting(const Setting& setting) const {
    return const_cast<CTravik*>(this)->SettingSlot(setting);
}

int CTravik::ReadSetting(const Setting& setting) const {
    return setting.read ? setting.read(*this, setting) : StoredSetting(setting);
}

void CTravik::WriteSetting(const Setting& setting, int value) {
    if (setting.write)
        setting.write(*this, setting, value);
    else
        SettingSlot(setting) = value;
}

void CTravik::StoreSetting(const Setting& setting, int value) {
    WriteSetting(setting, value);
    ApplyToSensor(setting.sensor);
}

int CTravik::ChangeSetting(const Setting& setting, int value) {
    return m_acquisition.Change(setting.policy, [&] {
        StoreSetting(setting, value);
        return 1;
    });
}

void CTravik::ApplyToSensor(Sensor sensor) {
    if (!m_device) return;
    switch (sensor) {
    case Sensor::Gain:
        m_device->SetGain(m_cameraSettings[kGlobalGain]);
        break;
    case Sensor::Exposure:
        m_device->SetExposure(m_cameraSettings[kExposure]);
        break;
    case Sensor::MirrorV:
        m_device->SetVerticalMirror(m_cameraSettings[kMirrorV] != 0);
        break;
    case Sensor::MirrorH:
        m_device->SetHorizontalMirror(m_cameraSettings[kMirrorH] != 0);
        break;
    case Sensor::Window:
        ApplyCaptureWindow();
        break;
    case Sensor::None:
        break;
    }
}

int CTravik::DefaultSetting(const Setting& setting) const {
    if (setting.defaultFrom == Default::Value) return setting.defaultValue;
    if (!m_device) return 0;
    if (setting.sensor == Sensor::MirrorV) return m_device->GetVerticalMirror() ? 1 : 0;
    if (setting.sensor == Sensor::MirrorH) return m_device->GetHorizontalMirror() ? 1 : 0;
    return setting.defaultValue;
}
