// The kernels' fast paths against their reference code: random frames of random sizes, every
// Bayer phase, settings across and beyond their ranges, each path forced in turn; the bytes of the
// two results must be identical, padding and untouched channels included.
#include "FastPathSupport.h"
#include "KernelTestSupport.h"
#include "imaging/kernels/KernelPath.h"

#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using kernel_test::ExpectSameBytes;
using kernel_test::KernelPathGuard;
using kernel_test::KernelRun;
using kernel_test::TestImage;
using kernel_test::VectorPaths;

// Gains in percent: the setter's range, its edges, and values beyond it that only a measurement
// or a corrupt block gives.
int32_t RandomGain(std::mt19937& rng) {
    // 6399, 6400, 25599 and 25600 % lie at the edges of the vector rows' gain ranges.
    static const int32_t kEdges[] = {0,    1,      99,   100,  101,   399,   400,   -1,   -400,
                                     1600, 100000, 6399, 6400, 25599, 25600, 51199, 51200};
    if (rng() % 3 == 0) return kEdges[rng() % std::size(kEdges)];
    return static_cast<int32_t>(rng() % 401);
}

class DemosaicFastPath : public ::testing::TestWithParam<int32_t /*output bits*/> {};

TEST_P(DemosaicFastPath, MatchesTheReferenceOnRandomFrames) {
    KernelPathGuard guard;
    const int32_t outBits = GetParam();
    const bool words = outBits >= 48;
    std::mt19937 rng(static_cast<unsigned>(outBits));
    for (int trial = 0; trial < 400; ++trial) {
        // Widths and heights 1..33 mostly; every eighth frame wider, 34..120 columns, so that
        // the widest vector steps (32 columns) run with every remainder after them.
        const bool large = trial % 8 == 0;
        const int32_t width = large ? 34 + static_cast<int32_t>(rng() % 87) : 1 + rng() % 33;
        const int32_t height = large ? 61 + static_cast<int32_t>(rng() % 4) : 1 + rng() % 33;
        TestImage raw(width, height, words ? 16 : 8);
        // Mostly in-range samples; now and then whole 16-bit words, beyond the 10 bits.
        raw.Randomise(rng, words ? (trial % 5 == 0 ? 65535 : 1023) : 255);
        TestImage out(width, height, outBits);
        out.Randomise(rng, words ? 65535 : 255);
        // Every other trial the interior pass alone: it must leave the border as it found it.
        std::vector<PositionedKernel> kernels = {words ? DemosaicInner16 : DemosaicInner8};
        if (trial % 2) kernels.push_back(words ? DemosaicEdge16 : DemosaicEdge8);
        KernelRun run{
            kernels,
            raw.Whole(),
            0,
            0,
            {static_cast<int32_t>(rng() % 4), RandomGain(rng), RandomGain(rng), RandomGain(rng)}};
        const std::string what = std::to_string(width) + "x" + std::to_string(height) + " phase " +
                                 std::to_string(run.block[0]) + " gains " +
                                 std::to_string(run.block[1]) + "/" + std::to_string(run.block[3]);
        ExpectSameBytes(run, out, raw, what);
        if (HasFatalFailure()) return;
    }
}

// A rectangle inside the frame written at an offset, as a clipped ApplyKernel calls it.
TEST_P(DemosaicFastPath, MatchesTheReferenceOnAnOffsetRectangle) {
    KernelPathGuard guard;
    const int32_t outBits = GetParam();
    const bool words = outBits >= 48;
    std::mt19937 rng(99);
    TestImage raw(40, 30, words ? 16 : 8);
    raw.Randomise(rng, words ? 1023 : 255);
    TestImage out(45, 33, outBits);
    out.Randomise(rng, 255);
    for (int32_t phase = 0; phase < 4; ++phase) {
        KernelRun run{
            {words ? DemosaicInner16 : DemosaicInner8, words ? DemosaicEdge16 : DemosaicEdge8},
            KernelRect{3, 2, 36, 27},
            5,
            4,
            {phase, 130, 100, 70}};
        ExpectSameBytes(run, out, raw, "phase " + std::to_string(phase));
    }
}

struct SharpenCase {
    const char* name;
    PositionedKernel kernel;
    int32_t bits;
    uint32_t maximum;
};

class SharpenFastPath : public ::testing::TestWithParam<SharpenCase> {};

