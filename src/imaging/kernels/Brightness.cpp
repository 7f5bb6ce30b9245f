// Brightness: every channel multiplied by one single-precision factor, truncated and clamped.
#include "imaging/kernels/PixelArea.h"

#include <vector>

namespace {

// Below 0 the value darkens in steps of 1/255 down to black at -255; above 0 it brightens in
// steps of 10/255 up to eleven times at +255. Computed in double, used in single precision.
float BrightnessFactor(int32_t value) {
    double factor = 1.0;
    if (value < 0) {
        factor = 1.0 - static_cast<double>(-static_cast<int64_t>(value)) * 0.00392156862745098;
    } else if (value >= 1) {
        factor = 1.0 + value * 0.0392156862745098;
    }
    return static_cast<float>(factor);
}

// trunc(v * factor) in single precision, clamped to 0..maximum.
inline int32_t Brighten(uint32_t v, float factor, int32_t maximum) {
    const float product = static_cast<float>(v) * factor;
    if (!(product > 0.0f)) return 0;
    if (product >= static_cast<float>(maximum)) return maximum;
    return static_cast<int32_t>(product);
}

// 8-bit channels: the 256 possible results are computed once per call.
template <int kChannels> int BrightnessBytes(const PixelArea& a, int32_t** extra1) {
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    const float factor = BrightnessFactor(block[kFilterValue]);
    uint8_t table[256];
    for (uint32_t v = 0; v < 256; ++v)
        table[v] = static_cast<uint8_t>(Brighten(v, factor, 255));
    ForEachPixel(a, [&table](uint8_t* out, const uint8_t* in) {
        for (int c = 0; c < kChannels; ++c)
            out[c] = table[in[c]];
    });
    return 1;
}

// 16-bit channels: the results for 0..2^bits - 1 come from a table built once per call; values
// beyond the sample bits, which the pipeline does not produce, are computed directly.
template <int kChannels> int BrightnessWords(const PixelArea& a, int32_t** extra1) {
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    const float factor = BrightnessFactor(block[kFilterValue]);
    const int32_t bits = ClampSampleBits(block[kFilterSampleBits]);
    const uint32_t size = uint32_t{1} << bits;
    const int32_t maximum = static_cast<int32_t>(size - 1);
    WordTable table(bits);
    for (uint32_t v = 0; v < size; ++v)
        table[v] = static_cast<uint16_t>(Brighten(v, factor, maximum));
    const uint16_t* entries = table.data();
    ForEachPixel(a, [=](uint8_t* out, const uint8_t* in) {
        for (int c = 0; c < kChannels; ++c) {
            const uint32_t v = LoadWord(in + 2 * c);
            StoreWord(out + 2 * c,
                      v < size ? entries[v] : static_cast<uint32_t>(Brighten(v, factor, maximum)));
        }
    });
    return 1;
}

} // namespace

const PositionedKernel BrightnessMono8 = &AsKernel<BrightnessBytes<1>>;
const PositionedKernel BrightnessColor8 = &AsKernel<BrightnessBytes<3>>;
const PositionedKernel BrightnessMono16 = &AsKernel<BrightnessWords<1>>;
const PositionedKernel BrightnessColor16 = &AsKernel<BrightnessWords<3>>;
