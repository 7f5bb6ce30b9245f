// The hue and saturation model in 16-bit lanes of SSE2, eight pixels at a time, equal bit for bit
// to the reference; on the AVX2 path it takes the rest of each row after the wider groups.
#include "imaging/kernels/HueModel.h"
#include "imaging/kernels/HueSaturationTwins.h"
#include "imaging/kernels/PixelArea.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TRAVIK_HUE_SSE2 1
#endif

namespace hue {

#if TRAVIK_HUE_SSE2
namespace {

// Every intermediate of the model fits a signed 16-bit lane (lightness sums reach 510, scaled
// chroma 509), so the reference's per-pixel steps run on eight pixels with the same arithmetic. The
// reciprocal of the chroma is computed exactly in the lanes and the saturation multiply is done
// there too, so the vector twins use no table and build nothing per call. The per-channel results
// never carry into a neighbouring byte of the packed word (each lies in 0..255), so computing the
// three channels apart gives the same bytes.

// The settings of one call as lane constants.
struct VectorSettings {
    __m128i sectors;
    __m128i remainder;
    __m128i saturationFactor; // clamped saturation + 256: the chroma table's factor / 256
};

VectorSettings MakeVectorSettings(int32_t degrees, int32_t saturation) {
    const HueShift shift = MakeHueShift(degrees);
    return VectorSettings{
        _mm_set1_epi16(static_cast<int16_t>(shift.sectors)),
        _mm_set1_epi16(static_cast<int16_t>(shift.remainder)),
        _mm_set1_epi16(static_cast<int16_t>(std::clamp(saturation, -255, 255) + 256))};
}

TRAVIK_HOT_INLINE __m128i Select(__m128i mask, __m128i ifSet, __m128i otherwise) {
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, otherwise));
}

// (factor * k + 128) >> 8, the chroma table's entry k: the product needs 17 bits, so it is
// formed from its high and low halves.
TRAVIK_HOT_INLINE __m128i ScaledChroma(__m128i chroma, __m128i factor) {
    const __m128i low = _mm_mullo_epi16(chroma, factor);
    const __m128i high = _mm_mulhi_epu16(chroma, factor);
    // (low + 128) >> 8 without leaving 16 bits: halving first loses nothing, because an odd
    // low half never reaches a multiple of 256 by adding 128.
    const __m128i lowPart =
        _mm_srli_epi16(_mm_add_epi16(_mm_srli_epi16(low, 1), _mm_set1_epi16(64)), 7);
    return _mm_add_epi16(_mm_slli_epi16(high, 8), lowPart);
}

// (position * kReciprocal[chroma] + 32768) >> 16 on four 32-bit lanes, in single floats, where
// every step is exact: the quotient of two integers below 2^24 rounds by less than 1 / chroma, so
// it truncates to the table's entry; the product stays a whole number below 2^24, and scaling by
// 2^-16 and adding 0.5 only move the binary point.
TRAVIK_HOT_INLINE __m128i FractionOf4(__m128i position, __m128i chroma) {
    const __m128 quotient = _mm_div_ps(_mm_set1_ps(16711680.0f), _mm_cvtepi32_ps(chroma));
    const __m128 reciprocal = _mm_cvtepi32_ps(_mm_cvttps_epi32(quotient));
    const __m128 scaled = _mm_mul_ps(reciprocal, _mm_set1_ps(1.0f / 65536.0f));
    return _mm_cvttps_epi32(
        _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(position), scaled), _mm_set1_ps(0.5f)));
}

// The same on eight 16-bit lanes (positions 0..chroma). A gray pixel divides by 1 instead, which
// raises no floating-point exception; its fraction does not matter, as its span is 0.
TRAVIK_HOT_INLINE __m128i HueFraction(__m128i position, __m128i chroma) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i divisor = _mm_max_epi16(chroma, _mm_set1_epi16(1));
    const __m128i low =
        FractionOf4(_mm_unpacklo_epi16(position, zero), _mm_unpacklo_epi16(divisor, zero));
    const __m128i high =
        FractionOf4(_mm_unpackhi_epi16(position, zero), _mm_unpackhi_epi16(divisor, zero));
    // Both halves hold 0..255, so a signed pack keeps them.
    return _mm_packs_epi32(low, high);
}

