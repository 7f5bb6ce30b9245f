// 4-byte pixels to 3-byte ones for the converters, a byte shuffle of four pixels a step.
#include "imaging/kernels/ConverterTwins.h"

#if defined(__AVX2__)
#include <immintrin.h>
#endif

namespace convert {

#if defined(__AVX2__)

int32_t FourBytesToThreeAvx2(uint8_t* out, const uint8_t* in, int32_t count) {
    // Bytes 0..11 of the store are the four pixels' first three bytes; 12..15 belong to the next
    // two pixels, which later steps or the caller write.
    const __m128i drop =
        _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -128, -128, -128, -128);
    int32_t j = 0;
    for (; j + 6 <= count; j += 4) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * j));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * j), _mm_shuffle_epi8(pixels, drop));
    }
    return j;
}

#else

int32_t FourBytesToThreeAvx2(uint8_t*, const uint8_t*, int32_t) {
    return 0;
}

#endif

} // namespace convert
