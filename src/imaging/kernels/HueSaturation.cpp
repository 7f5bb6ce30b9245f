// Hue rotation and saturation scaling in an integer hue-sector model, without per-pixel division.
#include "imaging/kernels/HueModel.h"
#include "imaging/kernels/KernelTwins.h"
#include "imaging/kernels/PixelArea.h"

#include <array>
#include <cstdint>

namespace {

using hue::HueShift;
using hue::kReciprocal;
using hue::MakeHueShift;

// Packed colours hold red in bits 16..23, green in 8..15 and blue in 0..7. One sector spans 60
// degrees, 255 units.

// Entry k: all three bytes k.
constexpr std::array<int32_t, 256> kGrayWord = [] {
    std::array<int32_t, 256> t{};
    for (int32_t k = 0; k < 256; ++k)
        t[static_cast<size_t>(k)] = k * 0x010101;
    return t;
}();

// Per sector: the channels at full chroma, and the multiplier that moves the ramp channel.
// Sectors 6..11 repeat 0..5 so that base + whole sectors + 1 needs no wrap.
constexpr int32_t kSectorMask[12] = {0xFF00FF, 0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF,
                                     0xFF00FF, 0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF};
constexpr int32_t kSectorRamp[12] = {-1, 256, -65536, 1, -256, 65536,
                                     -1, 256, -65536, 1, -256, 65536};

// The tables a call works with. The chroma table depends on the saturation and is built on the
// caller's stack for every call (256 multiplies): cameras running at once share nothing that
// changes, so they need no lock, and the values are those of a shared table rebuilt on change.
struct HueTables {
    HueShift shift;
    int32_t chroma[256];

    HueTables(int32_t degrees, int32_t saturation) : shift(MakeHueShift(degrees)) {
        // Outside -255..255 the factor would leave the table's range.
        const int32_t factor = (std::clamp(saturation, -255, 255) + 256) * 256;
        for (int32_t k = 0; k < 256; ++k)
            chroma[k] = (factor * k + 32768) >> 16;
    }
};

// All ones when the condition holds, else 0: the choices below are made with masks, because
// which channel is largest changes from pixel to pixel and would defeat branch prediction.
inline int32_t MaskIf(bool condition) {
    return -static_cast<int32_t>(condition);
}
inline int32_t Choose(int32_t mask, int32_t ifSet, int32_t otherwise) {
    return otherwise ^ ((ifSet ^ otherwise) & mask);
}

// One pixel of 8-bit channels; returns the packed result.
inline int32_t ShiftPixel(int32_t blue, int32_t green, int32_t red, const HueTables& t) {
    // Largest and smallest channel, the sector they start in and the position within it.
    const int32_t redOverGreen = MaskIf(red >= green);
    int32_t maximum = Choose(redOverGreen, red, green);
    int32_t minimum = Choose(redOverGreen, green, red);
    int32_t base = Choose(redOverGreen, 1, 3);
    int32_t position = Choose(redOverGreen, green - blue, blue - red);
    const int32_t blueLargest = MaskIf(blue > maximum);
    maximum = Choose(blueLargest, blue, maximum);
    base = Choose(blueLargest, 5, base);
    position = Choose(blueLargest, red - green, position);
    minimum = std::min(minimum, blue);
    const int32_t chroma = maximum - minimum;
    const int32_t previousSector = position < 0 ? 1 : 0;
    base -= previousSector;
    position += previousSector * chroma;

    // The lightness sum stays; the chroma follows the saturation as far as that sum allows.
    const int32_t lightness = maximum + minimum;
    const int32_t allowed = std::min(lightness, 511 - lightness);
    const int32_t newChroma = std::min(t.chroma[chroma], allowed);
    const int32_t newMinimum = (lightness - newChroma) >> 1;
    const int32_t span = ((lightness + newChroma) >> 1) - newMinimum;

    // Rebuilt from the new minimum and the span over the shifted sector. A gray pixel (chroma 0)
    // has span 0, so the ramp adds nothing and it stays gray.
    int32_t f =
        ((position * kReciprocal[static_cast<size_t>(chroma)] + 32768) >> 16) + t.shift.remainder;
    int32_t sector = base + t.shift.sectors;
    const int32_t nextSector = f >= 255 ? 1 : 0;
    f -= 255 * nextSector;
    sector += nextSector;
    return kGrayWord[static_cast<size_t>(newMinimum)] +
           (kGrayWord[static_cast<size_t>(span)] & kSectorMask[sector]) +
           ((span * f + 128) >> 8) * kSectorRamp[sector];
}

// The vector twins of the path, which give the same pixels; false when there are none or they
// leave the area to the reference.
bool TryTwins(const PixelArea& a, const int32_t* block, bool words) {
    const HueSaturationTwins& twins = Twins().hueSaturation;
    return twins.area && twins.area(a, block, words, twins.groups);
}

int HueSaturationBytes(const PixelArea& a, int32_t** extra1) {
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    if (TryTwins(a, block, false)) return 1;
    const HueTables tables(block[kHueDegrees], block[kHueSaturation]);
    ForEachPixel(a, [&tables](uint8_t* out, const uint8_t* in) {
        const int32_t packed = ShiftPixel(in[0], in[1], in[2], tables);
        out[0] = static_cast<uint8_t>(packed);
        out[1] = static_cast<uint8_t>(packed >> 8);
        out[2] = static_cast<uint8_t>(packed >> 16);
    });
    return 1;
}

// The same model on 8-bit values: channels go down by (bits - 8) and the results back up, so the
// low bits of the output are clear. Values beyond the sample bits count as the maximum.
int HueSaturationWords(const PixelArea& a, int32_t** extra1) {
    const int32_t* block = Block(extra1);
    if (!block) return 0;
    if (TryTwins(a, block, true)) return 1;
    const HueTables tables(block[kHueDegrees], block[kHueSaturation]);
    const int32_t shift = ClampSampleBits(block[kHueSampleBits]) - 8;
    auto down = [shift](const uint8_t* p) {
        return std::min(static_cast<int32_t>(LoadWord(p) >> shift), 255);
    };
    ForEachPixel(a, [&tables, shift, down](uint8_t* out, const uint8_t* in) {
        const int32_t packed = ShiftPixel(down(in), down(in + 2), down(in + 4), tables);
        StoreWord(out, static_cast<uint32_t>(packed & 255) << shift);
        StoreWord(out + 2, static_cast<uint32_t>((packed >> 8) & 255) << shift);
        StoreWord(out + 4, static_cast<uint32_t>((packed >> 16) & 255) << shift);
    });
    return 1;
}

} // namespace

const PositionedKernel HueSaturation8 = &AsKernel<HueSaturationBytes>;
const PositionedKernel HueSaturation16 = &AsKernel<HueSaturationWords>;
