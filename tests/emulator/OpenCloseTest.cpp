// Opening and closing camera devices by path: present, absent, unplugged and plugged in again.
#include <thread>

#include "EmuTestSupport.h"

namespace emu_test {
namespace {

using OpenClose = EmulatorTest;

class PresentDevice : public EmulatorTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(PresentDevice, OpensAndClosesAndCountsHandles) {
    const unsigned device = GetParam();
    {
        Camera first(device), second(device);
        ASSERT_TRUE(first.ok()) << "error " << first.openError();
        ASSERT_TRUE(second.ok()) << "a second handle, like the SDK's transfer thread, must open";
        EXPECT_EQ(Stats(device).openHandles, 2u);
        EXPECT_EQ(Stats(device).opens, 2u);
    }
    EXPECT_EQ(Stats(device).openHandles, 0u);
}

INSTANTIATE_TEST_SUITE_P(EveryDevice, PresentDevice, ::testing::Range(0u, kDevices));

TEST_F(OpenClose, AbsentDeviceNumbersAreNotFound) {
    for (unsigned device : {kDevices, 22u, 31u}) {
        Camera camera(device);
        EXPECT_FALSE(camera.ok()) << travik_emu::CameraPath(device);
        EXPECT_EQ(camera.openError(), DWORD(ERROR_FILE_NOT_FOUND));
    }
}

TEST_F(OpenClose, DevicePathsUseTheCharacterTable) {
    EXPECT_EQ(travik_emu::CameraPath(0), "\\\\.\\Tvik380TZ4rdx-0");
    EXPECT_EQ(travik_emu::CameraPath(10), "\\\\.\\Tvik380TZ4rdx-A");
    EXPECT_EQ(travik_emu::CameraPath(22), "\\\\.\\Tvik380TZ4rdx-N");
    EXPECT_EQ(travik_emu::CameraPath(23), "\\\\.\\Tvik380TZ4rdx-M");
}

TEST_F(OpenClose, UnpluggedDeviceCannotBeOpenedUntilPluggedIn) {
    ASSERT_TRUE(travik_emu::Unplug(1));
    {
        Camera camera(1);
        EXPECT_FALSE(camera.ok());
        EXPECT_EQ(camera.openError(), DWORD(ERROR_FILE_NOT_FOUND));
        Camera neighbour(2);
        EXPECT_TRUE(neighbour.ok()) << "unplugging one camera leaves the others alone";
    }
    ASSERT_TRUE(travik_emu::Plug(1));
    Camera camera(1);
    EXPECT_TRUE(camera.ok());
}

TEST_F(OpenClose, EveryRequestOnAHandleFailsOnceUnplugged) {
    Camera camera(0);
    ASSERT_TRUE(camera.ok());
    ASSERT_TRUE(camera.Start());
    ASSERT_TRUE(camera.Send({0x26, 7}));
    ASSERT_TRUE(travik_emu::Unplug(0));

    Packet reply;
    std::vector<unsigned char> frame(kFullFrame);
    EXPECT_FALSE(camera.Send({1}));
    EXPECT_FALSE(camera.Send({2}, kOutDirect));
    EXPECT_FALSE(camera.ReadReply(reply));
    EXPECT_FALSE(camera.SetTimeout(100));
    EXPECT_FALSE(camera.ReadFrame(frame));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DEVICE_NOT_CONNECTED));

    // A handle from before the unplug stays dead, as with a real USB device.
    ASSERT_TRUE(travik_emu::Plug(0));
    EXPECT_FALSE(camera.Send({1}));
    Camera fresh(0);
    ASSERT_TRUE(fresh.ok());
    EXPECT_TRUE(fresh.Send({1}));
}

TEST_F(OpenClose, PluggingInPowersTheCameraUp) {
    {
        Camera camera(0);
        ASSERT_TRUE(camera.Start());
        ASSERT_TRUE(Stats(0).sensorStarted);
    }
    ASSERT_TRUE(travik_emu::Unplug(0));
    ASSERT_TRUE(travik_emu::Plug(0));
    TravikEmuStats stats = Stats(0);
    EXPECT_FALSE(stats.sensorStarted);
    EXPECT_EQ(stats.transferLength, 0u);
}

TEST_F(OpenClose, UnplugFailsAWaitingRead) {
    Camera camera(3);
    ASSERT_TRUE(camera.Start());
    ASSERT_TRUE(camera.SetTimeout(20000));
    ASSERT_TRUE(camera.WriteController(11, 1)); // trigger mode: the read waits
    std::vector<unsigned char> frame(kFullFrame);
    bool done = true;
    DWORD error = 0;
    std::thread reader([&] {
        done = camera.ReadFrame(frame);
        error = GetLastError();
    });
    while (Stats(3).pendingReads == 0)
        Sleep(1);
    ASSERT_TRUE(travik_emu::Unplug(3));
    reader.join();
    EXPECT_FALSE(done);
    EXPECT_EQ(error, DWORD(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(Stats(3).pendingReads, 0u);
}

TEST_F(OpenClose, ControlDeviceReportsTheDriver) {
    TravikEmuDriverInfo info = {};
    ASSERT_TRUE(travik_emu::QueryDriver(info));
    EXPECT_EQ(info.interfaceVersion, TRAVIK_EMU_INTERFACE_VERSION);
    EXPECT_EQ(info.deviceCount, kDevices);
    EXPECT_EQ(info.logCapacity, TRAVIK_EMU_LOG_CAPACITY);
}

} // namespace
} // namespace emu_test
