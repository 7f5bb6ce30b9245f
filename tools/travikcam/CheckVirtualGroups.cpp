// travikcam check, on the virtual camera: frame numbers, four cameras at once, faults and
// unplugging.
#include "CheckCamera.h"
#include "CheckGroups.h"
#include "EmuControl.h"
#include "FourStreams.h"
#include "FrameGaps.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace travikcam {

namespace {

constexpr unsigned kTimeoutMs = 10000;

// A camera streaming 8-bit pictures, first sensor row first, into a buffer of its own.
struct Streamer {
    Streamer() = default;
    // `errors` also receives the camera's WM_CAMERA_ERROR posts.
    explicit Streamer(HWND errors) : camera(errors) {}
    CheckCamera camera;
    std::vector<unsigned char> buffer;
    int width = 0, height = 0;

    std::string Start(int device, HWND notices) {
        if (std::string f = camera.Open(device); !f.empty()) return f;
        if (!Travik_SetColorMode(camera.handle(), 8))
            return "Travik_SetColorMode(8) failed: " + camera.LastError();
        width = Travik_Width(camera.handle());
        height = Travik_Height(camera.handle());
        buffer.assign(static_cast<size_t>(width) * height, 0);
        if (!Travik_CallBackPreview(camera.handle(), notices, buffer.data(),
                                    static_cast<int>(buffer.size()), 1))
            return "Travik_CallBackPreview failed: " + camera.LastError();
        return "";
    }
};

// Each camera's frames seen by the check against the reads the SDK made of the device and the
// frames the device delivered, to tell where frames of a slow camera were lost.
std::string DescribeFourStreams(const FourStreams& four, DWORD elapsedMs) {
    std::string text = "in " + std::to_string(elapsedMs) + " ms, frames seen/read/delivered:";
    for (unsigned d = 0; d < 4; ++d) {
        TravikEmuStats stats = {};
        const bool read = travik_emu::ReadStats(d, stats);
        text += " " + std::to_string(d) + ": " + std::to_string(four.SeenBy(d)) + "/" +
                (read ? std::to_string(stats.frameReads) + "/" +
                            std::to_string(stats.framesDelivered)
                      : std::string("?/?"));
    }
    return text;
}

unsigned Device(const CheckContext& context) {
    return static_cast<unsigned>(context.options.device);
}

} // namespace

namespace {

// Virtual camera: the numbers stamped into the frames tell every skipped frame and every repeat.
std::string AccountByStamps(const CheckContext& context, int frames) {
    travik_emu::ResetDevice(Device(context));
    DrainNotices(context.notices);
    Streamer s;
    if (std::string f = s.Start(context.options.device, context.notices); !f.empty()) return f;
    StampAccount account;
    const FrameTally tally = WaitForFrames(
        context.notices, frames, kTimeoutMs * 3, s.width, s.height, 8,
        [&](const FrameInfo& info) {
            account.Add(ReadFrameStamp(info.buffer, info.width, info.height));
        });
    Travik_StopPreview(s.camera.handle());
    if (!account.Failure().empty()) return account.Failure();
    if (tally.frames < frames)
        return std::to_string(tally.frames) + " of " + std::to_string(frames) + " frames";
    std::fprintf(stderr, "check:   %d frames, %lld skipped by the newest-frame rule\n",
                 tally.frames, account.Skipped());
    return "";
}

// A camera without stamps: drops are read from the arrival times (FrameGaps.h).
std::string AccountByTiming(const CheckContext& context, int frames) {
    DrainNotices(context.notices);
    Streamer s;
    if (std::string f = s.Start(context.options.device, context.notices); !f.empty()) return f;
    std::vector<double> arrivals;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const FrameTally tally = WaitForFrames(
        context.notices, frames, kTimeoutMs * 3, s.width, s.height, 8, [&](const FrameInfo&) {
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            arrivals.push_back(1000.0 * static_cast<double>(now.QuadPart) /
                               static_cast<double>(frequency.QuadPart));
        });
    Travik_StopPreview(s.camera.handle());
    if (tally.frames < frames)
        return std::to_string(tally.frames) + " of " + std::to_string(frames) + " frames";
    const double period = MedianInterval(arrivals);
    const GapCount gaps = CountTimingGaps(arrivals, period);
    std::fprintf(stderr,
                 "check:   %d frames at %.1f ms, %d gaps over 1.5 periods, %lld frames dropped\n",
                 gaps.frames, period, gaps.gaps, gaps.dropped);
    return "";
}

} // namespace

