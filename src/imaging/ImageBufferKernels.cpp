// The two kernel runners of the image buffer: rectangles worked out, clipped and handed over.
#include "imaging/ImageBuffer.h"

namespace {

KernelRect ToKernelRect(const RECT& r) {
    return KernelRect{static_cast<int32_t>(r.left), static_cast<int32_t>(r.top),
                      static_cast<int32_t>(r.right), static_cast<int32_t>(r.bottom)};
}

} // namespace

int ImageBuffer::ApplyKernel(PositionedKernel kernel, const ImageBuffer* source,
                             const RECT* sourceRect, int x, int y, int32_t** extra1) {
    if (!source) return 0;
    const KernelRect rect = sourceRect ? ToKernelRect(*sourceRect)
                                       : KernelRect{0, 0, source->m_width, source->m_height};
    ClipResult clip;
    // An empty buffer on either side has width 0, so clipping leaves nothing of it.
    if (!ClipToBuffers(KernelSize{m_width, m_height}, KernelSize{source->m_width, source->m_height},
                       rect, x, y, &clip) ||
        !kernel) {
        return 0;
    }
    return kernel(m_pixels, source->m_pixels, clip.rect, clip.x, clip.y,
                  static_cast<uint16_t>(m_bits / 8), static_cast<uint16_t>(source->m_bits / 8),
                  m_stride, source->m_stride, extra1);
}

int ImageBuffer::ApplyScaledKernel(ScalingKernel kernel, const ImageBuffer* source,
                                   const RECT* sourceRect, const RECT* destRect, int32_t** extra1) {
    if (!kernel || !source || !m_pixels || !source->m_pixels) return 0;
    const KernelRect dst = destRect ? ToKernelRect(*destRect) : KernelRect{0, 0, m_width, m_height};
    const KernelRect src = sourceRect ? ToKernelRect(*sourceRect)
                                      : KernelRect{0, 0, source->m_width, source->m_height};
    return kernel(m_pixels, source->m_pixels, dst, src, KernelSize{m_width, m_height},
                  KernelSize{source->m_width, source->m_height}, static_cast<uint16_t>(m_bits / 8),
                  static_cast<uint16_t>(source->m_bits / 8), m_stride, source->m_stride, extra1);
}
