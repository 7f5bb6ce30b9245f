// The frame pipeline in strips against the same steps run one at a time over the whole frame:
// every colour mode with every combination of filters, random frames of odd sizes and phases,
// on one thread and split across two, three and four.
#include "KernelTestSupport.h"
#include "imaging/pipeline/FrameStrips.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using kernel_test::TestImage;

struct Mode {
    int number;
    int32_t rawBits;
    int32_t outputBits; // 0: the output is the raw frame
};

constexpr Mode kModes[] = {{0, 8, 0}, {1, 16, 0}, {2, 8, 24}, {3, 8, 32}, {4, 16, 48}, {5, 16, 64}};

// One bit per filter of the pipeline; the ones that do not apply to a mode are left out.
enum Filter : unsigned {
    kGrayGains = 1,     // monochrome, gray mode 1
    kGrayFromColor = 2, // mode 0, gray mode 2
    kHue = 4,           // colour
    kGamma = 8,
    kContrast = 16,
    kSharpen = 32,
    kBrightness = 64,
    kComposedTones = 128, // tones in tables: gamma, contrast (and brightness without sharpening)
                          // in one, brightness after sharpening in another
    kEveryFilter = 255,
};

bool Applies(const Mode& mode, unsigned filters) {
    const bool colour = mode.outputBits != 0;
    if (colour && (filters & (kGrayGains | kGrayFromColor))) return false;
    if (!colour && (filters & kHue)) return false;
    if (mode.number != 0 && (filters & kGrayFromColor)) return false;
    return true;
}

int32_t Random(std::mt19937& rng, int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(rng);
}
int32_t RandomNonZero(std::mt19937& rng, int32_t low, int32_t high) {
    int32_t v = 0;
    while (v == 0)
        v = Random(rng, low, high);
    return v;
}

PixelPlane PlaneOf(TestImage& image) {
    return PixelPlane{image.Data(), image.Width(), image.Height(), image.Stride(),
                      image.PixelBytes()};
}

PixelStep Step(PositionedKernel kernel, std::initializer_list<int32_t> block) {
    PixelStep step;
    step.kernel = kernel;
    std::copy(block.begin(), block.end(), step.block);
    return step;
}

// Kernel of a family for the mode's output: mono 8, mono 16, colour 8, colour 16.
PositionedKernel Member(const Mode& mode, std::array<PositionedKernel, 4> family) {
    switch (mode.number) {
    case 0:
        return family[0];
    case 1:
        return family[1];
    case 2:
    case 3:
        return family[2];
    default:
        return family[3];
    }
}

// A frame, its buffers and the plans for one mode and one set of filters, with random settings.
struct Frame {
    Frame(const Mode& mode, unsigned filters, int32_t width, int32_t height, std::mt19937& rng)
        : mode(mode), raw(width, height, mode.rawBits),
          output(width, height, mode.outputBits ? mode.outputBits : mode.rawBits),
          colour(width, height, 24) {
        const uint32_t maximum = mode.rawBits == 8 ? 255 : 1023;
        raw.Randomise(rng, maximum);
        // What the buffers held before the frame, padding and fourth channels included.
        output.Randomise(rng, maximum);
        colour.Randomise(rng, 255);
        const int32_t phase = Random(rng, 0, 3);
        const bool colourMode = mode.outputBits != 0;

        plan.output = colourMode ? PlaneOf(output) : PlaneOf(raw);
        if (colourMode || (filters & kGrayFromColor)) {
            FramePlan& demosaic = colourMode ? plan : colourPlan;
            demosaic.source = StripSource::Demosaic;
            demosaic.input = PlaneOf(raw);
            if (!colourMode) demosaic.output = PlaneOf(colour);
            const bool wide = mode.rawBits == 16;
            demosaic.demosaicInner = wide ? DemosaicInner16 : DemosaicInner8;
            demosaic.demosaicEdge = wide ? DemosaicEdge16 : DemosaicEdge8;
            demosaic.demosaicBlock[kDemosaicPhase] = phase;
            demosaic.demosaicBlock[kDemosaicRedGain] = Random(rng, 0, 400);
            demosaic.demosaicBlock[kDemosaicGreenGain] = 100;
            demosaic.demosaicBlock[kDemosaicBlueGain] = Random(rng, 0, 400);
        }
        if (filters & kGrayFromColor) {
            plan.source = StripSource::GrayFromColor;
            plan.input = PlaneOf(colour);
        }
        if (filters & kGrayGains) {
            PixelStep gains =
                Step(mode.number == 0 ? GrayGains8 : GrayGains16,
                     {phase, Random(rng, 0, 255), Random(rng, 0, 255), Random(rng, 0, 255),
                      Random(rng, 0, 255), Random(rng, -255, 255), Random(rng, -255, 255),
                      Random(rng, -255, 255), Random(rng, -255, 255), mode.number == 0 ? 8 : 10});
            gains.bayerPhased = true;
            plan.AddBefore(gains);
        }
        if (filters & kHue)
            plan.AddBefore(Step(mode.outputBits <= 32 ? HueSaturation8 : HueSaturation16,
                                {Random(rng, -360, 360), 0, Random(rng, -255, 255), 10}));
        AddTones(filters, rng);
    }

