// One table for the pipeline's gamma, contrast and brightness, made by running their kernels over
// every possible value, and a single pass that applies it.
#include "imaging/kernels/ToneTable.h"

#include "imaging/kernels/KernelTwins.h"
#include "imaging/kernels/PixelArea.h"

#include <algorithm>
#include <new>

namespace {

struct StepKernels {
    PositionedKernel gamma, contrast, brightness;
};

StepKernels KernelsFor(ToneImage image) {
    switch (image) {
    case ToneImage::Mono8:
        return {GammaMono8, ContrastMono8, BrightnessMono8};
    case ToneImage::Color8:
        return {GammaColor8, ContrastColor8, BrightnessColor8};
    case ToneImage::Mono16:
        return {GammaMono16, ContrastMono16, BrightnessMono16};
    default:
        return {GammaColor16, ContrastColor16, BrightnessColor16};
    }
}

bool IsColour(ToneImage image) {
    return image == ToneImage::Color8 || image == ToneImage::Color16;
}

bool IsWords(ToneImage image) {
    return image == ToneImage::Mono16 || image == ToneImage::Color16;
}

// Runs one step kernel in place over a row of `count` pixels of `pixelBytes`.
void RunStep(PositionedKernel kernel, int32_t value, int32_t sampleBits, std::vector<uint8_t>& row,
             int32_t count, int32_t pixelBytes) {
    int32_t block[kFilterBlockSize] = {value, sampleBits};
    int32_t* pointer = block;
    const int32_t stride = count * pixelBytes;
    kernel(row.data(), row.data(), KernelRect{0, 0, count, 1}, 0, 0,
           static_cast<uint16_t>(pixelBytes), static_cast<uint16_t>(pixelBytes), stride, stride,
           &pointer);
}

// Runs `run` over every row, or once over the whole image when its rows have no padding between
// them: the run then counts `units` per pixel over all rows together.
template <class Run>
void EveryRow(uint8_t* pixels, int32_t width, int32_t height, ptrdiff_t stride, int32_t pixelBytes,
              size_t unitsPerPixel, Run run) {
    const size_t rowUnits = static_cast<size_t>(width) * unitsPerPixel;
    if (stride == static_cast<ptrdiff_t>(width) * pixelBytes) {
        run(pixels, rowUnits * static_cast<size_t>(height));
        return;
    }
    for (int32_t i = 0; i < height; ++i)
        run(pixels + i * stride, rowUnits);
}

} // namespace

bool ToneTable::Prepare(const ToneSteps& steps, ToneImage image, int32_t sampleBits) {
    if (!steps.Any()) return false;
    const int32_t bits = IsWords(image) ? ClampSampleBits(sampleBits) : 8;
    if (m_ready && m_steps == steps && m_image == image && m_sampleBits == bits) return true;
    m_ready = false;
    try {
        m_ready = Build(steps, image, bits);
    } catch (const std::bad_alloc&) {
        m_ready = false; // the caller runs the step kernels instead
    }
    if (m_ready) {
        m_steps = steps;
        m_image = image;
        m_sampleBits = bits;
    }
    return m_ready;
}

bool ToneTable::Build(const ToneSteps& steps, ToneImage image, int32_t bits) {
    // Every value once, in pixels of the image's own kind with all their channels equal, so that
    // each kernel runs exactly as on a frame. Words run through the mono members, which treat each
    // sample as the colour members do. Gamma and contrast send every word beyond the sample bits
    // to the top value, so after either of them the first value beyond stands for the rest;
    // brightness alone scales each one, and then every word is run.
    const bool words = IsWords(image);
    const bool everyWord = words && !steps.gamma && !steps.contrast;
    const int32_t wordValues =
        everyWord ? static_cast<int32_t>(tone::kWordEntries)
                  : std::min((1 << bits) + 1, static_cast<int32_t>(tone::kWordEntries));
    const int32_t count = words ? wordValues : static_cast<int32_t>(tone::kByteEntries);
    const int32_t sampleBytes = words ? 2 : 1;
    const int32_t channels = IsColour(image) && !words ? 3 : 1;
    const int32_t pixelBytes = channels * sampleBytes;
    std::vector<uint8_t> row(static_cast<size_t>(count) * pixelBytes);
    for (int32_t v = 0; v < count; ++v)
        for (int32_t c = 0; c < channels; ++c) {
            uint8_t* sample = row.data() + (v * channels + c) * sampleBytes;
            if (words)
                StoreWord(sample, static_cast<uint32_t>(v));
            else
                *sample = static_cast<uint8_t>(v);
        }
    const StepKernels kernels = KernelsFor(words ? ToneImage::Mono16 : image);
    if (steps.gamma) RunStep(kernels.gamma, steps.gammaValue, bits, row, count, pixelBytes);
    if (steps.contrast)
        RunStep(kernels.contrast, steps.contrastValue, bits, row, count, pixelBytes);
    if (steps.brightness)
        RunStep(kernels.brightness, steps.brightnessValue, bits, row, count, pixelBytes);

    if (words) {
        const uint16_t beyond =
            static_cast<uint16_t>(LoadWord(row.data() + static_cast<size_t>(count - 1) * 2));
        m_words.assign(tone::kWordEntries, beyond);
        for (int32_t v = 0; v < count; ++v)
            m_words[static_cast<size_t>(v)] =
                static_cast<uint16_t>(LoadWord(row.data() + static_cast<size_t>(v) * 2));
    } else {
        for (int32_t v = 0; v < count; ++v)
            m_bytes[static_cast<size_t>(v)] = row[static_cast<size_t>(v) * pixelBytes];
    }
    return true;
}

void ToneTable::Apply(uint8_t* pixels, int32_t width, int32_t height, int32_t stride,
                      int32_t pixelBytes) const {
    if (!m_ready || !pixels || width < 1 || height < 1) return;
    const bool colour = IsColour(m_image);
    // Pixels of another size than the table's kind would be walked past their rows' end.
    const int32_t sampleBytes = IsWords(m_image) ? 2 : 1;
    const bool fits = colour ? pixelBytes == 3 * sampleBytes || pixelBytes == 4 * sampleBytes
                             : pixelBytes == sampleBytes;
    if (!fits) return;
    if (!IsWords(m_image)) {
        // Mono and 24-bit pixels are runs of samples that all change; 32-bit ones keep a fourth.
        const ToneTwins& lookups = Twins().tone;
        const uint8_t* table = m_bytes.data();
        if (colour && pixelBytes == 4) {
            EveryRow(pixels, width, height, stride, 4, 1,
                     [&](uint8_t* p, size_t n) { lookups.bgrx(p, n, table); });
        } else {
            const int32_t bytes = colour ? 3 : 1;
            EveryRow(pixels, width, height, stride, bytes, static_cast<size_t>(bytes),
                     [&](uint8_t* p, size_t n) { lookups.samples(p, n, table); });
        }
        return;
    }
    const uint16_t* table = m_words.data();
    if (colour && pixelBytes == 8) {
        EveryRow(pixels, width, height, stride, 8, 1,
                 [&](uint8_t* p, size_t n) { tone::WordBgrxReference(p, n, table); });
    } else {
        const int32_t samples = colour ? 3 : 1;
        EveryRow(pixels, width, height, stride, 2 * samples, static_cast<size_t>(samples),
                 [&](uint8_t* p, size_t n) { tone::WordSamplesReference(p, n, table); });
    }
}