// One channel: new minimum, plus the span where the sector's mask has the channel, plus or
// minus the ramp where the sector's ramp moves it.
TRAVIK_HOT_INLINE __m128i Channel(__m128i newMinimum, __m128i span, __m128i ramp, __m128i full,
                                  __m128i rising, __m128i falling) {
    const __m128i up = _mm_add_epi16(_mm_and_si128(span, full), _mm_and_si128(ramp, rising));
    return _mm_sub_epi16(_mm_add_epi16(newMinimum, up), _mm_and_si128(ramp, falling));
}

// ShiftPixel on eight pixels, channels 0..255 in and out.
TRAVIK_HOT_INLINE __m128i LanesOf(const uint16_t* v) {
    // Lane by lane: one 16-byte load right after eight 2-byte stores would wait for them to
    // reach the cache instead of taking their values from the store buffer.
    return _mm_setr_epi16(static_cast<int16_t>(v[0]), static_cast<int16_t>(v[1]),
                          static_cast<int16_t>(v[2]), static_cast<int16_t>(v[3]),
                          static_cast<int16_t>(v[4]), static_cast<int16_t>(v[5]),
                          static_cast<int16_t>(v[6]), static_cast<int16_t>(v[7]));
}

TRAVIK_HOT_INLINE void ShiftVectors(__m128i& blue, __m128i& green, __m128i& red,
                                    const VectorSettings& s) {
    const __m128i zero = _mm_setzero_si128();

    // Base sector 1, 3 when green is over red, 5 when blue is over both: 1 | 2 is 3, and 5 is
    // over either.
    const __m128i greenOverRed = _mm_cmpgt_epi16(green, red);
    const __m128i redOrGreen = _mm_max_epi16(red, green);
    const __m128i blueLargest = _mm_cmpgt_epi16(blue, redOrGreen);
    const __m128i maximum = _mm_max_epi16(redOrGreen, blue);
    const __m128i minimum = _mm_min_epi16(_mm_min_epi16(red, green), blue);
    __m128i base = _mm_or_si128(_mm_set1_epi16(1), _mm_and_si128(greenOverRed, _mm_set1_epi16(2)));
    base = _mm_max_epi16(base, _mm_and_si128(blueLargest, _mm_set1_epi16(5)));
    __m128i position = Select(greenOverRed, _mm_sub_epi16(blue, red), _mm_sub_epi16(green, blue));
    position = Select(blueLargest, _mm_sub_epi16(red, green), position);
    const __m128i chroma = _mm_sub_epi16(maximum, minimum);
    const __m128i previousSector = _mm_cmpgt_epi16(zero, position);
    base = _mm_add_epi16(base, previousSector);
    position = _mm_add_epi16(position, _mm_and_si128(previousSector, chroma));

    const __m128i lightness = _mm_add_epi16(maximum, minimum);
    const __m128i allowed = _mm_min_epi16(lightness, _mm_sub_epi16(_mm_set1_epi16(511), lightness));
    const __m128i newChroma = _mm_min_epi16(ScaledChroma(chroma, s.saturationFactor), allowed);
    const __m128i newMinimum = _mm_srli_epi16(_mm_sub_epi16(lightness, newChroma), 1);
    const __m128i span =
        _mm_sub_epi16(_mm_srli_epi16(_mm_add_epi16(lightness, newChroma), 1), newMinimum);

    __m128i f = _mm_add_epi16(HueFraction(position, chroma), s.remainder);
    __m128i sector = _mm_add_epi16(base, s.sectors);
    const __m128i nextSector = _mm_cmpgt_epi16(f, _mm_set1_epi16(254));
    f = _mm_sub_epi16(f, _mm_and_si128(nextSector, _mm_set1_epi16(255)));
    sector = _mm_sub_epi16(sector, nextSector);
    // Sectors 6..11 repeat 0..5.
    sector = _mm_sub_epi16(
        sector, _mm_and_si128(_mm_cmpgt_epi16(sector, _mm_set1_epi16(5)), _mm_set1_epi16(6)));
    // span * f + 128 stays below 65536 (f is at most 254).
    const __m128i ramp =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(span, f), _mm_set1_epi16(128)), 8);

    const __m128i in0 = _mm_cmpeq_epi16(sector, zero);
    const __m128i in1 = _mm_cmpeq_epi16(sector, _mm_set1_epi16(1));
    const __m128i in2 = _mm_cmpeq_epi16(sector, _mm_set1_epi16(2));
    const __m128i in3 = _mm_cmpeq_epi16(sector, _mm_set1_epi16(3));
    const __m128i in4 = _mm_cmpeq_epi16(sector, _mm_set1_epi16(4));
    const __m128i in5 = _mm_cmpeq_epi16(sector, _mm_set1_epi16(5));
    // The sector masks and ramps by channel (kSectorMask, kSectorRamp).
    const __m128i outBlue =
        Channel(newMinimum, span, ramp, _mm_or_si128(in0, _mm_or_si128(in4, in5)), in3, in0);
    const __m128i outGreen =
        Channel(newMinimum, span, ramp, _mm_or_si128(in2, _mm_or_si128(in3, in4)), in1, in4);
    const __m128i outRed =
        Channel(newMinimum, span, ramp, _mm_or_si128(in0, _mm_or_si128(in1, in2)), in5, in2);
    blue = outBlue;
    green = outGreen;
    red = outRed;
}

