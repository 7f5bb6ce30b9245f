// Sharpness: an unsharp mask over a 4 x 4 box blur, on the interior of the image only.
#include "imaging/kernels/KernelTwins.h"
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
    static uint32_t Load(const uint8_t* pixel, int channel) {
        return LoadWord(pixel + 2 * channel);
    }
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
// result at once equals writing all blurs first. Per column the sum of the four rows is carried
// down from row to row (one row in, one out), and along the row a window of four such sums.
template <class F, int kChannels>
int Sharpen(const PixelArea& area, int32_t** extra1, int32_t maximum) {
    const PixelArea a = area; // a local copy: the stores below cannot alias it
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    const int32_t width = a.Width();
    const int32_t height = a.Height();
    if (width <= 4 || height <= 4) return 1;
    const std::vector<int32_t> table = SharpenTable(block[kFilterValue], maximum);
    const int32_t* correction = table.data() + maximum; // indexed by original - blur
    const size_t samples = static_cast<size_t>(width) * kChannels;
    std::vector<int32_t> columnSumsStore(samples, 0);
    int32_t* const columnSums = columnSumsStore.data();
    const ptrdiff_t srcBytes = a.srcBytes;
    const ptrdiff_t dstBytes = a.dstBytes;
    auto addRow = [&](int32_t row, int32_t sign) {
        const uint8_t* p = a.SrcRow(row);
        int32_t* sums = columnSums;
        for (int32_t j = 0; j < width; ++j, p += srcBytes, sums += kChannels)
            for (int c = 0; c < kChannels; ++c)
                sums[c] += sign * static_cast<int32_t>(F::Load(p, c));
    };
    for (int32_t row = 0; row < 3; ++row)
        addRow(row, 1);
    for (int32_t i = 2; i <= height - 3; ++i) {
        addRow(i + 1, 1);
        if (i > 2) addRow(i - 3, -1);
        const uint8_t* in = a.SrcRow(i) + 2 * srcBytes;
        uint8_t* out = a.DstRow(i) + 2 * dstBytes;
        int32_t window[kChannels];
        for (int c = 0; c < kChannels; ++c)
            window[c] = columnSums[c] + columnSums[kChannels + c] + columnSums[2 * kChannels + c];
        const int32_t* entering = columnSums + 3 * kChannels; // column j + 1
        const int32_t* leaving = columnSums;                  // column j - 2
        for (int32_t j = 2; j <= width - 3; ++j, in += srcBytes, out += dstBytes) {
            for (int c = 0; c < kChannels; ++c) {
                window[c] += entering[c];
                const int32_t blur = window[c] >> 4;
                window[c] -= leaving[c];
                const int32_t original = static_cast<int32_t>(F::Load(in, c));
                // Samples beyond the sample bits (not made by the pipeline) stay inside the table.
                const int32_t difference = std::clamp(original - blur, -maximum, maximum);
                F::Store(out, c, ClampToRange(int64_t{original} + correction[difference], maximum));
            }
            entering += kChannels;
            leaving += kChannels;
        }
    }
    return 1;
}

// The column sums of one call. Rows of the camera's width and far beyond fit on the stack, so
// the frame path allocates nothing and every thread that runs a kernel has sums of its own.
constexpr int32_t kStackSums = 8192;

// Runs the vector interior of the path when it has one that covers the layout and settings;
// false, with nothing written, otherwise.
template <int kSampleBytes>
bool TrySharpenVector(const PixelArea& a, int32_t sharpness, int32_t maximum) {
    const auto interior = Twins().sharpen.interior;
    if (!interior || a.srcBytes != a.dstBytes) return false;
    // Beyond 60 the products of the byte lanes leave 16 bits; the setter stops at 30.
    if (sharpness < 0 || sharpness > 60) return false;
    const int32_t step = static_cast<int32_t>(a.srcBytes) / kSampleBytes;
    if (step * kSampleBytes != a.srcBytes) return false;
    const int32_t samples = a.Width() * step;
    int16_t stackSums[kStackSums];
    std::vector<int16_t> heapSums;
    if (samples > kStackSums) heapSums.resize(static_cast<size_t>(samples));
    const sharpen_rows::Job job{
        a.DstRow(0), a.SrcRow(0), a.Width(),
        a.Height(),  a.dstStride, a.srcStride,
        sharpness,   maximum,     samples > kStackSums ? heapSums.data() : stackSums};
    return interior(job, kSampleBytes, step);
}

template <int kChannels> int SharpenBytes(const PixelArea& a, int32_t** extra1) {
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    if (a.Width() <= 4 || a.Height() <= 4) return 1;
    if (TrySharpenVector<1>(a, block[kFilterValue], 255)) return 1;
    return Sharpen<Bytes, kChannels>(a, extra1, 255);
}

template <int kChannels> int SharpenWords(const PixelArea& a, int32_t** extra1) {
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    const int32_t maximum = (1 << ClampSampleBits(block[kFilterSampleBits])) - 1;
    if (a.Width() <= 4 || a.Height() <= 4) return 1;
    if (TrySharpenVector<2>(a, block[kFilterValue], maximum)) return 1;
    return Sharpen<Words, kChannels>(a, extra1, maximum);
}

} // namespace

const PositionedKernel SharpenMono8 = &AsKernel<SharpenBytes<1>>;
const PositionedKernel SharpenColor8 = &AsKernel<SharpenBytes<3>>;
const PositionedKernel SharpenMono16 = &AsKernel<SharpenWords<1>>;
const PositionedKernel SharpenColor16 = &AsKernel<SharpenWords<3>>;
