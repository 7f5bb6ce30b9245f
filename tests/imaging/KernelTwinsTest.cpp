// Every kernel family's vector twins against its reference code, one table of cases: random
// images of random sizes, offset rectangles, in place and between buffers, every Bayer phase,
// settings inside and beyond the setters' ranges; the reference path and then each instruction
// set the CPU runs forced in turn, and the bytes of every result identical to the reference's,
// padding and untouched channels included.
#include "FastPathSupport.h"
#include "KernelTestSupport.h"
#include "ToneTestSupport.h"
#include "imaging/kernels/KernelTwins.h"
#include "imaging/kernels/ToneTable.h"

#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using kernel_test::KernelPathGuard;
using kernel_test::TestImage;
using kernel_test::VectorPaths;
using Rng = std::mt19937;

// One call of a twin: `run` makes it on fresh copies of its images and returns the bytes of the
// image it wrote; `what` names it when the paths differ.
struct Call {
    std::string what;
    std::function<std::vector<uint8_t>()> run;
};

// A case of the table: the calls of trial t, for t = 0..trials-1, from one random stream.
struct TwinCase {
    std::string name;
    int trials;
    std::function<std::vector<Call>(Rng&, int)> make;
};

// The kernels in turn on `rect` of `src` written at (x, y) of a copy of `dst`, as the image
// buffer calls them; without `src`, in place on the copy of `dst`.
Call Kernels(std::string what, std::vector<PositionedKernel> kernels, const TestImage& dst,
             std::optional<TestImage> src, KernelRect rect, int32_t x, int32_t y,
             std::vector<int32_t> block = {}) {
    return {std::move(what), [=] {
                TestImage out = dst;
                const TestImage& in = src ? *src : out;
                std::vector<int32_t> parameters = block;
                for (PositionedKernel kernel : kernels) {
                    int32_t* pointer = parameters.data();
                    kernel(out.Data(), in.Data(), rect, x, y, out.PixelBytes(), in.PixelBytes(),
                           out.Stride(), in.Stride(), parameters.empty() ? nullptr : &pointer);
                }
                return out.Bytes();
            }};
}

std::string Size(const TestImage& image) {
    return std::to_string(image.Width()) + "x" + std::to_string(image.Height());
}

int32_t Random(Rng& rng, int32_t first, int32_t last) {
    return first + static_cast<int32_t>(rng() % static_cast<unsigned>(last - first + 1));
}

// 1..33 mostly; every `wideEvery`-th trial wide..wide + span - 1.
int32_t RandomSize(Rng& rng, int trial, int wideEvery, int32_t wide, int32_t span) {
    return trial % wideEvery == 0 ? Random(rng, wide, wide + span - 1) : Random(rng, 1, 33);
}

// A rectangle inside an image of `width` x `height`: the whole image every other trial.
KernelRect RandomRect(Rng& rng, int trial, int32_t width, int32_t height) {
    if (trial % 2 == 0) return KernelRect{0, 0, width, height};
    return KernelRect{Random(rng, 0, width - 1), Random(rng, 0, height - 1), width, height};
}

// A value of the range most of the time, now and then one of `edges`: the range's edges and
// what only a measurement or a corrupt block gives.
int32_t RangeOrEdge(Rng& rng, unsigned edgeEvery, std::initializer_list<int32_t> edges,
                    int32_t first, int32_t last) {
    if (rng() % edgeEvery == 0) return *(edges.begin() + rng() % edges.size());
    return Random(rng, first, last);
}

// ---- Demosaic ----

// Gains in percent; 6399, 6400, 25599 and 25600 lie at the edges of the vector rows' ranges.
int32_t DemosaicGain(Rng& rng) {
    return RangeOrEdge(rng, 3,
                       {0, 1, 99, 100, 101, 399, 400, -1, -400, 1600, 100000, 6399, 6400, 25599,
                        25600, 51199, 51200},
                       0, 400);
}

