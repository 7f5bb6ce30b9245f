// travikcam as a shell runs it: exit status, messages, and the files it writes from the virtual
// camera.
#include "EmuControl.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Outcome = travik_test::ProgramRun;

// Runs travikcam.exe from the test's own directory with `arguments` and collects its output.
Outcome Travikcam(const std::string& arguments) {
    return travik_test::RunProgram("\"" + travik_test::ProgramDirectory() + "travikcam.exe\" " +
                                   arguments);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string TempPath(const char* name) {
    return travik_test::TempFilePath(name);
}

std::vector<unsigned char> Head(const std::string& path, size_t bytes) {
    return travik_test::ReadFileHead(path, bytes);
}

uint32_t U32(const std::vector<unsigned char>& b, size_t o) {
    return travik_test::LittleEndian32(b, o);
}

class TravikcamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        travik_test::DeleteSdkRegistry();
        ASSERT_TRUE(travik_emu::ResetDevice(0));
    }
    void TearDown() override {
        travik_test::DeleteSdkRegistry();
        travik_emu::ResetDevice(0);
    }
};

struct UsageCase {
    const char* arguments;
    const char* message;
};

class TravikcamUsage : public TravikcamTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(TravikcamUsage, WrongArgumentsExitWithTwoAndSayWhy) {
    const Outcome run = Travikcam(GetParam().arguments);
    EXPECT_EQ(run.status, 2u);
    EXPECT_TRUE(Contains(run.output, GetParam().message)) << run.output;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, TravikcamUsage,
    ::testing::Values(
        UsageCase{"", "usage: travikcam"}, UsageCase{"frobnicate", "unknown command 'frobnicate'"},
        UsageCase{"snap -o x.png", "snap needs --format"},
        UsageCase{"snap --format gif -o x.gif", "snap needs --format"},
        UsageCase{"snap --format jpeg --quality 50 -o x.jpg", "--quality 100, 70"},
        UsageCase{"snap --format png", "snap needs -o FILE"},
        UsageCase{"snap --format png --color 12 -o x.png", "--color needs"},
        UsageCase{"record --ms 0 -o x.avi", "--ms needs"},
        UsageCase{"record --ms 100", "record needs -o"},
        UsageCase{"list --device", "--device needs"},
        // Numbers past 32 bits are refused, not clamped. Should a refusal ever
        // fail, a recording into the full disk ends at once instead of filling
        // a real one.
        UsageCase{"record --ms 99999999999 -o Z:\\dev\\full", "--ms needs"},
        UsageCase{"record --ms 2147483648 -o Z:\\dev\\full", "--ms needs"},
        UsageCase{"--device 4294967296 info", "--device needs"},
        UsageCase{"preview --seconds 99999999999999999999", "--seconds needs"},
        UsageCase{"snap --format png --color 4294967320 -o x.png", "--color needs"},
        // Options that mean nothing to the verb are refused, not ignored.
        UsageCase{"list --color 24", "--color does not apply to list"},
        UsageCase{"info -o x.png", "-o does not apply to info"},
        UsageCase{"snap --format png --ms 100 -o x.png", "--ms does not apply to snap"},
        UsageCase{"record --format png -o Z:\\dev\\full", "--format does not apply to record"},
        UsageCase{"record --seconds 2 -o Z:\\dev\\full", "--seconds does not apply"},
        UsageCase{"preview --ms 100", "--ms does not apply to preview"},
        UsageCase{"snap --format png --quality 70 -o x.png",
                  "--quality applies to --format jpeg only"},
        UsageCase{"list extra", "unexpected argument 'extra'"},
        UsageCase{"settings", "settings needs save FILE, load FILE or show"},
        UsageCase{"settings keep x.txt", "settings needs"},
        UsageCase{"settings save", "settings needs"},
        UsageCase{"settings show x.txt", "settings needs"},
        UsageCase{"settings save a.txt b.txt", "unexpected argument 'b.txt'"},
        UsageCase{"settings --color 8 show", "--color does not apply to settings"},
        // The recording's codec and what only MJPEG takes.
        UsageCase{"record --codec h264 -o x.avi", "--codec needs raw or mjpeg"},
        UsageCase{"record --quality 90 -o x.avi", "apply to --codec mjpeg only"},
        UsageCase{"record --pre 2 -o x.avi", "apply to --codec mjpeg only"},
        UsageCase{"record --codec mjpeg --quality 0 -o x.avi", "--quality needs 1 to 100"},
        UsageCase{"record --codec mjpeg --chroma 422 -o x.avi", "--chroma needs 420 or 444"},
        UsageCase{"record --codec mjpeg --post -1 -o x.avi", "--post needs a number of seconds"},
        UsageCase{"record --codec mjpeg --pre 601 -o x.avi", "--pre keeps at most 600 seconds"},
        UsageCase{"snap --format png --sidecar -o x.png", "--sidecar does not apply to snap"}));

