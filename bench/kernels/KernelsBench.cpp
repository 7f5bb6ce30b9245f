// Time per 1280 x 960 frame of every pixel kernel, reported as the median of several runs.
#include "imaging/kernels/Kernels.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 960;

struct Frame {
    Frame(int32_t bits, uint32_t maximum, int32_t width = kWidth, int32_t height = kHeight)
        : width(width), height(height), pixelBytes(static_cast<uint16_t>(bits / 8)),
          stride((width * (bits / 8) + 3) & ~3), bytes(static_cast<size_t>(stride) * height) {
        std::mt19937 rng(static_cast<unsigned>(bits));
        std::uniform_int_distribution<uint32_t> value(0, maximum);
        const bool words = bits == 16 || bits >= 48;
        for (size_t i = 0; i < bytes.size(); i += words ? 2 : 1) {
            const uint32_t v = value(rng);
            bytes[i] = static_cast<uint8_t>(v);
            if (words) bytes[i + 1] = static_cast<uint8_t>(v >> 8);
        }
    }
    KernelRect Whole() const { return KernelRect{0, 0, width, height}; }

    int32_t width, height;
    uint16_t pixelBytes;
    int32_t stride;
    std::vector<uint8_t> bytes;
};

struct Case {
    const char* name;
    std::vector<PositionedKernel> kernels; // run in this order, as one step of the pipeline
    int32_t dstBits;
    int32_t srcBits;
    uint32_t sampleMaximum;
    std::vector<int32_t> block;
};

void RunPositioned(benchmark::State& state, const Case& c) {
    const Frame src(c.srcBits, c.sampleMaximum);
    Frame dst(c.dstBits, 255);
    std::vector<int32_t> block = c.block;
    for (auto _ : state) {
        int32_t* pointer = block.empty() ? nullptr : block.data();
        for (PositionedKernel kernel : c.kernels) {
            benchmark::DoNotOptimize(kernel(dst.bytes.data(), src.bytes.data(), src.Whole(), 0, 0,
                                            dst.pixelBytes, src.pixelBytes, dst.stride, src.stride,
                                            pointer ? &pointer : nullptr, nullptr));
        }
        benchmark::ClobberMemory();
    }
}

void RunScale(benchmark::State& state, ScalingKernel kernel, int32_t bits, int32_t dstWidth,
              int32_t dstHeight) {
    const Frame src(bits, 255);
    Frame dst(bits, 255, dstWidth, dstHeight);
    for (auto _ : state) {
        kernel(dst.bytes.data(), src.bytes.data(), dst.Whole(), src.Whole(),
               KernelSize{dst.width, dst.height}, KernelSize{src.width, src.height}, dst.pixelBytes,
               src.pixelBytes, dst.stride, src.stride, nullptr, nullptr);
        benchmark::ClobberMemory();
    }
}

// The device's packed rows of a 1278-pixel frame spread to the 1280-byte stride, in place.
void RunRestride(benchmark::State& state) {
    Frame frame(8, 255, 1278, kHeight);
    for (auto _ : state) {
        Restride8(frame.bytes.data(), frame.bytes.data(), frame.Whole(), 0, 0, 1, 1, frame.stride,
                  frame.stride, nullptr, nullptr);
        benchmark::ClobberMemory();
    }
}

void RunMirror(benchmark::State& state, int32_t bits) {
    Frame frame(bits, 255);
    std::vector<uint8_t> scratch(frame.bytes.size());
    for (auto _ : state) {
        MirrorFrame(frame.bytes.data(), scratch.data(), frame.width, frame.height, frame.stride,
                    frame.pixelBytes, true, true);
        benchmark::ClobberMemory();
    }
}

