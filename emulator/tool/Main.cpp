// travik-emu: installs and steers the virtual camera driver from the command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "EmuControl.h"
#include "ReplayFile.h"
#include "Report.h"
#include "ServiceControl.h"

using namespace travik_emu;

namespace {

const char kUsage[] =
    "usage: travik-emu VERB [ARGS]\n"
    "  install [--devices N]     install and start the driver with N cameras (default 1)\n"
    "  remove | uninstall        stop and remove the driver\n"
    "  status                    the driver, where the settings are kept, and every camera\n"
    "  plug N | unplug N         attach or detach camera N\n"
    "  trigger N                 software trigger\n"
    "  pattern N scene|flat V|bayer R G1 G2 B|ramp|noise SEED\n"
    "  pattern N file PATH [--bits 8|16] [--no-stamp]\n"
    "                            replay the raw frames of PATH in a loop\n"
    "  pacing N auto|off|FPS     frame rate: from the clock, unpaced, or fixed\n"
    "  fault N none|fail-reads K|short-read B|stall MS\n"
    "  regs N                    controller and sensor registers\n"
    "  log N [--last K] [--clear] command packets as hex (--clear: then clear log and counters)\n"
    "  rom N get ADDR [COUNT] | rom N set ADDR VALUE\n"
    "  stats N                   counters and state\n"
    "  reset N                   power-on state, default pattern and pacing, log cleared\n"
    "Numbers may be decimal or 0x-prefixed hexadecimal. What a camera is told lasts until it is\n"
    "changed, reset or removed, or until the driver stops: the running driver keeps it.\n";

using Args = std::vector<std::string>;

int Fail(const std::string& message) {
    fprintf(stderr, "travik-emu: %s\n", message.c_str());
    return 1;
}

int Usage(const std::string& message) {
    fprintf(stderr, "travik-emu: %s (try: travik-emu help)\n", message.c_str());
    return 2;
}

std::string LastErrorText() {
    DWORD error = GetLastError();
    char text[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             error, 0, text, sizeof(text), nullptr);
    while (n && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == '.'))
        text[--n] = 0;
    if (error == ERROR_FILE_NOT_FOUND) return "the driver is not running (travik-emu install)";
    return std::string(n ? text : "error") + " (" + std::to_string(error) + ")";
}

bool ParseNumber(const std::string& text, unsigned& value, unsigned max = 0xFFFFFFFFu) {
    if (text.empty() || text[0] == '-') return false;
    char* end = nullptr;
    unsigned long long parsed = strtoull(text.c_str(), &end, 0);
    if (*end || parsed > max) return false;
    value = unsigned(parsed);
    return true;
}

// "25", "12.5", "0.1" -> thousandths.
bool ParseMilli(const std::string& text, unsigned& milli) {
    size_t dot = text.find('.');
    unsigned whole = 0, fraction = 0;
    std::string digits = dot == std::string::npos ? "" : text.substr(dot + 1);
    if (!ParseNumber(text.substr(0, dot), whole, 10000) || digits.size() > 3) return false;
    for (char c : digits)
        if (c < '0' || c > '9') return false;
    while (digits.size() < 3)
        digits += '0';
    fraction = unsigned(atoi(digits.c_str()));
    milli = whole * 1000 + fraction;
    return milli > 0;
}

// The device number in args[0], checked against the running driver.
bool DeviceArg(const Args& args, unsigned& device, int& status) {
    if (args.empty() || !ParseNumber(args[0], device, TRAVIK_EMU_MAX_DEVICES - 1)) {
        status = Usage("expected a device number 0 to 31");
        return false;
    }
    TravikEmuDriverInfo info = {};
    if (!QueryDriver(info)) {
        status = Fail(LastErrorText());
        return false;
    }
    if (device >= info.deviceCount) {
        status = Fail("no device " + args[0] + " (the driver has " +
                      std::to_string(info.deviceCount) + ")");
        return false;
    }
    return true;
}

int Done(bool ok, const std::string& what) {
    return ok ? 0 : Fail(what + ": " + LastErrorText());
}

int Install(const Args& args) {
    unsigned devices = 1;
    if (args.size() == 2 && args[0] == "--devices") {
        if (!ParseNumber(args[1], devices, TRAVIK_EMU_MAX_DEVICES) || devices == 0)
            return Usage("--devices takes 1 to 32");
    } else if (!args.empty()) {
        return Usage("install takes only --devices N");
    }
    ServiceResult result = InstallService(devices);
    if (!result.ok()) return Fail(result.error);
    printf("TravikCamEmu: %s\n", result.note.c_str());
    return 0;
}

