// Settings through the DLL: the filter-id table, colour and sub-sample modes, mirrors, capture
// window, real exposure time and the unsupported configuration filter.
#include "CameraFixture.h"

#include <cstdint>

namespace {

struct RangeCase {
    int id;
    int accepted[2];
    int refused[2];
};

// Inclusive boundaries of every id; negative values against unsigned ranges are refused.
const RangeCase kRanges[] = {
    {FILTER_BRIGHTNESS, {-255, 255}, {-256, 256}},
    {FILTER_CONTRAST, {-127, 127}, {-128, 128}},
    {FILTER_HUE, {-360, 360}, {-361, 361}},
    {FILTER_SATURATION, {-255, 255}, {-256, 256}},
    {FILTER_SHARPNESS, {0, 30}, {-1, 31}},
    {FILTER_BAYER_GAIN_RED, {0, 400}, {-1, 401}},
    {FILTER_BAYER_GAIN_GREEN, {0, 400}, {-1, 401}},
    {FILTER_BAYER_GAIN_BLUE, {0, 400}, {-1, 401}},
    {FILTER_GAMMA, {0, 200}, {-1, 201}},
    {FILTER_BAYER_MODE, {0, 3}, {-1, 4}},
    {FILTER_GLOBAL_GAIN, {0, 1023}, {-1, 1024}},
    {FILTER_EXPOSURE_TIME, {3, 1003}, {2, 1004}},
    {FILTER_GRAY_MODE, {0, 2}, {-1, 3}},
    {FILTER_GRAY_GAIN_R, {0, 255}, {-1, 256}},
    {FILTER_GRAY_GAIN_G1, {0, 255}, {INT32_MIN, 256}},
    {FILTER_GRAY_GAIN_G2, {0, 255}, {-1, 256}},
    {FILTER_GRAY_GAIN_B, {0, 255}, {-1, 256}},
    {FILTER_GRAY_OFFSET_R, {-255, 255}, {-256, 256}},
    {FILTER_GRAY_OFFSET_G1, {-255, 255}, {-256, 256}},
    {FILTER_GRAY_OFFSET_G2, {-255, 255}, {-256, 256}},
    {FILTER_GRAY_OFFSET_B, {-255, 255}, {-256, 256}},
    {FILTER_GRAY_AUTO, {0, 1}, {-1, 2}},
    {FILTER_COLOR_GAIN_RED, {0, 0}, {-1, 1}},
    {FILTER_COLOR_GAIN_GREEN1, {0, 0}, {-1, 1}},
    {FILTER_COLOR_GAIN_GREEN2, {0, 0}, {-1, 1}},
    {FILTER_COLOR_GAIN_BLUE, {0, 0}, {-1, 1}},
};

class FilterRange : public CameraTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(FilterRange, AcceptsItsBoundariesAndRefusesBeyondThem) {
    const RangeCase& range = GetParam();
    for (int value : range.accepted) {
        EXPECT_EQ(Travik_SetFilterValue(handle, range.id, value), 1) << value;
        int ok = 0;
        const int stored = Travik_GetFilterValue(handle, range.id, &ok);
        EXPECT_EQ(ok, 1);
        EXPECT_EQ(stored, value);
    }
    const int kept = Travik_GetFilterValue(handle, range.id, nullptr);
    for (int value : range.refused) {
        EXPECT_EQ(Travik_SetFilterValue(handle, range.id, value), 0) << value;
        EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_PARAMETER});
        EXPECT_EQ(Travik_GetFilterValue(handle, range.id, nullptr), kept);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryId, FilterRange, ::testing::ValuesIn(kRanges),
                         [](const auto& info) { return "Id" + std::to_string(info.param.id); });

using Filters = CameraTest;

TEST_F(Filters, UnknownIdsAreRefusedWithCode9) {
    int ok = 1;
    for (int id : {0, 29, -1, 1000}) {
        EXPECT_EQ(Travik_SetFilterValue(handle, id, 0), 0);
        EXPECT_EQ(Travik_GetFilterValue(handle, id, &ok), 0);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(DrainErrors(), (std::vector<int>{ERR_PARAMETER, ERR_PARAMETER}));
    }
    EXPECT_EQ(PostedErrors().size(), 8u);
}

