// The frame pipeline through the DLL: single frames of the virtual camera through each filter,
// the mirrors, the automatic gray gain and white balance, and automatic exposure and gain.
#include "AcquisitionFixture.h"
#include "imaging/kernels/KernelPath.h"
#include "imaging/kernels/Kernels.h"

#include <cstring>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 960;

class PipelineTest : public AcquisitionTest {
  protected:
    // One frame of the current settings in sensor row order.
    std::vector<unsigned char> Snap(int bits) {
        std::vector<unsigned char> image(static_cast<size_t>(StrideOf(kWidth, bits)) * kHeight);
        EXPECT_EQ(Travik_SnapShot(handle, image.data(), static_cast<int>(image.size()), 1), 1);
        return image;
    }
    int Filter(int id) {
        int ok = 0;
        const int value = Travik_GetFilterValue(handle, id, &ok);
        EXPECT_EQ(ok, 1);
        return value;
    }
};

struct FilterCase {
    const char* name;
    int id;
    int value;
    int neutral;
};

class FilterEffect : public PipelineTest,
                     public ::testing::WithParamInterface<std::tuple<FilterCase, int>> {};

TEST_P(FilterEffect, ChangesTheOutputWhenSetAndNotWhenNeutral) {
    const auto [filter, bits] = GetParam();
    ASSERT_EQ(Travik_SetColorMode(handle, bits), 1);
    ASSERT_TRUE(travik_emu::SetPatternNoise(0, 7)); // the same frame every time
    ASSERT_EQ(Travik_SetFilterValue(handle, filter.id, filter.neutral), 1);
    const std::vector<unsigned char> neutral = Snap(bits);
    ASSERT_EQ(Travik_SetFilterValue(handle, filter.id, filter.value), 1);
    const std::vector<unsigned char> changed = Snap(bits);
    ASSERT_EQ(Travik_SetFilterValue(handle, filter.id, filter.neutral), 1);
    const std::vector<unsigned char> again = Snap(bits);
    EXPECT_EQ(neutral, again);
    // Hue and saturation act on colour images only.
    const bool acts = bits >= 24 || (filter.id != FILTER_HUE && filter.id != FILTER_SATURATION);
    EXPECT_EQ(neutral != changed, acts);
    EXPECT_TRUE(DrainErrors().empty());
}

const FilterCase kFilters[] = {
    {"Brightness", FILTER_BRIGHTNESS, 60, 0},
    {"Contrast", FILTER_CONTRAST, 40, 0},
    {"Hue", FILTER_HUE, 90, 0},
    {"Saturation", FILTER_SATURATION, -120, 0},
    {"Sharpness", FILTER_SHARPNESS, 12, 0},
    {"Gamma", FILTER_GAMMA, 50, 100},
};

// One colour mode per kernel of each family: mono 8 and 16 bits, colour 8 and 16 bits a channel.
INSTANTIATE_TEST_SUITE_P(Filters, FilterEffect,
                         ::testing::Combine(::testing::ValuesIn(kFilters),
                                            ::testing::Values(8, 16, 24, 64)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "Bits" +
                                    std::to_string(std::get<1>(info.param));
                         });

// The tone filters with and without sharpness, through the DLL, against the same frame taken
// with neutral filters and run here through the reference kernels one at a time in the
// pipeline's order: however the pipeline combines its passes and whichever fast paths it takes,
// the pixels are those of the separate reference steps.
struct ToneKernels {
    int bits;
    PositionedKernel gamma, contrast, sharpen, brightness;
};

class ToneFilters : public PipelineTest,
                    public ::testing::WithParamInterface<std::tuple<ToneKernels, int>> {};