TEST_F(TravikcamTest, SettingsAreSavedShownAndLoadedAndABadLineIsToldByItsNumber) {
    const std::string path = TempPath("travikcam_settings.txt");
    DeleteFileA(path.c_str());
    Outcome run = Travikcam("settings save " + path);
    EXPECT_EQ(run.status, 0u) << run.output;
    const std::vector<unsigned char> saved = Head(path, 4096);
    EXPECT_TRUE(Contains(std::string(saved.begin(), saved.end()), "gamma = 100"));
    run = Travikcam("settings show");
    EXPECT_EQ(run.status, 0u) << run.output;
    EXPECT_TRUE(Contains(run.output, "wait_time = 1")) << run.output;
    EXPECT_EQ(Travikcam("settings load " + path).status, 0u);

    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("# by hand\ngamma = 250\n", file);
    std::fclose(file);
    run = Travikcam("settings load " + path);
    EXPECT_EQ(run.status, 1u);
    EXPECT_TRUE(Contains(run.output, "travikcam_settings.txt:2: gamma = 250 is out of range"))
        << run.output;
    DeleteFileA(path.c_str());
}

TEST_F(TravikcamTest, HelpExitsWithZero) {
    const Outcome run = Travikcam("--help");
    EXPECT_EQ(run.status, 0u);
    EXPECT_TRUE(Contains(run.output, "snap --format bmp|raw|jpeg|png|tiff"));
}

TEST_F(TravikcamTest, ListNamesTheVirtualCameras) {
    const Outcome run = Travikcam("list");
    EXPECT_EQ(run.status, 0u) << run.output;
    EXPECT_TRUE(Contains(run.output, "device 0: Travik380TZ4-RDX_01")) << run.output;
}

TEST_F(TravikcamTest, InfoShowsTheSensor) {
    const Outcome run = Travikcam("info");
    EXPECT_EQ(run.status, 0u) << run.output;
    EXPECT_TRUE(Contains(run.output, "sensor        1280 x 960")) << run.output;
}

struct SnapCase {
    const char* format;
    const char* name;
    std::vector<unsigned char> magic;
};

class TravikcamSnap : public TravikcamTest, public ::testing::WithParamInterface<SnapCase> {};

TEST_P(TravikcamSnap, WritesTheFileOfItsFormat) {
    const std::string path = TempPath(GetParam().name);
    DeleteFileA(path.c_str());
    const Outcome run =
        Travikcam(std::string("snap --color 24 --format ") + GetParam().format + " -o " + path);
    EXPECT_EQ(run.status, 0u) << run.output;
    EXPECT_TRUE(Contains(run.output, "wrote")) << run.output;
    EXPECT_EQ(Head(path, GetParam().magic.size()), GetParam().magic);
    DeleteFileA(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TravikcamSnap,
    ::testing::Values(SnapCase{"bmp", "travikcam_test.bmp", {'B', 'M'}},
                      SnapCase{"jpeg --quality 20", "travikcam_test.jpg", {0xFF, 0xD8, 0xFF}},
                      SnapCase{"png", "travikcam_test.png", {0x89, 'P', 'N', 'G'}},
                      SnapCase{"tiff", "travikcam_test.tif", {'I', 'I', 42, 0}}),
    [](const auto& info) { return std::string(info.param.name).substr(15); });

TEST_F(TravikcamTest, SnapIntoAMissingDirectoryFailsWithOne) {
    const Outcome run = Travikcam("snap --format png -o " + TempPath("no\\such\\dir\\x.png"));
    EXPECT_EQ(run.status, 1u);
    EXPECT_TRUE(Contains(run.output, "saving the picture failed")) << run.output;
}

TEST_F(TravikcamTest, AbsentDeviceFailsWithOneAndTheReason) {
    const Outcome run = Travikcam("--device 31 snap --format png -o " + TempPath("x.png"));
    EXPECT_EQ(run.status, 1u);
    EXPECT_TRUE(Contains(run.output, "selecting the device failed")) << run.output;
}

TEST_F(TravikcamTest, RecordWritesAFinishedAviOfTheCamera) {
    const std::string path = TempPath("travikcam_test.avi");
    DeleteFileA(path.c_str());
    const Outcome run = Travikcam("record --ms 500 --color 8 -o " + path);
    EXPECT_EQ(run.status, 0u) << run.output;
    EXPECT_TRUE(Contains(run.output, "frames of 1280 x 960")) << run.output;
    const std::vector<unsigned char> header = Head(path, 232);
    ASSERT_EQ(header.size(), 232u);
    EXPECT_NE(U32(header, 4), 0u); // RIFF size: the file was finished
    EXPECT_GT(U32(header, 48), 0u);
    DeleteFileA(path.c_str());
}

// Output into a pipe: one progress line at a time, never rewritten in place, and the summary last.
TEST_F(TravikcamTest, RecordProgressIntoAPipeIsLinesEndingWithTheSummary) {
    const std::string path = TempPath("travikcam_progress.avi");
    DeleteFileA(path.c_str());
    const Outcome run = Travikcam("record --ms 2500 --color 24 -o " + path);
    EXPECT_EQ(run.status, 0u) << run.output;
    // Lines end in "\r\n" on Windows; a carriage return anywhere else would rewrite a line.
    for (size_t at = run.output.find('\r'); at != std::string::npos;
         at = run.output.find('\r', at + 1))
        EXPECT_EQ(run.output[at + 1], '\n') << run.output;
    std::vector<std::string> lines;
    for (size_t at = 0; at < run.output.size();) {
        const size_t end = run.output.find('\n', at);
        lines.push_back(run.output.substr(at, end == std::string::npos ? end : end - at));
        at = end == std::string::npos ? run.output.size() : end + 1;
    }
    ASSERT_GE(lines.size(), 3u) << run.output;
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        EXPECT_TRUE(Contains(lines[i], " / 2.5 s ")) << lines[i];
        EXPECT_TRUE(Contains(lines[i], " frames ")) << lines[i];
        EXPECT_TRUE(Contains(lines[i], " fps ")) << lines[i];
        EXPECT_TRUE(Contains(lines[i], " MB ")) << lines[i];
        EXPECT_TRUE(Contains(lines[i], "dropped ")) << lines[i];
    }
    // The virtual camera numbers its frames, so the summary counts the ones not recorded.
    const std::string& summary = lines.back();
    EXPECT_TRUE(Contains(summary, "wrote ")) << summary;
    EXPECT_TRUE(Contains(summary, "frames of 1280 x 960")) << summary;
    EXPECT_TRUE(Contains(summary, " MB, ")) << summary;
    EXPECT_TRUE(Contains(summary, " dropped of ")) << summary;
    DeleteFileA(path.c_str());
}

