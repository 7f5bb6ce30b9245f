// travikcam check: chaos: threads making random export calls with random arguments on shared
// handles while another thread releases and re-creates them; every return must be a documented
// one, and a refused call must leave the caller's buffers as they were.
#include "CheckCamera.h"
#include "CheckGroups.h"
#include "EmuControl.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace travikcam {

std::atomic<bool> g_checkThreadsAbandoned{false};

namespace {

constexpr int kWorkers = 8;
constexpr int kSharedHandles = 4;
constexpr unsigned char kPoison = 0x5A;
// No export waits this long by design (a frame read times out after 3 s): a call still running
// after it is stuck.
constexpr DWORD kStallMs = 60000;
constexpr int kRecentCalls = 4;
constexpr int kMostWindow = 5000; // capture windows set reach this, fitting or not
constexpr size_t kStreamBytes = 1280u * 960u * 8u; // the largest output picture

using Rng = std::mt19937;

int Pick(Rng& rng, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng);
}

bool Poisoned(const void* bytes, size_t count) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < count; ++i)
        if (p[i] != kPoison) return false;
    return true;
}

// The last calls of one thread and when its last call returned, for the report of a stall.
struct Trace {
    std::mutex lock; // the owner writes a call's description, the watchdog reads them
    std::string recent[kRecentCalls];
    int next = 0;
    std::atomic<DWORD> lastReturn{0};
    std::atomic<bool> done{false};
    std::atomic<long> calls{0};

    std::map<std::string, std::pair<long, DWORD>> costs; // per export: calls, milliseconds
    std::string current;                                 // the export of the call in progress
    DWORD begun = 0;

    bool pending = false; // a noted call whose return was not yet counted

    void Note(const std::string& call) {
        ++calls;
        std::lock_guard<std::mutex> hold(lock);
        recent[next] = call;
        next = (next + 1) % kRecentCalls;
        current = call.substr(0, call.find('('));
        begun = GetTickCount();
        pending = true;
    }
    // After each export returns (a check of two values calls it twice; it counts once).
    void Returned() {
        lastReturn = GetTickCount();
        std::lock_guard<std::mutex> hold(lock);
        if (!pending) return;
        pending = false;
        auto& cost = costs[current];
        ++cost.first;
        cost.second += lastReturn - begun;
    }
    std::string Recent() {
        std::lock_guard<std::mutex> hold(lock);
        std::string text;
        for (int i = 0; i < kRecentCalls; ++i) {
            const std::string& call = recent[(next + i) % kRecentCalls];
            if (call.empty()) continue;
            text += (text.empty() ? "" : "; ") + call;
        }
        return text;
    }
};

// The handles that every thread calls with. The recycler alone releases them (so each of its
// releases must succeed); the workers read the slots at any time.
struct SharedHandles {
    std::atomic<int> slots[kSharedHandles] = {};
    std::atomic<int> stale{0}; // the handle released last
};

struct Chaos {
    int device = 0;
    int dllVersion = 0;
    SharedHandles handles;
    std::vector<unsigned char> stream; // every stream's buffer; outlives every handle
    std::string missingFolderFile;     // a file in a folder that does not exist
    std::atomic<bool> stop{false};
    std::mutex failureLock;
    std::string failure; // the first wrong return
    void Fail(const std::string& what) {
        std::lock_guard<std::mutex> hold(failureLock);
        if (failure.empty()) failure = what;
        stop = true;
    }
};

