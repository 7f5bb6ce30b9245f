// Callback preview through the DLL on the virtual camera: notices, frame records, the caller's
// buffer in both row orders, short buffers and the colours of the bars.
#include "AcquisitionFixture.h"

#include <cstring>

namespace {

struct ModeCase {
    int bits;        // Travik_SetColorMode argument
    int pixelBytes;  // output bytes per pixel
    int sampleBytes; // bytes per channel sample
};

class CallbackPreviewByMode : public AcquisitionTest,
                              public ::testing::WithParamInterface<ModeCase> {};

constexpr int kWidth = 1280;
constexpr int kHeight = 960;

TEST_P(CallbackPreviewByMode, NoticesCarryTheFrameRecordOfTheColourMode) {
    const ModeCase mode = GetParam();
    ASSERT_EQ(Travik_SetColorMode(handle, mode.bits), 1);
    const int stride = StrideOf(kWidth, mode.bits);
    std::vector<unsigned char> buffer(static_cast<size_t>(stride) * kHeight);
    const std::vector<Notice> notices = RunCallbackPreview(buffer, 1, 3);
    ASSERT_GE(CountFrames(notices), 3u);
    EXPECT_TRUE(Codes(notices).empty());
    for (const Notice& notice : notices) {
        EXPECT_EQ(notice.info.size, 32);
        EXPECT_EQ(notice.info.width, kWidth);
        EXPECT_EQ(notice.info.height, kHeight);
        EXPECT_EQ(notice.info.bitsPerPixel, mode.bits);
        EXPECT_EQ(notice.info.buffer, buffer.data());
    }
    EXPECT_TRUE(DrainErrors().empty());
}

// Bars at the centre of each eighth, in the upper half: white, yellow, cyan, green, magenta, red,
// blue, black as (red, green, blue) on or off.
constexpr int kBars[8][3] = {{1, 1, 1}, {1, 1, 0}, {0, 1, 1}, {0, 1, 0},
                             {1, 0, 1}, {1, 0, 0}, {0, 0, 1}, {0, 0, 0}};

TEST_P(CallbackPreviewByMode, ColourBarsComeOutUprightWithDefaultSettings) {
    const ModeCase mode = GetParam();
    if (mode.bits < 24) GTEST_SKIP() << "monochrome";
    ASSERT_EQ(Travik_SetColorMode(handle, mode.bits), 1);
    ASSERT_TRUE(travik_emu::SetPacing(0, TRAVIK_EMU_PACING_FIXED, 20000));
    const int stride = StrideOf(kWidth, mode.bits);
    std::vector<unsigned char> buffer(static_cast<size_t>(stride) * kHeight);
    ASSERT_GE(CountFrames(RunCallbackPreview(buffer, 1, 2)), 2u);

    const unsigned full = mode.sampleBytes == 1 ? 255 : 1023;
    auto channel = [&](int row, int column, int c) {
        const unsigned char* p =
            buffer.data() + static_cast<size_t>(row) * stride + column * mode.pixelBytes;
        return mode.sampleBytes == 1 ? unsigned(p[c]) : unsigned(p[2 * c] | (p[2 * c + 1] << 8));
    };
    for (int bar = 0; bar < 8; ++bar) {
        const int column = bar * 160 + 80;
        const int row = 100; // buffer row 100 is sensor row 100: the bars
        SCOPED_TRACE(bar);
        EXPECT_EQ(channel(row, column, 2), kBars[bar][0] ? full : 0u); // red
        EXPECT_EQ(channel(row, column, 1), kBars[bar][1] ? full : 0u); // green
        EXPECT_EQ(channel(row, column, 0), kBars[bar][2] ? full : 0u); // blue
    }
    // Sensor row 800 is the gray ramp: dark on the left, bright on the right, all channels equal.
    EXPECT_LT(channel(800, 40, 1), full / 8);
    EXPECT_GT(channel(800, 1240, 1), full * 7 / 8);
    EXPECT_NEAR(int(channel(800, 640, 0)), int(channel(800, 640, 2)), full / 100 + 1);
}

INSTANTIATE_TEST_SUITE_P(ColourModes, CallbackPreviewByMode,
                         ::testing::Values(ModeCase{8, 1, 1}, ModeCase{16, 2, 2},
                                           ModeCase{24, 3, 1}, ModeCase{32, 4, 1},
                                           ModeCase{48, 6, 2}, ModeCase{64, 8, 2}),
                         [](const auto& info) { return "Bits" + std::to_string(info.param.bits); });

TEST_F(AcquisitionTest, FrameNumbersOfTheRawOutputIncrease) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    std::vector<unsigned char> buffer(static_cast<size_t>(kWidth) * kHeight);
    ASSERT_EQ(Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
    ASSERT_TRUE(travik_emu::SetPacing(0, TRAVIK_EMU_PACING_FIXED, 10000));
    ASSERT_EQ(Travik_CallBackPreview(handle, window.hwnd(), buffer.data(),
                                     static_cast<int>(buffer.size()), 1),
              1);
    std::vector<unsigned> numbers;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(CountFrames(WaitNotices(1, 3000)), 1u);
        numbers.push_back(FrameNumber(buffer.data(), kWidth, kHeight));
    }
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    for (size_t i = 1; i < numbers.size(); ++i)
        EXPECT_GT(numbers[i], numbers[i - 1]);
    EXPECT_GT(numbers.front(), 0u);
}

