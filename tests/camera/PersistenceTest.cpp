// Settings in the registry: first-use defaults, loads with their quirks, saves, presets and
// configuration files.
#include "CameraFixture.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

const char kRoot[] = "Software\\Ostrel\\Travik380TZ4RDXSdk";

// Reads a REG_DWORD below the SDK's root; nullopt-like false when missing.
bool ReadDword(const std::string& key, const char* value, int& out) {
    DWORD data = 0, size = sizeof(data);
    const std::string path = std::string(kRoot) + (key.empty() ? "" : "\\" + key);
    if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), value, RRF_RT_REG_DWORD, nullptr, &data,
                     &size) != ERROR_SUCCESS)
        return false;
    out = static_cast<int>(data);
    return true;
}

void WriteDword(const std::string& key, const char* value, int data) {
    HKEY h = nullptr;
    const std::string path = std::string(kRoot) + "\\" + key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &h, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(h, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
    RegCloseKey(h);
}

// Names under root\key, listed by `enumerate` (values or subkeys) until it reports no more.
template <typename Enumerate>
std::vector<std::string> NamesUnder(const std::string& key, Enumerate enumerate) {
    std::vector<std::string> names;
    HKEY h = nullptr;
    const std::string path = std::string(kRoot) + (key.empty() ? "" : "\\" + key);
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof(name);
        if (enumerate(h, i, name, &length) != ERROR_SUCCESS) break;
        names.push_back(name);
    }
    RegCloseKey(h);
    return names;
}

