// The vector twins of the depth and order converters' rows: words to bytes on SSE2
// (ConvertersSse2.cpp), 4-byte pixels to 3-byte ones on AVX2 (ConvertersAvx2.cpp).
#pragma once

#include "imaging/kernels/RowTwin.h"

#include <cstdint>

namespace convert {

// `count` words to bytes, (v >> 2) & 255 or (v >> 4) & 255 each, sixteen a step; returns the
// words done (the caller converts the rest). Without SSE2 they do nothing.
int32_t TenBitWordsToBytesSse2(uint8_t* out, const uint8_t* in, int32_t count);
int32_t TwelveBitWordsToBytesSse2(uint8_t* out, const uint8_t* in, int32_t count);

// The first three bytes of 4-byte pixels, four pixels a step, while a step's 16-byte store stays
// inside the pixels that follow and are still to be written; returns the pixels done (the
// caller writes the rest, the last one as three bytes). Without AVX2 in the build it does
// nothing.
int32_t FourBytesToThreeAvx2(uint8_t* out, const uint8_t* in, int32_t count);

} // namespace convert

// The converters' table. The reference path, which has none of these, runs every converter pixel
// by pixel; the vector paths convert whole rows, with these twins where a row has one.
struct ConverterTwins {
    RowTwin tenBitWordsToBytes;
    RowTwin twelveBitWordsToBytes;
    RowTwin fourBytesToThree;
};
