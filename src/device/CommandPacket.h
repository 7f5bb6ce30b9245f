// Device access layer: the 64-byte command packets that the camera's command pipe takes.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>

#include "device/DriverInterface.h"

using CommandPacket = std::array<std::uint8_t, driver::kPacketBytes>;

// Byte 0 of every packet.
enum CommandNumber : std::uint8_t {
    CMD_PREPARE = 1,
    CMD_START_FRAME = 2,
    CMD_SENSOR_REGISTER = 4,
    CMD_TRANSFER_LENGTH = 9,
    CMD_WORD_MODE = 10,
    CMD_CONTROLLER_WRITE = 0x25,
    CMD_CONTROLLER_READ = 0x26,
    CMD_ROM_WRITE = 0x40,
    CMD_ROM_READ = 0x41,
};

// Selects the serial ROM on its bus in every ROM packet.
constexpr std::uint8_t kRomDeviceSelect = 0x51;
// The identification area; the camera never reads below it.
constexpr int kRomIdBase = 0x1800;
constexpr int kRomVariantAddress = 0x1EB0;

// Controller register indexes.
enum ControllerRegister : int {
    CTRL_TRANSFER_LENGTH_0 = 0, // 0 to 3: transfer length, least significant byte first
    CTRL_RESET = 6,
    CTRL_IO_PORT = 7,
    CTRL_TRIGGER_MODE = 11,
    CTRL_WORD_MODE = 14,
    CTRL_CLOCK = 15,
};

// The command number, then `bytes`, then zeros.
CommandPacket MakePacket(std::uint8_t command, std::initializer_list<std::uint8_t> bytes = {});

// Command 9: the transfer length in pixels, 32-bit little-endian.
CommandPacket MakeTransferLengthPacket(std::uint32_t transferLength);

// Command 0x41: read one ROM byte at a 16-bit address.
CommandPacket MakeRomReadPacket(std::uint16_t address);

// Command 0x40: write one byte of the identification area.
CommandPacket MakeRomIdWritePacket(std::uint8_t index, std::uint8_t value);
