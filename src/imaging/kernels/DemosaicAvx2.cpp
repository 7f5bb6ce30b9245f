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
                w.s[r][c] =
                    _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)));
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

// (sum * gain) >> 11 as one high-half multiply: the sum shifted up and the gain shifted up so
// that together they make the factor 32 = 2^(16 - 11), each staying inside 16 bits (bytes:
// sums below 2^12 by 16 and gains below 2^15 by 2; words: sums below 2^14 by 4 and gains below
// 2^13 by 8). The high half is unsigned, so the clamp to the largest value is an unsigned one.
template <int kSampleBytes> constexpr int32_t kLargestGain = kSampleBytes == 1 ? 32767 : 8191;
template <int kSampleBytes> constexpr int kSumShift = kSampleBytes == 1 ? 4 : 2;

template <int kSampleBytes> __m256i ScaledGain(int32_t gain) {
    return _mm256_set1_epi16(static_cast<short>(gain << (5 - kSumShift<kSampleBytes>)));
}

template <int kSampleBytes> __m256i ApplyGain(__m256i sum, __m256i scaledGain) {
    constexpr short kMaximum = kSampleBytes == 1 ? 255 : 1023;
    const __m256i value =
        _mm256_mulhi_epu16(_mm256_slli_epi16(sum, kSumShift<kSampleBytes>), scaledGain);
    return _mm256_min_epu16(value, _mm256_set1_epi16(kMaximum));
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
int32_t Row(uint8_t* out, const uint8_t* const rows[4], int32_t from, int32_t last, int32_t redGain,
            int32_t blueGain) {
    constexpr ParityCase a = kCases[kFirst];
    constexpr ParityCase b = kCases[kFirst ^ 1];
    // Even lanes hold the columns of the first case.
    const __m256i firstLanes = _mm256_set1_epi32(0xFFFF);
    const __m256i red16 = ScaledGain<kSampleBytes>(redGain);
    const __m256i blue16 = ScaledGain<kSampleBytes>(blueGain);
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

// ---- 8-bit frames: 32 columns a step, the two column parities in separate vectors ----
//
// Output columns j0 + 2m (the first case) and j0 + 2m + 1 (the other) for m = 0..15 read source
// columns j0 + 2m - 2 .. j0 + 2m + 2. Read as 16-bit words from j0 - 2, j0 and j0 + 2, each row
// gives the even-offset samples (low bytes) and the odd-offset ones (high bytes) of five column
// positions, so each case is computed on sixteen useful lanes, without blends.
struct ParityWindow {
    // [row][column offset + 2] for the first case; the second case is the same row shifted by one
    // column: its offsets -2..1 are the first case's -1..2.
    __m256i s[4][5];

    __m256i First(Offset o) const { return s[o.row + 2][o.column + 2]; }
    __m256i Second(Offset o) const { return s[o.row + 2][o.column + 3]; }
};

ParityWindow LoadParityWindow(const uint8_t* const rows[4], int32_t j0) {
    const __m256i low = _mm256_set1_epi16(0xFF);
    ParityWindow w;
    for (int r = 0; r < 4; ++r) {
        for (int k = 0; k < 3; ++k) {
            const __m256i words =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[r] + j0 - 2 + 2 * k));
            w.s[r][2 * k] = _mm256_and_si256(words, low);
            if (k < 2) w.s[r][2 * k + 1] = _mm256_srli_epi16(words, 8);
        }
    }
    return w;
}

template <class At> __m256i WeightedOf(At at, const Offset* o) {
    const __m256i n = at(o[0]);
    const __m256i hv = _mm256_add_epi16(at(o[1]), at(o[2]));
    const __m256i nine = _mm256_add_epi16(_mm256_slli_epi16(n, 3), n);
    const __m256i three = _mm256_add_epi16(_mm256_slli_epi16(hv, 1), hv);
    return _mm256_add_epi16(_mm256_add_epi16(nine, three), at(o[3]));
}

// Blue, green, red bytes of sixteen pixels of one parity case.
template <class At>
void CasePixels(At at, const ParityCase& c, __m256i redGain, __m256i blueGain, __m128i out[3]) {
    const __m256i green = _mm256_srli_epi16(_mm256_add_epi16(at(c.green[0]), at(c.green[1])), 1);
    out[0] = avx2::SaturatedBytes(ApplyGain<1>(WeightedOf(at, c.blue), blueGain));
    out[1] = avx2::SaturatedBytes(green);
    out[2] = avx2::SaturatedBytes(ApplyGain<1>(WeightedOf(at, c.red), redGain));
}

template <int kChannels, int kFirst>
int32_t ParityRow(uint8_t* out, const uint8_t* const rows[4], int32_t from, int32_t last,
                  int32_t redGain, int32_t blueGain) {
    constexpr ParityCase a = kCases[kFirst];
    constexpr ParityCase b = kCases[kFirst ^ 1];
    const __m256i red16 = ScaledGain<1>(redGain);
    const __m256i blue16 = ScaledGain<1>(blueGain);
    int32_t j = from;
    for (; j + 31 <= last; j += 32) {
        const ParityWindow w = LoadParityWindow(rows, j);
        __m128i first[3], second[3];
        CasePixels([&w](Offset o) { return w.First(o); }, a, red16, blue16, first);
        CasePixels([&w](Offset o) { return w.Second(o); }, b, red16, blue16, second);
        __m128i low[3], high[3];
        for (int c = 0; c < 3; ++c) {
            low[c] = _mm_unpacklo_epi8(first[c], second[c]);
            high[c] = _mm_unpackhi_epi8(first[c], second[c]);
        }
        avx2::MergeChannels<1, kChannels>(out + j * kChannels, low);
        avx2::MergeChannels<1, kChannels>(out + (j + 16) * kChannels, high);
    }
    return j;
}

template <int kSampleBytes, int kChannels>
int32_t RowOfCase(uint8_t* out, const uint8_t* const rows[4], int32_t from, int32_t last,
                  int firstCase, int32_t redGain, int32_t blueGain) {
    if constexpr (kSampleBytes == 1) {
        switch (firstCase) {
        case 0:
            from = ParityRow<kChannels, 0>(out, rows, from, last, redGain, blueGain);
            break;
        case 1:
            from = ParityRow<kChannels, 1>(out, rows, from, last, redGain, blueGain);
            break;
        case 2:
            from = ParityRow<kChannels, 2>(out, rows, from, last, redGain, blueGain);
            break;
        default:
            from = ParityRow<kChannels, 3>(out, rows, from, last, redGain, blueGain);
            break;
        }
    }
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
    // Larger gains (beyond 250 times) are left to the SSE2 rows.
    constexpr int32_t kLargest = kLargestGain<kSampleBytes>;
    if (redGain < 0 || redGain > kLargest || blueGain < 0 || blueGain > kLargest) return from;
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

int32_t InteriorRowAvx2Words(uint8_t*, int32_t, const uint8_t* const[4], int32_t from, int32_t, int,
                             int32_t, int32_t) {
    return from;
}

#endif

} // namespace demosaic