GroupResult CheckFrameAccounting(const CheckContext& context) {
    GroupRun group("frame-accounting");
    const int frames = context.options.depth == CheckDepth::Long ? 500 : 40;
    if (context.virtualCamera)
        group.Case(std::to_string(frames) + " stamped frames, none repeated or backwards",
                   [&] { return AccountByStamps(context, frames); });
    else
        group.Case(std::to_string(frames) + " frames, drops counted from timing gaps",
                   [&] { return AccountByTiming(context, frames); });
    return group.Finish();
}

GroupResult CheckFourCameras(const CheckContext& context) {
    GroupRun group("four-cameras");
    if (context.virtualDevices < 4) {
        group.Record("four virtual cameras", "the virtual camera has " +
                                                 std::to_string(context.virtualDevices) +
                                                 " devices, 4 are needed");
        return group.Finish();
    }
    const int frames = context.options.depth == CheckDepth::Long ? 100 : 5;
    group.Case("four streams, each its own flat picture in every frame", [&]() -> std::string {
        const unsigned flats[4] = {64, 192, 320, 448};
        for (unsigned d = 0; d < 4; ++d) {
            travik_emu::ResetDevice(d);
            travik_emu::SetPatternFlat(d, flats[d]);
        }
        DrainNotices(context.notices);
        std::vector<Streamer> streams(4);
        std::string failure;
        for (int d = 0; d < 4 && failure.empty(); ++d)
            failure = streams[d].Start(d, context.notices);
        FourStreams four(frames, 2 * kTimeoutMs, GetTickCount());
        const DWORD start = GetTickCount();
        std::map<const unsigned char*, int> cameraOf;
        for (int d = 0; d < 4; ++d)
            cameraOf[streams[d].buffer.data()] = d;
        int value[4] = {-1, -1, -1, -1};
        while (failure.empty() && !four.Done(GetTickCount())) {
            WaitForFrames(context.notices, 1, 200, streams[0].width, streams[0].height, 8,
                          [&](const FrameInfo& info) {
                const auto found = cameraOf.find(info.buffer);
                if (found == cameraOf.end() || !failure.empty()) return;
                const int d = found->second;
                if (value[d] < 0) value[d] = info.buffer[0];
                if (std::string f = CheckFlat(info.buffer, info.width, info.height, value[d]);
                    !f.empty())
                    failure = "camera " + std::to_string(d) + ": " + f;
                four.Seen(d, GetTickCount());
            });
            // A camera that has given its frames, once every camera was seen streaming beside
            // the others, stops: its share of the machine goes to those still counting.
            for (int d = 0; d < 4; ++d)
                if (four.MayStop(d)) {
                    Travik_StopPreview(streams[d].camera.handle());
                    four.Stopped(d);
                }
        }
        for (Streamer& s : streams)
            Travik_StopPreview(s.camera.handle());
        const std::string counts = DescribeFourStreams(four, GetTickCount() - start);
        std::fprintf(stderr, "check:   %s\n", counts.c_str());
        for (unsigned d = 0; d < 4; ++d)
            travik_emu::ResetDevice(d);
        if (!failure.empty()) return failure;
        if (std::string f = four.Failure(GetTickCount()); !f.empty())
            return f + " (" + counts + ")";
        for (int d = 0; d < 4; ++d)
            for (int e = 0; e < d; ++e)
                if (value[d] == value[e])
                    return "cameras " + std::to_string(e) + " and " + std::to_string(d) +
                           " show the same picture";
        return "";
    });
    return group.Finish();
}

