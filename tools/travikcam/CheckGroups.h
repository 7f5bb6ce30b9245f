// travikcam check: the groups of cases, each on the public API of the SDK.
#pragma once

#include "CheckRunner.h"

#include <windows.h>

#include <atomic>

namespace travikcam {

struct CheckContext {
    CheckOptions options;
    bool virtualCamera = false; // the virtual camera's control device answers
    unsigned virtualDevices = 0;
    HWND notices = nullptr;     // where every camera of the checks posts its notices
};

GroupResult CheckOpenClose(const CheckContext& context);
GroupResult CheckFrames(const CheckContext& context);
GroupResult CheckStartStop(const CheckContext& context);
GroupResult CheckBadArguments(const CheckContext& context);
GroupResult CheckSettings(const CheckContext& context);
// Threads making random calls on handles re-created under them. A call that never returns ends
// the case, sets g_checkThreadsAbandoned and leaves its thread behind: the process cannot end
// normally after that.
GroupResult CheckChaos(const CheckContext& context);
extern std::atomic<bool> g_checkThreadsAbandoned;
// One chaos run of `callsPerWorker` calls per thread; empty when every return was documented.
std::string RunChaos(const CheckContext& context, int callsPerWorker, unsigned seed);
// With the virtual camera only:
GroupResult CheckFrameAccounting(const CheckContext& context);
GroupResult CheckFourCameras(const CheckContext& context);
GroupResult CheckFaults(const CheckContext& context);
GroupResult CheckUnplug(const CheckContext& context);
// Automatic recovery after an unplug: one short case in the quick run.
GroupResult CheckRecovery(const CheckContext& context);
GroupResult CheckSoak(const CheckContext& context);

} // namespace travikcam
