// Automatic exposure and gain: five window means of the raw image give one correction factor,
// applied to the sensor's exposure (auto iris 1) or gain (auto iris 2) when it is large enough.
#include "camera/SettingsTable.h"
#include "camera/Travik.h"
#include "imaging/ImageBuffer.h"
#include "sensor/Travik380TZ4RDXSdk.h"

#include <algorithm>
#include <cstdint>

using namespace settings;

namespace {

constexpr int kAutoExposure = 1;
constexpr int kAutoGain = 2;
constexpr int kGainDialogGainItem = 1015;
constexpr int kGainDialogExposureItem = 1027;
// The exposure value counts lines down from here: this value exposes none.
constexpr int kNoExposure = SensorModel::kExposureMax;

// Windows A to E as fractions of width and height: left, top, right, bottom.
constexpr double kWindows[5][4] = {{0.1, 0.1, 0.2, 0.2},
                                   {0.1, 0.8, 0.2, 0.9},
                                   {0.45, 0.45, 0.55, 0.55},
                                   {0.8, 0.1, 0.9, 0.2},
                                   {0.8, 0.8, 0.9, 0.9}};

} // namespace

double CTravik::AutoControlFactor(const int means[5]) {
    // Counted in hundredths, so that 0.85 - 4 x 0.15 is exactly 0.25 and the band edges are exact.
    const int a = means[0];
    int hundredths = a > 200 ? 85 : a > 160 ? 90 : a < 50 ? 110 : a < 100 ? 105 : 100;
    for (int i = 1; i < 5; ++i) {
        const int m = means[i];
        hundredths += m > 200 ? -15 : m > 160 ? -10 : m < 50 ? 10 : m < 100 ? 5 : 0;
    }
    return hundredths / 100.0;
}

void CTravik::AutoControl() {
    const int mode = m_cameraSettings[kAutoIris];
    if (mode != kAutoExposure && mode != kAutoGain) return;
    ImageBuffer* raw = RawImage();
    if (!raw || !raw->Pixels()) return;

    const int w = raw->Width(), h = raw->Height();
    const PositionedKernel mean = raw->Bits() == 16 ? MeanGray16 : MeanGray8;
    int means[5];
    for (int i = 0; i < 5; ++i) {
        const RECT window = {
            static_cast<LONG>(kWindows[i][0] * w), static_cast<LONG>(kWindows[i][1] * h),
            static_cast<LONG>(kWindows[i][2] * w), static_cast<LONG>(kWindows[i][3] * h)};
        means[i] = raw->ApplyKernel(mean, raw, &window, window.left, window.top, nullptr);
    }
    const double factor = AutoControlFactor(means);
    if (factor > 0.6 && factor < 1.2) return;

    if (mode == kAutoGain) {
        int gain = static_cast<int>(std::max(m_device->GetGain(), 4) * factor);
        if (factor > 1.0) gain = std::max(gain, 4);
        const Setting& globalGain = Of(Id::GlobalGain);
        gain = globalGain.range.Nearest(gain);
        StoreSetting(globalGain, gain);
        ShowInGainDialog(kGainDialogGainItem, gain);
        return;
    }

    const int current = m_device->GetExposureValue();
    const int lines = current > kNoExposure ? 0 : kNoExposure - current;
    const int newLines = static_cast<std::uint16_t>(static_cast<int>(lines * factor));
    int value = newLines < 1              ? kNoExposure - 1
                : newLines <= kNoExposure ? kNoExposure - newLines
                                          : 0;
    const Setting& exposure = Of(Id::Exposure);
    value = exposure.range.Nearest(value);
    StoreSetting(exposure, value);
    ShowInGainDialog(kGainDialogExposureItem, value);
}
