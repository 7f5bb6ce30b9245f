// Device access layer: stamping frames with their number, the host's clocks and sensor settings.
#include "device/FrameTruth.h"

#include <windows.h>

namespace {

using SystemTimeReader = VOID(WINAPI*)(LPFILETIME);

// Windows 8 and later keep UTC to a fraction of a microsecond; older systems only to the tick.
SystemTimeReader FinestSystemTime() {
    static const SystemTimeReader reader = [] {
        const HMODULE kernel = GetModuleHandleA("kernel32.dll");
        const FARPROC precise =
            kernel ? GetProcAddress(kernel, "GetSystemTimePreciseAsFileTime") : nullptr;
        return precise ? reinterpret_cast<SystemTimeReader>(reinterpret_cast<void*>(precise))
                       : &GetSystemTimeAsFileTime;
    }();
    return reader;
}

} // namespace

void ReadHostClocks(std::int64_t& qpcTicks, std::uint64_t& utcFileTime) {
    // The thread may be preempted between the two reads: the UTC read is bracketed by counter
    // reads, and of a few tries the tightest pair is kept, its counter taken at the middle.
    constexpr int kTries = 4;
    std::int64_t narrowest = -1;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        LARGE_INTEGER before, after;
        FILETIME utc;
        QueryPerformanceCounter(&before);
        FinestSystemTime()(&utc);
        QueryPerformanceCounter(&after);
        const std::int64_t width = after.QuadPart - before.QuadPart;
        if (narrowest >= 0 && width >= narrowest) continue;
        narrowest = width;
        qpcTicks = before.QuadPart + width / 2;
        utcFileTime = static_cast<std::uint64_t>(utc.dwHighDateTime) << 32 | utc.dwLowDateTime;
        if (width == 0) break;
    }
}

FrameTruth FrameTruthSource::Begin() const {
    FrameTruth truth;
    truth.exposureUs = m_exposureUs.load();
    truth.gain = m_gain.load();
    return truth;
}

void FrameTruthSource::Complete(FrameTruth& truth, std::uint32_t flags) {
    ReadHostClocks(truth.qpcTicks, truth.utcFileTime);
    truth.flags = flags;
    if (!(flags & kFrameComplete)) m_lostTransfers.fetch_add(1);
    truth.frameId = (flags & kFrameFailed) ? 0 : m_framesDelivered.fetch_add(1) + 1;
}
