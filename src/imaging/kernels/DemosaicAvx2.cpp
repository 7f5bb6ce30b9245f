// The demosaic interior in 16-bit lanes of AVX2, two output rows and 32 columns a step, equal bit
// for bit to the reference.
//
// The interpolation is separable: 9 N + 3 H + 3 V + D = 3 (3 N + H) + (3 V + D), where N and H lie
// in the colour's near row and V and D in its far row, at the same two columns. So each source row
// gives one horizontal sum per colour and output column, and an output row adds two of them. Two
// output rows share three of their five source rows, and the near row of one is the far row of the
// other: a pair of rows costs five horizontal sums, not eight.
//
// The columns are split by parity: lane k holds output columns j + 2k (the first parity case) and
// j + 2k + 1 (the second), so neither case needs a blend.
#include "imaging/kernels/DemosaicTwins.h"

#include "imaging/kernels/DemosaicCases.h"

#if defined(__AVX2__)
#include <immintrin.h>
#endif

// Every helper of a group is inlined into it, whatever the optimiser's size heuristics say: a
// call passes its vectors through memory.
#if defined(_MSC_VER)
#define DEMOSAIC_INLINE __forceinline
#else
#define DEMOSAIC_INLINE inline __attribute__((always_inline))
#endif

namespace demosaic {

#if defined(__AVX2__)
namespace {

constexpr int32_t kGroup = 32; // output columns a step

// Samples of five source rows (i-2..i+2) at column offsets -2..2 from output columns j + 2k.
// The second parity case of a lane sits one column further: its offsets -2..1 are -1..2 here.
struct Window {
    __m256i s[5][5];

    __m256i First(int row, Offset o) const { return s[o.row + 2 + row][o.column + 2]; }
    __m256i Second(int row, Offset o) const { return s[o.row + 2 + row][o.column + 3]; }
};

// Bytes read as words from j-2, j and j+2: the low bytes hold the even offsets, the high bytes
// the odd ones.
DEMOSAIC_INLINE void LoadByteRow(const uint8_t* row, int32_t j, __m256i s[5]) {
    const __m256i low = _mm256_set1_epi16(0xFF);
    for (int m = 0; m < 3; ++m) {
        const __m256i words = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + j - 2 + 2 * m));
        s[2 * m] = _mm256_and_si256(words, low);
        if (m < 2) s[2 * m + 1] = _mm256_srli_epi16(words, 8);
    }
}

// Words read as double words, sixteen pairs from two loads, packed back to 16-bit lanes. The pack
// works per 128-bit lane, so lane k of the result is column pair 0..3, 8..11, 4..7, 12..15 in
// turn; StoreWordPixels undoes that order.
DEMOSAIC_INLINE void LoadWordRow(const uint8_t* row, int32_t j, __m256i s[5]) {
    const __m256i low = _mm256_set1_epi32(0xFFFF);
    for (int m = 0; m < 3; ++m) {
        const uint8_t* at = row + 2 * (j - 2 + 2 * m);
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 32));
        s[2 * m] = _mm256_packus_epi32(_mm256_and_si256(a, low), _mm256_and_si256(b, low));
        if (m < 2) s[2 * m + 1] = _mm256_packus_epi32(_mm256_srli_epi32(a, 16), _mm256_srli_epi32(b, 16));
    }
}

template <int kSampleBytes, int kRows>
DEMOSAIC_INLINE Window LoadWindow(const uint8_t* const rows[5], int32_t j) {
    Window w;
    for (int r = 0; r < 3 + kRows; ++r) {
        if constexpr (kSampleBytes == 1)
            LoadByteRow(rows[r], j, w.s[r]);
        else
            LoadWordRow(rows[r], j, w.s[r]);
    }
    return w;
}

DEMOSAIC_INLINE __m256i Times3(__m256i v) {
    return _mm256_add_epi16(_mm256_add_epi16(v, v), v);
}

// 3 (3 N + H) + (3 V + D) of one colour; at most 16 x 1023, inside 16 bits.
template <class At> DEMOSAIC_INLINE __m256i Weighted(At at, const Offset* o) {
    const __m256i nearRow = _mm256_add_epi16(Times3(at(o[0])), at(o[1]));
    const __m256i farRow = _mm256_add_epi16(Times3(at(o[2])), at(o[3]));
    return _mm256_add_epi16(Times3(nearRow), farRow);
}

