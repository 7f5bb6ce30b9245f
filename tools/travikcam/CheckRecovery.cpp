// travikcam check, on the virtual camera: automatic recovery. The cable is pulled in preview,
// callback preview and trigger mode with recovery on; the camera must come back by itself with
// every register as before, the loss and the return told once each; another camera at the
// device number must not be taken.
#include "CheckCamera.h"
#include "CheckGroups.h"
#include "EmuControl.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace travikcam {

namespace {

constexpr DWORD kTimeoutMs = 10000;
constexpr unsigned kSerialLastDigit = 0x1810 + 11; // the last character of the ROM's serial

// What the notice window heard while a step waited.
struct Heard {
    int frames = 0;
    int lost = 0; // WM_CAMERA_ERROR with code 13
    int resumed = 0;
    int otherCameras = 0;
    std::vector<int> otherCodes;
};

void Note(Heard& heard, const MSG& msg) {
    if (msg.message == WM_CAMERA_NOTIFY) {
        if (msg.wParam)
            ++heard.frames;
        else if (msg.lParam != ERR_DEVICE_LOST)
            heard.otherCodes.push_back(static_cast<int>(msg.lParam));
    } else if (msg.message == WM_CAMERA_ERROR) {
        if (msg.lParam == ERR_DEVICE_LOST)
            ++heard.lost;
        else
            heard.otherCodes.push_back(static_cast<int>(msg.lParam));
    } else if (msg.message == WM_CAMERA_RECOVERY) {
        heard.resumed += msg.wParam == TRAVIK_RECOVERY_RESUMED;
        heard.otherCameras += msg.wParam == TRAVIK_RECOVERY_OTHER_CAMERA;
    } else {
        DispatchMessageA(&msg);
    }
}

// Pumps `window` until `done` holds or `ms` passed.
bool Listen(HWND window, Heard& heard, const std::function<bool()>& done, DWORD ms = kTimeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE))
            Note(heard, msg);
        if (done()) return true;
        if (GetTickCount() - start >= ms) return false;
        MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

enum class Mode { Preview, CallbackPreview, TriggerMode, Count };

const char* ModeName(Mode mode) {
    switch (mode) {
    case Mode::Preview:
        return "preview";
    case Mode::CallbackPreview:
        return "callback preview";
    default:
        return "trigger mode";
    }
}

unsigned Delivered(unsigned device) {
    TravikEmuStats stats = {};
    travik_emu::ReadStats(device, stats);
    return stats.framesDelivered;
}

// A camera with recovery on, whose errors and notices go to the check's notice window.
class RecoveringCamera {
  public:
    explicit RecoveringCamera(const CheckContext& context)
        : m_context(context), m_device(static_cast<unsigned>(context.options.device)),
          m_camera(context.notices), m_buffer(1280u * 960u) {}

    std::string Open() {
        if (std::string f = m_camera.Open(m_context.options.device); !f.empty()) return f;
        if (!Travik_SetColorMode(h(), 8) || !Travik_SetPreviewWindow(h(), nullptr, 0, 0, 0, 0))
            return "the camera could not be set up: " + m_camera.LastError();
        const TravikRecoveryOptions on = {sizeof on, 1, 0};
        if (!TravikEx_SetRecovery(h(), &on))
            return "TravikEx_SetRecovery failed: " + m_camera.LastError();
        return "";
    }
    std::string Start(Mode mode) {
        int started = 0;
        if (mode == Mode::Preview) started = Travik_StartPreview(h());
        if (mode == Mode::CallbackPreview)
            started = Travik_CallBackPreview(h(), m_context.notices, m_buffer.data(), Length(), 1);
        if (mode == Mode::TriggerMode)
            started = Travik_Trigger(h(), m_context.notices, m_buffer.data(), Length(), 1);
        return started ? ""
                       : std::string("no start of ") + ModeName(mode) + ": " + m_camera.LastError();
    }
    // Frames come in `mode`: notices, or the camera's deliveries for a preview that posts none.
    bool FramesCome(Mode mode, Heard& heard, int frames) {
        if (mode == Mode::Preview) {
            const unsigned first = Delivered(m_device);
            return Listen(m_context.notices, heard,
                          [&] { return Delivered(m_device) >= first + frames; });
        }
        const int seen = heard.frames;
        if (mode == Mode::TriggerMode) travik_emu::Trigger(m_device);
        return Listen(m_context.notices, heard, [&] { return heard.frames >= seen + frames; });
    }
    TravikRecoveryStatus Status() {
        TravikRecoveryStatus status = {};
        status.size = sizeof status;
        TravikEx_GetRecoveryStatus(h(), &status);
        return status;
    }
    int h() const { return m_camera.handle(); }
    unsigned device() const { return m_device; }
    HWND notices() const { return m_context.notices; }

