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
    ::testing::Values(UsageCase{"", "usage: travikcam"},
                      UsageCase{"frobnicate", "unknown command 'frobnicate'"},
                      UsageCase{"snap -o x.png", "snap needs --format"},
                      UsageCase{"snap --format gif -o x.gif", "snap needs --format"},
                      UsageCase{"snap --format jpeg --quality 50 -o x.jpg", "--quality 100, 70"},
                      UsageCase{"snap --format png", "snap needs -o FILE"},
                      UsageCase{"snap --format png --color 12 -o x.png", "--color needs"},
                      UsageCase{"record --ms 0 -o x.avi", "--ms needs"},
                      UsageCase{"record --ms 100", "record needs -o"},
                      UsageCase{"list --device", "--device needs"}));

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

TEST_F(TravikcamTest, PreviewCountsTheFramesItShowed) {
    const Outcome run = Travikcam("preview --seconds 1 --color 8");
    EXPECT_EQ(run.status, 0u) << run.output;
    EXPECT_TRUE(Contains(run.output, "previewed")) << run.output;
    EXPECT_FALSE(Contains(run.output, "previewed 0 frames")) << run.output;
}

} // namespace
