// Sharpness: an unsharp mask over a 4 x 4 box blur, on the interior of the image only.
#include "imaging/kernels/PixelArea.h"

#include <vector>

namespace {

struct Bytes {
    static uint32_t Load(const uint8_t* pixel, int channel) { return pixel[channel]; }
    static void Store(uint8_t* pixel, int channel, int32_t v) {
        pixel[channel] = static_cast<uint8_t>(v);
    }
};

struct Words {
    static uint32_t Load(const uint8_t* pixel, int channel) { return LoadWord(pixel + 2 * channel); }
    static void Store(uint8_t* pixel, int channel, int32_t v) {
        StoreWord(pixel + 2 * channel, static_cast<uint32_t>(v));
    }
};

// Entry i = trunc(sharpness * (i - maximum) / 10) for i = 0..2 * maximum: the correction for a
// pixel that differs from its blur by i - maximum.
std::vector<int32_t> SharpenTable(int32_t sharpness, int32_t maximum) {
    std::vector<int32_t> table(2 * static_cast<size_t>(maximum) + 2);
    for (int64_t i = 0; i <= 2 * static_cast<int64_t>(maximum); ++i) {
        const int64_t entry = sharpness * (i - maximum) / 10;
        table[static_cast<size_t>(i)] =
            static_cast<int32_t>(std::clamp<int64_t>(entry, INT32_MIN, INT32_MAX));
    }
    return table;
}

// The blur of pixel (i, j) is the mean of source rows i-2..i+1 and columns j-2..j+1, truncated.
// Blur and correction are formed in one pass: the blur reads only the source, so writing each
// result at once equals writing all blurs first. Column sums of the four rows slide along the
// row so that each pixel costs a handful of adds.
template <class F, int kChannels>
int Sharpen(const PixelArea& a, int32_t** extra1, int32_t maximum) {
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    const int32_t width = a.Width();
    const int32_t height = a.Height();
    if (width <= 4 || height <= 4) return 1;
    const std::vector<int32_t> table = SharpenTable(block[kFilterValue], maximum);
    const int64_t lastIndex = 2 * static_cast<int64_t>(maximum);
    std::vector<int32_t> columnSums(static_cast<size_t>(width) * kChannels);
    for (int32_t i = 2; i <= height - 3; ++i) {
        const uint8_t* rows[4] = {a.SrcRow(i - 2), a.SrcRow(i - 1), a.SrcRow(i), a.SrcRow(i + 1)};
        for (int32_t j = 0; j < width; ++j) {
            for (int c = 0; c < kChannels; ++c) {
                uint32_t sum = 0;
                for (const uint8_t* row : rows) sum += F::Load(row + j * a.srcBytes, c);
                columnSums[static_cast<size_t>(j) * kChannels + c] = static_cast<int32_t>(sum);
            }
        }
        const uint8_t* in = rows[2];
        uint8_t* out = a.DstRow(i);
        for (int32_t j = 2; j <= width - 3; ++j) {
            for (int c = 0; c < kChannels; ++c) {
                const int32_t* sums = &columnSums[static_cast<size_t>(j - 2) * kChannels + c];
                const int32_t blur =
                    (sums[0] + sums[kChannels] + sums[2 * kChannels] + sums[3 * kChannels]) >> 4;
                const int32_t original = static_cast<int32_t>(F::Load(in + j * a.srcBytes, c));
                const int64_t index =
                    std::clamp<int64_t>(int64_t{maximum} + original - blur, 0, lastIndex);
                F::Store(out + j * a.dstBytes, c,
                         ClampToRange(int64_t{original} + table[static_cast<size_t>(index)],
                                      maximum));
            }
        }
    }
    return 1;
}

template <int kChannels> int SharpenBytes(const PixelArea& a, int32_t** extra1) {
    return Sharpen<Bytes, kChannels>(a, extra1, 255);
}

template <int kChannels> int SharpenWords(const PixelArea& a, int32_t** extra1) {
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    return Sharpen<Words, kChannels>(a, extra1,
                                     (1 << ClampSampleBits(block[kFilterSampleBits])) - 1);
}

} // namespace

const PositionedKernel SharpenMono8 = &AsKernel<SharpenBytes<1>>;
const PositionedKernel SharpenColor8 = &AsKernel<SharpenBytes<3>>;
const PositionedKernel SharpenMono16 = &AsKernel<SharpenWords<1>>;
const PositionedKernel SharpenColor16 = &AsKernel<SharpenWords<3>>;
