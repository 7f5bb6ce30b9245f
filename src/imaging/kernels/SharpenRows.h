// The rows of the vector sharpen, written once over an instruction set's 16-bit lane operations
// `V` and built for SSE2 (SharpenSse2.cpp) and for AVX2 (SharpenAvx2.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "imaging/kernels/SharpenTwins.h"

// V provides: kLanes (16-bit lanes a vector), Vec, Zero, Set(int16), LoadBytes (kLanes bytes,
// widened), LoadWords (kLanes words), LoadSums / StoreSums (int16), Add, Sub, ShiftRight4
// (arithmetic), MulLow, MulHighUnsigned, ShiftRight3Unsigned, Min, Max, Abs, CopySign (a with
// the sign of b; a is 0 wherever b is 0 here), And, AndNot (~a & b), Or, FourthOfFour (all ones
// in every fourth lane, 3, 7, ...), AllBelow1024, and StoreBytes / StoreWords (p, v, keepFourth,
// fourthMask): the lanes stored, saturated to 0..255 for bytes, with the old values kept in the
// fourth lanes when keepFourth.
//
// Rows are runs of samples with each channel `kStep` samples apart (the pixel's samples, the
// fourth channel of 4-channel pixels included). Column sums of four rows stay in 16 bits: at
// most 4 x 255 for bytes and 4 x 1023 for words of ten bits, which the word callers check.
namespace sharpen_rows {
namespace {

// Column sums of four rows: one row in, one row out (no row out while the first rows enter).
template <class V, int kSampleBytes>
void UpdateSums(int16_t* sums, const uint8_t* entering, const uint8_t* leaving, int32_t samples) {
    int32_t k = 0;
    for (; k + V::kLanes <= samples; k += V::kLanes) {
        auto load = [](const uint8_t* p) {
            return kSampleBytes == 1 ? V::LoadBytes(p) : V::LoadWords(p);
        };
        typename V::Vec s = V::Add(V::LoadSums(sums + k), load(entering + kSampleBytes * k));
        if (leaving) s = V::Sub(s, load(leaving + kSampleBytes * k));
        V::StoreSums(sums + k, s);
    }
    for (; k < samples; ++k) {
        auto sample = [](const uint8_t* p, int32_t at) {
            if (kSampleBytes == 1) return static_cast<int32_t>(p[at]);
            return static_cast<int32_t>(p[2 * at] | (p[2 * at + 1] << 8));
        };
        int32_t s = sums[k] + sample(entering, k);
        if (leaving) s -= sample(leaving, k);
        sums[k] = static_cast<int16_t>(s);
    }
}

// One interior row, samples first..end-1: the blur of the 4 x 4 window from the sums, then the
// original plus a tenth of sharpness x (original - blur), truncated toward zero and clamped.
// Bytes: x = sharpness * d fits 16 bits for sharpness 0..60, and (|x| * 6554) >> 16 is its
// tenth. Words: d is clamped to +-maximum (at most 1023), |x| <= 61380 fits unsigned 16 bits, and
// (|x| * 52429) >> 19 is its tenth. With kStep 4 the fourth channel keeps what it had.
template <class V, int kSampleBytes, int kStep>
void SharpenRow(uint8_t* out, const uint8_t* in, const int16_t* sums, int32_t first, int32_t end,
                int32_t sharpness, int32_t maximum) {
    using Vec = typename V::Vec;
    const Vec factor = V::Set(static_cast<int16_t>(sharpness));
    const Vec top = V::Set(static_cast<int16_t>(maximum));
    const Vec bottom = V::Set(static_cast<int16_t>(-maximum));
    const Vec fourth = V::FourthOfFour();
    int32_t k = first;
    for (; k + V::kLanes <= end; k += V::kLanes) {
        const Vec window =
            V::Add(V::Add(V::LoadSums(sums + k - 2 * kStep), V::LoadSums(sums + k - kStep)),
                   V::Add(V::LoadSums(sums + k), V::LoadSums(sums + k + kStep)));
        if constexpr (kSampleBytes == 1) {
            const Vec original = V::LoadBytes(in + k);
            const Vec x = V::MulLow(V::Sub(original, V::ShiftRight4(window)), factor);
            const Vec tenth = V::MulHighUnsigned(V::Abs(x), V::Set(6554));
            Vec value = V::Add(original, V::CopySign(tenth, x));
            V::StoreBytes(out + k, value, kStep == 4, fourth);
        } else {
            const Vec original = V::LoadWords(in + 2 * k);
            const Vec d = V::Min(V::Max(V::Sub(original, V::ShiftRight4(window)), bottom), top);
            const Vec magnitude = V::MulLow(V::Abs(d), factor);
            const Vec tenth = V::ShiftRight3Unsigned(V::MulHighUnsigned(magnitude, V::Set(-13107)));
            const Vec value =
                V::Min(V::Max(V::Add(original, V::CopySign(tenth, d)), V::Zero()), top);
            V::StoreWords(out + 2 * k, value, kStep == 4, fourth);
        }
    }
    for (; k < end; ++k) {
        if (kStep == 4 && k % 4 == 3) continue;
        const int32_t window = sums[k - 2 * kStep] + sums[k - kStep] + sums[k] + sums[k + kStep];
        const int32_t original =
            kSampleBytes == 1 ? in[k] : static_cast<int32_t>(in[2 * k] | (in[2 * k + 1] << 8));
        int32_t d = original - (window >> 4);
        d = d < -maximum ? -maximum : d > maximum ? maximum : d;
        const int32_t x = sharpness * d;
        const uint32_t m = static_cast<uint32_t>(x < 0 ? -x : x);
        const int32_t tenth =
            static_cast<int32_t>(kSampleBytes == 1 ? (m * 6554u) >> 16 : (m * 52429u) >> 19);
        int32_t value = original + (x < 0 ? -tenth : tenth);
        value = value < 0 ? 0 : value > maximum ? maximum : value;
        if (kSampleBytes == 1) {
            out[k] = static_cast<uint8_t>(value);
        } else {
            out[2 * k] = static_cast<uint8_t>(value);
            out[2 * k + 1] = static_cast<uint8_t>(value >> 8);
        }
    }
}

// Blur and correction in one pass over rows 2..height-3: the blur reads only the source, so
// writing each row at once equals writing all blurs first. The column sums are carried down
// from row to row.
template <class V, int kSampleBytes, int kStep> void SharpenInterior(const Job& job) {
    const int32_t samples = job.width * kStep;
    auto srcRow = [&job](int32_t row) { return job.src + row * job.srcStride; };
    for (int32_t k = 0; k < samples; ++k)
        job.sums[k] = 0;
    for (int32_t row = 0; row < 3; ++row)
        UpdateSums<V, kSampleBytes>(job.sums, srcRow(row), nullptr, samples);
    for (int32_t i = 2; i <= job.height - 3; ++i) {
        UpdateSums<V, kSampleBytes>(job.sums, srcRow(i + 1), i > 2 ? srcRow(i - 3) : nullptr,
                                    samples);
        SharpenRow<V, kSampleBytes, kStep>(job.dst + i * job.dstStride, srcRow(i), job.sums,
                                           2 * kStep, (job.width - 2) * kStep, job.sharpness,
                                           job.maximum);
    }
}

// True when every sample of the first three channels (every sample when kStep is not 4) of the
// rows is below 1024, so that sums of four rows fit the 16-bit lanes.
template <class V, int kStep>
bool WordsFitTenBits(const uint8_t* first, int32_t samples, int32_t rows, ptrdiff_t stride) {
    using Vec = typename V::Vec;
    // The fourth channel of 4-channel pixels is not sharpened: its values do not matter.
    const Vec used = kStep == 4 ? V::AndNot(V::FourthOfFour(), V::Set(-1)) : V::Set(-1);
    Vec any = V::Zero();
    uint32_t tail = 0;
    for (int32_t r = 0; r < rows; ++r) {
        const uint8_t* row = first + r * stride;
        int32_t k = 0;
        for (; k + V::kLanes <= samples; k += V::kLanes)
            any = V::Or(any, V::And(V::LoadWords(row + 2 * k), used));
        for (; k < samples; ++k)
            if (kStep != 4 || k % 4 != 3)
                tail |= static_cast<uint32_t>(row[2 * k] | (row[2 * k + 1] << 8));
    }
    return tail < 1024 && V::AllBelow1024(any);
}

} // namespace
} // namespace sharpen_rows

