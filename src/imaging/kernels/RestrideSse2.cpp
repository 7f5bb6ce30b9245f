// The frame mirror's rows reversed sixteen bytes at a time with SSE2 shuffles.
#include "imaging/kernels/RestrideTwins.h"

#include <cstddef>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TRAVIK_MIRROR_SSE2 1
#endif

namespace restride {

#if TRAVIK_MIRROR_SSE2
namespace {

// The order of the 1- or 2-byte pixels of a 16-byte vector reversed: dwords, then the words
// within each dword, then (for bytes) the bytes within each word.
template <size_t kPixelBytes> __m128i Reversed(__m128i v) {
    v = _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3));
    v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1)),
                            _MM_SHUFFLE(2, 3, 0, 1));
    if constexpr (kPixelBytes == 1) v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
    return v;
}

template <size_t kPixelBytes> int32_t ReverseRow(uint8_t* to, const uint8_t* from, int32_t width) {
    constexpr int32_t kPixels = 16 / kPixelBytes;
    const uint8_t* end = from + static_cast<size_t>(width) * kPixelBytes;
    int32_t j = 0;
    for (; j + kPixels <= width; j += kPixels) {
        const __m128i v =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(end - (j + kPixels) * kPixelBytes));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + j * kPixelBytes),
                         Reversed<kPixelBytes>(v));
    }
    return j;
}

} // namespace

int32_t ReverseBytesSse2(uint8_t* to, const uint8_t* from, int32_t width) {
    return ReverseRow<1>(to, from, width);
}

int32_t ReverseWordsSse2(uint8_t* to, const uint8_t* from, int32_t width) {
    return ReverseRow<2>(to, from, width);
}

#else

int32_t ReverseBytesSse2(uint8_t*, const uint8_t*, int32_t) {
    return 0;
}

int32_t ReverseWordsSse2(uint8_t*, const uint8_t*, int32_t) {
    return 0;
}

#endif

} // namespace restride
