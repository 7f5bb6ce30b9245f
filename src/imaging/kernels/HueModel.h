// The parts of the integer hue model that the reference and its vector twins share.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace hue {

// Entry k: floor(0xFF0000 / k), so that l * entry >> 16 divides by the chroma; entry 0 is 0.
inline constexpr std::array<int32_t, 256> kReciprocal = [] {
    std::array<int32_t, 256> t{};
    for (int32_t k = 1; k < 256; ++k)
        t[static_cast<size_t>(k)] = 0xFF0000 / k;
    return t;
}();

// The hue shift as whole sectors and a remainder of 0..254.
struct HueShift {
    int32_t sectors;
    int32_t remainder;
};

inline HueShift MakeHueShift(int32_t degrees) {
    const int64_t h16 = ((static_cast<int64_t>(degrees) * 65536 / 360) % 65536 + 65536) % 65536;
    const int32_t u = static_cast<int32_t>((h16 * 6) >> 8); // 256 units per 60 degrees
    int32_t a = u % 512;
    if (a >= 256) a -= 512;
    const int32_t b = ((u + 256) >> 9) % 3;
    int32_t shift = a + 510 * b; // 255 units per 60 degrees
    if (shift < 0) shift += 1530;
    if (shift >= 1530) shift -= 1530;
    return HueShift{shift / 255, shift % 255};
}

} // namespace hue
