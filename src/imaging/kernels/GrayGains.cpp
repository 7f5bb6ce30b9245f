// Gray processing of monochrome frames: per-Bayer-position gains and offsets, and colour to gray.
#include "imaging/kernels/ConvertersAvx2.h"
#include "imaging/kernels/KernelPath.h"
#include "imaging/kernels/PixelArea.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TRAVIK_GRAY_SSE2 1
#endif

namespace {

// Gain and offset indexes of the block by parity case: even/even G1, even/odd R1, odd/even B1,
// odd/odd G2.
constexpr int kGainOf[4] = {kGrayGainG1, kGrayGainR1, kGrayGainB1, kGrayGainG2};
constexpr int kOffsetOf[4] = {kGrayOffsetG1, kGrayOffsetR1, kGrayOffsetB1, kGrayOffsetG2};

// offset + gain * v / 128, the division truncating toward zero, limited to 0..maximum. The
// product is formed in 64 bits: measured gains are not limited to the setter's range.
inline int32_t GainSample(int64_t v, int64_t gain, int64_t offset, int32_t maximum) {
    return ClampToRange(offset + gain * v / 128, maximum);
}

// The gain and offset of the even and of the odd columns of row i.
struct RowGains {
    int32_t gain[2];
    int32_t offset[2];
};

RowGains GainsOfRow(const int32_t* block, const BayerParity& parity, int32_t i) {
    RowGains r{};
    for (int c = 0; c < 2; ++c) {
        const int p = parity.RowCase(i) + parity.ColumnCase(c);
        r.gain[c] = block[kGainOf[p]];
        r.offset[c] = block[kOffsetOf[p]];
    }
    return r;
}

// The settings' range: gains 0..255, offsets -255..255. There gain * v / 128 never needs the
// truncation toward zero of a negative product, and every value fits the vector lanes.
bool GainsInSetterRange(const int32_t* block) {
    for (int p = 0; p < 4; ++p) {
        if (block[kGainOf[p]] < 0 || block[kGainOf[p]] > 255) return false;
        if (block[kOffsetOf[p]] < -255 || block[kOffsetOf[p]] > 255) return false;
    }
    return true;
}

#if TRAVIK_GRAY_SSE2

// Lanes alternate between the even and the odd column's value.
__m128i Alternating(const int32_t (&v)[2]) {
    return _mm_set_epi16(static_cast<short>(v[1]), static_cast<short>(v[0]),
                         static_cast<short>(v[1]), static_cast<short>(v[0]),
                         static_cast<short>(v[1]), static_cast<short>(v[0]),
                         static_cast<short>(v[1]), static_cast<short>(v[0]));
}

// Sixteen byte samples a step: (gain * v) >> 7 is at most 508 in a 16-bit lane, the offset
// keeps it inside -255..763, and the pack clamps to 0..255. Returns the columns done.
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

#endif

// The vector rows cover packed samples with gains and offsets in the setters' range; false,
// with nothing written, otherwise.
bool TryGrayGainsSse2(const PixelArea& area, const int32_t* block, int32_t sampleBytes,
                      int32_t maximum) {
#if TRAVIK_GRAY_SSE2
    if (ActiveKernelPath() == KernelPath::Reference) return false;
    if (area.srcBytes != sampleBytes || area.dstBytes != sampleBytes) return false;
    if (!GainsInSetterRange(block) || maximum > 32767) return false;
    if (!BatchedReadsAreSafe(area, sampleBytes)) return false;
    const BayerParity parity(block[kGrayPhase]);
    const int32_t width = area.Width();
    for (int32_t i = 0; i < area.Height(); ++i) {
        const uint8_t* in = area.SrcRow(i);
        uint8_t* out = area.DstRow(i);
        const RowGains r = GainsOfRow(block, parity, i);
        // Each row starts at an even column, so the lanes' alternation matches the columns.
        const int32_t done = sampleBytes == 1 ? GainRowBytesSse2(out, in, width, r)
                                              : GainRowWordsSse2(out, in, width, r, maximum);
        for (int32_t j = done; j < width; ++j) {
            const int32_t v = static_cast<int32_t>(sampleBytes == 1 ? in[j] : LoadWord(in + 2 * j));
            const int32_t result = ClampToRange(r.offset[j & 1] + r.gain[j & 1] * v / 128, maximum);
            if (sampleBytes == 1)
                out[j] = static_cast<uint8_t>(result);
            else
                StoreWord(out + 2 * j, static_cast<uint32_t>(result));
        }
    }
    return true;
#else
    (void)area, (void)block, (void)sampleBytes, (void)maximum;
    return false;
#endif
}

// 8-bit samples: one table of 256 results per Bayer position, built once per call.
int GrayGainsBytes(const PixelArea& a, int32_t** extra1) {
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    if (TryGrayGainsSse2(a, block, 1, 255)) return 1;
    uint8_t tables[4][256];
    for (int p = 0; p < 4; ++p) {
        for (int32_t v = 0; v < 256; ++v) {
            tables[p][v] =
                static_cast<uint8_t>(GainSample(v, block[kGainOf[p]], block[kOffsetOf[p]], 255));
        }
    }
    const BayerParity parity(block[kGrayPhase]);
    const PixelArea area = a; // a local copy: the byte stores below cannot alias it
    for (int32_t i = 0; i < area.Height(); ++i) {
        const uint8_t* in = area.SrcRow(i);
        uint8_t* out = area.DstRow(i);
        const uint8_t* even = tables[parity.RowCase(i) + parity.ColumnCase(0)];
        const uint8_t* odd = tables[parity.RowCase(i) + parity.ColumnCase(1)];
        for (int32_t j = 0; j < area.Width(); ++j, in += area.srcBytes, out += area.dstBytes) {
            *out = (j & 1 ? odd : even)[*in];
        }
    }
    return 1;
}

// Words are clamped to the sample bits 10, 12 and 14 and to the whole word otherwise: 8 sample
// bits say nothing about a word's range, so 255 would cut off valid samples.
int32_t WordMaximum(int32_t bits) {
    return bits == 8 ? 65535 : GrayMaximum(bits);
}

int GrayGainsWords(const PixelArea& a, int32_t** extra1) {
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    const int32_t maximum = WordMaximum(block[kGraySampleBits]);
    if (TryGrayGainsSse2(a, block, 2, maximum)) return 1;
    const BayerParity parity(block[kGrayPhase]);
    const PixelArea area = a;
    for (int32_t i = 0; i < area.Height(); ++i) {
        const uint8_t* in = area.SrcRow(i);
        uint8_t* out = area.DstRow(i);
        int64_t gain[2];
        int64_t offset[2];
        for (int c = 0; c < 2; ++c) {
            const int p = parity.RowCase(i) + parity.ColumnCase(c);
            gain[c] = block[kGainOf[p]];
            offset[c] = block[kOffsetOf[p]];
        }
        for (int32_t j = 0; j < area.Width(); ++j, in += area.srcBytes, out += area.dstBytes) {
            StoreWord(out, static_cast<uint32_t>(
                               GainSample(LoadWord(in), gain[j & 1], offset[j & 1], maximum)));
        }
    }
    return 1;
}

// Luma with weights 30, 59, 11 in hundredths; red is the third byte of the pixel.
inline uint8_t GrayOf(const uint8_t* pixel) {
    return static_cast<uint8_t>((pixel[2] * 30 + pixel[1] * 59 + pixel[0] * 11) / 100);
}

// The AVX2 rows for 24-bit pixels into bytes, sixteen pixels a step, the rest here; false, with
// nothing written, where they do not apply.
bool TryGrayRowsAvx2(const PixelArea& a) {
    if (ActiveKernelPath() != KernelPath::Avx2 || a.srcBytes != 3 || a.dstBytes != 1) return false;
    if (!BatchedReadsAreSafe(a, 3)) return false;
    for (int32_t i = 0; i < a.Height(); ++i) {
        const uint8_t* in = a.SrcRow(i);
        uint8_t* out = a.DstRow(i);
        for (int32_t j = convert::GrayRowAvx2(out, in, a.Width()); j < a.Width(); ++j)
            out[j] = GrayOf(in + 3 * j);
    }
    return true;
}

int GrayOfColour(const PixelArea& a, int32_t**) {
    if (TryGrayRowsAvx2(a)) return 1;
    ForEachPixel(a, [](uint8_t* out, const uint8_t* in) {
        *out = static_cast<uint8_t>((in[2] * 30 + in[1] * 59 + in[0] * 11) / 100);
    });
    return 1;
}

} // namespace

const PositionedKernel GrayGains8 = &AsKernel<GrayGainsBytes>;
const PositionedKernel GrayGains16 = &AsKernel<GrayGainsWords>;
const PositionedKernel GrayFromColor = &AsKernel<GrayOfColour>;
