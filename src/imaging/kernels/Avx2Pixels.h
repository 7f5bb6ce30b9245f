// Moving the channels of packed 3- and 4-channel pixels in and out of one vector per channel, for
// the AVX2 twins (their files are the only ones built with AVX2, whose SSSE3 shuffles this uses).
#pragma once

#include <immintrin.h>

#include <cstdint>

namespace avx2 {

// Byte shuffles between kChannels-channel pixels of kSampleBytes-byte samples and one vector per
// channel: 16 / kSampleBytes pixels fill kChannels 16-byte blocks. A shuffle index of -128
// gives a zero byte.
template <int kSampleBytes, int kChannels> struct ChannelShuffles {
    alignas(16) int8_t split[kChannels][3][16]; // [block][channel]: block bytes -> channel vector
    alignas(16) int8_t merge[kChannels][3][16]; // [block][channel]: channel vector -> block bytes
    alignas(16) int8_t fourth[kChannels][16];   // [block]: -1 on the bytes of a fourth channel

    constexpr ChannelShuffles() : split{}, merge{}, fourth{} {
        for (int block = 0; block < kChannels; ++block) {
            for (int channel = 0; channel < 3; ++channel) {
                for (int k = 0; k < 16; ++k) {
                    // Channel vector byte k: sample k / size of pixel k / size, byte k % size.
                    const int from = kSampleBytes * (kChannels * (k / kSampleBytes) + channel) +
                                     k % kSampleBytes;
                    split[block][channel][k] =
                        static_cast<int8_t>(from / 16 == block ? from % 16 : -128);
                    // Block byte k: sample `sample`, whose pixel and channel follow.
                    const int at = 16 * block + k;
                    const int sample = at / kSampleBytes;
                    const bool ours = sample % kChannels == channel;
                    merge[block][channel][k] = static_cast<int8_t>(
                        ours ? kSampleBytes * (sample / kChannels) + at % kSampleBytes : -128);
                }
            }
            for (int k = 0; k < 16; ++k) {
                const int sample = (16 * block + k) / kSampleBytes;
                fourth[block][k] = static_cast<int8_t>(sample % kChannels == 3 ? -1 : 0);
            }
        }
    }
};

template <int kSampleBytes, int kChannels>
inline constexpr ChannelShuffles<kSampleBytes, kChannels> kShuffles{};

inline __m128i Mask(const int8_t* bytes) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(bytes));
}

// The first three channels of 16 / kSampleBytes pixels at `p` (kChannels * 16 bytes, exactly).
template <int kSampleBytes, int kChannels>
inline void SplitChannels(const uint8_t* p, __m128i channels[3]) {
    constexpr auto& s = kShuffles<kSampleBytes, kChannels>;
    __m128i blocks[kChannels];
    for (int b = 0; b < kChannels; ++b)
        blocks[b] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * b));
    for (int c = 0; c < 3; ++c) {
        __m128i v = _mm_shuffle_epi8(blocks[0], Mask(s.split[0][c]));
        for (int b = 1; b < kChannels; ++b)
            v = _mm_or_si128(v, _mm_shuffle_epi8(blocks[b], Mask(s.split[b][c])));
        channels[c] = v;
    }
}

// Writes the three channel vectors back as pixels at `p` (kChannels * 16 bytes, exactly); a
// fourth channel keeps the bytes it had.
template <int kSampleBytes, int kChannels>
inline void MergeChannels(uint8_t* p, const __m128i channels[3]) {
    constexpr auto& s = kShuffles<kSampleBytes, kChannels>;
    for (int b = 0; b < kChannels; ++b) {
        __m128i v = _mm_shuffle_epi8(channels[0], Mask(s.merge[b][0]));
        v = _mm_or_si128(v, _mm_shuffle_epi8(channels[1], Mask(s.merge[b][1])));
        v = _mm_or_si128(v, _mm_shuffle_epi8(channels[2], Mask(s.merge[b][2])));
        __m128i* at = reinterpret_cast<__m128i*>(p + 16 * b);
        if constexpr (kChannels == 4)
            v = _mm_or_si128(v, _mm_and_si128(_mm_loadu_si128(at), Mask(s.fourth[b])));
        _mm_storeu_si128(at, v);
    }
}

inline __m128i Low(__m256i v) {
    return _mm256_castsi256_si128(v);
}
inline __m128i High(__m256i v) {
    return _mm256_extracti128_si256(v, 1);
}
inline __m256i Join(__m128i low, __m128i high) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

// 16 lanes of 0..255 (or more, saturated to 255) as 16 bytes in lane order.
inline __m128i SaturatedBytes(__m256i v) {
    return _mm_packus_epi16(Low(v), High(v));
}

inline __m256i Select(__m256i mask, __m256i ifSet, __m256i otherwise) {
    return _mm256_blendv_epi8(otherwise, ifSet, mask);
}

} // namespace avx2
