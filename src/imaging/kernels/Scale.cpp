// Nearest-neighbour resize for the preview, flipping rows so that the picture shows upright.
#include "imaging/kernels/PixelArea.h"

#include <vector>

namespace {

// trunc(position * ratio) in single precision, limited to 0..last.
int32_t SourceIndex(int32_t position, float ratio, int32_t last) {
    const float v = static_cast<float>(position) * ratio;
    if (!(v > 0.0f)) return 0;
    if (v >= static_cast<float>(last)) return last;
    return static_cast<int32_t>(v);
}

constexpr int32_t kStackColumns = 4096;

template <int kPixelBytes>
int ScaleNearest(uint8_t* dst, const uint8_t* src, KernelRect dstRect, KernelRect srcRect,
                 KernelSize dstSize, KernelSize srcSize, uint16_t dstPixelBytes,
                 uint16_t srcPixelBytes, int32_t dstStride, int32_t srcStride, int32_t**) {
    const int32_t dstRectWidth = dstRect.right - dstRect.left;
    const int32_t dstRectHeight = dstRect.bottom - dstRect.top;
    if (dstRectWidth <= 0 || dstRectHeight <= 0 || srcSize.width <= 0 || srcSize.height <= 0 ||
        dstSize.width <= 0 || dstSize.height <= 0) {
        return 1;
    }
    const float fx =
        static_cast<float>(srcRect.right - srcRect.left) / static_cast<float>(dstRectWidth);
    const float fy =
        static_cast<float>(srcRect.bottom - srcRect.top) / static_cast<float>(dstRectHeight);
    // The column map is the same for every row: one multiply per column, not per pixel. It
    // lives on the stack for every window up to kStackColumns wide, on the heap beyond.
    ptrdiff_t stackOffsets[kStackColumns];
    std::vector<ptrdiff_t> heapOffsets;
    if (dstSize.width > kStackColumns) heapOffsets.resize(static_cast<size_t>(dstSize.width));
    ptrdiff_t* const columnOffset =
        dstSize.width > kStackColumns ? heapOffsets.data() : stackOffsets;
    for (int32_t x = 0; x < dstSize.width; ++x) {
        columnOffset[x] =
            SourceIndex(x, fx, srcSize.width - 1) * static_cast<ptrdiff_t>(srcPixelBytes);
    }
    for (int32_t y = 0; y < dstSize.height; ++y) {
        const int32_t sy = SourceIndex(y, fy, srcSize.height - 1);
        const uint8_t* from = src + static_cast<ptrdiff_t>(srcSize.height - 1 - sy) * srcStride;
        uint8_t* to = dst + static_cast<ptrdiff_t>(y) * dstStride;
        for (int32_t x = 0; x < dstSize.width; ++x, to += dstPixelBytes) {
            std::memcpy(to, from + columnOffset[x], kPixelBytes);
        }
    }
    return 1;
}

} // namespace

const ScalingKernel ScaleNearest8 = &ScaleNearest<1>;
const ScalingKernel ScaleNearest24 = &ScaleNearest<3>;
