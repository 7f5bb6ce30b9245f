// travikcam check: open/close cycles, frames in every colour mode by every acquisition call,
// start/stop sequences, bad handles and short buffers, and settings round trips.
#include "CheckCamera.h"
#include "CheckGroups.h"
#include "EmuControl.h"

#include <cstring>
#include <vector>

namespace travikcam {

namespace {

constexpr int kColorBits[] = {8, 16, 24, 32, 48, 64};
constexpr unsigned kFrameTimeoutMs = 10000;

std::string Fail(const std::string& what, CheckCamera& camera) {
    return what + " failed: " + camera.LastError();
}

std::string Bits(int bits) {
    return std::to_string(bits) + "-bit";
}

// Checks a tally of `wanted` frames; empty when all came and all matched.
std::string Judge(const FrameTally& tally, int wanted) {
    if (tally.frames < wanted)
        return std::to_string(tally.frames) + " of " + std::to_string(wanted) +
               " frames in " + std::to_string(kFrameTimeoutMs / 1000) + " s" +
               (tally.errors.empty() ? "" : ", error " + std::to_string(tally.errors.front()));
    if (!tally.wrongFrame.empty()) return tally.wrongFrame;
    return "";
}

// The camera set to a colour depth, with a buffer for one output picture.
struct Prepared {
    std::string failure;
    int width = 0, height = 0;
    std::vector<unsigned char> buffer;
};

Prepared Prepare(CheckCamera& camera, int device, int bits) {
    Prepared p;
    p.failure = camera.Open(device);
    if (!p.failure.empty()) return p;
    if (!Travik_SetColorMode(camera.handle(), bits)) {
        p.failure = Fail("Travik_SetColorMode(" + std::to_string(bits) + ")", camera);
        return p;
    }
    p.width = Travik_Width(camera.handle());
    p.height = Travik_Height(camera.handle());
    p.buffer.resize(static_cast<size_t>(p.width) * p.height * BytesPerPixel(bits));
    return p;
}

std::string CallbackFrames(const CheckContext& context, CheckCamera& camera, Prepared& p,
                           int bits, int count) {
    if (!p.failure.empty()) return p.failure;
    DrainNotices(context.notices);
    if (!Travik_CallBackPreview(camera.handle(), context.notices, p.buffer.data(),
                                static_cast<int>(p.buffer.size()), 1))
        return Fail("Travik_CallBackPreview", camera);
    const FrameTally tally =
        WaitForFrames(context.notices, count, kFrameTimeoutMs, p.width, p.height, bits);
    if (!Travik_StopPreview(camera.handle())) return Fail("Travik_StopPreview", camera);
    return Judge(tally, count);
}

std::string SnapshotFrames(CheckCamera& camera, Prepared& p, int count, bool capture) {
    if (!p.failure.empty()) return p.failure;
    if (capture && !Travik_Capture(camera.handle())) return Fail("Travik_Capture", camera);
    for (int i = 0; i < count; ++i)
        if (!Travik_SnapShot(camera.handle(), p.buffer.data(), static_cast<int>(p.buffer.size()),
                             1))
            return Fail("Travik_SnapShot " + std::to_string(i + 1), camera);
    if (capture && !Travik_StopPreview(camera.handle())) return Fail("Travik_StopPreview", camera);
    return "";
}

std::string TriggerFrames(const CheckContext& context, CheckCamera& camera, Prepared& p,
                          int bits, int count) {
    if (!p.failure.empty()) return p.failure;
    DrainNotices(context.notices);
    if (!Travik_Trigger(camera.handle(), context.notices, p.buffer.data(),
                        static_cast<int>(p.buffer.size()), 1))
        return Fail("Travik_Trigger", camera);
    FrameTally all;
    // One software trigger per frame, each awaited, so that every trigger makes one notice.
    for (int i = 0; i < count; ++i) {
        travik_emu::Trigger(static_cast<unsigned>(context.options.device));
        const FrameTally one =
            WaitForFrames(context.notices, 1, kFrameTimeoutMs, p.width, p.height, bits);
        all.frames += one.frames;
        all.errors.insert(all.errors.end(), one.errors.begin(), one.errors.end());
        if (all.wrongFrame.empty()) all.wrongFrame = one.wrongFrame;
        if (one.frames == 0) break;
    }
    if (!Travik_StopPreview(camera.handle())) return Fail("Travik_StopPreview", camera);
    return Judge(all, count);
}

} // namespace

GroupResult CheckOpenClose(const CheckContext& context) {
    GroupRun group("open-close");
    const int cycles = context.options.depth == CheckDepth::Quick ? 3
                       : context.options.depth == CheckDepth::Long ? 50 : 10;
    group.Case(std::to_string(cycles) + " open/release cycles", [&]() -> std::string {
        for (int i = 0; i < cycles; ++i) {
            const int handle = Travik_Initialize(nullptr);
            if (handle == 0) return "cycle " + std::to_string(i + 1) + ": no handle";
            if (const int code = Travik_GetLastError(handle)) {
                Travik_Release(handle);
                return "cycle " + std::to_string(i + 1) + ": initialisation reported " +
                       std::to_string(code);
            }
            if (!Travik_SetDeviceNumber(handle, context.options.device)) {
                Travik_Release(handle);
                return "cycle " + std::to_string(i + 1) + ": the device could not be selected";
            }
            if (Travik_Release(handle) != 1) return "Travik_Release did not return 1";
            if (Travik_Release(handle) != 0) return "a second Travik_Release did not return 0";
        }
        return "";
    });
    return group.Finish();
}

GroupResult CheckFrames(const CheckContext& context) {
    GroupRun group("frames");
    // The quick run keeps to a CI budget: every colour mode by every call, fewer frame counts.
    const bool quick = context.options.depth == CheckDepth::Quick;
    const std::vector<int> counts = quick ? std::vector<int>{1, 8} : std::vector<int>{1, 2, 3, 5, 8, 89};
    const std::vector<int> shortCounts = quick ? std::vector<int>{2} : counts;
    if (context.virtualCamera) travik_emu::SetPacingOff(static_cast<unsigned>(context.options.device));
    // One camera per colour mode serves all of that mode's cases: opening one costs more than
    // most of the cases.
    for (const int bits : kColorBits) {
        CheckCamera camera;
        Prepared p = Prepare(camera, context.options.device, bits);
        std::vector<int> callbackCounts = counts;
        if (quick && bits == 8) callbackCounts.push_back(89);
        for (const int n : callbackCounts)
            group.Case("callback " + Bits(bits) + " x" + std::to_string(n),
                       [&] { return CallbackFrames(context, camera, p, bits, n); });
        for (const int n : shortCounts) {
            group.Case("snapshot " + Bits(bits) + " x" + std::to_string(n),
                       [&] { return SnapshotFrames(camera, p, n, false); });
            group.Case("capture " + Bits(bits) + " x" + std::to_string(n),
                       [&] { return SnapshotFrames(camera, p, n, true); });
            if (context.virtualCamera)
                group.Case("trigger " + Bits(bits) + " x" + std::to_string(n),
                           [&] { return TriggerFrames(context, camera, p, bits, n); });
        }
    }
    if (context.virtualCamera) travik_emu::ResetDevice(static_cast<unsigned>(context.options.device));
    return group.Finish();
}

GroupResult CheckStartStop(const CheckContext& context) {
    GroupRun group("start-stop");
    const int repeats = context.options.depth == CheckDepth::Long ? 50 : 5;
    group.Case("start/stop x" + std::to_string(repeats), [&]() -> std::string {
        CheckCamera camera;
        if (std::string f = camera.Open(context.options.device); !f.empty()) return f;
        for (int i = 0; i < repeats; ++i) {
            if (!Travik_StartPreview(camera.handle())) return Fail("Travik_StartPreview", camera);
            if (!Travik_StopPreview(camera.handle())) return Fail("Travik_StopPreview", camera);
        }
        return "";
    });
    // A stop without a start, or twice, is harmless: 1, or 0 with code 1.
    group.Case("unbalanced stops", [&]() -> std::string {
        CheckCamera camera;
        if (std::string f = camera.Open(context.options.device); !f.empty()) return f;
        for (int i = 0; i < 3; ++i) {
            if (Travik_StopPreview(camera.handle()) == 0) {
                const int code = Travik_GetLastError(camera.handle());
                if (code != ERR_UNAVAILABLE)
                    return "a stop without a start failed with code " + std::to_string(code);
            }
        }
        if (!Travik_StartPreview(camera.handle())) return Fail("Travik_StartPreview", camera);
        Travik_StopPreview(camera.handle());
        Travik_StopPreview(camera.handle());
        if (Travik_Close(camera.handle()) != 1) return "Travik_Close after the stops did not return 1";
        if (Travik_Close(camera.handle()) != 1) return "a second Travik_Close did not return 1";
        // Usable again after all that.
        if (!Travik_StartPreview(camera.handle())) return Fail("a restart", camera);
        if (!Travik_StopPreview(camera.handle())) return Fail("the last stop", camera);
        return "";
    });
    group.Case("second start while running", [&]() -> std::string {
        CheckCamera camera;
        if (std::string f = camera.Open(context.options.device); !f.empty()) return f;
        if (!Travik_StartPreview(camera.handle())) return Fail("Travik_StartPreview", camera);
        std::string failure;
        if (Travik_StartPreview(camera.handle()) == 0) {
            const int code = Travik_GetLastError(camera.handle());
            if (code != ERR_UNAVAILABLE)
                failure = "a second start failed with code " + std::to_string(code);
        }
        if (!Travik_StopPreview(camera.handle()) && failure.empty())
            failure = Fail("Travik_StopPreview", camera);
        return failure;
    });
    return group.Finish();
}

} // namespace travikcam
