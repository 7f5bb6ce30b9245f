// Camera initialisation: enumerating, naming, describing and selecting devices.
#include "camera/Travik.h"
#include "sensor/Travik380TZ4RDXSdk.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

constexpr char kModelName[] = "Travik380TZ4-RDX";
constexpr int kSlotChars = 256;
constexpr int kNameLength = 19; // "Travik380TZ4-RDX_01" without its terminator
constexpr int kMinimumSlots = 10;

void FormatName(int number, char (&name)[32]) {
    std::snprintf(name, sizeof(name), "%s_%02d", kModelName, number);
}

// The wide form takes the model name through the ANSI code page, as the narrow one is shown.
bool FormatNameW(int number, wchar_t (&name)[32]) {
    wchar_t model[24] = {};
    if (!MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, kModelName, -1, model, 24)) return false;
    std::swprintf(name, 32, L"%ls_%02d", model, number);
    return true;
}

} // namespace

int CTravik::EnumDevice(char* buffer) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    if (!buffer) return ReportError(ERR_PARAMETER), 0;
    int written = 0;
    for (int number = 0; number < m_device->GetMaxDevices(); ++number) {
        m_device->EnumerateDevices();
        if (!m_device->IsDevicePresent(number)) continue;
        char name[32];
        FormatName(written + 1, name);
        std::memcpy(buffer + written * kSlotChars, name, std::strlen(name) + 1);
        ++written;
    }
    for (int slot = written; slot < kMinimumSlots; ++slot) buffer[slot * kSlotChars] = '\0';
    return written;
}

int CTravik::EnumDeviceW(wchar_t* buffer) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    if (!buffer) return ReportError(ERR_PARAMETER), 0;
    int written = 0;
    for (int number = 0; number < m_device->GetMaxDevices(); ++number) {
        if (!m_device->IsDevicePresent(number)) continue;
        wchar_t name[32];
        if (!FormatNameW(written + 1, name)) continue;
        std::wmemcpy(buffer + written * kSlotChars, name, std::wcslen(name) + 1);
        ++written;
    }
    for (int slot = written; slot < kMinimumSlots; ++slot) buffer[slot * kSlotChars] = L'\0';
    return written;
}

int CTravik::CheckDeviceName(int index, const void* buffer, int length) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    // A buffer that cannot hold the whole name is refused rather than given a cut name.
    if (length <= 14 || length <= kNameLength || !buffer) return ReportError(ERR_PARAMETER), 0;
    if (index < 0 || index > 31) return ReportError(ERR_PARAMETER), 0;
    if (!m_device->IsDevicePresent(index)) return ReportError(ERR_DEVICE), 0;
    return 1;
}

int CTravik::GetDeviceName(int index, char* buffer, int length) {
    if (!CheckDeviceName(index, buffer, length)) return 0;
    char name[32];
    FormatName(index + 1, name);
    std::memcpy(buffer, name, std::strlen(name) + 1);
    return 1;
}

int CTravik::GetDeviceNameW(int index, wchar_t* buffer, int length) {
    if (!CheckDeviceName(index, buffer, length)) return 0;
    wchar_t name[32];
    if (!FormatNameW(index + 1, name)) return ReportError(ERR_PARAMETER), 0;
    std::wmemcpy(buffer, name, std::wcslen(name) + 1);
    return 1;
}

int CTravik::GetCameraInfo(CameraInfo* info) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    if (!info) return ReportError(ERR_PARAMETER), 0;
    if (static_cast<unsigned>(info->size) < 36) return ReportError(ERR_MEMORY), 0;
    info->width = 1280;
    info->height = 960;
    info->minGain = 0;
    info->maxGain = 1023;
    info->reserved1 = 0;
    info->reserved2 = 0;
    info->minExposure = 3;
    info->maxExposure = 1003;
    return 1;
}

int CTravik::SetDeviceNumber(int number) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    // Running, a camera that is not there is refused before anything stops. Otherwise the
    // acquisition moves to the new camera; the old one's owner mark goes with the stop.
    const auto present = [&] {
        if (m_device->IsDevicePresent(number)) return 1;
        return ReportError(ERR_DEVICE), 0;
    };
    return m_acquisition.Change(
        ChangePolicy::Restart, [&] { return SwitchDevice(number); }, present);
}

int CTravik::SwitchDevice(int number) {
    SaveCameraSettings();
    SaveImageFilter();
    SaveGrayFilter();
    if (!m_device->IsDevicePresent(number) || m_device->OpenCamera(number) != 0)
        return ReportError(ERR_DEVICE), 0;
    LoadCameraSettings();
    LoadImageFilter();
    LoadGrayFilter();
    ApplySensorSettings();
    unsigned char variant = 0;
    if (m_device->ReadRomByte(0x1EB0, &variant)) {
        if (variant == 1) m_device->SetVariant(0);
        else if (variant == 2) m_device->SetVariant(1);
    }
    m_cameraNumber = number;
    return 1;
}
