// Measurements of raw frames: region means for automatic exposure, gray gains and white balance.
#include "imaging/kernels/PixelArea.h"

#include <limits>

namespace {

template <bool kWords> uint32_t LoadSample(const uint8_t* p) {
    if constexpr (kWords) {
        return LoadWord(p);
    } else {
        return *p;
    }
}

// The rectangle is in source rows and columns, so the source is what is measured; the
// destination is never touched.
template <bool kWords> int MeanGray(const PixelArea& a, int32_t**) {
    const int32_t width = a.Width();
    const int32_t height = a.Height();
    if (width == 0 || height == 0) return 0;
    uint64_t sum = 0;
    for (int32_t i = 0; i < height; ++i) {
        const uint8_t* p = a.SrcRow(i);
        for (int32_t j = 0; j < width; ++j, p += a.srcBytes) {
            sum += kWords ? (LoadWord(p) >> 2) & 255 : *p;
        }
    }
    return static_cast<int>(sum / (static_cast<uint64_t>(width) * static_cast<uint64_t>(height)));
}

// Bayer position of a sample by parity after the phase bits: 2 * (row odd) + (column odd).
struct ParityCounts {
    uint64_t sum[4] = {};
    uint64_t count[4] = {};
};

// Sums the samples of each parity position; with kBounded only samples strictly between 0 and
// `maximum` count.
template <bool kWords, bool kBounded>
ParityCounts SumByParity(const PixelArea& a, int32_t phase, uint32_t maximum) {
    ParityCounts counts;
    const int32_t rowBit = phase & 1;
    const int32_t columnBit = (phase >> 1) & 1;
    for (int32_t i = 0; i < a.Height(); ++i) {
        const uint8_t* p = a.SrcRow(i);
        const int32_t rowCase = 2 * ((i + rowBit) & 1);
        for (int32_t j = 0; j < a.Width(); ++j, p += a.srcBytes) {
            const uint32_t v = LoadSample<kWords>(p);
            if (kBounded && (v == 0 || v >= maximum)) continue;
            const int32_t position = rowCase + ((j + columnBit) & 1);
            counts.sum[position] += v;
            ++counts.count[position];
        }
    }
    return counts;
}

// Gray gain positions by parity case: even/even G1, even/odd R1, odd/even B1, odd/odd G2.
constexpr int kGainIndex[4] = {kGrayGainG1, kGrayGainR1, kGrayGainB1, kGrayGainG2};

int MeasureGrayGainsOf(const PixelArea& a, int32_t** extra1) {
    int32_t* block = Block(extra1);
    if (!block) return 0;
    const uint32_t maximum = static_cast<uint32_t>(GrayMaximum(block[kGraySampleBits]));
    const ParityCounts counts = a.srcBytes >= 2
                                    ? SumByParity<true, true>(a, block[kGrayPhase], maximum)
                                    : SumByParity<false, true>(a, block[kGrayPhase], maximum);
    double means[4];
    double brightest = 0.0;
    for (int p = 0; p < 4; ++p) {
        if (counts.count[p] == 0) return 1; // nothing to measure: keep the gains
        means[p] = static_cast<double>(counts.sum[p]) / static_cast<double>(counts.count[p]);
        brightest = std::max(brightest, means[p]);
    }
    for (int p = 0; p < 4; ++p) {
        block[kGainIndex[p]] = static_cast<int32_t>(brightest / means[p] * 128);
    }
    return 1;
}

// Colour of each parity case in phase 0: G B / R G.
enum Colour { kGreen, kBlue, kRed };
constexpr Colour kColourOf[4] = {kGreen, kBlue, kRed, kGreen};

template <bool kWords> int MeasureWhiteBalance(const PixelArea& a, int32_t** extra1) {
    int32_t* block = Block(extra1);
    if (!block) return 0;
    const ParityCounts counts = SumByParity<kWords, false>(a, block[kBalancePhase], 0);
    uint64_t sum[3] = {};
    uint64_t count[3] = {};
    for (int p = 0; p < 4; ++p) {
        sum[kColourOf[p]] += counts.sum[p];
        count[kColourOf[p]] += counts.count[p];
    }
    for (int c = 0; c < 3; ++c) {
        if (count[c] == 0 || sum[c] == 0) return 1; // no finite gain: keep the previous ones
    }
    const double green = static_cast<double>(sum[kGreen]) / static_cast<double>(count[kGreen]);
    const double red = static_cast<double>(sum[kRed]) / static_cast<double>(count[kRed]);
    const double blue = static_cast<double>(sum[kBlue]) / static_cast<double>(count[kBlue]);
    const double total = green + red + blue;
    const double k = total / green / 3;
    constexpr int32_t kLargest = std::numeric_limits<int32_t>::max();
    block[kBalanceBlueGain] = TruncateToRange(total / blue / 3 * 100 / k, kLargest);
    block[kBalanceRedGain] = TruncateToRange(total / red / 3 * 100 / k, kLargest);
    block[kBalanceGreenGain] = 100;
    return 1;
}

} // namespace

const PositionedKernel MeanGray8 = &AsKernel<MeanGray<false>>;
const PositionedKernel MeanGray16 = &AsKernel<MeanGray<true>>;
const PositionedKernel MeasureGrayGains = &AsKernel<MeasureGrayGainsOf>;
const PositionedKernel MeasureWhiteBalance8 = &AsKernel<MeasureWhiteBalance<false>>;
const PositionedKernel MeasureWhiteBalance16 = &AsKernel<MeasureWhiteBalance<true>>;
