// Frame pipeline: mirrors, automatic exposure, gray processing or demosaic with white balance,
// then the image adjustments, each skipped while its setting is neutral.
#include "camera/SettingsBlocks.h"
#include "camera/Travik.h"
#include "imaging/ImageBuffer.h"

#include <algorithm>
#include <cstring>

namespace s = settings;

namespace {

constexpr int kNeutralGrayGain = 128;
constexpr int kNeutralGamma = 100;
constexpr int kMaxBayerGain = 400;
constexpr int32_t kTenBitSamples = 10;

// One member of an adjustment family per kind of output image (the families' kernels are
// pointers defined in another file, so they are gathered at the call, after static start-up).
struct KernelFamily {
    PositionedKernel mono8, mono16, color8, color16;
    PositionedKernel For(int colorMode) const {
        switch (colorMode) {
        case 0:
            return mono8;
        case 1:
            return mono16;
        case 2:
        case 3:
            return color8;
        default:
            return color16;
        }
    }
};

// Runs an in-place kernel over the whole image with one parameter block.
void RunInPlace(ImageBuffer* image, PositionedKernel kernel, int32_t* block) {
    image->ApplyKernel(kernel, image, nullptr, 0, 0, &block, nullptr);
}

// One tone step on its own, when it is set.
void RunTone(ImageBuffer* image, PositionedKernel kernel, bool set, int32_t value) {
    if (!set) return;
    int32_t block[kFilterBlockSize] = {value, kTenBitSamples};
    RunInPlace(image, kernel, block);
}

ToneImage ToneImageOf(int colorMode) {
    switch (colorMode) {
    case 0:
        return ToneImage::Mono8;
    case 1:
        return ToneImage::Mono16;
    case 2:
    case 3:
        return ToneImage::Color8;
    default:
        return ToneImage::Color16;
    }
}

} // namespace

int CTravik::BayerPhase() const {
    const ImageBuffer* raw = RawImage();
    // Without a frame there is nothing mirrored; an even size is the sensor's own.
    const int width = raw ? raw->Width() : 0;
    const int height = raw ? raw->Height() : 0;
    return MirroredBayerPhase(m_imageFilter[s::kBayerMode], m_cameraSettings[s::kMirrorH] != 0,
                              m_cameraSettings[s::kMirrorV] != 0, width, height);
}

void CTravik::ProcessFrame() {
    ImageBuffer* raw = RawImage();
    ImageBuffer* output = OutputImage();
    if (!raw || !raw->Pixels() || !output || !output->Pixels()) return;

    const bool mirrorH = m_cameraSettings[s::kMirrorH] != 0;
    const bool mirrorV = m_cameraSettings[s::kMirrorV] != 0;
    if (mirrorH || mirrorV) {
        m_mirrorScratch.resize(raw->ImageBytes());
        MirrorFrame(raw->Pixels(), m_mirrorScratch.data(), raw->Width(), raw->Height(),
                    raw->Stride(), raw->Bits() / 8, mirrorH, mirrorV);
    }

    AutoControl();

    if (m_colorMode <= 1) {
        if (m_imageFilter[s::kGrayMode] == 1) GrayProcessing(raw);
        if (m_colorMode == 0 && m_imageFilter[s::kGrayMode] == 2 && m_images[2] &&
            m_images[2]->Pixels()) {
            Demosaic(raw, m_images[2]);
            raw->ApplyKernel(GrayFromColor, m_images[2], nullptr, 0, 0, nullptr, nullptr);
        }
    } else {
        Demosaic(raw, output);
    }
    ApplyAdjustments(output);
}

void CTravik::GrayProcessing(ImageBuffer* raw) {
    int32_t block[kGrayGainBlockSize] = {
        BayerPhase(),
        m_imageFilter[s::kGrayGainR],
        m_imageFilter[s::kGrayGainG1],
        m_imageFilter[s::kGrayGainG2],
        m_imageFilter[s::kGrayGainB],
        m_imageFilter[s::kGrayOffsetR],
        m_imageFilter[s::kGrayOffsetG1],
        m_imageFilter[s::kGrayOffsetG2],
        m_imageFilter[s::kGrayOffsetB],
        m_colorMode == 0 ? 8 : 10,
    };
    int32_t* blockPointer = block;
    if (m_imageFilter[s::kAutoGrayGain] != 0) {
        raw->ApplyKernel(MeasureGrayGains, raw, nullptr, 0, 0, &blockPointer, nullptr);
        m_imageFilter[s::kGrayGainR] = block[kGrayGainR1];
        m_imageFilter[s::kGrayGainG1] = block[kGrayGainG1];
        m_imageFilter[s::kGrayGainG2] = block[kGrayGainG2];
        m_imageFilter[s::kGrayGainB] = block[kGrayGainB1];
        RefreshImageDialog();
        // 1 measures once; the dialog's negative value measures every frame.
        --m_imageFilter[s::kAutoGrayGain];
    }
    if (block[kGrayGainR1] == kNeutralGrayGain && block[kGrayGainG1] == kNeutralGrayGain &&
        block[kGrayGainG2] == kNeutralGrayGain && block[kGrayGainB1] == kNeutralGrayGain)
        return;
    RunInPlace(raw, m_colorMode == 0 ? GrayGains8 : GrayGains16, block);
}

