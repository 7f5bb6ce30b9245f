// The sensor start-up and the model's construction, packet by packet, on the virtual camera.
#include "CameraTestSupport.h"
#include "sensor/SensorTimingProgram.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using camera_test::Bytes;
using camera_test::CameraTest;
using camera_test::kDevice;
using camera_test::LoggedPackets;
using camera_test::PacketsAre;
using camera_test::SensorPacket;

void AddWrites(std::vector<Bytes>& packets, int first, std::vector<std::uint32_t> values) {
    for (std::uint32_t v : values)
        packets.push_back(SensorPacket(first++, v));
}

void AddRange(std::vector<Bytes>& packets, int first, int last, std::uint32_t value) {
    for (int a = first; a <= last; ++a)
        packets.push_back(SensorPacket(a, value));
}

std::vector<Bytes> StartupPackets() {
    std::vector<Bytes> p;
    p.push_back(SensorPacket(32, 0));
    p.push_back({0x25, 6, 17});
    p.push_back({0x25, 6, 0});
    AddWrites(p, 35, {23, 55, 49, 37, 55, 6, 20, 53, 48, 37, 5, 2});
    AddWrites(p, 384,
              {0x000001, 0x220001, 0x2E0001, 0x019002, 0x030003, 0x036004, 0x05500D, 0x03600E,
               0x0753D5, 0x08F3E9, 0x3E03E9, 0x000000});
    for (int i = 0; i < kSensorTimingProgramLength; ++i)
        p.push_back(SensorPacket(512 + i, kSensorTimingProgram[i]));
    p.push_back(SensorPacket(0, 0));
    AddWrites(p, 1, {8, 0, 0, 0, 0, 2, 7});
    AddRange(p, 8, 27, 0);
    p.push_back(SensorPacket(28, 4));
    AddRange(p, 29, 31, 0);
    p.push_back(SensorPacket(33, 0));
    p.push_back(SensorPacket(34, 1));
    p.push_back(SensorPacket(47, 9));
    p.push_back(SensorPacket(48, 0));
    p.push_back(SensorPacket(49, 6));
    AddRange(p, 50, 62, 0);
    AddRange(p, 64, 139, 0);
    AddWrites(p, 140, {51, 0, 0, 29, 1, 2, 0, 0, 0, 0, 0, 0, 1, 0, 0, 3, 0, 1, 4});
    AddRange(p, 159, 163, 0);
    AddWrites(p, 32, {11, 24, 5});
    return p;
}

TEST_F(CameraTest, StartupSendsItsPacketsInOrderByteForByte) {
    EXPECT_EQ(model->StartSensor(), 1);
    const std::vector<Bytes> logged = LoggedPackets();
    EXPECT_TRUE(PacketsAre(logged, StartupPackets()));
    ASSERT_EQ(logged.size(), 658u);
    // The timing program: register 512 first, 989 last, 478 words.
    const Bytes first = {4, 32, 0x00, 0xC2, 0x80, 0x0D};  // 512 = 0x036030
    const Bytes closer = {4, 32, 0x18, 0x06, 0x99, 0xFF}; // 536 = 0x3FE641
    const Bytes last = {4, 32, 0xDD, 0xFB, 0x9B, 0xFF};   // 989 = 0x3FE6FE
    EXPECT_TRUE(std::equal(first.begin(), first.end(), logged[27].begin()));
    EXPECT_TRUE(std::equal(closer.begin(), closer.end(), logged[27 + 24].begin()));
    EXPECT_TRUE(std::equal(last.begin(), last.end(), logged[27 + 477].begin()));
    EXPECT_EQ(model->GetExposureValue(), 3);
}

TEST_F(CameraTest, StartupLeavesTheSensorRunningWithTheShadowMatchingTheCamera) {
    EXPECT_EQ(camera_test::Stats().sensorStarted, 1u);
    const TravikEmuRegisters registers = camera_test::Registers();
    for (int address = 0; address < 1024; ++address) {
        std::uint32_t shadow = 0;
        if (!model->ReadSensorRegister(address, &shadow)) continue;
        EXPECT_EQ(registers.sensor[address], shadow & SensorValueMask(address)) << address;
    }
    std::uint32_t value = 0;
    ASSERT_EQ(model->ReadSensorRegister(512, &value), 1);
    EXPECT_EQ(value, 0x036030u);
}

TEST_F(CameraTest, ConstructionOpensDevice0AndAppliesItsDefaults) {
    ASSERT_TRUE(travik_emu::ResetDevice(kDevice));
    CTravik380TZ4RDXSdk fresh;
    std::vector<Bytes> expected = {{10, 1}, {0x25, 14, 0}}; // word mode off
    for (const Bytes& packet : StartupPackets())
        expected.push_back(packet);
    expected.push_back(SensorPacket(54, 0)); // the full window, mode 0
    expected.push_back({9, 0x00, 0xC0, 0x12, 0x00});
    for (const Bytes& packet :
         std::vector<Bytes>{{0x25, 0, 0x00}, {0x25, 1, 0xC0}, {0x25, 2, 0x12}, {0x25, 3, 0x00}})
        expected.push_back(packet);
    expected.push_back({0x25, 11, 0}); // trigger mode off
    expected.push_back(SensorPacket(32, 11 | 0x10));
    expected.push_back(SensorPacket(33, (24 & ~0x1F) + 1));
    expected.push_back({0x25, 11, 0});
    AddWrites(expected, 6, {0, 0});           // gain 0
    expected.push_back(SensorPacket(158, 3)); // exposure 0, stored as 3
    expected.push_back(SensorPacket(159, 0));
    expected.push_back(SensorPacket(161, 3));
    expected.push_back(SensorPacket(162, 0));
    expected.push_back(SensorPacket(8, 0)); // readout select 0
    EXPECT_TRUE(PacketsAre(LoggedPackets(), expected));
    EXPECT_EQ(fresh.GetGain(), 0);
    EXPECT_EQ(fresh.GetExposureValue(), 3);
    EXPECT_EQ(fresh.GetDeviceNumber(), 0);
    EXPECT_STREQ(fresh.GetDevicePath(), "\\\\.\\Tvik380TZ4rdx-0");
}

} // namespace
