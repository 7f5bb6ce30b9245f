// The gamma, contrast and brightness steps of the frame pipeline composed into one look-up table
// that is built when the settings change and applied in a single pass over the image.
#pragma once

// No kernel declarations here: the camera object's header includes this one.
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
    // order over every possible value, so the composition equals the separate passes bit for
    // bit. False when the steps cannot be composed (none, or brightness alone on 16-bit images,
    // whose values beyond the sample bits it scales rather than clamps); run the kernels then.
    bool Prepare(const ToneSteps& steps, ToneImage image, int32_t sampleBits);

    // Maps the first channel (mono) or the first three channels (colour) of every pixel of a
    // whole image in place; the rows are `stride` bytes apart.
    void Apply(uint8_t* pixels, int32_t width, int32_t height, int32_t stride,
               int32_t pixelBytes) const;

  private:
    bool m_ready = false;
    ToneSteps m_steps;
    ToneImage m_image = ToneImage::Mono8;
    int32_t m_sampleBits = 0;
    std::vector<uint16_t> m_entries; // by value: 256 for bytes, 2^bits for words
    uint16_t m_beyond = 0; // the result for every word of 2^bits or more (none at 16 bits)
};