TRAVIK_HOT_INLINE void ShiftEight(uint16_t* blueLanes, uint16_t* greenLanes, uint16_t* redLanes,
                                  const VectorSettings& s) {
    __m128i blue = LanesOf(blueLanes);
    __m128i green = LanesOf(greenLanes);
    __m128i red = LanesOf(redLanes);
    ShiftVectors(blue, green, red, s);
    _mm_store_si128(reinterpret_cast<__m128i*>(blueLanes), blue);
    _mm_store_si128(reinterpret_cast<__m128i*>(greenLanes), green);
    _mm_store_si128(reinterpret_cast<__m128i*>(redLanes), red);
}

TRAVIK_HOT_INLINE uint32_t LoadQuad(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
TRAVIK_HOT_INLINE void StoreQuad(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, sizeof v);
}

// Eight 3-byte pixels (24 bytes) as four bytes each, the fourth byte that of the next pixel or 0;
// the last one is read from its own bytes, so that nothing after the group is read.
TRAVIK_HOT_INLINE void LoadTriplets8(const uint8_t* p, __m128i& first, __m128i& second) {
    first = _mm_setr_epi32(static_cast<int>(LoadQuad(p)), static_cast<int>(LoadQuad(p + 3)),
                           static_cast<int>(LoadQuad(p + 6)), static_cast<int>(LoadQuad(p + 9)));
    second =
        _mm_setr_epi32(static_cast<int>(LoadQuad(p + 12)), static_cast<int>(LoadQuad(p + 15)),
                       static_cast<int>(LoadQuad(p + 18)), static_cast<int>(LoadQuad(p + 20) >> 8));
}

// Writes eight pixels given as 0x00RRGGBB: four bytes at each pixel in turn, each store's fourth
// byte overwritten by the next one, and the last pixel's store ending where the group ends.
TRAVIK_HOT_INLINE void StoreTriplets8(uint8_t* p, __m128i first, __m128i second) {
    alignas(16) uint32_t v[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(v), first);
    _mm_store_si128(reinterpret_cast<__m128i*>(v + 4), second);
    for (int k = 0; k < 7; ++k)
        StoreQuad(p + 3 * k, v[k]);
    StoreQuad(p + 20, (v[7] << 8) | (v[6] >> 16));
}

