// Forcing the kernels' paths in tests: the paths this CPU runs, and the process's own path back
// when a test ends.
#pragma once

#include "imaging/kernels/KernelPath.h"

#include <vector>

namespace kernel_test {

// Restores the process's path when a test ends, whatever it forced.
class KernelPathGuard {
  public:
    KernelPathGuard() : m_saved(ActiveKernelPath()) {}
    ~KernelPathGuard() { ForceKernelPath(m_saved); }
    KernelPathGuard(const KernelPathGuard&) = delete;
    KernelPathGuard& operator=(const KernelPathGuard&) = delete;

  private:
    KernelPath m_saved;
};

// The vector paths this CPU runs, each compared in turn with the reference.
inline std::vector<KernelPath> VectorPaths() {
    std::vector<KernelPath> paths;
    for (KernelPath path : {KernelPath::Sse2, KernelPath::Avx2})
        if (KernelPathSupported(path)) paths.push_back(path);
    return paths;
}

} // namespace kernel_test
