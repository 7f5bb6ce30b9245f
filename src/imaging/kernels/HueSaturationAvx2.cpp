// The hue and saturation model in 16-bit lanes of AVX2, equal bit for bit to the reference: the
// division by the chroma in single floats instead of a table gather, the sector's channel roles
// from byte shuffles instead of compares, and 3-channel pixels split and merged by blends.
#include "imaging/kernels/HueSaturationTwins.h"

#if defined(__AVX2__)
#include "imaging/kernels/Avx2Pixels.h"
#endif

namespace hue {

#if defined(__AVX2__)
namespace {

using avx2::Select;

// Sectors are kept in both bytes of their lane (sector * 0x0101), so that a byte shuffle of a
// 16-entry table gives a whole 16-bit lane per sector; sectors run 0..11, 6..11 repeating 0..5.
constexpr int16_t kSectorUnit = 0x0101;

struct Settings {
    __m256i sectors;          // whole sectors of the hue shift, in sector units
    __m256i remainder;        // the rest of the shift, 0..254
    __m256i saturationFactor; // saturation + 256, 1..511: the chroma table's factor / 256
};

// Per channel (blue, green, red) and sector: whether the channel carries the full span, and the
// sign of the ramp it moves by (+1 rising, -1 falling, 0 none). Both tables repeat after six
// sectors and are the same in both 128-bit halves, as the byte shuffle reads each half apart.
struct SectorRoles {
    alignas(32) int8_t full[3][32];
    alignas(32) int8_t ramp[3][32];

    constexpr SectorRoles() : full{}, ramp{} {
        // Channels at full span and the moving channel with its direction, sectors 0..5 (red,
        // green, blue bits 2, 1, 0 as in the packed colour 0xRRGGBB).
        constexpr int kFullChannels[6] = {0b101, 0b100, 0b110, 0b010, 0b011, 0b001};
        constexpr int kRampChannel[6] = {0, 1, 2, 0, 1, 2}; // blue, green, red, blue, green, red
        constexpr int kRampSign[6] = {-1, +1, -1, +1, -1, +1};
        for (int channel = 0; channel < 3; ++channel) {
            for (int k = 0; k < 32; ++k) {
                const int sector = (k % 16) % 6;
                full[channel][k] =
                    static_cast<int8_t>((kFullChannels[sector] >> channel) & 1 ? -1 : 0);
                ramp[channel][k] =
                    static_cast<int8_t>(kRampChannel[sector] == channel ? kRampSign[sector] : 0);
            }
        }
    }
};
inline constexpr SectorRoles kRoles{};

// An unaligned load, so that nothing rests on how a toolchain aligns constants of 32 bytes; it
// costs nothing on aligned data.
inline __m256i Load32(const int8_t* bytes) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
}

// (position * floor(0xFF0000 / chroma) + 32768) >> 16, the reference's reciprocal multiply, on
// eight 32-bit lanes. In single floats every step is exact: the quotient of two integers below
// 2^24 rounds by less than 1 / chroma, so it truncates to the table's entry; the product stays a
// whole number below 2^24, and scaling by 2^-16 and adding 0.5 only move the binary point.
inline __m256i FractionOf8(__m256i position, __m256i chroma) {
    const __m256 reciprocal =
        _mm256_round_ps(_mm256_div_ps(_mm256_set1_ps(16711680.0f), _mm256_cvtepi32_ps(chroma)),
                        _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const __m256 scaled = _mm256_mul_ps(reciprocal, _mm256_set1_ps(1.0f / 65536.0f));
    const __m256 fraction =
        _mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(position), scaled), _mm256_set1_ps(0.5f));
    return _mm256_cvttps_epi32(fraction);
}