  private:
    int Length() const { return static_cast<int>(m_buffer.size()); }
    const CheckContext& m_context;
    unsigned m_device;
    CheckCamera m_camera;
    std::vector<unsigned char> m_buffer;
};

std::string RegistersDiffer(const TravikEmuRegisters& a, const TravikEmuRegisters& b) {
    for (int i = 0; i < 256; ++i)
        if (a.controller[i] != b.controller[i])
            return "controller register " + std::to_string(i) + " was " +
                   std::to_string(a.controller[i]) + ", is " + std::to_string(b.controller[i]);
    for (int i = 0; i < 1024; ++i)
        if (a.sensor[i] != b.sensor[i])
            return "sensor register " + std::to_string(i) + " was " + std::to_string(a.sensor[i]) +
                   ", is " + std::to_string(b.sensor[i]);
    return "";
}

// One pull of the cable at a random moment and its return; empty when the camera came back with
// its registers as before and the loss and the return were told once each.
std::string PullAndReturn(RecoveringCamera& r, Mode mode, std::mt19937& rng, DWORD& plugToFrameMs) {
    Heard heard;
    // A new gain and exposure each round, so a camera taken back with old settings shows.
    Travik_SetGlobalGain(r.h(), static_cast<int>(rng() % 1024));
    Travik_SetExposureTime(r.h(), 3 + static_cast<int>(rng() % 1001));
    if (!r.FramesCome(mode, heard, 1)) return "no frames before the unplug";
    Sleep(std::uniform_int_distribution<DWORD>(0, 40)(rng));
    TravikEmuRegisters before = {}, after = {};
    travik_emu::ReadRegs(r.device(), before);
    travik_emu::Unplug(r.device());
    // Half the rounds plug the cable back before the SDK could notice.
    if (rng() % 2 && !Listen(r.notices(), heard, [&] { return heard.lost > 0; }))
        return "no code 13 after the unplug";
    travik_emu::Plug(r.device());
    const DWORD plugged = GetTickCount();
    if (!Listen(r.notices(), heard, [&] { return heard.resumed > 0; }))
        return "the camera was not taken back (status: waiting " +
               std::to_string(r.Status().waiting) + ")";
    if (!r.FramesCome(mode, heard, 1)) return "no frames after the return";
    plugToFrameMs = GetTickCount() - plugged;
    travik_emu::ReadRegs(r.device(), after);
    if (heard.lost != 1) return "the loss was told " + std::to_string(heard.lost) + " times";
    if (heard.resumed != 1)
        return "the return was told " + std::to_string(heard.resumed) + " times";
    if (!heard.otherCodes.empty()) return "error " + std::to_string(heard.otherCodes.front());
    if (std::string d = RegistersDiffer(before, after); !d.empty()) return d;
    return "";
}

std::string UnplugRounds(const CheckContext& context, int rounds) {
    travik_emu::ResetDevice(static_cast<unsigned>(context.options.device));
    DrainNotices(context.notices);
    std::mt19937 rng(context.options.seed ^ 0x2EC0u);
    std::vector<DWORD> times;
    std::string failure;
    for (int m = 0; m < static_cast<int>(Mode::Count) && failure.empty(); ++m) {
        const auto mode = static_cast<Mode>(m);
        RecoveringCamera r(context);
        if (std::string f = r.Open(); !f.empty()) return f;
        if (std::string f = r.Start(mode); !f.empty()) return f;
        const int share = (rounds + m) / static_cast<int>(Mode::Count);
        for (int i = 0; i < share && failure.empty(); ++i) {
            DWORD ms = 0;
            if (std::string f = PullAndReturn(r, mode, rng, ms); !f.empty())
                failure =
                    std::string(ModeName(mode)) + ", round " + std::to_string(i + 1) + ": " + f;
            times.push_back(ms);
        }
        Travik_StopPreview(r.h());
        DrainNotices(context.notices);
    }
    travik_emu::Plug(static_cast<unsigned>(context.options.device));
    travik_emu::ResetDevice(static_cast<unsigned>(context.options.device));
    if (!times.empty()) {
        std::sort(times.begin(), times.end());
        std::fprintf(stderr, "check:   plug to first frame: median %lu ms, slowest %lu ms\n",
                     times[times.size() / 2], times.back());
    }
    return failure;
}