    void AddTones(unsigned filters, std::mt19937& rng) {
        ToneSteps tones;
        tones.gamma = (filters & kGamma) != 0;
        tones.gammaValue = tones.gamma ? Random(rng, 0, 99) * 2 + (rng() & 1) : 100;
        if (tones.gammaValue == 100) tones.gammaValue = 101;
        tones.contrast = (filters & kContrast) != 0;
        tones.contrastValue = RandomNonZero(rng, -127, 127);
        const bool sharpen = (filters & kSharpen) != 0;
        const bool brightness = (filters & kBrightness) != 0;
        const int32_t brightnessValue = RandomNonZero(rng, -255, 255);
        tones.brightness = brightness && !sharpen;
        tones.brightnessValue = brightnessValue;
        const ToneImage image = mode.number == 0   ? ToneImage::Mono8
                                : mode.number == 1 ? ToneImage::Mono16
                                : mode.number <= 3 ? ToneImage::Color8
                                                   : ToneImage::Color16;
        const bool composed =
            (filters & kComposedTones) && tones.Any() && toneTable->Prepare(tones, image, 10);
        if (composed) {
            PixelStep step;
            step.table = toneTable.get();
            plan.AddBefore(step);
        } else {
            if (tones.gamma)
                plan.AddBefore(
                    Step(Member(mode, {GammaMono8, GammaMono16, GammaColor8, GammaColor16}),
                         {tones.gammaValue, 10}));
            if (tones.contrast)
                plan.AddBefore(Step(
                    Member(mode, {ContrastMono8, ContrastMono16, ContrastColor8, ContrastColor16}),
                    {tones.contrastValue, 10}));
        }
        if (sharpen) {
            plan.sharpen =
                Member(mode, {SharpenMono8, SharpenMono16, SharpenColor8, SharpenColor16});
            plan.sharpenBlock[kFilterValue] = Random(rng, 1, 30);
            plan.sharpenBlock[kFilterSampleBits] = 10;
        }
        if (brightness && sharpen && (filters & kComposedTones)) {
            // Brightness after sharpening in a table of its own, as the camera runs it.
            ToneSteps alone;
            alone.brightness = true;
            alone.brightnessValue = brightnessValue;
            ASSERT_TRUE(brightnessTable->Prepare(alone, image, 10));
            PixelStep step;
            step.table = brightnessTable.get();
            plan.AddAfter(step);
        } else if (brightness && !(composed && tones.brightness))
            plan.AddAfter(Step(Member(mode, {BrightnessMono8, BrightnessMono16, BrightnessColor8,
                                             BrightnessColor16}),
                               {brightnessValue, 10}));
    }

    Mode mode;
    TestImage raw;
    TestImage output;
    TestImage colour;
    std::unique_ptr<ToneTable> toneTable = std::make_unique<ToneTable>();
    std::unique_ptr<ToneTable> brightnessTable = std::make_unique<ToneTable>();
    FramePlan colourPlan; // gray mode 2: the colour image made first
    FramePlan plan;
};

int Call(PositionedKernel kernel, const PixelPlane& dst, const PixelPlane& src, int32_t* block) {
    return kernel(dst.pixels, src.pixels, KernelRect{0, 0, src.width, src.height}, 0, 0,
                  static_cast<uint16_t>(dst.pixelBytes), static_cast<uint16_t>(src.pixelBytes),
                  dst.stride, src.stride, &block);
}

void RunSteps(const PixelStep* steps, int count, const PixelPlane& image) {
    for (int k = 0; k < count; ++k) {
        if (steps[k].table) {
            steps[k].table->Apply(image.pixels, image.width, image.height, image.stride,
                                  image.pixelBytes);
        } else {
            int32_t block[kGrayGainBlockSize];
            std::copy(std::begin(steps[k].block), std::end(steps[k].block), block);
            Call(steps[k].kernel, image, image, block);
        }
    }
}

// The plan the plain way: each step over the whole frame, sharpening from a whole copy.
void RunWhole(const FramePlan& plan) {
    const PixelPlane& out = plan.output;
    int32_t block[kDemosaicBlockSize];
    std::copy(std::begin(plan.demosaicBlock), std::end(plan.demosaicBlock), block);
    if (plan.source == StripSource::Demosaic) {
        Call(plan.demosaicInner, out, plan.input, block);
        Call(plan.demosaicEdge, out, plan.input, block);
    } else if (plan.source == StripSource::GrayFromColor) {
        Call(GrayFromColor, out, plan.input, nullptr);
    }
    RunSteps(plan.before, plan.beforeCount, out);
    if (plan.sharpen) {
        const size_t bytes = static_cast<size_t>(out.height - 1) * out.stride + out.RowPixelBytes();
        std::vector<uint8_t> copy(out.pixels, out.pixels + bytes);
        PixelPlane source = out;
        source.pixels = copy.data();
        int32_t sharpen[kFilterBlockSize];
        std::copy(std::begin(plan.sharpenBlock), std::end(plan.sharpenBlock), sharpen);
        Call(plan.sharpen, out, source, sharpen);
    }
    RunSteps(plan.after, plan.afterCount, out);
}

