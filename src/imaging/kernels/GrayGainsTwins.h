// The vector twins of the gray processing kernels: gains and offsets per Bayer position on SSE2
// (GrayGainsSse2.cpp), colour to gray on AVX2 (GrayGainsAvx2.cpp).
#pragma once

#include <cstdint>

namespace gray {

// The gain and offset of the even and of the odd columns of one row.
struct RowGains {
    int32_t gain[2];
    int32_t offset[2];
};

// offset + gain * v / 128 limited to 0..255 (bytes) or 0..maximum (words), sixteen bytes or
// eight words a step from the first sample of a row, which must be an even column; returns the
// samples done (the caller finishes the row). Gains 0..255, offsets -255..255 and maxima up to
// 32767 only. Without SSE2 they do nothing.
int32_t GainRowBytesSse2(uint8_t* out, const uint8_t* in, int32_t width, const RowGains& r);
int32_t GainRowWordsSse2(uint8_t* out, const uint8_t* in, int32_t width, const RowGains& r,
                         int32_t maximum);

// Gray of 24-bit pixels, (red x 30 + green x 59 + blue x 11) / 100, sixteen a step from the start
// of the row; returns the pixels done. Without AVX2 in the build it does nothing.
int32_t GrayRowAvx2(uint8_t* out, const uint8_t* in, int32_t width);

} // namespace gray

// The gray kernels' table.
struct GrayGainsTwins {
    int32_t (*bytesRow)(uint8_t* out, const uint8_t* in, int32_t width, const gray::RowGains& r);
    int32_t (*wordsRow)(uint8_t* out, const uint8_t* in, int32_t width, const gray::RowGains& r,
                        int32_t maximum);
    int32_t (*fromColorRow)(uint8_t* out, const uint8_t* in, int32_t width);
};