TEST_F(Filters, RgbGainsPackIntoOneValue) {
    EXPECT_EQ(Travik_SetBayerGainRGB(handle, 0x00C86432), 1);
    EXPECT_EQ(Travik_GetBayerGainRed(handle, nullptr), 0x32);
    EXPECT_EQ(Travik_GetBayerGainGreen(handle, nullptr), 0x64);
    EXPECT_EQ(Travik_GetBayerGainBlue(handle, nullptr), 0xC8);
    EXPECT_EQ(Travik_GetBayerGainRGB(handle, nullptr), 0x00C86432);
    // Bits above 23 are dropped, and 400 % reads back by its low byte.
    EXPECT_EQ(Travik_SetBayerGainRGB(handle, 0x7F010203), 1);
    EXPECT_EQ(Travik_GetBayerGainRGB(handle, nullptr), 0x00010203);
    EXPECT_EQ(Travik_SetBayerGainRed(handle, 400), 1);
    EXPECT_EQ(Travik_GetBayerGainRGB(handle, nullptr) & 0xFF, 400 & 0xFF);
}

TEST_F(Filters, AutoWhiteBalanceStoresAFlag) {
    EXPECT_EQ(Travik_SetBayerGainAuto(handle, 77), 1);
    EXPECT_EQ(Travik_GetBayerGainAuto(handle, nullptr), 1);
    EXPECT_EQ(Travik_SetBayerGainAuto(handle, 0), 1);
    EXPECT_EQ(Travik_GetBayerGainAuto(handle, nullptr), 0);
}

TEST_F(Filters, GlobalGainAndExposureReadBackFromTheSensor) {
    EXPECT_EQ(Travik_SetGlobalGain(handle, 1023), 1);
    EXPECT_EQ(Travik_GetGlobalGain(handle, nullptr), 1023);
    EXPECT_EQ(Travik_SetExposureTime(handle, 700), 1);
    EXPECT_EQ(Travik_GetExposureTime(handle, nullptr), 700);
    int ok = 0;
    EXPECT_EQ(Travik_GetColorGainRed(handle, &ok), 0);
    EXPECT_EQ(ok, 1);
}

TEST_F(Filters, DedicatedExportsUseTheirIds) {
    EXPECT_EQ(Travik_SetBrightness(handle, 256), 0);
    EXPECT_EQ(Travik_SetBrightness(handle, -255), 1);
    EXPECT_EQ(Travik_GetFilterValue(handle, FILTER_BRIGHTNESS, nullptr), -255);
    EXPECT_EQ(Travik_SetSharpness(handle, -1), 0);
    EXPECT_EQ(Travik_SetGrayOffsetB(handle, -7), 1);
    EXPECT_EQ(Travik_GetFilterValue(handle, FILTER_GRAY_OFFSET_B, nullptr), -7);
    EXPECT_EQ(Travik_SetGrayGainG2(handle, 77), 1);
    EXPECT_EQ(Travik_GetGrayGainG2(handle, nullptr), 77);
    EXPECT_EQ(DrainErrors(), (std::vector<int>{ERR_PARAMETER, ERR_PARAMETER}));
}

using Modes = CameraTest;

TEST_F(Modes, ColorModeMapsBitsToReportedDepths) {
    const int bits[] = {8, 16, 24, 32, 48, 64};
    const int reported[] = {8, 10, 24, 32, 42, 58};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Travik_SetColorMode(handle, bits[i]), 1);
        EXPECT_EQ(Travik_GetColorMode(handle), reported[i]);
    }
    EXPECT_EQ(Travik_SetColorMode(handle, 12), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_PARAMETER});
    EXPECT_EQ(Travik_GetColorMode(handle), 58);
}

TEST_F(Modes, SubSampleAcceptsOnlyZeroAndReportsNothing) {
    EXPECT_EQ(Travik_SetSubSample(handle, 1), 0);
    EXPECT_EQ(Travik_SetSubSample(handle, 0), 1);
    EXPECT_EQ(Travik_GetSubSample(handle), 0);
    EXPECT_TRUE(DrainErrors().empty());
}

TEST_F(Modes, WaitTimeRefusesNegativeValuesSilently) {
    EXPECT_EQ(Travik_SetWaitTime(handle, -1), 0);
    EXPECT_EQ(Travik_SetWaitTime(handle, 25), 1);
    EXPECT_EQ(Travik_GetWaitTime(handle), 25);
    EXPECT_TRUE(DrainErrors().empty());
}

