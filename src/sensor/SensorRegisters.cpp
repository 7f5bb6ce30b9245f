// Sensor model: register widths and the sensor register packet.
#include "sensor/SensorRegisters.h"

int SensorValueBits(int address) {
    if (address < 0 || address >= kSensorRegisterCount) return 0;
    if (address < 192) return 6;
    if (address < 256) return 0;
    if (address < 384) return 16;
    return 22;
}

CommandPacket MakeSensorRegisterPacket(int address, std::uint32_t value) {
    const int bits = SensorValueBits(address);
    const std::uint32_t word =
        (static_cast<std::uint32_t>(address) & 0x3FF) | ((value & SensorValueMask(address)) << 10);
    return MakePacket(CMD_SENSOR_REGISTER,
                      {static_cast<std::uint8_t>(bits + 10), static_cast<std::uint8_t>(word),
                       static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word >> 16),
                       static_cast<std::uint8_t>(word >> 24)});
}
