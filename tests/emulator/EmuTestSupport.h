// Helpers of the virtual camera tests: a camera handle used the way the SDK uses it, and a fixture.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <initializer_list>
#include <vector>

#include "EmuControl.h"

namespace emu_test {

constexpr unsigned kDevices = 4; // the test harness installs the driver with four cameras
constexpr unsigned kWidth = 1280;
constexpr unsigned kFullFrame = 1280 * 960;
constexpr DWORD kOutDirect = TRAVIK_CAM_IOCTL_PIPE_OUT_DIRECT;
constexpr DWORD kInDirect = TRAVIK_CAM_IOCTL_PIPE_IN_DIRECT;

using Packet = std::array<unsigned char, 64>;

Packet MakePacket(std::initializer_list<unsigned> bytes);

// A handle on camera device `device`, opened as the SDK opens it.
class Camera {
  public:
    explicit Camera(unsigned device);
    ~Camera();
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;

    bool ok() const { return m_handle != INVALID_HANDLE_VALUE; }
    DWORD openError() const { return m_openError; }
    HANDLE handle() const { return m_handle; }

    // One DeviceIoControl with a 4-byte pipe index; true when it returned TRUE.
    bool Transfer(DWORD code, DWORD pipe, void* data, DWORD length, DWORD* returned) const;
    // A 64-byte command packet; true when accepted in full.
    bool Send(const Packet& packet, DWORD code = kInDirect) const;
    bool Send(std::initializer_list<unsigned> bytes, DWORD code = kInDirect) const {
        return Send(MakePacket(bytes), code);
    }
    bool ReadReply(Packet& reply) const;
    bool SetTimeout(unsigned ms) const;

    bool WriteController(unsigned index, unsigned value) const;
    // Command 0x26 and the two replies; the value is byte 0 of the second.
    bool ReadController(unsigned index, unsigned& value) const;
    bool ReadRomByte(unsigned address, unsigned& value) const;
    // Command 4 with the serial word length of the address range (16, 26 or 32 bits).
    bool WriteSensor(unsigned address, unsigned value) const;
    bool SetTransferLength(unsigned samples) const;
    // What the SDK does before streaming: reset pulse, sensor register 32, length, word mode.
    bool Start(unsigned samples = kFullFrame, bool wordMode = false) const;
    // Command 2, then one read of `frame.size()` bytes on the image pipe.
    bool ReadFrame(std::vector<unsigned char>& frame, DWORD* returned = nullptr) const;

  private:
    HANDLE m_handle;
    DWORD m_openError = 0;
};

// Sample `index` of a frame: a byte, or a little-endian 16-bit word in word mode.
unsigned Sample(const std::vector<unsigned char>& frame, size_t index, bool wordMode);
// The frame number in the 8-pixel blocks at the start of a row, 1023 (or 255) for a one bit.
unsigned FrameNumberAt(const std::vector<unsigned char>& frame, size_t row, bool wordMode);
// The frame number of a frame of `samples` samples: its fourth-last full row.
unsigned FrameNumber(const std::vector<unsigned char>& frame, size_t samples, bool wordMode);

TravikEmuStats Stats(unsigned device);

using Clock = std::chrono::steady_clock;
inline long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Every test starts and ends with the cameras at power-on, unpaced, so tests do not leak state
// into each other or into the suites of other subsystems.
class EmulatorTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};

} // namespace emu_test