// The weights pair up by rows only when N and H share a row, V and D the other, N and V a column.
constexpr bool Separable(const Offset* o) {
    return o[0].row == o[1].row && o[2].row == o[3].row && o[0].column == o[2].column &&
           o[1].column == o[3].column;
}
static_assert(Separable(kCases[0].red) && Separable(kCases[0].blue) &&
              Separable(kCases[1].red) && Separable(kCases[1].blue) &&
              Separable(kCases[2].red) && Separable(kCases[2].blue) &&
              Separable(kCases[3].red) && Separable(kCases[3].blue));

// (sum * gain) >> 11 as the high half of one 16-bit product. Gains below 2048 (16 times) take the
// sum as it is and the gain times 32; larger ones (kLargeGains) shift the sum up (bytes by 4,
// words by 2) and the gain by the rest of the 5, and then need the clamp below 32768 that the
// pack's signed saturation expects.
template <int kSampleBytes, bool kLargeGains> constexpr int kSumShift =
    kLargeGains ? (kSampleBytes == 1 ? 4 : 2) : 0;

template <int kSampleBytes, bool kLargeGains> __m256i ScaledGain(int32_t gain) {
    return _mm256_set1_epi16(static_cast<short>(gain << (5 - kSumShift<kSampleBytes, kLargeGains>)));
}

template <int kSampleBytes, bool kLargeGains>
DEMOSAIC_INLINE __m256i ApplyGain(__m256i sum, __m256i scaledGain) {
    constexpr int kShift = kSumShift<kSampleBytes, kLargeGains>;
    const __m256i shifted = kShift ? _mm256_slli_epi16(sum, kShift) : sum;
    const __m256i value = _mm256_mulhi_epu16(shifted, scaledGain);
    // Bytes saturate in the pack, which reads its lanes as signed.
    if constexpr (kSampleBytes == 2 || kLargeGains)
        return _mm256_min_epu16(value, _mm256_set1_epi16(kSampleBytes == 1 ? 255 : 1023));
    else
        return value;
}

// Byte shuffles from channel vectors to packed pixels, per 128-bit lane: lane 0 holds 16 / size
// pixels, lane 1 the next as many, and block b of a lane is the pixels' bytes 16b..16b+15. With
// kSplitPairs a channel vector keeps the even pixels in its first eight bytes and the odd ones in
// the last eight (as the pack of first and second cases leaves them).
template <int kSampleBytes, int kChannels, bool kSplitPairs> struct LaneShuffles {
    alignas(32) int8_t merge[kChannels][3][32];
    alignas(32) int8_t fourth[kChannels][32]; // -1 on the bytes of a fourth channel

    constexpr LaneShuffles() : merge{}, fourth{} {
        for (int block = 0; block < kChannels; ++block) {
            for (int k = 0; k < 32; ++k) {
                const int at = 16 * block + k % 16;
                const int sample = at / kSampleBytes;
                const int pixel = sample / kChannels;
                const int channel = sample % kChannels;
                const int position = kSplitPairs ? (pixel & 1) * 8 + pixel / 2 : pixel;
                for (int c = 0; c < 3; ++c)
                    merge[block][c][k] = static_cast<int8_t>(
                        c == channel ? kSampleBytes * position + at % kSampleBytes : -128);
                fourth[block][k] = static_cast<int8_t>(channel == 3 ? -1 : 0);
            }
        }
    }
};

template <int kSampleBytes, int kChannels, bool kSplitPairs>
inline constexpr LaneShuffles<kSampleBytes, kChannels, kSplitPairs> kLaneShuffles{};

DEMOSAIC_INLINE __m256i Mask(const int8_t* bytes) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(bytes));
}

// Writes blue, green, red of the pixels of two 128-bit lanes: lane 0's at `out`, lane 1's
// 16 * kChannels bytes further. A fourth channel keeps what it had.
template <int kSampleBytes, int kChannels, bool kSplitPairs>
DEMOSAIC_INLINE void StoreLanes(uint8_t* out, const __m256i channels[3]) {
    constexpr auto& s = kLaneShuffles<kSampleBytes, kChannels, kSplitPairs>;
    for (int b = 0; b < kChannels; ++b) {
        __m256i v = _mm256_shuffle_epi8(channels[0], Mask(s.merge[b][0]));
        v = _mm256_or_si256(v, _mm256_shuffle_epi8(channels[1], Mask(s.merge[b][1])));
        v = _mm256_or_si256(v, _mm256_shuffle_epi8(channels[2], Mask(s.merge[b][2])));
        __m128i* low = reinterpret_cast<__m128i*>(out + 16 * b);
        __m128i* high = reinterpret_cast<__m128i*>(out + 16 * kChannels + 16 * b);
        if constexpr (kChannels == 4) {
            const __m256i had = _mm256_inserti128_si256(
                _mm256_castsi128_si256(_mm_loadu_si128(low)), _mm_loadu_si128(high), 1);
            v = _mm256_or_si256(v, _mm256_and_si256(had, Mask(s.fourth[b])));
        }
        _mm_storeu_si128(low, _mm256_castsi256_si128(v));
        _mm_storeu_si128(high, _mm256_extracti128_si256(v, 1));
    }
}

