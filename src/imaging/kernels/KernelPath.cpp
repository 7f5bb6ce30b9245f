// The process-wide choice between the reference kernels and their vector twins.
#include "imaging/kernels/KernelPath.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#include <immintrin.h>
#include <intrin.h>
#define TRAVIK_X86 1
#elif defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define TRAVIK_X86 1
#endif

namespace {

#if TRAVIK_X86

struct CpuidRegisters {
    uint32_t eax, ebx, ecx, edx;
};

// The one place that differs between compilers: cpuid and xgetbv through each one's intrinsics.
CpuidRegisters Cpuid(uint32_t leaf, uint32_t subleaf) {
#if defined(_MSC_VER)
    int r[4];
    __cpuidex(r, static_cast<int>(leaf), static_cast<int>(subleaf));
    return {static_cast<uint32_t>(r[0]), static_cast<uint32_t>(r[1]), static_cast<uint32_t>(r[2]),
            static_cast<uint32_t>(r[3])};
#else
    CpuidRegisters r{};
    __cpuid_count(leaf, subleaf, r.eax, r.ebx, r.ecx, r.edx);
    return r;
#endif
}

#if defined(_MSC_VER)
uint64_t EnabledStateComponents() {
    return _xgetbv(0);
}
#else
__attribute__((target("xsave"))) uint64_t EnabledStateComponents() {
    return _xgetbv(0);
}
#endif

// AVX2 needs the CPU's instructions and an operating system that saves the YMM registers on a
// thread switch (OSXSAVE set and XCR0 enabling both the SSE and the AVX state).
bool CpuRunsAvx2() {
    if (Cpuid(0, 0).eax < 7) return false;
    const CpuidRegisters features = Cpuid(1, 0);
    const bool osxsave = (features.ecx >> 27) & 1;
    const bool avx = (features.ecx >> 28) & 1;
    if (!osxsave || !avx) return false;
    if ((EnabledStateComponents() & 0x6) != 0x6) return false;
    return (Cpuid(7, 0).ebx >> 5) & 1;
}

KernelPath BestPathOfCpu() {
    return CpuRunsAvx2() ? KernelPath::Avx2 : KernelPath::Sse2;
}

#else

KernelPath BestPathOfCpu() {
    return KernelPath::Reference;
}

#endif

KernelPath BestPath() {
    static const KernelPath best = BestPathOfCpu();
    return best;
}

KernelPath Capped(KernelPath path) {
    return static_cast<int>(path) > static_cast<int>(BestPath()) ? BestPath() : path;
}

KernelPath PathFromEnvironment() {
    // getenv is read once, before any kernel runs on another thread.
    const char* value = std::getenv("TRAVIK_SIMD");
    if (value && std::strcmp(value, "scalar") == 0) return KernelPath::Reference;
    if (value && std::strcmp(value, "sse2") == 0) return Capped(KernelPath::Sse2);
    return BestPath();
}

// Written by ForceKernelPath (tests, between kernel calls) and read by the table builder for every
// kernel call; relaxed order suffices because a kernel reads its tables once and every path gives
// the same pixels.
std::atomic<KernelPath>& CurrentPath() {
    static std::atomic<KernelPath> path{PathFromEnvironment()};
    return path;
}

} // namespace

KernelPath ActiveKernelPath() {
    return CurrentPath().load(std::memory_order_relaxed);
}

KernelPath ForceKernelPath(KernelPath path) {
    const KernelPath active = Capped(path);
    CurrentPath().store(active, std::memory_order_relaxed);
    return active;
}

bool KernelPathSupported(KernelPath path) {
    return Capped(path) == path;
}

const char* KernelPathName(KernelPath path) {
    switch (path) {
    case KernelPath::Sse2:
        return "sse2";
    case KernelPath::Avx2:
        return "avx2";
    default:
        return "scalar";
    }
}
