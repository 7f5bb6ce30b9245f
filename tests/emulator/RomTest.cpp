// The serial ROM: identification area, variant byte, writes through packets and through the tool.
#include <string>

#include "EmuTestSupport.h"

namespace emu_test {
namespace {

using Rom = EmulatorTest;

std::string ReadString(const Camera& camera, unsigned address, unsigned maxLength) {
    std::string text;
    for (unsigned i = 0; i < maxLength; ++i) {
        unsigned value = 0;
        EXPECT_TRUE(camera.ReadRomByte(address + i, value));
        if (!value) break;
        text += char(value);
    }
    return text;
}

TEST_F(Rom, IdentificationAreaHoldsModelAndASerialPerDevice) {
    std::string serials[kDevices];
    for (unsigned device = 0; device < kDevices; ++device) {
        Camera camera(device);
        EXPECT_EQ(ReadString(camera, 0x1800, 16), "Travik380TZ4-RDX");
        serials[device] = ReadString(camera, 0x1810, 16);
        EXPECT_FALSE(serials[device].empty());
        for (unsigned other = 0; other < device; ++other)
            EXPECT_NE(serials[device], serials[other]);
    }
}

TEST_F(Rom, VariantByteIsZero) {
    Camera camera(0);
    unsigned value = 0xFF;
    ASSERT_TRUE(camera.ReadRomByte(0x1EB0, value));
    EXPECT_EQ(value, 0u);
}

TEST_F(Rom, PacketWriteGoesToTheIdentificationAreaAndLastsAcrossHandles) {
    {
        Camera camera(1);
        ASSERT_TRUE(camera.Send({0x40, 0x51, 0x03, 0x18, 0x05, 0xA7}));
    }
    Camera camera(1);
    unsigned value = 0;
    ASSERT_TRUE(camera.ReadRomByte(0x1805, value));
    EXPECT_EQ(value, 0xA7u);
    Camera other(2);
    ASSERT_TRUE(other.ReadRomByte(0x1805, value));
    EXPECT_NE(value, 0xA7u) << "each device has its own ROM";
}

TEST_F(Rom, ReadReplyCarriesAnAcknowledgementFirst) {
    Camera camera(0);
    ASSERT_TRUE(camera.Send({0x41, 0x51, 0x02, 0x01, 0x18, 0x00}));
    Packet ack, data;
    ASSERT_TRUE(camera.ReadReply(ack));
    ASSERT_TRUE(camera.ReadReply(data));
    EXPECT_EQ(ack[0], 0x41);
    EXPECT_EQ(data[0], 'T');
}

TEST_F(Rom, ToolReadsAndWritesAnyAddress) {
    ASSERT_TRUE(travik_emu::WriteRom(3, 0x0010, 0x42));
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(travik_emu::ReadRom(3, 0x000F, 3, bytes));
    EXPECT_EQ(bytes, (std::vector<unsigned char>{0xFF, 0x42, 0xFF})) << "an erased ROM reads 0xFF";
    Camera camera(3);
    unsigned value = 0;
    ASSERT_TRUE(camera.ReadRomByte(0x0010, value));
    EXPECT_EQ(value, 0x42u);
    ASSERT_TRUE(travik_emu::ReadRom(3, 0x1FFF, 1, bytes));
    EXPECT_FALSE(travik_emu::ReadRom(3, 0x1FFF, 2, bytes));
    EXPECT_FALSE(travik_emu::WriteRom(3, 0x2000, 1));
    EXPECT_FALSE(travik_emu::WriteRom(3, 0x10, 0x100));
}

} // namespace
} // namespace emu_test
