// The demosaic interior of 8-bit raw frames, eight output pixels at a time in 16-bit lanes, equal
// bit for bit to the reference: the same sums, and the gain's product shifted by 11 and
// saturated at 255 without leaving 16 bits.
#include "imaging/kernels/DemosaicTwins.h"

#include "imaging/kernels/DemosaicCases.h"

#include <cstddef>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TRAVIK_HAVE_SSE2 1
#endif

namespace demosaic {

#if TRAVIK_HAVE_SSE2
namespace {

// The 16 sample vectors of eight output columns: rows i-2..i+1 by column offsets -2..1.
struct Window {
    __m128i s[4][4];

    __m128i At(Offset o) const { return s[o.row + 2][o.column + 2]; }
};

Window LoadWordWindow(const uint8_t* const rows[4], int32_t j) {
    Window w;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            w.s[r][c] =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[r] + 2 * (j + c - 2)));
    return w;
}

Window LoadWindow(const uint8_t* const rows[4], int32_t j) {
    const __m128i zero = _mm_setzero_si128();
    Window w;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const __m128i bytes =
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[r] + j + c - 2));
            w.s[r][c] = _mm_unpacklo_epi8(bytes, zero);
        }
    }
    return w;
}

// 9 N + 3 (H + V) + D, at most 16 x 255: inside 16 bits.
__m128i Weighted(const Window& w, const Offset* o) {
    const __m128i n = w.At(o[0]);
    const __m128i hv = _mm_add_epi16(w.At(o[1]), w.At(o[2]));
    const __m128i nine = _mm_add_epi16(_mm_slli_epi16(n, 3), n);
    const __m128i three = _mm_add_epi16(_mm_slli_epi16(hv, 1), hv);
    return _mm_add_epi16(_mm_add_epi16(nine, three), w.At(o[3]));
}

__m128i Blend(__m128i firstLanes, __m128i first, __m128i second) {
    return _mm_or_si128(_mm_and_si128(firstLanes, first), _mm_andnot_si128(firstLanes, second));
}

// min((sum * gain) >> 11, top) for gain < 2^16, where top is 255 for 8-bit samples (sum < 2^12)
// and 1023 for ten-bit ones (sum < 2^14): the high half of the product is capped at 8 or 32, where
// every product saturates, so that (high << 5) | (low >> 11) stays in 16 bits. For 8-bit samples
// the pack that follows saturates everything from 256 on to 255.
template <bool kWords> __m128i ApplyGain(__m128i sum, __m128i gain) {
    const __m128i low = _mm_mullo_epi16(sum, gain);
    const __m128i high = _mm_min_epi16(_mm_mulhi_epu16(sum, gain), _mm_set1_epi16(kWords ? 32 : 8));
    const __m128i value = _mm_or_si128(_mm_slli_epi16(high, 5), _mm_srli_epi16(low, 11));
    if constexpr (kWords) return _mm_min_epi16(value, _mm_set1_epi16(1023));
    return value;
}

// Eight pixels of four channels, whole vectors of them, stored at `out`; the bits of `keep` (the
// fourth channel, which is the caller's) stay as the destination had them.
template <size_t kVectors>
void StoreKeepingFourth(uint8_t* out, const __m128i (&pixels)[kVectors], __m128i keep) {
    for (size_t q = 0; q < kVectors; ++q) {
        __m128i* at = reinterpret_cast<__m128i*>(out + 16 * q);
        const __m128i old = _mm_loadu_si128(at);
        _mm_storeu_si128(at, _mm_or_si128(_mm_and_si128(old, keep), pixels[q]));
    }
}

