// The device object with no camera behind its path: every exchange fails cleanly.
#include "device/TVKSdkLib.h"
#include "DeviceTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using device_test::kAbsentName;
using device_test::TestDevice;

class AbsentDevice : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(device.SelectDevice(0), TVK_OK);
        ASSERT_EQ(device.SetFrameGeometry(64, 0, 64, 16, 0, 16, 4), TVK_OK);
    }
    TestDevice device{kAbsentName};
};

TEST_F(AbsentDevice, EnumerationFindsNothing) {
    EXPECT_EQ(device.EnumerateDevices(), 0);
    for (int n = 0; n < 32; ++n)
        EXPECT_FALSE(device.IsDevicePresent(n)) << n;
    EXPECT_EQ(device.GetDeviceNumber(), 0);
}

TEST_F(AbsentDevice, CommandsReportTheFailedOpen) {
    EXPECT_EQ(device.SendCommand(MakePacket(CMD_PREPARE)), TVK_NO_DEVICE);
    EXPECT_EQ(device.PrepareTransfer(), TVK_NO_DEVICE);
    EXPECT_EQ(device.SetTransferLength(), 1);
    EXPECT_EQ(device.SetWordMode(1), 1);
    EXPECT_EQ(device.GetWordMode(), 1);
    EXPECT_EQ(device.SetTransferTimeout(1500), TVK_NO_DEVICE);
    EXPECT_EQ(device.GetTransferTimeout(), 1500);
}

TEST_F(AbsentDevice, RegisterAndRomAccessFailAndLeaveOutputsAlone) {
    EXPECT_EQ(device.WriteControllerRegister(7, 1), 0);
    std::uint8_t value = 0xA5;
    EXPECT_EQ(device.ReadControllerRegister(7, &value), 0);
    EXPECT_EQ(value, 0xA5);
    EXPECT_EQ(device.ReadControllerRegister(7, nullptr), 0);
    EXPECT_EQ(device.ReadRomByte(0x1800, &value), 0);
    EXPECT_EQ(value, 0xA5);
    EXPECT_EQ(device.WriteRomIdByte(0, 1), 0);
}

TEST_F(AbsentDevice, RomAddressesBelowTheIdentificationAreaAreNeverRead) {
    std::uint8_t value = 0x5A;
    for (int address : {0, 0x17FF, -1, 0x10000}) {
        EXPECT_EQ(device.ReadRomByte(address, &value), 0) << address;
        EXPECT_EQ(value, 0x5A);
    }
}

TEST_F(AbsentDevice, GrabFailsWith10AndRecords19) {
    EXPECT_EQ(device.GrabFrame(), TVK_NO_DEVICE);
    EXPECT_EQ(device.GetLastResult(), TVK_TRANSFER_FAILED);
    EXPECT_FALSE(device.IsGrabHandleOpen());
}

TEST_F(AbsentDevice, StopOnAStoppedObjectReturns0AtOnce) {
    EXPECT_EQ(device.StopTransfer(), TVK_OK);
    EXPECT_EQ(device.PollFrame(), POLL_STOPPED);
    EXPECT_FALSE(device.IsTransferRunning());
}

void RunUntilTheThreadGivesUp(TestDevice& device) {
    ASSERT_EQ(device.StartTransfer(), TVK_OK);
    for (int i = 0; i < 500 && device.IsTransferRunning(); ++i)
        Sleep(2);
    ASSERT_FALSE(device.IsTransferRunning());
    EXPECT_EQ(device.PollFrame(), POLL_STOPPED);
    EXPECT_EQ(device.GetFramesTransferred(), 0);
}

TEST_F(AbsentDevice, TransferThreadThatCannotOpenEndsByItselfWithoutLeaking) {
    // The first run makes the two events, which live as long as the object.
    RunUntilTheThreadGivesUp(device);
    EXPECT_EQ(device.StopTransfer(), TVK_OK);
    const travik_test::ResourceCounts before = travik_test::CountResources();
    for (int run = 0; run < 20; ++run) {
        RunUntilTheThreadGivesUp(device);
        // Every other run is restarted without a stop: the ended thread is reaped by the start.
        if (run % 2) EXPECT_EQ(device.StopTransfer(), TVK_OK);
    }
    EXPECT_EQ(device.StopTransfer(), TVK_OK);
    const travik_test::ResourceCounts after = travik_test::CountResources();
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_EQ(after.threads, before.threads);
}

TEST(AbsentDeviceStart, WithoutARingIsRefused) {
    TestDevice device(kAbsentName);
    EXPECT_EQ(device.StartTransfer(), TVK_NO_MEMORY);
    EXPECT_FALSE(device.IsTransferRunning());
}

} // namespace