TEST_P(SharpenFastPath, MatchesTheReferenceOnRandomImages) {
    KernelPathGuard guard;
    const SharpenCase& c = GetParam();
    std::mt19937 rng(static_cast<unsigned>(c.bits) * 31);
    static const int32_t kValues[] = {0, 1, 10, 12, 29, 30, 59, 60, 61, 200, -1, -30};
    for (int trial = 0; trial < 300; ++trial) {
        const bool large = trial % 50 == 0;
        const int32_t width = large ? 70 + static_cast<int32_t>(rng() % 9) : 1 + rng() % 33;
        const int32_t height = large ? 40 + static_cast<int32_t>(rng() % 5) : 1 + rng() % 33;
        TestImage copy(width, height, c.bits);
        // Flat regions now and then, where blur and original are equal.
        // Words beyond the sample bits now and then, which the pipeline never makes.
        const bool words = c.maximum > 255;
        copy.Randomise(rng, trial % 7 == 0 ? 1 : words && trial % 5 == 0 ? 65535 : c.maximum);
        TestImage out = copy;
        const int32_t sharpness =
            trial % 2 ? kValues[rng() % std::size(kValues)] : static_cast<int32_t>(rng() % 31);
        static const int32_t kSampleBits[] = {10, 10, 10, 8, 9, 12, 16};
        const int32_t sampleBits = kSampleBits[rng() % std::size(kSampleBits)];
        KernelRun run{{c.kernel}, copy.Whole(), 0, 0, {sharpness, sampleBits}};
        ExpectSameBytes(run, out, copy,
                        std::to_string(width) + "x" + std::to_string(height) + " sharpness " +
                            std::to_string(sharpness) + " bits " + std::to_string(sampleBits));
        if (HasFatalFailure()) return;
    }
}

// ---- Hue and saturation ----

struct HueCase {
    const char* name;
    PositionedKernel kernel;
    int32_t bits;
};

class HueFastPath : public ::testing::TestWithParam<HueCase> {
  public:
    // Random channel values: whole words now and then for the word kernels (beyond the sample
    // bits), and grays and two-equal-channel pixels, where the sector choice has ties.
    static void Fill(TestImage& image, std::mt19937& rng, int trial) {
        const bool words = image.Channels() > 0 && image.PixelBytes() >= 6;
        image.Randomise(rng, words ? (trial % 5 == 0 ? 65535 : 1023) : 255);
        for (int32_t i = 0; i < image.Height(); ++i)
            for (int32_t j = 0; j < image.Width(); ++j)
                if (rng() % 4 == 0)
                    image.Set(i, j, static_cast<int32_t>(rng() % 3),
                              image.Get(i, j, static_cast<int32_t>(rng() % 3)));
    }

    // The kernel in place, as the pipeline runs it, with the path forced.
    static std::vector<uint8_t> InPlace(KernelPath path, PositionedKernel kernel, TestImage image,
                                        KernelRect rect, std::vector<int32_t> block) {
        ForceKernelPath(path);
        int32_t* pointer = block.data();
        kernel(image.Data(), image.Data(), rect, rect.left, rect.top, image.PixelBytes(),
               image.PixelBytes(), image.Stride(), image.Stride(), &pointer);
        return image.Bytes();
    }

    static void ExpectSameInPlace(PositionedKernel kernel, const TestImage& image, KernelRect rect,
                                  const std::vector<int32_t>& block, const std::string& what) {
        const std::vector<uint8_t> reference =
            InPlace(KernelPath::Reference, kernel, image, rect, block);
        for (KernelPath path : VectorPaths()) {
            const std::vector<uint8_t> fast = InPlace(path, kernel, image, rect, block);
            if (fast == reference) continue; // the byte loop below only names the first difference
            ASSERT_EQ(reference.size(), fast.size());
            for (size_t i = 0; i < reference.size(); ++i)
                ASSERT_EQ(int{fast[i]}, int{reference[i]})
                    << KernelPathName(path) << ", " << what << ", byte " << i;
        }
    }
};

// Widths 1..33 mostly; every fourth trial 34..130, so that the widest vector step (32 pixels)
// runs several times a row with every remainder after it.
int32_t HueWidth(std::mt19937& rng, int trial) {
    if (trial % 4 == 0) return 34 + static_cast<int32_t>(rng() % 97);
    return 1 + static_cast<int32_t>(rng() % 33);
}

std::string HueSettings(int32_t hue, int32_t saturation) {
    return "hue " + std::to_string(hue) + " saturation " + std::to_string(saturation);
}