// Eight pixels of four channels stored as pixels of three, kPixelBytes each: each pixel is written
// with its fourth channel, which the next pixel overwrites; the eighth is written without it so
// that nothing beyond it changes.
template <int kPixelBytes, size_t kVectors>
void StoreThreeChannels(uint8_t* out, const __m128i (&pixels)[kVectors]) {
    constexpr int kFourChannelBytes = 16 * kVectors / 8;
    alignas(16) uint8_t bytes[16 * kVectors];
    for (size_t q = 0; q < kVectors; ++q)
        _mm_store_si128(reinterpret_cast<__m128i*>(bytes + 16 * q), pixels[q]);
    for (int p = 0; p < 7; ++p)
        std::memcpy(out + kPixelBytes * p, bytes + kFourChannelBytes * p, kFourChannelBytes);
    std::memcpy(out + 7 * kPixelBytes, bytes + 7 * kFourChannelBytes, kPixelBytes);
}

template <int kDstBytes> void StorePixels(uint8_t* out, __m128i blue, __m128i green, __m128i red) {
    // Bytes blue, green, red, 0 of each pixel, four pixels a vector.
    const __m128i blueGreen = _mm_unpacklo_epi8(blue, green);
    const __m128i redZero = _mm_unpacklo_epi8(red, _mm_setzero_si128());
    const __m128i pixels[2] = {_mm_unpacklo_epi16(blueGreen, redZero),
                               _mm_unpackhi_epi16(blueGreen, redZero)};
    if constexpr (kDstBytes == 4)
        StoreKeepingFourth(out, pixels, _mm_set1_epi32(static_cast<int>(0xFF000000u)));
    else
        StoreThreeChannels<3>(out, pixels);
}

template <int kDstBytes>
void StoreWordPixels(uint8_t* out, __m128i blue, __m128i green, __m128i red) {
    // Words blue, green, red, 0 of each pixel, two pixels a vector.
    const __m128i zero = _mm_setzero_si128();
    const __m128i blueGreen[2] = {_mm_unpacklo_epi16(blue, green), _mm_unpackhi_epi16(blue, green)};
    const __m128i redZero[2] = {_mm_unpacklo_epi16(red, zero), _mm_unpackhi_epi16(red, zero)};
    __m128i pixels[4];
    for (int h = 0; h < 2; ++h) {
        pixels[2 * h] = _mm_unpacklo_epi32(blueGreen[h], redZero[h]);
        pixels[2 * h + 1] = _mm_unpackhi_epi32(blueGreen[h], redZero[h]);
    }
    if constexpr (kDstBytes == 8)
        StoreKeepingFourth(
            out, pixels,
            _mm_set_epi32(static_cast<int>(0xFFFF0000u), 0, static_cast<int>(0xFFFF0000u), 0));
    else
        StoreThreeChannels<6>(out, pixels);
}

// Eight output pixels a step from 8-bit samples (stored as 3 or 4 bytes) or ten-bit ones in words
// (stored as 6 or 8 bytes).
template <bool kWords, int kDstBytes, int kFirst>
int32_t Row(uint8_t* out, const uint8_t* const rows[4], int32_t from, int32_t last, int32_t redGain,
            int32_t blueGain) {
    constexpr ParityCase a = kCases[kFirst];
    constexpr ParityCase b = kCases[kFirst ^ 1];
    // Lanes 0, 2, 4, 6 hold the columns of the first case.
    const __m128i firstLanes = _mm_set_epi16(0, -1, 0, -1, 0, -1, 0, -1);
    const __m128i red16 = _mm_set1_epi16(static_cast<short>(redGain));
    const __m128i blue16 = _mm_set1_epi16(static_cast<short>(blueGain));
    int32_t j = from;
    for (; j + 7 <= last; j += 8) {
        const Window w = kWords ? LoadWordWindow(rows, j) : LoadWindow(rows, j);
        // The green mean needs no clamp: it is at most the largest sample.
        const __m128i green =
            _mm_srli_epi16(Blend(firstLanes, _mm_add_epi16(w.At(a.green[0]), w.At(a.green[1])),
                                 _mm_add_epi16(w.At(b.green[0]), w.At(b.green[1]))),
                           1);
        const __m128i red =
            ApplyGain<kWords>(Blend(firstLanes, Weighted(w, a.red), Weighted(w, b.red)), red16);
        const __m128i blue =
            ApplyGain<kWords>(Blend(firstLanes, Weighted(w, a.blue), Weighted(w, b.blue)), blue16);
        if constexpr (kWords)
            StoreWordPixels<kDstBytes>(out + j * kDstBytes, blue, green, red);
        else
            StorePixels<kDstBytes>(out + j * kDstBytes, _mm_packus_epi16(blue, blue),
                                   _mm_packus_epi16(green, green), _mm_packus_epi16(red, red));
    }
    return j;
}

