// The demosaic made strip by strip: the border of a span of rows against the border pass over the
// whole frame, and frames demosaiced in strips on one to four threads against the whole-frame
// kernels, every Bayer phase and output depth, with each kernel path forced in turn.
#include "FastPathSupport.h"
#include "KernelTestSupport.h"
#include "imaging/kernels/DemosaicRows.h"
#include "imaging/pipeline/FrameStrips.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using kernel_test::KernelPathGuard;
using kernel_test::TestImage;

constexpr KernelPath kPaths[] = {KernelPath::Reference, KernelPath::Sse2, KernelPath::Avx2};

struct Depth {
    int32_t rawBits;
    int32_t outBits;
};
constexpr Depth kDepths[] = {{8, 24}, {8, 32}, {16, 48}, {16, 64}};

PositionedKernel Inner(const Depth& d) {
    return d.rawBits == 8 ? DemosaicInner8 : DemosaicInner16;
}
PositionedKernel Edge(const Depth& d) {
    return d.rawBits == 8 ? DemosaicEdge8 : DemosaicEdge16;
}

void RunWhole(PositionedKernel kernel, TestImage& out, const TestImage& raw, int32_t* block) {
    kernel(out.Data(), raw.Data(), raw.Whole(), 0, 0, out.PixelBytes(), raw.PixelBytes(),
           out.Stride(), raw.Stride(), &block);
}

std::string Describe(const Depth& d, KernelPath path, int32_t width, int32_t height,
                     int32_t phase) {
    return std::to_string(d.outBits) + " bits, " + KernelPathName(path) + ", " +
           std::to_string(width) + " x " + std::to_string(height) + ", phase " +
           std::to_string(phase);
}

// Every span of rows that a frame's strips could ask for: its rows written exactly as the whole
// border pass writes them, and no other row touched.
TEST(DemosaicEdgeRows, WritesTheWholeFrameBorderOfItsRowsAndNothingElse) {
    KernelPathGuard guard;
    std::mt19937 rng(5);
    for (KernelPath path : kPaths) {
        if (!KernelPathSupported(path)) continue;
        ForceKernelPath(path);
        for (int trial = 0; trial < 120; ++trial) {
            const Depth& d = kDepths[trial % 4];
            // Narrow frames, where the vector rows hand over to scalar code, and now and then one
            // wide enough for several vector groups.
            const int32_t width = trial % 10 == 0 ? 70 + static_cast<int32_t>(rng() % 60)
                                                  : 4 + static_cast<int32_t>(rng() % 30);
            const int32_t height = 4 + static_cast<int32_t>(rng() % 20);
            const int32_t phase = static_cast<int32_t>(rng() % 4);
            TestImage raw(width, height, d.rawBits);
            raw.Randomise(rng, d.rawBits == 8 ? 255 : 1023);
            TestImage before(width, height, d.outBits);
            before.Randomise(rng, 255);
            int32_t block[kDemosaicBlockSize] = {phase, static_cast<int32_t>(rng() % 401), 100,
                                                 static_cast<int32_t>(rng() % 401)};
            TestImage whole = before;
            RunWhole(Edge(d), whole, raw, block);
            const int32_t first = static_cast<int32_t>(rng() % height);
            const int32_t end = first + 1 + static_cast<int32_t>(rng() % (height - first));
            TestImage span = before;
            ASSERT_EQ(DemosaicEdgeRows(Edge(d), span.Data(), raw.Data(), raw.Whole(), 0, 0,
                                       span.PixelBytes(), raw.PixelBytes(), span.Stride(),
                                       raw.Stride(), block, first, end),
                      1);
            const std::string what = Describe(d, path, width, height, phase) + ", rows " +
                                     std::to_string(first) + ".." + std::to_string(end - 1);
            for (int32_t row = 0; row < height; ++row) {
                const TestImage& expected = row >= first && row < end ? whole : before;
                // The last row may end without its padding.
                const size_t at = static_cast<size_t>(row) * span.Stride();
                const size_t bytes = std::min(span.Bytes().size() - at, size_t(span.Stride()));
                ASSERT_TRUE(std::equal(span.Bytes().begin() + at,
                                       span.Bytes().begin() + at + bytes,
                                       expected.Bytes().begin() + at))
                    << what << ": row " << row;
            }
        }
    }
}

TEST(DemosaicEdgeRows, RefusesAnotherKernelOrNoBlock) {
    TestImage raw(8, 8, 8);
    TestImage out(8, 8, 24);
    int32_t block[kDemosaicBlockSize] = {0, 100, 100, 100};
    EXPECT_EQ(DemosaicEdgeRows(DemosaicInner8, out.Data(), raw.Data(), raw.Whole(), 0, 0, 3, 1,
                               out.Stride(), raw.Stride(), block, 0, 8),
              0);
    EXPECT_EQ(DemosaicEdgeRows(DemosaicEdge8, out.Data(), raw.Data(), raw.Whole(), 0, 0, 3, 1,
                               out.Stride(), raw.Stride(), nullptr, 0, 8),
              0);
}

PixelPlane PlaneOf(TestImage& image) {
    return PixelPlane{image.Data(), image.Width(), image.Height(), image.Stride(),
                      image.PixelBytes()};
}

// Frames cut into ranges and 32-row strips whose edges fall on even and odd rows, widths around
// the vector groups' sizes, on every path and number of threads.
TEST(DemosaicStrips, MatchTheWholeFrameKernelsOnEveryPathAndThreadCount) {
    KernelPathGuard guard;
    struct Size {
        int32_t width;
        int32_t height;
    };
    constexpr Size kSizes[] = {{8, 8},   {9, 71},   {33, 69},  {36, 100},
                               {37, 67}, {67, 131}, {99, 97}, {1280, 75}};
    std::mt19937 rng(17);
    FrameStrips strips[4];
    for (KernelPath path : kPaths) {
        if (!KernelPathSupported(path)) continue;
        ForceKernelPath(path);
        int combination = 0;
        for (const Size& size : kSizes) {
            for (const Depth& d : kDepths) {
                const int32_t phase = combination++ % 4;
                TestImage raw(size.width, size.height, d.rawBits);
                raw.Randomise(rng, d.rawBits == 8 ? 255 : 1023);
                TestImage before(size.width, size.height, d.outBits);
                before.Randomise(rng, 255);
                int32_t block[kDemosaicBlockSize] = {phase, static_cast<int32_t>(rng() % 401),
                                                     100, static_cast<int32_t>(rng() % 401)};
                TestImage expected = before;
                RunWhole(Inner(d), expected, raw, block);
                RunWhole(Edge(d), expected, raw, block);
                for (int threads = 1; threads <= 4; ++threads) {
                    TestImage actual = before;
                    FramePlan plan;
                    plan.source = StripSource::Demosaic;
                    plan.input = PlaneOf(raw);
                    plan.output = PlaneOf(actual);
                    plan.demosaicInner = Inner(d);
                    plan.demosaicEdge = Edge(d);
                    std::copy(std::begin(block), std::end(block), plan.demosaicBlock);
                    ASSERT_TRUE(strips[threads - 1].Run(plan, threads));
                    EXPECT_TRUE(actual.Bytes() == expected.Bytes())
                        << Describe(d, path, size.width, size.height, phase) << ", " << threads
                        << " threads";
                }
            }
        }
    }
}

} // namespace
