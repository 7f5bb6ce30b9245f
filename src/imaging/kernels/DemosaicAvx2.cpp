// The demosaic interior in 16-bit lanes of AVX2, sixteen output pixels at a time: the arithmetic
// of the SSE2 twin on vectors twice as wide, equal bit for bit to the reference.
#include "imaging/kernels/DemosaicAvx2.h"

#include "imaging/kernels/DemosaicCases.h"

#if defined(__AVX2__)
#include "imaging/kernels/Avx2Pixels.h"
#endif

namespace demosaic {

#if defined(__AVX2__)
namespace {

// The 16 sample vectors of sixteen output columns: rows i-2..i+1 by column offsets -2..1.
struct Window {
    __m256i s[4][4];

    __m256i At(Offset o) const { return s[o.row + 2][o.column + 2]; }
};

template <int kSampleBytes> Window LoadWindow(const uint8_t* const rows[4], int32_t j) {
    Window w;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const uint8_t* at = rows[r] + kSampleBytes * (j + c - 2);
            if constexpr (kSampleBytes == 1)
                w.s[r][c] = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)));
            else
                w.s[r][c] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
        }
    }
    return w;
}

// 9 N + 3 (H + V) + D, at most 16 x 1023: inside 16 bits.
__m256i Weighted(const Window& w, const Offset* o) {
    const __m256i n = w.At(o[0]);
    const __m256i hv = _mm256_add_epi16(w.At(o[1]), w.At(o[2]));
    const __m256i nine = _mm256_add_epi16(_mm256_slli_epi16(n, 3), n);
    const __m256i three = _mm256_add_epi16(_mm256_slli_epi16(hv, 1), hv);
    return _mm256_add_epi16(_mm256_add_epi16(nine, three), w.At(o[3]));
}

// min((sum * gain) >> 11, maximum) for gain < 2^16: the high half of the product is capped at
// the first value where every product saturates (8 for bytes, 32 for 10-bit words), so that
// (high << 5) | (low >> 11) stays in 16 bits.
template <int kSampleBytes> __m256i ApplyGain(__m256i sum, __m256i gain) {
    constexpr short kHighCap = kSampleBytes == 1 ? 8 : 32;
    const __m256i low = _mm256_mullo_epi16(sum, gain);
    const __m256i high = _mm256_min_epi16(_mm256_mulhi_epu16(sum, gain), _mm256_set1_epi16(kHighCap));
    const __m256i value = _mm256_or_si256(_mm256_slli_epi16(high, 5), _mm256_srli_epi16(low, 11));
    if constexpr (kSampleBytes == 1) return value; // the byte pack saturates at 255
    return _mm256_min_epi16(value, _mm256_set1_epi16(1023));
}

// Blue, green, red of sixteen pixels into 3- or 4-channel pixels of bytes or words; a fourth
// channel keeps what it had.
template <int kSampleBytes, int kChannels>
void StorePixels(uint8_t* out, __m256i blue, __m256i green, __m256i red) {
    if constexpr (kSampleBytes == 1) {
        const __m128i channels[3] = {avx2::SaturatedBytes(blue), avx2::SaturatedBytes(green),
                                     avx2::SaturatedBytes(red)};
        avx2::MergeChannels<1, kChannels>(out, channels);
    } else {
        const __m128i low[3] = {avx2::Low(blue), avx2::Low(green), avx2::Low(red)};
        const __m128i high[3] = {avx2::High(blue), avx2::High(green), avx2::High(red)};
        avx2::MergeChannels<2, kChannels>(out, low);
        avx2::MergeChannels<2, kChannels>(out + 16 * kChannels, high);
    }
}

