// The kernels' fast paths against their reference code: random frames of random sizes, every
// Bayer phase, settings across and beyond their ranges, each path forced in turn; the bytes of the
// two results must be identical, padding and untouched channels included.
#include "KernelTestSupport.h"
#include "imaging/kernels/KernelPath.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kernel_test::TestImage;

// Restores the process's path when a test ends, whatever it forced.
class KernelPathGuard {
  public:
    KernelPathGuard() : m_saved(ActiveKernelPath()) {}
    ~KernelPathGuard() { ForceKernelPath(m_saved); }
    KernelPathGuard(const KernelPathGuard&) = delete;
    KernelPathGuard& operator=(const KernelPathGuard&) = delete;

  private:
    KernelPath m_saved;
};

// One call as the image buffer makes it: the kernels in order, on the rectangle, at (x, y).
struct KernelRun {
    std::vector<PositionedKernel> kernels;
    KernelRect rect;
    int32_t x = 0;
    int32_t y = 0;
    std::vector<int32_t> block;
};

// Runs `run` on a copy of `dst` with the path forced, and returns the destination's bytes.
std::vector<uint8_t> Result(KernelPath path, const KernelRun& run, TestImage dst, const TestImage& src) {
    ForceKernelPath(path);
    std::vector<int32_t> block = run.block;
    for (PositionedKernel kernel : run.kernels) {
        int32_t* pointer = block.data();
        kernel(dst.Data(), src.Data(), run.rect, run.x, run.y, dst.PixelBytes(), src.PixelBytes(),
               dst.Stride(), src.Stride(), block.empty() ? nullptr : &pointer, nullptr);
    }
    return dst.Bytes();
}

void ExpectSameBytes(const KernelRun& run, const TestImage& dst, const TestImage& src,
                     const std::string& what) {
    const std::vector<uint8_t> reference = Result(KernelPath::Reference, run, dst, src);
    const std::vector<uint8_t> fast = Result(KernelPath::Specialised, run, dst, src);
    ASSERT_EQ(reference.size(), fast.size());
    for (size_t i = 0; i < reference.size(); ++i)
        ASSERT_EQ(int{fast[i]}, int{reference[i]}) << what << ", byte " << i;
}

// Gains in percent: the setter's range, its edges, and values beyond it that only a measurement
// or a corrupt block gives.
int32_t RandomGain(std::mt19937& rng) {
    static const int32_t kEdges[] = {0, 1, 99, 100, 101, 399, 400, -1, -400, 1600, 100000};
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
        // Widths and heights 1..33 mostly, a few larger odd and even frames.
        const bool large = trial % 40 == 0;
        const int32_t width = large ? 97 + static_cast<int32_t>(rng() % 8) : 1 + rng() % 33;
        const int32_t height = large ? 61 + static_cast<int32_t>(rng() % 4) : 1 + rng() % 33;
        TestImage raw(width, height, words ? 16 : 8);
        // Mostly in-range samples; now and then whole 16-bit words, beyond the 10 bits.
        raw.Randomise(rng, words ? (trial % 5 == 0 ? 65535 : 1023) : 255);
        TestImage out(width, height, outBits);
        out.Randomise(rng, words ? 65535 : 255);
        // Every other trial the interior pass alone: it must leave the border as it found it.
        std::vector<PositionedKernel> kernels = {words ? DemosaicInner16 : DemosaicInner8};
        if (trial % 2) kernels.push_back(words ? DemosaicEdge16 : DemosaicEdge8);
        KernelRun run{kernels, raw.Whole(), 0, 0,
                {static_cast<int32_t>(rng() % 4), RandomGain(rng), RandomGain(rng),
                 RandomGain(rng)}};
        const std::string what = std::to_string(width) + "x" + std::to_string(height) +
                                 " phase " + std::to_string(run.block[0]) + " gains " +
                                 std::to_string(run.block[1]) + "/" +
                                 std::to_string(run.block[3]);
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
        KernelRun run{{words ? DemosaicInner16 : DemosaicInner8, words ? DemosaicEdge16 : DemosaicEdge8},
                KernelRect{3, 2, 36, 27}, 5, 4, {phase, 130, 100, 70}};
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

INSTANTIATE_TEST_SUITE_P(Images, SharpenFastPath,
                         ::testing::Values(SharpenCase{"Mono8", SharpenMono8, 8, 255},
                                           SharpenCase{"Color24", SharpenColor8, 24, 255},
                                           SharpenCase{"Color32", SharpenColor8, 32, 255},
                                           SharpenCase{"Mono16", SharpenMono16, 16, 1023},
                                           SharpenCase{"Color48", SharpenColor16, 48, 1023}),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(OutputBits, DemosaicFastPath, ::testing::Values(24, 32, 48, 64),
                         [](const auto& info) { return std::to_string(info.param) + "Bits"; });

} // namespace
