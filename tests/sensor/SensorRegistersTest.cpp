// Sensor register widths, the register packet and the timing program table.
#include "sensor/SensorRegisters.h"
#include "sensor/SensorTimingProgram.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct WidthCase {
    int address;
    int bits;
};

class SensorValueWidth : public testing::TestWithParam<WidthCase> {};

TEST_P(SensorValueWidth, FollowsTheAddressRange) {
    EXPECT_EQ(SensorValueBits(GetParam().address), GetParam().bits);
    EXPECT_EQ(IsSensorAddressValid(GetParam().address), GetParam().bits != 0);
}

INSTANTIATE_TEST_SUITE_P(Ranges, SensorValueWidth,
                         testing::Values(WidthCase{0, 6}, WidthCase{100, 6}, WidthCase{191, 6},
                                         WidthCase{192, 0}, WidthCase{200, 0}, WidthCase{255, 0},
                                         WidthCase{256, 16}, WidthCase{383, 16}, WidthCase{384, 22},
                                         WidthCase{512, 22}, WidthCase{1023, 22},
                                         WidthCase{1024, 0}, WidthCase{-1, 0},
                                         WidthCase{0x1C0, 22}));

struct PacketCase {
    int address;
    std::uint32_t value;
    std::vector<std::uint8_t> head; // bytes 0 to 5
};

class SensorPacket : public testing::TestWithParam<PacketCase> {};

TEST_P(SensorPacket, CarriesLengthAndWordLeastSignificantByteFirst) {
    const CommandPacket packet = MakeSensorRegisterPacket(GetParam().address, GetParam().value);
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(packet[i], GetParam().head[i]) << i;
    for (std::size_t i = 6; i < packet.size(); ++i)
        EXPECT_EQ(packet[i], 0) << i;
}

INSTANTIATE_TEST_SUITE_P(Examples, SensorPacket,
                         testing::Values(PacketCase{512, 0x036030, {4, 32, 0x00, 0xC2, 0x80, 0x0D}},
                                         PacketCase{100, 0xFF, {4, 16, 0x64, 0xFC, 0x00, 0x00}},
                                         // 16-bit registers: the value above bit 15 is cut
                                         PacketCase{300, 0x12345, {4, 26, 0x2C, 0x15, 0x8D, 0x00}},
                                         // 22 value bits fill the word up to bit 31
                                         PacketCase{
                                             1023, 0xFFFFFFFF, {4, 32, 0xFF, 0xFF, 0xFF, 0xFF}},
                                         PacketCase{0, 0, {4, 16, 0, 0, 0, 0}}));

TEST(TimingProgram, Has478WordsOf22BitsFromRegister512) {
    EXPECT_EQ(kSensorTimingProgramFirstRegister, 512);
    EXPECT_EQ(kSensorTimingProgramLength, 478);
    for (int i = 0; i < kSensorTimingProgramLength; ++i)
        EXPECT_LT(kSensorTimingProgram[i], 1u << 22) << i;
}

TEST(TimingProgram, SpotChecksAgainstTheListedWords) {
    struct Spot {
        int reg;
        std::uint32_t word;
    };
    const Spot spots[] = {{512, 0x036030}, {513, 0x10E05F}, {536, 0x3FE641}, {537, 0x036030},
                          {559, 0x3FE641}, {623, 0x07012C}, {687, 0x04E0D2}, {720, 0x3FE6FE},
                          {899, 0x304185}, {906, 0x12431F}, {911, 0x068352}, {927, 0x072032},
                          {975, 0x14415D}, {987, 0x13C6FC}, {988, 0x07A6FD}, {989, 0x3FE6FE}};
    for (const Spot& s : spots)
        EXPECT_EQ(kSensorTimingProgram[s.reg - kSensorTimingProgramFirstRegister], s.word) << s.reg;
}

TEST(TimingProgram, EveryWordIsAsListed) {
    // FNV-1a over the three low bytes of each word, least significant first, and the plain sum,
    // both taken from the listed words: any changed, moved or missing word shows.
    std::uint32_t hash = 2166136261u;
    std::uint32_t sum = 0;
    for (int i = 0; i < kSensorTimingProgramLength; ++i) {
        const std::uint32_t word = kSensorTimingProgram[i];
        sum += word;
        for (int b = 0; b < 3; ++b)
            hash = (hash ^ ((word >> (8 * b)) & 0xFF)) * 16777619u;
    }
    EXPECT_EQ(hash, 0x62F93B41u);
    EXPECT_EQ(sum, 0x19138A6Du);
}

TEST(TimingProgram, RunsCloseOnTheirEndWords) {
    // Every run ends in 0x3FE641 or 0x3FE6FE and the program ends with one.
    int closers = 0;
    for (int i = 0; i < kSensorTimingProgramLength; ++i)
        if (kSensorTimingProgram[i] == 0x3FE641 || kSensorTimingProgram[i] == 0x3FE6FE) ++closers;
    EXPECT_EQ(kSensorTimingProgram[kSensorTimingProgramLength - 1], 0x3FE6FEu);
    EXPECT_EQ(closers, 12);
}

} // namespace
