// The AVX2 twin of the demosaic interior: two output rows and 32 columns a step.
#pragma once

#include <cstdint>

namespace demosaic {

// Fills output columns from, from + 1, ... of one or two interior rows in groups of 32 while the
// row has 32 columns from `from` to `last`, and returns the first column it did not fill (the
// caller finishes the rows; at most one column is left). `rows` are the source rows of row
// offsets -2..2 from the first output row `out0`, at the rectangle's first column; `out1`, when
// not null, is the output row below it (source rows 1..4 of `rows`, parity case firstCase ^ 2).
// Column `from` of `out0` has parity case `firstCase`. Only the first three channels of 3- or
// 4-channel pixels are written. Call only when ActiveKernelPath() is KernelPath::Avx2; without
// AVX2 in the build, or with gains beyond its range, they fill nothing.
int32_t InteriorRowsAvx2(uint8_t* out0, uint8_t* out1, int32_t dstBytes,
                         const uint8_t* const rows[5], int32_t from, int32_t last, int firstCase,
                         int32_t redGain, int32_t blueGain);
// The same for 16-bit frames whose samples all fit in 10 bits (WordsFitTenBits).
int32_t InteriorRowsAvx2Words(uint8_t* out0, uint8_t* out1, int32_t dstBytes,
                              const uint8_t* const rows[5], int32_t from, int32_t last,
                              int firstCase, int32_t redGain, int32_t blueGain);

} // namespace demosaic