// Channel `byte` of the pixels in the 32-bit lanes of two vectors, as eight 16-bit lanes.
TRAVIK_HOT_INLINE __m128i ByteChannel(__m128i first, __m128i second, int byte) {
    const __m128i lowByte = _mm_set1_epi32(0xFF);
    return _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(first, 8 * byte), lowByte),
                           _mm_and_si128(_mm_srli_epi32(second, 8 * byte), lowByte));
}

// Eight pixels of byte channels in 32-bit lanes through the model; the fourth byte of each lane
// comes back 0.
TRAVIK_HOT_INLINE void ShiftQuadLanes(__m128i& first, __m128i& second,
                                      const VectorSettings& settings) {
    __m128i blue = ByteChannel(first, second, 0);
    __m128i green = ByteChannel(first, second, 1);
    __m128i red = ByteChannel(first, second, 2);
    ShiftVectors(blue, green, red, settings);
    const __m128i blueGreen = _mm_or_si128(blue, _mm_slli_epi16(green, 8));
    first = _mm_unpacklo_epi16(blueGreen, red);
    second = _mm_unpackhi_epi16(blueGreen, red);
}

TRAVIK_HOT_INLINE void LoadBytePixel(const uint8_t* p, uint16_t& b, uint16_t& g, uint16_t& r) {
    b = p[0];
    g = p[1];
    r = p[2];
}
TRAVIK_HOT_INLINE void StoreBytePixel(uint8_t* p, uint16_t b, uint16_t g, uint16_t r) {
    p[0] = static_cast<uint8_t>(b);
    p[1] = static_cast<uint8_t>(g);
    p[2] = static_cast<uint8_t>(r);
}

// Runs ShiftEight over the area: load(in, blue, green, red) gives a pixel's channels on 0..255,
// store(out, blue, green, red) writes the results.
template <class Load, class Store>
void ShiftArea(const PixelArea& area, const VectorSettings& settings, Load load, Store store) {
    // A local copy, so that stores through `out`, which may alias anything, do not force the
    // area's fields to be re-read.
    const PixelArea a = area;
    const int32_t width = a.Width();
    const int32_t height = a.Height();
    const ptrdiff_t srcBytes = a.srcBytes;
    const ptrdiff_t dstBytes = a.dstBytes;
    for (int32_t i = 0; i < height; ++i) {
        const uint8_t* in = a.SrcRow(i);
        uint8_t* out = a.DstRow(i);
        for (int32_t j = 0; j < width; j += 8) {
            const int32_t count = std::min(width - j, 8);
            alignas(16) uint16_t blue[8] = {}, green[8] = {}, red[8] = {};
            for (int32_t k = 0; k < count; ++k, in += srcBytes)
                load(in, blue[k], green[k], red[k]);
            ShiftEight(blue, green, red, settings);
            for (int32_t k = 0; k < count; ++k, out += dstBytes)
                store(out, blue[k], green[k], red[k]);
        }
    }
}

// The 8-bit kernel on 3- or 4-byte pixels, source and destination alike: the pixel step is a
// constant, so whole groups of eight load and store with fixed offsets. The columns after the
// last whole group go through ShiftArea.
template <ptrdiff_t kBytes>
void ShiftBytePixels(const PixelArea& area, const VectorSettings& settings) {
    const PixelArea a = area;
    const int32_t whole = a.Width() / 8 * 8;
    const int32_t height = a.Height();
    for (int32_t i = 0; i < height; ++i) {
        const uint8_t* in = a.SrcRow(i);
        uint8_t* out = a.DstRow(i);
        for (int32_t j = 0; j < whole; j += 8, in += 8 * kBytes, out += 8 * kBytes) {
            __m128i first, second;
            if constexpr (kBytes == 3) {
                LoadTriplets8(in, first, second);
                ShiftQuadLanes(first, second, settings);
                StoreTriplets8(out, first, second);
            } else {
                first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
                second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16));
                ShiftQuadLanes(first, second, settings);
                // The fourth byte keeps what the destination had.
                __m128i* at = reinterpret_cast<__m128i*>(out);
                const __m128i fourth = _mm_set1_epi32(static_cast<int>(0xFF000000u));
                _mm_storeu_si128(at,
                                 _mm_or_si128(first, _mm_and_si128(_mm_loadu_si128(at), fourth)));
                _mm_storeu_si128(
                    at + 1, _mm_or_si128(second, _mm_and_si128(_mm_loadu_si128(at + 1), fourth)));
            }
        }
    }
    if (whole == a.Width()) return;
    PixelArea rest = a;
    rest.rect.left += whole;
    rest.x += whole;
    ShiftArea(rest, settings, LoadBytePixel, StoreBytePixel);
}

