// The sharpen interior in 16-bit lanes of AVX2: the rows of SharpenRows.h on 256-bit vectors.
#include "imaging/kernels/SharpenTwins.h"

#if defined(__AVX2__)
#include "imaging/kernels/Avx2Pixels.h"
#include "imaging/kernels/SharpenRows.h"
#endif

namespace sharpen_rows {

#if defined(__AVX2__)
namespace {

struct Avx2Lanes {
    static constexpr int kLanes = 16;
    using Vec = __m256i;

    static Vec Zero() { return _mm256_setzero_si256(); }
    static Vec Set(int16_t v) { return _mm256_set1_epi16(v); }
    static Vec LoadBytes(const uint8_t* p) {
        return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    }
    static Vec LoadWords(const uint8_t* p) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    }
    static Vec LoadSums(const int16_t* p) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    }
    static void StoreSums(int16_t* p, Vec v) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
    }
    static Vec Add(Vec a, Vec b) { return _mm256_add_epi16(a, b); }
    static Vec Sub(Vec a, Vec b) { return _mm256_sub_epi16(a, b); }
    static Vec ShiftRight4(Vec a) { return _mm256_srai_epi16(a, 4); }
    static Vec ShiftRight3Unsigned(Vec a) { return _mm256_srli_epi16(a, 3); }
    static Vec MulLow(Vec a, Vec b) { return _mm256_mullo_epi16(a, b); }
    static Vec MulHighUnsigned(Vec a, Vec b) { return _mm256_mulhi_epu16(a, b); }
    static Vec Min(Vec a, Vec b) { return _mm256_min_epi16(a, b); }
    static Vec Max(Vec a, Vec b) { return _mm256_max_epi16(a, b); }
    static Vec Abs(Vec a) { return _mm256_abs_epi16(a); }
    static Vec CopySign(Vec a, Vec b) { return _mm256_sign_epi16(a, b); }
    static Vec And(Vec a, Vec b) { return _mm256_and_si256(a, b); }
    static Vec AndNot(Vec a, Vec b) { return _mm256_andnot_si256(a, b); }
    static Vec Or(Vec a, Vec b) { return _mm256_or_si256(a, b); }
    static Vec FourthOfFour() {
        return _mm256_set1_epi64x(static_cast<long long>(0xFFFF000000000000ull));
    }
    static bool AllBelow1024(Vec any) {
        const Vec high = _mm256_and_si256(any, _mm256_set1_epi16(static_cast<int16_t>(0xFC00)));
        return _mm256_movemask_epi8(_mm256_cmpeq_epi16(high, Zero())) == -1;
    }
    static void StoreBytes(uint8_t* p, Vec v, bool keepFourth, Vec fourth) {
        __m128i bytes = avx2::SaturatedBytes(v);
        __m128i* at = reinterpret_cast<__m128i*>(p);
        if (keepFourth) {
            const __m128i mask = _mm_packs_epi16(avx2::Low(fourth), avx2::High(fourth));
            bytes = _mm_blendv_epi8(bytes, _mm_loadu_si128(at), mask);
        }
        _mm_storeu_si128(at, bytes);
    }
    static void StoreWords(uint8_t* p, Vec v, bool keepFourth, Vec fourth) {
        __m256i* at = reinterpret_cast<__m256i*>(p);
        if (keepFourth) v = _mm256_blendv_epi8(v, _mm256_loadu_si256(at), fourth);
        _mm256_storeu_si256(at, v);
    }
};

} // namespace

bool RunInteriorAvx2(const Job& job, int32_t sampleBytes, int32_t step) {
    return RunInterior<Avx2Lanes>(job, sampleBytes, step);
}

#else

bool RunInteriorAvx2(const Job&, int32_t, int32_t) {
    return false;
}

#endif

} // namespace sharpen_rows
