// travikcam check: the groups of cases, each on the public API of the SDK.
#pragma once

#include "CheckRunner.h"

#include <windows.h>

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
// With the virtual camera only:
GroupResult CheckFrameAccounting(const CheckContext& context);
GroupResult CheckFourCameras(const CheckContext& context);
GroupResult CheckFaults(const CheckContext& context);
GroupResult CheckUnplug(const CheckContext& context);

} // namespace travikcam
