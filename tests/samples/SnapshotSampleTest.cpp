// The snapshot sample as an application developer runs it: the picture it writes from the virtual
// camera, its messages and its exit status.
#include "EmuControl.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

travik_test::ProgramRun Snapshot(const std::string& arguments) {
    return travik_test::RunProgram("\"" + travik_test::ProgramDirectory() + "snapshot.exe\" " +
                                   arguments);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

uint16_t U16(const std::vector<unsigned char>& b, size_t o) {
    return static_cast<uint16_t>(b[o] | b[o + 1] << 8);
}

class SnapshotSampleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        travik_test::DeleteSdkRegistry();
        TravikEmuDriverInfo info = {};
        ASSERT_TRUE(travik_emu::QueryDriver(info));
        m_devices = info.deviceCount;
        for (unsigned device = 0; device < m_devices; ++device)
            ASSERT_TRUE(travik_emu::ResetDevice(device));
    }
    void TearDown() override {
        for (unsigned device = 0; device < m_devices; ++device) {
            travik_emu::Plug(device);
            travik_emu::ResetDevice(device);
        }
        travik_test::DeleteSdkRegistry();
        for (const std::string& path : m_files)
            DeleteFileA(path.c_str());
    }
    std::string Output(const char* name) {
        m_files.push_back(travik_test::TempFilePath(name));
        DeleteFileA(m_files.back().c_str());
        return m_files.back();
    }
    unsigned m_devices = 0;
    std::vector<std::string> m_files;
};

TEST_F(SnapshotSampleTest, WritesAWholeTwentyFourBitBmpOfTheSensor) {
    const std::string path = Output("snapshot_sample.bmp");
    const travik_test::ProgramRun run = Snapshot(path);
    ASSERT_EQ(run.status, 0u) << run.output;
    EXPECT_TRUE(Contains(run.output, "camera: Travik380TZ4-RDX_01")) << run.output;
    EXPECT_TRUE(Contains(run.output, "saved " + path + " (1280 x 960)")) << run.output;

    const std::vector<unsigned char> bmp = travik_test::ReadFileHead(path, SIZE_MAX);
    const size_t pixelBytes = 1280u * 3u * 960u; // rows of 3840 bytes need no padding
    ASSERT_EQ(bmp.size(), 54u + pixelBytes);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(travik_test::LittleEndian32(bmp, 2), bmp.size()); // file size
    EXPECT_EQ(travik_test::LittleEndian32(bmp, 10), 54u);       // pixel data offset
    EXPECT_EQ(travik_test::LittleEndian32(bmp, 14), 40u);       // BITMAPINFOHEADER
    EXPECT_EQ(travik_test::LittleEndian32(bmp, 18), 1280u);
    EXPECT_EQ(travik_test::LittleEndian32(bmp, 22), 960u); // bottom-up rows
    EXPECT_EQ(U16(bmp, 26), 1u);
    EXPECT_EQ(U16(bmp, 28), 24u);
    EXPECT_EQ(travik_test::LittleEndian32(bmp, 30), 0u); // BI_RGB
    // The virtual camera's scene is not one flat colour: a picture of it has more than one value.
    bool varies = false;
    for (size_t i = 54; i < bmp.size() && !varies; i += 997)
        varies = bmp[i] != bmp[54];
    EXPECT_TRUE(varies);
}

struct FormatCase {
    const char* name;
    std::vector<unsigned char> magic;
};

class SnapshotSampleFormat : public SnapshotSampleTest,
                             public ::testing::WithParamInterface<FormatCase> {};

TEST_P(SnapshotSampleFormat, TheExtensionChoosesTheFileForm) {
    const std::string path = Output(GetParam().name);
    const travik_test::ProgramRun run = Snapshot(path);
    ASSERT_EQ(run.status, 0u) << run.output;
    EXPECT_EQ(travik_test::ReadFileHead(path, GetParam().magic.size()), GetParam().magic);
}

INSTANTIATE_TEST_SUITE_P(Extensions, SnapshotSampleFormat,
                         ::testing::Values(FormatCase{"snapshot_sample.jpg", {0xFF, 0xD8, 0xFF}},
                                           FormatCase{"snapshot_sample.png", {0x89, 'P', 'N', 'G'}},
                                           FormatCase{"snapshot_sample.tif", {'I', 'I', 42, 0}}),
                         [](const auto& info) { return std::string(info.param.name).substr(16); });

TEST_F(SnapshotSampleTest, AFileThatCannotBeWrittenFailsWithOne) {
    const travik_test::ProgramRun run = Snapshot(travik_test::TempFilePath("no\\such\\dir\\x.bmp"));
    EXPECT_EQ(run.status, 1u);
    EXPECT_TRUE(Contains(run.output, "snapshot: saving the picture failed")) << run.output;
}

TEST_F(SnapshotSampleTest, NoCameraFailsWithOneAndSaysSo) {
    for (unsigned device = 0; device < m_devices; ++device)
        ASSERT_TRUE(travik_emu::Unplug(device));
    const std::string path = Output("snapshot_sample_none.bmp");
    const travik_test::ProgramRun run = Snapshot(path);
    EXPECT_EQ(run.status, 1u);
    EXPECT_TRUE(Contains(run.output, "snapshot: no camera found")) << run.output;
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SnapshotSampleTest, TheFirstPresentCameraIsUsedWhenDeviceZeroIsUnplugged) {
    ASSERT_TRUE(travik_emu::Unplug(0));
    const std::string path = Output("snapshot_sample_second.bmp");
    const travik_test::ProgramRun run = Snapshot(path);
    ASSERT_EQ(run.status, 0u) << run.output;
    EXPECT_TRUE(Contains(run.output, "camera: Travik380TZ4-RDX_02")) << run.output;
    EXPECT_EQ(travik_test::ReadFileHead(path, 2), (std::vector<unsigned char>{'B', 'M'}));
}

// A start that fails says which step failed, with which error, and what state the program's
// file was in, so that the cause of such a failure can be told from its log.
TEST_F(SnapshotSampleTest, AProgramThatCannotStartIsReportedWithItsFile) {
    const std::string missing = travik_test::ProgramDirectory() + "no_such_sample.exe";
    const travik_test::ProgramRun run = travik_test::RunProgram("\"" + missing + "\" x.bmp");
    EXPECT_EQ(run.status, 0xFFFFFFFFu);
    EXPECT_NE(run.startError, 0u);
    EXPECT_TRUE(Contains(run.output, "CreateProcess failed with error")) << run.output;
    EXPECT_TRUE(Contains(run.output, missing + " cannot be found")) << run.output;

    const std::string present = travik_test::ProgramDirectory() + "snapshot.exe";
    const travik_test::ProgramRun usage = travik_test::RunProgram("\"" + present + "\" a b");
    EXPECT_EQ(usage.startError, 0u);
    EXPECT_FALSE(Contains(usage.output, "could not start")) << usage.output;
}

TEST_F(SnapshotSampleTest, ExtraArgumentsShowTheUsage) {
    const travik_test::ProgramRun run = Snapshot("a.bmp b.bmp");
    EXPECT_EQ(run.status, 2u);
    EXPECT_TRUE(Contains(run.output, "usage: snapshot")) << run.output;
}

} // namespace