TEST_F(AcquisitionTest, RowOrderZeroPutsTheLastSensorRowFirst) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    ASSERT_TRUE(travik_emu::SetPacing(0, TRAVIK_EMU_PACING_FIXED, 10000));
    std::vector<unsigned char> upright(static_cast<size_t>(kWidth) * kHeight);
    std::vector<unsigned char> reversed(upright.size());
    ASSERT_GE(CountFrames(RunCallbackPreview(upright, 1, 1)), 1u);
    ASSERT_GE(CountFrames(RunCallbackPreview(reversed, 0, 1)), 1u);
    // The frame numbers sit in the last sensor rows: the first rows of a reversed buffer.
    std::vector<unsigned char> turned(reversed.size());
    for (int row = 0; row < kHeight; ++row)
        std::memcpy(&turned[static_cast<size_t>(row) * kWidth],
                    &reversed[static_cast<size_t>(kHeight - 1 - row) * kWidth], kWidth);
    EXPECT_GT(FrameNumber(turned.data(), kWidth, kHeight),
              FrameNumber(upright.data(), kWidth, kHeight));
    // The bars (upper sensor half) are the same in both, rows turned.
    EXPECT_EQ(0, std::memcmp(&turned[100 * kWidth], &upright[100 * kWidth], kWidth));
}

TEST_F(AcquisitionTest, BufferOneByteShortGivesCodeFiveOnBothChannelsWhilePreviewGoesOn) {
    ASSERT_EQ(Travik_SetColorMode(handle, 24), 1);
    std::vector<unsigned char> buffer(static_cast<size_t>(kWidth) * 3 * kHeight - 1, 0xAB);
    ASSERT_EQ(Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
    ASSERT_EQ(Travik_CallBackPreview(handle, window.hwnd(), buffer.data(),
                                     static_cast<int>(buffer.size()), 1),
              1);
    std::vector<Notice> notices = WaitNotices(1, 1500);
    EXPECT_EQ(CountFrames(notices), 0u);
    const std::vector<LPARAM> codes = Codes(notices);
    ASSERT_GE(codes.size(), 2u) << "one code notice per frame, and frames keep coming";
    for (LPARAM code : codes)
        EXPECT_EQ(code, ERR_MEMORY);
    ASSERT_FALSE(posted.empty());
    for (LPARAM code : posted)
        EXPECT_EQ(code, ERR_MEMORY);
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    for (int code : DrainErrors())
        EXPECT_EQ(code, ERR_MEMORY);
    EXPECT_EQ(buffer.front(), 0xAB);
    // The image itself was made: it can be read out in full.
    std::vector<unsigned char> whole(buffer.size() + 1);
    EXPECT_EQ(Travik_GetImage(handle, whole.data(), static_cast<int>(whole.size()), 1), 1);
}

TEST_F(AcquisitionTest, FrameRateIsMeasuredInTenthsOfFramesPerSecond) {
    ASSERT_EQ(Travik_SetColorMode(handle, 8), 1);
    ASSERT_TRUE(travik_emu::SetPacing(0, TRAVIK_EMU_PACING_FIXED, 20000));
    std::vector<unsigned char> buffer(static_cast<size_t>(kWidth) * kHeight);
    const std::vector<Notice> notices = RunCallbackPreview(buffer, 1, 40, 4000);
    ASSERT_GE(notices.size(), 30u);
    // After the first full second the rate is about 20 frames per second.
    const int rate = notices.back().info.frameRate;
    EXPECT_GT(rate, 100);
    EXPECT_LE(rate, 230);
}

} // namespace