namespace sharpen_rows {
namespace {

// The interior for pixels of `sampleBytes` x `step` bytes with the lanes of V; false, with
// nothing written, for other layouts and for words beyond ten bits.
template <class V> bool RunInterior(const Job& job, int32_t sampleBytes, int32_t step) {
    auto fits = [&job](auto stepConstant) {
        constexpr int kStep = decltype(stepConstant)::value;
        return WordsFitTenBits<V, kStep>(job.src, job.width * kStep, job.height, job.srcStride);
    };
    if (sampleBytes == 1) {
        switch (step) {
        case 1:
            SharpenInterior<V, 1, 1>(job);
            return true;
        case 3:
            SharpenInterior<V, 1, 3>(job);
            return true;
        case 4:
            SharpenInterior<V, 1, 4>(job);
            return true;
        default:
            return false;
        }
    }
    if (sampleBytes != 2 || job.maximum > 1023) return false;
    switch (step) {
    case 1:
        if (!fits(std::integral_constant<int, 1>{})) return false;
        SharpenInterior<V, 2, 1>(job);
        return true;
    case 3:
        if (!fits(std::integral_constant<int, 3>{})) return false;
        SharpenInterior<V, 2, 3>(job);
        return true;
    case 4:
        if (!fits(std::integral_constant<int, 4>{})) return false;
        SharpenInterior<V, 2, 4>(job);
        return true;
    default:
        return false;
    }
}

} // namespace
} // namespace sharpen_rows
