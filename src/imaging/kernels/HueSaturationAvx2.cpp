// The hue and saturation model in 16-bit lanes of AVX2, sixteen pixels at a time: the steps of
// the SSE2 twin on vectors twice as wide, with the reciprocal of the chroma gathered from its
// table, equal bit for bit to the reference.
#include "imaging/kernels/HueSaturationAvx2.h"

#include "imaging/kernels/HueModel.h"

#if defined(__AVX2__)
#include "imaging/kernels/Avx2Pixels.h"
#endif

namespace hue {

#if defined(__AVX2__)
namespace {

using avx2::Select;

struct Settings {
    __m256i sectors;
    __m256i remainder;
    __m256i saturationFactor; // saturation + 256: the chroma table's factor / 256
};

// (factor * k + 128) >> 8 from the high and low halves of the 17-bit product; halving the low
// half first loses nothing, because an odd low half never reaches a multiple of 256 by adding 128.
inline __m256i ScaledChroma(__m256i chroma, __m256i factor) {
    const __m256i low = _mm256_mullo_epi16(chroma, factor);
    const __m256i high = _mm256_mulhi_epu16(chroma, factor);
    const __m256i lowPart =
        _mm256_srli_epi16(_mm256_add_epi16(_mm256_srli_epi16(low, 1), _mm256_set1_epi16(64)), 7);
    return _mm256_add_epi16(_mm256_slli_epi16(high, 8), lowPart);
}

// (position * kReciprocal[chroma] + 32768) >> 16 per lane, in 32-bit lanes: the products stay
// below 0xFF0001 + 32768, and the results (0..255) pack back into 16 bits without saturating.
inline __m256i HueFraction(__m256i position, __m256i chroma) {
    const int* table = reinterpret_cast<const int*>(kReciprocal.data());
    const __m256i round = _mm256_set1_epi32(32768);
    __m256i halves[2];
    for (int h = 0; h < 2; ++h) {
        const __m128i chromaHalf = h ? avx2::High(chroma) : avx2::Low(chroma);
        const __m128i positionHalf = h ? avx2::High(position) : avx2::Low(position);
        const __m256i reciprocal =
            _mm256_i32gather_epi32(table, _mm256_cvtepu16_epi32(chromaHalf), 4);
        const __m256i product = _mm256_mullo_epi32(_mm256_cvtepu16_epi32(positionHalf), reciprocal);
        halves[h] = _mm256_srli_epi32(_mm256_add_epi32(product, round), 16);
    }
    // The pack interleaves the 128-bit halves; the permute puts the lanes back in order.
    return _mm256_permute4x64_epi64(_mm256_packus_epi32(halves[0], halves[1]), 0xD8);
}

inline __m256i Channel(__m256i newMinimum, __m256i span, __m256i ramp, __m256i full, __m256i rising,
                       __m256i falling) {
    const __m256i up =
        _mm256_add_epi16(_mm256_and_si256(span, full), _mm256_and_si256(ramp, rising));
    return _mm256_sub_epi16(_mm256_add_epi16(newMinimum, up), _mm256_and_si256(ramp, falling));
}

// The model on sixteen pixels, channels 0..255 in and out.
inline void ShiftVectors(__m256i& blue, __m256i& green, __m256i& red, const Settings& s) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i one = _mm256_set1_epi16(1);

    const __m256i redOverGreen =
        _mm256_xor_si256(_mm256_cmpgt_epi16(green, red), _mm256_cmpeq_epi16(zero, zero));
    __m256i maximum = Select(redOverGreen, red, green);
    __m256i minimum = Select(redOverGreen, green, red);
    __m256i base = Select(redOverGreen, one, _mm256_set1_epi16(3));
    __m256i position =
        Select(redOverGreen, _mm256_sub_epi16(green, blue), _mm256_sub_epi16(blue, red));
    const __m256i blueLargest = _mm256_cmpgt_epi16(blue, maximum);
    maximum = Select(blueLargest, blue, maximum);
    base = Select(blueLargest, _mm256_set1_epi16(5), base);
    position = Select(blueLargest, _mm256_sub_epi16(red, green), position);
    minimum = _mm256_min_epi16(minimum, blue);
    const __m256i chroma = _mm256_sub_epi16(maximum, minimum);
    const __m256i previousSector = _mm256_cmpgt_epi16(zero, position);
    base = _mm256_add_epi16(base, previousSector);
    position = _mm256_add_epi16(position, _mm256_and_si256(previousSector, chroma));

    const __m256i lightness = _mm256_add_epi16(maximum, minimum);
    const __m256i allowed =
        _mm256_min_epi16(lightness, _mm256_sub_epi16(_mm256_set1_epi16(511), lightness));
    const __m256i newChroma = _mm256_min_epi16(ScaledChroma(chroma, s.saturationFactor), allowed);
    const __m256i newMinimum = _mm256_srli_epi16(_mm256_sub_epi16(lightness, newChroma), 1);
    const __m256i span =
        _mm256_sub_epi16(_mm256_srli_epi16(_mm256_add_epi16(lightness, newChroma), 1), newMinimum);

