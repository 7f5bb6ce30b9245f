// Sharpness: an unsharp mask over a 4 x 4 box blur, on the interior of the image only.
#include "imaging/kernels/KernelPath.h"
#include "imaging/kernels/PixelArea.h"

#include <cstring>
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

// ---- Packed byte images (8-bit gray, 24-bit colour) in sample order ----
//
// When every byte of a pixel is a channel, the rows are runs of samples with the same channel
// kChannels samples apart, so blur, correction and clamp become plain loops over 16-bit samples
// that the compiler turns into vector code. The correction trunc(sharpness * d / 10) is formed
// as (|x| * 6554) >> 16 with the sign of x = sharpness * d, exact for |x| < 16000, which holds
// for sharpness 0..60 and |d| <= 255.

constexpr int32_t kLargestPackedSharpness = 60;

// Column sums of four rows: one row in, one row out.
void UpdateColumnSums(int16_t* sums, const uint8_t* entering, const uint8_t* leaving,
                      int32_t samples) {
    for (int32_t k = 0; k < samples; ++k)
        sums[k] = static_cast<int16_t>(sums[k] + entering[k] - (leaving ? leaving[k] : 0));
}

template <int kChannels>
void SharpenPackedRow(uint8_t* out, const uint8_t* in, const int16_t* sums, int32_t first,
                      int32_t end, int16_t sharpness) {
    for (int32_t k = first; k < end; ++k) {
        const int16_t window = static_cast<int16_t>(sums[k - 2 * kChannels] +
                                                    sums[k - kChannels] + sums[k] +
                                                    sums[k + kChannels]);
        const int16_t original = in[k];
        const int16_t x = static_cast<int16_t>(sharpness * (original - (window >> 4)));
        const uint16_t magnitude = static_cast<uint16_t>(x < 0 ? -x : x);
        const int16_t tenth = static_cast<int16_t>((uint32_t{magnitude} * 6554u) >> 16);
        const int16_t value = static_cast<int16_t>(original + (x < 0 ? -tenth : tenth));
        out[k] = static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
    }
}

template <int kChannels>
bool TrySharpenPacked(const PixelArea& a, int32_t sharpness, std::vector<int16_t>& sums) {
    if (a.srcBytes != kChannels || a.dstBytes != kChannels) return false;
    if (sharpness < 0 || sharpness > kLargestPackedSharpness) return false;
    const int32_t width = a.Width();
    const int32_t height = a.Height();
    const int32_t samples = width * kChannels;
    sums.assign(static_cast<size_t>(samples), 0);
    for (int32_t row = 0; row < 3; ++row)
        UpdateColumnSums(sums.data(), a.SrcRow(row), nullptr, samples);
    for (int32_t i = 2; i <= height - 3; ++i) {
        UpdateColumnSums(sums.data(), a.SrcRow(i + 1), i > 2 ? a.SrcRow(i - 3) : nullptr,
                         samples);
        SharpenPackedRow<kChannels>(a.DstRow(i), a.SrcRow(i), sums.data(), 2 * kChannels,
                                    (width - 2) * kChannels, static_cast<int16_t>(sharpness));
    }
    return true;
}

template <int kChannels> int SharpenBytes(const PixelArea& a, int32_t** extra1) {
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    if (a.Width() <= 4 || a.Height() <= 4) return 1;
    if (ActiveKernelPath() != KernelPath::Reference) {
        std::vector<int16_t> sums;
        if (TrySharpenPacked<kChannels>(a, block[kFilterValue], sums)) return 1;
    }
    return Sharpen<Bytes, kChannels>(a, extra1, 255);
}

// ---- Packed word images (16-bit gray, 48-bit colour) in sample order ----
//
// The same loops over samples for 16-bit channels: each row is copied into 16-bit scratch (memcpy
// keeps the loads free of alignment and aliasing assumptions), the sums are 32-bit, and the tenth
// is (|x| * 52429) >> 19, exact for |x| <= 61380, which holds for sharpness 0..60 and differences
// clamped to +-1023 (sample bits up to 10, the pipeline's).

constexpr int32_t kLargestPackedWordMaximum = 1023;

