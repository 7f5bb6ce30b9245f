// Gains and offsets per Bayer position in 16-bit lanes of SSE2, equal bit for bit to the
// reference: the same product, shift and clamp in each lane.
#include "imaging/kernels/GrayGainsTwins.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TRAVIK_GRAY_SSE2 1
#endif

namespace gray {

#if TRAVIK_GRAY_SSE2
namespace {

// Lanes alternate between the even and the odd column's value.
__m128i Alternating(const int32_t (&v)[2]) {
    return _mm_set_epi16(static_cast<short>(v[1]), static_cast<short>(v[0]),
                         static_cast<short>(v[1]), static_cast<short>(v[0]),
                         static_cast<short>(v[1]), static_cast<short>(v[0]),
                         static_cast<short>(v[1]), static_cast<short>(v[0]));
}

} // namespace

// Sixteen byte samples a step: (gain * v) >> 7 is at most 508 in a 16-bit lane, the offset
// keeps it inside -255..763, and the pack clamps to 0..255.
int32_t GainRowBytesSse2(uint8_t* out, const uint8_t* in, int32_t width, const RowGains& r) {
    const __m128i gain = Alternating(r.gain);
    const __m128i offset = Alternating(r.offset);
    const __m128i zero = _mm_setzero_si128();
    int32_t j = 0;
    for (; j + 16 <= width; j += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + j));
        __m128i halves[2] = {_mm_unpacklo_epi8(v, zero), _mm_unpackhi_epi8(v, zero)};
        for (__m128i& h : halves)
            h = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(h, gain), 7), offset);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j),
                         _mm_packus_epi16(halves[0], halves[1]));
    }
    return j;
}

// Eight word samples a step for maxima up to 32767: the 32-bit product from its two halves,
// shifted, offset, clamped to 0..maximum in 32-bit lanes, then packed back.
int32_t GainRowWordsSse2(uint8_t* out, const uint8_t* in, int32_t width, const RowGains& r,
                         int32_t maximum) {
    const __m128i gain = Alternating(r.gain);
    const __m128i offset = _mm_set_epi32(r.offset[1], r.offset[0], r.offset[1], r.offset[0]);
    const __m128i top = _mm_set1_epi32(maximum);
    const __m128i zero = _mm_setzero_si128();
    int32_t j = 0;
    for (; j + 8 <= width; j += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * j));
        const __m128i low = _mm_mullo_epi16(v, gain);
        const __m128i high = _mm_mulhi_epu16(v, gain);
        __m128i products[2] = {_mm_unpacklo_epi16(low, high), _mm_unpackhi_epi16(low, high)};
        for (__m128i& p : products) {
            p = _mm_add_epi32(_mm_srli_epi32(p, 7), offset);
            const __m128i above = _mm_cmpgt_epi32(p, top);
            p = _mm_or_si128(_mm_and_si128(above, top), _mm_andnot_si128(above, p));
            p = _mm_andnot_si128(_mm_cmpgt_epi32(zero, p), p);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * j),
                         _mm_packs_epi32(products[0], products[1]));
    }
    return j;
}

#else

int32_t GainRowBytesSse2(uint8_t*, const uint8_t*, int32_t, const RowGains&) {
    return 0;
}

int32_t GainRowWordsSse2(uint8_t*, const uint8_t*, int32_t, const RowGains&, int32_t) {
    return 0;
}

#endif

} // namespace gray