// The same on sixteen 16-bit lanes. A gray pixel (chroma 0) divides by 1 instead, which raises
// no floating-point exception; its fraction does not matter, as its span is 0.
inline __m256i HueFraction(__m256i position, __m256i chroma) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i divisor = _mm256_max_epi16(chroma, _mm256_set1_epi16(1));
    // Widening within the 128-bit halves and packing back restores the lane order.
    const __m256i low =
        FractionOf8(_mm256_unpacklo_epi16(position, zero), _mm256_unpacklo_epi16(divisor, zero));
    const __m256i high =
        FractionOf8(_mm256_unpackhi_epi16(position, zero), _mm256_unpackhi_epi16(divisor, zero));
    return _mm256_packus_epi32(low, high);
}

// One output channel: the new minimum, plus the span where the sector gives the channel its
// full value, plus or minus the ramp where the sector moves it.
inline __m256i Channel(int channel, __m256i sector, __m256i newMinimum, __m256i span,
                       __m256i ramp) {
    const __m256i full = _mm256_shuffle_epi8(Load32(kRoles.full[channel]), sector);
    const __m256i direction = _mm256_shuffle_epi8(Load32(kRoles.ramp[channel]), sector);
    return _mm256_add_epi16(_mm256_add_epi16(newMinimum, _mm256_and_si256(span, full)),
                            _mm256_sign_epi16(ramp, direction));
}

// The model on sixteen pixels, channels 0..255 in and out.
inline void ShiftVectors(__m256i& blue, __m256i& green, __m256i& red, const Settings& s) {
    const __m256i unit = _mm256_set1_epi16(kSectorUnit);

    // Largest and smallest channel, the sector they start in and the position within it.
    // Base sector 1, 3 when green is over red, 5 when blue is over both: 1 | 2 is 3, and 5 is
    // over either.
    const __m256i greenOverRed = _mm256_cmpgt_epi16(green, red);
    const __m256i redOrGreen = _mm256_max_epi16(red, green);
    const __m256i blueLargest = _mm256_cmpgt_epi16(blue, redOrGreen);
    const __m256i maximum = _mm256_max_epi16(redOrGreen, blue);
    const __m256i minimum = _mm256_min_epi16(_mm256_min_epi16(red, green), blue);
    __m256i base =
        _mm256_or_si256(unit, _mm256_and_si256(greenOverRed, _mm256_set1_epi16(2 * kSectorUnit)));
    base =
        _mm256_max_epi16(base, _mm256_and_si256(blueLargest, _mm256_set1_epi16(5 * kSectorUnit)));
    __m256i position =
        Select(greenOverRed, _mm256_sub_epi16(blue, red), _mm256_sub_epi16(green, blue));
    position = Select(blueLargest, _mm256_sub_epi16(red, green), position);
    const __m256i chroma = _mm256_sub_epi16(maximum, minimum);
    const __m256i previousSector = _mm256_srai_epi16(position, 15);
    base = _mm256_sub_epi16(base, _mm256_and_si256(previousSector, unit));
    position = _mm256_add_epi16(position, _mm256_and_si256(previousSector, chroma));

    // The lightness sum stays; the chroma follows the saturation as far as that sum allows.
    // (chroma * 128 * factor + 16384) >> 15 is the chroma table's (factor * chroma + 128) >> 8.
    const __m256i lightness = _mm256_add_epi16(maximum, minimum);
    const __m256i allowed =
        _mm256_min_epi16(lightness, _mm256_sub_epi16(_mm256_set1_epi16(511), lightness));
    const __m256i scaledChroma =
        _mm256_mulhrs_epi16(_mm256_slli_epi16(chroma, 7), s.saturationFactor);
    const __m256i newChroma = _mm256_min_epi16(scaledChroma, allowed);
    const __m256i newMinimum = _mm256_srli_epi16(_mm256_sub_epi16(lightness, newChroma), 1);
    const __m256i span =
        _mm256_sub_epi16(_mm256_srli_epi16(_mm256_add_epi16(lightness, newChroma), 1), newMinimum);

    __m256i f = _mm256_add_epi16(HueFraction(position, chroma), s.remainder);
    const __m256i nextSector = _mm256_cmpgt_epi16(f, _mm256_set1_epi16(254));
    f = _mm256_sub_epi16(f, _mm256_and_si256(nextSector, _mm256_set1_epi16(255)));
    const __m256i sector =
        _mm256_add_epi16(_mm256_add_epi16(base, s.sectors), _mm256_and_si256(nextSector, unit));
    // span * f + 128 stays below 65536 (f is at most 254).
    const __m256i ramp =
        _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(span, f), _mm256_set1_epi16(128)), 8);

    blue = Channel(0, sector, newMinimum, span, ramp);
    green = Channel(1, sector, newMinimum, span, ramp);
    red = Channel(2, sector, newMinimum, span, ramp);
}

