// Demosaic: worked values, gain saturation, known colours at every Bayer phase and size, and an
// independent reference built from the interpolation's geometry.
#include "KernelTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <tuple>

namespace {

using kernel_test::RunKernel;
using kernel_test::TestImage;

using kernel_test::Colour;
using kernel_test::ColourAt;
using kernel_test::kBlue;
using kernel_test::kGreen;
using kernel_test::kRed;

struct Gains {
    int32_t red = 100;
    int32_t blue = 100;
};

void Demosaic(TestImage& out, const TestImage& raw, int32_t phase, Gains gains = {}) {
    int32_t block[kDemosaicBlockSize] = {phase, gains.red, 100, gains.blue};
    const bool words = raw.PixelBytes() == 2;
    ASSERT_EQ(RunKernel(words ? DemosaicInner16 : DemosaicInner8, out, raw, block), 1);
    ASSERT_EQ(RunKernel(words ? DemosaicEdge16 : DemosaicEdge8, out, raw, block), 1);
}

// ---- Reference: the interpolation as described, one pixel at a time ----

// Replacement of offsets that leave a frame of at least 4 samples.
int32_t Replace(int32_t index, int32_t offset, int32_t size) {
    if (index == 0 && offset == -1) return 3;
    if ((index == 0 || index == 1) && offset == -2) return 2;
    if (index == size - 1 && offset == 1) return -3;
    return offset;
}

struct Expected {
    int32_t blue, green, red;
};

Expected ReferencePixel(const TestImage& raw, int32_t phase, Gains gains, int32_t i, int32_t j) {
    const int32_t maximum = raw.PixelBytes() == 2 ? 1023 : 255;
    auto sample = [&](int32_t dr, int32_t dc) {
        return static_cast<int64_t>(
            raw.Get(i + Replace(i, dr, raw.Height()), j + Replace(j, dc, raw.Width())));
    };
    // The quad at rows i-1..i and columns j-1..j: two greens, one red, one blue.
    int64_t greenSum = 0;
    int64_t weighted[3] = {};
    for (int32_t dr = -1; dr <= 0; ++dr) {
        for (int32_t dc = -1; dc <= 0; ++dc) {
            const Colour colour = ColourAt(phase, i + dr, j + dc);
            if (colour == kGreen) {
                greenSum += sample(dr, dc);
                continue;
            }
            // H and V lie two columns and two rows beyond N, across the quad's centre.
            const int32_t farRow = dr == 0 ? -2 : 1;
            const int32_t farColumn = dc == 0 ? -2 : 1;
            weighted[colour] = 9 * sample(dr, dc) + 3 * sample(dr, farColumn) +
                               3 * sample(farRow, dc) + sample(farRow, farColumn);
        }
    }
    auto scaled = [&](int64_t sum, int32_t percent) {
        const int64_t product = sum * static_cast<int64_t>(percent * 1.28);
        if (product >= (int64_t{maximum} + 1) << 11) return maximum;
        return product < 0 ? 0 : static_cast<int32_t>(product >> 11);
    };
    return Expected{scaled(weighted[kBlue], gains.blue),
                    std::min(static_cast<int32_t>(greenSum >> 1), maximum),
                    scaled(weighted[kRed], gains.red)};
}

// ---- Worked values ----

// A uniform raw frame: every pixel, border included, gets the same colour.
struct Uniform {
    const char* name;
    uint32_t value8, value16; // raw sample in 8 and in 10 bits
    Gains gains;
    uint32_t blue8, green8, red8;    // expected in 8 bits
    uint32_t blue16, green16, red16; // expected in 10 bits
};

class UniformFrame
    : public ::testing::TestWithParam<std::tuple<Uniform, int32_t /*phase*/, int32_t /*bits*/>> {};

TEST_P(UniformFrame, DemosaicsToOneColourEverywhere) {
    const auto [u, phase, outBits] = GetParam();
    const bool words = outBits >= 48;
    TestImage raw(13, 9, words ? 16 : 8);
    raw.Fill(words ? u.value16 : u.value8);
    TestImage out(13, 9, outBits);
    Demosaic(out, raw, phase, u.gains);
    const uint32_t expected[3] = {words ? u.blue16 : u.blue8, words ? u.green16 : u.green8,
                                  words ? u.red16 : u.red8};
    for (int32_t i = 0; i < 9; ++i)
        for (int32_t j = 0; j < 13; ++j)
            for (int32_t c = 0; c < 3; ++c)
                ASSERT_EQ(out.Get(i, j, c), expected[c]) << i << "," << j << " channel " << c;
}

INSTANTIATE_TEST_SUITE_P(
    WorkedValues, UniformFrame,
    ::testing::Combine(
        ::testing::Values(
            // 16 * 100 * 128 >> 11 = 100.
            Uniform{"Neutral", 100, 100, {100, 100}, 100, 100, 100, 100, 100, 100},
            // Factors trunc(256) and 64.
            Uniform{"RedDoubleBlueHalf", 100, 100, {200, 50}, 50, 100, 200, 50, 100, 200},
            // 16 * 255 * 129 >= 524288: red saturates instead of wrapping.
            Uniform{"FullScaleSaturates", 255, 1023, {101, 100}, 255, 255, 255, 1023, 1023, 1023}),
        ::testing::Values(0, 1, 2, 3), ::testing::Values(24, 32, 48, 64)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_Phase" +
               std::to_string(std::get<1>(info.param)) + "_" +
               std::to_string(std::get<2>(info.param)) + "Bits";
    });

TEST(Demosaic, PhaseOneTakesEvenRowEvenColumnAsRed) {
    TestImage raw(10, 8, 8);
    for (int32_t i = 0; i < 8; i += 2)
        for (int32_t j = 0; j < 10; j += 2)
            raw.Set(i, j, 0, 200);
    TestImage out(10, 8, 24);
    Demosaic(out, raw, 1);
    for (int32_t i = 2; i <= 8 - 3; ++i) {
        for (int32_t j = 2; j <= 10 - 3; ++j) {
            EXPECT_EQ(out.Get(i, j, 0), 0u);
            EXPECT_EQ(out.Get(i, j, 1), 0u);
            EXPECT_EQ(out.Get(i, j, 2), 200u);
        }
    }
}

// Gains come from settings that a dialog can push far beyond 400 %: the products saturate.
class ExtremeGain : public ::testing::TestWithParam<std::tuple<int32_t, int32_t>> {};

TEST_P(ExtremeGain, SaturatesWithoutOverflow) {
    const auto [gain, outBits] = GetParam();
    const bool words = outBits >= 48;
    const uint32_t full = words ? 1023 : 255;
    TestImage raw(6, 6, words ? 16 : 8);
    raw.Fill(words ? 700 : 180);
    TestImage out(6, 6, outBits);
    Demosaic(out, raw, 2, Gains{gain, gain});
    const uint32_t expected = gain > 0 ? full : 0;
    for (int32_t i = 0; i < 6; ++i) {
        for (int32_t j = 0; j < 6; ++j) {
            EXPECT_EQ(out.Get(i, j, 0), expected);
            EXPECT_EQ(out.Get(i, j, 2), expected);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BeyondTheSettersRange, ExtremeGain,
                         ::testing::Combine(::testing::Values(INT_MAX, 1 << 24, 2000, -1, INT_MIN),
                                            ::testing::Values(24, 64)));

// ---- Properties ----

// A frame that holds one colour at each Bayer position comes back as that colour everywhere,
// border included, at every phase and for odd and even sizes from 2 upwards.
class KnownColour : public ::testing::TestWithParam<int32_t> {};

TEST_P(KnownColour, IsReproducedAtEveryPixel) {
    const int32_t outBits = GetParam();
    const bool words = outBits >= 48;
    std::mt19937 rng(outBits);
    std::uniform_int_distribution<int32_t> size(2, 23);
    std::uniform_int_distribution<uint32_t> value(0, words ? 1023 : 255);
    for (int round = 0; round < 60; ++round) {
        const int32_t width = size(rng);
        const int32_t height = size(rng);
        const int32_t phase = round % 4;
        const uint32_t colour[3] = {value(rng), value(rng), value(rng)}; // green, blue, red
        TestImage raw(width, height, words ? 16 : 8);
        for (int32_t i = 0; i < height; ++i)
            for (int32_t j = 0; j < width; ++j)
                raw.Set(i, j, 0, colour[ColourAt(phase, i, j)]);
        TestImage out(width, height, outBits);
        Demosaic(out, raw, phase);
        for (int32_t i = 0; i < height; ++i) {
            for (int32_t j = 0; j < width; ++j) {
                ASSERT_EQ(out.Get(i, j, 0), colour[kBlue])
                    << width << "x" << height << " phase " << phase << " at " << i << "," << j;
                ASSERT_EQ(out.Get(i, j, 1), colour[kGreen]);
                ASSERT_EQ(out.Get(i, j, 2), colour[kRed]);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(OutputDepths, KnownColour, ::testing::Values(24, 32, 48, 64));

// Random frames, sizes, phases and gains against the reference: every pixel, border included.
class AgainstReference : public ::testing::TestWithParam<int32_t> {};

TEST_P(AgainstReference, EveryPixelMatches) {
    const int32_t outBits = GetParam();
    const bool words = outBits >= 48;
    std::mt19937 rng(1000 + outBits);
    std::uniform_int_distribution<int32_t> size(4, 29);
    std::uniform_int_distribution<int32_t> gain(0, 400);
    for (int round = 0; round < 40; ++round) {
        const int32_t width = size(rng);
        const int32_t height = size(rng);
        const int32_t phase = round % 4;
        const Gains gains{gain(rng), gain(rng)};
        TestImage raw(width, height, words ? 16 : 8);
        raw.Randomise(rng, words ? 1023 : 255);
        TestImage out(width, height, outBits);
        Demosaic(out, raw, phase, gains);
        for (int32_t i = 0; i < height; ++i) {
            for (int32_t j = 0; j < width; ++j) {
                const Expected e = ReferencePixel(raw, phase, gains, i, j);
                ASSERT_EQ(out.Get(i, j, 0), static_cast<uint32_t>(e.blue))
                    << width << "x" << height << " phase " << phase << " at " << i << "," << j;
                ASSERT_EQ(out.Get(i, j, 1), static_cast<uint32_t>(e.green));
                ASSERT_EQ(out.Get(i, j, 2), static_cast<uint32_t>(e.red));
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(OutputDepths, AgainstReference, ::testing::Values(24, 32, 48, 64));

// ---- Which pixels each pass writes ----

TEST(Demosaic, InteriorPassWritesOnlyTheInteriorAndEdgePassOnlyTheBorder) {
    const int32_t width = 11, height = 9;
    TestImage raw(width, height, 8);
    raw.Fill(50);
    int32_t block[kDemosaicBlockSize] = {0, 100, 100, 100};
    TestImage inner(width, height, 32);
    inner.Fill(7);
    RunKernel(DemosaicInner8, inner, raw, block);
    TestImage edge(width, height, 32);
    edge.Fill(7);
    RunKernel(DemosaicEdge8, edge, raw, block);
    for (int32_t i = 0; i < height; ++i) {
        for (int32_t j = 0; j < width; ++j) {
            const bool interior = i >= 2 && i <= height - 3 && j >= 2 && j <= width - 3;
            EXPECT_EQ(inner.Get(i, j, 0), interior ? 50u : 7u) << i << "," << j;
            EXPECT_EQ(edge.Get(i, j, 0), interior ? 7u : 50u) << i << "," << j;
            EXPECT_EQ(inner.Get(i, j, 3), 7u); // the fourth channel is never written
            EXPECT_EQ(edge.Get(i, j, 3), 7u);
        }
    }
}

// Frames below 4 x 4 (the device accepts 3 rows) stay inside their buffers, which are sized to
// the last pixel; every pixel is still written.
class TinyFrame : public ::testing::TestWithParam<std::tuple<int32_t, int32_t, int32_t>> {};

TEST_P(TinyFrame, IsReadOnlyInsideAndFullyWritten) {
    const auto [width, height, outBits] = GetParam();
    const bool words = outBits >= 48;
    std::mt19937 rng(static_cast<unsigned>(width * 100 + height));
    TestImage raw(width, height, words ? 16 : 8);
    raw.Randomise(rng, words ? 1023 : 255);
    for (int32_t phase = 0; phase < 4; ++phase) {
        // Two destinations that start different end equal only if every pixel was written.
        TestImage zeros(width, height, outBits);
        TestImage ones(width, height, outBits);
        ones.Fill(1);
        Demosaic(zeros, raw, phase);
        Demosaic(ones, raw, phase);
        for (int32_t i = 0; i < height; ++i)
            for (int32_t j = 0; j < width; ++j)
                for (int32_t c = 0; c < 3; ++c)
                    ASSERT_EQ(zeros.Get(i, j, c), ones.Get(i, j, c)) << i << "," << j;
    }
}

INSTANTIATE_TEST_SUITE_P(SizesUpToFour, TinyFrame,
                         ::testing::Combine(::testing::Values(1, 2, 3, 4, 5),
                                            ::testing::Values(1, 2, 3, 4),
                                            ::testing::Values(24, 48)));

TEST(Demosaic, MissingParameterBlockWritesNothing) {
    TestImage raw(8, 8, 8);
    raw.Fill(9);
    TestImage out(8, 8, 24);
    EXPECT_EQ(RunKernel(DemosaicInner8, out, raw), 0);
    EXPECT_EQ(RunKernel(DemosaicEdge8, out, raw), 0);
    EXPECT_EQ(std::count(out.Bytes().begin(), out.Bytes().end(), 0),
              static_cast<ptrdiff_t>(out.Bytes().size()));
}

} // namespace
