// Frame pipeline: mirrors, automatic exposure, gray processing or demosaic with white balance,
// then the image adjustments, each skipped while its setting is neutral.
#include "camera/SettingsTable.h"
#include "camera/Travik.h"
#include "imaging/ImageBuffer.h"
#include "imaging/pipeline/FrameStrips.h"
#include "sensor/Travik380TZ4RDXSdk.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <new>

namespace s = settings;

namespace {

constexpr int kNeutralGrayGain = 128;
constexpr int kNeutralGamma = 100;
// Measured white-balance gains are kept within what the gains' setters accept.
constexpr int kMaxBayerGain = s::Of(s::Id::BayerGainRed).range.high;
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

// The pixels of an image buffer as the strip pipeline sees them.
PixelPlane PlaneOf(ImageBuffer* image) {
    return PixelPlane{image->Pixels(), image->Width(), image->Height(), image->Stride(),
                      image->Bits() / 8};
}

PixelStep KernelStep(PositionedKernel kernel, std::initializer_list<int32_t> block) {
    PixelStep step;
    step.kernel = kernel;
    std::copy(block.begin(), block.end(), step.block);
    return step;
}

} // namespace

int CTravik::BayerPhase() const {
    const ImageBuffer* raw = RawImage();
    // Without a frame there is nothing mirrored; an even size is the sensor's own.
    const int width = raw ? raw->Width() : 0;
    const int height = raw ? raw->Height() : 0;
    // The setting names the tile at the sensor's first row and column; a window that starts on
    // an odd row or column starts on the other colour of the tile.
    const int x = m_device ? m_device->GetWindowX() : 0;
    const int y = m_device ? m_device->GetWindowY() : 0;
    const int windowPhase = m_imageFilter[s::kBayerMode] ^ (y & 1) ^ ((x & 1) << 1);
    return MirroredBayerPhase(windowPhase, m_cameraSettings[s::kMirrorH] != 0,
                              m_cameraSettings[s::kMirrorV] != 0, width, height);
}

void CTravik::ProcessFrame(int threads) {
    ImageBuffer* raw = RawImage();
    ImageBuffer* output = OutputImage();
    if (!raw || !raw->Pixels() || !output || !output->Pixels()) return;

    if (!m_frameStrips) m_frameStrips.reset(new (std::nothrow) FrameStrips);
    if (!m_frameStrips) return ReportError(ERR_MEMORY);

    m_frameStrips->Mirror(PlaneOf(raw), m_cameraSettings[s::kMirrorH] != 0,
                          m_cameraSettings[s::kMirrorV] != 0, threads);

    AutoControl();

    // The measurements see the whole frame in order on this thread; then the strips run.
    FramePlan plan;
    plan.output = PlaneOf(output);
    if (m_colorMode <= 1) {
        plan.source = StripSource::InPlace;
        if (m_imageFilter[s::kGrayMode] == 1) AddGrayGains(plan);
        if (m_colorMode == 0 && m_imageFilter[s::kGrayMode] == 2 && m_images.color24 &&
            m_images.color24->Pixels()) {
            // The colour image is made whole first: the gray conversion of a strip writes the
            // raw rows that the demosaic of the next strip reads.
            FramePlan colour;
            colour.source = StripSource::Demosaic;
            colour.input = PlaneOf(raw);
            colour.output = PlaneOf(m_images.color24);
            PlanDemosaic(raw, colour);
            if (!m_frameStrips->Run(colour, threads)) return ReportError(ERR_MEMORY);
            plan.source = StripSource::GrayFromColor;
            plan.input = PlaneOf(m_images.color24);
        }
    } else {
        plan.source = StripSource::Demosaic;
        plan.input = PlaneOf(raw);
        PlanDemosaic(raw, plan);
    }
    PlanAdjustments(plan);
    if (!m_frameStrips->Run(plan, threads)) ReportError(ERR_MEMORY);
}

void CTravik::StopPipelineThreads() {
    if (m_frameStrips) m_frameStrips->StopThreads();
}