// ---- Pixels of three channels: blends and one shuffle per channel ----
//
// Within 48 bytes of three-channel pixels, the bytes of one channel land on each of the 16 byte
// offsets of a 16-byte block exactly once (3 and the samples per block are coprime). So a channel
// is gathered by blending the three blocks, each offset from the block that holds the channel's
// byte there, and one shuffle puts the bytes in pixel order; merging runs the other way.
template <int kSampleBytes> struct TripletShuffles {
    alignas(32) int8_t fromSecond[3][32]; // [channel]: -1 where the byte comes from block 1
    alignas(32) int8_t fromThird[3][32];  // [channel]: -1 where it comes from block 2
    alignas(32) int8_t order[3][32];      // [channel]: blended offsets -> pixel order
    alignas(32) int8_t unorder[3][32];    // [channel]: pixel order -> the offsets of the blocks
    alignas(32) int8_t secondOf[3][32];   // [block]: -1 where the block takes channel 1
    alignas(32) int8_t thirdOf[3][32];    // [block]: -1 where the block takes channel 2

    constexpr TripletShuffles()
        : fromSecond{}, fromThird{}, order{}, unorder{}, secondOf{}, thirdOf{} {
        for (int channel = 0; channel < 3; ++channel) {
            for (int k = 0; k < 16; ++k) {
                // Byte k of the channel vector: byte k % size of the sample of pixel k / size.
                const int at = kSampleBytes * (3 * (k / kSampleBytes) + channel) + k % kSampleBytes;
                const int block = at / 16;
                const int offset = at % 16;
                for (int half = 0; half < 2; ++half) {
                    fromSecond[channel][16 * half + offset] =
                        static_cast<int8_t>(block == 1 ? -1 : 0);
                    fromThird[channel][16 * half + offset] =
                        static_cast<int8_t>(block == 2 ? -1 : 0);
                    order[channel][16 * half + k] = static_cast<int8_t>(offset);
                    unorder[channel][16 * half + offset] = static_cast<int8_t>(k);
                }
            }
        }
        for (int block = 0; block < 3; ++block) {
            for (int offset = 0; offset < 16; ++offset) {
                const int channel = (16 * block + offset) / kSampleBytes % 3;
                for (int half = 0; half < 2; ++half) {
                    secondOf[block][16 * half + offset] =
                        static_cast<int8_t>(channel == 1 ? -1 : 0);
                    thirdOf[block][16 * half + offset] = static_cast<int8_t>(channel == 2 ? -1 : 0);
                }
            }
        }
    }
};
template <int kSampleBytes> inline constexpr TripletShuffles<kSampleBytes> kTriplets{};

// Two runs of 48 bytes, at `p` and `p + 48`, as the halves of three block vectors.
inline void LoadTwoRuns(const uint8_t* p, __m256i blocks[3]) {
    for (int b = 0; b < 3; ++b)
        blocks[b] = avx2::Join(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * b)),
                               _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48 + 16 * b)));
}

inline void StoreTwoRuns(uint8_t* p, const __m256i blocks[3]) {
    for (int b = 0; b < 3; ++b) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16 * b), avx2::Low(blocks[b]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 48 + 16 * b), avx2::High(blocks[b]));
    }
}

