// The process-wide choice between the reference kernels and their fast paths.
#include "imaging/kernels/KernelPath.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

KernelPath PathFromEnvironment() {
    // getenv is read once, before any kernel runs on another thread.
    const char* value = std::getenv("TRAVIK_SIMD");
    if (value && std::strcmp(value, "scalar") == 0) return KernelPath::Reference;
    return KernelPath::Specialised;
}

// Written by ForceKernelPath (tests, between kernel calls) and read by every kernel call; relaxed
// order suffices because a kernel reads it once and either path gives the same pixels.
std::atomic<KernelPath>& CurrentPath() {
    static std::atomic<KernelPath> path{PathFromEnvironment()};
    return path;
}

} // namespace

KernelPath ActiveKernelPath() {
    return CurrentPath().load(std::memory_order_relaxed);
}

void ForceKernelPath(KernelPath path) {
    CurrentPath().store(path, std::memory_order_relaxed);
}