GroupResult CheckFaults(const CheckContext& context) {
    GroupRun group("faults");
    struct Fault {
        const char* name;
        unsigned kind;
        unsigned value;
    };
    const Fault faults[] = {{"three failed reads", TRAVIK_EMU_FAULT_FAIL_READS, 3},
                            {"one short read", TRAVIK_EMU_FAULT_SHORT_READ, 1000}};
    for (const Fault& fault : faults) {
        // A fault may be ridden over (frames go on) or reported (an error notice); once reported,
        // a stop and a start must bring the frames back.
        group.Case(std::string(fault.name) + ", then frames again", [&]() -> std::string {
            travik_emu::ResetDevice(Device(context));
            DrainNotices(context.notices);
            Streamer s;
            if (std::string f = s.Start(context.options.device, context.notices); !f.empty())
                return f;
            const FrameTally before =
                WaitForFrames(context.notices, 3, kTimeoutMs, s.width, s.height, 8);
            travik_emu::SetFault(Device(context), fault.kind, fault.value);
            FrameTally after = WaitForFrames(context.notices, 10, kTimeoutMs, s.width, s.height, 8);
            std::string failure;
            if (before.frames < 3) {
                failure = "no frames before the fault";
            } else if (after.frames < 10 && after.errors.empty()) {
                failure = std::to_string(after.frames) + " of 10 frames after the fault, and no error";
            } else if (after.frames < 10) {
                // A reported fault is over once the camera reads again (a fault left armed would
                // fail the restart's reads as well): then a stop and a start bring the frames
                // back, with no release.
                travik_emu::SetFault(Device(context), TRAVIK_EMU_FAULT_NONE, 0);
                Travik_StopPreview(s.camera.handle());
                DrainNotices(context.notices);
                if (!Travik_CallBackPreview(s.camera.handle(), context.notices, s.buffer.data(),
                                            static_cast<int>(s.buffer.size()), 1))
                    failure = "error " + std::to_string(after.errors.back()) +
                              " after the fault, and no restart: " + s.camera.LastError();
                else if (WaitForFrames(context.notices, 5, kTimeoutMs, s.width, s.height, 8)
                             .frames < 5)
                    failure = "error " + std::to_string(after.errors.back()) +
                              " after the fault, and no frames after a restart";
            }
            Travik_StopPreview(s.camera.handle());
            travik_emu::ResetDevice(Device(context));
            return failure;
        });
    }
    return group.Finish();
}