template <int kSampleBytes>
inline void SplitTriplets(const __m256i blocks[3], __m256i channels[3]) {
    constexpr auto& t = kTriplets<kSampleBytes>;
    for (int c = 0; c < 3; ++c) {
        const __m256i blended =
            _mm256_blendv_epi8(_mm256_blendv_epi8(blocks[0], blocks[1], Load32(t.fromSecond[c])),
                               blocks[2], Load32(t.fromThird[c]));
        channels[c] = _mm256_shuffle_epi8(blended, Load32(t.order[c]));
    }
}

template <int kSampleBytes>
inline void MergeTriplets(const __m256i channels[3], __m256i blocks[3]) {
    constexpr auto& t = kTriplets<kSampleBytes>;
    __m256i placed[3];
    for (int c = 0; c < 3; ++c)
        placed[c] = _mm256_shuffle_epi8(channels[c], Load32(t.unorder[c]));
    for (int b = 0; b < 3; ++b)
        blocks[b] =
            _mm256_blendv_epi8(_mm256_blendv_epi8(placed[0], placed[1], Load32(t.secondOf[b])),
                               placed[2], Load32(t.thirdOf[b]));
}

// Thirty-two 3-byte pixels (96 bytes).
void ShiftBytes32(uint8_t* out, const uint8_t* in, const Settings& s) {
    __m256i v[3];
    LoadTwoRuns(in, v);
    __m256i bytes[3];
    SplitTriplets<1>(v, bytes);
    // Widening within the 128-bit halves takes pixels 0..7 and 16..23 into one vector and the
    // others into the second; packing back restores the order.
    const __m256i zero = _mm256_setzero_si256();
    __m256i low[3], high[3];
    for (int c = 0; c < 3; ++c) {
        low[c] = _mm256_unpacklo_epi8(bytes[c], zero);
        high[c] = _mm256_unpackhi_epi8(bytes[c], zero);
    }
    ShiftVectors(low[0], low[1], low[2], s);
    ShiftVectors(high[0], high[1], high[2], s);
    for (int c = 0; c < 3; ++c)
        bytes[c] = _mm256_packus_epi16(low[c], high[c]);
    MergeTriplets<1>(bytes, v);
    StoreTwoRuns(out, v);
}

// Sixteen 6-byte pixels (96 bytes): down by the shift and capped at 255 (values beyond the sample
// bits count as the maximum), and the results back up.
void ShiftWords16(uint8_t* out, const uint8_t* in, __m128i shift, const Settings& s) {
    __m256i v[3];
    LoadTwoRuns(in, v);
    __m256i channels[3];
    SplitTriplets<2>(v, channels);
    const __m256i top = _mm256_set1_epi16(255);
    for (int c = 0; c < 3; ++c)
        channels[c] = _mm256_min_epu16(_mm256_srl_epi16(channels[c], shift), top);
    ShiftVectors(channels[0], channels[1], channels[2], s);
    for (int c = 0; c < 3; ++c)
        channels[c] = _mm256_sll_epi16(channels[c], shift);
    MergeTriplets<2>(channels, v);
    StoreTwoRuns(out, v);
}

// ---- Four-channel pixels (and a last group of sixteen 3-byte pixels) ----

