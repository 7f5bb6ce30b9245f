// Every positioned kernel keeps to its rectangle and position, reads nothing outside buffers
// sized to the last pixel, and gives the same result in place as into another buffer.
#include "KernelTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kernel_test::RunKernel;
using kernel_test::TestImage;

struct KernelCase {
    const char* name;
    PositionedKernel kernel;
    int32_t dstBits;
    int32_t srcBits;
    uint32_t sampleMaximum; // of the source's channels
    std::vector<int32_t> block;
};

void PrintTo(const KernelCase& c, std::ostream* os) {
    *os << c.name;
}

const std::vector<int32_t> kDemosaic = {1, 150, 100, 80};
const std::vector<int32_t> kGray = {2, 100, 128, 200, 90, -5, 3, 0, 10, 10};

std::vector<KernelCase> AllCases() {
    return {
        {"DemosaicInner8", DemosaicInner8, 24, 8, 255, kDemosaic},
        {"DemosaicEdge8", DemosaicEdge8, 32, 8, 255, kDemosaic},
        {"DemosaicInner16", DemosaicInner16, 48, 16, 1023, kDemosaic},
        {"DemosaicEdge16", DemosaicEdge16, 64, 16, 1023, kDemosaic},
        {"Mono10To8", Mono10To8, 8, 16, 65535, {}},
        {"Mono10To8Flip", Mono10To8Flip, 8, 16, 65535, {}},
        {"Mono12To8Flip", Mono12To8Flip, 8, 16, 65535, {}},
        {"Mono12To16", Mono12To16, 16, 16, 65535, {}},
        {"Mono10To16", Mono10To16, 16, 16, 65535, {}},
        {"Color10To8", Color10To8, 24, 64, 65535, {}},
        {"Color10To8Flip", Color10To8Flip, 24, 48, 65535, {}},
        {"Color32To24", Color32To24, 24, 32, 255, {}},
        {"Color24Flip", Color24Flip, 24, 32, 255, {}},
        {"Color24Swap", Color24Swap, 24, 24, 255, {}},
        {"Color32Alpha", Color32Alpha, 32, 32, 255, {}},
        {"Color12To16", Color12To16, 48, 48, 65535, {}},
        {"Color12To16Swap", Color12To16Swap, 48, 64, 65535, {}},
        {"Color10To16", Color10To16, 48, 48, 65535, {}},
        {"Color10To16Swap", Color10To16Swap, 48, 48, 65535, {}},
        {"Color12To16Alpha", Color12To16Alpha, 64, 48, 65535, {}},
        {"Color12To16SwapAlpha", Color12To16SwapAlpha, 64, 64, 65535, {}},
        {"Color10To16Alpha", Color10To16Alpha, 64, 48, 65535, {}},
        {"Color10To16SwapAlpha", Color10To16SwapAlpha, 64, 48, 65535, {}},
        {"GrayGains8", GrayGains8, 8, 8, 255, kGray},
        {"GrayGains16", GrayGains16, 16, 16, 1023, kGray},
        {"GrayFromColor", GrayFromColor, 8, 24, 255, {}},
        {"BrightnessMono8", BrightnessMono8, 8, 8, 255, {40, 10}},
        {"BrightnessColor8", BrightnessColor8, 32, 32, 255, {-70, 10}},
        {"BrightnessMono16", BrightnessMono16, 16, 16, 1023, {-30, 10}},
        {"BrightnessColor16", BrightnessColor16, 48, 48, 1023, {90, 10}},
        {"ContrastMono8", ContrastMono8, 8, 8, 255, {50, 10}},
        {"ContrastColor8", ContrastColor8, 24, 24, 255, {-40, 10}},
        {"ContrastMono16", ContrastMono16, 16, 16, 1023, {-100, 10}},
        {"ContrastColor16", ContrastColor16, 64, 64, 65535, {30, 10}},
        {"GammaMono8", GammaMono8, 8, 8, 255, {70, 10}},
        {"GammaColor8", GammaColor8, 32, 32, 255, {150, 10}},
        {"GammaMono16", GammaMono16, 16, 16, 65535, {40, 10}},
        {"GammaColor16", GammaColor16, 48, 48, 1023, {130, 10}},
        {"HueSaturation8", HueSaturation8, 24, 24, 255, {100, 0, 60, 10}},
        {"HueSaturation8Of32", HueSaturation8, 32, 32, 255, {-250, 0, -90, 10}},
        {"HueSaturation16", HueSaturation16, 64, 64, 65535, {-200, 0, -100, 10}},
        {"SharpenMono8", SharpenMono8, 8, 8, 255, {12, 10}},
        {"SharpenColor8", SharpenColor8, 24, 24, 255, {30, 10}},
        {"SharpenMono16", SharpenMono16, 16, 16, 65535, {7, 10}},
        {"SharpenColor16", SharpenColor16, 64, 64, 1023, {20, 10}},
    };
}

