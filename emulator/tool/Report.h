// Text reports of the travik-emu tool: status, counters, registers, command log and ROM dumps.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "TravikEmuControl.h"

namespace travik_emu {

const char* PatternName(unsigned kind);
const char* FaultName(unsigned kind);

// A system time (100 ns since 1601, UTC) as local "YYYY-MM-DD HH:MM:SS".
std::string LocalTimeText(unsigned long long systemTime);
// Where what the cameras were told is kept, since when and until what: the running driver loaded
// from `driverFile`, and under Wine the device host of `winePrefix` (empty elsewhere).
void PrintSettingsHome(FILE* out, const TravikEmuDriverInfo& info, const std::string& driverFile,
                       const std::string& winePrefix);
// One line per camera: path, plug state, sensor, format, pattern, pacing, fault, frames, and when
// its settings were last changed.
void PrintDeviceLine(FILE* out, unsigned device, const TravikEmuStats& stats);
void PrintStats(FILE* out, const TravikEmuStats& stats);
void PrintRegisters(FILE* out, const TravikEmuRegisters& regs);
// Packets as hex, each with its sequence number, time since the first one shown, control code and
// outcome; trailing zero bytes are left out.
void PrintLog(FILE* out, const std::vector<TravikEmuLogEntry>& entries, unsigned total);
void PrintRom(FILE* out, unsigned address, const std::vector<unsigned char>& bytes);

} // namespace travik_emu
