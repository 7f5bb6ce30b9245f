// The travik-emu tool as scripts use it: verbs, their output and their exit status.
#include <memory>
#include <string>

#include "EmuTestSupport.h"

namespace emu_test {
namespace {

using Tool = EmulatorTest;

struct HandleCloser {
    void operator()(HANDLE h) const {
        if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

std::string ToolPath() {
    char path[MAX_PATH];
    std::string self(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return self.substr(0, self.find_last_of('\\') + 1) + "travik-emu.exe";
}

// Runs travik-emu with `args`; returns its exit status and puts stdout and stderr in `output`,
// with plain LF line ends.
DWORD RunTool(const std::string& args, std::string& output) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readRaw = nullptr, writeRaw = nullptr;
    if (!CreatePipe(&readRaw, &writeRaw, &inherit, 0)) return DWORD(-1);
    UniqueHandle readEnd(readRaw), writeEnd(writeRaw);
    SetHandleInformation(readRaw, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = writeRaw;
    startup.hStdError = writeRaw;
    std::string command = "\"" + ToolPath() + "\" " + args;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process))
        return DWORD(-1);
    UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
    writeEnd.reset(); // so that the read below ends when the tool exits

    char buffer[4096];
    DWORD got = 0;
    output.clear();
    while (ReadFile(readRaw, buffer, sizeof(buffer), &got, nullptr) && got)
        for (DWORD i = 0; i < got; ++i)
            if (buffer[i] != '\r') output += buffer[i]; // text-mode output ends lines with CR LF
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = DWORD(-1);
    GetExitCodeProcess(process.hProcess, &exitCode);
    return exitCode;
}

TEST_F(Tool, StatusListsEveryDevice) {
    std::string out;
    ASSERT_EQ(RunTool("status", out), 0u) << out;
    EXPECT_NE(out.find("4 devices"), std::string::npos) << out;
    for (unsigned device = 0; device < kDevices; ++device)
        EXPECT_NE(out.find(travik_emu::CameraPath(device)), std::string::npos) << out;
}

TEST_F(Tool, InstallAgainWithTheSameCountLeavesTheDriverRunning) {
    Camera camera(0);
    ASSERT_TRUE(camera.ok());
    std::string out;
    ASSERT_EQ(RunTool("install --devices 4", out), 0u) << out;
    EXPECT_NE(out.find("already running"), std::string::npos) << out;
    EXPECT_TRUE(camera.Send({1})) << "open handles survive";
}

TEST_F(Tool, InstallWithAnotherCountRestartsTheDriverWithThatCount) {
    struct Restore {
        ~Restore() {
            std::string ignored;
            RunTool("install --devices 4", ignored); // what the harness installed
        }
    } restore;
    std::string out;
    ASSERT_EQ(RunTool("install --devices 2", out), 0u) << out;
    TravikEmuDriverInfo info = {};
    ASSERT_TRUE(travik_emu::QueryDriver(info));
    EXPECT_EQ(info.deviceCount, 2u);
    EXPECT_FALSE(Camera(2).ok());
    ASSERT_EQ(RunTool("install --devices 4", out), 0u) << out;
    ASSERT_TRUE(travik_emu::QueryDriver(info));
    EXPECT_EQ(info.deviceCount, kDevices);
    EXPECT_TRUE(Camera(3).ok());
}

TEST_F(Tool, VerbsSteerTheCamera) {
    std::string out;
    ASSERT_EQ(RunTool("pattern 2 bayer 1 2 3 0x3FF", out), 0u) << out;
    ASSERT_EQ(RunTool("pacing 2 12.5", out), 0u) << out;
    ASSERT_EQ(RunTool("fault 2 fail-reads 3", out), 0u) << out;
    TravikEmuStats stats = Stats(2);
    EXPECT_EQ(stats.patternKind, unsigned(TRAVIK_EMU_PATTERN_BAYER));
    EXPECT_EQ(stats.pacingMilliFps, 12500u);
    EXPECT_EQ(stats.faultKind, unsigned(TRAVIK_EMU_FAULT_FAIL_READS));
    EXPECT_EQ(stats.faultValue, 3u);
    ASSERT_EQ(RunTool("unplug 2", out), 0u) << out;
    EXPECT_EQ(Stats(2).plugged, 0u);
    ASSERT_EQ(RunTool("plug 2", out), 0u) << out;
    EXPECT_EQ(Stats(2).plugged, 1u);
    ASSERT_EQ(RunTool("rom 2 set 0x1840 0x7e", out), 0u) << out;
    ASSERT_EQ(RunTool("rom 2 get 0x1800 0x48", out), 0u) << out;
    EXPECT_NE(out.find("|Travik380TZ4-RDX|"), std::string::npos) << out;
    EXPECT_NE(out.find("1840: 7e"), std::string::npos) << out;
}

TEST_F(Tool, LogPrintsPacketsAsHexAndClears) {
    {
        Camera camera(1);
        ASSERT_TRUE(camera.Send({0x25, 11, 1}));
        ASSERT_TRUE(camera.Send({4, 32, 0x00, 0xC2, 0x80, 0x0D}));
    }
    std::string out;
    ASSERT_EQ(RunTool("log 1 --last 1 --clear", out), 0u) << out;
    EXPECT_NE(out.find("2 packets recorded, last 1 shown"), std::string::npos) << out;
    EXPECT_NE(out.find(" 04 20 00 c2 80 0d\n"), std::string::npos) << out;
    EXPECT_EQ(out.find(" 25 0b 01"), std::string::npos) << out;
    EXPECT_EQ(Stats(1).commands, 0u);
}

TEST_F(Tool, RegsAndStatsShowTheCamera) {
    {
        Camera camera(3);
        ASSERT_TRUE(camera.WriteController(15, 3));
        ASSERT_TRUE(camera.WriteSensor(512, 0x036030));
    }
    std::string out;
    ASSERT_EQ(RunTool("regs 3", out), 0u) << out;
    EXPECT_NE(out.find("200: 036030"), std::string::npos) << out;
    ASSERT_EQ(RunTool("stats 3", out), 0u) << out;
    EXPECT_NE(out.find("clock              40000 kHz"), std::string::npos) << out;
}

struct BadCall {
    const char* args;
    DWORD status;
};

class ToolRefuses : public EmulatorTest, public ::testing::WithParamInterface<BadCall> {};

TEST_P(ToolRefuses, WithANonZeroStatusAndOneLine) {
    std::string out;
    EXPECT_EQ(RunTool(GetParam().args, out), GetParam().status) << out;
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.find('\n'), out.size() - 1) << out;
    EXPECT_EQ(out.rfind("travik-emu: ", 0), 0u) << out;
}

INSTANTIATE_TEST_SUITE_P(Calls, ToolRefuses,
                         ::testing::Values(BadCall{"", 2}, BadCall{"frobnicate 0", 2},
                                           BadCall{"pattern 0 flat 1024", 2},
                                           BadCall{"pattern 0 checkerboard", 2},
                                           BadCall{"pacing 0 fast", 2}, BadCall{"fault 0 stall", 2},
                                           BadCall{"rom 0 get 0x2000", 2},
                                           BadCall{"install --devices 33", 2},
                                           BadCall{"trigger 9", 1}, BadCall{"stats x", 2}));

} // namespace
} // namespace emu_test