struct WordRows {
    std::vector<uint16_t> entering, leaving, original, result;
    std::vector<int32_t> sums;
};

void CopyWords(std::vector<uint16_t>& to, const uint8_t* from, int32_t samples) {
    std::memcpy(to.data(), from, static_cast<size_t>(samples) * 2);
}

void UpdateWordSums(int32_t* sums, const uint16_t* entering, const uint16_t* leaving,
                    int32_t samples) {
    for (int32_t k = 0; k < samples; ++k)
        sums[k] += entering[k] - (leaving ? leaving[k] : 0);
}

template <int kChannels>
void SharpenWordRow(uint16_t* out, const uint16_t* in, const int32_t* sums, int32_t first,
                    int32_t end, int32_t sharpness, int32_t maximum) {
    for (int32_t k = first; k < end; ++k) {
        const int32_t window =
            sums[k - 2 * kChannels] + sums[k - kChannels] + sums[k] + sums[k + kChannels];
        const int32_t original = in[k];
        const int32_t difference = std::clamp(original - (window >> 4), -maximum, maximum);
        const int32_t x = sharpness * difference;
        const uint32_t magnitude = static_cast<uint32_t>(x < 0 ? -x : x);
        const int32_t tenth = static_cast<int32_t>((magnitude * 52429u) >> 19);
        out[k] = static_cast<uint16_t>(
            std::clamp(original + (x < 0 ? -tenth : tenth), 0, maximum));
    }
}

template <int kChannels>
bool TrySharpenPackedWords(const PixelArea& a, int32_t sharpness, int32_t maximum) {
    if (a.srcBytes != 2 * kChannels || a.dstBytes != 2 * kChannels) return false;
    if (sharpness < 0 || sharpness > kLargestPackedSharpness) return false;
    if (maximum > kLargestPackedWordMaximum) return false;
    const int32_t width = a.Width();
    const int32_t height = a.Height();
    const int32_t samples = width * kChannels;
    WordRows rows;
    for (auto* row : {&rows.entering, &rows.leaving, &rows.original, &rows.result})
        row->assign(static_cast<size_t>(samples), 0);
    rows.sums.assign(static_cast<size_t>(samples), 0);
    for (int32_t row = 0; row < 3; ++row) {
        CopyWords(rows.entering, a.SrcRow(row), samples);
        UpdateWordSums(rows.sums.data(), rows.entering.data(), nullptr, samples);
    }
    const int32_t first = 2 * kChannels;
    const int32_t end = (width - 2) * kChannels;
    for (int32_t i = 2; i <= height - 3; ++i) {
        CopyWords(rows.entering, a.SrcRow(i + 1), samples);
        if (i > 2) CopyWords(rows.leaving, a.SrcRow(i - 3), samples);
        UpdateWordSums(rows.sums.data(), rows.entering.data(),
                       i > 2 ? rows.leaving.data() : nullptr, samples);
        CopyWords(rows.original, a.SrcRow(i), samples);
        SharpenWordRow<kChannels>(rows.result.data(), rows.original.data(), rows.sums.data(),
                                  first, end, sharpness, maximum);
        std::memcpy(a.DstRow(i) + first * 2, rows.result.data() + first,
                    static_cast<size_t>(end - first) * 2);
    }
    return true;
}

template <int kChannels> int SharpenWords(const PixelArea& a, int32_t** extra1) {
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    const int32_t maximum = (1 << ClampSampleBits(block[kFilterSampleBits])) - 1;
    if (a.Width() <= 4 || a.Height() <= 4) return 1;
    if (ActiveKernelPath() != KernelPath::Reference &&
        TrySharpenPackedWords<kChannels>(a, block[kFilterValue], maximum))
        return 1;
    return Sharpen<Words, kChannels>(a, extra1, maximum);
}

} // namespace

const PositionedKernel SharpenMono8 = &AsKernel<SharpenBytes<1>>;
const PositionedKernel SharpenColor8 = &AsKernel<SharpenBytes<3>>;
const PositionedKernel SharpenMono16 = &AsKernel<SharpenWords<1>>;
const PositionedKernel SharpenColor16 = &AsKernel<SharpenWords<3>>;