// ---- Word pixels: eight at a time, two to a vector ----

TRAVIK_HOT_INLINE uint64_t LoadEight(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
TRAVIK_HOT_INLINE void StoreEight(uint8_t* p, uint64_t v) {
    std::memcpy(p, &v, sizeof v);
}

// Eight 6-byte pixels (48 bytes) as eight bytes each, two to a vector; the last one is read from
// its own bytes, so that nothing after the group is read.
TRAVIK_HOT_INLINE void LoadSextets8(const uint8_t* p, __m128i v[4]) {
    for (int k = 0; k < 3; ++k)
        v[k] = _mm_set_epi64x(static_cast<long long>(LoadEight(p + 12 * k + 6)),
                              static_cast<long long>(LoadEight(p + 12 * k)));
    v[3] = _mm_set_epi64x(static_cast<long long>(LoadEight(p + 40) >> 16),
                          static_cast<long long>(LoadEight(p + 36)));
}

// Writes eight 6-byte pixels: eight bytes at each pixel in turn, each store's last word
// overwritten by the next one, and the last pixel's store ending where the group ends.
TRAVIK_HOT_INLINE void StoreSextets8(uint8_t* p, const __m128i v[4]) {
    alignas(16) uint64_t q[8];
    for (int k = 0; k < 4; ++k)
        _mm_store_si128(reinterpret_cast<__m128i*>(q + 2 * k), v[k]);
    for (int k = 0; k < 7; ++k)
        StoreEight(p + 6 * k, q[k]);
    StoreEight(p + 40, (q[7] << 16) | (q[6] >> 32));
}

// Four vectors of two pixels of four words each, as one vector per channel of the first three
// (the pixels in the order 0, 2, 4, 6, 1, 3, 5, 7).
TRAVIK_HOT_INLINE void SplitWordPixels(const __m128i v[4], __m128i& blue, __m128i& green,
                                       __m128i& red) {
    const __m128i t0 = _mm_unpacklo_epi16(v[0], v[1]);
    const __m128i t1 = _mm_unpackhi_epi16(v[0], v[1]);
    const __m128i t2 = _mm_unpacklo_epi16(v[2], v[3]);
    const __m128i t3 = _mm_unpackhi_epi16(v[2], v[3]);
    const __m128i blueGreenEven = _mm_unpacklo_epi32(t0, t2);
    const __m128i redEven = _mm_unpackhi_epi32(t0, t2);
    const __m128i blueGreenOdd = _mm_unpacklo_epi32(t1, t3);
    const __m128i redOdd = _mm_unpackhi_epi32(t1, t3);
    blue = _mm_unpacklo_epi64(blueGreenEven, blueGreenOdd);
    green = _mm_unpackhi_epi64(blueGreenEven, blueGreenOdd);
    red = _mm_unpacklo_epi64(redEven, redOdd);
}

// Words 0, 2, 4, 6 then 1, 3, 5, 7.
TRAVIK_HOT_INLINE __m128i EvenWordsFirst(__m128i v) {
    const __m128i pairs = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xD8), 0xD8);
    return _mm_shuffle_epi32(pairs, 0xD8);
}