std::vector<Case> Cases() {
    const std::vector<int32_t> demosaic = {1, 120, 100, 90};
    const std::vector<int32_t> gray = {1, 140, 128, 120, 150, 2, 0, 0, -3, 10};
    return {
        {"Demosaic8To24", {DemosaicInner8, DemosaicEdge8}, 24, 8, 255, demosaic},
        {"Demosaic8To32", {DemosaicInner8, DemosaicEdge8}, 32, 8, 255, demosaic},
        {"Demosaic16To48", {DemosaicInner16, DemosaicEdge16}, 48, 16, 1023, demosaic},
        {"Demosaic16To64", {DemosaicInner16, DemosaicEdge16}, 64, 16, 1023, demosaic},
        {"MeanGray8", {MeanGray8}, 8, 8, 255, {}},
        {"MeanGray16", {MeanGray16}, 16, 16, 1023, {}},
        {"MeasureGrayGains8", {MeasureGrayGains}, 8, 8, 255, gray},
        {"MeasureWhiteBalance8", {MeasureWhiteBalance8}, 8, 8, 255, {0, 0, 0, 1}},
        {"MeasureWhiteBalance16", {MeasureWhiteBalance16}, 16, 16, 1023, {0, 0, 0, 1}},
        {"GrayGains8", {GrayGains8}, 8, 8, 255, gray},
        {"GrayGains16", {GrayGains16}, 16, 16, 1023, gray},
        {"GrayFromColor", {GrayFromColor}, 8, 24, 255, {}},
        {"Mono10To8", {Mono10To8}, 8, 16, 1023, {}},
        {"Mono10To16", {Mono10To16}, 16, 16, 1023, {}},
        {"Color10To8From48", {Color10To8}, 24, 48, 1023, {}},
        {"Color10To8FlipFrom64", {Color10To8Flip}, 24, 64, 1023, {}},
        {"Color32To24", {Color32To24}, 24, 32, 255, {}},
        {"Color24Flip", {Color24Flip}, 24, 24, 255, {}},
        {"Color24Swap", {Color24Swap}, 24, 24, 255, {}},
        {"Color32Alpha", {Color32Alpha}, 32, 32, 255, {}},
        {"Color10To16SwapAlpha", {Color10To16SwapAlpha}, 64, 48, 1023, {}},
        {"RowsFlip24", {RowsFlip}, 24, 24, 255, {}},
        {"BrightnessMono8", {BrightnessMono8}, 8, 8, 255, {40, 10}},
        {"BrightnessColor8", {BrightnessColor8}, 24, 24, 255, {40, 10}},
        {"BrightnessColor16", {BrightnessColor16}, 48, 48, 1023, {40, 10}},
        {"ContrastMono8", {ContrastMono8}, 8, 8, 255, {30, 10}},
        {"ContrastColor8", {ContrastColor8}, 24, 24, 255, {30, 10}},
        {"ContrastColor16", {ContrastColor16}, 48, 48, 1023, {30, 10}},
        {"GammaMono8", {GammaMono8}, 8, 8, 255, {70, 10}},
        {"GammaColor8", {GammaColor8}, 24, 24, 255, {70, 10}},
        {"GammaColor16", {GammaColor16}, 48, 48, 1023, {70, 10}},
        {"HueSaturation8", {HueSaturation8}, 24, 24, 255, {40, 0, 60, 10}},
        {"HueSaturation8Of32", {HueSaturation8}, 32, 32, 255, {40, 0, 60, 10}},
        {"HueSaturation16", {HueSaturation16}, 48, 48, 1023, {40, 0, 60, 10}},
        {"SharpenMono8", {SharpenMono8}, 8, 8, 255, {12, 10}},
        {"SharpenColor8", {SharpenColor8}, 24, 24, 255, {12, 10}},
        {"SharpenColor16", {SharpenColor16}, 48, 48, 1023, {12, 10}},
    };
}

// Prints only the median of the repetitions: one line per kernel, time per frame.
class MedianReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        std::vector<Run> medians;
        for (const Run& run : runs)
            if (run.aggregate_name == "median") medians.push_back(run);
        ConsoleReporter::ReportRuns(medians);
    }
};

} // namespace

int main(int argc, char** argv) {
    auto configure = [](benchmark::internal::Benchmark* b) {
        b->Unit(benchmark::kMillisecond)->MinTime(0.1)->Repetitions(7)->ReportAggregatesOnly(true);
    };
    for (const Case& c : Cases()) {
        configure(benchmark::RegisterBenchmark(c.name,
                                               [c](benchmark::State& s) { RunPositioned(s, c); }));
    }
    configure(benchmark::RegisterBenchmark("ScaleNearest24Half", [](benchmark::State& s) {
        RunScale(s, ScaleNearest24, 24, 640, 480);
    }));
    configure(benchmark::RegisterBenchmark("ScaleNearest8To800x600", [](benchmark::State& s) {
        RunScale(s, ScaleNearest8, 8, 800, 600);
    }));
    configure(benchmark::RegisterBenchmark("Restride8", RunRestride));
    configure(
        benchmark::RegisterBenchmark("MirrorFrame8", [](benchmark::State& s) { RunMirror(s, 8); }));
    configure(benchmark::RegisterBenchmark("MirrorFrame16",
                                           [](benchmark::State& s) { RunMirror(s, 16); }));
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
