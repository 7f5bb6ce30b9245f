// travikcam check: every kind of bad argument (stale handles, short and null buffers) and
// settings that survive being read back and a reopen.
#include "CheckCamera.h"
#include "CheckGroups.h"

#include <cstring>
#include <vector>

namespace travikcam {

namespace {

constexpr unsigned char kPoison = 0xA5;

bool Poisoned(const std::vector<unsigned char>& bytes) {
    for (const unsigned char b : bytes)
        if (b != kPoison) return false;
    return true;
}

// A handle that was valid once: made and released.
int StaleHandle() {
    const int handle = Travik_Initialize(nullptr);
    if (handle) Travik_Release(handle);
    return handle;
}

struct Setting {
    const char* name;
    int (*set)(int, int);
    int (*get)(int, int*);
    int value;
};

const Setting kSettings[] = {
    {"brightness", Travik_SetBrightness, Travik_GetBrightness, 37},
    {"contrast", Travik_SetContrast, Travik_GetContrast, -20},
    {"hue", Travik_SetHue, Travik_GetHue, 90},
    {"saturation", Travik_SetSaturation, Travik_GetSaturation, 100},
    {"sharpness", Travik_SetSharpness, Travik_GetSharpness, 5},
    {"gamma", Travik_SetGamma, Travik_GetGamma, 150},
    {"Bayer mode", Travik_SetBayerMode, Travik_GetBayerMode, 2},
    {"Bayer gain red", Travik_SetBayerGainRed, Travik_GetBayerGainRed, 120},
    {"gray mode", Travik_SetGrayMode, Travik_GetGrayMode, 1},
    {"gray gain R", Travik_SetGrayGainR, Travik_GetGrayGainR, 200},
    {"gray offset G1", Travik_SetGrayOffsetG1, Travik_GetGrayOffsetG1, -30},
    {"exposure", Travik_SetExposureTime, Travik_GetExposureTime, 500},
    {"global gain", Travik_SetGlobalGain, Travik_GetGlobalGain, 300},
};

std::string ReadBack(int handle, const Setting& s, const char* when) {
    int ok = 0;
    const int value = s.get(handle, &ok);
    if (!ok) return std::string(s.name) + " could not be read " + when;
    if (value != s.value)
        return std::string(s.name) + " read " + std::to_string(value) + " " + when + ", set " +
               std::to_string(s.value);
    return "";
}

} // namespace

GroupResult CheckBadArguments(const CheckContext& context) {
    GroupRun group("bad-arguments");
    const int stale = StaleHandle();
    for (const int handle : {0, stale}) {
        const std::string which = handle == 0 ? "handle 0" : "a released handle";
        group.Case(which + " is refused everywhere", [&]() -> std::string {
            std::vector<unsigned char> buffer(4096, kPoison);
            int ok = 1;
            struct Call {
                const char* name;
                int result;
                int expected;
            };
            const Call calls[] = {
                {"Travik_StartPreview", Travik_StartPreview(handle), 0},
                {"Travik_StopPreview", Travik_StopPreview(handle), 0},
                {"Travik_SnapShot", Travik_SnapShot(handle, buffer.data(), 4096, 1), 0},
                {"Travik_GetImage", Travik_GetImage(handle, buffer.data(), 4096, 1), 0},
                {"Travik_CallBackPreview",
                 Travik_CallBackPreview(handle, context.notices, buffer.data(), 4096, 1), 0},
                {"Travik_SetDeviceNumber", Travik_SetDeviceNumber(handle, 0), 0},
                {"Travik_SetColorMode", Travik_SetColorMode(handle, 24), 0},
                {"Travik_GetColorMode", Travik_GetColorMode(handle), -1},
                {"Travik_GetSubSample", Travik_GetSubSample(handle), -1},
                {"Travik_GetWaitTime", Travik_GetWaitTime(handle), -1},
                {"Travik_GetBrightness", Travik_GetBrightness(handle, &ok), 0},
                {"Travik_GetLastError", Travik_GetLastError(handle), 0},
                {"Travik_Close", Travik_Close(handle), 0},
                {"Travik_Release", Travik_Release(handle), 0},
            };
            for (const Call& c : calls)
                if (c.result != c.expected)
                    return std::string(c.name) + " returned " + std::to_string(c.result) +
                           ", not " + std::to_string(c.expected);
            if (!Poisoned(buffer)) return "a refused call wrote into the caller's buffer";
            return "";
        });
    }
    group.Case("short and null buffers", [&]() -> std::string {
        CheckCamera camera;
        if (std::string f = camera.Open(context.options.device); !f.empty()) return f;
        const int h = camera.handle();
        Travik_SetColorMode(h, 24);
        std::vector<unsigned char> small(1000, kPoison);
        if (Travik_SnapShot(h, small.data(), static_cast<int>(small.size()), 1) != 0)
            return "Travik_SnapShot into 1000 bytes returned success";
        if (const int code = Travik_GetLastError(h); code != ERR_MEMORY)
            return "Travik_SnapShot into 1000 bytes gave code " + std::to_string(code) + ", not 5";
        if (!Poisoned(small)) return "Travik_SnapShot wrote into a buffer it refused";
        if (Travik_GetImage(h, nullptr, 0, 1) != 0) return "Travik_GetImage(NULL) returned success";
        Travik_GetLastError(h);
        CameraInfo info = {};
        info.size = 8;
        if (Travik_GetCameraInfo(h, &info) != 0 || Travik_GetLastError(h) != ERR_MEMORY)
            return "Travik_GetCameraInfo with size 8 was not refused with code 5";
        if (Travik_GetCameraInfo(h, nullptr) != 0 || Travik_GetLastError(h) != ERR_PARAMETER)
            return "Travik_GetCameraInfo(NULL) was not refused with code 9";
        char name[10];
        std::memset(name, kPoison, sizeof name);
        if (Travik_GetDeviceName(h, context.options.device, name, sizeof name) != 0 ||
            Travik_GetLastError(h) != ERR_PARAMETER)
            return "Travik_GetDeviceName into 10 bytes was not refused with code 9";
        for (const char c : name)
            if (static_cast<unsigned char>(c) != kPoison)
                return "Travik_GetDeviceName wrote into a buffer it refused";
        return "";
    });
    return group.Finish();
}

GroupResult CheckSettings(const CheckContext& context) {
    GroupRun group("settings");
    // The camera's own settings are put back at the end: a check must not change a camera.
    std::vector<int> original;
    {
        CheckCamera camera;
        if (std::string f = camera.Open(context.options.device); !f.empty()) {
            group.Record("open", f);
            return group.Finish();
        }
        for (const Setting& s : kSettings) {
            int ok = 0;
            original.push_back(s.get(camera.handle(), &ok));
        }
    }
    group.Case("set and read back, then after a reopen", [&]() -> std::string {
        {
            CheckCamera camera;
            if (std::string f = camera.Open(context.options.device); !f.empty()) return f;
            for (const Setting& s : kSettings) {
                if (!s.set(camera.handle(), s.value))
                    return std::string("setting the ") + s.name + " failed: " + camera.LastError();
                if (std::string f = ReadBack(camera.handle(), s, "at once"); !f.empty()) return f;
            }
        }
        CheckCamera reopened;
        if (std::string f = reopened.Open(context.options.device); !f.empty()) return f;
        for (const Setting& s : kSettings)
            if (std::string f = ReadBack(reopened.handle(), s, "after a reopen"); !f.empty())
                return f;
        return "";
    });
    group.Case("colour mode round trip", [&]() -> std::string {
        CheckCamera camera;
        if (std::string f = camera.Open(context.options.device); !f.empty()) return f;
        const int before = Travik_GetColorMode(camera.handle());
        // GetColorMode names the two wide colour modes by their significant bits.
        const int reported[][2] = {{8, 8}, {16, 10}, {24, 24}, {32, 32}, {48, 42}, {64, 58}};
        std::string failure;
        for (const auto& r : reported) {
            if (!Travik_SetColorMode(camera.handle(), r[0]))
                failure = "Travik_SetColorMode(" + std::to_string(r[0]) + ") failed";
            else if (Travik_GetColorMode(camera.handle()) != r[1])
                failure = "colour mode " + std::to_string(r[0]) + " reads back as " +
                          std::to_string(Travik_GetColorMode(camera.handle()));
            if (!failure.empty()) break;
        }
        const int restore[][2] = {{8, 8}, {10, 16}, {24, 24}, {32, 32}, {42, 48}, {58, 64}};
        for (const auto& r : restore)
            if (r[0] == before) Travik_SetColorMode(camera.handle(), r[1]);
        return failure;
    });
    {
        CheckCamera camera;
        if (camera.Open(context.options.device).empty())
            for (size_t i = 0; i < original.size(); ++i)
                kSettings[i].set(camera.handle(), original[i]);
    }
    return group.Finish();
}

} // namespace travikcam