void CTravik::Demosaic(ImageBuffer* raw, ImageBuffer* output) {
    const bool wide = raw->Bits() == 16;
    const int phase = BayerPhase();
    if (m_imageFilter[s::kAutoWhiteBalance]) {
        int32_t balance[kWhiteBalanceBlockSize] = {m_imageFilter[s::kBayerGainBlue], 100,
                                                   m_imageFilter[s::kBayerGainRed], phase};
        int32_t* balancePointer = balance;
        raw->ApplyKernel(wide ? MeasureWhiteBalance16 : MeasureWhiteBalance8, raw, nullptr, 0, 0,
                         &balancePointer, nullptr);
        m_imageFilter[s::kBayerGainRed] = std::min(balance[kBalanceRedGain], kMaxBayerGain);
        m_imageFilter[s::kBayerGainBlue] = std::min(balance[kBalanceBlueGain], kMaxBayerGain);
        m_imageFilter[s::kBayerGainGreen] = 100;
        RefreshImageDialog();
        if (m_imageFilter[s::kWhiteBalanceOnceA] && m_imageFilter[s::kWhiteBalanceOnceB]) {
            m_imageFilter[s::kAutoWhiteBalance] = 0;
            m_imageFilter[s::kWhiteBalanceOnceA] = 0;
            m_imageFilter[s::kWhiteBalanceOnceB] = 0;
        }
    }
    int32_t block[kDemosaicBlockSize] = {phase, m_imageFilter[s::kBayerGainRed],
                                         m_imageFilter[s::kBayerGainGreen],
                                         m_imageFilter[s::kBayerGainBlue]};
    int32_t* blockPointer = block;
    output->ApplyKernel(wide ? DemosaicInner16 : DemosaicInner8, raw, nullptr, 0, 0, &blockPointer,
                        nullptr);
    output->ApplyKernel(wide ? DemosaicEdge16 : DemosaicEdge8, raw, nullptr, 0, 0, &blockPointer,
                        nullptr);
}

void CTravik::ApplyAdjustments(ImageBuffer* output) {
    const int mode = m_colorMode;
    const int hue = m_imageFilter[s::kHue];
    const int saturation = m_imageFilter[s::kSaturation];
    if ((hue != 0 || saturation != 0) && mode >= 2) {
        int32_t block[kHueBlockSize] = {hue, 0, saturation, kTenBitSamples};
        RunInPlace(output, mode <= 3 ? HueSaturation8 : HueSaturation16, block);
    }
    ImageBuffer* copy = m_images[6];
    const bool sharpen = m_imageFilter[s::kSharpness] != 0 && copy && copy->Pixels() &&
                         copy->ImageBytes() == output->ImageBytes();
    // Brightness runs after sharpness, so it joins the table only when sharpness is off.
    ToneSteps tones;
    tones.gamma = m_imageFilter[s::kGamma] != kNeutralGamma;
    tones.gammaValue = m_imageFilter[s::kGamma];
    tones.contrast = m_imageFilter[s::kContrast] != 0;
    tones.contrastValue = m_imageFilter[s::kContrast];
    tones.brightness = !sharpen && m_imageFilter[s::kBrightness] != 0;
    tones.brightnessValue = m_imageFilter[s::kBrightness];
    const bool composed = m_toneTable.Prepare(tones, ToneImageOf(mode), kTenBitSamples);
    if (composed) {
        m_toneTable.Apply(output->Pixels(), output->Width(), output->Height(), output->Stride(),
                          output->Bits() / 8);
    } else {
        RunTone(output, KernelFamily{GammaMono8, GammaMono16, GammaColor8, GammaColor16}.For(mode),
                tones.gamma, tones.gammaValue);
        RunTone(output,
                KernelFamily{ContrastMono8, ContrastMono16, ContrastColor8, ContrastColor16}.For(mode),
                tones.contrast, tones.contrastValue);
    }
    if (sharpen) {
        std::memcpy(copy->Pixels(), output->Pixels(), output->ImageBytes());
        int32_t block[kFilterBlockSize] = {m_imageFilter[s::kSharpness], kTenBitSamples};
        int32_t* blockPointer = block;
        output->ApplyKernel(
            KernelFamily{SharpenMono8, SharpenMono16, SharpenColor8, SharpenColor16}.For(mode),
            copy, nullptr, 0, 0, &blockPointer, nullptr);
    }
    if (!(composed && tones.brightness)) {
        RunTone(output,
                KernelFamily{BrightnessMono8, BrightnessMono16, BrightnessColor8, BrightnessColor16}
                    .For(mode),
                m_imageFilter[s::kBrightness] != 0, m_imageFilter[s::kBrightness]);
    }
}
