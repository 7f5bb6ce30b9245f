// Devices through the DLL with four virtual cameras: enumeration, names, information, selection.
#include "CameraFixture.h"

#include "EmuControl.h"

#include <algorithm>
#include <string>

namespace {

class Devices : public CameraTest {
  protected:
    void SetUp() override {
        for (unsigned device = 0; device < 4; ++device) travik_emu::ResetDevice(device);
        CameraTest::SetUp();
    }
    void TearDown() override {
        CameraTest::TearDown();
        for (unsigned device = 0; device < 4; ++device) travik_emu::ResetDevice(device);
    }
    std::vector<std::string> Enumerate(int expected) {
        std::vector<char> buffer(32 * 256, 'x');
        EXPECT_EQ(Travik_EnumDevice(handle, buffer.data()), expected);
        std::vector<std::string> slots;
        for (int slot = 0; slot < 10; ++slot) slots.emplace_back(buffer.data() + slot * 256);
        return slots;
    }
};

TEST_F(Devices, EnumerationNamesPresentDevicesByPosition) {
    auto slots = Enumerate(4);
    EXPECT_EQ(slots[0], "Travik380TZ4-RDX_01");
    EXPECT_EQ(slots[3], "Travik380TZ4-RDX_04");
    for (int slot = 4; slot < 10; ++slot) EXPECT_EQ(slots[slot], "");

    ASSERT_TRUE(travik_emu::Unplug(1));
    slots = Enumerate(3);
    EXPECT_EQ(slots[1], "Travik380TZ4-RDX_02"); // device 2, numbered by its position
    EXPECT_EQ(slots[3], "");

    std::vector<wchar_t> wide(32 * 256, L'x');
    EXPECT_EQ(Travik_EnumDeviceW(handle, wide.data()), 3);
    EXPECT_EQ(std::wstring(wide.data() + 2 * 256), L"Travik380TZ4-RDX_03");
}

TEST_F(Devices, NamesFollowTheDeviceNumber) {
    ASSERT_TRUE(travik_emu::Unplug(1));
    Enumerate(3);
    char name[32] = {};
    EXPECT_EQ(Travik_GetDeviceName(handle, 2, name, sizeof(name)), 1);
    EXPECT_STREQ(name, "Travik380TZ4-RDX_03");
    EXPECT_EQ(Travik_GetDeviceName(handle, 1, name, sizeof(name)), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_DEVICE});
    wchar_t wide[20] = {};
    EXPECT_EQ(Travik_GetDeviceNameW(handle, 0, wide, 20), 1);
    EXPECT_STREQ(wide, L"Travik380TZ4-RDX_01");
}

TEST_F(Devices, NameBuffersThatCannotHoldTheNameAreRefusedUntouched) {
    for (int length : {0, 14, 15, 19}) {
        char name[32];
        std::fill(std::begin(name), std::end(name), '#');
        EXPECT_EQ(Travik_GetDeviceName(handle, 0, name, length), 0) << length;
        EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_PARAMETER});
        EXPECT_TRUE(std::all_of(std::begin(name), std::end(name), [](char c) { return c == '#'; }));
    }
    char name[20];
    EXPECT_EQ(Travik_GetDeviceName(handle, 0, name, 20), 1);
    EXPECT_EQ(Travik_GetDeviceName(handle, 32, name, 20), 0);
    EXPECT_EQ(Travik_GetDeviceName(handle, -1, name, 20), 0);
    EXPECT_EQ(Travik_GetDeviceName(handle, 0, nullptr, 20), 0);
    EXPECT_EQ(DrainErrors(), (std::vector<int>{ERR_PARAMETER, ERR_PARAMETER, ERR_PARAMETER}));
}

TEST_F(Devices, CameraInfoNeedsItsWholeSize) {
    CameraInfo info = {};
    info.size = 35;
    EXPECT_EQ(Travik_GetCameraInfo(handle, &info), 0);
    EXPECT_EQ(info.width, 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_MEMORY});
    info.size = -1; // compared unsigned: large enough
    EXPECT_EQ(Travik_GetCameraInfo(handle, &info), 1);
    info.size = 36;
    EXPECT_EQ(Travik_GetCameraInfo(handle, &info), 1);
    EXPECT_EQ(info.width, 1280);
    EXPECT_EQ(info.height, 960);
    EXPECT_EQ(info.maxGain, 1023);
    EXPECT_EQ(info.minExposure, 3);
    EXPECT_EQ(info.maxExposure, 1003);
    EXPECT_EQ(Travik_GetCameraInfo(handle, nullptr), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{ERR_PARAMETER});
}

TEST_F(Devices, SelectionSavesTheOldSettingsAndLoadsTheNewOnes) {
    ASSERT_EQ(Travik_SetGamma(handle, 150), 1);
    ASSERT_EQ(Travik_SetDeviceNumber(handle, 2), 1);
    EXPECT_EQ(Travik_GetGamma(handle, nullptr), 100); // device 2 has no settings yet
    ASSERT_EQ(Travik_SetGamma(handle, 120), 1);
    ASSERT_EQ(Travik_SetDeviceNumber(handle, 0), 1);
    EXPECT_EQ(Travik_GetGamma(handle, nullptr), 150);
    ASSERT_EQ(Travik_SetDeviceNumber(handle, 2), 1);
    EXPECT_EQ(Travik_GetGamma(handle, nullptr), 120);
}

TEST_F(Devices, AbsentDeviceIsRefusedWithCode2) {
    ASSERT_TRUE(travik_emu::Unplug(3));
    Enumerate(3);
    EXPECT_EQ(Travik_SetDeviceNumber(handle, 3), 0);
    EXPECT_EQ(Travik_SetDeviceNumber(handle, 9), 0);
    EXPECT_EQ(DrainErrors(), (std::vector<int>{ERR_DEVICE, ERR_DEVICE}));
}

TEST_F(Devices, SelectionReadsTheVariantByteOfTheRom) {
    ASSERT_TRUE(travik_emu::WriteRom(1, 0x1EB0, 2));
    ASSERT_TRUE(travik_emu::ClearLog(1));
    ASSERT_EQ(Travik_SetDeviceNumber(handle, 1), 1);
    const auto log = travik_emu::ReadLog(1);
    const bool romRead = std::any_of(log.begin(), log.end(), [](const TravikEmuLogEntry& e) {
        const unsigned char expected[] = {0x41, 0x51, 0x02, 0x01, 0x1E, 0xB0};
        return std::equal(std::begin(expected), std::end(expected), e.packet);
    });
    EXPECT_TRUE(romRead);
}

TEST_F(Devices, CloseCanBeRepeated) {
    EXPECT_EQ(Travik_Close(handle), 1);
    EXPECT_EQ(Travik_Close(handle), 1);
    EXPECT_TRUE(DrainErrors().empty());
}

} // namespace