void CTravik::AddGrayGains(FramePlan& plan) {
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
        ImageBuffer* raw = RawImage();
        raw->ApplyKernel(MeasureGrayGains, raw, nullptr, 0, 0, &blockPointer);
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
    PixelStep step;
    step.kernel = m_colorMode == 0 ? GrayGains8 : GrayGains16;
    std::copy(std::begin(block), std::end(block), step.block);
    step.bayerPhased = true;
    plan.AddBefore(step);
}

void CTravik::PlanDemosaic(ImageBuffer* raw, FramePlan& plan) {
    const bool wide = raw->Bits() == 16;
    const int phase = BayerPhase();
    if (m_imageFilter[s::kAutoWhiteBalance]) {
        int32_t balance[kWhiteBalanceBlockSize] = {m_imageFilter[s::kBayerGainBlue], 100,
                                                   m_imageFilter[s::kBayerGainRed], phase};
        int32_t* balancePointer = balance;
        raw->ApplyKernel(wide ? MeasureWhiteBalance16 : MeasureWhiteBalance8, raw, nullptr, 0, 0,
                         &balancePointer);
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
    plan.demosaicInner = wide ? DemosaicInner16 : DemosaicInner8;
    plan.demosaicEdge = wide ? DemosaicEdge16 : DemosaicEdge8;
    plan.demosaicBlock[kDemosaicPhase] = phase;
    plan.demosaicBlock[kDemosaicRedGain] = m_imageFilter[s::kBayerGainRed];
    plan.demosaicBlock[kDemosaicGreenGain] = m_imageFilter[s::kBayerGainGreen];
    plan.demosaicBlock[kDemosaicBlueGain] = m_imageFilter[s::kBayerGainBlue];
}

void CTravik::PlanAdjustments(FramePlan& plan) {
    const int mode = m_colorMode;
    const int hue = m_imageFilter[s::kHue];
    const int saturation = m_imageFilter[s::kSaturation];
    if ((hue != 0 || saturation != 0) && mode >= 2)
        plan.AddBefore(KernelStep(mode <= 3 ? HueSaturation8 : HueSaturation16,
                                  {hue, 0, saturation, kTenBitSamples}));
    const bool sharpen = m_imageFilter[s::kSharpness] != 0;
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
        PixelStep step;
        step.table = &m_toneTable;
        plan.AddBefore(step);
    } else {
        if (tones.gamma)
            plan.AddBefore(KernelStep(
                KernelFamily{GammaMono8, GammaMono16, GammaColor8, GammaColor16}.For(mode),
                {tones.gammaValue, kTenBitSamples}));
        if (tones.contrast)
            plan.AddBefore(KernelStep(
                KernelFamily{ContrastMono8, ContrastMono16, ContrastColor8, ContrastColor16}.For(
                    mode),
                {tones.contrastValue, kTenBitSamples}));
    }
    if (sharpen) {
        plan.sharpen =
            KernelFamily{SharpenMono8, SharpenMono16, SharpenColor8, SharpenColor16}.For(mode);
        plan.sharpenBlock[kFilterValue] = m_imageFilter[s::kSharpness];
        plan.sharpenBlock[kFilterSampleBits] = kTenBitSamples;
    }
    const bool brightnessAfter =
        !(composed && tones.brightness) && m_imageFilter[s::kBrightness] != 0;
    if (!brightnessAfter) return;
    ToneSteps brightness;
    brightness.brightness = true;
    brightness.brightnessValue = m_imageFilter[s::kBrightness];
    // A table built here, before the strips start, and only when the value changes, so that no
    // strip builds one of its own.
    if (m_brightnessTable.Prepare(brightness, ToneImageOf(mode), kTenBitSamples)) {
        PixelStep step;
        step.table = &m_brightnessTable;
        plan.AddAfter(step);
        return;
    }
    plan.AddAfter(KernelStep(
        KernelFamily{BrightnessMono8, BrightnessMono16, BrightnessColor8, BrightnessColor16}.For(
            mode),
        {m_imageFilter[s::kBrightness], kTenBitSamples}));
}
