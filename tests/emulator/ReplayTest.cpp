// Replay in the virtual camera: raw frames from files come back through the SDK bit for bit, in
// order, with or without the frame number drawn over them; bad files leave the pattern alone.
#include "TravikSdk.h"

#include "EmuControl.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kSamples = 1280 * 960;

std::string ToolPath() {
    return travik_test::ProgramDirectory() + "travik-emu.exe";
}

travik_test::ProgramRun Tool(const std::string& arguments) {
    return travik_test::RunProgram("\"" + ToolPath() + "\" " + arguments);
}

bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written;
}

std::vector<unsigned char> ReadFile(const std::string& path) {
    return travik_test::ReadFileHead(path, kSamples * 2 * 8);
}

// 16-bit little-endian samples, as the SDK's raw saves of colour mode 16 hold them.
void Put16(std::vector<unsigned char>& bytes, size_t index, unsigned value) {
    bytes[2 * index] = static_cast<unsigned char>(value);
    bytes[2 * index + 1] = static_cast<unsigned char>(value >> 8);
}

unsigned Get16(const std::vector<unsigned char>& bytes, size_t index) {
    return bytes[2 * index] | bytes[2 * index + 1] << 8;
}

unsigned PatternKind() {
    TravikEmuStats stats = {};
    EXPECT_TRUE(travik_emu::ReadStats(0, stats));
    return stats.patternKind;
}

class ReplayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        travik_test::DeleteSdkRegistry();
        ASSERT_TRUE(travik_emu::ResetDevice(0));
    }
    void TearDown() override {
        if (m_handle) Travik_Release(m_handle);
        travik_emu::ResetDevice(0);
        travik_test::DeleteSdkRegistry();
        for (const std::string& path : m_files)
            DeleteFileA(path.c_str());
    }
    std::string TempFile(const char* name) {
        m_files.push_back(travik_test::TempFilePath(name));
        DeleteFileA(m_files.back().c_str());
        return m_files.back();
    }
    // The SDK on device 0 in capture state, with the gain and exposure that pass samples unchanged.
    void OpenCamera(int bits) {
        m_handle = Travik_Initialize(nullptr);
        ASSERT_NE(m_handle, 0);
        ASSERT_EQ(Travik_SetDeviceNumber(m_handle, 0), 1);
        ASSERT_EQ(Travik_SetColorMode(m_handle, bits), 1);
        ASSERT_EQ(Travik_SetGlobalGain(m_handle, 512), 1);
        ASSERT_EQ(Travik_SetExposureTime(m_handle, 3), 1);
        ASSERT_EQ(Travik_Capture(m_handle), 1);
        m_bits = bits;
    }
    std::vector<unsigned char> Snap() {
        std::vector<unsigned char> image(kSamples * m_bits / 8);
        EXPECT_EQ(Travik_SnapShot(m_handle, image.data(), static_cast<int>(image.size()), 1), 1);
        return image;
    }
    int m_handle = 0;
    int m_bits = 8;
    std::vector<std::string> m_files;
};

TEST_F(ReplayTest, EightBitSamplesComeBackBitExactWithoutTheStamp) {
    std::vector<unsigned char> frame(kSamples);
    std::mt19937 random(1234);
    for (unsigned char& sample : frame)
        sample = static_cast<unsigned char>(random());
    const std::string path = TempFile("replay_noise8.raw");
    ASSERT_TRUE(WriteFile(path, frame));

    const travik_test::ProgramRun run = Tool("pattern 0 file \"" + path + "\" --no-stamp");
    ASSERT_EQ(run.status, 0u) << run.output;
    EXPECT_NE(run.output.find("replaying 1 frame of 8-bit samples"), std::string::npos)
        << run.output;
    EXPECT_EQ(PatternKind(), unsigned(TRAVIK_EMU_PATTERN_FILE));

    OpenCamera(8);
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(Snap() == frame) << "frame " << i << " differs";
}

TEST_F(ReplayTest, TheSdksOwnRawSaveReplaysToTheSamePicture) {
    // The loop of the README: save raw frames with the SDK, replay them, get the same frames.
    OpenCamera(16);
    Snap();
    const std::string path = TempFile("replay_saved16.raw");
    ASSERT_EQ(Travik_SaveImage(m_handle, path.c_str(), 1), 1);
    const std::vector<unsigned char> saved = ReadFile(path);
    ASSERT_EQ(saved.size(), kSamples * 2);
    Travik_Release(m_handle);
    m_handle = 0;

    const travik_test::ProgramRun run = Tool("pattern 0 file \"" + path + "\" --no-stamp");
    ASSERT_EQ(run.status, 0u) << run.output;
    EXPECT_NE(run.output.find("of 16-bit samples"), std::string::npos) << run.output;
    OpenCamera(16);
    EXPECT_TRUE(Snap() == saved);
}

