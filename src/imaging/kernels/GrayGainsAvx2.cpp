// Colour to gray in 16-bit lanes of AVX2: the channels split apart with byte shuffles, the
// weighted sum in one lane, and the division by 100 as a multiply by its scaled reciprocal.
#include "imaging/kernels/GrayGainsTwins.h"

#if defined(__AVX2__)
#include "imaging/kernels/Avx2Pixels.h"
#endif

namespace gray {

#if defined(__AVX2__)

int32_t GrayRowAvx2(uint8_t* out, const uint8_t* in, int32_t width) {
    const __m256i blueWeight = _mm256_set1_epi16(11);
    const __m256i greenWeight = _mm256_set1_epi16(59);
    const __m256i redWeight = _mm256_set1_epi16(30);
    // For every sum 0..25500, (sum x 41944) >> 22 equals sum / 100.
    const __m256i reciprocal = _mm256_set1_epi16(static_cast<short>(41944));
    int32_t j = 0;
    for (; j + 16 <= width; j += 16) {
        __m128i channels[3];
        avx2::SplitChannels<1, 3>(in + 3 * j, channels);
        const __m256i sum = _mm256_add_epi16(
            _mm256_add_epi16(_mm256_mullo_epi16(_mm256_cvtepu8_epi16(channels[0]), blueWeight),
                             _mm256_mullo_epi16(_mm256_cvtepu8_epi16(channels[1]), greenWeight)),
            _mm256_mullo_epi16(_mm256_cvtepu8_epi16(channels[2]), redWeight));
        const __m256i gray = _mm256_srli_epi16(_mm256_mulhi_epu16(sum, reciprocal), 6);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), avx2::SaturatedBytes(gray));
    }
    return j;
}

#else

int32_t GrayRowAvx2(uint8_t*, const uint8_t*, int32_t) {
    return 0;
}

#endif

} // namespace gray