// Every hue of the setter's range and beyond it, each with a random saturation, and every
// saturation likewise; in place on whole images of random sizes.
TEST_P(HueFastPath, MatchesTheReferenceForEverySetting) {
    KernelPathGuard guard;
    const HueCase& c = GetParam();
    std::mt19937 rng(static_cast<unsigned>(c.bits) * 7);
    auto check = [&](int trial, int32_t hue, int32_t saturation) {
        const int32_t width = HueWidth(rng, trial);
        const int32_t height = 1 + static_cast<int32_t>(rng() % 5);
        TestImage image(width, height, c.bits);
        Fill(image, rng, trial);
        static const int32_t kSampleBits[] = {10, 10, 10, 8, 9, 12, 16, 0, 40};
        const int32_t bits = kSampleBits[rng() % std::size(kSampleBits)];
        ExpectSameInPlace(c.kernel, image, image.Whole(), {hue, 0, saturation, bits},
                          std::to_string(width) + "x" + std::to_string(height) + " " +
                              HueSettings(hue, saturation) + " bits " + std::to_string(bits));
    };
    int trial = 0;
    for (int32_t hue = -800; hue <= 800; ++hue, ++trial) {
        check(trial, hue, static_cast<int32_t>(rng() % 601) - 300);
        if (HasFatalFailure()) return;
    }
    for (int32_t saturation = -400; saturation <= 400; ++saturation, ++trial) {
        check(trial, static_cast<int32_t>(rng() % 1441) - 720, saturation);
        if (HasFatalFailure()) return;
    }
    static const int32_t kExtremes[] = {INT32_MIN, INT32_MIN + 1, -65536, 65536, INT32_MAX};
    for (int32_t extreme : kExtremes) {
        check(trial++, extreme, 17);
        check(trial++, 17, extreme);
        check(trial++, extreme, extreme);
        if (HasFatalFailure()) return;
    }
}

// From one buffer into another, and a rectangle inside the image written at an offset.
TEST_P(HueFastPath, MatchesTheReferenceOnSeparateBuffersAndOffsetRectangles) {
    KernelPathGuard guard;
    const HueCase& c = GetParam();
    std::mt19937 rng(static_cast<unsigned>(c.bits) * 13);
    for (int trial = 0; trial < 300; ++trial) {
        const int32_t width = HueWidth(rng, trial);
        const int32_t height = 1 + static_cast<int32_t>(rng() % 33);
        TestImage src(width, height, c.bits);
        Fill(src, rng, trial);
        TestImage dst(width + 7, height + 5, c.bits);
        dst.Randomise(rng, 255);
        const int32_t left = static_cast<int32_t>(rng() % static_cast<unsigned>(width));
        const int32_t top = static_cast<int32_t>(rng() % static_cast<unsigned>(height));
        const KernelRect rect{left, top, width, height};
        const int32_t hue = static_cast<int32_t>(rng() % 721) - 360;
        const int32_t saturation = static_cast<int32_t>(rng() % 511) - 255;
        KernelRun run{{c.kernel},
                      rect,
                      static_cast<int32_t>(rng() % 7),
                      static_cast<int32_t>(rng() % 5),
                      {hue, 0, saturation, 10}};
        ExpectSameBytes(run, dst, src,
                        std::to_string(width) + "x" + std::to_string(height) + " " +
                            HueSettings(hue, saturation));
        if (HasFatalFailure()) return;
        ExpectSameInPlace(c.kernel, src, rect, run.block,
                          "in place, " + HueSettings(hue, saturation));
        if (HasFatalFailure()) return;
    }
}

// The destination one pixel behind or ahead of the source in the same buffer: each pixel written
// may be one the kernel reads next, and the result must still be the reference's.
TEST_P(HueFastPath, MatchesTheReferenceWhenTheAreasOverlap) {
    KernelPathGuard guard;
    const HueCase& c = GetParam();
    std::mt19937 rng(5);
    for (int32_t shift : {-1, 1}) {
        TestImage image(22, 3, c.bits);
        Fill(image, rng, 1);
        const KernelRect rect{1, 0, 20, 3};
        auto result = [&](KernelPath path) {
            ForceKernelPath(path);
            TestImage copy = image;
            std::vector<int32_t> block = {100, 0, 50, 10};
            int32_t* pointer = block.data();
            c.kernel(copy.Data(), copy.Data(), rect, 1 + shift, 0, copy.PixelBytes(),
                     copy.PixelBytes(), copy.Stride(), copy.Stride(), &pointer);
            return copy.Bytes();
        };
        const std::vector<uint8_t> reference = result(KernelPath::Reference);
        for (KernelPath path : VectorPaths())
            EXPECT_EQ(result(path), reference) << KernelPathName(path) << ", shift " << shift;
    }
}

