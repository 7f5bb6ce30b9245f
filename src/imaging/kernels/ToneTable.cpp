// One table for the pipeline's gamma, contrast and brightness, made by running their kernels over
// every possible value, and a single pass that applies it.
#include "imaging/kernels/ToneTable.h"

#include "imaging/kernels/PixelArea.h"

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
           &pointer, nullptr);
}

template <int kPixelBytes, int kChannels>
void MapBytes(uint8_t* pixels, int32_t width, int32_t height, ptrdiff_t stride,
              const uint16_t* entries) {
    uint8_t table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = static_cast<uint8_t>(entries[v]);
    for (int32_t i = 0; i < height; ++i) {
        uint8_t* p = pixels + i * stride;
        for (int32_t j = 0; j < width; ++j, p += kPixelBytes)
            for (int c = 0; c < kChannels; ++c)
                p[c] = table[p[c]];
    }
}

template <int kPixelBytes, int kChannels>
void MapWords(uint8_t* pixels, int32_t width, int32_t height, ptrdiff_t stride,
              const std::vector<uint16_t>& entries, uint16_t beyond) {
    const uint32_t size = static_cast<uint32_t>(entries.size());
    const uint16_t* table = entries.data();
    for (int32_t i = 0; i < height; ++i) {
        uint8_t* p = pixels + i * stride;
        for (int32_t j = 0; j < width; ++j, p += kPixelBytes) {
            for (int c = 0; c < kChannels; ++c) {
                const uint32_t v = LoadWord(p + 2 * c);
                StoreWord(p + 2 * c, v < size ? table[v] : beyond);
            }
        }
    }
}

} // namespace

bool ToneTable::Prepare(const ToneSteps& steps, ToneImage image, int32_t sampleBits) {
    const bool words = IsWords(image);
    // Gamma and contrast send every word beyond the sample bits to the top value, after which the
    // table covers the rest of the chain; brightness alone has no such first step.
    if (!steps.Any() || (words && !steps.gamma && !steps.contrast)) return false;
    const int32_t bits = words ? ClampSampleBits(sampleBits) : 8;
    if (m_ready && m_steps == steps && m_image == image && m_sampleBits == bits) return true;

    // Every value once, then one value beyond the table; a pixel of the image's own kind, with
    // all its channels equal, so that each kernel runs exactly as on a frame.
    const int32_t count = (1 << bits) + (words ? 1 : 0);
    const int32_t sampleBytes = words ? 2 : 1;
    const int32_t channels = IsColour(image) ? 3 : 1;
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
    const StepKernels kernels = KernelsFor(image);
    if (steps.gamma) RunStep(kernels.gamma, steps.gammaValue, bits, row, count, pixelBytes);
    if (steps.contrast)
        RunStep(kernels.contrast, steps.contrastValue, bits, row, count, pixelBytes);
    if (steps.brightness)
        RunStep(kernels.brightness, steps.brightnessValue, bits, row, count, pixelBytes);

    const int32_t entries = 1 << bits;
    m_entries.assign(static_cast<size_t>(entries), 0);
    for (int32_t v = 0; v < entries; ++v) {
        const uint8_t* sample = row.data() + static_cast<size_t>(v) * pixelBytes;
        m_entries[static_cast<size_t>(v)] =
            static_cast<uint16_t>(words ? LoadWord(sample) : *sample);
    }
    m_beyond = words ? static_cast<uint16_t>(
                           LoadWord(row.data() + static_cast<size_t>(entries) * pixelBytes))
                     : 0;
    m_ready = true;
    m_steps = steps;
    m_image = image;
    m_sampleBits = bits;
    return true;
}

void ToneTable::Apply(uint8_t* pixels, int32_t width, int32_t height, int32_t stride,
                      int32_t pixelBytes) const {
    if (!m_ready || !pixels) return;
    const bool colour = IsColour(m_image);
    if (!IsWords(m_image)) {
        if (!colour)
            MapBytes<1, 1>(pixels, width, height, stride, m_entries.data());
        else if (pixelBytes == 4)
            MapBytes<4, 3>(pixels, width, height, stride, m_entries.data());
        else
            MapBytes<3, 3>(pixels, width, height, stride, m_entries.data());
        return;
    }
    if (!colour)
        MapWords<2, 1>(pixels, width, height, stride, m_entries, m_beyond);
    else if (pixelBytes == 8)
        MapWords<8, 3>(pixels, width, height, stride, m_entries, m_beyond);
    else
        MapWords<6, 3>(pixels, width, height, stride, m_entries, m_beyond);
}
