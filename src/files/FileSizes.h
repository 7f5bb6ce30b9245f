// Image files and recording: the size arithmetic of bitmaps, BMP files and AVI chunks, in 64 bits
// with explicit clamps, apart from any file so that it can be checked on any input (portable).
#pragma once

#include <algorithm>
#include <cstdint>

namespace file_sizes {

// Pixel bytes of the largest image: its BMP file (header and palette included) still fits the
// 32-bit size fields, and the kernels' int strides can describe it.
constexpr int64_t kLargestImageBytes = 0x7FFFFFFF - 1078;

constexpr uint32_t ClampToU32(uint64_t value) {
    return static_cast<uint32_t>(std::min<uint64_t>(value, 0xFFFFFFFFu));
}

// Row bytes of a bottom-up DIB: whole bytes per pixel, rounded up to a multiple of 4. Width and
// bits come from callers and are checked first: 0 for anything not positive.
constexpr int64_t DibStride(int32_t width, int32_t bits) {
    if (width < 1 || bits < 1) return 0;
    return (int64_t{width} * (bits / 8) + 3) & ~int64_t{3};
}

// Whether a DIB of this size can be made: positive, and no larger than kLargestImageBytes. The
// limit is divided rather than the size multiplied: stride x height of the widest, tallest
// requests passes 64 bits.
constexpr bool DibFits(int32_t width, int32_t height, int32_t bits) {
    if (width < 1 || height < 1 || bits < 1 || bits > 0xFFFF) return false;
    return DibStride(width, bits) <= kLargestImageBytes / height;
}

// The BMP file's size field: headers (and palette) then the pixels, clamped; compared before
// the sum, which could pass 64 bits.
constexpr uint32_t BmpFileBytes(uint32_t pixelOffset, uint64_t imageBytes) {
    if (imageBytes > 0xFFFFFFFFu - pixelOffset) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(pixelOffset + imageBytes);
}

// Bytes of one 24-bit AVI frame; a negative size counts as 0, and a frame past 4 GB is clamped
// (its writes fail rather than wrap).
constexpr uint32_t AviFrameBytes(int32_t width, int32_t height) {
    const uint64_t rowPitch = (3 * static_cast<uint64_t>(std::max(width, 0)) + 3) & ~3ull;
    return ClampToU32(rowPitch * static_cast<uint64_t>(std::max(height, 0)));
}

// Bytes of an ix00 chunk with `frames` entries, its 8-byte header included.
constexpr uint64_t AviStandardIndexBytes(uint64_t frames) { return 8 + 24 + 8 * frames; }

// Bytes of an idx1 chunk with `frames` entries, its 8-byte header included.
constexpr uint64_t AviLegacyIndexBytes(uint64_t frames) { return 8 + 16 * frames; }

// Frames per 100 seconds over a recording: in 64 bits, where frames x 100000 wraps 32 after
// 42949 frames of a long recording; no time counts as 1 ms.
constexpr uint32_t AviMeasuredRate(uint32_t frames, uint32_t elapsedMs) {
    return ClampToU32(static_cast<uint64_t>(frames) * 100000u / std::max(elapsedMs, 1u));
}

} // namespace file_sizes