template <bool kWords, int kDstBytes>
int32_t RowOfCase(uint8_t* out, const uint8_t* const rows[4], int32_t from, int32_t last,
                  int firstCase, int32_t redGain, int32_t blueGain) {
    switch (firstCase) {
    case 0:
        return Row<kWords, kDstBytes, 0>(out, rows, from, last, redGain, blueGain);
    case 1:
        return Row<kWords, kDstBytes, 1>(out, rows, from, last, redGain, blueGain);
    case 2:
        return Row<kWords, kDstBytes, 2>(out, rows, from, last, redGain, blueGain);
    default:
        return Row<kWords, kDstBytes, 3>(out, rows, from, last, redGain, blueGain);
    }
}

} // namespace

int32_t InteriorRowSse2(uint8_t* out, int32_t dstBytes, const uint8_t* const rows[4], int32_t from,
                        int32_t last, int firstCase, int32_t redGain, int32_t blueGain) {
    if (redGain < 0 || redGain > 65535 || blueGain < 0 || blueGain > 65535) return from;
    if (dstBytes == 3)
        return RowOfCase<false, 3>(out, rows, from, last, firstCase, redGain, blueGain);
    if (dstBytes == 4)
        return RowOfCase<false, 4>(out, rows, from, last, firstCase, redGain, blueGain);
    return from;
}

int32_t InteriorRowSse2Words(uint8_t* out, int32_t dstBytes, const uint8_t* const rows[4],
                             int32_t from, int32_t last, int firstCase, int32_t redGain,
                             int32_t blueGain) {
    if (redGain < 0 || redGain > 65535 || blueGain < 0 || blueGain > 65535) return from;
    if (dstBytes == 6)
        return RowOfCase<true, 6>(out, rows, from, last, firstCase, redGain, blueGain);
    if (dstBytes == 8)
        return RowOfCase<true, 8>(out, rows, from, last, firstCase, redGain, blueGain);
    return from;
}

#else

int32_t InteriorRowSse2(uint8_t*, int32_t, const uint8_t* const[4], int32_t from, int32_t, int,
                        int32_t, int32_t) {
    return from;
}

int32_t InteriorRowSse2Words(uint8_t*, int32_t, const uint8_t* const[4], int32_t from, int32_t, int,
                             int32_t, int32_t) {
    return from;
}

#endif

bool WordsFitTenBits(const uint8_t* first, int32_t samples, int32_t rows, int64_t stride) {
    uint32_t any = 0;
#if TRAVIK_HAVE_SSE2
    __m128i anyLanes = _mm_setzero_si128();
#endif
    for (int32_t r = 0; r < rows; ++r) {
        const uint8_t* row = first + r * stride;
        int32_t k = 0;
#if TRAVIK_HAVE_SSE2
        for (; k + 8 <= samples; k += 8)
            anyLanes = _mm_or_si128(anyLanes,
                                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 2 * k)));
#endif
        for (; k < samples; ++k) {
            uint16_t v;
            std::memcpy(&v, row + 2 * k, 2);
            any |= v;
        }
    }
#if TRAVIK_HAVE_SSE2
    const __m128i high = _mm_and_si128(anyLanes, _mm_set1_epi16(static_cast<short>(0xFC00)));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) != 0xFFFF) return false;
#endif
    return any < 1024;
}

} // namespace demosaic