TEST_P(ToneFilters, EqualTheKernelsRunOneAfterAnother) {
    const auto [kernels, sharpness] = GetParam();
    const int bits = kernels.bits;
    ASSERT_EQ(Travik_SetColorMode(handle, bits), 1);
    ASSERT_TRUE(travik_emu::SetPatternNoise(0, 11)); // the same frame every time
    std::vector<unsigned char> expected = Snap(bits);
    ASSERT_EQ(Travik_SetFilterValue(handle, FILTER_GAMMA, 70), 1);
    ASSERT_EQ(Travik_SetFilterValue(handle, FILTER_CONTRAST, -30), 1);
    ASSERT_EQ(Travik_SetFilterValue(handle, FILTER_SHARPNESS, sharpness), 1);
    ASSERT_EQ(Travik_SetFilterValue(handle, FILTER_BRIGHTNESS, 25), 1);
    const std::vector<unsigned char> filtered = Snap(bits);
    const std::vector<unsigned char> again = Snap(bits); // the table is kept, not rebuilt wrong

    const KernelPath dllPath = ActiveKernelPath();
    ForceKernelPath(KernelPath::Reference); // this test program's own copy of the kernels
    const int stride = StrideOf(kWidth, bits);
    const auto pixelBytes = static_cast<uint16_t>(bits / 8);
    auto run = [&](PositionedKernel kernel, int32_t value, const unsigned char* source) {
        int32_t block[kFilterBlockSize] = {value, 10};
        int32_t* pointer = block;
        kernel(expected.data(), source, KernelRect{0, 0, kWidth, kHeight}, 0, 0, pixelBytes,
               pixelBytes, stride, stride, &pointer);
    };
    run(kernels.gamma, 70, expected.data());
    run(kernels.contrast, -30, expected.data());
    if (sharpness != 0) {
        const std::vector<unsigned char> copy = expected;
        run(kernels.sharpen, sharpness, copy.data());
    }
    run(kernels.brightness, 25, expected.data());
    ForceKernelPath(dllPath);
    EXPECT_TRUE(filtered == expected);
    EXPECT_TRUE(again == expected);
    EXPECT_TRUE(DrainErrors().empty());
}

const ToneKernels kToneKernels[] = {
    {8, GammaMono8, ContrastMono8, SharpenMono8, BrightnessMono8},
    {16, GammaMono16, ContrastMono16, SharpenMono16, BrightnessMono16},
    {24, GammaColor8, ContrastColor8, SharpenColor8, BrightnessColor8},
    {32, GammaColor8, ContrastColor8, SharpenColor8, BrightnessColor8},
    {48, GammaColor16, ContrastColor16, SharpenColor16, BrightnessColor16},
    {64, GammaColor16, ContrastColor16, SharpenColor16, BrightnessColor16},
};

INSTANTIATE_TEST_SUITE_P(ColourModes, ToneFilters,
                         ::testing::Combine(::testing::ValuesIn(kToneKernels),
                                            ::testing::Values(0, 12)),
                         [](const auto& info) {
                             return "Bits" + std::to_string(std::get<0>(info.param).bits) +
                                    "Sharpness" + std::to_string(std::get<1>(info.param));
                         });

TEST_F(PipelineTest, MirrorsFlipTheRawOutput) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    ASSERT_TRUE(travik_emu::SetPatternNoise(0, 3));
    const std::vector<unsigned char> plain = Snap(8);
    ASSERT_EQ(Travik_SetMirrorH(handle, 1), 1);
    const std::vector<unsigned char> horizontal = Snap(8);
    ASSERT_EQ(Travik_SetMirrorV(handle, 1), 1);
    const std::vector<unsigned char> both = Snap(8);
    ASSERT_EQ(Travik_SetMirrorH(handle, 0), 1);
    const std::vector<unsigned char> vertical = Snap(8);
    for (int row : {0, 1, 479, 959}) {
        for (int column : {0, 1, 640, 1279}) {
            const unsigned char original = plain[static_cast<size_t>(row) * kWidth + column];
            const int mirroredColumn = kWidth - 1 - column;
            const int mirroredRow = kHeight - 1 - row;
            EXPECT_EQ(horizontal[static_cast<size_t>(row) * kWidth + mirroredColumn], original);
            EXPECT_EQ(vertical[static_cast<size_t>(mirroredRow) * kWidth + column], original);
            EXPECT_EQ(both[static_cast<size_t>(mirroredRow) * kWidth + mirroredColumn], original);
        }
    }
}

// Every mirror keeps the bars' colours right, because the Bayer phase follows the mirrors.
TEST_F(PipelineTest, MirroredColourBarsKeepTheirColours) {
    ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
    constexpr int kBars[8] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00,
                              0xFF00FF, 0xFF0000, 0x0000FF, 0x000000};
    for (int mirror = 0; mirror < 4; ++mirror) {
        SCOPED_TRACE(mirror);
        ASSERT_EQ(Travik_SetMirrorH(handle, mirror & 1), 1);
        ASSERT_EQ(Travik_SetMirrorV(handle, mirror >> 1), 1);
        const std::vector<unsigned char> image = Snap(24);
        const int row = (mirror >> 1) ? kHeight - 1 - 100 : 100;
        for (int bar = 0; bar < 8; ++bar) {
            const int column = (mirror & 1) ? kWidth - 1 - (bar * 160 + 80) : bar * 160 + 80;
            const unsigned char* p =
                &image[static_cast<size_t>(row) * StrideOf(kWidth, 24) + column * 3];
            EXPECT_EQ((p[2] << 16) | (p[1] << 8) | p[0], kBars[bar]) << "bar " << bar;
        }
    }
}