TwinCase DemosaicCase(int32_t outBits) {
    const bool words = outBits >= 48;
    const PositionedKernel inner = words ? DemosaicInner16 : DemosaicInner8;
    const PositionedKernel edge = words ? DemosaicEdge16 : DemosaicEdge8;
    const int32_t rawBits = words ? 16 : 8;
    // 400 random frames, then an offset rectangle at every phase, then every width around the
    // widest vector step (32 columns) at every phase, with 1 to 4 interior rows.
    return {"Demosaic" + std::to_string(outBits), 400 + 4 + 43 * 4, [=](Rng& rng, int t) {
                std::vector<PositionedKernel> kernels = {inner, edge};
                if (t >= 404) {
                    const int32_t width = 30 + (t - 404) / 4, phase = (t - 404) % 4;
                    TestImage raw(width, 5 + phase, rawBits), out(width, 5 + phase, outBits);
                    raw.Randomise(rng, words ? 1023 : 255);
                    out.Randomise(rng, 255);
                    const int32_t gain = (width + phase) % 3 == 0 ? 1600 : 100 + width;
                    return std::vector{Kernels(Size(raw) + " phase " + std::to_string(phase),
                                               kernels, out, raw, raw.Whole(), 0, 0,
                                               {phase, gain, 100, 250 - width})};
                }
                if (t >= 400) {
                    TestImage raw(40, 30, rawBits), out(45, 33, outBits);
                    raw.Randomise(rng, words ? 1023 : 255);
                    out.Randomise(rng, 255);
                    return std::vector{Kernels("offset, phase " + std::to_string(t - 400), kernels,
                                               out, raw, KernelRect{3, 2, 36, 27}, 5, 4,
                                               {t - 400, 130, 100, 70})};
                }
                // Every eighth frame wide and 61..64 rows, so that the widest steps run with
                // every remainder after them; whole words beyond ten bits every fifth frame.
                const bool large = t % 8 == 0;
                const int32_t width = large ? Random(rng, 34, 120) : Random(rng, 1, 33);
                const int32_t height = large ? Random(rng, 61, 64) : Random(rng, 1, 33);
                TestImage raw(width, height, rawBits), out(width, height, outBits);
                raw.Randomise(rng, words ? (t % 5 == 0 ? 65535 : 1023) : 255);
                out.Randomise(rng, words ? 65535 : 255);
                // Every other trial the interior pass alone: it must leave the border as it was.
                if (t % 2 == 0) kernels.pop_back();
                const std::vector<int32_t> block = {Random(rng, 0, 3), DemosaicGain(rng),
                                                    DemosaicGain(rng), DemosaicGain(rng)};
                return std::vector{Kernels(Size(raw) + " phase " + std::to_string(block[0]) +
                                               " gains " + std::to_string(block[1]) + "/" +
                                               std::to_string(block[3]),
                                           kernels, out, raw, raw.Whole(), 0, 0, block)};
            }};
}

// ---- Gray gains ----

TwinCase GrayGainsCase(bool words) {
    return {words ? "GrayGains16" : "GrayGains8", 600, [=](Rng& rng, int t) {
                const int32_t width = RandomSize(rng, t, 25, 61, 9);
                TestImage src(width, Random(rng, 1, 6), words ? 16 : 8);
                src.Randomise(rng, words ? (t % 4 == 0 ? 65535 : 1023) : 255);
                std::vector<int32_t> block(kGrayGainBlockSize);
                block[kGrayPhase] = Random(rng, 0, 3);
                for (int k = kGrayGainR1; k <= kGrayGainB1; ++k)
                    block[k] = RangeOrEdge(
                        rng, 4, {0, 1, 127, 128, 129, 254, 255, 256, -1, 1000, 70000}, 0, 255);
                for (int k = kGrayOffsetR1; k <= kGrayOffsetB1; ++k)
                    block[k] = RangeOrEdge(
                        rng, 4, {-255, -254, -1, 0, 1, 254, 255, -256, 256, 5000}, -255, 255);
                static const int32_t kSampleBits[] = {8, 10, 10, 12, 14, 16, 9, 0};
                block[kGraySampleBits] = kSampleBits[rng() % std::size(kSampleBits)];
                const KernelRect rect = RandomRect(rng, t, src.Width(), src.Height());
                TestImage dst(width + 3, src.Height() + 2, words ? 16 : 8);
                dst.Randomise(rng, 255);
                const PositionedKernel kernel = words ? GrayGains16 : GrayGains8;
                const std::string what = Size(src) + " phase " + std::to_string(block[0]) +
                                         " bits " + std::to_string(block[kGraySampleBits]);
                return std::vector{Kernels(what, {kernel}, dst, src, rect, Random(rng, 0, 3),
                                           Random(rng, 0, 2), block),
                                   Kernels(what + ", in place", {kernel}, src, std::nullopt, rect,
                                           rect.left, rect.top, block)};
            }};
}

