// Counts of the process's kernel handles, GDI and USER objects, windows, window classes and
// threads that work both on Windows and under Wine, for leak checks in tests and in
// `travikcam check`.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace travik_resources {

struct ResourceCounts {
    DWORD handles = 0;     // kernel handles
    DWORD gdiObjects = 0;  // bitmaps, DCs, brushes, fonts, ...
    DWORD userObjects = 0; // USER objects: the windows, which are all that can be counted everywhere
    DWORD windows = 0;     // windows of this process: top-level, children and message-only
    DWORD windowClasses = 0; // registered by the program and the modules it brought, not the system's
    DWORD threads = 0;
    SIZE_T privateBytes = 0; // committed private memory; noisy, for reports rather than equality
    std::vector<ULONG_PTR> handleValues; // the live kernel handles, lowest first
    std::vector<ATOM> classAtoms;         // the atoms of those window classes, lowest first
};

// Counts now. Live handles and GDI objects are found by probing, since the system's own counters
// report nothing under Wine.
ResourceCounts CountResources();

// Probes for the process's live kernel handles and GDI objects one value at a time.
DWORD ProbeKernelHandles();
std::vector<ULONG_PTR> ListKernelHandles();
// The kernel handles live in `after` that were not in `before`, lowest first.
std::vector<ULONG_PTR> NewKernelHandles(const ResourceCounts& before, const ResourceCounts& after);
// "0x8c Event" or "0x90 File \\??\\C:\\x.bmp": a handle's object type and, when it has one, its name.
std::string DescribeKernelHandle(ULONG_PTR value);
DWORD ProbeGdiObjects();
DWORD CountOwnWindows();
// The window classes that the program and the modules loaded from outside the system folder have
// registered and not yet unregistered, by atom.
std::vector<ATOM> ListOwnWindowClasses();
DWORD CountOwnThreads();

// "handles 41 -> 43, windows 2 -> 3" for each count that grew from `before` to `after` (private
// bytes are left out), followed by what each new kernel handle is; empty when none grew.
std::string DescribeGrowth(const ResourceCounts& before, const ResourceCounts& after);

} // namespace travik_resources
