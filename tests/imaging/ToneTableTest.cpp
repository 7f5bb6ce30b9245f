// The composed tone table against the gamma, contrast and brightness kernels run one after the
// other: random images of every kind, random step combinations and values across their ranges;
// and pixels of a size the table is not for left alone.
#include "KernelTestSupport.h"
#include "ToneTestSupport.h"
#include "imaging/kernels/ToneTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kernel_test::RunInPlace;
using kernel_test::RandomToneSteps;
using kernel_test::TestImage;

struct ImageKind {
    const char* name;
    ToneImage image;
    int32_t bits;
    PositionedKernel gamma, contrast, brightness;
};

const ImageKind kKinds[] = {
    {"Mono8", ToneImage::Mono8, 8, GammaMono8, ContrastMono8, BrightnessMono8},
    {"Color24", ToneImage::Color8, 24, GammaColor8, ContrastColor8, BrightnessColor8},
    {"Color32", ToneImage::Color8, 32, GammaColor8, ContrastColor8, BrightnessColor8},
    {"Mono16", ToneImage::Mono16, 16, GammaMono16, ContrastMono16, BrightnessMono16},
    {"Color48", ToneImage::Color16, 48, GammaColor16, ContrastColor16, BrightnessColor16},
    {"Color64", ToneImage::Color16, 64, GammaColor16, ContrastColor16, BrightnessColor16},
};

// The steps one at a time, as the pipeline ran them before they were composed.
void RunSeparately(const ImageKind& kind, const ToneSteps& steps, TestImage& image) {
    auto run = [&](PositionedKernel kernel, int32_t value) {
        int32_t block[kFilterBlockSize] = {value, 10};
        RunInPlace(kernel, image, block);
    };
    if (steps.gamma) run(kind.gamma, steps.gammaValue);
    if (steps.contrast) run(kind.contrast, steps.contrastValue);
    if (steps.brightness) run(kind.brightness, steps.brightnessValue);
}

class ComposedTones : public ::testing::TestWithParam<ImageKind> {};

TEST_P(ComposedTones, EqualTheStepsRunOneAfterAnother) {
    const ImageKind& kind = GetParam();
    const bool words = kind.bits == 16 || kind.bits >= 48;
    std::mt19937 rng(static_cast<unsigned>(kind.bits) + 7);
    ToneTable table;
    for (int trial = 0; trial < 150; ++trial) {
        const ToneSteps steps = RandomToneSteps(rng);
        // Mostly images of the pipeline's range; every fifth one has words beyond the 10 bits.
        TestImage image(1 + static_cast<int32_t>(rng() % 33), 1 + static_cast<int32_t>(rng() % 9),
                        kind.bits);
        image.Randomise(rng, words ? (trial % 5 == 0 ? 65535 : 1023) : 255);
        TestImage expected = image;
        RunSeparately(kind, steps, expected);
        const std::string what = "gamma " + std::to_string(steps.gamma) + ":" +
                                 std::to_string(steps.gammaValue) + " contrast " +
                                 std::to_string(steps.contrast) + ":" +
                                 std::to_string(steps.contrastValue) + " brightness " +
                                 std::to_string(steps.brightness) + ":" +
                                 std::to_string(steps.brightnessValue);
        ASSERT_TRUE(table.Prepare(steps, kind.image, 10)) << what;
        table.Apply(image.Data(), image.Width(), image.Height(), image.Stride(),
                    image.PixelBytes());
        ASSERT_EQ(image.Bytes(), expected.Bytes()) << what;
    }
}

INSTANTIATE_TEST_SUITE_P(Images, ComposedTones, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ComposedTonesTable, IsRebuiltWhenAValueChanges) {
    ToneTable table;
    TestImage image(3, 1, 8);
    image.Fill(64);
    ToneSteps steps;
    steps.gamma = true;
    steps.gammaValue = 50;
    ASSERT_TRUE(table.Prepare(steps, ToneImage::Mono8, 10));
    table.Apply(image.Data(), 3, 1, image.Stride(), 1);
    EXPECT_EQ(image.Get(0, 0), 127u); // gamma 50 maps 64 to 127
    image.Fill(64);
    steps.gammaValue = 100;
    ASSERT_TRUE(table.Prepare(steps, ToneImage::Mono8, 10));
    table.Apply(image.Data(), 3, 1, image.Stride(), 1);
    EXPECT_EQ(image.Get(0, 0), 64u);
}

TEST(ComposedTonesTable, NothingToComposeIsRefused) {
    ToneTable table;
    EXPECT_FALSE(table.Prepare(ToneSteps{}, ToneImage::Color8, 10));
}

// A table made for one kind of image, handed pixels of another size, changes nothing rather
// than walk past the rows.
TEST(ComposedTonesTable, PixelsOfAnotherSizeAreLeftAlone) {
    ToneTable table;
    ToneSteps steps;
    steps.contrast = true;
    steps.contrastValue = 64;
    struct Mismatch {
        ToneImage image;
        int32_t bits;
    };
    for (const Mismatch m : {Mismatch{ToneImage::Color8, 8}, Mismatch{ToneImage::Color8, 48},
                             Mismatch{ToneImage::Mono8, 24}, Mismatch{ToneImage::Mono16, 8},
                             Mismatch{ToneImage::Color16, 24}, Mismatch{ToneImage::Color16, 16}}) {
        ASSERT_TRUE(table.Prepare(steps, m.image, 10));
        TestImage image(5, 3, m.bits);
        image.Fill(7);
        const std::vector<uint8_t> before = image.Bytes();
        table.Apply(image.Data(), image.Width(), image.Height(), image.Stride(),
                    image.PixelBytes());
        EXPECT_EQ(image.Bytes(), before) << m.bits << "-bit pixels";
    }
}

} // namespace
