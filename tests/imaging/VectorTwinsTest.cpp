// The vector twins of the gray gains, the depth converters and the mirror against their reference
// code: random images of widths 1..33 and a few wider ones, offset rectangles, in place and
// between buffers, every Bayer phase, settings inside and beyond the setters' ranges, each path
// the CPU runs forced in turn.
#include "FastPathSupport.h"
#include "KernelTestSupport.h"
#include "imaging/kernels/KernelPath.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using kernel_test::ExpectSameBytes;
using kernel_test::KernelPathGuard;
using kernel_test::KernelRun;
using kernel_test::TestImage;
using kernel_test::VectorPaths;

// Widths 1..33 mostly, now and then a wider odd or even one.
int32_t RandomSize(std::mt19937& rng, int trial, int32_t wide) {
    if (trial % 25 == 0) return wide + static_cast<int32_t>(rng() % 9);
    return 1 + static_cast<int32_t>(rng() % 33);
}

// A rectangle inside an image of `width` x `height`: the whole image every other trial.
KernelRect RandomRect(std::mt19937& rng, int trial, int32_t width, int32_t height) {
    if (trial % 2 == 0) return KernelRect{0, 0, width, height};
    const int32_t left = static_cast<int32_t>(rng() % static_cast<unsigned>(width));
    const int32_t top = static_cast<int32_t>(rng() % static_cast<unsigned>(height));
    return KernelRect{left, top, width, height};
}

// ---- The choice of path ----

// Forcing a path never goes beyond what the CPU runs: an AVX2 request on a CPU without it gets
// SSE2, which every x86-64 CPU has.
TEST(KernelPathChoice, ForcingIsCappedAtWhatTheCpuRuns) {
    KernelPathGuard guard;
    EXPECT_EQ(ForceKernelPath(KernelPath::Reference), KernelPath::Reference);
    EXPECT_EQ(ActiveKernelPath(), KernelPath::Reference);
    EXPECT_TRUE(KernelPathSupported(KernelPath::Reference));
#if defined(__x86_64__) || defined(_M_X64)
    EXPECT_TRUE(KernelPathSupported(KernelPath::Sse2));
    EXPECT_EQ(ForceKernelPath(KernelPath::Sse2), KernelPath::Sse2);
#endif
    const KernelPath best = ForceKernelPath(KernelPath::Avx2);
    EXPECT_EQ(best == KernelPath::Avx2, KernelPathSupported(KernelPath::Avx2));
    EXPECT_EQ(ActiveKernelPath(), best);
    EXPECT_STREQ(KernelPathName(KernelPath::Reference), "scalar");
    EXPECT_STREQ(KernelPathName(KernelPath::Sse2), "sse2");
    EXPECT_STREQ(KernelPathName(KernelPath::Avx2), "avx2");
}

// ---- Gray gains ----

// Gains and offsets: the setters' ranges, their edges, and what only a measurement or a corrupt
// block gives (the vector rows leave those to the reference).
int32_t RandomGrayGain(std::mt19937& rng) {
    static const int32_t kEdges[] = {0, 1, 127, 128, 129, 254, 255, 256, -1, 1000, 70000};
    if (rng() % 4 == 0) return kEdges[rng() % std::size(kEdges)];
    return static_cast<int32_t>(rng() % 256);
}

int32_t RandomGrayOffset(std::mt19937& rng) {
    static const int32_t kEdges[] = {-255, -254, -1, 0, 1, 254, 255, -256, 256, 5000};
    if (rng() % 4 == 0) return kEdges[rng() % std::size(kEdges)];
    return static_cast<int32_t>(rng() % 511) - 255;
}

class GrayGainsTwin : public ::testing::TestWithParam<int32_t /*sample bytes*/> {};

TEST_P(GrayGainsTwin, MatchesTheReferenceOnRandomFrames) {
    KernelPathGuard guard;
    const bool words = GetParam() == 2;
    std::mt19937 rng(words ? 16 : 8);
    static const int32_t kSampleBits[] = {8, 10, 10, 12, 14, 16, 9, 0};
    for (int trial = 0; trial < 600; ++trial) {
        const int32_t width = RandomSize(rng, trial, 61);
        const int32_t height = 1 + static_cast<int32_t>(rng() % 6);
        TestImage src(width, height, words ? 16 : 8);
        src.Randomise(rng, words ? (trial % 4 == 0 ? 65535 : 1023) : 255);
        std::vector<int32_t> block(kGrayGainBlockSize);
        block[kGrayPhase] = static_cast<int32_t>(rng() % 4);
        for (int k = kGrayGainR1; k <= kGrayGainB1; ++k)
            block[k] = RandomGrayGain(rng);
        for (int k = kGrayOffsetR1; k <= kGrayOffsetB1; ++k)
            block[k] = RandomGrayOffset(rng);
        block[kGraySampleBits] = kSampleBits[rng() % std::size(kSampleBits)];
        const KernelRect rect = RandomRect(rng, trial, width, height);
        const std::string what = std::to_string(width) + "x" + std::to_string(height) + " phase " +
                                 std::to_string(block[kGrayPhase]) + " bits " +
                                 std::to_string(block[kGraySampleBits]);
        TestImage dst(width + 3, height + 2, words ? 16 : 8);
        dst.Randomise(rng, 255);
        KernelRun run{{words ? GrayGains16 : GrayGains8},
                      rect,
                      static_cast<int32_t>(rng() % 4),
                      static_cast<int32_t>(rng() % 3),
                      block};
        ExpectSameBytes(run, dst, src, what);
        if (HasFatalFailure()) return;
        // In place, as the pipeline runs it.
        KernelRun inPlace{{words ? GrayGains16 : GrayGains8}, rect, rect.left, rect.top, block};
        const std::vector<uint8_t> reference =
            kernel_test::InPlaceResult(KernelPath::Reference, inPlace, src);
        for (KernelPath path : VectorPaths())
            ASSERT_EQ(kernel_test::InPlaceResult(path, inPlace, src), reference)
                << KernelPathName(path) << ", in place, " << what;
    }
}

