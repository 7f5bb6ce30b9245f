// Device and sensor tests against the virtual camera: fixtures, log helpers, frame numbers.
#pragma once

#include "EmuControl.h"
#include "sensor/Travik380TZ4RDXSdk.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace camera_test {

// The virtual camera every test of these programs talks to; the model always opens it first.
constexpr unsigned kDevice = 0;

// One 64-byte command packet as the test expects it: the bytes that matter, zeros after them.
using Bytes = std::vector<std::uint8_t>;

// The sensor register packet, encoded here independently of the library.
Bytes SensorPacket(int address, std::uint32_t value);

// Every packet of the command log since it was last cleared, oldest first.
std::vector<Bytes> LoggedPackets(unsigned device = kDevice);

// Compares logged packets with the expected ones, byte for byte over all 64 bytes.
testing::AssertionResult PacketsAre(const std::vector<Bytes>& logged,
                                    const std::vector<Bytes>& expected);

// The virtual camera's counters and registers now.
TravikEmuStats Stats(unsigned device = kDevice);
TravikEmuRegisters Registers(unsigned device = kDevice);

// The frame number that the virtual camera draws into the last four rows of a frame whose rows
// are 1280 samples: 32 blocks of 8 samples, most significant bit first. -1 when the four rows
// disagree or a block is neither fully on nor fully off.
std::int64_t FrameNumber(const std::uint8_t* window, int width, int height, int wordMode);

// A model object on a freshly reset virtual camera, its log cleared after construction.
class CameraTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Waits up to `ms` for the transfer thread to end by itself.
    bool WaitForTransferEnd(DWORD ms);

    std::unique_ptr<CTravik380TZ4RDXSdk> model;
};

} // namespace camera_test