int Remove(const Args& args) {
    if (!args.empty()) return Usage("remove takes no arguments");
    ServiceResult result = RemoveService();
    if (!result.ok()) return Fail(result.error);
    printf("TravikCamEmu: %s\n", result.note.c_str());
    return 0;
}

// The Wine prefix this program runs in; empty on Windows.
std::string WinePrefix() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return {};
    char prefix[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix));
    return n && n < sizeof(prefix) ? prefix : "of this wineserver";
}

int Status(const Args& args) {
    if (!args.empty()) return Usage("status takes no arguments");
    TravikEmuDriverInfo info = {};
    if (!QueryDriver(info))
        return Fail("the driver is not running (service: " + ServiceStateText() + ")");
    printf("TravikCamEmu: %s, interface %u, %u devices\n", ServiceStateText().c_str(),
           info.interfaceVersion, info.deviceCount);
    PrintSettingsHome(stdout, info, ServiceDriverFile(), WinePrefix());
    for (unsigned device = 0; device < info.deviceCount; ++device) {
        TravikEmuStats stats = {};
        if (!ReadStats(device, stats))
            return Fail("device " + std::to_string(device) + ": " + LastErrorText());
        PrintDeviceLine(stdout, device, stats);
    }
    return 0;
}

// pattern N file PATH [--bits 8|16] [--no-stamp]: a refused file leaves the pattern as it was.
int PatternFile(unsigned device, const Args& a) {
    unsigned bits = 0;
    bool stamp = true;
    for (size_t i = 3; i < a.size(); ++i) {
        if (a[i] == "--no-stamp")
            stamp = false;
        else if (a[i] == "--bits" && i + 1 < a.size() && (a[i + 1] == "8" || a[i + 1] == "16"))
            bits = static_cast<unsigned>(std::stoul(a[++i]));
        else
            return Usage("pattern N file PATH [--bits 8|16] [--no-stamp]");
    }
    ReplayFile file;
    std::string error;
    if (!ReadReplayFile(a[2], bits, file, error)) return Fail(error + "; the pattern is unchanged");
    if (!SetPatternFrames(device, file.samples, stamp))
        return Fail("pattern: " + LastErrorText() + "; the pattern is unchanged");
    printf("pattern: replaying %u frame%s of %u-bit samples from %s%s\n", file.frames,
           file.frames == 1 ? "" : "s", file.bits, a[2].c_str(), stamp ? "" : ", no stamp");
    return 0;
}

int Pattern(unsigned device, const Args& a) {
    unsigned v[4] = {};
    const std::string kind = a.size() > 1 ? a[1] : "";
    if (kind == "scene" && a.size() == 2) return Done(SetPatternScene(device), "pattern");
    if (kind == "ramp" && a.size() == 2) return Done(SetPatternRamp(device), "pattern");
    if (kind == "flat" && a.size() == 3 && ParseNumber(a[2], v[0], 1023))
        return Done(SetPatternFlat(device, v[0]), "pattern");
    if (kind == "noise" && a.size() == 3 && ParseNumber(a[2], v[0]))
        return Done(SetPatternNoise(device, v[0]), "pattern");
    if (kind == "bayer" && a.size() == 6 && ParseNumber(a[2], v[0], 1023) &&
        ParseNumber(a[3], v[1], 1023) && ParseNumber(a[4], v[2], 1023) &&
        ParseNumber(a[5], v[3], 1023))
        return Done(SetPatternBayer(device, v[0], v[1], v[2], v[3]), "pattern");
    if (kind == "file" && a.size() >= 3) return PatternFile(device, a);
    return Usage("pattern N scene|flat V|bayer R G1 G2 B|ramp|noise SEED (values 0 to 1023) | "
                 "file PATH [--bits 8|16] [--no-stamp]");
}

int Pacing(unsigned device, const Args& a) {
    if (a.size() != 2) return Usage("pacing N auto|off|FPS");
    if (a[1] == "auto") return Done(SetPacing(device, TRAVIK_EMU_PACING_AUTO), "pacing");
    if (a[1] == "off") return Done(SetPacing(device, TRAVIK_EMU_PACING_OFF), "pacing");
    unsigned milli = 0;
    if (!ParseMilli(a[1], milli)) return Usage("pacing takes auto, off or a rate like 25 or 7.5");
    return Done(SetPacing(device, TRAVIK_EMU_PACING_FIXED, milli), "pacing");
}

