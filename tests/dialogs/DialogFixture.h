// A camera opened on a clean registry and the virtual camera, with the helpers the dialog tests
// share: running a dialog with a script, the language, the store and the sensor's gain.
#pragma once

#include "DialogDriver.h"
#include "EmuControl.h"
#include "camera/CameraFixture.h"

#include <string>

class DialogTest : public CameraTest {
  protected:
    void SetUp() override {
        travik_emu::ResetDevice(0);
        CameraTest::SetUp();
    }
    void TearDown() override {
        CameraTest::TearDown();
        travik_emu::ResetDevice(0);
    }

    static bool Japanese() { return GetSystemDefaultLangID() == 0x0411; }
    // Screenshot names end in the language they were taken in.
    static std::string Shot(const std::string& name) { return name + (Japanese() ? "_ja" : "_en"); }

    // A REG_DWORD under the camera's key (or one of its subkeys); -12345 when missing.
    static int StoredValue(const char* value, const char* subkey = nullptr) {
        std::string key = "Software\\Ostrel\\Travik380TZ4RDXSdk\\Camera_00";
        if (subkey) key += std::string("\\") + subkey;
        DWORD data = 0, size = sizeof(data);
        if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), value, RRF_RT_REG_DWORD, nullptr, &data, &size) !=
            ERROR_SUCCESS)
            return -12345;
        return static_cast<int>(data);
    }

    // The gain in the virtual camera's sensor registers 6 (bits 0-5) and 7 (bits 6-9).
    static int SensorGain() {
        TravikEmuRegisters regs{};
        if (!travik_emu::ReadRegs(0, regs)) return -1;
        return static_cast<int>((regs.sensor[6] & 0x3F) | (regs.sensor[7] & 0xF) << 6);
    }

    int Filter(int id) {
        int ok = 0;
        const int value = Travik_GetFilterValue(handle, id, &ok);
        return ok ? value : -12345;
    }
};