std::string Format(const char* format, ...) {
    char text[200];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// One worker's state during one call.
struct Worker {
    Chaos& chaos;
    Trace& trace;
    Rng rng;
    std::string call; // the call in progress, described

    void Begin(const std::string& description) {
        call = description;
        trace.Note(description);
    }
    // Each check returns false after recording the first wrong return.
    bool Check(bool documented, int result) {
        trace.Returned();
        if (!documented) chaos.Fail(call + " returned " + std::to_string(result));
        return documented;
    }
    bool Untouched(int result, const void* bytes, size_t count) {
        if (result != 0 || Poisoned(bytes, count)) return true;
        chaos.Fail(call + " failed but wrote into the caller's buffer");
        return false;
    }
};

bool ZeroOrOne(int r) { return r == 0 || r == 1; }

int PickHandle(Worker& w) {
    switch (Pick(w.rng, 0, 9)) {
    case 0: return 0;
    case 1: return w.chaos.handles.stale;
    case 2: return static_cast<int>(w.rng());
    default: return w.chaos.handles.slots[Pick(w.rng, 0, kSharedHandles - 1)];
    }
}

int PickColorBits(Worker& w) {
    static const int bits[] = {8, 16, 24, 32, 48, 64, 0, -8, 12, 65};
    return bits[Pick(w.rng, 0, 9)];
}

// A value near the usual ranges most of the time, anything sometimes.
int PickValue(Worker& w) {
    switch (Pick(w.rng, 0, 3)) {
    case 0: return static_cast<int>(w.rng());
    case 1: return Pick(w.rng, -2, 2);
    default: return Pick(w.rng, -300, 1100);
    }
}

// A length short of any picture (unless the capture window was made tiny), or none.
int PickShortLength(Worker& w) {
    static const int lengths[] = {0, 1, 100, 999, -1};
    return lengths[Pick(w.rng, 0, 4)];
}

using SetFn = int (*)(int, int);
using GetFn = int (*)(int, int*);

struct Setter {
    const char* name;
    SetFn set;
    GetFn get;
};

const Setter kSetters[] = {
    {"Brightness", Travik_SetBrightness, Travik_GetBrightness},
    {"Contrast", Travik_SetContrast, Travik_GetContrast},
    {"Hue", Travik_SetHue, Travik_GetHue},
    {"Saturation", Travik_SetSaturation, Travik_GetSaturation},
    {"Sharpness", Travik_SetSharpness, Travik_GetSharpness},
    {"Gamma", Travik_SetGamma, Travik_GetGamma},
    {"BayerMode", Travik_SetBayerMode, Travik_GetBayerMode},
    {"BayerGainRed", Travik_SetBayerGainRed, Travik_GetBayerGainRed},
    {"BayerGainAuto", Travik_SetBayerGainAuto, Travik_GetBayerGainAuto},
    {"GlobalGain", Travik_SetGlobalGain, Travik_GetGlobalGain},
    {"ExposureTime", Travik_SetExposureTime, Travik_GetExposureTime},
    {"GrayMode", Travik_SetGrayMode, Travik_GetGrayMode},
    {"GrayGainR", Travik_SetGrayGainR, Travik_GetGrayGainR},
    {"GrayOffsetB", Travik_SetGrayOffsetB, Travik_GetGrayOffsetB},
    {"AutoIris", Travik_SetAutoIris, Travik_GetAutoIris},
    {"RealExposureTime", Travik_SetRealExposureTime, Travik_GetRealExposureTime},
};

// The value an `ok` flag is given before each call: an unknown handle returns 0 at once and
// writes nothing, so the flag keeps it.
constexpr int kOkBeforeCall = 7;

// A getter's value is free, but a failure reads 0 with ok 0 (or ok untouched, for a handle that
// is gone), and a success has ok 1.
bool CheckGetter(Worker& w, int result, int ok) {
    return w.Check(ok == 1 || (result == 0 && (ok == 0 || ok == kOkBeforeCall)), result) &&
           w.Check(ZeroOrOne(ok) || ok == kOkBeforeCall, ok);
}

void CallSetting(Worker& w, int h) {
    const Setter& s = kSetters[Pick(w.rng, 0, static_cast<int>(std::size(kSetters)) - 1)];
    if (Pick(w.rng, 0, 1)) {
        const int value = PickValue(w);
        w.Begin(Format("Travik_Set%s(%d, %d)", s.name, h, value));
        const int r = s.set(h, value);
        w.Check(ZeroOrOne(r), r);
        return;
    }
    w.Begin(Format("Travik_Get%s(%d)", s.name, h));
    int ok = kOkBeforeCall;
    const int result = s.get(h, &ok);
    CheckGetter(w, result, ok);
}

void CallFilter(Worker& w, int h) {
    const int id = Pick(w.rng, -1, 30);
    if (Pick(w.rng, 0, 1)) {
        const int value = PickValue(w);
        w.Begin(Format("Travik_SetFilterValue(%d, %d, %d)", h, id, value));
        const int r = Travik_SetFilterValue(h, id, value);
        w.Check(ZeroOrOne(r), r);
        return;
    }
    w.Begin(Format("Travik_GetFilterValue(%d, %d)", h, id));
    if (Pick(w.rng, 0, 3) == 0) {
        Travik_GetFilterValue(h, id, nullptr); // ok may be NULL: only "no crash" to check
        w.trace.Returned();
        return;
    }
    int ok = kOkBeforeCall;
    const int result = Travik_GetFilterValue(h, id, &ok);
    CheckGetter(w, result, ok);
}

void CallFormat(Worker& w, int h) {
    switch (Pick(w.rng, 0, 5)) {
    case 0: {
        const int bits = PickColorBits(w);
        w.Begin(Format("Travik_SetColorMode(%d, %d)", h, bits));
        const int r = Travik_SetColorMode(h, bits);
        w.Check(ZeroOrOne(r), r);
        break;
    }
    case 1: {
        w.Begin(Format("Travik_GetColorMode(%d)", h));
        const int r = Travik_GetColorMode(h);
        w.Check(r == -1 || r == 8 || r == 10 || r == 24 || r == 32 || r == 42 || r == 58, r);
        break;
    }
    case 2: {
        w.Begin(Format("Travik_Width/Height(%d)", h));
        const int width = Travik_Width(h), height = Travik_Height(h);
        // An idle camera keeps a window that does not fit until its next start refuses it, and
        // reports that window's size.
        w.Check(width >= 0 && width <= kMostWindow, width) &&
            w.Check(height >= 0 && height <= kMostWindow, height);
        break;
    }
    case 3: {
        static const int sizes[][2] = {{1280, 960}, {640, 480}, {320, 240}, {7, 5}, {-1, 0}};
        const auto& size = sizes[Pick(w.rng, 0, 4)];
        w.Begin(Format("Travik_SetCaptureWindow(%d, %d, %d)", h, size[0], size[1]));
        const int r = Travik_SetCaptureWindow(h, size[0], size[1]);
        w.Check(ZeroOrOne(r), r);
        break;
    }
    case 4: {
        int window[6];
        std::memset(window, kPoison, sizeof window);
        const bool nulls = Pick(w.rng, 0, 3) == 0;
        w.Begin(Format("Travik_GetCaptureWindowEx(%d%s)", h, nulls ? ", NULLs" : ""));
        const int r = nulls ? Travik_GetCaptureWindowEx(h, nullptr, nullptr, nullptr, nullptr,
                                                        nullptr, nullptr)
                            : Travik_GetCaptureWindowEx(h, &window[0], &window[1], &window[2],
                                                        &window[3], &window[4], &window[5]);
        w.Check(ZeroOrOne(r), r) && w.Untouched(r, window, sizeof window);
        break;
    }
    default: {
        // Mostly windows that fit the sensor, sometimes ones that do not.
        const bool fits = Pick(w.rng, 0, 2) > 0;
        const int eh = fits ? 16 * Pick(w.rng, 1, 80) : Pick(w.rng, 0, kMostWindow);
        const int ev = fits ? 16 * Pick(w.rng, 1, 60) : Pick(w.rng, 0, kMostWindow);
        w.Begin(Format("Travik_SetCaptureWindowEx(%d, 1600, 0, %d, 1000, 0, %d)", h, eh, ev));
        const int r = Travik_SetCaptureWindowEx(h, 1600, 0, eh, 1000, 0, ev);
        w.Check(ZeroOrOne(r), r);
        break;
    }
    }
}

void CallAcquisition(Worker& w, int h) {
    unsigned char small[1000];
    std::memset(small, kPoison, sizeof small);
    unsigned char* stream = w.chaos.stream.data();
    const int streamLength = static_cast<int>(w.chaos.stream.size());
    const int rowOrder = Pick(w.rng, 0, 1);
    int r = 0;
    switch (Pick(w.rng, 0, 10)) {
    case 0: {
        const int length = PickShortLength(w);
        w.Begin(Format("Travik_SnapShot(%d, poisoned, %d)", h, length));
        r = Travik_SnapShot(h, small, length, rowOrder);
        w.Check(ZeroOrOne(r), r) && w.Untouched(r, small, sizeof small);
        return;
    }
    case 1:
        w.Begin(Format("Travik_SnapShot(%d, whole buffer)", h));
        r = Travik_SnapShot(h, stream, streamLength, rowOrder);
        break;
    case 2:
        w.Begin(Format("Travik_SnapShot(%d, NULL, 0)", h));
        r = Travik_SnapShot(h, nullptr, 0, rowOrder);
        break;
    case 3: {
        const int length = PickShortLength(w);
        w.Begin(Format("Travik_GetImage(%d, poisoned, %d)", h, length));
        r = Travik_GetImage(h, small, length, rowOrder);
        w.Check(ZeroOrOne(r), r) && w.Untouched(r, small, sizeof small);
        return;
    }
    case 4:
        w.Begin(Format("Travik_GetImage(%d, NULL, 1000)", h));
        r = Travik_GetImage(h, nullptr, 1000, rowOrder);
        w.Check(r == 0, r);
        return;
    case 5: {
        const bool whole = Pick(w.rng, 0, 3) > 0;
        w.Begin(Format("Travik_CallBackPreview(%d, %s)", h, whole ? "whole buffer" : "1000 bytes"));
        r = Travik_CallBackPreview(h, nullptr, stream, whole ? streamLength : 1000, rowOrder);
        break;
    }
    case 6:
        w.Begin(Format("Travik_StartPreview(%d)", h));
        r = Travik_StartPreview(h);
        break;
    case 7:
        w.Begin(Format("Travik_Capture(%d)", h));
        r = Travik_Capture(h);
        break;
    case 8:
        w.Begin(Format("Travik_Trigger(%d, whole buffer)", h));
        r = Travik_Trigger(h, nullptr, stream, streamLength, rowOrder);
        break;
    case 9:
        w.Begin(Format("Travik_Close(%d)", h));
        r = Travik_Close(h);
        break;
    default:
        w.Begin(Format("Travik_StopPreview(%d)", h));
        r = Travik_StopPreview(h);
        break;
    }
    w.Check(ZeroOrOne(r), r);
}

void CallDevices(Worker& w, int h) {
    switch (Pick(w.rng, 0, 4)) {
    case 0: {
        static const int lengths[] = {0, 5, 19, 20, 64};
        const int length = lengths[Pick(w.rng, 0, 4)];
        const int device = Pick(w.rng, -2, 40);
        char name[64];
        std::memset(name, kPoison, sizeof name);
        w.Begin(Format("Travik_GetDeviceName(%d, %d, poisoned, %d)", h, device, length));
        const int r = Travik_GetDeviceName(h, device, name, length);
        w.Check(ZeroOrOne(r), r) && w.Untouched(r, name, sizeof name);
        break;
    }
    case 1: {
        std::vector<char> slots(32 * 256, static_cast<char>(kPoison));
        const bool null = Pick(w.rng, 0, 3) == 0;
        w.Begin(Format("Travik_EnumDevice(%d, %s)", h, null ? "NULL" : "poisoned"));
        const int r = Travik_EnumDevice(h, null ? nullptr : slots.data());
        w.Check(r >= 0 && r <= 32, r) && w.Untouched(r, slots.data(), slots.size());
        break;
    }
    case 2: {
        static const int sizes[] = {0, 8, 35, 36};
        CameraInfo info;
        std::memset(&info, kPoison, sizeof info);
        info.size = sizes[Pick(w.rng, 0, 3)];
        const bool null = Pick(w.rng, 0, 4) == 0;
        w.Begin(Format("Travik_GetCameraInfo(%d, %s size %d)", h, null ? "NULL" : "record",
                       info.size));
        const int r = Travik_GetCameraInfo(h, null ? nullptr : &info);
        w.Check(ZeroOrOne(r), r) &&
            w.Untouched(r, reinterpret_cast<unsigned char*>(&info) + sizeof info.size,
                        sizeof info - sizeof info.size);
        break;
    }
    case 3: {
        // Mostly the checked device; now and then another or none.
        const int device = Pick(w.rng, 0, 3) ? w.chaos.device : Pick(w.rng, -1, 35);
        w.Begin(Format("Travik_SetDeviceNumber(%d, %d)", h, device));
        const int r = Travik_SetDeviceNumber(h, device);
        w.Check(ZeroOrOne(r), r);
        break;
    }
    default: {
        const int address = Pick(w.rng, 0, 2) ? Pick(w.rng, 0, 300) : static_cast<int>(w.rng());
        const bool sensor = Pick(w.rng, 0, 1);
        w.Begin(Format("Travik_ReadRegister%s(%d, %d)", sensor ? "Ex" : "", h, address));
        int ok = kOkBeforeCall;
        const int r = sensor ? Travik_ReadRegisterEx(h, address, &ok)
                             : Travik_ReadRegister(h, address, &ok);
        CheckGetter(w, r, ok);
        break;
    }
    }
}

void CallMisc(Worker& w, int h) {
    switch (Pick(w.rng, 0, 7)) {
    case 0: {
        w.Begin(Format("Travik_GetLastError(%d)", h));
        const int r = Travik_GetLastError(h);
        w.Check((r >= 0 && r <= 9) || (r >= 11 && r <= 13), r);
        break;
    }
    case 1: {
        w.Begin("Travik_GetDllVersion()");
        const int r = Travik_GetDllVersion();
        w.Check(r == w.chaos.dllVersion, r);
        break;
    }
    case 2: {
        w.Begin(Format("Travik_GetStatus(%d)", h));
        const int r = Travik_GetStatus(h, nullptr);
        w.Check(r == 0, r);
        break;
    }
    case 3: {
        // Only handles that the recycler does not own: each of its releases must succeed.
        const int handle = Pick(w.rng, 0, 1) ? w.chaos.handles.stale.load() : Pick(w.rng, 0, 1);
        w.Begin(Format("Travik_Release(%d, not live)", handle));
        bool live = false;
        for (const auto& slot : w.chaos.handles.slots)
            live = live || slot == handle;
        const int r = live ? 0 : Travik_Release(handle);
        w.Check(r == 0, r);
        break;
    }
    case 4: {
        const bool null = Pick(w.rng, 0, 1);
        w.Begin(Format("Travik_LoadConfigFileA(%d, %s)", h, null ? "NULL" : "missing file"));
        const int r = Travik_LoadConfigFileA(h, null ? nullptr : w.chaos.missingFolderFile.c_str());
        w.Check(r == 0, r);
        break;
    }
    case 5: {
        const int type = Pick(w.rng, -1, 8);
        w.Begin(Format("Travik_SaveImage(%d, missing folder, %d)", h, type));
        const int r = Travik_SaveImage(h, w.chaos.missingFolderFile.c_str(), type);
        w.Check(r == 0, r);
        break;
    }
    case 6: {
        const int wait = Pick(w.rng, -5, 60);
        w.Begin(Format("Travik_SetWaitTime(%d, %d) / GetWaitTime", h, wait));
        const int r = Travik_SetWaitTime(h, wait);
        w.Check(ZeroOrOne(r), r) && w.Check(Travik_GetWaitTime(h) >= -1, -2);
        break;
    }
    default: {
        const int index = PickValue(w);
        w.Begin(Format("Travik_ReadSromID(%d, %d)", h, index));
        int ok = kOkBeforeCall;
        const int r = Travik_ReadSromID(h, index, &ok);
        CheckGetter(w, r, ok) && w.Check(r >= 0 && r <= 255, r);
        break;
    }
    }
}

void RunWorker(Chaos& chaos, Trace& trace, unsigned seed, int calls) {
    Worker w{chaos, trace, Rng(seed), {}};
    using CallFn = void (*)(Worker&, int);
    static const CallFn families[] = {CallSetting, CallSetting, CallFilter, CallFormat,
                                      CallAcquisition, CallAcquisition, CallDevices, CallMisc};
    for (int i = 0; i < calls && !chaos.stop; ++i) {
        const CallFn family = families[Pick(w.rng, 0, static_cast<int>(std::size(families)) - 1)];
        family(w, PickHandle(w));
    }
    trace.done = true;
}

// The chaos changes settings at random, and every release saves them: the SDK's registry key is
// copied aside first and put back at the end, so that the check leaves the camera's settings as
// it found them.
class SettingsGuard {
  public:
    SettingsGuard() {
        RegDeleteTreeA(HKEY_CURRENT_USER, kBackup);
        HKEY settings = nullptr;
        m_hadSettings = RegOpenKeyExA(HKEY_CURRENT_USER, kSettings, 0, KEY_READ, &settings) ==
                        ERROR_SUCCESS;
        if (!m_hadSettings) return;
        HKEY backup = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kBackup, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &backup, nullptr) == ERROR_SUCCESS) {
            m_saved = RegCopyTreeA(settings, nullptr, backup) == ERROR_SUCCESS;
            RegCloseKey(backup);
        }
        RegCloseKey(settings);
    }
    ~SettingsGuard() {
        if (m_hadSettings && !m_saved) return; // nothing to put back: leave what is there
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettings);
        if (m_saved) {
            HKEY backup = nullptr, settings = nullptr;
            if (RegOpenKeyExA(HKEY_CURRENT_USER, kBackup, 0, KEY_READ, &backup) == ERROR_SUCCESS) {
                if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettings, 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &settings, nullptr) == ERROR_SUCCESS) {
                    RegCopyTreeA(backup, nullptr, settings);
                    RegCloseKey(settings);
                }
                RegCloseKey(backup);
            }
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, kBackup);
    }
    SettingsGuard(const SettingsGuard&) = delete;
    SettingsGuard& operator=(const SettingsGuard&) = delete;

  private:
    static constexpr const char* kSettings = "Software\\Ostrel\\Travik380TZ4RDXSdk";
    static constexpr const char* kBackup = "Software\\Ostrel\\Travik380TZ4RDXSdk.check-backup";
    bool m_hadSettings = false;
    bool m_saved = false;
};

