// Fuzzes every positioned kernel the way the image buffer runs it (clipped by ClipToBuffers, into
// another buffer or in place) and the scaling kernels, on buffers sized to their last byte, with
// random sizes, strides, rectangles, positions, pixels and settings within their ranges.
#include "imaging/kernels/Kernels.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

enum class Block { None, Demosaic, Gray, WhiteBalance, Brightness, Contrast, Gamma, Sharpen, Hue };

struct KernelCase {
    PositionedKernel kernel;
    int dstBits;
    int srcBits;
    Block block;
    bool inPlaceOnly; // run by the SDK on one buffer only
};

const std::array kCases = {
    KernelCase{Restride8, 8, 8, Block::None, true},
    KernelCase{Restride16, 16, 16, Block::None, true},
    KernelCase{DemosaicInner8, 24, 8, Block::Demosaic, false},
    KernelCase{DemosaicEdge8, 32, 8, Block::Demosaic, false},
    KernelCase{DemosaicInner16, 48, 16, Block::Demosaic, false},
    KernelCase{DemosaicEdge16, 64, 16, Block::Demosaic, false},
    KernelCase{MeanGray8, 8, 8, Block::None, false},
    KernelCase{MeanGray16, 16, 16, Block::None, false},
    KernelCase{MeasureGrayGains, 8, 8, Block::Gray, true},
    KernelCase{MeasureGrayGains, 16, 16, Block::Gray, true},
    KernelCase{MeasureWhiteBalance8, 8, 8, Block::WhiteBalance, true},
    KernelCase{MeasureWhiteBalance16, 16, 16, Block::WhiteBalance, true},
    KernelCase{Mono10To8, 8, 16, Block::None, false},
    KernelCase{Mono10To8Flip, 8, 16, Block::None, false},
    KernelCase{Mono12To8Flip, 8, 16, Block::None, false},
    KernelCase{Mono12To16, 16, 16, Block::None, false},
    KernelCase{Mono10To16, 16, 16, Block::None, false},
    KernelCase{Color10To8, 24, 64, Block::None, false},
    KernelCase{Color10To8, 24, 48, Block::None, false},
    KernelCase{Color10To8Flip, 24, 48, Block::None, false},
    KernelCase{Color32To24, 24, 32, Block::None, false},
    KernelCase{Color24Flip, 24, 32, Block::None, false},
    KernelCase{Color24Swap, 24, 24, Block::None, false},
    KernelCase{Color32Alpha, 32, 32, Block::None, false},
    KernelCase{Color12To16, 48, 48, Block::None, false},
    KernelCase{Color12To16Swap, 48, 64, Block::None, false},
    KernelCase{Color10To16, 48, 48, Block::None, false},
    KernelCase{Color10To16Swap, 48, 48, Block::None, false},
    KernelCase{Color12To16Alpha, 64, 48, Block::None, false},
    KernelCase{Color12To16SwapAlpha, 64, 64, Block::None, false},
    KernelCase{Color10To16Alpha, 64, 48, Block::None, false},
    KernelCase{Color10To16SwapAlpha, 64, 48, Block::None, false},
    KernelCase{RowsFlip, 24, 24, Block::None, false},
    KernelCase{GrayGains8, 8, 8, Block::Gray, false},
    KernelCase{GrayGains16, 16, 16, Block::Gray, false},
    KernelCase{GrayFromColor, 8, 24, Block::None, false},
    KernelCase{BrightnessMono8, 8, 8, Block::Brightness, false},
    KernelCase{BrightnessColor8, 32, 32, Block::Brightness, false},
    KernelCase{BrightnessMono16, 16, 16, Block::Brightness, false},
    KernelCase{BrightnessColor16, 48, 48, Block::Brightness, false},
    KernelCase{ContrastMono8, 8, 8, Block::Contrast, false},
    KernelCase{ContrastColor8, 24, 24, Block::Contrast, false},
    KernelCase{ContrastMono16, 16, 16, Block::Contrast, false},
    KernelCase{ContrastColor16, 64, 64, Block::Contrast, false},
    KernelCase{GammaMono8, 8, 8, Block::Gamma, false},
    KernelCase{GammaColor8, 32, 32, Block::Gamma, false},
    KernelCase{GammaMono16, 16, 16, Block::Gamma, false},
    KernelCase{GammaColor16, 48, 48, Block::Gamma, false},
    KernelCase{HueSaturation8, 24, 24, Block::Hue, false},
    KernelCase{HueSaturation8, 32, 32, Block::Hue, false},
    KernelCase{HueSaturation16, 64, 64, Block::Hue, false},
    KernelCase{HueSaturation16, 48, 48, Block::Hue, false},
    KernelCase{SharpenMono8, 8, 8, Block::Sharpen, false},
    KernelCase{SharpenMono16, 16, 16, Block::Sharpen, false},
    KernelCase{SharpenColor8, 24, 24, Block::Sharpen, false},
    KernelCase{SharpenColor16, 64, 64, Block::Sharpen, false},
};

