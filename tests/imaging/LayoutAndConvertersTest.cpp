// Raw frame layout (restride, mirrors), depth and order converters, resize and region means.
#include "KernelTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

namespace {

using kernel_test::Pixel;
using kernel_test::RunInPlace;
using kernel_test::RunKernel;
using kernel_test::TestImage;

// ---- Restride ----

class Restride : public ::testing::TestWithParam<std::tuple<int32_t, int32_t, int32_t>> {};

// The device delivers rows back to back; each sample must end up at its row's stride.
TEST_P(Restride, SpreadsPackedRowsToTheStride) {
    const auto [width, height, bits] = GetParam();
    const int32_t bytes = bits / 8;
    TestImage frame(width, height, bits);
    // Packed sample n holds n + 1 (low bits), stored where the device writes it.
    for (int32_t n = 0; n < width * height; ++n) {
        for (int32_t b = 0; b < bytes; ++b) {
            frame.Data()[n * bytes + b] = static_cast<uint8_t>(b == 0 ? n + 1 : (n + 1) >> 8);
        }
    }
    ASSERT_EQ(RunInPlace(bits == 8 ? Restride8 : Restride16, frame), 1);
    const uint32_t mask = bits == 8 ? 0xFF : 0xFFFF;
    for (int32_t i = 0; i < height; ++i)
        for (int32_t j = 0; j < width; ++j)
            ASSERT_EQ(frame.Get(i, j), static_cast<uint32_t>(i * width + j + 1) & mask);
}

INSTANTIATE_TEST_SUITE_P(Widths, Restride,
                         ::testing::Values(std::make_tuple(1278, 12, 8),
                                           std::make_tuple(1277, 5, 16), std::make_tuple(3, 7, 8),
                                           std::make_tuple(1, 9, 16), std::make_tuple(5, 1, 8)));

TEST(RestrideKernel, LeavesAFrameWhoseRowsAreAlreadyPackedAlone) {
    std::mt19937 rng(3);
    TestImage frame(1280, 4, 8);
    frame.Randomise(rng, 255);
    const TestImage before = frame;
    RunInPlace(Restride8, frame);
    EXPECT_EQ(frame.Bytes(), before.Bytes());
}

// ---- Mirrors ----

class Mirror : public ::testing::TestWithParam<std::tuple<bool, bool, int32_t>> {};

TEST_P(Mirror, ReversesPixelsWithinRowsAndOrOrderOfRows) {
    const auto [horizontal, vertical, bits] = GetParam();
    std::mt19937 rng(5);
    TestImage frame = TestImage::WholeRows(7, 5, bits);
    frame.Randomise(rng, bits == 8 ? 255 : 65535);
    const TestImage before = frame;
    std::vector<uint8_t> scratch(frame.Bytes().size());
    MirrorFrame(frame.Data(), scratch.data(), 7, 5, frame.Stride(), bits / 8, horizontal, vertical);
    for (int32_t i = 0; i < 5; ++i) {
        for (int32_t j = 0; j < 7; ++j) {
            const int32_t fromRow = vertical ? 4 - i : i;
            const int32_t fromColumn = horizontal ? 6 - j : j;
            for (int32_t c = 0; c < frame.Channels(); ++c)
                ASSERT_EQ(frame.Get(i, j, c), before.Get(fromRow, fromColumn, c)) << i << "," << j;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Directions, Mirror,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool(),
                                            ::testing::Values(8, 16, 24)));

// The phase that MirroredBayerPhase gives names the colour of every sample of the mirrored
// frame: the frame's samples carry their colour as their value, so after mirroring each sample
// must still hold the value of the colour that the new phase puts at its place.
class MirroredPhase
    : public ::testing::TestWithParam<std::tuple<bool, bool, int32_t, int32_t, int32_t>> {};

TEST_P(MirroredPhase, NamesTheColourOfEverySampleOfTheMirroredFrame) {
    const auto [horizontal, vertical, width, height, phase] = GetParam();
    const uint32_t valueOf[3] = {100, 50, 200}; // green, blue, red
    TestImage frame = TestImage::WholeRows(width, height, 8);
    for (int32_t i = 0; i < height; ++i)
        for (int32_t j = 0; j < width; ++j)
            frame.Set(i, j, 0, valueOf[kernel_test::ColourAt(phase, i, j)]);
    std::vector<uint8_t> scratch(frame.Bytes().size());
    MirrorFrame(frame.Data(), scratch.data(), width, height, frame.Stride(), 1, horizontal,
                vertical);
    const int32_t mirrored = MirroredBayerPhase(phase, horizontal, vertical, width, height);
    for (int32_t i = 0; i < height; ++i)
        for (int32_t j = 0; j < width; ++j)
            ASSERT_EQ(frame.Get(i, j), valueOf[kernel_test::ColourAt(mirrored, i, j)])
                << i << "," << j;
}

INSTANTIATE_TEST_SUITE_P(OddAndEvenSizes, MirroredPhase,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool(),
                                            ::testing::Values(6, 7), ::testing::Values(4, 5),
                                            ::testing::Values(0, 1, 2, 3)));

// ---- Converters: the rule of each, on random pixels ----

struct ConverterCase {
    const char* name;
    PositionedKernel kernel;
    int32_t dstBits;
    int32_t srcBits;
    bool flip;
    // Expected destination channel c from the source pixel's channel reader.
    std::function<uint32_t(int32_t c, const std::function<uint32_t(int32_t)>& in)> rule;
};

void PrintTo(const ConverterCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<ConverterCase> Converters() {
    auto shift = [](int32_t s, bool swap, bool alpha) {
        return [=](int32_t c, const std::function<uint32_t(int32_t)>& in) -> uint32_t {
            if (c == 3) return alpha ? 65535u : 0u;
            const int32_t from = swap ? 2 - c : c;
            return (in(from) << s) & 65535;
        };
    };
    auto down = [](int32_t s) {
        return [=](int32_t c, const std::function<uint32_t(int32_t)>& in) {
            return (in(c) >> s) & 255;
        };
    };
    auto copy = [](int32_t c, const std::function<uint32_t(int32_t)>& in) { return in(c); };
    return {
        {"Mono10To8", Mono10To8, 8, 16, false, down(2)},
        {"Mono10To8Flip", Mono10To8Flip, 8, 16, true, down(2)},
        {"Mono12To8Flip", Mono12To8Flip, 8, 16, true, down(4)},
        {"Mono12To16", Mono12To16, 16, 16, false, shift(4, false, false)},
        {"Mono10To16", Mono10To16, 16, 16, false, shift(6, false, false)},
        {"Color10To8", Color10To8, 24, 48, false, down(2)},
        {"Color10To8Flip", Color10To8Flip, 24, 64, true, down(2)},
        {"Color32To24", Color32To24, 24, 32, false, copy},
        {"Color24Flip", Color24Flip, 24, 24, true, copy},
        {"Color24Swap", Color24Swap, 24, 32, false,
         [](int32_t c, const std::function<uint32_t(int32_t)>& in) { return in(2 - c); }},
        {"Color32Alpha", Color32Alpha, 32, 32, false,
         [](int32_t c, const std::function<uint32_t(int32_t)>& in) {
             return c == 3 ? 255 - in(3) : in(c);
         }},
        {"Color12To16", Color12To16, 48, 48, false, shift(4, false, false)},
        {"Color12To16Swap", Color12To16Swap, 48, 48, false, shift(4, true, false)},
        {"Color10To16", Color10To16, 48, 64, false, shift(6, false, false)},
        {"Color10To16Swap", Color10To16Swap, 48, 48, false, shift(6, true, false)},
        {"Color12To16Alpha", Color12To16Alpha, 64, 48, false, shift(4, false, true)},
        {"Color12To16SwapAlpha", Color12To16SwapAlpha, 64, 64, false, shift(4, true, true)},
        {"Color10To16Alpha", Color10To16Alpha, 64, 48, false, shift(6, false, true)},
        {"Color10To16SwapAlpha", Color10To16SwapAlpha, 64, 48, false, shift(6, true, true)},
    };
}

class Converter : public ::testing::TestWithParam<ConverterCase> {};

TEST_P(Converter, MapsEveryPixelByItsRule) {
    const ConverterCase& k = GetParam();
    std::mt19937 rng(17);
    TestImage src(9, 6, k.srcBits);
    src.Randomise(rng, 65535);
    TestImage dst(9, 6, k.dstBits);
    ASSERT_EQ(RunKernel(k.kernel, dst, src), 1);
    for (int32_t i = 0; i < 6; ++i) {
        const int32_t from = k.flip ? 5 - i : i;
        for (int32_t j = 0; j < 9; ++j) {
            for (int32_t c = 0; c < dst.Channels(); ++c) {
                if (c == 3 && k.dstBits == 32 && k.srcBits != 32) continue;
                const uint32_t expected =
                    k.rule(c, [&](int32_t channel) { return src.Get(from, j, channel); });
                ASSERT_EQ(dst.Get(i, j, c), expected) << i << "," << j << " channel " << c;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, Converter, ::testing::ValuesIn(Converters()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConverterValues, WorkedValues) {
    TestImage out16 = Pixel(16, {0});
    const TestImage in = Pixel(16, {1023});
    RunKernel(Mono10To16, out16, in);
    EXPECT_EQ(out16.Get(0, 0), 65472u);
    TestImage out32 = Pixel(32, {0, 0, 0, 0});
    RunKernel(Color32Alpha, out32, Pixel(32, {1, 2, 3, 0}));
    EXPECT_EQ(out32.Get(0, 0, 3), 255u);
    TestImage out8 = Pixel(8, {0});
    RunKernel(Mono10To8, out8, in);
    EXPECT_EQ(out8.Get(0, 0), 255u);
}

TEST(RowsFlipKernel, CopiesWholeRowsInReverseOrder) {
    std::mt19937 rng(23);
    TestImage src = TestImage::WholeRows(5, 4, 24); // stride 16 of which 15 are pixels
    src.Randomise(rng, 255);
    TestImage dst = TestImage::WholeRows(5, 4, 24);
    ASSERT_EQ(RunKernel(RowsFlip, dst, src), 1);
    for (int32_t i = 0; i < 4; ++i)
        for (int32_t b = 0; b < 16; ++b)
            ASSERT_EQ(dst.Data()[i * 16 + b], src.Data()[(3 - i) * 16 + b]);
}

TEST(RowsFlipKernel, CopiesOnlyTheShorterStride) {
    TestImage src = TestImage::WholeRows(2, 3, 8); // stride 4
    src.Fill(9);
    TestImage dst(8, 3, 8, 8);
    dst.Fill(1);
    ASSERT_EQ(RunKernel(RowsFlip, dst, src), 1);
    for (int32_t i = 0; i < 3; ++i) {
        for (int32_t j = 0; j < 8; ++j) {
            EXPECT_EQ(dst.Get(i, j), j < 2 ? 9u : j < 4 ? 0u : 1u) << i << "," << j;
        }
    }
}

// ---- Resize ----

TEST(ScaleNearest, HalvesBySamplingEverySecondPixelFromTheLastRow) {
    std::mt19937 rng(29);
    TestImage src(640, 480, 24);
    src.Randomise(rng, 255);
    TestImage dst(320, 240, 24);
    ASSERT_EQ(ScaleNearest24(dst.Data(), src.Data(), dst.Whole(), src.Whole(), {320, 240},
                             {640, 480}, 3, 3, dst.Stride(), src.Stride(), nullptr, nullptr),
              1);
    for (int32_t y = 0; y < 240; ++y)
        for (int32_t x = 0; x < 320; ++x)
            for (int32_t c = 0; c < 3; ++c)
                ASSERT_EQ(dst.Get(y, x, c), src.Get(479 - 2 * y, 2 * x, c)) << y << "," << x;
}

TEST(ScaleNearest, UsesSinglePrecisionRatiosForUnevenSizes) {
    TestImage src(5, 7, 8);
    for (int32_t i = 0; i < 7; ++i)
        for (int32_t j = 0; j < 5; ++j)
            src.Set(i, j, 0, static_cast<uint32_t>(i * 10 + j));
    TestImage dst(3, 9, 8);
    ASSERT_EQ(ScaleNearest8(dst.Data(), src.Data(), dst.Whole(), src.Whole(), {3, 9}, {5, 7}, 1, 1,
                            dst.Stride(), src.Stride(), nullptr, nullptr),
              1);
    const float fx = 5.0f / 3.0f, fy = 7.0f / 9.0f;
    for (int32_t y = 0; y < 9; ++y) {
        for (int32_t x = 0; x < 3; ++x) {
            const int32_t sx = static_cast<int32_t>(static_cast<float>(x) * fx);
            const int32_t sy = static_cast<int32_t>(static_cast<float>(y) * fy);
            EXPECT_EQ(dst.Get(y, x), static_cast<uint32_t>((6 - sy) * 10 + sx));
        }
    }
}

TEST(ScaleNearest, EnlargesWithinTheSource) {
    std::mt19937 rng(31);
    TestImage src(3, 2, 24);
    src.Randomise(rng, 255);
    TestImage dst(50, 41, 24);
    ScaleNearest24(dst.Data(), src.Data(), dst.Whole(), src.Whole(), {50, 41}, {3, 2}, 3, 3,
                   dst.Stride(), src.Stride(), nullptr, nullptr);
    EXPECT_EQ(dst.Get(0, 0, 0), src.Get(1, 0, 0));
    EXPECT_EQ(dst.Get(40, 49, 2), src.Get(0, 2, 2));
}

// ---- Region means ----

TEST(MeanGray, SixteenBitFullScaleIsTwoHundredFiftyFive) {
    TestImage image(20, 10, 16);
    image.Fill(1023);
    EXPECT_EQ(RunKernel(MeanGray16, image, image, nullptr, {4, 2, 14, 8}, 4, 2), 255);
}

TEST(MeanGray, EmptyRectangleIsZero) {
    TestImage image(8, 8, 8);
    image.Fill(200);
    EXPECT_EQ(RunKernel(MeanGray8, image, image, nullptr, {3, 3, 3, 7}), 0);
    EXPECT_EQ(RunKernel(MeanGray16, image, image, nullptr, {3, 3, 5, 3}), 0);
}

// The rectangle is in source coordinates: the source is measured, wherever the destination is
// and whatever it holds.
TEST(MeanGray, MeasuresTheSourceNotTheDestination) {
    TestImage source(16, 8, 8), destination(16, 8, 8);
    source.Fill(40);
    destination.Fill(250);
    EXPECT_EQ(RunKernel(MeanGray8, destination, source, nullptr, {8, 4, 16, 8}, 0, 0), 40);
    TestImage words(16, 8, 16), wordDestination(16, 8, 16);
    words.Fill(400); // (400 >> 2) & 255 = 100
    wordDestination.Fill(1023);
    EXPECT_EQ(RunKernel(MeanGray16, wordDestination, words, nullptr, {8, 4, 16, 8}, 0, 0), 100);
}

TEST(MeanGray, AveragesTheRectangleWithTruncation) {
    TestImage image(6, 4, 8);
    image.Fill(0);
    image.Set(1, 1, 0, 10);
    image.Set(1, 2, 0, 11);
    image.Set(2, 1, 0, 12);
    image.Set(2, 2, 0, 14);  // (10 + 11 + 12 + 14) / 4 = 11.75
    image.Set(0, 0, 0, 255); // outside
    EXPECT_EQ(RunKernel(MeanGray8, image, image, nullptr, {1, 1, 3, 3}, 1, 1), 11);
    TestImage words(4, 1, 16);
    words.Set(0, 0, 0, 0xFFFF); // (v >> 2) & 255 = 255
    words.Set(0, 1, 0, 0x0407); // 1
    EXPECT_EQ(RunKernel(MeanGray16, words, words, nullptr, {0, 0, 2, 1}), 128);
}

} // namespace
