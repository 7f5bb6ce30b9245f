// Contrast and gamma: a look-up table per call, built in double precision, one look-up a channel.
#include "imaging/kernels/PixelArea.h"

#include <cmath>
#include <vector>

namespace {

// ---- Tables ----

// 8-bit contrast: K > 0 stretches [K, 255 - K] onto [0, 255], K < 0 compresses the range.
void BuildContrast8(int32_t value, uint16_t* table) {
    const int64_t k = value;
    for (int64_t i = 0; i < 256; ++i) {
        if (k >= 128) {
            table[i] = 0;
        } else if (i < k) {
            table[i] = 0;
        } else if (i > 255 - k) {
            table[i] = 255;
        } else {
            const double stretch = 256.0 / static_cast<double>(256 - 2 * k);
            table[i] =
                static_cast<uint16_t>(TruncateToRange(stretch * static_cast<double>(i - k), 255));
        }
    }
}

// 16-bit contrast over A = 2^bits entries, with the shift scaled from the 8-bit value.
void BuildContrast16(int32_t value, int32_t bits, WordTable& table) {
    const int64_t size = int64_t{1} << bits;
    const int64_t shift = static_cast<int64_t>(value) * (int64_t{1} << (bits - 8));
    const bool usable = shift <= (int64_t{1} << (bits - 1)) - 1;
    for (int64_t i = 0; i < size; ++i) {
        uint16_t entry = 0;
        if (!usable) {
            entry = 0;
        } else if (i < shift) {
            entry = 0;
        } else if (i > size - shift - 1) {
            entry = static_cast<uint16_t>(size - 1);
        } else {
            const double stretch =
                static_cast<double>(size) / static_cast<double>(size - 2 * shift);
            entry = static_cast<uint16_t>(TruncateToRange(stretch * static_cast<double>(i - shift),
                                                          static_cast<int32_t>(size - 1)));
        }
        table[static_cast<size_t>(i)] = entry;
    }
}

// 50 gives 0.5, 100 gives 1, 110 gives 2, 200 gives 11.
double GammaExponent(int32_t value) {
    if (value <= 100) return value / 100.0;
    return (value - 100) / 10.0 + 1.0;
}

// 8-bit gamma: trunc(pow(i / 255, e) * 255).
void BuildGamma8(double exponent, uint16_t* table) {
    for (int32_t i = 0; i < 256; ++i) {
        table[i] = static_cast<uint16_t>(TruncateToRange(std::pow(i / 255.0, exponent) * 255, 255));
    }
}

// 16-bit gamma: the input is divided by A = 2^bits, the output scaled to A - 1.
void BuildGamma16(double exponent, int32_t bits, WordTable& table) {
    const int32_t size = 1 << bits;
    for (int32_t i = 0; i < size; ++i) {
        const double v = std::pow(static_cast<double>(i) / size, exponent) * (size - 1);
        table[static_cast<size_t>(i)] = static_cast<uint16_t>(TruncateToRange(v, size - 1));
    }
}

// ---- Application ----

template <int kChannels> void MapBytes(const PixelArea& a, const uint16_t* table) {
    ForEachPixel(a, [table](uint8_t* out, const uint8_t* in) {
        for (int c = 0; c < kChannels; ++c)
            out[c] = static_cast<uint8_t>(table[in[c]]);
    });
}

// Values of A or more, which the table does not cover, become A - 1.
template <int kChannels> void MapWords(const PixelArea& a, const WordTable& table) {
    const uint32_t size = static_cast<uint32_t>(table.size());
    const uint16_t* entries = table.data();
    ForEachPixel(a, [=](uint8_t* out, const uint8_t* in) {
        for (int c = 0; c < kChannels; ++c) {
            const uint32_t v = LoadWord(in + 2 * c);
            StoreWord(out + 2 * c, v < size ? entries[v] : size - 1);
        }
    });
}

// The filter block's table, made by `build` from the block's value, mapped over the area; 0
// without a block.
template <int kChannels, class Build>
int MapBytesBy(const PixelArea& a, int32_t** extra1, Build build) {
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    uint16_t table[256];
    build(block[kFilterValue], table);
    MapBytes<kChannels>(a, table);
    return 1;
}

// The same for words, whose table covers the block's sample bits.
template <int kChannels, class Build>
int MapWordsBy(const PixelArea& a, int32_t** extra1, Build build) {
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    const int32_t bits = ClampSampleBits(block[kFilterSampleBits]);
    WordTable table(bits);
    build(block[kFilterValue], bits, table);
    MapWords<kChannels>(a, table);
    return 1;
}

template <int kChannels> int ContrastBytes(const PixelArea& a, int32_t** extra1) {
    return MapBytesBy<kChannels>(a, extra1, BuildContrast8);
}

template <int kChannels> int ContrastWords(const PixelArea& a, int32_t** extra1) {
    return MapWordsBy<kChannels>(a, extra1, BuildContrast16);
}

// Only the colour member of the 8-bit pair keeps the exponent inside 0.001..99.999, so that
// gamma 0 leaves black black there while the mono member makes every value white.
template <int kChannels, bool kLimitExponent> int GammaBytes(const PixelArea& a, int32_t** extra1) {
    return MapBytesBy<kChannels>(a, extra1, [](int32_t value, uint16_t* table) {
        double exponent = GammaExponent(value);
        if (kLimitExponent) exponent = std::clamp(exponent, 0.001, 99.999);
        BuildGamma8(exponent, table);
    });
}

template <int kChannels> int GammaWords(const PixelArea& a, int32_t** extra1) {
    return MapWordsBy<kChannels>(a, extra1, [](int32_t value, int32_t bits, WordTable& table) {
        BuildGamma16(GammaExponent(value), bits, table);
    });
}

} // namespace

const PositionedKernel ContrastMono8 = &AsKernel<ContrastBytes<1>>;
const PositionedKernel ContrastColor8 = &AsKernel<ContrastBytes<3>>;
const PositionedKernel ContrastMono16 = &AsKernel<ContrastWords<1>>;
const PositionedKernel ContrastColor16 = &AsKernel<ContrastWords<3>>;
const PositionedKernel GammaMono8 = &AsKernel<GammaBytes<1, false>>;
const PositionedKernel GammaColor8 = &AsKernel<GammaBytes<3, true>>;
const PositionedKernel GammaMono16 = &AsKernel<GammaWords<1>>;
const PositionedKernel GammaColor16 = &AsKernel<GammaWords<3>>;
