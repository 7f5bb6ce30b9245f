// Command packets and replies: what each command does, what the log records, what is refused.
#include "EmuTestSupport.h"

namespace emu_test {
namespace {

using Commands = EmulatorTest;

TravikEmuRegisters Registers(unsigned device) {
    TravikEmuRegisters regs = {};
    EXPECT_TRUE(travik_emu::ReadRegs(device, regs));
    return regs;
}

struct CommandCase {
    const char* name;
    Packet packet;
    unsigned slot;
};

class EveryCommand : public EmulatorTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(EveryCommand, IsAcceptedCountedAndLoggedExactly) {
    const CommandCase& c = GetParam();
    Camera camera(0);
    ASSERT_TRUE(camera.Send(c.packet)) << c.name << ": error " << GetLastError();
    std::vector<TravikEmuLogEntry> log = travik_emu::ReadLog(0, 10);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(memcmp(log[0].packet, c.packet.data(), 64), 0);
    EXPECT_EQ(log[0].status, 0);
    EXPECT_EQ(log[0].code, kInDirect);
    EXPECT_EQ(log[0].length, 64u);
    TravikEmuStats stats = Stats(0);
    EXPECT_EQ(stats.commands, 1u);
    EXPECT_EQ(stats.refusedCommands, 0u);
    EXPECT_EQ(stats.commandCounts[c.slot], 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Packets, EveryCommand,
    ::testing::Values(
        CommandCase{"prepare", MakePacket({1}), TRAVIK_EMU_CMD_PREPARE},
        CommandCase{"start", MakePacket({2}), TRAVIK_EMU_CMD_START_FRAME},
        CommandCase{"sensor", MakePacket({4, 32, 0x00, 0xC2, 0x80, 0x0D}),
                    TRAVIK_EMU_CMD_SENSOR_WRITE},
        CommandCase{"length", MakePacket({9, 0x00, 0xC0, 0x12, 0x00}),
                    TRAVIK_EMU_CMD_TRANSFER_LENGTH},
        CommandCase{"word", MakePacket({10, 1}), TRAVIK_EMU_CMD_WORD_MODE},
        CommandCase{"ctlwrite", MakePacket({0x25, 15, 3}), TRAVIK_EMU_CMD_CONTROLLER_WRITE},
        CommandCase{"ctlread", MakePacket({0x26, 15}), TRAVIK_EMU_CMD_CONTROLLER_READ},
        CommandCase{"romwrite", MakePacket({0x40, 0x51, 0x03, 0x18, 0x20, 0x5A}),
                    TRAVIK_EMU_CMD_ROM_WRITE},
        CommandCase{"romread", MakePacket({0x41, 0x51, 0x02, 0x01, 0x18, 0x00}),
                    TRAVIK_EMU_CMD_ROM_READ}),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

TEST_F(Commands, SensorWritesDecodeAddressAndValueByWordLength) {
    Camera camera(0);
    ASSERT_TRUE(camera.Send({4, 32, 0x00, 0xC2, 0x80, 0x0D})); // 512 = 0x036030, 22 bits
    ASSERT_TRUE(camera.Send({4, 16, 0x64, 0xFC, 0x00, 0x00})); // 100 = 0x3F, 6 bits
    ASSERT_TRUE(camera.WriteSensor(300, 0xBEEF));              // 16 bits
    ASSERT_TRUE(camera.WriteSensor(1023, 0x3FFFFF));
    TravikEmuRegisters regs = Registers(0);
    EXPECT_EQ(regs.sensor[512], 0x036030u);
    EXPECT_EQ(regs.sensor[100], 0x3Fu);
    EXPECT_EQ(regs.sensor[300], 0xBEEFu);
    EXPECT_EQ(regs.sensor[1023], 0x3FFFFFu);
}

TEST_F(Commands, TransferLengthAndControllerRegistersZeroToThreeMirrorEachOther) {
    Camera camera(0);
    ASSERT_TRUE(camera.SetTransferLength(1230848));
    TravikEmuRegisters regs = Registers(0);
    EXPECT_EQ(regs.controller[0] | regs.controller[1] << 8 | regs.controller[2] << 16 |
                  regs.controller[3] << 24,
              1230848u);
    for (unsigned i = 0; i < 4; ++i)
        ASSERT_TRUE(camera.WriteController(i, (307200 >> (8 * i)) & 0xFF));
    EXPECT_EQ(Stats(0).transferLength, 307200u);
}

TEST_F(Commands, ControllerReadQueuesAnAcknowledgementThenTheValue) {
    Camera camera(2);
    ASSERT_TRUE(camera.WriteController(15, 3));
    ASSERT_TRUE(camera.Send({0x26, 15}));
    EXPECT_EQ(Registers(2).repliesQueued, 2u);
    Packet ack, data;
    ASSERT_TRUE(camera.ReadReply(ack));
    EXPECT_EQ(ack[0], 0x26);
    ASSERT_TRUE(camera.ReadReply(data));
    EXPECT_EQ(data[0], 3);
    EXPECT_FALSE(camera.ReadReply(data)) << "nothing is left to read";
    TravikEmuStats stats = Stats(2);
    EXPECT_EQ(stats.replyReads, 3u);
    EXPECT_EQ(stats.replyReadFailures, 1u);
}

TEST_F(Commands, ReplyReadWithNothingQueuedFails) {
    Camera camera(0);
    Packet reply;
    EXPECT_FALSE(camera.ReadReply(reply));
}

TEST_F(Commands, ANewReadReplacesRepliesLeftUnread) {
    Camera camera(0);
    ASSERT_TRUE(camera.WriteController(20, 0x11));
    ASSERT_TRUE(camera.WriteController(21, 0x22));
    ASSERT_TRUE(camera.Send({0x26, 20}));
    unsigned value = 0;
    ASSERT_TRUE(camera.ReadController(21, value));
    EXPECT_EQ(value, 0x22u);
}

TEST_F(Commands, IoPortReadsBackTheLastWriteWithTheInputBits) {
    Camera camera(1);
    unsigned value = 0xFF;
    ASSERT_TRUE(camera.WriteController(7, 0x05));
    ASSERT_TRUE(camera.ReadController(7, value));
    EXPECT_EQ(value, 0x05u);
    ASSERT_TRUE(travik_emu::SetInputBits(1, 0xA0));
    ASSERT_TRUE(camera.ReadController(7, value));
    EXPECT_EQ(value, 0xA5u);
    EXPECT_FALSE(travik_emu::SetInputBits(1, 0x100));
}

TEST_F(Commands, WordModeByteIsRecordedOnly) {
    Camera camera(0);
    ASSERT_TRUE(camera.Send({10, 1}));
    TravikEmuRegisters regs = Registers(0);
    EXPECT_EQ(regs.wordModeByte, 1u);
    EXPECT_EQ(regs.controller[14], 0u);
    EXPECT_EQ(Stats(0).wordMode, 0u);
}

TEST_F(Commands, ResetPulseAndSensorRegister32StartTheSensor) {
    Camera camera(0);
    ASSERT_TRUE(camera.WriteSensor(32, 11));
    EXPECT_FALSE(Stats(0).sensorStarted) << "no reset pulse yet";
    ASSERT_TRUE(camera.WriteController(6, 17));
    EXPECT_EQ(Registers(0).sensor[32], 0u) << "the pulse resets the sensor's registers";
    ASSERT_TRUE(camera.WriteController(6, 0));
    EXPECT_FALSE(Stats(0).sensorStarted);
    ASSERT_TRUE(camera.WriteSensor(32, 11));
    EXPECT_TRUE(Stats(0).sensorStarted);
}

TEST_F(Commands, UnknownCommandsAreRecordedAndRefused) {
    Camera camera(0);
    for (unsigned command : {0u, 3u, 0x27u, 0xFFu}) {
        EXPECT_FALSE(camera.Send({command, 1, 2, 3})) << command;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
    }
    std::vector<TravikEmuLogEntry> log = travik_emu::ReadLog(0, 10);
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[3].packet[0], 0xFF);
    EXPECT_LT(log[3].status, 0);
    TravikEmuStats stats = Stats(0);
    EXPECT_EQ(stats.refusedCommands, 4u);
    EXPECT_EQ(stats.commandCounts[TRAVIK_EMU_CMD_UNKNOWN], 4u);
}

TEST_F(Commands, MalformedSerialWordsAndRomSelectorsAreRefused) {
    Camera camera(0);
    EXPECT_FALSE(camera.Send({4, 10, 1, 0, 0, 0}));
    EXPECT_FALSE(camera.Send({4, 33, 1, 0, 0, 0}));
    EXPECT_FALSE(camera.Send({0x40, 0x50, 0x03, 0x18, 0, 0}));
    EXPECT_FALSE(camera.Send({0x41, 0x51, 0x02, 0x01, 0x20, 0x00})) << "beyond the 8 KiB ROM";
    EXPECT_FALSE(camera.SetTransferLength(TRAVIK_EMU_MAX_TRANSFER_SAMPLES + 1));
    EXPECT_EQ(Stats(0).refusedCommands, 5u);
}

TEST_F(Commands, LogKeepsTheLast4096PacketsInOrderWithTheirTime) {
    Camera camera(3);
    const unsigned sent = TRAVIK_EMU_LOG_CAPACITY + 10;
    for (unsigned i = 0; i < sent; ++i)
        ASSERT_TRUE(camera.Send({0x25, 40, i & 0xFF}));
    std::vector<TravikEmuLogEntry> log;
    unsigned total = 0;
    ASSERT_TRUE(travik_emu::ReadLog(3, TRAVIK_EMU_LOG_CAPACITY, log, &total));
    EXPECT_EQ(total, sent);
    ASSERT_EQ(log.size(), size_t(TRAVIK_EMU_LOG_CAPACITY));
    for (unsigned i = 0; i < log.size(); ++i) {
        unsigned sequence = sent - TRAVIK_EMU_LOG_CAPACITY + i;
        ASSERT_EQ(log[i].sequence, sequence);
        ASSERT_EQ(log[i].packet[2], sequence & 0xFF);
        if (i) ASSERT_GE(log[i].time, log[i - 1].time);
    }
    std::vector<TravikEmuLogEntry> last = travik_emu::ReadLog(3, 2);
    ASSERT_EQ(last.size(), 2u);
    EXPECT_EQ(last[1].sequence, sent - 1);
}

TEST_F(Commands, ClearingTheLogZeroesItAndTheCountersOfThatDeviceOnly) {
    Camera zero(0), one(1);
    ASSERT_TRUE(zero.Send({1}));
    ASSERT_TRUE(one.Send({1}));
    std::vector<TravikEmuLogEntry> log;
    unsigned total = 0;
    ASSERT_TRUE(travik_emu::ReadLog(0, 10, log, &total, true)); // read, then clear
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(travik_emu::ReadLog(0).size(), 0u);
    EXPECT_EQ(Stats(0).commands, 0u);
    EXPECT_EQ(Stats(1).commands, 1u);
    ASSERT_TRUE(travik_emu::ClearLog(1));
    EXPECT_EQ(Stats(1).commands, 0u);
    ASSERT_TRUE(zero.Send({2}, kOutDirect));
    log = travik_emu::ReadLog(0);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].sequence, 0u);
    EXPECT_EQ(log[0].code, kOutDirect);
}

TEST_F(Commands, ResetRestoresPowerOnState) {
    {
        Camera camera(0);
        ASSERT_TRUE(camera.Start());
        ASSERT_TRUE(camera.Send({0x40, 0x51, 0x03, 0x18, 0x00, 0x41}));
    }
    ASSERT_TRUE(travik_emu::SetPatternFlat(0, 100));
    ASSERT_TRUE(travik_emu::ResetDevice(0));
    TravikEmuStats stats = Stats(0);
    EXPECT_FALSE(stats.sensorStarted);
    EXPECT_EQ(stats.transferLength, 0u);
    EXPECT_EQ(stats.patternKind, unsigned(TRAVIK_EMU_PATTERN_SCENE));
    EXPECT_EQ(stats.pacingMode, unsigned(TRAVIK_EMU_PACING_AUTO));
    EXPECT_EQ(stats.commands, 0u);
    EXPECT_EQ(stats.nextFrameNumber, 1u);
    std::vector<unsigned char> rom;
    ASSERT_TRUE(travik_emu::ReadRom(0, 0x1800, 1, rom));
    EXPECT_EQ(rom[0], 'T');
}

} // namespace
} // namespace emu_test
