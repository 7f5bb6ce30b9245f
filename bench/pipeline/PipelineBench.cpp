// Milliseconds per 1280 x 960 frame of the frame pipeline after its measurements, per colour
// mode, with neutral filters and with every filter on: each step over the whole frame in turn
// (sharpening from a whole copy, as a plain pipeline does), then the strips on one thread and on
// the threads the pipeline would use here. Medians; `--threads N` sets the last column's count.
#include "BenchTimer.h"
#include "imaging/pipeline/FrameStrips.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 960;

struct Image {
    Image(int32_t bits, uint32_t maximum)
        : pixelBytes(bits / 8), stride((kWidth * (bits / 8) + 3) & ~3),
          bytes(static_cast<size_t>(stride) * kHeight) {
        std::mt19937 rng(static_cast<unsigned>(bits));
        std::uniform_int_distribution<uint32_t> value(0, maximum);
        const bool words = bits == 16 || bits >= 48;
        for (size_t i = 0; i < bytes.size(); i += words ? 2 : 1) {
            const uint32_t v = value(rng);
            bytes[i] = static_cast<uint8_t>(v);
            if (words) bytes[i + 1] = static_cast<uint8_t>(v >> 8);
        }
    }
    PixelPlane Plane() { return PixelPlane{bytes.data(), kWidth, kHeight, stride, pixelBytes}; }

    int32_t pixelBytes;
    int32_t stride;
    std::vector<uint8_t> bytes;
};

struct Mode {
    int number;
    const char* name;
    int32_t rawBits;
    int32_t outputBits; // 0: the raw frame is the output
};

constexpr Mode kModes[] = {{0, "mono 8", 8, 0},      {1, "mono 10", 16, 0},
                           {2, "colour 24", 8, 24},  {3, "colour 32", 8, 32},
                           {4, "colour 48", 16, 48}, {5, "colour 64", 16, 64}};

PositionedKernel Member(const Mode& mode, PositionedKernel mono8, PositionedKernel mono16,
                        PositionedKernel color8, PositionedKernel color16) {
    return mode.number == 0   ? mono8
           : mode.number == 1 ? mono16
           : mode.number <= 3 ? color8
                              : color16;
}

PixelStep Step(PositionedKernel kernel, int32_t value, int32_t second = 10, int32_t third = 0,
               int32_t fourth = 0) {
    PixelStep step;
    step.kernel = kernel;
    step.block[0] = value;
    step.block[1] = second;
    step.block[2] = third;
    step.block[3] = fourth;
    return step;
}

// The camera's plan for the mode: with every filter on, hue 30, saturation 40, gamma 80 and
// contrast 20 in one tone table, sharpness 5 and brightness 20 after it in a table of its own.
FramePlan MakePlan(const Mode& mode, bool everyFilter, Image& raw, Image& output, ToneTable& tones,
                   ToneTable& brightness) {
    FramePlan plan;
    const bool colour = mode.outputBits != 0;
    plan.output = colour ? output.Plane() : raw.Plane();
    if (colour) {
        plan.source = StripSource::Demosaic;
        plan.input = raw.Plane();
        plan.demosaicInner = mode.rawBits == 16 ? DemosaicInner16 : DemosaicInner8;
        plan.demosaicEdge = mode.rawBits == 16 ? DemosaicEdge16 : DemosaicEdge8;
        const int32_t block[kDemosaicBlockSize] = {1, 100, 100, 100};
        std::memcpy(plan.demosaicBlock, block, sizeof block);
    }
    if (!everyFilter) return plan;
    if (colour)
        plan.AddBefore(
            Step(mode.outputBits <= 32 ? HueSaturation8 : HueSaturation16, 30, 0, 40, 10));
    ToneSteps steps;
    steps.gamma = true;
    steps.gammaValue = 80;
    steps.contrast = true;
    steps.contrastValue = 20;
    const ToneImage image = mode.number == 0   ? ToneImage::Mono8
                            : mode.number == 1 ? ToneImage::Mono16
                            : mode.number <= 3 ? ToneImage::Color8
                                               : ToneImage::Color16;
    tones.Prepare(steps, image, 10);
    PixelStep table;
    table.table = &tones;
    plan.AddBefore(table);
    plan.sharpen = Member(mode, SharpenMono8, SharpenMono16, SharpenColor8, SharpenColor16);
    plan.sharpenBlock[kFilterValue] = 5;
    plan.sharpenBlock[kFilterSampleBits] = 10;
    ToneSteps brightnessAlone;
    brightnessAlone.brightness = true;
    brightnessAlone.brightnessValue = 20;
    brightness.Prepare(brightnessAlone, image, 10);
    PixelStep after;
    after.table = &brightness;
    plan.AddAfter(after);
    return plan;
}

