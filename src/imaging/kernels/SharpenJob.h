// One call of the vector sharpen on packed rows, as the SSE2 and AVX2 twins take it.
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

} // namespace sharpen_rows
