// Which implementation of the pixel kernels runs: the reference code or the specialised fast
// paths that must match it bit for bit.
#pragma once

// Every kernel with a fast path asks here, at its one dispatch point, before taking it. The
// choice is made once per process: the environment variable TRAVIK_SIMD=scalar keeps every kernel
// on its reference code (for comparing results and measuring); anything else, or no variable,
// takes the fastest path. Tests switch between the two with ForceKernelPath.
enum class KernelPath { Reference, Specialised };

KernelPath ActiveKernelPath();
void ForceKernelPath(KernelPath path);
