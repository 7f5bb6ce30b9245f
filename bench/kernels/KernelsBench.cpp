// Time per 1280 x 960 frame of every pixel kernel, reported as the median of several runs, next
// to the nearest OpenCV function where the host build has OpenCV (one thread).
#include "BenchTimer.h"
#include "imaging/kernels/KernelPath.h"
#include "imaging/kernels/Kernels.h"
#include "imaging/kernels/ToneTable.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#if TRAVIK_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

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
    int32_t stripRows = 0; // 0: one call over the whole frame; else one call per strip of rows
};

// `--once NAME` runs one case a single time, for counting instructions under callgrind.
bool g_once = false;

template <class Work> double Measure(Work&& work) {
    if (!g_once) return bench::MedianMs(work);
    work();
    return 0.0;
}

double TimePositioned(const Case& c) {
    const Frame src(c.srcBits, c.sampleMaximum);
    Frame dst(c.dstBits, 255);
    std::vector<int32_t> block = c.block;
    const int32_t stripRows = c.stripRows > 0 ? c.stripRows : src.height;
    return Measure([&] {
        int32_t* pointer = block.empty() ? nullptr : block.data();
        for (int32_t top = 0; top < src.height; top += stripRows) {
            const KernelRect strip{0, top, src.width, std::min(top + stripRows, src.height)};
            for (PositionedKernel kernel : c.kernels) {
                kernel(dst.bytes.data(), src.bytes.data(), strip, 0, top, dst.pixelBytes,
                       src.pixelBytes, dst.stride, src.stride, pointer ? &pointer : nullptr);
            }
        }
    });
}

double TimeScale(ScalingKernel kernel, int32_t bits, int32_t dstWidth, int32_t dstHeight) {
    const Frame src(bits, 255);
    Frame dst(bits, 255, dstWidth, dstHeight);
    return Measure([&] {
        kernel(dst.bytes.data(), src.bytes.data(), dst.Whole(), src.Whole(),
               KernelSize{dst.width, dst.height}, KernelSize{src.width, src.height}, dst.pixelBytes,
               src.pixelBytes, dst.stride, src.stride, nullptr);
    });
}

// The device's packed rows of a 1278-pixel frame spread to the 1280-byte stride, in place.
double TimeRestride() {
    Frame frame(8, 255, 1278, kHeight);
    return Measure([&] {
        Restride8(frame.bytes.data(), frame.bytes.data(), frame.Whole(), 0, 0, 1, 1, frame.stride,
                  frame.stride, nullptr);
    });
}

double TimeMirror(int32_t bits) {
    Frame frame(bits, 255);
    std::vector<uint8_t> scratch(frame.bytes.size());
    return Measure([&] {
        MirrorFrame(frame.bytes.data(), scratch.data(), frame.width, frame.height, frame.stride,
                    frame.pixelBytes, true, true);
    });
}

// Gamma, contrast and brightness together, as the pipeline runs them: one composed table.
double TimeTones(int32_t bits) {
    Frame frame(bits, bits >= 48 ? 1023 : 255);
    ToneSteps steps;
    steps.gamma = true;
    steps.gammaValue = 70;
    steps.contrast = true;
    steps.contrastValue = 30;
    steps.brightness = true;
    steps.brightnessValue = 40;
    ToneTable table;
    table.Prepare(steps,
                  bits >= 48  ? ToneImage::Color16
                  : bits == 8 ? ToneImage::Mono8
                              : ToneImage::Color8,
                  10);
    return Measure([&] {
        table.Apply(frame.bytes.data(), frame.width, frame.height, frame.stride, frame.pixelBytes);
    });
}

#if TRAVIK_BENCH_OPENCV
// The nearest OpenCV work for a kernel of the list, or a negative time when there is none.
struct Reference {
    const char* label = nullptr;
    double ms = -1.0;
};

