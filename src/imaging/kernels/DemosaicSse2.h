// The vector twin of the demosaic interior for 8-bit raw frames (SSE2, the x86-64 baseline).
#pragma once

#include <cstdint>

namespace demosaic {

// Fills output columns from, from + 1, ... of one interior row in groups of eight while a whole
// group fits at or before column `last`, and returns the first column it did not fill (the
// caller finishes the row). `rows` are source rows i-2..i+1 at the rectangle's first column;
// `out` is the output row at its first column; `from` is even-aligned to the row's parity:
// column `from` has parity case `firstCase`. Gains in 1/128 units, 0..65535. Only the first
// three bytes of each 3- or 4-byte output pixel are written. Without SSE2 it fills nothing.
int32_t InteriorRowSse2(uint8_t* out, int32_t dstBytes, const uint8_t* const rows[4], int32_t from,
                        int32_t last, int firstCase, int32_t redGain, int32_t blueGain);

// The same for 16-bit raw frames whose samples all fit in 10 bits (the caller checks, with
// WordsFitTenBits, the whole rectangle once): 6- or 8-byte output pixels, the first three words
// written, values saturated at 1023.
int32_t InteriorRowSse2Words(uint8_t* out, int32_t dstBytes, const uint8_t* const rows[4],
                             int32_t from, int32_t last, int firstCase, int32_t redGain,
                             int32_t blueGain);

// True when every sample of `rows` rows of `samples` words, `stride` bytes apart, is below 1024.
bool WordsFitTenBits(const uint8_t* first, int32_t samples, int32_t rows, int64_t stride);

} // namespace demosaic
