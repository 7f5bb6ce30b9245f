// The export catalogue: the DLL exports exactly these 124 functions and its extensions, and every
// one of them fails silently, without touching the caller's memory, on a handle that names no
// camera.
#include "TravikSdk.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <vector>

// The messages the SDK posts are told apart by their numbers alone.
static_assert(WM_CAMERA_NOTIFY != WM_CAMERA_ERROR && WM_CAMERA_RECOVERY != WM_TRAVIKEX_FRAME &&
                  WM_CAMERA_RECOVERY != WM_CAMERA_NOTIFY && WM_CAMERA_RECOVERY != WM_CAMERA_ERROR &&
                  WM_TRAVIKEX_FRAME != WM_CAMERA_NOTIFY && WM_TRAVIKEX_FRAME != WM_CAMERA_ERROR,
              "two of the SDK's messages share a number");

namespace {

// What an export may write through: filled with a pattern that a silent failure leaves as it is.
struct Scratch {
    char text[2600];
    wchar_t wide[2600];
    int ints[6];
    unsigned char byte;
    CameraInfo info;
    TravikProfileResult profile;
    TravikRecoveryOptions recoveryOptions;
    TravikRecoveryStatus recoveryStatus;

    Scratch() { std::memset(static_cast<void*>(this), 0x5A, sizeof(*this)); }
    bool Untouched() const {
        Scratch fresh;
        return std::memcmp(this, &fresh, sizeof(*this)) == 0;
    }
};

struct Export {
    const char* name;
    int (*call)(int handle, Scratch& s);
    int failure; // returned for a handle that names no camera
};

// Each row calls the export through its declaration in the public header.
#define HANDLE_ONLY(name, failure) {#name, [](int h, Scratch&) { return name(h); }, failure}
#define WITH_ARGS(name, failure, ...) {#name, [](int h, Scratch& s) { return name(h, __VA_ARGS__); }, failure}
#define SETTER(name) WITH_ARGS(name, 0, 1)
#define GETTER(name) WITH_ARGS(name, 0, &s.ints[0])

const char kPath[] = "catalogue-unknown-handle.bmp";
const wchar_t kWidePath[] = L"catalogue-unknown-handle.avi";

// Every export but Travik_Initialize and Travik_GetDllVersion, which take no handle.
const Export kHandleExports[] = {
    HANDLE_ONLY(Travik_Release, 0),
    HANDLE_ONLY(Travik_GetLastError, 0),
    WITH_ARGS(Travik_EnumDevice, 0, s.text),
    WITH_ARGS(Travik_EnumDeviceW, 0, s.wide),
    WITH_ARGS(Travik_GetDeviceName, 0, 0, s.text, 256),
    WITH_ARGS(Travik_GetDeviceNameW, 0, 0, s.wide, 256),
    WITH_ARGS(Travik_SetDeviceNumber, 0, 0),
    WITH_ARGS(Travik_GetCameraInfo, 0, &s.info),
    HANDLE_ONLY(Travik_Close, 0),
    HANDLE_ONLY(Travik_StartPreview, 0),
    HANDLE_ONLY(Travik_StopPreview, 0),
    HANDLE_ONLY(Travik_Preview, 0),
    WITH_ARGS(Travik_CallBackPreview, 0, nullptr, reinterpret_cast<unsigned char*>(s.text), 16, 1),
    HANDLE_ONLY(Travik_Capture, 0),
    WITH_ARGS(Travik_SnapShot, 0, reinterpret_cast<unsigned char*>(s.text), 16, 1),
    WITH_ARGS(Travik_Trigger, 0, nullptr, reinterpret_cast<unsigned char*>(s.text), 16, 1),
    WITH_ARGS(Travik_GetImage, 0, reinterpret_cast<unsigned char*>(s.text), 16, 1),
    WITH_ARGS(Travik_SetPreviewWindow, 0, nullptr, 0, 0, 64, 48),
    WITH_ARGS(Travik_GetStatus, 0, &s.ints[0]),
    WITH_ARGS(Travik_SetFilterValue, 0, FILTER_BRIGHTNESS, 1),
    WITH_ARGS(Travik_GetFilterValue, 0, FILTER_BRIGHTNESS, &s.ints[0]),
    SETTER(Travik_SetBrightness),
    GETTER(Travik_GetBrightness),
    SETTER(Travik_SetContrast),
    GETTER(Travik_GetContrast),
    SETTER(Travik_SetHue),
    GETTER(Travik_GetHue),
    SETTER(Travik_SetSaturation),
    GETTER(Travik_GetSaturation),
    SETTER(Travik_SetSharpness),
    GETTER(Travik_GetSharpness),
    SETTER(Travik_SetBayerGainRGB),
    GETTER(Travik_GetBayerGainRGB),
    SETTER(Travik_SetBayerGainRed),
    GETTER(Travik_GetBayerGainRed),
    SETTER(Travik_SetBayerGainGreen),
    GETTER(Travik_GetBayerGainGreen),
    SETTER(Travik_SetBayerGainBlue),
    GETTER(Travik_GetBayerGainBlue),
    SETTER(Travik_SetBayerGainAuto),
    GETTER(Travik_GetBayerGainAuto),
    SETTER(Travik_SetGamma),
    GETTER(Travik_GetGamma),
    SETTER(Travik_SetBayerMode),
    GETTER(Travik_GetBayerMode),
    SETTER(Travik_SetGlobalGain),
    GETTER(Travik_GetGlobalGain),
    SETTER(Travik_SetColorGainRed),
    GETTER(Travik_GetColorGainRed),
    SETTER(Travik_SetColorGainGreen1),
    GETTER(Travik_GetColorGainGreen1),
    SETTER(Travik_SetColorGainGreen2),
    GETTER(Travik_GetColorGainGreen2),
    SETTER(Travik_SetColorGainBlue),
    GETTER(Travik_GetColorGainBlue),
    SETTER(Travik_SetExposureTime),
    GETTER(Travik_GetExposureTime),
    SETTER(Travik_SetGrayMode),
    GETTER(Travik_GetGrayMode),
    SETTER(Travik_SetGrayGainR),
    GETTER(Travik_GetGrayGainR),
    SETTER(Travik_SetGrayGainG1),
    GETTER(Travik_GetGrayGainG1),
    SETTER(Travik_SetGrayGainG2),
    GETTER(Travik_GetGrayGainG2),
    SETTER(Travik_SetGrayGainB),
    GETTER(Travik_GetGrayGainB),
    SETTER(Travik_SetGrayOffsetR),
    GETTER(Travik_GetGrayOffsetR),
    SETTER(Travik_SetGrayOffsetG1),
    GETTER(Travik_GetGrayOffsetG1),
    SETTER(Travik_SetGrayOffsetG2),
    GETTER(Travik_GetGrayOffsetG2),
    SETTER(Travik_SetGrayOffsetB),
    GETTER(Travik_GetGrayOffsetB),
    WITH_ARGS(Travik_SetColorMode, 0, 24),
    HANDLE_ONLY(Travik_GetColorMode, -1),
    WITH_ARGS(Travik_SetSubSample, 0, 0),
    HANDLE_ONLY(Travik_GetSubSample, -1),
    SETTER(Travik_SetMirrorH),
    SETTER(Travik_SetMirrorV),
    HANDLE_ONLY(Travik_GetMirrorH, 0),
    HANDLE_ONLY(Travik_GetMirrorV, 0),
    SETTER(Travik_SetAutoIris),
    GETTER(Travik_GetAutoIris),
    SETTER(Travik_SetWaitTime),
    HANDLE_ONLY(Travik_GetWaitTime, -1),
    HANDLE_ONLY(Travik_Width, 0),
    HANDLE_ONLY(Travik_Height, 0),
    WITH_ARGS(Travik_SetCaptureWindow, 0, 640, 480),
    WITH_ARGS(Travik_SetCaptureWindowEx, 0, 1280, 0, 1280, 960, 0, 960),
    WITH_ARGS(Travik_GetCaptureWindowEx, 0, &s.ints[0], &s.ints[1], &s.ints[2], &s.ints[3],
              &s.ints[4], &s.ints[5]),
    WITH_ARGS(Travik_SetRealExposureTime, 0, 1000),
    GETTER(Travik_GetRealExposureTime),
    WITH_ARGS(Travik_SetConfigFilter, 0, 1, 2),
    HANDLE_ONLY(Travik_GetConfigFilter, 0),
    WITH_ARGS(Travik_SetIOPort, 0, 0xFF),
    WITH_ARGS(Travik_GetIOPort, 0, &s.byte, &s.ints[0], 4),
    WITH_ARGS(Travik_ReadRegister, 0, 0x05, &s.ints[0]),
    WITH_ARGS(Travik_ReadRegisterEx, 0, 512, &s.ints[0]),
    WITH_ARGS(Travik_WriteRegister, 0, 0x05, 1),
    WITH_ARGS(Travik_WriteRegisterEx, 0, 512, 1),
    WITH_ARGS(Travik_ReadSromID, 0, 0, &s.ints[0]),
    WITH_ARGS(Travik_WriteSromID, 0, 0, 1),
    WITH_ARGS(Travik_SaveImage, 0, kPath, 0),
    WITH_ARGS(Travik_SaveImageW, 0, kWidePath, 0),
    WITH_ARGS(Travik_Record, 0, kPath, 1000, 0),
    WITH_ARGS(Travik_RecordW, 0, kWidePath, 1000, 0),
    WITH_ARGS(Travik_LoadConfigFileA, 0, kPath),
    WITH_ARGS(Travik_LoadConfigFileW, 0, kWidePath),
    WITH_ARGS(Travik_SetCameraDlg, 0, nullptr),
    WITH_ARGS(Travik_SetImageDlg, 0, nullptr),
    WITH_ARGS(Travik_SetAnalogDlg, 0, nullptr),
    WITH_ARGS(Travik_Fpga_ReadRegister, 0, 0, &s.ints[0]),
    WITH_ARGS(Travik_Fpga_WriteRegister, 0, 0, 1),
    HANDLE_ONLY(Travik_Fps, 0),
    WITH_ARGS(Travik_GetHalfClock, 0, &s.ints[0]),
    WITH_ARGS(Travik_SetHalfClock, 0, 1),
    WITH_ARGS(Travik_SetCrossbar, 0, 1),
    WITH_ARGS(Travik_SetSamplingRate, 0, 1),
    WITH_ARGS(Travik_GetSamplingRate, 0, &s.ints[0]),
    WITH_ARGS(Travik_GetVideoFormat, 0, &s.ints[0]),
};

// The extensions, TravikEx_*, all of which take the handle first.
const Export kExtensionExports[] = {
    WITH_ARGS(TravikEx_StartStream, 0, nullptr),
    HANDLE_ONLY(TravikEx_StopStream, 0),
    WITH_ARGS(TravikEx_GrabFrame, -1, 0, reinterpret_cast<TravikExFrame*>(s.text)),
    WITH_ARGS(TravikEx_ReleaseFrame, 0, reinterpret_cast<TravikExFrame*>(s.text)),
    WITH_ARGS(TravikEx_GetStreamEvent, 0, reinterpret_cast<HANDLE*>(s.text)),
    WITH_ARGS(TravikEx_GetStreamStats, 0, reinterpret_cast<TravikExStreamStats*>(s.text)),
    WITH_ARGS(TravikEx_SaveProfileA, 0, kPath, &s.profile),
    WITH_ARGS(TravikEx_SaveProfileW, 0, kWidePath, &s.profile),
    WITH_ARGS(TravikEx_LoadProfileA, 0, kPath, &s.profile),
    WITH_ARGS(TravikEx_LoadProfileW, 0, kWidePath, &s.profile),
    {"TravikEx_SetRecovery",
     [](int h, Scratch& s) {
         s.recoveryOptions = {sizeof s.recoveryOptions, 1, 0};
         const int result = TravikEx_SetRecovery(h, &s.recoveryOptions);
         s.recoveryOptions = Scratch().recoveryOptions;
         return result;
     },
     0},
    {"TravikEx_GetRecoveryStatus",
     [](int h, Scratch& s) {
         const DWORD pattern = s.recoveryStatus.size;
         s.recoveryStatus.size = sizeof s.recoveryStatus;
         const int result = TravikEx_GetRecoveryStatus(h, &s.recoveryStatus);
         s.recoveryStatus.size = pattern;
         return result;
     },
     0},
    WITH_ARGS(TravikEx_RecordA, 0, kPath, 1000, 0, reinterpret_cast<TravikExRecordOptions*>(s.ints)),
    WITH_ARGS(TravikEx_RecordW, 0, kWidePath, 1000, 0, reinterpret_cast<TravikExRecordOptions*>(s.ints)),
    HANDLE_ONLY(TravikEx_MarkRecording, 0),
    WITH_ARGS(TravikEx_GetRecordingStatus, 0, reinterpret_cast<TravikExRecordingStatus*>(s.wide)),
};

std::set<std::string> CatalogueNames() {
    std::set<std::string> names = {"Travik_Initialize", "Travik_GetDllVersion"};
    for (const Export& e : kHandleExports) names.insert(e.name);
    return names;
}

std::set<std::string> ExtensionNames() {
    std::set<std::string> names;
    for (const Export& e : kExtensionExports) names.insert(e.name);
    return names;
}

// The names in the export directory of the loaded DLL.
std::set<std::string> ExportedNames() {
    const auto* base = reinterpret_cast<const BYTE*>(GetModuleHandleA("TravikSdk_380TZ4_RDX.dll"));
    if (!base) return {};
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::set<std::string> result;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        result.insert(reinterpret_cast<const char*>(base + names[i]));
    return result;
}

bool FileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Calls every handle-taking export with `handle` and expects its failure value, untouched
// scratch memory and no file written.
void ExpectEveryExportFailsSilently(int handle) {
    std::vector<Export> everyExport(std::begin(kHandleExports), std::end(kHandleExports));
    everyExport.insert(everyExport.end(), std::begin(kExtensionExports), std::end(kExtensionExports));
    for (const Export& e : everyExport) {
        SCOPED_TRACE(e.name);
        Scratch scratch;
        EXPECT_EQ(e.call(handle, scratch), e.failure);
        EXPECT_TRUE(scratch.Untouched());
    }
    EXPECT_FALSE(FileExists(kPath));
    EXPECT_FALSE(FileExists("catalogue-unknown-handle.avi"));
}

} // namespace