TEST_F(Modes, AutoIrisOutOfRangeIsPostedNotPushed) {
    EXPECT_EQ(Travik_SetAutoIris(handle, 3), 0);
    EXPECT_EQ(Travik_SetAutoIris(handle, -1), 0);
    EXPECT_TRUE(DrainErrors().empty());
    EXPECT_EQ(PostedErrors(), (std::vector<LPARAM>{ERR_PARAMETER, ERR_PARAMETER}));
    EXPECT_EQ(Travik_SetAutoIris(handle, 2), 1);
    int ok = 0;
    EXPECT_EQ(Travik_GetAutoIris(handle, &ok), 2);
    EXPECT_EQ(ok, 1);
}

TEST_F(Modes, MirrorsStoreZeroOrOne) {
    EXPECT_EQ(Travik_SetMirrorH(handle, 5), 1);
    EXPECT_EQ(Travik_GetMirrorH(handle), 1);
    EXPECT_EQ(Travik_SetMirrorV(handle, 9), 1);
    EXPECT_EQ(Travik_GetMirrorV(handle), 1);
    EXPECT_EQ(Travik_SetMirrorV(handle, 0), 1);
    EXPECT_EQ(Travik_GetMirrorV(handle), 0);
}

TEST_F(Modes, ConfigFilterIsNotSupported) {
    EXPECT_EQ(Travik_SetConfigFilter(handle, 1, 2), -1);
    EXPECT_EQ(Travik_GetConfigFilter(handle), -1);
    EXPECT_EQ(DrainErrors(), (std::vector<int>{ERR_NOT_SUPPORTED, ERR_NOT_SUPPORTED}));
}

using CaptureWindow = CameraTest;

TEST_F(CaptureWindow, InvalidWindowIsKeptAndReported) {
    EXPECT_EQ(Travik_SetCaptureWindowEx(handle, 1280, 400, 1000, 960, 0, 960), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_GEOMETRY});
    int v[6] = {};
    EXPECT_EQ(Travik_GetCaptureWindowEx(handle, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]), 1);
    EXPECT_EQ(std::vector<int>(v, v + 6), (std::vector<int>{1280, 400, 1000, 960, 0, 960}));
    EXPECT_EQ(Travik_Width(handle), 1000);
}

TEST_F(CaptureWindow, ValidWindowIsAppliedAndNullPointersAreSkipped) {
    EXPECT_EQ(Travik_SetCaptureWindowEx(handle, 1280, 8, 640, 960, 4, 480), 1);
    EXPECT_EQ(Travik_Width(handle), 640);
    EXPECT_EQ(Travik_Height(handle), 480);
    int ehs = 0, ev = 0;
    EXPECT_EQ(Travik_GetCaptureWindowEx(handle, nullptr, &ehs, nullptr, nullptr, nullptr, &ev), 1);
    EXPECT_EQ(ehs, 8);
    EXPECT_EQ(ev, 480);
    EXPECT_EQ(Travik_SetCaptureWindowEx(handle, 0, 0, 1280, 0, 0, 961), 0);
    EXPECT_EQ(Travik_SetCaptureWindowEx(handle, 0, -1, 10, 0, 0, 10), 0);
}

using RealExposure = CameraTest;

TEST_F(RealExposure, ConvertsBetweenExposureValueAndMicroseconds) {
    int ok = 0;
    ASSERT_EQ(Travik_SetExposureTime(handle, 1003), 1);
    EXPECT_EQ(Travik_GetRealExposureTime(handle, &ok), 5);
    EXPECT_EQ(ok, 1);
    ASSERT_EQ(Travik_SetExposureTime(handle, 3), 1);
    EXPECT_EQ(Travik_GetRealExposureTime(handle, nullptr), 44450);

    ASSERT_EQ(Travik_SetExposureTime(handle, 500), 1);
    EXPECT_EQ(Travik_SetRealExposureTime(handle, 44450), 1);
    EXPECT_EQ(Travik_GetExposureTime(handle, nullptr), 3);
    EXPECT_EQ(Travik_SetRealExposureTime(handle, 22225), 1);
    EXPECT_EQ(Travik_GetExposureTime(handle, nullptr), 503);
}

TEST_F(RealExposure, TimesBeyondTheSensorAreRefusedWithCode9) {
    ASSERT_EQ(Travik_SetExposureTime(handle, 500), 1);
    for (int microseconds : {44500, 1000000, -5000, INT32_MAX, INT32_MIN}) {
        EXPECT_EQ(Travik_SetRealExposureTime(handle, microseconds), 0) << microseconds;
        EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_PARAMETER});
    }
    EXPECT_EQ(Travik_GetExposureTime(handle, nullptr), 500);
}

} // namespace
