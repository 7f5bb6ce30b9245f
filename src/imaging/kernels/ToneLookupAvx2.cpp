// The AVX2 twins of the tone look-ups. A byte's entry comes from sixteen 16-entry tables held in
// registers: vpshufb looks its low four bits up in every one of them, and its high four bits pick
// the right result, bit 4 by the zeroing of vpshufb and an OR, bits 5 to 7 by byte blends.
#include "imaging/kernels/ToneLookup.h"

#if defined(__AVX2__)
#include <immintrin.h>
#endif

namespace tone {

#if defined(__AVX2__)
namespace {

// The byte table as sixteen vectors of sixteen entries, each copied into both 128-bit lanes
// because vpshufb looks up within a lane.
struct NibbleTables {
    __m256i part[16];

    explicit NibbleTables(const uint8_t* table) {
        for (int k = 0; k < 16; ++k)
            part[k] = _mm256_broadcastsi128_si256(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(table + 16 * k)));
    }
};

// table[x] for each of 32 bytes. vpshufb reads the low four bits of an index and gives 0 where
// its bit 7 is set: with bit 4 of x moved to bit 7 of one index and its inverse to bit 7 of the
// other, tables k and k + 1 each answer only for their own bytes, and an OR joins them. A blend
// takes its second operand where bit 7 of the mask byte is set, so bits 5, 6 and 7 of x, each
// shifted up to bit 7, then choose between pairs, fours and eights. The 16-bit shifts move bits
// across bytes only into the low bits of the upper byte, never into its bit 7.
inline __m256i LookUp32(__m256i x, const NibbleTables& tables) {
    const __m256i top = _mm256_set1_epi8(static_cast<char>(0x80));
    const __m256i low = _mm256_and_si256(x, _mm256_set1_epi8(0x0F));
    const __m256i even = _mm256_or_si256(low, _mm256_and_si256(_mm256_slli_epi16(x, 3), top));
    const __m256i odd = _mm256_xor_si256(even, top);
    const __m256i bit5 = _mm256_slli_epi16(x, 2);
    const __m256i bit6 = _mm256_slli_epi16(x, 1);
    auto two = [&](int k) {
        return _mm256_or_si256(_mm256_shuffle_epi8(tables.part[k], even),
                               _mm256_shuffle_epi8(tables.part[k + 1], odd));
    };
    auto four = [&](int k) { return _mm256_blendv_epi8(two(k), two(k + 2), bit5); };
    auto eight = [&](int k) { return _mm256_blendv_epi8(four(k), four(k + 4), bit6); };
    return _mm256_blendv_epi8(eight(0), eight(8), x);
}

inline __m256i Load(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

inline void Store(uint8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

} // namespace

void SamplesAvx2(uint8_t* samples, size_t count, const uint8_t* table) {
    const NibbleTables tables(table);
    size_t i = 0;
    for (; i + 32 <= count; i += 32)
        Store(samples + i, LookUp32(Load(samples + i), tables));
    SamplesReference(samples + i, count - i, table);
}

void BgrxAvx2(uint8_t* pixels, size_t count, const uint8_t* table) {
    const NibbleTables tables(table);
    const __m256i fourth = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i x = Load(pixels + 4 * i);
        Store(pixels + 4 * i, _mm256_blendv_epi8(LookUp32(x, tables), x, fourth));
    }
    BgrxReference(pixels + 4 * i, count - i, table);
}

#else

void SamplesAvx2(uint8_t* samples, size_t count, const uint8_t* table) {
    SamplesReference(samples, count, table);
}
void BgrxAvx2(uint8_t* pixels, size_t count, const uint8_t* table) {
    BgrxReference(pixels, count, table);
}

#endif

} // namespace tone