// ---- Hue and saturation ----

// Random channels: whole words now and then for the word kernels (beyond the sample bits), and
// grays and two-equal-channel pixels, where the sector choice has ties.
TestImage HueImage(Rng& rng, int32_t width, int32_t height, int32_t bits, int t) {
    TestImage image(width, height, bits);
    const bool words = bits >= 48;
    image.Randomise(rng, words ? (t % 5 == 0 ? 65535 : 1023) : 255);
    for (int32_t i = 0; i < height; ++i)
        for (int32_t j = 0; j < width; ++j)
            if (rng() % 4 == 0)
                image.Set(i, j, Random(rng, 0, 2), image.Get(i, j, Random(rng, 0, 2)));
    return image;
}

// Widths 1..33 mostly; every fourth 34..130, so that the widest vector step (32 pixels) runs
// several times a row with every remainder after it.
int32_t HueWidth(Rng& rng, int t) {
    return t % 4 == 0 ? Random(rng, 34, 130) : Random(rng, 1, 33);
}

std::string HueSettings(int32_t hue, int32_t saturation) {
    return "hue " + std::to_string(hue) + " saturation " + std::to_string(saturation);
}

// In place on a whole image of random size: every hue of the setter's range and beyond with a
// random saturation (trials 0..1600), every saturation likewise (..2401), extremes (..2416).
std::vector<Call> HueEverySetting(Rng& rng, int t, PositionedKernel kernel, int32_t bits) {
    int32_t hue = Random(rng, -720, 720), saturation = Random(rng, -300, 300);
    if (t <= 1600) hue = t - 800;
    if (t > 1600 && t <= 2401) saturation = t - 2001;
    if (t > 2401) {
        static const int32_t kExtremes[] = {INT32_MIN, INT32_MIN + 1, -65536, 65536, INT32_MAX};
        const int32_t extreme = kExtremes[(t - 2402) / 3];
        hue = (t - 2402) % 3 == 1 ? 17 : extreme;
        saturation = (t - 2402) % 3 == 0 ? 17 : extreme;
    }
    const TestImage image = HueImage(rng, HueWidth(rng, t), Random(rng, 1, 5), bits, t);
    static const int32_t kSampleBits[] = {10, 10, 10, 8, 9, 12, 16, 0, 40};
    const int32_t sampleBits = kSampleBits[rng() % std::size(kSampleBits)];
    return {Kernels(
        Size(image) + " " + HueSettings(hue, saturation) + " bits " + std::to_string(sampleBits),
        {kernel}, image, std::nullopt, image.Whole(), 0, 0, {hue, 0, saturation, sampleBits})};
}

TwinCase HueCase(const char* name, int32_t bits) {
    const PositionedKernel kernel = bits >= 48 ? HueSaturation16 : HueSaturation8;
    // Every setting, then separate buffers and offset rectangles, then overlapping areas.
    return {name, 2417 + 300 + 2, [=](Rng& rng, int t) {
                if (t < 2417) return HueEverySetting(rng, t, kernel, bits);
                if (t >= 2717) {
                    // The destination one pixel behind or ahead of the source in the same
                    // buffer: each pixel written may be one that the kernel reads next.
                    const TestImage image = HueImage(rng, 22, 3, bits, 1);
                    const int32_t x = t == 2717 ? 0 : 2;
                    return std::vector{Kernels("overlapping, x " + std::to_string(x), {kernel},
                                               image, std::nullopt, KernelRect{1, 0, 20, 3}, x, 0,
                                               {100, 0, 50, 10})};
                }
                const TestImage src = HueImage(rng, HueWidth(rng, t), Random(rng, 1, 33), bits, t);
                TestImage dst(src.Width() + 7, src.Height() + 5, bits);
                dst.Randomise(rng, 255);
                const KernelRect rect{Random(rng, 0, src.Width() - 1),
                                      Random(rng, 0, src.Height() - 1), src.Width(), src.Height()};
                const int32_t x = Random(rng, 0, 6), y = Random(rng, 0, 4);
                const int32_t hue = Random(rng, -360, 360), saturation = Random(rng, -255, 255);
                const std::string what = Size(src) + " " + HueSettings(hue, saturation);
                return std::vector{
                    Kernels(what, {kernel}, dst, src, rect, x, y, {hue, 0, saturation, 10}),
                    Kernels(what + ", in place", {kernel}, src, std::nullopt, rect, rect.left,
                            rect.top, {hue, 0, saturation, 10})};
            }};
}