int Fault(unsigned device, const Args& a) {
    unsigned value = 0;
    const std::string kind = a.size() > 1 ? a[1] : "";
    if (kind == "none" && a.size() == 2)
        return Done(SetFault(device, TRAVIK_EMU_FAULT_NONE), "fault");
    if (a.size() == 3 && ParseNumber(a[2], value)) {
        if (kind == "fail-reads")
            return Done(SetFault(device, TRAVIK_EMU_FAULT_FAIL_READS, value), "fault");
        if (kind == "short-read")
            return Done(SetFault(device, TRAVIK_EMU_FAULT_SHORT_READ, value), "fault");
        if (kind == "stall") return Done(SetFault(device, TRAVIK_EMU_FAULT_STALL, value), "fault");
    }
    return Usage("fault N none|fail-reads K|short-read B|stall MS");
}

int Log(unsigned device, const Args& a) {
    unsigned last = TRAVIK_EMU_LOG_CAPACITY;
    bool clear = false;
    for (size_t i = 1; i < a.size(); ++i) {
        if (a[i] == "--clear")
            clear = true;
        else if (a[i] == "--last" && i + 1 < a.size() && ParseNumber(a[i + 1], last))
            ++i;
        else
            return Usage("log N [--last K] [--clear]");
    }
    std::vector<TravikEmuLogEntry> entries;
    unsigned total = 0;
    if (!ReadLog(device, last, entries, &total, clear)) return Fail("log: " + LastErrorText());
    PrintLog(stdout, entries, total);
    return 0;
}

int Rom(unsigned device, const Args& a) {
    unsigned address = 0, value = 1;
    if (a.size() >= 3 && a[1] == "get" && ParseNumber(a[2], address, TRAVIK_EMU_ROM_BYTES - 1) &&
        (a.size() == 3 || (a.size() == 4 && ParseNumber(a[3], value, TRAVIK_EMU_ROM_BYTES)))) {
        std::vector<unsigned char> bytes;
        if (!ReadRom(device, address, value, bytes)) return Fail("rom: " + LastErrorText());
        PrintRom(stdout, address, bytes);
        return 0;
    }
    if (a.size() == 4 && a[1] == "set" && ParseNumber(a[2], address, TRAVIK_EMU_ROM_BYTES - 1) &&
        ParseNumber(a[3], value, 0xFF))
        return Done(WriteRom(device, address, value), "rom");
    return Usage("rom N get ADDR [COUNT] | rom N set ADDR VALUE (ADDR 0 to 0x1FFF)");
}

int DeviceVerb(const std::string& verb, const Args& a) {
    unsigned device = 0;
    int status = 0;
    if (!DeviceArg(a, device, status)) return status;
    if (verb == "plug" && a.size() == 1) return Done(Plug(device), "plug");
    if (verb == "unplug" && a.size() == 1) return Done(Unplug(device), "unplug");
    if (verb == "trigger" && a.size() == 1) return Done(Trigger(device), "trigger");
    if (verb == "reset" && a.size() == 1) return Done(ResetDevice(device), "reset");
    if (verb == "pattern") return Pattern(device, a);
    if (verb == "pacing") return Pacing(device, a);
    if (verb == "fault") return Fault(device, a);
    if (verb == "log") return Log(device, a);
    if (verb == "rom") return Rom(device, a);
    if (verb == "regs" && a.size() == 1) {
        TravikEmuRegisters regs = {};
        if (!ReadRegs(device, regs)) return Fail("regs: " + LastErrorText());
        PrintRegisters(stdout, regs);
        return 0;
    }
    if (verb == "stats" && a.size() == 1) {
        TravikEmuStats stats = {};
        if (!ReadStats(device, stats)) return Fail("stats: " + LastErrorText());
        PrintStats(stdout, stats);
        return 0;
    }
    return Usage("wrong arguments for " + verb);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage("no verb given");
    const std::string verb = argv[1];
    const Args args(argv + 2, argv + argc);
    if (verb == "help" || verb == "--help" || verb == "-h") {
        fputs(kUsage, stdout);
        return 0;
    }
    if (verb == "install") return Install(args);
    if (verb == "remove" || verb == "uninstall") return Remove(args);
    if (verb == "status") return Status(args);
    static const char* const kDeviceVerbs[] = {"plug",   "unplug", "trigger", "pattern",
                                               "pacing", "fault",  "regs",    "log",
                                               "rom",    "stats",  "reset"};
    for (const char* known : kDeviceVerbs)
        if (verb == known) return DeviceVerb(verb, args);
    return Usage("unknown verb " + verb);
}
