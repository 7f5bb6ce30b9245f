// Registers, serial ROM and the unsupported operations through the DLL with the virtual camera.
#include "CameraFixture.h"

#include "EmuControl.h"

namespace {

// Device 0 starts and ends at power-on: these tests write its registers and ROM.
class Registers : public CameraTest {
  protected:
    void SetUp() override {
        travik_emu::ResetDevice(0);
        CameraTest::SetUp();
    }
    void TearDown() override {
        CameraTest::TearDown();
        travik_emu::ResetDevice(0);
    }
};

TEST_F(Registers, ShadowHoldsTheStartUpProgram) {
    int ok = 0;
    EXPECT_EQ(Travik_ReadRegisterEx(handle, 512, &ok), 0x036030);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(Travik_ReadRegisterEx(handle, 989, &ok), 0x3FE6FE);
}

TEST_F(Registers, NarrowExportsTakeTheLowBitsOfAddressAndValue) {
    EXPECT_EQ(Travik_WriteRegister(handle, 0x105, 0x12345), 1);
    EXPECT_EQ(Travik_ReadRegisterEx(handle, 5, nullptr), 0x2345); // shadow keeps the unmasked 16 bits
    TravikEmuRegisters regs = {};
    ASSERT_TRUE(travik_emu::ReadRegs(0, regs));
    EXPECT_EQ(regs.sensor[5], 0x2345u & 0x3F); // six value bits reach the sensor
    EXPECT_EQ(Travik_ReadRegister(handle, 0x105, nullptr), 0x2345);
}

TEST_F(Registers, RefusedAddressesReportCode6) {
    int ok = 1;
    EXPECT_EQ(Travik_WriteRegister(handle, 0x1C0, 1), 0); // register 0xC0 is not addressable
    EXPECT_EQ(Travik_ReadRegister(handle, 0x1C0, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Travik_WriteRegisterEx(handle, 1024, 1), 0);
    EXPECT_EQ(DrainErrors(), (std::vector<int>{ERR_DEVICE_IO, ERR_DEVICE_IO, ERR_DEVICE_IO}));
    EXPECT_EQ(Travik_WriteRegisterEx(handle, 0x1C0, 0x3FFFFF), 1); // register 448, 22 bits
    EXPECT_EQ(Travik_ReadRegisterEx(handle, 448, nullptr), 0x3FFFFF);
}

TEST_F(Registers, RomIdentificationBytesRoundTrip) {
    std::vector<unsigned char> rom;
    ASSERT_TRUE(travik_emu::ReadRom(0, 0x1805, 1, rom));
    int ok = 0;
    EXPECT_EQ(Travik_ReadSromID(handle, 0x105, &ok), rom[0]);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(Travik_WriteSromID(handle, 0x20, 0x5A), 1);
    EXPECT_EQ(Travik_ReadSromID(handle, 0x20, &ok), 0x5A);
    ASSERT_TRUE(travik_emu::ReadRom(0, 0x1820, 1, rom));
    EXPECT_EQ(rom[0], 0x5A);
    EXPECT_TRUE(DrainErrors().empty());
}

TEST_F(Registers, RomFailureIsPostedNotPushed) {
    ASSERT_TRUE(travik_emu::Unplug(0));
    int ok = 1;
    EXPECT_EQ(Travik_ReadSromID(handle, 0, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Travik_WriteSromID(handle, 0, 1), 0);
    EXPECT_TRUE(DrainErrors().empty());
    EXPECT_EQ(PostedErrors(), (std::vector<LPARAM>{ERR_UNAVAILABLE, ERR_UNAVAILABLE}));
}

TEST_F(Registers, UnsupportedOperationsPostCode11Only) {
    EXPECT_EQ(Travik_Fps(handle), 0);
    EXPECT_EQ(Travik_Fpga_WriteRegister(handle, 1, 2), 0);
    EXPECT_EQ(Travik_SetSamplingRate(handle, 5), 0);
    EXPECT_TRUE(DrainErrors().empty());
    EXPECT_EQ(PostedErrors(), (std::vector<LPARAM>{ERR_NOT_SUPPORTED, ERR_NOT_SUPPORTED, ERR_NOT_SUPPORTED}));
    int value = 77;
    EXPECT_EQ(Travik_GetVideoFormat(handle, &value), 0);
    EXPECT_EQ(value, 0);
    value = 77;
    EXPECT_EQ(Travik_GetSamplingRate(handle, &value), 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(Travik_GetSamplingRate(handle, nullptr), 0);
    EXPECT_EQ(Travik_GetStatus(handle, nullptr), 0);
    EXPECT_TRUE(DrainErrors().empty());
    EXPECT_TRUE(PostedErrors().empty());
}

TEST(UnknownHandles, RegisterAndUnsupportedExportsFailSilently) {
    int value = 77, ok = 5;
    EXPECT_EQ(Travik_ReadRegisterEx(0, 512, &ok), 0);
    EXPECT_EQ(ok, 5);
    EXPECT_EQ(Travik_WriteRegister(0, 1, 1), 0);
    EXPECT_EQ(Travik_ReadSromID(0, 0, &ok), 0);
    EXPECT_EQ(Travik_Fps(0), 0);
    EXPECT_EQ(Travik_GetVideoFormat(0, &value), 0);
    EXPECT_EQ(value, 77);
    EXPECT_TRUE(travik_test::CollectThreadMessages(WM_CAMERA_ERROR).empty());
}

} // namespace