Reference OpenCvReference(const std::string& name) {
    std::mt19937 rng(3);
    auto randomMat = [&](int type, int maximum) {
        cv::Mat m(kHeight, kWidth, type);
        cv::randu(m, 0, maximum);
        return m;
    };
    if (name == "Demosaic8To24") {
        const cv::Mat raw = randomMat(CV_8UC1, 256);
        cv::Mat out;
        return {"cvtColor Bayer->BGR 8U",
                bench::MedianMs([&] { cv::cvtColor(raw, out, cv::COLOR_BayerBG2BGR); })};
    }
    if (name == "Demosaic16To48") {
        const cv::Mat raw = randomMat(CV_16UC1, 1024);
        cv::Mat out;
        return {"cvtColor Bayer->BGR 16U",
                bench::MedianMs([&] { cv::cvtColor(raw, out, cv::COLOR_BayerBG2BGR); })};
    }
    if (name == "Demosaic8To32" || name == "Demosaic16To64") {
        const bool words = name == "Demosaic16To64";
        const cv::Mat raw = words ? randomMat(CV_16UC1, 1024) : randomMat(CV_8UC1, 256);
        cv::Mat out;
        try {
            return {words ? "cvtColor Bayer->BGRA 16U" : "cvtColor Bayer->BGRA 8U",
                    bench::MedianMs([&] { cv::cvtColor(raw, out, cv::COLOR_BayerBG2BGRA); })};
        } catch (const cv::Exception&) {
            return {}; // a conversion this OpenCV does not have
        }
    }
    if (name == "GammaColor8" || name == "ContrastColor8" || name == "BrightnessColor8") {
        cv::Mat image = randomMat(CV_8UC3, 256);
        cv::Mat table(1, 256, CV_8U);
        for (int i = 0; i < 256; ++i)
            table.at<uint8_t>(i) = static_cast<uint8_t>(255 - i);
        return {"LUT 8UC3 in place", bench::MedianMs([&] { cv::LUT(image, table, image); })};
    }
    // The tone tables' rows: one look-up table over every channel, as cv::LUT does it.
    if (name == "Tones8" || name == "Tones24" || name == "Tones32") {
        const int type = name == "Tones8" ? CV_8UC1 : name == "Tones24" ? CV_8UC3 : CV_8UC4;
        cv::Mat image = randomMat(type, 256);
        cv::Mat table(1, 256, CV_8U);
        for (int i = 0; i < 256; ++i)
            table.at<uint8_t>(i) = static_cast<uint8_t>(255 - i);
        return {name == "Tones8"    ? "LUT 8UC1 in place"
                : name == "Tones24" ? "LUT 8UC3 in place"
                                    : "LUT 8UC4 in place",
                bench::MedianMs([&] { cv::LUT(image, table, image); })};
    }
    if (name == "HueSaturation8") {
        cv::Mat image = randomMat(CV_8UC3, 256);
        cv::Mat hsv;
        return {"BGR->HSV->BGR", bench::MedianMs([&] {
                    cv::cvtColor(image, hsv, cv::COLOR_BGR2HSV);
                    cv::cvtColor(hsv, image, cv::COLOR_HSV2BGR);
                })};
    }
    if (name == "HueSaturation8Of32") {
        cv::Mat image = randomMat(CV_8UC4, 256);
        cv::Mat hsv;
        return {"BGRA->HSV->BGRA", bench::MedianMs([&] {
                    cv::cvtColor(image, hsv, cv::COLOR_BGR2HSV);
                    cv::cvtColor(hsv, image, cv::COLOR_HSV2BGR, 4);
                })};
    }
    if (name == "SharpenColor8" || name == "SharpenColor16") {
        const bool words = name == "SharpenColor16";
        const cv::Mat image = randomMat(words ? CV_16UC3 : CV_8UC3, words ? 1024 : 256);
        cv::Mat blur, out;
        return {words ? "blur 4x4 + addWeighted 16UC3" : "blur 4x4 + addWeighted 8UC3",
                bench::MedianMs([&] {
                    cv::blur(image, blur, cv::Size(4, 4));
                    cv::addWeighted(image, 2.2, blur, -1.2, 0, out);
                })};
    }
    if (name == "GrayFromColor") {
        const cv::Mat image = randomMat(CV_8UC3, 256);
        cv::Mat gray;
        return {"cvtColor BGR->GRAY",
                bench::MedianMs([&] { cv::cvtColor(image, gray, cv::COLOR_BGR2GRAY); })};
    }
    if (name == "Color24Flip") {
        const cv::Mat image = randomMat(CV_8UC3, 256);
        cv::Mat out;
        return {"flip rows 8UC3", bench::MedianMs([&] { cv::flip(image, out, 0); })};
    }
    if (name == "Color10To8From48") {
        const cv::Mat image = randomMat(CV_16UC3, 1024);
        cv::Mat out;
        return {"convertTo 16UC3->8UC3 /4",
                bench::MedianMs([&] { image.convertTo(out, CV_8UC3, 0.25); })};
    }
    return {};
}
#endif

