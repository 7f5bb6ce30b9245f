// Pixel addressing shared by the kernel implementations: the rectangle a kernel works on, sample
// loads and stores, parameter blocks and clamps.
#pragma once

#include "imaging/kernels/Kernels.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// For the small helpers that run once per pixel (sample loads, one output pixel): a call per
// pixel costs more than the pixel's arithmetic, so they are inlined whatever the optimiser's
// size heuristics say.
#if defined(_MSC_VER)
#define TRAVIK_HOT_INLINE __forceinline
#else
#define TRAVIK_HOT_INLINE inline __attribute__((always_inline))
#endif

// The arguments of a positioned kernel, with row and column counted from the rectangle's origin.
struct PixelArea {
    uint8_t* dst;
    const uint8_t* src;
    KernelRect rect;
    int32_t x;
    int32_t y;
    ptrdiff_t dstBytes;
    ptrdiff_t srcBytes;
    ptrdiff_t dstStride;
    ptrdiff_t srcStride;

    int32_t Width() const { return std::max(rect.right - rect.left, 0); }
    int32_t Height() const { return std::max(rect.bottom - rect.top, 0); }

    const uint8_t* SrcRow(int32_t row) const {
        return src + (rect.top + row) * srcStride + rect.left * srcBytes;
    }
    uint8_t* DstRow(int32_t row) const { return dst + (y + row) * dstStride + x * dstBytes; }
    // Source row `row` of the rectangle counted from its last row, for the flipping kernels.
    const uint8_t* SrcRowFlipped(int32_t row) const {
        return src + (rect.bottom - 1 - row) * srcStride + rect.left * srcBytes;
    }
};

// Gives a kernel body, which takes the area and the parameter block pointer, the positioned
// kernel form: `const PositionedKernel Name = &AsKernel<Body>;`.
template <int (*Body)(const PixelArea&, int32_t** extra1)>
int AsKernel(uint8_t* dst, const uint8_t* src, KernelRect rect, int32_t x, int32_t y,
             uint16_t dstPixelBytes, uint16_t srcPixelBytes, int32_t dstStride, int32_t srcStride,
             int32_t** extra1) {
    return Body(PixelArea{dst, src, rect, x, y, dstPixelBytes, srcPixelBytes, dstStride, srcStride},
                extra1);
}

// Calls pixel(out, in) for every pixel of the area, row by row in increasing memory order; with
// kFlip destination row i takes source row bottom - 1 - i. The area is copied into a local so
// that stores through `out`, which may alias anything, do not force its fields to be re-read.
template <bool kFlip = false, class PixelFn>
inline void ForEachPixel(const PixelArea& a, PixelFn pixel) {
    const PixelArea area = a;
    const int32_t width = area.Width();
    const int32_t height = area.Height();
    const ptrdiff_t srcBytes = area.srcBytes;
    const ptrdiff_t dstBytes = area.dstBytes;
    for (int32_t i = 0; i < height; ++i) {
        const uint8_t* in = kFlip ? area.SrcRowFlipped(i) : area.SrcRow(i);
        uint8_t* out = area.DstRow(i);
        for (int32_t j = 0; j < width; ++j, in += srcBytes, out += dstBytes)
            pixel(out, in);
    }
}

// Samples are little-endian words at any byte address; memcpy keeps the loads free of alignment
// and aliasing assumptions and compiles to one move.
TRAVIK_HOT_INLINE uint32_t LoadWord(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
TRAVIK_HOT_INLINE void StoreWord(uint8_t* p, uint32_t v) {
    const uint16_t w = static_cast<uint16_t>(v);
    std::memcpy(p, &w, sizeof w);
}

// The parameter block behind extra1, or null when the caller gave none.
inline int32_t* Block(int32_t** extra1) {
    return extra1 ? *extra1 : nullptr;
}

// Sample bits of the 16-bit kernels, limited so that every table stays small and in range.
inline int32_t ClampSampleBits(int32_t bits) {
    return std::clamp(bits, 8, 16);
}

inline int32_t ClampToRange(int64_t v, int32_t maximum) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, 0, maximum));
}

// trunc(v) limited to 0..maximum; a value that is NaN or infinite cannot make the conversion
// undefined. Equal to plain truncation for every value already in range.
inline int32_t TruncateToRange(double v, int32_t maximum) {
    if (!(v > 0.0)) return 0;
    if (v >= static_cast<double>(maximum)) return maximum;
    return static_cast<int32_t>(v);
}

// Largest sample of the gray gain kernels by sample bits.
inline int32_t GrayMaximum(int32_t bits) {
    switch (bits) {
    case 8:
        return 255;
    case 10:
        return 1023;
    case 12:
        return 4095;
    case 14:
        return 16383;
    default:
        return 65535;
    }
}

// Bayer position of a sample by parity after the phase bits: 2 * (row odd) + (column odd).
struct BayerParity {
    int32_t rowBit;
    int32_t columnBit;

    explicit BayerParity(int32_t phase) : rowBit(phase & 1), columnBit((phase >> 1) & 1) {}
    int32_t RowCase(int32_t row) const { return 2 * ((row + rowBit) & 1); }
    int32_t ColumnCase(int32_t column) const { return (column + columnBit) & 1; }
};

// A table of one entry per value of `bits`-bit words: on the stack up to 12 bits (the pipeline
// uses 10), so that the kernels allocate nothing per frame; on the heap beyond.
class WordTable {
  public:
    explicit WordTable(int32_t bits) : m_size(size_t{1} << bits) {
        if (m_size > kInline) m_heap.resize(m_size);
    }
    WordTable(const WordTable&) = delete;
    WordTable& operator=(const WordTable&) = delete;

    size_t size() const { return m_size; }
    uint16_t* data() { return m_size > kInline ? m_heap.data() : m_inline; }
    const uint16_t* data() const { return m_size > kInline ? m_heap.data() : m_inline; }
    uint16_t& operator[](size_t i) { return data()[i]; }

  private:
    static constexpr size_t kInline = size_t{1} << 12;
    size_t m_size;
    uint16_t m_inline[kInline];
    std::vector<uint16_t> m_heap;
};

// Vector twins read a group of pixels before writing any of them, which gives the reference's
// pixel-by-pixel result only when writing a pixel cannot change one not yet read: the kernel
// works in place (each pixel written where it was read) or on areas that do not overlap.
// `pixelBytes` is what a pixel covers beyond its address, on either side.
inline bool BatchedReadsAreSafe(const PixelArea& a, ptrdiff_t pixelBytes) {
    const ptrdiff_t rows = a.Height() - 1;
    const ptrdiff_t columns = a.Width() - 1;
    const uint8_t* srcFirst = a.SrcRow(0);
    const uint8_t* dstFirst = a.DstRow(0);
    if (srcFirst == dstFirst && a.srcBytes == a.dstBytes && a.srcStride == a.dstStride) return true;
    // Byte ranges covered, whatever the signs of the strides.
    auto span = [&](const uint8_t* first, ptrdiff_t stride, ptrdiff_t bytes) {
        const uint8_t* ends[] = {first, first + rows * stride, first + columns * bytes,
                                 first + rows * stride + columns * bytes};
        const auto [low, high] = std::minmax_element(std::begin(ends), std::end(ends));
        return std::pair<uintptr_t, uintptr_t>{reinterpret_cast<uintptr_t>(*low),
                                               reinterpret_cast<uintptr_t>(*high) + pixelBytes};
    };
    const auto src = span(srcFirst, a.srcStride, a.srcBytes);
    const auto dst = span(dstFirst, a.dstStride, a.dstBytes);
    return src.second <= dst.first || dst.second <= src.first;
}
