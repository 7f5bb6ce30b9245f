// Which implementation of the pixel kernels runs: the reference code or the vector twins that must
// match it bit for bit, and which instruction set those use.
#pragma once

// The choice is made once per process from the CPU (cpuid, and whether the operating system
// saves the AVX registers): AVX2 where the CPU has it, else SSE2, the baseline of x86-64. The
// environment variable TRAVIK_SIMD=scalar|sse2|avx2 caps it (for comparing results and
// measuring); it never raises it above what the CPU runs. Tests switch paths with ForceKernelPath.
// No kernel asks for the path: each calls through its family's table of twins, which the table
// builder (KernelTwins.cpp) takes from here.
enum class KernelPath { Reference, Sse2, Avx2 };

KernelPath ActiveKernelPath();
// Forces `path`, capped at the best path this CPU runs; returns the path now active.
KernelPath ForceKernelPath(KernelPath path);
// True when this CPU and operating system can run `path`.
bool KernelPathSupported(KernelPath path);
// "scalar", "sse2" or "avx2".
const char* KernelPathName(KernelPath path);
