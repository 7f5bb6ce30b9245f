// Exports of the settings: the keyed filter pair, its dedicated wrappers, and the other settings.
#include "api/ExportFrame.h"
#include "camera/SettingsTable.h"

#include <string_view>

TRAVIK_EXPORT Travik_SetFilterValue(int handle, int id, int value) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.SetFilterValue(id, value); });
}

TRAVIK_EXPORT Travik_GetFilterValue(int handle, int id, int* ok) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.GetFilterValue(id, ok); });
}

// The dedicated exports of filter ids 1..27: each pair passes its fixed id to the keyed pair.
#define TRAVIK_FILTER_EXPORTS(X)                                                                   \
    X(Brightness, FILTER_BRIGHTNESS)                                                               \
    X(Contrast, FILTER_CONTRAST)                                                                   \
    X(Hue, FILTER_HUE)                                                                             \
    X(Saturation, FILTER_SATURATION)                                                               \
    X(Sharpness, FILTER_SHARPNESS)                                                                 \
    X(BayerGainRGB, FILTER_BAYER_GAIN_RGB)                                                         \
    X(BayerGainRed, FILTER_BAYER_GAIN_RED)                                                         \
    X(BayerGainGreen, FILTER_BAYER_GAIN_GREEN)                                                     \
    X(BayerGainBlue, FILTER_BAYER_GAIN_BLUE)                                                       \
    X(BayerGainAuto, FILTER_BAYER_GAIN_AUTO)                                                       \
    X(Gamma, FILTER_GAMMA)                                                                         \
    X(BayerMode, FILTER_BAYER_MODE)                                                                \
    X(GlobalGain, FILTER_GLOBAL_GAIN)                                                              \
    X(ColorGainRed, FILTER_COLOR_GAIN_RED)                                                         \
    X(ColorGainGreen1, FILTER_COLOR_GAIN_GREEN1)                                                   \
    X(ColorGainGreen2, FILTER_COLOR_GAIN_GREEN2)                                                   \
    X(ColorGainBlue, FILTER_COLOR_GAIN_BLUE)                                                       \
    X(ExposureTime, FILTER_EXPOSURE_TIME)                                                          \
    X(GrayMode, FILTER_GRAY_MODE)                                                                  \
    X(GrayGainR, FILTER_GRAY_GAIN_R)                                                               \
    X(GrayGainG1, FILTER_GRAY_GAIN_G1)                                                             \
    X(GrayGainG2, FILTER_GRAY_GAIN_G2)                                                             \
    X(GrayGainB, FILTER_GRAY_GAIN_B)                                                               \
    X(GrayOffsetR, FILTER_GRAY_OFFSET_R)                                                           \
    X(GrayOffsetG1, FILTER_GRAY_OFFSET_G1)                                                         \
    X(GrayOffsetG2, FILTER_GRAY_OFFSET_G2)                                                         \
    X(GrayOffsetB, FILTER_GRAY_OFFSET_B)

#define TRAVIK_DEFINE_FILTER_PAIR(name, id)                                                        \
    TRAVIK_EXPORT Travik_Set##name(int handle, int value) {                                        \
        return Travik_SetFilterValue(handle, id, value);                                           \
    }                                                                                              \
    TRAVIK_EXPORT Travik_Get##name(int handle, int* ok) { return Travik_GetFilterValue(handle, id, ok); }

TRAVIK_FILTER_EXPORTS(TRAVIK_DEFINE_FILTER_PAIR)

// The settings table names the setter that reaches each id: the same as here.
#define TRAVIK_CHECK_FILTER_EXPORT(name, id)                                                       \
    static_assert(std::string_view(settings::ByFilterId(id)->reachedBy.function) ==                \
                      "Travik_Set" #name,                                                          \
                  "the settings table names Travik_Set" #name " for its id");
TRAVIK_FILTER_EXPORTS(TRAVIK_CHECK_FILTER_EXPORT)

TRAVIK_EXPORT Travik_SetColorMode(int handle, int bits) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.SetColorMode(bits); });
}

TRAVIK_EXPORT Travik_GetColorMode(int handle) {
    return CallCamera(handle, -1, [](CTravik& camera) { return camera.GetColorMode(); });
}