// Sixteen 4-byte pixels (64 bytes). Each channel is masked out of its 32-bit lanes and packed to
// 16 bits, which takes the pixels in the order 0..3, 8..11, 4..7, 12..15; interleaving the
// results back undoes that. The fourth byte keeps what the destination had.
void ShiftQuads16(uint8_t* out, const uint8_t* in, const Settings& s) {
    const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
    const __m256i second = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 32));
    const __m256i lowByte = _mm256_set1_epi32(0xFF);
    const auto channel = [&](int byte) {
        return _mm256_packus_epi32(_mm256_and_si256(_mm256_srli_epi32(first, 8 * byte), lowByte),
                                   _mm256_and_si256(_mm256_srli_epi32(second, 8 * byte), lowByte));
    };
    __m256i blue = channel(0);
    __m256i green = channel(1);
    __m256i red = channel(2);
    ShiftVectors(blue, green, red, s);
    const __m256i blueGreen = _mm256_or_si256(blue, _mm256_slli_epi16(green, 8));
    const __m256i fourth = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    __m256i* at = reinterpret_cast<__m256i*>(out);
    const __m256i kept[2] = {_mm256_and_si256(_mm256_loadu_si256(at), fourth),
                             _mm256_and_si256(_mm256_loadu_si256(at + 1), fourth)};
    _mm256_storeu_si256(at, _mm256_or_si256(_mm256_unpacklo_epi16(blueGreen, red), kept[0]));
    _mm256_storeu_si256(at + 1, _mm256_or_si256(_mm256_unpackhi_epi16(blueGreen, red), kept[1]));
}

// Sixteen 3-byte pixels.
void ShiftBytes16(uint8_t* out, const uint8_t* in, const Settings& s) {
    __m128i bytes[3];
    avx2::SplitChannels<1, 3>(in, bytes);
    __m256i blue = _mm256_cvtepu8_epi16(bytes[0]);
    __m256i green = _mm256_cvtepu8_epi16(bytes[1]);
    __m256i red = _mm256_cvtepu8_epi16(bytes[2]);
    ShiftVectors(blue, green, red, s);
    bytes[0] = avx2::SaturatedBytes(blue);
    bytes[1] = avx2::SaturatedBytes(green);
    bytes[2] = avx2::SaturatedBytes(red);
    avx2::MergeChannels<1, 3>(out, bytes);
}

// Within each 128-bit half, two 8-byte pixels B0 G0 R0 A0 B1 G1 R1 A1 (words) as B0 B1 G0 G1 R0 R1
// A0 A1, and back.
alignas(32) constexpr int8_t kWordsByChannel[32] = {0,  1,  8, 9,  2,  3,  10, 11, 4,  5, 12,
                                                    13, 6,  7, 14, 15, 0,  1,  8,  9,  2, 3,
                                                    10, 11, 4, 5,  12, 13, 6,  7,  14, 15};
alignas(32) constexpr int8_t kWordsByPixel[32] = {0,  1,  4,  5,  8,  9, 12, 13, 2,  3, 6,
                                                  7,  10, 11, 14, 15, 0, 1,  4,  5,  8, 9,
                                                  12, 13, 2,  3,  6,  7, 10, 11, 14, 15};

