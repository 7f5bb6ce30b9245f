// Gray processing of monochrome frames: per-Bayer-position gains and offsets, and colour to gray.
#include "imaging/kernels/KernelTwins.h"
#include "imaging/kernels/PixelArea.h"

namespace {

// Gain and offset indexes of the block by parity case: even/even G1, even/odd R1, odd/even B1,
// odd/odd G2.
constexpr int kGainOf[4] = {kGrayGainG1, kGrayGainR1, kGrayGainB1, kGrayGainG2};
constexpr int kOffsetOf[4] = {kGrayOffsetG1, kGrayOffsetR1, kGrayOffsetB1, kGrayOffsetG2};

// offset + gain * v / 128, the division truncating toward zero, limited to 0..maximum. The
// product is formed in 64 bits: measured gains are not limited to the setter's range.
inline int32_t GainSample(int64_t v, int64_t gain, int64_t offset, int32_t maximum) {
    return ClampToRange(offset + gain * v / 128, maximum);
}

// The gain and offset of the even and of the odd columns of row i.
gray::RowGains GainsOfRow(const int32_t* block, const BayerParity& parity, int32_t i) {
    gray::RowGains r{};
    for (int c = 0; c < 2; ++c) {
        const int p = parity.RowCase(i) + parity.ColumnCase(c);
        r.gain[c] = block[kGainOf[p]];
        r.offset[c] = block[kOffsetOf[p]];
    }
    return r;
}

// The settings' range: gains 0..255, offsets -255..255. There gain * v / 128 never needs the
// truncation toward zero of a negative product, and every value fits the vector lanes.
bool GainsInSetterRange(const int32_t* block) {
    for (int p = 0; p < 4; ++p) {
        if (block[kGainOf[p]] < 0 || block[kGainOf[p]] > 255) return false;
        if (block[kOffsetOf[p]] < -255 || block[kOffsetOf[p]] > 255) return false;
    }
    return true;
}

// The vector rows of the path, where they cover packed samples with gains and offsets in the
// setters' range; false, with nothing written, otherwise.
bool TryGainRows(const PixelArea& area, const int32_t* block, int32_t sampleBytes,
                 int32_t maximum) {
    const GrayGainsTwins& twins = Twins().grayGains;
    if (!twins.bytesRow || !twins.wordsRow) return false;
    if (area.srcBytes != sampleBytes || area.dstBytes != sampleBytes) return false;
    if (!GainsInSetterRange(block) || maximum > 32767) return false;
    if (!BatchedReadsAreSafe(area, sampleBytes)) return false;
    const BayerParity parity(block[kGrayPhase]);
    const int32_t width = area.Width();
    for (int32_t i = 0; i < area.Height(); ++i) {
        const uint8_t* in = area.SrcRow(i);
        uint8_t* out = area.DstRow(i);
        const gray::RowGains r = GainsOfRow(block, parity, i);
        // Each row starts at an even column, so the lanes' alternation matches the columns.
        const int32_t done = sampleBytes == 1 ? twins.bytesRow(out, in, width, r)
                                              : twins.wordsRow(out, in, width, r, maximum);
        for (int32_t j = done; j < width; ++j) {
            const int32_t v = static_cast<int32_t>(sampleBytes == 1 ? in[j] : LoadWord(in + 2 * j));
            const int32_t result = ClampToRange(r.offset[j & 1] + r.gain[j & 1] * v / 128, maximum);
            if (sampleBytes == 1)
                out[j] = static_cast<uint8_t>(result);
            else
                StoreWord(out + 2 * j, static_cast<uint32_t>(result));
        }
    }
    return true;
}

// 8-bit samples: one table of 256 results per Bayer position, built once per call.
int GrayGainsBytes(const PixelArea& a, int32_t** extra1) {
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    if (TryGainRows(a, block, 1, 255)) return 1;
    uint8_t tables[4][256];
    for (int p = 0; p < 4; ++p) {
        for (int32_t v = 0; v < 256; ++v) {
            tables[p][v] =
                static_cast<uint8_t>(GainSample(v, block[kGainOf[p]], block[kOffsetOf[p]], 255));
        }
    }
    const BayerParity parity(block[kGrayPhase]);
    const PixelArea area = a; // a local copy: the byte stores below cannot alias it
    for (int32_t i = 0; i < area.Height(); ++i) {
        const uint8_t* in = area.SrcRow(i);
        uint8_t* out = area.DstRow(i);
        const uint8_t* even = tables[parity.RowCase(i) + parity.ColumnCase(0)];
        const uint8_t* odd = tables[parity.RowCase(i) + parity.ColumnCase(1)];
        for (int32_t j = 0; j < area.Width(); ++j, in += area.srcBytes, out += area.dstBytes) {
            *out = (j & 1 ? odd : even)[*in];
        }
    }
    return 1;
}

// Words are clamped to the sample bits 10, 12 and 14 and to the whole word otherwise: 8 sample
// bits say nothing about a word's range, so 255 would cut off valid samples.
int32_t WordMaximum(int32_t bits) {
    return bits == 8 ? 65535 : GrayMaximum(bits);
}

int GrayGainsWords(const PixelArea& a, int32_t** extra1) {
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    const int32_t maximum = WordMaximum(block[kGraySampleBits]);
    if (TryGainRows(a, block, 2, maximum)) return 1;
    const BayerParity parity(block[kGrayPhase]);
    const PixelArea area = a;
    for (int32_t i = 0; i < area.Height(); ++i) {
        const uint8_t* in = area.SrcRow(i);
        uint8_t* out = area.DstRow(i);
        int64_t gain[2];
        int64_t offset[2];
        for (int c = 0; c < 2; ++c) {
            const int p = parity.RowCase(i) + parity.ColumnCase(c);
            gain[c] = block[kGainOf[p]];
            offset[c] = block[kOffsetOf[p]];
        }
        for (int32_t j = 0; j < area.Width(); ++j, in += area.srcBytes, out += area.dstBytes) {
            StoreWord(out, static_cast<uint32_t>(
                               GainSample(LoadWord(in), gain[j & 1], offset[j & 1], maximum)));
        }
    }
    return 1;
}

// Luma with weights 30, 59, 11 in hundredths; red is the third byte of the pixel.
inline uint8_t GrayOf(const uint8_t* pixel) {
    return static_cast<uint8_t>((pixel[2] * 30 + pixel[1] * 59 + pixel[0] * 11) / 100);
}

// The vector rows of the path for 24-bit pixels into bytes, the rest of each row here; false,
// with nothing written, where they do not apply.
bool TryGrayRows(const PixelArea& a) {
    const auto fromColorRow = Twins().grayGains.fromColorRow;
    if (!fromColorRow || a.srcBytes != 3 || a.dstBytes != 1) return false;
    if (!BatchedReadsAreSafe(a, 3)) return false;
    for (int32_t i = 0; i < a.Height(); ++i) {
        const uint8_t* in = a.SrcRow(i);
        uint8_t* out = a.DstRow(i);
        for (int32_t j = fromColorRow(out, in, a.Width()); j < a.Width(); ++j)
            out[j] = GrayOf(in + 3 * j);
    }
    return true;
}

int GrayOfColour(const PixelArea& a, int32_t**) {
    if (TryGrayRows(a)) return 1;
    ForEachPixel(a, [](uint8_t* out, const uint8_t* in) {
        *out = static_cast<uint8_t>((in[2] * 30 + in[1] * 59 + in[0] * 11) / 100);
    });
    return 1;
}

} // namespace

const PositionedKernel GrayGains8 = &AsKernel<GrayGainsBytes>;
const PositionedKernel GrayGains16 = &AsKernel<GrayGainsWords>;
const PositionedKernel GrayFromColor = &AsKernel<GrayOfColour>;