// A buffer holding exactly its rows: one byte more would hide a write past the last pixel.
struct Buffer {
    KernelSize size;
    int32_t stride;
    int pixelBytes;
    std::vector<uint8_t> bytes;
};

Buffer MakeBuffer(FuzzedDataProvider& in, int bits) {
    Buffer b;
    b.pixelBytes = bits / 8;
    b.size = KernelSize{in.ConsumeIntegralInRange<int32_t>(0, 40),
                        in.ConsumeIntegralInRange<int32_t>(0, 40)};
    // Image buffers round rows up to 4 bytes; other callers may pad more.
    const int32_t row = b.size.width * b.pixelBytes;
    b.stride = in.ConsumeBool() ? (row + 3) / 4 * 4 : row + in.ConsumeIntegralInRange<int32_t>(0, 9);
    b.bytes.resize(static_cast<size_t>(b.stride) * static_cast<size_t>(b.size.height));
    for (uint8_t& byte : b.bytes)
        byte = in.ConsumeIntegral<uint8_t>();
    return b;
}

std::vector<int32_t> MakeBlock(FuzzedDataProvider& in, Block kind) {
    auto pick = [&](int32_t low, int32_t high) { return in.ConsumeIntegralInRange(low, high); };
    // Kernels clamp the sample bits themselves, so any value is fair.
    auto anyBits = [&] { return in.ConsumeIntegral<int32_t>(); };
    switch (kind) {
    case Block::None:
        return {};
    case Block::Demosaic:
        return {pick(0, 3), pick(0, 400), pick(0, 400), pick(0, 400)};
    case Block::Gray: {
        static constexpr int32_t kBits[] = {8, 10, 12, 14, 16};
        return {pick(0, 3),       pick(0, 255),     pick(0, 255),     pick(0, 255),
                pick(0, 255),     pick(-255, 255),  pick(-255, 255),  pick(-255, 255),
                pick(-255, 255),  kBits[pick(0, 4)]};
    }
    case Block::WhiteBalance:
        return {pick(0, 400), pick(0, 400), pick(0, 400), pick(0, 3)};
    case Block::Brightness:
        return {pick(-255, 255), anyBits()};
    case Block::Contrast:
        return {pick(-127, 127), anyBits()};
    case Block::Gamma:
        return {pick(0, 200), anyBits()};
    case Block::Sharpen:
        return {pick(0, 30), anyBits()};
    case Block::Hue:
        return {pick(-360, 360), 0, pick(-255, 255), 10};
    }
    return {};
}

void RunPositioned(FuzzedDataProvider& in) {
    const KernelCase& k = kCases[in.ConsumeIntegralInRange<size_t>(0, kCases.size() - 1)];
    const bool inPlace = k.inPlaceOnly || (k.dstBits == k.srcBits && in.ConsumeBool());
    Buffer dst = MakeBuffer(in, k.dstBits);
    Buffer src = inPlace ? Buffer{} : MakeBuffer(in, k.srcBits);
    Buffer& source = inPlace ? dst : src;
    std::vector<int32_t> block = MakeBlock(in, k.block);
    int32_t* blockPointer = block.empty() ? nullptr : block.data();
    // A block-needing kernel given none must refuse without touching a pixel.
    if (k.block != Block::None && in.ConsumeBool()) blockPointer = nullptr;

    auto coordinate = [&] { return in.ConsumeIntegralInRange<int32_t>(-50, 50); };
    const KernelRect picture{coordinate(), coordinate(), coordinate(), coordinate()};
    const int32_t x = coordinate(), y = coordinate();
    ClipResult clip;
    if (!ClipToBuffers(dst.size, source.size, picture, x, y, &clip)) return;
    const std::vector<uint8_t> before = dst.bytes;
    const int result = k.kernel(dst.bytes.data(), source.bytes.data(), clip.rect, clip.x, clip.y,
                                static_cast<uint16_t>(dst.pixelBytes),
                                static_cast<uint16_t>(source.pixelBytes), dst.stride,
                                source.stride, &blockPointer, nullptr);
    if (k.block != Block::None && !blockPointer && (result != 0 || dst.bytes != before))
        std::abort();
}

void RunScaling(FuzzedDataProvider& in) {
    const bool color = in.ConsumeBool();
    const int bits = color ? 24 : 8;
    Buffer dst = MakeBuffer(in, bits);
    Buffer src = MakeBuffer(in, bits);
    auto coordinate = [&] { return in.ConsumeIntegralInRange<int32_t>(-50, 90); };
    const KernelRect dstRect{coordinate(), coordinate(), coordinate(), coordinate()};
    const KernelRect srcRect{coordinate(), coordinate(), coordinate(), coordinate()};
    (color ? ScaleNearest24 : ScaleNearest8)(
        dst.bytes.data(), src.bytes.data(), dstRect, srcRect, dst.size, src.size,
        static_cast<uint16_t>(dst.pixelBytes), static_cast<uint16_t>(src.pixelBytes), dst.stride,
        src.stride, nullptr, nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeIntegralInRange(0, 9) == 0) RunScaling(in);
    else RunPositioned(in);
    return 0;
}