TEST_F(ReplayTest, FramesOfAFileCycleInOrderUnderTheirNumber) {
    constexpr unsigned kFrames = 3;
    std::vector<unsigned char> file(kSamples * 2 * kFrames);
    for (unsigned f = 0; f < kFrames; ++f)
        for (size_t i = 0; i < kSamples; ++i)
            Put16(file, f * kSamples + i, 100 * (f + 1) + i % 7);
    const std::string path = TempFile("replay_three16.raw");
    ASSERT_TRUE(WriteFile(path, file));
    const travik_test::ProgramRun run = Tool("pattern 0 file \"" + path + "\"");
    ASSERT_EQ(run.status, 0u) << run.output;

    OpenCamera(16);
    unsigned previous = 0;
    std::vector<unsigned> seen;
    for (int shot = 0; shot < 7; ++shot) {
        const std::vector<unsigned char> image = Snap();
        // The stamp: 32 blocks of 8 samples in the last rows, most significant bit first.
        unsigned number = 0;
        for (unsigned bit = 0; bit < 32; ++bit)
            number = number << 1 | (Get16(image, (kSamples - 1280) + bit * 8) == 1023);
        ASSERT_GT(number, previous) << "frame numbers go forward";
        previous = number;
        const unsigned expected = (number - 1) % kFrames;
        for (size_t i : {size_t(0), size_t(1), size_t(640 * 1280 + 5)})
            ASSERT_EQ(Get16(image, i), 100 * (expected + 1) + i % 7) << "frame " << number;
        seen.push_back(expected);
    }
    EXPECT_NE(std::find(seen.begin(), seen.end(), 0u), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), 1u), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), 2u), seen.end());
}

struct BadFile {
    const char* name;
    bool exists;
    std::vector<unsigned char> bytes;
    const char* options;
    const char* message;
};

TEST_F(ReplayTest, BadFilesAreRefusedAndThePatternStays) {
    std::vector<unsigned char> wide(kSamples * 2);
    Put16(wide, 12345, 1024);
    const std::vector<BadFile> cases = {
        {"replay_missing.raw", false, {}, "", "cannot read"},
        {"replay_empty.raw", true, {}, "", "0 bytes is not a whole number of 1280 x 960 frames"},
        {"replay_short.raw", true, std::vector<unsigned char>(1000), "",
         "1000 bytes is not a whole number"},
        {"replay_wide.raw", true, wide, "--bits 16", "sample 12345 is above 1023"},
        {"replay_odd16.raw", true, std::vector<unsigned char>(kSamples * 3), "--bits 16",
         "16-bit samples"},
    };
    ASSERT_TRUE(travik_emu::SetPatternFlat(0, 77));
    for (const BadFile& bad : cases) {
        SCOPED_TRACE(bad.name);
        const std::string path = TempFile(bad.name);
        if (bad.exists) {
            ASSERT_TRUE(WriteFile(path, bad.bytes));
        }
        const travik_test::ProgramRun run = Tool("pattern 0 file \"" + path + "\" " + bad.options);
        EXPECT_EQ(run.status, 1u) << run.output;
        EXPECT_NE(run.output.find(bad.message), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("the pattern is unchanged"), std::string::npos) << run.output;
        EXPECT_EQ(PatternKind(), unsigned(TRAVIK_EMU_PATTERN_FLAT));
    }
    EXPECT_EQ(Tool("pattern 0 file").status, 2u);
    EXPECT_EQ(Tool("pattern 0 file x.raw --bits 12").status, 2u);
}

TEST_F(ReplayTest, DriverRefusesWideSamplesAndFramesOutOfOrder) {
    ASSERT_TRUE(travik_emu::SetPatternFlat(0, 77));
    std::vector<unsigned short> frames(kSamples * 2, 5);
    frames[kSamples + 9] = 1024; // in the second frame: the first was taken already
    EXPECT_FALSE(travik_emu::SetPatternFrames(0, frames, false));
    EXPECT_EQ(PatternKind(), unsigned(TRAVIK_EMU_PATTERN_FLAT));

    // Frame 1 of a set with no frame 0.
    std::vector<unsigned char> request(sizeof(TravikEmuReplayFrame) + kSamples * 2);
    const TravikEmuReplayFrame header = {0, 1, 2, 0};
    memcpy(request.data(), &header, sizeof(header));
    travik_emu::ControlDevice control;
    EXPECT_FALSE(control.Call(TRAVIK_EMU_IOCTL_LOAD_REPLAY_FRAME, request.data(),
                              static_cast<DWORD>(request.size()), nullptr, 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    // A set may not be chosen as a plain pattern.
    EXPECT_FALSE(travik_emu::SetPattern(0, TRAVIK_EMU_PATTERN_FILE));
    EXPECT_EQ(PatternKind(), unsigned(TRAVIK_EMU_PATTERN_FLAT));

    // A good set replaces the pattern; another pattern replaces the set.
    frames[kSamples + 9] = 1023;
    ASSERT_TRUE(travik_emu::SetPatternFrames(0, frames, false));
    EXPECT_EQ(PatternKind(), unsigned(TRAVIK_EMU_PATTERN_FILE));
    ASSERT_TRUE(travik_emu::SetPatternRamp(0));
    EXPECT_EQ(PatternKind(), unsigned(TRAVIK_EMU_PATTERN_RAMP));
}

} // namespace