// Runs first in this program: the version needs no camera and no earlier call.
TEST(Catalogue, VersionBeforeAnyInitialisation) {
    EXPECT_EQ(Travik_GetDllVersion(), 0x01A7051F);
    EXPECT_EQ(Travik_GetDllVersion(), TRAVIK_DLL_VERSION);
}

TEST(Catalogue, TheDllExportsExactlyTheCatalogue) {
    const std::set<std::string> catalogue = CatalogueNames();
    ASSERT_EQ(catalogue.size(), 124u) << "a name is listed twice";
    const std::set<std::string> extensions = ExtensionNames();
    const std::set<std::string> exported = ExportedNames();
    for (const std::string& name : catalogue)
        EXPECT_TRUE(exported.count(name)) << name << " is not exported";
    for (const std::string& name : extensions) {
        EXPECT_TRUE(exported.count(name)) << name << " is not exported";
        EXPECT_EQ(name.rfind("TravikEx_", 0), 0u) << name << " is not in the extensions' family";
    }
    for (const std::string& name : exported)
        EXPECT_TRUE(catalogue.count(name) || extensions.count(name))
            << name << " is exported but neither in the catalogue nor an extension";
}

TEST(Catalogue, EveryExportFailsSilentlyOnHandleZero) {
    travik_test::MessageWindow window;
    const int live = Travik_Initialize(window.hwnd());
    ASSERT_NE(live, 0);
    window.Collect(WM_CAMERA_ERROR, 0);

    ExpectEveryExportFailsSilently(0);

    // Nothing reached another camera: neither its stack nor its window nor the caller's queue.
    EXPECT_EQ(Travik_GetLastError(live), 0);
    EXPECT_TRUE(window.Collect(WM_CAMERA_ERROR, 50).empty());
    EXPECT_TRUE(travik_test::CollectThreadMessages(WM_CAMERA_ERROR).empty());
    EXPECT_TRUE(travik_test::CollectThreadMessages(WM_CAMERA_NOTIFY).empty());
    EXPECT_EQ(Travik_Release(live), 1);
}

TEST(Catalogue, EveryExportFailsSilentlyOnAReleasedHandle) {
    travik_test::MessageWindow releasedWindow, liveWindow;
    const int released = Travik_Initialize(releasedWindow.hwnd());
    const int live = Travik_Initialize(liveWindow.hwnd());
    ASSERT_NE(released, 0);
    ASSERT_NE(live, 0);
    ASSERT_EQ(Travik_Release(released), 1);
    releasedWindow.Collect(WM_CAMERA_ERROR, 0);
    liveWindow.Collect(WM_CAMERA_ERROR, 0);

    ExpectEveryExportFailsSilently(released);

    EXPECT_EQ(Travik_GetLastError(live), 0);
    EXPECT_TRUE(releasedWindow.Collect(WM_CAMERA_ERROR, 50).empty());
    EXPECT_TRUE(liveWindow.Collect(WM_CAMERA_ERROR, 0).empty());
    EXPECT_TRUE(travik_test::CollectThreadMessages(WM_CAMERA_ERROR).empty());
    EXPECT_EQ(Travik_Release(live), 1);
}
