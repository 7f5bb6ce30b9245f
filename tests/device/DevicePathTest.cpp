// Device paths, device numbers and command packet layouts.
#include "device/CommandPacket.h"
#include "device/DriverInterface.h"
#include "device/TVKSdkLib.h"
#include "DeviceTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using device_test::TestDevice;

struct PathCase {
    int number;
    const char* path;
};

class DevicePath : public testing::TestWithParam<PathCase> {};

TEST_P(DevicePath, NumberSelectsItsSuffixCharacter) {
    TestDevice device("Tvik380TZ4rdx");
    ASSERT_EQ(device.SelectDevice(GetParam().number), TVK_OK);
    EXPECT_STREQ(device.GetDevicePath(), GetParam().path);
    EXPECT_EQ(device.GetDeviceNumber(), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, DevicePath,
    testing::Values(PathCase{0, "\\\\.\\Tvik380TZ4rdx-0"}, PathCase{9, "\\\\.\\Tvik380TZ4rdx-9"},
                    PathCase{10, "\\\\.\\Tvik380TZ4rdx-A"}, PathCase{21, "\\\\.\\Tvik380TZ4rdx-L"},
                    PathCase{22, "\\\\.\\Tvik380TZ4rdx-N"}, PathCase{23, "\\\\.\\Tvik380TZ4rdx-M"},
                    PathCase{24, "\\\\.\\Tvik380TZ4rdx-O"}, PathCase{31, "\\\\.\\Tvik380TZ4rdx-V"},
                    PathCase{32, "\\\\.\\Tvik380TZ4rdx-W"}));

TEST(DevicePathTable, EveryNumberFrom0To31HasADistinctSuffix) {
    std::string seen;
    for (int n = 0; n < 32; ++n) {
        char path[driver::kDevicePathBytes];
        ASSERT_TRUE(driver::FormatDevicePath(path, "Tvik380TZ4rdx", n));
        const std::string text(path);
        ASSERT_EQ(text.size(), 4u + 13u + 2u);
        EXPECT_EQ(text.substr(0, 18), "\\\\.\\Tvik380TZ4rdx-");
        EXPECT_EQ(seen.find(text.back()), std::string::npos) << n;
        seen += text.back();
    }
    EXPECT_EQ(seen, "0123456789ABCDEFGHIJKLNMOPQRSTUV");
}

TEST(DevicePathTable, NumbersWithoutASuffixOrNamesTooLongAreRefused) {
    char path[driver::kDevicePathBytes] = "stale";
    EXPECT_FALSE(driver::FormatDevicePath(path, "Tvik380TZ4rdx", -1));
    EXPECT_STREQ(path, "");
    EXPECT_FALSE(driver::FormatDevicePath(path, "Tvik380TZ4rdx", 36));
    const std::string longName(130, 'x');
    EXPECT_FALSE(driver::FormatDevicePath(path, longName.c_str(), 0));
    EXPECT_STREQ(path, "");
}

TEST(SelectDevice, NumbersOutside0To32GiveCode22AndKeepTheSelection) {
    TestDevice device("Tvik380TZ4rdx");
    ASSERT_EQ(device.SelectDevice(5), TVK_OK);
    for (int bad : {-1, 33, 1000}) {
        EXPECT_EQ(device.SelectDevice(bad), TVK_BAD_DEVICE_NUMBER) << bad;
        EXPECT_EQ(device.GetDeviceNumber(), 5);
        EXPECT_STREQ(device.GetDevicePath(), "\\\\.\\Tvik380TZ4rdx-5");
    }
    EXPECT_EQ(device.ResetDevice(33), TVK_BAD_DEVICE_NUMBER);
    EXPECT_EQ(device.GetMaxDevices(), 32);
}

TEST(SelectDevice, PresenceIsFalseOutsideTheTable) {
    TestDevice device("Tvik380TZ4rdx");
    EXPECT_FALSE(device.IsDevicePresent(-1));
    EXPECT_FALSE(device.IsDevicePresent(32));
}

TEST(SetVariant, KeepsValuesFrom0To2AndStores1OtherwiseAlwaysReturning1) {
    TestDevice device(device_test::kAbsentName);
    EXPECT_EQ(device.GetVariant(), 0);
    const int cases[][2] = {{2, 2}, {0, 0}, {1, 1}, {3, 1}, {-1, 1}, {2, 2}, {99, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(device.SetVariant(c[0]), 1);
        EXPECT_EQ(device.GetVariant(), c[1]) << c[0];
    }
}

// ---- Packets ----

TEST(CommandPackets, AreSixtyFourBytesWithTheCommandFirstAndZerosAfterTheArguments) {
    const CommandPacket packet = MakePacket(CMD_CONTROLLER_WRITE, {11, 1});
    ASSERT_EQ(packet.size(), 64u);
    EXPECT_EQ(packet[0], 0x25);
    EXPECT_EQ(packet[1], 11);
    EXPECT_EQ(packet[2], 1);
    for (std::size_t i = 3; i < packet.size(); ++i)
        EXPECT_EQ(packet[i], 0) << i;
    const CommandPacket start = MakePacket(CMD_START_FRAME);
    EXPECT_EQ(start[0], 2);
    for (std::size_t i = 1; i < start.size(); ++i)
        EXPECT_EQ(start[i], 0) << i;
}

TEST(CommandPackets, TransferLengthIsLittleEndian) {
    const CommandPacket packet = MakeTransferLengthPacket(1230848); // 0x0012C800
    EXPECT_EQ(packet[0], 9);
    EXPECT_EQ(packet[1], 0x00);
    EXPECT_EQ(packet[2], 0xC8);
    EXPECT_EQ(packet[3], 0x12);
    EXPECT_EQ(packet[4], 0x00);
    EXPECT_EQ(packet[5], 0);
}

TEST(CommandPackets, RomReadSelectsTheRomAndGivesTheAddressHighByteFirst) {
    const CommandPacket packet = MakeRomReadPacket(0x1805);
    const std::uint8_t expected[] = {0x41, 0x51, 0x02, 0x01, 0x18, 0x05, 0x00};
    for (std::size_t i = 0; i < sizeof(expected); ++i)
        EXPECT_EQ(packet[i], expected[i]) << i;
}

TEST(CommandPackets, RomIdWriteAddressesTheIdentificationArea) {
    const CommandPacket packet = MakeRomIdWritePacket(0x05, 0xA7);
    const std::uint8_t expected[] = {0x40, 0x51, 0x03, 0x18, 0x05, 0xA7, 0x00};
    for (std::size_t i = 0; i < sizeof(expected); ++i)
        EXPECT_EQ(packet[i], expected[i]) << i;
}

} // namespace
