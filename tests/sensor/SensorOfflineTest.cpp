// The sensor model on a device number with no camera: refusals, stored state and buffers.
#include "sensor/Travik380TZ4RDXSdk.h"

#include <gtest/gtest.h>

namespace {

// The harness installs fewer than 32 virtual cameras, so number 31 is always absent.
constexpr int kAbsentNumber = 31;

class OfflineModel : public testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(model.SelectDevice(kAbsentNumber), TVK_OK); }
    CTravik380TZ4RDXSdk model;
};

TEST_F(OfflineModel, ANewModelHasTheFullWindowGain0AndExposure3) {
    EXPECT_STREQ(model.GetDeviceName(), "Tvik380TZ4rdx");
    EXPECT_EQ(model.GetGain(), 0);
    EXPECT_EQ(model.GetExposureValue(), 3);
    EXPECT_EQ(model.GetReadoutSelect(), 0);
    EXPECT_EQ(model.GetFrameWidth(), 1280);
    EXPECT_EQ(model.GetFrameHeight(), 960);
    EXPECT_EQ(model.GetTotalWidth(), 1280);
    EXPECT_EQ(model.GetXOffset(), 0);
    EXPECT_EQ(model.GetRingCount(), 4);
    EXPECT_EQ(model.GetTransferLength(), 1228800);
    EXPECT_EQ(model.GetSubSampleMode(), 0);
    EXPECT_EQ(model.GetVerticalMirror(), 0);
    EXPECT_EQ(model.GetWordMode(), 0);
}

TEST_F(OfflineModel, RefusedAddressesAreRefusedForReadsAndWrites) {
    std::uint32_t value = 77;
    for (int address : {192, 200, 255, 1024, -1, 5000}) {
        EXPECT_EQ(model.WriteSensorRegister(address, 1), 0) << address;
        EXPECT_EQ(model.ReadSensorRegister(address, &value), 0) << address;
        EXPECT_EQ(value, 77u);
    }
    EXPECT_EQ(model.ReadSensorRegister(1023, &value), 1);
    EXPECT_EQ(model.ReadSensorRegister(191, nullptr), 0);
}

TEST_F(OfflineModel, AWriteThatCannotBeSentLeavesTheShadowAlone) {
    std::uint32_t before = 0, after = 0;
    ASSERT_EQ(model.ReadSensorRegister(100, &before), 1);
    EXPECT_EQ(model.WriteSensorRegister(100, before + 5), 0);
    ASSERT_EQ(model.ReadSensorRegister(100, &after), 1);
    EXPECT_EQ(after, before);
}

TEST_F(OfflineModel, FailedGainAndExposureWritesKeepTheStoredValues) {
    EXPECT_EQ(model.SetGain(700), 0);
    EXPECT_EQ(model.GetGain(), 0);
    EXPECT_EQ(model.SetExposure(500), 0);
    EXPECT_EQ(model.GetExposureValue(), 3);
    EXPECT_EQ(model.SetTriggerMode(1), 0);
}

struct WindowCase {
    int x, y, width, height, mode;
    int expected;
};

class WindowChecks : public OfflineModel, public testing::WithParamInterface<WindowCase> {};

