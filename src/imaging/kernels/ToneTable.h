// The gamma, contrast and brightness steps of the frame pipeline composed into one look-up table
// that is built when the settings change and applied in a single pass over the image.
#pragma once

// No kernel declarations here: the camera object's header includes this one.
#include <array>
#include <cstdint>
#include <vector>

// Which tone steps run, in the pipeline's order gamma, contrast, brightness, with their values.
struct ToneSteps {
    bool gamma = false;
    int32_t gammaValue = 100;
    bool contrast = false;
    int32_t contrastValue = 0;
    bool brightness = false;
    int32_t brightnessValue = 0;

    bool Any() const { return gamma || contrast || brightness; }
    bool operator==(const ToneSteps&) const = default;
};

// Kinds of output image of the tone kernels: the mono and colour members of the 8-bit families
// differ (gamma limits its exponent for colour only); 16-bit images share one table.
enum class ToneImage { Mono8, Color8, Mono16, Color16 };

class ToneTable {
  public:
    // Makes the table for these steps on this kind of image with `sampleBits` (16-bit images),
    // unless it already holds it. The entries are what the step kernels themselves give, run in
    // order over every possible value (every word, those beyond the sample bits too), so the
    // composition equals the separate passes bit for bit. Built when the settings change, on the
    // thread that plans the frame, before any strip reads it. False when there is nothing to
    // compose or memory ran out; run the kernels then.
    bool Prepare(const ToneSteps& steps, ToneImage image, int32_t sampleBits);

    // Maps the first channel (mono) or the first three channels (colour) of every pixel of a
    // whole image in place; the rows are `stride` bytes apart, a fourth channel keeps its value.
    // Pixels of a size that the table's kind of image does not have are left alone. Safe on
    // several threads at once over rows of their own.
    void Apply(uint8_t* pixels, int32_t width, int32_t height, int32_t stride,
               int32_t pixelBytes) const;

  private:
    bool Build(const ToneSteps& steps, ToneImage image, int32_t bits);

    bool m_ready = false;
    ToneSteps m_steps;
    ToneImage m_image = ToneImage::Mono8;
    int32_t m_sampleBits = 0;
    std::array<uint8_t, 256> m_bytes{}; // by byte value
    std::vector<uint16_t> m_words;      // by word value, all 65536 of them
};
