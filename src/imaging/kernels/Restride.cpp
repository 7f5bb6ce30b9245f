// Raw frame layout: spreading packed rows to the buffer's stride, and the frame mirrors.
#include "imaging/kernels/KernelTwins.h"
#include "imaging/kernels/PixelArea.h"

#include <cstring>

namespace {

// The device writes rows back to back; the buffer wants them `stride` apart. Rows move from the
// last to the first, and each row moves as a block that may overlap its own old place, so that
// no sample is overwritten before it has moved: the same result as copying pixel by pixel from
// the end.
int Restride(const PixelArea& a, int32_t**) {
    const ptrdiff_t packedStride = static_cast<ptrdiff_t>(a.rect.right) * a.srcBytes;
    const ptrdiff_t first = a.rect.left * a.srcBytes;
    const ptrdiff_t length = (a.rect.right - a.rect.left) * a.srcBytes;
    if (length <= 0) return 1;
    for (int32_t r = a.rect.bottom - 1; r >= a.rect.top; --r) {
        std::memmove(a.dst + r * a.dstStride + first, a.src + r * packedStride + first,
                     static_cast<size_t>(length));
    }
    return 1;
}

// The row's pixels in reverse order: the twin's steps, when the path has one, then the rest here.
template <size_t kPixelBytes>
void ReverseRow(uint8_t* to, const uint8_t* from, int32_t width, RowTwin steps) {
    const uint8_t* last = from + (static_cast<size_t>(width) - 1) * kPixelBytes;
    for (int32_t j = steps ? steps(to, from, width) : 0; j < width; ++j) {
        std::memcpy(to + j * kPixelBytes, last - j * kPixelBytes, kPixelBytes);
    }
}

void ReverseRow(uint8_t* to, const uint8_t* from, int32_t width, size_t pixelBytes) {
    const uint8_t* last = from + (static_cast<size_t>(width) - 1) * pixelBytes;
    for (int32_t j = 0; j < width; ++j) {
        std::memcpy(to + j * pixelBytes, last - j * pixelBytes, pixelBytes);
    }
}

} // namespace

const PositionedKernel Restride8 = &AsKernel<Restride>;
const PositionedKernel Restride16 = &AsKernel<Restride>;

void MirrorFrame(uint8_t* pixels, uint8_t* scratch, int32_t width, int32_t height, int32_t stride,
                 int32_t pixelBytes, bool horizontal, bool vertical) {
    if ((!horizontal && !vertical) || width <= 0 || height <= 0) return;
    const size_t rowBytes = static_cast<size_t>(stride);
    const size_t pixelRun = static_cast<size_t>(width) * static_cast<size_t>(pixelBytes);
    const RestrideTwins& twins = Twins().restride;
    for (int32_t r = 0; r < height; ++r) {
        const uint8_t* from = pixels + r * rowBytes;
        uint8_t* to = scratch + static_cast<size_t>(vertical ? height - 1 - r : r) * rowBytes;
        if (!horizontal) {
            std::memcpy(to, from, rowBytes);
            continue;
        }
        switch (pixelBytes) {
        case 1:
            ReverseRow<1>(to, from, width, twins.reverseBytes);
            break;
        case 2:
            ReverseRow<2>(to, from, width, twins.reverseWords);
            break;
        default:
            ReverseRow(to, from, width, static_cast<size_t>(pixelBytes));
            break;
        }
        // The padding at the end of the row travels with it unchanged.
        std::memcpy(to + pixelRun, from + pixelRun, rowBytes - pixelRun);
    }
    std::memcpy(pixels, scratch, rowBytes * static_cast<size_t>(height));
}

int32_t MirroredBayerPhase(int32_t phase, bool horizontal, bool vertical, int32_t width,
                           int32_t height) {
    phase &= 3;
    if (vertical && height % 2 == 0) phase ^= 1;
    if (horizontal && width % 2 == 0) phase ^= 2;
    return phase;
}
