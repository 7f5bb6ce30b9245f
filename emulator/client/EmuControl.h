// Client of the virtual camera's control device, for the travik-emu tool and for tests.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "TravikEmuControl.h"

namespace travik_emu {

// The camera device path of a device number: "\\.\Tvik380TZ4rdx-<c>".
std::string CameraPath(unsigned device);

// An open handle on the control device \\.\TravikCamEmu.
class ControlDevice {
  public:
    ControlDevice();
    ~ControlDevice();
    ControlDevice(const ControlDevice&) = delete;
    ControlDevice& operator=(const ControlDevice&) = delete;

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    // Every control request goes through here: true when the driver accepted it and, when
    // `exactOutput` is set, returned exactly outSize bytes. On failure GetLastError() says why.
    bool Call(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
              DWORD* returned = nullptr, bool exactOutput = true) const;

  private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

// One request each, on a control handle of their own. All return true on success; on failure
// GetLastError() holds the reason (ERROR_FILE_NOT_FOUND when the driver is not running).
bool QueryDriver(TravikEmuDriverInfo& info);
bool ResetDevice(unsigned device); // power-on state, pattern scene, pacing auto, log cleared
bool ClearLog(unsigned device);    // command log and counters
// The newest `count` packets, oldest first; `total` gets the packets recorded since the last clear.
bool ReadLog(unsigned device, unsigned count, std::vector<TravikEmuLogEntry>& entries,
             unsigned* total = nullptr, bool clearAfter = false);
std::vector<TravikEmuLogEntry> ReadLog(unsigned device, unsigned count = TRAVIK_EMU_LOG_CAPACITY);
bool ReadStats(unsigned device, TravikEmuStats& stats);
bool ReadRegs(unsigned device, TravikEmuRegisters& regs);
bool Unplug(unsigned device);
bool Plug(unsigned device);
bool Trigger(unsigned device);
bool SetPattern(unsigned device, unsigned kind, const std::array<unsigned, 4>& values = {},
                unsigned seed = 0);
bool SetPatternScene(unsigned device);
bool SetPatternFlat(unsigned device, unsigned value);
bool SetPatternBayer(unsigned device, unsigned r, unsigned g1, unsigned g2, unsigned b);
bool SetPatternRamp(unsigned device);
bool SetPatternNoise(unsigned device, unsigned seed);
// Replays `samples` (whole 1280 x 960 frames of 10-bit samples, one after the other) in a loop,
// the frame number drawn over each frame when `stamp` is set. A refused set leaves the pattern.
bool SetPatternFrames(unsigned device, const std::vector<unsigned short>& samples, bool stamp);
bool SetPacing(unsigned device, unsigned mode, unsigned milliFps = 0); // TravikEmuPacingMode
bool SetPacingOff(unsigned device);
bool SetFault(unsigned device, unsigned kind, unsigned value = 0); // TravikEmuFaultKind
bool SetInputBits(unsigned device, unsigned bits);
bool ReadRom(unsigned device, unsigned address, unsigned count, std::vector<unsigned char>& bytes);
bool WriteRom(unsigned device, unsigned address, unsigned value);

} // namespace travik_emu