// Sixteen 8-byte pixels (128 bytes): each vector's pixel pairs sorted by channel, then a transpose
// of the pairs of four vectors gives one vector per channel (the pixels in an order of their own,
// which the way back undoes). The fourth word keeps what the destination had.
void ShiftWideWords16(uint8_t* out, const uint8_t* in, __m128i shift, const Settings& s) {
    __m256i* at = reinterpret_cast<__m256i*>(out);
    __m256i q[4];
    for (int k = 0; k < 4; ++k)
        q[k] = _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in) + k),
                                   Load32(kWordsByChannel));
    const __m256i blueGreen01 = _mm256_unpacklo_epi32(q[0], q[1]);
    const __m256i redFourth01 = _mm256_unpackhi_epi32(q[0], q[1]);
    const __m256i blueGreen23 = _mm256_unpacklo_epi32(q[2], q[3]);
    const __m256i redFourth23 = _mm256_unpackhi_epi32(q[2], q[3]);
    const __m256i top = _mm256_set1_epi16(255);
    __m256i channels[3] = {_mm256_unpacklo_epi64(blueGreen01, blueGreen23),
                           _mm256_unpackhi_epi64(blueGreen01, blueGreen23),
                           _mm256_unpacklo_epi64(redFourth01, redFourth23)};
    for (int c = 0; c < 3; ++c)
        channels[c] = _mm256_min_epu16(_mm256_srl_epi16(channels[c], shift), top);
    ShiftVectors(channels[0], channels[1], channels[2], s);
    for (int c = 0; c < 3; ++c)
        channels[c] = _mm256_sll_epi16(channels[c], shift);
    const __m256i zero = _mm256_setzero_si256();
    // The same steps backwards; the pairs of dwords come apart by a dword shuffle first.
    const __m256i pairs[4] = {
        _mm256_unpacklo_epi64(channels[0], channels[1]), _mm256_unpacklo_epi64(channels[2], zero),
        _mm256_unpackhi_epi64(channels[0], channels[1]), _mm256_unpackhi_epi64(channels[2], zero)};
    for (int k = 0; k < 4; k += 2) {
        const __m256i blueGreen = _mm256_shuffle_epi32(pairs[k], 0xD8);
        const __m256i redFourth = _mm256_shuffle_epi32(pairs[k + 1], 0xD8);
        const __m256i pixels[2] = {_mm256_unpacklo_epi64(blueGreen, redFourth),
                                   _mm256_unpackhi_epi64(blueGreen, redFourth)};
        for (int p = 0; p < 2; ++p) {
            const __m256i ordered = _mm256_shuffle_epi8(pixels[p], Load32(kWordsByPixel));
            // Words 3 and 7 of each half are the fourth channel.
            _mm256_storeu_si256(at + k + p,
                                _mm256_blend_epi16(ordered, _mm256_loadu_si256(at + k + p), 0x88));
        }
    }
}

// Runs `group` over every row in steps of kPixels pixels, then `last` (a step of kLastPixels, or
// none when 0) once where that many remain; returns the columns done.
template <int kPixels, int kLastPixels, class Group, class Last>
int32_t EveryRow(const Avx2Rows& r, Group group, Last last) {
    const int32_t whole = r.width / kPixels * kPixels;
    const bool lastFits = kLastPixels > 0 && r.width - whole >= kLastPixels;
    const ptrdiff_t groupBytes = static_cast<ptrdiff_t>(kPixels) * r.pixelBytes;
    for (int32_t i = 0; i < r.height; ++i) {
        const uint8_t* in = r.src + i * r.srcStride;
        uint8_t* out = r.dst + i * r.dstStride;
        for (int32_t j = 0; j < whole; j += kPixels, in += groupBytes, out += groupBytes)
            group(out, in);
        if (lastFits) last(out, in);
    }
    return lastFits ? whole + kLastPixels : whole;
}

} // namespace

int32_t ShiftGroupsAvx2(const Avx2Rows& r) {
    const Settings s{_mm256_set1_epi16(static_cast<short>(r.sectors * kSectorUnit)),
                     _mm256_set1_epi16(static_cast<short>(r.remainder)),
                     _mm256_set1_epi16(static_cast<short>(r.saturation + 256))};
    const __m128i shift = _mm_cvtsi32_si128(r.wordShift);
    const auto none = [](uint8_t*, const uint8_t*) {};
    switch (r.pixelBytes) {
    case 3:
        return EveryRow<32, 16>(
            r, [&](uint8_t* out, const uint8_t* in) { ShiftBytes32(out, in, s); },
            [&](uint8_t* out, const uint8_t* in) { ShiftBytes16(out, in, s); });
    case 4:
        return EveryRow<16, 0>(
            r, [&](uint8_t* out, const uint8_t* in) { ShiftQuads16(out, in, s); }, none);
    case 6:
        return EveryRow<16, 0>(
            r, [&](uint8_t* out, const uint8_t* in) { ShiftWords16(out, in, shift, s); }, none);
    case 8:
        return EveryRow<16, 0>(
            r, [&](uint8_t* out, const uint8_t* in) { ShiftWideWords16(out, in, shift, s); }, none);
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
