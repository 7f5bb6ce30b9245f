// The device object against the virtual camera: enumeration, command packets, registers, ROM.
#include "CameraTestSupport.h"

#include <gtest/gtest.h>

namespace {

using camera_test::Bytes;
using camera_test::CameraTest;
using camera_test::kDevice;
using camera_test::LoggedPackets;
using camera_test::PacketsAre;

TEST_F(CameraTest, EnumerationFindsEveryVirtualCameraButAnUnpluggedOne) {
    TravikEmuDriverInfo info = {};
    ASSERT_TRUE(travik_emu::QueryDriver(info));
    ASSERT_GE(info.deviceCount, 3u);
    const int count = static_cast<int>(info.deviceCount);
    EXPECT_EQ(model->EnumerateDevices(), count);
    for (int n = 0; n < 32; ++n)
        EXPECT_EQ(model->IsDevicePresent(n), n < count) << n;

    ASSERT_TRUE(travik_emu::Unplug(2));
    EXPECT_EQ(model->EnumerateDevices(), count - 1);
    EXPECT_FALSE(model->IsDevicePresent(2));
    EXPECT_TRUE(model->IsDevicePresent(1));
    EXPECT_TRUE(model->IsDevicePresent(3 < count ? 3 : 0));
    EXPECT_EQ(model->GetDeviceNumber(), 0); // enumeration never changes the selection
    ASSERT_TRUE(travik_emu::Plug(2));
    EXPECT_EQ(model->EnumerateDevices(), count);
    EXPECT_TRUE(travik_emu::ResetDevice(2));
}

TEST_F(CameraTest, EnumerationSendsNoPacket) {
    model->EnumerateDevices();
    EXPECT_TRUE(LoggedPackets().empty());
}

TEST_F(CameraTest, CommandOperationsSendTheirPacketsOnTheCommandPipe) {
    EXPECT_EQ(model->PrepareTransfer(), TVK_OK);
    EXPECT_EQ(model->SetTransferLength(), 1);
    EXPECT_EQ(model->CTVKSdkLib::SetWordMode(1), 1);
    EXPECT_EQ(model->WriteControllerRegister(7, 0x5A), 1);
    // 1228800 = 0x12C000
    EXPECT_TRUE(
        PacketsAre(LoggedPackets(), {{1}, {9, 0x00, 0xC0, 0x12, 0x00}, {10, 1}, {0x25, 7, 0x5A}}));
    for (const TravikEmuLogEntry& entry : travik_emu::ReadLog(kDevice))
        EXPECT_EQ(entry.code, 0x222051u);
}

TEST_F(CameraTest, ControllerRegistersRoundTrip) {
    for (int value : {0x00, 0x81, 0xFF}) {
        ASSERT_EQ(model->WriteControllerRegister(20, value), 1);
        std::uint8_t read = 0x33;
        ASSERT_EQ(model->ReadControllerRegister(20, &read), 1);
        EXPECT_EQ(read, value);
    }
    const TravikEmuRegisters registers = camera_test::Registers();
    EXPECT_EQ(registers.controller[20], 0xFF);
    EXPECT_EQ(registers.repliesQueued, 0u); // both replies of every read were taken
    const std::vector<Bytes> packets = LoggedPackets();
    ASSERT_EQ(packets.size(), 6u);
    EXPECT_TRUE(PacketsAre({packets[0], packets[1]}, {{0x25, 20, 0x00}, {0x26, 20}}));
}

TEST_F(CameraTest, ControllerReadOfAnUnpluggedCameraGivesZero) {
    ASSERT_TRUE(travik_emu::Unplug(kDevice));
    std::uint8_t read = 0x33;
    EXPECT_EQ(model->ReadControllerRegister(7, &read), 0);
    EXPECT_EQ(read, 0x33); // the open failed: nothing written
    EXPECT_EQ(model->WriteControllerRegister(7, 1), 0);
}

TEST_F(CameraTest, RomIdentificationBytesRoundTrip) {
    std::vector<unsigned char> rom;
    ASSERT_TRUE(travik_emu::ReadRom(kDevice, 0x1800, 16, rom));
    for (int i = 0; i < 16; ++i) {
        std::uint8_t value = 0;
        ASSERT_EQ(model->ReadRomByte(0x1800 + i, &value), 1);
        EXPECT_EQ(value, rom[i]) << i;
    }
    ASSERT_TRUE(travik_emu::ClearLog(kDevice));
    EXPECT_EQ(model->WriteRomIdByte(0x105, 0x1A7), 1); // both taken as their low 8 bits
    std::uint8_t value = 0;
    EXPECT_EQ(model->ReadRomByte(0x1805, &value), 1);
    EXPECT_EQ(value, 0xA7);
    ASSERT_TRUE(travik_emu::ReadRom(kDevice, 0x1805, 1, rom));
    EXPECT_EQ(rom[0], 0xA7);
    EXPECT_TRUE(PacketsAre(LoggedPackets(), {{0x40, 0x51, 0x03, 0x18, 0x05, 0xA7},
                                             {0x41, 0x51, 0x02, 0x01, 0x18, 0x05}}));
}

TEST_F(CameraTest, RomBelowTheIdentificationAreaIsNeverAsked) {
    std::uint8_t value = 0x77;
    EXPECT_EQ(model->ReadRomByte(0x17FF, &value), 0);
    EXPECT_EQ(value, 0x77);
    EXPECT_TRUE(LoggedPackets().empty());
}

TEST_F(CameraTest, VariantByteIsReadable) {
    ASSERT_TRUE(travik_emu::WriteRom(kDevice, kRomVariantAddress, 2));
    std::uint8_t value = 0;
    EXPECT_EQ(model->ReadRomByte(kRomVariantAddress, &value), 1);
    EXPECT_EQ(value, 2);
}

TEST_F(CameraTest, TransferTimeoutReachesTheDriver) {
    EXPECT_EQ(model->SetTransferTimeout(1234), TVK_OK);
    const TravikEmuStats stats = camera_test::Stats();
    EXPECT_EQ(stats.timeoutMs, 1234u);
    EXPECT_EQ(stats.timeoutRequests, 1u);
    EXPECT_TRUE(LoggedPackets().empty()); // not a command packet
}

} // namespace