// A mirror of an odd height keeps every row's colour parity, so a window one row short of the
// sensor keeps its colours under every mirror. (The virtual camera renders whole sensor rows, so
// only the height can be odd here; odd widths are covered by the kernel tests.)
TEST_F(PipelineTest, MirroredOddHeightKeepsItsColours) {
    constexpr int kOddHeight = kHeight - 1;
    ASSERT_EQ(Travik_SetCaptureWindowEx(handle, kWidth, 0, kWidth, kHeight, 0, kOddHeight), 1);
    ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
    // 8-bit red 50, green 100, blue 200.
    ASSERT_TRUE(travik_emu::SetPatternBayer(0, 200, 400, 400, 800));
    const int stride = StrideOf(kWidth, 24);
    for (int mirror = 0; mirror < 4; ++mirror) {
        SCOPED_TRACE(mirror);
        ASSERT_EQ(Travik_SetMirrorH(handle, mirror & 1), 1);
        ASSERT_EQ(Travik_SetMirrorV(handle, mirror >> 1), 1);
        std::vector<unsigned char> image(static_cast<size_t>(stride) * kOddHeight);
        ASSERT_EQ(Travik_SnapShot(handle, image.data(), static_cast<int>(image.size()), 1), 1);
        for (int row : {0, 2, 479, kOddHeight - 1}) {
            for (int column : {0, 3, 640, kWidth - 1}) {
                const unsigned char* p = &image[static_cast<size_t>(row) * stride + column * 3];
                EXPECT_EQ(p[0], 200) << row << "," << column;
                EXPECT_EQ(p[1], 100) << row << "," << column;
                EXPECT_EQ(p[2], 50) << row << "," << column;
            }
        }
    }
    EXPECT_TRUE(DrainErrors().empty());
}

TEST_F(PipelineTest, AutoGrayGainOnceMeasuresOneFrameThenStops) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    // 8-bit means 100, 200, 200 and 50 on the four Bayer sites.
    ASSERT_TRUE(travik_emu::SetPatternBayer(0, 400, 800, 800, 200));
    ASSERT_EQ(Travik_SetGrayMode(handle, 1), 1);
    ASSERT_EQ(Travik_SetFilterValue(handle, FILTER_GRAY_AUTO, 1), 1);
    const std::vector<unsigned char> image = Snap(8);
    EXPECT_EQ(Filter(FILTER_GRAY_AUTO), 0);
    const int r = Filter(FILTER_GRAY_GAIN_R), b = Filter(FILTER_GRAY_GAIN_B);
    EXPECT_EQ(Filter(FILTER_GRAY_GAIN_G1), 128);
    EXPECT_EQ(Filter(FILTER_GRAY_GAIN_G2), 128);
    EXPECT_EQ(std::min(r, b), 256);
    EXPECT_EQ(std::max(r, b), 512);
    // The measured frame itself comes out even: every site at 200.
    for (int row : {0, 1, 500}) {
        for (int column : {0, 1, 2, 3})
            EXPECT_EQ(image[row * kWidth + column], 200);
    }
    // Once only: new gains set by hand stay as they are.
    ASSERT_EQ(Travik_SetGrayGainR(handle, 128), 1);
    Snap(8);
    EXPECT_EQ(Filter(FILTER_GRAY_GAIN_R), 128);
}

TEST_F(PipelineTest, AutoGrayGainKeepsItsValueOutsideGrayModeOne) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    ASSERT_TRUE(travik_emu::SetPatternBayer(0, 400, 800, 800, 200));
    ASSERT_EQ(Travik_SetGrayMode(handle, 0), 1);
    ASSERT_EQ(Travik_SetFilterValue(handle, FILTER_GRAY_AUTO, 1), 1);
    Snap(8);
    EXPECT_EQ(Filter(FILTER_GRAY_AUTO), 1);
    EXPECT_EQ(Filter(FILTER_GRAY_GAIN_R), 128);
}

TEST_F(PipelineTest, AutomaticWhiteBalanceMeasuresEveryColourFrame) {
    ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
    // 8-bit means: red 50, green 100, blue 200.
    ASSERT_TRUE(travik_emu::SetPatternBayer(0, 200, 400, 400, 800));
    ASSERT_EQ(Travik_SetBayerGainAuto(handle, 1), 1);
    const std::vector<unsigned char> image = Snap(24);
    EXPECT_EQ(Filter(FILTER_BAYER_GAIN_RED), 200);
    EXPECT_EQ(Filter(FILTER_BAYER_GAIN_BLUE), 50);
    EXPECT_EQ(Filter(FILTER_BAYER_GAIN_GREEN), 100);
    EXPECT_EQ(Filter(FILTER_BAYER_GAIN_AUTO), 1) << "without the one-shot markers it stays on";
    // The balanced frame is gray.
    const unsigned char* p = &image[static_cast<size_t>(480) * StrideOf(kWidth, 24) + 640 * 3];
    EXPECT_EQ(p[0], 100);
    EXPECT_EQ(p[1], 100);
    EXPECT_EQ(p[2], 100);
    // It measures again on the next frame.
    ASSERT_EQ(Travik_SetBayerGainRed(handle, 100), 1);
    Snap(24);
    EXPECT_EQ(Filter(FILTER_BAYER_GAIN_RED), 200);
}

