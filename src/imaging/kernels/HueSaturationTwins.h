// The vector twins of the hue and saturation kernels: eight pixels a step on SSE2
// (HueSaturationSse2.cpp), sixteen or thirty-two on AVX2 (HueSaturationAvx2.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

struct PixelArea;

namespace hue {

// One call's hue and saturation work on rows of packed pixels.
struct Avx2Rows {
    uint8_t* dst;       // first destination pixel
    const uint8_t* src; // first source pixel
    int32_t width;      // pixels per row
    int32_t height;     // rows
    ptrdiff_t dstStride;
    ptrdiff_t srcStride;
    int32_t pixelBytes; // source and destination alike: 3 or 4 (bytes), 6 or 8 (words)
    int32_t wordShift;  // words: sample bits - 8, 0..8
    int32_t sectors;    // the hue shift in whole sectors
    int32_t remainder;  // and the rest, 0..254
    int32_t saturation; // -255..255
};

// Runs the hue model on whole groups of pixels from the left of every row (thirty-two 3-byte
// pixels a step, sixteen of the other sizes), reading each group before writing it, and returns
// the number of columns done (a multiple of sixteen; 0 for other pixel sizes). Without AVX2 in
// the build it does nothing.
int32_t ShiftGroupsAvx2(const Avx2Rows& rows);

using Groups = int32_t (*)(const Avx2Rows& rows);

// The kernel's work on the area with the hue block, on 8-bit channels or (`words`) on 16-bit
// ones: whole groups from the left of every row by `groups` when there is one, the rest eight
// pixels at a time. False, with nothing written, when the areas overlap so that only the
// reference's pixel order gives its result. Without SSE2 it returns false.
bool ShiftAreaSse2(const PixelArea& area, const int32_t* block, bool words, Groups groups);

} // namespace hue

// The hue and saturation kernels' table.
struct HueSaturationTwins {
    bool (*area)(const PixelArea& area, const int32_t* block, bool words, hue::Groups groups);
    hue::Groups groups;
};
