// travikcam check: arguments, the groups in order, resources back to baseline after each group,
// the summary and the JUnit report.
#include "Check.h"

#include "CheckCamera.h"
#include "CheckGroups.h"
#include "EmuControl.h"
#include "LastingEvent.h"
#include "resources/ResourceCount.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

namespace travikcam {

namespace {

int Usage(const char* problem) {
    if (problem) std::fprintf(stderr, "travikcam check: %s\n", problem);
    std::fprintf(stderr, "usage: travikcam check [--device N] [--quick|--long] [--junit FILE]\n"
                         "                       [--seed N] [--soak-seconds N] [--group NAME]\n");
    return 2;
}

// A whole decimal number from 0 to `most`, nothing else.
bool ParseNumber(const char* text, unsigned long most, unsigned long& value) {
    if (!text || *text < '0' || *text > '9') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text, &end, 10);
    if (*end != '\0' || errno == ERANGE || parsed > most) return false;
    value = static_cast<unsigned long>(parsed);
    return true;
}

using GroupFn = GroupResult (*)(const CheckContext&);

const char* GroupName(GroupFn group) {
    struct Named {
        GroupFn group;
        const char* name;
    };
    static const Named names[] = {{CheckOpenClose, "open-close"},
                                  {CheckBadArguments, "bad-arguments"},
                                  {CheckSettings, "settings"},
                                  {CheckStartStop, "start-stop"},
                                  {CheckFrames, "frames"},
                                  {CheckFrameAccounting, "frame-accounting"},
                                  {CheckFourCameras, "four-cameras"},
                                  {CheckFaults, "faults"},
                                  {CheckUnplug, "unplug"},
                                  {CheckRecovery, "recovery"},
                                  {CheckChaos, "chaos"},
                                  {CheckSoak, "soak"}};
    for (const Named& n : names)
        if (n.group == group) return n.name;
    return "";
}

bool IsGroupName(const std::string& name) {
    for (const GroupFn group : {CheckOpenClose, CheckBadArguments, CheckSettings, CheckStartStop,
                                CheckFrames, CheckFrameAccounting, CheckFourCameras, CheckFaults,
                                CheckUnplug, CheckRecovery, CheckChaos, CheckSoak})
        if (name == GroupName(group)) return true;
    return false;
}

// Every group's resources are counted before and after it: a group leaves nothing behind.
GroupResult RunGroup(GroupFn group, const CheckContext& context) {
    const travik_resources::ResourceCounts before = travik_resources::CountResources();
    GroupResult result = group(context);
    const travik_resources::ResourceCounts after = travik_resources::CountResources();
    CaseResult resources;
    resources.name = "resources back to baseline";
    static LastingEventAllowance threadLibraryEvent;
    if (!threadLibraryEvent.Accept(before, after))
        resources.reason = travik_resources::DescribeGrowth(before, after);
    resources.passed = resources.reason.empty();
    if (!resources.passed)
        std::fprintf(stderr, "check:   FAILED %s: %s\n", resources.name.c_str(),
                     resources.reason.c_str());
    result.cases.push_back(resources);
    std::fprintf(stderr, "check:   private bytes %+lld\n",
                 static_cast<long long>(after.privateBytes) -
                     static_cast<long long>(before.privateBytes));
    return result;
}

// Threads made and ended by several threads at once. The first time that happens, the thread
// library (MinGW's POSIX threads) makes one auto-reset event, the wait object of a lock of its
// own that a thread had to wait for, and keeps it for the life of the process: the chaos threads
// ending together would otherwise make it during that group, one handle above its baseline.
// Fifty threads made in turn by each of eight threads made it in every trial on this machine.
void WarmUpThreadLibrary() {
    constexpr int kMakers = 8, kThreadsEach = 50;
    std::vector<std::thread> makers;
    for (int i = 0; i < kMakers; ++i)
        makers.emplace_back([] {
            for (int k = 0; k < kThreadsEach; ++k)
                std::thread([] {}).join();
        });
    for (std::thread& maker : makers)
        maker.join();
}

// The first stream of a process, and the first time several stream at once, make objects that
// the process keeps for good (under Wine, GDI objects of the threads' display access): they are
// made before the first baseline, so that the groups count only what they leave behind.
void WarmUp(const CheckContext& context) {
    WarmUpThreadLibrary();
    const int cameras = context.virtualDevices >= 4 ? 4 : 1;
    std::vector<int> devices;
    for (int i = 0; i < cameras; ++i)
        devices.push_back(cameras == 1 ? context.options.device : i);
    std::vector<std::vector<unsigned char>> buffers(cameras);
    std::vector<int> handles;
    for (int i = 0; i < cameras; ++i) {
        const int handle = Travik_Initialize(nullptr);
        if (!handle) break;
        handles.push_back(handle);
        buffers[i].resize(static_cast<size_t>(Travik_Width(handle)) * Travik_Height(handle) * 8);
        if (Travik_SetDeviceNumber(handle, devices[i]))
            Travik_CallBackPreview(handle, context.notices, buffers[i].data(),
                                   static_cast<int>(buffers[i].size()), 1);
    }
    WaitForFrames(context.notices, 2 * cameras, 5000, 0, 0, 0);
    for (const int handle : handles) {
        Travik_StopPreview(handle);
        Travik_Release(handle);
    }
    DrainNotices(context.notices);
    // Some calls make an object on their first use that stays (a failed file save one kernel
    // handle): a few rounds of every kind of call before the first baseline.
    if (context.options.depth != CheckDepth::Quick || !context.options.onlyGroup.empty())
        RunChaos(context, 10, context.options.seed ^ 0x5EEDu);
}

} // namespace