// SplitWordPixels backwards; the fourth words come back 0.
TRAVIK_HOT_INLINE void MergeWordPixels(__m128i blue, __m128i green, __m128i red, __m128i v[4]) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i blueGreenEven = _mm_shuffle_epi32(_mm_unpacklo_epi64(blue, green), 0xD8);
    const __m128i blueGreenOdd = _mm_shuffle_epi32(_mm_unpackhi_epi64(blue, green), 0xD8);
    const __m128i redEven = _mm_shuffle_epi32(_mm_unpacklo_epi64(red, zero), 0xD8);
    const __m128i redOdd = _mm_shuffle_epi32(_mm_unpackhi_epi64(red, zero), 0xD8);
    const __m128i t0 = EvenWordsFirst(_mm_unpacklo_epi64(blueGreenEven, redEven));
    const __m128i t2 = EvenWordsFirst(_mm_unpackhi_epi64(blueGreenEven, redEven));
    const __m128i t1 = EvenWordsFirst(_mm_unpacklo_epi64(blueGreenOdd, redOdd));
    const __m128i t3 = EvenWordsFirst(_mm_unpackhi_epi64(blueGreenOdd, redOdd));
    v[0] = _mm_unpacklo_epi64(t0, t1);
    v[1] = _mm_unpackhi_epi64(t0, t1);
    v[2] = _mm_unpacklo_epi64(t2, t3);
    v[3] = _mm_unpackhi_epi64(t2, t3);
}

// Eight word pixels through the model: down by the shift and capped at 255 (values beyond the
// sample bits count as the maximum), and the results back up.
TRAVIK_HOT_INLINE void ShiftWordLanes(__m128i v[4], __m128i shift, const VectorSettings& settings) {
    __m128i channels[3];
    SplitWordPixels(v, channels[0], channels[1], channels[2]);
    const __m128i top = _mm_set1_epi16(255);
    for (__m128i& c : channels) {
        const __m128i down = _mm_srl_epi16(c, shift);
        c = _mm_sub_epi16(down, _mm_subs_epu16(down, top)); // the unsigned minimum with 255
    }
    ShiftVectors(channels[0], channels[1], channels[2], settings);
    for (__m128i& c : channels)
        c = _mm_sll_epi16(c, shift);
    MergeWordPixels(channels[0], channels[1], channels[2], v);
}

// The 16-bit kernel on 6- or 8-byte pixels, source and destination alike, in groups of eight;
// the columns after the last whole group go through ShiftArea.
template <ptrdiff_t kBytes, class Load, class Store>
void ShiftWordPixels(const PixelArea& area, const VectorSettings& settings, int32_t shift,
                     Load load, Store store) {
    const PixelArea a = area;
    const int32_t whole = a.Width() / 8 * 8;
    const int32_t height = a.Height();
    const __m128i count = _mm_cvtsi32_si128(shift);
    for (int32_t i = 0; i < height; ++i) {
        const uint8_t* in = a.SrcRow(i);
        uint8_t* out = a.DstRow(i);
        for (int32_t j = 0; j < whole; j += 8, in += 8 * kBytes, out += 8 * kBytes) {
            __m128i v[4];
            if constexpr (kBytes == 6) {
                LoadSextets8(in, v);
                ShiftWordLanes(v, count, settings);
                StoreSextets8(out, v);
            } else {
                for (int k = 0; k < 4; ++k)
                    v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in) + k);
                ShiftWordLanes(v, count, settings);
                // The fourth word keeps what the destination had.
                const __m128i fourth = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
                __m128i* at = reinterpret_cast<__m128i*>(out);
                for (int k = 0; k < 4; ++k)
                    _mm_storeu_si128(
                        at + k, _mm_or_si128(v[k], _mm_and_si128(_mm_loadu_si128(at + k), fourth)));
            }
        }
    }
    if (whole == a.Width()) return;
    PixelArea rest = a;
    rest.rect.left += whole;
    rest.x += whole;
    ShiftArea(rest, settings, load, store);
}