// Every colour of blue j, green i and red `red` in 8-bit channels, or as 10-bit words whose two low
// bits vary.
TestImage EveryColourOf(int32_t red, bool words) {
    TestImage image(256, 256, words ? 48 : 24);
    for (int32_t i = 0; i < 256; ++i) {
        uint8_t* pixel = image.Data() + i * image.Stride();
        for (int32_t j = 0; j < 256; ++j) {
            const int32_t channels[3] = {j, i, red};
            for (int32_t c = 0; c < 3; ++c) {
                const int32_t v = words ? 4 * channels[c] + (i + j + c) % 4 : channels[c];
                *pixel++ = static_cast<uint8_t>(v);
                if (words) *pixel++ = static_cast<uint8_t>(v >> 8);
            }
        }
    }
    return image;
}

// All 2^24 colours once, 65536 a trial under one of three settings in turn; every eighth trial
// also through the word kernel.
TwinCase HueEveryColourCase() {
    return {"HueSaturationEveryColour", 256, [](Rng&, int red) {
                static const std::vector<int32_t> kSettings[] = {
                    {40, 0, 60, 10}, {-200, 0, -255, 10}, {359, 0, 255, 10}};
                const std::vector<int32_t>& block = kSettings[red % 3];
                const std::string what =
                    "red " + std::to_string(red) + " " + HueSettings(block[0], block[2]);
                const TestImage image = EveryColourOf(red, false);
                std::vector calls = {Kernels(what, {HueSaturation8}, image, std::nullopt,
                                             image.Whole(), 0, 0, block)};
                if (red % 8 == 3) {
                    const TestImage words = EveryColourOf(red, true);
                    calls.push_back(Kernels("48-bit, " + what, {HueSaturation16}, words,
                                            std::nullopt, words.Whole(), 0, 0, block));
                }
                return calls;
            }};
}

// ---- Sharpen ----

TwinCase SharpenCase(const char* name, PositionedKernel kernel, int32_t bits) {
    return {
        name, 300, [=](Rng& rng, int t) {
            const bool words = bits == 16 || bits >= 48;
            const bool large = t % 50 == 0;
            TestImage copy(large ? Random(rng, 70, 78) : Random(rng, 1, 33),
                           large ? Random(rng, 40, 44) : Random(rng, 1, 33), bits);
            // Flat regions now and then, where blur and original are equal; words beyond
            // the sample bits now and then, which the pipeline never makes.
            copy.Randomise(rng, t % 7 == 0 ? 1 : words && t % 5 == 0 ? 65535 : words ? 1023 : 255);
            static const int32_t kValues[] = {0, 1, 10, 12, 29, 30, 59, 60, 61, 200, -1, -30};
            const int32_t sharpness =
                t % 2 ? kValues[rng() % std::size(kValues)] : Random(rng, 0, 30);
            static const int32_t kSampleBits[] = {10, 10, 10, 8, 9, 12, 16};
            const int32_t sampleBits = kSampleBits[rng() % std::size(kSampleBits)];
            return std::vector{Kernels(Size(copy) + " sharpness " + std::to_string(sharpness) +
                                           " bits " + std::to_string(sampleBits),
                                       {kernel}, copy, copy, copy.Whole(), 0, 0,
                                       {sharpness, sampleBits})};
        }};
}

// ---- Depth converters and colour to gray ----

