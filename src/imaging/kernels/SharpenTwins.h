// The vector twins of the sharpen kernels' interior: the rows of SharpenRows.h on the lanes of
// SSE2 (SharpenSse2.cpp) and of AVX2 (SharpenAvx2.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

namespace sharpen_rows {

// One call of a sharpen kernel on packed rows: the rectangle's first pixel of each image.
struct Job {
    uint8_t* dst;
    const uint8_t* src;
    int32_t width;
    int32_t height;
    ptrdiff_t dstStride;
    ptrdiff_t srcStride;
    int32_t sharpness; // 0..60
    int32_t maximum;   // largest sample: 255 for bytes, at most 1023 for words
    int16_t* sums;     // scratch of width * kStep samples
};

// The interior of `job` for pixels of `sampleBytes` x `step` bytes, eight (SSE2) or sixteen
// (AVX2) samples a step: false, with nothing written, for layouts they do not cover and for
// words beyond ten bits. Without the instruction set in the build they return false.
bool RunInteriorSse2(const Job& job, int32_t sampleBytes, int32_t step);
bool RunInteriorAvx2(const Job& job, int32_t sampleBytes, int32_t step);

} // namespace sharpen_rows

// The sharpen kernels' table.
struct SharpenTwins {
    bool (*interior)(const sharpen_rows::Job& job, int32_t sampleBytes, int32_t step);
};