TEST_P(WindowChecks, RefuseWindowsOutsideTheSensor) {
    const WindowCase& c = GetParam();
    ASSERT_EQ(model.SetWindow(0, 0, 640, 480, 0), 0);
    EXPECT_EQ(model.SetWindow(c.x, c.y, c.width, c.height, c.mode), c.expected);
    if (c.expected == 1) { // nothing changed
        EXPECT_EQ(model.GetWindowWidth(), 640);
        EXPECT_EQ(model.GetFrameHeight(), 480);
        EXPECT_EQ(model.GetTransferLength(), 614400); // 480 whole rows
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, WindowChecks,
    testing::Values(WindowCase{0, 0, 1280, 960, 0, 0}, WindowCase{1, 0, 1280, 960, 0, 1},
                    WindowCase{0, 1, 1280, 960, 0, 1}, WindowCase{-1, 0, 100, 100, 0, 1},
                    WindowCase{0, -1, 100, 100, 0, 1}, WindowCase{0, 0, 3, 100, 0, 1},
                    WindowCase{0, 0, 4, 3, 0, 0}, WindowCase{0, 0, 100, 2, 0, 1},
                    WindowCase{1276, 957, 4, 3, 3, 0}, WindowCase{0, 0, 100, 100, 4, 1},
                    WindowCase{0, 0, 100, 100, -1, 1},
                    // a quarter of 3 lines is none to transfer
                    WindowCase{0, 0, 100, 3, 2, 1}, WindowCase{0, 0, 100, 4, 2, 0}));

struct GeometryCase {
    int x, y, width, height, mode;
    int firstLine, lines, transferLength;
};

class WindowGeometry : public OfflineModel, public testing::WithParamInterface<GeometryCase> {};

// The camera streams whole sensor rows from the top: the frame is every row down to the window's
// last, and the window lies inside it at its origin.
TEST_P(WindowGeometry, AsksForWholeRowsDownToTheWindowAndPlacesTheWindowInThem) {
    const GeometryCase& c = GetParam();
    ASSERT_EQ(model.SetWindow(c.x, c.y, c.width, c.height, c.mode), 0);
    EXPECT_EQ(model.GetTotalWidth(), 1280);
    EXPECT_EQ(model.GetXOffset(), c.x);
    EXPECT_EQ(model.GetFrameWidth(), c.width);
    EXPECT_EQ(model.GetTotalHeight(), c.firstLine + c.lines);
    EXPECT_EQ(model.GetYOffset(), c.firstLine);
    EXPECT_EQ(model.GetFrameHeight(), c.lines);
    EXPECT_EQ(model.GetTransferLength(), c.transferLength);
    EXPECT_EQ(model.GetRingCount(), 4);
    EXPECT_EQ(model.GetWindowX(), c.x);
    EXPECT_EQ(model.GetWindowY(), c.y);
    EXPECT_EQ(model.GetWindowHeight(), c.height);
    EXPECT_EQ(model.GetSubSampleMode(), c.mode);
}

INSTANTIATE_TEST_SUITE_P(Table, WindowGeometry,
                         testing::Values(GeometryCase{0, 0, 1280, 960, 2, 0, 240, 307200},
                                         GeometryCase{0, 0, 1280, 960, 0, 0, 960, 1228800},
                                         GeometryCase{0, 0, 1280, 960, 1, 0, 960, 1228800},
                                         // 1280 × 501 = 641280, rounded up to 1024s
                                         GeometryCase{10, 20, 640, 481, 0, 20, 481, 642048},
                                         GeometryCase{401, 123, 637, 511, 0, 123, 511, 812032},
                                         GeometryCase{0, 0, 4, 3, 0, 0, 3, 4096},
                                         GeometryCase{1276, 957, 4, 3, 0, 957, 3, 1228800},
                                         // every fourth line: 100 lines above, 100 in the window
                                         GeometryCase{8, 402, 640, 400, 2, 100, 100, 256000}));

TEST_F(OfflineModel, ClockModesOutside0To2AreRefused) {
    EXPECT_EQ(model.SetClock(3), 0);
    EXPECT_EQ(model.SetClock(-1), 0);
    int clock = -5;
    EXPECT_EQ(model.GetClock(&clock), 0);
    EXPECT_EQ(model.GetClock(nullptr), 0);
}

TEST_F(OfflineModel, ReadoutSelectKeeps0To3Maps4To7AndRefusesTheRest) {
    const int cases[][2] = {{2, 2}, {4, 7}, {0, 0}, {3, 3}};
    for (const auto& c : cases) {
        model.SetReadoutSelect(c[0]);
        EXPECT_EQ(model.GetReadoutSelect(), c[1]) << c[0];
    }
    EXPECT_EQ(model.SetReadoutSelect(5), 0);
    EXPECT_EQ(model.SetReadoutSelect(-1), 0);
    EXPECT_EQ(model.GetReadoutSelect(), 3);
}

TEST_F(OfflineModel, MirrorFlagsAreStoredAs0Or1) {
    model.SetHorizontalMirror(5);
    model.SetVerticalMirror(-2);
    EXPECT_EQ(model.GetHorizontalMirror(), 1);
    EXPECT_EQ(model.GetVerticalMirror(), 1);
    model.SetHorizontalMirror(0);
    EXPECT_EQ(model.GetHorizontalMirror(), 0);
    EXPECT_EQ(model.GetVerticalMirror(), 1);
}

TEST_F(OfflineModel, WordModeIsStoredWhateverTheCamera) {
    EXPECT_EQ(model.SetWordMode(7), 1);
    EXPECT_EQ(model.GetWordMode(), 1);
    EXPECT_EQ(model.WindowBytes(), 2u * 1280u * 960u);
    EXPECT_EQ(model.SetWordMode(0), 1);
    EXPECT_EQ(model.GetWordMode(), 0);
}

TEST_F(OfflineModel, OpenCameraPassesABadNumberThrough) {
    EXPECT_EQ(model.OpenCamera(33), TVK_BAD_DEVICE_NUMBER);
    EXPECT_EQ(model.OpenCamera(kAbsentNumber), TVK_OK);
    EXPECT_EQ(model.GetExposureValue(), 3);
}

} // namespace
