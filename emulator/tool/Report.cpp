// Text reports of the travik-emu tool: status, counters, registers, command log and ROM dumps.
#include "Report.h"

#include "EmuControl.h"

namespace travik_emu {

std::string LocalTimeText(unsigned long long systemTime) {
    FILETIME utc = {static_cast<DWORD>(systemTime), static_cast<DWORD>(systemTime >> 32)};
    SYSTEMTIME universal = {}, local = {};
    if (!FileTimeToSystemTime(&utc, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        return "?";
    char text[32];
    snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u", local.wYear, local.wMonth,
             local.wDay, local.wHour, local.wMinute, local.wSecond);
    return text;
}

void PrintSettingsHome(FILE* out, const TravikEmuDriverInfo& info, const std::string& driverFile,
                       const std::string& winePrefix) {
    fprintf(out,
            "settings: kept by the driver loaded %s from %s, until changed, reset, "
            "removed or the driver stops\n",
            LocalTimeText(info.loadedAt).c_str(), driverFile.c_str());
    if (!winePrefix.empty())
        fprintf(out,
                "under Wine: the driver lives in the device host of the prefix %s, which "
                "stops with its wineserver (./travik wine --stop)\n",
                winePrefix.c_str());
}

const char* PatternName(unsigned kind) {
    switch (kind) {
    case TRAVIK_EMU_PATTERN_SCENE:
        return "scene";
    case TRAVIK_EMU_PATTERN_FLAT:
        return "flat";
    case TRAVIK_EMU_PATTERN_BAYER:
        return "bayer";
    case TRAVIK_EMU_PATTERN_RAMP:
        return "ramp";
    case TRAVIK_EMU_PATTERN_NOISE:
        return "noise";
    case TRAVIK_EMU_PATTERN_FILE:
        return "file";
    default:
        return "?";
    }
}

const char* FaultName(unsigned kind) {
    switch (kind) {
    case TRAVIK_EMU_FAULT_NONE:
        return "none";
    case TRAVIK_EMU_FAULT_FAIL_READS:
        return "fail-reads";
    case TRAVIK_EMU_FAULT_SHORT_READ:
        return "short-read";
    case TRAVIK_EMU_FAULT_STALL:
        return "stall";
    default:
        return "?";
    }
}

static void PrintPacing(FILE* out, const TravikEmuStats& s) {
    switch (s.pacingMode) {
    case TRAVIK_EMU_PACING_OFF:
        fprintf(out, "off");
        break;
    case TRAVIK_EMU_PACING_FIXED:
        fprintf(out, "%u.%03u fps", s.pacingMilliFps / 1000, s.pacingMilliFps % 1000);
        break;
    default:
        fprintf(out, "auto (%u us)", s.framePeriodUs);
        break;
    }
}

void PrintDeviceLine(FILE* out, unsigned device, const TravikEmuStats& s) {
    fprintf(out, "%2u  %s  %s  sensor %s  %s  %u samples  pattern %s  pacing ", device,
            CameraPath(device).c_str(), s.plugged ? "plugged" : "UNPLUGGED",
            s.sensorStarted ? "started" : "stopped", s.wordMode ? "16-bit" : "8-bit",
            s.transferLength, PatternName(s.patternKind));
    PrintPacing(out, s);
    fprintf(out, "  fault %s", FaultName(s.faultKind));
    if (s.faultKind != TRAVIK_EMU_FAULT_NONE) fprintf(out, " %u", s.faultValue);
    fprintf(out, "  frames %u  handles %u  set %s\n", s.framesDelivered, s.openHandles,
            LocalTimeText(s.settingsSince).c_str());
}

void PrintStats(FILE* out, const TravikEmuStats& s) {
    fprintf(out, "plugged            %u\n", s.plugged);
    fprintf(out, "sensor started     %u\n", s.sensorStarted);
    fprintf(out, "word mode          %u\n", s.wordMode);
    fprintf(out, "trigger mode       %u (latched %u)\n", s.triggerMode, s.triggerLatched);
    fprintf(out, "transfer length    %u samples\n", s.transferLength);
    fprintf(out, "time-out           %u ms\n", s.timeoutMs);
    fprintf(out, "clock              %u kHz\n", s.clockKHz);
    fprintf(out, "pacing             ");
    PrintPacing(out, s);
    fprintf(out, "\npattern            %s\n", PatternName(s.patternKind));
    fprintf(out, "fault              %s %u\n", FaultName(s.faultKind), s.faultValue);
    fprintf(out, "settings since     %s\n", LocalTimeText(s.settingsSince).c_str());
    fprintf(out, "open handles       %u\n", s.openHandles);
    fprintf(out, "pending reads      %u\n", s.pendingReads);
    fprintf(out, "next frame number  %u\n", s.nextFrameNumber);
    fprintf(out, "opens              %u\n", s.opens);
    fprintf(out, "commands           %u (refused %u)\n", s.commands, s.refusedCommands);
    static const char* const kSlots[TRAVIK_EMU_CMD_SLOTS] = {"1 prepare",
                                                             "2 start frame",
                                                             "4 sensor write",
                                                             "9 transfer length",
                                                             "10 word mode",
                                                             "0x25 controller write",
                                                             "0x26 controller read",
                                                             "0x40 ROM write",
                                                             "0x41 ROM read",
                                                             "unknown"};
    for (unsigned i = 0; i < TRAVIK_EMU_CMD_SLOTS; ++i)
        fprintf(out, "  %-22s %u\n", kSlots[i], s.commandCounts[i]);
    fprintf(out, "reply reads        %u (failed %u)\n", s.replyReads, s.replyReadFailures);
    fprintf(out, "frame reads        %u (delivered %u, failed %u, short %u)\n", s.frameReads,
            s.framesDelivered, s.frameReadFailures, s.shortReads);
    fprintf(out, "last frame         %u us to copy, %u us to complete\n", s.lastRenderUs,
            s.lastCompleteUs);
    fprintf(out, "time-out requests  %u\n", s.timeoutRequests);
    fprintf(out, "refused requests   %u\n", s.refusedRequests);
    fprintf(out, "triggers           %u (time-outs %u)\n", s.triggers, s.triggerTimeouts);
}

void PrintRegisters(FILE* out, const TravikEmuRegisters& regs) {
    fprintf(out, "controller registers (hex):\n");
    for (unsigned row = 0; row < 256; row += 16) {
        fprintf(out, "  %02x:", row);
        for (unsigned i = 0; i < 16; ++i)
            fprintf(out, " %02x", regs.controller[row + i]);
        fprintf(out, "\n");
    }
    fprintf(out, "word-mode byte %u, input bits 0x%02x, replies queued %u\n", regs.wordModeByte,
            regs.inputBits, regs.repliesQueued);
    fprintf(out, "sensor registers (address: value, non-zero only, hex):\n");
    unsigned column = 0;
    for (unsigned address = 0; address < TRAVIK_EMU_SENSOR_REGISTERS; ++address) {
        if (!regs.sensor[address]) continue;
        fprintf(out, "%s%3x: %06x", column == 0 ? "  " : "  ", address, regs.sensor[address]);
        if (++column == 6) {
            fprintf(out, "\n");
            column = 0;
        }
    }
    if (column) fprintf(out, "\n");
}

void PrintLog(FILE* out, const std::vector<TravikEmuLogEntry>& entries, unsigned total) {
    fprintf(out, "%u packets recorded, last %zu shown\n", total, entries.size());
    if (entries.empty()) return;
    const unsigned long long start = entries.front().time;
    for (const TravikEmuLogEntry& e : entries) {
        unsigned used = e.length < 64 ? e.length : 64;
        while (used > 1 && e.packet[used - 1] == 0)
            --used;
        unsigned long long us = (e.time - start) / 10;
        fprintf(out, "%6u %8llu.%03llu ms %06x %-8s", e.sequence, us / 1000, us % 1000, e.code,
                e.status == 0 ? "ok" : "refused");
        for (unsigned i = 0; i < used; ++i)
            fprintf(out, " %02x", e.packet[i]);
        if (e.length != 64) fprintf(out, "  (%u bytes)", e.length);
        fprintf(out, "\n");
    }
}

void PrintRom(FILE* out, unsigned address, const std::vector<unsigned char>& bytes) {
    for (size_t offset = 0; offset < bytes.size(); offset += 16) {
        size_t n = bytes.size() - offset < 16 ? bytes.size() - offset : 16;
        fprintf(out, "%04zx:", address + offset);
        for (size_t i = 0; i < 16; ++i) {
            if (i < n)
                fprintf(out, " %02x", bytes[offset + i]);
            else
                fprintf(out, "   ");
        }
        fprintf(out, "  |");
        for (size_t i = 0; i < n; ++i) {
            unsigned char c = bytes[offset + i];
            fputc(c >= 32 && c < 127 ? c : '.', out);
        }
        fprintf(out, "|\n");
    }
}

} // namespace travik_emu