// Runs travikcam with a UTF-16 command line, its output into a file.
Outcome TravikcamWide(const std::wstring& arguments) {
    Outcome run;
    const std::string log = TempPath("travikcam_wide.log");
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) return run;
    const std::string directory = travik_test::ProgramDirectory();
    std::wstring command =
        L"\"" + std::wstring(directory.begin(), directory.end()) + L"travikcam.exe\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process = {};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        DWORD status = 0;
        GetExitCodeProcess(process.hProcess, &status);
        run.status = status;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(output);
    const std::vector<unsigned char> bytes = Head(log, 1 << 16);
    run.output.assign(bytes.begin(), bytes.end());
    DeleteFileA(log.c_str());
    return run;
}

// Greek and CJK names are in no Western ANSI code page: they come through wmain and the wide
// exports as they are.
TEST_F(TravikcamTest, NamesOutsideTheAnsiCodePageAreWrittenAsGiven) {
    const std::string directory = TempPath("");
    const std::wstring base =
        std::wstring(directory.begin(), directory.end()) + L"\u03c6\u03c9\u03c4\u03bf_\u5199\u771f";
    const std::wstring picture = base + L".png", clip = base + L".avi";
    DeleteFileW(picture.c_str());
    DeleteFileW(clip.c_str());
    const Outcome snap = TravikcamWide(L"snap --format png --color 24 -o \"" + picture + L"\"");
    EXPECT_EQ(snap.status, 0u) << snap.output;
    EXPECT_NE(GetFileAttributesW(picture.c_str()), INVALID_FILE_ATTRIBUTES);
    const Outcome record = TravikcamWide(L"record --ms 300 --color 8 -o \"" + clip + L"\"");
    EXPECT_EQ(record.status, 0u) << record.output;
    EXPECT_TRUE(Contains(record.output, "frames of 1280 x 960")) << record.output;
    EXPECT_NE(GetFileAttributesW(clip.c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileW(picture.c_str());
    DeleteFileW(clip.c_str());
}

TEST_F(TravikcamTest, ARecordingToAFullDiskFailsWithOneAndTheReason) {
    const Outcome run = Travikcam("record --ms 300 -o Z:\\dev\\full");
    EXPECT_EQ(run.status, 1u);
    EXPECT_TRUE(Contains(run.output, "starting the recording failed")) << run.output;
    EXPECT_TRUE(Contains(run.output, "error 12")) << run.output;
}

TEST_F(TravikcamTest, PreviewCountsTheFramesItShowed) {
    const Outcome run = Travikcam("preview --seconds 1 --color 8");
    EXPECT_EQ(run.status, 0u) << run.output;
    EXPECT_TRUE(Contains(run.output, "previewed")) << run.output;
    EXPECT_FALSE(Contains(run.output, "previewed 0 frames")) << run.output;
}

} // namespace