struct AutoGainCase {
    unsigned flat; // 10-bit scene value
    int gainAfter; // with gain 512 and exposure 3 the samples equal the scene
};

class AutoGain : public PipelineTest, public ::testing::WithParamInterface<AutoGainCase> {};

TEST_P(AutoGain, OneFrameAppliesTheFactorOfTheFiveWindows) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    ASSERT_TRUE(travik_emu::SetPatternFlat(0, GetParam().flat));
    ASSERT_EQ(Travik_SetGlobalGain(handle, 512), 1);
    ASSERT_EQ(Travik_SetExposureTime(handle, 3), 1);
    ASSERT_EQ(Travik_SetAutoIris(handle, 2), 1);
    Snap(8);
    EXPECT_EQ(Filter(FILTER_GLOBAL_GAIN), GetParam().gainAfter);
}

// Means 255 give 0.25, means 30 give 1.5, means 120 leave the gain alone.
INSTANTIATE_TEST_SUITE_P(Means, AutoGain,
                         ::testing::Values(AutoGainCase{1023, 128}, AutoGainCase{120, 768},
                                           AutoGainCase{480, 512}));

TEST_F(PipelineTest, AutomaticExposureHalvesTheLinesWithFactorOneHalf) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    // Gain 1023 with 500 lines passes the scene almost unchanged: 720 gives means of 179,
    // in the 160..200 band of every window, so the factor is 0.9 - 4 x 0.1 = 0.5.
    ASSERT_TRUE(travik_emu::SetPatternFlat(0, 720));
    ASSERT_EQ(Travik_SetGlobalGain(handle, 1023), 1);
    ASSERT_EQ(Travik_SetExposureTime(handle, 503), 1);
    ASSERT_EQ(Travik_SetAutoIris(handle, 1), 1);
    Snap(8);
    EXPECT_EQ(Filter(FILTER_EXPOSURE_TIME), 753);
}

TEST_F(PipelineTest, AutomaticGainConvergesOnTheScene) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    // A dark start: every window far below the band, so the gain rises frame by frame.
    ASSERT_EQ(Travik_SetGlobalGain(handle, 40), 1);
    ASSERT_EQ(Travik_SetAutoIris(handle, 2), 1);
    ASSERT_EQ(Travik_Capture(handle), 1);
    std::vector<int> gains;
    for (int frame = 0; frame < 12; ++frame) {
        Snap(8);
        gains.push_back(Filter(FILTER_GLOBAL_GAIN));
    }
    // The gain settles: the last frames no longer change it.
    EXPECT_EQ(gains[9], gains[11]);
    EXPECT_GT(gains.front(), 40);
    EXPECT_GT(gains.back(), gains.front());
    // And the five window means of the settled frame lie inside the no-change band.
    std::vector<unsigned char> image = Snap(8);
    const double windows[5][4] = {{0.1, 0.1, 0.2, 0.2},
                                  {0.1, 0.8, 0.2, 0.9},
                                  {0.45, 0.45, 0.55, 0.55},
                                  {0.8, 0.1, 0.9, 0.2},
                                  {0.8, 0.8, 0.9, 0.9}};
    double factor = 0;
    for (int i = 0; i < 5; ++i) {
        long long sum = 0, count = 0;
        for (int y = int(windows[i][1] * kHeight); y < int(windows[i][3] * kHeight); ++y)
            for (int x = int(windows[i][0] * kWidth); x < int(windows[i][2] * kWidth); ++x) {
                // Picture rows count from the bottom of memory, as the bitmap is shown.
                sum += image[static_cast<size_t>(kHeight - 1 - y) * kWidth + x];
                ++count;
            }
        const int m = static_cast<int>(sum / count);
        if (i == 0)
            factor = m > 200 ? 0.85 : m > 160 ? 0.9 : m < 50 ? 1.1 : m < 100 ? 1.05 : 1.0;
        else
            factor += m > 200 ? -0.15 : m > 160 ? -0.1 : m < 50 ? 0.1 : m < 100 ? 0.05 : 0.0;
    }
    EXPECT_GT(factor, 0.6);
    EXPECT_LT(factor, 1.2);
}

} // namespace