class EveryKernel : public ::testing::TestWithParam<KernelCase> {};

// Copies a w x h window of `from` starting at (row, column) into a new exactly sized image.
TestImage Crop(const TestImage& from, int32_t bits, int32_t row, int32_t column, int32_t width,
               int32_t height) {
    TestImage out(width, height, bits);
    for (int32_t i = 0; i < height; ++i)
        for (int32_t j = 0; j < width; ++j)
            for (int32_t c = 0; c < out.Channels(); ++c)
                out.Set(i, j, c, from.Get(row + i, column + j, c));
    return out;
}

TEST_P(EveryKernel, WorksOnItsRectangleAtItsPositionOnly) {
    const KernelCase& k = GetParam();
    std::mt19937 rng(7);
    for (int round = 0; round < 6; ++round) {
        std::uniform_int_distribution<int32_t> size(5, 21);
        const int32_t width = size(rng), height = size(rng);
        const int32_t left = round, top = 2 * round % 5;
        const int32_t x = 3 - round % 3, y = round % 4;
        TestImage src(left + width + 3, top + height + 2, k.srcBits);
        src.Randomise(rng, k.sampleMaximum);
        TestImage dst(x + width + 4, y + height + 1, k.dstBits);
        dst.Randomise(rng, 255);
        const TestImage before = dst;

        TestImage cropSrc = Crop(src, k.srcBits, top, left, width, height);
        TestImage cropDst = Crop(dst, k.dstBits, y, x, width, height);
        std::vector<int32_t> block = k.block, cropBlock = k.block;
        const KernelRect rect{left, top, left + width, top + height};
        ASSERT_EQ(RunKernel(k.kernel, dst, src, block.empty() ? nullptr : block.data(), rect, x, y),
                  1);
        ASSERT_EQ(
            RunKernel(k.kernel, cropDst, cropSrc, cropBlock.empty() ? nullptr : cropBlock.data()),
            1);

        for (int32_t i = 0; i < dst.Height(); ++i) {
            for (int32_t j = 0; j < dst.Width(); ++j) {
                const bool inside = i >= y && i < y + height && j >= x && j < x + width;
                for (int32_t c = 0; c < dst.Channels(); ++c) {
                    const uint32_t expected =
                        inside ? cropDst.Get(i - y, j - x, c) : before.Get(i, j, c);
                    ASSERT_EQ(dst.Get(i, j, c), expected)
                        << "round " << round << " at " << i << "," << j << " channel " << c;
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kernels, EveryKernel, ::testing::ValuesIn(AllCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Kernels whose source and destination have one format and whose rows keep their order: the
// adjustments run them in place on the output image.
std::vector<KernelCase> InPlaceCases() {
    std::vector<KernelCase> cases;
    for (const KernelCase& k : AllCases()) {
        const std::string name = k.name;
        if (k.dstBits == k.srcBits && name.rfind("Sharpen", 0) != 0 &&
            name.find("Flip") == std::string::npos) {
            cases.push_back(k);
        }
    }
    return cases;
}

class InPlaceKernel : public ::testing::TestWithParam<KernelCase> {};

TEST_P(InPlaceKernel, GivesTheSameAsIntoAnotherBuffer) {
    const KernelCase& k = GetParam();
    std::mt19937 rng(11);
    TestImage image(19, 13, k.srcBits);
    image.Randomise(rng, k.sampleMaximum);
    TestImage separate = image;
    std::vector<int32_t> block = k.block, inPlaceBlock = k.block;
    RunKernel(k.kernel, separate, image, block.empty() ? nullptr : block.data());
    kernel_test::RunInPlace(k.kernel, image, inPlaceBlock.empty() ? nullptr : inPlaceBlock.data());
    EXPECT_EQ(image.Bytes(), separate.Bytes());
}

INSTANTIATE_TEST_SUITE_P(Kernels, InPlaceKernel, ::testing::ValuesIn(InPlaceCases()),
                         [](const auto& info) { return std::string(info.param.name); });
} // namespace
