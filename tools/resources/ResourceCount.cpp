// Resource counts by probing and enumeration, so that they are real under Wine as on Windows.
#include "resources/ResourceCount.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace travik_resources {

namespace {

// Kernel handle values are multiples of 4; a process of this kind stays far below this bound,
// and every value is probed, because freed values leave holes.
constexpr ULONG_PTR kHandleProbeLimit = 1u << 16;
constexpr DWORD kFreeRunAtTheEnd = 2048;
// GDI handles are found by their table index (the low 16 bits) alone under Wine.
constexpr ULONG_PTR kGdiProbeLimit = 1u << 16;
// Registered window classes are named by atoms of this range.
constexpr UINT kFirstClassAtom = 0xC000;
constexpr UINT kLastClassAtom = 0xFFFF;

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

// The program and the modules loaded from outside the Windows folder. The system's own DLLs
// register classes when a thread first needs them (its input method's, COM's), which no
// application controls, so only these modules' classes can show a leak.
std::vector<HMODULE> OwnModules() {
    std::vector<HMODULE> modules(1024);
    DWORD bytes = 0;
    if (!EnumProcessModules(GetCurrentProcess(), modules.data(),
                            static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &bytes))
        return {GetModuleHandleA(nullptr)};
    modules.resize(std::min<size_t>(bytes / sizeof(HMODULE), modules.size()));
    char windows[MAX_PATH] = {};
    const UINT windowsLength = GetWindowsDirectoryA(windows, MAX_PATH);
    std::vector<HMODULE> own;
    for (HMODULE module : modules) {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(module, path, MAX_PATH);
        if (windowsLength == 0 || _strnicmp(path, windows, windowsLength) != 0)
            own.push_back(module);
    }
    return own;
}

// A class registered by a module is found only through that module's instance; system and
// global classes are found through any instance.
bool ClassFoundThrough(HINSTANCE instance, ATOM atom) {
    WNDCLASSEXA info = {};
    info.cbSize = sizeof info;
    return GetClassInfoExA(instance, MAKEINTATOM(atom), &info) != 0;
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

// The object information that ntdll gives for a handle: its type and its name, each a counted
// UTF-16 text followed by the characters. Declared here because the SDK headers of the two
// toolchains do not declare the same parts of it.
struct CountedText {
    USHORT length; // bytes
    USHORT maximumLength;
    PWSTR buffer;
};
constexpr ULONG kObjectNameInformation = 1;
constexpr ULONG kObjectTypeInformation = 2;
constexpr ULONG kEventBasicInformation = 0;
struct EventState {
    LONG type; // 0 manual reset, 1 auto reset
    LONG signalled;
};
// NtQueryObject and NtQueryEvent share this form: handle, kind, buffer, its size, size returned.
using NtQueryFn = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

NtQueryFn NtdllQuery(const char* name) {
    return reinterpret_cast<NtQueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
}

// The text of one kind of object information, in UTF-8; empty when there is none.
std::string ObjectText(HANDLE handle, ULONG kind) {
    static const NtQueryFn query = NtdllQuery("NtQueryObject");
    if (!query) return "";
    alignas(8) unsigned char info[2048] = {};
    ULONG returned = 0;
    if (query(handle, kind, info, sizeof info - sizeof(WCHAR), &returned) < 0) return "";
    const auto* text = reinterpret_cast<const CountedText*>(info);
    if (!text->buffer || text->length == 0) return "";
    const int chars = text->length / static_cast<int>(sizeof(WCHAR));
    char narrow[1024] = {};
    WideCharToMultiByte(CP_UTF8, 0, text->buffer, chars, narrow, sizeof narrow - 1, nullptr,
                        nullptr);
    return narrow;
}

// "manual reset, signalled" for an event: which of a process's events it is can often be told
// from these.
std::string EventText(HANDLE handle) {
    static const NtQueryFn query = NtdllQuery("NtQueryEvent");
    EventState state = {};
    if (!query || query(handle, kEventBasicInformation, &state, sizeof state, nullptr) < 0)
        return "";
    return std::string(state.type == 0 ? "manual reset" : "auto reset") +
           (state.signalled ? ", signalled" : ", not signalled");
}

// "VideoRenderer_..." for a class atom. Windows keeps class names in the atom table of the
// clipboard formats, Wine in the global one.
std::string ClassName(ATOM atom) {
    char name[256] = {};
    if (GetClipboardFormatNameA(atom, name, sizeof name) > 0) return name;
    if (GlobalGetAtomNameA(atom, name, sizeof name) > 0) return name;
    std::snprintf(name, sizeof name, "atom 0x%04x", atom);
    return name;
}

// The values of `after` that `before` has not; both are sorted.
template <typename Value>
std::vector<Value> Added(const std::vector<Value>& before, const std::vector<Value>& after) {
    std::vector<Value> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(added));
    return added;
}

// " (new: a, b)" with each added value described.
template <typename Value, typename Describe>
void AppendNew(std::string& text, const std::vector<Value>& added, Describe describe) {
    if (added.empty()) return;
    text += " (new:";
    for (size_t i = 0; i < added.size(); ++i) text += (i ? ", " : " ") + describe(added[i]);
    text += ")";
}

} // namespace