TRAVIK_EXPORT Travik_SetSubSample(int handle, int mode) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.SetSubSample(mode); });
}

TRAVIK_EXPORT Travik_GetSubSample(int handle) {
    return CallCamera(handle, -1, [](CTravik& camera) { return camera.GetSubSample(); });
}

TRAVIK_EXPORT Travik_SetMirrorH(int handle, int flag) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.SetMirrorH(flag); });
}

TRAVIK_EXPORT Travik_GetMirrorH(int handle) {
    return CallCamera(handle, 0, [](CTravik& camera) { return camera.GetMirrorH(); });
}

TRAVIK_EXPORT Travik_SetMirrorV(int handle, int flag) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.SetMirrorV(flag); });
}

TRAVIK_EXPORT Travik_GetMirrorV(int handle) {
    return CallCamera(handle, 0, [](CTravik& camera) { return camera.GetMirrorV(); });
}

TRAVIK_EXPORT Travik_SetAutoIris(int handle, int mode) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.SetAutoIris(mode); });
}

TRAVIK_EXPORT Travik_GetAutoIris(int handle, int* ok) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.GetAutoIris(ok); });
}

TRAVIK_EXPORT Travik_SetWaitTime(int handle, int ms) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.SetWaitTime(ms); });
}

TRAVIK_EXPORT Travik_GetWaitTime(int handle) {
    return CallCamera(handle, -1, [](CTravik& camera) { return camera.GetWaitTime(); });
}

TRAVIK_EXPORT Travik_Width(int handle) {
    return CallCamera(handle, 0, [](CTravik& camera) { return camera.Width(); });
}

TRAVIK_EXPORT Travik_Height(int handle) {
    return CallCamera(handle, 0, [](CTravik& camera) { return camera.Height(); });
}

TRAVIK_EXPORT Travik_SetCaptureWindow(int handle, int width, int height) {
    return CallCamera(handle, 0,
                      [&](CTravik& camera) { return camera.SetCaptureWindowPreset(width, height); });
}

TRAVIK_EXPORT Travik_SetCaptureWindowEx(int handle, int TH, int EHS, int EH, int TV, int EVS, int EV) {
    return CallCamera(handle, 0, [&](CTravik& camera) {
        return camera.SetCaptureWindowEx(TH, EHS, EH, TV, EVS, EV);
    });
}

TRAVIK_EXPORT Travik_GetCaptureWindowEx(int handle, int* TH, int* EHS, int* EH, int* TV, int* EVS,
                                        int* EV) {
    return CallCamera(handle, 0, [&](CTravik& camera) {
        return camera.GetCaptureWindowEx(TH, EHS, EH, TV, EVS, EV);
    });
}

TRAVIK_EXPORT Travik_SetRealExposureTime(int handle, int microseconds) {
    return CallCamera(handle, 0,
                      [&](CTravik& camera) { return camera.SetRealExposureTime(microseconds); });
}

TRAVIK_EXPORT Travik_GetRealExposureTime(int handle, int* ok) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.GetRealExposureTime(ok); });
}

// Not supported by this camera; further arguments are not used.
TRAVIK_EXPORT Travik_SetConfigFilter(int handle, ...) {
    return CallCamera(handle, 0, [](CTravik& camera) { return camera.ReportError(ERR_NOT_SUPPORTED), -1; });
}

TRAVIK_EXPORT Travik_GetConfigFilter(int handle) {
    return CallCamera(handle, 0, [](CTravik& camera) { return camera.ReportError(ERR_NOT_SUPPORTED), -1; });
}

TRAVIK_EXPORT Travik_SetIOPort(int handle, int value) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.SetIOPort(value); });
}

TRAVIK_EXPORT Travik_GetIOPort(int handle, unsigned char* value, void*, int) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.GetIOPort(value); });
}

TRAVIK_EXPORT Travik_LoadConfigFileA(int handle, const char* path) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.LoadConfigFileA(path); });
}

TRAVIK_EXPORT Travik_LoadConfigFileW(int handle, const wchar_t* path) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.LoadConfigFileW(path); });
}