// Where two images first differ, for the failure message.
std::string FirstDifference(const TestImage& expected, const TestImage& actual) {
    for (size_t i = 0; i < expected.Bytes().size(); ++i)
        if (expected.Bytes()[i] != actual.Bytes()[i])
            return "row " + std::to_string(i / expected.Stride()) + ", byte " +
                   std::to_string(i % expected.Stride()) + ": " +
                   std::to_string(expected.Bytes()[i]) + " expected, " +
                   std::to_string(actual.Bytes()[i]) + " made";
    return "none";
}

std::string Describe(const Mode& mode, unsigned filters, int32_t width, int32_t height,
                     int threads) {
    return "mode " + std::to_string(mode.number) + ", filters " + std::to_string(filters) + ", " +
           std::to_string(width) + " x " + std::to_string(height) + ", " + std::to_string(threads) +
           " threads";
}

// Runs one frame both ways from the same random start and compares every byte of the output
// (and of the raw frame and colour image, which gray mode 2 and the monochrome modes change).
void ExpectSameAsWholeFrame(const Mode& mode, unsigned filters, int32_t width, int32_t height,
                            int threads, FrameStrips& strips, uint32_t seed) {
    std::mt19937 expectedRng(seed), actualRng(seed);
    Frame expected(mode, filters, width, height, expectedRng);
    Frame actual(mode, filters, width, height, actualRng);
    if (filters & kGrayFromColor) RunWhole(expected.colourPlan);
    RunWhole(expected.plan);
    if (filters & kGrayFromColor) ASSERT_TRUE(strips.Run(actual.colourPlan, threads));
    ASSERT_TRUE(strips.Run(actual.plan, threads));
    const std::string where = Describe(mode, filters, width, height, threads);
    EXPECT_TRUE(expected.output.Bytes() == actual.output.Bytes())
        << where << ", output differs first at " << FirstDifference(expected.output, actual.output);
    EXPECT_TRUE(expected.raw.Bytes() == actual.raw.Bytes())
        << where << ", raw frame differs first at " << FirstDifference(expected.raw, actual.raw);
    EXPECT_TRUE(expected.colour.Bytes() == actual.colour.Bytes())
        << where << ", colour image differs first at "
        << FirstDifference(expected.colour, actual.colour);
}

struct Size {
    int32_t width;
    int32_t height;
};

// Small frames made whole, frames just large enough for strips, odd sizes whose ranges begin
// on odd rows, and sizes with several strips per range.
constexpr Size kSizes[] = {{7, 5}, {8, 8}, {37, 29}, {9, 70}, {130, 67}, {61, 101}, {40, 230}};

class FrameStripsEveryFilter : public ::testing::TestWithParam<Mode> {};

TEST_P(FrameStripsEveryFilter, MatchWholeFrameStepsOnAnyNumberOfThreads) {
    const Mode mode = GetParam();
    FrameStrips strips[4]; // kept from frame to frame, as the camera keeps its own
    unsigned combination = 0;
    for (unsigned filters = 0; filters <= kEveryFilter; ++filters) {
        if (!Applies(mode, filters)) continue;
        const Size size = kSizes[combination++ % std::size(kSizes)];
        for (int threads = 1; threads <= 4; ++threads)
            ExpectSameAsWholeFrame(mode, filters, size.width, size.height, threads,
                                   strips[threads - 1], filters * 7919u + mode.number);
        if (HasFailure()) return; // one combination's report is enough
    }
}

// The sensor's height, so that ranges and strips fall as in preview (the width changes nothing
// in how a frame is cut, and a narrow one keeps the test quick under the sanitizers).
TEST_P(FrameStripsEveryFilter, MatchWholeFrameStepsOnASensorHighFrameWithEveryFilter) {
    const Mode mode = GetParam();
    FrameStrips strips;
    unsigned every = kEveryFilter;
    for (unsigned filter = 1; filter < kEveryFilter; filter <<= 1)
        if (!Applies(mode, filter)) every &= ~filter;
    for (unsigned filters : {every, every & ~kComposedTones, every & ~kSharpen})
        for (int threads : {1, 4})
            ExpectSameAsWholeFrame(mode, filters, 162, 960, threads, strips, filters + 11u);
}

INSTANTIATE_TEST_SUITE_P(Modes, FrameStripsEveryFilter, ::testing::ValuesIn(kModes),
                         [](const auto& info) {
                             return "Mode" + std::to_string(info.param.number);
                         });

} // namespace
