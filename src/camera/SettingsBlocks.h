// Camera object: the positions of the settings in its two setting blocks.
#pragma once

// Positions in the camera object's blocks; a namespace of their own keeps them apart from the
// kernels' parameter-block names.
namespace settings {

// Image filter block (30 entries). The order binds the dialogs and the registry code.
enum ImageFilterEntry {
    kBrightness = 0,
    kContrast = 1,
    kHue = 2,
    kSaturation = 3,
    kSharpness = 4,
    kBayerGainRed = 5,
    kBayerGainGreen = 6,
    kBayerGainBlue = 7,
    kGamma = 8,
    kBayerMode = 9,
    kGrayMode = 11,
    kGrayGainR = 12,
    kGrayGainG1 = 13,
    kGrayGainG2 = 14,
    kGrayGainB = 15,
    kGrayOffsetR = 16,
    kGrayOffsetG1 = 17,
    kGrayOffsetG2 = 18,
    kGrayOffsetB = 19,
    kAutoWhiteBalance = 25,
    kWhiteBalanceOnceA = 26,
    kWhiteBalanceOnceB = 27,
    kAutoGrayGain = 29,
    kImageFilterEntries = 30
};

// Camera settings block (9 entries), in the order of the registry's "Gain" values.
enum CameraSettingEntry {
    kGlobalGain = 0,
    kColorGainG1 = 1,
    kColorGainR = 2,
    kColorGainB = 3,
    kColorGainG2 = 4,
    kExposure = 5,
    kMirrorV = 6,
    kMirrorH = 7,
    kAutoIris = 8,
    kCameraSettingEntries = 9
};

} // namespace settings