std::vector<ULONG_PTR> NewKernelHandles(const ResourceCounts& before,
                                        const ResourceCounts& after) {
    return Added(before.handleValues, after.handleValues);
}

std::vector<ULONG_PTR> ListKernelHandles() {
    std::vector<ULONG_PTR> live;
    DWORD unused = 0;
    // Each probe is a round trip to the wineserver. Handle values are handed out lowest free
    // first, so a long run of free values means that no higher value is in use.
    for (ULONG_PTR value = 4; value < kHandleProbeLimit && unused < kFreeRunAtTheEnd; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            live.push_back(value);
            unused = 0;
        } else {
            ++unused;
        }
    }
    return live;
}

DWORD ProbeKernelHandles() {
    return static_cast<DWORD>(ListKernelHandles().size());
}

std::string DescribeKernelHandle(ULONG_PTR value) {
    const HANDLE handle = reinterpret_cast<HANDLE>(value);
    char number[24];
    std::snprintf(number, sizeof number, "0x%llx", static_cast<unsigned long long>(value));
    std::string text = number;
    const std::string type = ObjectText(handle, kObjectTypeInformation);
    text += " " + (type.empty() ? std::string("(type unknown)") : type);
    if (type == "Event") text += " (" + EventText(handle) + ")";
    const std::string name = ObjectText(handle, kObjectNameInformation);
    if (!name.empty()) text += " " + name;
    return text;
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

std::vector<ATOM> ListOwnWindowClasses() {
    // kernel32 registers no class: a class found through it too is not a module's own.
    const HINSTANCE noClasses = GetModuleHandleA("kernel32.dll");
    std::vector<ATOM> own;
    for (HMODULE module : OwnModules())
        for (UINT atom = kFirstClassAtom; atom <= kLastClassAtom; ++atom)
            if (ClassFoundThrough(module, static_cast<ATOM>(atom)) &&
                !ClassFoundThrough(noClasses, static_cast<ATOM>(atom)))
                own.push_back(static_cast<ATOM>(atom));
    std::sort(own.begin(), own.end());
    own.erase(std::unique(own.begin(), own.end()), own.end());
    return own;
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
    counts.handleValues = ListKernelHandles();
    counts.handles = static_cast<DWORD>(counts.handleValues.size());
    counts.gdiObjects = ProbeGdiObjects();
    counts.userObjects = counts.windows;
    counts.classAtoms = ListOwnWindowClasses();
    counts.windowClasses = static_cast<DWORD>(counts.classAtoms.size());
    counts.privateBytes = PrivateBytes();
    return counts;
}

std::string DescribeGrowth(const ResourceCounts& before, const ResourceCounts& after) {
    std::string text;
    AppendGrowth(text, "handles", before.handles, after.handles);
    if (after.handles > before.handles)
        AppendNew(text, NewKernelHandles(before, after), DescribeKernelHandle);
    AppendGrowth(text, "GDI objects", before.gdiObjects, after.gdiObjects);
    AppendGrowth(text, "USER objects", before.userObjects, after.userObjects);
    AppendGrowth(text, "windows", before.windows, after.windows);
    AppendGrowth(text, "window classes", before.windowClasses, after.windowClasses);
    if (after.windowClasses > before.windowClasses)
        AppendNew(text, Added(before.classAtoms, after.classAtoms), ClassName);
    AppendGrowth(text, "threads", before.threads, after.threads);
    return text;
}

} // namespace travik_resources