TwinCase ConverterCase(const char* name, PositionedKernel kernel, int32_t srcBits,
                       int32_t dstBits) {
    return {name, 300, [=](Rng& rng, int t) {
                const int32_t width = RandomSize(rng, t, 25, 70, 9);
                TestImage src(width, Random(rng, 1, 6), srcBits);
                src.Randomise(rng, srcBits == 16 || srcBits >= 48 ? 65535 : 255);
                TestImage dst(width + 5, src.Height() + 3, dstBits);
                dst.Randomise(rng, 255);
                const KernelRect rect = RandomRect(rng, t, width, src.Height());
                return std::vector{Kernels(Size(src), {kernel}, dst, src, rect, Random(rng, 0, 5),
                                           Random(rng, 0, 3))};
            }};
}

// A 24-bit image converted onto itself one pixel to the side.
TwinCase ConverterOverlapCase() {
    return {"Color24FlipOverlapping", 2, [](Rng& rng, int t) {
                TestImage image(40, 3, 24);
                image.Randomise(rng, 255);
                return std::vector{Kernels("x " + std::to_string(2 * t), {Color24Flip}, image,
                                           std::nullopt, KernelRect{1, 0, 38, 3}, 2 * t, 0)};
            }};
}

// ---- Mirror ----

TwinCase MirrorCase(int32_t pixelBytes) {
    return {"Mirror" + std::to_string(pixelBytes) + "Bytes", 200, [=](Rng& rng, int t) {
                const int32_t width = RandomSize(rng, t, 25, 90, 9);
                TestImage frame = TestImage::WholeRows(width, Random(rng, 1, 7), 8 * pixelBytes);
                frame.Randomise(rng, 255);
                const bool horizontal = t % 3 != 1, vertical = t % 3 != 0;
                return std::vector<Call>{
                    {Size(frame) + " horizontal " + std::to_string(horizontal) + " vertical " +
                         std::to_string(vertical),
                     [=] {
                         TestImage copy = frame;
                         std::vector<uint8_t> scratch(copy.Bytes().size());
                         MirrorFrame(copy.Data(), scratch.data(), copy.Width(), copy.Height(),
                                     copy.Stride(), pixelBytes, horizontal, vertical);
                         return copy.Bytes();
                     }}};
            }};
}

// ---- Tone look-ups ----

// The runs alone at every length around the vector width from every alignment, with room on
// both sides that must stay as it was; the first trial maps every byte value in order.
TwinCase ToneRunCase(bool bgrx) {
    return {bgrx ? "ToneRunsBgrx" : "ToneRunsSamples", 101 * 11, [=](Rng& rng, int t) {
                const bool everyValue = t == 0;
                const size_t units = everyValue ? tone::kByteEntries : static_cast<size_t>(t / 11);
                const size_t offset = static_cast<size_t>(t % 11) * 3;
                std::vector<uint8_t> table(tone::kByteEntries), bytes(units * 4 + 64);
                for (uint8_t& b : table)
                    b = static_cast<uint8_t>(rng());
                for (size_t k = 0; k < bytes.size(); ++k)
                    bytes[k] = static_cast<uint8_t>(everyValue ? k : rng());
                return std::vector<Call>{
                    {std::to_string(units) + " from byte " + std::to_string(offset), [=] {
                         std::vector<uint8_t> out = bytes;
                         const ToneTwins& twins = Twins().tone;
                         (bgrx ? twins.bgrx : twins.samples)(out.data() + offset, units,
                                                             table.data());
                         return out;
                     }}};
            }};
}

// A composed table applied to whole images and rectangles, rows padded or packed end to end.
TwinCase ToneTableCase(const char* name, ToneImage kind, int32_t bits) {
    const bool words = bits == 16 || bits >= 48;
    // Word tables cover every word and take longer to build; their look-up has no twin.
    return {name, words ? 20 : 60, [=](Rng& rng, int t) {
                auto table = std::make_shared<ToneTable>();
                EXPECT_TRUE(table->Prepare(kernel_test::RandomToneSteps(rng), kind, 10));
                const int32_t width = t % 20 == 0 ? Random(rng, 200, 208) : Random(rng, 1, 33);
                const int32_t height = Random(rng, 1, 7), pixelBytes = bits / 8;
                const int32_t stride =
                    t % 3 == 0 ? width * pixelBytes : width * pixelBytes + Random(rng, 1, 9);
                TestImage image(width, height, bits, stride);
                image.Randomise(rng, words ? (t % 4 == 0 ? 65535 : 1023) : 255);
                const KernelRect rect = RandomRect(rng, t, width, height);
                return std::vector<Call>{
                    {Size(image) + " stride " + std::to_string(stride), [=] {
                         TestImage copy = image;
                         table->Apply(copy.Data() + rect.top * stride + rect.left * pixelBytes,
                                      width - rect.left, height - rect.top, stride, pixelBytes);
                         return copy.Bytes();
                     }}};
            }};
}