// The first and second cases' values of each channel as 32 packed pixels from `out`.
template <int kSampleBytes, int kChannels>
DEMOSAIC_INLINE void StorePixels(uint8_t* out, const __m256i first[3], const __m256i second[3]) {
    if constexpr (kSampleBytes == 1) {
        // Pack saturates red and blue at 255; green is at most 255 already.
        const __m256i bytes[3] = {_mm256_packus_epi16(first[0], second[0]),
                                  _mm256_packus_epi16(first[1], second[1]),
                                  _mm256_packus_epi16(first[2], second[2])};
        StoreLanes<1, kChannels, true>(out, bytes);
    } else {
        // The word pack's lane order (pairs 0..3 and 8..11, then 4..7 and 12..15) comes out of
        // the interleave as pixels 0..7 and 8..15, then 16..23 and 24..31.
        __m256i low[3], high[3];
        for (int c = 0; c < 3; ++c) {
            low[c] = _mm256_unpacklo_epi16(first[c], second[c]);
            high[c] = _mm256_unpackhi_epi16(first[c], second[c]);
        }
        StoreLanes<2, kChannels, false>(out, low);
        StoreLanes<2, kChannels, false>(out + 2 * 16 * kChannels, high);
    }
}

// Blue, green, red of one parity case from the window's rows `row`..`row`+3.
template <int kSampleBytes, bool kLargeGains, class At>
DEMOSAIC_INLINE void CaseValues(At at, const ParityCase& c, __m256i redGain, __m256i blueGain, __m256i out[3]) {
    // The green mean of 8-bit samples is at most 255, of 10-bit ones 1023: no clamp.
    out[0] = ApplyGain<kSampleBytes, kLargeGains>(Weighted(at, c.blue), blueGain);
    out[1] = _mm256_srli_epi16(_mm256_add_epi16(at(c.green[0]), at(c.green[1])), 1);
    out[2] = ApplyGain<kSampleBytes, kLargeGains>(Weighted(at, c.red), redGain);
}

template <int kSampleBytes, int kChannels, int kCase, bool kLargeGains>
DEMOSAIC_INLINE void OutputRow(uint8_t* out, const Window& w, int row, __m256i redGain, __m256i blueGain) {
    __m256i first[3], second[3];
    CaseValues<kSampleBytes, kLargeGains>([&](Offset o) { return w.First(row, o); },
                                          kCases[kCase], redGain, blueGain, first);
    CaseValues<kSampleBytes, kLargeGains>([&](Offset o) { return w.Second(row, o); },
                                          kCases[kCase ^ 1], redGain, blueGain, second);
    StorePixels<kSampleBytes, kChannels>(out, first, second);
}

struct Rows {
    uint8_t* out[2];
    const uint8_t* const* src;
    int32_t redGain;
    int32_t blueGain;
};

// One group of 32 columns from `j` on, of one row or two (kRows).
template <int kSampleBytes, int kChannels, int kFirst, int kRows, bool kLargeGains>
DEMOSAIC_INLINE void Group(const Rows& r, int32_t j, __m256i redGain, __m256i blueGain) {
    constexpr int32_t kDstBytes = kSampleBytes * kChannels;
    const Window w = LoadWindow<kSampleBytes, kRows>(r.src, j);
    OutputRow<kSampleBytes, kChannels, kFirst, kLargeGains>(r.out[0] + j * kDstBytes, w, 0,
                                                           redGain, blueGain);
    if constexpr (kRows == 2)
        OutputRow<kSampleBytes, kChannels, kFirst ^ 2, kLargeGains>(r.out[1] + j * kDstBytes, w,
                                                                   1, redGain, blueGain);
}