bool IsCheckVerb(const char* word) {
    return word && std::string(word) == "check";
}

bool IsCheckVerb(const wchar_t* word) {
    return word && std::wcscmp(word, L"check") == 0;
}

int RunCheck(int argc, wchar_t** argv) {
    // The arguments are numbers, flags and a file name: the ANSI code page is how the rest of
    // the program passes names to the SDK.
    std::vector<std::string> narrow;
    for (int i = 0; i < argc; ++i) {
        char text[1024] = {};
        WideCharToMultiByte(CP_ACP, 0, argv[i], -1, text, sizeof text - 1, nullptr, nullptr);
        narrow.emplace_back(text);
    }
    std::vector<char*> pointers;
    for (std::string& s : narrow)
        pointers.push_back(s.data());
    return RunCheck(argc, pointers.data());
}

int RunCheck(int argc, char** argv) {
    CheckContext context;
    // argv[0] is the verb.
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quick") {
            context.options.depth = CheckDepth::Quick;
        } else if (arg == "--long") {
            context.options.depth = CheckDepth::Long;
        } else if (arg == "--device" && i + 1 < argc) {
            char* end = nullptr;
            const long device = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || device < 0 || device > 31) return Usage("--device needs 0 to 31");
            context.options.device = static_cast<int>(device);
        } else if (arg == "--seed" && i + 1 < argc) {
            unsigned long seed = 0;
            if (!ParseNumber(argv[++i], 0xFFFFFFFFul, seed)) return Usage("--seed needs 0 to 4294967295");
            context.options.seed = static_cast<unsigned>(seed);
            context.options.seedGiven = true;
        } else if (arg == "--soak-seconds" && i + 1 < argc) {
            unsigned long seconds = 0;
            if (!ParseNumber(argv[++i], 86400, seconds) || seconds == 0)
                return Usage("--soak-seconds needs 1 to 86400");
            context.options.soakSeconds = static_cast<int>(seconds);
        } else if (arg == "--group" && i + 1 < argc) {
            context.options.onlyGroup = argv[++i];
            if (!IsGroupName(context.options.onlyGroup))
                return Usage(("no group '" + context.options.onlyGroup + "'").c_str());
        } else if (arg == "--junit" && i + 1 < argc) {
            context.options.junitPath = argv[++i];
        } else {
            return Usage(("unexpected argument '" + arg + "'").c_str());
        }
    }

    // The quick run is CI's: the same random choices every time, unless a seed is given.
    if (!context.options.seedGiven)
        context.options.seed = context.options.depth == CheckDepth::Quick ? 1u : GetTickCount();
    std::fprintf(stderr, "travikcam check: seed %u\n", context.options.seed);

    TravikEmuDriverInfo driver = {};
    context.virtualCamera = travik_emu::QueryDriver(driver);
    context.virtualDevices = context.virtualCamera ? driver.deviceCount : 0;
    if (context.virtualCamera &&
        static_cast<unsigned>(context.options.device) >= context.virtualDevices)
        return Usage("--device is beyond the virtual camera's devices");
    NoticeWindow notices;
    if (!notices.hwnd()) {
        std::fprintf(stderr, "travikcam check: no window for the camera's notices\n");
        return 1;
    }
    context.notices = notices.hwnd();

    std::vector<GroupFn> groups = {CheckOpenClose, CheckBadArguments, CheckSettings,
                                   CheckStartStop, CheckFrames};
    if (context.virtualCamera) {
        groups.push_back(CheckFrameAccounting);
        groups.push_back(CheckFourCameras);
        groups.push_back(CheckFaults);
        // Beyond the quick run's two minutes: CI runs these as checks of their own (--group).
        if (context.options.depth != CheckDepth::Quick) groups.push_back(CheckUnplug);
        groups.push_back(CheckRecovery); // one short case in the quick run
    }
    if (context.options.depth != CheckDepth::Quick) groups.push_back(CheckChaos);
    if (context.virtualCamera && context.options.depth == CheckDepth::Long)
        groups.push_back(CheckSoak);
    WarmUp(context);
    std::vector<GroupResult> results;
    if (!context.options.onlyGroup.empty()) {
        // A group asked for by name runs whatever the depth.
        groups = {CheckOpenClose, CheckBadArguments,    CheckSettings,    CheckStartStop,
                  CheckFrames,    CheckFrameAccounting, CheckFourCameras, CheckFaults,
                  CheckUnplug,    CheckRecovery,        CheckChaos,       CheckSoak};
    }
    for (const GroupFn group : groups) {
        if (!context.options.onlyGroup.empty() && context.options.onlyGroup != GroupName(group))
            continue;
        results.push_back(RunGroup(group, context));
        if (g_checkThreadsAbandoned) break; // nothing can be trusted after a stuck call
    }

    PrintSummary(results);
    if (!context.options.junitPath.empty() && !WriteJUnit(context.options.junitPath, results)) {
        std::fprintf(stderr, "travikcam check: %s could not be written\n",
                     context.options.junitPath.c_str());
        return 1;
    }
    if (g_checkThreadsAbandoned) {
        // A thread is stuck in the SDK: ending normally would wait for it (or unload the DLL
        // under it).
        std::fflush(stdout);
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 1);
    }
    for (const GroupResult& r : results)
        if (r.Failed() > 0) return 1;
    return 0;
}

} // namespace travikcam