std::vector<TwinCase> Cases() {
    std::vector<TwinCase> cases;
    for (int32_t bits : {24, 32, 48, 64})
        cases.push_back(DemosaicCase(bits));
    cases.push_back(GrayGainsCase(false));
    cases.push_back(GrayGainsCase(true));
    cases.push_back(HueCase("HueSaturation24", 24));
    cases.push_back(HueCase("HueSaturation32", 32));
    cases.push_back(HueCase("HueSaturation48", 48));
    cases.push_back(HueCase("HueSaturation64", 64));
    cases.push_back(HueEveryColourCase());
    cases.push_back(SharpenCase("SharpenMono8", SharpenMono8, 8));
    cases.push_back(SharpenCase("SharpenColor24", SharpenColor8, 24));
    cases.push_back(SharpenCase("SharpenColor32", SharpenColor8, 32));
    cases.push_back(SharpenCase("SharpenMono16", SharpenMono16, 16));
    cases.push_back(SharpenCase("SharpenColor48", SharpenColor16, 48));
    cases.push_back(SharpenCase("SharpenColor64", SharpenColor16, 64));
    cases.push_back(ConverterCase("Mono10To8", Mono10To8, 16, 8));
    cases.push_back(ConverterCase("Mono10To8Flip", Mono10To8Flip, 16, 8));
    cases.push_back(ConverterCase("Mono12To8Flip", Mono12To8Flip, 16, 8));
    cases.push_back(ConverterCase("Color10To8From48", Color10To8, 48, 24));
    cases.push_back(ConverterCase("Color10To8From64", Color10To8, 64, 24));
    cases.push_back(ConverterCase("Color10To8FlipFrom48", Color10To8Flip, 48, 24));
    cases.push_back(ConverterCase("Color10To8FlipFrom64", Color10To8Flip, 64, 24));
    cases.push_back(ConverterCase("Color32To24", Color32To24, 32, 24));
    cases.push_back(ConverterCase("Color24Flip", Color24Flip, 24, 24));
    cases.push_back(ConverterCase("Color24FlipFrom32", Color24Flip, 32, 24));
    cases.push_back(ConverterCase("GrayFromColor", GrayFromColor, 24, 8));
    cases.push_back(ConverterCase("GrayFromColor32", GrayFromColor, 32, 8));
    cases.push_back(ConverterOverlapCase());
    for (int32_t pixelBytes : {1, 2, 3, 4, 6, 8})
        cases.push_back(MirrorCase(pixelBytes));
    cases.push_back(ToneRunCase(false));
    cases.push_back(ToneRunCase(true));
    cases.push_back(ToneTableCase("ToneTableMono8", ToneImage::Mono8, 8));
    cases.push_back(ToneTableCase("ToneTableColor24", ToneImage::Color8, 24));
    cases.push_back(ToneTableCase("ToneTableColor32", ToneImage::Color8, 32));
    cases.push_back(ToneTableCase("ToneTableMono16", ToneImage::Mono16, 16));
    cases.push_back(ToneTableCase("ToneTableColor48", ToneImage::Color16, 48));
    cases.push_back(ToneTableCase("ToneTableColor64", ToneImage::Color16, 64));
    return cases;
}

class KernelTwinsTest : public ::testing::TestWithParam<TwinCase> {};

