// Resource counts by probing and enumeration, so that they are real under Wine as on Windows.
#include "support/ResourceCount.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>

namespace travik_resources {

namespace {

// Kernel handle values are multiples of 4; a process of this kind stays far below this bound,
// and every value is probed, because freed values leave holes.
constexpr ULONG_PTR kHandleProbeLimit = 1u << 16;
constexpr DWORD kFreeRunAtTheEnd = 2048;
// GDI handles are found by their table index (the low 16 bits) alone under Wine.
constexpr ULONG_PTR kGdiProbeLimit = 1u << 16;

struct WindowTally {
    DWORD processId;
    DWORD count;
};

BOOL CALLBACK CountChild(HWND window, LPARAM tally) {
    auto* t = reinterpret_cast<WindowTally*>(tally);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == t->processId) ++t->count;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM tally) {
    auto* t = reinterpret_cast<WindowTally*>(tally);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != t->processId) return TRUE;
    ++t->count;
    EnumChildWindows(window, CountChild, tally); // every descendant, not only direct children
    return TRUE;
}

SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(GetCurrentProcess(),
                              reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory))
        return 0;
    return memory.PrivateUsage;
}

void AppendGrowth(std::string& text, const char* name, unsigned long before, unsigned long after) {
    if (after <= before) return;
    char part[96];
    std::snprintf(part, sizeof part, "%s%s %lu -> %lu", text.empty() ? "" : ", ", name, before,
                  after);
    text += part;
}

} // namespace

DWORD ProbeKernelHandles() {
    DWORD count = 0, unused = 0;
    // Each probe is a round trip to the wineserver. Handle values are handed out lowest free
    // first, so a long run of free values means that no higher value is in use.
    for (ULONG_PTR value = 4; value < kHandleProbeLimit && unused < kFreeRunAtTheEnd; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            unused = 0;
        } else {
            ++unused;
        }
    }
    return count;
}

DWORD ProbeGdiObjects() {
    DWORD count = 0;
    for (ULONG_PTR value = 1; value < kGdiProbeLimit; ++value)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(value)) != 0) ++count;
    return count;
}

DWORD CountOwnWindows() {
    WindowTally tally = {GetCurrentProcessId(), 0};
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&tally));
    // Message-only windows are not top-level windows; they are listed under HWND_MESSAGE.
    for (HWND window = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = FindWindowExA(HWND_MESSAGE, window, nullptr, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != tally.processId) continue;
        ++tally.count;
        EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&tally));
    }
    return tally.count;
}

DWORD CountOwnThreads() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    DWORD count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Thread32First(snapshot, &entry); ok; ok = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    CloseHandle(snapshot);
    return count;
}

ResourceCounts CountResources() {
    ResourceCounts counts;
    // The thread snapshot is closed before the handles are counted, so it is never counted.
    // Handles and GDI objects are probed, the same way on Windows and under Wine (whose process
    // counters read 0); the windows stand for the USER objects.
    counts.threads = CountOwnThreads();
    counts.windows = CountOwnWindows();
    counts.handles = ProbeKernelHandles();
    counts.gdiObjects = ProbeGdiObjects();
    counts.userObjects = counts.windows;
    counts.privateBytes = PrivateBytes();
    return counts;
}

std::string DescribeGrowth(const ResourceCounts& before, const ResourceCounts& after) {
    std::string text;
    AppendGrowth(text, "handles", before.handles, after.handles);
    AppendGrowth(text, "GDI objects", before.gdiObjects, after.gdiObjects);
    AppendGrowth(text, "USER objects", before.userObjects, after.userObjects);
    AppendGrowth(text, "windows", before.windows, after.windows);
    AppendGrowth(text, "threads", before.threads, after.threads);
    return text;
}

} // namespace travik_resources
