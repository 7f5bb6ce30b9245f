// Device access layer: building command packets.
#include "device/CommandPacket.h"

CommandPacket MakePacket(std::uint8_t command, std::initializer_list<std::uint8_t> bytes) {
    CommandPacket packet{};
    packet[0] = command;
    std::size_t i = 1;
    for (std::uint8_t b : bytes) {
        if (i >= packet.size()) break;
        packet[i++] = b;
    }
    return packet;
}

CommandPacket MakeTransferLengthPacket(std::uint32_t transferLength) {
    return MakePacket(CMD_TRANSFER_LENGTH, {static_cast<std::uint8_t>(transferLength),
                                            static_cast<std::uint8_t>(transferLength >> 8),
                                            static_cast<std::uint8_t>(transferLength >> 16),
                                            static_cast<std::uint8_t>(transferLength >> 24)});
}

CommandPacket MakeRomReadPacket(std::uint16_t address) {
    return MakePacket(CMD_ROM_READ,
                      {kRomDeviceSelect, 0x02, 0x01, static_cast<std::uint8_t>(address >> 8),
                       static_cast<std::uint8_t>(address)});
}

CommandPacket MakeRomIdWritePacket(std::uint8_t index, std::uint8_t value) {
    return MakePacket(CMD_ROM_WRITE, {kRomDeviceSelect, 0x03, 0x18, index, value});
}