template <int kSampleBytes, int kChannels, int kFirst>
int32_t Row(uint8_t* out, const uint8_t* const rows[4], int32_t from, int32_t last,
            int32_t redGain, int32_t blueGain) {
    constexpr ParityCase a = kCases[kFirst];
    constexpr ParityCase b = kCases[kFirst ^ 1];
    // Even lanes hold the columns of the first case.
    const __m256i firstLanes = _mm256_set1_epi32(0xFFFF);
    const __m256i red16 = _mm256_set1_epi16(static_cast<short>(redGain));
    const __m256i blue16 = _mm256_set1_epi16(static_cast<short>(blueGain));
    constexpr int32_t kDstBytes = kSampleBytes * kChannels;
    int32_t j = from;
    for (; j + 15 <= last; j += 16) {
        const Window w = LoadWindow<kSampleBytes>(rows, j);
        // The green mean of 8-bit samples is at most 255, of 10-bit ones 1023: no clamp.
        const __m256i green = _mm256_srli_epi16(
            avx2::Select(firstLanes, _mm256_add_epi16(w.At(a.green[0]), w.At(a.green[1])),
                         _mm256_add_epi16(w.At(b.green[0]), w.At(b.green[1]))),
            1);
        const __m256i red = ApplyGain<kSampleBytes>(
            avx2::Select(firstLanes, Weighted(w, a.red), Weighted(w, b.red)), red16);
        const __m256i blue = ApplyGain<kSampleBytes>(
            avx2::Select(firstLanes, Weighted(w, a.blue), Weighted(w, b.blue)), blue16);
        StorePixels<kSampleBytes, kChannels>(out + j * kDstBytes, blue, green, red);
    }
    return j;
}

template <int kSampleBytes, int kChannels>
int32_t RowOfCase(uint8_t* out, const uint8_t* const rows[4], int32_t from, int32_t last,
                  int firstCase, int32_t redGain, int32_t blueGain) {
    switch (firstCase) {
    case 0:
        return Row<kSampleBytes, kChannels, 0>(out, rows, from, last, redGain, blueGain);
    case 1:
        return Row<kSampleBytes, kChannels, 1>(out, rows, from, last, redGain, blueGain);
    case 2:
        return Row<kSampleBytes, kChannels, 2>(out, rows, from, last, redGain, blueGain);
    default:
        return Row<kSampleBytes, kChannels, 3>(out, rows, from, last, redGain, blueGain);
    }
}

template <int kSampleBytes>
int32_t AnyRow(uint8_t* out, int32_t dstBytes, const uint8_t* const rows[4], int32_t from,
               int32_t last, int firstCase, int32_t redGain, int32_t blueGain) {
    if (redGain < 0 || redGain > 65535 || blueGain < 0 || blueGain > 65535) return from;
    if (dstBytes == 3 * kSampleBytes)
        return RowOfCase<kSampleBytes, 3>(out, rows, from, last, firstCase, redGain, blueGain);
    if (dstBytes == 4 * kSampleBytes)
        return RowOfCase<kSampleBytes, 4>(out, rows, from, last, firstCase, redGain, blueGain);
    return from;
}

} // namespace

int32_t InteriorRowAvx2(uint8_t* out, int32_t dstBytes, const uint8_t* const rows[4], int32_t from,
                        int32_t last, int firstCase, int32_t redGain, int32_t blueGain) {
    return AnyRow<1>(out, dstBytes, rows, from, last, firstCase, redGain, blueGain);
}

int32_t InteriorRowAvx2Words(uint8_t* out, int32_t dstBytes, const uint8_t* const rows[4],
                             int32_t from, int32_t last, int firstCase, int32_t redGain,
                             int32_t blueGain) {
    return AnyRow<2>(out, dstBytes, rows, from, last, firstCase, redGain, blueGain);
}

#else

int32_t InteriorRowAvx2(uint8_t*, int32_t, const uint8_t* const[4], int32_t from, int32_t, int,
                        int32_t, int32_t) {
    return from;
}

int32_t InteriorRowAvx2Words(uint8_t*, int32_t, const uint8_t* const[4], int32_t from, int32_t,
                             int, int32_t, int32_t) {
    return from;
}

#endif

} // namespace demosaic
