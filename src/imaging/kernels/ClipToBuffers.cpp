// Clipping of a positioned kernel's rectangle to both buffers, from picture rows to memory rows.
#include "imaging/kernels/Kernels.h"

#include <algorithm>
#include <cstdint>

namespace {

// Edges in 64 bits: positions far outside a buffer must not overflow on the way to refusal.
struct Edges {
    int64_t left;
    int64_t top;
    int64_t right;
    int64_t bottom;
};

// An empty or inverted rectangle, or an empty buffer, leaves nothing: kernels are never handed
// an empty rectangle.
bool OutsideOf(const Edges& r, KernelSize size) {
    return r.right <= r.left || r.bottom <= r.top || size.width <= 0 || size.height <= 0 ||
           r.right <= 0 || r.bottom <= 0 || r.left >= size.width || r.top >= size.height;
}

Edges ClampTo(const Edges& r, KernelSize size) {
    return Edges{std::max<int64_t>(r.left, 0), std::max<int64_t>(r.top, 0),
                 std::min<int64_t>(r.right, size.width), std::min<int64_t>(r.bottom, size.height)};
}

} // namespace

// Picture rows count from the top of the bitmap as GDI shows it; the buffers are bottom-up, so
// picture row r is memory row height - 1 - r, and a rectangle's bottom picture row is its first
// memory row.
bool ClipToBuffers(KernelSize dst, KernelSize src, KernelRect pictureRect, int32_t x, int32_t y,
                   ClipResult* out) {
    *out = ClipResult{{0, 0, 0, 0}, 0, 0};
    const Edges r{pictureRect.left, pictureRect.top, pictureRect.right, pictureRect.bottom};

    // Where the rectangle lands in the destination, clipped to it.
    Edges target{x, y, x + (r.right - r.left), y + (r.bottom - r.top)};
    if (OutsideOf(target, dst)) return false;
    target = ClampTo(target, dst);

    // The part of the source that lands there, clipped to the source.
    Edges wanted{r.left + (target.left - x), r.top + (target.top - y), 0, 0};
    wanted.right = wanted.left + (target.right - target.left);
    wanted.bottom = wanted.top + (target.bottom - target.top);
    if (OutsideOf(wanted, src)) return false;
    const Edges source = ClampTo(wanted, src);

    // Whatever the source lost on an edge, the target loses on the same edge, so that the two
    // stay the same size and every source pixel keeps its place.
    target.left += source.left - wanted.left;
    target.top += source.top - wanted.top;
    target.right += source.right - wanted.right;
    target.bottom += source.bottom - wanted.bottom;

    // Both rectangles now lie inside their buffers, so every value fits 32 bits again.
    out->x = static_cast<int32_t>(target.left);
    out->y = static_cast<int32_t>(dst.height - target.bottom);
    out->rect = KernelRect{
        static_cast<int32_t>(source.left), static_cast<int32_t>(src.height - source.bottom),
        static_cast<int32_t>(source.right), static_cast<int32_t>(src.height - source.top)};
    return true;
}
