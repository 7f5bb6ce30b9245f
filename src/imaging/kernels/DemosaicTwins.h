// The vector twins of the demosaic interior: eight columns of one row a step on SSE2
// (DemosaicSse2.cpp), 32 columns of two rows a step on AVX2 (DemosaicAvx2.cpp).
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
// WordsFitTenBits, the rows it will read once): 6- or 8-byte output pixels, the first three words
// written, values saturated at 1023.
int32_t InteriorRowSse2Words(uint8_t* out, int32_t dstBytes, const uint8_t* const rows[4],
                             int32_t from, int32_t last, int firstCase, int32_t redGain,
                             int32_t blueGain);

// True when every sample of `rows` rows of `samples` words, `stride` bytes apart, is below 1024.
bool WordsFitTenBits(const uint8_t* first, int32_t samples, int32_t rows, int64_t stride);

// Fills output columns from, from + 1, ... of one or two interior rows in groups of 32 while the
// row has 32 columns from `from` to `last`, and returns the first column it did not fill (the
// caller finishes the rows; at most one column is left). `rows` are the source rows of row
// offsets -2..2 from the first output row `out0`, at the rectangle's first column; `out1`, when
// not null, is the output row below it (source rows 1..4 of `rows`, parity case firstCase ^ 2).
// Column `from` of `out0` has parity case `firstCase`. Only the first three channels of 3- or
// 4-channel pixels are written. Without AVX2 in the build, or with gains beyond its range, they
// fill nothing.
int32_t InteriorRowsAvx2(uint8_t* out0, uint8_t* out1, int32_t dstBytes,
                         const uint8_t* const rows[5], int32_t from, int32_t last, int firstCase,
                         int32_t redGain, int32_t blueGain);
// The same for 16-bit frames whose samples all fit in 10 bits (WordsFitTenBits).
int32_t InteriorRowsAvx2Words(uint8_t* out0, uint8_t* out1, int32_t dstBytes,
                              const uint8_t* const rows[5], int32_t from, int32_t last,
                              int firstCase, int32_t redGain, int32_t blueGain);

using InteriorRow = int32_t (*)(uint8_t* out, int32_t dstBytes, const uint8_t* const rows[4],
                                int32_t from, int32_t last, int firstCase, int32_t redGain,
                                int32_t blueGain);
using InteriorRows = int32_t (*)(uint8_t* out0, uint8_t* out1, int32_t dstBytes,
                                 const uint8_t* const rows[5], int32_t from, int32_t last,
                                 int firstCase, int32_t redGain, int32_t blueGain);

} // namespace demosaic

// The demosaic's table. The vector paths also take the frame's outer columns in a loop of their
// own, and the reference path, which has none of these, keeps every pixel on the reference loops.
struct DemosaicTwins {
    demosaic::InteriorRow bytesRow; // eight columns a step
    demosaic::InteriorRow wordsRow; // the same on ten-bit words
    bool (*wordsFitTenBits)(const uint8_t* first, int32_t samples, int32_t rows, int64_t stride);
    demosaic::InteriorRows bytesRows; // 32 columns of two rows a step, before the eight-column
    demosaic::InteriorRows wordsRows; // steps; null where the path has only those
};
