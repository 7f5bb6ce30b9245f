// Gray gains and their measurement, white balance measurement, gray from colour, brightness,
// contrast and gamma: the worked values and the guards.
#include "KernelTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>

namespace {

using kernel_test::ColourAt;
using kernel_test::Pixel;
using kernel_test::RunInPlace;
using kernel_test::RunKernel;
using kernel_test::TestImage;

// Gray gain positions by parity after the phase bits.
enum Position { kG1, kR1, kB1, kG2 };
Position PositionAt(int32_t phase, int32_t i, int32_t j) {
    const int32_t row = (i + (phase & 1)) & 1, column = (j + ((phase >> 1) & 1)) & 1;
    return static_cast<Position>(2 * row + column);
}

std::array<int32_t, kGrayGainBlockSize> GrayBlock(int32_t phase, int32_t gain, int32_t offset,
                                                  int32_t bits) {
    return {phase, gain, gain, gain, gain, offset, offset, offset, offset, bits};
}

// ---- Gray gains ----

TEST(GrayGains, GainAndOffsetAreAppliedWithTruncationAndClamping) {
    auto block = GrayBlock(0, 64, -10, 8);
    TestImage image(2, 1, 8);
    image.Set(0, 0, 0, 100);
    image.Set(0, 1, 0, 10);
    ASSERT_EQ(RunInPlace(GrayGains8, image, block.data()), 1);
    EXPECT_EQ(image.Get(0, 0), 40u);
    EXPECT_EQ(image.Get(0, 1), 0u);
}

class GrayGainMaximum : public ::testing::TestWithParam<std::pair<int32_t, uint32_t>> {};

TEST_P(GrayGainMaximum, SixteenBitResultsClampToTheSampleBits) {
    const auto [bits, maximum] = GetParam();
    auto block = GrayBlock(0, 255, 255, bits);
    TestImage image(2, 2, 16);
    image.Fill(1000);
    image.Set(1, 1, 0, 60000);
    RunInPlace(GrayGains16, image, block.data());
    EXPECT_EQ(image.Get(0, 0), std::min<uint32_t>(255 + 1000 * 255 / 128, maximum));
    EXPECT_EQ(image.Get(1, 1), maximum);
}

INSTANTIATE_TEST_SUITE_P(SampleBits, GrayGainMaximum,
                         ::testing::Values(std::make_pair(10, 1023u), std::make_pair(12, 4095u),
                                           std::make_pair(14, 16383u), std::make_pair(16, 65535u),
                                           std::make_pair(9, 65535u), std::make_pair(8, 65535u)));

class GrayGainPositions : public ::testing::TestWithParam<int32_t> {};

TEST_P(GrayGainPositions, EachBayerPositionTakesItsOwnGainAndOffset) {
    const int32_t phase = GetParam();
    // R1, G1, G2, B1 gains and offsets in block order.
    std::array<int32_t, kGrayGainBlockSize> block = {phase, 256, 128, 192, 64, 1, 2, 3, 4, 10};
    const int32_t gainOf[4] = {128, 256, 64, 192}; // G1, R1, B1, G2
    const int32_t offsetOf[4] = {2, 1, 4, 3};
    for (int32_t bits : {8, 16}) {
        TestImage image(5, 4, bits);
        image.Fill(100);
        auto copy = block;
        RunInPlace(bits == 8 ? GrayGains8 : GrayGains16, image, copy.data());
        for (int32_t i = 0; i < 4; ++i) {
            for (int32_t j = 0; j < 5; ++j) {
                const Position p = PositionAt(phase, i, j);
                const uint32_t expected =
                    std::min<uint32_t>(offsetOf[p] + gainOf[p] * 100 / 128, bits == 8 ? 255 : 1023);
                ASSERT_EQ(image.Get(i, j), expected) << bits << " bits at " << i << "," << j;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Phases, GrayGainPositions, ::testing::Values(0, 1, 2, 3));

TEST(GrayGains, MeasuredGainsFarBeyondTheSetterDoNotOverflow) {
    auto block = GrayBlock(0, 8'388'480, 0, 16);
    TestImage image(3, 3, 16);
    image.Fill(65535);
    image.Set(1, 1, 0, 0);
    RunInPlace(GrayGains16, image, block.data());
    EXPECT_EQ(image.Get(0, 0), 65535u);
    EXPECT_EQ(image.Get(1, 1), 0u);
    block = GrayBlock(0, INT_MIN, INT_MAX, 16);
    RunInPlace(GrayGains16, image, block.data());
    EXPECT_EQ(image.Get(0, 0), 0u);
}

// ---- Gray gain measurement ----

// A frame whose R1, G1, G2 and B1 positions average 100, 200, 200 and 50, with samples at 0 and
// at the maximum that must not count.
TestImage PositionFrame(int32_t phase, int32_t bits, const uint32_t (&mean)[4], uint32_t maximum) {
    TestImage image(8, 6, bits);
    for (int32_t i = 0; i < 6; ++i) {
        for (int32_t j = 0; j < 8; ++j) {
            const uint32_t m = mean[PositionAt(phase, i, j)];
            image.Set(i, j, 0, j % 4 < 2 ? m - 1 : m + 1);
        }
    }
    // Two samples of one position, one below and one above its mean, are left out.
    image.Set(0, 0, 0, 0);
    image.Set(0, 2, 0, maximum);
    return image;
}

class MeasureGray : public ::testing::TestWithParam<std::tuple<int32_t, int32_t>> {};

TEST_P(MeasureGray, BringsEveryPositionToTheBrightest) {
    const auto [phase, bits] = GetParam();
    const uint32_t means[4] = {200, 100, 50, 200}; // G1, R1, B1, G2
    const uint32_t maximum = bits == 8 ? 255 : 1023;
    const TestImage frame = PositionFrame(phase, bits, means, maximum);
    auto block = GrayBlock(phase, 128, 7, bits == 8 ? 8 : 10);
    TestImage unused(1, 1, 8);
    ASSERT_EQ(RunKernel(MeasureGrayGains, unused, frame, block.data()), 1);
    EXPECT_EQ(block[kGrayGainR1], 256);
    EXPECT_EQ(block[kGrayGainG1], 128);
    EXPECT_EQ(block[kGrayGainG2], 128);
    EXPECT_EQ(block[kGrayGainB1], 512);
    EXPECT_EQ(block[kGrayOffsetR1], 7); // offsets are not measured
}

INSTANTIATE_TEST_SUITE_P(PhasesAndDepths, MeasureGray,
                         ::testing::Combine(::testing::Values(0, 1, 2, 3),
                                            ::testing::Values(8, 16)));

TEST(MeasureGrayGainsKernel, PositionWithoutUsableSamplesKeepsTheGains) {
    TestImage frame(4, 4, 8);
    frame.Fill(255); // only the maximum: nothing strictly inside
    for (int32_t i = 0; i < 4; i += 2)
        for (int32_t j = 0; j < 4; ++j)
            frame.Set(i, j, 0, 90);
    auto block = GrayBlock(0, 131, 0, 8);
    TestImage unused(1, 1, 8);
    RunKernel(MeasureGrayGains, unused, frame, block.data());
    EXPECT_EQ(block[kGrayGainR1], 131);
    EXPECT_EQ(block[kGrayGainB1], 131);
}

// ---- White balance measurement ----

TestImage ColourFrame(int32_t phase, int32_t bits, uint32_t green, uint32_t red, uint32_t blue,
                      int32_t width = 10, int32_t height = 8) {
    TestImage image(width, height, bits);
    for (int32_t i = 0; i < height; ++i) {
        for (int32_t j = 0; j < width; ++j) {
            const auto colour = ColourAt(phase, i, j);
            image.Set(i, j, 0,
                      colour == kernel_test::kGreen ? green
                      : colour == kernel_test::kRed ? red
                                                    : blue);
        }
    }
    return image;
}

struct Balance {
    uint32_t green, red, blue;
    int32_t redResult, blueResult;
};

class WhiteBalance : public ::testing::TestWithParam<std::tuple<int32_t, int32_t, Balance>> {};

TEST_P(WhiteBalance, GainsBringRedAndBlueToGreen) {
    const auto [phase, bits, b] = GetParam();
    const TestImage frame = ColourFrame(phase, bits, b.green, b.red, b.blue);
    std::array<int32_t, kWhiteBalanceBlockSize> block = {0, 0, 0, phase};
    TestImage unused(1, 1, 8);
    ASSERT_EQ(RunKernel(bits == 8 ? MeasureWhiteBalance8 : MeasureWhiteBalance16, unused, frame,
                        block.data()),
              1);
    EXPECT_EQ(block[kBalanceRedGain], b.redResult);
    EXPECT_EQ(block[kBalanceBlueGain], b.blueResult);
    EXPECT_EQ(block[kBalanceGreenGain], 100);
}

INSTANTIATE_TEST_SUITE_P(WorkedValues, WhiteBalance,
                         ::testing::Combine(::testing::Values(0, 1, 2, 3), ::testing::Values(8, 16),
                                            ::testing::Values(Balance{100, 50, 200, 200, 50},
                                                              Balance{100, 20, 200, 499, 50},
                                                              Balance{150, 150, 150, 100, 100})));

TEST(MeasureWhiteBalanceKernel, ChannelWithMeanZeroKeepsThePreviousGains) {
    for (int32_t bits : {8, 16}) {
        const TestImage frame = ColourFrame(1, bits, 100, 0, 80);
        std::array<int32_t, kWhiteBalanceBlockSize> block = {123, 100, 321, 1};
        TestImage unused(1, 1, 8);
        RunKernel(bits == 8 ? MeasureWhiteBalance8 : MeasureWhiteBalance16, unused, frame,
                  block.data());
        EXPECT_EQ(block[kBalanceBlueGain], 123);
        EXPECT_EQ(block[kBalanceRedGain], 321);
    }
}

TEST(MeasureWhiteBalanceKernel, HugeRatioSaturatesInsteadOfOverflowing) {
    // One red sample of 1 among 400: 100 * green / red is beyond 32 bits.
    TestImage frame = ColourFrame(0, 16, 65535, 0, 65535, 40, 40);
    frame.Set(1, 0, 0, 1);
    std::array<int32_t, kWhiteBalanceBlockSize> block = {0, 0, 0, 0};
    TestImage unused(1, 1, 8);
    RunKernel(MeasureWhiteBalance16, unused, frame, block.data());
    EXPECT_EQ(block[kBalanceRedGain], INT_MAX);
    EXPECT_EQ(block[kBalanceBlueGain], 100);
}

// ---- Gray from colour ----

TEST(GrayFromColorKernel, WeighsRedGreenBlueThirtyFiftyNineEleven) {
    TestImage out(2, 1, 8);
    TestImage in(2, 1, 24);
    for (int32_t c = 0; c < 3; ++c)
        in.Set(0, 0, c, std::array<uint32_t, 3>{10, 20, 30}[c]);
    for (int32_t c = 0; c < 3; ++c)
        in.Set(0, 1, c, 255);
    ASSERT_EQ(RunKernel(GrayFromColor, out, in), 1);
    EXPECT_EQ(out.Get(0, 0), 21u); // (30 * 30 + 20 * 59 + 10 * 11) / 100 = 21.9
    EXPECT_EQ(out.Get(0, 1), 255u);
}

// ---- Brightness, contrast, gamma: value in, value out ----

struct Mapping {
    PositionedKernel kernel;
    int32_t bits;
    int32_t setting;
    uint32_t in;
    uint32_t out;
};

class ChannelMapping : public ::testing::TestWithParam<Mapping> {};

TEST_P(ChannelMapping, MapsTheWorkedValue) {
    const Mapping m = GetParam();
    const int32_t channels = m.bits == 8 || m.bits == 16 ? 1 : 3;
    TestImage image(1, 1, m.bits);
    for (int32_t c = 0; c < channels; ++c)
        image.Set(0, 0, c, m.in);
    if (m.bits == 32) image.Set(0, 0, 3, 77);
    int32_t block[kFilterBlockSize] = {m.setting, 10};
    ASSERT_EQ(RunInPlace(m.kernel, image, block), 1);
    for (int32_t c = 0; c < channels; ++c)
        EXPECT_EQ(image.Get(0, 0, c), m.out) << "channel " << c;
    if (m.bits == 32) EXPECT_EQ(image.Get(0, 0, 3), 77u);
}

INSTANTIATE_TEST_SUITE_P(Brightness, ChannelMapping,
                         ::testing::Values(Mapping{BrightnessMono8, 8, 1, 255, 255},
                                           Mapping{BrightnessColor8, 32, 1, 200, 207},
                                           Mapping{BrightnessMono8, 8, -255, 255, 0},
                                           Mapping{BrightnessColor8, 24, 255, 20, 220},
                                           Mapping{BrightnessColor8, 24, 255, 30, 255},
                                           Mapping{BrightnessColor8, 24, -100, 200, 121},
                                           Mapping{BrightnessMono16, 16, 1, 1000, 1023},
                                           Mapping{BrightnessColor16, 48, 1, 500, 519},
                                           Mapping{BrightnessColor16, 64, -100, 1000, 607},
                                           Mapping{BrightnessMono16, 16, -255, 1023, 0}));

INSTANTIATE_TEST_SUITE_P(
    Contrast, ChannelMapping,
    ::testing::Values(
        Mapping{ContrastMono8, 8, 64, 63, 0}, Mapping{ContrastMono8, 8, 64, 64, 0},
        Mapping{ContrastColor8, 24, 64, 128, 128}, Mapping{ContrastColor8, 32, 64, 192, 255},
        Mapping{ContrastMono8, 8, -64, 0, 42}, Mapping{ContrastColor8, 24, -64, 255, 212},
        Mapping{ContrastMono8, 8, 128, 200, 0}, Mapping{ContrastMono16, 16, 64, 255, 0},
        Mapping{ContrastColor16, 48, 64, 512, 512}, Mapping{ContrastColor16, 64, 64, 768, 1023},
        Mapping{ContrastMono16, 16, -64, 2000, 1023}, Mapping{ContrastMono16, 16, 127, 600, 1023},
        Mapping{ContrastMono16, 16, 128, 600, 0}));

INSTANTIATE_TEST_SUITE_P(
    Gamma, ChannelMapping,
    ::testing::Values(Mapping{GammaMono8, 8, 50, 64, 127}, Mapping{GammaColor8, 24, 50, 64, 127},
                      Mapping{GammaColor8, 24, 0, 0, 0}, Mapping{GammaColor8, 32, 0, 1, 253},
                      Mapping{GammaMono8, 8, 0, 0, 255}, Mapping{GammaMono8, 8, 0, 1, 255},
                      Mapping{GammaMono8, 8, 110, 128, 64}, Mapping{GammaColor8, 24, 105, 100, 62},
                      Mapping{GammaMono16, 16, 50, 256, 511}, Mapping{GammaColor16, 48, 0, 0, 1023},
                      Mapping{GammaColor16, 64, 200, 1023, 1012},
                      Mapping{GammaMono16, 16, 50, 5000, 1023}));

// Values outside the setters' ranges must not leave a table or make a conversion undefined.
TEST(ToneTables, SettingsOutsideTheirRangesStayDefined) {
    std::mt19937 rng(41);
    for (int32_t setting : {INT_MIN, -100000, -1, 201, 100000, INT_MAX}) {
        for (PositionedKernel kernel : {ContrastColor8, GammaColor8, GammaMono8, BrightnessColor8,
                                        ContrastColor16, GammaColor16, BrightnessColor16}) {
            const bool words =
                kernel == ContrastColor16 || kernel == GammaColor16 || kernel == BrightnessColor16;
            TestImage image(4, 3, words ? 48 : 24);
            image.Randomise(rng, words ? 65535 : 255);
            for (int32_t bits : {INT_MIN, 0, 10, 99}) {
                int32_t block[kFilterBlockSize] = {setting, bits};
                EXPECT_EQ(RunInPlace(kernel, image, block), 1);
            }
        }
    }
}

} // namespace