// A camera with another serial at the device number is left alone; the lost one is taken when
// it comes back in its place.
std::string OtherCamera(const CheckContext& context) {
    const unsigned device = static_cast<unsigned>(context.options.device);
    travik_emu::ResetDevice(device);
    DrainNotices(context.notices);
    std::vector<unsigned char> digit;
    if (!travik_emu::ReadRom(device, kSerialLastDigit, 1, digit))
        return "the ROM could not be read";
    RecoveringCamera r(context);
    if (std::string f = r.Open(); !f.empty()) return f;
    if (std::string f = r.Start(Mode::CallbackPreview); !f.empty()) return f;
    Heard heard;
    std::string failure;
    travik_emu::Unplug(device);
    travik_emu::WriteRom(device, kSerialLastDigit, digit[0] ^ 1);
    travik_emu::Plug(device);
    if (!Listen(context.notices, heard, [&] { return heard.otherCameras > 0; })) {
        failure = "the other camera was not told";
    } else {
        const int frames = heard.frames;
        Listen(
            context.notices, heard, [] { return false; }, 1000);
        if (heard.resumed != 0 || heard.frames != frames) failure = "the other camera was taken";
    }
    travik_emu::Unplug(device);
    travik_emu::WriteRom(device, kSerialLastDigit, digit[0]);
    travik_emu::Plug(device);
    if (failure.empty() && !Listen(context.notices, heard, [&] { return heard.resumed > 0; }))
        failure = "the lost camera was not taken back after the other one";
    Travik_StopPreview(r.h());
    travik_emu::ResetDevice(device);
    return failure;
}

// While the camera stays away, a stop and a release return without waiting for it.
std::string NeverReturns(const CheckContext& context) {
    const unsigned device = static_cast<unsigned>(context.options.device);
    travik_emu::ResetDevice(device);
    DrainNotices(context.notices);
    std::string failure;
    {
        RecoveringCamera r(context);
        if (std::string f = r.Open(); !f.empty()) return f;
        if (std::string f = r.Start(Mode::CallbackPreview); !f.empty()) return f;
        Heard heard;
        travik_emu::Unplug(device);
        if (!Listen(context.notices, heard, [&] { return heard.lost > 0; }))
            failure = "no code 13 after the unplug";
        else if (!Travik_SetGlobalGain(r.h(), 300) || !Travik_StopPreview(r.h()))
            failure = "a setter or the stop failed while the camera was away";
        else if (r.Status().waiting != 0)
            failure = "still waiting after the stop";
        // The release at the end of this scope must return too; a hang stops the check here.
    }
    travik_emu::Plug(device);
    travik_emu::ResetDevice(device);
    DrainNotices(context.notices);
    return failure;
}

} // namespace

GroupResult CheckRecovery(const CheckContext& context) {
    GroupRun group("recovery");
    if (!context.virtualCamera) {
        group.Record("recovery", "needs the virtual camera to pull the cable");
        return group.Finish();
    }
    if (context.options.depth == CheckDepth::Quick) {
        group.Case("callback preview unplugged and taken back with every register", [&] {
            travik_emu::ResetDevice(static_cast<unsigned>(context.options.device));
            RecoveringCamera r(context);
            if (std::string f = r.Open(); !f.empty()) return f;
            if (std::string f = r.Start(Mode::CallbackPreview); !f.empty()) return f;
            std::mt19937 rng(context.options.seed);
            DWORD ms = 0;
            std::string failure = PullAndReturn(r, Mode::CallbackPreview, rng, ms);
            Travik_StopPreview(r.h());
            travik_emu::Plug(static_cast<unsigned>(context.options.device));
            travik_emu::ResetDevice(static_cast<unsigned>(context.options.device));
            return failure;
        });
        return group.Finish();
    }
    const int rounds = context.options.depth == CheckDepth::Long ? 100 : 12;
    group.Case(std::to_string(rounds) +
                   " unplugs at random moments in preview, callback preview and trigger mode, "
                   "each told once and taken back with every register",
               [&] { return UnplugRounds(context, rounds); });
    group.Case("a camera with another serial is not taken", [&] { return OtherCamera(context); });
    group.Case("a camera that never returns: setter, stop and release return",
               [&] { return NeverReturns(context); });
    return group.Finish();
}

} // namespace travikcam
