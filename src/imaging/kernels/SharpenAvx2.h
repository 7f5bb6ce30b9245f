// The AVX2 twin of the sharpen kernels' interior.
#pragma once

#include "imaging/kernels/SharpenJob.h"

namespace sharpen_rows {

// As the SSE2 interior of Sharpen.cpp, sixteen samples a step: false, with nothing written, for
// layouts it does not cover and for words beyond ten bits. Call only when ActiveKernelPath() is
// KernelPath::Avx2; without AVX2 in the build it returns false.
bool RunInteriorAvx2(const Job& job, int32_t sampleBytes, int32_t step);

} // namespace sharpen_rows
