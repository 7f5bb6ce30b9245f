// Sensor model: how sensor registers are addressed, how wide their values are, and their packet.
#pragma once

#include <cstdint>

#include "device/CommandPacket.h"

constexpr int kSensorRegisterCount = 1024; // 10-bit addresses

// Value bits of a sensor register: 6 below 192, 16 from 256 to 383, 22 from 384 to 1023, and
// 0 for the unaddressable 192 to 255 and anything outside 0 to 1023.
int SensorValueBits(int address);
inline bool IsSensorAddressValid(int address) {
    return SensorValueBits(address) != 0;
}
inline std::uint32_t SensorValueMask(int address) {
    return (std::uint32_t{1} << SensorValueBits(address)) - 1;
}

// Command 4: byte 1 is the serial word's length (value bits + 10), bytes 2 to 5 the word
// address | (masked value << 10), least significant byte first. Only for valid addresses.
CommandPacket MakeSensorRegisterPacket(int address, std::uint32_t value);
