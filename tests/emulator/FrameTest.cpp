// Frames on the image pipe: size, sample format, the scene, the patterns and their brightness.
#include "EmuTestSupport.h"

namespace emu_test {
namespace {

using Frames = EmulatorTest;

constexpr size_t kSquareRow = 240; // inside the moving square's rows

struct Format {
    bool wordMode;
    const char* name;
};

class FrameFormat : public EmulatorTest, public ::testing::WithParamInterface<Format> {
  protected:
    bool word() const { return GetParam().wordMode; }
    unsigned Full() const { return word() ? 1023 : 255; }
    // A 10-bit value as it arrives in this format.
    unsigned Wire(unsigned value) const { return word() ? value : value >> 2; }
    std::vector<unsigned char> Read(const Camera& camera, size_t samples = kFullFrame) {
        std::vector<unsigned char> frame(samples << word());
        DWORD returned = 0;
        EXPECT_TRUE(camera.ReadFrame(frame, &returned)) << "error " << GetLastError();
        EXPECT_EQ(returned, frame.size());
        return frame;
    }
};

TEST_P(FrameFormat, FrameHoldsTransferLengthSamples) {
    Camera camera(0);
    ASSERT_TRUE(camera.Start(kFullFrame, word()));
    std::vector<unsigned char> frame((kFullFrame << word()) + 4096);
    DWORD returned = 0;
    ASSERT_TRUE(camera.ReadFrame(frame, &returned));
    EXPECT_EQ(returned, DWORD(kFullFrame << word()))
        << "a longer request gets the whole frame only";
    std::vector<unsigned char> part(1000);
    ASSERT_TRUE(camera.ReadFrame(part, &returned));
    EXPECT_EQ(returned, 1000u);
    EXPECT_TRUE(std::equal(part.begin(), part.end(), frame.begin())) << "a shorter one its start";
    EXPECT_EQ(Stats(0).shortReads, 1u);
}

TEST_P(FrameFormat, FramesAreBlackBeforeTheSensorStarts) {
    Camera camera(0);
    ASSERT_TRUE(camera.SetTransferLength(kFullFrame));
    ASSERT_TRUE(camera.WriteController(14, word()));
    std::vector<unsigned char> frame = Read(camera);
    EXPECT_EQ(std::count(frame.begin(), frame.end(), 0), ptrdiff_t(frame.size()));
}

TEST_P(FrameFormat, FrameNumbersCountDeliveredFramesInTheLastFourRows) {
    Camera camera(1);
    const size_t samples = kWidth * 240 + 100; // a partial last row is not a number row
    ASSERT_TRUE(camera.Start(unsigned(samples), word()));
    for (unsigned expected = 1; expected <= 3; ++expected) {
        std::vector<unsigned char> frame = Read(camera, samples);
        for (size_t row = 236; row < 240; ++row)
            EXPECT_EQ(FrameNumberAt(frame, row, word()), expected) << "row " << row;
        EXPECT_NE(FrameNumberAt(frame, 235, word()), expected);
    }
}

TEST_P(FrameFormat, SceneBarsFollowTheBayerMosaic) {
    Camera camera(0);
    ASSERT_TRUE(camera.Start(kFullFrame, word()));
    std::vector<unsigned char> f = Read(camera);
    auto at = [&](size_t row, size_t x) { return Sample(f, row * kWidth + x, word()); };
    // Bars of 160 pixels: white, yellow, cyan, green, magenta, red, blue, black.
    const unsigned full = Full();
    struct Bar {
        unsigned r, g, b;
    } bars[8] = {{1, 1, 1}, {1, 1, 0}, {0, 1, 1}, {0, 1, 0},
                 {1, 0, 1}, {1, 0, 0}, {0, 0, 1}, {0, 0, 0}};
    for (size_t bar = 0; bar < 8; ++bar) {
        size_t x = bar * 160 + 20;
        for (size_t row : {0u, 100u, 478u}) {
            EXPECT_EQ(at(row, x), bars[bar].r * full) << "R, bar " << bar << " row " << row;
            EXPECT_EQ(at(row, x + 1), bars[bar].g * full) << "G1, bar " << bar;
            EXPECT_EQ(at(row + 1, x), bars[bar].g * full) << "G2, bar " << bar;
            EXPECT_EQ(at(row + 1, x + 1), bars[bar].b * full) << "B, bar " << bar;
        }
    }
    // The gray ramp below the bars, the same on every site.
    for (size_t x : {0u, 1u, 640u, 1279u}) {
        EXPECT_EQ(at(600, x), Wire(unsigned(x * 1023 / 1279))) << x;
        EXPECT_EQ(at(601, x), at(600, x));
    }
}

TEST_P(FrameFormat, MovingSquareStepsEightPixelsPerFrame) {
    Camera camera(0);
    ASSERT_TRUE(camera.Start(kFullFrame, word()));
    std::vector<unsigned char> first = Read(camera), second = Read(camera);
    const unsigned gray = Wire(512);
    auto squareStart = [&](const std::vector<unsigned char>& f) {
        for (size_t x = 0; x < kWidth; ++x)
            if (Sample(f, kSquareRow * kWidth + x, word()) == gray &&
                Sample(f, kSquareRow * kWidth + x + 63, word()) == gray)
                return x;
        return size_t(kWidth);
    };
    ASSERT_LT(squareStart(first), kWidth);
    EXPECT_EQ(squareStart(second), squareStart(first) + 8);
}

TEST_P(FrameFormat, BrightnessFollowsGainAndExposureRegisters) {
    Camera camera(2);
    ASSERT_TRUE(camera.Start(kFullFrame, word()));
    const size_t white = 20, ramp = 600 * kWidth + 100; // ramp value 100 * 1023 / 1279 = 79
    auto expect = [&](unsigned lines, unsigned gain, const char* what) {
        std::vector<unsigned char> f = Read(camera);
        auto scaled = [&](unsigned v) {
            unsigned long long s = 1ull * v * lines * gain / 512000;
            return Wire(unsigned(s > 1023 ? 1023 : s));
        };
        EXPECT_EQ(Sample(f, white, word()), scaled(1023)) << what;
        EXPECT_EQ(Sample(f, ramp, word()), scaled(79)) << what;
        EXPECT_EQ(FrameNumber(f, kFullFrame, word()), Stats(2).nextFrameNumber - 1)
            << what << ": the number is drawn after scaling";
    };
    expect(1000, 512, "defaults");
    ASSERT_TRUE(camera.WriteSensor(6, 0) && camera.WriteSensor(7, 4)); // gain 256
    expect(1000, 256, "gain 256");
    ASSERT_TRUE(camera.WriteSensor(6, 63) && camera.WriteSensor(7, 15)); // gain 1023
    expect(1000, 1023, "gain 1023");
    ASSERT_TRUE(camera.WriteSensor(6, 0) && camera.WriteSensor(7, 8));
    ASSERT_TRUE(camera.WriteSensor(158, 503 & 63) && camera.WriteSensor(159, 503 >> 6));
    expect(500, 512, "exposure value 503");
    ASSERT_TRUE(camera.WriteSensor(154, 1) && camera.WriteSensor(155, 2));
    expect(1, 512, "long-exposure mode, value 1002");
}

TEST_P(FrameFormat, PatternsGiveTheirValuesScaledLikeTheScene) {
    Camera camera(3);
    ASSERT_TRUE(camera.Start(kFullFrame, word()));
    ASSERT_TRUE(travik_emu::SetPatternFlat(3, 300));
    std::vector<unsigned char> flat = Read(camera);
    EXPECT_EQ(Sample(flat, 0, word()), Wire(300));
    EXPECT_EQ(Sample(flat, kFullFrame - 1, word()), Wire(300)) << "no frame number on patterns";
    EXPECT_EQ(Read(camera), flat) << "static patterns give the same frame every time";

    ASSERT_TRUE(travik_emu::SetPatternBayer(3, 100, 200, 300, 400));
    std::vector<unsigned char> bayer = Read(camera);
    EXPECT_EQ(Sample(bayer, 0, word()), Wire(100));
    EXPECT_EQ(Sample(bayer, 1, word()), Wire(200));
    EXPECT_EQ(Sample(bayer, kWidth, word()), Wire(300));
    EXPECT_EQ(Sample(bayer, kWidth + 1, word()), Wire(400));

    ASSERT_TRUE(travik_emu::SetPatternRamp(3));
    std::vector<unsigned char> ramp = Read(camera);
    for (size_t i : {0u, 1u, 1023u, 1024u, 1300u, 500000u})
        EXPECT_EQ(Sample(ramp, i, word()), Wire(unsigned(i & 1023))) << i;

    ASSERT_TRUE(travik_emu::SetPatternNoise(3, 7));
    std::vector<unsigned char> noise = Read(camera);
    EXPECT_EQ(Read(camera), noise) << "the same seed gives the same frame";
    ASSERT_TRUE(travik_emu::SetPatternNoise(3, 8));
    EXPECT_NE(Read(camera), noise);

    ASSERT_TRUE(travik_emu::SetPatternFlat(3, 300));
    ASSERT_TRUE(camera.WriteSensor(7, 4)); // gain 256 halves it
    EXPECT_EQ(Sample(Read(camera), 12345, word()), Wire(150));
}

INSTANTIATE_TEST_SUITE_P(Formats, FrameFormat,
                         ::testing::Values(Format{false, "EightBit"}, Format{true, "WordMode"}),
                         [](const ::testing::TestParamInfo<Format>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(Frames, WordModeCarriesTenBitsLittleEndian) {
    Camera camera(0);
    ASSERT_TRUE(camera.Start(kFullFrame, true));
    ASSERT_TRUE(travik_emu::SetPatternFlat(0, 0x2A5));
    std::vector<unsigned char> frame(8);
    ASSERT_TRUE(camera.ReadFrame(frame));
    EXPECT_EQ(frame[0], 0xA5);
    EXPECT_EQ(frame[1], 0x02);
    ASSERT_TRUE(camera.WriteController(14, 0));
    ASSERT_TRUE(camera.ReadFrame(frame));
    EXPECT_EQ(frame[0], 0x2A5 >> 2);
}

TEST_F(Frames, PatternRequestsOutOfRangeAreRefused) {
    EXPECT_FALSE(travik_emu::SetPatternFlat(0, 1024));
    EXPECT_FALSE(travik_emu::SetPatternBayer(0, 0, 0, 0, 5000));
    EXPECT_FALSE(travik_emu::SetPattern(0, 9));
    EXPECT_FALSE(travik_emu::SetPatternFlat(kDevices + 7, 1));
    EXPECT_EQ(Stats(0).patternKind, unsigned(TRAVIK_EMU_PATTERN_SCENE));
}

TEST_F(Frames, ReadWithoutStartCommandTimesOut) {
    Camera camera(0);
    ASSERT_TRUE(camera.Start());
    ASSERT_TRUE(camera.SetTimeout(50));
    std::vector<unsigned char> frame(kFullFrame);
    DWORD returned = 0;
    EXPECT_FALSE(
        camera.Transfer(kInDirect, TRAVIK_CAM_PIPE_IMAGE, frame.data(), kFullFrame, &returned));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SEM_TIMEOUT));
}

} // namespace
} // namespace emu_test