template <int kSampleBytes, int kChannels, int kFirst, int kRows, bool kLargeGains>
int32_t Groups(const Rows& r, int32_t from, int32_t last) {
    const __m256i red = ScaledGain<kSampleBytes, kLargeGains>(r.redGain);
    const __m256i blue = ScaledGain<kSampleBytes, kLargeGains>(r.blueGain);
    if (last - from + 1 < kGroup) return from;
    int32_t j = from;
    for (; j + kGroup - 1 <= last; j += kGroup)
        Group<kSampleBytes, kChannels, kFirst, kRows, kLargeGains>(r, j, red, blue);
    if (j > last) return j;
    // The columns left over: one more group that ends at the last column (or the one before, to
    // keep the parity of its first column), overlapping columns already written with the same
    // values. Its reads stay inside columns from-2..last+2 as every group's do.
    const int32_t end = ((last - from + 1 - kGroup) & 1) ? last - 1 : last;
    Group<kSampleBytes, kChannels, kFirst, kRows, kLargeGains>(r, end - kGroup + 1, red, blue);
    return end + 1;
}

template <int kSampleBytes, int kChannels, int kFirst>
int32_t GroupsOfRows(const Rows& r, int32_t from, int32_t last) {
    const bool large = r.redGain >= 2048 || r.blueGain >= 2048;
    if (r.out[1])
        return large ? Groups<kSampleBytes, kChannels, kFirst, 2, true>(r, from, last)
                     : Groups<kSampleBytes, kChannels, kFirst, 2, false>(r, from, last);
    return large ? Groups<kSampleBytes, kChannels, kFirst, 1, true>(r, from, last)
                 : Groups<kSampleBytes, kChannels, kFirst, 1, false>(r, from, last);
}

template <int kSampleBytes, int kChannels>
int32_t GroupsOfCase(const Rows& r, int32_t from, int32_t last, int firstCase) {
    switch (firstCase) {
    case 0:
        return GroupsOfRows<kSampleBytes, kChannels, 0>(r, from, last);
    case 1:
        return GroupsOfRows<kSampleBytes, kChannels, 1>(r, from, last);
    case 2:
        return GroupsOfRows<kSampleBytes, kChannels, 2>(r, from, last);
    default:
        return GroupsOfRows<kSampleBytes, kChannels, 3>(r, from, last);
    }
}

template <int kSampleBytes>
int32_t AnyRows(uint8_t* out0, uint8_t* out1, int32_t dstBytes, const uint8_t* const rows[5],
                int32_t from, int32_t last, int firstCase, int32_t redGain, int32_t blueGain) {
    // Larger gains (beyond 250 times for bytes, 64 for words) are left to the SSE2 rows.
    constexpr int32_t kLargest = kSampleBytes == 1 ? 32767 : 8191;
    if (redGain < 0 || redGain > kLargest || blueGain < 0 || blueGain > kLargest) return from;
    const Rows r{{out0, out1}, rows, redGain, blueGain};
    if (dstBytes == 3 * kSampleBytes)
        return GroupsOfCase<kSampleBytes, 3>(r, from, last, firstCase);
    if (dstBytes == 4 * kSampleBytes)
        return GroupsOfCase<kSampleBytes, 4>(r, from, last, firstCase);
    return from;
}

} // namespace

int32_t InteriorRowsAvx2(uint8_t* out0, uint8_t* out1, int32_t dstBytes,
                         const uint8_t* const rows[5], int32_t from, int32_t last, int firstCase,
                         int32_t redGain, int32_t blueGain) {
    return AnyRows<1>(out0, out1, dstBytes, rows, from, last, firstCase, redGain, blueGain);
}

int32_t InteriorRowsAvx2Words(uint8_t* out0, uint8_t* out1, int32_t dstBytes,
                              const uint8_t* const rows[5], int32_t from, int32_t last,
                              int firstCase, int32_t redGain, int32_t blueGain) {
    return AnyRows<2>(out0, out1, dstBytes, rows, from, last, firstCase, redGain, blueGain);
}

#else

int32_t InteriorRowsAvx2(uint8_t*, uint8_t*, int32_t, const uint8_t* const[5], int32_t from,
                         int32_t, int, int32_t, int32_t) {
    return from;
}

int32_t InteriorRowsAvx2Words(uint8_t*, uint8_t*, int32_t, const uint8_t* const[5], int32_t from,
                              int32_t, int, int32_t, int32_t) {
    return from;
}

#endif

} // namespace demosaic
