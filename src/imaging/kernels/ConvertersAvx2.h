// AVX2 twins of the converters whose pixels need byte shuffles.
#pragma once

#include <cstdint>

namespace convert {

// Gray of 24-bit pixels, (red x 30 + green x 59 + blue x 11) / 100, sixteen a step from the start
// of the row; returns the pixels done. Call only when ActiveKernelPath() is KernelPath::Avx2;
// without AVX2 in the build it does nothing.
int32_t GrayRowAvx2(uint8_t* out, const uint8_t* in, int32_t width);

// The first three bytes of 4-byte pixels, four pixels a step, while a step's 16-byte store stays
// inside the pixels that follow and are still to be written; returns the pixels done (the
// caller writes the rest, the last one as three bytes).
int32_t FourBytesToThreeAvx2(uint8_t* out, const uint8_t* in, int32_t count);

} // namespace convert
