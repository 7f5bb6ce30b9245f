// Fuzzes the size arithmetic of bitmaps, BMP files and AVI chunks against the same sums done in
// 128 bits: any sizes must give the exact value or its clamp, never a wrapped one, and a bitmap
// accepted as fitting must really fit.
#include "files/FileSizes.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using Wide = unsigned __int128;

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "file sizes: %s\n", what);
    std::abort();
}

Wide Clamp32(Wide value) {
    return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : value;
}

// Mostly near the sizes of real pictures, sometimes anything.
int32_t Dimension(FuzzedDataProvider& in) {
    return in.ConsumeBool() ? in.ConsumeIntegral<int32_t>()
                            : in.ConsumeIntegralInRange<int32_t>(-4, 70000);
}

void CheckDib(int32_t width, int32_t height, int32_t bits) {
    const int64_t stride = file_sizes::DibStride(width, bits);
    if (width < 1 || bits < 8) {
        Require(stride == 0, "a stride for no whole bytes");
    } else {
        const Wide row = Wide(width) * (bits / 8);
        Require(stride % 4 == 0, "a stride not a multiple of 4");
        Require(Wide(stride) >= row && Wide(stride) < row + 4, "a stride not the padded row");
    }
    const bool fits = file_sizes::DibFits(width, height, bits);
    const bool valid = width >= 1 && height >= 1 && bits >= 1 && bits <= 0xFFFF;
    const Wide bytes = valid ? Wide(stride) * Wide(height) : 0;
    Require(fits == (valid && bytes <= Wide(file_sizes::kLargestImageBytes)),
            "a bitmap judged to fit wrongly");
    if (fits) {
        Require(Wide(file_sizes::BmpFileBytes(1078, static_cast<uint64_t>(bytes))) == 1078 + bytes,
                "a fitting bitmap's BMP size was clamped");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int32_t width = Dimension(in), height = Dimension(in);
    const int32_t bits = in.ConsumeBool() ? in.ConsumeIntegral<int32_t>()
                                          : 8 * in.ConsumeIntegralInRange<int32_t>(0, 9);
    CheckDib(width, height, bits);

    const Wide pitch = (3 * Wide(width > 0 ? width : 0) + 3) & ~Wide(3);
    Require(Wide(file_sizes::AviFrameBytes(width, height)) ==
                Clamp32(pitch * Wide(height > 0 ? height : 0)),
            "an AVI frame size wrapped");

    const uint64_t frames = in.ConsumeIntegral<uint64_t>() >> in.ConsumeIntegralInRange(0, 63);
    Require(Wide(file_sizes::AviStandardIndexBytes(frames)) == 32 + 8 * Wide(frames) ||
                frames > (UINT64_MAX - 32) / 8,
            "an ix00 size is not its entries");
    Require(Wide(file_sizes::AviLegacyIndexBytes(frames)) == 8 + 16 * Wide(frames) ||
                frames > (UINT64_MAX - 8) / 16,
            "an idx1 size is not its entries");

    const uint32_t count = in.ConsumeIntegral<uint32_t>();
    const uint32_t elapsed = in.ConsumeIntegral<uint32_t>();
    Require(Wide(file_sizes::AviMeasuredRate(count, elapsed)) ==
                Clamp32(Wide(count) * 100000 / (elapsed ? elapsed : 1)),
            "a measured rate wrapped");

    const uint32_t offset = in.ConsumeIntegral<uint32_t>();
    const uint64_t pixels = in.ConsumeIntegral<uint64_t>();
    Require(Wide(file_sizes::BmpFileBytes(offset, pixels)) == Clamp32(Wide(offset) + pixels),
            "a BMP file size wrapped");
    return 0;
}