int Call(PositionedKernel kernel, const PixelPlane& dst, const PixelPlane& src, int32_t* block) {
    return kernel(dst.pixels, src.pixels, KernelRect{0, 0, src.width, src.height}, 0, 0,
                  static_cast<uint16_t>(dst.pixelBytes), static_cast<uint16_t>(src.pixelBytes),
                  dst.stride, src.stride, &block);
}

void RunSteps(const PixelStep* steps, int count, const PixelPlane& image) {
    for (int k = 0; k < count; ++k) {
        PixelStep step = steps[k];
        if (step.table)
            step.table->Apply(image.pixels, image.width, image.height, image.stride,
                              image.pixelBytes);
        else
            Call(step.kernel, image, image, step.block);
    }
}

// Each step over the whole frame, sharpening from a whole copy of the output.
void RunWholeFrame(const FramePlan& plan, std::vector<uint8_t>& copy) {
    const PixelPlane& out = plan.output;
    int32_t block[kDemosaicBlockSize];
    std::memcpy(block, plan.demosaicBlock, sizeof block);
    if (plan.source == StripSource::Demosaic) {
        Call(plan.demosaicInner, out, plan.input, block);
        Call(plan.demosaicEdge, out, plan.input, block);
    }
    RunSteps(plan.before, plan.beforeCount, out);
    if (plan.sharpen) {
        const size_t bytes = static_cast<size_t>(out.height) * out.stride;
        copy.resize(bytes);
        std::memcpy(copy.data(), out.pixels, bytes);
        PixelPlane source = out;
        source.pixels = copy.data();
        int32_t sharpen[kFilterBlockSize];
        std::memcpy(sharpen, plan.sharpenBlock, sizeof sharpen);
        Call(plan.sharpen, out, source, sharpen);
    }
    RunSteps(plan.after, plan.afterCount, out);
}

} // namespace

int main(int argc, char** argv) {
    int threads = PipelineThreads();
    if (argc == 3 && std::strcmp(argv[1], "--threads") == 0) threads = std::atoi(argv[2]);
    std::printf("frame pipeline after the measurements, 1280 x 960, ms per frame (median)\n");
    std::printf("%-10s %-8s %12s %12s %12s\n", "mode", "filters", "whole-frame", "strips x1",
                threads > 1 ? "strips xN" : "");
    std::printf("%-10s %-8s %12s %12s %10s%2d\n", "", "", "passes", "thread", "threads", threads);
    FrameStrips strips;
    std::vector<uint8_t> copy;
    for (const Mode& mode : kModes) {
        for (bool everyFilter : {false, true}) {
            Image raw(mode.rawBits, mode.rawBits == 8 ? 255 : 1023);
            Image output(mode.outputBits ? mode.outputBits : 8, 0);
            ToneTable tones, brightness;
            const FramePlan plan = MakePlan(mode, everyFilter, raw, output, tones, brightness);
            // The monochrome steps change the raw frame in place: each run starts from the same
            // frame, restored by a copy that all three columns pay alike.
            const std::vector<uint8_t> frame = raw.bytes;
            auto restore = [&] {
                if (!mode.outputBits) std::memcpy(raw.bytes.data(), frame.data(), frame.size());
            };
            const double whole = bench::MedianMs([&] {
                restore();
                RunWholeFrame(plan, copy);
            });
            const double one = bench::MedianMs([&] {
                restore();
                strips.Run(plan, 1);
            });
            double many = 0.0;
            if (threads > 1)
                many = bench::MedianMs([&] {
                    restore();
                    strips.Run(plan, threads);
                });
            std::printf("%-10s %-8s %12.3f %12.3f", mode.name, everyFilter ? "every" : "neutral",
                        whole, one);
            if (threads > 1) std::printf(" %12.3f", many);
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    return 0;
}
