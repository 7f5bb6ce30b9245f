// Sensor model: the 478-word timing program of the image sensor.
#pragma once

#include <cstdint>

constexpr int kSensorTimingProgramFirstRegister = 512;
constexpr int kSensorTimingProgramLength = 478; // registers 512 to 989

extern const std::uint32_t kSensorTimingProgram[kSensorTimingProgramLength];
