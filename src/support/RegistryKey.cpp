// Support: registry keys under HKEY_CURRENT_USER and the layout of the cameras' settings.
#include "support/RegistryKey.h"

#include <cstdio>
#include <string>
#include <utility>

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
        Close();
        m_key = other.m_key;
        other.m_key = nullptr;
    }
    return *this;
}

bool RegistryKey::OpenRead(HKEY parent, const char* name) {
    Close();
    if (!parent) return false;
    return RegOpenKeyExA(parent, name, 0, KEY_READ, &m_key) == ERROR_SUCCESS ||
           (m_key = nullptr, false);
}

bool RegistryKey::Create(HKEY parent, const char* name) {
    Close();
    if (!parent) return false;
    char emptyClass[] = "";
    return RegCreateKeyExA(parent, name, 0, emptyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                           nullptr, &m_key, nullptr) == ERROR_SUCCESS ||
           (m_key = nullptr, false);
}

bool RegistryKey::Read(const char* value, int& out) const {
    if (!m_key) return false;
    DWORD type = 0, data = 0, size = sizeof(data);
    if (RegQueryValueExA(m_key, value, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        size != sizeof(data))
        return false;
    out = static_cast<int>(data);
    return true;
}

void RegistryKey::Write(const char* value, int data) const {
    if (!m_key) return;
    const DWORD raw = static_cast<DWORD>(data);
    RegSetValueExA(m_key, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&raw), sizeof(raw));
}

void RegistryKey::Close() {
    if (m_key) RegCloseKey(m_key);
    m_key = nullptr;
}

namespace {
// "<prefix>_%02d": the names of the camera keys and of their size presets.
std::string NumberedKeyName(const char* prefix, int number) {
    char name[32];
    std::snprintf(name, sizeof(name), "%s_%02d", prefix, number);
    return name;
}

enum class Access { Read, Create };

template <class Parent>
bool OpenKey(RegistryKey& key, const Parent& parent, const char* name, Access access) {
    return access == Access::Read ? key.OpenRead(parent, name) : key.Create(parent, name);
}

// root\"Camera_%02d"[\sub], each step opened for reading or created for writing.
bool OpenCameraKey(int cameraNumber, const char* sub, Access access, RegistryKey& key) {
    RegistryKey root, camera;
    if (!OpenKey(root, HKEY_CURRENT_USER, kSettingsRoot, access) ||
        !OpenKey(camera, root, NumberedKeyName("Camera", cameraNumber).c_str(), access))
        return false;
    if (!sub) {
        key = std::move(camera);
        return true;
    }
    return OpenKey(key, camera, sub, access);
}
} // namespace

bool OpenCameraKeyRead(int cameraNumber, const char* sub, RegistryKey& key) {
    return OpenCameraKey(cameraNumber, sub, Access::Read, key);
}

bool CreateCameraKey(int cameraNumber, const char* sub, RegistryKey& key) {
    return OpenCameraKey(cameraNumber, sub, Access::Create, key);
}

bool ReadSizePreset(const RegistryKey& camera, int number, int* values) {
    RegistryKey preset;
    if (!preset.OpenRead(camera, NumberedKeyName("Size", number).c_str())) return false;
    for (int i = 0; i < kSizePresetFields; ++i) preset.Read(kSizePresetValues[i], values[i]);
    return true;
}

bool WriteSizePreset(const RegistryKey& camera, int number, const int* values) {
    RegistryKey preset;
    if (!preset.Create(camera, NumberedKeyName("Size", number).c_str())) return false;
    for (int i = 0; i < kSizePresetFields; ++i) preset.Write(kSizePresetValues[i], values[i]);
    return true;
}
