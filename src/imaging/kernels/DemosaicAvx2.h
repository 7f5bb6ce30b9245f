// The AVX2 twin of the demosaic interior: sixteen output pixels a step.
#pragma once

#include <cstdint>

namespace demosaic {

// As InteriorRowSse2 and InteriorRowSse2Words (DemosaicSse2.h), in groups of sixteen columns.
// Call only when ActiveKernelPath() is KernelPath::Avx2; without AVX2 in the build they fill
// nothing.
int32_t InteriorRowAvx2(uint8_t* out, int32_t dstBytes, const uint8_t* const rows[4], int32_t from,
                        int32_t last, int firstCase, int32_t redGain, int32_t blueGain);
int32_t InteriorRowAvx2Words(uint8_t* out, int32_t dstBytes, const uint8_t* const rows[4],
                             int32_t from, int32_t last, int firstCase, int32_t redGain,
                             int32_t blueGain);

} // namespace demosaic