// A camera on the checked device that makes no preview window: the workers are threads without
// a message loop, and a window belongs to the thread that made it.
int OpenSharedCamera(int device) {
    const int handle = Travik_Initialize(nullptr);
    if (handle == 0) return 0;
    Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0);
    Travik_SetDeviceNumber(handle, device);
    return handle;
}

// Releases a shared handle and puts a new camera in its place, again and again, until told to
// stop; then releases them all.
void RunRecycler(Chaos& chaos, Trace& trace, unsigned seed) {
    Rng rng(seed);
    while (!chaos.stop) {
        const int slot = Pick(rng, 0, kSharedHandles - 1);
        trace.Note("Travik_Initialize + Travik_SetDeviceNumber for slot " + std::to_string(slot));
        const int fresh = OpenSharedCamera(chaos.device);
        if (fresh == 0) {
            chaos.Fail("Travik_Initialize gave no handle while the workers ran");
            break;
        }
        trace.Returned();
        const int old = chaos.handles.slots[slot].exchange(fresh);
        trace.Note("Travik_Release(" + std::to_string(old) + ") of slot " + std::to_string(slot));
        const int released = Travik_Release(old);
        trace.Returned();
        if (released != 1) chaos.Fail("the recycler's Travik_Release of a live handle returned " +
                                      std::to_string(released));
        chaos.handles.stale = old;
        Sleep(static_cast<DWORD>(Pick(rng, 0, 200)));
    }
    trace.done = true;
}

