// Sensor registers, exposure, gain, window, clock, trigger and word mode on the virtual camera.
#include "CameraTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using camera_test::Bytes;
using camera_test::CameraTest;
using camera_test::kDevice;
using camera_test::LoggedPackets;
using camera_test::PacketsAre;
using camera_test::Registers;
using camera_test::SensorPacket;
using camera_test::Stats;

// ---- Register protocol ----

TEST_F(CameraTest, RegisterPacketsMatchTheirExamples) {
    EXPECT_EQ(model->WriteSensorRegister(512, 0x036030), 1);
    EXPECT_EQ(model->WriteSensorRegister(100, 0xFF), 1);
    EXPECT_TRUE(PacketsAre(LoggedPackets(),
                           {{4, 32, 0x00, 0xC2, 0x80, 0x0D}, {4, 16, 0x64, 0xFC, 0x00, 0x00}}));
}

TEST_F(CameraTest, TheCameraGetsTheMaskedValueAndTheShadowKeepsTheWholeOne) {
    ASSERT_EQ(model->WriteSensorRegister(100, 0xFF), 1);
    ASSERT_EQ(model->WriteSensorRegister(300, 0x12345), 1);
    ASSERT_EQ(model->WriteSensorRegister(1023, 0xFFFFFFFF), 1);
    const TravikEmuRegisters registers = Registers();
    EXPECT_EQ(registers.sensor[100], 0x3Fu);
    EXPECT_EQ(registers.sensor[300], 0x2345u);
    EXPECT_EQ(registers.sensor[1023], 0x3FFFFFu);
    std::uint32_t value = 0;
    ASSERT_EQ(model->ReadSensorRegister(100, &value), 1);
    EXPECT_EQ(value, 0xFFu);
    ASSERT_EQ(model->ReadSensorRegister(1023, &value), 1);
    EXPECT_EQ(value, 0xFFFFFFFFu);
}

TEST_F(CameraTest, RefusedAddressesSendNothing) {
    for (int address : {192, 200, 255, 1024, -1})
        EXPECT_EQ(model->WriteSensorRegister(address, 1), 0) << address;
    EXPECT_TRUE(LoggedPackets().empty());
}

TEST_F(CameraTest, AWriteToAnUnpluggedCameraLeavesTheShadow) {
    ASSERT_TRUE(travik_emu::Unplug(kDevice));
    EXPECT_EQ(model->WriteSensorRegister(100, 9), 0);
    std::uint32_t value = 77;
    ASSERT_EQ(model->ReadSensorRegister(100, &value), 1);
    EXPECT_EQ(value, 0u); // what the start-up wrote
}

// ---- Exposure ----

std::vector<Bytes> ShortExposure(int v) {
    return {SensorPacket(158, v & 0x3F), SensorPacket(159, (v >> 6) & 0x3F),
            SensorPacket(161, v & 0x3F), SensorPacket(162, (v >> 6) & 0x3F)};
}

std::vector<Bytes> EnterLongMode() {
    std::vector<Bytes> p;
    const int regs[] = {152, 153, 154, 156, 157, 158, 159, 160, 161, 162, 163};
    const int values[] = {1, 0, 1, 0, 0, 3, 0, 1, 3, 0, 1};
    for (int i = 0; i < 11; ++i)
        p.push_back(SensorPacket(regs[i], values[i]));
    return p;
}

std::vector<Bytes> LeaveLongMode() {
    return {SensorPacket(154, 0), SensorPacket(155, 3), SensorPacket(157, 1), SensorPacket(160, 3),
            SensorPacket(163, 0)};
}