// The caller's floating-point control word is its own: under every rounding mode, and with the
// inexact exception unmasked, the fast paths give the reference's pixels, raise nothing and leave
// the control word as they found it.
TEST_P(HueFastPath, GivesTheSamePixelsWhateverTheCallersRoundingMode) {
    KernelPathGuard guard;
    const HueCase& c = GetParam();
    // Every chroma with every position in its sector: red k, green 0..k, blue 0.
    TestImage image(256, 256, c.bits);
    const uint32_t scale = image.PixelBytes() >= 6 ? 4 : 1;
    for (int32_t k = 0; k < 256; ++k)
        for (int32_t position = 0; position < 256; ++position) {
            image.Set(k, position, 0, 0);
            image.Set(k, position, 1, static_cast<uint32_t>(std::min(position, k)) * scale);
            image.Set(k, position, 2, static_cast<uint32_t>(k) * scale);
        }
    const std::vector<int32_t> block = {100, 0, 50, 10};
    const std::vector<uint8_t> reference =
        InPlace(KernelPath::Reference, c.kernel, image, image.Whole(), block);
    const unsigned saved = _mm_getcsr();
    constexpr unsigned kInexactMask = 0x1000;
    for (unsigned rounding : {0x0000u, 0x2000u, 0x4000u, 0x6000u}) {
        // Status flags clear, every exception masked but the inexact one, this rounding mode.
        const unsigned callers = (saved & ~0x7FBFu) | (0x1F80u & ~kInexactMask) | rounding;
        for (KernelPath path : VectorPaths()) {
            ForceKernelPath(path);
            TestImage copy = image;
            std::vector<int32_t> parameters = block;
            int32_t* pointer = parameters.data();
            _mm_setcsr(callers);
            c.kernel(copy.Data(), copy.Data(), copy.Whole(), 0, 0, copy.PixelBytes(),
                     copy.PixelBytes(), copy.Stride(), copy.Stride(), &pointer);
            const unsigned after = _mm_getcsr();
            _mm_setcsr(saved);
            EXPECT_EQ(after, callers) << KernelPathName(path) << ", rounding " << rounding;
            EXPECT_EQ(copy.Bytes(), reference) << KernelPathName(path) << ", rounding " << rounding;
        }
    }
}

// All 2^24 colours once, under one of a few settings each, and an eighth of them as words.
TEST(HueFastPathAllColours, MatchesTheReferenceOnEveryColour) {
    KernelPathGuard guard;
    TestImage image(256, 256, 24);
    TestImage words(256, 256, 48);
    const std::vector<int32_t> settings[] = {
        {40, 0, 60, 10}, {-200, 0, -255, 10}, {359, 0, 255, 10}};
    for (int32_t red = 0; red < 256; ++red) {
        for (int32_t i = 0; i < 256; ++i) {
            uint8_t* pixel = image.Data() + i * image.Stride();
            for (int32_t j = 0; j < 256; ++j, pixel += 3) {
                pixel[0] = static_cast<uint8_t>(j);
                pixel[1] = static_cast<uint8_t>(i);
                pixel[2] = static_cast<uint8_t>(red);
            }
        }
        // The settings take turns, so that every colour is checked once and the run stays short.
        const std::vector<int32_t>& block = settings[red % std::size(settings)];
        HueFastPath::ExpectSameInPlace(HueSaturation8, image, image.Whole(), block,
                                       "red " + std::to_string(red) + " " +
                                           HueSettings(block[0], block[2]));
        if (HasFatalFailure()) return;
        // The word kernels split and merge pixels their own way: every eighth red through them,
        // as 10-bit samples whose two low bits vary.
        if (red % 8 != 3) continue;
        for (int32_t i = 0; i < 256; ++i)
            for (int32_t j = 0; j < 256; ++j)
                for (int32_t channel = 0; channel < 3; ++channel)
                    words.Set(i, j, channel,
                              image.Get(i, j, channel) * 4 +
                                  static_cast<uint32_t>(i + j + channel) % 4);
        HueFastPath::ExpectSameInPlace(HueSaturation16, words, words.Whole(), block,
                                       "48-bit, red " + std::to_string(red) + " " +
                                           HueSettings(block[0], block[2]));
        if (HasFatalFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Images, HueFastPath,
                         ::testing::Values(HueCase{"Color24", HueSaturation8, 24},
                                           HueCase{"Color32", HueSaturation8, 32},
                                           HueCase{"Color48", HueSaturation16, 48},
                                           HueCase{"Color64", HueSaturation16, 64}),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Images, SharpenFastPath,
                         ::testing::Values(SharpenCase{"Mono8", SharpenMono8, 8, 255},
                                           SharpenCase{"Color24", SharpenColor8, 24, 255},
                                           SharpenCase{"Color32", SharpenColor8, 32, 255},
                                           SharpenCase{"Mono16", SharpenMono16, 16, 1023},
                                           SharpenCase{"Color48", SharpenColor16, 48, 1023},
                                           SharpenCase{"Color64", SharpenColor16, 64, 1023}),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(OutputBits, DemosaicFastPath, ::testing::Values(24, 32, 48, 64),
                         [](const auto& info) { return std::to_string(info.param) + "Bits"; });

} // namespace