    __m256i f = _mm256_add_epi16(HueFraction(position, chroma), s.remainder);
    __m256i sector = _mm256_add_epi16(base, s.sectors);
    const __m256i nextSector = _mm256_cmpgt_epi16(f, _mm256_set1_epi16(254));
    f = _mm256_sub_epi16(f, _mm256_and_si256(nextSector, _mm256_set1_epi16(255)));
    sector = _mm256_sub_epi16(sector, nextSector);
    // Sectors 6..11 repeat 0..5.
    sector =
        _mm256_sub_epi16(sector, _mm256_and_si256(_mm256_cmpgt_epi16(sector, _mm256_set1_epi16(5)),
                                                  _mm256_set1_epi16(6)));
    // span * f + 128 stays below 65536 (f is at most 254).
    const __m256i ramp =
        _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(span, f), _mm256_set1_epi16(128)), 8);

    const __m256i in0 = _mm256_cmpeq_epi16(sector, zero);
    const __m256i in1 = _mm256_cmpeq_epi16(sector, one);
    const __m256i in2 = _mm256_cmpeq_epi16(sector, _mm256_set1_epi16(2));
    const __m256i in3 = _mm256_cmpeq_epi16(sector, _mm256_set1_epi16(3));
    const __m256i in4 = _mm256_cmpeq_epi16(sector, _mm256_set1_epi16(4));
    const __m256i in5 = _mm256_cmpeq_epi16(sector, _mm256_set1_epi16(5));
    // The sector masks and ramps by channel.
    blue =
        Channel(newMinimum, span, ramp, _mm256_or_si256(in0, _mm256_or_si256(in4, in5)), in3, in0);
    green =
        Channel(newMinimum, span, ramp, _mm256_or_si256(in2, _mm256_or_si256(in3, in4)), in1, in4);
    red =
        Channel(newMinimum, span, ramp, _mm256_or_si256(in0, _mm256_or_si256(in1, in2)), in5, in2);
}

// Sixteen pixels of byte channels, kChannels bytes each.
template <int kChannels> void ShiftBytes(uint8_t* out, const uint8_t* in, const Settings& s) {
    __m128i bytes[3];
    avx2::SplitChannels<1, kChannels>(in, bytes);
    __m256i blue = _mm256_cvtepu8_epi16(bytes[0]);
    __m256i green = _mm256_cvtepu8_epi16(bytes[1]);
    __m256i red = _mm256_cvtepu8_epi16(bytes[2]);
    ShiftVectors(blue, green, red, s);
    bytes[0] = avx2::SaturatedBytes(blue);
    bytes[1] = avx2::SaturatedBytes(green);
    bytes[2] = avx2::SaturatedBytes(red);
    avx2::MergeChannels<1, kChannels>(out, bytes);
}

// Sixteen pixels of word channels: down by the shift and capped at 255 (values beyond the sample
// bits count as the maximum), and the results back up.
template <int kChannels>
void ShiftWords(uint8_t* out, const uint8_t* in, __m128i shift, const Settings& s) {
    constexpr int kHalf = 16 * kChannels; // bytes of eight pixels
    __m128i low[3], high[3];
    avx2::SplitChannels<2, kChannels>(in, low);
    avx2::SplitChannels<2, kChannels>(in + kHalf, high);
    const __m256i top = _mm256_set1_epi16(255);
    __m256i channels[3];
    for (int c = 0; c < 3; ++c)
        channels[c] = _mm256_min_epu16(_mm256_srl_epi16(avx2::Join(low[c], high[c]), shift), top);
    ShiftVectors(channels[0], channels[1], channels[2], s);
    for (int c = 0; c < 3; ++c) {
        const __m256i up = _mm256_sll_epi16(channels[c], shift);
        low[c] = avx2::Low(up);
        high[c] = avx2::High(up);
    }
    avx2::MergeChannels<2, kChannels>(out, low);
    avx2::MergeChannels<2, kChannels>(out + kHalf, high);
}

template <class Group> int32_t EveryRow(const Avx2Rows& r, int32_t groupBytes, Group group) {
    const int32_t whole = r.width / 16 * 16;
    for (int32_t i = 0; i < r.height; ++i) {
        const uint8_t* in = r.src + i * r.srcStride;
        uint8_t* out = r.dst + i * r.dstStride;
        for (int32_t j = 0; j < whole; j += 16, in += groupBytes, out += groupBytes)
            group(out, in);
    }
    return whole;
}

} // namespace

int32_t ShiftGroupsAvx2(const Avx2Rows& r) {
    const Settings s{_mm256_set1_epi16(static_cast<short>(r.sectors)),
                     _mm256_set1_epi16(static_cast<short>(r.remainder)),
                     _mm256_set1_epi16(static_cast<short>(r.saturation + 256))};
    const __m128i shift = _mm_cvtsi32_si128(r.wordShift);
    switch (r.pixelBytes) {
    case 3:
        return EveryRow(r, 48, [&](uint8_t* out, const uint8_t* in) { ShiftBytes<3>(out, in, s); });
    case 4:
        return EveryRow(r, 64, [&](uint8_t* out, const uint8_t* in) { ShiftBytes<4>(out, in, s); });
    case 6:
        return EveryRow(r, 96,
                        [&](uint8_t* out, const uint8_t* in) { ShiftWords<3>(out, in, shift, s); });
    case 8:
        return EveryRow(r, 128,
                        [&](uint8_t* out, const uint8_t* in) { ShiftWords<4>(out, in, shift, s); });
    default:
        return 0;
    }
}

#else

int32_t ShiftGroupsAvx2(const Avx2Rows&) {
    return 0;
}

#endif

} // namespace hue
