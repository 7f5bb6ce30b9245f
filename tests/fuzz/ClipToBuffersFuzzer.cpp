// Fuzzes the clipping of a kernel's rectangle: any sizes, rectangle and position must give either
// nothing (all zero) or a non-empty rectangle inside both buffers that keeps every pixel's place.
#include "imaging/kernels/Kernels.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "ClipToBuffers: %s\n", what);
    std::abort();
}

// Mostly small numbers near the buffers, sometimes anything, so that both the ordinary cases and
// the far-outside ones that must not overflow are reached.
int32_t Coordinate(FuzzedDataProvider& in) {
    return in.ConsumeBool() ? in.ConsumeIntegral<int32_t>()
                            : in.ConsumeIntegralInRange<int32_t>(-70, 70);
}

int32_t Extent(FuzzedDataProvider& in) {
    return in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 1 << 24)
                            : in.ConsumeIntegralInRange<int32_t>(0, 64);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const KernelSize dst{Extent(in), Extent(in)};
    const KernelSize src{Extent(in), Extent(in)};
    const KernelRect picture{Coordinate(in), Coordinate(in), Coordinate(in), Coordinate(in)};
    const int32_t x = Coordinate(in), y = Coordinate(in);

    ClipResult out{{-1, -1, -1, -1}, -1, -1};
    if (!ClipToBuffers(dst, src, picture, x, y, &out)) {
        Require(out.rect == KernelRect{0, 0, 0, 0} && out.x == 0 && out.y == 0,
                "a refusal leaves the result non-zero");
        return 0;
    }
    const KernelRect& r = out.rect;
    const int64_t width = int64_t{r.right} - r.left, height = int64_t{r.bottom} - r.top;
    Require(width > 0 && height > 0, "an accepted rectangle is empty or inverted");
    Require(r.left >= 0 && r.right <= src.width && r.top >= 0 && r.bottom <= src.height,
            "the source rectangle leaves the source");
    Require(out.x >= 0 && out.x + width <= dst.width && out.y >= 0 && out.y + height <= dst.height,
            "the destination rectangle leaves the destination");
    Require(r.left >= picture.left && r.right <= picture.right,
            "columns outside the given rectangle are taken");
    // Picture rows run the other way from memory rows in both buffers.
    const int64_t sourceTop = int64_t{src.height} - r.bottom;
    const int64_t targetTop = int64_t{dst.height} - (out.y + height);
    Require(sourceTop >= picture.top && sourceTop + height <= picture.bottom,
            "rows outside the given rectangle are taken");
    Require(int64_t{out.x} - x == int64_t{r.left} - picture.left,
            "a column lands away from its place");
    Require(targetTop - y == sourceTop - picture.top, "a row lands away from its place");
    return 0;
}