TEST_P(KernelTwinsTest, GiveTheReferenceBytesOnEveryInstructionSet) {
    KernelPathGuard guard;
    const TwinCase& c = GetParam();
    Rng rng(static_cast<unsigned>(std::hash<std::string>{}(c.name)));
    for (int t = 0; t < c.trials; ++t) {
        for (const Call& call : c.make(rng, t)) {
            ForceKernelPath(KernelPath::Reference);
            const std::vector<uint8_t> reference = call.run();
            for (KernelPath path : VectorPaths()) {
                ASSERT_EQ(ForceKernelPath(path), path);
                const std::vector<uint8_t> fast = call.run();
                if (fast == reference) continue; // the loop below names the first difference
                ASSERT_EQ(fast.size(), reference.size());
                for (size_t i = 0; i < reference.size(); ++i)
                    ASSERT_EQ(int{fast[i]}, int{reference[i]})
                        << KernelPathName(path) << ", trial " << t << ", " << call.what << ", byte "
                        << i;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Families, KernelTwinsTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.name; });

// The caller's floating-point control word is its own: under every rounding mode, and with the
// inexact exception unmasked, the hue twins give the reference's pixels, raise nothing and leave
// the control word as they found it.
TEST(KernelTwinsControlWord, HueTwinsKeepTheCallersRoundingMode) {
    KernelPathGuard guard;
    for (int32_t bits : {24, 32, 48, 64}) {
        // Every chroma with every position in its sector: red k, green 0..k, blue 0.
        TestImage image(256, 256, bits);
        const uint32_t scale = bits >= 48 ? 4 : 1;
        for (int32_t k = 0; k < 256; ++k)
            for (int32_t position = 0; position < 256; ++position) {
                image.Set(k, position, 1, static_cast<uint32_t>(std::min(position, k)) * scale);
                image.Set(k, position, 2, static_cast<uint32_t>(k) * scale);
            }
        const Call call =
            Kernels(std::to_string(bits) + " bits", {bits >= 48 ? HueSaturation16 : HueSaturation8},
                    image, std::nullopt, image.Whole(), 0, 0, {100, 0, 50, 10});
        ForceKernelPath(KernelPath::Reference);
        const std::vector<uint8_t> reference = call.run();
        const unsigned saved = _mm_getcsr();
        for (unsigned rounding : {0x0000u, 0x2000u, 0x4000u, 0x6000u}) {
            // Status flags clear, every exception masked but the inexact one, this rounding.
            const unsigned callers = (saved & ~0x7FBFu) | (0x1F80u & ~0x1000u) | rounding;
            for (KernelPath path : VectorPaths()) {
                ForceKernelPath(path);
                _mm_setcsr(callers);
                const std::vector<uint8_t> fast = call.run();
                const unsigned after = _mm_getcsr();
                _mm_setcsr(saved);
                EXPECT_EQ(after, callers) << KernelPathName(path) << ", " << call.what;
                EXPECT_EQ(fast, reference) << KernelPathName(path) << ", " << call.what;
            }
        }
    }
}

// Forcing a path never goes beyond what the CPU runs: an AVX2 request on a CPU without it gets
// SSE2, which every x86-64 CPU has; and the twins that run are those of the path in force.
TEST(KernelPathChoice, ForcingIsCappedAtWhatTheCpuRunsAndChoosesItsTwins) {
    KernelPathGuard guard;
    EXPECT_EQ(ForceKernelPath(KernelPath::Reference), KernelPath::Reference);
    EXPECT_EQ(ActiveKernelPath(), KernelPath::Reference);
    EXPECT_EQ(Twins().path, KernelPath::Reference);
    EXPECT_TRUE(KernelPathSupported(KernelPath::Reference));
#if defined(__x86_64__) || defined(_M_X64)
    EXPECT_TRUE(KernelPathSupported(KernelPath::Sse2));
    EXPECT_EQ(ForceKernelPath(KernelPath::Sse2), KernelPath::Sse2);
    EXPECT_EQ(Twins().path, KernelPath::Sse2);
#endif
    const KernelPath best = ForceKernelPath(KernelPath::Avx2);
    EXPECT_EQ(best == KernelPath::Avx2, KernelPathSupported(KernelPath::Avx2));
    EXPECT_EQ(ActiveKernelPath(), best);
    EXPECT_EQ(Twins().path, best);
    EXPECT_STREQ(KernelPathName(KernelPath::Reference), "scalar");
    EXPECT_STREQ(KernelPathName(KernelPath::Sse2), "sse2");
    EXPECT_STREQ(KernelPathName(KernelPath::Avx2), "avx2");
}

} // namespace