INSTANTIATE_TEST_SUITE_P(Samples, GrayGainsTwin, ::testing::Values(1, 2),
                         [](const auto& info) { return info.param == 1 ? "Bytes" : "Words"; });

// ---- Depth converters ----

struct ConverterCase {
    const char* name;
    PositionedKernel kernel;
    int32_t srcBits;
    int32_t dstBits;
};

class ConverterTwin : public ::testing::TestWithParam<ConverterCase> {};

TEST_P(ConverterTwin, MatchesTheReferenceOnRandomImages) {
    KernelPathGuard guard;
    const ConverterCase& c = GetParam();
    std::mt19937 rng(static_cast<unsigned>(c.srcBits * 100 + c.dstBits));
    const bool sourceWords = c.srcBits == 16 || c.srcBits >= 48;
    for (int trial = 0; trial < 300; ++trial) {
        const int32_t width = RandomSize(rng, trial, 70);
        const int32_t height = 1 + static_cast<int32_t>(rng() % 6);
        TestImage src(width, height, c.srcBits);
        src.Randomise(rng, sourceWords ? 65535 : 255);
        TestImage dst(width + 5, height + 3, c.dstBits);
        dst.Randomise(rng, 255);
        const KernelRect rect = RandomRect(rng, trial, width, height);
        KernelRun run{
            {c.kernel}, rect, static_cast<int32_t>(rng() % 6), static_cast<int32_t>(rng() % 4), {}};
        ExpectSameBytes(run, dst, src, std::to_string(width) + "x" + std::to_string(height));
        if (HasFatalFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Converters, ConverterTwin,
    ::testing::Values(ConverterCase{"Mono10To8", Mono10To8, 16, 8},
                      ConverterCase{"Mono10To8Flip", Mono10To8Flip, 16, 8},
                      ConverterCase{"Mono12To8Flip", Mono12To8Flip, 16, 8},
                      ConverterCase{"Color10To8From48", Color10To8, 48, 24},
                      ConverterCase{"Color10To8From64", Color10To8, 64, 24},
                      ConverterCase{"Color10To8FlipFrom48", Color10To8Flip, 48, 24},
                      ConverterCase{"Color10To8FlipFrom64", Color10To8Flip, 64, 24},
                      ConverterCase{"Color32To24", Color32To24, 32, 24},
                      ConverterCase{"Color24Flip", Color24Flip, 24, 24},
                      ConverterCase{"Color24FlipFrom32", Color24Flip, 32, 24},
                      ConverterCase{"GrayFromColor", GrayFromColor, 24, 8},
                      ConverterCase{"GrayFromColor32", GrayFromColor, 32, 8}),
    [](const auto& info) { return std::string(info.param.name); });

// Converting a 24-bit image onto itself one pixel to the side: each pixel written may be one the
// kernel reads next, and the result must still be the reference's.
TEST(ConverterTwinOverlap, MatchesTheReferenceWhenTheAreasOverlap) {
    KernelPathGuard guard;
    std::mt19937 rng(11);
    for (int32_t shift : {-1, 1}) {
        TestImage image(40, 3, 24);
        image.Randomise(rng, 255);
        KernelRun run{{Color24Flip}, KernelRect{1, 0, 38, 3}, 1 + shift, 0, {}};
        const std::vector<uint8_t> reference =
            kernel_test::InPlaceResult(KernelPath::Reference, run, image);
        for (KernelPath path : VectorPaths())
            EXPECT_EQ(kernel_test::InPlaceResult(path, run, image), reference)
                << KernelPathName(path) << ", shift " << shift;
    }
}

// ---- Mirror ----

class MirrorTwin : public ::testing::TestWithParam<int32_t /*pixel bytes*/> {};

TEST_P(MirrorTwin, MatchesTheReferenceForEveryDirection) {
    KernelPathGuard guard;
    const int32_t pixelBytes = GetParam();
    std::mt19937 rng(static_cast<unsigned>(pixelBytes));
    for (int trial = 0; trial < 200; ++trial) {
        const int32_t width = RandomSize(rng, trial, 90);
        const int32_t height = 1 + static_cast<int32_t>(rng() % 7);
        TestImage frame = TestImage::WholeRows(width, height, 8 * pixelBytes);
        frame.Randomise(rng, 255);
        const bool horizontal = trial % 3 != 1;
        const bool vertical = trial % 3 != 0;
        auto mirrored = [&](KernelPath path) {
            ForceKernelPath(path);
            TestImage copy = frame;
            std::vector<uint8_t> scratch(copy.Bytes().size());
            MirrorFrame(copy.Data(), scratch.data(), width, height, copy.Stride(), pixelBytes,
                        horizontal, vertical);
            return copy.Bytes();
        };
        const std::vector<uint8_t> reference = mirrored(KernelPath::Reference);
        for (KernelPath path : VectorPaths())
            ASSERT_EQ(mirrored(path), reference)
                << KernelPathName(path) << ", " << width << "x" << height << " horizontal "
                << horizontal << " vertical " << vertical;
    }
}

INSTANTIATE_TEST_SUITE_P(PixelBytes, MirrorTwin, ::testing::Values(1, 2, 3, 4, 6, 8),
                         [](const auto& info) { return std::to_string(info.param) + "Bytes"; });

} // namespace
