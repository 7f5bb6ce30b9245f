// Support: Win32 handles, locks, registry keys and waits that the SDK and its tools share; here
// a registry key under HKEY_CURRENT_USER that closes itself, and where the cameras' settings lie.
#pragma once

#include <windows.h>

class RegistryKey {
  public:
    RegistryKey() = default;
    ~RegistryKey() { Close(); }
    RegistryKey(RegistryKey&& other) noexcept : m_key(other.m_key) { other.m_key = nullptr; }
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens an existing key for reading; false when it does not exist.
    bool OpenRead(HKEY parent, const char* name);
    bool OpenRead(const RegistryKey& parent, const char* name) { return OpenRead(parent.m_key, name); }
    // Creates the key, or opens it when it exists, for writing.
    bool Create(HKEY parent, const char* name);
    bool Create(const RegistryKey& parent, const char* name) { return Create(parent.m_key, name); }

    // Reads a REG_DWORD as a signed 32-bit integer; false when it is missing or not 4 bytes.
    bool Read(const char* value, int& out) const;
    void Write(const char* value, int data) const;
    bool IsOpen() const { return m_key != nullptr; }

  private:
    void Close();
    HKEY m_key = nullptr;
};

// The root of the SDK's settings under HKEY_CURRENT_USER.
constexpr const char kSettingsRoot[] = "Software\\Ostrel\\Travik380TZ4RDXSdk";

// Opens root\"Camera_%02d"[\sub] for reading; false when any of them is missing.
bool OpenCameraKeyRead(int cameraNumber, const char* sub, RegistryKey& key);
// Creates (or opens) root\"Camera_%02d"[\sub] for writing; false when a key cannot be made.
bool CreateCameraKey(int cameraNumber, const char* sub, RegistryKey& key);

// A capture-window size preset: the key "Size_%02d" under a camera's key, with seven values in
// this order (also the order the camera's fields TH, TV, EH, EV, EHS, EVS, Buf take them).
constexpr int kSizePresetFields = 7;
constexpr const char* kSizePresetValues[kSizePresetFields] = {"TH", "TV", "EH", "EV", "EHS", "EVS", "Buf"};
constexpr int kDefaultSizePreset[kSizePresetFields] = {1280, 960, 1280, 960, 0, 0, 4};
// Reads preset `number` of an open camera key into values[0..6]; false when the preset is
// missing. A value missing inside it leaves its slot as it was.
bool ReadSizePreset(const RegistryKey& camera, int number, int* values);
// Creates (or opens) preset `number` and writes values[0..6]; false when the key cannot be made.
bool WriteSizePreset(const RegistryKey& camera, int number, const int* values);