namespace {

// Where in the camera's work the cable is pulled.
enum class UnplugMoment { Streaming, AtStart, MidFrame, TriggerWait, Recording, Idle, Count };

const char* MomentName(UnplugMoment moment) {
    switch (moment) {
    case UnplugMoment::Streaming: return "while streaming";
    case UnplugMoment::AtStart: return "as streaming starts";
    case UnplugMoment::MidFrame: return "during a frame read";
    case UnplugMoment::TriggerWait: return "while waiting for a trigger";
    case UnplugMoment::Recording: return "while recording";
    default: return "while idle";
    }
}

bool HasCode(const std::vector<int>& codes, int code) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// Pumps notices until code 13 came or the time-out; the codes seen.
std::vector<int> WaitForDeviceLost(HWND notices, const Streamer& s) {
    std::vector<int> codes;
    for (const DWORD start = GetTickCount();
         GetTickCount() - start < kTimeoutMs && !HasCode(codes, ERR_DEVICE_LOST);) {
        const FrameTally more = WaitForFrames(notices, 1000000, 100, s.width, s.height, 8);
        codes.insert(codes.end(), more.errors.begin(), more.errors.end());
    }
    return codes;
}

// Pulls the cable at `moment` after a random delay; empty when the loss was told as it must be.
std::string UnplugAt(const CheckContext& context, Streamer& s, UnplugMoment moment,
                     std::mt19937& rng, const std::string& clip) {
    const unsigned device = Device(context);
    const int h = s.camera.handle();
    const DWORD delay = std::uniform_int_distribution<DWORD>(0, 60)(rng);
    auto start = [&] {
        return Travik_CallBackPreview(h, context.notices, s.buffer.data(),
                                      static_cast<int>(s.buffer.size()), 1) == 1;
    };
    switch (moment) {
    case UnplugMoment::Streaming:
        if (!start()) return "no start: " + s.camera.LastError();
        WaitForFrames(context.notices, 1 + static_cast<int>(rng() % 4), kTimeoutMs, s.width,
                      s.height, 8);
        break;
    case UnplugMoment::AtStart:
        if (!start()) return "no start: " + s.camera.LastError();
        break;
    case UnplugMoment::MidFrame:
        if (!start()) return "no start: " + s.camera.LastError();
        WaitForFrames(context.notices, 1, kTimeoutMs, s.width, s.height, 8);
        travik_emu::SetFault(device, TRAVIK_EMU_FAULT_STALL, 2000); // reads hang until unplugged
        break;
    case UnplugMoment::TriggerWait:
        if (!Travik_Trigger(h, context.notices, s.buffer.data(), static_cast<int>(s.buffer.size()),
                            1))
            return "no trigger mode: " + s.camera.LastError();
        break;
    case UnplugMoment::Recording:
        if (!start()) return "no start: " + s.camera.LastError();
        if (!Travik_Record(h, clip.c_str(), 10000, 0))
            return "no recording: " + s.camera.LastError();
        WaitForFrames(context.notices, 1 + static_cast<int>(rng() % 3), kTimeoutMs, s.width,
                      s.height, 8);
        break;
    default:
        break;
    }
    Sleep(delay);
    travik_emu::Unplug(device);
    if (moment == UnplugMoment::Idle) {
        // Nothing runs to notice the loss: the next start must be refused or tell it.
        if (!start()) return "";
    }
    if (!HasCode(WaitForDeviceLost(context.notices, s), ERR_DEVICE_LOST))
        return "no code 13 after the unplug";
    return "";
}

} // namespace

GroupResult CheckUnplug(const CheckContext& context) {
    GroupRun group("unplug");
    const int rounds = context.options.depth == CheckDepth::Long
                           ? 100
                           : static_cast<int>(UnplugMoment::Count);
    group.Case("unplugged at random moments, then frames again without a release x" +
                   std::to_string(rounds),
               [&]() -> std::string {
        const unsigned device = Device(context);
        travik_emu::ResetDevice(device);
        DrainNotices(context.notices);
        std::mt19937 rng(context.options.seed);
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        const std::string clip = std::string(temp) + "travikcam-unplug.avi";
        Streamer s(context.notices);
        if (std::string f = s.Start(context.options.device, context.notices); !f.empty()) return f;
        Travik_StopPreview(s.camera.handle());
        std::string failure;
        for (int i = 0; i < rounds && failure.empty(); ++i) {
            // Every moment once in the quick run; random ones in the long run.
            const auto moment = static_cast<UnplugMoment>(
                rounds == static_cast<int>(UnplugMoment::Count)
                    ? i
                    : static_cast<int>(rng() % static_cast<unsigned>(UnplugMoment::Count)));
            const std::string round =
                "round " + std::to_string(i + 1) + " (" + MomentName(moment) + "): ";
            DrainNotices(context.notices);
            if (std::string f = UnplugAt(context, s, moment, rng, clip); !f.empty())
                failure = round + f;
            travik_emu::SetFault(device, TRAVIK_EMU_FAULT_NONE);
            travik_emu::Plug(device);
            Travik_StopPreview(s.camera.handle());
            DrainNotices(context.notices);
            if (failure.empty() &&
                !Travik_CallBackPreview(s.camera.handle(), context.notices, s.buffer.data(),
                                        static_cast<int>(s.buffer.size()), 1))
                failure = round + "no restart after the replug: " + s.camera.LastError();
            if (failure.empty() &&
                WaitForFrames(context.notices, 3, kTimeoutMs, s.width, s.height, 8).frames < 3)
                failure = round + "no frames after the replug";
            Travik_StopPreview(s.camera.handle());
        }
        DeleteFileA(clip.c_str());
        travik_emu::Plug(device);
        travik_emu::ResetDevice(device);
        return failure;
    });
    return group.Finish();
}