std::vector<std::string> ValueNames(const std::string& key) {
    return NamesUnder(key, [](HKEY h, DWORD i, char* name, DWORD* length) {
        return RegEnumValueA(h, i, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

std::vector<std::string> SubkeyNames(const std::string& key) {
    return NamesUnder(key, [](HKEY h, DWORD i, char* name, DWORD* length) {
        return RegEnumKeyExA(h, i, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

using FirstUse = CameraTest;

TEST_F(FirstUse, CreatesRootCameraAndPresetWithDefaults) {
    EXPECT_EQ(SubkeyNames(""), std::vector<std::string>{"Camera_00"});
    // Nothing else is written until release saves the settings.
    EXPECT_EQ(SubkeyNames("Camera_00"), std::vector<std::string>{"Size_00"});
    EXPECT_EQ(ValueNames("Camera_00").size(), 5u);
    EXPECT_EQ(ValueNames("Camera_00\\Size_00").size(), 7u);
    const std::pair<const char*, int> format[] = {
        {"Size", 0}, {"Color", 2}, {"SubSample", 0}, {"WaitTime", 1}, {"Clock", 2}};
    for (auto [name, expected] : format) {
        int value = -1;
        EXPECT_TRUE(ReadDword("Camera_00", name, value)) << name;
        EXPECT_EQ(value, expected) << name;
    }
    const std::pair<const char*, int> preset[] = {{"TH", 1280}, {"TV", 960}, {"EH", 1280}, {"EV", 960},
                                                  {"EHS", 0},   {"EVS", 0},  {"Buf", 4}};
    for (auto [name, expected] : preset) {
        int value = -1;
        EXPECT_TRUE(ReadDword("Camera_00\\Size_00", name, value)) << name;
        EXPECT_EQ(value, expected) << name;
    }
    EXPECT_EQ(Travik_GetColorMode(handle), 24);
    EXPECT_EQ(Travik_GetWaitTime(handle), 1);
    EXPECT_EQ(Travik_GetGamma(handle, nullptr), 100);
    EXPECT_EQ(Travik_GetBayerMode(handle, nullptr), 1);
    EXPECT_EQ(Travik_GetGrayGainR(handle, nullptr), 128);
    EXPECT_EQ(Travik_GetGlobalGain(handle, nullptr), 512);
    EXPECT_EQ(Travik_GetExposureTime(handle, nullptr), 3);
}

TEST_F(FirstUse, SettingsPersistAcrossReleaseAndInitialize) {
    ASSERT_EQ(Travik_SetGamma(handle, 150), 1);
    ASSERT_EQ(Travik_SetGrayOffsetG1(handle, -12), 1);
    ASSERT_EQ(Travik_SetGlobalGain(handle, 300), 1);
    ASSERT_EQ(Travik_SetExposureTime(handle, 600), 1);
    ASSERT_EQ(Travik_SetMirrorH(handle, 1), 1);
    ASSERT_EQ(Travik_SetAutoIris(handle, 1), 1);
    ASSERT_EQ(Travik_Release(handle), 1);
    int saved = 0;
    EXPECT_TRUE(ReadDword("Camera_00\\Filter", "Gamma", saved));
    EXPECT_EQ(saved, 150);
    EXPECT_TRUE(ReadDword("Camera_00\\Gain", "ColorG2", saved));
    EXPECT_EQ(saved, 300);

    handle = Travik_Initialize(nullptr);
    ASSERT_NE(handle, 0);
    EXPECT_EQ(Travik_GetGamma(handle, nullptr), 150);
    EXPECT_EQ(Travik_GetGrayOffsetG1(handle, nullptr), -12);
    EXPECT_EQ(Travik_GetGlobalGain(handle, nullptr), 300);
    EXPECT_EQ(Travik_GetExposureTime(handle, nullptr), 600);
    EXPECT_EQ(Travik_GetMirrorH(handle), 1);
    EXPECT_EQ(Travik_GetAutoIris(handle, nullptr), 1);
}

class Reload : public CameraTest {
  protected:
    // Writes `setup` into the registry after a release, then opens the camera again.
    template <class Setup> void ReopenAfter(Setup setup) {
        ASSERT_EQ(Travik_Release(handle), 1);
        setup();
        handle = Travik_Initialize(nullptr);
        ASSERT_NE(handle, 0);
    }
};

TEST_F(Reload, MissingGainValueTakesTheValueReadBeforeIt) {
    ReopenAfter([] {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Ostrel\\Travik380TZ4RDXSdk\\Camera_00\\Gain",
                           "ColorR");
        WriteDword("Camera_00\\Gain", "ColorG1", 55);
    });
    ASSERT_EQ(Travik_Release(handle), 1);
    handle = 0;
    int colorR = -1;
    ASSERT_TRUE(ReadDword("Camera_00\\Gain", "ColorR", colorR));
    EXPECT_EQ(colorR, 55); // ColorG1 was read just before it
}

TEST_F(Reload, FilterKeyWithoutGammaKeepsTheMember) {
    ReopenAfter([] {
        WriteDword("Camera_00\\Filter", "Brightness", 9);
        RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Ostrel\\Travik380TZ4RDXSdk\\Camera_00\\Filter",
                           "Gamma");
    });
    EXPECT_EQ(Travik_GetBrightness(handle, nullptr), 9);
    EXPECT_EQ(Travik_GetGamma(handle, nullptr), 0); // the construction value
}

TEST_F(Reload, SizeNamingAMissingPresetKeepsTheFullWindow) {
    ReopenAfter([] { WriteDword("Camera_00", "Size", 7); });
    int v[6] = {};
    Travik_GetCaptureWindowEx(handle, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
    EXPECT_EQ(std::vector<int>(v, v + 6), (std::vector<int>{1280, 0, 1280, 960, 0, 960}));
}

TEST_F(Reload, InvalidPresetAtStartUpFallsBackWithCode7) {
    ReopenAfter([] {
        WriteDword("Camera_00\\Size_01", "EH", 1200);
        WriteDword("Camera_00\\Size_01", "EHS", 200);
        WriteDword("Camera_00", "Size", 1);
    });
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_GEOMETRY});
    EXPECT_EQ(Travik_Width(handle), 1280);
}

using Presets = CameraTest;

TEST_F(Presets, CaptureWindowIsTakenFromThePresetOfThatSize) {
    const std::pair<const char*, int> half[] = {{"TH", 1280}, {"TV", 960}, {"EH", 640}, {"EV", 480},
                                                {"EHS", 320}, {"EVS", 240}, {"Buf", 6}};
    for (auto [name, value] : half) WriteDword("Camera_00\\Size_01", name, value);
    EXPECT_EQ(Travik_SetCaptureWindow(handle, 640, 480), 1);
    int v[6] = {};
    Travik_GetCaptureWindowEx(handle, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
    EXPECT_EQ(std::vector<int>(v, v + 6), (std::vector<int>{1280, 320, 640, 960, 240, 480}));
    EXPECT_EQ(Travik_SetCaptureWindow(handle, 1280, 960), 1);
    EXPECT_EQ(Travik_Width(handle), 1280);
}

TEST_F(Presets, NoMatchingPresetReportsCode4) {
    EXPECT_EQ(Travik_SetCaptureWindow(handle, 333, 222), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_WINDOW});
}

TEST_F(Presets, InvalidPresetRestoresTheFullWindowWithCode7) {
    WriteDword("Camera_00\\Size_01", "EH", 1000);
    WriteDword("Camera_00\\Size_01", "EV", 960);
    WriteDword("Camera_00\\Size_01", "EHS", 400);
    EXPECT_EQ(Travik_SetCaptureWindow(handle, 1000, 960), 1);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_GEOMETRY});
    EXPECT_EQ(Travik_Width(handle), 1280);
}

class ConfigFiles : public CameraTest {
  protected:
    std::string Write(const char* name, size_t bytes) {
        const std::string path = travik_test::ProgramDirectory() + name;
        std::ofstream(path, std::ios::binary) << std::string(bytes, '\x01');
        return path;
    }
};

TEST_F(ConfigFiles, WholeRecordsAreKeptAndShortFilesLoadEmpty) {
    EXPECT_EQ(Travik_LoadConfigFileA(handle, Write("cfg20.bin", 20).c_str()), 1);
    EXPECT_EQ(Travik_LoadConfigFileA(handle, Write("cfg7.bin", 7).c_str()), 1);
    EXPECT_EQ(Travik_LoadConfigFileA(handle, "Z:\\no\\such\\file.bin"), 0);
    EXPECT_TRUE(DrainErrors().empty());
}

TEST_F(ConfigFiles, WidePathsThatDoNotFitAreRefusedWithCode12) {
    const std::string narrow = Write("cfg_w.bin", 16);
    const std::wstring wide(narrow.begin(), narrow.end());
    EXPECT_EQ(Travik_LoadConfigFileW(handle, wide.c_str()), 1);
    const std::wstring tooLong(1100, L'a');
    EXPECT_EQ(Travik_LoadConfigFileW(handle, tooLong.c_str()), 0);
    EXPECT_EQ(Travik_LoadConfigFileW(handle, nullptr), 0);
    EXPECT_EQ(DrainErrors(), (std::vector<int>{ERR_FILE, ERR_FILE}));
}

} // namespace
