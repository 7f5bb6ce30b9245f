// Words to bytes for the depth converters in 16-bit lanes of SSE2: shift, mask and pack.
#include "imaging/kernels/ConverterTwins.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TRAVIK_CONVERT_SSE2 1
#endif

namespace convert {

#if TRAVIK_CONVERT_SSE2
namespace {

template <int kShift> int32_t WordsToBytes(uint8_t* out, const uint8_t* in, int32_t count) {
    const __m128i low = _mm_set1_epi16(255);
    int32_t k = 0;
    for (; k + 16 <= count; k += 16) {
        const __m128i* from = reinterpret_cast<const __m128i*>(in + 2 * k);
        const __m128i first = _mm_and_si128(_mm_srli_epi16(_mm_loadu_si128(from), kShift), low);
        const __m128i second =
            _mm_and_si128(_mm_srli_epi16(_mm_loadu_si128(from + 1), kShift), low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_packus_epi16(first, second));
    }
    return k;
}

} // namespace

int32_t TenBitWordsToBytesSse2(uint8_t* out, const uint8_t* in, int32_t count) {
    return WordsToBytes<2>(out, in, count);
}

int32_t TwelveBitWordsToBytesSse2(uint8_t* out, const uint8_t* in, int32_t count) {
    return WordsToBytes<4>(out, in, count);
}

#else

int32_t TenBitWordsToBytesSse2(uint8_t*, const uint8_t*, int32_t) {
    return 0;
}

int32_t TwelveBitWordsToBytesSse2(uint8_t*, const uint8_t*, int32_t) {
    return 0;
}

#endif

} // namespace convert