// The division of the twins is exact only when it rounds to nearest, the default that an
// application may have changed on its thread; and an application that unmasked the inexact
// exception would see it raised. So the twins run with the default control word and the caller's
// comes back afterwards, its status flags included.
class NearestRoundingQuiet {
  public:
    NearestRoundingQuiet() : m_saved(_mm_getcsr()) {
        constexpr unsigned kRoundingBits = 0x6000;   // 00: to nearest
        constexpr unsigned kExceptionMasks = 0x1F80; // every exception masked
        _mm_setcsr((m_saved & ~kRoundingBits) | kExceptionMasks);
    }
    ~NearestRoundingQuiet() { _mm_setcsr(m_saved); }
    NearestRoundingQuiet(const NearestRoundingQuiet&) = delete;
    NearestRoundingQuiet& operator=(const NearestRoundingQuiet&) = delete;

  private:
    unsigned m_saved;
};

// The wider steps' groups of pixels from the left of each row, for the pixel sizes they cover;
// returns the columns done.
int32_t ShiftGroups(const PixelArea& a, const int32_t* block, bool words, Groups groups) {
    if (a.srcBytes != a.dstBytes) return 0;
    const bool covered =
        words ? a.srcBytes == 6 || a.srcBytes == 8 : a.srcBytes == 3 || a.srcBytes == 4;
    if (!covered) return 0;
    const HueShift shift = MakeHueShift(block[kHueDegrees]);
    return groups(Avx2Rows{a.DstRow(0), a.SrcRow(0), a.Width(), a.Height(), a.dstStride,
                           a.srcStride, static_cast<int32_t>(a.srcBytes),
                           ClampSampleBits(block[kHueSampleBits]) - 8, shift.sectors,
                           shift.remainder, std::clamp(block[kHueSaturation], -255, 255)});
}

// The area eight pixels at a time, in the loads and stores of its pixel size.
void ShiftRest(const PixelArea& a, const VectorSettings& settings, bool words, int32_t shift) {
    if (!words) {
        if (a.srcBytes == 3 && a.dstBytes == 3)
            ShiftBytePixels<3>(a, settings);
        else if (a.srcBytes == 4 && a.dstBytes == 4)
            ShiftBytePixels<4>(a, settings);
        else
            ShiftArea(a, settings, LoadBytePixel, StoreBytePixel);
        return;
    }
    auto down = [shift](const uint8_t* p) {
        return static_cast<uint16_t>(std::min(static_cast<int32_t>(LoadWord(p) >> shift), 255));
    };
    const auto load = [down](const uint8_t* p, uint16_t& b, uint16_t& g, uint16_t& r) {
        b = down(p);
        g = down(p + 2);
        r = down(p + 4);
    };
    const auto store = [shift](uint8_t* p, uint16_t b, uint16_t g, uint16_t r) {
        StoreWord(p, static_cast<uint32_t>(b) << shift);
        StoreWord(p + 2, static_cast<uint32_t>(g) << shift);
        StoreWord(p + 4, static_cast<uint32_t>(r) << shift);
    };
    if (a.srcBytes == 6 && a.dstBytes == 6)
        ShiftWordPixels<6>(a, settings, shift, load, store);
    else if (a.srcBytes == 8 && a.dstBytes == 8)
        ShiftWordPixels<8>(a, settings, shift, load, store);
    else
        ShiftArea(a, settings, load, store);
}

} // namespace

bool ShiftAreaSse2(const PixelArea& a, const int32_t* block, bool words, Groups groups) {
    if (a.Width() == 0 || a.Height() == 0) return true;
    if (!BatchedReadsAreSafe(a, 3 * (words ? 2 : 1))) return false;
    const VectorSettings settings = MakeVectorSettings(block[kHueDegrees], block[kHueSaturation]);
    const int32_t shift = ClampSampleBits(block[kHueSampleBits]) - 8;
    const NearestRoundingQuiet rounding;
    // The wider groups take the whole groups of pixels of each row, this the columns after them.
    const int32_t done = groups ? ShiftGroups(a, block, words, groups) : 0;
    if (done == a.Width()) return true;
    PixelArea rest = a;
    rest.rect.left += done;
    rest.x += done;
    ShiftRest(rest, settings, words, shift);
    return true;
}

#else

bool ShiftAreaSse2(const PixelArea&, const int32_t*, bool, Groups) {
    return false;
}

#endif

} // namespace hue
