// The demosaic border of some rows of a frame, for a pipeline that makes the frame in strips.
#pragma once

#include "imaging/kernels/Kernels.h"

#include <cstdint>

// What the edge kernel `edge` (DemosaicEdge8 or DemosaicEdge16) writes on `rect`, which is the
// whole frame, limited to its output rows first..end-1 (counted from the rectangle's top): the
// two outer columns on each side of those rows, and the whole of those of them that are among the
// frame's two top and two bottom rows. No other row is written or addressed, so `y` may place the
// rectangle's top row outside the destination. Returns 1, or 0 for another kernel or no block.
int DemosaicEdgeRows(PositionedKernel edge, uint8_t* dst, const uint8_t* src, KernelRect rect,
                     int32_t x, int32_t y, uint16_t dstPixelBytes, uint16_t srcPixelBytes,
                     int32_t dstStride, int32_t srcStride, const int32_t* block, int32_t first,
                     int32_t end);
