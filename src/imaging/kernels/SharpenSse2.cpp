// The sharpen interior in 16-bit lanes of SSE2: the rows of SharpenRows.h on 128-bit vectors.
#include "imaging/kernels/SharpenTwins.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TRAVIK_SHARPEN_SSE2 1
#include "imaging/kernels/SharpenRows.h"
#endif

namespace sharpen_rows {

#if TRAVIK_SHARPEN_SSE2
namespace {

struct Sse2Lanes {
    static constexpr int kLanes = 8;
    using Vec = __m128i;

    static Vec Zero() { return _mm_setzero_si128(); }
    static Vec Set(int16_t v) { return _mm_set1_epi16(v); }
    static Vec LoadBytes(const uint8_t* p) {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), Zero());
    }
    static Vec LoadWords(const uint8_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    }
    static Vec LoadSums(const int16_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    }
    static void StoreSums(int16_t* p, Vec v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static Vec Add(Vec a, Vec b) { return _mm_add_epi16(a, b); }
    static Vec Sub(Vec a, Vec b) { return _mm_sub_epi16(a, b); }
    static Vec ShiftRight4(Vec a) { return _mm_srai_epi16(a, 4); }
    static Vec ShiftRight3Unsigned(Vec a) { return _mm_srli_epi16(a, 3); }
    static Vec MulLow(Vec a, Vec b) { return _mm_mullo_epi16(a, b); }
    static Vec MulHighUnsigned(Vec a, Vec b) { return _mm_mulhi_epu16(a, b); }
    static Vec Min(Vec a, Vec b) { return _mm_min_epi16(a, b); }
    static Vec Max(Vec a, Vec b) { return _mm_max_epi16(a, b); }
    // The values here stay far from -32768, whose magnitude has no 16-bit form.
    static Vec Abs(Vec a) { return _mm_max_epi16(a, _mm_sub_epi16(Zero(), a)); }
    static Vec CopySign(Vec a, Vec b) {
        const Vec negative = _mm_cmpgt_epi16(Zero(), b);
        return _mm_sub_epi16(_mm_xor_si128(a, negative), negative);
    }
    static Vec And(Vec a, Vec b) { return _mm_and_si128(a, b); }
    static Vec AndNot(Vec a, Vec b) { return _mm_andnot_si128(a, b); }
    static Vec Or(Vec a, Vec b) { return _mm_or_si128(a, b); }
    static Vec FourthOfFour() { return _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0); }
    static bool AllBelow1024(Vec any) {
        const Vec high = _mm_and_si128(any, _mm_set1_epi16(static_cast<int16_t>(0xFC00)));
        return _mm_movemask_epi8(_mm_cmpeq_epi16(high, Zero())) == 0xFFFF;
    }
    static Vec Blend(Vec mask, Vec ifSet, Vec otherwise) {
        return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, otherwise));
    }
    static void StoreBytes(uint8_t* p, Vec v, bool keepFourth, Vec fourth) {
        __m128i* at = reinterpret_cast<__m128i*>(p);
        Vec bytes = _mm_packus_epi16(v, v);
        if (keepFourth) bytes = Blend(_mm_packs_epi16(fourth, fourth), _mm_loadl_epi64(at), bytes);
        _mm_storel_epi64(at, bytes);
    }
    static void StoreWords(uint8_t* p, Vec v, bool keepFourth, Vec fourth) {
        __m128i* at = reinterpret_cast<__m128i*>(p);
        if (keepFourth) v = Blend(fourth, _mm_loadu_si128(at), v);
        _mm_storeu_si128(at, v);
    }
};

} // namespace

bool RunInteriorSse2(const Job& job, int32_t sampleBytes, int32_t step) {
    return RunInterior<Sse2Lanes>(job, sampleBytes, step);
}

#else

bool RunInteriorSse2(const Job&, int32_t, int32_t) {
    return false;
}

#endif

} // namespace sharpen_rows
