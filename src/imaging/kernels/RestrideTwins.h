// The vector twins of the frame mirror's rows (RestrideSse2.cpp).
#pragma once

#include "imaging/kernels/RowTwin.h"

#include <cstdint>

namespace restride {

// Writes the 1- or 2-byte pixels of a row of `width` from `from` into `to` in reverse order,
// sixteen bytes a step from the start of `to` and the end of `from`; returns the pixels done
// (the caller writes the rest). The two rows must not overlap. Without SSE2 they do nothing.
int32_t ReverseBytesSse2(uint8_t* to, const uint8_t* from, int32_t width);
int32_t ReverseWordsSse2(uint8_t* to, const uint8_t* from, int32_t width);

} // namespace restride

// The mirror's table.
struct RestrideTwins {
    RowTwin reverseBytes;
    RowTwin reverseWords;
};