namespace {

// A setting that the soak turns between two values while frames stream.
struct SoakSetting {
    const char* name;
    int (*set)(int, int);
    int (*get)(int, int*);
    int other;
};

const SoakSetting kSoakSettings[] = {
    {"exposure", Travik_SetExposureTime, Travik_GetExposureTime, 500},
    {"global gain", Travik_SetGlobalGain, Travik_GetGlobalGain, 300},
    {"gamma", Travik_SetGamma, Travik_GetGamma, 150},
    {"brightness", Travik_SetBrightness, Travik_GetBrightness, 20},
};

std::string Soak(const CheckContext& context) {
    const unsigned device = Device(context);
    travik_emu::ResetDevice(device);
    DrainNotices(context.notices);
    Streamer s;
    if (std::string f = s.Start(context.options.device, context.notices); !f.empty()) return f;
    int original[std::size(kSoakSettings)];
    for (size_t i = 0; i < std::size(kSoakSettings); ++i)
        original[i] = kSoakSettings[i].get(s.camera.handle(), nullptr);
    StampAccount stamps;
    std::vector<int> errors;
    const DWORD start = GetTickCount();
    const DWORD length = static_cast<DWORD>(context.options.soakSeconds) * 1000;
    int changes = 0;
    std::string failure;
    while (failure.empty() && stamps.Failure().empty() && GetTickCount() - start < length) {
        const FrameTally second = WaitForFrames(
            context.notices, 1000000, 1000, s.width, s.height, 8, [&](const FrameInfo& info) {
                stamps.Add(ReadFrameStamp(info.buffer, info.width, info.height));
            });
        errors.insert(errors.end(), second.errors.begin(), second.errors.end());
        if (!second.wrongFrame.empty()) failure = second.wrongFrame;
        if (second.frames == 0) failure = "no frame for a second after " +
                                          std::to_string(stamps.Frames()) + " frames";
        // Every five seconds one setting goes to its other value or back.
        if ((GetTickCount() - start) / 5000 > static_cast<DWORD>(changes)) {
            const size_t which = static_cast<size_t>(changes) % std::size(kSoakSettings);
            const bool back = (changes / std::size(kSoakSettings)) % 2 == 1;
            const SoakSetting& setting = kSoakSettings[which];
            if (!setting.set(s.camera.handle(), back ? original[which] : setting.other))
                failure = std::string("setting the ") + setting.name + " failed: " +
                          s.camera.LastError();
            ++changes;
        }
    }
    Travik_StopPreview(s.camera.handle());
    for (size_t i = 0; i < std::size(kSoakSettings); ++i)
        kSoakSettings[i].set(s.camera.handle(), original[i]);
    TravikEmuStats stats = {};
    travik_emu::ReadStats(device, stats);
    travik_emu::ResetDevice(device);
    std::fprintf(stderr,
                 "check:   %d s: %lld frames shown, %lld skipped by the newest-frame rule "
                 "(frames %lld to %lld; the camera made %u), %d setting changes\n",
                 context.options.soakSeconds, stamps.Frames(), stamps.Skipped(), stamps.First(),
                 stamps.Last(), stats.nextFrameNumber - 1, changes);
    if (!stamps.Failure().empty()) return stamps.Failure();
    if (!failure.empty()) return failure;
    if (!errors.empty()) return "error " + std::to_string(errors.front()) + " while streaming";
    // Every frame between the first and the last shown was either shown or skipped, once.
    if (stamps.Frames() + stamps.Skipped() != stamps.Last() - stamps.First() + 1)
        return "the frame count does not add up";
    return "";
}

} // namespace

GroupResult CheckSoak(const CheckContext& context) {
    GroupRun group("soak");
    if (!context.virtualCamera) {
        group.Record("soak", "needs the virtual camera's frame numbers");
        return group.Finish();
    }
    group.Case(std::to_string(context.options.soakSeconds) +
                   " s of streaming with a setting changed every 5 s, frames accounted",
               [&] { return Soak(context); });
    return group.Finish();
}

} // namespace travikcam