// Waits for threads [first, first + count) to finish; the last calls of the stuck ones when a
// thread's last call has not returned for kStallMs, empty otherwise.
std::string Watch(std::vector<Trace>& traces, size_t first, size_t count) {
    for (;;) {
        bool allDone = true;
        std::string stuck;
        const DWORD now = GetTickCount();
        for (size_t i = first; i < first + count; ++i) {
            Trace& t = traces[i];
            allDone = allDone && t.done;
            if (!t.done && now - t.lastReturn > kStallMs)
                stuck += (stuck.empty() ? "" : " | ") + std::string("thread ") +
                         std::to_string(i) + ": " + t.Recent();
        }
        if (allDone || !stuck.empty()) return stuck;
        Sleep(100);
    }
}

struct ChaosRun {
    Chaos chaos;
    std::vector<Trace> traces = std::vector<Trace>(kWorkers + 1); // the recycler's last
};

} // namespace

std::string RunChaos(const CheckContext& context, int callsPerWorker, unsigned seed) {
    const SettingsGuard settings; // put back after every camera below was released
    // Shared with the threads, so that threads left stuck in the SDK never touch freed memory.
    auto run = std::make_shared<ChaosRun>();
    Chaos& chaos = run->chaos;
    chaos.device = context.options.device;
    chaos.dllVersion = Travik_GetDllVersion();
    chaos.stream.assign(kStreamBytes, 0);
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    chaos.missingFolderFile = std::string(temp) + "travikcam-no-such-folder\\chaos.bmp";
    for (auto& slot : chaos.handles.slots) {
        slot = OpenSharedCamera(chaos.device);
        if (slot == 0) return "Travik_Initialize gave no handle";
    }
    for (Trace& t : run->traces)
        t.lastReturn = GetTickCount();
    std::vector<std::thread> threads;
    for (int i = 0; i < kWorkers; ++i)
        threads.emplace_back([run, i, seed, callsPerWorker] {
            RunWorker(run->chaos, run->traces[i], seed + 1 + i, callsPerWorker);
        });
    threads.emplace_back(
        [run, seed] { RunRecycler(run->chaos, run->traces[kWorkers], seed); });

    std::string stuck = Watch(run->traces, 0, kWorkers);
    chaos.stop = true; // the recycler ends with the workers
    if (stuck.empty()) stuck = Watch(run->traces, kWorkers, 1);
    if (!stuck.empty()) {
        // A thread stuck in the SDK cannot be joined; the process has to end without it.
        for (std::thread& t : threads)
            t.detach();
        g_checkThreadsAbandoned = true;
        return "calls stopped returning for " + std::to_string(kStallMs / 1000) + " s: " + stuck;
    }
    for (std::thread& t : threads)
        t.join();
    for (auto& slot : chaos.handles.slots)
        if (const int released = Travik_Release(slot); released != 1)
            chaos.Fail("the last Travik_Release of a shared handle returned " +
                       std::to_string(released));
    long calls = 0;
    std::map<std::string, std::pair<long, DWORD>> costs;
    for (int i = 0; i < kWorkers; ++i) {
        calls += run->traces[i].calls;
        for (const auto& [name, cost] : run->traces[i].costs) {
            costs[name].first += cost.first;
            costs[name].second += cost.second;
        }
    }
    // Where the time went: the exports that took longest in all, for the log.
    std::vector<std::pair<DWORD, std::string>> slowest;
    for (const auto& [name, cost] : costs)
        slowest.emplace_back(cost.second, name + " x" + std::to_string(cost.first));
    std::sort(slowest.rbegin(), slowest.rend());
    for (size_t i = 0; i < slowest.size() && i < 5; ++i)
        std::fprintf(stderr, "check:     %s: %.1f s\n", slowest[i].second.c_str(),
                     slowest[i].first / 1000.0);
    std::fprintf(stderr, "check:   %ld calls by %d threads, %ld handle re-creations\n", calls,
                 kWorkers, run->traces[kWorkers].calls / 2);
    return chaos.failure;
}

GroupResult CheckChaos(const CheckContext& context) {
    GroupRun group("chaos");
    const bool quick = context.options.depth == CheckDepth::Quick;
    const int calls = quick ? 60 : context.options.depth == CheckDepth::Long ? 500 : 150;
    const unsigned seed = context.options.seed;
    std::fprintf(stderr, "check:   seed %u (replay with --seed %u)\n", seed, seed);
    group.Case(std::to_string(kWorkers) + " threads x " + std::to_string(calls) +
                   " random calls on handles re-created under them",
               [&] { return RunChaos(context, calls, seed); });
    if (context.virtualCamera && !g_checkThreadsAbandoned)
        for (unsigned d = 0; d < context.virtualDevices; ++d)
            travik_emu::ResetDevice(d);
    return group.Finish();
}

} // namespace travikcam