std::vector<Bytes> Join(std::vector<Bytes> a, const std::vector<Bytes>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(CameraTest, ExposureSwitchesIntoAndOutOfTheLongModeOnlyWhenCrossing) {
    ASSERT_EQ(model->SetExposure(500), 1);
    EXPECT_TRUE(PacketsAre(LoggedPackets(), ShortExposure(500)));
    ASSERT_TRUE(travik_emu::ClearLog(kDevice));

    ASSERT_EQ(model->SetExposure(1002), 1);
    EXPECT_EQ(model->GetExposureValue(), 1002);
    EXPECT_TRUE(PacketsAre(LoggedPackets(), Join(EnterLongMode(), {SensorPacket(155, 2)})));
    ASSERT_TRUE(travik_emu::ClearLog(kDevice));

    ASSERT_EQ(model->SetExposure(1003), 1); // already long: only the count
    EXPECT_TRUE(PacketsAre(LoggedPackets(), {SensorPacket(155, 3)}));
    ASSERT_TRUE(travik_emu::ClearLog(kDevice));

    ASSERT_EQ(model->SetExposure(500), 1);
    EXPECT_TRUE(PacketsAre(LoggedPackets(), Join(LeaveLongMode(), ShortExposure(500))));
    ASSERT_TRUE(travik_emu::ClearLog(kDevice));

    ASSERT_EQ(model->SetExposure(600), 1);
    EXPECT_TRUE(PacketsAre(LoggedPackets(), ShortExposure(600)));
    EXPECT_EQ(model->GetExposureValue(), 600);
}

TEST_F(CameraTest, ExposureIsClampedTo3Through1003) {
    ASSERT_EQ(model->SetExposure(0), 1);
    EXPECT_EQ(model->GetExposureValue(), 3);
    EXPECT_TRUE(PacketsAre(LoggedPackets(), ShortExposure(3)));
    ASSERT_TRUE(travik_emu::ClearLog(kDevice));
    ASSERT_EQ(model->SetExposure(5000), 1);
    EXPECT_EQ(model->GetExposureValue(), 1003);
    EXPECT_TRUE(PacketsAre(LoggedPackets(), Join(EnterLongMode(), {SensorPacket(155, 3)})));
}

TEST_F(CameraTest, AFailedExposureWriteKeepsTheStoredValue) {
    ASSERT_EQ(model->SetExposure(500), 1);
    ASSERT_TRUE(travik_emu::Unplug(kDevice));
    EXPECT_EQ(model->SetExposure(1002), 0);
    EXPECT_EQ(model->GetExposureValue(), 500);
}

// ---- Gain ----

TEST_F(CameraTest, GainSplitsIntoRegisters6And7) {
    ASSERT_EQ(model->SetGain(700), 1);
    EXPECT_EQ(model->GetGain(), 700);
    ASSERT_EQ(model->SetGain(1023 + 64), 1); // bits above 9 are dropped
    EXPECT_EQ(model->GetGain(), 63);
    EXPECT_TRUE(PacketsAre(LoggedPackets(), {SensorPacket(6, 700 & 0x3F), SensorPacket(7, 700 >> 6),
                                             SensorPacket(6, 63), SensorPacket(7, 0)}));
}

// ---- Window ----

TEST_F(CameraTest, AQuarterLineWindowTransfers240LinesAndTellsTheController) {
    ASSERT_EQ(model->SetWindow(0, 0, 1280, 960, 2), 0);
    // 1280 × 240 = 307200 = 0x0004B000
    EXPECT_TRUE(PacketsAre(LoggedPackets(), {SensorPacket(54, 9),
                                             {9, 0x00, 0xB0, 0x04, 0x00},
                                             {0x25, 0, 0x00},
                                             {0x25, 1, 0xB0},
                                             {0x25, 2, 0x04},
                                             {0x25, 3, 0x00}}));
    const TravikEmuRegisters registers = Registers();
    EXPECT_EQ(registers.controller[0], 0x00);
    EXPECT_EQ(registers.controller[1], 0xB0);
    EXPECT_EQ(registers.controller[2], 0x04);
    EXPECT_EQ(registers.controller[3], 0x00);
    EXPECT_EQ(Stats().transferLength, 307200u);
    EXPECT_EQ(model->GetFrameHeight(), 240);
}

TEST_F(CameraTest, RefusedWindowsSendNothing) {
    EXPECT_EQ(model->SetWindow(1, 0, 1280, 960, 0), 1);
    EXPECT_EQ(model->SetWindow(0, 0, 1280, 961, 0), 1);
    EXPECT_EQ(model->SetWindow(0, 0, 1280, 960, 4), 1);
    EXPECT_TRUE(LoggedPackets().empty());
}

// ---- Clock ----

TEST_F(CameraTest, ClockMode2Writes3AndRestartsTheSensor) {
    ASSERT_EQ(model->SetExposure(700), 1);
    ASSERT_TRUE(travik_emu::ClearLog(kDevice));
    ASSERT_EQ(model->SetClock(2), 1);
    const std::vector<Bytes> logged = LoggedPackets();
    ASSERT_EQ(logged.size(), 1u + 658u);
    EXPECT_TRUE(PacketsAre({logged[0], logged[1]}, {{0x25, 15, 3}, SensorPacket(32, 0)}));
    EXPECT_EQ(model->GetExposureValue(), 3); // the restart's value
    EXPECT_EQ(Registers().controller[15], 3);
    int clock = -1;
    ASSERT_EQ(model->GetClock(&clock), 1);
    EXPECT_EQ(clock, 2);
    ASSERT_EQ(model->SetClock(1), 1);
    ASSERT_EQ(model->GetClock(&clock), 1);
    EXPECT_EQ(clock, 1);
}

// ---- Trigger mode ----

TEST_F(CameraTest, TriggerModeRewritesRegisters32And33FromTheShadow) {
    ASSERT_EQ(model->WriteSensorRegister(32, 0x3F), 1);
    ASSERT_EQ(model->WriteSensorRegister(33, 0x35), 1);
    ASSERT_TRUE(travik_emu::ClearLog(kDevice));
    ASSERT_EQ(model->SetTriggerMode(1), 1);
    // 33 = (0x35 & ~0x0F) + 0x1C = 0x4C: the camera gets 6 bits, the shadow keeps 0x4C.
    EXPECT_TRUE(
        PacketsAre(LoggedPackets(),
                   {{0x25, 11, 1}, SensorPacket(32, 0x2F), SensorPacket(33, 0x4C), {0x25, 11, 1}}));
    EXPECT_EQ(Stats().triggerMode, 1u);
    ASSERT_TRUE(travik_emu::ClearLog(kDevice));
    ASSERT_EQ(model->SetTriggerMode(0), 1);
    // 33 = (0x4C & ~0x1F) + 1 = 0x41
    EXPECT_TRUE(
        PacketsAre(LoggedPackets(),
                   {{0x25, 11, 0}, SensorPacket(32, 0x3F), SensorPacket(33, 0x41), {0x25, 11, 0}}));
    EXPECT_EQ(Stats().triggerMode, 0u);
}

TEST_F(CameraTest, TriggerModeOnAnUnpluggedCameraSendsNothingAndFails) {
    ASSERT_TRUE(travik_emu::Unplug(kDevice));
    EXPECT_EQ(model->SetTriggerMode(1), 0);
    std::uint32_t value = 0;
    ASSERT_EQ(model->ReadSensorRegister(33, &value), 1);
    EXPECT_EQ(value, 1u); // as construction left it
}

// ---- Word mode and readout select ----

TEST_F(CameraTest, WordModeKeepsCommand10OnAndSwitchesControllerRegister14) {
    ASSERT_EQ(model->SetWordMode(1), 1);
    EXPECT_EQ(Stats().wordMode, 1u);
    ASSERT_EQ(model->SetWordMode(0), 1);
    EXPECT_EQ(Stats().wordMode, 0u);
    EXPECT_TRUE(PacketsAre(LoggedPackets(), {{10, 1}, {0x25, 14, 1}, {10, 1}, {0x25, 14, 0}}));
    EXPECT_EQ(Registers().wordModeByte, 1u);
}

TEST_F(CameraTest, ReadoutSelect4Writes4) {
    ASSERT_EQ(model->SetReadoutSelect(4), 1);
    EXPECT_EQ(model->GetReadoutSelect(), 7);
    EXPECT_EQ(model->SetReadoutSelect(5), 0);
    EXPECT_TRUE(PacketsAre(LoggedPackets(), {SensorPacket(8, 4)}));
}

} // namespace