std::vector<Case> Cases() {
    const std::vector<int32_t> demosaic = {1, 120, 100, 90};
    const std::vector<int32_t> gray = {1, 140, 128, 120, 150, 2, 0, 0, -3, 10};
    return {
        {"Demosaic8To24", {DemosaicInner8, DemosaicEdge8}, 24, 8, 255, demosaic},
        {"Demosaic8To24Interior", {DemosaicInner8}, 24, 8, 255, demosaic},
        {"Demosaic8To24Border", {DemosaicEdge8}, 24, 8, 255, demosaic},
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
        {"HueSaturation8In32Rows", {HueSaturation8}, 24, 24, 255, {40, 0, 60, 10}, 32},
        {"HueSaturation16", {HueSaturation16}, 48, 48, 1023, {40, 0, 60, 10}},
        {"HueSaturation16In32Rows", {HueSaturation16}, 48, 48, 1023, {40, 0, 60, 10}, 32},
        {"HueSaturation16Of64", {HueSaturation16}, 64, 64, 1023, {40, 0, 60, 10}},
        {"SharpenMono8", {SharpenMono8}, 8, 8, 255, {12, 10}},
        {"SharpenColor8", {SharpenColor8}, 24, 24, 255, {12, 10}},
        {"SharpenColor16", {SharpenColor16}, 48, 48, 1023, {12, 10}},
    };
}

constexpr KernelPath kPaths[3] = {KernelPath::Reference, KernelPath::Sse2, KernelPath::Avx2};

// The work's time on each path this CPU runs, -1 for the others.
template <class Work> void TimeOnEveryPath(Work&& work, double (&ms)[3]) {
    for (int p = 0; p < 3; ++p)
        ms[p] = KernelPathSupported(kPaths[p]) ? (ForceKernelPath(kPaths[p]), work()) : -1.0;
    ForceKernelPath(KernelPath::Avx2);
}

} // namespace

int main(int argc, char** argv) {
    // `--once NAME [scalar|sse2|avx2]` runs one case a single time on one path, for counting
    // instructions under callgrind.
    if ((argc == 3 || argc == 4) && std::string(argv[1]) == "--once") {
        g_once = true;
        for (KernelPath path : kPaths)
            if (argc == 4 && std::string(argv[3]) == KernelPathName(path)) ForceKernelPath(path);
        for (const Case& c : Cases())
            if (c.name == std::string(argv[2])) TimePositioned(c);
        return 0;
    }
    // An argument keeps the cases whose names contain it.
    const std::string only = argc == 2 ? argv[1] : "";
    auto chosen = [&only](const char* name) {
        return std::string(name).find(only) != std::string::npos;
    };
#if TRAVIK_BENCH_OPENCV
    cv::setNumThreads(1);
#endif
    std::printf("vector paths: best on this CPU %s\n",
                KernelPathName(ForceKernelPath(KernelPath::Avx2)));
    bench::PrintHeader();
    double ms[3];
    for (const Case& c : Cases()) {
        if (!chosen(c.name)) continue;
        TimeOnEveryPath([&] { return TimePositioned(c); }, ms);
#if TRAVIK_BENCH_OPENCV
        const Reference reference = OpenCvReference(c.name);
        bench::PrintTimes(c.name, ms, reference.label, reference.ms);
#else
        bench::PrintTimes(c.name, ms);
#endif
    }
    for (int32_t bits : {8, 24, 32, 48, 64}) {
        const std::string name = "Tones" + std::to_string(bits);
        if (!chosen(name.c_str())) continue;
        TimeOnEveryPath([bits] { return TimeTones(bits); }, ms);
#if TRAVIK_BENCH_OPENCV
        const Reference reference = OpenCvReference(name);
        bench::PrintTimes(name.c_str(), ms, reference.label, reference.ms);
#else
        bench::PrintTimes(name.c_str(), ms);
#endif
    }
    if (!only.empty()) return 0;
    TimeOnEveryPath([] { return TimeScale(ScaleNearest24, 24, 640, 480); }, ms);
    bench::PrintTimes("ScaleNearest24Half", ms);
    TimeOnEveryPath([] { return TimeScale(ScaleNearest8, 8, 800, 600); }, ms);
    bench::PrintTimes("ScaleNearest8To800x600", ms);
    TimeOnEveryPath([] { return TimeRestride(); }, ms);
    bench::PrintTimes("Restride8", ms);
    TimeOnEveryPath([] { return TimeMirror(8); }, ms);
    bench::PrintTimes("MirrorFrame8", ms);
    TimeOnEveryPath([] { return TimeMirror(16); }, ms);
    bench::PrintTimes("MirrorFrame16", ms);
    return 0;
}
